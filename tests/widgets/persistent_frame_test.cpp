// SPDX-License-Identifier: MIT
// The frame's remembered placement: stored text, rectangle brought onto the screens, reopened window.
#include <QWindow>
#include <QtTest>

#include "gui/frame/persistent_frame.h"
#include "gui/frame/placement.h"
#include "gui/frame/profile.h"
#include "widget_test_support.h"

class PersistentFrameTest : public QObject {
    Q_OBJECT

    static QString Stored(const char* entry)
    {
        return CProfile().value(QStringLiteral("Window size/") + QLatin1String(entry)).toString();
    }

private slots:
    void init() { CProfile().clear(); }

    // Four places each, '-' taking one; read by fixed places, or by fields when a number outgrew four.
    void rectangleText()
    {
        QCOMPARE(FormatPlacementRect({10, -4, 1234, 5}), QStringLiteral("0010 -004 1234 0005"));
        const std::pair<const char*, PlacementRect> cases[] = {
            {"0010 -004 1234 0005", {10, -4, 1234, 5}},
            {"12000 20 -30 40", {12000, 20, -30, 40}},
            {"0010 0020", {10, 20, 0, 0}},
            {"0100x0200y0300z0400", {100, 200, 300, 400}},
            {"garbage", {0, 0, 0, 0}},
        };
        for (const auto& [text, rect] : cases)
            QCOMPARE(ParsePlacementRect(QString::fromLatin1(text)), rect);
        // A number too large for an int is held at the largest, not overflowed.
        QCOMPARE(ParsePlacementRect(QStringLiteral("99999999999 0 0 0")).left, 2147483647);
    }

    // A remembered rectangle brought onto the screens of the moment.
    void rectangleIsBroughtOntoAScreen()
    {
        const PlacementRect primary{0, 0, 1280, 900}, right{1280, 0, 2560, 1024};
        const struct {
            PlacementRect kept;
            std::vector<PlacementRect> screens;
            PlacementRect placed;
        } cases[] = {
            {{10, 10, 500, 400}, {primary}, {10, 10, 500, 400}},            // fits: unchanged
            {{-50, -20, 300, 200}, {primary}, {0, 0, 350, 220}},            // title bar above the screen
            {{3000, 800, 3400, 1000}, {primary}, {880, 700, 1280, 900}},    // its monitor is gone
            {{1200, 50, 1700, 450}, {primary, right}, {1280, 50, 1780, 450}},  // mostly on the right one
            {{0, 0, 0, 0}, {primary}, {10, 10, 500, 400}},                  // damaged: the default
            {{-2147483647, 0, 2147483647, 100}, {primary}, {0, 0, 1280, 100}},
        };
        for (const auto& c : cases)
            QCOMPARE(FitOnScreens(c.kept, c.screens), c.placed);
    }

    // A closed window leaves rectangle and state; the next comes back there, maximized or minimized over it.
    void closedWindowComesBack()
    {
        {
            CPersistentFrame first;
            first.ActivateFrame();
            QVERIFY(QTest::qWaitForWindowExposed(&first));
            first.setGeometry(QRect(100, 120, 400, 300).marginsRemoved(first.windowHandle()->frameMargins()));
            first.close();
        }
        {
            CPersistentFrame second;
            second.ActivateFrame();
            QVERIFY(QTest::qWaitForWindowExposed(&second));
            QCOMPARE(second.frameGeometry(), QRect(100, 120, 400, 300));
            second.showMaximized();
            second.close();
        }
        {
            CPersistentFrame third;
            third.ActivateFrame();
            QVERIFY(third.isMaximized());
            QCOMPARE(third.RestoredRect(), (PlacementRect{100, 120, 500, 420}));
            // A maximized window minimized is remembered as such.
            third.ActivateFrame(static_cast<int>(ShowCommand::MinimizedNoActivate));
            QVERIFY(third.isMinimized());
            third.close();
        }
        QCOMPARE(Stored("max"), QStringLiteral("1"));
        CPersistentFrame fourth;
        fourth.ActivateFrame();
        QVERIFY(fourth.isMinimized());
        QCOMPARE(fourth.RestoredRect(), (PlacementRect{100, 120, 500, 420}));
    }
};

OVRIN_WIDGET_TEST_MAIN(PersistentFrameTest)
#include "persistent_frame_test.moc"

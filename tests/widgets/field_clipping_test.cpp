// SPDX-License-Identifier: MIT
// The frames on the screen cover their rectangles with the right and bottom
// edges outside, and a date far longer than its frame stays inside it, on
// screen and on paper, instead of running over the description below.
#include <QPrinterInfo>
#include <QProcess>

#include "app_fixture.h"
#include "core/layout/description_layout.h"
#include "core/layout/page_layout.h"
#include "gui/view/print_commands.h"

using namespace app_fixture;

class FieldClippingTest final : public QObject {
    Q_OBJECT

private slots:
    void framesHoldTheirFields()
    {
        std::string date;
        while (date.size() < 30000)
            date += "24.12.2025 ";
        RunningApp app({{"Garden", "", date}});
        QVERIFY(app.Started());
        app.Resize(700, 500);
        COvrinView& view = *app.Frame().ActiveView();
        QCOMPARE(view.horizontalScrollBar()->value(), 0);
        const QImage shot = view.viewport()->grab().toImage();
        const int L = view.LineHeight();
        const ViewColumns c = ColumnsFor(false, view.width());
        // One line of key words: both frames end at 4L, the date inside them.
        QVERIFY(InkIn(shot, QRect(QPoint(c.split + 5, 2 * L), QPoint(c.right - 6, 3 * L - 1))));
        QVERIFY(!InkIn(shot, QRect(QPoint(c.split + 2, 4 * L + 1), QPoint(c.right - 3, shot.height()))));
        // The key-word frame ends one pixel before the date frame begins,
        // the date frame one pixel before the right edge, both one pixel
        // above the frame bottom. Each point and whether a line covers it:
        const int S = c.split, R = c.right, B = 4 * L, y = 3 * L + L / 2, x = S - 40;
        const struct { int x, y; bool dark; } probes[] = {
            {4, y, false}, {5, y, true}, {6, y, false},                            // left edge
            {S - 2, y, false}, {S - 1, y, true}, {S, y, true}, {S + 1, y, false},  // key words | date
            {R - 2, y, false}, {R - 1, y, true}, {R, y, false},                    // right edge
            {x, L - 1, false}, {x, L, true}, {x, L + 1, false},                    // top edge
            {x, B - 2, false}, {x, B - 1, true}, {x, B, false},                    // bottom edge
        };
        for (const auto& p : probes)
            QVERIFY2(Dark(shot, p.x, p.y) == p.dark, qPrintable(QStringLiteral("at %1,%2").arg(p.x).arg(p.y)));

        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("needs a machine without a printer: direct printing would use it");
        CPageLayout pages;
        QCOMPARE(PrintDirect(app.Doc(), pages, QString(), app.Path()), 0);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {app.TempPath("notes.pdf"), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const int dates = QString::fromUtf8(text.readAllStandardOutput()).count(QStringLiteral("24.12.2025"));
        QVERIFY2(dates >= 1 && dates <= 2, qPrintable(QString::number(dates)));
    }
};

OVRIN_WIDGET_TEST_MAIN(FieldClippingTest)
#include "field_clipping_test.moc"

// SPDX-License-Identifier: MIT
// The real main window on a display scaled by two: icons are drawn from
// their drawings at the display's resolution, not enlarged from small
// pictures.

#include <cstdlib>

#include <QAction>
#include <QDialog>
#include <QIcon>
#include <QImage>
#include <QLabel>
#include <QTest>
#include <QToolBar>

#include "app/ovrin_app.h"
#include "doc/command_ids.h"
#include "frame/main_frame.h"
#include "res/command_actions.h"
#include "widget_test_support.h"

using namespace cmd;
using test_support::AnswerModal;

namespace {

constexpr qreal kScale = 2.0;

// Whether picture appears, pixel for pixel, somewhere in image.
bool Contains(const QImage& image, const QImage& picture)
{
    const QImage big = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    const QImage small = picture.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y + small.height() <= big.height(); ++y) {
        for (int x = 0; x + small.width() <= big.width(); ++x) {
            bool same = true;
            for (int py = 0; py < small.height() && same; ++py)
                for (int px = 0; px < small.width() && same; ++px) {
                    const QRgb p = small.pixel(px, py);
                    // Transparent pixels show the button behind them.
                    if (qAlpha(p) == 255 && big.pixel(x + px, y + py) != p)
                        same = false;
                }
            if (same)
                return true;
        }
    }
    return false;
}

}  // namespace

class ScaledDisplayTest final : public QObject {
    Q_OBJECT

private slots:
    // A tool-bar button shows its icon as drawn at twice the size: the same
    // pixels a rendering of the drawing at that size gives. The About
    // dialog's program icon is drawn for the scaled display too.
    void iconsAreDrawnAtTheDisplaysResolution()
    {
        COvrinApp app;
        QVERIFY(app.InitInstance({}));
        CMainFrame& frame = *app.MainFrame();
        QVERIFY(QTest::qWaitForWindowExposed(&frame));
        QCOMPARE(frame.devicePixelRatioF(), kScale);

        QAction* action = frame.Actions().action(ID_FILE_NEW);
        QWidget* button = frame.ToolBar()->widgetForAction(action);
        QVERIFY(button);
        const QImage shot = button->grab().toImage();
        QCOMPARE(shot.devicePixelRatio(), kScale);
        const QSize iconSize = frame.ToolBar()->iconSize();
        const QImage sharp = action->icon().pixmap(iconSize, kScale).toImage();
        QCOMPARE(sharp.size(), iconSize * kScale);
        QVERIFY(Contains(shot, sharp));

        QPixmap about;
        AnswerModal([&] { frame.ExecuteCommand(ID_APP_ABOUT); },
                    [&](QWidget* dialog) {
                        if (auto* icon = dialog->findChild<QLabel*>(QStringLiteral("programIcon")))
                            about = icon->pixmap();
                        static_cast<QDialog*>(dialog)->accept();
                    });
        QCOMPARE(about.devicePixelRatio(), kScale);
        QCOMPARE(about.size(), QSize(32, 32) * kScale);
    }
};

int main(int argc, char** argv)
{
    test_support::PrivateFolders();
    setenv("QT_SCALE_FACTOR", "2", 1);
    QApplication app(argc, argv);
    ScaledDisplayTest tc;
    return QTest::qExec(&tc, argc, argv);
}
#include "scaled_display_test.moc"

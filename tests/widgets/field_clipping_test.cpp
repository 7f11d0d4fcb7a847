// SPDX-License-Identifier: MIT
// A date far longer than its frame stays inside the frame, on screen and on
// paper, instead of running over the description below.
#include <QPrinterInfo>
#include <QProcess>

#include "app_fixture.h"
#include "view/layout/description_layout.h"
#include "view/layout/page_layout.h"
#include "view/print_commands.h"

using namespace app_fixture;

class FieldClippingTest final : public QObject {
    Q_OBJECT

private slots:
    void longDateStaysInItsFrame()
    {
        std::string date;
        while (date.size() < 30000)
            date += "24.12.2025 ";
        RunningApp app({{"Garden", "", date}});
        QVERIFY(app.Started());
        app.Resize(700, 500);
        COvrinView& view = *app.Frame().ActiveView();
        const QImage shot = view.viewport()->grab().toImage();
        const int L = view.LineHeight();
        const ViewColumns c = ColumnsFor(false, view.width());
        // One line of key words: both frames end at 4L, the date inside them.
        QVERIFY(InkIn(shot, QRect(QPoint(c.split + 5, 2 * L), QPoint(c.right - 6, 3 * L - 1))));
        QVERIFY(!InkIn(shot, QRect(QPoint(c.split + 2, 4 * L + 1), QPoint(c.right - 3, shot.height()))));

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

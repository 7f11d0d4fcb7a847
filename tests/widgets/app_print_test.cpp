// SPDX-License-Identifier: MIT
// The whole program started on a document prints through File/Print: the
// print dialog's page range, the pages that come out, and how the frames
// look on paper.

#include <QImage>
#include <QImageReader>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

#include "app_fixture.h"
#include "doc/command_ids.h"
#include "view/print_job.h"

using namespace app_fixture;
using namespace cmd;
using test_support::AnswerModal;

namespace {

// The number of pages of a PDF as pdfinfo reports it; 0 when it cannot tell.
int PdfPageCount(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdfinfo"), {pdf});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return 0;
    const QRegularExpressionMatch m =
        QRegularExpression(QStringLiteral("^Pages:\\s+(\\d+)"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(p.readAllStandardOutput()));
    return m.hasMatch() ? m.captured(1).toInt() : 0;
}

// The first page of a PDF as an image of the given resolution.
QImage PdfFirstPage(const QString& pdf, const QString& stem, int dpi)
{
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QString::number(dpi),
                                         QStringLiteral("-f"), QStringLiteral("1"),
                                         QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-singlefile"), QStringLiteral("-png"),
                                         pdf, stem});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    QImageReader::setAllocationLimit(0);  // a page at 600 dpi is larger than Qt's default limit
    return QImage(stem + QStringLiteral(".png"));
}

std::string Lines(int n)
{
    std::string text;
    for (int i = 1; i <= n; ++i)
        text += "line " + std::to_string(i) + "\r\n";
    return text;
}

}  // namespace

class AppPrintTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdfinfo")).isEmpty() ||
            QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty())
            QSKIP("pdfinfo and pdftoppm (poppler-utils) are needed to read the printed pages");
    }

    // Every print dialog opens with all pages chosen, even after a job of a
    // page range, and offers exactly as many pages as come out of the
    // printer; the frames on paper are drawn with a one-pixel pen.
    void dialogOffersThePagesThatArePrinted()
    {
        RunningApp app({{"garden tools", Lines(200)}});
        QVERIFY(app.Started());
        QPrinter& printer = ProcessPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);

        for (const char* name : {"first.pdf", "second.pdf"}) {
            const QString pdf = app.TempPath(name);
            printer.setOutputFileName(pdf);
            // What a job of pages 2 to 3 leaves in the printer.
            printer.setPrintRange(QPrinter::PageRange);
            printer.setFromTo(2, 3);

            int offered = 0;
            auto range = QAbstractPrintDialog::PageRange;
            const QString seen = AnswerModal(
                [&] { app.Frame().ExecuteCommand(ID_FILE_PRINT); },
                [&](QWidget* w) {
                    auto* dialog = qobject_cast<QPrintDialog*>(w);
                    if (!dialog) {
                        w->close();
                        return;
                    }
                    offered = dialog->maxPage();
                    range = dialog->printRange();
                    dialog->accept();
                });
            QVERIFY2(!seen.isEmpty(), "no print dialog came up");
            QCOMPARE(range, QAbstractPrintDialog::AllPages);
            const int printed = PdfPageCount(pdf);
            QVERIFY2(printed > 4, qPrintable(QStringLiteral("%1 pages printed").arg(printed)));
            QCOMPARE(offered, printed);
        }

        // The frames' left edge, at 600 dots per inch: one pixel wide, not
        // the 6 that a pen of 15 twips would give.
        const QImage page = PdfFirstPage(app.TempPath("first.pdf"), app.TempPath("page"), 600);
        QVERIFY(!page.isNull());
        int left = page.width();
        int leftRow = -1;
        for (int y = 0; y < page.height(); ++y) {
            for (int x = 0; x < std::min(left, page.width()); ++x) {
                if (Dark(page, x, y)) {
                    left = x;
                    leftRow = y;
                    break;
                }
            }
        }
        QVERIFY(leftRow >= 0);
        // Half way down the frame's edge, the dark run across it.
        int top = leftRow;
        while (top > 0 && Dark(page, left, top - 1))
            --top;
        int bottom = leftRow;
        while (bottom + 1 < page.height() && Dark(page, left, bottom + 1))
            ++bottom;
        QVERIFY(bottom - top > 50);
        const int y = (top + bottom) / 2;
        int width = 0;
        while (Dark(page, left + width, y))
            ++width;
        QVERIFY2(width <= 2, qPrintable(QStringLiteral("the frame is %1 pixels wide").arg(width)));
    }
};

OVRIN_WIDGET_TEST_MAIN(AppPrintTest)
#include "app_print_test.moc"

// SPDX-License-Identifier: MIT
// Direct printing to a PDF beside the document, read back with pdftotext.
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "app_fixture.h"
#include "cli/cli_host.h"
#include "core/document/command_ids.h"
#include "core/text/text_form.h"
#include "core/layout/page_layout.h"
#include "gui/view/print_commands.h"
#include "gui/view/print_job.h"

namespace {
// Each PDF page's text via pdftotext (pages split at form feeds).
QStringList PdfPages(const QString& pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return {};
    QStringList pages = QString::fromUtf8(p.readAllStandardOutput()).split(QChar('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

// Whether the first page of a PDF, as poppler draws it, shows any colour.
bool FirstPageHasColour(const QString& pdf)
{
    const QString prefix = pdf + QStringLiteral(".page");
    QProcess p;
    p.start(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("72"), QStringLiteral("-f"),
                                         QStringLiteral("1"), QStringLiteral("-l"), QStringLiteral("1"),
                                         QStringLiteral("-singlefile"), QStringLiteral("-png"), pdf, prefix});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return false;
    const QImage page(prefix + QStringLiteral(".png"));
    for (int y = 0; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (page.pixelColor(x, y).hsvSaturation() > 100)
                return true;
    return false;
}
}  // namespace

class PrintPdfTest final : public QObject {
    Q_OBJECT

private slots:
    // Direct printing goes to a PDF only where no printer is installed.
    void init()
    {
        if (!QPrinterInfo::availablePrinterNames().isEmpty())
            QSKIP("needs a machine without an installed printer: direct printing would use it");
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty() &&
            QByteArray(QTest::currentTestFunction()) != "unwritablePdfFails")
            QSKIP("needs pdftotext (Debian package poppler-utils) to read the pages back");
    }

    // The print dialog opens with all pages (even after a range job) and offers as many as print. Each page
    // repeats the heading frames and has its own body piece, none twice or lost, any script, colour emoji.
    void dialogPrintsTheOfferedPagesWhole()
    {
        std::string lines;
        for (int i = 1; i <= 200; ++i)
            lines += "line " + std::to_string(i) + " \u03C3\r\n";
        app_fixture::RunningApp app({{*TextFromUtf8("garden tools \u0142\u4E2D\U0001F600\U0001F7E5"), *TextFromUtf8(lines), "24.12.2025"}});
        QVERIFY(app.Started());
        QPrinter& printer = ProcessPrinter();
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(app.TempPath("first.pdf"));
        // What a job of pages 2 to 3 leaves in the printer.
        printer.setPrintRange(QPrinter::PageRange);
        printer.setFromTo(2, 3);

        int offered = 0;
        auto range = QAbstractPrintDialog::PageRange;
        const QString seen = test_support::AnswerModal(
            [&] { app.Frame().ExecuteCommand(cmd::ID_FILE_PRINT); },
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
        const QStringList text = PdfPages(app.TempPath("first.pdf"));
        QVERIFY2(text.size() > 4, qPrintable(QStringLiteral("%1 pages printed").arg(text.size())));
        QCOMPARE(offered, text.size());
        int lineCount = 0;
        for (const QString& page : text) {
            QVERIFY(page.contains(QString::fromUtf8("garden tools \u0142\u4E2D")));
            QVERIFY(page.contains(QStringLiteral("24.12.2025")));
            for (int i = 1; i <= 200; ++i)
                lineCount += page.contains(QRegularExpression(QString::fromUtf8("\\bline %1 \u03C3").arg(i)));
        }
        QCOMPARE(lineCount, 200);
        QVERIFY(FirstPageHasColour(app.TempPath("first.pdf")));
    }

    // A range past the last page prints to the last and no more; one starting past it prints no body.
    void rangePastTheLastPageEndsAtIt()
    {
        std::string lines;
        for (int i = 1; i <= 200; ++i)
            lines += "line " + std::to_string(i) + "\r\n";
        CCliHost host;
        COvrinDoc doc(host);
        SetEntries(doc, {{"ranges", lines, "1.1.2000"}});
        QTemporaryDir dir;
        CPageLayout pages;
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        const int last = LayOutForPrinter(printer, doc, pages);
        QVERIFY(last > 2);
        printer.setOutputFileName(dir.filePath(QStringLiteral("tail.pdf")));
        QVERIFY(RunPrintJob(printer, doc, pages, last - 1, last + 3));
        const QStringList tail = PdfPages(dir.filePath(QStringLiteral("tail.pdf")));
        QCOMPARE(tail.size(), 2);
        QVERIFY(tail[1].contains(QStringLiteral("line 200")));
        printer.setOutputFileName(dir.filePath(QStringLiteral("beyond.pdf")));
        RunPrintJob(printer, doc, pages, last + 1, last + 3);
        QVERIFY(PdfPages(dir.filePath(QStringLiteral("beyond.pdf"))).join(QString()).trimmed().isEmpty());
    }
};

OVRIN_WIDGET_TEST_MAIN(PrintPdfTest)
#include "print_pdf_test.moc"

// SPDX-License-Identifier: MIT
#include "gui/view/print_commands.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextStream>

#include <cstdio>

#include "core/document/ovrin_doc.h"
#include "core/layout/page_layout.h"
#include "gui/view/print_job.h"

void OnFilePrint(QWidget* owner, COvrinDoc& doc, CPageLayout& pages)
{
    QPrinter& printer = ProcessPrinter();
    // Every dialog starts with all pages, whatever range the last job had,
    // and offers as many pages as the printer it opens with will print.
    printer.setPrintRange(QPrinter::AllPages);
    printer.setFromTo(0, 0);
    const int count = LayOutForPrinter(printer, doc, pages);
    QPrintDialog dialog(&printer, owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.setMinMax(1, count);
    dialog.setOption(QAbstractPrintDialog::PrintPageRange, true);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool range = printer.printRange() == QPrinter::PageRange;
    RunPrintJob(printer, doc, pages, range ? printer.fromPage() : 1, range ? printer.toPage() : 0);
}

void OnFilePrintPreview(QWidget* owner, COvrinDoc& doc, CPageLayout& pages, int previewPages)
{
    QPrintPreviewDialog dialog(&ProcessPrinter(), owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog,
                     [&doc, &pages](QPrinter* printer) { RunPrintJob(*printer, doc, pages, 1, 0); });
    if (previewPages > 1) {
        if (auto* view = dialog.findChild<QPrintPreviewWidget*>())
            view->setViewMode(QPrintPreviewWidget::FacingPagesView);
    }
    dialog.exec();
}

void OnFilePrintSetup(QWidget* owner)
{
    QPageSetupDialog dialog(&ProcessPrinter(), owner);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.exec();
}

namespace {

// A PDF beside the document named after it that is not there yet, created
// empty (exclusively, so that nothing is ever written over): "notes.pdf",
// else "notes (2).pdf", and so on. Empty when none can be created.
QString CreateFreePdfBeside(const QString& filePath)
{
    const QFileInfo info(filePath);
    const QString base = info.completeBaseName().isEmpty() ? QStringLiteral("Untitled")
                                                           : info.completeBaseName();
    for (int n = 1; n < 1000; ++n) {
        const QString name = n == 1 ? base : QStringLiteral("%1 (%2)").arg(base).arg(n);
        QFile pdf(info.absoluteDir().filePath(name + QStringLiteral(".pdf")));
        if (pdf.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            return pdf.fileName();
        if (pdf.error() != QFileDevice::OpenError || !pdf.exists())
            return QString();
    }
    return QString();
}

// Says where the pages went on standard error and, where there is a
// display, in a message box: started from the desktop, nobody reads the
// former.
void TellWhereThePagesWent(const QString& text)
{
    QTextStream(stderr) << text << "\n";
    const QString platform = QGuiApplication::platformName();
    if (platform != QLatin1String("offscreen") && platform != QLatin1String("minimal"))
        QMessageBox::information(QApplication::activeWindow(), QStringLiteral("Ovrin"), text);
}

}  // namespace

int PrintDirect(COvrinDoc& doc, CPageLayout& pages, const QString& printerName,
                const QString& filePath)
{
    QPrinter& printer = ProcessPrinter();
    QTextStream err(stderr);
    const bool noPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
    QString pdfPath;
    if (noPrinter) {
        pdfPath = CreateFreePdfBeside(filePath);
        if (pdfPath.isEmpty()) {
            err << QStringLiteral("Cannot write a PDF beside \"%1\".\n").arg(filePath);
            return 1;
        }
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdfPath);
    } else {
        printer.setOutputFormat(QPrinter::NativeFormat);
        if (!printerName.isEmpty())
            printer.setPrinterName(printerName);
        if (!printerName.isEmpty() && printer.printerName() != printerName) {
            err << "Printer \"" << printerName << "\" not found.\n";
            return 1;
        }
    }
    if (!RunPrintJob(printer, doc, pages, 1, 0)) {
        if (noPrinter)
            QFile::remove(pdfPath);  // the empty file made for it above
        err << (noPrinter ? QStringLiteral("Cannot write \"%1\".\n").arg(pdfPath)
                          : QStringLiteral("Cannot print on \"%1\".\n").arg(printer.printerName()));
        return 1;
    }
    err.flush();
    if (noPrinter)
        TellWhereThePagesWent(QStringLiteral("No printer found: the pages were written to \"%1\".")
                                  .arg(QDir::toNativeSeparators(pdfPath)));
    return 0;
}

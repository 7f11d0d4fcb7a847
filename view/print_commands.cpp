// SPDX-License-Identifier: MIT
#include "view/print_commands.h"

#include <QDir>
#include <QFileInfo>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QTextStream>

#include <cstdio>

#include "doc/ovrin_doc.h"
#include "view/layout/page_layout.h"
#include "view/print_job.h"

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

int PrintDirect(COvrinDoc& doc, CPageLayout& pages, const QString& printerName,
                const QString& filePath)
{
    QPrinter& printer = ProcessPrinter();
    QTextStream err(stderr);
    const bool noPrinter = QPrinterInfo::availablePrinterNames().isEmpty();
    QString pdfPath;
    if (noPrinter) {
        const QFileInfo info(filePath);
        pdfPath = info.absoluteDir().filePath(info.completeBaseName() + QStringLiteral(".pdf"));
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
        err << (noPrinter ? QStringLiteral("Cannot write \"%1\".\n").arg(pdfPath)
                          : QStringLiteral("Cannot print on \"%1\".\n").arg(printer.printerName()));
        return 1;
    }
    if (noPrinter)
        err << "No printer found: the pages were written to \"" << pdfPath << "\".\n";
    return 0;
}

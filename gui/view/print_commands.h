// SPDX-License-Identifier: MIT
#pragma once

#include <QString>

class QWidget;
class COvrinDoc;
class CPageLayout;

// File/Print: the print dialog opens with all pages chosen and offers pages
// 1 to the count of a layout with its printer, then the chosen range is
// printed.
void OnFilePrint(QWidget* owner, COvrinDoc& doc, CPageLayout& pages);

// File/Print Preview: shows the printed pages on the default printer's page,
// previewPages side by side (0 or 1: one page at a time).
void OnFilePrintPreview(QWidget* owner, COvrinDoc& doc, CPageLayout& pages, int previewPages);

// File/Print Setup: chooses the printer and its page set-up for later jobs.
void OnFilePrintSetup(QWidget* owner);

// Prints every page without a dialog: on printerName, or on the default
// printer when it is empty. Where the system has no printer at all the pages
// go to a new PDF file beside filePath, named after it ("notes.pdf", or
// "notes (2).pdf" when that exists: no file is ever written over), and
// standard error says where, and a message box too where there is a display. Returns the exit code of a command-line print: 0 when printed.
int PrintDirect(COvrinDoc& doc, CPageLayout& pages, const QString& printerName,
                const QString& filePath);

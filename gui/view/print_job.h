// SPDX-License-Identifier: MIT
#pragma once

class QPrinter;
class COvrinDoc;
class CPageLayout;

// The printer kept for the whole process, so that the printer and page
// set-up chosen in Print Setup hold for every later job.
QPrinter& ProcessPrinter();

// Runs one print job on printer in the order the view's printing steps
// expect: begin (printer font, line height), for every page of the range
// prepare and print, end (the next job lays out anew). fromPage/toPage are
// 1-based; toPage 0 means up to the last page of the printer layout. Page
// numbers beyond the last page print nothing and end the job. Returns false
// when the printer cannot be opened (for a PDF: the file cannot be written).
bool RunPrintJob(QPrinter& printer, const COvrinDoc& doc, CPageLayout& pages, int fromPage, int toPage);

// Lays the pages out as a job on printer would, without opening it, and
// returns the page count: the range the print dialog offers.
int LayOutForPrinter(const QPrinter& printer, const COvrinDoc& doc, CPageLayout& pages);

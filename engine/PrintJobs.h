#pragma once

#include "ProcessPrinter.h"

#include <QString>

#include <functional>

class QWidget;
class VellumPrinter;

// The interactive output jobs of the engine: preview window, print options and printing, PDF
// files, and the save-file dialogs.
namespace PrintJobs {

// What a PDF of a report is drawn on: its paper in portrait (twips) and its title; an empty
// title takes the report header's.
struct PdfSetup
{
    ProcessPrinter::PaperSize paper;
    QString title;
};

// A file chosen in the preview's save dialog and how to write it.
struct SaveChoice
{
    QString fileName; // empty: cancelled
    bool pdf = false;
};

void previewReport(VellumPrinter &engine);
// A failed run throws its VellumError when no progress box is shown; with the box, the
// failure is shown in a message box once the box has closed. The "PDF file" destination
// writes the chosen pages on the given setup.
void printReport(VellumPrinter &engine, const PdfSetup &pdf);
// Writes every page of the report file into a PDF file, letting window messages through.
void printToPdf(const QString &reportPath, const QString &fileName, const PdfSetup &pdf);
// Returns the chosen file name, or an empty string when the user cancelled. A path no file can
// be written to is refused with a message and the dialog shown again; likewise below.
QString chooseSaveFileName();
// The preview's save dialog: the text filters and "PDF Files (*.pdf)".
SaveChoice chooseReportFile(QWidget *owner);
// The file a PDF goes to, asking before an existing file is replaced; empty when cancelled.
QString choosePdfFileName(QWidget *owner);
// Lets window messages through at most every 50 ms: long runs stay responsive without paying
// for it on every record.
std::function<void()> throttledEvents();

} // namespace PrintJobs

#pragma once

#include <QString>

class VellumPrinter;

// The interactive output jobs of the engine: preview window, print options and printing, and
// the save-file dialog.
namespace PrintJobs {
void previewReport(VellumPrinter &engine);
// A failed run throws its VellumError when no progress box is shown; with the box, the
// failure is shown in a message box once the box has closed.
void printReport(VellumPrinter &engine);
// Returns the chosen file name, or an empty string when the user cancelled.
QString chooseSaveFileName();
} // namespace PrintJobs

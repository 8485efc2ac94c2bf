#pragma once

#include <QString>

class VellumPrinter;

// The interactive output jobs of the engine: preview window, print options and printing, and
// the save-file dialog.
namespace PrintJobs {
void previewReport(VellumPrinter &engine);
void printReport(VellumPrinter &engine);
// Returns the chosen file name, or an empty string when the user cancelled.
QString chooseSaveFileName();
} // namespace PrintJobs

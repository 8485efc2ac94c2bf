#pragma once

#include "PrintOptions.h"
#include "ReportFormat.h"

#include <QString>

#include <functional>
#include <memory>

class PageRenderer;
class QPainter;
class QPrinter;

// Where a print run draws: one document per copy, pages ejected between them.
class PrintTarget
{
public:
    virtual ~PrintTarget() = default;
    // Before each copy: the report's header and the job's document name.
    virtual void beginCopy(const ReportFormat::Header &header, const QString &documentName) = 0;
    virtual void replay(const ReportFormat::Record &record) = 0;
    virtual void ejectPage() = 0;
    // Ends the copy's document, which sends it to the printer.
    virtual void endCopy() = 0;
    // The run failed: drop what this copy has drawn.
    virtual void abortCopy() = 0;
};

// Prints on a QPrinter through the engine's page rendering. A copy with nothing drawn sends
// no job at all.
class PrinterTarget : public PrintTarget
{
public:
    explicit PrinterTarget(QPrinter &printer);
    ~PrinterTarget() override;

    void beginCopy(const ReportFormat::Header &header, const QString &documentName) override;
    void replay(const ReportFormat::Record &record) override;
    void ejectPage() override;
    void endCopy() override;
    void abortCopy() override;

private:
    void ensureStarted();

    QPrinter &m_printer;
    ReportFormat::Header m_header;
    std::unique_ptr<QPainter> m_painter;
    std::unique_ptr<PageRenderer> m_renderer;
};

// The page range and copies loop of a print job.
class PrintRun
{
public:
    struct Hooks
    {
        // Fraction done, 0 to 1; absent when no progress is shown.
        std::function<void(float)> progress;
        // Lets pending window messages through, once per record.
        std::function<void()> pending;
    };

    // Prints the report file's pages options.FromPage to options.ToPage, options.Copies times;
    // nothing when the options were cancelled. Stops at a failing record and throws its
    // VellumError.
    static void run(const QString &reportPath, const QString &documentName,
        const PrintOptions &options, PrintTarget &target, const Hooks &hooks);
    // The same on a printer, through the engine's page rendering.
    static void runPrintJob(const QString &reportPath, const QString &documentName,
        const PrintOptions &options, QPrinter &printer, const Hooks &hooks);
};

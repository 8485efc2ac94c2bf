#include "PrintJobs.h"

#include "CommonDlg.h"
#include "OutputFile.h"
#include "PdfTarget.h"
#include "PreviewForm.h"
#include "PrintOptForm.h"
#include "PrintProgressForm.h"
#include "PrintRun.h"
#include "ProcessPrinter.h"
#include "VellumError.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QMessageBox>
#include <QPointer>

#include <exception>
#include <memory>

namespace {

PrinterAccess engineAndProcessPrinter(VellumPrinter &engine)
{
    QPointer<VellumPrinter> ref(&engine);
    PrinterAccess access;
    access.installed = [] { return ProcessPrinter::installedPrinterNames(); };
    access.currentName = [] { return ProcessPrinter::currentPrinterName(); };
    access.makeCurrent = [](const QString &name) { ProcessPrinter::selectPrinter(name); };
    access.engineDefault = [ref] { return ref ? ref->DefaultPrinter() : QString(); };
    access.setEngineDefault = [ref](const QString &name) {
        if (ref)
            ref->SetDefaultPrinter(name);
    };
    access.choosePdfFile = [](QWidget *owner) { return PrintJobs::choosePdfFileName(owner); };
    return access;
}

// The chosen pages on the chosen printer, or into the chosen PDF file (one copy).
void runPrintJob(VellumPrinter &engine, const PrintOptions &options, const PrintJobs::PdfSetup &pdf,
    PrintRun::Hooks hooks)
{
    hooks.pending = PrintJobs::throttledEvents();
    if (!options.PdfFile.isEmpty()) {
        PdfTarget::write(engine.PrintFile(), options.PdfFile, pdf.paper, pdf.title,
            options.FromPage, options.ToPage, hooks);
        return;
    }
    PrintRun::runPrintJob(
        engine.PrintFile(), engine.Title(), options, ProcessPrinter::currentPrinter(), hooks);
}

// A refused path (a folder, a device) is explained at once, so the user can choose again
// instead of the write failing later.
bool usableTarget(QWidget *owner, const QString &title, const QString &fileName,
    const QString &what)
{
    try {
        OutputFile::checkTarget(fileName, what);
        return true;
    } catch (const VellumError &error) {
        QMessageBox::warning(owner, title, error.message());
        return false;
    }
}

QString fileDialogFilter(const QStringList &descriptionsAndPatterns)
{
    QString filter;
    for (const QString &item : descriptionsAndPatterns)
        filter += item + QChar(0);
    return filter + QChar(0);
}

} // namespace

namespace PrintJobs {

void previewReport(VellumPrinter &engine)
{
    PreviewForm form(engine, QApplication::activeWindow());
    if (!form.load())
        throw VellumError(VellumError::Kind::File, form.errorString());
    form.applyWindowStyle(engine.PreviewSizable(), engine.Title());
    form.exec();
}

void printReport(VellumPrinter &engine, const PdfSetup &pdf)
{
    QWidget *owner = QApplication::activeWindow();
    PrintOptions &options = PrintOptions::process();
    options.FromPage = 1;
    options.ToPage = engine.TotalPages();
    options.Copies = 1;
    options.PrinterName = engine.DefaultPrinter();
    options.PdfFile.clear();
    {
        PrintOptForm form(options, engineAndProcessPrinter(engine), owner);
        form.run();
    }
    // A cancelled choice prints nothing; the progress box would only flash.
    if (options.ModalResult == 2)
        return;

    // Without the progress box a failed run goes back to the caller like any engine error.
    if (!engine.ShowProgress()) {
        runPrintJob(engine, options, pdf, {});
        return;
    }

    // The run started by the progress box stops at its failing record; the user is told why
    // and the program goes on.
    std::exception_ptr failure;
    PrintProgressForm progress(
        [&engine, &options, &pdf, &failure](PrintProgressForm &dialog) {
            PrintRun::Hooks hooks;
            hooks.progress = [&dialog](float f) { dialog.setProgress(f); };
            try {
                runPrintJob(engine, options, pdf, hooks);
            } catch (...) {
                failure = std::current_exception();
            }
            dialog.accept();
        },
        owner);
    progress.exec();
    if (!failure)
        return;
    try {
        std::rethrow_exception(failure);
    } catch (const VellumError &error) {
        const QString what = options.PdfFile.isEmpty()
            ? QStringLiteral("The report was not printed completely.")
            : QStringLiteral("The PDF file was not written.");
        QMessageBox::critical(
            owner, QStringLiteral("Print Report"), what + u'\n' + error.message());
    }
}

void printToPdf(const QString &reportPath, const QString &fileName, const PdfSetup &pdf)
{
    PrintRun::Hooks hooks;
    hooks.pending = throttledEvents();
    PdfTarget::write(reportPath, fileName, pdf.paper, pdf.title, 1, ReportFormat::MaxPage, hooks);
}

QString chooseSaveFileName()
{
    const QString filter = fileDialogFilter({QStringLiteral("Text Files (*.txt)"),
        QStringLiteral("*.txt"), QStringLiteral("All Files (*.*)"), QStringLiteral("*.*")});
    QWidget *owner = QApplication::activeWindow();
    const QString title = QStringLiteral("Save Report");
    for (;;) {
        QString name;
        if (!CommonDlg::SaveFileDialog(owner, title, filter, QString(), QStringLiteral(".txt"),
                CommonDlg::HideReadOnly, name))
            return QString();
        if (usableTarget(owner, title, name, QStringLiteral("text file")))
            return name;
    }
}

SaveChoice chooseReportFile(QWidget *owner)
{
    const QString filter = fileDialogFilter({QStringLiteral("Text Files (*.txt)"),
        QStringLiteral("*.txt"), QStringLiteral("All Files (*.*)"), QStringLiteral("*.*"),
        QStringLiteral("PDF Files (*.pdf)"), QStringLiteral("*.pdf")});
    const QString title = QStringLiteral("Save Report");
    for (;;) {
        SaveChoice choice;
        int filterIndex = 0;
        if (!CommonDlg::SaveFileDialog(owner, title, filter, QString(), QStringLiteral(".txt"),
                CommonDlg::HideReadOnly, choice.fileName, &filterIndex))
            return {};
        // A name ending in .pdf is a PDF whichever filter was shown.
        choice.pdf = filterIndex == 3
            || choice.fileName.endsWith(QLatin1String(".pdf"), Qt::CaseInsensitive);
        const QString what = choice.pdf ? QStringLiteral("PDF file") : QStringLiteral("text file");
        if (usableTarget(owner, title, choice.fileName, what))
            return choice;
    }
}

QString choosePdfFileName(QWidget *owner)
{
    const QString filter
        = fileDialogFilter({QStringLiteral("PDF Files (*.pdf)"), QStringLiteral("*.pdf")});
    const QString title = QStringLiteral("Save as PDF");
    for (;;) {
        QString name;
        if (!CommonDlg::SaveFileDialog(owner, title, filter, QString(), QStringLiteral(".pdf"),
                CommonDlg::HideReadOnly | CommonDlg::OverwritePrompt, name))
            return QString();
        if (usableTarget(owner, title, name, QStringLiteral("PDF file")))
            return name;
    }
}

std::function<void()> throttledEvents()
{
    auto sinceEvents = std::make_shared<QElapsedTimer>();
    sinceEvents->start();
    return [sinceEvents] {
        if (sinceEvents->elapsed() >= 50) {
            QCoreApplication::processEvents();
            sinceEvents->restart();
        }
    };
}

} // namespace PrintJobs

#include "PrintJobs.h"

#include "CommonDlg.h"
#include "PreviewForm.h"
#include "PrintOptForm.h"
#include "PrintProgressForm.h"
#include "PrintRun.h"
#include "ProcessPrinter.h"
#include "VellumError.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>

#include <exception>

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
    return access;
}

void runPrintJob(VellumPrinter &engine, const PrintOptions &options, PrintRun::Hooks hooks)
{
    hooks.pending = [] { QCoreApplication::processEvents(); };
    PrintRun::runPrintJob(
        engine.PrintFile(), engine.Title(), options, ProcessPrinter::currentPrinter(), hooks);
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

void printReport(VellumPrinter &engine)
{
    QWidget *owner = QApplication::activeWindow();
    PrintOptions &options = PrintOptions::process();
    options.FromPage = 1;
    options.ToPage = engine.TotalPages();
    options.Copies = 1;
    options.PrinterName = engine.DefaultPrinter();
    {
        PrintOptForm form(options, engineAndProcessPrinter(engine), owner);
        form.run();
    }
    // A cancelled choice prints nothing; the progress box would only flash.
    if (options.ModalResult == 2)
        return;

    // Without the progress box a failed run goes back to the caller like any engine error.
    if (!engine.ShowProgress()) {
        runPrintJob(engine, options, {});
        return;
    }

    // The run started by the progress box stops at its failing record; the user is told why
    // and the program goes on.
    std::exception_ptr failure;
    PrintProgressForm progress(
        [&engine, &options, &failure](PrintProgressForm &dialog) {
            PrintRun::Hooks hooks;
            hooks.progress = [&dialog](float f) { dialog.setProgress(f); };
            try {
                runPrintJob(engine, options, hooks);
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
        QMessageBox::critical(owner, QStringLiteral("Print Report"),
            QStringLiteral("The report was not printed completely.\n%1").arg(error.message()));
    }
}

QString chooseSaveFileName()
{
    const QString filter = QStringLiteral("Text Files (*.txt)") + QChar(0) + QStringLiteral("*.txt")
        + QChar(0) + QStringLiteral("All Files (*.*)") + QChar(0) + QStringLiteral("*.*") + QChar(0)
        + QChar(0);
    QString name;
    if (!CommonDlg::SaveFileDialog(QApplication::activeWindow(), QStringLiteral("Save Report"),
            filter, QString(), QStringLiteral(".txt"), CommonDlg::HideReadOnly, name))
        return QString();
    return name;
}

} // namespace PrintJobs

#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

// The print options as the print job reads them, and the rules of choosing the printer.
// One instance per process keeps the fields between uses.
struct PrintOptions
{
    qint16 ModalResult = 2;
    QString PrinterName;
    qint16 FromPage = 0;
    qint16 ToPage = 0;
    qint16 Copies = 0;
    // The PDF file chosen with the destination "PDF file"; empty when printing on a printer.
    QString PdfFile;

    static PrintOptions &process();

    // Index of `wanted` (or, when it is blank, of `current`) among the installed printers,
    // compared exactly; -1 when none matches.
    static int indexToSelect(
        const QStringList &installed, const QString &wanted, const QString &current);
    // Index of the first installed printer whose name matches `chosen`, both trimmed; -1 if none.
    static int indexToApply(const QStringList &installed, const QString &chosen);
    // The whole number at the start of a field's text, halves to even; 0 without one.
    static qint16 fieldValue(const QString &text);
};

// How the dialog reaches the printing system and the current engine; replaced in tests.
struct PrinterAccess
{
    // Installed printers' device names in the system's order.
    std::function<QStringList()> installed;
    // Device name of the printer the library prints on.
    std::function<QString()> currentName;
    std::function<void(const QString &)> makeCurrent;
    // The current engine's DefaultPrinter; both empty when there is no current engine.
    std::function<QString()> engineDefault;
    std::function<void(const QString &)> setEngineDefault;
    // Asks for the PDF file of the destination "PDF file"; empty when the user cancelled.
    std::function<QString(QWidget *owner)> choosePdfFile;
};

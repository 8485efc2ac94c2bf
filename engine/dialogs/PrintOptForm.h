#pragma once

#include "PrintOptions.h"

#include <QDialog>

class DigitKeyFilter;
class QComboBox;
class QLineEdit;

// "Print Options": printer, page range and copies, written into a PrintOptions record.
class PrintOptForm : public QDialog
{
    Q_OBJECT
public:
    // Characters the user may type into the page fields and the copies field.
    static constexpr int PageFieldLength = 3;
    static constexpr int CopiesFieldLength = 2;
    // The destination listed after the installed printers.
    static inline const QString PdfFileEntry = QStringLiteral("PDF file");

    PrintOptForm(PrintOptions &options, PrinterAccess access, QWidget *parent = nullptr);

    // Fills the fields from the options, shows the dialog modally and returns ModalResult.
    int run();

    QComboBox *printerList() const { return m_printerList; }
    // Whether the entry chosen in the printer list is the destination "PDF file".
    bool pdfChosen() const;
    QLineEdit *fromPageEdit() const { return m_fromPageEdit; }
    QLineEdit *toPageEdit() const { return m_toPageEdit; }
    QLineEdit *copiesEdit() const { return m_copiesEdit; }
    DigitKeyFilter *keyFilter() const { return m_keyFilter; }

private:
    void fillPrinterList(const QString &wanted);
    void confirm();

    PrintOptions &m_options;
    PrinterAccess m_access;
    QComboBox *m_printerList = nullptr;
    QLineEdit *m_fromPageEdit = nullptr;
    QLineEdit *m_toPageEdit = nullptr;
    QLineEdit *m_copiesEdit = nullptr;
    DigitKeyFilter *m_keyFilter = nullptr;
};

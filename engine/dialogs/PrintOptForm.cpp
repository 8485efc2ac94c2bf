#include "PrintOptForm.h"

#include "DigitKeyFilter.h"
#include "OkCancelButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QValidator>

namespace {

// Digits only, and no edit may make the text longer than the typing limit; a longer number
// the engine shows (a page count of a thousand) stays whole and can still be shortened.
class FieldValidator : public QValidator
{
public:
    FieldValidator(QLineEdit *edit, int limit)
        : QValidator(edit)
        , m_limit(limit)
    {
        // The text before an edit: QLineEdit already holds the new one while it validates.
        connect(edit, &QLineEdit::textChanged, this,
            [this](const QString &text) { m_shownLength = text.size(); });
    }

    // Shows a number the engine gives, whatever its length.
    void show(QLineEdit *edit, const QString &text)
    {
        m_shownLength = text.size();
        edit->setText(text);
    }

    State validate(QString &input, int &) const override
    {
        for (const QChar c : input) {
            if (c < u'0' || c > u'9')
                return Invalid;
        }
        if (input.size() > m_limit && input.size() > m_shownLength)
            return Invalid;
        return Acceptable;
    }

private:
    qsizetype m_limit;
    qsizetype m_shownLength = 0;
};

constexpr int PdfEntryRole = Qt::UserRole + 1;

} // namespace

PrintOptForm::PrintOptForm(PrintOptions &options, PrinterAccess access, QWidget *parent)
    : QDialog(parent)
    , m_options(options)
    , m_access(std::move(access))
{
    setObjectName(QStringLiteral("PrintOptForm"));
    setWindowTitle(QStringLiteral("Print Options"));
    setModal(true);

    m_keyFilter = new DigitKeyFilter(this);
    // Pasting goes round the key filter; the validator holds it to digits and length as well.
    const auto makeField = [this](const char *name, int typedLength) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setValidator(new FieldValidator(edit, typedLength));
        edit->installEventFilter(m_keyFilter);
        // Room for the longest page count, 32767.
        edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
        return edit;
    };
    m_printerList = new QComboBox(this);
    m_printerList->setObjectName(QStringLiteral("PrinterList"));
    m_printerList->setMinimumWidth(240);
    m_fromPageEdit = makeField("FromPageEdit", PageFieldLength);
    m_toPageEdit = makeField("ToPageEdit", PageFieldLength);
    m_copiesEdit = makeField("CopiesEdit", CopiesFieldLength);
    // A PDF file is written once: copies do not apply to it.
    connect(m_printerList, &QComboBox::currentIndexChanged, this,
        [this] { m_copiesEdit->setEnabled(!pdfChosen()); });

    auto *pages = new QHBoxLayout;
    pages->addWidget(m_fromPageEdit);
    pages->addWidget(new QLabel(QStringLiteral("to"), this));
    pages->addWidget(m_toPageEdit);
    pages->addStretch();

    auto *buttons = makeOkCancelButtons(this, [this] { confirm(); });

    auto *grid = new QGridLayout(this);
    grid->addWidget(new QLabel(QStringLiteral("Print To"), this), 0, 0);
    grid->addWidget(m_printerList, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Pages"), this), 1, 0);
    grid->addLayout(pages, 1, 1);
    grid->addWidget(new QLabel(QStringLiteral("Copies"), this), 2, 0);
    grid->addWidget(m_copiesEdit, 2, 1, Qt::AlignLeft);
    grid->addWidget(buttons, 3, 0, 1, 2);
    setFixedSize(sizeHint());
}

int PrintOptForm::run()
{
    m_options.ModalResult = 2;
    m_options.PdfFile.clear();
    if (m_access.engineDefault)
        fillPrinterList(m_access.engineDefault());
    // The length limits are for typing: a longer number given by the engine (a report of a
    // thousand pages) is shown whole, not cut to its first digits.
    for (const auto &[edit, value] :
        {std::pair {m_copiesEdit, m_options.Copies}, std::pair {m_fromPageEdit, m_options.FromPage},
            std::pair {m_toPageEdit, m_options.ToPage}}) {
        static_cast<FieldValidator *>(const_cast<QValidator *>(edit->validator()))
            ->show(edit, QString::number(value));
    }
    exec();
    return m_options.ModalResult;
}

void PrintOptForm::fillPrinterList(const QString &wanted)
{
    const QStringList installed = m_access.installed ? m_access.installed() : QStringList();
    const QString current = m_access.currentName ? m_access.currentName() : QString();
    m_printerList->clear();
    m_printerList->addItems(installed);
    m_printerList->addItem(PdfFileEntry);
    m_printerList->setItemData(m_printerList->count() - 1, true, PdfEntryRole);
    // Without any printer the PDF file is the one way to print: it is offered chosen.
    m_printerList->setCurrentIndex(installed.isEmpty()
            ? m_printerList->count() - 1
            : PrintOptions::indexToSelect(installed, wanted, current));
    // Adding the first entry already made it current, before it was marked as the PDF file.
    m_copiesEdit->setEnabled(!pdfChosen());
}

bool PrintOptForm::pdfChosen() const
{
    return m_printerList->currentIndex() >= 0 && m_printerList->currentData(PdfEntryRole).toBool();
}

void PrintOptForm::confirm()
{
    if (pdfChosen()) {
        // No file chosen, nothing printed: the dialog stays for another choice or Cancel.
        const QString file = m_access.choosePdfFile ? m_access.choosePdfFile(this) : QString();
        if (file.isEmpty())
            return;
        // The printer stays as it was: a PDF file is no printer to remember.
        m_options.ModalResult = 1;
        m_options.PrinterName = PdfFileEntry;
        m_options.PdfFile = file;
        m_options.FromPage = PrintOptions::fieldValue(m_fromPageEdit->text());
        m_options.ToPage = PrintOptions::fieldValue(m_toPageEdit->text());
        m_options.Copies = 1;
        accept();
        return;
    }
    m_options.PdfFile.clear();
    m_options.ModalResult = 1;
    m_options.PrinterName
        = m_printerList->currentIndex() >= 0 ? m_printerList->currentText() : QString();
    m_options.FromPage = PrintOptions::fieldValue(m_fromPageEdit->text());
    m_options.ToPage = PrintOptions::fieldValue(m_toPageEdit->text());
    m_options.Copies = PrintOptions::fieldValue(m_copiesEdit->text());

    const QStringList installed = m_access.installed ? m_access.installed() : QStringList();
    const int match = PrintOptions::indexToApply(installed, m_options.PrinterName);
    if (match >= 0 && !m_options.PrinterName.isEmpty()) {
        if (m_access.makeCurrent)
            m_access.makeCurrent(installed.at(match));
        if (m_access.setEngineDefault)
            m_access.setEngineDefault(installed.at(match));
    }
    accept();
}

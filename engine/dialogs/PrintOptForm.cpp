#include "PrintOptForm.h"

#include "DigitKeyFilter.h"
#include "OkCancelButtons.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>

#include <algorithm>

PrintOptForm::PrintOptForm(PrintOptions &options, PrinterAccess access, QWidget *parent)
    : QDialog(parent)
    , m_options(options)
    , m_access(std::move(access))
{
    setObjectName(QStringLiteral("PrintOptForm"));
    setWindowTitle(QStringLiteral("Print Options"));
    setModal(true);

    m_keyFilter = new DigitKeyFilter(this);
    // Pasting goes round the key filter; the validator keeps it to digits as well.
    auto *digits
        = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    const auto makeField = [this, digits](const char *name, int maxLength) {
        auto *edit = new QLineEdit(this);
        edit->setObjectName(QLatin1String(name));
        edit->setMaxLength(maxLength);
        edit->setValidator(digits);
        edit->installEventFilter(m_keyFilter);
        edit->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000")) + 16);
        return edit;
    };
    m_printerList = new QComboBox(this);
    m_printerList->setObjectName(QStringLiteral("PrinterList"));
    m_printerList->setMinimumWidth(240);
    m_fromPageEdit = makeField("FromPageEdit", PageFieldLength);
    m_toPageEdit = makeField("ToPageEdit", PageFieldLength);
    m_copiesEdit = makeField("CopiesEdit", CopiesFieldLength);

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
    if (m_access.engineDefault)
        fillPrinterList(m_access.engineDefault());
    // The length limits are for typing: a longer number given by the engine (a report of a
    // thousand pages) is shown whole, not cut to its first digits.
    const auto showNumber = [](QLineEdit *edit, int typedLength, qint16 value) {
        const QString text = QString::number(value);
        edit->setMaxLength(std::max<int>(typedLength, int(text.size())));
        edit->setText(text);
    };
    showNumber(m_copiesEdit, CopiesFieldLength, m_options.Copies);
    showNumber(m_fromPageEdit, PageFieldLength, m_options.FromPage);
    showNumber(m_toPageEdit, PageFieldLength, m_options.ToPage);
    exec();
    return m_options.ModalResult;
}

void PrintOptForm::fillPrinterList(const QString &wanted)
{
    const QStringList installed = m_access.installed ? m_access.installed() : QStringList();
    const QString current = m_access.currentName ? m_access.currentName() : QString();
    m_printerList->clear();
    m_printerList->addItems(installed);
    m_printerList->setCurrentIndex(PrintOptions::indexToSelect(installed, wanted, current));
}

void PrintOptForm::confirm()
{
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

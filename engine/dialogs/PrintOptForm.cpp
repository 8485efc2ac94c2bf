#include "PrintOptForm.h"

#include "DigitKeyFilter.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QRegularExpressionValidator>

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
    m_fromPageEdit = makeField("FromPageEdit", 3);
    m_toPageEdit = makeField("ToPageEdit", 3);
    m_copiesEdit = makeField("CopiesEdit", 2);

    auto *pages = new QHBoxLayout;
    pages->addWidget(m_fromPageEdit);
    pages->addWidget(new QLabel(QStringLiteral("to"), this));
    pages->addWidget(m_toPageEdit);
    pages->addStretch();

    auto *buttons = new QDialogButtonBox(this);
    auto *ok = buttons->addButton(QStringLiteral("&OK"), QDialogButtonBox::AcceptRole);
    ok->setObjectName(QStringLiteral("OkBtn"));
    ok->setDefault(true);
    auto *cancel = buttons->addButton(QStringLiteral("&Cancel"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("CancelBtn"));
    connect(ok, &QPushButton::clicked, this, &PrintOptForm::confirm);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

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

PrinterAccess PrintOptForm::systemPrinters()
{
    PrinterAccess access;
    access.installed = [] { return QPrinterInfo::availablePrinterNames(); };
    access.currentName = [] { return QPrinterInfo::defaultPrinterName(); };
    return access;
}

int PrintOptForm::run()
{
    m_options.ModalResult = 2;
    if (m_access.engineDefault)
        fillPrinterList(m_access.engineDefault());
    m_copiesEdit->setText(QString::number(m_options.Copies));
    m_fromPageEdit->setText(QString::number(m_options.FromPage));
    m_toPageEdit->setText(QString::number(m_options.ToPage));
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

#include "Yourcompany.h"

#include "BusyPointer.h"

#include "ActivationWatch.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "data/DataError.h"

#include <QApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString windowName = QStringLiteral("Yourcompany");

// The object names of the six fields, in the order of the table.
const std::array<const char *, 6> fieldKeys
    = {"name", "street", "city", "province", "postalCode", "telephone"};

} // namespace

Yourcompany *Yourcompany::open()
{
    const BusyPointer busy;
    if (auto *previous = qobject_cast<Yourcompany *>(ModMAJ::loadedWindow(windowName))) {
        previous->setObjectName(QString());
        previous->setAttribute(Qt::WA_DeleteOnClose);
        previous->close();
    }
    auto *window = new Yourcompany;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

Yourcompany::Yourcompany(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(windowName);
    setWindowTitle(QStringLiteral("Your company"));
    buildWidgets();
    new ActivationWatch(this, [this] { activation(); });
}

Yourcompany::~Yourcompany() = default;

void Yourcompany::buildWidgets()
{
    m_loadProblem = new QLabel(this);
    m_loadProblem->setObjectName(QStringLiteral("loadProblem"));
    m_loadProblem->setWordWrap(true);
    m_loadProblem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_loadProblem->hide();

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const QStringList captions = PartyAddress::captions();
    for (int i = 0; i < 6; ++i) {
        m_fields[i] = new QLineEdit(this);
        m_fields[i]->setObjectName(QString::fromLatin1(fieldKeys[i]) + QStringLiteral("Field"));
        m_fields[i]->setMinimumWidth(320);
        auto *label = new QLabel(captions[i], this);
        label->setBuddy(m_fields[i]);
        form->addRow(label, m_fields[i]);
    }

    m_saveButton = new QPushButton(QStringLiteral("Save modifications"), this);
    m_saveButton->setObjectName(QStringLiteral("saveModificationsButton"));
    m_saveButton->setAutoDefault(false);
    m_returnButton = new QPushButton(QStringLiteral("RETURN"), this);
    m_returnButton->setObjectName(QStringLiteral("returnButton"));
    m_returnButton->setAutoDefault(false);

    auto *commands = new QHBoxLayout;
    commands->addStretch(1);
    commands->addWidget(m_saveButton);
    commands->addWidget(m_returnButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(m_loadProblem);
    layout->addLayout(form);
    layout->addSpacing(12);
    layout->addLayout(commands);

    connect(m_saveButton, &QPushButton::clicked, this, [this] { saveModifications(); });
    connect(m_returnButton, &QPushButton::clicked, this, [this] { returnToMain(); });
}

void Yourcompany::activation()
{
    {
        const BusyPointer busy;
        if (!m_databaseOpen) {
            try {
                m_company.setDatabase(Database::open(ModRouvel::dbPath));
                m_databaseOpen = true;
                m_openProblem.clear();
            } catch (const DataError &error) {
                m_openProblem = error.message();
            }
        }
        m_company.activate();
    }
    showFields();
    m_fields[0]->setFocus();
}

void Yourcompany::saveModifications()
{
    PartyAddress typed;
    for (int i = 0; i < 6; ++i)
        typed.setValue(i, m_fields[i]->text());
    const QString message = whileBusy([&] { return m_company.save(typed); });
    if (!message.isEmpty()) {
        // What was typed stays in the fields, to be saved again once the file allows it.
        QMessageBox::warning(this, windowTitle(), message, QMessageBox::Ok);
        return;
    }
    showFields();
}

void Yourcompany::returnToMain()
{
    if (QWidget *main = ModMAJ::loadedWindow(QStringLiteral("entreval"))) {
        main->show();
        main->raise();
        main->activateWindow();
    }
    close();
}

void Yourcompany::showFields()
{
    const PartyAddress &fields = m_company.fields();
    for (int i = 0; i < 6; ++i)
        m_fields[i]->setText(fields.value(i));
    showProblem(m_databaseOpen ? m_company.loadProblem() : m_openProblem);
}

void Yourcompany::showProblem(const QString &problem)
{
    m_loadProblem->setText(problem.isEmpty()
            ? QString()
            : QStringLiteral("Your company cannot be read: %1").arg(problem));
    m_loadProblem->setVisible(!problem.isEmpty());
}

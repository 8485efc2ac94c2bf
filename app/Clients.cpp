#include "Clients.h"

#include "BusyPointer.h"

#include "ActivationWatch.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "data/DataError.h"

#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStackedWidget>
#include <QStringListModel>
#include <QVBoxLayout>

namespace {

const QString windowName = QStringLiteral("Clients");

// The object names of the six fields, in the order of the table.
const std::array<const char *, 6> fieldKeys
    = {"name", "street", "city", "province", "postalCode", "telephone"};

QPushButton *makeButton(const QString &caption, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    // A hidden command keeps its place, so the others do not move under the pointer.
    QSizePolicy policy = button->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    button->setSizePolicy(policy);
    return button;
}

} // namespace

Clients *Clients::open(const QString &callerName)
{
    const BusyPointer busy;
    ModRouvel::callerForm = callerName;
    // One customers window at a time, and always a fresh one.
    if (auto *previous = qobject_cast<Clients *>(ModMAJ::loadedWindow(windowName))) {
        previous->setObjectName(QString());
        previous->setAttribute(Qt::WA_DeleteOnClose);
        previous->close();
    }
    auto *window = new Clients;
    window->setAttribute(Qt::WA_DeleteOnClose);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

Clients::Clients(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(windowName);
    setWindowTitle(QStringLiteral("Customers informations"));
    buildWidgets();
    new ActivationWatch(this, [this] { activation(); });
}

Clients::~Clients() = default;

void Clients::buildWidgets()
{
    m_loadProblem = new QLabel(this);
    m_loadProblem->setObjectName(QStringLiteral("loadProblem"));
    m_loadProblem->setWordWrap(true);
    m_loadProblem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_loadProblem->hide();

    m_chooser = new QComboBox(this);
    m_chooser->setObjectName(QStringLiteral("customerChooser"));
    m_chooser->setModel(new QStringListModel(m_chooser));
    m_chooser->setPlaceholderText(QStringLiteral("Select customer"));
    m_chooser->setMinimumContentsLength(30);
    m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_chooser->setMaxVisibleItems(20);
    m_chooser->installEventFilter(this);
    QSizePolicy chooserPolicy = m_chooser->sizePolicy();
    chooserPolicy.setRetainSizeWhenHidden(true);
    m_chooser->setSizePolicy(chooserPolicy);

    auto *form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const QStringList captions = PartyAddress::captions();
    for (int i = 0; i < 6; ++i) {
        const QString key = QString::fromLatin1(fieldKeys[i]);
        m_fields[i] = new QLineEdit(this);
        m_fields[i]->setObjectName(key + QStringLiteral("Field"));
        m_fields[i]->setMinimumWidth(320);
        // The placeholder covers the field while no customer is chosen or entered.
        m_placeholders[i] = new QLineEdit(this);
        m_placeholders[i]->setObjectName(key + QStringLiteral("Placeholder"));
        m_placeholders[i]->setReadOnly(true);
        m_placeholders[i]->setEnabled(false);
        m_placeholders[i]->setFocusPolicy(Qt::NoFocus);
        m_placeholders[i]->setStyleSheet(
            QStringLiteral("QLineEdit { background-color: #ffffe1; border: 1px solid #d8d8b0; }"));
        m_covers[i] = new QStackedWidget(this);
        m_covers[i]->addWidget(m_placeholders[i]);
        m_covers[i]->addWidget(m_fields[i]);
        m_covers[i]->setSizePolicy(m_fields[i]->sizePolicy());
        auto *label = new QLabel(captions[i], this);
        label->setBuddy(m_fields[i]);
        form->addRow(label, m_covers[i]);
    }

    m_newButton = makeButton(QStringLiteral("New customer"), QStringLiteral("newButton"), this);
    m_saveNewButton
        = makeButton(QStringLiteral("Save new customer"), QStringLiteral("saveNewButton"), this);
    m_saveModificationsButton = makeButton(
        QStringLiteral("Save modifications"), QStringLiteral("saveModificationsButton"), this);
    m_deleteButton
        = makeButton(QStringLiteral("Delete customer"), QStringLiteral("deleteButton"), this);
    m_cancelButton = makeButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), this);
    m_returnButton = makeButton(QStringLiteral("RETURN"), QStringLiteral("returnButton"), this);
    m_saveNewButton->hide();
    m_saveModificationsButton->hide();
    m_deleteButton->hide();

    auto *chooserRow = new QHBoxLayout;
    chooserRow->addWidget(m_chooser, 1);

    auto *left = new QVBoxLayout;
    left->addLayout(chooserRow);
    left->addSpacing(12);
    left->addLayout(form);
    left->addStretch(1);

    auto *commands = new QVBoxLayout;
    commands->addWidget(m_newButton);
    commands->addWidget(m_saveNewButton);
    commands->addWidget(m_saveModificationsButton);
    commands->addWidget(m_deleteButton);
    commands->addStretch(1);
    commands->addWidget(m_cancelButton);
    commands->addWidget(m_returnButton);

    auto *body = new QHBoxLayout;
    body->addLayout(left, 1);
    body->addSpacing(16);
    body->addLayout(commands);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 16);
    layout->addWidget(m_loadProblem);
    layout->addLayout(body);

    connect(m_chooser, &QComboBox::activated, this, [this](int index) { chooseCustomer(index); });
    connect(m_newButton, &QPushButton::clicked, this, [this] { newCustomer(); });
    connect(m_saveNewButton, &QPushButton::clicked, this, [this] { saveNewCustomer(); });
    connect(
        m_saveModificationsButton, &QPushButton::clicked, this, [this] { saveModifications(); });
    connect(m_deleteButton, &QPushButton::clicked, this, [this] { deleteCustomer(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] { cancel(); });
    connect(m_returnButton, &QPushButton::clicked, this, [this] { returnToCaller(); });
}

bool Clients::eventFilter(QObject *watched, QEvent *event)
{
    // Leaving the chooser puts its prompt back; opening its list is no leaving.
    if (watched == m_chooser && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        const QSignalBlocker blocker(m_chooser);
        m_chooser->setCurrentIndex(-1);
    }
    return QWidget::eventFilter(watched, event);
}

void Clients::activation()
{
    {
        const BusyPointer busy;
        if (!m_databaseOpen) {
            try {
                m_book.setDatabase(Database::open(ModRouvel::dbPath));
                m_databaseOpen = true;
                m_openProblem.clear();
            } catch (const DataError &error) {
                m_openProblem = error.message();
            }
        }
        m_book.activate();
    }
    updateView(true);
    m_chooser->setFocus();
}

void Clients::chooseCustomer(int index)
{
    if (!m_book.choose(index))
        return;
    updateView(true);
    // The focus leaves the chooser for "Name", so its prompt comes back. Said here as well as on
    // leaving it: while its list closes, the chooser may not be told it lost the focus.
    m_fields[0]->setFocus();
    const QSignalBlocker blocker(m_chooser);
    m_chooser->setCurrentIndex(-1);
}

void Clients::newCustomer()
{
    m_book.startNew();
    updateView(true);
    m_fields[0]->setFocus();
}

void Clients::saveNewCustomer()
{
    const QString message = whileBusy([this] { return m_book.saveNew(typedFields()); });
    updateView(message.isEmpty());
    tell(message);
}

void Clients::saveModifications()
{
    const QString message
        = whileBusy([this] { return m_book.saveModifications(typedFields()); });
    updateView(message.isEmpty());
    tell(message);
}

void Clients::deleteCustomer()
{
    const QString message = whileBusy([this] { return m_book.deleteCustomer(); });
    updateView(message.isEmpty());
    tell(message);
}

void Clients::cancel()
{
    m_book.cancel();
    updateView(true);
}

void Clients::returnToCaller()
{
    if (!ModRouvel::callerForm.isEmpty()) {
        if (QWidget *opener = ModMAJ::loadedWindow(ModRouvel::callerForm)) {
            opener->show();
            opener->raise();
            opener->activateWindow();
        }
    }
    close();
}

PartyAddress Clients::typedFields() const
{
    PartyAddress typed;
    for (int i = 0; i < 6; ++i)
        typed.setValue(i, m_fields[i]->text());
    return typed;
}

void Clients::tell(const QString &message)
{
    if (message.isEmpty())
        return;
    if (message == CustomerBook::noNameMessage() || message == CustomerBook::noCustomerMessage())
        QMessageBox::information(this, windowTitle(), message, QMessageBox::Ok);
    else
        QMessageBox::warning(this, windowTitle(), message, QMessageBox::Ok);
}

void Clients::updateView(bool fields)
{
    const CustomersState &s = m_book.state();
    const QString problem = m_databaseOpen ? s.loadProblem : m_openProblem;
    m_loadProblem->setText(problem.isEmpty()
            ? QString()
            : QStringLiteral("The customers cannot be read: %1").arg(problem));
    m_loadProblem->setVisible(!problem.isEmpty());

    auto *model = static_cast<QStringListModel *>(m_chooser->model());
    {
        const QSignalBlocker blocker(m_chooser);
        if (model->stringList() != s.customerNames)
            model->setStringList(s.customerNames);
        // Without a chosen customer the chooser shows its prompt.
        if (s.mode != CustomersState::Mode::Chosen)
            m_chooser->setCurrentIndex(-1);
    }
    m_chooser->setVisible(s.chooserShown);

    for (int i = 0; i < 6; ++i) {
        if (fields)
            m_fields[i]->setText(s.fields.value(i));
        m_covers[i]->setCurrentIndex(s.placeholdersShown ? 0 : 1);
    }
    m_newButton->setVisible(s.newShown);
    m_saveNewButton->setVisible(s.saveNewShown);
    m_saveModificationsButton->setVisible(s.saveModificationsShown);
    m_deleteButton->setVisible(s.deleteShown);
}

#include "frmDonneesTab.h"

#include "BusyPointer.h"

#include "ActivationWatch.h"
#include "Clients.h"
#include "HelpWindow.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "billoflading/BillOfLadingLayout.h"
#include "data/DataError.h"

#include "VellumError.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace {

// Fields the user cannot type in, and "Amount", are light green.
const QString greenField = QStringLiteral("QLineEdit { background-color: #c0ffc0; }");

QLineEdit *makeField(const QString &objectName, bool editable, QWidget *parent)
{
    auto *field = new QLineEdit(parent);
    field->setObjectName(objectName);
    field->setReadOnly(!editable);
    if (!editable) {
        field->setStyleSheet(greenField);
        field->setFocusPolicy(Qt::ClickFocus);
    }
    return field;
}

QPushButton *makeButton(const QString &caption, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

QLabel *heading(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    QFont font = label->font();
    font.setBold(true);
    font.setPointSize(font.pointSize() + 1);
    label->setFont(font);
    return label;
}

// A frame of choices of which at most one is set; the id of each choice is its enum value.
template<typename Choice>
QButtonGroup *choiceFrame(QGroupBox *frame, QLayout *layout,
    std::initializer_list<std::pair<Choice, QString>> choices, const QString &prefix)
{
    auto *group = new QButtonGroup(frame);
    for (const auto &[choice, caption] : choices) {
        auto *button = new QRadioButton(caption, frame);
        button->setObjectName(prefix + QString::number(int(choice)));
        group->addButton(button, int(choice));
        layout->addWidget(button);
    }
    frame->setLayout(layout);
    return group;
}

// Shows one choice of a group, or none: an exclusive group cannot be emptied otherwise.
void showChoice(QButtonGroup *group, int id)
{
    const QSignalBlocker blocker(group);
    if (QAbstractButton *checked = group->checkedButton(); checked && group->id(checked) == id)
        return;
    group->setExclusive(false);
    for (QAbstractButton *button : group->buttons())
        button->setChecked(group->id(button) == id);
    group->setExclusive(true);
}

void showText(QLineEdit *field, const QString &text)
{
    // Rewriting an unchanged field would move the cursor of a user typing in it.
    if (field->text() != text) {
        const QSignalBlocker blocker(field);
        field->setText(text);
    }
}

void showChecked(QCheckBox *box, bool checked)
{
    const QSignalBlocker blocker(box);
    box->setChecked(checked);
}

} // namespace

QString frmDonneesTab::windowName() { return QStringLiteral("frmDonnéesTab"); }

frmDonneesTab::frmDonneesTab(const BillHandOff &handOff, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_engine(std::make_unique<VellumPrinter>())
    , m_handOff(handOff)
{
    setObjectName(windowName());
    setWindowTitle(QStringLiteral("Bill of lading details"));
    // One window per bill: closed, it is gone, with its report file.
    setAttribute(Qt::WA_DeleteOnClose);
    buildWidgets();
    load();

    m_activationWatch = new ActivationWatch(this, [this] { activation(); });
}

frmDonneesTab::~frmDonneesTab()
{
    // No report of this window may stay in the temporary folder.
    m_engine->DestroyReport();
}

QWidget *frmDonneesTab::buildPartiesTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("partiesTab"));

    const QStringList partyLabels {QStringLiteral("Name"), QStringLiteral("No, street"),
        QStringLiteral("City"), QStringLiteral("Province / state"),
        QStringLiteral("Postal code / zip"), QStringLiteral("Telephone")};
    const QStringList consigneeNames {QStringLiteral("consigneeName"),
        QStringLiteral("consigneeStreet"), QStringLiteral("consigneeCity"),
        QStringLiteral("consigneeProvince"), QStringLiteral("consigneePostCode"),
        QStringLiteral("consigneePhone")};
    auto *consignee = new QFormLayout;
    consignee->addRow(heading(QStringLiteral("Consignee (customer)"), page));
    for (int i = 0; i < 6; ++i) {
        m_consignee.at(size_t(i)) = makeField(consigneeNames.at(i), false, page);
        consignee->addRow(partyLabels.at(i), m_consignee.at(size_t(i)));
    }
    m_customerList = new QComboBox(page);
    m_customerList->setObjectName(QStringLiteral("customerList"));
    m_customerList->setPlaceholderText(BillOfLading::customerPrompt());
    m_customerList->setMinimumContentsLength(24);
    m_customerList->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    auto *addCustomer = makeButton(
        QStringLiteral("Add or modify customer"), QStringLiteral("addCustomerButton"), page);
    m_pointOfOrigin = makeField(QStringLiteral("pointOfOrigin"), false, page);
    auto *customerRow = new QHBoxLayout;
    customerRow->addWidget(m_customerList, 1);
    customerRow->addWidget(addCustomer);
    consignee->addRow(QString(), customerRow);
    consignee->addItem(new QSpacerItem(0, 12));
    consignee->addRow(QStringLiteral("Point of origin"), m_pointOfOrigin);

    const QStringList carrierNames {QStringLiteral("carrierName"), QStringLiteral("carrierStreet"),
        QStringLiteral("carrierCity"), QStringLiteral("carrierProvince"),
        QStringLiteral("carrierPostCode"), QStringLiteral("carrierPhone"),
        QStringLiteral("carrierFax")};
    auto *carrier = new QFormLayout;
    carrier->addRow(heading(QStringLiteral("Carrier"), page));
    for (int i = 0; i < 7; ++i) {
        m_carrier.at(size_t(i)) = makeField(carrierNames.at(i), false, page);
        carrier->addRow(i < 6 ? partyLabels.at(i) : QStringLiteral("FAX"), m_carrier.at(size_t(i)));
    }

    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(24);
    layout->addLayout(consignee, 1);
    layout->addLayout(carrier, 1);

    connect(
        m_customerList, &QComboBox::activated, this, [this](int index) { pickCustomer(index); });
    connect(addCustomer, &QPushButton::clicked, this, [this] { addOrModifyCustomer(); });
    return page;
}

QWidget *frmDonneesTab::buildDetailsTab()
{
    auto *page = new QWidget;
    page->setObjectName(QStringLiteral("detailsTab"));

    m_packages = makeField(QStringLiteral("packagesField"), false, page);
    m_weight = makeField(QStringLiteral("weightField"), false, page);
    m_rate = makeField(QStringLiteral("rateField"), false, page);
    m_amount = makeField(QStringLiteral("amountField"), true, page);
    m_amount->setStyleSheet(greenField);
    m_cartons = makeField(QStringLiteral("cartonsField"), true, page);
    m_carrierCaption = heading(QString(), page);
    m_carrierCaption->setObjectName(QStringLiteral("carrierCaption"));
    m_date = makeField(QStringLiteral("dateField"), true, page);
    m_number = makeField(QStringLiteral("numberField"), false, page);

    auto *shipment = new QFormLayout;
    shipment->addRow(QStringLiteral("Nb and package type de paquets"), m_packages);
    shipment->addRow(QStringLiteral("Weight LBS"), m_weight);
    shipment->addRow(QStringLiteral("Rate"), m_rate);
    shipment->addRow(QStringLiteral("Amount"), m_amount);
    shipment->addRow(QStringLiteral("Nb of cartons"), m_cartons);

    auto *bill = new QFormLayout;
    bill->addRow(m_carrierCaption);
    bill->addRow(QStringLiteral("Date"), m_date);
    bill->addRow(QStringLiteral("Bill of lading no"), m_number);

    auto *goodsFrame = new QGroupBox(QStringLiteral("Description of goods"), page);
    goodsFrame->setObjectName(QStringLiteral("goodsFrame"));
    auto *goodsLayout = new QVBoxLayout;
    m_goods = choiceFrame<Goods>(goodsFrame, goodsLayout,
        {{Goods::Conduits, QStringLiteral("conduits")}, {Goods::Grilles, QStringLiteral("grilles")},
            {Goods::PrisesDAir, QStringLiteral("prises d'air")},
            {Goods::Diffuseurs, QStringLiteral("diffuseurs")},
            {Goods::Autres, QStringLiteral("autres")}},
        QStringLiteral("goods"));
    m_description = makeField(QStringLiteral("descriptionField"), true, goodsFrame);
    goodsLayout->addWidget(m_description);

    auto *chargesFrame = new QGroupBox(QStringLiteral("CHARGES"), page);
    chargesFrame->setObjectName(QStringLiteral("chargesFrame"));
    m_charges = choiceFrame<Charges>(chargesFrame, new QVBoxLayout,
        {{Charges::Collect, QStringLiteral("Collect")},
            {Charges::Prepaid, QStringLiteral("Prepaid")},
            {Charges::PrepaidAndCharge, QStringLiteral("Prepaid and charge")}},
        QStringLiteral("charges"));
    // A mark of its own, outside the frame, which the user can also take back.
    m_thirdParty = new QCheckBox(QStringLiteral("Third party billing"), page);
    m_thirdParty->setObjectName(QStringLiteral("thirdPartyCheck"));

    auto *spaceFrame = new QGroupBox(QStringLiteral("SPACE USED"), page);
    spaceFrame->setObjectName(QStringLiteral("spaceUsedFrame"));
    m_spaceUsed = choiceFrame<SpaceUsed>(spaceFrame, new QHBoxLayout,
        {{SpaceUsed::Quarter, BillOfLadingForm::spaceUsedCaption(SpaceUsed::Quarter)},
            {SpaceUsed::Half, BillOfLadingForm::spaceUsedCaption(SpaceUsed::Half)},
            {SpaceUsed::ThreeQuarters,
                BillOfLadingForm::spaceUsedCaption(SpaceUsed::ThreeQuarters)},
            {SpaceUsed::Full, BillOfLadingForm::spaceUsedCaption(SpaceUsed::Full)}},
        QStringLiteral("space"));

    auto *orders = new QVBoxLayout;
    orders->setSpacing(2);
    orders->addWidget(new QLabel(QStringLiteral("Customer order numbers"), page));
    for (int i = 0; i < BillOfLadingForm::OrderCount; ++i) {
        m_orders.at(size_t(i)) = makeField(QStringLiteral("order%1").arg(i + 1), true, page);
        orders->addWidget(m_orders.at(size_t(i)));
    }
    orders->addStretch();

    m_appointment = new QCheckBox(QStringLiteral("Appointment with customer"), page);
    m_appointment->setObjectName(QStringLiteral("appointmentCheck"));
    m_specialAgreement = new QCheckBox(QStringLiteral("Spécial agreement"), page);
    m_specialAgreement->setObjectName(QStringLiteral("specialAgreementCheck"));
    m_agreement = new QPlainTextEdit(page);
    m_agreement->setObjectName(QStringLiteral("agreementText"));
    m_agreement->setTabChangesFocus(true);
    m_agreement->setFixedHeight(72);
    QSizePolicy keepPlace = m_agreement->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_agreement->setSizePolicy(keepPlace);

    auto *left = new QVBoxLayout;
    left->addLayout(shipment);
    left->addWidget(goodsFrame);
    left->addStretch();
    auto *middle = new QVBoxLayout;
    middle->addWidget(chargesFrame);
    middle->addWidget(m_thirdParty);
    middle->addWidget(spaceFrame);
    middle->addWidget(m_appointment);
    middle->addWidget(m_specialAgreement);
    middle->addWidget(m_agreement);
    middle->addStretch();
    auto *right = new QVBoxLayout;
    right->addLayout(bill);
    right->addSpacing(12);
    right->addLayout(orders);

    auto *layout = new QHBoxLayout(page);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(20);
    layout->addLayout(left, 1);
    layout->addLayout(middle, 1);
    layout->addLayout(right, 1);

    connect(m_amount, &QLineEdit::textEdited, this,
        [this](const QString &text) { m_logic.setAmountText(text); });
    connect(m_cartons, &QLineEdit::textEdited, this,
        [this](const QString &text) { m_logic.setCartons(text); });
    connect(m_date, &QLineEdit::textEdited, this,
        [this](const QString &text) { m_logic.setDate(text); });
    connect(m_description, &QLineEdit::textEdited, this,
        [this](const QString &text) { m_logic.setDescription(text); });
    for (int i = 0; i < BillOfLadingForm::OrderCount; ++i) {
        connect(m_orders.at(size_t(i)), &QLineEdit::textEdited, this,
            [this, i](const QString &text) { m_logic.setOrder(i, text); });
    }
    connect(m_goods, &QButtonGroup::idClicked, this, [this](int id) {
        m_logic.chooseGoods(Goods(id));
        updateView();
        if (Goods(id) == Goods::Autres)
            m_description->setFocus();
    });
    connect(m_charges, &QButtonGroup::idClicked, this, [this](int id) {
        m_logic.chooseCharges(Charges(id));
        updateView();
    });
    connect(m_spaceUsed, &QButtonGroup::idClicked, this,
        [this](int id) { m_logic.chooseSpaceUsed(SpaceUsed(id)); });
    connect(m_thirdParty, &QCheckBox::toggled, this,
        [this](bool checked) { m_logic.setThirdParty(checked); });
    connect(m_appointment, &QCheckBox::toggled, this,
        [this](bool checked) { m_logic.setAppointment(checked); });
    connect(m_specialAgreement, &QCheckBox::toggled, this, [this](bool checked) {
        m_logic.setSpecialAgreement(checked);
        updateView();
        if (checked)
            m_agreement->setFocus();
    });
    connect(m_agreement, &QPlainTextEdit::textChanged, this,
        [this] { m_logic.setAgreement(m_agreement->toPlainText()); });
    return page;
}

void frmDonneesTab::buildWidgets()
{
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("tabs"));
    m_tabs->addTab(buildPartiesTab(), QStringLiteral("Identification of parties"));
    m_tabs->addTab(buildDetailsTab(), QStringLiteral("Details"));

    m_printButton
        = makeButton(QStringLiteral("Print bill of lading"), QStringLiteral("printButton"), this);
    auto *returnButton = makeButton(QStringLiteral("RETURN"), QStringLiteral("returnButton"), this);
    auto *help = makeButton(QStringLiteral("Help"), QStringLiteral("helpButton"), this);
    auto *commands = new QHBoxLayout;
    commands->addWidget(m_printButton);
    commands->addWidget(help);
    commands->addStretch();
    commands->addWidget(returnButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->addWidget(m_tabs, 1);
    layout->addLayout(commands);
    resize(980, 560);

    connect(m_printButton, &QPushButton::clicked, this, [this] { printBillOfLading(); });
    connect(returnButton, &QPushButton::clicked, this, [this] { goBack(); });
    connect(help, &QPushButton::clicked, this, [this] { HelpWindow::showContents(this); });
}

void frmDonneesTab::load()
{
    try {
        m_logic.load(Database::open(ModRouvel::dbPath));
    } catch (const DataError &error) {
        m_loadProblem = QStringLiteral("The rate database cannot be used: %1").arg(error.message());
    }
}

void frmDonneesTab::activation()
{
    if (const QString message = activate(); !message.isEmpty())
        tell(message);
}

QString frmDonneesTab::activate()
{
    QString message = m_loadProblem;
    try {
        const QString notice = m_logic.activate(m_handOff);
        if (message.isEmpty())
            message = notice;
    } catch (const DataError &error) {
        message = QStringLiteral("The rate database cannot be used: %1").arg(error.message());
    }
    m_tabs->setCurrentIndex(m_logic.state().tab == BillOfLading::Tab::Parties ? 0 : 1);
    updateView();
    return message;
}

void frmDonneesTab::updateView()
{
    const BillOfLading::State &s = m_logic.state();
    const BillOfLadingForm &f = s.form;
    const std::array<QString, 6> consignee {f.consignee.name, f.consignee.street, f.consignee.city,
        f.consignee.province, f.consignee.postalCode, f.consignee.telephone};
    for (size_t i = 0; i < consignee.size(); ++i)
        showText(m_consignee.at(i), consignee.at(i));
    const std::array<QString, 7> carrier {f.carrier.name, f.carrier.street, f.carrier.city,
        f.carrier.province, f.carrier.postCode, f.carrier.phone, f.carrier.fax};
    for (size_t i = 0; i < carrier.size(); ++i)
        showText(m_carrier.at(i), carrier.at(i));
    showText(m_pointOfOrigin, s.pointOfOrigin);

    QStringList listed;
    for (int i = 0; i < m_customerList->count(); ++i)
        listed << m_customerList->itemText(i);
    {
        const QSignalBlocker blocker(m_customerList);
        if (listed != s.customerNames) {
            m_customerList->clear();
            m_customerList->addItems(s.customerNames);
        }
        m_customerList->setCurrentIndex(s.customerIndex);
    }

    showText(m_packages, f.packages);
    showText(m_weight, QString::number(f.weight));
    showText(m_rate, s.rateField);
    showText(m_amount, s.amountField);
    showText(m_cartons, f.cartons);
    m_carrierCaption->setText(s.carrierCaption);
    showText(m_date, f.date);
    showText(m_number, f.number);
    showText(m_description, f.description);
    for (size_t i = 0; i < m_orders.size(); ++i)
        showText(m_orders.at(i), f.orders.at(i));

    showChoice(m_goods, int(s.goods));
    showChoice(m_charges, int(f.charges));
    showChoice(m_spaceUsed, int(f.spaceUsed));
    showChecked(m_thirdParty, f.thirdParty);
    showChecked(m_appointment, f.appointment);
    showChecked(m_specialAgreement, s.specialAgreement);
    if (m_agreement->toPlainText() != f.agreement) {
        const QSignalBlocker blocker(m_agreement);
        m_agreement->setPlainText(f.agreement);
    }
    m_agreement->setVisible(s.agreementShown);
}

void frmDonneesTab::pickCustomer(int index)
{
    if (m_logic.pickCustomer(index))
        updateView();
}

void frmDonneesTab::addOrModifyCustomer()
{
    // The customers window shows this one again when it returns.
    Clients::open(windowName());
}

void frmDonneesTab::printBillOfLading()
{
    // Another bill may have taken the proposed number since this window opened.
    QString refused;
    try {
        // Waiting for a lock another clerk holds must not look like a frozen window.
        const BusyPointer busy;
        refused = m_logic.refreshNumber();
    } catch (const DataError &error) {
        refused = QStringLiteral("The rate database cannot be used: %1").arg(error.message());
    }
    updateView();
    if (!refused.isEmpty()) {
        tell(refused, true);
        return;
    }

    QString problem; // why the shipper block is empty, if it is
    QString failure;
    try {
        {
            const BusyPointer busy;
            BillOfLadingLayout(*m_engine).record(m_logic.printForm(&problem));
        }
        // The preview takes the place of this window while it is open.
        hide();
        m_engine->PreviewReport();
    } catch (const BillOfLadingLayout::AgreementTooLong &tooLong) {
        // Nothing is printed: a bill without the end of its agreement would mislead.
        tell(tooLong.message(), true);
        return;
    } catch (const VellumError &error) {
        failure = QStringLiteral("The bill of lading cannot be printed: %1").arg(error.message());
    }
    // Shown again, the window is activated at once, before the question: a return. Its notice
    // waits until the question is answered, so the two never stand one over the other.
    show();
    raise();
    activateWindow();
    QString notice = activate();
    m_activationWatch->markActivated();
    if (notice.isEmpty())
        notice = problem;
    if (!failure.isEmpty()) {
        tell(failure, true);
        return;
    }

    const QMessageBox::StandardButton answer = QMessageBox::question(this, windowTitle(),
        BillOfLading::saveQuestion(m_logic.state().form.number), QMessageBox::Yes | QMessageBox::No,
        QMessageBox::No);
    if (answer == QMessageBox::Yes) {
        {
            const BusyPointer busy;
            refused = m_logic.saveNumber();
        }
        if (refused.isEmpty()) {
            goBack();
            return;
        }
        updateView(); // the next free number, when another bill took this one
        tell(refused, true);
        return;
    }
    if (!notice.isEmpty())
        tell(notice);
}

void frmDonneesTab::showMainWindow()
{
    QWidget *main
        = m_returnTo ? m_returnTo.data() : ModMAJ::loadedWindow(QStringLiteral("entreval"));
    if (main) {
        main->show();
        main->raise();
        main->activateWindow();
    }
}

void frmDonneesTab::goBack()
{
    showMainWindow();
    close();
}

void frmDonneesTab::closeEvent(QCloseEvent *event)
{
    event->accept();
    // The close box goes back like "RETURN"; a close from code (the program ending) does not.
    if (event->spontaneous())
        showMainWindow();
    m_engine->DestroyReport();
}

void frmDonneesTab::tell(const QString &message, bool warning)
{
    // Not modal for the program: the window stays usable while the message is read.
    auto *box = new QMessageBox(warning ? QMessageBox::Warning : QMessageBox::Information,
        windowTitle(), message, QMessageBox::Ok, this);
    box->setObjectName(QStringLiteral("notice"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

#include "entreval.h"

#include "ActivationWatch.h"
#include "BusyPointer.h"

#include "Clients.h"
#include "HelpWindow.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "StandInWindow.h"
#include "SvgPicture.h"
#include "frmDonneesTab.h"
#include "Yourcompany.h"
#include "data/DataError.h"
#include "rates/RateListModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFont>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace {

QTableView *makeRateLists(RateListModel *model, const QString &objectName, QWidget *parent)
{
    auto *view = new QTableView(parent);
    view->setObjectName(objectName);
    view->setModel(model);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setShowGrid(false);
    view->setWordWrap(false);
    view->verticalHeader()->hide();
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 8);
    view->horizontalHeader()->setHighlightSections(false);
    view->horizontalHeader()->setSectionResizeMode(
        RateListModel::CarrierColumn, QHeaderView::Stretch);
    view->horizontalHeader()->setSectionResizeMode(
        RateListModel::DestinationColumn, QHeaderView::Stretch);
    view->horizontalHeader()->setSectionResizeMode(
        RateListModel::RateColumn, QHeaderView::ResizeToContents);
    view->setMinimumHeight(220);
    // Hidden lists keep their place, so the window does not jump when a result appears.
    QSizePolicy policy = view->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    view->setSizePolicy(policy);
    return view;
}

QPushButton *makeButton(const QString &caption, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

} // namespace

entreval::entreval(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("entreval"));
    setWindowTitle(QStringLiteral("Best rate"));
    buildWidgets();
    load();

    new ActivationWatch(this, [this] { activation(); });
}

entreval::~entreval() = default;

void entreval::buildWidgets()
{
    // Shipment entry.
    m_weightField = new QLineEdit(this);
    m_weightField->setObjectName(QStringLiteral("weightField"));
    m_palletField = new QLineEdit(this);
    m_palletField->setObjectName(QStringLiteral("palletField"));
    m_destinationBox = new QComboBox(this);
    m_destinationBox->setObjectName(QStringLiteral("destinationBox"));
    m_destinationBox->setPlaceholderText(QStringLiteral("Select destination"));
    m_destinationBox->setToolTip(QStringLiteral("Click on the arrow to view the destinations"));
    m_destinationBox->setMinimumContentsLength(24);
    m_destinationBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    auto *entry = new QFormLayout;
    entry->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    entry->addRow(QStringLiteral("Total weight lbs"), m_weightField);
    entry->addRow(QStringLiteral("Nb of pallets"), m_palletField);
    entry->addRow(QStringLiteral("Destination"), m_destinationBox);

    m_loadProblemLabel = new QLabel(this);
    m_loadProblemLabel->setObjectName(QStringLiteral("loadProblem"));
    m_loadProblemLabel->setWordWrap(true);
    m_loadProblemLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_loadProblemLabel->hide();

    // The price on display.
    m_resultTitle = new QLabel(this);
    m_resultTitle->setObjectName(QStringLiteral("resultTitle"));
    QFont titleFont = m_resultTitle->font();
    titleFont.setPointSize(titleFont.pointSize() + 5);
    titleFont.setBold(true);
    m_resultTitle->setFont(titleFont);
    m_resultCarrier = new QLabel(this);
    m_resultCarrier->setObjectName(QStringLiteral("resultCarrier"));
    QFont carrierFont = m_resultCarrier->font();
    carrierFont.setPointSize(carrierFont.pointSize() + 2);
    carrierFont.setBold(true);
    m_resultCarrier->setFont(carrierFont);
    m_resultPrice = new QLineEdit(this);
    m_resultPrice->setObjectName(QStringLiteral("resultPrice"));
    m_resultPrice->setReadOnly(true);
    m_resultPrice->setFocusPolicy(Qt::NoFocus);
    m_resultPrice->setAlignment(Qt::AlignRight);
    m_resultPrice->setFont(carrierFont);
    m_resultPrice->setMaximumWidth(180);
    m_rateNote = new QLabel(this);
    m_rateNote->setObjectName(QStringLiteral("rateNote"));
    QFont noteFont(QStringLiteral("Arial Rounded MT Bold"));
    noteFont.setFamilies({QStringLiteral("Arial Rounded MT Bold"), QStringLiteral("arial")});
    noteFont.setPointSize(m_rateNote->font().pointSize() + 1);
    noteFont.setBold(true);
    m_rateNote->setFont(noteFont);
    m_rateNote->setStyleSheet(QStringLiteral("color: red;"));

    // Weight-break advice, in the normal text colour: a hint, not a notice. Its line is kept
    // while empty, so nothing moves when it appears.
    m_weightBreak = new QLabel(this);
    m_weightBreak->setObjectName(QStringLiteral("weightBreak"));
    m_weightBreak->setMinimumHeight(m_weightBreak->fontMetrics().height());

    m_indicator = new QStackedWidget(this);
    m_indicator->setObjectName(QStringLiteral("indicator"));
    m_indicator->setFixedSize(56, 56);
    const auto addPicture = [this](const QString &resource, const QString &objectName) {
        auto *picture = new SvgPicture(resource, 1, m_indicator);
        picture->setObjectName(objectName);
        m_indicator->addWidget(picture);
    };
    addPicture(QStringLiteral(":/art/indicator-result.svg"), QStringLiteral("indicatorResult"));
    addPicture(QStringLiteral(":/art/indicator-idle.svg"), QStringLiteral("indicatorIdle"));

    auto *result = new QGridLayout;
    result->addWidget(m_resultTitle, 0, 0, 1, 2);
    result->addWidget(m_indicator, 0, 2, 2, 1, Qt::AlignRight | Qt::AlignTop);
    result->addWidget(m_resultCarrier, 1, 0, 1, 2);
    result->addWidget(m_resultPrice, 2, 0);
    result->addWidget(m_rateNote, 2, 1);
    result->addWidget(m_weightBreak, 3, 0, 1, 3);
    result->setColumnStretch(1, 1);
    auto *resultBox = new QGroupBox(this);
    resultBox->setLayout(result);
    resultBox->setMinimumHeight(120);

    auto *top = new QHBoxLayout;
    top->addLayout(entry, 1);
    top->addSpacing(16);
    top->addWidget(resultBox, 1);

    // The rate lists, best first.
    m_weightModel = new RateListModel(this);
    m_palletModel = new RateListModel(this);
    m_weightLists = makeRateLists(m_weightModel, QStringLiteral("weightLists"), this);
    m_palletLists = makeRateLists(m_palletModel, QStringLiteral("palletLists"), this);
    m_weightGroup = new QGroupBox(QStringLiteral("Rates /100 lbs"), this);
    m_weightGroup->setObjectName(QStringLiteral("weightGroup"));
    (new QVBoxLayout(m_weightGroup))->addWidget(m_weightLists);
    m_palletGroup = new QGroupBox(QStringLiteral("Rates /pallet"), this);
    m_palletGroup->setObjectName(QStringLiteral("palletGroup"));
    (new QVBoxLayout(m_palletGroup))->addWidget(m_palletLists);
    auto *lists = new QHBoxLayout;
    lists->addWidget(m_weightGroup);
    lists->addWidget(m_palletGroup);

    // Commands, in the order the clerk knows them.
    auto *ownCompany
        = makeButton(QStringLiteral("Your company"), QStringLiteral("yourCompanyButton"), this);
    auto *customers
        = makeButton(QStringLiteral("CUSTOMERS"), QStringLiteral("customersButton"), this);
    m_prepareButton = makeButton(
        QStringLiteral("Prepare bill of lading"), QStringLiteral("prepareButton"), this);
    auto *help = makeButton(QStringLiteral("Help"), QStringLiteral("helpButton"), this);
    auto *carriers = makeButton(QStringLiteral("View or modify carriers informations"),
        QStringLiteral("carriersButton"), this);
    auto *rates
        = makeButton(QStringLiteral("Rates ajustments"), QStringLiteral("ratesButton"), this);
    auto *closeButton = makeButton(QStringLiteral("CLOSE"), QStringLiteral("closeButton"), this);
    QSizePolicy keepPlace = m_prepareButton->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_prepareButton->setSizePolicy(keepPlace);
    auto *commands = new QHBoxLayout;
    for (QPushButton *button : {ownCompany, customers, m_prepareButton, help, carriers, rates})
        commands->addWidget(button);
    commands->addStretch();
    commands->addWidget(closeButton);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->setSpacing(12);
    layout->addLayout(top);
    layout->addWidget(m_loadProblemLabel);
    layout->addLayout(lists, 1);
    layout->addLayout(commands);
    resize(980, 600);

    connect(m_weightField, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_logic.setWeightText(text);
        updateView(false);
    });
    connect(m_palletField, &QLineEdit::textChanged, this, [this](const QString &text) {
        m_logic.setPalletText(text);
        updateView(false);
    });
    connect(m_destinationBox, &QComboBox::activated, this,
        [this](int index) { chooseDestination(index); });
    m_destinationBox->installEventFilter(this);
    connect(m_weightLists, &QTableView::clicked, this,
        [this](const QModelIndex &index) { pickRate(index, true); });
    connect(m_palletLists, &QTableView::clicked, this,
        [this](const QModelIndex &index) { pickRate(index, false); });
    connect(ownCompany, &QPushButton::clicked, this, [this] { showOwnCompany(); });
    connect(customers, &QPushButton::clicked, this, [this] { showCustomers(); });
    connect(m_prepareButton, &QPushButton::clicked, this, [this] { prepareBillOfLading(); });
    connect(help, &QPushButton::clicked, this, [this] { HelpWindow::showContents(this); });
    connect(carriers, &QPushButton::clicked, this, [this] { showCarriers(); });
    connect(rates, &QPushButton::clicked, this, [this] { showRateAdjustments(); });
    connect(closeButton, &QPushButton::clicked, this, [] { ModMAJ::endProgram(); });
}

void entreval::load()
{
    QString notice;
    try {
        Database database = Database::open(ModRouvel::dbPath);
        // Said once, here, where the clerk looks: quotes work, saves are refused one by one.
        if (database.isReadOnly())
            notice = QStringLiteral("The rate database %1 is read-only: rates can be looked up, "
                                    "but changes cannot be saved.")
                         .arg(QDir::toNativeSeparators(database.path()));
        m_logic.setDatabase(std::move(database));
        m_logic.load();
    } catch (const DataError &error) {
        // Without its file the window can only say so; the other commands still work.
        m_loadProblem = QStringLiteral("The rate database cannot be used: %1").arg(error.message());
    }
    if (!m_loadProblem.isEmpty())
        notice = m_loadProblem;
    m_loadProblemLabel->setText(notice);
    m_loadProblemLabel->setVisible(!notice.isEmpty());
    m_destinationBox->setEnabled(m_loadProblem.isEmpty());
    fillDestinationBox();
    updateView(true);
}

bool entreval::eventFilter(QObject *watched, QEvent *event)
{
    // Any click in the destination box empties the rate note, even one that chooses nothing.
    if (watched == m_destinationBox && event->type() == QEvent::MouseButtonPress) {
        m_logic.destinationBoxClicked();
        updateView(false);
    }
    return QWidget::eventFilter(watched, event);
}

void entreval::activation()
{
    m_logic.activate();
    fillDestinationBox();
    updateView(true);
    m_weightField->setFocus();
}

void entreval::cachelistes()
{
    m_logic.cachelistes();
    updateView(false);
}

void entreval::fillDestinationBox()
{
    const QSignalBlocker blocker(m_destinationBox);
    m_destinationBox->clear();
    for (const DestinationEntry &destination : m_logic.state().destRows)
        m_destinationBox->addItem(destination.name, destination.number);
    m_destinationBox->setCurrentIndex(-1);
}

void entreval::chooseDestination(int index)
{
    QString message;
    {
        const BusyPointer busy;
        message = m_logic.chooseDestination(index);
        updateView(true);
    }
    if (!m_logic.state().failure.isEmpty())
        QMessageBox::warning(this, windowTitle(), message, QMessageBox::Ok);
    else if (!message.isEmpty())
        QMessageBox::information(this, windowTitle(), message, QMessageBox::Ok);
}

void entreval::pickRate(const QModelIndex &index, bool byWeight)
{
    if (!index.isValid() || index.column() != RateListModel::RateColumn)
        return;
    const bool picked
        = byWeight ? m_logic.pickWeight(index.row()) : m_logic.pickPallet(index.row());
    if (!picked) {
        // A shown rate that cannot be picked: its price does not fit an amount.
        QMessageBox::information(
            this, windowTitle(), BestRateEvaluator::tooLargeMessage(), QMessageBox::Ok);
        return;
    }
    const QString failure = m_logic.state().failure;
    updateView(!failure.isEmpty());
    if (!failure.isEmpty())
        QMessageBox::warning(this, windowTitle(),
            BestRateEvaluator::readFailureMessage(failure), QMessageBox::Ok);
}

void entreval::prepareBillOfLading()
{
    {
        const BusyPointer busy;
        const std::optional<BillHandOff> handOff = m_logic.prepareBillOfLading();
        if (!handOff)
            return;
        ModRouvel::billHandOff = *handOff;
        // A fresh window for each bill, so it proposes the next number.
        delete m_billOfLading;
        m_billOfLading = new frmDonneesTab(ModRouvel::billHandOff);
        m_billOfLading->setReturnTo(this);
        m_billOfLading->show();
        m_billOfLading->raise();
        m_billOfLading->activateWindow();
    }
    updateView(false);
    hide();
}

void entreval::showCarriers()
{
    {
        const BusyPointer busy;
        cachelistes();
        QWidget *carriers
            = programWindow(QStringLiteral("frmMAJtrans"), QStringLiteral("Carriers"), m_carriers);
        carriers->show();
        carriers->activateWindow();
    }
    cachelistes();
    hide();
}

void entreval::showRateAdjustments()
{
    {
        const BusyPointer busy;
        QWidget *rates = programWindow(
            QStringLiteral("frmChgTarif"), QStringLiteral("Rates ajustments"), m_rateAdjustments);
        rates->show();
        rates->activateWindow();
    }
    cachelistes();
    hide();
}

void entreval::showCustomers()
{
    Clients::open(QStringLiteral("entreval"));
    cachelistes();
}

void entreval::showOwnCompany() { Yourcompany::open(); }

QWidget *entreval::programWindow(
    const QString &windowName, const QString &caption, std::unique_ptr<StandInWindow> &standIn)
{
    if (QWidget *loaded = ModMAJ::loadedWindow(windowName))
        return loaded;
    // Not loaded by the splash (or not written yet): a stand-in that comes back here.
    if (!standIn) {
        standIn = std::make_unique<StandInWindow>(windowName, caption);
        standIn->setReturnTo(this);
    }
    return standIn.get();
}

void entreval::updateView(bool listsChanged)
{
    const BestRateState &s = m_logic.state();
    if (listsChanged) {
        m_weightModel->setList(s.weightRows);
        m_palletModel->setList(s.palletRows);
    }
    m_weightLists->setVisible(s.weightListsShown);
    m_palletLists->setVisible(s.palletListsShown);
    m_resultTitle->setText(s.resultTitle);
    m_resultCarrier->setText(s.resultCarrier);
    m_resultPrice->setText(s.resultPrice);
    m_rateNote->setText(s.rateNote);
    m_weightBreak->setText(s.weightBreak ? s.weightBreak->text() : QString());
    m_prepareButton->setVisible(s.prepareShown);
    m_indicator->setCurrentIndex(s.indicatorShown ? 1 : 0);
    if (m_destinationBox->currentIndex() != s.destIndex) {
        const QSignalBlocker blocker(m_destinationBox);
        m_destinationBox->setCurrentIndex(s.destIndex);
    }
}

void entreval::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Only the user's close box ends the program; closing from code just closes the window.
    if (event->spontaneous())
        ModMAJ::endProgram();
}

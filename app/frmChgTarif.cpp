#include "frmChgTarif.h"

#include "BusyPointer.h"

#include "HelpWindow.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "data/DataError.h"
#include "rateadjust/RateCellDelegate.h"
#include "rateadjust/RateGridColumns.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QShowEvent>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int DestinationColumnTwips = 2400;
constexpr int RowSelectorTwips = 270;

const QString DestinationListText = QStringLiteral("List of destinations");
const QString CarrierListHint = QStringLiteral("Click on the arrow to view the forwarders");

int pixels(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

} // namespace

frmChgTarif::frmChgTarif(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmChgTarif"));
    setWindowTitle(QStringLiteral("Rates adjustments"));
    buildWidgets();
    load();
}

frmChgTarif::~frmChgTarif()
{
    // The focus moves while the base class hides the window, when this window's part is gone.
    disconnect(m_focusWatch);
    // The views let go of the model before it goes with this window's members.
    m_weightGrid->setModel(nullptr);
    m_palletGrid->setModel(nullptr);
}

void frmChgTarif::buildWidgets()
{
    m_carrierChooser = new QComboBox(this);
    m_carrierChooser->setObjectName(QStringLiteral("carrierChooser"));
    m_carrierChooser->setPlaceholderText(QStringLiteral("Select carrier"));
    m_carrierChooser->setMinimumContentsLength(24);
    connect(
        m_carrierChooser, &QComboBox::activated, this, [this](int index) { chooseCarrier(index); });

    auto *hint = new QLabel(QStringLiteral("Click on another cell to update the change"), this);
    hint->setObjectName(QStringLiteral("updateHint"));

    m_loadProblemLabel = new QLabel(this);
    m_loadProblemLabel->setObjectName(QStringLiteral("loadProblem"));
    m_loadProblemLabel->setWordWrap(true);
    m_loadProblemLabel->hide();

    m_weightDelegate = new RateCellDelegate(this);
    m_palletDelegate = new RateCellDelegate(this);
    m_weightGrid = makeGrid(QStringLiteral("weightGrid"), m_weightDelegate);
    m_palletGrid = makeGrid(QStringLiteral("palletGrid"), m_palletDelegate);
    connect(m_logic.model(), &RateGridModel::refused, this, &frmChgTarif::tell);

    m_carriersPanel = new QGroupBox(QStringLiteral("CARRIERS FOR A DESTINATION"), this);
    m_carriersPanel->setObjectName(QStringLiteral("carriersPanel"));
    m_destinationList = new QComboBox(m_carriersPanel);
    m_destinationList->setObjectName(QStringLiteral("destinationList"));
    m_destinationList->setPlaceholderText(DestinationListText);
    m_destinationList->setMinimumContentsLength(24);
    connect(m_destinationList, &QComboBox::activated, this,
        [this](int index) { chooseDestination(index); });
    m_carrierList = new QComboBox(m_carriersPanel);
    m_carrierList->setObjectName(QStringLiteral("carrierList"));
    m_carrierList->setPlaceholderText(QStringLiteral("Carriers"));
    m_carrierList->setToolTip(CarrierListHint);
    m_carrierList->setMinimumContentsLength(24);
    m_carrierPlaceholder = new QComboBox(m_carriersPanel);
    m_carrierPlaceholder->setObjectName(QStringLiteral("carrierPlaceholder"));
    m_carrierPlaceholder->setPlaceholderText(QStringLiteral("Carriers"));
    m_carrierPlaceholder->setToolTip(CarrierListHint);
    m_carrierPlaceholder->setMinimumContentsLength(24);
    m_carrierPlaceholder->setEnabled(false);
    auto *panelLayout = new QGridLayout(m_carriersPanel);
    panelLayout->addWidget(new QLabel(QStringLiteral("Destination"), m_carriersPanel), 0, 0);
    panelLayout->addWidget(m_destinationList, 0, 1);
    panelLayout->addWidget(new QLabel(QStringLiteral("Carriers"), m_carriersPanel), 1, 0);
    // The placeholder and the list share one place; one of them shows.
    panelLayout->addWidget(m_carrierList, 1, 1);
    panelLayout->addWidget(m_carrierPlaceholder, 1, 1);
    panelLayout->setColumnStretch(2, 1);
    panelLayout->setRowStretch(2, 1);
    m_focusWatch
        = connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
              if (old == m_destinationList)
                  destinationLeft(now);
          });

    auto *carriersButton = new QPushButton(QStringLiteral("CARRIERS FOR DESTINATION"), this);
    carriersButton->setObjectName(QStringLiteral("carriersButton"));
    connect(carriersButton, &QPushButton::clicked, this, [this] { showCarriersPanel(); });
    auto *returnButton = new QPushButton(QStringLiteral("&RETURN"), this);
    returnButton->setObjectName(QStringLiteral("returnButton"));
    connect(returnButton, &QPushButton::clicked, this, [this] { goBack(); });
    auto *help = new QPushButton(QStringLiteral("Help"), this);
    help->setObjectName(QStringLiteral("helpButton"));
    connect(help, &QPushButton::clicked, this, [this] { HelpWindow::showContents(this); });

    auto *top = new QHBoxLayout;
    top->addWidget(m_carrierChooser);
    top->addSpacing(16);
    top->addWidget(hint, 1);

    // The grids and the side panel share the area below the chooser; at most one shows.
    auto *area = new QGridLayout;
    area->addWidget(m_weightGrid, 0, 0);
    area->addWidget(m_palletGrid, 0, 0);
    area->addWidget(m_carriersPanel, 0, 0, Qt::AlignTop | Qt::AlignLeft);
    area->setRowStretch(0, 1);
    area->setColumnStretch(0, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(carriersButton);
    buttons->addStretch(1);
    buttons->addWidget(help);
    buttons->addWidget(returnButton);

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(m_loadProblemLabel);
    layout->addLayout(area, 1);
    layout->addLayout(buttons);

    m_weightGrid->hide();
    m_palletGrid->hide();
    m_carriersPanel->hide();
    m_carrierList->hide();
    resize(pixels(this, 11400), pixels(this, 7600));
}

QTableView *frmChgTarif::makeGrid(const QString &objectName, RateCellDelegate *delegate)
{
    auto *grid = new QTableView(this);
    grid->setObjectName(objectName);
    grid->setModel(m_logic.model());
    grid->setItemDelegate(delegate);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setSelectionBehavior(QAbstractItemView::SelectItems);
    // Typing edits the current cell at once. No edit on a click of the selected cell: its
    // delay for a double click would swallow a key typed straight after the click.
    grid->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed
        | QAbstractItemView::AnyKeyPressed);
    grid->setWordWrap(false);
    grid->setTabKeyNavigation(true);
    // Row selectors at the left: blank but for the mark of a row not written yet.
    QHeaderView *rows = grid->verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(grid->fontMetrics().height() + 6);
    rows->setMinimumWidth(pixels(grid, RowSelectorTwips));
    rows->setDefaultAlignment(Qt::AlignCenter);
    grid->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    grid->horizontalHeader()->setHighlightSections(false);
    grid->horizontalHeader()->setTextElideMode(Qt::ElideNone);
    // Leaving a row writes it, whether a cell of it was still being edited or not.
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
        [this](const QModelIndex &current, const QModelIndex &previous) {
            if (current.row() != previous.row())
                m_logic.model()->submit();
        });
    return grid;
}

void frmChgTarif::load()
{
    m_loadProblem.clear();
    try {
        if (!m_logic.hasDatabase())
            m_logic.setDatabase(Database::open(ModRouvel::dbPath));
        m_logic.load();
    } catch (const DataError &error) {
        // Without its file the window can only say so; "&RETURN" still works.
        m_loadProblem = QStringLiteral("The rate database cannot be used: %1").arg(error.message());
    }
    m_loadProblemLabel->setText(m_loadProblem);
    m_loadProblemLabel->setVisible(!m_loadProblem.isEmpty());
    m_carrierChooser->setEnabled(m_loadProblem.isEmpty());

    const QSignalBlocker blocker(m_carrierChooser);
    m_carrierChooser->clear();
    for (const RateAdjustment::Carrier &carrier : m_logic.carriers())
        m_carrierChooser->addItem(carrier.name, carrier.number);
    m_carrierChooser->setCurrentIndex(-1);
    fillDestinationList(QString());
    const QSignalBlocker listBlocker(m_carrierList);
    m_carrierList->clear();
    m_carrierList->addItems(m_logic.allCarrierNames());
    m_carrierList->setCurrentIndex(-1);
}

void frmChgTarif::startAfresh()
{
    m_logic.reset();
    m_messages.clear();
    load();
    m_weightGrid->hide();
    m_palletGrid->hide();
    m_carriersPanel->hide();
    m_carrierList->hide();
    m_carrierPlaceholder->show();
}

void frmChgTarif::showEvent(QShowEvent *event)
{
    // Shown by the program (not merely restored from the task bar): a new opening.
    if (!event->spontaneous())
        startAfresh();
    QWidget::showEvent(event);
}

void frmChgTarif::closeEvent(QCloseEvent *event)
{
    finishEditing();
    m_logic.hideRates();
    m_weightGrid->hide();
    m_palletGrid->hide();
    event->accept();
    // The user's close box ends the program; closing from code does not.
    if (event->spontaneous()) {
        showMessages();
        ModMAJ::endProgram();
    }
}

void frmChgTarif::chooseCarrier(int index)
{
    m_carriersPanel->hide();
    finishEditing();
    const RateAdjustment::Choice choice = m_logic.chooseCarrier(index);
    bool load = choice == RateAdjustment::Choice::Grid;
    if (choice == RateAdjustment::Choice::Ask)
        load = askRateKind();

    QString problem;
    if (load) {
        const BusyPointer busy;
        try {
            m_logic.affichetarif();
        } catch (const DataError &error) {
            problem = QStringLiteral("The rates of %1 cannot be read.\n%2")
                          .arg(m_carrierChooser->itemText(index), error.message());
        }
    } else {
        // A cancelled question or a rate type of no kind: no grid, and no rates of another
        // carrier left on screen.
        m_logic.hideRates();
    }
    showGrid();
    if (!problem.isEmpty())
        tell(problem);
}

bool frmChgTarif::askRateKind()
{
    for (;;) {
        QInputDialog question(this);
        question.setObjectName(QStringLiteral("rateKindQuestion"));
        question.setWindowTitle(RateAdjustment::questionTitle());
        question.setLabelText(RateAdjustment::questionPrompt());
        question.setTextValue(RateAdjustment::defaultAnswer());
        question.setInputMode(QInputDialog::TextInput);
        const QString reply
            = question.exec() == QDialog::Accepted ? question.textValue() : QString();
        switch (m_logic.answer(reply)) {
        case RateAdjustment::Answer::Weight:
        case RateAdjustment::Answer::Pallet:
            return true;
        case RateAdjustment::Answer::Nothing:
            return false;
        case RateAdjustment::Answer::Invalid: {
            QMessageBox invalid(QMessageBox::NoIcon, windowTitle(),
                RateAdjustment::invalidAnswerMessage(), QMessageBox::Ok, this);
            invalid.setObjectName(QStringLiteral("invalidAnswer"));
            invalid.exec();
            break;
        }
        }
    }
}

void frmChgTarif::showGrid()
{
    const std::optional<RateKind> kind = m_logic.shownKind();
    QTableView *shown = !kind ? nullptr : *kind == RateKind::Weight ? m_weightGrid : m_palletGrid;
    for (QTableView *grid : {m_weightGrid, m_palletGrid}) {
        if (grid != shown)
            grid->hide();
    }
    if (!shown)
        return;
    m_carriersPanel->hide();
    QHeaderView *columns = shown->horizontalHeader();
    columns->resizeSection(
        RateGridColumns::DestinationColumn, pixels(shown, DestinationColumnTwips));
    // The rate columns' width, unless the screen's font needs more for a caption: a clipped
    // "10000 lbs" would leave the user guessing which bracket a column holds.
    const int width = pixels(shown, RateGridColumns::rateColumnTwips(*kind));
    for (int column = 1; column < m_logic.model()->columnCount(); ++column)
        columns->resizeSection(column, std::max(width, columns->sectionSizeHint(column)));
    shown->show();
}

void frmChgTarif::showCarriersPanel()
{
    finishEditing();
    m_logic.hideRates();
    m_weightGrid->hide();
    m_palletGrid->hide();
    m_carriersPanel->show();
}

void frmChgTarif::chooseDestination(int index)
{
    const QStringList &destinations = m_logic.destinations();
    if (index < 0 || index >= destinations.size())
        return;
    const QString name = destinations[index];
    QStringList carriers;
    try {
        carriers = m_logic.carriersServing(name);
        m_logic.loadDestinations();
    } catch (const DataError &error) {
        tell(QStringLiteral("The carriers serving %1 cannot be read.\n%2")
                 .arg(name, error.message()));
        return;
    }
    const QSignalBlocker blocker(m_carrierList);
    m_carrierList->clear();
    m_carrierList->addItems(carriers);
    m_carrierList->setCurrentIndex(-1);
    m_carrierPlaceholder->hide();
    m_carrierList->show();
    fillDestinationList(name);
}

void frmChgTarif::destinationLeft(QWidget *now)
{
    // Its own drop-down taking the focus, or the carrier list the user is about to open, is not
    // leaving: the list of carriers must stay usable.
    if (now
        && (now == m_carrierList || m_carrierList->isAncestorOf(now)
            || now->window() == m_destinationList->view()->window()
            || now->window() == m_carrierList->view()->window()))
        return;
    const QSignalBlocker blocker(m_destinationList);
    m_destinationList->setCurrentIndex(-1);
    m_carrierList->hide();
    m_carrierPlaceholder->show();
}

void frmChgTarif::fillDestinationList(const QString &current)
{
    const QSignalBlocker blocker(m_destinationList);
    m_destinationList->clear();
    m_destinationList->addItems(m_logic.destinations());
    m_destinationList->setCurrentIndex(
        current.isNull() ? -1 : int(m_logic.destinations().indexOf(current)));
}

void frmChgTarif::goBack()
{
    finishEditing();
    QWidget *main
        = m_returnTo ? m_returnTo.data() : ModMAJ::loadedWindow(QStringLiteral("entreval"));
    close();
    if (main && main != this) {
        main->show();
        main->raise();
        main->activateWindow();
    }
}

void frmChgTarif::finishEditing()
{
    m_weightDelegate->commitOpenEditor();
    m_palletDelegate->commitOpenEditor();
    m_logic.model()->submit();
}

void frmChgTarif::tell(const QString &message)
{
    // Shown once the grid has finished what it was doing, never from inside its edit.
    m_messages << message;
    if (m_messages.size() == 1)
        QTimer::singleShot(0, this, [this] { showMessages(); });
}

void frmChgTarif::showMessages()
{
    while (!m_messages.isEmpty()) {
        const QString message = m_messages.takeFirst();
        QWidget *parent = isVisible() ? this : m_returnTo.data();
        QMessageBox box(QMessageBox::Warning, windowTitle(), message, QMessageBox::Ok, parent);
        box.setObjectName(QStringLiteral("rateMessage"));
        box.exec();
    }
}

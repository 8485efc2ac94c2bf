#include "frmChgTarif.h"

#include "BusyPointer.h"

#include "HelpWindow.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "data/DataError.h"
#include "rateadjust/RateCellDelegate.h"
#include "rateadjust/RateGridColumns.h"
#include "ratesheets/RateSheet.h"
#include "ratesheets/RateSheetExport.h"
#include "ratesheets/RateSheetImport.h"

#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetrics>
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
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

namespace {

constexpr int DestinationColumnTwips = 2400;
constexpr int RowSelectorTwips = 270;

const QString DestinationListText = QStringLiteral("List of destinations");
const QString CarrierListHint = QStringLiteral("Click on the arrow to view the forwarders");
// How many problems of a refused rate sheet the message lists; the rest are counted.
constexpr int ListedProblems = 20;

int pixels(const QWidget *widget, int twips)
{
    return qRound(twips * widget->logicalDpiX() / 1440.0);
}

// The width a cell of the grid needs to show the text whole: the text, the item delegate's
// margin on each side and the grid line.
int cellWidth(const QTableView *grid, const QString &text)
{
    if (text.isEmpty())
        return 0;
    const int margins
        = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1) + 1;
    return QFontMetrics(grid->font()).horizontalAdvance(text) + margins;
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
    connect(m_logic.model(), &RateGridModel::dataChanged, this, &frmChgTarif::fitChangedRates);

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
    m_exportButton = new QPushButton(QStringLiteral("Export rates\u2026"), this);
    m_exportButton->setObjectName(QStringLiteral("exportRatesButton"));
    m_exportButton->setToolTip(QStringLiteral("Write the rates shown to a CSV file"));
    connect(m_exportButton, &QPushButton::clicked, this, [this] { exportRates(); });
    m_importButton = new QPushButton(QStringLiteral("Import rates\u2026"), this);
    m_importButton->setObjectName(QStringLiteral("importRatesButton"));
    m_importButton->setToolTip(QStringLiteral("Replace the rates shown with those of a CSV file"));
    connect(m_importButton, &QPushButton::clicked, this, [this] { importRates(); });
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
    buttons->addWidget(m_exportButton);
    buttons->addWidget(m_importButton);
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
    m_exportButton->setEnabled(false);
    m_importButton->setEnabled(false);
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
    m_exportButton->setEnabled(false);
    m_importButton->setEnabled(false);
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
    // The sheet commands act on the carrier and kind of the grid shown.
    m_exportButton->setEnabled(shown != nullptr);
    m_importButton->setEnabled(shown != nullptr);
    if (!shown)
        return;
    m_carriersPanel->hide();
    QHeaderView *columns = shown->horizontalHeader();
    columns->resizeSection(
        RateGridColumns::DestinationColumn, pixels(shown, DestinationColumnTwips));
    // The rate columns' width, unless the screen's font needs more for a caption or a rate: a
    // clipped "10000 lbs" would leave the user guessing which bracket a column holds, a clipped
    // "1 374.00$" what the rate is.
    const int width = pixels(shown, RateGridColumns::rateColumnTwips(*kind));
    for (int column = 1; column < m_logic.model()->columnCount(); ++column) {
        const int rateWidth = cellWidth(shown, m_logic.model()->widestRateText(column));
        columns->resizeSection(
            column, std::max({width, columns->sectionSizeHint(column), rateWidth}));
    }
    shown->show();
}

void frmChgTarif::fitChangedRates(const QModelIndex &topLeft, const QModelIndex &bottomRight)
{
    const std::optional<RateKind> kind = m_logic.shownKind();
    if (!kind || !topLeft.isValid() || !bottomRight.isValid())
        return;
    QTableView *grid = *kind == RateKind::Weight ? m_weightGrid : m_palletGrid;
    const RateGridModel *model = m_logic.model();
    for (int column = std::max(topLeft.column(), RateGridColumns::DestinationColumn + 1);
         column <= bottomRight.column(); ++column) {
        int needed = 0;
        for (int row = topLeft.row(); row <= bottomRight.row(); ++row)
            needed = std::max(needed, cellWidth(grid, model->index(row, column).data().toString()));
        if (needed > grid->columnWidth(column))
            grid->horizontalHeader()->resizeSection(column, needed);
    }
}

void frmChgTarif::showCarriersPanel()
{
    finishEditing();
    m_logic.hideRates();
    m_weightGrid->hide();
    m_palletGrid->hide();
    m_exportButton->setEnabled(false);
    m_importButton->setEnabled(false);
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

QString frmChgTarif::askSheetFile(bool saving, const QString &suggested)
{
    QFileDialog dialog(
        this, saving ? QStringLiteral("Export rates") : QStringLiteral("Import rates"));
    dialog.setObjectName(QStringLiteral("rateSheetFile"));
    // The same dialog on every desktop, so what it asks is what the guide shows.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("CSV Files (*.csv)"));
    dialog.setAcceptMode(saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (saving) {
        dialog.setDefaultSuffix(QStringLiteral("csv"));
        dialog.selectFile(suggested);
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().first();
}

void frmChgTarif::exportRates()
{
    finishEditing();
    const std::optional<RateKind> kind = m_logic.shownKind();
    if (!kind)
        return;
    const QString carrier = m_carrierChooser->currentText();
    const QString path = askSheetFile(true,
        QStringLiteral("%1 %2 rates.csv")
            .arg(carrier,
                *kind == RateKind::Weight ? QStringLiteral("weight") : QStringLiteral("pallet")));
    if (path.isEmpty())
        return;
    QString cause;
    {
        const BusyPointer busy;
        try {
            const QByteArray sheet = RateSheetExport::sheet(
                Database::open(ModRouvel::dbPath), m_logic.selectedCarrierNo(), *kind);
            cause = RateSheetExport::writeFile(path, sheet, ModRouvel::dbPath);
        } catch (const DataError &error) {
            cause = error.message();
        }
    }
    if (!cause.isEmpty())
        tell(QStringLiteral("The rates of %1 could not be exported to %2.\n%3")
                 .arg(carrier, QDir::toNativeSeparators(path), cause));
}

void frmChgTarif::importRates()
{
    finishEditing();
    const std::optional<RateKind> kind = m_logic.shownKind();
    if (!kind)
        return;
    const QString carrier = m_carrierChooser->currentText();
    const QString path = askSheetFile(false, {});
    if (path.isEmpty())
        return;
    const QString shownPath = QDir::toNativeSeparators(path);
    const QString fileName = QFileInfo(path).fileName();
    const auto refused = [&](const QString &cause) {
        tell(QStringLiteral("The rate sheet %1 could not be imported; nothing was changed.\n%2")
                 .arg(shownPath, cause));
    };

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return refused(file.errorString());
    const RateSheet sheet = RateSheet::parse(file.readAll(), *kind);
    file.close();
    const auto showProblems = [&](const QVector<RateSheetProblem> &problems) {
        QStringList lines;
        for (qsizetype i = 0; i < problems.size() && i < ListedProblems; ++i)
            lines << problems.at(i).toText();
        QString text = QStringLiteral("The rate sheet %1 has %2 %3; nothing was imported.\n\n%4")
                           .arg(fileName)
                           .arg(problems.size())
                           .arg(problems.size() == 1 ? QStringLiteral("problem")
                                                     : QStringLiteral("problems"),
                               lines.join(QLatin1Char('\n')));
        if (problems.size() > ListedProblems)
            text += QStringLiteral("\n\u2026 and %1 more.").arg(problems.size() - ListedProblems);
        QMessageBox box(QMessageBox::Warning, windowTitle(), text, QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("rateSheetProblems"));
        box.exec();
    };
    if (!sheet.ok())
        return showProblems(sheet.problems());

    std::optional<RateSheetImport> import;
    RateSheetImport::Summary summary;
    try {
        import.emplace(Database::open(ModRouvel::dbPath), m_logic.selectedCarrierNo(), *kind);
        summary = import->plan(sheet);
    } catch (const DataError &error) {
        return refused(error.message());
    }
    if (!summary.problems.isEmpty())
        return showProblems(summary.problems);
    QMessageBox question(QMessageBox::Question, windowTitle(),
        QStringLiteral("Import the %1 rates of %2 from %3?\n\n%4")
            .arg(*kind == RateKind::Weight ? QStringLiteral("weight") : QStringLiteral("pallet"),
                carrier, fileName, summary.text()),
        QMessageBox::Yes | QMessageBox::No, this);
    question.setObjectName(QStringLiteral("importQuestion"));
    question.setDefaultButton(QMessageBox::No);
    if (question.exec() != QMessageBox::Yes)
        return;
    try {
        const BusyPointer busy;
        import->apply(sheet);
    } catch (const DataError &error) {
        return refused(error.message());
    }
    reloadRates(*kind);
}

void frmChgTarif::reloadRates(RateKind kind)
{
    const int index = m_carrierChooser->currentIndex();
    QString problem;
    try {
        const BusyPointer busy;
        // Choosing the carrier again sets the kind to show; a carrier of both kinds answers
        // the question as the grid on screen did.
        if (m_logic.chooseCarrier(index) == RateAdjustment::Choice::Ask)
            m_logic.answer(kind == RateKind::Weight ? QStringLiteral("1") : QStringLiteral("2"));
        m_logic.affichetarif();
        // Destinations the sheet created belong in the side panel's list.
        m_logic.loadDestinations();
    } catch (const DataError &error) {
        problem = QStringLiteral("The rates were imported, but they cannot be read again.\n%1")
                      .arg(error.message());
    }
    fillDestinationList(QString());
    showGrid();
    if (!problem.isEmpty())
        tell(problem);
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

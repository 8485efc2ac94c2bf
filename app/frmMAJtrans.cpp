#include "frmMAJtrans.h"

#include "HelpWindow.h"
#include "BusyPointer.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "data/DataError.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QComboBox>
#include <QFocusEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>
#include <QVBoxLayout>
#include <QValidator>

#include <functional>

namespace {

// The chooser tells the window when its arrow opens the list, before the list shows.
class CarrierChooser : public QComboBox
{
public:
    using QComboBox::QComboBox;
    std::function<void()> arrowClicked;

    void showPopup() override
    {
        if (arrowClicked)
            arrowClicked();
        QComboBox::showPopup();
    }
};

// Destination names are entered in capitals: a-z become A-Z as they are typed.
class UpperValidator : public QValidator
{
public:
    using QValidator::QValidator;
    State validate(QString &input, int &) const override
    {
        input = DestinationLists::upper(input);
        return Acceptable;
    }
};

QPushButton *makeButton(const QString &caption, const QString &objectName, QWidget *parent)
{
    auto *button = new QPushButton(caption, parent);
    button->setObjectName(objectName);
    button->setAutoDefault(false);
    return button;
}

QFrame *separator(QWidget *parent)
{
    auto *line = new QFrame(parent);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

QString objectNameOf(int field) { return CarrierRecord::fieldName(field).remove(QLatin1Char(' ')); }

const RateType OptionTypes[3] = {RateType::Weight, RateType::Pallet, RateType::Both};

} // namespace

frmMAJtrans::frmMAJtrans(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmMAJtrans"));
    setWindowTitle(QStringLiteral("Carriers informations"));
    buildWidgets();
    load();
}

frmMAJtrans::~frmMAJtrans()
{
    // Unloaded with the program: what is still typed is saved, silently at this point.
    unload();
}

frmMAJtrans::Panel frmMAJtrans::buildCarrierPanel(bool editable)
{
    Panel panel;
    panel.widget = new QWidget(this);
    panel.widget->setObjectName(
        editable ? QStringLiteral("carrierPanel") : QStringLiteral("inactivePanel"));
    auto *grid = new QGridLayout(panel.widget);
    grid->setContentsMargins(0, 0, 0, 0);
    for (int field = 0; field < CarrierRecord::FieldCount; ++field) {
        auto *label = new QLabel(CarrierRecord::label(field), panel.widget);
        auto *edit = new QLineEdit(panel.widget);
        edit->setObjectName(
            (editable ? QString() : QStringLiteral("inactive")) + objectNameOf(field));
        edit->setMaxLength(CarrierRecord::maxLength(field));
        // Room for the longest text the field takes.
        edit->setMinimumWidth(
            edit->fontMetrics().averageCharWidth() * qMin(CarrierRecord::maxLength(field), 34)
            + 12);
        label->setBuddy(edit);
        grid->addWidget(label, field, 0, Qt::AlignRight);
        grid->addWidget(edit, field, 1, 1, 2, Qt::AlignLeft);
        panel.fields[field] = edit;
        if (!editable) {
            edit->setReadOnly(true);
            edit->setFocusPolicy(Qt::NoFocus);
            edit->setStyleSheet(QStringLiteral("background: #d4d4d4;"));
        }
    }
    const int row = CarrierRecord::FieldCount;
    grid->addWidget(new QLabel(QStringLiteral("Rate Type:"), panel.widget), row, 0, Qt::AlignRight);
    const QString names[3]
        = {QStringLiteral("rateWeight"), QStringLiteral("ratePallet"), QStringLiteral("rateBoth")};
    for (int i = 0; i < 3; ++i) {
        auto *option
            = new QRadioButton(CarrierRecord::rateTypeCaption(OptionTypes[i]), panel.widget);
        option->setObjectName((editable ? QString() : QStringLiteral("inactive")) + names[i]);
        option->setEnabled(editable);
        option->setAutoExclusive(false);
        panel.options[i] = option;
    }
    // "Rate LBS" and "Rate pallet" side by side, the combined option below them.
    grid->addWidget(panel.options[0], row, 1);
    grid->addWidget(panel.options[1], row, 2);
    grid->addWidget(panel.options[2], row + 1, 1, 1, 2);
    grid->setColumnStretch(3, 1);
    return panel;
}

QWidget *frmMAJtrans::buildDestinationPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("destinationPanel"));

    auto *title = new QLabel(QStringLiteral("Destinations"), panel);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    m_destListText = new QLabel(panel);
    m_destListText->setObjectName(QStringLiteral("destListText"));
    m_destListText->setStyleSheet(QStringLiteral("color: #505050;"));
    m_carrierDestinations = new QListWidget(panel);
    m_carrierDestinations->setObjectName(QStringLiteral("ListDestTrans"));
    m_carrierDestinations->setSelectionMode(QAbstractItemView::SingleSelection);
    m_carrierDestinations->setUniformItemSizes(true);
    m_carrierDestinations->setMinimumHeight(160);
    m_carrierDestinations->viewport()->installEventFilter(this);

    m_missing = new QComboBox(panel);
    m_missing->setObjectName(QStringLiteral("ListDestManque"));
    m_missing->setPlaceholderText(QStringLiteral("Select destination"));
    m_missing->setMinimumContentsLength(24);
    m_missing->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);

    m_nameToAdd = new QLineEdit(panel);
    m_nameToAdd->setObjectName(QStringLiteral("nameToAdd"));
    m_nameToAdd->setReadOnly(true);
    m_nameToAdd->setToolTip(
        QString::fromUtf8("La destination à ajouter au transporteur s'inscrit ici"));
    auto *add = makeButton(QStringLiteral("Add"), QStringLiteral("addButton"), panel);
    add->setToolTip(QStringLiteral("Add the destination to the selected carrier"));
    auto *addRow = new QHBoxLayout;
    addRow->addWidget(m_nameToAdd, 1);
    addRow->addWidget(add);

    m_removeButton = makeButton(QStringLiteral("Remove"), QStringLiteral("removeButton"), panel);
    m_removeButton->setToolTip(QStringLiteral("To remove a destination from the carrier"));
    m_cancelButton = makeButton(QStringLiteral("Cancel"), QStringLiteral("cancelButton"), panel);
    auto *removeRow = new QHBoxLayout;
    removeRow->addWidget(m_removeButton);
    removeRow->addWidget(m_cancelButton);
    removeRow->addStretch();

    m_newDestination = new QLineEdit(panel);
    m_newDestination->setObjectName(QStringLiteral("newDestination"));
    m_newDestination->setToolTip(QStringLiteral("Entrez ici une nouvelle destination"));
    m_newDestination->setValidator(new UpperValidator(m_newDestination));
    auto *addNew = makeButton(QStringLiteral("Add"), QStringLiteral("addNewButton"), panel);
    addNew->setToolTip(
        QStringLiteral("Add a destination, not listed above, to the general list of destinations"));
    auto *newRow = new QHBoxLayout;
    newRow->addWidget(m_newDestination, 1);
    newRow->addWidget(addNew);

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(title);
    layout->addWidget(m_destListText);
    layout->addWidget(m_carrierDestinations, 1);
    layout->addWidget(separator(panel));
    layout->addWidget(m_missing);
    layout->addLayout(addRow);
    layout->addLayout(removeRow);
    layout->addWidget(separator(panel));
    layout->addWidget(new QLabel(QStringLiteral("Destination not listed :"), panel));
    layout->addLayout(newRow);

    connect(m_carrierDestinations, &QListWidget::itemPressed, this, [this] {
        if (QApplication::mouseButtons() & Qt::LeftButton) {
            m_logic.clickCarrierDestination();
            updateView();
        }
    });
    connect(m_missing, &QComboBox::activated, this, [this](int index) {
        m_logic.chooseMissingDestination(index);
        updateView();
    });
    connect(add, &QPushButton::clicked, this, [this] {
        tell(whileBusy([this] { return m_logic.addDestination(); }));
        updateView();
    });
    connect(m_newDestination, &QLineEdit::textChanged, this,
        [this](const QString &text) { m_logic.setNewDestination(text); });
    connect(addNew, &QPushButton::clicked, this, [this] {
        m_logic.setNewDestination(m_newDestination->text());
        tell(whileBusy([this] { return m_logic.addNewDestination(); }));
        updateView();
    });
    connect(m_removeButton, &QPushButton::clicked, this, [this] { removeDestination(); });
    connect(m_cancelButton, &QPushButton::clicked, this, [this] {
        m_logic.cancelRemove();
        updateView();
    });
    return panel;
}

void frmMAJtrans::buildWidgets()
{
    m_loadProblem = new QLabel(this);
    m_loadProblem->setObjectName(QStringLiteral("loadProblem"));
    m_loadProblem->setWordWrap(true);
    m_loadProblem->setStyleSheet(QStringLiteral("color: #b00000;"));
    m_loadProblem->hide();

    // The carrier panel and its inactive copy, one above the other.
    m_panel = buildCarrierPanel(true);
    m_inactivePanel = buildCarrierPanel(false);
    m_carrierStack = new QStackedWidget(this);
    m_carrierStack->setObjectName(QStringLiteral("carrierStack"));
    m_carrierStack->addWidget(m_inactivePanel.widget);
    m_carrierStack->addWidget(m_panel.widget);
    m_rateGroup = new QButtonGroup(this);
    for (QRadioButton *option : m_panel.options)
        m_rateGroup->addButton(option);
    m_rateGroup->setExclusive(false);

    auto *carrierBox = new QGroupBox(this);
    (new QVBoxLayout(carrierBox))->addWidget(m_carrierStack);

    auto *chooser = new CarrierChooser(this);
    chooser->arrowClicked = [this] {
        m_logic.openChooser();
        updateView();
    };
    m_chooser = chooser;
    m_chooser->setObjectName(QStringLiteral("carrierChooser"));
    m_chooser->setPlaceholderText(CarrierEditor::chooserPrompt());
    m_chooser->setToolTip(CarrierEditor::chooserHint());
    m_chooser->setMinimumContentsLength(28);
    m_chooser->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_chooser->installEventFilter(this);
    QSizePolicy keepPlace = m_chooser->sizePolicy();
    keepPlace.setRetainSizeWhenHidden(true);
    m_chooser->setSizePolicy(keepPlace);

    m_editButton = makeButton(QStringLiteral("&Edit"), QStringLiteral("editButton"), this);
    m_updateButton = makeButton(QStringLiteral("&Update"), QStringLiteral("updateButton"), this);
    m_addCarrierButton
        = makeButton(QStringLiteral("&Add carrier"), QStringLiteral("addCarrierButton"), this);
    auto *back = makeButton(QStringLiteral("&RETURN"), QStringLiteral("returnButton"), this);
    auto *help = makeButton(QStringLiteral("Help"), QStringLiteral("helpButton"), this);
    auto *commands = new QGridLayout;
    commands->addWidget(m_chooser, 0, 0, 1, 4);
    // "&Edit" and "&Update" share one place; at most one of them shows.
    commands->addWidget(m_editButton, 1, 0);
    commands->addWidget(m_updateButton, 1, 0);
    commands->addWidget(m_addCarrierButton, 1, 1);
    commands->addWidget(back, 1, 2);
    commands->addWidget(help, 1, 3);

    auto *left = new QVBoxLayout;
    left->addWidget(carrierBox);
    left->addLayout(commands);
    left->addStretch();

    // The destination panel and its placeholder.
    auto *placeholder
        = new QLabel(QStringLiteral("This table is inactive until you select a forwarder"), this);
    placeholder->setObjectName(QStringLiteral("destinationPlaceholder"));
    placeholder->setToolTip(placeholder->text());
    placeholder->setAlignment(Qt::AlignCenter);
    placeholder->setWordWrap(true);
    placeholder->setFrameShape(QFrame::StyledPanel);
    placeholder->setStyleSheet(QStringLiteral("background: #d4d4d4; color: #6a6a6a;"));
    m_destinationStack = new QStackedWidget(this);
    m_destinationStack->setObjectName(QStringLiteral("destinationStack"));
    m_destinationStack->addWidget(placeholder);
    m_destinationStack->addWidget(buildDestinationPanel());
    m_destinationStack->setMinimumWidth(300);
    auto *destinationBox = new QGroupBox(this);
    (new QVBoxLayout(destinationBox))->addWidget(m_destinationStack);

    auto *panels = new QHBoxLayout;
    panels->addLayout(left);
    panels->addWidget(destinationBox, 1);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 12);
    layout->addWidget(m_loadProblem);
    layout->addLayout(panels, 1);

    for (int field = 0; field < CarrierRecord::FieldCount; ++field) {
        connect(m_panel.fields[field], &QLineEdit::textEdited, this,
            [this, field](const QString &text) { m_logic.setField(field, text); });
    }
    for (int i = 0; i < 3; ++i) {
        connect(m_panel.options[i], &QRadioButton::clicked, this, [this, i] {
            m_logic.setRateType(OptionTypes[i]);
            updateView();
        });
    }
    connect(m_chooser, &QComboBox::activated, this, [this](int index) { chooseCarrier(index); });
    connect(m_editButton, &QPushButton::clicked, this, [this] {
        m_logic.edit();
        updateView();
    });
    connect(m_updateButton, &QPushButton::clicked, this, [this] { update(); });
    connect(m_addCarrierButton, &QPushButton::clicked, this, [this] { addCarrier(); });
    connect(back, &QPushButton::clicked, this, [this] { returnToMain(); });
    connect(help, &QPushButton::clicked, this, [this] { HelpWindow::showContents(this); });
}

void frmMAJtrans::load()
{
    QString problem;
    try {
        m_logic.load(Database::open(ModRouvel::dbPath));
    } catch (const DataError &error) {
        problem = QStringLiteral("The rate database cannot be used: %1").arg(error.message());
    }
    m_loadProblem->setText(problem);
    m_loadProblem->setVisible(!problem.isEmpty());
    m_editButton->setEnabled(problem.isEmpty());
    m_addCarrierButton->setEnabled(problem.isEmpty());
    updateView();
}

void frmMAJtrans::updateView()
{
    const CarrierEditorState &s = m_logic.state();
    m_carrierStack->setCurrentWidget(s.editablePanel ? m_panel.widget : m_inactivePanel.widget);
    for (int field = 0; field < CarrierRecord::FieldCount; ++field) {
        if (m_panel.fields[field]->text() != s.record[field])
            m_panel.fields[field]->setText(s.record[field]);
    }
    for (int i = 0; i < 3; ++i)
        m_panel.options[i]->setChecked(s.rateType == OptionTypes[i]);

    if (m_chooserShown != s.chooserEntries) {
        const QSignalBlocker blocker(m_chooser);
        m_chooser->clear();
        m_chooser->addItems(s.chooserEntries);
        m_chooserShown = s.chooserEntries;
    }
    if (m_chooser->currentIndex() != s.chooserIndex) {
        const QSignalBlocker blocker(m_chooser);
        m_chooser->setCurrentIndex(s.chooserIndex);
    }
    m_chooser->setVisible(s.chooserShown);
    m_editButton->setVisible(s.editShown);
    m_updateButton->setVisible(s.updateShown && !s.editShown);

    const DestinationListsState &d = m_logic.destinations().state();
    m_destinationStack->setCurrentIndex(s.destinationsActive ? 1 : 0);
    m_destListText->setText(d.carrierListText);
    if (m_servedShown != d.carrierDestinations) {
        m_carrierDestinations->clear();
        m_carrierDestinations->addItems(d.carrierDestinations);
        m_servedShown = d.carrierDestinations;
    }
    if (m_missingShown != d.missingDestinations) {
        const QSignalBlocker blocker(m_missing);
        m_missing->clear();
        m_missing->addItems(d.missingDestinations);
        m_missingShown = d.missingDestinations;
    }
    if (m_missing->currentIndex() != d.missingIndex) {
        const QSignalBlocker blocker(m_missing);
        m_missing->setCurrentIndex(d.missingIndex);
    }
    m_nameToAdd->setText(d.nameToAdd);
    if (m_newDestination->text() != d.newDestination) {
        const QSignalBlocker blocker(m_newDestination);
        m_newDestination->setText(d.newDestination);
    }
    m_removeButton->setVisible(d.removeShown);
    m_cancelButton->setVisible(d.cancelShown);
}

void frmMAJtrans::tell(const QString &message)
{
    if (!message.isEmpty())
        QMessageBox::information(this, windowTitle(), message, QMessageBox::Ok);
}

void frmMAJtrans::chooseCarrier(int index)
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString message = whileBusy([&] { return m_logic.chooseCarrier(index); });
    updateView();
    QApplication::restoreOverrideCursor();
    tell(message);
}

void frmMAJtrans::update()
{
    const QString message = whileBusy([this] { return m_logic.update(); });
    updateView();
    tell(message);
}

void frmMAJtrans::addCarrier()
{
    const QString message = whileBusy([this] { return m_logic.addCarrier(); });
    updateView();
    tell(message);
    if (m_logic.state().flagnouveau)
        m_panel.fields[CarrierRecord::NomTrans]->setFocus();
}

void frmMAJtrans::returnToMain()
{
    m_logic.returnToMain();
    updateView();
    if (QWidget *main = ModMAJ::loadedWindow(QStringLiteral("entreval"))) {
        main->show();
        main->raise();
        main->activateWindow();
    }
    hide();
}

void frmMAJtrans::removeDestination()
{
    const QString message = m_logic.removeDestination([this](const QString &question) {
        return QMessageBox::question(this, windowTitle(), question,
                   QMessageBox::Yes | QMessageBox::No, QMessageBox::No)
            == QMessageBox::Yes;
    });
    updateView();
    tell(message);
}

QString frmMAJtrans::unload()
{
    if (m_unloaded)
        return {};
    m_unloaded = true;
    return m_logic.unload();
}

bool frmMAJtrans::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_chooser && event->type() == QEvent::FocusOut
        && static_cast<QFocusEvent *>(event)->reason() != Qt::PopupFocusReason) {
        m_logic.chooserLostFocus();
        updateView();
    } else if (watched == m_carrierDestinations->viewport()
        && event->type() == QEvent::MouseButtonPress
        && static_cast<QMouseEvent *>(event)->button() == Qt::RightButton) {
        // The entry last clicked stays the list's current one; the right button only prepares
        // "Remove".
        if (m_logic.rightButton())
            updateView();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void frmMAJtrans::closeEvent(QCloseEvent *event)
{
    event->accept();
    // Only the user's close box ends the program; the window is unloaded first, saving what is
    // still typed.
    if (event->spontaneous()) {
        tell(unload());
        ModMAJ::endProgram();
    }
}

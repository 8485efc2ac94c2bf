#include "parties/PartiesFixture.h"

#include "Clients.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "WindowTesting.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace WindowTesting;

namespace {

const char *const fieldKeys[] = {"name", "street", "city", "province", "postalCode", "telephone"};

} // namespace

class tst_Clients : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void opensWithFieldsCovered();
    void choosingFillsTheFields();
    void clerkSession();
    void saveNewCustomer_data();
    void saveNewCustomer();
    void guardsAfterASavedModification_data();
    void guardsAfterASavedModification();
    void modificationsSaveAnErasedName();
    void deleteTakesTheChosenOfTwins();
    void comingBackDropsAnUnsavedChoice();
    void refusalIsToldAndTheTypingStays();
    void hiddenCharacterInTheNameRefused_data();
    void hiddenCharacterInTheNameRefused();
    void returnShowsTheOpener_data();
    void returnShowsTheOpener();
    void closeBoxJustCloses();
    void openingAgainGivesAFreshWindow();

private:
    template<typename T> T *child(const QString &name) const
    {
        return requiredChild<T>(m_window.get(), name);
    }
    QLineEdit *field(int i) const
    {
        return child<QLineEdit>(QLatin1String(fieldKeys[i]) + "Field");
    }
    QLineEdit *placeholder(int i) const
    {
        return child<QLineEdit>(QLatin1String(fieldKeys[i]) + "Placeholder");
    }
    QPushButton *button(const char *name) const { return child<QPushButton>(name); }
    QComboBox *chooser() const { return child<QComboBox>("customerChooser"); }
    void open(const QString &callerName);
    void choose(int row);
    // Clicks the button and answers the message box it shows; returns the box's text, or
    // "<none>" when it showed none.
    QString clickForMessage(QPushButton *button, QMessageBox::StandardButtons *buttons = nullptr);
    void type(int i, const QString &text);
    PartyAddress shownFields() const;
    bool placeholdersShown() const;
    QString commandsShown() const;

    std::unique_ptr<PartiesFixture> m_fixture;
    std::unique_ptr<QWidget> m_main; // stands for the main window
    std::unique_ptr<QWidget> m_bill; // stands for the bill-of-lading window
    QPointer<Clients> m_window;
    int m_programEnds = 0;
};

void tst_Clients::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
}

void tst_Clients::cleanupTestCase() { ModMAJ::setProgramEndHandler({}); }

void tst_Clients::init()
{
    m_programEnds = 0;
    m_fixture = std::make_unique<PartiesFixture>();
    m_fixture->addCustomers({PartiesFixture::party("DUPONT", "QUEBEC", "418-555-0101"),
        PartiesFixture::party("ACME", "MONTREAL"),
        PartiesFixture::party("DUPONT", "LEVIS", "418-555-0199")});
    ModRouvel::dbPath = m_fixture->path();
    m_main = std::make_unique<QWidget>();
    m_main->setObjectName(QStringLiteral("entreval"));
    m_main->setWindowTitle(QStringLiteral("Best rate"));
    m_bill = std::make_unique<QWidget>();
    m_bill->setObjectName(QStringLiteral("frmDonnéesTab"));
    m_bill->setWindowTitle(QStringLiteral("Bill of lading"));
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    open(QStringLiteral("entreval"));
}

void tst_Clients::cleanup()
{
    delete m_window.data();
    m_main.reset();
    m_bill.reset();
    m_fixture.reset();
}

void tst_Clients::open(const QString &callerName)
{
    m_window = Clients::open(callerName);
    QVERIFY(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window.data()));
}

void tst_Clients::choose(int row)
{
    QComboBox *box = chooser();
    QVERIFY(box->isVisible());
    box->setFocus();
    box->showPopup();
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    const QRect rect = view->visualRect(index);
    QVERIFY(rect.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTRY_VERIFY(!view->isVisible());
}

QString tst_Clients::clickForMessage(QPushButton *button, QMessageBox::StandardButtons *buttons)
{
    return WindowTesting::clickForMessage(m_window.data(), button, buttons);
}

void tst_Clients::type(int i, const QString &text)
{
    field(i)->selectAll();
    QTest::keyClick(field(i), Qt::Key_Delete);
    QTest::keyClicks(field(i), text);
}

PartyAddress tst_Clients::shownFields() const
{
    PartyAddress shown;
    for (int i = 0; i < 6; ++i)
        shown.setValue(i, field(i)->text());
    return shown;
}

bool tst_Clients::placeholdersShown() const
{
    int covered = 0;
    for (int i = 0; i < 6; ++i) {
        if (placeholder(i)->isVisible() && !field(i)->isVisible())
            ++covered;
        else if (placeholder(i)->isVisible() || !field(i)->isVisible())
            qFatal("field %d half covered", i);
    }
    return covered == 6;
}

// "N", "S", "M", "D" for "New customer", "Save new customer", "Save modifications", "Delete
// customer", "." for a hidden one.
QString tst_Clients::commandsShown() const
{
    QString shown;
    shown += button("newButton")->isVisible() ? 'N' : '.';
    shown += button("saveNewButton")->isVisible() ? 'S' : '.';
    shown += button("saveModificationsButton")->isVisible() ? 'M' : '.';
    shown += button("deleteButton")->isVisible() ? 'D' : '.';
    return shown;
}

void tst_Clients::opensWithFieldsCovered()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("Clients"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Customers informations"));
    QCOMPARE(ModRouvel::callerForm, QStringLiteral("entreval"));
    QVERIFY(m_main->isVisible()); // the opener stays on screen

    QComboBox *box = chooser();
    QCOMPARE(box->count(), 3);
    QCOMPARE(box->itemText(0), QStringLiteral("DUPONT"));
    QCOMPARE(box->itemText(1), QStringLiteral("ACME"));
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->placeholderText(), QStringLiteral("Select customer"));

    QVERIFY(placeholdersShown());
    for (int i = 0; i < 6; ++i) {
        QLineEdit *cover = placeholder(i);
        QVERIFY(!cover->isEnabled() && cover->isReadOnly() && cover->text().isEmpty());
        const QColor colour = cover->grab().toImage().pixelColor(cover->rect().center());
        QVERIFY2(colour.red() > 240 && colour.green() > 240 && colour.blue() < 235,
            qPrintable(colour.name()));
    }
    QStringList captions;
    for (int i = 0; i < 6; ++i) {
        for (const QLabel *label : m_window->findChildren<QLabel *>()) {
            if (label->buddy() == field(i))
                captions << label->text();
        }
    }
    QCOMPARE(captions, PartyAddress::captions());
    QCOMPARE(commandsShown(), QStringLiteral("N..."));
    QVERIFY(button("cancelButton")->isVisible() && button("returnButton")->isVisible());
    QCOMPARE(button("returnButton")->text(), QStringLiteral("RETURN"));
}

void tst_Clients::choosingFillsTheFields()
{
    choose(2);
    QCOMPARE(shownFields(), PartiesFixture::party("DUPONT", "LEVIS", "418-555-0199"));
    QVERIFY(!placeholdersShown());
    QVERIFY(field(0)->hasFocus());
    // The chooser has lost the focus to "Name": its prompt is back.
    QCOMPARE(chooser()->currentIndex(), -1);
    QCOMPARE(commandsShown(), QStringLiteral("..MD"));

    // Another customer replaces the first in the fields.
    choose(1);
    QCOMPARE(shownFields(), PartiesFixture::party("ACME", "MONTREAL"));
}

void tst_Clients::clerkSession()
{
    // A new customer.
    QTest::mouseClick(button("newButton"), Qt::LeftButton);
    QVERIFY(chooser()->isHidden());
    QVERIFY(!placeholdersShown());
    QVERIFY(field(0)->hasFocus());
    QCOMPARE(commandsShown(), QStringLiteral(".S.."));
    const PartyAddress typed = PartiesFixture::party("BOREAL FOODS", "RIMOUSKI", "418-555-0150");
    for (int i = 0; i < 6; ++i)
        type(i, typed.value(i));
    QCOMPARE(clickForMessage(button("saveNewButton")), QStringLiteral("<none>"));
    QCOMPARE(m_fixture->rows().size(), 4);
    QCOMPARE(m_fixture->rows().last(), typed);
    QVERIFY(chooser()->isVisible());
    QCOMPARE(chooser()->count(), 4);
    QCOMPARE(chooser()->itemText(3), typed.name);
    QVERIFY(placeholdersShown());
    QCOMPARE(shownFields(), PartyAddress());
    QCOMPARE(commandsShown(), QStringLiteral("N..."));

    // Changed.
    choose(3);
    QCOMPARE(shownFields(), typed);
    type(2, QStringLiteral("MATANE"));
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    PartyAddress changed = typed;
    changed.city = QStringLiteral("MATANE");
    QCOMPARE(m_fixture->rows().last(), changed);
    QVERIFY(placeholdersShown());
    QCOMPARE(commandsShown(), QStringLiteral("N.MD"));

    // Deleted, without a question.
    choose(3);
    QCOMPARE(clickForMessage(button("deleteButton")), QStringLiteral("<none>"));
    QCOMPARE(m_fixture->rows().size(), 3);
    QVERIFY(!m_fixture->rows().contains(changed));
    QCOMPARE(chooser()->count(), 3);
    QCOMPARE(commandsShown(), QStringLiteral("N..."));

    // "Cancel" writes nothing.
    choose(0);
    type(0, QStringLiteral("NOT SAVED"));
    const QList<PartyAddress> before = m_fixture->rows();
    QTest::mouseClick(button("cancelButton"), Qt::LeftButton);
    QCOMPARE(m_fixture->rows(), before);
    QVERIFY(placeholdersShown());
    QCOMPARE(shownFields(), PartyAddress());
    QCOMPARE(commandsShown(), QStringLiteral("N..."));
}

void tst_Clients::saveNewCustomer_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("no name") << ""
                             << "You did not enter any customer name";
    QTest::newRow("a name of blanks") << "   "
                                      << "<none>";
}

void tst_Clients::saveNewCustomer()
{
    QFETCH(QString, name);
    QFETCH(QString, message);

    QTest::mouseClick(button("newButton"), Qt::LeftButton);
    QTest::keyClicks(field(0), name);
    type(2, QStringLiteral("GASPE"));
    const QList<PartyAddress> before = m_fixture->rows();
    QMessageBox::StandardButtons buttons;
    QCOMPARE(clickForMessage(button("saveNewButton"), &buttons), message);

    if (message != QLatin1String("<none>")) {
        QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        QCOMPARE(m_fixture->rows(), before);
        // Closing the message box is no return from another window: the typing stays.
        QCOMPARE(field(2)->text(), QStringLiteral("GASPE"));
        QVERIFY(!placeholdersShown());
        QCOMPARE(commandsShown(), QStringLiteral(".S.."));
        return;
    }
    QCOMPARE(m_fixture->rows().size(), before.size() + 1);
    QCOMPARE(m_fixture->rows().last().name, name);
    QCOMPARE(m_fixture->rows().last().city, QStringLiteral("GASPE"));
    QCOMPARE(chooser()->itemText(chooser()->count() - 1), name);
}

void tst_Clients::guardsAfterASavedModification_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("save modifications") << "saveModificationsButton";
    QTest::newRow("delete customer") << "deleteButton";
}

void tst_Clients::guardsAfterASavedModification()
{
    QFETCH(QString, command);

    choose(0);
    type(5, QStringLiteral("418-555-0000"));
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    const QList<PartyAddress> before = m_fixture->rows();
    QCOMPARE(before.first().telephone, QStringLiteral("418-555-0000"));
    QCOMPARE(commandsShown(), QStringLiteral("N.MD"));

    QMessageBox::StandardButtons buttons;
    QCOMPARE(clickForMessage(button(qPrintable(command)), &buttons),
        QStringLiteral("No customer selected"));
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QCOMPARE(m_fixture->rows(), before);
    QVERIFY(placeholdersShown());
}

void tst_Clients::modificationsSaveAnErasedName()
{
    choose(1);
    type(0, QString());
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    PartyAddress erased = PartiesFixture::party("", "MONTREAL");
    QCOMPARE(m_fixture->rows().at(1), erased);
    QCOMPARE(chooser()->itemText(1), QString());
}

void tst_Clients::deleteTakesTheChosenOfTwins()
{
    choose(2);
    QCOMPARE(shownFields().city, QStringLiteral("LEVIS"));
    QCOMPARE(clickForMessage(button("deleteButton")), QStringLiteral("<none>"));
    QCOMPARE(m_fixture->rows(),
        QList<PartyAddress>({PartiesFixture::party("DUPONT", "QUEBEC", "418-555-0101"),
            PartiesFixture::party("ACME", "MONTREAL")}));
}

void tst_Clients::comingBackDropsAnUnsavedChoice()
{
    choose(1);
    type(2, QStringLiteral("TYPED, NOT SAVED"));
    m_fixture->addCustomers({PartiesFixture::party("SAVED ELSEWHERE")});

    // The user works in the main window, then comes back.
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.data()));

    QTRY_VERIFY(placeholdersShown());
    QCOMPARE(shownFields(), PartyAddress());
    QCOMPARE(chooser()->count(), 4);
    QCOMPARE(chooser()->currentIndex(), -1);
    QCOMPARE(commandsShown(), QStringLiteral("N..."));
    QCOMPARE(m_fixture->rows().at(1), PartiesFixture::party("ACME", "MONTREAL"));
}

void tst_Clients::refusalIsToldAndTheTypingStays()
{
    m_fixture->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON TableClients "
                                   "BEGIN SELECT RAISE(ABORT, 'the disk is full'); END"));
    choose(0);
    type(2, QStringLiteral("SAINTE-FOY"));
    const QList<PartyAddress> before = m_fixture->rows();
    const QString message = clickForMessage(button("saveModificationsButton"));
    QVERIFY2(message.startsWith(QLatin1String("The customer was not saved.")), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("the disk is full")), qPrintable(message));
    QCOMPARE(m_fixture->rows(), before);
    QCOMPARE(field(2)->text(), QStringLiteral("SAINTE-FOY"));
    QCOMPARE(field(0)->text(), QStringLiteral("DUPONT"));
    QVERIFY(!placeholdersShown());

    // Once the file takes it, the same command saves what was typed.
    m_fixture->exec(QStringLiteral("DROP TRIGGER refuse"));
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    QCOMPARE(m_fixture->rows().first().city, QStringLiteral("SAINTE-FOY"));
}

void tst_Clients::hiddenCharacterInTheNameRefused_data()
{
    QTest::addColumn<bool>("newCustomer");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::newRow("new, zero width space")
        << true << QStringLiteral("GAGNON") + QChar(0x200B) + QStringLiteral(" INC")
        << "\"Name\" holds the invisible character U+200B; type the name again without it.";
    QTest::newRow("changed, escape character")
        << false << QStringLiteral("DUPONT") + QChar(0x001B)
        << "\"Name\" holds the invisible character U+001B; type the name again without it.";
    QTest::newRow("changed, lone surrogate")
        << false << QStringLiteral("DUPONT ") + QChar(0xDC00)
        << "\"Name\" holds the invisible character U+DC00; type the name again without it.";
}

void tst_Clients::hiddenCharacterInTheNameRefused()
{
    QFETCH(bool, newCustomer);
    QFETCH(QString, name);
    QFETCH(QString, message);
    const QList<PartyAddress> before = m_fixture->rows();
    if (newCustomer) {
        QTest::mouseClick(button("newButton"), Qt::LeftButton);
    } else {
        choose(0);
    }
    // Pasted: no key types such a character.
    field(0)->clear();
    field(0)->insert(name);
    type(2, QStringLiteral("RIMOUSKI"));
    const char *save = newCustomer ? "saveNewButton" : "saveModificationsButton";
    QCOMPARE(clickForMessage(button(save)), message);
    QCOMPARE(m_fixture->rows(), before);
    QCOMPARE(field(0)->text(), name);
    QCOMPARE(field(2)->text(), QStringLiteral("RIMOUSKI"));

    // Corrected, the same command saves.
    field(0)->clear();
    field(0)->insert(QStringLiteral("GAGNON"));
    QCOMPARE(clickForMessage(button(save)), QStringLiteral("<none>"));
    QCOMPARE(m_fixture->rows().size(), before.size() + (newCustomer ? 1 : 0));
}

void tst_Clients::returnShowsTheOpener_data()
{
    QTest::addColumn<QString>("caller");
    QTest::newRow("main window") << "entreval";
    QTest::newRow("bill of lading") << "frmDonnéesTab";
}

void tst_Clients::returnShowsTheOpener()
{
    QFETCH(QString, caller);

    delete m_window.data();
    QWidget *opener = caller == QLatin1String("entreval") ? m_main.get() : m_bill.get();
    QWidget *other = opener == m_main.get() ? m_bill.get() : m_main.get();
    opener->show();
    other->hide();
    open(caller);
    QCOMPARE(ModRouvel::callerForm, caller);
    opener->hide(); // even hidden meanwhile, it comes back

    QTest::mouseClick(button("returnButton"), Qt::LeftButton);
    QVERIFY(opener->isVisible());
    QVERIFY(!other->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(opener));
    QTRY_VERIFY(m_window.isNull()); // discarded, not hidden
    QCOMPARE(m_programEnds, 0);
}

void tst_Clients::closeBoxJustCloses()
{
    choose(0);
    userCloses(m_window.data());
    QTRY_VERIFY(m_window.isNull());
    QCOMPARE(m_programEnds, 0);
    QVERIFY(m_main->isVisible());
    QCOMPARE(m_fixture->rows().size(), 3);
}

void tst_Clients::openingAgainGivesAFreshWindow()
{
    choose(1);
    QPointer<Clients> first = m_window;
    open(QStringLiteral("frmDonnéesTab"));
    QVERIFY(m_window != first);
    QTRY_VERIFY(first.isNull());
    QCOMPARE(ModMAJ::loadedWindow(QStringLiteral("Clients")), m_window.data());
    QCOMPARE(ModRouvel::callerForm, QStringLiteral("frmDonnéesTab"));
    QVERIFY(placeholdersShown());
}

QTEST_MAIN(tst_Clients)
#include "tst_clients.moc"

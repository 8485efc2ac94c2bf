#include "rates/BestRateFixture.h"

#include "ModMAJ.h"
#include "ModRouvel.h"
#include "carriers/CarrierEditor.h"
#include "carriers/DestinationLists.h"
#include "cli/QuoteCommand.h"
#include "entreval.h"
#include "frmMAJtrans.h"
#include "rates/BestRateEvaluator.h"
#include "WindowTesting.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QFocusEvent>
#include <QGridLayout>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSqlQuery>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace WindowTesting;

class tst_frmMAJtrans : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void screenAtLoad();
    void clerkAddsACarrierWithTwoDestinations();
    void typedFieldsFollowTheirCarrier();
    void optionsFollowTheCarrier();
    void removeAsksAndCancelHides();
    void messagesOfTheGuards();
    void returnHidesAndCloseBoxEnds();
    void newCarrierReachesQuoteAndMainWindow();
    void withoutDatabase();
    void refusedNewCarrierChangesNoOtherCarrier_data();
    void refusedNewCarrierChangesNoOtherCarrier();
    void refusedNewCarrierWaitsForACorrection();
    void refusedDuplicateThenReturnLeavesTheWindowUsable();
    void sameDestinationIsRefused_data();
    void sameDestinationIsRefused();
    void hiddenCharactersRefused_data();
    void hiddenCharactersRefused();

private:
    template<typename T> T *child(const char *name) const
    {
        return requiredChild<T>(m_window.get(), QString::fromLatin1(name));
    }
    void makeWindow();
    void pick(QComboBox *box, const QString &entry);
    void click(const char *button)
    {
        QTest::mouseClick(child<QPushButton>(button), Qt::LeftButton);
    }
    void chooseCarrier(const QString &name);
    // Answers the next message box with `button` and keeps its text.
    void answerNextBox(QMessageBox::StandardButton button);
    bool shown(const char *name) const { return child<QWidget>(name)->isVisible(); }
    QString nameToAdd() const { return child<QLineEdit>("nameToAdd")->text(); }

    // Every carrier's TarifType, as the file holds it.
    QMap<QString, QString> rateTypes() const;
    void setRateTypes();
    int count(const QString &sql) const;

    std::unique_ptr<BestRateFixture> m_fixture;
    std::unique_ptr<frmMAJtrans> m_window;
    QStringList m_boxTexts;
    int m_programEnds = 0;
};

void tst_frmMAJtrans::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
}

void tst_frmMAJtrans::init()
{
    m_fixture = std::make_unique<BestRateFixture>();
    ModRouvel::dbPath = m_fixture->path();
    m_boxTexts.clear();
    m_programEnds = 0;
    makeWindow();
}

void tst_frmMAJtrans::cleanup()
{
    m_window.reset();
    m_fixture.reset();
}

void tst_frmMAJtrans::makeWindow()
{
    m_window = std::make_unique<frmMAJtrans>();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_frmMAJtrans::pick(QComboBox *box, const QString &entry)
{
    const int index = box->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    // A click on the arrow: the box takes the focus and opens its list.
    box->setFocus(Qt::MouseFocusReason);
    box->showPopup();
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTRY_VERIFY(!view->isVisible());
}

void tst_frmMAJtrans::chooseCarrier(const QString &name)
{
    // Focus moves only inside the active window.
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    if (!shown("carrierChooser"))
        click("editButton");
    pick(child<QComboBox>("carrierChooser"), name);
    // The clerk goes on in the panel: the chooser loses the focus.
    child<QLineEdit>("Ville")->setFocus();
    // The offscreen platform does not activate a window shown again after being hidden, so no
    // focus moves there: deliver the chooser's loss of focus as the window system would.
    if (QApplication::activeWindow() != m_window.get()) {
        QFocusEvent lost(QEvent::FocusOut, Qt::OtherFocusReason);
        QApplication::sendEvent(child<QComboBox>("carrierChooser"), &lost);
    }
    QTRY_VERIFY(shown("updateButton"));
}

void tst_frmMAJtrans::answerNextBox(QMessageBox::StandardButton button)
{
    QTimer::singleShot(0, this, [this, button] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) {
            answerNextBox(button);
            return;
        }
        m_boxTexts << box->text();
        QAbstractButton *answer = box->button(button);
        if (!answer)
            answer = box->buttons().value(0);
        answer->click();
    });
}

void tst_frmMAJtrans::screenAtLoad()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Carriers informations"));
    QCOMPARE(m_window->objectName(), QStringLiteral("frmMAJtrans"));

    // The ten fields in order with their labels and limits, then the rate type.
    auto *grid = qobject_cast<QGridLayout *>(child<QWidget>("carrierPanel")->layout());
    QVERIFY(grid);
    const QStringList labels {"Name (short)", "Name (long)", "No, street", "City", "P. code / zip",
        "Prov. / state", "Contact 1", "Contact 2", "Telephone", "FAX", "Rate Type:"};
    const int limits[] = {50, 50, 50, 50, 10, 30, 50, 50, 15, 15};
    for (int row = 0; row < labels.size(); ++row) {
        auto *label = qobject_cast<QLabel *>(grid->itemAtPosition(row, 0)->widget());
        QVERIFY(label);
        QCOMPARE(label->text(), labels[row]);
        if (row < 10) {
            auto *edit = qobject_cast<QLineEdit *>(grid->itemAtPosition(row, 1)->widget());
            QVERIFY(edit);
            QCOMPARE(edit->maxLength(), limits[row]);
        }
    }
    QCOMPARE(child<QRadioButton>("rateWeight")->text(), QStringLiteral("Rate LBS"));
    QCOMPARE(child<QRadioButton>("ratePallet")->text(), QStringLiteral("Rate pallet"));
    QCOMPARE(child<QRadioButton>("rateBoth")->text(), QStringLiteral("Rate LBS  AND  Rate pallet"));
    // Side by side, the combined option below them.
    QCOMPARE(grid->itemAtPosition(10, 1)->widget(), child<QWidget>("rateWeight"));
    QCOMPARE(grid->itemAtPosition(10, 2)->widget(), child<QWidget>("ratePallet"));
    QCOMPARE(grid->itemAtPosition(11, 1)->widget(), child<QWidget>("rateBoth"));

    // Idle: the inactive copy, grey and read-only, and the destination placeholder.
    QVERIFY(shown("inactivePanel") && !shown("carrierPanel"));
    auto *inactiveName = child<QLineEdit>("inactiveNomTrans");
    QVERIFY(inactiveName->isReadOnly() && inactiveName->text().isEmpty());
    QVERIFY(!child<QRadioButton>("inactiverateBoth")->isEnabled());
    auto *placeholder = child<QLabel>("destinationPlaceholder");
    QVERIFY(placeholder->isVisible());
    QCOMPARE(placeholder->toolTip(),
        QStringLiteral("This table is inactive until you select a forwarder"));
    QVERIFY(!shown("destinationPanel"));

    auto *chooser = child<QComboBox>("carrierChooser");
    QVERIFY(chooser->isHidden());
    QCOMPARE(chooser->placeholderText(), QStringLiteral("Select carrier"));
    QCOMPARE(chooser->toolTip(), QStringLiteral("Click on the arrow to view the forwarders"));
    QCOMPARE(chooser->currentIndex(), -1);
    QVERIFY(shown("editButton") && !shown("updateButton"));
    QCOMPARE(child<QPushButton>("editButton")->text(), QStringLiteral("&Edit"));
    QCOMPARE(child<QPushButton>("updateButton")->text(), QStringLiteral("&Update"));
    QCOMPARE(child<QPushButton>("addCarrierButton")->text(), QStringLiteral("&Add carrier"));
    QCOMPARE(child<QPushButton>("returnButton")->text(), QStringLiteral("&RETURN"));
    QCOMPARE(child<QPushButton>("helpButton")->text(), QStringLiteral("Help"));

    QCOMPARE(child<QComboBox>("ListDestManque")->placeholderText(),
        QStringLiteral("Select destination"));
    QCOMPARE(child<QLineEdit>("nameToAdd")->toolTip(),
        QString::fromUtf8("La destination à ajouter au transporteur s'inscrit ici"));
    QVERIFY(child<QLineEdit>("nameToAdd")->isReadOnly());
    QCOMPARE(child<QPushButton>("addButton")->toolTip(),
        QStringLiteral("Add the destination to the selected carrier"));
    QCOMPARE(child<QPushButton>("removeButton")->toolTip(),
        QStringLiteral("To remove a destination from the carrier"));
    QCOMPARE(child<QLineEdit>("newDestination")->toolTip(),
        QStringLiteral("Entrez ici une nouvelle destination"));
    QCOMPARE(child<QPushButton>("addNewButton")->toolTip(),
        QStringLiteral("Add a destination, not listed above, to the general list of "
                       "destinations"));
    QVERIFY(!child<QPushButton>("removeButton")->isHidden());
    QVERIFY(child<QPushButton>("cancelButton")->isHidden());
}

void tst_frmMAJtrans::clerkAddsACarrierWithTwoDestinations()
{
    click("addCarrierButton");
    QVERIFY(shown("carrierPanel") && shown("updateButton") && !shown("editButton"));
    QVERIFY(child<QLineEdit>("NomTrans")->hasFocus());
    QTest::keyClicks(child<QLineEdit>("NomTrans"), QStringLiteral("FLEET"));
    QTest::keyClicks(child<QLineEdit>("NomLongTrans"), QStringLiteral("Fleet Freight Ltd"));
    click("updateButton");
    QVERIFY(shown("inactivePanel") && shown("editButton") && !shown("updateButton"));

    chooseCarrier("FLEET");
    QVERIFY(shown("carrierPanel") && shown("destinationPanel"));
    QVERIFY(child<QComboBox>("carrierChooser")->isHidden());
    QCOMPARE(child<QLineEdit>("NomLongTrans")->text(), QStringLiteral("Fleet Freight Ltd"));
    QCOMPARE(
        child<QLabel>("destListText")->text(), QStringLiteral("carrier's list of destinations"));
    auto *served = child<QListWidget>("ListDestTrans");
    QCOMPARE(served->count(), 1);
    QCOMPARE(served->item(0)->text(), QStringLiteral("NEW YORK"));

    // An existing destination.
    auto *missing = child<QComboBox>("ListDestManque");
    pick(missing, "DENVER");
    QCOMPARE(nameToAdd(), QStringLiteral("DENVER"));
    click("addButton");
    QVERIFY(nameToAdd().isEmpty());
    QCOMPARE(missing->currentIndex(), -1);
    QCOMPARE(missing->findText("DENVER"), -1);

    // A new one, typed in small letters.
    auto *entry = child<QLineEdit>("newDestination");
    QTest::keyClicks(entry, QStringLiteral("gasp"));
    QTest::sendKeyEvent(QTest::Click, entry, Qt::Key_Eacute, QString::fromUtf8("é"), {});
    QTest::keyClicks(entry, QStringLiteral(" nord"));
    QCOMPARE(child<QLineEdit>("newDestination")->text(), QString::fromUtf8("GASPé NORD"));
    click("addNewButton");
    QVERIFY(child<QLineEdit>("newDestination")->text().isEmpty());
    QCOMPARE(nameToAdd(), QString::fromUtf8("GASPé NORD"));
    QStringList names;
    for (int row = 0; row < served->count(); ++row)
        names << served->item(row)->text();
    QCOMPARE(names, QStringList({"DENVER", QString::fromUtf8("GASPé NORD"), "NEW YORK"}));
    QVERIFY(m_boxTexts.isEmpty());
    click("updateButton");

    // After a restart of the program it is still there, with its three destinations.
    m_window.reset();
    makeWindow();
    click("editButton");
    QVERIFY(child<QComboBox>("carrierChooser")->findText("FLEET") >= 0);
    chooseCarrier("FLEET");
    QCOMPARE(child<QListWidget>("ListDestTrans")->count(), 3);
    QCOMPARE(child<QLineEdit>("NomLongTrans")->text(), QStringLiteral("Fleet Freight Ltd"));
}

void tst_frmMAJtrans::typedFieldsFollowTheirCarrier()
{
    entreval main;
    chooseCarrier("ACME");
    QTest::keyClicks(child<QLineEdit>("Ville"), QStringLiteral("Sherbrooke"));
    // "&RETURN" neither saves nor discards; choosing another carrier saves.
    click("returnButton");
    main.hide();
    m_window->show();
    QVERIFY(shown("carrierPanel") == false);
    click("editButton");
    pick(child<QComboBox>("carrierChooser"), "BOREAL");
    QCOMPARE(child<QLineEdit>("NomTrans")->text(), QStringLiteral("BOREAL"));
    QVERIFY(child<QLineEdit>("Ville")->text().isEmpty());
    QCOMPARE(m_boxTexts, QStringList());

    QSqlQuery check(m_fixture->database().connection());
    QVERIFY(check.exec("SELECT Ville FROM IdentTrans WHERE NomTrans = 'ACME'") && check.next());
    QCOMPARE(check.value(0).toString(), QStringLiteral("Sherbrooke"));
    pick(child<QComboBox>("carrierChooser"), "ACME");
    QCOMPARE(child<QLineEdit>("Ville")->text(), QStringLiteral("Sherbrooke"));
}

void tst_frmMAJtrans::optionsFollowTheCarrier()
{
    {
        QSqlQuery query(m_fixture->database().connection());
        QVERIFY(query.exec("UPDATE IdentTrans SET TarifType = CASE NomTrans WHEN 'ACME' THEN "
                           "'po' WHEN 'BOREAL' THEN 'pa' WHEN 'CARGO''S' THEN 'popa' ELSE "
                           "'?' END"));
    }
    m_window.reset();
    makeWindow();
    const struct
    {
        const char *carrier;
        const char *checked;
    } steps[] = {{"BOREAL", "ratePallet"}, {"DELTA", "ratePallet"}, {"CARGO'S", "rateBoth"},
        {"EAGLE", "rateBoth"}, {"ACME", "rateWeight"}};
    for (const auto &step : steps) {
        chooseCarrier(QString::fromUtf8(step.carrier));
        for (const char *option : {"rateWeight", "ratePallet", "rateBoth"})
            QCOMPARE(child<QRadioButton>(option)->isChecked(), qstrcmp(option, step.checked) == 0);
    }
    // The user's choice is saved by "&Update".
    QTest::mouseClick(child<QRadioButton>("rateBoth"), Qt::LeftButton);
    QVERIFY(child<QRadioButton>("rateBoth")->isChecked());
    QVERIFY(!child<QRadioButton>("rateWeight")->isChecked());
    click("updateButton");
    QSqlQuery check(m_fixture->database().connection());
    QVERIFY(check.exec("SELECT TarifType FROM IdentTrans WHERE NomTrans = 'ACME'") && check.next());
    QCOMPARE(check.value(0).toString(), QStringLiteral("popa"));
}

void tst_frmMAJtrans::removeAsksAndCancelHides()
{
    m_fixture->addDestination(QStringLiteral("UNUSED"));
    m_window.reset();
    makeWindow();
    chooseCarrier("EAGLE");
    auto *remove = child<QPushButton>("removeButton");
    auto *cancel = child<QPushButton>("cancelButton");
    QVERIFY(remove->isVisible() && !cancel->isVisible());

    // Without an entry chosen, "Remove" deletes nothing.
    answerNextBox(QMessageBox::Ok);
    click("removeButton");
    QTRY_COMPARE(m_boxTexts, QStringList {"You did not select any destination"});

    // No leaves the destination; Yes deletes it. The question names it.
    auto *missing = child<QComboBox>("ListDestManque");
    pick(missing, "UNUSED");
    answerNextBox(QMessageBox::No);
    click("removeButton");
    QTRY_COMPARE(m_boxTexts.size(), 2);
    QCOMPARE(m_boxTexts.last(),
        QStringLiteral("Do you really want to remove this destination ? \nUNUSED"));
    QVERIFY(missing->findText("UNUSED") >= 0);
    QCOMPARE(nameToAdd(), QStringLiteral("UNUSED"));
    answerNextBox(QMessageBox::Yes);
    click("removeButton");
    QTRY_COMPARE(m_boxTexts.size(), 3);
    QCOMPARE(missing->findText("UNUSED"), -1);
    QVERIFY(nameToAdd().isEmpty());

    // The right button prepares "Remove" once after a click on an entry (the one chosen in
    // the not-yet-served list counts); "Cancel" hides it until the next such pair.
    auto *served = child<QListWidget>("ListDestTrans");
    QTest::mouseClick(
        served->viewport(), Qt::RightButton, {}, served->visualItemRect(served->item(0)).center());
    QVERIFY(remove->isVisible() && cancel->isVisible());
    click("cancelButton");
    QVERIFY(!remove->isVisible() && !cancel->isVisible());
    QTest::mouseClick(
        served->viewport(), Qt::RightButton, {}, served->visualItemRect(served->item(0)).center());
    QVERIFY(!remove->isVisible());
    QTest::mouseClick(
        served->viewport(), Qt::LeftButton, {}, served->visualItemRect(served->item(0)).center());
    QTest::mouseClick(
        served->viewport(), Qt::RightButton, {}, served->visualItemRect(served->item(0)).center());
    QVERIFY(remove->isVisible());
}

void tst_frmMAJtrans::messagesOfTheGuards()
{
    chooseCarrier("ACME");
    answerNextBox(QMessageBox::Ok);
    click("addButton");
    answerNextBox(QMessageBox::Ok);
    click("addNewButton");
    // A destination that is served (CHICAGO by ACME) cannot be removed.
    pick(child<QComboBox>("ListDestManque"), "FARGO");
    click("addButton");
    click("updateButton");
    chooseCarrier("BOREAL");
    pick(child<QComboBox>("ListDestManque"), "FARGO");
    answerNextBox(QMessageBox::Ok);
    click("removeButton");
    click("addCarrierButton");
    answerNextBox(QMessageBox::Ok);
    click("updateButton");
    QTRY_COMPARE(m_boxTexts.size(), 4);
    QCOMPARE(m_boxTexts,
        QStringList({"You did not select any destination", "You did not enter any destination",
            "This destination is bound to at least one carrier, you can delete it here only "
            "after it has been removed from the carriers.",
            "You must enter a short name AND the legal name (long name)of the carrier"}));
}

void tst_frmMAJtrans::returnHidesAndCloseBoxEnds()
{
    // Closed by the program's own code, the window goes and the program stays.
    m_window->close();
    QCOMPARE(m_programEnds, 0);
    m_window->show();
    {
        entreval main;
        main.hide();
        click("editButton");
        click("returnButton");
        QVERIFY(m_window->isHidden());
        QVERIFY(main.isVisible());
        QCOMPARE(m_programEnds, 0);
    }
    // Shown again, it kept its state: the chooser is still there.
    m_window->show();
    QVERIFY(shown("carrierChooser"));

    chooseCarrier("DELTA");
    QTest::keyClicks(child<QLineEdit>("Contact1"), QStringLiteral("Marie"));
    click("returnButton");
    QVERIFY(m_window->isHidden());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
    // The close box unloads the window, saving what was typed, and ends the program.
    userCloses(m_window.get());
    QCOMPARE(m_programEnds, 1);
    QSqlQuery check(m_fixture->database().connection());
    QVERIFY(check.exec("SELECT \"Contact 1\" FROM IdentTrans WHERE NomTrans = 'DELTA'")
        && check.next());
    QCOMPARE(check.value(0).toString(), QStringLiteral("Marie"));
}

void tst_frmMAJtrans::newCarrierReachesQuoteAndMainWindow()
{
    click("addCarrierButton");
    QTest::keyClicks(child<QLineEdit>("NomTrans"), QStringLiteral("ZEPHYR"));
    QTest::keyClicks(child<QLineEdit>("NomLongTrans"), QStringLiteral("Zephyr Lines"));
    QTest::mouseClick(child<QRadioButton>("rateWeight"), Qt::LeftButton);
    click("updateButton");
    chooseCarrier("ZEPHYR");
    pick(child<QComboBox>("ListDestManque"), "CHICAGO");
    click("addButton");
    click("updateButton");

    // Its rates, as the rate grid writes them.
    RecordSet grid = RecordSet::openQuery(m_fixture->database(), "ModifTarifPoids2",
        {{"[prmNoTrans]", m_window->editor().state().currentCarrierNo}});
    QVERIFY(grid.findFirst({"Destination", "CHICAGO"}));
    grid.edit();
    grid.setCurrency("p1000", Currency::fromDouble(8.25));
    grid.update();

    const QuoteCommand::Outcome outcome = QuoteCommand::run({"--db", m_fixture->path(), "--weight",
        "1200", "--pallets", "", "--destination", "CHICAGO", "--json"});
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY2(outcome.output.contains("ZEPHYR"), outcome.output.constData());

    BestRateEvaluator logic(Database::open(m_fixture->path()));
    logic.load();
    logic.setWeightText("1200");
    int chicago = -1;
    for (int i = 0; i < logic.state().destRows.size(); ++i) {
        if (logic.state().destRows[i].name == "CHICAGO")
            chicago = i;
    }
    QCOMPARE(logic.chooseDestination(chicago), QString());
    QCOMPARE(logic.state().resultCarrier, QStringLiteral("ZEPHYR"));
    QCOMPARE(logic.state().weightRows.rows().value(0).carrier, QStringLiteral("ZEPHYR"));
}

void tst_frmMAJtrans::withoutDatabase()
{
    m_window.reset();
    QTemporaryDir empty;
    ModRouvel::dbPath = empty.filePath("rouvel.rvl");
    makeWindow();
    QVERIFY(shown("loadProblem"));
    QVERIFY(child<QLabel>("loadProblem")->text().contains("rouvel.rvl"));
    QVERIFY(!child<QPushButton>("editButton")->isEnabled());
    QVERIFY(!child<QPushButton>("addCarrierButton")->isEnabled());
    QVERIFY(shown("inactivePanel"));
    userCloses(m_window.get());
    QCOMPARE(m_programEnds, 1);
    m_programEnds = 0;
}

// Answers every message box with OK while it lives, keeping the texts: a box nobody expected is
// then a failed comparison, not a test that waits for ever.
class BoxAnswerer : public QObject
{
public:
    BoxAnswerer()
    {
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                if (box->isVisible() && box != m_last) {
                    m_last = box;
                    texts << box->text();
                    box->button(QMessageBox::Ok)->click();
                }
            }
        });
        m_timer.start(5);
    }
    QStringList texts;

private:
    QTimer m_timer;
    QPointer<QMessageBox> m_last;
};

QMap<QString, QString> tst_frmMAJtrans::rateTypes() const
{
    QMap<QString, QString> types;
    QSqlQuery query(m_fixture->database().connection());
    if (!query.exec("SELECT NomTrans, COALESCE(TarifType, '<null>') FROM IdentTrans"))
        qFatal("IdentTrans cannot be read");
    while (query.next())
        types.insert(query.value(0).toString(), query.value(1).toString());
    return types;
}

void tst_frmMAJtrans::setRateTypes()
{
    QSqlQuery query(m_fixture->database().connection());
    if (!query.exec("UPDATE IdentTrans SET TarifType = CASE NomTrans WHEN 'CARGO''S' THEN 'popa' "
                    "WHEN 'EAGLE' THEN 'popa' ELSE 'po' END"))
        qFatal("IdentTrans cannot be written");
    m_window.reset();
    makeWindow();
}

int tst_frmMAJtrans::count(const QString &sql) const
{
    QSqlQuery query(m_fixture->database().connection());
    if (!query.exec(sql) || !query.next())
        qFatal("%s", qPrintable(sql));
    return query.value(0).toInt();
}

void tst_frmMAJtrans::refusedNewCarrierChangesNoOtherCarrier_data()
{
    QTest::addColumn<QString>("current"); // the carrier chosen before "&Add carrier"
    QTest::addColumn<QString>("longName"); // typed for the new carrier
    QTest::addColumn<bool>("editFirst"); // update mode on: "&Update" runs enregistreMAJ too
    QTest::newRow("no name, the first carrier current") << ""
                                                        << "" << false;
    QTest::newRow("long name only, DELTA chosen") << "DELTA"
                                                  << "Delta Nord" << true;
    QTest::newRow("long name only, EAGLE chosen") << "EAGLE"
                                                  << "Eagle Two" << true;
}

void tst_frmMAJtrans::refusedNewCarrierChangesNoOtherCarrier()
{
    QFETCH(QString, current);
    QFETCH(QString, longName);
    QFETCH(bool, editFirst);
    setRateTypes();
    const QMap<QString, QString> before = rateTypes();
    BoxAnswerer boxes;
    if (!current.isEmpty())
        chooseCarrier(current);
    QVERIFY(m_window->editor().state().flagMAJ == editFirst);

    click("addCarrierButton");
    if (!longName.isEmpty())
        QTest::keyClicks(child<QLineEdit>("NomLongTrans"), longName);
    QTest::mouseClick(child<QRadioButton>("ratePallet"), Qt::LeftButton);
    QVERIFY(child<QRadioButton>("ratePallet")->isChecked());
    click("updateButton");
    QTRY_COMPARE(boxes.texts,
        QStringList {"You must enter a short name AND the legal name (long name)of the carrier"});
    QCOMPARE(rateTypes(), before);

    // Another carrier chosen drops the new record: its own fields and its own option show.
    for (const QString &name : {QStringLiteral("BOREAL"), QStringLiteral("CARGO'S")}) {
        chooseCarrier(name);
        QCOMPARE(child<QLineEdit>("NomTrans")->text(), name);
        QVERIFY(child<QLineEdit>("NomLongTrans")->text().isEmpty());
        const bool both = name == QLatin1String("CARGO'S");
        QCOMPARE(child<QRadioButton>("rateWeight")->isChecked(), !both);
        QCOMPARE(child<QRadioButton>("ratePallet")->isChecked(), false);
        QCOMPARE(child<QRadioButton>("rateBoth")->isChecked(), both);
        QCOMPARE(rateTypes(), before);
    }
    // Saved with "&Update", the chosen carrier keeps its own rate type; so does every other.
    click("updateButton");
    userCloses(m_window.get());
    QCOMPARE(rateTypes(), before);
    QCOMPARE(boxes.texts.size(), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), before.size());
}

void tst_frmMAJtrans::refusedNewCarrierWaitsForACorrection()
{
    setRateTypes();
    const QMap<QString, QString> before = rateTypes();
    BoxAnswerer boxes;
    chooseCarrier("DELTA");
    click("addCarrierButton");
    QTest::keyClicks(child<QLineEdit>("NomLongTrans"), QStringLiteral("Nordic Freight"));
    QTest::keyClicks(child<QLineEdit>("Ville"), QStringLiteral("Chicoutimi"));
    QTest::mouseClick(child<QRadioButton>("ratePallet"), Qt::LeftButton);
    click("updateButton");
    QTRY_COMPARE(boxes.texts.size(), 1);
    QVERIFY(shown("inactivePanel"));

    // "&Add carrier" shows what was typed, with the option, for the missing name.
    click("addCarrierButton");
    QVERIFY(shown("carrierPanel") && shown("updateButton"));
    QVERIFY(child<QLineEdit>("NomTrans")->text().isEmpty());
    QCOMPARE(child<QLineEdit>("NomLongTrans")->text(), QStringLiteral("Nordic Freight"));
    QCOMPARE(child<QLineEdit>("Ville")->text(), QStringLiteral("Chicoutimi"));
    QVERIFY(child<QRadioButton>("ratePallet")->isChecked());
    QVERIFY(!child<QRadioButton>("rateWeight")->isChecked());
    QTest::keyClicks(child<QLineEdit>("NomTrans"), QStringLiteral("NORDIC"));
    click("updateButton");
    QCOMPARE(boxes.texts.size(), 1);
    QMap<QString, QString> after = before;
    after.insert("NORDIC", "pa");
    QCOMPARE(rateTypes(), after);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE NomTrans = 'NORDIC' AND NomLongTrans = "
                   "'Nordic Freight' AND Ville = 'Chicoutimi'"),
        1);

    // Refused again and left with "&RETURN": dropped, the next new record starts blank.
    click("addCarrierButton");
    QTest::keyClicks(child<QLineEdit>("NomTrans"), QStringLiteral("SOLO"));
    QTest::mouseClick(child<QRadioButton>("rateBoth"), Qt::LeftButton);
    click("updateButton");
    QTRY_COMPARE(boxes.texts.size(), 2);
    click("returnButton");
    m_window->show();
    click("addCarrierButton");
    for (int field = 0; field < CarrierRecord::FieldCount; ++field)
        QVERIFY(m_window->editor().state().record[field].isEmpty());
    QVERIFY(child<QLineEdit>("NomTrans")->text().isEmpty());
    QVERIFY(child<QLineEdit>("NomLongTrans")->text().isEmpty());
    click("returnButton");
    m_window->show();
    chooseCarrier("EAGLE");
    QVERIFY(child<QRadioButton>("rateBoth")->isChecked());
    chooseCarrier("DELTA");
    QVERIFY(child<QRadioButton>("rateWeight")->isChecked());
    click("updateButton");
    QCOMPARE(rateTypes(), after);
    QCOMPARE(boxes.texts.size(), 2);
}

void tst_frmMAJtrans::refusedDuplicateThenReturnLeavesTheWindowUsable()
{
    BoxAnswerer boxes;
    const int carriers = count("SELECT COUNT(*) FROM IdentTrans");
    click("addCarrierButton");
    QTest::keyClicks(child<QLineEdit>("NomTrans"), QStringLiteral("boreal"));
    QTest::keyClicks(child<QLineEdit>("NomLongTrans"), QStringLiteral("Boreal again"));
    click("updateButton");
    QTRY_COMPARE(boxes.texts, QStringList {"This data already exists"});
    // The typed values stay for a correction.
    QVERIFY(shown("carrierPanel") && shown("updateButton"));
    QCOMPARE(child<QLineEdit>("NomTrans")->text(), QStringLiteral("boreal"));

    click("returnButton");
    QVERIFY(m_window->isHidden());
    m_window->show();
    const QStringList names = m_window->editor().state().chooserEntries;
    QCOMPARE(names.size(), carriers);
    for (const QString &name : names) {
        chooseCarrier(name);
        QCOMPARE(child<QLineEdit>("NomTrans")->text(), name);
        QVERIFY(shown("destinationPanel"));
    }
    QCOMPARE(boxes.texts.size(), 1);
    click("addCarrierButton");
    QVERIFY(child<QLineEdit>("NomTrans")->text().isEmpty());
    QVERIFY(child<QLineEdit>("NomLongTrans")->text().isEmpty());
    click("returnButton");
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE NomLongTrans = 'Boreal again'"), 0);
    QCOMPARE(boxes.texts.size(), 1);
}

void tst_frmMAJtrans::sameDestinationIsRefused_data()
{
    QTest::addColumn<QString>("existing"); // added to the file first, if not empty
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("created");
    QTest::newRow("blank after") << ""
                                 << "CHICAGO " << false;
    QTest::newRow("small letters, blanks before") << ""
                                                  << "  chicago" << false;
    QTest::newRow("accented capital in the file")
        << QString::fromUtf8("TROIS-RIVIÈRES") << QString::fromUtf8("trois-rivières") << false;
    QTest::newRow("accented small in the file")
        << QString::fromUtf8("TROIS-RIVIèRES") << QString::fromUtf8("TROIS-RIVIÈRES ") << false;
    QTest::newRow("without the accent") << QString::fromUtf8("MONTRÉAL") << "montreal" << true;
}

void tst_frmMAJtrans::sameDestinationIsRefused()
{
    QFETCH(QString, existing);
    QFETCH(QString, typed);
    QFETCH(bool, created);
    if (!existing.isEmpty()) {
        m_fixture->addDestination(existing);
        m_window.reset();
        makeWindow();
    }
    const int destinations = count("SELECT COUNT(*) FROM Destination");
    BoxAnswerer boxes;
    chooseCarrier("BOREAL");
    const int served = child<QListWidget>("ListDestTrans")->count();
    child<QLineEdit>("newDestination")->insert(typed);
    click("addNewButton");
    if (created) {
        QCOMPARE(boxes.texts, QStringList());
        QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations + 1);
        QCOMPARE(child<QListWidget>("ListDestTrans")->count(), served + 1);
    } else {
        QTRY_COMPARE(boxes.texts, QStringList {"This data already exists"});
        QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations);
        QCOMPARE(child<QListWidget>("ListDestTrans")->count(), served);
    }
}

void tst_frmMAJtrans::hiddenCharactersRefused_data()
{
    QTest::addColumn<QString>("field"); // object name of the field typed in
    QTest::addColumn<bool>("newCarrier");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("message");
    QTest::newRow("new carrier, short name, zero width space")
        << "NomTrans" << true << QStringLiteral("NORD") + QChar(0x200B) + QStringLiteral("EST")
        << "\"Name (short)\" holds the invisible character U+200B; type the name again without it.";
    QTest::newRow("new carrier, long name, bell")
        << "NomLongTrans" << true << QStringLiteral("Nord") + QChar(0x0007)
        << "\"Name (long)\" holds the invisible character U+0007; type the name again without it.";
    QTest::newRow("renamed carrier, byte-order mark")
        << "NomTrans" << false << QChar(0xFEFF) + QStringLiteral("ACME")
        << "The carrier could not be saved: \"Name (short)\" holds the invisible character U+FEFF; "
           "type the name again without it.";
    QTest::newRow("new destination, right-to-left override")
        << "newDestination" << false << QStringLiteral("TORONTO") + QChar(0x202E)
        << "The new destination holds the invisible character U+202E; type its name again "
           "without it.";
}

void tst_frmMAJtrans::hiddenCharactersRefused()
{
    QFETCH(QString, field);
    QFETCH(bool, newCarrier);
    QFETCH(QString, text);
    QFETCH(QString, message);
    const int carriers = count("SELECT COUNT(*) FROM IdentTrans");
    const int destinations = count("SELECT COUNT(*) FROM Destination");
    BoxAnswerer boxes;
    auto *edit = requiredChild<QLineEdit>(m_window.get(), field);
    if (newCarrier) {
        click("addCarrierButton");
        QTest::keyClicks(child<QLineEdit>("NomTrans"), QStringLiteral("NORDEST"));
        QTest::keyClicks(child<QLineEdit>("NomLongTrans"), QStringLiteral("Nord-Est"));
        edit->clear();
    } else {
        chooseCarrier("ACME");
        if (field == QLatin1String("NomTrans"))
            edit->clear();
    }
    // Pasted: no key types such a character.
    edit->insert(text);
    click(field == QLatin1String("newDestination") ? "addNewButton" : "updateButton");
    QTRY_COMPARE(boxes.texts, QStringList {message});
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers);
    QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE NomTrans = 'ACME'"), 1);
    if (field != QLatin1String("newDestination")) {
        // What was typed stays, and "&Update" saves it once corrected.
        QCOMPARE(edit->text(), text);
        QVERIFY(shown("updateButton"));
        edit->clear();
        edit->insert(newCarrier ? QStringLiteral("Nord-Est") : QStringLiteral("ACME"));
        if (field == QLatin1String("NomTrans") && newCarrier) {
            edit->clear();
            edit->insert(QStringLiteral("NORDEST"));
        }
        click("updateButton");
        QCOMPARE(boxes.texts.size(), 1);
        QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers + (newCarrier ? 1 : 0));
    }
}

QTEST_MAIN(tst_frmMAJtrans)
#include "tst_frmMAJtrans.moc"

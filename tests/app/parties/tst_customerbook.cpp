#include "PartiesFixture.h"

#include "parties/CustomerBook.h"

#include <QTest>

using Mode = CustomersState::Mode;
Q_DECLARE_METATYPE(CustomersState::Mode)

class tst_CustomerBook : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void activationReadsTheTableInItsOrder();
    void commandsFollowTheStates_data();
    void commandsFollowTheStates();
    void guardsChangeNothing_data();
    void guardsChangeNothing();
    void newCustomerNeedsOnlyANonEmptyName_data();
    void newCustomerNeedsOnlyANonEmptyName();
    void modificationsSaveAnErasedName();
    void deleteRemovesTheChosenOfTwins();
    void activationDropsAnUnsavedChoice();
    void refusalWritesNothingAndKeepsTheTyping_data();
    void refusalWritesNothingAndKeepsTheTyping();
    void unreadableTableIsToldNotThrown();
    void nameWithAHiddenCharacterRefused();

private:
    // Runs one step of a session: "choose N", "new", "save new", "save modifications",
    // "delete", "cancel", "activate". Returns the message the step gives.
    QString run(const QString &step);

    std::unique_ptr<PartiesFixture> m_fixture;
    std::unique_ptr<CustomerBook> m_book;
};

void tst_CustomerBook::init()
{
    m_fixture = std::make_unique<PartiesFixture>();
    m_fixture->addCustomers({PartiesFixture::party("DUPONT", "QUEBEC", "418-555-0101"),
        PartiesFixture::party("ACME", "MONTREAL"),
        PartiesFixture::party("DUPONT", "LEVIS", "418-555-0199")});
    m_book = std::make_unique<CustomerBook>(m_fixture->database());
    m_book->activate();
}

void tst_CustomerBook::cleanup()
{
    m_book.reset();
    m_fixture.reset();
}

void tst_CustomerBook::nameWithAHiddenCharacterRefused()
{
    const QString hidden = QStringLiteral("GAGNON") + QChar(0x00AD) + QStringLiteral("BELL");
    const QString message = QStringLiteral(
        "\"Name\" holds the invisible character U+00AD; type the name again without it.");
    const QList<PartyAddress> before = m_fixture->rows();
    m_book->startNew();
    QCOMPARE(m_book->saveNew(PartiesFixture::party(hidden.toUtf8().constData(), "GASPE")), message);
    QCOMPARE(m_fixture->rows(), before);
    QCOMPARE(m_book->state().mode, Mode::New);
    QCOMPARE(m_book->state().fields.name, hidden);

    QVERIFY(m_book->choose(1));
    QCOMPARE(m_book->saveModifications(PartiesFixture::party(hidden.toUtf8().constData(), "GASPE")),
        message);
    QCOMPARE(m_fixture->rows(), before);
    QCOMPARE(m_book->state().mode, Mode::Chosen);

    // A name stored before names were checked can keep it while the rest of the row changes.
    m_fixture->exec(QStringLiteral("UPDATE TableClients SET NomClient = 'ACME' || char(9) "
                                   "WHERE NomClient = 'ACME'"));
    m_book->activate();
    const QString stored = QStringLiteral("ACME\t");
    QCOMPARE(m_book->state().customerNames.value(1), stored);
    QVERIFY(m_book->choose(1));
    QCOMPARE(m_book->saveModifications(PartiesFixture::party("ACME\t", "LAVAL")), QString());
    QCOMPARE(m_fixture->rows().value(1), PartiesFixture::party("ACME\t", "LAVAL"));
}

QString tst_CustomerBook::run(const QString &step)
{
    if (step.startsWith(QLatin1String("choose "))) {
        if (!m_book->choose(step.mid(7).toInt()))
            return QStringLiteral("no such customer");
        return {};
    }
    if (step == QLatin1String("new")) {
        m_book->startNew();
        return {};
    }
    if (step == QLatin1String("save new"))
        return m_book->saveNew(PartiesFixture::party("NEW", "SHERBROOKE"));
    if (step == QLatin1String("save modifications"))
        return m_book->saveModifications(PartiesFixture::party("CHANGED", "RIMOUSKI"));
    if (step == QLatin1String("delete"))
        return m_book->deleteCustomer();
    if (step == QLatin1String("cancel")) {
        m_book->cancel();
        return {};
    }
    if (step == QLatin1String("activate")) {
        m_book->activate();
        return {};
    }
    qFatal("unknown step %s", qPrintable(step));
}

void tst_CustomerBook::activationReadsTheTableInItsOrder()
{
    const CustomersState &s = m_book->state();
    QCOMPARE(s.customerNames, QStringList({"DUPONT", "ACME", "DUPONT"}));
    QCOMPARE(s.mode, Mode::Idle);
    QVERIFY(s.chooserShown && s.placeholdersShown && s.newShown);
    QVERIFY(!s.saveNewShown && !s.saveModificationsShown && !s.deleteShown);
    QCOMPARE(s.fields, PartyAddress());
    QVERIFY(s.loadProblem.isEmpty());

    QVERIFY(m_book->choose(2));
    QCOMPARE(m_book->state().fields, PartiesFixture::party("DUPONT", "LEVIS", "418-555-0199"));
    QVERIFY(!m_book->choose(3));
    QVERIFY(!m_book->choose(-1));
}

void tst_CustomerBook::commandsFollowTheStates_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<Mode>("mode");
    QTest::addColumn<bool>("chooser");
    QTest::addColumn<bool>("placeholders");
    // Which of "New customer", "Save new customer", "Save modifications", "Delete customer" show.
    QTest::addColumn<QString>("commands");

    QTest::newRow("opened") << QStringList() << Mode::Idle << true << true << "N...";
    QTest::newRow("chosen") << QStringList {"choose 1"} << Mode::Chosen << true << false << "..MD";
    QTest::newRow("new") << QStringList {"new"} << Mode::New << false << false << ".S..";
    QTest::newRow("chosen, then new")
        << QStringList {"choose 0", "new"} << Mode::New << false << false << ".S..";
    QTest::newRow("new saved") << QStringList {"new", "save new"} << Mode::Idle << true << true
                               << "N...";
    // After a saved change both commands stay, with nothing chosen.
    QTest::newRow("modification saved")
        << QStringList {"choose 1", "save modifications"} << Mode::Idle << true << true << "N.MD";
    QTest::newRow("deleted") << QStringList {"choose 1", "delete"} << Mode::Idle << true << true
                             << "N...";
    QTest::newRow("chosen, cancelled")
        << QStringList {"choose 1", "cancel"} << Mode::Idle << true << true << "N...";
    QTest::newRow("new, cancelled")
        << QStringList {"new", "cancel"} << Mode::Idle << true << true << "N...";
    QTest::newRow("modification saved, cancelled") << QStringList {"choose 1", "save modifications",
        "cancel"} << Mode::Idle << true << true << "N...";
    // An activation drops a choice with its commands, but leaves those a saved change showed.
    QTest::newRow("chosen, back from another window")
        << QStringList {"choose 1", "activate"} << Mode::Idle << true << true << "N...";
    QTest::newRow("modification saved, back from another window")
        << QStringList {"choose 1", "save modifications", "activate"} << Mode::Idle << true << true
        << "N.MD";
    QTest::newRow("modification saved, chosen again, back from another window")
        << QStringList {"choose 1", "save modifications", "choose 0", "activate"} << Mode::Idle
        << true << true << "N...";
    QTest::newRow("new, back from another window")
        << QStringList {"new", "activate"} << Mode::Idle << true << true << "N...";
}

void tst_CustomerBook::commandsFollowTheStates()
{
    QFETCH(QStringList, steps);
    QFETCH(Mode, mode);
    QFETCH(bool, chooser);
    QFETCH(bool, placeholders);
    QFETCH(QString, commands);

    for (const QString &step : std::as_const(steps))
        QCOMPARE(run(step), QString());
    const CustomersState &s = m_book->state();
    QCOMPARE(s.mode, mode);
    QCOMPARE(s.chooserShown, chooser);
    QCOMPARE(s.placeholdersShown, placeholders);
    const QString shown = QString(s.newShown ? 'N' : '.') + QChar(s.saveNewShown ? 'S' : '.')
        + QChar(s.saveModificationsShown ? 'M' : '.') + QChar(s.deleteShown ? 'D' : '.');
    QCOMPARE(shown, commands);
    if (mode != Mode::Chosen)
        QCOMPARE(s.fields, PartyAddress());
}

void tst_CustomerBook::guardsChangeNothing_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("message");

    const QString noName = CustomerBook::noNameMessage();
    const QString noCustomer = CustomerBook::noCustomerMessage();
    QCOMPARE(noName, QStringLiteral("You did not enter any customer name"));
    QCOMPARE(noCustomer, QStringLiteral("No customer selected"));

    QTest::newRow("save modifications, nothing chosen")
        << QStringList {"save modifications"} << noCustomer;
    QTest::newRow("delete, nothing chosen") << QStringList {"delete"} << noCustomer;
    QTest::newRow("save modifications right after a saved modification")
        << QStringList {"choose 0", "save modifications", "save modifications"} << noCustomer;
    QTest::newRow("delete right after a saved modification")
        << QStringList {"choose 0", "save modifications", "delete"} << noCustomer;
    QTest::newRow("save modifications after a cancel")
        << QStringList {"choose 0", "cancel", "save modifications"} << noCustomer;
    QTest::newRow("delete after coming back from another window")
        << QStringList {"choose 2", "activate", "delete"} << noCustomer;
}

void tst_CustomerBook::guardsChangeNothing()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, message);

    const QString last = steps.takeLast();
    for (const QString &step : std::as_const(steps))
        QCOMPARE(run(step), QString());
    const QList<PartyAddress> before = m_fixture->rows();
    const CustomersState stateBefore = m_book->state();

    QCOMPARE(run(last), message);
    QCOMPARE(m_fixture->rows(), before);
    QCOMPARE(m_book->state().mode, stateBefore.mode);
    QCOMPARE(m_book->state().saveModificationsShown, stateBefore.saveModificationsShown);
    QCOMPARE(m_book->state().deleteShown, stateBefore.deleteShown);
}

void tst_CustomerBook::newCustomerNeedsOnlyANonEmptyName_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("saved");

    QTest::newRow("empty") << "" << false;
    QTest::newRow("one blank") << " " << true;
    QTest::newRow("blanks") << "   " << true;
    QTest::newRow("quote") << "O'HARA \"FILS\"" << true;
}

void tst_CustomerBook::newCustomerNeedsOnlyANonEmptyName()
{
    QFETCH(QString, name);
    QFETCH(bool, saved);

    m_book->startNew();
    PartyAddress typed = PartiesFixture::party("", "GASPE", "418-555-0123");
    typed.name = name;
    const QList<PartyAddress> before = m_fixture->rows();
    const QString message = m_book->saveNew(typed);

    if (!saved) {
        QCOMPARE(message, CustomerBook::noNameMessage());
        QCOMPARE(m_fixture->rows(), before);
        QCOMPARE(m_book->state().mode, Mode::New);
        QVERIFY(m_book->state().saveNewShown);
        return;
    }
    QCOMPARE(message, QString());
    QCOMPARE(m_fixture->rows(), before + QList<PartyAddress> {typed});
    QCOMPARE(m_book->state().customerNames.last(), name);
    QCOMPARE(m_book->state().customerNames.size(), before.size() + 1);
    QVERIFY(!m_book->state().saveNewShown);
}

void tst_CustomerBook::modificationsSaveAnErasedName()
{
    QVERIFY(m_book->choose(1));
    PartyAddress typed = m_book->state().fields;
    typed.name.clear();
    typed.telephone = QStringLiteral("514-555-0000");
    QCOMPARE(m_book->saveModifications(typed), QString());

    QList<PartyAddress> expected {PartiesFixture::party("DUPONT", "QUEBEC", "418-555-0101"), typed,
        PartiesFixture::party("DUPONT", "LEVIS", "418-555-0199")};
    QCOMPARE(m_fixture->rows(), expected);
    QCOMPARE(m_book->state().customerNames, QStringList({"DUPONT", "", "DUPONT"}));
}

void tst_CustomerBook::deleteRemovesTheChosenOfTwins()
{
    QVERIFY(m_book->choose(2));
    QCOMPARE(m_book->deleteCustomer(), QString());
    QCOMPARE(m_fixture->rows(),
        QList<PartyAddress>({PartiesFixture::party("DUPONT", "QUEBEC", "418-555-0101"),
            PartiesFixture::party("ACME", "MONTREAL")}));

    QVERIFY(m_book->choose(0));
    QCOMPARE(m_book->deleteCustomer(), QString());
    QCOMPARE(m_fixture->rows(), QList<PartyAddress>({PartiesFixture::party("ACME", "MONTREAL")}));
    QCOMPARE(m_book->state().customerNames, QStringList({"ACME"}));
}

void tst_CustomerBook::activationDropsAnUnsavedChoice()
{
    QVERIFY(m_book->choose(1));
    // Another window (or program) saves a customer meanwhile.
    m_fixture->addCustomers({PartiesFixture::party("ZED")});
    m_book->activate();

    const CustomersState &s = m_book->state();
    QCOMPARE(s.mode, Mode::Idle);
    QVERIFY(s.placeholdersShown);
    QCOMPARE(s.fields, PartyAddress());
    QCOMPARE(s.customerNames, QStringList({"DUPONT", "ACME", "DUPONT", "ZED"}));
    QCOMPARE(
        m_book->saveModifications(PartiesFixture::party("X")), CustomerBook::noCustomerMessage());
}

void tst_CustomerBook::refusalWritesNothingAndKeepsTheTyping_data()
{
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("refusal"); // how the file refuses
    QTest::addColumn<QString>("said"); // the cause the message must name
    QTest::addColumn<Mode>("mode");

    const QString readOnly = QStringLiteral("PRAGMA query_only = ON");
    QTest::newRow("read-only, save new")
        << QStringList {"new", "save new"} << readOnly << "readonly" << Mode::New;
    QTest::newRow("read-only, save modifications")
        << QStringList {"choose 1", "save modifications"} << readOnly << "readonly" << Mode::Chosen;
    QTest::newRow("read-only, delete")
        << QStringList {"choose 1", "delete"} << readOnly << "readonly" << Mode::Chosen;
    QTest::newRow("refused by a rule, save new")
        << QStringList {"new", "save new"}
        << "CREATE TRIGGER refuse BEFORE INSERT ON TableClients "
           "BEGIN SELECT RAISE(ABORT, 'disk quota exceeded'); END"
        << "disk quota exceeded" << Mode::New;
}

void tst_CustomerBook::refusalWritesNothingAndKeepsTheTyping()
{
    QFETCH(QStringList, steps);
    QFETCH(QString, refusal);
    QFETCH(QString, said);
    QFETCH(Mode, mode);

    const QString last = steps.takeLast();
    for (const QString &step : std::as_const(steps))
        QCOMPARE(run(step), QString());
    const QList<PartyAddress> before = m_fixture->rows();
    const CustomersState stateBefore = m_book->state();
    m_fixture->exec(refusal);

    const QString message = run(last);
    QVERIFY2(message.contains(said), qPrintable(message));
    QVERIFY(message.startsWith(last == QLatin1String("delete")
            ? QStringLiteral("The customer was not deleted.")
            : QStringLiteral("The customer was not saved.")));
    m_fixture->exec(QStringLiteral("PRAGMA query_only = OFF"));
    QCOMPARE(m_fixture->rows(), before);

    const CustomersState &s = m_book->state();
    QCOMPARE(s.mode, mode);
    QCOMPARE(s.placeholdersShown, false);
    QCOMPARE(s.customerNames, stateBefore.customerNames);
    if (last == QLatin1String("save new"))
        QCOMPARE(s.fields, PartiesFixture::party("NEW", "SHERBROOKE"));
    else if (last == QLatin1String("save modifications"))
        QCOMPARE(s.fields, PartiesFixture::party("CHANGED", "RIMOUSKI"));

    // Once the file takes writes again, the same command goes through.
    m_fixture->exec(QStringLiteral("DROP TRIGGER IF EXISTS refuse"));
    QCOMPARE(run(last), QString());
    QVERIFY(m_fixture->rows() != before);
}

void tst_CustomerBook::unreadableTableIsToldNotThrown()
{
    m_fixture->exec(QStringLiteral("ALTER TABLE TableClients RENAME TO Gone"));
    m_book->activate();
    const CustomersState &s = m_book->state();
    QVERIFY2(s.loadProblem.contains(QLatin1String("TableClients")), qPrintable(s.loadProblem));
    QVERIFY(s.customerNames.isEmpty());
    QCOMPARE(s.mode, Mode::Idle);
    QVERIFY(!m_book->choose(0));
    m_book->startNew();
    const QString message = m_book->saveNew(PartiesFixture::party("NEW"));
    QVERIFY2(message.startsWith(QLatin1String("The customer was not saved.")), qPrintable(message));
}

QTEST_GUILESS_MAIN(tst_CustomerBook)
#include "tst_customerbook.moc"

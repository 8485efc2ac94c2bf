#include "PartiesFixture.h"

#include "parties/OwnCompany.h"

#include <QTest>

Q_DECLARE_METATYPE(PartyAddress)

class tst_OwnCompany : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void showsTheFirstRow();
    void saveWritesTheFirstRowOnly_data();
    void saveWritesTheFirstRowOnly();
    void tableWithoutRow();
    void activationSeesWhatOthersSaved();
    void refusalWritesNothing_data();
    void refusalWritesNothing();
    void nameWithAHiddenCharacterRefused();

private:
    std::unique_ptr<PartiesFixture> m_fixture;
    std::unique_ptr<OwnCompany> m_company;
};

void tst_OwnCompany::init()
{
    m_fixture = std::make_unique<PartiesFixture>();
    // A new file holds one blank company row; fill it in and put a second row behind it.
    m_fixture->exec(QStringLiteral("UPDATE origine SET NomClient = 'ROUVEL INC', "
                                   "VilleClient = 'QUEBEC', TelClient = '418-555-0100'"));
    m_fixture->insert(QStringLiteral("origine"), PartiesFixture::party("SECOND ROW"));
    m_company = std::make_unique<OwnCompany>(m_fixture->database());
    m_company->activate();
}

void tst_OwnCompany::cleanup()
{
    m_company.reset();
    m_fixture.reset();
}

void tst_OwnCompany::nameWithAHiddenCharacterRefused()
{
    PartyAddress typed = m_company->fields();
    typed.name = QStringLiteral("ROUVEL INC") + QChar(0xFEFF);
    QCOMPARE(m_company->save(typed),
        QStringLiteral("\"Name\" holds the invisible character U+FEFF; type the name again "
                       "without it."));
    QCOMPARE(m_company->fields().name, QStringLiteral("ROUVEL INC"));
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")).first().name, QStringLiteral("ROUVEL INC"));

    // A name stored before names were checked is kept while the rest changes.
    m_fixture->exec(QStringLiteral(
        "UPDATE origine SET NomClient = 'ROUVEL' || char(7) WHERE NomClient = 'ROUVEL INC'"));
    m_company->activate();
    typed = m_company->fields();
    QCOMPARE(typed.name, QStringLiteral("ROUVEL\a"));
    typed.city = QStringLiteral("LEVIS");
    QCOMPARE(m_company->save(typed), QString());
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")).first().city, QStringLiteral("LEVIS"));
}

void tst_OwnCompany::showsTheFirstRow()
{
    PartyAddress expected;
    expected.name = QStringLiteral("ROUVEL INC");
    expected.city = QStringLiteral("QUEBEC");
    expected.telephone = QStringLiteral("418-555-0100");
    QCOMPARE(m_company->fields(), expected);
    QVERIFY(m_company->hasRow());
    QVERIFY(m_company->loadProblem().isEmpty());
}

void tst_OwnCompany::saveWritesTheFirstRowOnly_data()
{
    QTest::addColumn<PartyAddress>("typed");
    QTest::newRow("filled") << PartiesFixture::party("TRANSPORTS LEVIS", "LEVIS", "418-555-0177");
    // Accepted: the bill of lading then asks for the company to be filled in.
    QTest::newRow("all empty") << PartyAddress();
    QTest::newRow("blanks and quotes") << PartiesFixture::party("  ", "L'ISLET", "'; --");
}

void tst_OwnCompany::saveWritesTheFirstRowOnly()
{
    QFETCH(PartyAddress, typed);
    QCOMPARE(m_company->save(typed), QString());
    QCOMPARE(m_company->fields(), typed);
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")),
        QList<PartyAddress>({typed, PartiesFixture::party("SECOND ROW")}));

    // Opened again, the company shows what was saved.
    OwnCompany reopened(Database::open(m_fixture->path()));
    reopened.activate();
    QCOMPARE(reopened.fields(), typed);
}

void tst_OwnCompany::tableWithoutRow()
{
    m_fixture->exec(QStringLiteral("DELETE FROM origine"));
    m_company->activate();
    QVERIFY(!m_company->hasRow());
    QCOMPARE(m_company->fields(), PartyAddress());
    QVERIFY(m_company->loadProblem().isEmpty());

    // The first save creates the one row; the next ones change it.
    const PartyAddress first = PartiesFixture::party("FIRST", "GASPE");
    QCOMPARE(m_company->save(first), QString());
    QVERIFY(m_company->hasRow());
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")), QList<PartyAddress>({first}));
    const PartyAddress second = PartiesFixture::party("SECOND", "RIMOUSKI");
    QCOMPARE(m_company->save(second), QString());
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")), QList<PartyAddress>({second}));
}

void tst_OwnCompany::activationSeesWhatOthersSaved()
{
    Database other = Database::open(m_fixture->path());
    OwnCompany elsewhere(other);
    elsewhere.activate();
    QCOMPARE(elsewhere.save(PartiesFixture::party("FROM ELSEWHERE")), QString());

    QCOMPARE(m_company->fields().name, QStringLiteral("ROUVEL INC"));
    m_company->activate();
    QCOMPARE(m_company->fields(), PartiesFixture::party("FROM ELSEWHERE"));
}

void tst_OwnCompany::refusalWritesNothing_data()
{
    QTest::addColumn<QString>("refusal");
    QTest::addColumn<QString>("said");
    QTest::newRow("read-only") << "PRAGMA query_only = ON"
                               << "readonly";
    QTest::newRow("refused by a rule") << "CREATE TRIGGER refuse BEFORE UPDATE ON origine "
                                          "BEGIN SELECT RAISE(ABORT, 'disk quota exceeded'); END"
                                       << "disk quota exceeded";
}

void tst_OwnCompany::refusalWritesNothing()
{
    QFETCH(QString, refusal);
    QFETCH(QString, said);

    const QList<PartyAddress> before = m_fixture->rows(QStringLiteral("origine"));
    const PartyAddress shown = m_company->fields();
    m_fixture->exec(refusal);

    const QString message = m_company->save(PartiesFixture::party("TYPED"));
    QVERIFY2(message.startsWith(QLatin1String("Your company was not saved.")), qPrintable(message));
    QVERIFY2(message.contains(said), qPrintable(message));
    m_fixture->exec(QStringLiteral("PRAGMA query_only = OFF"));
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")), before);
    QCOMPARE(m_company->fields(), shown);
}

QTEST_GUILESS_MAIN(tst_OwnCompany)
#include "tst_owncompany.moc"

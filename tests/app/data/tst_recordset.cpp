#include "RateFixture.h"

#include "data/RecordSet.h"

#include <QTest>

#include <functional>

// Navigation, reading, writing and the error conditions of a record set.
class TestRecordSet : public QObject
{
    Q_OBJECT

private slots:
    void navigation()
    {
        RateFixture fixture;
        RecordSet set = RecordSet::openQuery(
            fixture.m_db, "Trip500", {{"[prmDestination]", int(RateFixture::NewYork)}});
        QCOMPARE(set.rowCount(), 3);
        QVERIFY(!set.isEmpty());
        set.moveFirst();
        QCOMPARE(set.position(), 0);
        const QString first = set.text(0);
        set.moveNext();
        const RecordSet::Bookmark second = set.bookmark();
        const QString secondName = set.text("nomtrans"); // names ignore case
        set.moveNext();
        QVERIFY(!set.eof());
        set.moveNext();
        QVERIFY(set.eof());
        QVERIFY(!set.hasCurrentRow());
        QVERIFY_THROWS_EXCEPTION(DataError, set.moveNext());
        set.moveTo(second);
        QCOMPARE(set.text(0), secondName);
        set.moveFirst();
        QCOMPARE(set.text("NomTrans"), first);
        set.moveLast();
        QCOMPARE(set.position(), 2);
        QCOMPARE(set.field(0), set.field("NomTrans"));
        QVERIFY_THROWS_EXCEPTION(DataError, set.field("NoSuchField"));
        QVERIFY_THROWS_EXCEPTION(DataError, set.field(99));
    }

    // Every way of losing the current row gives the condition the windows test for.
    void noCurrentRow_data()
    {
        QTest::addColumn<std::function<void(RecordSet &)>>("reach");
        QTest::addColumn<QString>("table"); // empty: the carriers of TriTrans
        QTest::newRow("past the end") << std::function<void(RecordSet &)>([](RecordSet &set) {
            while (!set.eof())
                set.moveNext();
        }) << QString();
        QTest::newRow("failed find") << std::function<void(RecordSet &)>([](RecordSet &set) {
            set.findFirst(RecordSet::Criterion::nomTrans("NOBODY"));
        }) << QString();
        QTest::newRow("after delete") << std::function<void(RecordSet &)>([](RecordSet &set) {
            set.addNew();
            set.setField("NomTrans", "SHORT-LIVED");
            set.update();
            set.deleteCurrent();
        }) << QString();
        QTest::newRow("bad row") << std::function<void(RecordSet &)>([](RecordSet &set) {
            try {
                set.moveToRow(7);
            } catch (const DataError &) {
            }
            set.findFirst(RecordSet::Criterion::nomTrans("NOBODY"));
        }) << QString();
        // The own company is expected to have its one row; without it nothing is current.
        QTest::newRow("own company without row") << std::function<void(RecordSet &)>(
            [](RecordSet &set) {
                QVERIFY(set.isEmpty());
                QVERIFY_THROWS_EXCEPTION(DataError, set.moveFirst());
            }) << QStringLiteral("origine");
    }
    void noCurrentRow()
    {
        QFETCH(std::function<void(RecordSet &)>, reach);
        QFETCH(QString, table);
        RateFixture fixture;
        if (!table.isEmpty())
            fixture.exec(qPrintable(QStringLiteral("DELETE FROM %1").arg(table)));
        RecordSet set = table.isEmpty() ? RecordSet::openQuery(fixture.m_db, "TriTrans")
                                        : RecordSet::openTable(fixture.m_db, table);
        reach(set);
        QVERIFY(!set.hasCurrentRow());
        const std::function<void()> uses[] = {
            [&] { set.field(set.fieldNames().constFirst()); },
            [&] { set.field(0); },
            [&] { set.text(1); },
            [&] { set.currency(0); },
            [&] { set.bookmark(); },
            [&] { set.edit(); },
            [&] { set.deleteCurrent(); },
        };
        for (const auto &use : uses) {
            try {
                use();
                QFAIL("a use without current row must fail");
            } catch (const DataError &error) {
                QCOMPARE(error.code(), DataError::NoCurrentRowCode);
            }
        }
    }

    // The main window's purge: delete the true rows while walking the set.
    void deleteWhileWalking()
    {
        RateFixture fixture;
        fixture.exec("INSERT INTO TableBLTemp (TmpPasVide) VALUES (1), (1), (0), (1)");
        RecordSet temp = RecordSet::openTable(fixture.m_db, "TableBLTemp");
        QCOMPARE(temp.fieldNames(), QStringList {"TmpPasVide"});
        QCOMPARE(temp.rowCount(), 5);
        temp.moveFirst();
        while (!temp.eof()) {
            if (temp.field("TmpPasVide").toBool())
                temp.deleteCurrent();
            temp.moveNext();
        }
        QCOMPARE(temp.rowCount(), 2);
        QCOMPARE(
            fixture.scalar("SELECT COUNT(*) FROM TableBLTemp WHERE TmpPasVide = 0").toInt(), 2);
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM TableBLTemp").toInt(), 2);
    }

    // A table without a key of its own: customers are added, changed and deleted by row.
    void customersByRow()
    {
        RateFixture fixture;
        RecordSet customers = RecordSet::openTable(fixture.m_db, "TableClients");
        QVERIFY(customers.isEmpty());
        for (const char *name : {"First", "D'Arcy", "Third"}) {
            customers.addNew();
            customers.setField("NomClient", QString::fromUtf8(name));
            customers.update();
            QCOMPARE(customers.text("NomClient"), QString::fromUtf8(name));
        }
        QCOMPARE(customers.rowCount(), 3);
        QVERIFY(customers.findFirst({"NomClient", "d'arcy"}));
        customers.edit();
        customers.setField("VilleClient", "Sorel");
        QCOMPARE(customers.text("VilleClient"), QStringLiteral("Sorel")); // the edit buffer
        customers.update();
        customers.moveFirst();
        customers.deleteCurrent();

        RecordSet again = RecordSet::openTable(fixture.m_db, "TableClients");
        QCOMPARE(again.rowCount(), 2);
        again.moveFirst();
        QCOMPARE(again.text("NomClient"), QStringLiteral("D'Arcy"));
        QCOMPARE(again.text("VilleClient"), QStringLiteral("Sorel"));
        again.moveNext();
        QCOMPARE(again.text("NomClient"), QStringLiteral("Third"));
        QCOMPARE(again.text("VilleClient"), QString()); // empty reads as empty text
    }

    // A new destination through TriDest, its number read back; a second one of the same name
    // is refused with the duplicate-key condition and nothing is written.
    void addAndDuplicate_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("keyField");
        QTest::addColumn<QString>("nameField");
        QTest::addColumn<QString>("existing");
        QTest::newRow("destination") << "TriDest"
                                     << "NoDestination"
                                     << "NomDestination"
                                     << "boston";
        QTest::newRow("carrier") << "IdentTrans"
                                 << "NoTrans"
                                 << "NomTrans"
                                 << "O'Brien";
    }
    void addAndDuplicate()
    {
        QFETCH(QString, source);
        QFETCH(QString, keyField);
        QFETCH(QString, nameField);
        QFETCH(QString, existing);
        RateFixture fixture;
        RecordSet set = source == "IdentTrans" ? RecordSet::openTable(fixture.m_db, source)
                                               : RecordSet::openQuery(fixture.m_db, source);
        const int before = set.rowCount();
        set.addNew();
        set.setField(nameField, "NEW PLACE");
        set.update();
        QVERIFY(set.lastAddedId() > 0);
        QCOMPARE(set.field(keyField).toLongLong(), set.lastAddedId());
        QCOMPARE(set.rowCount(), before + 1);
        const QString table = source == "TriDest" ? "Destination" : "IdentTrans";
        QCOMPARE(fixture
                     .scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                 .arg(nameField, table, keyField)
                                 .arg(set.lastAddedId()))
                     .toString(),
            QStringLiteral("NEW PLACE"));

        set.addNew();
        set.setField(nameField, existing);
        try {
            set.update();
            QFAIL("a duplicate name must be refused");
        } catch (const DataError &error) {
            QCOMPARE(error.kind(), DataError::Kind::DuplicateKey);
            QCOMPARE(error.code(), 3022);
        }
        QCOMPARE(set.editMode(), RecordSet::EditMode::Adding);
        set.cancelUpdate();
        QCOMPARE(set.rowCount(), before + 1);
        QCOMPARE(fixture.scalar(QStringLiteral("SELECT COUNT(*) FROM %1").arg(table)).toInt(),
            before + 1);

        // A changed row is refused the same way and keeps its saved name.
        QVERIFY(set.findFirst({nameField, "NEW PLACE"}));
        set.edit();
        set.setField(nameField, existing);
        try {
            set.update();
            QFAIL("a name changed to an existing one must be refused");
        } catch (const DataError &error) {
            QCOMPARE(error.code(), DataError::DuplicateKeyCode);
        }
        QCOMPARE(set.editMode(), RecordSet::EditMode::Editing);
        set.cancelUpdate();
        QCOMPARE(set.text(nameField), QStringLiteral("NEW PLACE"));
        QCOMPARE(fixture
                     .scalar(QStringLiteral("SELECT %1 FROM %2 WHERE %3 = %4")
                                 .arg(nameField, table, keyField)
                                 .arg(set.lastAddedId()))
                     .toString(),
            QStringLiteral("NEW PLACE"));
    }

    // Saves made inside a larger save are kept or undone with it, so two rows that belong
    // together never reach the file one without the other.
    void nestedSavesShareOneTransaction()
    {
        RateFixture fixture;
        RecordSet carriers = RecordSet::openTable(fixture.m_db, "IdentTrans");
        const int before = fixture.scalar("SELECT COUNT(*) FROM IdentTrans").toInt();
        try {
            fixture.m_db.inTransaction([&] {
                carriers.addNew();
                carriers.setField("NomTrans", "FIRST OF TWO");
                carriers.update();
                carriers.addNew();
                carriers.setField("NomTrans", "FIRST OF TWO"); // refused: the name is taken
                carriers.update();
            });
            QFAIL("the second row must be refused");
        } catch (const DataError &error) {
            QCOMPARE(error.kind(), DataError::Kind::DuplicateKey);
        }
        carriers.cancelUpdate();
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM IdentTrans").toInt(), before);

        // Afterwards a save stands on its own again.
        carriers.requery();
        carriers.addNew();
        carriers.setField("NomTrans", "ALONE");
        carriers.update();
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM IdentTrans").toInt(), before + 1);
    }

    // A Tarifs row gets only its two numbers; its rates stay empty until a grid sets them.
    void newTarifsRowWithoutReadingTheTable()
    {
        RateFixture fixture;
        RecordSet tarifs = RecordSet::openTable(fixture.m_db, "Tarifs", true);
        QVERIFY(tarifs.isEmpty());
        tarifs.addNew();
        tarifs.setField("NoTrans", int(RateFixture::Beta));
        tarifs.setField("NoDestination", int(RateFixture::Nowhere));
        tarifs.update();
        QVERIFY(tarifs.isNull("p500"));
        QCOMPARE(tarifs.currency("3pal"), Currency());
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM Tarifs WHERE NoDestination = 4").toInt(), 1);
        // One row per carrier and destination.
        tarifs.addNew();
        tarifs.setField("NoTrans", int(RateFixture::Beta));
        tarifs.setField("NoDestination", int(RateFixture::Nowhere));
        try {
            tarifs.update();
            QFAIL("a second row for the same carrier and destination must be refused");
        } catch (const DataError &error) {
            QCOMPARE(error.code(), DataError::DuplicateKeyCode);
        }
        // A rate for a carrier that does not exist is refused, but it is no duplicate.
        tarifs.addNew();
        tarifs.setField("NoTrans", 999);
        tarifs.setField("NoDestination", int(RateFixture::Nowhere));
        try {
            tarifs.update();
            QFAIL("a rate of an unknown carrier must be refused");
        } catch (const DataError &error) {
            QCOMPARE(error.kind(), DataError::Kind::Other);
        }
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM Tarifs WHERE NoDestination = 4").toInt(), 1);
    }

    // The bill-of-lading work rows have no key of their own; the query writes them back by
    // rowid.
    void workRowsThroughTheirQuery()
    {
        RateFixture fixture;
        RecordSet work = RecordSet::openQuery(fixture.m_db, "ReqTmpBL");
        QVERIFY(work.isUpdatable());
        QCOMPARE(work.rowCount(), 1);
        work.addNew();
        work.setField("TmpPasVide", 1);
        work.update();
        QCOMPARE(work.field("TmpPasVide").toInt(), 1);
        work.moveFirst();
        work.edit();
        work.setField("TmpPasVide", -1);
        work.update();
        QCOMPARE(fixture.scalar("SELECT TmpPasVide FROM TableBLTemp ORDER BY rowid").toInt(), -1);
        work.deleteCurrent();
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM TableBLTemp").toInt(), 1);
        QCOMPARE(fixture.scalar("SELECT TmpPasVide FROM TableBLTemp").toInt(), 1);
    }

    // Numeric columns refuse text: the file keeps the old value and the cause is told.
    void refusedValues_data()
    {
        QTest::addColumn<QString>("column");
        QTest::addColumn<QVariant>("value");
        QTest::newRow("text in a rate") << "p500" << QVariant("1.2.3");
        QTest::newRow("word in a pallet rate") << "3pal" << QVariant("abc");
        QTest::newRow("fraction in a rate") << "p1000" << QVariant(8.5);
        QTest::newRow("negative rate") << "LTL" << QVariant(-100);
    }
    void refusedValues()
    {
        QFETCH(QString, column);
        QFETCH(QVariant, value);
        RateFixture fixture;
        const QString grid = column.endsWith("pal") ? "ModifTarifPal2" : "ModifTarifPoids2";
        RecordSet rates
            = RecordSet::openQuery(fixture.m_db, grid, {{"[prmNoTrans]", int(RateFixture::Alpha)}});
        QVERIFY(rates.findFirst({"Destination", "NEW YORK"}));
        const Currency before = rates.currency(column);
        rates.edit();
        rates.setField(column, value);
        try {
            rates.update();
            QFAIL("the database must refuse the value");
        } catch (const DataError &error) {
            QCOMPARE(error.kind(), DataError::Kind::Other);
            QVERIFY2(error.message().contains("constraint", Qt::CaseInsensitive)
                    || error.message().contains("cannot store", Qt::CaseInsensitive),
                qPrintable(error.message()));
        }
        rates.cancelUpdate();
        QCOMPARE(rates.currency(column), before);
        QCOMPARE(fixture
                     .scalar(QStringLiteral("SELECT %1 FROM Tarifs WHERE NoTrans = 1 AND "
                                            "NoDestination = 1")
                                 .arg(Schema::quoted(column)))
                     .toLongLong(),
            before.tenThousandths());
    }

    void readOnlySources()
    {
        RateFixture fixture;
        RecordSet next = RecordSet::openQuery(fixture.m_db, "ReqGenNoBL");
        QVERIFY(!next.isUpdatable());
        QVERIFY_THROWS_EXCEPTION(DataError, next.addNew());
        next.moveFirst();
        QVERIFY_THROWS_EXCEPTION(DataError, next.edit());
        QVERIFY_THROWS_EXCEPTION(DataError, RecordSet::openTable(fixture.m_db, "NoSuchTable"));
        RecordSet lookup = RecordSet::openQuery(fixture.m_db, "Trip500", {{"[prmDestination]", 1}});
        lookup.moveFirst();
        lookup.edit();
        QVERIFY_THROWS_EXCEPTION(DataError, lookup.setField("fp500", 1)); // not a Tarifs column
    }

    // Saves made through another connection appear at requery; currency reads as plain text.
    void requerySeesOtherSaves()
    {
        RateFixture fixture;
        RecordSet dest = RecordSet::openQuery(fixture.m_db, "TriDest");
        Database other = Database::open(fixture.m_path);
        RecordSet elsewhere = RecordSet::openQuery(other, "TriDest");
        elsewhere.addNew();
        elsewhere.setField("NomDestination", "ALBANY");
        elsewhere.update();
        QCOMPARE(dest.rowCount(), 4);
        fixture.m_db.refresh();
        dest.requery();
        QCOMPARE(dest.rowCount(), 5);
        dest.moveFirst();
        QCOMPARE(dest.text("NomDestination"), QStringLiteral("ALBANY"));

        RecordSet rates = RecordSet::openQuery(
            fixture.m_db, "ModifTarifPoids2", {{"[prmNoTrans]", int(RateFixture::Alpha)}});
        rates.moveFirst();
        rates.edit();
        rates.setCurrency("p500", Currency::fromTenThousandths(85000));
        rates.setCurrency("p1000", Currency::fromTenThousandths(91234));
        rates.setCurrency("p2000", Currency::fromTenThousandths(-5));
        QVERIFY_THROWS_EXCEPTION(DataError, rates.update());
        rates.setCurrency("p2000", Currency::fromTenThousandths(100000));
        rates.update();
        QCOMPARE(rates.text("p500"), QStringLiteral("8.50"));
        QCOMPARE(rates.text("p1000"), QStringLiteral("9.1234"));
        QCOMPARE(rates.text("p2000"), QStringLiteral("10.00"));
        QCOMPARE(rates.field("p500").toLongLong(), 85000);
    }
};

QTEST_GUILESS_MAIN(TestRecordSet)
#include "tst_recordset.moc"

#include "RateFixture.h"

#include "data/RecordSet.h"

#include <QTest>

// The contracts of the stored queries the windows rely on, on a small fixture.
class TestStoredQueries : public QObject
{
    Q_OBJECT

private:
    static QStringList carriers(RecordSet &set)
    {
        QStringList names;
        for (int row = 0; row < set.rowCount(); ++row) {
            set.moveToRow(row);
            names << set.text("NomTrans");
        }
        return names;
    }
    static RecordSet lookup(const Database &db, const QString &query, int destination)
    {
        return RecordSet::openQuery(db, query, {{"[prmDestination]", destination}});
    }

private slots:
    void everyQueryIsStoredInTheFile()
    {
        RateFixture fixture;
        QStringList expected {"TriDest", "TriTrans", "IdentTransAlph", "RequêteNEWYORK",
            "ReqGenNoBL", "ReqTmpBL", "DestparTrans", "DestManque", "TransparDest",
            "ModifTarifPoids2", "ModifTarifPal2", "reqPourBL", "TriLTL", "Trip500", "Trip1000",
            "Trip2000", "Trip5000", "Trip10000", "TriPrixMin", "TriPoidsDest"};
        for (int n = 1; n <= 10; ++n)
            expected << QStringLiteral("Trinp%1").arg(n);
        QCOMPARE(expected.size(), 30);
        expected.sort();
        QCOMPARE(fixture.m_db.storedQueryNames(), expected);
        // The bodies are read from the file, not from the program.
        QCOMPARE(fixture.scalar("SELECT COUNT(*) FROM StoredQueries").toInt(), 30);
    }

    void lookups_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("rateColumn");
        QTest::addColumn<int>("k");
        QTest::addColumn<QStringList>("order");
        const QStringList abo {"ALPHA", "BETA", "O'BRIEN"};
        const QStringList oab {"O'BRIEN", "ALPHA", "BETA"};
        const QStringList boa {"BETA", "O'BRIEN", "ALPHA"};
        const QStringList orders[] = {abo, oab, boa};
        const struct
        {
            const char *query;
            const char *column;
        } rows[] = {{"TriLTL", "fLTL"}, {"Trip500", "fp500"}, {"Trip1000", "fp1000"},
            {"Trip2000", "fp2000"}, {"Trip5000", "fp5000"}, {"Trip10000", "fp10000"},
            {"TriPrixMin", "fPrixMin"}, {"Trinp1", "1pal"}, {"Trinp2", "2pal"}, {"Trinp3", "3pal"},
            {"Trinp4", "4pal"}, {"Trinp5", "5pal"}, {"Trinp6", "6pal"}, {"Trinp7", "7pal"},
            {"Trinp8", "8pal"}, {"Trinp9", "9pal"}, {"Trinp10", "10pal"}};
        int k = 0;
        for (const auto &row : rows) {
            QTest::newRow(row.query) << row.query << row.column << k << orders[k % 3];
            ++k;
        }
    }

    // Best first, zero and empty rates left out, the rate third and under its own name.
    void lookups()
    {
        QFETCH(QString, query);
        QFETCH(QString, rateColumn);
        QFETCH(int, k);
        QFETCH(QStringList, order);
        RateFixture fixture;
        RecordSet set = lookup(fixture.m_db, query, RateFixture::NewYork);

        QVERIFY(set.fieldCount() >= 3);
        QCOMPARE(
            set.fieldNames().mid(0, 3), (QStringList {"NomTrans", "NomDestination", rateColumn}));
        QCOMPARE(carriers(set), order);

        const QStringList byIndex {"ALPHA", "BETA", "O'BRIEN"};
        Currency previous;
        for (int row = 0; row < set.rowCount(); ++row) {
            set.moveToRow(row);
            const Currency rate = set.currency(2);
            QCOMPARE(rate.tenThousandths(),
                RateFixture::rateUnits(int(byIndex.indexOf(set.text("NomTrans"))), k));
            QCOMPARE(set.currency(rateColumn), rate);
            QVERIFY(rate > previous);
            previous = rate;
            QCOMPARE(set.text("NomDestination"), QStringLiteral("NEW YORK"));
        }
        // The carrier choice finds a carrier in the lookup by name, quote included.
        QVERIFY(set.findFirst(RecordSet::Criterion::nomTrans("O'Brien")));
        QCOMPARE(set.text("NomTrans"), QStringLiteral("O'BRIEN"));
        QVERIFY(!set.findFirst(RecordSet::Criterion::nomTrans("GAMMA")));

        // BOSTON: ALPHA has a rate; ZERO, with only empty rates, is not there.
        RecordSet boston = lookup(fixture.m_db, query, RateFixture::Boston);
        QCOMPARE(carriers(boston), QStringList {"ALPHA"});
        QCOMPARE(boston.currency(2).tenThousandths(), 50000 + k);
    }

    void lookupWithoutCarrierIsEmpty_data() { lookups_data(); }
    void lookupWithoutCarrierIsEmpty()
    {
        QFETCH(QString, query);
        RateFixture fixture;
        RecordSet set = lookup(fixture.m_db, query, RateFixture::Nowhere);
        QVERIFY(set.isEmpty());
        QVERIFY(set.eof());
        try {
            set.moveFirst();
            QFAIL("moving to the first row of an empty result must fail");
        } catch (const DataError &error) {
            QCOMPARE(error.code(), 3021);
            QCOMPARE(error.kind(), DataError::Kind::NoCurrentRow);
        }
        QVERIFY_THROWS_EXCEPTION(DataError, set.currency(2));
    }

    void lookupNeedsItsParameter()
    {
        RateFixture fixture;
        QVERIFY_THROWS_EXCEPTION(DataError, RecordSet::openQuery(fixture.m_db, "Trip500"));
        QVERIFY_THROWS_EXCEPTION(DataError,
            RecordSet::openQuery(
                fixture.m_db, "Trip500", {{"[prmDestination]", 1}, {"[other]", 2}}));
        QVERIFY_THROWS_EXCEPTION(DataError, RecordSet::openQuery(fixture.m_db, "NoSuchQuery"));
    }

    // A carrier whose rates are all zero or empty is left out of lookups only.
    void zeroRatedCarrierStaysElsewhere()
    {
        RateFixture fixture;
        RecordSet served = RecordSet::openQuery(
            fixture.m_db, "DestparTrans", {{"[prmNoTrans]", int(RateFixture::Zero)}});
        QCOMPARE(served.rowCount(), 2);
        QStringList names;
        QList<qint64> numbers;
        for (int row = 0; row < served.rowCount(); ++row) {
            served.moveToRow(row);
            names << served.text("NomDestination");
            numbers << served.field("Tarifs.NoDestination").toLongLong();
            QCOMPARE(served.field("NoTrans").toInt(), int(RateFixture::Zero));
        }
        QCOMPARE(names, (QStringList {"BOSTON", "NEW YORK"}));
        QCOMPARE(numbers, (QList<qint64> {RateFixture::Boston, RateFixture::NewYork}));

        RecordSet carriersOfNewYork = RecordSet::openQuery(
            fixture.m_db, "TransparDest", {{"[prmNomDestination]", "NEW YORK"}});
        QCOMPARE(carriers(carriersOfNewYork),
            (QStringList {"ALPHA", "BETA", "GAMMA", "O'BRIEN", "ZERO"}));

        for (const char *grid : {"ModifTarifPoids2", "ModifTarifPal2"}) {
            RecordSet rates = RecordSet::openQuery(
                fixture.m_db, grid, {{"[prmNoTrans]", int(RateFixture::Zero)}});
            QCOMPARE(rates.rowCount(), 2);
            rates.moveFirst();
            QCOMPARE(rates.text("Destination"), QStringLiteral("BOSTON"));
        }
    }

    void gridColumns_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QStringList>("columns");
        QTest::newRow("weight") << "ModifTarifPoids2"
                                << QStringList {"Destination", "PrixMin", "LTL", "p500", "p1000",
                                       "p2000", "p5000", "p10000"};
        QStringList pallets {"Destination"};
        for (int n = 1; n <= 10; ++n)
            pallets << QStringLiteral("%1pal").arg(n);
        QTest::newRow("pallet") << "ModifTarifPal2" << pallets;
    }
    void gridColumns()
    {
        QFETCH(QString, grid);
        QFETCH(QStringList, columns);
        RateFixture fixture;
        RecordSet rates
            = RecordSet::openQuery(fixture.m_db, grid, {{"[prmNoTrans]", int(RateFixture::Alpha)}});
        QCOMPARE(rates.fieldNames().mid(0, columns.size()), columns);
        QCOMPARE(rates.rowCount(), 2);
        rates.moveFirst();
        QCOMPARE(rates.text("Destination"), QStringLiteral("BOSTON"));
        QCOMPARE(rates.currency(columns[1]).tenThousandths(),
            50000 + RateFixture::lookupColumns().indexOf(columns[1]));
        // The destination name belongs to another table: the grid cannot change it.
        rates.edit();
        QVERIFY_THROWS_EXCEPTION(DataError, rates.setField("Destination", "X"));
    }

    // A rate changed in a grid is what the next lookup returns; set to zero, it drops out.
    void gridEditShowsInNextLookup_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("column");
        QTest::addColumn<QString>("query");
        QTest::newRow("p1000") << "ModifTarifPoids2"
                               << "p1000"
                               << "Trip1000";
        QTest::newRow("PrixMin") << "ModifTarifPoids2"
                                 << "PrixMin"
                                 << "TriPrixMin";
        QTest::newRow("LTL") << "ModifTarifPoids2"
                             << "LTL"
                             << "TriLTL";
        QTest::newRow("3pal") << "ModifTarifPal2"
                              << "3pal"
                              << "Trinp3";
        QTest::newRow("10pal") << "ModifTarifPal2"
                               << "10pal"
                               << "Trinp10";
    }
    void gridEditShowsInNextLookup()
    {
        QFETCH(QString, grid);
        QFETCH(QString, column);
        QFETCH(QString, query);
        RateFixture fixture;
        // A second connection, as another window would hold.
        Database otherWindow = Database::open(fixture.m_path);
        RecordSet rates
            = RecordSet::openQuery(otherWindow, grid, {{"[prmNoTrans]", int(RateFixture::Gamma)}});
        QVERIFY(rates.findFirst({"Destination", "new york"}));
        rates.edit();
        rates.setCurrency(column, Currency::fromTenThousandths(100));
        rates.update();
        QCOMPARE(rates.currency(column).tenThousandths(), 100);

        fixture.m_db.refresh();
        RecordSet best = lookup(fixture.m_db, query, RateFixture::NewYork);
        best.moveFirst();
        QCOMPARE(best.text("NomTrans"), QStringLiteral("GAMMA"));
        QCOMPARE(best.currency(2).tenThousandths(), 100);
        QCOMPARE(best.rowCount(), 4);

        rates.edit();
        rates.setCurrency(column, Currency());
        rates.update();
        best.requery();
        QCOMPARE(best.rowCount(), 3);
        QVERIFY(!best.findFirst(RecordSet::Criterion::nomTrans("GAMMA")));
    }

    void parameterlessQueries()
    {
        RateFixture fixture;
        RecordSet dest = RecordSet::openQuery(fixture.m_db, "TriDest");
        QCOMPARE(dest.fieldNames().mid(0, 2), (QStringList {"NoDestination", "NomDestination"}));
        QStringList names;
        for (int row = 0; row < dest.rowCount(); ++row) {
            dest.moveToRow(row);
            names << dest.text("NomDestination");
        }
        QCOMPARE(names, (QStringList {"BOSTON", "L'ISLET", "NEW YORK", "NOWHERE"}));

        RecordSet alph = RecordSet::openQuery(fixture.m_db, "IdentTransAlph");
        QCOMPARE(alph.fieldNames().mid(0, 3), (QStringList {"NoTrans", "NomTrans", "TarifType"}));
        QCOMPARE(carriers(alph), (QStringList {"ALPHA", "BETA", "GAMMA", "O'BRIEN", "ZERO"}));
        QVERIFY(alph.findFirst(RecordSet::Criterion::noTrans(RateFixture::Beta)));
        QCOMPARE(alph.text("TarifType"), QStringLiteral("pa"));

        RecordSet trans = RecordSet::openQuery(fixture.m_db, "TriTrans");
        QCOMPARE(carriers(trans), (QStringList {"ALPHA", "BETA", "GAMMA", "O'BRIEN", "ZERO"}));

        RecordSet newYork = RecordSet::openQuery(fixture.m_db, "RequêteNEWYORK");
        newYork.moveFirst();
        QCOMPARE(newYork.field("NoDestination").toInt(), int(RateFixture::NewYork));

        RecordSet next = RecordSet::openQuery(fixture.m_db, "ReqGenNoBL");
        next.moveFirst();
        QCOMPARE(next.field("Expr1000").toInt(), 1);
        fixture.exec("INSERT INTO TableBL (NoBl) VALUES (41), (7)");
        next.requery();
        QCOMPARE(next.field("Expr1000").toInt(), 42);

        RecordSet temp = RecordSet::openQuery(fixture.m_db, "ReqTmpBL");
        QCOMPARE(temp.rowCount(), 1);
    }

    // The default destination survives the removal of NEW YORK: the first one left.
    void defaultDestinationFallsBack()
    {
        RateFixture fixture;
        fixture.exec("DELETE FROM Tarifs WHERE NoDestination = 1");
        fixture.exec("DELETE FROM Destination WHERE NoDestination = 1");
        RecordSet newYork = RecordSet::openQuery(fixture.m_db, "RequêteNEWYORK");
        newYork.moveFirst();
        QCOMPARE(newYork.field("NoDestination").toInt(), int(RateFixture::Boston));
    }

    void namesWithQuotes()
    {
        RateFixture fixture;
        RecordSet carriersOfIslet = RecordSet::openQuery(
            fixture.m_db, "TransparDest", {{"[prmNomDestination]", "L'ISLET"}});
        QCOMPARE(carriers(carriersOfIslet), QStringList {"O'BRIEN"});

        fixture.exec("UPDATE IdentTrans SET NomLongTrans = 'O''Brien & Sons', Ville = 'Barre' "
                     "WHERE NoTrans = 4");
        RecordSet bl
            = RecordSet::openQuery(fixture.m_db, "reqPourBL", {{"[nomdutrans]", "O'BRIEN"}});
        bl.moveFirst();
        QCOMPARE(bl.fieldNames().mid(0, 7),
            (QStringList {"NomLongTrans", "NoRue", "Ville", "Province", "CodPos", "Tel", "Fax"}));
        QCOMPARE(bl.text("NomLongTrans"), QStringLiteral("O'Brien & Sons"));
        QCOMPARE(bl.text("NoRue"), QString());

        RecordSet nobody
            = RecordSet::openQuery(fixture.m_db, "reqPourBL", {{"[nomdutrans]", "' OR '1'='1"}});
        QVERIFY(nobody.isEmpty());

        RecordSet dest = RecordSet::openQuery(fixture.m_db, "TriDest");
        QVERIFY(dest.findFirst(RecordSet::Criterion::nomDestination("L'ISLET")));
        QCOMPARE(dest.field("NoDestination").toInt(), int(RateFixture::LIslet));
    }

    void destinationsNotServed()
    {
        RateFixture fixture;
        RecordSet missing = RecordSet::openQuery(
            fixture.m_db, "DestManque", {{"[prmNoTrans]", int(RateFixture::Alpha)}});
        QStringList names;
        for (int row = 0; row < missing.rowCount(); ++row) {
            missing.moveToRow(row);
            names << missing.text("NomDestination");
        }
        QCOMPARE(names, (QStringList {"L'ISLET", "NOWHERE"}));

        // Deleting through it removes the destination itself...
        QVERIFY(missing.findFirst(RecordSet::Criterion::nomDestination("NOWHERE")));
        missing.deleteCurrent();
        QCOMPARE(fixture
                     .scalar("SELECT COUNT(*) FROM Destination WHERE NomDestination = "
                             "'NOWHERE'")
                     .toInt(),
            0);
        // ...but never one that a carrier still serves, whose rates would be orphaned.
        QVERIFY(missing.findFirst(RecordSet::Criterion::nomDestination("L'ISLET")));
        QVERIFY_THROWS_EXCEPTION(DataError, missing.deleteCurrent());
        QCOMPARE(
            fixture.scalar("SELECT COUNT(*) FROM Destination WHERE NoDestination = 3").toInt(), 1);
    }
};

QTEST_GUILESS_MAIN(TestStoredQueries)
#include "tst_storedqueries.moc"

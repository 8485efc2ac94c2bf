#include "RateFixture.h"

#include "data/RecordSet.h"
#include "data/StoredQueryReader.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTest>

// The reader the rate lookups use must give what a record set over the same query gives, and
// must leave the file unlocked once it is gone.
class tst_StoredQueryReader : public QObject
{
    Q_OBJECT

private slots:
    void sameRowsAsRecordSet_data();
    void sameRowsAsRecordSet();
    void nestedReadersOfOneQuery();
    void leavesNoLock();
    void parameterErrors();
    void sharedTextAsText_data();
    void sharedTextAsText();
    void renamedCarrierReadAnew();
};

void tst_StoredQueryReader::sameRowsAsRecordSet_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("destination");
    for (const Schema::Lookup &lookup : Schema::lookups()) {
        for (int destination : {int(RateFixture::NewYork), int(RateFixture::Boston),
                 int(RateFixture::LIslet), int(RateFixture::Nowhere)})
            QTest::addRow("%s at %d", qPrintable(lookup.query), destination)
                << lookup.query << destination;
    }
}

void tst_StoredQueryReader::sameRowsAsRecordSet()
{
    QFETCH(QString, query);
    QFETCH(int, destination);
    RateFixture fixture;
    const RecordSet::Parameters parameters {{QStringLiteral("[prmDestination]"), destination}};
    // Twice: the second run reuses the kept statement with the same binding.
    for (int round = 0; round < 2; ++round) {
        RecordSet expected = RecordSet::openQuery(fixture.m_db, query, parameters);
        StoredQueryReader reader(fixture.m_db, query, parameters);
        QCOMPARE(reader.fieldNames(), expected.fieldNames());
        int row = 0;
        while (reader.next()) {
            QVERIFY(row < expected.rowCount());
            expected.moveToRow(row);
            for (int column = 0; column < expected.fieldCount(); ++column) {
                QCOMPARE(reader.isNull(column), expected.field(column).isNull());
                if (!expected.isCurrencyField(column))
                    QCOMPARE(reader.text(column), expected.text(column));
                QCOMPARE(reader.currency(column).tenThousandths(),
                    expected.field(column).isNull() || !expected.isCurrencyField(column)
                        ? expected.currency(column).tenThousandths()
                        : expected.field(column).toLongLong());
            }
            ++row;
        }
        QCOMPARE(row, expected.rowCount());
        QVERIFY_THROWS_EXCEPTION(DataError, reader.text(0));
    }
}

void tst_StoredQueryReader::nestedReadersOfOneQuery()
{
    RateFixture fixture;
    const RecordSet::Parameters newYork {{QStringLiteral("[prmDestination]"), 1}};
    const RecordSet::Parameters boston {{QStringLiteral("[prmDestination]"), 2}};
    StoredQueryReader outer(fixture.m_db, QStringLiteral("Trip1000"), newYork);
    QVERIFY(outer.next());
    const QString firstCarrier = outer.text(0);
    int inner = 0;
    {
        StoredQueryReader second(fixture.m_db, QStringLiteral("Trip1000"), boston);
        while (second.next()) {
            QCOMPARE(second.text(1), QStringLiteral("BOSTON"));
            ++inner;
        }
    }
    QCOMPARE(inner, 1);
    // The outer reader goes on where it was, on its own destination.
    QCOMPARE(outer.text(0), firstCarrier);
    int rows = 1;
    while (outer.next()) {
        QCOMPARE(outer.text(1), QStringLiteral("NEW YORK"));
        ++rows;
    }
    QCOMPARE(rows, 3);
}

void tst_StoredQueryReader::leavesNoLock()
{
    RateFixture fixture;
    for (int pass = 0; pass < 2; ++pass) {
        StoredQueryReader reader(
            fixture.m_db, QStringLiteral("TriLTL"), {{QStringLiteral("[prmDestination]"), 1}});
        // Stopped after one row, as a failed pass would.
        QVERIFY(reader.next());
    }
    RecordSet::openQuery(fixture.m_db, QStringLiteral("TriDest"));
    // Another window's connection saves at once: nothing holds the file.
    Database other = Database::open(fixture.m_path);
    RecordSet bills = RecordSet::openTable(other, QStringLiteral("TableBL"), true);
    bills.addNew();
    bills.setField(QStringLiteral("NoBl"), 7);
    QElapsedTimer timer;
    timer.start();
    bills.update();
    QVERIFY2(timer.elapsed() < 2000, "the save waited for a lock");
    QCOMPARE(fixture.scalar(QStringLiteral("SELECT COUNT(*) FROM TableBL")).toInt(), 1);
}

void tst_StoredQueryReader::parameterErrors()
{
    RateFixture fixture;
    const auto message = [&](const QString &query, const RecordSet::Parameters &parameters) {
        try {
            StoredQueryReader reader(fixture.m_db, query, parameters);
        } catch (const DataError &error) {
            return error.message();
        }
        return QString();
    };
    QVERIFY(message(QStringLiteral("TriLTL"), {}).contains(QStringLiteral("needs the parameter")));
    QVERIFY(message(QStringLiteral("TriLTL"),
        {{QStringLiteral("[prmDestination]"), 1}, {QStringLiteral("[prmOther]"), 2}})
                .contains(QStringLiteral("has no parameter [prmOther]")));
    QVERIFY(message(QStringLiteral("NoSuchQuery"), {}).contains(QStringLiteral("does not exist")));
}

void tst_StoredQueryReader::sharedTextAsText_data() { sameRowsAsRecordSet_data(); }

void tst_StoredQueryReader::sharedTextAsText()
{
    QFETCH(QString, query);
    QFETCH(int, destination);
    RateFixture fixture;
    const RecordSet::Parameters parameters {{QStringLiteral("[prmDestination]"), destination}};
    // Every column, text or not, null or not, reads as text() reads it; a second reader of the
    // same file gets the very strings the first got.
    QList<QStringList> firstPass;
    for (int round = 0; round < 2; ++round) {
        StoredQueryReader reader(fixture.m_db, query, parameters);
        int row = 0;
        while (reader.next()) {
            QStringList values;
            for (int column = 0; column < reader.fieldCount(); ++column) {
                const QString shared = reader.sharedText(column);
                QCOMPARE(shared, reader.text(column));
                QCOMPARE(shared.isNull(), reader.isNull(column));
                values << shared;
            }
            if (round == 0) {
                firstPass << values;
            } else {
                const int carrier = reader.fieldIndex(QStringLiteral("NomTrans"));
                QCOMPARE(values, firstPass.at(row));
                QCOMPARE(values.at(carrier).constData(), firstPass.at(row).at(carrier).constData());
            }
            ++row;
        }
        QCOMPARE(row, firstPass.size());
        QVERIFY_THROWS_EXCEPTION(DataError, reader.sharedText(0));
    }
    StoredQueryReader reader(fixture.m_db, query, parameters);
    if (reader.next())
        QVERIFY_THROWS_EXCEPTION(DataError, reader.sharedText(reader.fieldCount()));
}

void tst_StoredQueryReader::renamedCarrierReadAnew()
{
    RateFixture fixture;
    const RecordSet::Parameters newYork {{QStringLiteral("[prmDestination]"), 1}};
    const auto carriers = [&] {
        QStringList names;
        StoredQueryReader reader(fixture.m_db, QStringLiteral("Trip1000"), newYork);
        while (reader.next())
            names << reader.sharedText(0);
        return names;
    };
    const QStringList before = carriers();
    QVERIFY(before.contains(QStringLiteral("ALPHA")));
    // Another window renames a carrier and saves; the next read shows the new name, whether
    // or not this connection refreshed in between.
    Database other = Database::open(fixture.m_path);
    RecordSet identities = RecordSet::openTable(other, QStringLiteral("IdentTrans"));
    for (identities.moveFirst(); !identities.eof(); identities.moveNext()) {
        if (identities.text(QStringLiteral("NomTrans")) == QLatin1String("ALPHA")) {
            identities.edit();
            identities.setField(QStringLiteral("NomTrans"), QStringLiteral("ALPHA ÉTÉ"));
            identities.update();
        }
    }
    QStringList expected = before;
    expected.replaceInStrings(
        QRegularExpression(QStringLiteral("^ALPHA$")), QStringLiteral("ALPHA ÉTÉ"));
    QCOMPARE(carriers(), expected);
    fixture.m_db.refresh();
    QCOMPARE(carriers(), expected);
}

QTEST_GUILESS_MAIN(tst_StoredQueryReader)
#include "tst_storedqueryreader.moc"

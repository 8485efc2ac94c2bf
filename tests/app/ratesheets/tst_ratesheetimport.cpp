#include "rateadjust/RateGridFixture.h"

#include "cli/QuoteCommand.h"
#include "cli/RatesCommand.h"
#include "core/NumericText.h"
#include "data/DataError.h"
#include "ratesheets/RateSheet.h"
#include "ratesheets/RateSheetCsv.h"
#include "ratesheets/RateSheetExport.h"
#include "ratesheets/RateSheetImport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

// Export and import of a carrier's rate sheet over a small rate file, through the logic and
// through rouvel rates, with what the file holds read straight from it.
class tst_RateSheetImport : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exportedText();
    void roundTripChangesNothing_data();
    void roundTripChangesNothing();
    void spreadsheetStyleImports();
    void badFieldRefusesTheWholeSheet_data();
    void badFieldRefusesTheWholeSheet();
    void failedWriteLeavesNothing();
    void newDestinationsCreatedInCapitalsAndServed();
    void namesWithCommasAndQuotesRoundTrip();
    void namesDifferingInBlanksRefused_data();
    void namesDifferingInBlanksRefused();
    void dryRunWritesNothing();
    void importedRateIsWhatQuoteReturns();
    void commandRefusals_data();
    void commandRefusals();
    void kindOfTheRateType_data();
    void kindOfTheRateType();
    void sameDestinationInOtherCapitals_data();
    void sameDestinationInOtherCapitals();
    void hiddenCharactersRefuseTheSheet_data();
    void hiddenCharactersRefuseTheSheet();

private:
    RatesCommand::Outcome rates(const QStringList &arguments, QIODevice *input = nullptr) const;
    QString exportTo(const char *carrier, const char *kind, const QString &name) const;
    QString writeSheet(const QString &name, const QByteArray &bytes) const;
    QByteArray databaseHash() const;
    int destinationCount(const QString &name) const;
    qint64 rate(const char *carrier, const char *destination, const char *column) const;

    std::unique_ptr<RateGridFixture> m_fixture;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_RateSheetImport::init()
{
    m_fixture = std::make_unique<RateGridFixture>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_RateSheetImport::cleanup()
{
    m_fixture.reset();
    m_dir.reset();
}

RatesCommand::Outcome tst_RateSheetImport::rates(
    const QStringList &arguments, QIODevice *input) const
{
    QStringList all {QStringLiteral("rates")};
    all << arguments.first() << QStringLiteral("--db") << m_fixture->path() << arguments.mid(1);
    return RatesCommand::run(all, input);
}

QString tst_RateSheetImport::exportTo(
    const char *carrier, const char *kind, const QString &name) const
{
    const QString path = m_dir->filePath(name);
    const RatesCommand::Outcome outcome
        = rates({QStringLiteral("export"), QStringLiteral("--carrier"), QString::fromUtf8(carrier),
            QStringLiteral("--kind"), QString::fromUtf8(kind), QStringLiteral("--csv"), path});
    if (outcome.exitCode != 0)
        qFatal("export failed: %s", qPrintable(outcome.errors.join(u'\n')));
    return path;
}

QString tst_RateSheetImport::writeSheet(const QString &name, const QByteArray &bytes) const
{
    const QString path = m_dir->filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        qFatal("cannot write %s", qPrintable(path));
    return path;
}

static QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return file.readAll();
}

QByteArray tst_RateSheetImport::databaseHash() const
{
    return QCryptographicHash::hash(fileBytes(m_fixture->path()), QCryptographicHash::Sha256);
}

int tst_RateSheetImport::destinationCount(const QString &name) const
{
    QSqlQuery query(m_fixture->database().connection());
    query.prepare(QStringLiteral("SELECT count(*) FROM Destination WHERE NomDestination = ? "
                                 "COLLATE BINARY"));
    query.addBindValue(name);
    if (!query.exec() || !query.next())
        qFatal("cannot count destinations");
    return query.value(0).toInt();
}

// The stored rate in ten-thousandths, -1 for no rate.
qint64 tst_RateSheetImport::rate(
    const char *carrier, const char *destination, const char *column) const
{
    const QVariant value
        = m_fixture->stored(carrier, QString::fromUtf8(destination), QString::fromUtf8(column))
              .first;
    return value.isNull() ? -1 : value.toLongLong();
}

void tst_RateSheetImport::exportedText()
{
    // EAGLE serves CHICAGO (a minimum of 47) and HULL (LTL 15), in the grid's order.
    QCOMPARE(fileBytes(exportTo("EAGLE", "weight", QStringLiteral("eagle.csv"))),
        QByteArray("\xEF\xBB\xBF"
                   "Destination,Min,LTL,500 lbs,1000 lbs,2000 lbs,5000 lbs,10000 lbs\r\n"
                   "CHICAGO,47.00,,,,,,\r\n"
                   "HULL,,15.00,,,,,\r\n"));
    QCOMPARE(fileBytes(exportTo("CARGO'S", "pallet", QStringLiteral("cargo.csv"))),
        QByteArray("\xEF\xBB\xBF"
                   "Destination,1pal,2pal,3pal,4pal,5pal,6pal,7pal,8pal,9pal,10pal\r\n"
                   "CHICAGO,,,,,,,,,,\r\n"
                   "L'ASSOMPTION,99.9999,,,,,,,,,\r\n"
                   "O'KEEFE,,,,,,,,,,\r\n"));
}

void tst_RateSheetImport::roundTripChangesNothing_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("rows");

    QTest::newRow("weight, rates too large for a price") << "ACME"
                                                         << "weight" << 5;
    QTest::newRow("pallet, a carrier of no known rate type") << "EAGLE"
                                                             << "pallet" << 2;
    QTest::newRow("pallet carrier") << "BOREAL"
                                    << "pallet" << 5;
    QTest::newRow("both kinds, four decimals") << "CARGO'S"
                                               << "pallet" << 3;
    QTest::newRow("a name with leading blanks") << "DELTA"
                                                << "weight" << 2;
}

void tst_RateSheetImport::roundTripChangesNothing()
{
    QFETCH(QString, carrier);
    QFETCH(QString, kind);
    QFETCH(int, rows);

    const QByteArray name = carrier.toUtf8();
    const QString path
        = exportTo(name.constData(), kind.toUtf8().constData(), QStringLiteral("sheet.csv"));
    const QByteArray exported = fileBytes(path);
    QCOMPARE(RateSheetCsv::read(exported).records.size(), rows + 1);
    const QByteArray before = databaseHash();

    const RatesCommand::Outcome imported
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), carrier,
            QStringLiteral("--kind"), kind, QStringLiteral("--csv"), path});
    QCOMPARE(imported.errors, QStringList());
    QCOMPARE(imported.exitCode, 0);
    QVERIFY(imported.output.startsWith("Rates changed: 0\nDestinations newly served: 0\n"
                                       "Destinations created: 0\n"));
    QVERIFY(imported.output.contains("Nothing to save"));
    QCOMPARE(databaseHash(), before);

    // Exported to standard output, the same sheet.
    const RatesCommand::Outcome again
        = rates({QStringLiteral("export"), QStringLiteral("--carrier"), carrier,
            QStringLiteral("--kind"), kind, QStringLiteral("--csv"), QStringLiteral("-")});
    QCOMPARE(again.exitCode, 0);
    QCOMPARE(again.output, exported);
}

void tst_RateSheetImport::spreadsheetStyleImports()
{
    // ACME's weight sheet as a spreadsheet saves it: ";" between fields, amounts in the grid's
    // and the window's formats, no "2000 lbs" column; CHICAGO's 1000 lbs rate changed and
    // DENVER's minimum emptied.
    const RateSheetCsv::Reading exported
        = RateSheetCsv::read(fileBytes(exportTo("ACME", "weight", QStringLiteral("acme.csv"))));
    QVERIFY(exported.ok());
    QString text;
    for (const RateSheetCsv::Record &record : exported.records) {
        QStringList fields = record.fields;
        fields.removeAt(5); // 2000 lbs
        for (qsizetype f = 1; record.line > 1 && f < fields.size(); ++f) {
            QVariant stored;
            QVERIFY(RateSheet::readRate(fields[f], &stored).isEmpty());
            if (!stored.isNull())
                fields[f] = f % 2 ? RateGridColumns::displayText(stored)
                                  : formatAmount(Currency::fromTenThousandths(stored.toLongLong()));
        }
        if (fields.first() == QLatin1String("CHICAGO"))
            fields[4] = QStringLiteral("1 234.56 $");
        if (fields.first() == QLatin1String("DENVER"))
            fields[1] = QString();
        text += RateSheetCsv::record(fields, u';');
    }
    QVERIFY(text.contains(QStringLiteral(";90000000000 000.00")));
    const QString path
        = writeSheet(QStringLiteral("edited.csv"), RateSheetCsv::utf8Bom() + text.toUtf8());

    const RatesCommand::Outcome outcome
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path});
    QCOMPARE(outcome.errors, QStringList());
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY2(outcome.output.startsWith("Rates changed: 2\n"), outcome.output.constData());
    QVERIFY(outcome.output.contains("Saved."));

    QCOMPARE(rate("ACME", "CHICAGO", "p1000"), qint64(12345600));
    const auto denver
        = m_fixture->stored("ACME", QStringLiteral("DENVER"), QStringLiteral("PrixMin"));
    QVERIFY(denver.first.isNull());
    QCOMPARE(denver.second, QStringLiteral("null"));
    // What the sheet did not change, or left out, is as it was.
    QCOMPARE(rate("ACME", "CHICAGO", "p2000"), qint64(70000));
    QCOMPARE(rate("ACME", "CHICAGO", "PrixMin"), qint64(550000));
    QCOMPARE(rate("ACME", "YUKON", "p10000"), qint64(900000000000000000));
    QCOMPARE(rate("ACME", "GASPE", "p500"), qint64(90000));
}

void tst_RateSheetImport::badFieldRefusesTheWholeSheet_data()
{
    QTest::addColumn<QString>("header");
    QTest::addColumn<QString>("bad"); // what line 1 500 holds
    QTest::addColumn<QString>("told");

    const QString header = QStringLiteral("Destination,Min,LTL");
    QTest::newRow("not an amount") << header << "TOWN 1499,1,abc"
                                   << "line 1500, column C (LTL): \"abc\" is not an amount";
    QTest::newRow("negative") << header << "TOWN 1499,-2.50,1"
                              << "line 1500, column B (Min): \"-2.50\" is negative";
    QTest::newRow("a destination twice") << header << "town 0006,1,2"
                                         << "line 1500, column A (Destination): \"town 0006\" is "
                                            "already on line 7";
    QTest::newRow("too few fields") << header << "TOWN 1499,1"
                                    << "line 1500: 2 fields where the header has 3";
    QTest::newRow("unknown column") << "Destination,Min,Fuel"
                                    << "TOWN 1499,1,2"
                                    << "line 1, column C (Fuel): \"Fuel\" is not a column";
}

void tst_RateSheetImport::badFieldRefusesTheWholeSheet()
{
    QFETCH(QString, header);
    QFETCH(QString, bad);
    QFETCH(QString, told);

    // 2 000 lines: an existing destination's rates changed on line 2, new towns after it.
    QString good = QStringLiteral("Destination,Min,LTL\r\nCHICAGO,1,2\r\n");
    QString sheet = header + QStringLiteral("\r\nCHICAGO,1,2\r\n");
    for (int line = 3; line <= 2000; ++line) {
        const QString row
            = QStringLiteral("TOWN %1,%2,3\r\n").arg(line - 1, 4, 10, QChar(u'0')).arg(line);
        good += row;
        sheet += line == 1500 ? bad + QStringLiteral("\r\n") : row;
    }
    const QString path = writeSheet(QStringLiteral("bad.csv"), sheet.toUtf8());
    const QByteArray before = databaseHash();
    const QStringList arguments {QStringLiteral("import"), QStringLiteral("--carrier"),
        QStringLiteral("ACME"), QStringLiteral("--kind"), QStringLiteral("weight"),
        QStringLiteral("--csv"), path};

    const RatesCommand::Outcome refused = rates(arguments);
    QCOMPARE(refused.exitCode, RatesCommand::UsageOrDataError);
    QCOMPARE(refused.output, QByteArray());
    QCOMPARE(refused.errors.size(), 2);
    QVERIFY2(refused.errors.first().startsWith(path + QStringLiteral(": ") + told),
        qPrintable(refused.errors.first()));
    QVERIFY(refused.errors.last().contains(QStringLiteral("nothing was written")));
    QCOMPARE(databaseHash(), before);
    QCOMPARE(rate("ACME", "CHICAGO", "PrixMin"), qint64(550000));
    QCOMPARE(destinationCount(QStringLiteral("TOWN 0002")), 0);

    // Mended, the same sheet goes in whole.
    writeSheet(QStringLiteral("bad.csv"), good.toUtf8());
    const RatesCommand::Outcome accepted = rates(arguments);
    QCOMPARE(accepted.errors, QStringList());
    QVERIFY(accepted.output.contains("Destinations created: 1998\n"));
    QVERIFY(databaseHash() != before);
    QCOMPARE(rate("ACME", "CHICAGO", "PrixMin"), qint64(10000));
    QCOMPARE(m_fixture->servedBy("ACME").size(), 5 + 1998);
}

void tst_RateSheetImport::failedWriteLeavesNothing()
{
    // The file refuses the rate changes after the new destination has been written.
    m_fixture->refuseRateChanges();
    const QByteArray before = databaseHash();
    const RateSheet sheet = RateSheet::parse(
        QByteArray("Destination,LTL\r\nNEWTOWN,4\r\nCHICAGO,11\r\n"), RateKind::Weight);
    QVERIFY(sheet.ok());
    RateSheetImport import(m_fixture->database(), m_fixture->carrier("ACME"), RateKind::Weight);
    const RateSheetImport::Summary planned = import.plan(sheet);
    QCOMPARE(planned.created, 1);
    QCOMPARE(planned.ratesChanged, 2);
    QVERIFY_THROWS_EXCEPTION(DataError, import.apply(sheet));
    QCOMPARE(destinationCount(QStringLiteral("NEWTOWN")), 0);
    QCOMPARE(databaseHash(), before);

    // Through the command: the summary, then the refusal and exit code 2.
    const RatesCommand::Outcome outcome
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"),
            writeSheet(QStringLiteral("s.csv"), "Destination,LTL\r\nNEWTOWN,4\r\nCHICAGO,11\r\n")});
    QCOMPARE(outcome.exitCode, RatesCommand::UsageOrDataError);
    QVERIFY(outcome.output.contains("Destinations created: 1"));
    QCOMPARE(outcome.errors.size(), 1);
    QVERIFY2(outcome.errors.first().contains(QStringLiteral("nothing was written")),
        qPrintable(outcome.errors.first()));
    QCOMPARE(databaseHash(), before);
}

void tst_RateSheetImport::newDestinationsCreatedInCapitalsAndServed()
{
    const QByteArray sheet = "Destination,LTL\r\n"
                             "sainte-foy,12\r\n" // new
                             "o'keefe,3\r\n" // BOREAL's and CARGO'S's, not ACME's yet
                             "chicago,10.5\r\n" // ACME's, written in small letters
                             "montr\xC3\xA9"
                             "al,1\r\n"; // new; the accented letter stays as typed
    const RateSheet parsed = RateSheet::parse(sheet, RateKind::Weight);
    QVERIFY(parsed.ok());
    RateSheetImport import(m_fixture->database(), m_fixture->carrier("ACME"), RateKind::Weight);
    const RateSheetImport::Summary planned = import.plan(parsed);
    QCOMPARE(planned.created, 2);
    QCOMPARE(planned.newlyServed, 1);
    QCOMPARE(planned.ratesChanged, 4);
    QCOMPARE(planned.unchangedRows, 0);
    QCOMPARE(planned.notInSheet, 4); // DENVER, EDMONTON, GASPE, YUKON
    QCOMPARE(import.apply(parsed), planned);

    const QString montreal = QString::fromUtf8("MONTR\xC3\xA9"
                                               "AL");
    QCOMPARE(m_fixture->servedBy("ACME"),
        QStringList({"CHICAGO", "DENVER", "EDMONTON", "GASPE", montreal, "O'KEEFE", "SAINTE-FOY",
            "YUKON"}));
    QCOMPARE(destinationCount(QStringLiteral("SAINTE-FOY")), 1);
    QCOMPARE(destinationCount(QStringLiteral("sainte-foy")), 0);
    QCOMPARE(destinationCount(QStringLiteral("O'KEEFE")), 1);
    QCOMPARE(rate("ACME", "SAINTE-FOY", "LTL"), qint64(120000));
    QCOMPARE(rate("ACME", "O'KEEFE", "LTL"), qint64(30000));
    QCOMPARE(rate("ACME", "CHICAGO", "LTL"), qint64(105000));
    QCOMPARE(rate("ACME", montreal.toUtf8().constData(), "LTL"), qint64(10000));
    // A new row has no rates but those of the sheet.
    QCOMPARE(rate("ACME", "SAINTE-FOY", "PrixMin"), qint64(-1));
    // The other carriers' rows are untouched.
    QCOMPARE(m_fixture->servedBy("BOREAL").contains(QStringLiteral("SAINTE-FOY")), false);
    QCOMPARE(rate("BOREAL", "O'KEEFE", "LTL"), qint64(150000));

    // The same sheet again changes nothing.
    const RateSheetImport::Summary again = import.plan(parsed);
    QCOMPARE(again.ratesChanged + again.created + again.newlyServed, 0);
    QCOMPARE(again.unchangedRows, 4);
}

void tst_RateSheetImport::namesWithCommasAndQuotesRoundTrip()
{
    const QStringList names {QStringLiteral("DUPONT, \"LE GRAND\""), QStringLiteral("  LEADING"),
        QStringLiteral("TRAILING  "), QStringLiteral("SEMI;COLON"), QStringLiteral("  HULL")};
    QString text
        = RateSheetCsv::record({QStringLiteral("Destination"), QStringLiteral("1pal")}, u';');
    for (qsizetype i = 0; i < names.size(); ++i)
        text += RateSheetCsv::record({names[i], QString::number(i + 1)}, u';');
    const QString path = writeSheet(QStringLiteral("names.csv"), text.toUtf8());
    const QStringList arguments {QStringLiteral("--carrier"), QStringLiteral("BOREAL"),
        QStringLiteral("--kind"), QStringLiteral("pallet"), QStringLiteral("--csv"), path};

    const RatesCommand::Outcome first = rates(QStringList {QStringLiteral("import")} + arguments);
    QCOMPARE(first.errors, QStringList());
    // "  HULL" exists (DELTA serves it): BOREAL serves it now, no second one is made.
    QVERIFY2(first.output.contains("Destinations newly served: 1\nDestinations created: 4\n"),
        first.output.constData());
    for (const QString &name : names)
        QCOMPARE(destinationCount(name), 1);
    QCOMPARE(rate("BOREAL", "  HULL", "1pal"), qint64(50000));

    const RatesCommand::Outcome exported = rates(QStringList {QStringLiteral("export")}
        + arguments.mid(0, 4) + QStringList {QStringLiteral("--csv"), QStringLiteral("-")});
    QCOMPARE(exported.exitCode, 0);
    for (const char *written : {"\"DUPONT, \"\"LE GRAND\"\"\",1.00,", "\"  LEADING\",2.00,",
             "\"TRAILING  \",3.00,", "SEMI;COLON,4.00,", "\"  HULL\",5.00,"})
        QVERIFY2(exported.output.contains(QByteArray("\r\n") + written), written);
    // Read back from standard input, the exported sheet changes nothing.
    QBuffer input;
    input.setData(exported.output);
    QVERIFY(input.open(QIODevice::ReadOnly));
    const QByteArray before = databaseHash();
    const RatesCommand::Outcome second = rates(QStringList {QStringLiteral("import")}
            + arguments.mid(0, 4) + QStringList {QStringLiteral("--csv"), QStringLiteral("-")},
        &input);
    QCOMPARE(second.errors, QStringList());
    QVERIFY(second.output.contains("Nothing to save"));
    QCOMPARE(databaseHash(), before);
}

void tst_RateSheetImport::namesDifferingInBlanksRefused_data()
{
    QTest::addColumn<QByteArray>("rows"); // after the header "Destination,LTL", from line 2
    QTest::addColumn<QStringList>("told"); // empty: accepted

    QTest::newRow("a blank after an existing name")
        << QByteArray("CHICAGO ,1\r\n")
        << QStringList {"line 2, column A (Destination): \"CHICAGO \" is no destination, but "
                        "\"CHICAGO\" is: the blanks at the ends differ"};
    QTest::newRow("blanks before, in small letters")
        << QByteArray("GASPE,1\r\n\"  denver\",2\r\n")
        << QStringList {"line 3, column A (Destination): \"  denver\" is no destination, but "
                        "\"DENVER\" is: the blanks at the ends differ"};
    QTest::newRow("one new name twice")
        << QByteArray("NEWTOWN,1\r\n\"NEWTOWN \",2\r\n")
        << QStringList {"line 3, column A (Destination): \"NEWTOWN \" is the name on line 2 but "
                        "for the blanks at the ends"};
    // "  HULL" and "HULL" are two destinations of the file: each name finds its own.
    QTest::newRow("both names of the file")
        << QByteArray("\"  HULL\",1\r\nHULL,2\r\n") << QStringList {};
    QTest::newRow("a new name with blanks") << QByteArray("\" NEWTOWN\",1\r\n") << QStringList {};
}

void tst_RateSheetImport::namesDifferingInBlanksRefused()
{
    QFETCH(QByteArray, rows);
    QFETCH(QStringList, told);

    const QByteArray bytes = "Destination,LTL\r\n" + rows;
    const RateSheet sheet = RateSheet::parse(bytes, RateKind::Weight);
    QVERIFY(sheet.ok());
    RateSheetImport import(m_fixture->database(), m_fixture->carrier("ACME"), RateKind::Weight);
    QStringList planned;
    for (const RateSheetProblem &problem : import.plan(sheet).problems)
        planned << problem.toText();
    QCOMPARE(planned, told);

    const QByteArray before = databaseHash();
    const QString path = writeSheet(QStringLiteral("names.csv"), bytes);
    const RatesCommand::Outcome outcome
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path});
    if (!told.isEmpty()) {
        QCOMPARE(outcome.exitCode, RatesCommand::UsageOrDataError);
        QCOMPARE(outcome.errors.first(), path + QStringLiteral(": ") + told.first());
        QCOMPARE(databaseHash(), before);
        QVERIFY_THROWS_EXCEPTION(DataError, import.apply(sheet));
    } else {
        QCOMPARE(outcome.errors, QStringList());
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(databaseHash() != before);
    }
}

void tst_RateSheetImport::dryRunWritesNothing()
{
    const QString path = writeSheet(QStringLiteral("dry.csv"),
        "Destination,Min,LTL\r\nCHICAGO,60,\r\nFARGO,1,2\r\nNOWHERE,,\r\n");
    const QStringList arguments {QStringLiteral("import"), QStringLiteral("--carrier"),
        QStringLiteral("ACME"), QStringLiteral("--kind"), QStringLiteral("weight"),
        QStringLiteral("--csv"), path};
    const QByteArray summary = "Rates changed: 4\nDestinations newly served: 1\n"
                               "Destinations created: 1\n"
                               "Destinations served but not in the sheet, left as they are: 4\n";
    const QByteArray before = databaseHash();

    const RatesCommand::Outcome dry = rates(arguments + QStringList {QStringLiteral("--dry-run")});
    QCOMPARE(dry.errors, QStringList());
    QCOMPARE(dry.exitCode, 0);
    QCOMPARE(dry.output, summary + "Nothing written (--dry-run).\n");
    QCOMPARE(databaseHash(), before);
    QCOMPARE(destinationCount(QStringLiteral("NOWHERE")), 0);

    const RatesCommand::Outcome written = rates(arguments);
    QCOMPARE(written.output, summary + "Saved.\n");
    QVERIFY(databaseHash() != before);
    QCOMPARE(destinationCount(QStringLiteral("NOWHERE")), 1);
    QCOMPARE(rate("ACME", "CHICAGO", "LTL"), qint64(-1));
}

void tst_RateSheetImport::importedRateIsWhatQuoteReturns()
{
    const auto quote = [this] {
        const QuoteCommand::Outcome outcome = QuoteCommand::run({QStringLiteral("quote"),
            QStringLiteral("--db"), m_fixture->path(), QStringLiteral("--weight"),
            QStringLiteral("1200"), QStringLiteral("--pallets"), QString(),
            QStringLiteral("--destination"), QStringLiteral("CHICAGO"), QStringLiteral("--json")});
        const QJsonObject result = QJsonDocument::fromJson(outcome.output).object();
        return result.value(QStringLiteral("carrier")).toString() + QLatin1Char(' ')
            + result.value(QStringLiteral("price")).toString();
    };
    QCOMPARE(quote(), QStringLiteral("ACME 102.00 $"));

    // ACME's 1000 lbs rate for CHICAGO, 8.50, lowered in the sheet.
    const QString path = exportTo("ACME", "weight", QStringLiteral("acme.csv"));
    QByteArray sheet = fileBytes(path);
    QVERIFY(sheet.contains("\r\nCHICAGO,55.00,10.00,9.00,8.50,"));
    sheet.replace("\r\nCHICAGO,55.00,10.00,9.00,8.50,", "\r\nCHICAGO,55.00,10.00,9.00,7.00,");
    writeSheet(QStringLiteral("acme.csv"), sheet);
    const RatesCommand::Outcome imported
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("acme"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path});
    QCOMPARE(imported.errors, QStringList());
    QVERIFY(imported.output.startsWith("Rates changed: 1\n"));
    QCOMPARE(quote(), QStringLiteral("ACME 84.00 $"));
}

void tst_RateSheetImport::commandRefusals_data()
{
    QTest::addColumn<QStringList>("arguments"); // after "rates"; "DB" becomes the file
    QTest::addColumn<QString>("told");

    QTest::newRow("no action") << QStringList {} << "export or import is required";
    QTest::newRow("unknown action") << QStringList {"list", "--db", "DB"} << "unknown action";
    QTest::newRow("unknown carrier") << QStringList {"export", "--db", "DB", "--carrier", "ZEPHYR",
        "--kind", "weight", "--csv", "-"}
                                     << "unknown carrier \"ZEPHYR\"";
    QTest::newRow("bad kind") << QStringList {"export", "--db", "DB", "--carrier", "ACME", "--kind",
        "both", "--csv", "-"} << "--kind takes weight or pallet";
    QTest::newRow("no kind") << QStringList {"export", "--db", "DB", "--carrier", "ACME", "--csv",
        "-"} << "--kind weight or --kind pallet is required";
    QTest::newRow("no file") << QStringList {"import", "--db", "DB", "--carrier", "ACME", "--kind",
        "weight"} << "--csv FILE is required";
    QTest::newRow("dry run is for imports") << QStringList {"export", "--db", "DB", "--carrier",
        "ACME", "--kind", "weight", "--csv", "-", "--dry-run"}
                                            << "unknown argument \"--dry-run\"";
    QTest::newRow("missing sheet") << QStringList {"import", "--db", "DB", "--carrier", "ACME",
        "--kind", "weight", "--csv", "/nonexistent/sheet.csv"}
                                   << "cannot read /nonexistent/sheet.csv";
    QTest::newRow("unwritable sheet") << QStringList {"export", "--db", "DB", "--carrier", "ACME",
        "--kind", "weight", "--csv", "/nonexistent/sheet.csv"}
                                      << "cannot write /nonexistent/sheet.csv";
    QTest::newRow("no database") << QStringList {"export", "--db", "/nonexistent/rouvel.rvl",
        "--carrier", "ACME", "--kind", "weight", "--csv", "-"}
                                 << "cannot read /nonexistent/rouvel.rvl";
}

void tst_RateSheetImport::commandRefusals()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, told);

    arguments.replaceInStrings(QRegularExpression(QStringLiteral("^DB$")), m_fixture->path());
    const QByteArray before = databaseHash();
    const RatesCommand::Outcome outcome
        = RatesCommand::run(QStringList {QStringLiteral("rates")} + arguments);
    QCOMPARE(outcome.exitCode, RatesCommand::UsageOrDataError);
    QCOMPARE(outcome.output, QByteArray());
    QVERIFY(!outcome.errors.isEmpty());
    QVERIFY2(outcome.errors.first().contains(told), qPrintable(outcome.errors.first()));
    QCOMPARE(databaseHash(), before);
}

void tst_RateSheetImport::kindOfTheRateType_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("told"); // empty: allowed

    const QString weightOnly = QStringLiteral(
        "carrier ACME takes weight rates only (rate type po): --kind pallet is not allowed");
    const QString palletOnly = QStringLiteral(
        "carrier BOREAL takes pallet rates only (rate type pa): --kind weight is not allowed");
    QTest::newRow("import pallet, po") << "import"
                                       << "ACME"
                                       << "pallet" << weightOnly;
    QTest::newRow("export pallet, po") << "export"
                                       << "ACME"
                                       << "pallet" << weightOnly;
    QTest::newRow("import pallet, po, small letters") << "import"
                                                      << "acme"
                                                      << "pallet" << weightOnly;
    QTest::newRow("import weight, pa") << "import"
                                       << "BOREAL"
                                       << "weight" << palletOnly;
    QTest::newRow("export weight, pa") << "export"
                                       << "BOREAL"
                                       << "weight" << palletOnly;
    QTest::newRow("import weight, po") << "import"
                                       << "ACME"
                                       << "weight"
                                       << "";
    QTest::newRow("export pallet, pa") << "export"
                                       << "BOREAL"
                                       << "pallet"
                                       << "";
    QTest::newRow("import weight, popa") << "import"
                                         << "CARGO'S"
                                         << "weight"
                                         << "";
    QTest::newRow("import pallet, popa") << "import"
                                         << "CARGO'S"
                                         << "pallet"
                                         << "";
    QTest::newRow("import pallet, no rate type") << "import"
                                                 << "DELTA"
                                                 << "pallet"
                                                 << "";
    QTest::newRow("import weight, unknown type") << "import"
                                                 << "EAGLE"
                                                 << "weight"
                                                 << "";
}

void tst_RateSheetImport::kindOfTheRateType()
{
    QFETCH(QString, action);
    QFETCH(QString, carrier);
    QFETCH(QString, kind);
    QFETCH(QString, told);

    const QString header = kind == QLatin1String("weight")
        ? QStringLiteral("Destination,LTL\r\nCHICAGO,3.25\r\n")
        : QStringLiteral("Destination,1pal\r\nCHICAGO,3.25\r\n");
    const QString path = action == QLatin1String("import")
        ? writeSheet(QStringLiteral("in.csv"), header.toUtf8())
        : m_dir->filePath(QStringLiteral("out.csv"));
    const QByteArray before = databaseHash();
    const RatesCommand::Outcome outcome = rates({action, QStringLiteral("--carrier"), carrier,
        QStringLiteral("--kind"), kind, QStringLiteral("--csv"), path});
    if (told.isEmpty()) {
        QCOMPARE(outcome.errors, QStringList());
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(QFile::exists(path), true);
        return;
    }
    QCOMPARE(outcome.exitCode, RatesCommand::UsageOrDataError);
    QCOMPARE(outcome.errors, QStringList {told});
    QCOMPARE(outcome.output, QByteArray());
    QCOMPARE(databaseHash(), before);
    if (action == QLatin1String("export"))
        QVERIFY(!QFile::exists(path));
}

void tst_RateSheetImport::sameDestinationInOtherCapitals_data()
{
    QTest::addColumn<QString>("stored"); // a destination added to the file first
    QTest::addColumn<QString>("written"); // in the sheet
    QTest::addColumn<int>("created");

    const auto u = [](const char *text) { return QString::fromUtf8(text); };
    // What Upper makes of "trois-rivières" in the carriers window.
    QTest::newRow("capital accent in the sheet") << u("TROIS-RIVIèRES") << u("TROIS-RIVIÈRES") << 0;
    QTest::newRow("small accent in the sheet") << u("TROIS-RIVIÈRES") << u("trois-rivières") << 0;
    QTest::newRow("é and É") << u("LÉVIS") << u("lévis") << 0;
    QTest::newRow("another accent is another place") << u("MONTRÉAL") << u("MONTREAL") << 1;
}

void tst_RateSheetImport::sameDestinationInOtherCapitals()
{
    QFETCH(QString, stored);
    QFETCH(QString, written);
    QFETCH(int, created);
    m_fixture->addDestination(stored);
    const QString path = writeSheet(QStringLiteral("in.csv"),
        QStringLiteral("Destination,LTL\r\n\"%1\",4.5\r\n").arg(written).toUtf8());
    const RatesCommand::Outcome outcome
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path});
    QCOMPARE(outcome.errors, QStringList());
    QVERIFY2(outcome.output.contains(
                 QStringLiteral("Destinations newly served: %1\nDestinations created: %2\n")
                     .arg(1 - created)
                     .arg(created)
                     .toUtf8()),
        outcome.output.constData());
    QCOMPARE(destinationCount(stored), 1);
    if (created) {
        QCOMPARE(rate("ACME", written.toUtf8().constData(), "LTL"), qint64(45000));
    } else {
        QCOMPARE(destinationCount(written), written == stored ? 1 : 0);
        QCOMPARE(rate("ACME", stored.toUtf8().constData(), "LTL"), qint64(45000));
    }
}

void tst_RateSheetImport::hiddenCharactersRefuseTheSheet_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("told");
    QTest::newRow("zero width space")
        << QStringLiteral("NEW") + QChar(0x200B) + QStringLiteral("TOWN")
        << "line 3, column A (Destination): \"NEW<U+200B>TOWN\" holds the invisible character "
           "U+200B";
    QTest::newRow("line break in a quoted name")
        << QStringLiteral("NEW\nTOWN")
        << "line 3, column A (Destination): \"NEW<U+000A>TOWN\" holds the invisible character "
           "U+000A";
    QTest::newRow("soft hyphen in a known name")
        << QStringLiteral("CHI") + QChar(0x00AD) + QStringLiteral("CAGO")
        << "line 3, column A (Destination): \"CHI<U+00AD>CAGO\" holds the invisible character "
           "U+00AD";
    QTest::newRow("bidirectional override")
        << QStringLiteral("TOWN") + QChar(0x202E)
        << "line 3, column A (Destination): \"TOWN<U+202E>\" holds the invisible character U+202E";
}

void tst_RateSheetImport::hiddenCharactersRefuseTheSheet()
{
    QFETCH(QString, name);
    QFETCH(QString, told);
    const QString path = writeSheet(QStringLiteral("in.csv"),
        QStringLiteral("Destination,LTL\r\nGASPE,1\r\n\"%1\",2\r\n").arg(name).toUtf8());
    const QByteArray before = databaseHash();
    const RatesCommand::Outcome outcome
        = rates({QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path});
    QCOMPARE(outcome.exitCode, RatesCommand::UsageOrDataError);
    QCOMPARE(outcome.errors,
        QStringList({path + QStringLiteral(": ") + told,
            path + QStringLiteral(" refused (1 problem); nothing was written")}));
    for (const QString &line : outcome.errors)
        QVERIFY(!line.contains(QLatin1Char('\n')));
    QCOMPARE(databaseHash(), before);
}

QTEST_GUILESS_MAIN(tst_RateSheetImport)
#include "tst_ratesheetimport.moc"

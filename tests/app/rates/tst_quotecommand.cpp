#include "BestRateFixture.h"

#include "cli/QuoteCommand.h"
#include "core/NumericText.h"
#include "rates/BestRateEvaluator.h"
#include "OrdinaryUser.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

#include <sys/stat.h>

class tst_QuoteCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void quote_data();
    void quote();
    void refused_data();
    void refused();
    void handOffForTheBillOfLading_data();
    void handOffForTheBillOfLading();
    void readFailure_data();
    void readFailure();
    void readOnlyFile();
    void weightBreak_data();
    void weightBreak();

private:
    QStringList arguments(const QStringList &extra) const;
    std::unique_ptr<BestRateFixture> m_fixture;
};

void tst_QuoteCommand::initTestCase() { m_fixture = std::make_unique<BestRateFixture>(); }

QStringList tst_QuoteCommand::arguments(const QStringList &extra) const
{
    return QStringList {QStringLiteral("quote"), QStringLiteral("--db"), m_fixture->path()} + extra
        + QStringList {QStringLiteral("--json")};
}

void tst_QuoteCommand::quote_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("note");
    QTest::addColumn<bool>("weightShown");
    QTest::addColumn<QString>("weightField");
    QTest::addColumn<QString>("secondWeightRate"); // text of the second weight row
    QTest::addColumn<bool>("palletShown"); // also "prepare"
    QTest::addColumn<QString>("palletField");
    QTest::addColumn<QString>("blCarrierName");
    QTest::addColumn<double>("blRate");
    QTest::addColumn<int>("blWeight");
    QTest::addColumn<int>("blPallets");
    QTest::addColumn<bool>("weightChosen");
    QTest::addColumn<bool>("palletChosen");
    QTest::addColumn<QString>("message");

    QTest::newRow("best rate by weight")
        << QStringList {"--weight", "1200", "--pallets", "", "--destination", "CHICAGO"}
        << "Best rate"
        << "ACME"
        << "102.00 $"
        << "" << true << "fp1000"
        << "9.10" << false << ""
        << "ACME" << 8.5 << 1200 << 0 << false << false << "";
    QTest::newRow("minimum pick with the carrier's LTL rate")
        << QStringList {"--weight", "300", "--pallets", "2", "--destination", "chicago", "--pick",
               "weight:3"}
        << "Other choice"
        << "CARGO'S"
        << "60.00 $"
        << "LTL 20.00" << true << "fPrixMin"
        << "47.00" << true << "2pal"
        << "CARGO'S" << 20.0 << 300 << 2 << true << false << "";
    QTest::newRow("pallet pick") << QStringList {"--weight", "", "--pallets", "4", "--destination",
        "CHICAGO", "--pick", "pallet:2"}
                                 << "Other choice"
                                 << "BOREAL"
                                 << "160.00 $"
                                 << "" << false << "fPrixMin"
                                 << "47.00" << true << "4pal"
                                 << "BOREAL" << 40.0 << 0 << 4 << false << true << "";
    // Right after a pick in the same process: nothing of it may be handed on here.
    QTest::newRow("nobody serves it")
        << QStringList {"--weight", "1200", "--pallets", "3", "--destination", "FARGO"} << ""
        << ""
        << ""
        << "" << false << "fp1000"
        << "" << false << "3pal"
        << "" << 0.0 << 1200 << 3 << false << false << BestRateEvaluator::emptyResultMessage();
    // No saturated figure: no price, no carrier, nothing to hand on.
    QTest::newRow("a weight too large to price")
        << QStringList {"--weight", "1e308", "--pallets", "", "--destination", "CHICAGO"} << ""
        << ""
        << ""
        << "" << false << "fp10000"
        << "5.25" << false << ""
        << "" << 0.0 << 0 << 0 << false << false << BestRateEvaluator::tooLargeMessage();
    QTest::newRow("a pallet count that runs no lookup")
        << QStringList {"--weight", "1200", "--pallets", "2.5", "--destination", "CHICAGO"}
        << "Best rate"
        << "ACME"
        << "102.00 $"
        << "" << true << "fp1000"
        << "9.10" << true << ""
        << "ACME" << 8.5 << 1200 << 2 << false << false << "";
}

void tst_QuoteCommand::quote()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, title);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(QString, note);
    QFETCH(bool, weightShown);
    QFETCH(QString, weightField);
    QFETCH(QString, secondWeightRate);
    QFETCH(bool, palletShown);
    QFETCH(QString, palletField);
    QFETCH(QString, blCarrierName);
    QFETCH(double, blRate);
    QFETCH(int, blWeight);
    QFETCH(int, blPallets);
    QFETCH(bool, weightChosen);
    QFETCH(bool, palletChosen);
    QFETCH(QString, message);

    const QuoteCommand::Outcome outcome = QuoteCommand::run(arguments(extra));
    QCOMPARE(outcome.exitCode, 0);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(outcome.output, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QStringList keys {
        "title", "carrier", "price", "note", "weight", "pallet", "prepare", "handoff", "weightBreak"};
    if (!message.isEmpty())
        keys << "message";
    keys.sort();
    QCOMPARE(json.keys(), keys);
    QCOMPARE(json.value("title").toString(), title);
    QCOMPARE(json.value("carrier").toString(), carrier);
    QCOMPARE(json.value("price").toString(), price);
    QCOMPARE(json.value("note").toString(), note);

    const QJsonObject weight = json.value("weight").toObject();
    QCOMPARE(weight.value("shown").toBool(), weightShown);
    QCOMPARE(weight.value("field").toString(), weightField);
    const QJsonArray rows = weight.value("rows").toArray();
    QCOMPARE(rows.size() > 1 ? rows.at(1).toObject().value("rate").toString() : QString(),
        secondWeightRate);
    if (!rows.isEmpty()) {
        const QJsonObject first = rows.at(0).toObject();
        QCOMPARE(first.keys(), QStringList({"carrier", "destination", "rate"}));
        QCOMPARE(first.value("destination").toString(), QStringLiteral("CHICAGO"));
        QVERIFY(!first.value("carrier").toString().isEmpty());
    }
    const QJsonObject pallet = json.value("pallet").toObject();
    QCOMPARE(pallet.value("shown").toBool(), palletShown);
    QCOMPARE(pallet.value("field").toString(), palletField);
    // No lookup ran: no rows of another count or destination stand in.
    if (palletField.isEmpty())
        QVERIFY(pallet.value("rows").toArray().isEmpty());
    QCOMPARE(json.value("prepare").toBool(), palletShown);

    const QJsonObject handoff = json.value("handoff").toObject();
    QCOMPARE(handoff.value("blPrice").toDouble(), numericValue(price));
    QCOMPARE(handoff.value("blCarrierName").toString(), blCarrierName);
    QCOMPARE(handoff.value("blRate").toDouble(), blRate);
    QCOMPARE(handoff.value("blWeight").toInt(), blWeight);
    QCOMPARE(handoff.value("blPallets").toInt(), blPallets);
    QCOMPARE(handoff.value("weightChosen").toBool(), weightChosen);
    QCOMPARE(handoff.value("palletChosen").toBool(), palletChosen);
    QCOMPARE(json.value("message").toString(), message);
}

void tst_QuoteCommand::refused_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QString>("errorPart");

    const QString db = m_fixture->path();
    QTest::newRow("unknown destination") << QStringList {"--db", db, "--weight", "1",
        "--destination", "ATLANTIS"} << "unknown destination";
    QTest::newRow("missing file") << QStringList {"--db", db + ".missing", "--destination", "X"}
                                  << "cannot read";
    const QString garbage = db + QStringLiteral(".txt");
    QFile file(garbage);
    if (!file.open(QIODevice::WriteOnly) || file.write("not a rate database\n") < 0)
        qFatal("cannot write %s", qPrintable(garbage));
    file.close();
    QTest::newRow("not a database")
        << QStringList {"--db", garbage, "--destination", "CHICAGO"} << "cannot read";
    // Refused at once, where reading would wait for a writer forever.
    const QString pipe = db + QStringLiteral(".fifo");
    if (!QFile::exists(pipe) && mkfifo(QFile::encodeName(pipe).constData(), 0600) != 0)
        qFatal("cannot make %s", qPrintable(pipe));
    QTest::newRow("named pipe") << QStringList {"--db", pipe, "--weight", "1200",
        "--destination", "CHICAGO"} << "not a regular file";
    QTest::newRow("no destination") << QStringList {"--db", db} << "--destination";
    QTest::newRow("bad pick") << QStringList {"--db", db, "--destination", "CHICAGO", "--pick",
        "weight:0"} << "--pick";
    QTest::newRow("pick of a hidden list") << QStringList {"--db", db, "--pallets", "3",
        "--destination", "CHICAGO", "--pick", "weight:1"}
                                           << "no rate 1";
    QTest::newRow("pick past the end") << QStringList {"--db", db, "--weight", "1200",
        "--destination", "CHICAGO", "--pick", "weight:4"}
                                       << "no rate 4";
    QTest::newRow("unknown option") << QStringList {"--db", db, "--fast"} << "--fast";
    QTest::newRow("weight read in part") << QStringList {"--db", db, "--weight", "1,200",
        "--pallets", "3", "--destination", "CHICAGO"}
                                         << "The weight \"1,200\" cannot be read as a number of "
                                            "pounds. Type it with digits only, e.g. 1200.";
    QTest::newRow("pallets read in part") << QStringList {"--db", db, "--weight", "1200",
        "--pallets", "1.200.5", "--destination", "CHICAGO"}
                                          << "The number of pallets \"1.200.5\" cannot be read. "
                                             "Type it with digits only, e.g. 3.";
}

void tst_QuoteCommand::refused()
{
    QFETCH(QStringList, args);
    QFETCH(QString, errorPart);

    const QuoteCommand::Outcome outcome = QuoteCommand::run(args);
    QCOMPARE(outcome.exitCode, QuoteCommand::UsageOrDataError);
    QVERIFY(outcome.output.isEmpty());
    QVERIFY2(outcome.error.contains(errorPart), qPrintable(outcome.error));
}

void tst_QuoteCommand::handOffForTheBillOfLading_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<double>("weightClickRate");
    QTest::addColumn<double>("palletClickRate");
    QTest::addColumn<QString>("destName");

    QTest::newRow("no pick") << QStringList {"--weight", "1200", "--pallets", "3",
        "--destination", "chicago"} << 0.0 << 0.0 << "CHICAGO";
    QTest::newRow("weight pick") << QStringList {"--weight", "1200", "--pallets", "3",
        "--destination", "CHICAGO", "--pick", "weight:2"}
                                 << 9.10 << 0.0 << "CHICAGO";
    QTest::newRow("minimum pick priced at the carrier's LTL rate")
        << QStringList {"--weight", "300", "--pallets", "2", "--destination", "CHICAGO", "--pick",
               "weight:3"}
        << 20.0 << 0.0 << "CHICAGO";
    QTest::newRow("pallet pick") << QStringList {"--weight", "", "--pallets", "4", "--destination",
        "CHICAGO", "--pick", "pallet:2"} << 0.0 << 40.0 << "CHICAGO";
    QTest::newRow("a name with a quote") << QStringList {"--weight", "1000", "--pallets", "1",
        "--destination", "L'ASSOMPTION", "--pick", "pallet:1"}
                                         << 0.0 << 99.9999 << "L'ASSOMPTION";
}

// The hand-off object holds what a bill of lading is made from, as the window hands it on.
void tst_QuoteCommand::handOffForTheBillOfLading()
{
    QFETCH(QStringList, extra);
    QFETCH(double, weightClickRate);
    QFETCH(double, palletClickRate);
    QFETCH(QString, destName);

    const QuoteCommand::Outcome outcome = QuoteCommand::run(arguments(extra));
    QCOMPARE(outcome.exitCode, 0);
    const QJsonObject handoff
        = QJsonDocument::fromJson(outcome.output).object().value("handoff").toObject();
    QStringList keys {"blCarrierName", "blPrice", "blRate", "blWeight", "blPallets",
        "weightChosen", "palletChosen", "weightClickRate", "palletClickRate", "destName"};
    keys.sort();
    QCOMPARE(handoff.keys(), keys);
    QVERIFY(handoff.value("weightClickRate").isDouble());
    QVERIFY(handoff.value("palletClickRate").isDouble());
    QCOMPARE(handoff.value("weightClickRate").toDouble(), weightClickRate);
    QCOMPARE(handoff.value("palletClickRate").toDouble(), palletClickRate);
    QCOMPARE(handoff.value("destName").toString(), destName);
}

void tst_QuoteCommand::readFailure_data()
{
    QTest::addColumn<QString>("query"); // the stored query to break; empty: damage the rates
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QString>("causePart");

    const QStringList shipment {"--weight", "1200", "--pallets", "3", "--destination", "CHICAGO"};
    QTest::newRow("broken weight query") << "Trip1000" << shipment << "no such column";
    QTest::newRow("broken pallet query") << "Trinp3" << shipment << "no such column";
    QTest::newRow("broken LTL query read by a pick")
        << "TriLTL" << shipment + QStringList {"--pick", "weight:2"} << "no such column";
    QTest::newRow("damaged rate pages") << "" << shipment << "malformed";
}

// A lookup that fails is never an answer, not even part of one: one line and status 2.
void tst_QuoteCommand::readFailure()
{
    QFETCH(QString, query);
    QFETCH(QStringList, extra);
    QFETCH(QString, causePart);

    BestRateFixture fixture;
    if (query.isEmpty())
        fixture.damageRates();
    else
        fixture.setQueryBody(query,
            QStringLiteral("SELECT NomTrans, NomDestination, NoSuchRate FROM IdentTrans "
                           "WHERE :prmDestination IS NOT NULL"));
    const QuoteCommand::Outcome outcome = QuoteCommand::run(
        QStringList {QStringLiteral("quote"), QStringLiteral("--db"), fixture.path()} + extra);
    QCOMPARE(outcome.exitCode, QuoteCommand::UsageOrDataError);
    QVERIFY(outcome.output.isEmpty());
    QVERIFY2(outcome.error.contains(causePart), qPrintable(outcome.error));
    QVERIFY2(outcome.error.contains(fixture.path()), qPrintable(outcome.error));
    QVERIFY(!outcome.error.contains(QLatin1Char('\n')));
}

// A clerk who may only read the shared file still gets quotes. Root ignores permissions, so
// the quote runs in a child that has dropped root.
void tst_QuoteCommand::readOnlyFile()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rouvel.rvl"));
    QVERIFY(QFile::copy(m_fixture->path(), path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther));
    const int result = asOrdinaryUser([&] {
        const QuoteCommand::Outcome outcome = QuoteCommand::run({QStringLiteral("quote"),
            QStringLiteral("--db"), path, QStringLiteral("--weight"), QStringLiteral("1200"),
            QStringLiteral("--pallets"), QStringLiteral("3"), QStringLiteral("--destination"),
            QStringLiteral("CHICAGO"), QStringLiteral("--pick"), QStringLiteral("weight:2"),
            QStringLiteral("--json")});
        const QJsonObject json = QJsonDocument::fromJson(outcome.output).object();
        const bool quoted = outcome.exitCode == 0
            && json.value("price").toString() == QStringLiteral("109.20 $")
            && json.value("carrier").toString() == QStringLiteral("BOREAL");
        return quoted ? 0 : 1;
    });
    QCOMPARE(result, 0);
    QVERIFY(!QFile::exists(path + QStringLiteral("-journal")));
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The advice beside the result, or null; the key is there whatever the result.
void tst_QuoteCommand::weightBreak_data()
{
    QTest::addColumn<QStringList>("extra");
    QTest::addColumn<QByteArray>("expected"); // compact JSON

    QTest::newRow("cheaper at 500 lbs")
        << QStringList {"--weight", "499", "--pallets", "", "--destination", "CHICAGO"}
        << QByteArray(R"({"carrier":"ACME","price":"45.00 $","saving":"4.90 $","weight":500})");
    // CARGO'S picked: 60.00 at its LTL rate, against ACME's 45.00 at 500 lbs.
    QTest::newRow("after a pick")
        << QStringList {"--weight", "300", "--pallets", "2", "--destination", "CHICAGO", "--pick",
               "weight:3"}
        << QByteArray(R"({"carrier":"ACME","price":"45.00 $","saving":"15.00 $","weight":500})");
    QTest::newRow("no cheaper bracket")
        << QStringList {"--weight", "1200", "--pallets", "", "--destination", "CHICAGO"}
        << QByteArray("null");
    QTest::newRow("beside the message")
        << QStringList {"--weight", "499", "--pallets", "3", "--destination", "FARGO"}
        << QByteArray("null");
}

void tst_QuoteCommand::weightBreak()
{
    QFETCH(QStringList, extra);
    QFETCH(QByteArray, expected);
    const QuoteCommand::Outcome outcome = QuoteCommand::run(arguments(extra));
    QCOMPARE(outcome.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(outcome.output).object();
    QVERIFY(json.contains(QStringLiteral("weightBreak")));
    const QJsonValue advice = json.value(QStringLiteral("weightBreak"));
    const QByteArray actual = advice.isNull()
        ? QByteArray("null")
        : QJsonDocument(advice.toObject()).toJson(QJsonDocument::Compact);
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(tst_QuoteCommand)
#include "tst_quotecommand.moc"

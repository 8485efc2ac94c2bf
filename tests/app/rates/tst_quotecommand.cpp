#include "BestRateFixture.h"

#include "cli/QuoteCommand.h"
#include "core/NumericText.h"
#include "rates/BestRateEvaluator.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

#include <memory>

class tst_QuoteCommand : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void quote_data();
    void quote();
    void refused_data();
    void refused();

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
        "title", "carrier", "price", "note", "weight", "pallet", "prepare", "handoff"};
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

QTEST_GUILESS_MAIN(tst_QuoteCommand)
#include "tst_quotecommand.moc"

#include "BestRateFixture.h"

#include "cli/QuoteCommand.h"
#include "core/NumericText.h"
#include "rates/BestRateEvaluator.h"

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
    QTest::addColumn<QString>("weightField");
    QTest::addColumn<QString>("secondWeightRate"); // text of the second weight row
    QTest::addColumn<bool>("palletShown");
    QTest::addColumn<double>("blRate");
    QTest::addColumn<QString>("message");

    QTest::newRow("best rate by weight")
        << QStringList {"--weight", "1200", "--pallets", "", "--destination", "CHICAGO"}
        << "Best rate"
        << "ACME"
        << "102.00 $"
        << ""
        << "fp1000"
        << "9.10" << false << 8.5 << "";
    QTest::newRow("minimum pick with the carrier's LTL rate") << QStringList {"--weight", "300",
        "--pallets", "2", "--destination", "chicago", "--pick", "weight:3"}
                                                              << "Other choice"
                                                              << "CARGO'S"
                                                              << "60.00 $"
                                                              << "LTL 20.00"
                                                              << "fPrixMin"
                                                              << "47.00" << true << 20.0 << "";
    QTest::newRow("pallet pick") << QStringList {"--weight", "", "--pallets", "4", "--destination",
        "CHICAGO", "--pick", "pallet:2"}
                                 << "Other choice"
                                 << "BOREAL"
                                 << "160.00 $"
                                 << ""
                                 << "fPrixMin"
                                 << "47.00" << true << 40.0 << "";
    QTest::newRow("nobody serves it")
        << QStringList {"--weight", "1200", "--pallets", "3", "--destination", "FARGO"} << ""
        << ""
        << ""
        << ""
        << "fp1000"
        << "" << false << 0.0 << BestRateEvaluator::emptyResultMessage();
}

void tst_QuoteCommand::quote()
{
    QFETCH(QStringList, extra);
    QFETCH(QString, title);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(QString, note);
    QFETCH(QString, weightField);
    QFETCH(QString, secondWeightRate);
    QFETCH(bool, palletShown);
    QFETCH(double, blRate);
    QFETCH(QString, message);

    const QuoteCommand::Outcome outcome = QuoteCommand::run(arguments(extra));
    QCOMPARE(outcome.exitCode, 0);
    QJsonParseError error;
    const QJsonObject json = QJsonDocument::fromJson(outcome.output, &error).object();
    QCOMPARE(error.error, QJsonParseError::NoError);
    QCOMPARE(json.value("title").toString(), title);
    QCOMPARE(json.value("carrier").toString(), carrier);
    QCOMPARE(json.value("price").toString(), price);
    QCOMPARE(json.value("note").toString(), note);
    const QJsonObject weight = json.value("weight").toObject();
    QCOMPARE(weight.value("field").toString(), weightField);
    const QJsonArray rows = weight.value("rows").toArray();
    QCOMPARE(rows.size() > 1 ? rows.at(1).toObject().value("rate").toString() : QString(),
        secondWeightRate);
    if (!rows.isEmpty())
        QVERIFY(!rows.at(0).toObject().value("destination").toString().isEmpty());
    QCOMPARE(json.value("pallet").toObject().value("shown").toBool(), palletShown);
    QCOMPARE(json.value("prepare").toBool(), palletShown);
    const QJsonObject handoff = json.value("handoff").toObject();
    QCOMPARE(handoff.value("blPrice").toDouble(), numericValue(price));
    if (message.isEmpty()) {
        QCOMPARE(handoff.value("blCarrierName").toString(), carrier);
        QCOMPARE(handoff.value("blRate").toDouble(), blRate);
    }
    QCOMPARE(json.contains("message"), !message.isEmpty());
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

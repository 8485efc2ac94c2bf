#include "BestRateFixture.h"

#include "core/NumericText.h"
#include "data/DataError.h"
#include "rates/BestRateEvaluator.h"
#include "rates/RateList.h"
#include "rates/RateLookup.h"

#include <QTest>

#include <memory>

namespace {

Currency dollars(double value) { return Currency::fromDouble(value); }

} // namespace

class tst_BestRate : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void lookupChoice_data();
    void lookupChoice();
    void rateText_data();
    void rateText();

    void evaluation_data();
    void evaluation();
    void weightPick_data();
    void weightPick();
    void palletPick_data();
    void palletPick();
    void picksNeedAShownEntry();
    void lastPickDecidesTheHandedRate();
    void prepareHandsOnAndClearsTheResult();
    void fieldChangeClearsTheResult();
    void activationRefreshesAndPurges();
    void noDatabaseEvaluatesNothing();
    void tooLarge_data();
    void tooLarge();
    void entryReadInPart_data();
    void entryReadInPart();
    void tooLargePicksChangeNothing();
    void rateNoteFollowsThePrice();
    void destinationBoxClickEmptiesTheNote();
    void lookupFailureIsNoResult_data();
    void lookupFailureIsNoResult();

private:
    // Types the two fields and chooses the destination, as the clerk does.
    QString evaluate(const QString &destination, const QString &weight, const QString &pallets);
    int indexOf(const QString &destination) const;

    std::unique_ptr<BestRateFixture> m_fixture;
    std::unique_ptr<BestRateEvaluator> m_logic;
};

void tst_BestRate::initTestCase() { m_fixture = std::make_unique<BestRateFixture>(); }

void tst_BestRate::init()
{
    m_logic = std::make_unique<BestRateEvaluator>(Database::open(m_fixture->path()));
    m_logic->load();
}

int tst_BestRate::indexOf(const QString &destination) const
{
    const auto &rows = m_logic->state().destRows;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        if (rows.at(i).name == destination)
            return int(i);
    }
    return -1;
}

QString tst_BestRate::evaluate(
    const QString &destination, const QString &weight, const QString &pallets)
{
    m_logic->setWeightText(weight);
    m_logic->setPalletText(pallets);
    const int index = indexOf(destination);
    if (index < 0)
        qFatal("fixture has no destination %s", qPrintable(destination));
    return m_logic->chooseDestination(index);
}

void tst_BestRate::lookupChoice_data()
{
    QTest::addColumn<double>("weight");
    QTest::addColumn<QString>("weightQuery");
    QTest::addColumn<QString>("weightField");
    QTest::addColumn<double>("pallets");
    QTest::addColumn<QString>("palletQuery"); // empty: no lookup

    QTest::newRow("0 lbs, 0 pallets") << 0.0 << "TriLTL"
                                      << "fLTL" << 0.0 << "";
    QTest::newRow("499 lbs, 1 pallet") << 499.0 << "TriLTL"
                                       << "fLTL" << 1.0 << "Trinp1";
    QTest::newRow("500 lbs, 2.5 pallets") << 500.0 << "Trip500"
                                          << "fp500" << 2.5 << "";
    QTest::newRow("999.5 lbs, 9 pallets") << 999.5 << "Trip500"
                                          << "fp500" << 9.0 << "Trinp9";
    QTest::newRow("1000 lbs, 9.5 pallets") << 1000.0 << "Trip1000"
                                           << "fp1000" << 9.5 << "";
    QTest::newRow("1999.99 lbs, 10 pallets") << 1999.99 << "Trip1000"
                                             << "fp1000" << 10.0 << "Trinp10";
    QTest::newRow("2000 lbs, 14 pallets") << 2000.0 << "Trip2000"
                                          << "fp2000" << 14.0 << "Trinp10";
    QTest::newRow("9999 lbs, 10.5 pallets") << 9999.0 << "Trip5000"
                                            << "fp5000" << 10.5 << "Trinp10";
    QTest::newRow("10000 lbs, -3 pallets") << 10000.0 << "Trip10000"
                                           << "fp10000" << -3.0 << "";
    QTest::newRow("25000 lbs, 0.5 pallet") << 25000.0 << "Trip10000"
                                           << "fp10000" << 0.5 << "";
}

void tst_BestRate::lookupChoice()
{
    QFETCH(double, weight);
    QFETCH(QString, weightQuery);
    QFETCH(QString, weightField);
    QFETCH(double, pallets);
    QFETCH(QString, palletQuery);

    QCOMPARE(RateLookup::forWeight(weight).query, weightQuery);
    QCOMPARE(RateLookup::forWeight(weight).field, weightField);
    const RateLookup *pallet = RateLookup::forPallets(pallets);
    QCOMPARE(pallet ? pallet->query : QString(), palletQuery);
    if (pallet)
        QCOMPARE(pallet->field, palletQuery.mid(5) + QStringLiteral("pal"));
}

void tst_BestRate::rateText_data()
{
    QTest::addColumn<qint64>("units");
    QTest::addColumn<QString>("text");

    QTest::newRow("whole") << qint64(120000) << "12.00";
    QTest::newRow("cents") << qint64(85000) << "8.50";
    QTest::newRow("three decimals") << qint64(81250) << "8.125";
    QTest::newRow("four decimals") << qint64(999999) << "99.9999";
    QTest::newRow("zero") << qint64(0) << "0.00";
    QTest::newRow("thousands, no blank") << qint64(12345000) << "1234.50";
    QTest::newRow("negative") << qint64(-5) << "-0.0005";
}

void tst_BestRate::rateText()
{
    QFETCH(qint64, units);
    QFETCH(QString, text);

    QCOMPARE(RateList::rateText(Currency::fromTenThousandths(units)), text);
    // A click reads the entry back: the stored rate must come back exactly.
    QCOMPARE(Currency::fromDouble(numericValue(text)).tenThousandths(), units);
}

void tst_BestRate::evaluation_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("pallets");
    QTest::addColumn<bool>("message");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("weightField");
    QTest::addColumn<QString>("palletField");
    QTest::addColumn<QString>("weightPriceText");
    QTest::addColumn<QString>("palletPriceText");
    QTest::addColumn<bool>("weightShown");
    QTest::addColumn<bool>("palletShown"); // also "Prepare bill of lading", not the indicator
    QTest::addColumn<double>("chosenRate");

    const QString minNote = QStringLiteral("Minimum rate ");
    // Weight brackets, by weight alone.
    QTest::newRow("499 lbs: LTL") << "CHICAGO"
                                  << "499"
                                  << "" << false << "ACME"
                                  << "49.90 $"
                                  << ""
                                  << "fLTL"
                                  << ""
                                  << "49.90 $"
                                  << "0" << true << false << 10.0;
    QTest::newRow("500 lbs: p500") << "CHICAGO"
                                   << "500"
                                   << "" << false << "ACME"
                                   << "45.00 $"
                                   << ""
                                   << "fp500"
                                   << ""
                                   << "45.00 $"
                                   << "0" << true << false << 9.0;
    QTest::newRow("999.5 lbs: p500") << "CHICAGO"
                                     << "999.5"
                                     << "" << false << "ACME"
                                     << "89.96 $"
                                     << ""
                                     << "fp500"
                                     << ""
                                     << "89.96 $"
                                     << "0" << true << false << 9.0;
    QTest::newRow("1000 lbs: p1000") << "CHICAGO"
                                     << "1000"
                                     << "" << false << "ACME"
                                     << "85.00 $"
                                     << ""
                                     << "fp1000"
                                     << ""
                                     << "85.00 $"
                                     << "0" << true << false << 8.5;
    QTest::newRow("1200 lbs, no pallets") << "CHICAGO"
                                          << "1200"
                                          << "" << false << "ACME"
                                          << "102.00 $"
                                          << ""
                                          << "fp1000"
                                          << ""
                                          << "102.00 $"
                                          << "0" << true << false << 8.5;
    QTest::newRow("1 200 lbs typed with blanks and a unit") << "CHICAGO"
                                                            << " 1 200 lbs"
                                                            << "" << false << "ACME"
                                                            << "102.00 $"
                                                            << ""
                                                            << "fp1000"
                                                            << ""
                                                            << "102.00 $"
                                                            << "0" << true << false << 8.5;
    QTest::newRow("9999 lbs: p5000") << "CHICAGO"
                                     << "9999"
                                     << "" << false << "BOREAL"
                                     << "599.94 $"
                                     << ""
                                     << "fp5000"
                                     << ""
                                     << "599.94 $"
                                     << "0" << true << false << 6.0;
    QTest::newRow("10000 lbs: p10000") << "CHICAGO"
                                       << "10000"
                                       << "" << false << "CARGO'S"
                                       << "500.00 $"
                                       << ""
                                       << "fp10000"
                                       << ""
                                       << "500.00 $"
                                       << "0" << true << false << 5.0;
    QTest::newRow("25000 lbs: p10000") << "CHICAGO"
                                       << "25000"
                                       << "" << false << "CARGO'S"
                                       << "1 250.00 $"
                                       << ""
                                       << "fp10000"
                                       << ""
                                       << "1 250.00 $"
                                       << "0" << true << false << 5.0;

    // The minimum price against the LTL price.
    QTest::newRow("300 lbs: LTL 30.00 under the minimum 45.00")
        << "CHICAGO"
        << "300"
        << "" << false << "DELTA"
        << "45.00 $" << minNote << "fPrixMin"
        << ""
        << "45.00 $"
        << "0" << true << false << 45.0;
    QTest::newRow("449.9999 lbs: LTL 44.999999 is still under the minimum")
        << "CHICAGO"
        << "449.9999"
        << "" << false << "DELTA"
        << "45.00 $" << minNote << "fPrixMin"
        << ""
        << "45.00 $"
        << "0" << true << false << 45.0;
    QTest::newRow("450 lbs: LTL 45.00 equals the minimum") << "CHICAGO"
                                                           << "450"
                                                           << "" << false << "ACME"
                                                           << "45.00 $"
                                                           << ""
                                                           << "fLTL"
                                                           << ""
                                                           << "45.00 $"
                                                           << "0" << true << false << 10.0;
    QTest::newRow("minimums without LTL rates, 200 lbs") << "DENVER"
                                                         << "200"
                                                         << "" << false << "BOREAL"
                                                         << "65.00 $" << minNote << "fPrixMin"
                                                         << ""
                                                         << "65.00 $"
                                                         << "0" << true << false << 65.0;
    QTest::newRow("LTL rates without minimums, 300 lbs") << "EDMONTON"
                                                         << "300"
                                                         << "" << false << "ACME"
                                                         << "33.00 $"
                                                         << ""
                                                         << "fLTL"
                                                         << ""
                                                         << "33.00 $"
                                                         << "0" << true << false << 11.0;

    // Weight against pallets.
    QTest::newRow("no weight, 3 pallets") << "CHICAGO"
                                          << ""
                                          << "3" << false << "ACME"
                                          << "126.00 $"
                                          << ""
                                          << "fPrixMin"
                                          << "3pal"
                                          << "0"
                                          << "126.00 $" << false << true << 42.0;
    QTest::newRow("weight 140.00 against pallets 85.00") << "CHICAGO"
                                                         << "2000"
                                                         << "2" << false << "BOREAL"
                                                         << "85.00 $"
                                                         << ""
                                                         << "fp2000"
                                                         << "2pal"
                                                         << "140.00 $"
                                                         << "85.00 $" << true << true << 42.5;
    QTest::newRow("weight 102.00 against pallets 126.00") << "CHICAGO"
                                                          << "1200"
                                                          << "3" << false << "ACME"
                                                          << "102.00 $"
                                                          << ""
                                                          << "fp1000"
                                                          << "3pal"
                                                          << "102.00 $"
                                                          << "126.00 $" << true << true << 8.5;
    QTest::newRow("equal prices show the weight side") << "CHICAGO"
                                                       << "1000"
                                                       << "2" << false << "ACME"
                                                       << "85.00 $"
                                                       << ""
                                                       << "fp1000"
                                                       << "2pal"
                                                       << "85.00 $"
                                                       << "85.00 $" << true << true << 8.5;
    QTest::newRow("minimum by weight beats the pallets") << "CHICAGO"
                                                         << "300"
                                                         << "2" << false << "DELTA"
                                                         << "45.00 $" << minNote << "fPrixMin"
                                                         << "2pal"
                                                         << "45.00 $"
                                                         << "85.00 $" << true << true << 45.0;
    // The lists beside the pallet price show minimum prices, and the note says so.
    QTest::newRow("cheaper pallets beside minimum prices") << "GASPE"
                                                           << "300"
                                                           << "1" << false << "ACME"
                                                           << "40.00 $" << minNote << "fPrixMin"
                                                           << "1pal"
                                                           << "55.00 $"
                                                           << "40.00 $" << true << true << 40.0;
    QTest::newRow("no rate for 1 pallet: the weight price") << "CHICAGO"
                                                            << "300"
                                                            << "1" << false << "DELTA"
                                                            << "45.00 $" << minNote << "fPrixMin"
                                                            << "1pal"
                                                            << "45.00 $"
                                                            << "" << true << true << 45.0;
    QTest::newRow("10 pallets") << "CHICAGO"
                                << ""
                                << "10" << false << "BOREAL"
                                << "280.00 $"
                                << ""
                                << "fPrixMin"
                                << "10pal"
                                << "0"
                                << "280.00 $" << false << true << 28.0;
    QTest::newRow("14 pallets at the 10-pallet rate") << "CHICAGO"
                                                      << ""
                                                      << "14" << false << "BOREAL"
                                                      << "392.00 $"
                                                      << ""
                                                      << "fPrixMin"
                                                      << "10pal"
                                                      << "0"
                                                      << "392.00 $" << false << true << 28.0;
    QTest::newRow("2.5 pallets: no pallet lookup") << "CHICAGO"
                                                   << "1200"
                                                   << "2.5" << false << "ACME"
                                                   << "102.00 $"
                                                   << ""
                                                   << "fp1000"
                                                   << ""
                                                   << "102.00 $"
                                                   << "" << true << true << 8.5;
    QTest::newRow("no p1000 rate but pallets") << "DENVER"
                                               << "1200"
                                               << "3" << false << "ACME"
                                               << "150.00 $"
                                               << ""
                                               << "fp1000"
                                               << "3pal"
                                               << ""
                                               << "150.00 $" << true << true << 50.0;
    QTest::newRow("names with a quote") << "L'ASSOMPTION"
                                        << "1000"
                                        << "1" << false << "CARGO'S"
                                        << "72.50 $"
                                        << ""
                                        << "fp1000"
                                        << "1pal"
                                        << "72.50 $"
                                        << "100.00 $" << true << true << 7.25;
    QTest::newRow("40 000 lbs and 40 000 pallets") << "CHICAGO"
                                                   << "40000"
                                                   << "40000" << false << "CARGO'S"
                                                   << "2 000.00 $"
                                                   << ""
                                                   << "fp10000"
                                                   << "10pal"
                                                   << "2 000.00 $"
                                                   << "1120 000.00 $" << true << true << 5.0;

    // Nothing to show: the message, and no result left on screen.
    QTest::newRow("no weight rate, no pallets") << "DENVER"
                                                << "1200"
                                                << "" << true << ""
                                                << ""
                                                << ""
                                                << "fp1000"
                                                << ""
                                                << ""
                                                << "0" << false << false << 0.0;
    QTest::newRow("no weight rate, no 4-pallet rate") << "DENVER"
                                                      << "1200"
                                                      << "4" << true << ""
                                                      << ""
                                                      << ""
                                                      << "fp1000"
                                                      << "4pal"
                                                      << ""
                                                      << "" << false << false << 0.0;
    QTest::newRow("destination nobody serves") << "FARGO"
                                               << "1200"
                                               << "3" << true << ""
                                               << ""
                                               << ""
                                               << "fp1000"
                                               << "3pal"
                                               << ""
                                               << "" << false << false << 0.0;
    QTest::newRow("both fields empty") << "CHICAGO"
                                       << ""
                                       << "" << true << ""
                                       << ""
                                       << ""
                                       << "fPrixMin"
                                       << ""
                                       << "0"
                                       << "0" << false << false << 0.0;
}

void tst_BestRate::evaluation()
{
    QFETCH(QString, destination);
    QFETCH(QString, weight);
    QFETCH(QString, pallets);
    QFETCH(bool, message);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(QString, note);
    QFETCH(QString, weightField);
    QFETCH(QString, palletField);
    QFETCH(QString, weightPriceText);
    QFETCH(QString, palletPriceText);
    QFETCH(bool, weightShown);
    QFETCH(bool, palletShown);
    QFETCH(double, chosenRate);

    // An earlier result for another destination must leave nothing behind.
    QVERIFY(evaluate(QStringLiteral("L'ASSOMPTION"), QStringLiteral("1000"), QStringLiteral("1"))
                .isEmpty());
    const Currency earlierBlRate = m_logic->state().blRate;

    const QString shown = evaluate(destination, weight, pallets);
    const BestRateState &s = m_logic->state();
    QCOMPARE(shown, message ? BestRateEvaluator::emptyResultMessage() : QString());
    QCOMPARE(m_logic->state().destNo, m_fixture->destination(destination));
    QCOMPARE(m_logic->state().destName, destination);
    QCOMPARE(s.resultTitle, message ? QString() : BestRateEvaluator::bestRateTitle());
    QCOMPARE(s.resultCarrier, carrier);
    QCOMPARE(s.resultPrice, price);
    QCOMPARE(s.rateNote, note);
    QCOMPARE(s.weightRows.field(), weightField);
    QCOMPARE(s.palletRows.field(), palletField);
    QCOMPARE(s.weightPriceText, weightPriceText);
    QCOMPARE(s.palletPriceText, palletPriceText);
    QCOMPARE(s.weightListsShown, weightShown);
    QCOMPARE(s.palletListsShown, palletShown);
    QCOMPARE(s.prepareShown, palletShown);
    if (message) {
        QVERIFY(s.indicatorShown);
        // The box still shows the destination that gave no result.
        QCOMPARE(s.destIndex, indexOf(destination));
        QCOMPARE(m_logic->state().blRate, earlierBlRate);
        QVERIFY(m_logic->state().carrierName.isEmpty());
        QVERIFY(s.failure.isEmpty());
        return;
    }
    QCOMPARE(s.indicatorShown, !palletShown);
    QCOMPARE(s.destIndex, indexOf(destination));
    QCOMPARE(s.chosenRate, dollars(chosenRate));
    QCOMPARE(m_logic->state().blRate, dollars(chosenRate));
    QCOMPARE(s.bestPrice, Currency::fromDouble(numericValue(price)));
    QCOMPARE(m_logic->state().carrierName, carrier);
    QCOMPARE(m_logic->handOff().blWeight, roundToInt32(numericValue(weight)));
    QCOMPARE(m_logic->handOff().blPallets, roundToInt32(numericValue(pallets)));
}

void tst_BestRate::weightPick_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("price");
    QTest::addColumn<QString>("note");
    QTest::addColumn<double>("clickRate");
    QTest::addColumn<QString>("carrierMinPrice");
    QTest::addColumn<QString>("carrierLtlRate");

    const QString other = BestRateEvaluator::otherChoiceTitle();
    const QString best = BestRateEvaluator::bestRateTitle();
    QTest::newRow("1200 lbs, second rate: its minimum is out of reach")
        << "CHICAGO"
        << "1200" << 1 << other << "BOREAL"
        << "109.20 $"
        << "" << 9.10 << "60.00"
        << "12.00";
    QTest::newRow("1200 lbs, best rate again") << "CHICAGO"
                                               << "1200" << 0 << best << "ACME"
                                               << "102.00 $"
                                               << "" << 8.50 << ""
                                               << "";
    QTest::newRow("300 lbs, second minimum with an LTL rate above it")
        << "CHICAGO"
        << "300" << 2 << other << "CARGO'S"
        << "60.00 $"
        << "LTL 20.00" << 20.0 << "50.00"
        << "20.00";
    QTest::newRow("300 lbs, a minimum without LTL rate") << "CHICAGO"
                                                         << "300" << 1 << other << "EAGLE"
                                                         << "47.00 $"
                                                         << "Minimum rate" << 47.0 << "47.00"
                                                         << "";
    QTest::newRow("300 lbs, best minimum again") << "CHICAGO"
                                                 << "300" << 0 << best << "DELTA"
                                                 << "45.00 $"
                                                 << "Minimum rate" << 45.0 << ""
                                                 << "";
    QTest::newRow("480 lbs, an LTL rate under the carrier's minimum")
        << "CHICAGO"
        << "480" << 1 << other << "BOREAL"
        << "60.00 $"
        << "Minimum rate" << 12.0 << "60.00"
        << "12.00";
    QTest::newRow("480 lbs, an LTL rate above the carrier's minimum")
        << "CHICAGO"
        << "480" << 2 << other << "CARGO'S"
        << "96.00 $"
        << "LTL 20.00" << 20.0 << "50.00"
        << "20.00";
    QTest::newRow("250 lbs, a minimum the carrier's LTL price reaches at that very weight")
        << "CHICAGO"
        << "250" << 2 << other << "CARGO'S"
        << "50.00 $"
        << "Minimum rate" << 50.0 << "50.00"
        << "20.00";
    QTest::newRow("600 lbs, a rate whose LTL price stays under the carrier's minimum")
        << "GASPE"
        << "600" << 1 << other << "BOREAL"
        << "90.00 $"
        << "Minimum rate" << 9.50 << "90.00"
        << "12.00";
}

void tst_BestRate::weightPick()
{
    QFETCH(QString, destination);
    QFETCH(QString, weight);
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(QString, note);
    QFETCH(double, clickRate);
    QFETCH(QString, carrierMinPrice);
    QFETCH(QString, carrierLtlRate);

    QVERIFY(evaluate(destination, weight, QStringLiteral("3")).isEmpty());
    QVERIFY(m_logic->pickWeight(row));
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.resultTitle, title);
    QCOMPARE(s.resultCarrier, carrier);
    QCOMPARE(s.resultPrice, price);
    QCOMPARE(s.rateNote, note);
    QCOMPARE(s.carrierMinPrice, carrierMinPrice);
    QCOMPARE(s.carrierLtlRate, carrierLtlRate);
    QVERIFY(!s.ltlApplied);
    QCOMPARE(m_logic->state().carrierName, carrier);
    QCOMPARE(m_logic->state().weightClickRate, dollars(clickRate));
    QVERIFY(m_logic->state().weightChosen);
    QVERIFY(!m_logic->state().palletChosen);

    const BillHandOff handOff = m_logic->handOff();
    QCOMPARE(handOff.blCarrierName, carrier);
    QCOMPARE(handOff.blPrice, Currency::fromDouble(numericValue(price)));
    QCOMPARE(handOff.blRate, dollars(clickRate));
    QCOMPARE(handOff.blWeight, roundToInt32(numericValue(weight)));
    QCOMPARE(handOff.blPallets, 3);
}

void tst_BestRate::palletPick_data()
{
    QTest::addColumn<QString>("pallets");
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("price");
    QTest::addColumn<double>("clickRate");

    QTest::newRow("4 pallets, second rate")
        << "4" << 1 << BestRateEvaluator::otherChoiceTitle() << "BOREAL"
        << "160.00 $" << 40.0;
    QTest::newRow("4 pallets, best rate again")
        << "4" << 0 << BestRateEvaluator::bestRateTitle() << "ACME"
        << "150.00 $" << 37.5;
    QTest::newRow("14 pallets, second rate")
        << "14" << 1 << BestRateEvaluator::otherChoiceTitle() << "ACME"
        << "420.00 $" << 30.0;
}

void tst_BestRate::palletPick()
{
    QFETCH(QString, pallets);
    QFETCH(int, row);
    QFETCH(QString, title);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(double, clickRate);

    QVERIFY(evaluate(QStringLiteral("CHICAGO"), QString(), pallets).isEmpty());
    QVERIFY(m_logic->pickPallet(row));
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.resultTitle, title);
    QCOMPARE(s.resultCarrier, carrier);
    QCOMPARE(s.resultPrice, price);
    QCOMPARE(s.rateNote, QString());
    QVERIFY(m_logic->state().palletChosen);
    QVERIFY(!m_logic->state().weightChosen);
    QCOMPARE(m_logic->state().palletClickRate, dollars(clickRate));
    QCOMPARE(m_logic->handOff().blRate, dollars(clickRate));
    QCOMPARE(m_logic->handOff().blCarrierName, carrier);
}

void tst_BestRate::picksNeedAShownEntry()
{
    // No weight typed: the weight lists stay hidden and cannot be clicked.
    QVERIFY(evaluate(QStringLiteral("CHICAGO"), QString(), QStringLiteral("3")).isEmpty());
    QVERIFY(!m_logic->pickWeight(0));
    QVERIFY(!m_logic->pickPallet(2));
    QVERIFY(!m_logic->pickPallet(-1));
    QVERIFY(!m_logic->state().weightChosen && !m_logic->state().palletChosen);
    QCOMPARE(m_logic->state().resultCarrier, QStringLiteral("ACME"));

    // Once the result is cleared, nothing on screen can be picked.
    m_logic->setPalletText(QStringLiteral("4"));
    QVERIFY(!m_logic->pickPallet(0));
}

void tst_BestRate::lastPickDecidesTheHandedRate()
{
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("1200"), QStringLiteral("3")).isEmpty());
    QCOMPARE(m_logic->handOff().blRate, dollars(8.5));
    QVERIFY(m_logic->pickWeight(1));
    QCOMPARE(m_logic->handOff().blRate, dollars(9.10));
    QVERIFY(m_logic->pickPallet(1));
    QCOMPARE(m_logic->handOff().blRate, dollars(45));
    QCOMPARE(m_logic->handOff().blPrice, dollars(135));
    QVERIFY(m_logic->pickWeight(2));
    QCOMPARE(m_logic->handOff().blRate, dollars(9.80));
    QCOMPARE(m_logic->handOff().blPrice, dollars(117.60));
    QCOMPARE(m_logic->handOff().blCarrierName, QStringLiteral("CARGO'S"));

    // At 300 lbs a weight pick shows the red minimum note; a pallet pick drops it.
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("300"), QStringLiteral("3")).isEmpty());
    QVERIFY(m_logic->pickWeight(1));
    QCOMPARE(m_logic->state().rateNote, QStringLiteral("Minimum rate"));
    QVERIFY(m_logic->pickPallet(0));
    QCOMPARE(m_logic->state().rateNote, QString());
    QCOMPARE(m_logic->state().resultTitle, BestRateEvaluator::otherChoiceTitle());
    QCOMPARE(m_logic->handOff().blRate, dollars(42));
    QCOMPARE(m_logic->handOff().blPrice, dollars(126));
}

void tst_BestRate::prepareHandsOnAndClearsTheResult()
{
    // Weight only: the command is not offered.
    QVERIFY(evaluate(QStringLiteral("CHICAGO"), QStringLiteral("1200"), QString()).isEmpty());
    QVERIFY(!m_logic->state().prepareShown);
    QVERIFY(!m_logic->prepareBillOfLading());

    QVERIFY(evaluate(QStringLiteral("CHICAGO"), QStringLiteral("40000"), QStringLiteral("3"))
                .isEmpty());
    QVERIFY(m_logic->pickPallet(1));
    const std::optional<BillHandOff> handed = m_logic->prepareBillOfLading();
    QVERIFY(handed);
    QCOMPARE(handed->blCarrierName, QStringLiteral("BOREAL"));
    QCOMPARE(handed->blPrice, dollars(135));
    QCOMPARE(handed->blRate, dollars(45));
    QCOMPARE(handed->blWeight, 40000);
    QCOMPARE(handed->blPallets, 3);
    QCOMPARE(handed->destName, QStringLiteral("CHICAGO"));
    QVERIFY(handed->palletChosen && !handed->weightChosen);

    const BestRateState &s = m_logic->state();
    QVERIFY(s.resultTitle.isEmpty() && s.resultPrice.isEmpty() && s.resultCarrier.isEmpty());
    QVERIFY(!s.weightListsShown && !s.palletListsShown && !s.prepareShown);
    QVERIFY(!m_logic->prepareBillOfLading());
    // What was handed on is a value of its own: the cleared result leaves it as it was.
    QCOMPARE(handed->blPrice, dollars(135));
}

void tst_BestRate::fieldChangeClearsTheResult()
{
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("300"), QStringLiteral("3")).isEmpty());
    QVERIFY(!m_logic->state().rateNote.isEmpty());
    m_logic->setWeightText(QStringLiteral("3001"));
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.destIndex, -1);
    QVERIFY(s.resultTitle.isEmpty() && s.resultCarrier.isEmpty() && s.resultPrice.isEmpty());
    QVERIFY(s.rateNote.isEmpty());
    QVERIFY(!s.weightListsShown && !s.palletListsShown);
    QVERIFY(s.indicatorShown);
    // With the price gone, the bill of lading cannot be prepared from stale figures.
    QVERIFY(!s.prepareShown);
    QCOMPARE(m_logic->weight(), 3001.0);
}

void tst_BestRate::activationRefreshesAndPurges()
{
    m_fixture->addWorkRow(true);
    m_fixture->addWorkRow(true);
    m_fixture->addWorkRow(false);
    const int keptRows = m_fixture->workRows(false);
    QVERIFY(keptRows >= 1);
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("1200"), QStringLiteral("3")).isEmpty());
    QVERIFY(m_logic->pickWeight(1));
    // Saved by another window while this one was hidden.
    m_fixture->addDestination(QStringLiteral("GANDER"));

    m_logic->activate();
    const BestRateState &s = m_logic->state();
    QVERIFY(!m_logic->state().weightChosen && !m_logic->state().palletChosen);
    QVERIFY(s.resultTitle.isEmpty() && s.resultPrice.isEmpty());
    QVERIFY(!s.prepareShown && s.indicatorShown && !s.weightListsShown);
    QCOMPARE(m_fixture->workRows(true), 0);
    QCOMPARE(m_fixture->workRows(false), keptRows);
    QVERIFY(indexOf(QStringLiteral("GANDER")) >= 0);
    QVERIFY(evaluate(QStringLiteral("GANDER"), QStringLiteral("1200"), QString())
        == BestRateEvaluator::emptyResultMessage());
}

void tst_BestRate::noDatabaseEvaluatesNothing()
{
    BestRateEvaluator logic;
    QVERIFY_THROWS_EXCEPTION(DataError, logic.load());
    logic.setWeightText(QStringLiteral("1200"));
    QCOMPARE(logic.chooseDestination(0), QString());
    logic.activate();
    QVERIFY(logic.state().resultTitle.isEmpty());
    QVERIFY(!logic.pickWeight(0));
    QVERIFY(!logic.prepareBillOfLading());
}

void tst_BestRate::entryReadInPart_data()
{
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("pallets");
    QTest::addColumn<QString>("message"); // empty: priced as numericValue reads it
    QTest::addColumn<QString>("price");

    const QString weightMessage = QStringLiteral(
        "The weight \"%1\" cannot be read as a number of pounds. Type it with digits only, e.g. "
        "1200.");
    QTest::newRow("comma") << "1,200" << "3" << weightMessage.arg("1,200") << "";
    QTest::newRow("two periods") << "1.200.5" << "" << weightMessage.arg("1.200.5") << "";
    QTest::newRow("letter among digits") << "12 00a3" << "" << weightMessage.arg("12 00a3") << "";
    QTest::newRow("pallets with a comma") << "1200" << "3,5"
                                          << "The number of pallets \"3,5\" cannot be read. Type "
                                             "it with digits only, e.g. 3."
                                          << "";
    // The readings clerks rely on stay.
    QTest::newRow("blank grouping") << "1 200 lbs" << "" << "" << "102.00 $";
    QTest::newRow("unit after") << "1200 lbs" << "" << "" << "102.00 $";
    QTest::newRow("leading blank") << " 1200" << "" << "" << "102.00 $";
}

void tst_BestRate::entryReadInPart()
{
    QFETCH(QString, weight);
    QFETCH(QString, pallets);
    QFETCH(QString, message);
    QFETCH(QString, price);

    // A result on display first: the refusal must not leave it standing.
    QVERIFY(evaluate(QStringLiteral("CHICAGO"), QStringLiteral("1200"), QStringLiteral("3"))
                .isEmpty());
    QCOMPARE(evaluate(QStringLiteral("CHICAGO"), weight, pallets), message);
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.entryUnreadable, !message.isEmpty());
    QCOMPARE(s.resultPrice, price);
    if (!message.isEmpty()) {
        QVERIFY(s.resultTitle.isEmpty() && s.resultCarrier.isEmpty());
        QVERIFY(!s.weightListsShown && !s.palletListsShown && !s.prepareShown);
        QVERIFY(!m_logic->prepareBillOfLading());
    }
}

void tst_BestRate::tooLarge_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QString>("weight");
    QTest::addColumn<QString>("pallets");
    QTest::addColumn<QString>("carrier"); // empty: no result, the message instead
    QTest::addColumn<QString>("price");
    QTest::addColumn<bool>("prepare");
    QTest::addColumn<int>("blWeight");
    QTest::addColumn<int>("blPallets");

    // Absurd inputs: the side has no price at all, never a saturated one.
    QTest::newRow("1e308 lbs") << "CHICAGO"
                               << "1e308"
                               << "" << ""
                               << "" << false << 0 << 0;
    QTest::newRow("-1e308 lbs") << "CHICAGO"
                                << "-1e308"
                                << "" << ""
                                << "" << false << 0 << 0;
    QTest::newRow("a rate whose price overflows") << "YUKON"
                                                  << "20000"
                                                  << "" << ""
                                                  << "" << false << 20000 << 0;
    QTest::newRow("a pallet price that overflows") << "YUKON"
                                                   << ""
                                                   << "2000000" << ""
                                                   << "" << false << 0 << 2000000;
    // Only the side that cannot be priced goes.
    QTest::newRow("an overflowing weight price beside a pallet price")
        << "YUKON"
        << "20000"
        << "3"
        << "ACME"
        << "126.00 $" << true << 20000 << 3;
    // A weight or count the hand-off cannot carry is refused, not cut down: nothing is handed on.
    QTest::newRow("99 999 999 999 lbs and 3 pallets") << "CHICAGO"
                                                      << "99 999 999 999"
                                                      << "3"
                                                      << "ACME"
                                                      << "126.00 $" << false << 0 << 3;
    QTest::newRow("1200 lbs and 1e10 pallets") << "CHICAGO"
                                               << "1200"
                                               << "1e10"
                                               << "ACME"
                                               << "102.00 $" << false << 1200 << 0;
    QTest::newRow("1e10 pallets alone") << "CHICAGO"
                                        << ""
                                        << "1e10" << ""
                                        << "" << false << 0 << 0;
}

void tst_BestRate::tooLarge()
{
    QFETCH(QString, destination);
    QFETCH(QString, weight);
    QFETCH(QString, pallets);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(bool, prepare);
    QFETCH(int, blWeight);
    QFETCH(int, blPallets);

    const QString message = evaluate(destination, weight, pallets);
    const BestRateState &s = m_logic->state();
    QCOMPARE(message, carrier.isEmpty() ? BestRateEvaluator::tooLargeMessage() : QString());
    QCOMPARE(s.resultCarrier, carrier);
    QCOMPARE(s.resultPrice, price);
    QCOMPARE(s.prepareShown, prepare);
    QCOMPARE(m_logic->state().carrierName, carrier);
    QVERIFY(s.failure.isEmpty());
    for (const QString &text : {s.resultPrice, s.weightPriceText, s.palletPriceText})
        QVERIFY2(!text.contains(QStringLiteral("922")), qPrintable(text));
    QCOMPARE(m_logic->prepareBillOfLading().has_value(), prepare);
    if (carrier.isEmpty()) {
        // Nothing to hand on, and the box still names the destination.
        QCOMPARE(s.destIndex, indexOf(destination));
        QVERIFY(m_logic->handOff().blCarrierName.isEmpty());
        QVERIFY(m_logic->handOff().blPrice.isZero());
    }
    QCOMPARE(m_logic->handOff().blWeight, blWeight);
    QCOMPARE(m_logic->handOff().blPallets, blPallets);
}

void tst_BestRate::tooLargePicksChangeNothing()
{
    // The weight side of YUKON cannot be priced; a click on its rate changes nothing.
    QVERIFY(evaluate(QStringLiteral("YUKON"), QStringLiteral("20000"), QStringLiteral("3"))
                .isEmpty());
    QVERIFY(m_logic->state().weightListsShown);
    QVERIFY(!m_logic->pickWeight(0));
    QCOMPARE(m_logic->state().resultPrice, QStringLiteral("126.00 $"));
    QCOMPARE(m_logic->state().resultTitle, BestRateEvaluator::bestRateTitle());
    QVERIFY(!m_logic->state().weightChosen);

    // Four pallets: BOREAL at 1.00 is best, ACME's rate would overflow.
    QVERIFY(evaluate(QStringLiteral("YUKON"), QString(), QStringLiteral("4")).isEmpty());
    QCOMPARE(m_logic->state().resultPrice, QStringLiteral("4.00 $"));
    QVERIFY(m_logic->pickPallet(0));
    QVERIFY(!m_logic->pickPallet(1));
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.resultCarrier, QStringLiteral("BOREAL"));
    QCOMPARE(s.resultPrice, QStringLiteral("4.00 $"));
    QCOMPARE(m_logic->handOff().blRate, dollars(1));
    QCOMPARE(m_logic->state().palletClickRate, dollars(1));
}

void tst_BestRate::rateNoteFollowsThePrice()
{
    // 480 lbs: the lists show LTL rates, the best price is ACME's 48.00.
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("480"), QStringLiteral("3")).isEmpty());
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.resultPrice, QStringLiteral("48.00 $"));
    QVERIFY(m_logic->pickWeight(1));
    QCOMPARE(s.resultPrice, QStringLiteral("60.00 $"));
    QCOMPARE(s.rateNote, QStringLiteral("Minimum rate"));
    // Back to a price that is no minimum: the note goes with the minimum.
    QVERIFY(m_logic->pickWeight(0));
    QCOMPARE(s.resultTitle, BestRateEvaluator::bestRateTitle());
    QCOMPARE(s.resultPrice, QStringLiteral("48.00 $"));
    QCOMPARE(s.rateNote, QString());
    QVERIFY(m_logic->pickWeight(2));
    QCOMPARE(s.rateNote, QStringLiteral("LTL 20.00"));
    QVERIFY(m_logic->pickWeight(0));
    QCOMPARE(s.rateNote, QString());

    // In minimum mode every pick is a minimum, and says so.
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("300"), QStringLiteral("3")).isEmpty());
    QVERIFY(m_logic->pickWeight(1));
    QCOMPARE(s.rateNote, QStringLiteral("Minimum rate"));
    QVERIFY(m_logic->pickWeight(0));
    QCOMPARE(s.rateNote, QStringLiteral("Minimum rate"));
}

void tst_BestRate::destinationBoxClickEmptiesTheNote()
{
    QVERIFY(
        evaluate(QStringLiteral("CHICAGO"), QStringLiteral("300"), QStringLiteral("3")).isEmpty());
    const BestRateState &s = m_logic->state();
    QCOMPARE(s.rateNote, QStringLiteral("Minimum rate "));
    QVERIFY(s.minListMode);
    m_logic->destinationBoxClicked();
    QCOMPARE(s.rateNote, QString());
    // The lists still show minimum prices: a pick keeps pricing them as minimums.
    QVERIFY(s.minListMode);
    QCOMPARE(s.resultPrice, QStringLiteral("45.00 $"));
    QCOMPARE(s.destIndex, indexOf(QStringLiteral("CHICAGO")));
    QVERIFY(m_logic->pickWeight(1));
    QCOMPARE(s.resultPrice, QStringLiteral("47.00 $"));
}

void tst_BestRate::lookupFailureIsNoResult_data()
{
    QTest::addColumn<QString>("query"); // the stored query to break; empty: damage the rates
    QTest::addColumn<QString>("weight");
    QTest::addColumn<int>("pickWeightRow"); // -1: the evaluation itself fails
    QTest::addColumn<QString>("causePart");

    const QString noColumn = QStringLiteral("no such column");
    QTest::newRow("broken weight query beside sound pallets")
        << "Trip1000"
        << "1200" << -1 << noColumn;
    QTest::newRow("broken pallet query beside a sound weight price")
        << "Trinp3"
        << "1200" << -1 << noColumn;
    QTest::newRow("broken minimum prices") << "TriPrixMin"
                                           << "1200" << -1 << noColumn;
    QTest::newRow("broken LTL rates, read by a pick") << "TriLTL"
                                                      << "1200" << 1 << noColumn;
    QTest::newRow("damaged rate pages") << ""
                                        << "1200" << -1 << "malformed";
}

void tst_BestRate::lookupFailureIsNoResult()
{
    QFETCH(QString, query);
    QFETCH(QString, weight);
    QFETCH(int, pickWeightRow);
    QFETCH(QString, causePart);

    BestRateFixture fixture;
    if (query.isEmpty())
        fixture.damageRates();
    else
        fixture.setQueryBody(query,
            QStringLiteral("SELECT NomTrans, NomDestination, NoSuchRate FROM IdentTrans "
                           "WHERE :prmDestination IS NOT NULL"));
    BestRateEvaluator logic(Database::open(fixture.path()));
    logic.load();
    int chicago = -1;
    for (qsizetype i = 0; i < logic.state().destRows.size(); ++i) {
        if (logic.state().destRows.at(i).name == QStringLiteral("CHICAGO"))
            chicago = int(i);
    }
    QVERIFY(chicago >= 0);
    logic.setWeightText(weight);
    logic.setPalletText(QStringLiteral("3"));
    const QString message = logic.chooseDestination(chicago);
    const BestRateState &s = logic.state();
    if (pickWeightRow >= 0) {
        QVERIFY(message.isEmpty());
        QVERIFY(s.failure.isEmpty());
        QVERIFY(logic.pickWeight(pickWeightRow));
    } else {
        QCOMPARE(message, BestRateEvaluator::readFailureMessage(s.failure));
    }
    QVERIFY2(s.failure.contains(causePart), qPrintable(s.failure));
    QVERIFY(s.resultTitle.isEmpty() && s.resultCarrier.isEmpty() && s.resultPrice.isEmpty());
    QVERIFY(!s.weightListsShown && !s.palletListsShown && !s.prepareShown);
    QVERIFY(s.weightRows.isEmpty() && s.palletRows.isEmpty());
    QCOMPARE(s.destIndex, chicago);
    QVERIFY(s.carrierName.isEmpty());
    QVERIFY(!s.weightChosen && !s.palletChosen);
    QVERIFY(!logic.prepareBillOfLading());
}

QTEST_GUILESS_MAIN(tst_BestRate)
#include "tst_bestrate.moc"

#include "BestRateEvaluator.h"

#include "ModRouvel.h"
#include "core/NumericText.h"
#include "data/DataError.h"
#include "rates/RateLookup.h"

namespace {

const QString minimumNote = QStringLiteral("Minimum rate");
// The lists switched to minimum prices say so with a trailing blank, as clerks know it.
const QString minimumListNote = QStringLiteral("Minimum rate ");

Currency currencyOfText(const QString &text) { return Currency::fromDouble(numericValue(text)); }

// rate / 100 × weight, rounded to the ten-thousandth like every amount.
Currency weightPrice(Currency ratePer100, double weight) { return ratePer100 * (weight / 100.0); }

// Whether rate / 100 × weight is below the amount, compared before any rounding: a price a
// fraction of a cent under the minimum is still under it. Exact for whole and half pounds.
bool weightPriceBelow(Currency ratePer100, double weight, Currency amount)
{
    return double(ratePer100.tenThousandths()) * weight < double(amount.tenThousandths()) * 100.0;
}

} // namespace

QString BestRateEvaluator::emptyResultMessage()
{
    return QStringLiteral("All the rates for this destination are 0.00 $.\n"
                          "Search in CHANGE RATES module a carrier for this destination.");
}

QString BestRateEvaluator::bestRateTitle() { return QStringLiteral("Best rate"); }

QString BestRateEvaluator::otherChoiceTitle() { return QStringLiteral("Other choice"); }

BestRateEvaluator::BestRateEvaluator(Database db) { setDatabase(std::move(db)); }

void BestRateEvaluator::setDatabase(Database db) { m_queries.emplace(std::move(db)); }

double BestRateEvaluator::weight() const { return numericValue(m_state.weightText); }

double BestRateEvaluator::pallets() const { return numericValue(m_state.palletText); }

void BestRateEvaluator::load()
{
    if (!m_queries)
        throw DataError::other(QStringLiteral("No rate database is open."));
    m_state.destRows = m_queries->destinations();
    m_state.destIndex = -1;
}

void BestRateEvaluator::activate()
{
    cachelistes();
    ModRouvel::weightChosen = false;
    ModRouvel::palletChosen = false;
    if (m_queries) {
        // Each step stands alone: a refused purge must not keep the destinations stale.
        try {
            m_queries->refresh();
        } catch (const DataError &) {
        }
        try {
            m_queries->purgeBillOfLadingWork();
        } catch (const DataError &) {
        }
        try {
            m_state.destRows = m_queries->destinations();
        } catch (const DataError &) {
        }
    }
    m_state.prepareShown = false;
    m_state.indicatorShown = true;
    m_state.destIndex = -1;
}

void BestRateEvaluator::cachelistes()
{
    auto &s = m_state;
    s.weightListsShown = false;
    s.palletListsShown = false;
    s.resultTitle.clear();
    s.rateNote.clear();
    s.resultCarrier.clear();
    s.resultPrice.clear();
    s.indicatorShown = true;
    s.destIndex = -1;
    // With the result gone the command would hand on a price of zero and the amounts of the
    // previous shipment, so it goes with the result.
    s.prepareShown = false;
}

void BestRateEvaluator::setWeightText(const QString &text)
{
    m_state.weightText = text;
    cachelistes();
}

void BestRateEvaluator::setPalletText(const QString &text)
{
    m_state.palletText = text;
    cachelistes();
}

QString BestRateEvaluator::chooseDestination(int index)
{
    auto &s = m_state;
    s.rateNote.clear();
    s.minListMode = false;
    // A first price kept from an earlier destination must not turn a rate into a minimum.
    s.minListFirstPrice = Currency();
    if (!m_queries || index < 0 || index >= s.destRows.size())
        return {};

    s.weightPriceText.clear();
    s.palletPriceText.clear();
    const DestinationEntry destination = s.destRows.at(index);
    s.destIndex = index;
    ModRouvel::destNo = destination.number;
    ModRouvel::destName = destination.name;

    const double w = weight();
    const double p = pallets();
    try {
        getPrixMin();
    } catch (const DataError &) {
        // The file failed under us: show nothing rather than rows of another destination.
        cachelistes();
        return {};
    }
    weightLookup(w);
    if (const RateLookup *lookup = RateLookup::forPallets(p)) {
        palletLookup(*lookup);
    } else {
        // No count to price: rows of an earlier evaluation must not stand in for this one.
        s.palletRows = RateList();
    }

    s.resultTitle = bestRateTitle();
    if (w < 1)
        s.weightPriceText = QStringLiteral("0");
    if (p < 1)
        s.palletPriceText = QStringLiteral("0");

    const Currency a = currencyOfText(s.weightPriceText);
    const Currency b = currencyOfText(s.palletPriceText);
    const auto fail = [this] {
        cachelistes();
        return emptyResultMessage();
    };
    if (b.isZero() && !displayByWeight())
        return fail();
    if (a > b && !b.isZero() && !displayByPallets())
        return fail();
    if (a.isZero() && !displayByPallets())
        return fail();
    if (b > a && !a.isZero() && !displayByWeight())
        return fail();
    // Equal prices: the weight side, which also carries the minimum and LTL rules.
    if (a == b && !a.isZero() && !displayByWeight())
        return fail();

    s.weightListsShown = w >= 1;
    s.palletListsShown = p >= 1;
    s.prepareShown = p >= 1;
    s.indicatorShown = !(p >= 1);

    s.bestPrice = currencyOfText(s.resultPrice);
    ModRouvel::blRate = s.chosenRate;
    return {};
}

void BestRateEvaluator::getPrixMin() { m_state.minRows = runLookup(RateLookup::minimumPrice()); }

RateList BestRateEvaluator::runLookup(const RateLookup &lookup) const
{
    return m_queries->lookup(lookup, ModRouvel::destNo);
}

void BestRateEvaluator::weightLookup(double w)
{
    if (w < 500) {
        calculLTL();
        if (m_state.weightRows.isEmpty() && !m_state.minRows.isEmpty())
            calculPrixMin();
    } else {
        bracketLookup(RateLookup::forWeight(w));
    }
}

bool BestRateEvaluator::loadLookup(RateList &rows, const RateLookup &lookup) const
{
    // A failed lookup leaves its lists empty and its side without a price, as a result with no
    // row does; the evaluation goes on.
    try {
        rows = runLookup(lookup);
    } catch (const DataError &) {
        rows = RateList(lookup.query, lookup.field, {});
    }
    return !rows.isEmpty();
}

void BestRateEvaluator::bracketLookup(const RateLookup &lookup)
{
    if (loadLookup(m_state.weightRows, lookup))
        calcultotalpoids();
}

void BestRateEvaluator::calculLTL()
{
    auto &s = m_state;
    if (!loadLookup(s.weightRows, RateLookup::ltl()))
        return;
    s.weightRate = s.weightRows.rows().first().rate;
    // A destination without minimum prices has no minimum to apply: the LTL price stands.
    if (!s.minRows.isEmpty()) {
        const Currency lowestMinimum = s.minRows.rows().first().rate;
        if (weightPriceBelow(s.weightRate, weight(), lowestMinimum)) {
            calculPrixMin();
            s.weightPriceText = formatAmount(lowestMinimum);
            s.weightCarrier = s.weightRows.rows().first().carrier;
            return;
        }
    }
    calcultotalpoids();
}

void BestRateEvaluator::calculPrixMin()
{
    auto &s = m_state;
    // The same query with the same destination as minRows, read moments ago.
    s.weightRows = RateList(s.minRows.query(), s.minRows.field(), s.minRows.rows());
    if (s.weightRows.isEmpty())
        return;
    s.minListFirstPrice = s.weightRows.rows().first().rate;
    calcultotalpoids();
    s.weightPriceText = formatAmount(s.minListFirstPrice);
    s.rateNote = minimumListNote;
    s.minListMode = true;
}

void BestRateEvaluator::calcultotalpoids()
{
    auto &s = m_state;
    const RateRow &row = s.weightRows.currentRow();
    s.weightRate = row.rate;
    s.weightPriceText = formatAmount(weightPrice(s.weightRate, weight()));
    s.weightCarrier = row.carrier;
    s.chosenRate = s.weightRate;
    storeAmounts();
}

void BestRateEvaluator::palletLookup(const RateLookup &lookup)
{
    if (loadLookup(m_state.palletRows, lookup))
        calcultotalpalettes();
}

void BestRateEvaluator::calcultotalpalettes()
{
    auto &s = m_state;
    const RateRow &row = s.palletRows.currentRow();
    s.palletRate = row.rate;
    s.palletPriceText = formatAmount(s.palletRate * pallets());
    s.palletCarrier = row.carrier;
    s.chosenRate = s.palletRate;
    storeAmounts();
}

void BestRateEvaluator::storeAmounts() const
{
    // Carried whole: a truckload of 40 000 lbs is not cut down to 16 bits.
    ModRouvel::blWeight = roundToInt32(weight());
    ModRouvel::blPallets = roundToInt32(pallets());
}

bool BestRateEvaluator::displayByWeight()
{
    auto &s = m_state;
    if (!s.weightRows.hasCurrentRow())
        return false;
    s.resultCarrier = s.weightCarrier;
    s.resultPrice = s.weightPriceText;
    s.chosenRate = s.weightRate;
    ModRouvel::carrierName = s.weightRows.currentRow().carrier;
    return true;
}

bool BestRateEvaluator::displayByPallets()
{
    auto &s = m_state;
    if (!s.palletRows.hasCurrentRow())
        return false;
    s.resultCarrier = s.palletCarrier;
    s.resultPrice = s.palletPriceText;
    s.chosenRate = s.palletRate;
    ModRouvel::carrierName = s.palletRows.currentRow().carrier;
    // A minimum-price note belongs to the weight side; beside a pallet price it would mislead
    // (with no weight at all, the minimum lookup still runs and would leave the note up).
    s.rateNote.clear();
    return true;
}

bool BestRateEvaluator::pickWeight(int row)
{
    auto &s = m_state;
    if (!s.weightListsShown || row < 0 || row >= s.weightRows.size())
        return false;
    const double w = weight();
    const Currency r = currencyOfText(RateList::rateText(s.weightRows.rows().at(row).rate));

    ModRouvel::weightChosen = true;
    ModRouvel::palletChosen = false;
    if (r == s.minListFirstPrice || s.minListMode) {
        s.weightPriceText = formatAmount(r);
        s.rateNote = minimumNote;
    } else {
        s.weightPriceText = formatAmount(weightPrice(r, w));
        s.minListMode = false;
    }
    s.weightRows.setCurrentIndex(row);
    s.weightCarrier = s.weightRows.currentRow().carrier;
    s.resultCarrier = s.weightCarrier;
    s.resultPrice = s.weightPriceText;
    ModRouvel::weightClickRate = r;
    ModRouvel::carrierName = s.weightCarrier;

    if (currencyOfText(s.resultPrice) != s.bestPrice) {
        s.resultTitle = otherChoiceTitle();
        applyCarrierMinimum(w);
    } else {
        s.resultTitle = bestRateTitle();
    }

    if (s.ltlApplied) {
        ModRouvel::weightClickRate = s.ltlRate;
        s.ltlApplied = false;
    } else {
        ModRouvel::weightClickRate = r;
    }
    storeAmounts();
    return true;
}

void BestRateEvaluator::applyCarrierMinimum(double w)
{
    auto &s = m_state;
    const QString carrier = s.weightCarrier;
    s.carrierMinPrice.clear();
    s.carrierLtlRate.clear();

    const RateRow *minimum = s.minRows.findCarrier(carrier);
    if (minimum)
        s.carrierMinPrice = RateList::rateText(minimum->rate);
    try {
        s.ltlRows = runLookup(RateLookup::ltl());
    } catch (const DataError &) {
        s.ltlRows = RateList();
    }
    const RateRow *ltl = s.ltlRows.findCarrier(carrier);
    if (ltl)
        s.carrierLtlRate = RateList::rateText(ltl->rate);

    // Without both figures, or with no LTL rate to divide by, the picked price stands.
    if (!minimum || !ltl)
        return;
    const double m = numericValue(s.carrierMinPrice);
    const double l = numericValue(s.carrierLtlRate);
    if (l == 0)
        return;
    const double e = m / l * 100; // the weight at which the LTL price reaches the minimum
    if (w < 500 && e < w) {
        s.resultPrice = formatAmount(weightPrice(currencyOfText(s.carrierLtlRate), w));
        s.rateNote = QStringLiteral("LTL ") + s.carrierLtlRate;
        s.ltlApplied = true;
        s.ltlRate = currencyOfText(s.carrierLtlRate);
    }
    if (e > w) {
        s.resultPrice = formatAmount(currencyOfText(s.carrierMinPrice));
        s.rateNote = minimumNote;
    }
}

bool BestRateEvaluator::pickPallet(int row)
{
    auto &s = m_state;
    if (!s.palletListsShown || row < 0 || row >= s.palletRows.size())
        return false;
    const Currency r = currencyOfText(RateList::rateText(s.palletRows.rows().at(row).rate));

    ModRouvel::palletChosen = true;
    ModRouvel::weightChosen = false;
    s.rateNote.clear();
    s.palletPriceText = formatAmount(r * pallets());
    s.palletRows.setCurrentIndex(row);
    s.palletCarrier = s.palletRows.currentRow().carrier;
    s.resultTitle = otherChoiceTitle();
    s.resultCarrier = s.palletCarrier;
    s.resultPrice = s.palletPriceText;
    ModRouvel::carrierName = s.palletCarrier;
    if (currencyOfText(s.resultPrice) == s.bestPrice)
        s.resultTitle = bestRateTitle();
    ModRouvel::palletClickRate = r;
    storeAmounts();
    return true;
}

HandOff BestRateEvaluator::handOff() const
{
    HandOff h;
    h.blCarrierName = ModRouvel::carrierName;
    h.blPrice = currencyOfText(m_state.resultPrice);
    if (ModRouvel::weightChosen)
        h.blRate = ModRouvel::weightClickRate;
    else if (ModRouvel::palletChosen)
        h.blRate = ModRouvel::palletClickRate;
    else
        h.blRate = ModRouvel::blRate;
    h.blWeight = roundToInt32(weight());
    h.blPallets = roundToInt32(pallets());
    h.weightChosen = ModRouvel::weightChosen;
    h.palletChosen = ModRouvel::palletChosen;
    return h;
}

bool BestRateEvaluator::prepareBillOfLading()
{
    if (!m_state.prepareShown)
        return false;
    const HandOff h = handOff();
    ModRouvel::blPrice = h.blPrice;
    ModRouvel::blCarrierName = h.blCarrierName;
    ModRouvel::blRate = h.blRate;
    ModRouvel::blWeight = h.blWeight;
    ModRouvel::blPallets = h.blPallets;
    cachelistes();
    return true;
}

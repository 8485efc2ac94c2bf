#include "BestRateEvaluator.h"

#include "core/NumericText.h"
#include "data/DataError.h"
#include "rates/RateLookup.h"

#include <cmath>
#include <limits>
#include <optional>

namespace {

const QString minimumNote = QStringLiteral("Minimum rate");
// The lists switched to minimum prices say so with a trailing blank, as clerks know it.
const QString minimumListNote = QStringLiteral("Minimum rate ");

Currency currencyOfText(const QString &text) { return Currency::fromDouble(numericValue(text)); }

// amount × factor rounded to the ten-thousandth, or nothing when the product does not fit an
// amount: a saturated figure would be shown and handed on as if it were a price.
std::optional<Currency> product(Currency amount, double factor)
{
    const double value = amount.toDouble() * factor;
    constexpr double limit = 9223372036854775808.0; // 2^63 ten-thousandths
    if (!std::isfinite(value) || std::abs(value * double(Currency::UnitsPerDollar)) >= limit)
        return std::nullopt;
    return Currency::fromDouble(value);
}

// rate / 100 × weight, rounded to the ten-thousandth like every amount.
std::optional<Currency> weightPrice(Currency ratePer100, double weight)
{
    return product(ratePer100, weight / 100.0);
}

// Whether a weight or pallet count, rounded as the hand-off rounds it, fits the hand-off.
bool fitsHandOff(double value)
{
    const double rounded = std::nearbyint(value);
    return std::isfinite(rounded) && rounded >= double(std::numeric_limits<qint32>::min())
        && rounded <= double(std::numeric_limits<qint32>::max());
}

// What the hand-off carries for a weight or pallet count: nothing when it does not fit, rather
// than a figure cut down to the bound.
qint32 handedAmount(double value) { return fitsHandOff(value) ? roundToInt32(value) : 0; }

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

QString BestRateEvaluator::tooLargeMessage()
{
    return QStringLiteral("This shipment is too large to be priced.\n"
                          "Check the total weight and the number of pallets.");
}

QString BestRateEvaluator::readFailureMessage(const QString &cause)
{
    return QStringLiteral("The rates for this destination cannot be read.\n%1").arg(cause);
}

QString BestRateEvaluator::unreadableEntryMessage(
    const QString &weightText, const QString &palletText)
{
    if (readsOnlyInPart(weightText)) {
        return QStringLiteral("The weight \"%1\" cannot be read as a number of pounds. Type it "
                              "with digits only, e.g. 1200.")
            .arg(weightText);
    }
    if (readsOnlyInPart(palletText)) {
        return QStringLiteral("The number of pallets \"%1\" cannot be read. Type it with digits "
                              "only, e.g. 3.")
            .arg(palletText);
    }
    return {};
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
    m_state.weightChosen = false;
    m_state.palletChosen = false;
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
    s.failure.clear();
    s.bracketOffers.clear();
    s.weightBreak.reset();
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

void BestRateEvaluator::destinationBoxClicked() { m_state.rateNote.clear(); }

void BestRateEvaluator::clearAfterFailure(int destIndex)
{
    auto &s = m_state;
    cachelistes();
    // The clerk still sees which destination gave no result.
    s.destIndex = destIndex;
    // No carrier is chosen while no result is on display.
    m_state.carrierName.clear();
}

QString BestRateEvaluator::chooseDestination(int index)
{
    auto &s = m_state;
    s.rateNote.clear();
    s.minListMode = false;
    // A first price kept from an earlier destination must not turn a rate into a minimum.
    s.minListFirstPrice = Currency();
    s.failure.clear();
    s.entryUnreadable = false;
    if (!m_queries || index < 0 || index >= s.destRows.size())
        return {};
    if (const QString unreadable = unreadableEntryMessage(s.weightText, s.palletText);
        !unreadable.isEmpty()) {
        clearAfterFailure(index);
        s.entryUnreadable = true;
        return unreadable;
    }

    s.weightPriceText.clear();
    s.palletPriceText.clear();
    s.weightRefused = false;
    s.palletRefused = false;
    const DestinationEntry destination = s.destRows.at(index);
    s.destIndex = index;
    m_state.destNo = destination.number;
    m_state.destName = destination.name;

    const double w = weight();
    const double p = pallets();
    try {
        getPrixMin();
        weightLookup(w);
        if (const RateLookup *lookup = RateLookup::forPallets(p)) {
            palletLookup(*lookup);
        } else {
            // No count to price: rows of an earlier evaluation must not stand in for this one.
            s.palletRows = RateList();
        }
    } catch (const DataError &error) {
        // A damaged file or a broken query: part of a result would pass for the best rate.
        s.weightRows = RateList();
        s.palletRows = RateList();
        clearAfterFailure(index);
        s.failure = error.message();
        return readFailureMessage(s.failure);
    }

    s.resultTitle = bestRateTitle();
    if (w < 1)
        s.weightPriceText = QStringLiteral("0");
    if (p < 1)
        s.palletPriceText = QStringLiteral("0");

    const Currency a = currencyOfText(s.weightPriceText);
    const Currency b = currencyOfText(s.palletPriceText);
    const auto fail = [&] {
        clearAfterFailure(index);
        return s.weightRefused || s.palletRefused ? tooLargeMessage() : emptyResultMessage();
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
    // A weight or count the bill of lading cannot carry is not handed on, not even cut down.
    s.prepareShown = p >= 1 && fitsHandOff(w) && fitsHandOff(p);
    s.indicatorShown = !(p >= 1);

    s.bestPrice = currencyOfText(s.resultPrice);
    m_state.blRate = s.chosenRate;
    readBracketOffers(w);
    updateWeightBreak();
    return {};
}

void BestRateEvaluator::readBracketOffers(double w)
{
    auto &s = m_state;
    s.bracketOffers.clear();
    // From 10 000 lbs on there is no heavier bracket.
    if (!m_weightBreakAdvice || !(w > 0) || w >= 10000)
        return;
    try {
        s.bracketOffers = m_queries->bracketOffers(s.destNo, w);
    } catch (const DataError &) {
        // Advice is a hint beside the result: without it the result stands as it is.
    }
}

void BestRateEvaluator::updateWeightBreak()
{
    auto &s = m_state;
    const bool priced = currencyOfText(s.weightPriceText) > Currency()
        || currencyOfText(s.palletPriceText) > Currency();
    s.weightBreak = priced
        ? WeightBreakAdvice::find(weight(), currencyOfText(s.resultPrice), s.bracketOffers)
        : std::nullopt;
}

void BestRateEvaluator::getPrixMin() { m_state.minRows = runLookup(RateLookup::minimumPrice()); }

RateList BestRateEvaluator::runLookup(const RateLookup &lookup) const
{
    return m_queries->lookup(lookup, m_state.destNo);
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
    rows = runLookup(lookup);
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
            if (s.weightRefused)
                return;
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
    if (!calcultotalpoids())
        return;
    s.weightPriceText = formatAmount(s.minListFirstPrice);
    s.rateNote = minimumListNote;
    s.minListMode = true;
}

bool BestRateEvaluator::calcultotalpoids()
{
    auto &s = m_state;
    const RateRow &row = s.weightRows.currentRow();
    const std::optional<Currency> price = weightPrice(row.rate, weight());
    if (!price || !fitsHandOff(weight())) {
        refuseWeight();
        return false;
    }
    s.weightRate = row.rate;
    s.weightPriceText = formatAmount(*price);
    s.weightCarrier = row.carrier;
    s.chosenRate = s.weightRate;
    return true;
}

void BestRateEvaluator::refuseWeight()
{
    auto &s = m_state;
    s.weightRefused = true;
    s.weightRows.setCurrentIndex(-1);
    s.weightPriceText.clear();
    s.weightCarrier.clear();
}

void BestRateEvaluator::refusePallets()
{
    auto &s = m_state;
    s.palletRefused = true;
    s.palletRows.setCurrentIndex(-1);
    s.palletPriceText.clear();
    s.palletCarrier.clear();
}

void BestRateEvaluator::palletLookup(const RateLookup &lookup)
{
    if (loadLookup(m_state.palletRows, lookup))
        calcultotalpalettes();
}

bool BestRateEvaluator::calcultotalpalettes()
{
    auto &s = m_state;
    const RateRow &row = s.palletRows.currentRow();
    const std::optional<Currency> price = product(row.rate, pallets());
    if (!price || !fitsHandOff(pallets())) {
        refusePallets();
        return false;
    }
    s.palletRate = row.rate;
    s.palletPriceText = formatAmount(*price);
    s.palletCarrier = row.carrier;
    s.chosenRate = s.palletRate;
    return true;
}

bool BestRateEvaluator::displayByWeight()
{
    auto &s = m_state;
    if (!s.weightRows.hasCurrentRow())
        return false;
    s.resultCarrier = s.weightCarrier;
    s.resultPrice = s.weightPriceText;
    s.chosenRate = s.weightRate;
    m_state.carrierName = s.weightRows.currentRow().carrier;
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
    m_state.carrierName = s.palletRows.currentRow().carrier;
    // With no weight the minimum lookup still runs and would leave its note beside a pallet
    // price; with a weight the lists beside it do show minimum prices, and the note says so.
    if (weight() < 1)
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
    const bool minimum = r == s.minListFirstPrice || s.minListMode;
    const std::optional<Currency> price = minimum ? std::optional<Currency>(r) : weightPrice(r, w);
    if (!price || !fitsHandOff(w))
        return false;

    // A pick that turns out too large to price leaves everything as it was.
    const BestRateState before = s;
    s.failure.clear();

    s.weightChosen = true;
    s.palletChosen = false;
    s.weightPriceText = formatAmount(*price);
    if (minimum) {
        s.rateNote = minimumNote;
    } else {
        s.minListMode = false;
        // The price is now rate × weight: a note left by an earlier pick would belong to
        // another price.
        s.rateNote.clear();
    }
    s.weightRows.setCurrentIndex(row);
    s.weightCarrier = s.weightRows.currentRow().carrier;
    s.resultCarrier = s.weightCarrier;
    s.resultPrice = s.weightPriceText;
    m_state.weightClickRate = r;
    m_state.carrierName = s.weightCarrier;

    if (currencyOfText(s.resultPrice) != s.bestPrice) {
        s.resultTitle = otherChoiceTitle();
        bool priced = false;
        try {
            priced = applyCarrierMinimum(w);
        } catch (const DataError &error) {
            // Without the carrier's LTL rate the price may be wrong: no price at all.
            s.weightRows = RateList();
            s.palletRows = RateList();
            const int destIndex = s.destIndex;
            clearAfterFailure(destIndex);
            s.failure = error.message();
            m_state.weightChosen = false;
            return true;
        }
        if (!priced) {
            s = before;
            return false;
        }
    } else {
        s.resultTitle = bestRateTitle();
    }

    if (s.ltlApplied) {
        m_state.weightClickRate = s.ltlRate;
        s.ltlApplied = false;
    } else {
        m_state.weightClickRate = r;
    }
    updateWeightBreak();
    return true;
}

bool BestRateEvaluator::applyCarrierMinimum(double w)
{
    auto &s = m_state;
    const QString carrier = s.weightCarrier;
    s.carrierMinPrice.clear();
    s.carrierLtlRate.clear();

    const RateRow *minimum = s.minRows.findCarrier(carrier);
    if (minimum)
        s.carrierMinPrice = RateList::rateText(minimum->rate);
    s.ltlRows = runLookup(RateLookup::ltl());
    const RateRow *ltl = s.ltlRows.findCarrier(carrier);
    if (ltl)
        s.carrierLtlRate = RateList::rateText(ltl->rate);

    // Without both figures, or with no LTL rate to divide by, the picked price stands.
    if (!minimum || !ltl)
        return true;
    const double m = numericValue(s.carrierMinPrice);
    const double l = numericValue(s.carrierLtlRate);
    if (l == 0)
        return true;
    const double e = m / l * 100; // the weight at which the LTL price reaches the minimum
    if (w < 500 && e < w) {
        const std::optional<Currency> price = weightPrice(currencyOfText(s.carrierLtlRate), w);
        if (!price)
            return false;
        s.resultPrice = formatAmount(*price);
        s.rateNote = QStringLiteral("LTL ") + s.carrierLtlRate;
        s.ltlApplied = true;
        s.ltlRate = currencyOfText(s.carrierLtlRate);
    }
    if (e > w) {
        s.resultPrice = formatAmount(currencyOfText(s.carrierMinPrice));
        s.rateNote = minimumNote;
    }
    return true;
}

bool BestRateEvaluator::pickPallet(int row)
{
    auto &s = m_state;
    if (!s.palletListsShown || row < 0 || row >= s.palletRows.size())
        return false;
    const Currency r = currencyOfText(RateList::rateText(s.palletRows.rows().at(row).rate));
    const std::optional<Currency> price = product(r, pallets());
    if (!price || !fitsHandOff(pallets()))
        return false;
    s.failure.clear();

    m_state.palletChosen = true;
    m_state.weightChosen = false;
    s.rateNote.clear();
    s.palletPriceText = formatAmount(*price);
    s.palletRows.setCurrentIndex(row);
    s.palletCarrier = s.palletRows.currentRow().carrier;
    s.resultTitle = otherChoiceTitle();
    s.resultCarrier = s.palletCarrier;
    s.resultPrice = s.palletPriceText;
    m_state.carrierName = s.palletCarrier;
    if (currencyOfText(s.resultPrice) == s.bestPrice)
        s.resultTitle = bestRateTitle();
    m_state.palletClickRate = r;
    updateWeightBreak();
    return true;
}

BillHandOff BestRateEvaluator::handOff() const
{
    const auto &s = m_state;
    BillHandOff h;
    h.blCarrierName = s.carrierName;
    h.blPrice = currencyOfText(s.resultPrice);
    h.blRate = s.blRate;
    // Carried whole: a truckload of 40 000 lbs is not cut down to 16 bits.
    h.blWeight = handedAmount(weight());
    h.blPallets = handedAmount(pallets());
    h.weightChosen = s.weightChosen;
    h.palletChosen = s.palletChosen;
    h.weightClickRate = s.weightClickRate;
    h.palletClickRate = s.palletClickRate;
    h.destName = s.destName;
    h.blRate = h.effectiveRate();
    return h;
}

std::optional<BillHandOff> BestRateEvaluator::prepareBillOfLading()
{
    if (!m_state.prepareShown)
        return std::nullopt;
    const BillHandOff h = handOff();
    cachelistes();
    return h;
}

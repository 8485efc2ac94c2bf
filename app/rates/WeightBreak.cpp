#include "WeightBreak.h"

#include "core/NumericText.h"

namespace {

constexpr Currency Cent = Currency::fromTenThousandths(Currency::UnitsPerDollar / 100);

// rate / 100 × weight as the price text would show it, or nothing when it does not fit.
std::optional<Currency> breakPrice(Currency ratePer100, int weight)
{
    qint64 units = 0;
    if (weight % 100 != 0 || __builtin_mul_overflow(ratePer100.tenThousandths(), weight / 100, &units))
        return std::nullopt;
    return Currency::fromDouble(numericValue(formatAmount(Currency::fromTenThousandths(units))));
}

} // namespace

QString WeightBreakAdvice::text() const
{
    return QStringLiteral("At %1 lbs: %2 %3 (saves %4)")
        .arg(QString::number(weight), carrier, formatAmount(price), formatAmount(saving));
}

std::optional<WeightBreakAdvice> WeightBreakAdvice::find(
    double weight, Currency shownPrice, const QList<BracketOffer> &offers)
{
    if (!(weight > 0) || shownPrice <= Currency())
        return std::nullopt;
    std::optional<WeightBreakAdvice> best;
    for (const BracketOffer &offer : offers) {
        if (!(offer.minimumWeight > weight) || offer.rate <= Currency())
            continue;
        const std::optional<Currency> price = breakPrice(offer.rate, offer.minimumWeight);
        if (!price)
            continue;
        const bool cheaper = !best || *price < best->price
            || (*price == best->price && offer.minimumWeight < best->weight);
        if (cheaper)
            best = WeightBreakAdvice {offer.minimumWeight, offer.carrier, *price, {}};
    }
    if (!best || shownPrice - best->price < Cent)
        return std::nullopt;
    best->saving = shownPrice - best->price;
    return best;
}

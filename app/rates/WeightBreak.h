#pragma once

#include "core/Currency.h"

#include <QList>
#include <QString>

#include <optional>

// The lowest rate above zero of one weight bracket at a destination and the carrier that has
// it: among equal rates, the first in the bracket lookup's order.
struct BracketOffer
{
    int minimumWeight = 0; // lbs: 500, 1000, 2000, 5000 or 10000
    QString carrier; // NomTrans
    Currency rate; // per 100 lbs
};

// Rating a shipment at the minimum weight of a heavier bracket, when that costs less than the
// price on display ("deficit weight" rating).
struct WeightBreakAdvice
{
    int weight = 0; // the bracket's minimum, lbs
    QString carrier;
    Currency price; // rate × weight / 100, rounded to the cent as a price is shown
    Currency saving; // the price on display less price: at least a cent

    // "At 500 lbs: ALPHA 51.45 $ (saves 13.26 $)"
    QString text() const;

    // The cheapest offer of a bracket heavier than weight, when it undercuts shownPrice by a cent
    // or more; on equal prices the lighter bracket, then the offer listed first. Nothing for a
    // weight of zero or less, or a shown price of zero.
    static std::optional<WeightBreakAdvice> find(
        double weight, Currency shownPrice, const QList<BracketOffer> &offers);
};

#pragma once

#include <QString>

// One of the stored lookups of the main window: the query, run with [prmDestination], and the
// rate field its lists show. The rate itself is always read from the third column.
struct RateLookup
{
    const char *procedure; // calculp1000, calculnp3, ...
    QString query; // "Trip1000"
    QString field; // "fp1000"

    // The bracket lookup for a weight in pounds: LTL below 500, then 500, 1000, 2000, 5000 and
    // 10000 and more.
    static const RateLookup &forWeight(double weight);
    // The lookup for a pallet count: exactly 1 to 9 have their own, 10 and more share the last;
    // any other count (below 1, or fractional below 10) has none.
    static const RateLookup *forPallets(double pallets);

    static const RateLookup &ltl();
    static const RateLookup &minimumPrice();
    static constexpr int WeightBrackets = 5;
    static const RateLookup &weightBracket(int index); // 0 = p500 ... 4 = p10000
    // The lightest weight, in lbs, a bracket lookup is for; 0 for any other lookup.
    static int minimumWeight(const RateLookup &lookup);
    static const RateLookup &palletCount(int count); // 1 ... 10
};

#include "RateLookup.h"

#include <QtGlobal>

#include <array>
#include <cmath>

namespace {

const RateLookup ltlLookup {"calculLTL", QStringLiteral("TriLTL"), QStringLiteral("fLTL")};
const RateLookup minimumLookup {
    "calculPrixMin", QStringLiteral("TriPrixMin"), QStringLiteral("fPrixMin")};

struct Bracket
{
    double from;
    RateLookup lookup;
};

const std::array<Bracket, 5> brackets {{
    {500, {"calculp500", QStringLiteral("Trip500"), QStringLiteral("fp500")}},
    {1000, {"calculp1000", QStringLiteral("Trip1000"), QStringLiteral("fp1000")}},
    {2000, {"calculp2000", QStringLiteral("Trip2000"), QStringLiteral("fp2000")}},
    {5000, {"calculp5000", QStringLiteral("Trip5000"), QStringLiteral("fp5000")}},
    {10000, {"calculp10000", QStringLiteral("Trip10000"), QStringLiteral("fp10000")}},
}};

const std::array<RateLookup, 10> palletLookups {{
    {"calculnp1", QStringLiteral("Trinp1"), QStringLiteral("1pal")},
    {"calculnp2", QStringLiteral("Trinp2"), QStringLiteral("2pal")},
    {"calculnp3", QStringLiteral("Trinp3"), QStringLiteral("3pal")},
    {"calculnp4", QStringLiteral("Trinp4"), QStringLiteral("4pal")},
    {"calculnp5", QStringLiteral("Trinp5"), QStringLiteral("5pal")},
    {"calculnp6", QStringLiteral("Trinp6"), QStringLiteral("6pal")},
    {"calculnp7", QStringLiteral("Trinp7"), QStringLiteral("7pal")},
    {"calculnp8", QStringLiteral("Trinp8"), QStringLiteral("8pal")},
    {"calculnp9", QStringLiteral("Trinp9"), QStringLiteral("9pal")},
    {"calculnp10", QStringLiteral("Trinp10"), QStringLiteral("10pal")},
}};

} // namespace

const RateLookup &RateLookup::forWeight(double weight)
{
    // NaN compares false everywhere and so lands in the LTL bracket like any light shipment.
    for (auto it = brackets.rbegin(); it != brackets.rend(); ++it) {
        if (weight >= it->from)
            return it->lookup;
    }
    return ltlLookup;
}

const RateLookup *RateLookup::forPallets(double pallets)
{
    if (pallets >= 10)
        return &palletLookups[9];
    if (pallets >= 1 && pallets == std::floor(pallets))
        return &palletLookups[std::size_t(pallets) - 1];
    return nullptr;
}

const RateLookup &RateLookup::ltl() { return ltlLookup; }

const RateLookup &RateLookup::minimumPrice() { return minimumLookup; }

const RateLookup &RateLookup::weightBracket(int index)
{
    return brackets.at(std::size_t(qBound(0, index, 4))).lookup;
}

int RateLookup::minimumWeight(const RateLookup &lookup)
{
    for (const Bracket &bracket : brackets) {
        if (&bracket.lookup == &lookup)
            return int(bracket.from);
    }
    return 0;
}

const RateLookup &RateLookup::palletCount(int count)
{
    return palletLookups.at(std::size_t(qBound(1, count, 10) - 1));
}

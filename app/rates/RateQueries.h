#pragma once

#include "data/Database.h"
#include "rates/RateList.h"
#include "rates/WeightBreak.h"

#include <QList>
#include <QString>

struct RateLookup;

struct DestinationEntry
{
    qint32 number = 0; // NoDestination
    QString name; // NomDestination
};

// What the best-rate evaluation asks of the rate database. Every failure other than an empty
// result arrives as DataError.
class RateQueries
{
public:
    explicit RateQueries(Database db);

    const Database &database() const { return m_db; }

    // TriDest, in its display order.
    QList<DestinationEntry> destinations() const;

    // The lookup's stored query for one destination, best first.
    RateList lookup(const RateLookup &lookup, qint32 destNo) const;

    // For each weight bracket whose minimum is above weight, its lowest rate above zero at the
    // destination and the carrier first in the bracket lookup's order with it.
    QList<BracketOffer> bracketOffers(qint32 destNo, double weight) const;

    // Lets the next reads see what other windows saved.
    void refresh();

    // Empties the bill-of-lading work table of the rows a bill in progress left behind.
    void purgeBillOfLadingWork();

private:
    Database m_db;
    mutable int m_lastLookupRows = 0;
};

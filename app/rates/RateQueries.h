#pragma once

#include "data/Database.h"
#include "rates/RateList.h"

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

    // Lets the next reads see what other windows saved.
    void refresh();

    // Empties the bill-of-lading work table of the rows a bill in progress left behind.
    void purgeBillOfLadingWork();

private:
    Database m_db;
    mutable int m_lastLookupRows = 0;
};

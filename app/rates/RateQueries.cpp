#include "RateQueries.h"

#include "data/DataError.h"
#include "data/RecordSet.h"
#include "data/StoredQueryReader.h"
#include "rates/RateLookup.h"

RateQueries::RateQueries(Database db)
    : m_db(std::move(db))
{
}

QList<DestinationEntry> RateQueries::destinations() const
{
    StoredQueryReader rows(m_db, QStringLiteral("TriDest"));
    const int number = rows.fieldIndex(QStringLiteral("NoDestination"));
    const int name = rows.fieldIndex(QStringLiteral("NomDestination"));
    if (number < 0 || name < 0)
        throw DataError::other(QStringLiteral("TriDest lacks the columns of the destinations."));
    QList<DestinationEntry> result;
    while (rows.next())
        result.append({rows.field(number).toInt(), rows.text(name)});
    return result;
}

RateList RateQueries::lookup(const RateLookup &lookup, qint32 destNo) const
{
    // Read straight into the rate rows: this runs three times per evaluation.
    StoredQueryReader rows(m_db, lookup.query, {{QStringLiteral("[prmDestination]"), destNo}});
    const int carrier = rows.fieldIndex(QStringLiteral("NomTrans"));
    const int destination = rows.fieldIndex(QStringLiteral("NomDestination"));
    if (carrier < 0 || destination < 0 || rows.fieldCount() < 3)
        throw DataError::other(
            QStringLiteral("%1 lacks the columns of a rate lookup.").arg(lookup.query));
    QList<RateRow> result;
    // Lookups of one file return about as many rows each time: one carrier per rate.
    result.reserve(m_lastLookupRows);
    // The same carriers come back in every lookup: their names are the file's shared strings.
    while (rows.next())
        result.append({rows.sharedText(carrier), rows.text(destination), rows.currency(2)});
    m_lastLookupRows = int(result.size());
    return RateList(lookup.query, lookup.field, std::move(result));
}

void RateQueries::refresh() { m_db.refresh(); }

void RateQueries::purgeBillOfLadingWork()
{
    RecordSet work = RecordSet::openTable(m_db, QStringLiteral("TableBLTemp"));
    if (work.isEmpty())
        return;
    for (work.moveFirst(); !work.eof(); work.moveNext()) {
        if (work.field(QStringLiteral("TmpPasVide")).toBool())
            work.deleteCurrent();
    }
}

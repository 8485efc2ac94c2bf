#include "RateQueries.h"

#include "data/DataError.h"
#include "data/RecordSet.h"
#include "rates/RateLookup.h"

RateQueries::RateQueries(Database db)
    : m_db(std::move(db))
{
}

QList<DestinationEntry> RateQueries::destinations() const
{
    RecordSet rows = RecordSet::openQuery(m_db, QStringLiteral("TriDest"));
    QList<DestinationEntry> result;
    result.reserve(rows.rowCount());
    // An empty result has no first row to move to.
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.moveToRow(row);
        result.append({rows.field(QStringLiteral("NoDestination")).toInt(),
            rows.text(QStringLiteral("NomDestination"))});
    }
    return result;
}

RateList RateQueries::lookup(const RateLookup &lookup, qint32 destNo) const
{
    RecordSet rows
        = RecordSet::openQuery(m_db, lookup.query, {{QStringLiteral("[prmDestination]"), destNo}});
    const int carrier = rows.fieldIndex(QStringLiteral("NomTrans"));
    const int destination = rows.fieldIndex(QStringLiteral("NomDestination"));
    if (carrier < 0 || destination < 0 || rows.fieldCount() < 3)
        throw DataError::other(
            QStringLiteral("%1 lacks the columns of a rate lookup.").arg(lookup.query));
    QList<RateRow> result;
    result.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.moveToRow(row);
        result.append({rows.text(carrier), rows.text(destination), rows.currency(2)});
    }
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

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

QList<BracketOffer> RateQueries::bracketOffers(qint32 destNo, double weight) const
{
    QList<BracketOffer> offers;
    const QHash<QString, QVariant> destination {{QStringLiteral("[prmDestination]"), destNo}};
    const auto heavier = [weight](int bracket) {
        const RateLookup &lookup = RateLookup::weightBracket(bracket);
        return RateLookup::minimumWeight(lookup) > weight;
    };
    if (!m_db.hasStoredQuery(QStringLiteral("TriPoidsDest"))) {
        // A read-only file from before the query: the bracket lookups give the same answer.
        for (int bracket = 0; bracket < RateLookup::WeightBrackets; ++bracket) {
            if (!heavier(bracket))
                continue;
            const RateLookup &lookup = RateLookup::weightBracket(bracket);
            StoredQueryReader rows(m_db, lookup.query, destination);
            const int carrier = rows.fieldIndex(QStringLiteral("NomTrans"));
            if (carrier < 0 || rows.fieldCount() < 3)
                throw DataError::other(
                    QStringLiteral("%1 lacks the columns of a rate lookup.").arg(lookup.query));
            while (rows.next()) {
                if (const Currency rate = rows.currency(2); rate > Currency()) {
                    offers.append({RateLookup::minimumWeight(lookup), rows.text(carrier), rate});
                    break;
                }
            }
        }
        return offers;
    }

    StoredQueryReader rows(m_db, QStringLiteral("TriPoidsDest"), destination);
    const int carrier = rows.fieldIndex(QStringLiteral("NomTrans"));
    const int number = rows.fieldIndex(QStringLiteral("NoTrans"));
    QList<int> columns;
    for (int bracket = 0; bracket < RateLookup::WeightBrackets; ++bracket) {
        const RateLookup &lookup = RateLookup::weightBracket(bracket);
        if (!heavier(bracket))
            continue;
        columns << rows.fieldIndex(lookup.field);
        offers.append({RateLookup::minimumWeight(lookup), QString(), Currency()});
    }
    if (carrier < 0 || number < 0 || columns.contains(-1))
        throw DataError::other(QStringLiteral("TriPoidsDest lacks the columns of the brackets."));
    // Equal rates go to the carrier the bracket lookups list first: by name as SQLite compares
    // text (its bytes), then by number. The name is read only for a row that may win.
    QList<qint64> numbers(offers.size());
    while (rows.next()) {
        for (qsizetype i = 0; i < columns.size(); ++i) {
            const Currency rate = rows.currency(columns.at(i));
            BracketOffer &offer = offers[i];
            if (!(rate > Currency()) || (!offer.rate.isZero() && rate > offer.rate))
                continue;
            const QString name = rows.sharedText(carrier);
            const qint64 no = rows.field(number).toLongLong();
            if (!offer.rate.isZero() && rate == offer.rate) {
                const int order = name.toUtf8().compare(offer.carrier.toUtf8());
                if (order > 0 || (order == 0 && no > numbers.at(i)))
                    continue;
            }
            offer.rate = rate;
            offer.carrier = name;
            numbers[i] = no;
        }
    }
    offers.removeIf([](const BracketOffer &offer) { return offer.rate.isZero(); });
    return offers;
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

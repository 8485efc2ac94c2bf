#include "ratesheets/RateSheetCarrier.h"

#include "data/DataError.h"
#include "data/RecordSet.h"
#include "rateadjust/RateAdjustment.h"

namespace {

QString kindName(RateKind kind)
{
    return kind == RateKind::Weight ? QStringLiteral("weight") : QStringLiteral("pallet");
}

} // namespace

namespace RateSheetCarrier {

QString kindRefusal(const Database &db, qint32 carrierNo, RateKind kind)
{
    RecordSet carriers = RecordSet::openQuery(db, QStringLiteral("IdentTransAlph"));
    if (!carriers.findFirst(RecordSet::Criterion::noTrans(carrierNo)))
        throw DataError::noCurrentRow(carriers.source());
    const QString tarifType = carriers.text(QStringLiteral("TarifType"));
    const QVector<RateKind> kinds = RateAdjustment::kindsOf(tarifType);
    if (kinds.isEmpty() || kinds.contains(kind))
        return {};
    return QStringLiteral("carrier %1 takes %2 rates only (rate type %3): --kind %4 is not allowed")
        .arg(carriers.text(QStringLiteral("NomTrans")), kindName(kinds.first()),
            tarifType.trimmed().toLower(), kindName(kind));
}

} // namespace RateSheetCarrier

#pragma once

#include "data/Database.h"
#include "rateadjust/RateGridColumns.h"

#include <QString>

// Whether a carrier takes a rate sheet of a kind, by its rate type, as the rate window offers
// only the grids of the carrier's kinds: rouvel rates refuses the others the same way.
namespace RateSheetCarrier {

// Empty when the carrier takes rates of that kind: its rate type ("po", "pa", "popa") names
// the kind, or it is of no known type, whose rates quotes still read. Otherwise the one line that
// refuses the sheet, such as "carrier ACME takes weight rates only (rate type po): --kind pallet
// is not allowed". Throws DataError when the carrier cannot be read.
QString kindRefusal(const Database &db, qint32 carrierNo, RateKind kind);

} // namespace RateSheetCarrier

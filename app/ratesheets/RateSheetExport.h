#pragma once

#include "data/Database.h"
#include "rateadjust/RateGridColumns.h"

#include <QByteArray>
#include <QString>

// A carrier's rates of one kind as a sheet: the grid's captions and columns in the grid's order,
// one row per destination it serves in the grid's order, rates as plain decimals with a period
// ("11.07", every stored decimal kept), an empty field for no rate. UTF-8 with a byte-order mark
// (so spreadsheets read accented names right), CR LF, "," between fields.
class RateSheetExport
{
public:
    // Throws DataError when the rates cannot be read.
    static QByteArray sheet(const Database &db, qint32 carrierNo, RateKind kind);

    // Writes the bytes to the file whole, or leaves the file as it was. Returns the cause of a
    // failure, empty on success.
    static QString writeFile(const QString &path, const QByteArray &bytes);
};

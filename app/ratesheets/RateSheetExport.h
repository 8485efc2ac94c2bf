#pragma once

#include "data/Database.h"
#include "rateadjust/RateGridColumns.h"

#include <QByteArray>
#include <QString>
#include <QVariant>
#include <QVector>

// A carrier's rates of one kind as a sheet: the grid's captions and columns in the grid's order,
// one row per destination it serves in the grid's order, rates as plain decimals with a period
// ("11.07", every stored decimal kept), an empty field for no rate. UTF-8 with a byte-order mark
// (so spreadsheets read accented names right), CR LF, "," between fields. A name a spreadsheet
// would take for a formula gets a leading apostrophe (RateSheetCsv::formulaGuarded).
class RateSheetExport
{
public:
    // Throws DataError when the rates cannot be read.
    static QByteArray sheet(const Database &db, qint32 carrierNo, RateKind kind);

    // The sheet of these rows: for each destination its name and one stored rate (or null) per
    // rate column of the grid, in the grid's order.
    struct Row
    {
        QString destination;
        QVector<QVariant> rates;
    };
    static QByteArray sheet(RateKind kind, const QVector<Row> &rows);

    // Writes the bytes to the file whole, or leaves what was at that path as it was: a path
    // OutputPath refuses (the database at databasePath, a device, ...) is refused before anything
    // is written, and a failed write or flush (a full disk) never replaces the earlier file.
    // Returns the cause of a failure, empty on success.
    static QString writeFile(
        const QString &path, const QByteArray &bytes, const QString &databasePath);
};

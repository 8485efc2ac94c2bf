#include "ratesheets/RateSheetExport.h"

#include "data/DataError.h"
#include "data/OutputPath.h"
#include "data/RecordSet.h"
#include "ratesheets/RateSheetCsv.h"

#include <QSaveFile>

#include <cerrno>

QByteArray RateSheetExport::sheet(const Database &db, qint32 carrierNo, RateKind kind)
{
    const QVector<RateGridColumn> columns = RateGridColumns::columns(kind);
    RecordSet rates = RecordSet::openQuery(
        db, RateGridColumns::queryName(kind), {{RateGridColumns::carrierParameter(), carrierNo}});
    QVector<int> positions;
    for (const RateGridColumn &column : columns) {
        const int position = rates.fieldIndex(column.field);
        if (position < 0)
            throw DataError::other(QStringLiteral("The stored query %1 has no column %2.")
                                       .arg(rates.source(), column.field));
        positions << position;
    }

    QVector<Row> rows;
    rows.reserve(rates.rowCount());
    for (int row = 0; row < rates.rowCount(); ++row) {
        rates.moveToRow(row);
        Row sheetRow;
        sheetRow.destination
            = rates.field(positions.at(RateGridColumns::DestinationColumn)).toString();
        for (int c = 1; c < columns.size(); ++c)
            sheetRow.rates << rates.field(positions.at(c));
        rows << sheetRow;
    }
    return sheet(kind, rows);
}

QByteArray RateSheetExport::sheet(RateKind kind, const QVector<Row> &rows)
{
    const QVector<RateGridColumn> columns = RateGridColumns::columns(kind);
    QStringList fields;
    for (const RateGridColumn &column : columns)
        fields << column.caption;
    QString text = RateSheetCsv::record(fields);
    for (const Row &row : rows) {
        fields.clear();
        fields << RateSheetCsv::formulaGuarded(row.destination);
        for (int c = 1; c < columns.size(); ++c)
            fields << RateGridColumns::editText(row.rates.value(c - 1));
        text += RateSheetCsv::record(fields);
    }
    return RateSheetCsv::utf8Bom() + text.toUtf8();
}

QString RateSheetExport::writeFile(
    const QString &path, const QByteArray &bytes, const QString &databasePath)
{
    if (const QString refusal = OutputPath::refusal(path, databasePath); !refusal.isEmpty())
        return refusal;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    // A short write (ENOSPC, EFBIG, a quota) leaves Qt with "Unknown error": the system's own
    // cause is in errno. commit() alone would rename the short file over the earlier one.
    errno = 0;
    if (file.write(bytes) != bytes.size() || !file.flush()
        || file.error() != QFileDevice::NoError) {
        const QString cause = errno != 0 ? qt_error_string(errno) : file.errorString();
        file.cancelWriting();
        return cause;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

#include "ratesheets/RateSheetExport.h"

#include "data/DataError.h"
#include "data/RecordSet.h"
#include "ratesheets/RateSheetCsv.h"

#include <QSaveFile>

QByteArray RateSheetExport::sheet(const Database &db, qint32 carrierNo, RateKind kind)
{
    const QVector<RateGridColumn> columns = RateGridColumns::columns(kind);
    RecordSet rates = RecordSet::openQuery(
        db, RateGridColumns::queryName(kind), {{RateGridColumns::carrierParameter(), carrierNo}});
    QVector<int> positions;
    QStringList captions;
    for (const RateGridColumn &column : columns) {
        const int position = rates.fieldIndex(column.field);
        if (position < 0)
            throw DataError::other(QStringLiteral("The stored query %1 has no column %2.")
                                       .arg(rates.source(), column.field));
        positions << position;
        captions << column.caption;
    }

    QString text = RateSheetCsv::record(captions);
    QStringList fields;
    for (int row = 0; row < rates.rowCount(); ++row) {
        rates.moveToRow(row);
        fields.clear();
        for (int c = 0; c < columns.size(); ++c) {
            const QVariant value = rates.field(positions.at(c));
            fields << (c == RateGridColumns::DestinationColumn ? value.toString()
                                                               : RateGridColumns::editText(value));
        }
        text += RateSheetCsv::record(fields);
    }
    return RateSheetCsv::utf8Bom() + text.toUtf8();
}

QString RateSheetExport::writeFile(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString cause = file.errorString();
        file.cancelWriting();
        return cause;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

#include "ratesheets/RateSheet.h"

#include "carriers/DestinationName.h"
#include "core/VisibleName.h"

#include <QHash>

#include <algorithm>

namespace {

bool isBlankInAmount(QChar c)
{
    // Spreadsheets group thousands with a blank, a no-break or a narrow no-break space.
    return c == u' ' || c == u'\t' || c == u'\u00A0' || c == u'\u202F' || c == u'\u2009';
}

bool isEmptyRecord(const QStringList &fields)
{
    for (const QString &field : fields) {
        if (!field.trimmed().isEmpty())
            return false;
    }
    return true;
}

// A character nobody can see is written as its code, so the line says what the field holds.
QString quoted(const QString &text)
{
    return QLatin1Char('"') + VisibleName::shown(text) + QLatin1Char('"');
}

} // namespace

QString RateSheetProblem::columnLetters(int position)
{
    QString letters;
    for (int n = position + 1; n > 0; n = (n - 1) / 26)
        letters.prepend(QChar(u'A' + (n - 1) % 26));
    return letters;
}

QString RateSheetProblem::toText() const
{
    QString where = QStringLiteral("line %1").arg(line);
    if (position >= 0) {
        where += QStringLiteral(", column %1").arg(columnLetters(position));
        if (!column.trimmed().isEmpty())
            where += QStringLiteral(" (%1)").arg(column.trimmed());
    }
    if (position < 0 && text.isEmpty())
        return QStringLiteral("%1: %2").arg(where, reason);
    return QStringLiteral("%1: %2 %3").arg(where, quoted(text), reason);
}

QString RateSheet::readRate(const QString &text, QVariant *rate)
{
    QString digits;
    digits.reserve(text.size());
    for (const QChar c : text) {
        if (!isBlankInAmount(c))
            digits += c;
    }
    if (digits.isEmpty()) {
        *rate = QVariant();
        return {};
    }
    if (digits.endsWith(u'$'))
        digits.chop(1);
    else if (digits.startsWith(u'$'))
        digits.remove(0, 1);
    if (digits.startsWith(u'-') && digits.size() > 1)
        return QStringLiteral("is negative: a rate is 0 or more");
    if (digits.isEmpty() || !RateGridColumns::parseRate(digits, rate) || rate->isNull()) {
        bool onlyDigits = !digits.isEmpty();
        for (const QChar c : digits)
            onlyDigits = onlyDigits && (c.isDigit() || c == u'.');
        if (onlyDigits && digits.count(u'.') <= 1 && digits != QLatin1String("."))
            return QStringLiteral("is too large for a rate");
        return QStringLiteral("is not an amount (digits with a period for decimals, as 1 234.56)");
    }
    return {};
}

QString RateSheet::destinationKey(const QString &name) { return DestinationName::writtenKey(name); }

RateSheet RateSheet::parse(const QByteArray &bytes, RateKind kind)
{
    return parse(RateSheetCsv::read(bytes), kind);
}

RateSheet RateSheet::parse(const RateSheetCsv::Reading &reading, RateKind kind)
{
    RateSheet sheet;
    sheet.m_kind = kind;
    QVector<RateSheetProblem> &problems = sheet.m_problems;
    if (!reading.ok()) {
        problems.append({reading.problemLine, -1, {}, {}, reading.problem});
        return sheet;
    }
    const QVector<RateSheetCsv::Record> &records = reading.records;
    if (records.isEmpty() || isEmptyRecord(records.first().fields)) {
        problems.append({1, -1, {}, {}, QStringLiteral("the sheet has no header line")});
        return sheet;
    }

    // The header: each field a caption of the grid, in any order.
    const QVector<RateGridColumn> columns = RateGridColumns::columns(kind);
    const RateSheetCsv::Record &header = records.first();
    const qsizetype width = header.fields.size();
    QVector<int> gridColumnOf(width, -1); // per field: grid column, -1 ignored
    QHash<int, int> positionOf; // grid column -> field
    QStringList captions;
    for (const RateGridColumn &column : columns)
        captions << column.caption;
    const QString kindName
        = kind == RateKind::Weight ? QStringLiteral("weight") : QStringLiteral("pallet");
    for (int f = 0; f < width; ++f) {
        const QString caption = header.fields.at(f).trimmed();
        int found = -1;
        for (int c = 0; c < columns.size(); ++c) {
            if (columns.at(c).caption.compare(caption, Qt::CaseInsensitive) == 0)
                found = c;
        }
        if (found < 0) {
            // A spreadsheet may save empty columns past the last one used.
            bool empty = caption.isEmpty();
            for (qsizetype r = 1; empty && r < records.size(); ++r)
                empty = records.at(r).fields.value(f).trimmed().isEmpty();
            if (!empty)
                problems.append({header.line, f, caption, header.fields.at(f),
                    QStringLiteral("is not a column of the %1 rates (%2)")
                        .arg(kindName, captions.join(QLatin1String(", ")))});
            continue;
        }
        if (positionOf.contains(found)) {
            problems.append({header.line, f, caption, header.fields.at(f),
                QStringLiteral("is already column %1")
                    .arg(RateSheetProblem::columnLetters(positionOf.value(found)))});
            continue;
        }
        positionOf.insert(found, f);
        gridColumnOf[f] = found;
    }
    if (!positionOf.contains(RateGridColumns::DestinationColumn))
        problems.append({header.line, -1, {}, {},
            QStringLiteral("the header has no column \"%1\"")
                .arg(columns.at(RateGridColumns::DestinationColumn).caption)});
    if (!problems.isEmpty())
        return sheet;

    QVector<int> rateColumns;
    for (int c = 0; c < columns.size(); ++c) {
        if (c != RateGridColumns::DestinationColumn && positionOf.contains(c))
            rateColumns << c;
    }
    const int destinationField = positionOf.value(RateGridColumns::DestinationColumn);
    const QString destinationCaption = header.fields.at(destinationField).trimmed();

    QVector<Row> rows;
    rows.reserve(records.size() - 1);
    QHash<QString, int> lineOf; // destination key -> line of its row
    for (qsizetype r = 1; r < records.size(); ++r) {
        const RateSheetCsv::Record &record = records.at(r);
        if (isEmptyRecord(record.fields))
            continue;
        if (record.fields.size() != width) {
            // Extra fields that are empty are what some spreadsheets add; anything else would
            // put a rate under the wrong column.
            bool extraEmpty = record.fields.size() > width;
            for (qsizetype f = width; extraEmpty && f < record.fields.size(); ++f)
                extraEmpty = record.fields.at(f).trimmed().isEmpty();
            if (!extraEmpty) {
                problems.append({record.line, -1, {}, {},
                    QStringLiteral("%1 fields where the header has %2")
                        .arg(record.fields.size())
                        .arg(width)});
                continue;
            }
        }
        Row row;
        row.line = record.line;
        row.destination = record.fields.at(destinationField);
        if (row.destination.trimmed().isEmpty()) {
            problems.append({record.line, destinationField, destinationCaption, row.destination,
                QStringLiteral("is no destination name")});
        } else if (const QString hidden = VisibleName::problem(row.destination);
                   !hidden.isEmpty()) {
            problems.append(
                {record.line, destinationField, destinationCaption, row.destination, hidden});
        } else {
            const QString key = destinationKey(row.destination);
            if (const auto seen = lineOf.constFind(key); seen != lineOf.cend()) {
                problems.append({record.line, destinationField, destinationCaption, row.destination,
                    QStringLiteral("is already on line %1").arg(seen.value())});
            } else {
                lineOf.insert(key, record.line);
            }
        }
        row.rates.reserve(rateColumns.size());
        for (const int c : std::as_const(rateColumns)) {
            const int f = positionOf.value(c);
            QVariant rate;
            const QString reason = readRate(record.fields.at(f), &rate);
            if (!reason.isEmpty())
                problems.append(
                    {record.line, f, header.fields.at(f).trimmed(), record.fields.at(f), reason});
            row.rates << rate;
        }
        rows << row;
    }
    // In the order a clerk reads the sheet.
    std::stable_sort(
        problems.begin(), problems.end(), [](const RateSheetProblem &a, const RateSheetProblem &b) {
            return a.line != b.line ? a.line < b.line : a.position < b.position;
        });
    if (problems.isEmpty()) {
        sheet.m_destinationPosition = destinationField;
        sheet.m_destinationCaption = destinationCaption;
        sheet.m_rateColumns = rateColumns;
        sheet.m_rows = rows;
    }
    return sheet;
}

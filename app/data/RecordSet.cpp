#include "data/RecordSet.h"

#include "data/DataError.h"
#include "data/QueryNames.h"
#include "data/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>

namespace {

const QString RowidColumn = QStringLiteral("rowid");

bool isNumeric(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Bool:
        return true;
    default:
        return false;
    }
}

// Plain number with a period, two to four decimals: what the rate lists show and what
// numericValue reads back.
QString plainAmount(qint64 units)
{
    const bool negative = units < 0;
    const quint64 magnitude = negative ? quint64(0) - quint64(units) : quint64(units);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.size() > 2 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return (negative ? QStringLiteral("-") : QString()) + QString::number(magnitude / 10000)
        + QLatin1Char('.') + fraction;
}

} // namespace

RecordSet RecordSet::openTable(const Database &db, const QString &table, bool appendOnly)
{
    const Database::TableShape &shape = db.tableShape(table);
    RecordSet set;
    set.m_db = db;
    set.m_source = table;
    set.m_baseTable = table;
    set.m_baseColumns = shape.columns;
    if (shape.hasRowid)
        set.m_baseColumns << RowidColumn;

    QStringList selected;
    for (const QString &column : shape.columns)
        selected << Schema::quoted(column);
    if (shape.primaryKey.isEmpty()) {
        // A table without a key of its own is written back by its rowid, read last and hidden.
        set.m_keyColumns = {RowidColumn};
        set.m_hiddenRowid = true;
        selected << QStringLiteral("rowid AS rowid");
    } else {
        set.m_keyColumns = shape.primaryKey;
    }
    set.m_sql = QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                    .arg(selected.join(QLatin1String(", ")), Schema::quoted(table),
                        shape.hasRowid ? RowidColumn : QStringList(shape.primaryKey).join(", "));

    const QStringList currency = db.currencyFields(table);
    set.m_columns = shape.columns;
    for (const QString &column : std::as_const(set.m_columns))
        set.m_currency << currency.contains(column, Qt::CaseInsensitive);
    if (appendOnly) {
        set.m_position = 0;
        set.m_positionValid = true;
    } else {
        set.load();
    }
    return set;
}

RecordSet RecordSet::openQuery(
    const Database &db, const QString &name, const Parameters &parameters)
{
    const StoredQueryDefinition &query = db.storedQuery(name);
    RecordSet set;
    set.m_db = db;
    set.m_source = query.name;
    set.m_sql = query.sql;
    set.m_bindings = QueryNames::bindings(query, parameters);
    if (!query.baseTable.isEmpty()) {
        const Database::TableShape &shape = db.tableShape(query.baseTable);
        set.m_baseTable = query.baseTable;
        set.m_baseColumns = shape.columns;
        if (shape.hasRowid)
            set.m_baseColumns << RowidColumn;
        set.m_keyColumns = query.keyColumns;
    }
    set.load();
    for (const QString &column : std::as_const(set.m_columns))
        set.m_currency << query.currencyColumns.contains(column, Qt::CaseInsensitive);
    return set;
}

void RecordSet::load()
{
    const QString context = QStringLiteral("Cannot open %1").arg(m_source);
    // Kept prepared by the database; finished on every way out so no read lock outlives load().
    QSqlQuery &query = m_db.preparedQuery(m_sql, context);
    struct Finish
    {
        QSqlQuery &query;
        ~Finish() { query.finish(); }
    } finish {query};
    for (auto it = m_bindings.constBegin(); it != m_bindings.constEnd(); ++it)
        query.bindValue(it.key(), it.value());
    if (!query.exec())
        throw DataError::fromSqlError(query.lastError(), context);

    const QSqlRecord record = query.record();
    const int width = record.count();
    if (m_columns.isEmpty() || !m_hiddenRowid) {
        m_columns.clear();
        for (int i = 0; i < width - (m_hiddenRowid ? 1 : 0); ++i)
            m_columns << record.fieldName(i);
    }
    m_rows.clear();
    m_marks.clear();
    while (query.next()) {
        Row row(width);
        for (int i = 0; i < width; ++i)
            row[i] = query.value(i);
        m_rows.append(std::move(row));
        m_marks.append(m_nextMark++);
    }
    if (query.lastError().isValid())
        throw DataError::fromSqlError(
            query.lastError(), QStringLiteral("Cannot read %1").arg(m_source));
    m_position = 0;
    m_positionValid = true;
    m_afterDelete = false;
    m_editMode = EditMode::None;
}

int RecordSet::fieldIndex(const QString &name) const
{
    return QueryNames::position(m_columns, name);
}

int RecordSet::resolve(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw DataError::other(QStringLiteral("%1 has no field %2.").arg(m_source, name));
    return index;
}

bool RecordSet::isCurrencyField(int position) const
{
    return position >= 0 && position < m_currency.size() && m_currency[position];
}

bool RecordSet::hasCurrentRow() const
{
    return m_positionValid && m_position >= 0 && m_position < rowCount();
}

const RecordSet::Row &RecordSet::currentRow() const
{
    if (m_editMode != EditMode::None)
        return m_buffer;
    if (!hasCurrentRow())
        throw DataError::noCurrentRow(m_source);
    return m_rows[m_position];
}

void RecordSet::moveFirst()
{
    m_editMode = EditMode::None;
    m_afterDelete = false;
    m_position = 0;
    m_positionValid = true;
    if (isEmpty())
        throw DataError::noCurrentRow(m_source);
}

void RecordSet::moveNext()
{
    m_editMode = EditMode::None;
    if (m_afterDelete) {
        // The row after the deleted one has moved into its place.
        m_afterDelete = false;
        m_positionValid = true;
        return;
    }
    if (eof())
        throw DataError::noCurrentRow(m_source);
    ++m_position;
    m_positionValid = true;
}

void RecordSet::moveLast()
{
    m_editMode = EditMode::None;
    m_afterDelete = false;
    m_positionValid = true;
    if (isEmpty()) {
        m_position = 0;
        throw DataError::noCurrentRow(m_source);
    }
    m_position = rowCount() - 1;
}

RecordSet::Bookmark RecordSet::bookmark() const
{
    if (!hasCurrentRow())
        throw DataError::noCurrentRow(m_source);
    return m_marks[m_position];
}

void RecordSet::moveTo(Bookmark mark)
{
    const int row = int(m_marks.indexOf(mark));
    if (row < 0)
        throw DataError::other(
            QStringLiteral("The bookmark no longer names a row of %1.").arg(m_source));
    moveToRow(row);
}

void RecordSet::moveToRow(int row)
{
    m_editMode = EditMode::None;
    m_afterDelete = false;
    if (row < 0 || row >= rowCount())
        throw DataError::noCurrentRow(m_source);
    m_position = row;
    m_positionValid = true;
}

QVariant RecordSet::field(const QString &name) const { return field(resolve(name)); }

QVariant RecordSet::field(int position) const
{
    if (position < 0 || position >= fieldCount())
        throw DataError::other(
            QStringLiteral("%1 has no field at position %2.").arg(m_source).arg(position));
    return currentRow()[position];
}

qint64 RecordSet::rowId() const
{
    if (!m_hiddenRowid)
        throw DataError::other(QStringLiteral("%1 has a key of its own.").arg(m_source));
    return currentRow()[fieldCount()].toLongLong();
}

QString RecordSet::text(const QString &name) const { return text(resolve(name)); }

QString RecordSet::text(int position) const
{
    const QVariant value = field(position);
    if (value.isNull())
        return {};
    if (isCurrencyField(position))
        return plainAmount(value.toLongLong());
    return value.toString();
}

Currency RecordSet::currency(const QString &name) const { return currency(resolve(name)); }

Currency RecordSet::currency(int position) const
{
    const QVariant value = field(position);
    if (value.isNull())
        return {};
    if (isCurrencyField(position))
        return Currency::fromTenThousandths(value.toLongLong());
    return Currency::fromDouble(value.toDouble());
}

bool RecordSet::isNull(const QString &name) const { return field(name).isNull(); }

bool RecordSet::findFirst(const Criterion &criterion)
{
    const int column = resolve(criterion.field);
    m_editMode = EditMode::None;
    m_afterDelete = false;
    for (int row = 0; row < rowCount(); ++row) {
        const QVariant &value = m_rows[row][column];
        if (value.isNull() || criterion.value.isNull())
            continue;
        bool match = false;
        if (isNumeric(value)) {
            bool ok = false;
            const double wanted = criterion.value.toDouble(&ok);
            match = ok && value.toDouble() == wanted;
        } else {
            match = value.toString().compare(criterion.value.toString(), Qt::CaseInsensitive) == 0;
        }
        if (match) {
            m_position = row;
            m_positionValid = true;
            return true;
        }
    }
    m_position = rowCount();
    m_positionValid = false;
    return false;
}

void RecordSet::requireUpdatable() const
{
    if (!isUpdatable())
        throw DataError::other(QStringLiteral("%1 cannot be changed.").arg(m_source));
}

QString RecordSet::baseColumn(int position) const
{
    if (position < 0 || position >= m_columns.size() + (m_hiddenRowid ? 1 : 0))
        return {};
    const QString name = position < m_columns.size() ? m_columns[position] : RowidColumn;
    for (const QString &column : m_baseColumns) {
        if (column.compare(name, Qt::CaseInsensitive) == 0)
            return column;
    }
    const QString prefix = m_baseTable + QLatin1Char('.');
    if (name.startsWith(prefix, Qt::CaseInsensitive))
        return m_baseColumns.contains(name.mid(prefix.size()), Qt::CaseInsensitive)
            ? name.mid(prefix.size())
            : QString();
    return {};
}

void RecordSet::edit()
{
    requireUpdatable();
    if (!hasCurrentRow())
        throw DataError::noCurrentRow(m_source);
    m_buffer = m_rows[m_position];
    m_dirty = QVector<bool>(m_buffer.size(), false);
    m_editMode = EditMode::Editing;
}

void RecordSet::addNew()
{
    requireUpdatable();
    m_buffer = Row(fieldCount() + (m_hiddenRowid ? 1 : 0));
    m_dirty = QVector<bool>(m_buffer.size(), false);
    m_editMode = EditMode::Adding;
}

void RecordSet::setField(const QString &name, const QVariant &value)
{
    const int column = resolve(name);
    if (m_editMode == EditMode::None)
        throw DataError::other(
            QStringLiteral("%1: call edit or addNew before changing %2.").arg(m_source, name));
    const QString base = baseColumn(column);
    if (base.isEmpty() || base == RowidColumn)
        throw DataError::other(
            QStringLiteral("%1: the field %2 cannot be changed.").arg(m_source, name));
    m_buffer[column] = value;
    m_dirty[column] = true;
}

void RecordSet::setCurrency(const QString &name, Currency value)
{
    setField(name, QVariant(value.tenThousandths()));
}

void RecordSet::cancelUpdate() { m_editMode = EditMode::None; }

namespace {

struct KeyFilter
{
    QString where;
    QVariantList values;
};

} // namespace

void RecordSet::update()
{
    if (m_editMode == EditMode::None)
        throw DataError::other(
            QStringLiteral("%1: call edit or addNew before update.").arg(m_source));
    const QString context = QStringLiteral("Cannot save in %1").arg(m_source);
    const auto keyFilter = [&](const Row &row) {
        KeyFilter filter;
        QStringList terms;
        for (const QString &key : std::as_const(m_keyColumns)) {
            const int column = key == RowidColumn && m_hiddenRowid ? fieldCount() : resolve(key);
            terms << Schema::quoted(baseColumn(column)) + QStringLiteral(" = ?");
            filter.values << row[column];
        }
        filter.where = terms.join(QLatin1String(" AND "));
        return filter;
    };

    const bool adding = m_editMode == EditMode::Adding;
    Row saved = m_buffer;
    qint64 newId = 0;
    m_db.inTransaction([&] {
        QStringList columns;
        QVariantList values;
        for (int i = 0; i < m_buffer.size(); ++i) {
            if (m_dirty[i]) {
                columns << Schema::quoted(baseColumn(i));
                values << m_buffer[i];
            }
        }
        // Kept prepared by the database: an import saves thousands of rows in one go.
        const auto prepared = [&](const QString &sql, const QVariantList &bound) -> QSqlQuery & {
            QSqlQuery &query = m_db.preparedQuery(sql, context);
            for (int i = 0; i < bound.size(); ++i)
                query.bindValue(i, bound.at(i));
            return query;
        };
        struct Finish
        {
            QSqlQuery *query = nullptr;
            ~Finish()
            {
                if (query)
                    query->finish();
            }
        };
        QString writeSql;
        QVariantList writeValues = values;
        if (adding) {
            QStringList marks;
            for (int i = 0; i < columns.size(); ++i)
                marks << QStringLiteral("?");
            writeSql = columns.isEmpty()
                ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(Schema::quoted(m_baseTable))
                : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(Schema::quoted(m_baseTable), columns.join(QLatin1String(", ")),
                          marks.join(QLatin1String(", ")));
        } else {
            if (columns.isEmpty())
                return;
            const KeyFilter filter = keyFilter(m_rows[m_position]);
            QStringList sets;
            for (const QString &column : std::as_const(columns))
                sets << column + QStringLiteral(" = ?");
            writeSql = QStringLiteral("UPDATE %1 SET %2 WHERE %3")
                           .arg(Schema::quoted(m_baseTable), sets.join(QLatin1String(", ")),
                               filter.where);
            writeValues += filter.values;
        }
        {
            QSqlQuery &write = prepared(writeSql, writeValues);
            const Finish finish {&write};
            if (!write.exec())
                throw DataError::fromSqlError(write.lastError(), context);
            if (!adding && write.numRowsAffected() == 0)
                throw DataError::noCurrentRow(m_source);
            if (adding && m_baseColumns.contains(RowidColumn))
                newId = write.lastInsertId().toLongLong();
        }

        // Read the row back so defaults, autonumbers and stored forms show in the set.
        QStringList readable;
        QVector<int> positions;
        for (int i = 0; i < saved.size(); ++i) {
            const QString base = baseColumn(i);
            if (!base.isEmpty()) {
                readable << (base == RowidColumn ? RowidColumn : Schema::quoted(base));
                positions << i;
            }
        }
        QString readSql;
        QVariantList readValues;
        if (adding && newId != 0) {
            readSql = QStringLiteral("SELECT %1 FROM %2 WHERE rowid = ?")
                          .arg(readable.join(QLatin1String(", ")), Schema::quoted(m_baseTable));
            readValues << newId;
        } else {
            const KeyFilter filter = keyFilter(saved);
            readSql = QStringLiteral("SELECT %1 FROM %2 WHERE %3")
                          .arg(readable.join(QLatin1String(", ")), Schema::quoted(m_baseTable),
                              filter.where);
            readValues = filter.values;
        }
        QSqlQuery &read = prepared(readSql, readValues);
        const Finish finish {&read};
        if (!read.exec())
            throw DataError::fromSqlError(read.lastError(), context);
        if (read.next()) {
            for (int i = 0; i < positions.size(); ++i)
                saved[positions[i]] = read.value(i);
        }
    });

    m_editMode = EditMode::None;
    if (adding) {
        m_lastAddedId = newId;
        m_rows.append(saved);
        m_marks.append(m_nextMark++);
        m_position = rowCount() - 1;
        m_positionValid = true;
        m_afterDelete = false;
    } else {
        m_rows[m_position] = saved;
    }
}

void RecordSet::deleteCurrent()
{
    requireUpdatable();
    if (!hasCurrentRow())
        throw DataError::noCurrentRow(m_source);
    m_editMode = EditMode::None;
    const Row &row = m_rows[m_position];
    QStringList terms;
    QVariantList values;
    for (const QString &key : std::as_const(m_keyColumns)) {
        const int column = key == RowidColumn && m_hiddenRowid ? fieldCount() : resolve(key);
        terms << Schema::quoted(baseColumn(column)) + QStringLiteral(" = ?");
        values << row[column];
    }
    QSqlDatabase db = m_db.connection();
    m_db.inTransaction([&] {
        QSqlQuery remove(db);
        remove.prepare(QStringLiteral("DELETE FROM %1 WHERE %2")
                           .arg(Schema::quoted(m_baseTable), terms.join(QLatin1String(" AND "))));
        for (const QVariant &value : std::as_const(values))
            remove.addBindValue(value);
        if (!remove.exec())
            throw DataError::fromSqlError(
                remove.lastError(), QStringLiteral("Cannot delete from %1").arg(m_source));
    });
    m_rows.removeAt(m_position);
    m_marks.removeAt(m_position);
    m_positionValid = false;
    m_afterDelete = true;
}

void RecordSet::requery() { load(); }

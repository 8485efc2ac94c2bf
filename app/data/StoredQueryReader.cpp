#include "data/StoredQueryReader.h"

#include "data/DataError.h"
#include "data/QueryNames.h"

#include <QSqlError>

#include <sqlite3.h>

#include <cstring>
#include <limits>

namespace {

void bind(sqlite3_stmt *statement, int index, const QVariant &value)
{
    if (value.isNull()) {
        sqlite3_bind_null(statement, index);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Bool:
        sqlite3_bind_int64(statement, index, value.toLongLong());
        break;
    case QMetaType::ULongLong:
        // Beyond qint64 it can only be a number as SQLite stores large ones.
        if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
            sqlite3_bind_double(statement, index, value.toDouble());
        else
            sqlite3_bind_int64(statement, index, value.toLongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        sqlite3_bind_double(statement, index, value.toDouble());
        break;
    case QMetaType::QByteArray: {
        const QByteArray bytes = value.toByteArray();
        sqlite3_bind_blob64(
            statement, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        sqlite3_bind_text64(statement, index, text.constData(), sqlite3_uint64(text.size()),
            SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    }
}

// Inline: QByteArrayView's own comparison is a call into Qt for every row.
bool sameBytes(const QByteArray &stored, QByteArrayView read)
{
    return stored.size() == read.size()
        && std::memcmp(stored.constData(), read.data(), std::size_t(read.size())) == 0;
}

} // namespace

StoredQueryReader::StoredQueryReader(
    const Database &db, const QString &name, const QHash<QString, QVariant> &parameters)
    : m_db(db)
{
    const StoredQueryDefinition &query = db.storedQuery(name);
    m_source = query.name;
    const QHash<QString, QVariant> values = QueryNames::bindings(query, parameters);
    m_statement = db.keptStatement(name);
    if (!m_statement) {
        // Another reader of the same query is still open: this one gets its own statement.
        const QByteArray sql = query.sql.toUtf8();
        if (sqlite3_prepare_v2(db.handle(), sql.constData(), int(sql.size()), &m_statement, nullptr)
            != SQLITE_OK) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
            fail(QStringLiteral("Cannot open %1"));
        }
        m_owned = true;
    }
    for (auto it = values.constBegin(); it != values.constEnd(); ++it) {
        const int index = sqlite3_bind_parameter_index(m_statement, it.key().toUtf8().constData());
        if (index > 0)
            bind(m_statement, index, it.value());
    }
    const int width = sqlite3_column_count(m_statement);
    m_columns.reserve(width);
    m_currency.reserve(width);
    for (int i = 0; i < width; ++i) {
        const QString column = QString::fromUtf8(sqlite3_column_name(m_statement, i));
        m_columns << column;
        m_currency << query.currencyColumns.contains(column, Qt::CaseInsensitive);
    }
    m_last.resize(std::size_t(width));
}

StoredQueryReader::~StoredQueryReader()
{
    if (!m_statement)
        return;
    // The reset ends the statement's read of the file; its bound values need no clearing, the
    // next reader binds every parameter again.
    sqlite3_reset(m_statement);
    if (m_owned)
        sqlite3_finalize(m_statement);
}

void StoredQueryReader::fail(const QString &context) const
{
    sqlite3 *handle = m_db.handle();
    throw DataError::fromSqlError(
        QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(handle)), QSqlError::StatementError,
            QString::number(sqlite3_extended_errcode(handle))),
        context.arg(m_source));
}

int StoredQueryReader::fieldIndex(const QString &name) const
{
    return QueryNames::position(m_columns, name);
}

bool StoredQueryReader::next()
{
    const int result = sqlite3_step(m_statement);
    const bool first = !m_started;
    m_started = true;
    m_onRow = result == SQLITE_ROW;
    if (result == SQLITE_ROW || result == SQLITE_DONE)
        return m_onRow;
    // The first step runs the query; a failure there is a failure to open it.
    fail(first ? QStringLiteral("Cannot open %1") : QStringLiteral("Cannot read %1"));
}

void StoredQueryReader::refuse(int position) const
{
    if (!m_onRow)
        throw DataError::noCurrentRow(m_source);
    throw DataError::other(
        QStringLiteral("%1 has no field at position %2.").arg(m_source).arg(position));
}

bool StoredQueryReader::isNull(int position) const
{
    return sqlite3_column_type(m_statement, checked(position)) == SQLITE_NULL;
}

QVariant StoredQueryReader::field(int position) const
{
    const int column = checked(position);
    switch (sqlite3_column_type(m_statement, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(m_statement, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(m_statement, column));
    case SQLITE_BLOB: {
        const void *data = sqlite3_column_blob(m_statement, column);
        return QVariant(
            QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(m_statement, column)));
    }
    case SQLITE_NULL:
        return {};
    default:
        return QVariant(text(column));
    }
}

// The row's values are read through sqlite3_column_value: one call into the statement per value
// rather than one per question asked of it. Such a value has no mutex of its own, which is
// safe here: a connection is used by its own thread only.
QByteArrayView StoredQueryReader::utf8(sqlite3_value *value) const
{
    const auto *data = reinterpret_cast<const char *>(sqlite3_value_text(value));
    // Only running out of memory leaves a text value without its text, and a value read this
    // way leaves no error on the connection to report.
    if (!data)
        throw DataError::other(QStringLiteral("Cannot read %1: %2")
                                   .arg(m_source, QString::fromUtf8(sqlite3_errstr(SQLITE_NOMEM))));
    return QByteArrayView(data, sqlite3_value_bytes(value));
}

QString StoredQueryReader::text(int position) const
{
    const int column = checked(position);
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    switch (sqlite3_value_type(value)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_TEXT: {
        const QByteArrayView bytes = utf8(value);
        // A lookup repeats its destination's name on every row: the rows share one string.
        // A column whose text changed from one row to the next is not compared again.
        LastText &last = m_last[std::size_t(column)];
        if (!last.varies) {
            if (last.text.isNull()) {
                last.bytes = bytes.toByteArray();
                last.text = QString::fromUtf8(bytes);
                return last.text;
            }
            if (sameBytes(last.bytes, bytes))
                return last.text;
            last.varies = true;
        }
        return QString::fromUtf8(bytes);
    }
    default:
        return field(column).toString();
    }
}

QString StoredQueryReader::sharedText(int position) const
{
    const int column = checked(position);
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    if (sqlite3_value_type(value) != SQLITE_TEXT)
        return text(column);
    return m_db.sharedText(utf8(value));
}

Currency StoredQueryReader::currency(int position) const
{
    const int column = checked(position);
    sqlite3_value *value = sqlite3_column_value(m_statement, column);
    const int type = sqlite3_value_type(value);
    if (type == SQLITE_NULL)
        return {};
    if (m_currency[column]) {
        if (type == SQLITE_INTEGER)
            return Currency::fromTenThousandths(sqlite3_value_int64(value));
        return Currency::fromTenThousandths(field(column).toLongLong());
    }
    return Currency::fromDouble(field(column).toDouble());
}

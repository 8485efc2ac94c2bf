#include "data/DataError.h"

#include <QSqlError>

namespace {

// SQLite's extended result codes for a repeated unique or primary key.
constexpr int SqliteConstraintUnique = 2067;
constexpr int SqliteConstraintPrimaryKey = 1555;

} // namespace

DataError::DataError(Kind kind, const QString &message)
    : std::runtime_error(message.toStdString())
    , m_kind(kind)
    , m_message(message)
{
}

int DataError::code() const
{
    switch (m_kind) {
    case Kind::NoCurrentRow:
        return NoCurrentRowCode;
    case Kind::DuplicateKey:
        return DuplicateKeyCode;
    case Kind::Other:
        break;
    }
    return 0;
}

DataError DataError::noCurrentRow(const QString &source)
{
    QString message = QStringLiteral("No current record");
    if (!source.isEmpty())
        message += QStringLiteral(" in %1").arg(source);
    return DataError(Kind::NoCurrentRow, message + QLatin1Char('.'));
}

DataError DataError::duplicateKey(const QString &cause)
{
    return DataError(Kind::DuplicateKey, cause);
}

DataError DataError::other(const QString &cause) { return DataError(Kind::Other, cause); }

DataError DataError::fromSqlError(const QSqlError &error, const QString &context)
{
    // The engine's own words name the cause ("database is locked"); the driver's add nothing.
    QString text = error.databaseText().trimmed();
    if (text.isEmpty())
        text = error.text().trimmed();
    const QString message = context.isEmpty() ? text : context + QStringLiteral(": ") + text;
    const int native = error.nativeErrorCode().toInt();
    if (native == SqliteConstraintUnique || native == SqliteConstraintPrimaryKey
        || text.contains(QLatin1String("UNIQUE constraint failed"))
        || text.contains(QLatin1String("PRIMARY KEY constraint failed")))
        return duplicateKey(message);
    return other(message);
}

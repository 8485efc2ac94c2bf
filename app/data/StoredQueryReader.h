#pragma once

#include "core/Currency.h"
#include "data/Database.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>

#include <vector>

struct sqlite3_value;

// Reads a stored query's rows one by one, straight from SQLite, for the lookups that run on
// every evaluation. The statement is the database's kept one, prepared once per open file, and
// values are read from the current row without a copy of the result. Parameters and field names
// work as they do for RecordSet; every failure throws DataError.
//
// The reader holds the file's read lock until it is destroyed: keep it for one pass over the
// rows, never across calls.
class StoredQueryReader
{
public:
    StoredQueryReader(
        const Database &db, const QString &name, const QHash<QString, QVariant> &parameters = {});
    ~StoredQueryReader();
    StoredQueryReader(const StoredQueryReader &) = delete;
    StoredQueryReader &operator=(const StoredQueryReader &) = delete;

    QString source() const { return m_source; }
    int fieldCount() const { return int(m_columns.size()); }
    QStringList fieldNames() const { return m_columns; }
    int fieldIndex(const QString &name) const; // -1 when absent

    // Moves to the next row; false after the last.
    bool next();

    // The current row's values, by position.
    bool isNull(int position) const;
    QVariant field(int position) const;
    // The stored value as text; a null value is empty text. Currency is not formatted here.
    QString text(int position) const;
    // As text(), for names that every read repeats (the carriers of a lookup): the string is
    // the one the database shares for those bytes, see Database::sharedText.
    QString sharedText(int position) const;
    // As RecordSet::currency: ten-thousandths in a currency column, a null value is zero.
    Currency currency(int position) const;

private:
    // Throws when there is no such column or no current row; inline, as every value read asks.
    int checked(int position) const
    {
        if (!m_onRow || position < 0 || position >= fieldCount())
            refuse(position);
        return position;
    }
    [[noreturn]] void refuse(int position) const;
    [[noreturn]] void fail(const QString &context) const;
    QByteArrayView utf8(sqlite3_value *value) const; // a TEXT value's bytes

    Database m_db;
    sqlite3_stmt *m_statement = nullptr;
    bool m_owned = false; // prepared for this reader alone: the kept one was in use
    bool m_started = false;
    bool m_onRow = false;
    QString m_source;
    QStringList m_columns;
    QVector<bool> m_currency;
    // The last text read from each column, as stored and as a string.
    struct LastText
    {
        QByteArray bytes;
        QString text; // null: none read yet
        bool varies = false; // changed from one row to the next: no longer compared
    };
    mutable std::vector<LastText> m_last;
};

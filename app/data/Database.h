#pragma once

#include <QByteArrayView>
#include <QHash>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>

#include <memory>
#include <utility>

class QSqlQuery;
struct sqlite3;
struct sqlite3_stmt;

// A stored query as the database file keeps it: its SQL, the bracketed names of its parameters
// and, for a query whose rows can be written back, the table they come from and the result
// columns that identify a row of that table.
struct StoredQueryDefinition
{
    QString name;
    QString sql; // parameters appear as :prmName for the bracketed [prmName]
    QStringList parameters; // "[prmDestination]", ...
    QString baseTable; // empty: read-only
    QStringList keyColumns; // result columns naming the base row, e.g. "NoTrans", "NoDestination"
    QStringList currencyColumns; // result columns holding ten-thousandths
};

// An open rate database file (rouvel.rvl). Copies share one connection, which closes with the
// last copy; record sets keep a copy, so they never outlive their connection.
//
// Every save is its own transaction with synchronous writes: a power cut loses at most the save
// in progress. Record sets read their rows at once and hold no lock between calls, so several
// windows may each open their own Database on the same file.
//
// A file that cannot be written (read-only file or folder, read-only file system) opens for
// reading: lookups work, and every save is refused with a DataError naming the cause ("attempt
// to write a readonly database"), as a save that meets a lock is ("database is locked").
class Database
{
public:
    static constexpr int SchemaVersion = 1; // PRAGMA user_version of the files this build writes

    // What a look at a file, without changing it, found.
    enum class State {
        Ready,
        Missing, // no file at that path
        NotRouvel, // not SQLite, or SQLite without the rouvel tables and queries
        TooNew, // written by a later version of rouvel
        Unusable, // cannot be opened or read: permissions, lock, I/O, not a regular file
    };
    struct Status
    {
        State state = State::Missing;
        QString cause; // one sentence, empty when Ready
        bool readOnly = false; // Ready, but changes cannot be saved in it
        bool ok() const { return state == State::Ready; }
    };

    // Checks a file without changing it: never creates, converts or locks it for longer than the
    // check. The one change it lets SQLite make is the roll-back of a save that a crash or a
    // power cut interrupted (a journal left beside the file), after which the file must pass
    // SQLite's own check. Every stored query must be one SELECT statement.
    static Status inspect(const QString &path);

    // Writes a new database file with the schema, the stored queries and the rows a new file
    // needs; with sampleData, a small set of carriers, destinations and rates as well. Refuses
    // to replace an existing file. Throws DataError.
    static void create(const QString &path, bool sampleData);

    // Opens a file that inspect() finds Ready; throws DataError naming the path and the cause
    // otherwise.
    static Database open(const QString &path);

    Database() = default; // not open; every use throws
    bool isOpen() const { return m_shared != nullptr; }
    // The file or its folder cannot be written: reads work, every save throws DataError.
    bool isReadOnly() const;

    QString path() const;
    QSqlDatabase connection() const;

    bool hasStoredQuery(const QString &name) const;
    // The stored query of that name (e.g. "RequêteNEWYORK"); throws DataError if unknown.
    const StoredQueryDefinition &storedQuery(const QString &name) const;
    QStringList storedQueryNames() const;

    // Columns of a table that hold currency (ten-thousandths).
    QStringList currencyFields(const QString &table) const;

    // A table's columns and key, read once per open file: the program never alters a table.
    struct TableShape
    {
        QStringList columns;
        QStringList primaryKey; // in key order; empty when the table has none of its own
        bool hasRowid = true;
    };
    // Throws DataError when the table does not exist.
    const TableShape &tableShape(const QString &table) const;

    // The SQL on this connection, prepared (forward only) once and kept for the life of the
    // file: bind, exec, read and finish() it before the next use. A statement that does not
    // prepare throws DataError after the context.
    QSqlQuery &preparedQuery(const QString &sql, const QString &context) const;

    // The stored query's statement on the SQLite handle, prepared once and kept; nullptr when
    // it is in use already. Throws DataError when it does not prepare. Reset it after reading:
    // a statement left running holds the file's read lock.
    sqlite3_stmt *keptStatement(const QString &name) const;
    sqlite3 *handle() const;

    // The string for UTF-8 text that reads return again and again (the carriers of every
    // lookup): equal text gives one shared string, so a name read before costs no allocation.
    // Kept per open file for a bounded number of names; refresh() forgets them.
    QString sharedText(QByteArrayView utf8) const;

    // Makes sure the next read sees what other connections saved: an empty transaction.
    // SQLite keeps no read cache across transactions, so nothing else is needed.
    void refresh();

    // When a transaction takes the write lock: at its first write, or before anything is read.
    enum class Lock { WhenWriting, AtOnce };
    // Runs fn inside one transaction and commits it; rolls back and rethrows on failure.
    // Called inside another, it joins that one: the outermost commits or rolls back the whole.
    template<typename Fn> void inTransaction(Fn &&fn, Lock lock = Lock::WhenWriting);
    // The same, with the write lock taken before fn reads anything: what fn reads, no other
    // connection can change before the commit (the next bill number, for one). Waits for a lock
    // held elsewhere as every statement does, then throws DataError ("database is locked").
    template<typename Fn> void inWriteTransaction(Fn &&fn);

    // Connection-level failures carry the path and the QSqlError text.
    [[noreturn]] void fail(const QString &what, const QString &cause) const;

private:
    struct Shared;
    explicit Database(std::shared_ptr<Shared> shared);
    const Shared &shared() const;
    void begin(Lock lock = Lock::WhenWriting);
    void commit();
    void rollback();

    std::shared_ptr<Shared> m_shared;
};

template<typename Fn> void Database::inTransaction(Fn &&fn, Lock lock)
{
    begin(lock);
    try {
        fn();
    } catch (...) {
        rollback();
        throw;
    }
    commit();
}

template<typename Fn> void Database::inWriteTransaction(Fn &&fn)
{
    inTransaction(std::forward<Fn>(fn), Lock::AtOnce);
}

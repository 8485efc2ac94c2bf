#include "data/Database.h"

#include "data/DataError.h"
#include "data/NewFileTemporary.h"
#include "data/SampleData.h"
#include "data/Schema.h"
#include "data/TextPool.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QMutex>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlDriver>
#include <QSqlRecord>
#include <QUrl>

#include <sqlite3.h>
#include <sys/stat.h>

#include <map>
#include <optional>

namespace {

// Long enough to ride out a queue of saves (a script printing twenty bills at once, each
// holding the lock while its PDF is written), short enough to report a file that stays locked.
constexpr int BusyTimeoutMs = 20000;
const QByteArray SqliteHeader("SQLite format 3\0", 16);
constexpr int SqliteNotADatabase = 26;
constexpr int SqliteCorrupt = 11;

QString nextConnectionName()
{
    static QAtomicInteger<quint64> counter;
    return QStringLiteral("rouvel-data-%1").arg(++counter);
}

enum class OpenMode { ReadOnly, ReadWrite, Create };

// Opened through a URI so a missing file is never created by accident.
QSqlDatabase openConnection(const QString &path, OpenMode mode, const QString &name)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
    QUrl url = QUrl::fromLocalFile(QFileInfo(path).absoluteFilePath());
    const char *modeText = mode == OpenMode::ReadOnly ? "ro"
        : mode == OpenMode::ReadWrite                 ? "rw"
                                                      : "rwc";
    url.setQuery(QStringLiteral("mode=%1").arg(QLatin1String(modeText)));
    db.setDatabaseName(url.toString(QUrl::FullyEncoded));
    QString options = QStringLiteral("QSQLITE_OPEN_URI;QSQLITE_BUSY_TIMEOUT=%1").arg(BusyTimeoutMs);
    if (mode == OpenMode::ReadOnly)
        options += QStringLiteral(";QSQLITE_OPEN_READONLY");
    db.setConnectOptions(options);
    db.open();
    return db;
}

// Closes and forgets a connection once no handle refers to it.
void dropConnection(const QString &name)
{
    {
        QSqlDatabase db = QSqlDatabase::database(name, false);
        if (db.isOpen())
            db.close();
    }
    QSqlDatabase::removeDatabase(name);
}

void exec(QSqlDatabase &db, const QString &sql, const QString &context)
{
    QSqlQuery query(db);
    if (!query.exec(sql))
        throw DataError::fromSqlError(query.lastError(), context);
}

QStringList tableColumns(QSqlDatabase &db, const QString &table, QSqlError *error)
{
    QSqlQuery query(db);
    QStringList columns;
    if (!query.exec(QStringLiteral("PRAGMA table_info(%1)").arg(Schema::quoted(table)))) {
        *error = query.lastError();
        return columns;
    }
    while (query.next())
        columns << query.value(1).toString();
    return columns;
}

Database::Status status(Database::State state, const QString &cause)
{
    return Database::Status {state, cause};
}

// Skips blanks and SQL comments from `at`; false when a block comment never ends.
bool skipBlanks(const QString &sql, qsizetype &at)
{
    while (at < sql.size()) {
        if (sql.at(at).isSpace()) {
            ++at;
        } else if (sql.mid(at, 2) == QLatin1String("--")) {
            const qsizetype end = sql.indexOf(QLatin1Char('\n'), at);
            at = end < 0 ? sql.size() : end + 1;
        } else if (sql.mid(at, 2) == QLatin1String("/*")) {
            const qsizetype end = sql.indexOf(QLatin1String("*/"), at + 2);
            if (end < 0)
                return false;
            at = end + 2;
        } else {
            break;
        }
    }
    return true;
}

// One statement that begins with SELECT: nothing but blanks and comments may follow a
// semicolon outside quotes, brackets and comments.
bool isOneSelect(const QString &sql)
{
    qsizetype at = 0;
    if (!skipBlanks(sql, at))
        return false;
    const QLatin1String select("SELECT");
    if (sql.mid(at, select.size()).compare(select, Qt::CaseInsensitive) != 0)
        return false;
    at += select.size();
    if (at < sql.size() && (sql.at(at).isLetterOrNumber() || sql.at(at) == QLatin1Char('_')))
        return false;
    while (at < sql.size()) {
        const QChar c = sql.at(at);
        if (c == QLatin1Char('\'') || c == QLatin1Char('"') || c == QLatin1Char('`')
            || c == QLatin1Char('[')) {
            const QChar close = c == QLatin1Char('[') ? QLatin1Char(']') : c;
            qsizetype end = at + 1;
            while (true) {
                end = sql.indexOf(close, end);
                if (end < 0)
                    return false;
                // A doubled quote stands for itself inside the quotes.
                if (close == QLatin1Char(']') || end + 1 >= sql.size() || sql.at(end + 1) != close)
                    break;
                end += 2;
            }
            at = end + 1;
        } else if (sql.mid(at, 2) == QLatin1String("--") || sql.mid(at, 2) == QLatin1String("/*")) {
            if (!skipBlanks(sql, at))
                return false;
        } else if (c == QLatin1Char(';')) {
            ++at;
            while (true) {
                if (!skipBlanks(sql, at))
                    return false;
                if (at < sql.size() && sql.at(at) == QLatin1Char(';'))
                    ++at;
                else
                    break;
            }
            return at == sql.size();
        } else {
            ++at;
        }
    }
    return true;
}

// What stands at a path that is neither missing nor a folder nor a regular file, or empty.
QString specialFileKind(const QString &path)
{
    struct stat info = {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0 || S_ISREG(info.st_mode)
        || S_ISDIR(info.st_mode))
        return {};
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("a named pipe (FIFO)");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("a socket");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("a device");
    return QStringLiteral("a special file");
}

// Saves write the file and a journal beside it, so both must be writable.
bool canWrite(const QFileInfo &file)
{
    return file.isWritable() && QFileInfo(file.absolutePath()).isWritable();
}

QString journalOf(const QString &path) { return path + QStringLiteral("-journal"); }

// A file as inspect() found it ready: where it is, its size and times, and its SQLite header,
// whose change counter moves with every save. Any change to the file or to its permissions
// changes the stamp.
struct FileStamp
{
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified = {};
    timespec changed = {};
    QByteArray header;

    static std::optional<FileStamp> of(const QString &path)
    {
        struct stat info = {};
        if (::stat(QFile::encodeName(path).constData(), &info) != 0 || !S_ISREG(info.st_mode))
            return std::nullopt;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            return std::nullopt;
        return FileStamp {info.st_dev, info.st_ino, info.st_size, info.st_mtim, info.st_ctim,
            file.read(SqliteHeaderPageSize)};
    }

    friend bool operator==(const FileStamp &a, const FileStamp &b)
    {
        const auto same = [](const timespec &x, const timespec &y) {
            return x.tv_sec == y.tv_sec && x.tv_nsec == y.tv_nsec;
        };
        return a.device == b.device && a.inode == b.inode && a.size == b.size
            && same(a.modified, b.modified) && same(a.changed, b.changed) && a.header == b.header;
    }

    static constexpr qint64 SqliteHeaderPageSize = 100;
};

// The files found ready in this run, so that the windows opening the file the start-up just
// checked do not check it again while it stays as it was.
class ReadyFiles
{
public:
    void remember(const QString &path)
    {
        const QString key = QFileInfo(path).absoluteFilePath();
        const std::optional<FileStamp> stamp = FileStamp::of(key);
        const QMutexLocker lock(&m_lock);
        if (stamp)
            m_stamps.insert(key, *stamp);
        else
            m_stamps.remove(key);
    }

    bool unchanged(const QString &path) const
    {
        const QString key = QFileInfo(path).absoluteFilePath();
        // A journal with content is a save cut short: only inspect() may decide about it.
        if (QFileInfo(journalOf(key)).size() > 0)
            return false;
        const std::optional<FileStamp> stamp = FileStamp::of(key);
        const QMutexLocker lock(&m_lock);
        const auto known = m_stamps.constFind(key);
        return stamp && known != m_stamps.cend() && *known == *stamp;
    }

private:
    mutable QMutex m_lock;
    QHash<QString, FileStamp> m_stamps;
};

ReadyFiles &readyFiles()
{
    static ReadyFiles files;
    return files;
}

Database::Status inspectContent(QSqlDatabase &db)
{
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        const QSqlError error = version.lastError();
        const int code = error.nativeErrorCode().toInt() & 0xff;
        if (code == SqliteNotADatabase || code == SqliteCorrupt)
            return status(Database::State::NotRouvel,
                QStringLiteral("The file is damaged or is not a SQLite database (%1).")
                    .arg(error.text().trimmed()));
        return status(Database::State::Unusable,
            QStringLiteral("The file cannot be read: %1.").arg(error.text().trimmed()));
    }
    const int fileVersion = version.value(0).toInt();
    version.finish();
    if (fileVersion > Database::SchemaVersion)
        return status(Database::State::TooNew,
            QStringLiteral("The file was written by a newer version of rouvel "
                           "(schema %1; this version reads up to %2).")
                .arg(fileVersion)
                .arg(Database::SchemaVersion));

    for (const Schema::TableColumns &required : Schema::requiredTables()) {
        QSqlError error;
        const QStringList present = tableColumns(db, required.table, &error);
        if (error.isValid())
            return status(Database::State::Unusable,
                QStringLiteral("The file cannot be read: %1.").arg(error.text()));
        if (present.isEmpty())
            return status(Database::State::NotRouvel,
                QStringLiteral("It is not a rouvel database: the table %1 is missing.")
                    .arg(required.table));
        for (const QString &column : required.columns) {
            if (!present.contains(column, Qt::CaseInsensitive))
                return status(Database::State::NotRouvel,
                    QStringLiteral("It is not a rouvel database: the table %1 has no "
                                   "field \"%2\".")
                        .arg(required.table, column));
        }
    }
    if (fileVersion < 1)
        return status(Database::State::NotRouvel,
            QStringLiteral("It is not a rouvel database: it has no schema version."));

    QSqlQuery names(db);
    if (!names.exec(QStringLiteral("SELECT Name, Body FROM StoredQueries")))
        return status(Database::State::Unusable,
            QStringLiteral("The file cannot be read: %1.").arg(names.lastError().text()));
    QSet<QString> present;
    while (names.next()) {
        const QString name = names.value(0).toString();
        // The windows run these by name with the file open for writing: a body that writes,
        // attaches another file or runs a second statement has no place in a rouvel file.
        if (!isOneSelect(names.value(1).toString()))
            return status(Database::State::NotRouvel,
                QStringLiteral("It is not a rouvel database: the stored query %1 is not one "
                               "SELECT statement.")
                    .arg(name));
        present.insert(name);
    }
    if (names.lastError().isValid())
        return status(Database::State::Unusable,
            QStringLiteral("The file cannot be read: %1.").arg(names.lastError().text()));
    QSet<QString> later;
    for (const StoredQueryDefinition &query : Schema::laterQueries())
        later.insert(query.name);
    for (const StoredQueryDefinition &query : Schema::storedQueries()) {
        if (!present.contains(query.name) && !later.contains(query.name))
            return status(Database::State::NotRouvel,
                QStringLiteral("It is not a rouvel database: the stored query %1 is "
                               "missing.")
                    .arg(query.name));
    }
    return status(Database::State::Ready, {});
}

// Binds one stored query to an INSERT INTO StoredQueries of its six columns and runs it.
bool insertDefinition(QSqlQuery &insert, const StoredQueryDefinition &query)
{
    // An empty list is stored as empty text, not NULL.
    const auto text = [](const QString &value) {
        return value.isNull() ? QString(QLatin1String("")) : value;
    };
    insert.addBindValue(query.name);
    insert.addBindValue(query.sql);
    insert.addBindValue(text(query.parameters.join(QLatin1Char(','))));
    insert.addBindValue(text(query.baseTable));
    insert.addBindValue(text(query.keyColumns.join(QLatin1Char(','))));
    insert.addBindValue(text(query.currencyColumns.join(QLatin1Char(','))));
    return insert.exec();
}

// Files made before bill numbers had their unique index get it, unless they already hold a
// number twice: such a file keeps its rows and opens as before, and the save of a new number
// still refuses one that is taken, inside its write transaction.
void addBillNumberIndex(QSqlDatabase &db)
{
    QSqlQuery present(db);
    if (!present.exec(QStringLiteral(
            "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = 'TableBL_NoBl'"))
        || present.next())
        return;
    present.finish();
    QSqlQuery create(db);
    create.exec(QStringLiteral("CREATE UNIQUE INDEX TableBL_NoBl ON TableBL (NoBl)"));
}

// A file made before a stored query existed gets it; returns those added. Should that fail
// (a locked or full file), the file opens as before and the program does without the query.
QVector<StoredQueryDefinition> addedLaterQueries(
    QSqlDatabase &db, const QHash<QString, StoredQueryDefinition> &present)
{
    QVector<StoredQueryDefinition> added;
    for (const StoredQueryDefinition &query : Schema::laterQueries()) {
        if (present.contains(query.name))
            continue;
        QSqlQuery insert(db);
        insert.prepare(QStringLiteral(
            "INSERT OR IGNORE INTO StoredQueries (Name, Body, Parameters, BaseTable, KeyColumns, "
            "CurrencyColumns) VALUES (?, ?, ?, ?, ?, ?)"));
        if (insertDefinition(insert, query) && insert.numRowsAffected() == 1)
            added.append(query);
    }
    return added;
}

} // namespace

struct Database::Shared
{
    QString path;
    QString connectionName;
    QHash<QString, StoredQueryDefinition> queries;
    QHash<QString, QStringList> currencyFields;
    bool readOnly = false;
    int transactionDepth = 0; // saves nested in a larger one join it
    sqlite3 *handle = nullptr; // owned by the connection
    std::map<QString, TableShape> shapes; // by case-folded name; its references stay valid
    std::map<QString, std::unique_ptr<QSqlQuery>> prepared; // by SQL text
    QHash<QString, sqlite3_stmt *> statements; // by stored query name
    mutable TextPool names; // reading a name may keep it

    ~Shared()
    {
        // Statements first: the connection does not close while one is left.
        for (sqlite3_stmt *statement : std::as_const(statements))
            sqlite3_finalize(statement);
        prepared.clear();
        dropConnection(connectionName);
    }
};

Database::Database(std::shared_ptr<Shared> shared)
    : m_shared(std::move(shared))
{
}

const Database::Shared &Database::shared() const
{
    if (!m_shared)
        throw DataError::other(QStringLiteral("The rate database is not open."));
    return *m_shared;
}

void Database::fail(const QString &what, const QString &cause) const
{
    throw DataError::other(QStringLiteral("%1 (%2): %3").arg(what, path(), cause));
}

Database::Status Database::inspect(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return status(State::Missing, QStringLiteral("The file does not exist."));
    if (info.isDir())
        return status(State::NotRouvel, QStringLiteral("The path is a folder, not a file."));
    // Reading a named pipe would wait for a writer forever.
    if (const QString kind = specialFileKind(path); !kind.isEmpty())
        return status(
            State::NotRouvel, QStringLiteral("The path names %1, not a regular file.").arg(kind));

    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return status(State::Unusable,
            QStringLiteral("The file cannot be opened: %1.").arg(file.errorString()));
    const QByteArray header = file.read(SqliteHeader.size());
    file.close();
    if (header != SqliteHeader)
        return status(State::NotRouvel,
            QStringLiteral("It is not a rouvel database: the file is not a SQLite "
                           "database."));

    const bool writable = canWrite(info);
    // A journal beside the file is the trace of a save that a crash or a power cut cut short.
    // SQLite rolls it back on the first read, which needs the file open for writing.
    // An empty journal holds nothing to roll back.
    const bool interrupted = QFileInfo(journalOf(info.absoluteFilePath())).size() > 0;
    if (interrupted && !writable)
        return status(State::Unusable,
            QStringLiteral("A save in it was interrupted and cannot be undone while the file or "
                           "its folder is read-only."));

    const QString name = nextConnectionName();
    Status result;
    {
        QSqlDatabase db
            = openConnection(path, writable ? OpenMode::ReadWrite : OpenMode::ReadOnly, name);
        if (!db.isOpen()) {
            result = status(State::Unusable,
                QStringLiteral("The file cannot be opened: %1.")
                    .arg(db.lastError().text().trimmed()));
        } else {
            result = inspectContent(db);
            if (result.ok() && interrupted) {
                QSqlQuery check(db);
                const bool sound = check.exec(QStringLiteral("PRAGMA quick_check")) && check.next()
                    && check.value(0).toString() == QLatin1String("ok");
                if (!sound)
                    result = status(State::NotRouvel,
                        QStringLiteral("The file is damaged: a save in it was interrupted and "
                                       "rolling it back did not make it whole again."));
            }
        }
    }
    dropConnection(name);
    result.readOnly = result.ok() && !writable;
    if (result.ok())
        readyFiles().remember(path);
    return result;
}

Database Database::open(const QString &path)
{
    // A file found ready and unchanged since is not checked again; its writability may have
    // changed with its folder's, so that is asked anew.
    Status checked;
    if (readyFiles().unchanged(path)) {
        checked.state = State::Ready;
        checked.readOnly = !canWrite(QFileInfo(path));
    } else {
        checked = inspect(path);
    }
    if (!checked.ok())
        throw DataError::other(
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), checked.cause));

    auto shared = std::make_shared<Shared>();
    shared->path = QFileInfo(path).absoluteFilePath();
    shared->connectionName = nextConnectionName();
    shared->readOnly = checked.readOnly;
    Database database(shared);
    QSqlDatabase db = openConnection(
        path, checked.readOnly ? OpenMode::ReadOnly : OpenMode::ReadWrite, shared->connectionName);
    if (!db.isOpen())
        database.fail(QStringLiteral("Cannot open the rate database"), db.lastError().text());
    const QVariant handle = db.driver()->handle();
    if (handle.isValid() && qstrcmp(handle.typeName(), "sqlite3*") == 0)
        shared->handle = *static_cast<sqlite3 *const *>(handle.constData());
    if (!shared->handle)
        database.fail(QStringLiteral("Cannot open the rate database"),
            QStringLiteral("the SQLite driver gives no handle"));

    const QString context = QStringLiteral("Cannot prepare the rate database %1").arg(path);
    // A save is on disk when it returns; a foreign key keeps rates tied to their carrier and
    // destination.
    exec(db, QStringLiteral("PRAGMA synchronous = FULL"), context);
    exec(db, QStringLiteral("PRAGMA foreign_keys = ON"), context);

    if (!checked.readOnly)
        addBillNumberIndex(db);

    QSqlQuery catalog(db);
    if (!catalog.exec(QStringLiteral("SELECT Name, Body, Parameters, BaseTable, KeyColumns, "
                                     "CurrencyColumns FROM StoredQueries")))
        throw DataError::fromSqlError(catalog.lastError(), context);
    const auto list = [](const QVariant &value) {
        return value.toString().split(QLatin1Char(','), Qt::SkipEmptyParts);
    };
    while (catalog.next()) {
        StoredQueryDefinition query {catalog.value(0).toString(), catalog.value(1).toString(),
            list(catalog.value(2)), catalog.value(3).toString(), list(catalog.value(4)),
            list(catalog.value(5))};
        shared->queries.insert(query.name, query);
    }
    if (!checked.readOnly) {
        for (const StoredQueryDefinition &query : addedLaterQueries(db, shared->queries))
            shared->queries.insert(query.name, query);
    }
    QSqlQuery currency(db);
    if (!currency.exec(QStringLiteral("SELECT TableName, FieldName FROM CurrencyFields")))
        throw DataError::fromSqlError(currency.lastError(), context);
    while (currency.next())
        shared->currencyFields[currency.value(0).toString()] << currency.value(1).toString();
    return database;
}

void Database::create(const QString &path, bool sampleData)
{
    const QFileInfo target(path);
    if (target.exists())
        throw DataError::other(QStringLiteral("%1: the file already exists; it is left as it is.")
                                   .arg(QDir::toNativeSeparators(path)));
    if (!target.absoluteDir().exists())
        throw DataError::other(
            QStringLiteral("%1: the folder does not exist.").arg(QDir::toNativeSeparators(path)));

    // Built beside the target and renamed at the end, so a failure never leaves a half-made
    // rouvel.rvl behind.
    const QString work = NewFileTemporary::nameFor(target.absoluteFilePath());
    const QString name = nextConnectionName();
    QString failure;
    {
        QSqlDatabase db = openConnection(work, OpenMode::Create, name);
        try {
            if (!db.isOpen())
                throw DataError::fromSqlError(db.lastError(), QStringLiteral("Cannot create"));
            const QString context = QStringLiteral("Cannot create the rate database");
            exec(db, QStringLiteral("PRAGMA synchronous = FULL"), context);
            exec(db, QStringLiteral("PRAGMA foreign_keys = ON"), context);
            exec(db, QStringLiteral("BEGIN"), context);
            for (const QString &statement : Schema::tableStatements())
                exec(db, statement, context);

            QSqlQuery insert(db);
            insert.prepare(QStringLiteral(
                "INSERT INTO StoredQueries (Name, Body, Parameters, BaseTable, KeyColumns, "
                "CurrencyColumns) VALUES (?, ?, ?, ?, ?, ?)"));
            for (const StoredQueryDefinition &query : Schema::storedQueries()) {
                if (!insertDefinition(insert, query))
                    throw DataError::fromSqlError(insert.lastError(), context);
            }
            QSqlQuery currency(db);
            currency.prepare(
                QStringLiteral("INSERT INTO CurrencyFields (TableName, FieldName) VALUES (?, ?)"));
            for (const Schema::CurrencyField &field : Schema::currencyFields()) {
                currency.addBindValue(field.table);
                currency.addBindValue(field.field);
                if (!currency.exec())
                    throw DataError::fromSqlError(currency.lastError(), context);
            }
            for (const QString &statement : Schema::initialRowStatements())
                exec(db, statement, context);
            if (sampleData)
                SampleData::insert(db);
            exec(db, QStringLiteral("PRAGMA user_version = %1").arg(SchemaVersion), context);
            exec(db, QStringLiteral("COMMIT"), context);
        } catch (const DataError &error) {
            failure = error.message();
        }
    }
    dropConnection(name);
    if (failure.isEmpty() && !QFile::rename(work, target.absoluteFilePath()))
        failure = QStringLiteral("the new file could not be put in place");
    if (!failure.isEmpty()) {
        QFile::remove(work);
        QFile::remove(work + QStringLiteral("-journal"));
        throw DataError::other(
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), failure));
    }
}

QString Database::path() const { return shared().path; }

bool Database::isReadOnly() const { return shared().readOnly; }

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(shared().connectionName, false);
}

bool Database::hasStoredQuery(const QString &name) const
{
    return shared().queries.contains(name);
}

const StoredQueryDefinition &Database::storedQuery(const QString &name) const
{
    const auto &queries = shared().queries;
    const auto found = queries.constFind(name);
    if (found == queries.constEnd())
        throw DataError::other(
            QStringLiteral("The stored query %1 does not exist in %2.").arg(name, path()));
    return found.value();
}

QStringList Database::storedQueryNames() const
{
    QStringList names = shared().queries.keys();
    names.sort();
    return names;
}

QStringList Database::currencyFields(const QString &table) const
{
    return shared().currencyFields.value(table);
}

const Database::TableShape &Database::tableShape(const QString &table) const
{
    Shared &cache = const_cast<Shared &>(shared());
    const QString key = table.toCaseFolded();
    if (const auto found = cache.shapes.find(key); found != cache.shapes.end())
        return found->second;

    QSqlQuery exists(connection());
    exists.prepare(QStringLiteral(
        "SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ? COLLATE NOCASE"));
    exists.addBindValue(table);
    if (!exists.exec())
        throw DataError::fromSqlError(
            exists.lastError(), QStringLiteral("Cannot read the table %1").arg(table));
    if (!exists.next())
        throw DataError::other(
            QStringLiteral("The table %1 does not exist in %2.").arg(table, path()));
    TableShape shape;
    shape.hasRowid
        = !exists.value(0).toString().contains(QLatin1String("WITHOUT ROWID"), Qt::CaseInsensitive);
    exists.finish();

    QSqlQuery info(connection());
    if (!info.exec(QStringLiteral("PRAGMA table_info(%1)").arg(Schema::quoted(table))))
        throw DataError::fromSqlError(
            info.lastError(), QStringLiteral("Cannot read the table %1").arg(table));
    QMap<int, QString> keyColumns;
    while (info.next()) {
        shape.columns << info.value(1).toString();
        if (const int pk = info.value(5).toInt(); pk > 0)
            keyColumns.insert(pk, info.value(1).toString());
    }
    shape.primaryKey = keyColumns.values();
    return cache.shapes.emplace(key, std::move(shape)).first->second;
}

QSqlQuery &Database::preparedQuery(const QString &sql, const QString &context) const
{
    Shared &cache = const_cast<Shared &>(shared());
    if (const auto found = cache.prepared.find(sql); found != cache.prepared.end())
        return *found->second;
    auto query = std::make_unique<QSqlQuery>(connection());
    query->setForwardOnly(true);
    if (!query->prepare(sql))
        throw DataError::fromSqlError(query->lastError(), context);
    return *cache.prepared.emplace(sql, std::move(query)).first->second;
}

sqlite3 *Database::handle() const { return shared().handle; }

sqlite3_stmt *Database::keptStatement(const QString &name) const
{
    Shared &cache = const_cast<Shared &>(shared());
    if (sqlite3_stmt *kept = cache.statements.value(name)) {
        return sqlite3_stmt_busy(kept) ? nullptr : kept;
    }
    const StoredQueryDefinition &query = storedQuery(name);
    const QByteArray sql = query.sql.toUtf8();
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v3(cache.handle, sql.constData(), int(sql.size()),
            SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
        != SQLITE_OK) {
        sqlite3_finalize(statement);
        throw DataError::fromSqlError(
            QSqlError(QString(), QString::fromUtf8(sqlite3_errmsg(cache.handle)),
                QSqlError::StatementError,
                QString::number(sqlite3_extended_errcode(cache.handle))),
            QStringLiteral("Cannot open %1").arg(name));
    }
    cache.statements.insert(name, statement);
    return statement;
}

QString Database::sharedText(QByteArrayView utf8) const
{
    return shared().names.text(utf8);
}

void Database::refresh()
{
    begin();
    commit();
    // What is read from here on may name other carriers: the names read so far go.
    m_shared->names.clear();
}

void Database::begin(Lock lock)
{
    if (m_shared->transactionDepth++ > 0)
        return;
    QSqlDatabase db = connection();
    if (lock == Lock::AtOnce) {
        // The driver knows no BEGIN IMMEDIATE; its commit() and rollback() end it all the same.
        QSqlQuery begin(db);
        if (!begin.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            m_shared->transactionDepth = 0;
            fail(QStringLiteral("Cannot begin a save"), begin.lastError().text());
        }
        return;
    }
    if (!db.transaction()) {
        m_shared->transactionDepth = 0;
        fail(QStringLiteral("Cannot begin a save"), db.lastError().text());
    }
}

void Database::commit()
{
    if (--m_shared->transactionDepth > 0)
        return;
    QSqlDatabase db = connection();
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        throw DataError::fromSqlError(error, QStringLiteral("Cannot save in %1").arg(path()));
    }
}

void Database::rollback()
{
    // An inner save's failure travels on to the outermost one, which undoes the whole.
    if (--m_shared->transactionDepth > 0)
        return;
    QSqlDatabase db = connection();
    db.rollback();
}

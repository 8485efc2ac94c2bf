#include "data/Database.h"

#include "data/DataError.h"
#include "data/SampleData.h"
#include "data/Schema.h"

#include <QAtomicInteger>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QUrl>
#include <QUuid>

namespace {

// Long enough to ride out another program's short write, short enough to report a file that
// stays locked.
constexpr int BusyTimeoutMs = 5000;
const QByteArray SqliteHeader("SQLite format 3\0", 16);
constexpr int SqliteNotADatabase = 26;

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

Database::Status inspectContent(QSqlDatabase &db)
{
    QSqlQuery version(db);
    if (!version.exec(QStringLiteral("PRAGMA user_version")) || !version.next()) {
        const QSqlError error = version.lastError();
        if (error.nativeErrorCode().toInt() == SqliteNotADatabase)
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
    if (!names.exec(QStringLiteral("SELECT Name FROM StoredQueries")))
        return status(Database::State::Unusable,
            QStringLiteral("The file cannot be read: %1.").arg(names.lastError().text()));
    QSet<QString> present;
    while (names.next())
        present.insert(names.value(0).toString());
    for (const StoredQueryDefinition &query : Schema::storedQueries()) {
        if (!present.contains(query.name))
            return status(Database::State::NotRouvel,
                QStringLiteral("It is not a rouvel database: the stored query %1 is "
                               "missing.")
                    .arg(query.name));
    }
    return status(Database::State::Ready, {});
}

} // namespace

struct Database::Shared
{
    QString path;
    QString connectionName;
    QHash<QString, StoredQueryDefinition> queries;
    QHash<QString, QStringList> currencyFields;
    ~Shared() { dropConnection(connectionName); }
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

    // Saves write the file and a journal beside it.
    if (!info.isWritable())
        return status(
            State::Unusable, QStringLiteral("The file is read-only: changes could not be saved."));
    const QFileInfo folder(info.absolutePath());
    if (!folder.isWritable())
        return status(State::Unusable,
            QStringLiteral("The folder %1 is read-only: changes could not be saved.")
                .arg(QDir::toNativeSeparators(folder.absoluteFilePath())));

    const QString name = nextConnectionName();
    Status result;
    {
        QSqlDatabase db = openConnection(path, OpenMode::ReadOnly, name);
        if (!db.isOpen())
            result = status(State::Unusable,
                QStringLiteral("The file cannot be opened: %1.")
                    .arg(db.lastError().text().trimmed()));
        else
            result = inspectContent(db);
    }
    dropConnection(name);
    return result;
}

Database Database::open(const QString &path)
{
    const Status checked = inspect(path);
    if (!checked.ok())
        throw DataError::other(
            QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), checked.cause));

    auto shared = std::make_shared<Shared>();
    shared->path = QFileInfo(path).absoluteFilePath();
    shared->connectionName = nextConnectionName();
    Database database(shared);
    QSqlDatabase db = openConnection(path, OpenMode::ReadWrite, shared->connectionName);
    if (!db.isOpen())
        database.fail(QStringLiteral("Cannot open the rate database"), db.lastError().text());

    const QString context = QStringLiteral("Cannot prepare the rate database %1").arg(path);
    // A save is on disk when it returns; a foreign key keeps rates tied to their carrier and
    // destination.
    exec(db, QStringLiteral("PRAGMA synchronous = FULL"), context);
    exec(db, QStringLiteral("PRAGMA foreign_keys = ON"), context);

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
    const QString work = target.absoluteFilePath() + QStringLiteral(".new-")
        + QUuid::createUuid().toString(QUuid::Id128).left(8);
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
                if (!insert.exec())
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

QSqlDatabase Database::connection() const
{
    return QSqlDatabase::database(shared().connectionName, false);
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

void Database::refresh()
{
    begin();
    commit();
}

void Database::begin()
{
    QSqlDatabase db = connection();
    if (!db.transaction())
        fail(QStringLiteral("Cannot begin a save"), db.lastError().text());
}

void Database::commit()
{
    QSqlDatabase db = connection();
    if (!db.commit()) {
        const QSqlError error = db.lastError();
        db.rollback();
        throw DataError::fromSqlError(error, QStringLiteral("Cannot save in %1").arg(path()));
    }
}

void Database::rollback()
{
    QSqlDatabase db = connection();
    db.rollback();
}

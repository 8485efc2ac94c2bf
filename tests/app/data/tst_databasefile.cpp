#include "DatabaseStartup.h"
#include "cli/InitCommand.h"
#include "cli/QuoteCommand.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "data/RecordSet.h"
#include "data/Schema.h"
#include "OrdinaryUser.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <csignal>
#include <cstring>
#include <functional>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray fingerprint(const QString &path)
{
    // Reading a named pipe would wait for a writer.
    if (!QFileInfo(path).isFile())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

// A plain SQLite file that some other program made.
void writeForeignSqlite(const QString &path, const QString &sql)
{
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "foreign");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        for (const QString &statement : sql.split(';', Qt::SkipEmptyParts))
            QVERIFY2(query.exec(statement), qPrintable(query.lastError().text()));
        db.close();
    }
    QSqlDatabase::removeDatabase("foreign");
}

// A rouvel file whose stored query `name` has another body.
void writeWithQueryBody(const QString &path, const QString &name, const QString &body)
{
    Database::create(path, false);
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "body");
        db.setDatabaseName(path);
        QVERIFY(db.open());
        QSqlQuery query(db);
        query.prepare("UPDATE StoredQueries SET Body = ? WHERE Name = ?");
        query.addBindValue(body);
        query.addBindValue(name);
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
        QCOMPARE(query.numRowsAffected(), 1);
        db.close();
    }
    QSqlDatabase::removeDatabase("body");
}

int scalar(const Database &db, const QString &sql)
{
    QSqlQuery query(db.connection());
    if (!query.exec(sql) || !query.next())
        return -1;
    return query.value(0).toInt();
}

void makeSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    QVERIFY(fd >= 0);
    sockaddr_un address {};
    address.sun_family = AF_UNIX;
    const QByteArray name = QFile::encodeName(path);
    QVERIFY(size_t(name.size()) < sizeof(address.sun_path));
    std::memcpy(address.sun_path, name.constData(), size_t(name.size()));
    QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)), 0);
    ::close(fd);
}

// Leaves the journal of an unfinished save beside the file, as a crash or a power cut does: a
// child process writes more than its page cache holds, so part of the save is already in the
// file, and is killed before it commits.
void interruptSave(const QString &path)
{
    int ready[2];
    QCOMPARE(::pipe(ready), 0);
    fflush(nullptr);
    const pid_t child = fork();
    QVERIFY(child >= 0);
    if (child == 0) {
        ::close(ready[0]);
        {
            QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "interrupted");
            db.setDatabaseName(path);
            if (!db.open())
                _exit(91);
            QSqlQuery query(db);
            if (!query.exec("PRAGMA cache_size = 2") || !query.exec("BEGIN"))
                _exit(92);
            query.prepare("INSERT INTO TableClients (NomClient, NoRueClient) VALUES (?, ?)");
            for (int i = 0; i < 3000; ++i) {
                query.addBindValue(QString::number(i));
                query.addBindValue(QString(200, QLatin1Char('x')));
                if (!query.exec())
                    _exit(93);
            }
            if (::write(ready[1], "x", 1) != 1)
                _exit(94);
            for (;;)
                ::pause();
        }
    }
    ::close(ready[1]);
    char byte = 0;
    const bool saving = ::read(ready[0], &byte, 1) == 1;
    ::close(ready[0]);
    ::kill(child, SIGKILL);
    int status = 0;
    QCOMPARE(waitpid(child, &status, 0), child);
    QVERIFY2(saving, "the saving child ended before it was killed");
    QVERIFY(WIFSIGNALED(status));
    QVERIFY(QFileInfo(path + "-journal").size() > 0);
}

// Opens the folder and the file to others, without write access to the one that is read-only.
void protect(const QString &folder, const QString &path, bool readOnlyFolder)
{
    QFile::setPermissions(folder,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther | (readOnlyFolder ? QFile::Permissions() : QFile::WriteOther));
    QFile::setPermissions(path,
        QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
            | (readOnlyFolder ? QFile::WriteOther : QFile::Permissions()));
}

} // namespace

// The database file: creation, the checks made before the program uses one, and rouvel init.
class TestDatabaseFile : public QObject
{
    Q_OBJECT

private slots:
    void newFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, false);
        QVERIFY(Database::inspect(path).ok());
        Database db = Database::open(path);
        QSqlQuery query(db.connection());
        QVERIFY(query.exec("PRAGMA user_version") && query.next());
        QCOMPARE(query.value(0).toInt(), Database::SchemaVersion);
        QVERIFY(query.exec("PRAGMA synchronous") && query.next());
        QCOMPARE(query.value(0).toInt(), 2); // FULL
        QVERIFY(query.exec("PRAGMA foreign_keys") && query.next());
        QCOMPARE(query.value(0).toInt(), 1);
        QVERIFY(!db.isReadOnly());
        QVERIFY(!Database::inspect(path).readOnly);

        RecordSet origine = RecordSet::openTable(db, "origine");
        QCOMPARE(origine.rowCount(), 1);
        RecordSet temp = RecordSet::openTable(db, "TableBLTemp");
        QCOMPARE(temp.rowCount(), 1);
        temp.moveFirst();
        QCOMPARE(temp.field("TmpPasVide").toBool(), false);
        RecordSet newYork = RecordSet::openQuery(db, "RequêteNEWYORK");
        newYork.moveFirst();
        RecordSet dest = RecordSet::openQuery(db, "TriDest");
        QVERIFY(dest.findFirst(RecordSet::Criterion::nomDestination("NEW YORK")));
        QCOMPARE(newYork.field(0), dest.field("NoDestination"));
        QCOMPARE(RecordSet::openQuery(db, "TriTrans").rowCount(), 0);
        QCOMPARE(RecordSet::openTable(db, "IdentTrans").fieldNames().indexOf("Contact 1"), 7);

        // Raw SQL is refused text in a numeric column as well.
        QVERIFY(query.exec("INSERT INTO IdentTrans (NomTrans) VALUES ('X')"));
        QVERIFY(!query.exec("INSERT INTO Tarifs (NoTrans, NoDestination, p500) "
                            "VALUES (1, 1, '1.2.3')"));
        QVERIFY(query.exec("SELECT COUNT(*) FROM Tarifs") && query.next());
        QCOMPARE(query.value(0).toInt(), 0);
    }

    void sampleFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, true);
        Database db = Database::open(path);
        QCOMPARE(RecordSet::openQuery(db, "TriTrans").rowCount(), 6);
        QCOMPARE(RecordSet::openQuery(db, "TriDest").rowCount(), 10);
        QCOMPARE(RecordSet::openTable(db, "TableClients").rowCount(), 3);
        RecordSet own = RecordSet::openTable(db, "origine");
        QCOMPARE(own.rowCount(), 1);
        own.moveFirst();
        QVERIFY(!own.text("VilleClient").isEmpty());
        // A first run shows a real comparison at the default destination.
        RecordSet newYork = RecordSet::openQuery(db, "RequêteNEWYORK");
        newYork.moveFirst();
        const QVariant destination = newYork.field(0);
        for (const char *query : {"Trip1000", "Trinp3", "TriLTL", "TriPrixMin"}) {
            RecordSet rates = RecordSet::openQuery(db, query, {{"[prmDestination]", destination}});
            QVERIFY2(rates.rowCount() >= 2, query);
        }
        // The sample keeps the cases a user meets: zero or empty rates somewhere.
        QSqlQuery query(db.connection());
        QVERIFY(query.exec("SELECT COUNT(*) FROM Tarifs WHERE p500 = 0 OR \"3pal\" = 0")
            && query.next());
        QVERIFY(query.value(0).toInt() > 0);
    }

    // Each sample carrier has the rates its type names, and no others.
    void sampleRatesFollowTheRateType()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, true);
        Database db = Database::open(path);
        const auto any = [](const QStringList &columns) {
            QStringList terms;
            for (const QString &column : columns)
                terms << QStringLiteral("COALESCE(Tarifs.%1, 0) <> 0").arg(Schema::quoted(column));
            return terms.join(" OR ");
        };
        const QString byWeight = any(Schema::weightRateColumns());
        const QString byPallet = any(Schema::palletRateColumns());
        QSqlQuery query(db.connection());
        QVERIFY(query.exec(QStringLiteral(
            "SELECT IdentTrans.NomTrans, IdentTrans.TarifType, "
            "SUM(CASE WHEN %1 THEN 1 ELSE 0 END), SUM(CASE WHEN %2 THEN 1 ELSE 0 END) "
            "FROM IdentTrans LEFT JOIN Tarifs ON Tarifs.NoTrans = IdentTrans.NoTrans "
            "GROUP BY IdentTrans.NoTrans").arg(byWeight, byPallet)));
        int carriers = 0;
        while (query.next()) {
            ++carriers;
            const QString name = query.value(0).toString();
            const QString type = query.value(1).toString();
            QVERIFY2(QStringList({"po", "pa", "popa"}).contains(type), qPrintable(name));
            QCOMPARE(query.value(2).toInt() > 0, type.contains("po"));
            QCOMPARE(query.value(3).toInt() > 0, type.contains("pa"));
        }
        QCOMPARE(carriers, 6);

        // The README's example: the best rate comes from a carrier whose type allows it.
        const QuoteCommand::Outcome outcome = QuoteCommand::run({"quote", "--db", path, "--weight",
            "1200", "--pallets", "3", "--destination", "NEW YORK", "--json"});
        QCOMPARE(outcome.exitCode, 0);
        const QJsonObject json = QJsonDocument::fromJson(outcome.output).object();
        const QString carrier = json.value("carrier").toString();
        QVERIFY(!carrier.isEmpty());
        const QJsonObject weight = json.value("weight").toObject();
        const QJsonArray weightRows = weight.value("rows").toArray();
        const bool byWeightSide = !weightRows.isEmpty()
            && weightRows.at(0).toObject().value("carrier").toString() == carrier
            && weightRows.at(0).toObject().value("rate").toString().toDouble()
                == json.value("handoff").toObject().value("blRate").toDouble();
        RecordSet carriersSet = RecordSet::openQuery(db, "IdentTransAlph");
        QVERIFY(carriersSet.findFirst(RecordSet::Criterion::nomTrans(carrier)));
        QVERIFY2(carriersSet.text("TarifType").contains(byWeightSide ? "po" : "pa"),
            qPrintable(carrier));
    }

    void createRefusesExistingFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        writeFile(path, "keep me");
        QVERIFY_THROWS_EXCEPTION(DataError, Database::create(path, true));
        QCOMPARE(
            fingerprint(path), QCryptographicHash::hash("keep me", QCryptographicHash::Sha256));
        QVERIFY_THROWS_EXCEPTION(
            DataError, Database::create(dir.filePath("no/such/folder/x.rvl"), false));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"rouvel.rvl"});
    }

    void inspect_data()
    {
        QTest::addColumn<std::function<void(const QString &)>>("make");
        QTest::addColumn<int>("state");
        QTest::addColumn<QString>("causePart");
        using Make = std::function<void(const QString &)>;
        QTest::newRow("missing") << Make([](const QString &) {}) << int(Database::State::Missing)
                                 << "does not exist";
        QTest::newRow("text file") << Make([](const QString &p) { writeFile(p, "hello\n"); })
                                   << int(Database::State::NotRouvel) << "not a SQLite";
        QTest::newRow("empty file") << Make([](const QString &p) { writeFile(p, {}); })
                                    << int(Database::State::NotRouvel) << "not a SQLite";
        QTest::newRow("damaged") << Make([](const QString &p) {
            writeFile(p, QByteArray("SQLite format 3\0", 16) + QByteArray(200, '\xff'));
        }) << int(Database::State::NotRouvel)
                                 << "damaged";
        QTest::newRow("other program's SQLite")
            << Make([](const QString &p) { writeForeignSqlite(p, "CREATE TABLE notes (t TEXT)"); })
            << int(Database::State::NotRouvel) << "table IdentTrans is missing";
        QTest::newRow("field missing") << Make([](const QString &p) {
            Database::create(p, false);
            writeForeignSqlite(p, "ALTER TABLE IdentTrans DROP COLUMN Fax");
        }) << int(Database::State::NotRouvel)
                                       << "no field \"Fax\"";
        QTest::newRow("query missing") << Make([](const QString &p) {
            Database::create(p, false);
            writeForeignSqlite(p, "DELETE FROM StoredQueries WHERE Name = 'Trinp7'");
        }) << int(Database::State::NotRouvel)
                                       << "Trinp7";
        QTest::newRow("newer version") << Make([](const QString &p) {
            Database::create(p, false);
            writeForeignSqlite(p, "PRAGMA user_version = 99");
        }) << int(Database::State::TooNew)
                                       << "newer version";
        QTest::newRow("folder") << Make([](const QString &p) { QDir().mkpath(p); })
                                << int(Database::State::NotRouvel) << "folder";
        // Refused at once: reading a pipe would wait for a writer forever.
        QTest::newRow("named pipe")
            << Make([](const QString &p) { QCOMPARE(mkfifo(QFile::encodeName(p), 0600), 0); })
            << int(Database::State::NotRouvel) << "named pipe (FIFO), not a regular file";
        QTest::newRow("socket") << Make([](const QString &p) { makeSocket(p); })
                                << int(Database::State::NotRouvel) << "a socket";
        QTest::newRow("device") << Make([](const QString &p) { QVERIFY(QFile::link("/dev/null", p)); })
                                << int(Database::State::NotRouvel) << "a device";
        // A stored query runs with the file open for writing: it may only read.
        QTest::newRow("query that attaches") << Make([](const QString &p) {
            writeWithQueryBody(p, "TriDest", "ATTACH DATABASE '/tmp/elsewhere.db' AS other");
        }) << int(Database::State::NotRouvel)
                                             << "stored query TriDest is not one SELECT";
        QTest::newRow("query that deletes") << Make([](const QString &p) {
            writeWithQueryBody(p, "Trip500", "DELETE FROM Tarifs");
        }) << int(Database::State::NotRouvel)
                                            << "stored query Trip500";
        QTest::newRow("query with a second statement") << Make([](const QString &p) {
            writeWithQueryBody(p, "TriTrans", "SELECT NoTrans, NomTrans FROM IdentTrans; "
                                              "DELETE FROM IdentTrans");
        }) << int(Database::State::NotRouvel)
                                                       << "stored query TriTrans";
        QTest::newRow("query that deletes through WITH") << Make([](const QString &p) {
            writeWithQueryBody(p, "Trinp2", "WITH x AS (SELECT 1) DELETE FROM Tarifs");
        }) << int(Database::State::NotRouvel)
                                                         << "stored query Trinp2";
        QTest::newRow("query with a word that begins with select") << Make([](const QString &p) {
            writeWithQueryBody(p, "Trinp3", "SELECTED");
        }) << int(Database::State::NotRouvel)
                                                                   << "stored query Trinp3";
        QTest::newRow("semicolons in quotes and comments")
            << Make([](const QString &p) {
                   writeWithQueryBody(p, "TriDest",
                       "-- destinations; all of them\n"
                       "  select NoDestination, NomDestination FROM Destination\n"
                       "WHERE NomDestination <> 'it''s; here' AND \"NomDestination\" <> ';'\n"
                       "/* ; */ ORDER BY NomDestination; -- done;\n");
               })
            << int(Database::State::Ready) << "";
        QTest::newRow("good") << Make([](const QString &p) { Database::create(p, false); })
                              << int(Database::State::Ready) << "";
    }
    // The check names the cause and leaves the file exactly as it was.
    void inspect()
    {
        QFETCH(std::function<void(const QString &)>, make);
        QFETCH(int, state);
        QFETCH(QString, causePart);
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        make(path);
        const QByteArray before = fingerprint(path);
        const QStringList filesBefore
            = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
        const Database::Status status = Database::inspect(path);
        QCOMPARE(int(status.state), state);
        QVERIFY2(status.cause.contains(causePart), qPrintable(status.cause));
        QCOMPARE(fingerprint(path), before);
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), filesBefore);
        if (state != int(Database::State::Ready)) {
            try {
                Database::open(path);
                QFAIL("opening an unusable file must fail");
            } catch (const DataError &error) {
                QVERIFY(error.message().contains(path));
                QVERIFY(error.message().contains(status.cause));
            }
        }
    }

    // A file found ready is not checked again while it stays as it was (the windows open the
    // file the start-up just checked); whatever changed it since is checked anew.
    void changedSinceInspect_data()
    {
        QTest::addColumn<std::function<void(const QString &)>>("change");
        QTest::addColumn<QString>("causePart");
        using Change = std::function<void(const QString &)>;
        QTest::newRow("field dropped") << Change([](const QString &p) {
            writeForeignSqlite(p, "ALTER TABLE IdentTrans DROP COLUMN Fax");
        }) << "no field \"Fax\"";
        QTest::newRow("query deleted") << Change([](const QString &p) {
            writeForeignSqlite(p, "DELETE FROM StoredQueries WHERE Name = 'Trinp7'");
        }) << "Trinp7";
        QTest::newRow("newer version")
            << Change([](const QString &p) { writeForeignSqlite(p, "PRAGMA user_version = 99"); })
            << "newer version";
        QTest::newRow("query made to write") << Change([](const QString &p) {
            writeForeignSqlite(p, "UPDATE StoredQueries SET Body = 'DELETE FROM Tarifs' "
                                  "WHERE Name = 'Trip500'");
        }) << "stored query Trip500";
        QTest::newRow("replaced by a text file")
            << Change([](const QString &p) { writeFile(p, "hello\n"); }) << "not a SQLite";
    }
    void changedSinceInspect()
    {
        QFETCH(std::function<void(const QString &)>, change);
        QFETCH(QString, causePart);
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, false);
        QVERIFY(Database::inspect(path).ok());
        Database::open(path);
        change(path);
        try {
            Database::open(path);
            QFAIL("a file changed since it was found ready must be checked again");
        } catch (const DataError &error) {
            QVERIFY2(error.message().contains(causePart), qPrintable(error.message()));
        }
    }

    // A read-only file opens for lookups; each save is refused with its cause and changes
    // nothing. Permissions do not stop root, so this runs as an ordinary user in a child.
    void readOnlyFile_data()
    {
        QTest::addColumn<bool>("readOnlyFolder");
        QTest::newRow("file") << false;
        QTest::newRow("folder") << true;
    }
    void readOnlyFile()
    {
        QFETCH(bool, readOnlyFolder);
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, true);
        protect(dir.path(), path, readOnlyFolder);
        const QByteArray before = fingerprint(path);
        const int result = asOrdinaryUser([&] {
            const Database::Status status = Database::inspect(path);
            if (!status.ok() || !status.readOnly)
                return 1;
            QStringList told;
            if (!DatabaseStartup::ensureReady(
                    path, [] { return DatabaseStartup::Choice::Quit; },
                    [&](const QString &message) { told << message; })
                || !told.isEmpty())
                return 2;
            try {
                Database db = Database::open(path);
                if (!db.isReadOnly())
                    return 3;
                if (RecordSet::openQuery(db, "TriTrans").rowCount() != 6)
                    return 4;
                db.refresh();
                RecordSet customers = RecordSet::openTable(db, "TableClients");
                customers.moveFirst();
                customers.edit();
                customers.setField("NomClient", "Changed");
                try {
                    customers.update();
                    return 5;
                } catch (const DataError &error) {
                    if (!error.message().contains("attempt to write a readonly database"))
                        return 6;
                }
                // The refused save is the only one lost: reading goes on.
                customers.cancelUpdate();
                customers.requery();
                customers.moveFirst();
                if (customers.text("NomClient") == "Changed")
                    return 7;
            } catch (const DataError &) {
                return 8;
            }
            return 0;
        });
        QCOMPARE(result, 0);
        QCOMPARE(fingerprint(path), before);
        QVERIFY(!QFile::exists(path + "-journal"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // A save cut short by a crash leaves a journal; the next start rolls it back and the file
    // is whole again.
    void interruptedSaveIsRolledBack()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, true);
        const QByteArray before = fingerprint(path);
        interruptSave(path);
        QVERIFY2(fingerprint(path) != before, "the interrupted save must have reached the file");

        QStringList told;
        QVERIFY(DatabaseStartup::ensureReady(
            path, [] { return DatabaseStartup::Choice::Quit; },
            [&](const QString &message) { told << message; }));
        QVERIFY2(told.isEmpty(), qPrintable(told.join('\n')));
        QVERIFY(!QFile::exists(path + "-journal"));
        Database db = Database::open(path);
        QSqlQuery check(db.connection());
        QVERIFY(check.exec("PRAGMA integrity_check") && check.next());
        QCOMPARE(check.value(0).toString(), QStringLiteral("ok"));
        QCOMPARE(scalar(db, "SELECT COUNT(*) FROM TableClients"), 3);
        QCOMPARE(RecordSet::openQuery(db, "TriTrans").rowCount(), 6);
    }

    // The same journal beside a file that cannot be written cannot be rolled back: the file is
    // refused with the reason, and left as it is for a user who can.
    void interruptedSaveInReadOnlyFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, false);
        interruptSave(path);
        protect(dir.path(), path, true);
        const QByteArray before = fingerprint(path);
        const int result = asOrdinaryUser([&] {
            const Database::Status status = Database::inspect(path);
            return status.state == Database::State::Unusable
                    && status.cause.contains("interrupted") && status.cause.contains("read-only")
                ? 0
                : 1;
        });
        QCOMPARE(result, 0);
        QCOMPARE(fingerprint(path), before);
        QVERIFY(QFile::exists(path + "-journal"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    // Another program holding the file: the save waits, then is refused with the cause.
    void lockedSaveNamesTheCause()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        Database::create(path, true);
        Database db = Database::open(path);
        RecordSet customers = RecordSet::openTable(db, "TableClients");
        {
            QSqlDatabase other = QSqlDatabase::addDatabase("QSQLITE", "other");
            other.setDatabaseName(path);
            QVERIFY(other.open());
            QSqlQuery hold(other);
            QVERIFY(hold.exec("BEGIN EXCLUSIVE"));
            customers.moveFirst();
            customers.edit();
            customers.setField("NomClient", "Changed");
            try {
                customers.update();
                QFAIL("a save into a locked file must be refused");
            } catch (const DataError &error) {
                QVERIFY2(error.message().contains("database is locked"), qPrintable(error.message()));
            }
            QVERIFY(hold.exec("ROLLBACK"));
            other.close();
        }
        QSqlDatabase::removeDatabase("other");
        // Once the lock is gone the same save goes through.
        customers.update();
        customers.requery();
        customers.moveFirst();
        QCOMPARE(customers.text("NomClient"), QStringLiteral("Changed"));
    }

    void initCommand_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<int>("carriers"); // in the new file, -1 when none is written
        QTest::addColumn<QString>("errorPart");
        QTest::newRow("empty") << QStringList {"init", "--db", "@/r.rvl"} << 0 << 0 << "";
        QTest::newRow("sample") << QStringList {"init", "--db", "@/r.rvl", "--sample"} << 0 << 6
                                << "";
        QTest::newRow("sample first")
            << QStringList {"init", "--sample", "--db=@/r.rvl"} << 0 << 6 << "";
        QTest::newRow("no file") << QStringList {"init"} << 2 << -1 << "database file is missing";
        QTest::newRow("no value") << QStringList {"init", "--db"} << 2 << -1
                                  << "--db needs a file name";
        QTest::newRow("option as value")
            << QStringList {"init", "--db", "--sample"} << 2 << -1 << "--db needs a file name";
        QTest::newRow("empty value")
            << QStringList {"init", "--db="} << 2 << -1 << "database file is missing";
        QTest::newRow("twice") << QStringList {"init", "--db", "@/r.rvl", "--db", "@/s.rvl"} << 2
                               << -1 << "unexpected argument \"--db\"";
        QTest::newRow("unknown") << QStringList {"init", "--db", "@/r.rvl", "--force"} << 2 << -1
                                 << "--force";
        QTest::newRow("existing") << QStringList {"init", "--db", "@/existing.rvl"} << 2 << -1
                                  << "already exists";
        QTest::newRow("no folder")
            << QStringList {"init", "--db", "@/none/r.rvl"} << 2 << -1 << "folder does not exist";
    }
    void initCommand()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(int, carriers);
        QFETCH(QString, errorPart);
        QTemporaryDir dir;
        writeFile(dir.filePath("existing.rvl"), "not mine");
        for (QString &argument : arguments)
            argument.replace("@", dir.path());
        QString outText;
        QString errText;
        QTextStream out(&outText);
        QTextStream err(&errText);
        QCOMPARE(runInitCommand(arguments, out, err), exitCode);
        QVERIFY2(errText.contains(errorPart), qPrintable(errText));
        QCOMPARE(errText.isEmpty(), exitCode == 0);
        const QString path = dir.filePath("r.rvl");
        QCOMPARE(QFile::exists(path), carriers >= 0);
        if (carriers < 0) // nothing but the file the test made
            QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {"existing.rvl"});
        if (carriers >= 0) {
            QVERIFY(outText.contains(path));
            Database db = Database::open(path);
            QCOMPARE(RecordSet::openQuery(db, "TriTrans").rowCount(), carriers);
        }
        QCOMPARE(fingerprint(dir.filePath("existing.rvl")),
            QCryptographicHash::hash("not mine", QCryptographicHash::Sha256));
    }

    void startup_data()
    {
        QTest::addColumn<QByteArray>("content"); // "none": no file
        QTest::addColumn<int>("choice");
        QTest::addColumn<bool>("ready");
        QTest::addColumn<int>("carriers"); // in the file afterwards, -1 when there is none
        QTest::addColumn<QString>("messagePart");
        using C = DatabaseStartup::Choice;
        QTest::newRow("missing, quit") << QByteArray("none") << int(C::Quit) << false << -1 << "";
        QTest::newRow("missing, empty")
            << QByteArray("none") << int(C::CreateEmpty) << true << 0 << "";
        QTest::newRow("missing, sample")
            << QByteArray("none") << int(C::CreateWithSample) << true << 6 << "";
        QTest::newRow("not a database")
            << QByteArray("garbage") << int(C::Quit) << false << -1 << "not a SQLite database";
    }
    void startup()
    {
        QFETCH(QByteArray, content);
        QFETCH(int, choice);
        QFETCH(bool, ready);
        QFETCH(int, carriers);
        QFETCH(QString, messagePart);
        QTemporaryDir dir;
        const QString path = dir.filePath("rouvel.rvl");
        if (content != "none")
            writeFile(path, content);
        int asked = 0;
        QStringList told;
        const bool result = DatabaseStartup::ensureReady(
            path,
            [&] {
                ++asked;
                return DatabaseStartup::Choice(choice);
            },
            [&](const QString &message) { told << message; });
        QCOMPARE(result, ready);
        QCOMPARE(asked, content == "none" ? 1 : 0);
        if (messagePart.isEmpty()) {
            QVERIFY(told.isEmpty());
        } else {
            QCOMPARE(told.size(), 1);
            QVERIFY(told.first().contains(path));
            QVERIFY2(told.first().contains(messagePart), qPrintable(told.first()));
            QCOMPARE(
                fingerprint(path), QCryptographicHash::hash(content, QCryptographicHash::Sha256));
        }
        if (carriers >= 0) {
            Database db = Database::open(path);
            QCOMPARE(RecordSet::openQuery(db, "TriTrans").rowCount(), carriers);
        } else if (content == "none") {
            QVERIFY(!QFile::exists(path));
        }
    }
};

QTEST_MAIN(TestDatabaseFile)
#include "tst_databasefile.moc"

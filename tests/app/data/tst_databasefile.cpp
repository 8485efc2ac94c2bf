#include "DatabaseStartup.h"
#include "cli/InitCommand.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "data/RecordSet.h"

#include <QCryptographicHash>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

#include <sys/wait.h>
#include <unistd.h>

namespace {

QByteArray fingerprint(const QString &path)
{
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

    // Permissions do not stop root, so the check runs as an ordinary user in a child process.
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
        Database::create(path, false);
        QFile::setPermissions(dir.path(),
            QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
                | QFile::ExeOther | (readOnlyFolder ? QFile::Permissions() : QFile::WriteOther));
        QFile::setPermissions(path,
            QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther
                | (readOnlyFolder ? QFile::WriteOther : QFile::Permissions()));
        const QByteArray before = fingerprint(path);
        fflush(nullptr);
        const pid_t child = fork();
        QVERIFY(child >= 0);
        if (child == 0) {
            if (geteuid() == 0 && (setgid(65534) != 0 || setuid(65534) != 0))
                _exit(90);
            const Database::Status status = Database::inspect(path);
            const bool named = status.cause.contains("read-only");
            _exit(status.state == Database::State::Unusable && named ? 0 : 1);
        }
        int result = 0;
        QCOMPARE(waitpid(child, &result, 0), child);
        QVERIFY(WIFEXITED(result));
        QCOMPARE(WEXITSTATUS(result), 0);
        QCOMPARE(fingerprint(path), before);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
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

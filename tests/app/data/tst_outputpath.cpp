#include "data/OutputPath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

// Which paths a program may write a file to, beside an open database: each kind of path against
// the database, its companions, links of both kinds, ".." spellings and special files.
class tst_OutputPath : public QObject
{
    Q_OBJECT
private slots:
    void refusal_data();
    void refusal();
};

namespace {

// Makes the path to check in the folder; the database is "<folder>/db/rouvel.rvl".
using Make = std::function<QString(const QString &folder, const QString &database)>;

void touch(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write("x") != 1)
        qFatal("cannot write %s", qPrintable(path));
}

void symlinkTo(const QString &target, const QString &link)
{
    if (::symlink(QFile::encodeName(target).constData(), QFile::encodeName(link).constData()))
        qFatal("no symbolic link %s", qPrintable(link));
}

} // namespace

void tst_OutputPath::refusal_data()
{
    QTest::addColumn<Make>("make");
    QTest::addColumn<bool>("databaseByLink"); // the database is opened through a symbolic link
    QTest::addColumn<QString>("reason"); // after the path; empty: allowed

    const QString itself = QStringLiteral(" is the database file itself: choose another file");
    const QString companion
        = QStringLiteral(" is a file of the open database: choose another file");
    const QString special = QStringLiteral(
        " is not an ordinary file (a device, FIFO or socket): choose another file");
    const auto same = [](const char *suffix) {
        return Make(
            [suffix](const QString &, const QString &db) { return db + QLatin1String(suffix); });
    };

    QTest::newRow("database") << same("") << false << itself;
    QTest::newRow("database by ..") << Make([](const QString &folder, const QString &) {
        QDir(folder).mkdir(QStringLiteral("other"));
        return folder + QStringLiteral("/other/../db/rouvel.rvl");
    }) << false << itself;
    QTest::newRow("database by ./") << Make([](const QString &folder, const QString &) {
        return folder + QStringLiteral("/db/./rouvel.rvl");
    }) << false << itself;
    QTest::newRow("symbolic link to the database") << Make(
        [](const QString &folder, const QString &db) {
            symlinkTo(db, folder + QStringLiteral("/link.csv"));
            return folder + QStringLiteral("/link.csv");
        }) << false << itself;
    QTest::newRow("hard link to the database") << Make(
        [](const QString &folder, const QString &db) {
            const QString link = folder + QStringLiteral("/hard.csv");
            if (::link(QFile::encodeName(db).constData(), QFile::encodeName(link).constData()))
                qFatal("no hard link");
            return link;
        }) << false << itself;
    QTest::newRow("journal, present") << Make([](const QString &, const QString &db) {
        touch(db + QStringLiteral("-journal"));
        return db + QStringLiteral("-journal");
    }) << false << companion;
    QTest::newRow("journal, not there yet") << same("-journal") << false << companion;
    QTest::newRow("wal, not there yet") << same("-wal") << false << companion;
    QTest::newRow("shm, not there yet") << same("-shm") << false << companion;
    QTest::newRow("wal through a linked folder") << Make(
        [](const QString &folder, const QString &) {
            symlinkTo(folder + QStringLiteral("/db"), folder + QStringLiteral("/alias"));
            return folder + QStringLiteral("/alias/rouvel.rvl-wal");
        }) << false << companion;
    QTest::newRow("journal by ..") << Make([](const QString &folder, const QString &) {
        return folder + QStringLiteral("/db/../db/rouvel.rvl-journal");
    }) << false << companion;
    QTest::newRow("dangling link to the journal's name") << Make(
        [](const QString &folder, const QString &db) {
            symlinkTo(db + QStringLiteral("-journal"), folder + QStringLiteral("/j.csv"));
            return folder + QStringLiteral("/j.csv");
        }) << false << companion;
    QTest::newRow("journal of the linked database's own file") << Make(
        [](const QString &, const QString &) {
            // The test opens "<folder>/db.rvl", a link to db/rouvel.rvl; SQLite keeps the
            // journal beside the file the link leads to.
            return QString();
        }) << true << companion;
    QTest::newRow("folder") << Make([](const QString &folder, const QString &) { return folder; })
                            << false << QStringLiteral(" is a folder: choose a file name");
    QTest::newRow("fifo") << Make([](const QString &folder, const QString &) {
        const QString fifo = folder + QStringLiteral("/fifo.csv");
        if (::mkfifo(QFile::encodeName(fifo).constData(), 0600))
            qFatal("no FIFO");
        return fifo;
    }) << false << special;
    QTest::newRow("device") << Make([](const QString &, const QString &) {
        return QStringLiteral("/dev/null");
    }) << false << special;
    QTest::newRow("socket") << Make([](const QString &folder, const QString &) {
        const QString path = folder + QStringLiteral("/socket.csv");
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        const QByteArray name = QFile::encodeName(path);
        if (fd < 0 || size_t(name.size()) >= sizeof address.sun_path)
            qFatal("no socket");
        qstrcpy(address.sun_path, name.constData());
        if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address))
            qFatal("no socket");
        ::close(fd);
        return path;
    }) << false << special;
    QTest::newRow("new name") << Make([](const QString &folder, const QString &) {
        return folder + QStringLiteral("/new.csv");
    }) << false << QString();
    QTest::newRow("new name beside the database") << Make(
        [](const QString &folder, const QString &) {
            return folder + QStringLiteral("/db/rouvel.rvl.csv");
        }) << false << QString();
    QTest::newRow("regular file") << Make([](const QString &folder, const QString &) {
        touch(folder + QStringLiteral("/old.csv"));
        return folder + QStringLiteral("/old.csv");
    }) << false << QString();
    QTest::newRow("symbolic link to a regular file") << Make(
        [](const QString &folder, const QString &) {
            touch(folder + QStringLiteral("/old.csv"));
            symlinkTo(folder + QStringLiteral("/old.csv"), folder + QStringLiteral("/to.csv"));
            return folder + QStringLiteral("/to.csv");
        }) << false << QString();
}

void tst_OutputPath::refusal()
{
    QFETCH(Make, make);
    QFETCH(bool, databaseByLink);
    QFETCH(QString, reason);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("db")));
    const QString database = dir.filePath(QStringLiteral("db/rouvel.rvl"));
    touch(database);
    QString opened = database;
    QString path = make(dir.path(), database);
    if (databaseByLink) {
        opened = dir.filePath(QStringLiteral("db.rvl"));
        symlinkTo(database, opened);
        path = database + QStringLiteral("-journal");
    }

    QCOMPARE(OutputPath::refusal(path, opened), reason.isEmpty() ? QString() : path + reason);
    // Without a database only the kind of file counts.
    if (reason == QLatin1String(" is a folder: choose a file name")
        || reason.contains(QLatin1String("not an ordinary file")))
        QCOMPARE(OutputPath::refusal(path, QString()), path + reason);
    else
        QCOMPARE(OutputPath::refusal(path, QString()), QString());
}

QTEST_GUILESS_MAIN(tst_OutputPath)
#include "tst_outputpath.moc"

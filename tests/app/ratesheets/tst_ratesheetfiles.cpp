#include "rateadjust/RateGridFixture.h"
#include "FileContents.h"
#include "FileSizeLimit.h"

#include "cli/InputFile.h"
#include "cli/RatesCommand.h"
#include "ratesheets/RateSheetExport.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <memory>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

// The files rouvel rates and "Export rates…" write and read: where they may write, what a full
// disk leaves, names a spreadsheet would run as formulas, and inputs that never end.
class tst_RateSheetFiles : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exportRefusedBeforeWriting_data();
    void exportRefusedBeforeWriting();
    void failedWriteKeepsTheEarlierFile_data();
    void failedWriteKeepsTheEarlierFile();
    void formulaNamesGuardedAndRoundTrip();
    void guardedNamesImported_data();
    void guardedNamesImported();
    void unboundedInputsRefused_data();
    void unboundedInputsRefused();
    void inputLimitIsExact();

private:
    RatesCommand::Outcome rates(const QStringList &arguments, QIODevice *input = nullptr) const;
    RatesCommand::Outcome exportTo(const QString &path) const;
    RatesCommand::Outcome importFrom(const QString &path, QIODevice *input = nullptr) const;
    QByteArray databaseHash() const;

    std::unique_ptr<RateGridFixture> m_fixture;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_RateSheetFiles::init()
{
    m_fixture = std::make_unique<RateGridFixture>();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
}

void tst_RateSheetFiles::cleanup()
{
    m_fixture.reset();
    m_dir.reset();
}

RatesCommand::Outcome tst_RateSheetFiles::rates(
    const QStringList &arguments, QIODevice *input) const
{
    QStringList all {QStringLiteral("rates")};
    all << arguments.first() << QStringLiteral("--db") << m_fixture->path() << arguments.mid(1);
    return RatesCommand::run(all, input);
}

RatesCommand::Outcome tst_RateSheetFiles::exportTo(const QString &path) const
{
    return rates({QStringLiteral("export"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
        QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path});
}

RatesCommand::Outcome tst_RateSheetFiles::importFrom(const QString &path, QIODevice *input) const
{
    return rates(
        {QStringLiteral("import"), QStringLiteral("--carrier"), QStringLiteral("ACME"),
            QStringLiteral("--kind"), QStringLiteral("weight"), QStringLiteral("--csv"), path},
        input);
}

QByteArray tst_RateSheetFiles::databaseHash() const
{
    return QCryptographicHash::hash(fileBytes(m_fixture->path()), QCryptographicHash::Sha256);
}

using PathMaker = std::function<QString(const QString &folder, const QString &database)>;

void tst_RateSheetFiles::exportRefusedBeforeWriting_data()
{
    QTest::addColumn<PathMaker>("make");
    QTest::addColumn<QString>("reason"); // after the path

    const QString itself = QStringLiteral(" is the database file itself: choose another file");
    const QString companion
        = QStringLiteral(" is a file of the open database: choose another file");
    QTest::newRow("the database") << PathMaker([](const QString &, const QString &db) {
        return db;
    }) << itself;
    QTest::newRow("the database by ..") << PathMaker([](const QString &, const QString &db) {
        const QFileInfo info(db);
        return info.absolutePath() + QStringLiteral("/../") + info.dir().dirName() + u'/'
            + info.fileName();
    }) << itself;
    QTest::newRow("a hard link to the database") << PathMaker(
        [](const QString &folder, const QString &db) {
            const QString link = folder + QStringLiteral("/hard.csv");
            if (::link(QFile::encodeName(db).constData(), QFile::encodeName(link).constData()))
                qFatal("no hard link");
            return link;
        }) << itself;
    QTest::newRow("its journal, not there yet") << PathMaker(
        [](const QString &, const QString &db) { return db + QStringLiteral("-journal"); })
                                                << companion;
    QTest::newRow("its WAL file") << PathMaker([](const QString &, const QString &db) {
        return db + QStringLiteral("-wal");
    }) << companion;
    QTest::newRow("a FIFO")
        << PathMaker([](const QString &folder, const QString &) {
               const QString fifo = folder + QStringLiteral("/fifo.csv");
               if (::mkfifo(QFile::encodeName(fifo).constData(), 0600))
                   qFatal("no FIFO");
               return fifo;
           })
        << QStringLiteral(
               " is not an ordinary file (a device, FIFO or socket): choose another file");
    // A null device of the test's own: a writer that failed to refuse would replace only that.
    QTest::newRow("a device")
        << PathMaker([](const QString &folder, const QString &) {
               const QString device = folder + QStringLiteral("/null.csv");
               if (::mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 3)))
                   return QString();
               return device;
           })
        << QStringLiteral(
               " is not an ordinary file (a device, FIFO or socket): choose another file");
    QTest::newRow("a folder") << PathMaker([](const QString &folder, const QString &) {
        return folder;
    }) << QStringLiteral(" is a folder: choose a file name");
}

void tst_RateSheetFiles::exportRefusedBeforeWriting()
{
    QFETCH(PathMaker, make);
    QFETCH(QString, reason);

    const QString path = make(m_dir->path(), m_fixture->path());
    if (path.isEmpty())
        QSKIP("making a device node needs root");
    const QByteArray before = databaseHash();
    const QStringList besideDatabase = QFileInfo(m_fixture->path()).dir().entryList(QDir::Files);

    const RatesCommand::Outcome outcome = exportTo(path);
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.errors, QStringList {path + reason});
    QCOMPARE(outcome.output, QByteArray());

    // The window's writer refuses the same, with the same words.
    QCOMPARE(RateSheetExport::writeFile(path, "Destination\r\n", m_fixture->path()), path + reason);

    QCOMPARE(databaseHash(), before);
    QCOMPARE(QFileInfo(m_fixture->path()).dir().entryList(QDir::Files), besideDatabase);
}

void tst_RateSheetFiles::failedWriteKeepsTheEarlierFile_data()
{
    QTest::addColumn<bool>("command"); // rouvel rates export, else the window's writer
    QTest::addColumn<bool>("earlier");

    QTest::newRow("rates export, no earlier file") << true << false;
    QTest::newRow("rates export over an earlier file") << true << true;
    QTest::newRow("Export rates, no earlier file") << false << false;
    QTest::newRow("Export rates over an earlier file") << false << true;
}

void tst_RateSheetFiles::failedWriteKeepsTheEarlierFile()
{
    QFETCH(bool, command);
    QFETCH(bool, earlier);

    const QString path = m_dir->filePath(QStringLiteral("acme.csv"));
    const QByteArray earlierBytes = "Destination,Min\r\nCHICAGO,1.00\r\n";
    if (earlier)
        writeFile(path, earlierBytes);
    // The whole sheet, a few hundred bytes, stays in the write buffer: only the flush fails.
    const QByteArray sheet = RateSheetExport::sheet(
        m_fixture->database(), m_fixture->carrier("ACME"), RateKind::Weight);
    QVERIFY(sheet.size() > 100);

    QString error;
    {
        const FileSizeLimit limit(64);
        if (command) {
            const RatesCommand::Outcome outcome = exportTo(path);
            QCOMPARE(outcome.exitCode, 2);
            QCOMPARE(outcome.errors.size(), 1);
            error = outcome.errors.first();
        } else {
            error = RateSheetExport::writeFile(path, sheet, m_fixture->path());
        }
    }
    const QString prefix = command ? QStringLiteral("cannot write %1: ").arg(path) : QString();
    QVERIFY2(error.startsWith(prefix) && error.size() > prefix.size(), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("File too large")), qPrintable(error));
    QVERIFY(!error.contains(u'\n'));

    // The earlier file as it was, or still none, and no temporary beside it.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden),
        earlier ? QStringList {QStringLiteral("acme.csv")} : QStringList {});
    if (earlier)
        QCOMPARE(fileBytes(path), earlierBytes);

    // With room, the same write succeeds.
    if (command)
        QCOMPARE(exportTo(path).exitCode, 0);
    else
        QCOMPARE(RateSheetExport::writeFile(path, sheet, m_fixture->path()), QString());
    QCOMPARE(fileBytes(path), sheet);
}

void tst_RateSheetFiles::formulaNamesGuardedAndRoundTrip()
{
    for (const char *name : {"=1+2", "+CITY", "-CITY", "@CITY", "'QUOTED", "MID=DLE"}) {
        m_fixture->addDestination(QString::fromUtf8(name));
        RecordSet tarifs
            = RecordSet::openTable(m_fixture->database(), QStringLiteral("Tarifs"), true);
        tarifs.addNew();
        tarifs.setField(QStringLiteral("NoTrans"), m_fixture->carrier("ACME"));
        tarifs.setField(
            QStringLiteral("NoDestination"), m_fixture->destination(QString::fromUtf8(name)));
        tarifs.setCurrency(QStringLiteral("LTL"), Currency::fromDouble(15));
        tarifs.update();
    }
    const QString path = m_dir->filePath(QStringLiteral("acme.csv"));
    QCOMPARE(exportTo(path).exitCode, 0);
    const QByteArray exported = fileBytes(path);
    for (const char *line : {"\r\n'=1+2,,15.00,", "\r\n'+CITY,,15.00,", "\r\n'-CITY,,15.00,",
             "\r\n'@CITY,,15.00,", "\r\n''QUOTED,,15.00,", "\r\nMID=DLE,,15.00,"})
        QVERIFY2(exported.contains(line), line);

    const QByteArray before = databaseHash();
    const RatesCommand::Outcome imported = importFrom(path);
    QCOMPARE(imported.errors, QStringList());
    QVERIFY2(imported.output.startsWith("Rates changed: 0\nDestinations newly served: 0\n"
                                        "Destinations created: 0\n"),
        imported.output.constData());
    QCOMPARE(databaseHash(), before);

    QCOMPARE(exportTo(path).exitCode, 0);
    QCOMPARE(fileBytes(path), exported);
}

void tst_RateSheetFiles::guardedNamesImported_data()
{
    QTest::addColumn<QByteArray>("sheet");
    QTest::addColumn<QStringList>("errors"); // after "FILE: "; empty: imported
    QTest::addColumn<QString>("created");

    QTest::newRow("a guarded formula") << QByteArray("Destination,LTL\r\n'=HYPERLINK(1),3\r\n")
                                       << QStringList {} << "=HYPERLINK(1)";
    QTest::newRow("one apostrophe of two")
        << QByteArray("Destination,LTL\r\n''NEW,3\r\n") << QStringList {} << "'NEW";
    QTest::newRow("an apostrophe alone")
        << QByteArray("Destination,LTL\r\n',3\r\n")
        << QStringList {"line 2, column A (Destination): \"'\" is no destination name",
               "refused (1 problem); nothing was written"}
        << "";
    QTest::newRow("a name twice, guarded once")
        << QByteArray("Destination,LTL\r\nCHICAGO,3\r\n'chicago,4\r\n")
        << QStringList {"line 3, column A (Destination): \"'chicago\" is already on line 2",
               "refused (1 problem); nothing was written"}
        << "";
}

void tst_RateSheetFiles::guardedNamesImported()
{
    QFETCH(QByteArray, sheet);
    QFETCH(QStringList, errors);
    QFETCH(QString, created);

    const QString path = m_dir->filePath(QStringLiteral("in.csv"));
    writeFile(path, sheet);
    const QByteArray before = databaseHash();
    const RatesCommand::Outcome outcome = importFrom(path);
    QStringList expected;
    for (const QString &error : std::as_const(errors))
        expected << (error.startsWith(u'r') ? path + u' ' : path + QStringLiteral(": ")) + error;
    QCOMPARE(outcome.errors, expected);
    if (!errors.isEmpty()) {
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(databaseHash(), before);
        return;
    }
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY2(outcome.output.contains("Destinations created: 1\n"), outcome.output.constData());
    QCOMPARE(
        m_fixture->stored("ACME", created, QStringLiteral("LTL")).first, QVariant(qint64(30000)));
}

void tst_RateSheetFiles::unboundedInputsRefused_data()
{
    QTest::addColumn<PathMaker>("make");
    QTest::addColumn<QString>("cause");

    const QString notOrdinary
        = QStringLiteral("it is not an ordinary file (a device, FIFO or socket)");
    const QString tooLarge
        = QStringLiteral("it is larger than 64 MiB, the most this command reads");
    QTest::newRow("/dev/zero") << PathMaker([](const QString &, const QString &) {
        return QStringLiteral("/dev/zero");
    }) << notOrdinary;
    QTest::newRow("a FIFO nobody writes to") << PathMaker(
        [](const QString &folder, const QString &) {
            const QString fifo = folder + QStringLiteral("/fifo.csv");
            if (::mkfifo(QFile::encodeName(fifo).constData(), 0600))
                qFatal("no FIFO");
            return fifo;
        }) << notOrdinary;
    QTest::newRow("a folder") << PathMaker([](const QString &folder, const QString &) {
        return folder;
    }) << QStringLiteral("it is a folder, not a file");
    QTest::newRow("a file over the limit") << PathMaker([](const QString &folder, const QString &) {
        const QString sparse = folder + QStringLiteral("/huge.csv");
        QFile file(sparse);
        if (!file.open(QIODevice::WriteOnly) || !file.resize(InputFile::RateSheetLimit + 1))
            qFatal("no sparse file");
        return sparse;
    }) << tooLarge;
}

void tst_RateSheetFiles::unboundedInputsRefused()
{
    QFETCH(PathMaker, make);
    QFETCH(QString, cause);

    const QString path = make(m_dir->path(), m_fixture->path());
    const QByteArray before = databaseHash();
    const RatesCommand::Outcome outcome = importFrom(path);
    QCOMPARE(outcome.exitCode, 2);
    QCOMPARE(outcome.errors, QStringList {QStringLiteral("cannot read %1: %2").arg(path, cause)});
    QCOMPARE(databaseHash(), before);
}

void tst_RateSheetFiles::inputLimitIsExact()
{
    const QString path = m_dir->filePath(QStringLiteral("ten.csv"));
    writeFile(path, "0123456789");
    QCOMPARE(InputFile::read(path, 10).bytes, QByteArray("0123456789"));
    QCOMPARE(InputFile::read(path, 9).cause,
        QStringLiteral("it is larger than 9 bytes, the most this command reads"));

    QByteArray data("0123456789");
    QBuffer input(&data);
    QVERIFY(input.open(QIODevice::ReadOnly));
    QCOMPARE(InputFile::read(QStringLiteral("-"), 10, &input).bytes, data);
    QVERIFY(input.seek(0));
    const InputFile::Reading over = InputFile::read(QStringLiteral("-"), 9, &input);
    QCOMPARE(over.cause, QStringLiteral("it is larger than 9 bytes, the most this command reads"));
    QCOMPARE(over.bytes, QByteArray());

    // Standard input through the command, as "--csv -".
    QByteArray sheet("Destination,LTL\r\nCHICAGO,12\r\n");
    QBuffer sheetInput(&sheet);
    QVERIFY(sheetInput.open(QIODevice::ReadOnly));
    const RatesCommand::Outcome outcome = importFrom(QStringLiteral("-"), &sheetInput);
    QCOMPARE(outcome.errors, QStringList());
    QVERIFY(outcome.output.startsWith("Rates changed: 1\n"));
}

QTEST_GUILESS_MAIN(tst_RateSheetFiles)
#include "tst_ratesheetfiles.moc"

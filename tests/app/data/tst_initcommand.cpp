#include "DatabaseStartup.h"
#include "FileContents.h"
#include "FileSizeLimit.h"
#include "cli/InitCommand.h"
#include "data/NewFileTemporary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// What rouvel init leaves when it cannot finish (a full disk, a kill), and what the next init or
// start of the program clears.
class tst_InitCommand : public QObject
{
    Q_OBJECT
private slots:
    void fullDiskLeavesNoFile_data();
    void fullDiskLeavesNoFile();
    void leftoversOfGoneProcessesRemoved_data();
    void leftoversOfGoneProcessesRemoved();
    void temporaryNameCarriesTheProcess();
};

namespace {

// The id of a process that has ended: a child that ran and was reaped.
qint64 gonePid()
{
    QProcess child;
    child.start(QStringLiteral("true"), {});
    if (!child.waitForStarted() || !child.waitForFinished())
        qFatal("cannot run true");
    return child.processId();
}

int runInit(const QString &path, QString *errors)
{
    QString out;
    QTextStream outStream(&out);
    QTextStream errStream(errors);
    return runInitCommand(
        {QStringLiteral("init"), QStringLiteral("--db"), path}, outStream, errStream);
}

} // namespace

void tst_InitCommand::fullDiskLeavesNoFile_data()
{
    QTest::addColumn<bool>("earlier");
    QTest::newRow("no earlier file") << false;
    QTest::newRow("an earlier file") << true;
}

void tst_InitCommand::fullDiskLeavesNoFile()
{
    QFETCH(bool, earlier);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("rouvel.rvl"));
    const QByteArray earlierBytes = "an earlier file, not to be touched";
    if (earlier)
        writeFile(path, earlierBytes);

    QString errors;
    int exitCode = 0;
    {
        // A schema needs several pages; writes past the first fail with EFBIG.
        const FileSizeLimit limit(4096);
        QVERIFY(limit.active());
        exitCode = runInit(path, &errors);
    }
    QCOMPARE(exitCode, 2);
    QVERIFY2(errors.startsWith(QStringLiteral("rouvel init: %1: ").arg(path)), qPrintable(errors));
    QCOMPARE(errors.count(u'\n'), 1);
    QVERIFY2(errors.endsWith(u'\n'), qPrintable(errors));

    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
        earlier ? QStringList {QStringLiteral("rouvel.rvl")} : QStringList {});
    if (earlier)
        QCOMPARE(fileBytes(path), earlierBytes);
    else
        QCOMPARE(runInit(path, &errors), 0); // with room, it is made
}

void tst_InitCommand::leftoversOfGoneProcessesRemoved_data()
{
    QTest::addColumn<bool>("programStart"); // else rouvel init
    QTest::newRow("rouvel init") << false;
    QTest::newRow("program start") << true;
}

void tst_InitCommand::leftoversOfGoneProcessesRemoved()
{
    QFETCH(bool, programStart);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("rouvel.rvl"));
    const QString gone = QString::number(gonePid());
    const QString live = QString::number(QCoreApplication::applicationPid());
    const QStringList removed {"rouvel.rvl.new-" + gone + "-0123abcd",
        "rouvel.rvl.new-" + gone + "-0123abcd-journal", "rouvel.rvl.new-" + gone + "-fedc3210-wal"};
    const QStringList kept {"rouvel.rvl.new-" + live + "-89abcdef", // still being built
        "rouvel.rvl.new-" + live + "-89abcdef-journal", "other.rvl.new-" + gone + "-0123abcd",
        "rouvel.rvl.new-" + gone + "-0123abcd.csv", "rouvel.rvl.new-" + gone};
    for (const QString &name : removed + kept)
        writeFile(dir.filePath(name), "leftover");

    if (programStart) {
        QVERIFY(DatabaseStartup::ensureReady(
            path, [] { return DatabaseStartup::Choice::CreateEmpty; },
            [](const QString &message) { QFAIL(qPrintable(message)); }));
    } else {
        QString errors;
        QCOMPARE(runInit(path, &errors), 0);
        QCOMPARE(errors, QString());
    }

    QStringList expected = kept;
    expected << QStringLiteral("rouvel.rvl");
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name), expected);
    // An existing database: the next start clears what appeared since.
    writeFile(dir.filePath(removed.first()), "leftover");
    if (programStart)
        QVERIFY(DatabaseStartup::ensureReady(
            path, [] { return DatabaseStartup::Choice::Quit; },
            [](const QString &message) { QFAIL(qPrintable(message)); }));
    else
        NewFileTemporary::removeLeftovers(path);
    QVERIFY(!QFile::exists(dir.filePath(removed.first())));
}

void tst_InitCommand::temporaryNameCarriesTheProcess()
{
    const QString name = NewFileTemporary::nameFor(QStringLiteral("/data/rouvel.rvl"));
    const QString prefix
        = QStringLiteral("/data/rouvel.rvl.new-%1-").arg(QCoreApplication::applicationPid());
    QVERIFY2(name.startsWith(prefix) && name.size() == prefix.size() + 8, qPrintable(name));
    QVERIFY(name != NewFileTemporary::nameFor(QStringLiteral("/data/rouvel.rvl")));
}

QTEST_GUILESS_MAIN(tst_InitCommand)
#include "tst_initcommand.moc"

#include "AppPaths.h"
#include "HelpWindow.h"
#include "ModRouvel.h"
#include "cli/InitCommand.h"
#include "cli/QuoteCommand.h"
#include "data/Database.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextStream>

// Where rouvel finds its database and guide, and the commands that use that choice.
class tst_AppPaths : public QObject
{
    Q_OBJECT

private slots:
    void database_data();
    void database();
    void guide_data();
    void guide();
    void foldersMadeWithTheFile();
    void foldersOnlyInTheUserDataFolder();
    void folderThatCannotBeMade();
    void startOptions_data();
    void startOptions();
    void helpNamesTheFiles();
    void initWithoutDb_data();
    void initWithoutDb();
    void quoteWithoutDb();
    void helpWindowNamesTheDatabase();

private:
    // @ stands for the temporary folder of the test.
    static QString expand(QString text, const QTemporaryDir &dir)
    {
        return text.replace(QLatin1Char('@'), dir.path());
    }
    static void touch(const QString &path)
    {
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
    }
};

void tst_AppPaths::database_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("environment");
    QTest::addColumn<QString>("dataHome");
    QTest::addColumn<QStringList>("besideProgram"); // files in the program's folder
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("source");

    using S = AppPaths::Source;
    const QStringList both {"rouvel.rvl", "rouvel.hlp"};
    QTest::newRow("--db first") << "@/office/shared.rvl"
                                << "@/env.rvl"
                                << "@/data" << both << "@/office/shared.rvl" << int(S::Option);
    QTest::newRow("--db made absolute")
        << "office/shared.rvl"
        << ""
        << "" << QStringList() << QDir::current().absoluteFilePath("office/shared.rvl")
        << int(S::Option);
    QTest::newRow("ROUVEL_DB before the program's folder")
        << ""
        << "@/env.rvl"
        << "@/data" << both << "@/env.rvl" << int(S::Environment);
    QTest::newRow("database beside the program")
        << ""
        << ""
        << "@/data" << QStringList {"rouvel.rvl"} << "@/bin/rouvel.rvl" << int(S::ProgramFolder);
    QTest::newRow("guide beside the program: a build or portable copy")
        << ""
        << ""
        << "@/data" << QStringList {"rouvel.hlp"} << "@/bin/rouvel.rvl" << int(S::ProgramFolder);
    QTest::newRow("installed: XDG_DATA_HOME")
        << ""
        << ""
        << "@/data" << QStringList() << "@/data/rouvel/rouvel.rvl" << int(S::UserData);
    QTest::newRow("installed: XDG_DATA_HOME unset")
        << ""
        << ""
        << "" << QStringList() << "@/home/.local/share/rouvel/rouvel.rvl" << int(S::UserData);
    QTest::newRow("installed: relative XDG_DATA_HOME is ignored")
        << ""
        << ""
        << "data" << QStringList() << "@/home/.local/share/rouvel/rouvel.rvl" << int(S::UserData);
    QTest::newRow("a folder named rouvel.rvl is no database")
        << ""
        << ""
        << "@/data" << QStringList {"rouvel.rvl/"} << "@/data/rouvel/rouvel.rvl"
        << int(S::UserData);
}

void tst_AppPaths::database()
{
    QFETCH(QString, option);
    QFETCH(QString, environment);
    QFETCH(QString, dataHome);
    QFETCH(QStringList, besideProgram);
    QFETCH(QString, expected);
    QFETCH(int, source);

    QTemporaryDir dir;
    QVERIFY(QDir().mkpath(dir.filePath("bin")));
    for (const QString &name : std::as_const(besideProgram)) {
        if (name.endsWith(u'/'))
            QVERIFY(QDir().mkpath(dir.filePath("bin/" + name)));
        else
            touch(dir.filePath("bin/" + name));
    }
    AppPaths::Context context;
    context.programFolder = dir.filePath("bin");
    context.environmentDb = expand(environment, dir);
    context.dataHome = expand(dataHome, dir);
    context.home = dir.filePath("home");

    const AppPaths::DatabaseLocation location = AppPaths::database(expand(option, dir), context);
    QCOMPARE(location.path, expand(expected, dir));
    QCOMPARE(int(location.source), source);
    // Choosing makes nothing.
    QVERIFY(!QFileInfo::exists(dir.filePath("data")));
    QVERIFY(!QFileInfo::exists(dir.filePath("home")));
}

void tst_AppPaths::guide_data()
{
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");

    QTest::newRow("beside the program first")
        << QStringList {"bin/rouvel.hlp", "share/rouvel/rouvel.hlp"} << "@/bin/rouvel.hlp";
    QTest::newRow("installed") << QStringList {"share/rouvel/rouvel.hlp", "data/rouvel/rouvel.hlp"}
                               << "@/share/rouvel/rouvel.hlp";
    QTest::newRow("a later data folder")
        << QStringList {"data/rouvel/rouvel.hlp"} << "@/data/rouvel/rouvel.hlp";
    QTest::newRow("none: where the installed one belongs")
        << QStringList() << "@/share/rouvel/rouvel.hlp";
}

void tst_AppPaths::guide()
{
    QFETCH(QStringList, files);
    QFETCH(QString, expected);

    QTemporaryDir dir;
    for (const QString &file : std::as_const(files))
        touch(dir.filePath(file));
    AppPaths::Context context;
    context.programFolder = dir.filePath("bin");
    context.guideFolders
        = QStringList {dir.filePath("bin/../share/rouvel"), dir.filePath("data/rouvel")};
    QCOMPARE(AppPaths::guide(context), expand(expected, dir));
}

void tst_AppPaths::foldersMadeWithTheFile()
{
    QTemporaryDir dir;
    const AppPaths::DatabaseLocation location {
        dir.filePath("home/.local/share/rouvel/rouvel.rvl"), AppPaths::Source::UserData};
    QString error;
    const QStringList made = AppPaths::makeFolders(location, &error);
    QVERIFY2(error.isEmpty(), qPrintable(error));
    QCOMPARE(made,
        QStringList({dir.filePath("home"), dir.filePath("home/.local"),
            dir.filePath("home/.local/share"), dir.filePath("home/.local/share/rouvel")}));
    const QFile::Permissions others = QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup
        | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFileInfo(made.last()).permissions() & others, QFile::Permissions());
    QVERIFY(AppPaths::makeFolders(location).isEmpty()); // already there

    // Nothing created in them: all go again.
    AppPaths::removeFolders(made);
    QVERIFY(!QFileInfo::exists(dir.filePath("home")));

    // A file made meanwhile keeps its folder and those above it.
    const QStringList again = AppPaths::makeFolders(location);
    touch(dir.filePath("home/.local/keep"));
    AppPaths::removeFolders(again);
    QVERIFY(!QFileInfo::exists(dir.filePath("home/.local/share")));
    QVERIFY(QFileInfo::exists(dir.filePath("home/.local/keep")));
}

void tst_AppPaths::foldersOnlyInTheUserDataFolder()
{
    QTemporaryDir dir;
    for (const auto source : {AppPaths::Source::Option, AppPaths::Source::Environment,
             AppPaths::Source::ProgramFolder}) {
        const AppPaths::DatabaseLocation location {dir.filePath("office/rouvel.rvl"), source};
        QVERIFY(AppPaths::makeFolders(location).isEmpty());
        QVERIFY(!QFileInfo::exists(dir.filePath("office")));
    }
}

void tst_AppPaths::folderThatCannotBeMade()
{
    QTemporaryDir dir;
    touch(dir.filePath("data")); // a file where the folder should be
    const AppPaths::DatabaseLocation location {
        dir.filePath("data/rouvel/rouvel.rvl"), AppPaths::Source::UserData};
    QString error;
    QVERIFY(AppPaths::makeFolders(location, &error).isEmpty());
    QVERIFY2(error.contains(dir.filePath("data")), qPrintable(error));
    QVERIFY(QFileInfo(dir.filePath("data")).isFile());
}

void tst_AppPaths::startOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("dbOption");
    QTest::addColumn<bool>("help");
    QTest::addColumn<QString>("error");

    QTest::newRow("none") << QStringList() << "" << false << "";
    QTest::newRow("--db FILE") << QStringList {"--db", "/srv/office.rvl"} << "/srv/office.rvl"
                               << false << "";
    QTest::newRow("--db=FILE") << QStringList {"--db=/srv/office.rvl"} << "/srv/office.rvl" << false
                               << "";
    QTest::newRow("Qt's options are left alone")
        << QStringList {"-style", "fusion", "--db", "a.rvl"} << "a.rvl" << false << "";
    QTest::newRow("help shows the file")
        << QStringList {"--db", "a.rvl", "--help"} << "a.rvl" << true << "";
    QTest::newRow("no value") << QStringList {"--db"} << "" << false << "--db needs a file name";
    QTest::newRow("empty value") << QStringList {"--db="} << "" << false
                                 << "--db needs a file name";
    QTest::newRow("option as value")
        << QStringList {"--db", "--help"} << "" << false << "--db needs a file name";
    QTest::newRow("twice") << QStringList {"--db", "a.rvl", "--db=b.rvl"} << "a.rvl" << false
                           << "--db is given twice";
}

void tst_AppPaths::startOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, dbOption);
    QFETCH(bool, help);
    QFETCH(QString, error);

    const AppPaths::StartOptions options = AppPaths::parseStartOptions(arguments);
    QCOMPARE(options.error, error);
    if (error.isEmpty()) {
        QCOMPARE(options.dbOption, dbOption);
        QCOMPARE(options.help, help);
    }
}

void tst_AppPaths::helpNamesTheFiles()
{
    QTemporaryDir dir;
    touch(dir.filePath("share/rouvel/rouvel.hlp"));
    AppPaths::Context context;
    context.programFolder = dir.filePath("bin");
    context.home = dir.filePath("home");
    context.guideFolders = QStringList {dir.filePath("share/rouvel")};

    const QString text = AppPaths::helpText(QString(), context);
    QVERIFY2(text.contains("Database file: " + dir.filePath("home/.local/share/rouvel/rouvel.rvl")
                 + " (in the user's data folder)"),
        qPrintable(text));
    QVERIFY2(text.contains("User guide:    " + dir.filePath("share/rouvel/rouvel.hlp")),
        qPrintable(text));
    const QString given = AppPaths::helpText(dir.filePath("office.rvl"), context);
    QVERIFY2(given.contains(dir.filePath("office.rvl") + " (given with --db)"), qPrintable(given));
}

void tst_AppPaths::initWithoutDb_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("fallback");
    QTest::addColumn<int>("source");
    QTest::addColumn<QString>("created"); // empty: nothing is written
    QTest::addColumn<QString>("errorPart");

    using S = AppPaths::Source;
    QTest::newRow("user data folder made with the file")
        << QStringList {"init", "--sample"} << "@/data/rouvel/rouvel.rvl" << int(S::UserData)
        << "@/data/rouvel/rouvel.rvl"
        << "";
    QTest::newRow("ROUVEL_DB: its folder is not made")
        << QStringList {"init"} << "@/office/rouvel.rvl" << int(S::Environment) << ""
        << "folder does not exist";
    QTest::newRow("--db before the fallback")
        << QStringList {"init", "--db", "@/given.rvl"} << "@/data/rouvel/rouvel.rvl"
        << int(S::UserData) << "@/given.rvl"
        << "";
    QTest::newRow("existing file: folders left as they were")
        << QStringList {"init"} << "@/existing/rouvel/rouvel.rvl" << int(S::UserData) << ""
        << "already exists";
}

void tst_AppPaths::initWithoutDb()
{
    QFETCH(QStringList, arguments);
    QFETCH(QString, fallback);
    QFETCH(int, source);
    QFETCH(QString, created);
    QFETCH(QString, errorPart);

    QTemporaryDir dir;
    touch(dir.filePath("existing/rouvel/rouvel.rvl"));
    for (QString &argument : arguments)
        argument = expand(argument, dir);
    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QString outText;
    QString errText;
    QTextStream out(&outText);
    QTextStream err(&errText);
    const AppPaths::DatabaseLocation location {expand(fallback, dir), AppPaths::Source(source)};
    const int exitCode = runInitCommand(arguments, out, err, location);
    QVERIFY2(errText.contains(errorPart), qPrintable(errText));
    QCOMPARE(exitCode, created.isEmpty() ? 2 : 0);
    if (created.isEmpty()) {
        QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);
        return;
    }
    QVERIFY2(outText.contains(expand(created, dir)), qPrintable(outText));
    QVERIFY(Database::inspect(expand(created, dir)).ok());
}

void tst_AppPaths::quoteWithoutDb()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("office.rvl");
    Database::create(path, true);

    const QByteArray saved = qgetenv("ROUVEL_DB");
    qputenv("ROUVEL_DB", QFile::encodeName(path));
    const QuoteCommand::Outcome quoted = QuoteCommand::run(
        {"quote", "--weight", "1200", "--pallets", "3", "--destination", "NEW YORK", "--json"});
    const QuoteCommand::Outcome unknown = QuoteCommand::run({"quote", "--destination", "NOWHERE"});
    const QuoteCommand::Outcome empty
        = QuoteCommand::run({"quote", "--db", "", "--destination", "NEW YORK"});
    if (saved.isNull())
        qunsetenv("ROUVEL_DB");
    else
        qputenv("ROUVEL_DB", saved);

    QCOMPARE(quoted.exitCode, 0);
    QVERIFY(quoted.output.contains("\"title\""));
    QCOMPARE(unknown.exitCode, QuoteCommand::UsageOrDataError);
    QVERIFY2(unknown.error.contains(path), qPrintable(unknown.error));
    QCOMPARE(empty.exitCode, QuoteCommand::UsageOrDataError);
    QVERIFY2(empty.error.contains("--db needs a file name"), qPrintable(empty.error));
}

void tst_AppPaths::helpWindowNamesTheDatabase()
{
    QTemporaryDir dir;
    const QString guide = dir.filePath("share/rouvel/rouvel.hlp");
    touch(guide);
    QFile file(guide);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("<html><body><h1><a name=\"contents\"></a>Contents</h1></body></html>");
    file.close();

    const QString dbBefore = ModRouvel::dbPath;
    const QString helpBefore = ModRouvel::helpPath;
    ModRouvel::dbPath = dir.filePath("office/shared.rvl");
    ModRouvel::helpPath = guide;
    HelpWindow::showContents(nullptr);
    HelpWindow *window = nullptr;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (auto *help = qobject_cast<HelpWindow *>(widget))
            window = help;
    }
    QVERIFY(window);
    QCOMPARE(
        window->databaseLabel()->text(), "Database file: " + dir.filePath("office/shared.rvl"));
    QVERIFY(window->databaseLabel()->isVisible());
    window->close();
    ModRouvel::dbPath = dbBefore;
    ModRouvel::helpPath = helpBefore;
}

QTEST_MAIN(tst_AppPaths)
#include "tst_apppaths.moc"

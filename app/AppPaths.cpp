#include "AppPaths.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString DatabaseName = QStringLiteral("rouvel.rvl");
const QString GuideName = QStringLiteral("rouvel.hlp");

QString inFolder(const QString &folder, const QString &name)
{
    return QDir::cleanPath(folder + QLatin1Char('/') + name);
}

bool isFile(const QString &path) { return QFileInfo(path).isFile(); }

} // namespace

AppPaths::Context AppPaths::current()
{
    Context context;
    context.programFolder = QCoreApplication::applicationDirPath();
    context.environmentDb = qEnvironmentVariable("ROUVEL_DB");
    context.dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    context.home = QDir::homePath();
    // Relative to the program, so an installation moved to another prefix still finds its guide.
    context.guideFolders << inFolder(context.programFolder, QStringLiteral(ROUVEL_GUIDE_FROM_BIN));
    const QStringList dataFolders
        = QStandardPaths::standardLocations(QStandardPaths::GenericDataLocation);
    for (const QString &folder : dataFolders)
        context.guideFolders << inFolder(folder, QStringLiteral("rouvel"));
    return context;
}

AppPaths::DatabaseLocation AppPaths::database(const QString &dbOption, const Context &context)
{
    if (!dbOption.isEmpty())
        return {QFileInfo(dbOption).absoluteFilePath(), Source::Option};
    if (!context.environmentDb.isEmpty())
        return {QFileInfo(context.environmentDb).absoluteFilePath(), Source::Environment};
    if (!context.programFolder.isEmpty()) {
        const QString beside = inFolder(context.programFolder, DatabaseName);
        if (isFile(beside) || isFile(inFolder(context.programFolder, GuideName)))
            return {beside, Source::ProgramFolder};
    }
    // A relative XDG_DATA_HOME is invalid and ignored, as the XDG base directories say.
    QString dataHome = context.dataHome;
    if (dataHome.isEmpty() || QDir::isRelativePath(dataHome))
        dataHome = inFolder(context.home, QStringLiteral(".local/share"));
    return {inFolder(dataHome, QStringLiteral("rouvel/") + DatabaseName), Source::UserData};
}

AppPaths::DatabaseLocation AppPaths::database(const QString &dbOption)
{
    return database(dbOption, current());
}

QString AppPaths::guide(const Context &context)
{
    const QString beside = inFolder(context.programFolder, GuideName);
    if (isFile(beside))
        return beside;
    for (const QString &folder : context.guideFolders) {
        const QString installed = inFolder(folder, GuideName);
        if (isFile(installed))
            return installed;
    }
    // None found: the place it belongs, so the message for a missing guide names it.
    return context.guideFolders.isEmpty() ? beside
                                          : inFolder(context.guideFolders.first(), GuideName);
}

QString AppPaths::guide() { return guide(current()); }

QStringList AppPaths::makeFolders(const DatabaseLocation &location, QString *error)
{
    if (location.source != Source::UserData)
        return {};
    QStringList missing;
    for (QString folder = QFileInfo(location.path).absolutePath(); !QFileInfo::exists(folder);) {
        missing.prepend(folder);
        const QString parent = QFileInfo(folder).path();
        if (parent == folder)
            break;
        folder = parent;
    }
    QStringList made;
    for (const QString &folder : std::as_const(missing)) {
        // The user's data stays the user's: 0700, as the XDG base directories ask.
        if (!QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner)) {
            if (error)
                *error = QStringLiteral("cannot create the folder %1")
                             .arg(QDir::toNativeSeparators(folder));
            break;
        }
        made << folder;
    }
    return made;
}

void AppPaths::removeFolders(const QStringList &folders)
{
    for (auto folder = folders.crbegin(); folder != folders.crend(); ++folder) {
        // rmdir leaves a folder that is no longer empty, and so every folder above it.
        if (!QDir().rmdir(*folder))
            return;
    }
}

QString AppPaths::sourceText(Source source)
{
    switch (source) {
    case Source::Option:
        return QStringLiteral("given with --db");
    case Source::Environment:
        return QStringLiteral("given by ROUVEL_DB");
    case Source::ProgramFolder:
        return QStringLiteral("beside the program");
    case Source::UserData:
        break;
    }
    return QStringLiteral("in the user's data folder");
}

AppPaths::StartOptions AppPaths::parseStartOptions(const QStringList &arguments)
{
    StartOptions options;
    bool hasDb = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString value;
        if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
            continue;
        }
        if (argument == QLatin1String("--version")) {
            options.version = true;
            continue;
        }
        if (argument == QLatin1String("--db")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).startsWith(QLatin1String("--"))) {
                options.error = QStringLiteral("--db needs a file name");
                return options;
            }
            value = arguments.at(++i);
        } else if (argument.startsWith(QLatin1String("--db="))) {
            value = argument.mid(5);
            if (value.isEmpty()) {
                options.error = QStringLiteral("--db needs a file name");
                return options;
            }
        } else {
            continue; // Qt's own options (-platform, -style ...)
        }
        if (hasDb) {
            options.error = QStringLiteral("--db is given twice");
            return options;
        }
        hasDb = true;
        options.dbOption = value;
    }
    return options;
}

QString AppPaths::helpText(const QString &dbOption, const Context &context)
{
    const DatabaseLocation location = database(dbOption, context);
    return QStringLiteral(
        "usage: rouvel [--db FILE]                     start the windows\n"
        "       rouvel init [--db FILE] [--sample]     write a new database file\n"
        "       rouvel quote [--db FILE] ...           one evaluation, as JSON\n"
        "       rouvel bol ...                         one bill of lading, as PDF\n"
        "       rouvel rates export|import ...         a carrier's rate sheet, as CSV\n"
        "       rouvel customers [--db FILE] --json    the customers, as JSON\n"
        "       rouvel --help | --version\n"
        "quote, bol and rates given without options list them.\n"
        "\n"
        "Database file: %1 (%2)\n"
        "User guide:    %3\n"
        "\n"
        "The database file is the one given with --db, else the one named by the environment\n"
        "variable ROUVEL_DB, else rouvel.rvl beside the program when the program's folder holds\n"
        "it or the guide, else $XDG_DATA_HOME/rouvel/rouvel.rvl (~/.local/share/rouvel/ when\n"
        "XDG_DATA_HOME is not set).\n")
        .arg(QDir::toNativeSeparators(location.path), sourceText(location.source),
            QDir::toNativeSeparators(guide(context)));
}

#pragma once

#include <QString>
#include <QStringList>

// Where rouvel finds its two files, for the windows and for every command alike.
//
// The database: the file named by --db, else the file named by ROUVEL_DB, else rouvel.rvl in
// the program's folder when that folder already holds rouvel.rvl or the guide rouvel.hlp (a
// development build, a portable copy, an older installation), else rouvel.rvl in the user's
// data folder, $XDG_DATA_HOME/rouvel (~/.local/share/rouvel when unset). An installed program
// thus never writes beside itself.
//
// The guide: rouvel.hlp beside the program, else the installed one (share/rouvel).
class AppPaths
{
public:
    enum class Source { Option, Environment, ProgramFolder, UserData };

    struct DatabaseLocation
    {
        QString path; // absolute
        Source source = Source::UserData;
    };

    // What the choice depends on; current() reads it from the running process.
    struct Context
    {
        QString programFolder;
        QString environmentDb; // ROUVEL_DB
        QString dataHome; // XDG_DATA_HOME
        QString home;
        QStringList guideFolders; // where an installed guide may be, best first
    };

    static Context current();

    // dbOption: the value given with --db, empty when none was given.
    static DatabaseLocation database(const QString &dbOption, const Context &context);
    static DatabaseLocation database(const QString &dbOption = QString());

    static QString guide(const Context &context);
    static QString guide();

    // Makes the missing folders above a database file in the user's data folder, which is
    // created with the file; for other sources the folder is the user's business and nothing
    // is made. Returns the folders made, outermost first, for removeFolders(). error is set
    // when a folder could not be made.
    static QStringList makeFolders(const DatabaseLocation &location, QString *error = nullptr);
    // Removes those of the folders that are still empty, innermost first.
    static void removeFolders(const QStringList &folders);

    static QString sourceText(Source source);

    // The options of a start with windows: --db FILE (or --db=FILE), --help, --version. Other
    // arguments are left to Qt.
    struct StartOptions
    {
        QString dbOption;
        bool help = false;
        bool version = false;
        QString error; // one line; the start must end with status 2
    };
    static StartOptions parseStartOptions(const QStringList &arguments);

    // What `rouvel --help` prints: the commands and the files this start would use.
    static QString helpText(const QString &dbOption, const Context &context);
};

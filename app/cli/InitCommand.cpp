#include "cli/InitCommand.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "data/NewFileTemporary.h"

#include <QDir>
#include <QTextStream>

#include <cstdio>

namespace {

constexpr int ExitOk = 0;
constexpr int ExitError = 2;

const char Usage[] = "usage: rouvel init [--db FILE] [--sample]";

} // namespace

bool isInitCommand(const QStringList &arguments)
{
    return !arguments.isEmpty() && arguments.first() == QLatin1String("init");
}

int runInitCommand(const QStringList &arguments, QTextStream &out, QTextStream &err,
    const AppPaths::DatabaseLocation &fallback)
{
    if (!isInitCommand(arguments)) {
        err << Usage << Qt::endl;
        return ExitError;
    }
    QString path;
    bool hasDb = false;
    bool sample = false;
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--sample")) {
            sample = true;
        } else if (argument == QLatin1String("--db") && !hasDb) {
            // "--db --sample" names no file: creating one called "--sample" would be a surprise.
            if (i + 1 >= arguments.size() || arguments[i + 1].startsWith(QLatin1String("--"))) {
                err << "rouvel init: --db needs a file name\n" << Usage << Qt::endl;
                return ExitError;
            }
            path = arguments[++i];
            hasDb = true;
        } else if (argument.startsWith(QLatin1String("--db=")) && !hasDb) {
            path = argument.mid(5);
            hasDb = true;
        } else {
            err << "rouvel init: unexpected argument \"" << argument << "\"\n" << Usage << Qt::endl;
            return ExitError;
        }
    }
    QStringList madeFolders;
    if (!hasDb && !fallback.path.isEmpty()) {
        path = fallback.path;
        QString problem;
        madeFolders = AppPaths::makeFolders(fallback, &problem);
        if (!problem.isEmpty()) {
            AppPaths::removeFolders(madeFolders);
            err << "rouvel init: " << problem << Qt::endl;
            return ExitError;
        }
    }
    if (path.isEmpty()) {
        err << "rouvel init: the database file is missing (--db FILE)\n" << Usage << Qt::endl;
        return ExitError;
    }
    // What an earlier, killed init left behind.
    NewFileTemporary::removeLeftovers(path);
    try {
        Database::create(path, sample);
    } catch (const DataError &error) {
        AppPaths::removeFolders(madeFolders);
        err << "rouvel init: " << error.message() << Qt::endl;
        return ExitError;
    }
    out << "Created " << QDir::toNativeSeparators(path) << (sample ? " with the sample data." : ".")
        << Qt::endl;
    return ExitOk;
}

int runInitCommand(const QStringList &arguments)
{
    QTextStream out(stdout);
    QTextStream err(stderr);
    return runInitCommand(arguments, out, err, AppPaths::database());
}

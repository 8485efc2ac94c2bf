#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// rouvel quote [--db FILE] --weight TEXT --pallets TEXT --destination NAME
//              [--pick weight:N | --pick pallet:N] --json
//
// One evaluation of the main window without a window, for scripts: the same lookups, the same
// choice of the price to display and the same picks, written as one JSON object. The file is
// only read; without --db it is the one the windows would use (AppPaths).
class QuoteCommand
{
public:
    static constexpr int UsageOrDataError = 2;

    struct Outcome
    {
        int exitCode = 0;
        QByteArray output; // the JSON object, when exitCode is 0
        QString error; // one line for stderr otherwise
    };

    // arguments: what follows the word "quote" (a leading "quote" is skipped).
    static Outcome run(const QStringList &arguments);

    static QString usage();
};

// Runs the command, prints its output or error and returns the exit code. Needs the application
// object main() makes for it: the SQL driver is a plugin, and plugins load only under one.
int runQuoteCommand(const QStringList &arguments);

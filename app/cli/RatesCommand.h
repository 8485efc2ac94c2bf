#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// rouvel rates export [--db FILE] --carrier NAME --kind weight|pallet --csv OUT
// rouvel rates import [--db FILE] --carrier NAME --kind weight|pallet --csv IN [--dry-run]
//
// A carrier's rate sheet without the rate window: the same columns, the same rates and the same
// import as its "Export rates…" and "Import rates…". "-" as the file is standard output or input.
// An import is checked whole before anything is written; its summary is printed first.
class RatesCommand
{
public:
    static constexpr int UsageOrDataError = 2;

    struct Outcome
    {
        int exitCode = 0;
        QByteArray output; // for stdout: the sheet (export to "-") or the import's summary
        QStringList errors; // lines for stderr when exitCode is not 0
    };

    // arguments: what follows the word "rates" (a leading "rates" is skipped). standardInput
    // is read for "--csv -" on import.
    static Outcome run(const QStringList &arguments, QIODevice *standardInput = nullptr);

    static QString usage();
};

// Runs the command, prints its output and errors and returns the exit code. Needs the
// application object main() makes for it: the SQL driver is a plugin, and plugins load only
// under one.
int runRatesCommand(const QStringList &arguments);

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

// rouvel customers [--db FILE] --json
//
// The customers as the lists show them, for a script that writes BOL.json: a JSON array of one
// object per customer, in the table's order, with the customerId that tells two customers of
// one name apart. The file is only read.
class CustomersCommand
{
public:
    static constexpr int UsageOrDataError = 2;

    struct Outcome
    {
        int exitCode = 0;
        QByteArray output; // the JSON array, when exitCode is 0
        QString error; // one line for stderr otherwise
    };

    // arguments: what follows the word "customers" (a leading "customers" is skipped).
    static Outcome run(const QStringList &arguments);

    static QString usage();
};

// Runs the command, prints its output or error and returns the exit code; needs the
// application object main() makes for it.
int runCustomersCommand(const QStringList &arguments);

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

class QIODevice;

// rouvel bol --db FILE --data BOL.json --pdf OUT.pdf [--save]
//
// One bill of lading without a window, for other programs and scripts: the same fields, rules
// and printed layout as the bill-of-lading window, written as a PDF. With --save the proposed
// number is recorded as the window's "Yes" does and printed on standard output; without it the
// file is only read. BOL.json ("-": standard input) is one object whose keys are checked before
// anything is written.
class BolCommand
{
public:
    static constexpr int UsageOrDataError = 2;

    struct Outcome
    {
        int exitCode = 0;
        QByteArray output; // the saved number and a line feed, with --save
        QString error; // one line for stderr when exitCode is not 0
        QString note; // one line for stderr about a bill printed with an empty shipper block
    };

    // arguments: what follows the word "bol" (a leading "bol" is skipped). standardInput is
    // read for "--data -".
    static Outcome run(const QStringList &arguments, QIODevice *standardInput = nullptr);

    static QString usage();
};

// Runs the command, prints its output or error and returns the exit code. Needs the GUI
// application object main() makes for it: the page needs fonts.
int runBolCommand(const QStringList &arguments);

#pragma once

#include <QStringList>

class QTextStream;

// `rouvel init --db FILE [--sample]`: writes a new rate database without a display, for
// administrators and scripts. Returns the exit code: 0 when the file was written, 2 for any
// error (message on the error stream), never replacing an existing file.
//
// arguments are the command line without the program name, beginning with "init".
int runInitCommand(const QStringList &arguments);
int runInitCommand(const QStringList &arguments, QTextStream &out, QTextStream &err);

// True when the command line (without the program name) asks for `rouvel init`.
bool isInitCommand(const QStringList &arguments);

#pragma once

#include "AppPaths.h"

#include <QStringList>

class QTextStream;

// `rouvel init [--db FILE] [--sample]`: writes a new rate database without a display, for
// administrators and scripts. Returns the exit code: 0 when the file was written, 2 for any
// error (message on the error stream), never replacing an existing file.
//
// arguments are the command line without the program name, beginning with "init". Without
// --db the file is the one the windows would use (AppPaths); the two-stream form then writes
// to fallback, and asks for --db when fallback has no path.
int runInitCommand(const QStringList &arguments);
int runInitCommand(const QStringList &arguments, QTextStream &out, QTextStream &err,
    const AppPaths::DatabaseLocation &fallback = {});

// True when the command line (without the program name) asks for `rouvel init`.
bool isInitCommand(const QStringList &arguments);

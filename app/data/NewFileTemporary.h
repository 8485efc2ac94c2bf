#pragma once

#include <QString>
#include <QStringList>

// The temporary a new file is built in beside its final name, then renamed into place:
// "FILE.new-PID-XXXXXXXX", PID being the process that builds it. A process killed half-way
// leaves it (and SQLite's journal, "…-journal") behind; the process id in the name tells a
// leftover of a process that is gone from the work of one still running, which is never touched.
namespace NewFileTemporary {

// A fresh temporary name for target, in target's folder, carrying this process's id.
QString nameFor(const QString &target);

// Removes target's temporaries (and their journal, WAL and index files) whose process is gone;
// returns the paths removed. Temporaries of running processes and any other file stay.
QStringList removeLeftovers(const QString &target);

} // namespace NewFileTemporary

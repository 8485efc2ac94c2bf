#pragma once

#include <QString>

// Where a program may write a file it makes (a PDF, a rate sheet, a text export): never over
// the open database or the files SQLite keeps beside it, and never into a device, a FIFO, a
// socket or a folder. The same file counts by device and inode, so links and ".." spellings
// are caught; a symbolic link to another ordinary file is allowed and that file is replaced.
namespace OutputPath {

// Empty when outputPath may be written; else one line saying why not, naming the path.
// databasePath may be empty when no database is open.
QString refusal(const QString &outputPath, const QString &databasePath);

} // namespace OutputPath

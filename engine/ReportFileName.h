#pragma once

#include <QString>

// Report files are named for the process that records them, "RPRT<pid>-XXXXXX.tmp", so that
// the file of a process that was killed can be told from one still in use.
class ReportFileName
{
public:
    // Length of the ".tmp" that ends every name.
    static constexpr int SuffixLength = 4;

    // The mkostemps() template of a new report file of this process in the folder.
    static QString templateIn(const QString &folder);
    // The process id a report file's name records; 0 for a name not of that form.
    static qint64 ownerOf(const QString &fileName);
    // Removes the report files of this user in the folder whose owner process no longer runs;
    // files of running processes and names of other forms stay. Returns how many went.
    static int removeLeftovers(const QString &folder);
};

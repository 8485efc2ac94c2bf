#pragma once

#include "ReportFormat.h"

#include <QFile>
#include <QString>

// A read-only handle on a report file: the header, the record count and records by number
// (record 1 is the header, commands start at 2).
class ReportReader
{
public:
    ReportReader() = default;
    explicit ReportReader(const QString &path);

    // Opens the file; false with errorString() when it cannot be read or its header is not a
    // report header. Closes any file opened before.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_file.isOpen(); }
    QString errorString() const { return m_error; }
    QString path() const { return m_file.fileName(); }

    // Re-reads the header and the record count, as the file may still grow while recording.
    bool refresh();
    const ReportFormat::Header &header() const { return m_header; }
    // Whole records in the file, the header included.
    qint32 recordCount() const { return m_recordCount; }
    // Reads record n (2 ≤ n ≤ recordCount()); false past the end or on a read error.
    bool readRecord(qint32 n, ReportFormat::Record &record);
    // Page number of record n, or 0 when it cannot be read.
    qint16 pageOf(qint32 n);
    // Last page of the report: the highest page number of its command records.
    qint16 lastPage();

private:
    QFile m_file;
    QString m_error;
    ReportFormat::Header m_header;
    qint32 m_recordCount = 0;
    qint32 m_nextRecord = 0; // record at the file's read position, to skip needless seeks
};

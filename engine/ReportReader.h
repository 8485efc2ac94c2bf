#pragma once

#include "ReportFormat.h"

#include <QString>

#include <vector>

// A read-only handle on a report file: the header, the record count and records by number
// (record 1 is the header, commands start at 2). Records are read a block at a time, so
// walking the file in either direction costs one system call per block, not per record.
class ReportReader
{
public:
    ReportReader() = default;
    explicit ReportReader(const QString &path);
    ~ReportReader();
    ReportReader(const ReportReader &) = delete;
    ReportReader &operator=(const ReportReader &) = delete;

    // Opens the file; false with errorString() when it cannot be read, is not a regular file or
    // its header is not a report header. Closes any file opened before.
    bool open(const QString &path);
    void close();
    bool isOpen() const { return m_fd >= 0; }
    QString errorString() const { return m_error; }
    QString path() const { return m_path; }

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

    static constexpr qint32 BlockRecords = 128;

private:
    bool loadBlockOf(qint32 n);

    int m_fd = -1;
    QString m_path;
    QString m_error;
    ReportFormat::Header m_header;
    qint32 m_recordCount = 0;
    std::vector<char> m_block;
    qint32 m_blockFirst = 0; // record number of the block's first record; 0 when empty
    qint32 m_blockCount = 0; // records the block holds
};

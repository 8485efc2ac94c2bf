#pragma once

#include "ReportFormat.h"

#include <QString>

// Creates a report file in the temporary folder and writes each record into it as it is made:
// when append() returns, the record is in the file for any reader, and a write error is thrown
// by the append that met it.
class ReportWriter
{
public:
    ReportWriter() = default;
    ~ReportWriter();
    ReportWriter(const ReportWriter &) = delete;
    ReportWriter &operator=(const ReportWriter &) = delete;

    // Creates a new unique file "RPRT<pid>-XXXXXX.tmp" readable and writable by its owner
    // only, writes the header as record 1 and closes the file open before. Report files left by
    // processes that no longer run are removed first. Throws VellumError (file), keeping
    // the file open before, when it cannot.
    void create(const ReportFormat::Header &header);
    bool isOpen() const { return m_fd >= 0; }
    QString path() const { return m_path; }
    void close();
    // Closes the file after the last record. Throws VellumError (file) when the close reports
    // a failed write.
    void finish();

    // Appends one command record. Throws VellumError (file) on a write error; the file then
    // keeps only whole records.
    void append(const ReportFormat::Record &record);
    // Number of the record the next append writes.
    qint32 nextRecord() const { return m_nextRecord; }

    // Record 1 as the file holds it, and its rewrite; the append position stays.
    ReportFormat::RecordBytes readHeaderRecord() const;
    void rewriteHeaderRecord(const ReportFormat::RecordBytes &bytes);

    // The folder report files are created in. Throws VellumError (file), naming the folder,
    // when it is missing or is not a folder.
    static QString temporaryFolder();

private:
    void writeAt(qint64 offset, const char *data, qint64 size);

    int m_fd = -1;
    QString m_path;
    qint32 m_nextRecord = 0;
};

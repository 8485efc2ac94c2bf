#pragma once

#include "ReportFormat.h"

#include <QFile>
#include <QString>

// Creates a report file in the temporary directory and appends its records as they are made,
// through a small fixed buffer, so memory stays the same whatever the length of the report.
class ReportWriter
{
public:
    ReportWriter() = default;
    ~ReportWriter();

    // Creates a new unique file "RPRT..." readable and writable by its owner only and writes
    // the header as record 1. Throws VellumError (file) when it cannot.
    void create(const ReportFormat::Header &header);
    bool isOpen() const { return m_file.isOpen(); }
    QString path() const { return m_path; }
    void close();

    // Appends one command record. Throws VellumError (file) on a write error.
    void append(const ReportFormat::Record &record);
    // Writes the buffered records to the file; readers call it before they look. Throws
    // VellumError (file) on a write error.
    void flush();
    // The same, for callers that must not throw; false when the write failed.
    bool tryFlush() noexcept;
    // Number of the record the next append writes.
    qint32 nextRecord() const { return m_nextRecord; }

    // Rewrites the header record and keeps the append position.
    void rewriteHeader(const ReportFormat::Header &header);
    // The header record as the file holds it.
    ReportFormat::Header readHeader();

private:
    void writeAt(qint64 offset, const char *data, qint64 size);

    QFile m_file;
    QString m_path;
    QByteArray m_buffer; // at most bufferedRecords records
    qint32 m_nextRecord = 0;
};

#include "ReportWriter.h"

#include "VellumError.h"

#include <QDir>
#include <QTemporaryFile>

using namespace ReportFormat;

namespace {
// A few records per write call: the syscall per record cost a fifth of the recording time.
constexpr qsizetype bufferedRecords = 64;
} // namespace

ReportWriter::~ReportWriter() { close(); }

void ReportWriter::create(const Header &header)
{
    close();
    QTemporaryFile temp(QDir::tempPath() + QStringLiteral("/RPRTXXXXXX"));
    temp.setAutoRemove(false);
    if (!temp.open()) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot create a report file in %1: %2")
                .arg(QDir::tempPath(), temp.errorString()));
    }
    const QString path = temp.fileName();
    temp.close();

    // Unbuffered: every record reaches the file as it is made.
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Unbuffered)) {
        const QString error = m_file.errorString();
        QFile::remove(path);
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot open the report file %1: %2").arg(path, error));
    }
    m_file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    m_path = path;
    RecordBytes bytes {};
    header.writeTo(bytes);
    writeAt(0, bytes.data(), RecordSize);
    m_nextRecord = 2;
}

void ReportWriter::close()
{
    if (m_file.isOpen()) {
        tryFlush();
        m_file.close();
    }
    m_buffer.clear();
}

void ReportWriter::flush()
{
    if (m_buffer.isEmpty() || !m_file.isOpen())
        return;
    if (m_file.write(m_buffer) != m_buffer.size()) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot write to the report file %1: %2")
                .arg(m_path, m_file.errorString()));
    }
    m_buffer.resize(0);
}

bool ReportWriter::tryFlush() noexcept
{
    try {
        flush();
        return true;
    } catch (...) {
        return false;
    }
}

void ReportWriter::append(const Record &record)
{
    if (!m_file.isOpen())
        throw VellumError(VellumError::Kind::File, QStringLiteral("No report file is open."));
    if (m_buffer.capacity() < bufferedRecords * RecordSize)
        m_buffer.reserve(bufferedRecords * RecordSize);
    m_buffer.append(record.bytes.data(), RecordSize);
    ++m_nextRecord;
    if (m_buffer.size() >= bufferedRecords * RecordSize)
        flush();
}

void ReportWriter::rewriteHeader(const Header &header)
{
    RecordBytes bytes {};
    header.writeTo(bytes);
    flush();
    const qint64 position = m_file.pos();
    writeAt(0, bytes.data(), RecordSize);
    if (!m_file.seek(position))
        throw VellumError(VellumError::Kind::File, m_file.errorString());
}

Header ReportWriter::readHeader()
{
    if (!m_file.isOpen())
        throw VellumError(VellumError::Kind::File, QStringLiteral("No report file is open."));
    flush();
    const qint64 position = m_file.pos();
    RecordBytes bytes {};
    if (!m_file.seek(0) || m_file.read(bytes.data(), RecordSize) != RecordSize) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot read the header of the report file %1: %2")
                .arg(m_path, m_file.errorString()));
    }
    if (!m_file.seek(position))
        throw VellumError(VellumError::Kind::File, m_file.errorString());
    return Header::fromRecord(bytes);
}

void ReportWriter::writeAt(qint64 offset, const char *data, qint64 size)
{
    if (!m_file.seek(offset) || m_file.write(data, size) != size) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot write to the report file %1: %2")
                .arg(m_path, m_file.errorString()));
    }
}

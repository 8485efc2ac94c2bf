#include "ReportReader.h"

using namespace ReportFormat;

ReportReader::ReportReader(const QString &path) { open(path); }

bool ReportReader::open(const QString &path)
{
    close();
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::ReadOnly)) {
        m_error
            = QStringLiteral("Cannot open the report file %1: %2").arg(path, m_file.errorString());
        return false;
    }
    if (!refresh()) {
        m_file.close();
        return false;
    }
    return true;
}

void ReportReader::close()
{
    if (m_file.isOpen())
        m_file.close();
    m_recordCount = 0;
    m_nextRecord = 0;
    m_header = Header();
}

bool ReportReader::refresh()
{
    RecordBytes bytes {};
    if (!m_file.seek(0) || m_file.read(bytes.data(), RecordSize) != RecordSize) {
        m_error = QStringLiteral("The file %1 is not a report file.").arg(m_file.fileName());
        return false;
    }
    if (!isValidHeader(bytes)) {
        m_error = QStringLiteral("The file %1 is not a report file.").arg(m_file.fileName());
        return false;
    }
    m_header = Header::fromRecord(bytes);
    m_recordCount = qint32(m_file.size() / RecordSize);
    m_nextRecord = 2;
    return true;
}

bool ReportReader::readRecord(qint32 n, Record &record)
{
    if (n < 2 || n > m_recordCount)
        return false;
    if (n != m_nextRecord && !m_file.seek(qint64(n - 1) * RecordSize)) {
        m_nextRecord = 0;
        return false;
    }
    if (m_file.read(record.bytes.data(), RecordSize) != RecordSize) {
        m_nextRecord = 0;
        return false;
    }
    m_nextRecord = n + 1;
    return true;
}

qint16 ReportReader::pageOf(qint32 n)
{
    Record record;
    return readRecord(n, record) ? record.page() : qint16(0);
}

qint16 ReportReader::lastPage()
{
    qint16 last = 0;
    Record record;
    for (qint32 n = 2; n <= m_recordCount; ++n) {
        if (!readRecord(n, record))
            break;
        last = qMax(last, record.page());
    }
    return last;
}

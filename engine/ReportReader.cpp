#include "ReportReader.h"

#include <QFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace ReportFormat;

namespace {

// Reads up to size bytes at offset; the count read, or -1 on an error.
qint64 readAt(int fd, char *data, qint64 size, qint64 offset)
{
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pread(fd, data + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return -1;
        if (n == 0)
            break;
        done += n;
    }
    return done;
}

} // namespace

ReportReader::ReportReader(const QString &path) { open(path); }

ReportReader::~ReportReader() { close(); }

bool ReportReader::open(const QString &path)
{
    close();
    m_path = path;
    // Not blocking on open: a FIFO named as a report must not freeze the caller.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        m_error = QStringLiteral("Cannot open the report file %1: %2").arg(path, qt_error_string());
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        m_error = QStringLiteral("The file %1 is not a report file.").arg(path);
        return false;
    }
    m_fd = fd;
    if (!refresh()) {
        ::close(m_fd);
        m_fd = -1;
        return false;
    }
    return true;
}

void ReportReader::close()
{
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
    m_recordCount = 0;
    m_blockFirst = 0;
    m_blockCount = 0;
    m_header = Header();
}

bool ReportReader::refresh()
{
    m_blockFirst = 0;
    m_blockCount = 0;
    RecordBytes bytes {};
    struct stat info {};
    if (m_fd < 0 || readAt(m_fd, bytes.data(), RecordSize, 0) != RecordSize
        || !isValidHeader(bytes) || ::fstat(m_fd, &info) != 0) {
        m_error = QStringLiteral("The file %1 is not a report file.").arg(m_path);
        return false;
    }
    m_header = Header::fromRecord(bytes);
    m_recordCount = qint32(qMin<qint64>(info.st_size / RecordSize, 0x7FFFFFFE));
    return true;
}

bool ReportReader::loadBlockOf(qint32 n)
{
    const qint32 first = (n - 1) / BlockRecords * BlockRecords + 1;
    const qint32 count = qMin(BlockRecords, m_recordCount - first + 1);
    m_block.resize(size_t(BlockRecords * RecordSize));
    const qint64 wanted = qint64(count) * RecordSize;
    const qint64 got = readAt(m_fd, m_block.data(), wanted, qint64(first - 1) * RecordSize);
    if (got < 0) {
        m_blockFirst = 0;
        m_blockCount = 0;
        return false;
    }
    // A file cut short since the count was taken keeps what it still holds.
    m_blockFirst = first;
    m_blockCount = qint32(got / RecordSize);
    return n - first < m_blockCount;
}

bool ReportReader::readRecord(qint32 n, Record &record)
{
    if (n < 2 || n > m_recordCount || m_fd < 0)
        return false;
    if (n < m_blockFirst || n >= m_blockFirst + m_blockCount || m_blockFirst == 0) {
        if (!loadBlockOf(n))
            return false;
    }
    std::memcpy(record.bytes.data(), m_block.data() + qint64(n - m_blockFirst) * RecordSize,
        size_t(RecordSize));
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

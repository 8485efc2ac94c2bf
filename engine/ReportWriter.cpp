#include "ReportWriter.h"

#include "ReportFileName.h"
#include "VellumError.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

using namespace ReportFormat;

namespace {

QString lastError() { return qt_error_string(errno); }

} // namespace

ReportWriter::~ReportWriter() { close(); }

QString ReportWriter::temporaryFolder()
{
    // Qt answers an empty path for a TMPDIR that does not exist; the report must never land
    // in the filesystem root because of it.
    QString folder = QDir::tempPath();
    if (folder.isEmpty()) {
        folder = qEnvironmentVariable("TMPDIR");
        if (folder.isEmpty())
            folder = QStringLiteral("/tmp");
    }
    if (!QFileInfo(folder).isDir()) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("The temporary folder %1 does not exist: no report file can be "
                           "created in it.")
                .arg(folder));
    }
    return folder;
}

void ReportWriter::create(const Header &header)
{
    const QString folder = temporaryFolder();
    // Killed processes leave their files behind; this is the next chance to clear them.
    ReportFileName::removeLeftovers(folder);
    QByteArray name = QFile::encodeName(ReportFileName::templateIn(folder));
    // mkostemps creates the file for its owner only (0600) and opens it.
    const int fd = ::mkostemps(name.data(), ReportFileName::SuffixLength, O_CLOEXEC);
    if (fd < 0) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot create a report file in the temporary folder %1: %2")
                .arg(folder, lastError()));
    }
    close();
    m_fd = fd;
    m_path = QFile::decodeName(name);
    m_nextRecord = 2;
    RecordBytes bytes {};
    header.writeTo(bytes);
    try {
        writeAt(0, bytes.data(), RecordSize);
    } catch (...) {
        close();
        QFile::remove(m_path);
        throw;
    }
}

void ReportWriter::close()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

void ReportWriter::finish()
{
    if (m_fd < 0)
        throw VellumError(VellumError::Kind::File, QStringLiteral("No report file is open."));
    const int fd = m_fd;
    m_fd = -1;
    // Some filesystems (NFS, a quota) report a failed write only when the file is closed.
    if (::close(fd) != 0 && errno != EINTR) {
        throw VellumError(VellumError::Kind::File,
            QStringLiteral("Cannot write to the report file %1: %2").arg(m_path, lastError()));
    }
}

void ReportWriter::append(const Record &record)
{
    if (m_fd < 0)
        throw VellumError(VellumError::Kind::File, QStringLiteral("No report file is open."));
    writeAt(qint64(m_nextRecord - 1) * RecordSize, record.bytes.data(), RecordSize);
    ++m_nextRecord;
}

RecordBytes ReportWriter::readHeaderRecord() const
{
    if (m_fd < 0)
        throw VellumError(VellumError::Kind::File, QStringLiteral("No report file is open."));
    RecordBytes bytes {};
    qint64 done = 0;
    while (done < RecordSize) {
        const ssize_t n = ::pread(m_fd, bytes.data() + done, size_t(RecordSize - done), done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            throw VellumError(VellumError::Kind::File,
                QStringLiteral("Cannot read the header of the report file %1: %2")
                    .arg(m_path, n < 0 ? lastError() : QStringLiteral("the file is too short")));
        }
        done += n;
    }
    return bytes;
}

void ReportWriter::rewriteHeaderRecord(const RecordBytes &bytes)
{
    if (m_fd < 0)
        throw VellumError(VellumError::Kind::File, QStringLiteral("No report file is open."));
    writeAt(0, bytes.data(), RecordSize);
}

void ReportWriter::writeAt(qint64 offset, const char *data, qint64 size)
{
    // Positioned writes: the header rewrite never moves the place of the next record.
    qint64 done = 0;
    while (done < size) {
        const ssize_t n = ::pwrite(m_fd, data + done, size_t(size - done), offset + done);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            const QString error = n < 0 ? lastError() : QStringLiteral("nothing was written");
            // A record written in part would shift every later one.
            const bool whole = done == 0 || offset == 0 || ::ftruncate(m_fd, offset) == 0;
            Q_UNUSED(whole)
            throw VellumError(VellumError::Kind::File,
                QStringLiteral("Cannot write to the report file %1: %2").arg(m_path, error));
        }
        done += n;
    }
}

#include "OutputFile.h"

#include "VellumError.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qsizetype bufferSize = 64 * 1024;

QString cannotWrite(const QString &what, const QString &fileName, const QString &why)
{
    return QStringLiteral("Cannot write the %1 %2: %3").arg(what, fileName, why);
}

VellumError refused(const QString &what, const QString &fileName, const QString &why)
{
    return VellumError(VellumError::Kind::File, cannotWrite(what, fileName, why));
}

QString kindOf(mode_t mode)
{
    if (S_ISDIR(mode))
        return QStringLiteral("it is a folder.");
    if (S_ISCHR(mode) || S_ISBLK(mode))
        return QStringLiteral("it is a device, not a file.");
    if (S_ISFIFO(mode))
        return QStringLiteral("it is a pipe (FIFO), not a file.");
    if (S_ISSOCK(mode))
        return QStringLiteral("it is a socket, not a file.");
    return QStringLiteral("it is not an ordinary file.");
}

// The path written: the file a link names, so the link stays a link.
QString resolved(const QString &fileName)
{
    const QFileInfo info(fileName);
    return info.isSymLink() ? info.canonicalFilePath() : fileName;
}

} // namespace

OutputFile::OutputFile(const QString &fileName, const QString &what)
    : m_fileName(fileName)
    , m_what(what)
{
}

OutputFile::~OutputFile() { cancel(); }

namespace {

// A report written over a database (the caller's own, typed by mistake in a save dialog) would
// destroy it whole: SQLite's files are recognised by their first bytes and never replaced.
bool holdsDatabase(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(16);
    static const QByteArray database("SQLite format 3\0", 16);
    static const QByteArray journal("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7", 8);
    static const QByteArray wal1("\x37\x7f\x06\x82", 4);
    static const QByteArray wal2("\x37\x7f\x06\x83", 4);
    return start.startsWith(database) || start.startsWith(journal) || start.startsWith(wal1)
        || start.startsWith(wal2);
}

} // namespace

void OutputFile::checkTarget(const QString &fileName, const QString &what)
{
    if (fileName.trimmed().isEmpty()) {
        throw VellumError(
            VellumError::Kind::File, QStringLiteral("No %1 is named: give a file name.").arg(what));
    }
    const QByteArray native = QFile::encodeName(fileName);
    struct stat st
    {
    };
    if (::stat(native.constData(), &st) == 0) {
        if (!S_ISREG(st.st_mode))
            throw refused(what, fileName, kindOf(st.st_mode));
        if (holdsDatabase(fileName))
            throw refused(what, fileName,
                QStringLiteral("it is a database, not a file a report is written to."));
        return;
    }
    if (errno != ENOENT)
        throw refused(what, fileName, qt_error_string(errno));
    if (::lstat(native.constData(), &st) == 0)
        throw refused(
            what, fileName, QStringLiteral("it is a link to a file that does not exist."));
    const QString folder = QFileInfo(fileName).absolutePath();
    if (!QFileInfo(folder).isDir()) {
        throw refused(what, fileName,
            QStringLiteral("the folder %1 does not exist.").arg(QDir::toNativeSeparators(folder)));
    }
}

void OutputFile::create()
{
    checkTarget(m_fileName, m_what);
    m_file = std::make_unique<QSaveFile>(resolved(m_fileName));
    if (!m_file->open(QIODevice::WriteOnly))
        fail(m_file->errorString());
    m_buffer.clear();
    m_failure.clear();
    QIODevice::open(QIODevice::WriteOnly);
}

qint64 OutputFile::writeData(const char *data, qint64 size)
{
    if (!m_file || !m_failure.isEmpty())
        return -1;
    m_buffer.append(data, size);
    if (m_buffer.size() >= bufferSize && !writeBuffer())
        return -1;
    return size;
}

bool OutputFile::writeBuffer()
{
    qsizetype done = 0;
    while (done < m_buffer.size()) {
        const ssize_t n = ::write(
            m_file->handle(), m_buffer.constData() + done, size_t(m_buffer.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0) {
            m_failure = n < 0 ? qt_error_string(errno) : QStringLiteral("nothing was written.");
            setErrorString(message(m_failure));
            return false;
        }
        done += n;
    }
    m_buffer.clear();
    return true;
}

void OutputFile::commit()
{
    if (!m_file)
        fail(QStringLiteral("the file is not open."));
    if (!m_failure.isEmpty())
        fail(m_failure);
    if (!writeBuffer())
        fail(m_failure);
    // A full disk or a quota may only show when the data reaches it.
    if (::fsync(m_file->handle()) != 0)
        fail(qt_error_string(errno));
    QIODevice::close();
    if (!m_file->commit()) {
        const QString why = m_file->errorString();
        m_file.reset();
        fail(why);
    }
    m_file.reset();
}

void OutputFile::cancel()
{
    if (m_file)
        m_file->cancelWriting();
    m_file.reset();
    m_buffer.clear();
    if (isOpen())
        QIODevice::close();
}

QString OutputFile::message(const QString &why) const
{
    return cannotWrite(m_what, m_fileName, why);
}

void OutputFile::fail(const QString &why)
{
    cancel();
    throw VellumError(VellumError::Kind::File, message(why));
}

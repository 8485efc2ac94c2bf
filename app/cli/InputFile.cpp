#include "cli/InputFile.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr qint64 ChunkBytes = 64 * 1024;

QString tooLarge(qint64 limit)
{
    return QStringLiteral("it is larger than %1, the most this command reads")
        .arg(InputFile::sizeText(limit));
}

// Reads until the end, or fails as soon as more than limit bytes came.
InputFile::Reading readBounded(QIODevice &device, qint64 limit)
{
    InputFile::Reading reading;
    char chunk[ChunkBytes];
    for (;;) {
        const qint64 got = device.read(chunk, ChunkBytes);
        if (got < 0) {
            reading.cause = device.errorString();
            reading.bytes.clear();
            return reading;
        }
        if (got == 0 && (device.atEnd() || !device.waitForReadyRead(-1)))
            return reading;
        if (reading.bytes.size() + got > limit) {
            reading.cause = tooLarge(limit);
            reading.bytes.clear();
            return reading;
        }
        reading.bytes.append(chunk, got);
    }
}

} // namespace

QString InputFile::sizeText(qint64 bytes)
{
    constexpr qint64 KiB = 1024;
    if (bytes >= KiB * KiB && bytes % (KiB * KiB) == 0)
        return QStringLiteral("%1 MiB").arg(bytes / (KiB * KiB));
    if (bytes >= KiB && bytes % KiB == 0)
        return QStringLiteral("%1 KiB").arg(bytes / KiB);
    return QStringLiteral("%1 bytes").arg(bytes);
}

InputFile::Reading InputFile::read(const QString &path, qint64 limit, QIODevice *standardInput)
{
    if (path == QLatin1String("-")) {
        if (standardInput)
            return readBounded(*standardInput, limit);
        struct stat info
        {
        };
        // Redirected from a file: its size tells at once.
        if (::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode) && info.st_size > limit)
            return {{}, tooLarge(limit)};
        QFile in;
        if (!in.open(STDIN_FILENO, QIODevice::ReadOnly, QFileDevice::DontCloseHandle))
            return {{}, in.errorString()};
        return readBounded(in, limit);
    }

    // Non-blocking, so a FIFO without a writer cannot hold the open; refused below anyway.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return {{}, qt_error_string(errno)};
    struct stat info
    {
    };
    if (::fstat(fd, &info) != 0) {
        const QString cause = qt_error_string(errno);
        ::close(fd);
        return {{}, cause};
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        return {{},
            S_ISDIR(info.st_mode)
                ? QStringLiteral("it is a folder, not a file")
                : QStringLiteral("it is not an ordinary file (a device, FIFO or socket)")};
    }
    if (info.st_size > limit) {
        ::close(fd);
        return {{}, tooLarge(limit)};
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return {{}, file.errorString()};
    }
    // Bounded again: the file may grow while it is read.
    return readBounded(file, limit);
}

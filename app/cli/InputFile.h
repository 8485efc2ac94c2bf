#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

// What a command reads whole: an ordinary file, or standard input for "-", and never more than
// a limit, so a device such as /dev/zero, a FIFO nobody writes to or a huge file is refused at
// once instead of filling the memory or waiting for ever.
class InputFile
{
public:
    static constexpr qint64 RateSheetLimit = 64 * 1024 * 1024;
    static constexpr qint64 BillOfLadingDataLimit = 16 * 1024 * 1024;

    struct Reading
    {
        QByteArray bytes;
        QString cause; // why nothing was read, as the end of "cannot read FILE: ..."; empty if read
        bool ok() const { return cause.isEmpty(); }
    };

    // path "-" reads standardInput, or the process's standard input when it is null.
    static Reading read(const QString &path, qint64 limit, QIODevice *standardInput = nullptr);

    // "64 MiB", "512 KiB", "100 bytes"
    static QString sizeText(qint64 bytes);
};

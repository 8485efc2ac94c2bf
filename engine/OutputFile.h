#pragma once

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>

class QSaveFile;

// A file the engine writes for the user (a PDF, a text export): complete or absent. The
// output goes to a temporary file beside the target, which it replaces only when every write,
// the final flush and the sync to disk succeeded; on any failure the temporary file goes and a
// file already at that path stays as it was. Writes are buffered here and passed to the system
// directly, so the cause of a failed one (a full disk, a quota) is known.
class OutputFile : public QIODevice
{
public:
    // what: how messages name the file ("PDF file", "text file").
    OutputFile(const QString &fileName, const QString &what);
    ~OutputFile() override;

    // Refuses, as VellumError (file), a path that is neither a regular file nor a new name in
    // an existing folder: a folder, a device, a FIFO, a socket, a link to nothing. A link to a
    // regular file is accepted; the file it names is replaced and the link kept.
    static void checkTarget(const QString &fileName, const QString &what);

    // Checks the target and opens the temporary file for writing. Throws VellumError (file).
    void create();
    // Puts the file in place. Throws VellumError (file) naming the file and the cause of a
    // failed write, flush or sync, and leaves the target as it was.
    void commit();
    // Drops what was written; the target stays as it was.
    void cancel();

    bool isSequential() const override { return true; }

protected:
    // A failed write returns -1 and sets the error string to the whole message, file and
    // cause; every later write fails the same way.
    qint64 writeData(const char *data, qint64 size) override;
    qint64 readData(char *, qint64) override { return -1; }

private:
    bool writeBuffer();
    QString message(const QString &why) const;
    [[noreturn]] void fail(const QString &why);

    QString m_fileName;
    QString m_what;
    std::unique_ptr<QSaveFile> m_file;
    QByteArray m_buffer;
    QString m_failure; // the cause of the first failed write
};

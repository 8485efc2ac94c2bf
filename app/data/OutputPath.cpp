#include "data/OutputPath.h"

#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

namespace {

// SQLite's files beside a database: the roll-back journal, and the log and index of WAL mode.
constexpr const char *CompanionSuffixes[] = {"-journal", "-wal", "-shm"};
// As the kernel gives up on a loop of links.
constexpr int MaxLinks = 40;

bool statPath(const QString &path, struct stat *info)
{
    return ::stat(QFile::encodeName(path).constData(), info) == 0;
}

bool sameFile(const struct stat &a, const QString &path)
{
    struct stat b {};
    return statPath(path, &b) && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Where a write to path lands: a dangling symbolic link is followed to the name it would create.
QString landingPath(const QString &path)
{
    QString landing = path;
    for (int i = 0; i < MaxLinks; ++i) {
        const QFileInfo info(landing);
        if (!info.isSymLink())
            break;
        landing = info.symLinkTarget();
    }
    return landing;
}

// Both names end in the same entry of the same folder, by the folder's device and inode: catches
// a journal or WAL file that does not exist yet, spelt with ".." or through a linked folder.
bool sameEntry(const QString &a, const QString &b)
{
    const QFileInfo first(a);
    const QFileInfo second(b);
    if (first.fileName() != second.fileName())
        return false;
    struct stat folder {};
    return statPath(first.absolutePath(), &folder) && sameFile(folder, second.absolutePath());
}

} // namespace

namespace OutputPath {

QString refusal(const QString &outputPath, const QString &databasePath)
{
    const QString landing = landingPath(outputPath);
    struct stat target {};
    const bool exists = statPath(landing, &target);

    if (!databasePath.isEmpty()) {
        QStringList databaseNames {databasePath};
        // SQLite names the journal after the file the database path leads to.
        const QString canonical = QFileInfo(databasePath).canonicalFilePath();
        if (!canonical.isEmpty() && canonical != databasePath)
            databaseNames << canonical;
        for (const QString &name : std::as_const(databaseNames)) {
            if ((exists && sameFile(target, name)) || sameEntry(landing, name))
                return QStringLiteral("%1 is the database file itself: choose another file")
                    .arg(outputPath);
            for (const char *suffix : CompanionSuffixes) {
                const QString companion = name + QLatin1String(suffix);
                if ((exists && sameFile(target, companion)) || sameEntry(landing, companion))
                    return QStringLiteral("%1 is a file of the open database: choose another file")
                        .arg(outputPath);
            }
        }
    }
    if (!exists)
        return {}; // a new name: the writer reports a missing folder itself
    if (S_ISDIR(target.st_mode))
        return QStringLiteral("%1 is a folder: choose a file name").arg(outputPath);
    if (!S_ISREG(target.st_mode))
        return QStringLiteral("%1 is not an ordinary file (a device, FIFO or socket): choose "
                              "another file")
            .arg(outputPath);
    return {};
}

} // namespace OutputPath

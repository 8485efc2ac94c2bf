#include "ReportFileName.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <limits>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool isRunning(qint64 pid)
{
    // EPERM: it runs, under another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

QString ReportFileName::templateIn(const QString &folder)
{
    return QStringLiteral("%1/RPRT%2-XXXXXX.tmp")
        .arg(folder)
        .arg(QCoreApplication::applicationPid());
}

qint64 ReportFileName::ownerOf(const QString &fileName)
{
    static const QRegularExpression form(
        QStringLiteral("^RPRT([1-9][0-9]{0,9})-[A-Za-z0-9]{6}\\.tmp$"));
    const QRegularExpressionMatch match = form.match(fileName);
    if (!match.hasMatch())
        return 0;
    const qint64 pid = match.captured(1).toLongLong();
    return pid <= std::numeric_limits<pid_t>::max() ? pid : 0;
}

int ReportFileName::removeLeftovers(const QString &folder)
{
    const QDir dir(folder);
    int removed = 0;
    const QStringList names
        = dir.entryList({QStringLiteral("RPRT*.tmp")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : names) {
        const qint64 pid = ownerOf(name);
        if (pid == 0 || isRunning(pid))
            continue;
        // Only the user's own regular files: a link or another user's file is not ours to
        // judge.
        const QString path = dir.filePath(name);
        struct stat st
        {
        };
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)
            || st.st_uid != ::geteuid())
            continue;
        if (QFile::remove(path))
            ++removed;
    }
    return removed;
}

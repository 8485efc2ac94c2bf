#include "data/NewFileTemporary.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUuid>

#include <cerrno>
#include <csignal>
#include <limits>

#include <sys/types.h>

namespace {

bool processRuns(qint64 pid)
{
    if (pid <= 0 || pid > std::numeric_limits<pid_t>::max())
        return false;
    // EPERM: it runs under another user.
    return ::kill(pid_t(pid), 0) == 0 || errno == EPERM;
}

} // namespace

namespace NewFileTemporary {

QString nameFor(const QString &target)
{
    return QFileInfo(target).absoluteFilePath()
        + QStringLiteral(".new-%1-%2")
              .arg(QCoreApplication::applicationPid())
              .arg(QUuid::createUuid().toString(QUuid::Id128).left(8));
}

QStringList removeLeftovers(const QString &target)
{
    const QFileInfo info(target);
    const QRegularExpression pattern(QStringLiteral("^%1\\.new-(\\d{1,10})-[0-9a-f]{8}"
                                                    "(-journal|-wal|-shm)?$")
                                         .arg(QRegularExpression::escape(info.fileName())));
    QDir folder = info.absoluteDir();
    QStringList removed;
    const QStringList candidates = folder.entryList(
        {info.fileName() + QStringLiteral(".new-*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString &name : candidates) {
        const QRegularExpressionMatch match = pattern.match(name);
        if (!match.hasMatch() || processRuns(match.captured(1).toLongLong()))
            continue;
        if (folder.remove(name))
            removed << folder.filePath(name);
    }
    return removed;
}

} // namespace NewFileTemporary

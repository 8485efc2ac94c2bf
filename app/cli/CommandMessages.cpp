#include "cli/CommandMessages.h"

#include <QLatin1StringView>
#include <QString>
#include <QtGlobal>

namespace {

QtMessageHandler qtHandler = nullptr;

// Said by Qt about the session around the command, never about its work.
bool harmless(QtMsgType type, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg && type != QtWarningMsg)
        return false;
    static const QLatin1StringView known[] = {
        QLatin1StringView("XDG_RUNTIME_DIR not set"), // QStandardPaths falls back by itself
        QLatin1StringView("runtime directory"), // the same, for a folder of the wrong owner
        QLatin1StringView("This plugin does not support propagateSizeHints"),
    };
    for (const QLatin1StringView &text : known) {
        if (message.contains(text))
            return true;
    }
    return false;
}

void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (harmless(type, message))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
}

} // namespace

namespace CommandMessages {

void install()
{
    qtHandler = qInstallMessageHandler(handle);
}

} // namespace CommandMessages

#include "ModMAJ.h"

#include "AppPaths.h"
#include "DatabaseStartup.h"
#include "ModRouvel.h"
#include "ModVerifWin.h"
#include "logorouvel.h"

#include <QApplication>
#include <QDir>
#include <QWidget>

namespace ModMAJ {

namespace {
    std::function<void()> &programEndHandler()
    {
        static std::function<void()> handler;
        return handler;
    }
} // namespace

bool Main(const QString &dbOption)
{
    // The regional check's message box takes the program's title as caption.
    QCoreApplication::setApplicationName(QStringLiteral("rouvel"));
    QCoreApplication::setApplicationVersion(QStringLiteral(ROUVEL_VERSION));

    if (!ModVerifWin::checkRegionalSettings())
        return false;

    const AppPaths::Context context = AppPaths::current();
    const AppPaths::DatabaseLocation database = AppPaths::database(dbOption, context);
    ModRouvel::dbPath = database.path;
    ModRouvel::helpPath = AppPaths::guide(context);

    // Before the splash loads the windows that bind to the database. The user's data folder is
    // made for the file, and goes again when no file is made in it.
    const QStringList madeFolders = AppPaths::makeFolders(database);
    if (!DatabaseStartup::ensureReady(ModRouvel::dbPath, nullptr)) {
        AppPaths::removeFolders(madeFolders);
        return false;
    }

    // Hidden windows stay loaded between uses, so the program must not end merely because no
    // window is visible for a moment; the windows that end it call endProgram().
    QGuiApplication::setQuitOnLastWindowClosed(false);

    auto *splash = new logorouvel;
    QObject::connect(qApp, &QCoreApplication::aboutToQuit, splash, &QObject::deleteLater);
    splash->show();
    return true;
}

void setFilePaths(const QString &programFolder)
{
    ModRouvel::dbPath = programFolder + QDir::separator() + QStringLiteral("rouvel.rvl");
    ModRouvel::helpPath = programFolder + QDir::separator() + QStringLiteral("rouvel.hlp");
}

void endProgram()
{
    if (programEndHandler()) {
        programEndHandler()();
        return;
    }
    QCoreApplication::exit(0);
}

void setProgramEndHandler(std::function<void()> handler)
{
    programEndHandler() = std::move(handler);
}

QWidget *loadedWindow(const QString &windowName)
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (QWidget *window : windows) {
        if (window->objectName() == windowName)
            return window;
    }
    return nullptr;
}

} // namespace ModMAJ

#include "AppPaths.h"
#include "DatabaseStartup.h"
#include "ModMAJ.h"
#include "ModRouvel.h"
#include "cli/InitCommand.h"
#include "cli/BolCommand.h"
#include "cli/CommandMessages.h"
#include "cli/CustomersCommand.h"
#include "cli/QuoteCommand.h"
#include "cli/RatesCommand.h"

#include <QApplication>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QStringList>

#include <cstdio>

namespace {

QStringList commandArguments(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    return arguments;
}

bool hasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
            || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char *argv[])
{
    // The commands for scripts run without a display.
    const QStringList arguments = commandArguments(argc, argv);
    const QString command = arguments.isEmpty() ? QString() : arguments.first();
    if (isInitCommand(arguments) || command == u"quote" || command == u"bol"
        || command == u"rates" || command == u"customers")
        CommandMessages::install();
    if (isInitCommand(arguments)) {
        QCoreApplication app(argc, argv);
        return runInitCommand(arguments);
    }
    if (!arguments.isEmpty() && arguments.first() == u"quote") {
        QCoreApplication app(argc, argv);
        return runQuoteCommand(arguments);
    }
    if (!arguments.isEmpty() && arguments.first() == u"bol") {
        // Its page needs fonts, so a GUI application; it needs no display, so it draws off
        // screen.
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        QGuiApplication app(argc, argv);
        return runBolCommand(arguments);
    }
    if (!arguments.isEmpty() && arguments.first() == u"rates") {
        QCoreApplication app(argc, argv);
        return runRatesCommand(arguments);
    }
    if (command == u"customers") {
        QCoreApplication app(argc, argv);
        return runCustomersCommand(arguments);
    }

    const AppPaths::StartOptions options = AppPaths::parseStartOptions(arguments);
    if (!options.error.isEmpty()) {
        std::fprintf(stderr, "rouvel: %s\n", qPrintable(options.error));
        return 2;
    }
    if (options.help || options.version) {
        QCoreApplication app(argc, argv);
        const QString text = options.help
            ? AppPaths::helpText(options.dbOption, AppPaths::current())
            : QStringLiteral("rouvel %1\n").arg(QStringLiteral(ROUVEL_VERSION));
        std::fputs(qPrintable(text), stdout);
        return 0;
    }

    if (!hasDisplay()) {
        std::fputs("rouvel needs a graphical display: no DISPLAY or WAYLAND_DISPLAY is set "
                   "(try: xvfb-run rouvel).\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    if (!ModMAJ::Main(options.dbOption))
        return 1;
    return app.exec();
}

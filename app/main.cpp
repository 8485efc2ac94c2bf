#include <QApplication>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("rouvel needs a graphical display: no DISPLAY or WAYLAND_DISPLAY is set.\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    return 0;
}

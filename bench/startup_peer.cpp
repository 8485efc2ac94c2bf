// The peer of rouvel's start-up: the least a Qt Widgets program does to put a window on screen.
#include <QApplication>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Shipping management"));
    window.resize(640, 400); // the splash window's size
    window.show();
    return app.exec();
}

// The peers of rouvel's start-up: the least a Qt Widgets program does to put a window on screen,
// by default one that shows a line of text, as rouvel's first window and any useful window do
// (Qt's own first example is a "Hello world!" button); with --no-text, a bare window, which
// never starts the font system.
#include <QApplication>
#include <QLabel>
#include <QWidget>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const bool withText = !app.arguments().contains(QStringLiteral("--no-text"));
    QWidget window;
    window.setWindowTitle(QStringLiteral("Shipping management"));
    window.resize(640, 400); // the splash window's size
    if (withText)
        (new QLabel(QStringLiteral("Hello world!"), &window))->move(28, 300);
    window.show();
    return app.exec();
}

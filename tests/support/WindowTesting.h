#pragma once

#include <QCloseEvent>
#include <QCoreApplication>
#include <QString>
#include <QWidget>
#include <QWindow>
#include <QtGlobal>

// What the window tests do to a window the way a user or the window system would.
namespace WindowTesting {

// The close request the window system delivers when the user clicks the close box.
inline void userCloses(QWidget *window)
{
    QCloseEvent request;
    QCoreApplication::sendEvent(window->windowHandle(), &request);
}

// A named widget of the window; a test cannot go on without it, so its absence ends the run.
template<typename T> T *requiredChild(const QWidget *window, const QString &name)
{
    T *widget = window->findChild<T *>(name);
    if (!widget)
        qFatal("%s has no %s", qPrintable(window->objectName()), qPrintable(name));
    return widget;
}

} // namespace WindowTesting

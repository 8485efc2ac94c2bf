#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>
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

// Clicks the button of window and answers the message box it shows with its default accept,
// once the box has taken the focus as the user would; then brings window back to the front.
// Returns the box's text, "<none>" when no box came, or what went wrong; buttons, when given,
// receives the buttons the box offered.
inline QString clickForMessage(
    QWidget *window, QAbstractButton *button, QMessageBox::StandardButtons *buttons = nullptr)
{
    QString shown = QStringLiteral("<none>");
    // A timer of this call only: it cannot outlive what it writes to.
    QTimer answer;
    answer.setSingleShot(true);
    QObject::connect(&answer, &QTimer::timeout, [&] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
            shown = QTest::qWaitForWindowActive(box) ? box->text()
                                                     : QStringLiteral("<box never active>");
            if (buttons)
                *buttons = box->standardButtons();
            box->accept();
        }
    });
    answer.start(0);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::qWait(0);
    if (shown != QLatin1String("<none>") && window && !window->isActiveWindow()) {
        window->activateWindow();
        if (!QTest::qWaitForWindowActive(window))
            return QStringLiteral("<window not active again>");
    }
    return shown;
}

} // namespace WindowTesting

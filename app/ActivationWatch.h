#pragma once

#include <QObject>

#include <functional>

class QWidget;
class QWindow;

// Runs a window's activation when it is first shown and each time the user comes back to it
// from another window of the program. Message boxes, drop-down lists and the help are not
// windows the user works in, and another program taking the focus is no return: coming back
// from them leaves what the window shows alone.
class ActivationWatch : public QObject
{
public:
    ActivationWatch(QWidget *window, std::function<void()> activation);

    // Whether the focus going to `window` takes the user away from `from` into another window
    // of the program.
    static bool leavesForAnotherWindow(const QWidget *from, QWindow *window);

    // The window ran its activation itself: the activation pending is done.
    void markActivated() { m_pending = false; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_window;
    std::function<void()> m_activation;
    bool m_pending = true;
};

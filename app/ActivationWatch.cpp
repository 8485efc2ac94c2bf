#include "ActivationWatch.h"

#include "HelpWindow.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QWidget>
#include <QWindow>

ActivationWatch::ActivationWatch(QWidget *window, std::function<void()> activation)
    : QObject(window)
    , m_window(window)
    , m_activation(std::move(activation))
{
    window->installEventFilter(this);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, [this](QWindow *focused) {
        if (leavesForAnotherWindow(m_window, focused))
            m_pending = true;
    });
}

bool ActivationWatch::leavesForAnotherWindow(const QWidget *from, QWindow *window)
{
    if (!window || window == from->windowHandle())
        return false;
    const QWidgetList windows = QApplication::topLevelWidgets();
    for (const QWidget *widget : windows) {
        if (widget->windowHandle() != window)
            continue;
        if (qobject_cast<const QDialog *>(widget) || qobject_cast<const HelpWindow *>(widget))
            return false;
        const Qt::WindowType type = widget->windowType();
        return type != Qt::Popup && type != Qt::ToolTip;
    }
    return false;
}

bool ActivationWatch::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        if (event->type() == QEvent::Show && !event->spontaneous()) {
            // Shown again by another window: its next activation is a return.
            m_pending = true;
        } else if (event->type() == QEvent::WindowActivate && m_pending) {
            m_pending = false;
            m_activation();
        }
    }
    return QObject::eventFilter(watched, event);
}

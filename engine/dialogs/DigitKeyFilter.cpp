#include "DigitKeyFilter.h"

#include <QApplication>
#include <QKeyEvent>

DigitKeyFilter::DigitKeyFilter(QObject *parent)
    : QObject(parent)
    , m_beep([] { QApplication::beep(); })
{
}

bool DigitKeyFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const auto *key = static_cast<QKeyEvent *>(event);
    switch (key->key()) {
    case Qt::Key_Backspace:
    case Qt::Key_Delete:
    case Qt::Key_Left:
    case Qt::Key_Right:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return false;
    default:
        break;
    }
    const QString text = key->text();
    if (text.isEmpty())
        return false;
    const bool digits
        = std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
    if (digits && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
        return false;
    ++m_refused;
    if (m_beep)
        m_beep();
    return true;
}

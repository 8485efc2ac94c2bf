#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>

class QPushButton;

// Holds the place of a window that a later version of rouvel brings, so the windows that open
// it already work: it names itself and "RETURN" takes the user back.
class StandInWindow : public QWidget
{
    Q_OBJECT
public:
    StandInWindow(const QString &windowName, const QString &caption, QWidget *parent = nullptr);

    // The window "RETURN" shows again; without one, "RETURN" just closes this window.
    void setReturnTo(QWidget *window);
    QWidget *returnTo() const { return m_returnTo; }

    QPushButton *returnButton() const { return m_returnButton; }

    static QString notice();

private:
    void goBack();

    QPointer<QWidget> m_returnTo;
    QPushButton *m_returnButton = nullptr;
};

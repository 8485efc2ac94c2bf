#include "StandInWindow.h"

#include <QFont>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

StandInWindow::StandInWindow(const QString &windowName, const QString &caption, QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(windowName);
    setWindowTitle(caption);

    auto *title = new QLabel(caption, this);
    QFont titleFont = title->font();
    titleFont.setPointSize(titleFont.pointSize() + 6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setAlignment(Qt::AlignCenter);

    auto *line = new QLabel(notice(), this);
    line->setAlignment(Qt::AlignCenter);

    m_returnButton = new QPushButton(QStringLiteral("RETURN"), this);
    m_returnButton->setObjectName(QStringLiteral("returnButton"));
    m_returnButton->setDefault(true);
    connect(m_returnButton, &QPushButton::clicked, this, [this] { goBack(); });

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    layout->setSpacing(16);
    layout->addWidget(title);
    layout->addWidget(line);
    layout->addWidget(m_returnButton, 0, Qt::AlignHCenter);
    setMinimumWidth(420);
}

void StandInWindow::setReturnTo(QWidget *window) { m_returnTo = window; }

QString StandInWindow::notice()
{
    return QStringLiteral("This window comes with a later version of rouvel.");
}

void StandInWindow::goBack()
{
    if (!m_returnTo) {
        close();
        return;
    }
    hide();
    m_returnTo->show();
    m_returnTo->activateWindow();
}

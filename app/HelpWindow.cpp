#include "HelpWindow.h"

#include "ModRouvel.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("HelpWindow"));
    setWindowTitle(QStringLiteral("rouvel Help"));
    m_browser = new QTextBrowser(this);
    m_browser->setOpenExternalLinks(true);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    m_databaseLabel = new QLabel(this);
    m_databaseLabel->setObjectName(QStringLiteral("databaseLabel"));
    m_databaseLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_databaseLabel->setContentsMargins(6, 3, 6, 3);
    layout->addWidget(m_databaseLabel);
    resize(720, 640);
}

bool HelpWindow::openContents(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return false;
    // The guide's name does not end in .html, so say what it is.
    m_browser->setSource(QUrl::fromLocalFile(info.absoluteFilePath()), QTextDocument::HtmlResource);
    if (m_browser->document()->isEmpty())
        return false;
    m_browser->scrollToAnchor(QStringLiteral("contents"));
    const QString title = m_browser->documentTitle();
    setWindowTitle(title.isEmpty() ? QStringLiteral("rouvel Help") : title);
    return true;
}

void HelpWindow::showDatabase(const QString &dbPath)
{
    m_databaseLabel->setText(
        QStringLiteral("Database file: %1").arg(QDir::toNativeSeparators(dbPath)));
}

QString HelpWindow::missingFileMessage(const QString &path)
{
    return QStringLiteral("The help file cannot be found or read:\n%1").arg(path);
}

void HelpWindow::showContents(QWidget *parent)
{
    // One help window for the whole run, kept for the next "Help".
    static QPointer<HelpWindow> window;
    if (!window) {
        window = new HelpWindow;
        window->setAttribute(Qt::WA_DeleteOnClose);
        QObject::connect(qApp, &QCoreApplication::aboutToQuit, window, &QObject::deleteLater);
    }
    if (!window->openContents(ModRouvel::helpPath)) {
        QMessageBox::warning(parent, QStringLiteral("rouvel"),
            missingFileMessage(ModRouvel::helpPath), QMessageBox::Ok);
        return;
    }
    window->showDatabase(ModRouvel::dbPath);
    window->show();
    window->raise();
    window->activateWindow();
}

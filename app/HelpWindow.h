#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QTextBrowser;

// Shows the user guide rouvel.hlp, an HTML document kept beside the program.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);

    // Loads the guide at its contents page. False when the file is missing, unreadable or
    // empty.
    bool openContents(const QString &path);

    QTextBrowser *browser() const { return m_browser; }

    // The line under the guide naming the database file in use, which may lie elsewhere than
    // the program (--db, ROUVEL_DB, the user's data folder).
    void showDatabase(const QString &dbPath);
    QLabel *databaseLabel() const { return m_databaseLabel; }

    static QString missingFileMessage(const QString &path);

    // What every "Help" command does: the guide at helpPath, opened at its contents page in the
    // one help window of the program, or a message saying it cannot be found.
    static void showContents(QWidget *parent);

private:
    QTextBrowser *m_browser = nullptr;
    QLabel *m_databaseLabel = nullptr;
};

#pragma once

#include <QString>
#include <QStringList>

#include <array>

// What the find dialog remembers for the life of the process: the last search, the
// "from the beginning" choice and the ten most recent searches, most recent first.
class FindState
{
public:
    static constexpr int HistorySize = 10;

    QString SearchString;
    bool StartTop = false;
    int ModalResult = 2;

    // The entries the dialog lists when it opens: the history without its blank entries.
    QStringList listForOpening() const;
    // OK in the dialog: `shown` is the list as the dialog holds it, `typed` the text as typed.
    void confirm(QStringList shown, const QString &typed, bool startTop);
    const std::array<QString, HistorySize> &history() const { return m_history; }

    // The process's one instance, shared by every preview.
    static FindState &process();

private:
    std::array<QString, HistorySize> m_history;
};

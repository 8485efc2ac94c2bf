#include "FindState.h"

QStringList FindState::listForOpening() const
{
    QStringList list;
    for (const QString &entry : m_history) {
        if (!entry.trimmed().isEmpty())
            list.append(entry);
    }
    return list;
}

void FindState::confirm(QStringList shown, const QString &typed, bool startTop)
{
    if (shown.isEmpty() || shown.first() != typed)
        shown.prepend(typed);
    // Entries beyond a shorter list keep their old text, as the dialog always did.
    const int n = std::min<int>(HistorySize, shown.size());
    for (int i = 0; i < n; ++i)
        m_history[i] = shown.at(i);
    SearchString = typed;
    StartTop = startTop;
    ModalResult = 1;
}

FindState &FindState::process()
{
    static FindState state;
    return state;
}

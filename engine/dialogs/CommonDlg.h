#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace CommonDlg {

// Asks before an existing file is chosen, so it is replaced only when the user says so.
constexpr quint32 OverwritePrompt = 2;
// Hides the read-only check box.
constexpr quint32 HideReadOnly = 4;

// Description and pattern pairs, each item followed by a NUL and the whole by one more NUL,
// turned into Qt name filters ("Text Files (*.txt)").
QStringList nameFilters(const QString &nulSeparatedPairs);

// Asks for a file to save into. True and the chosen path when confirmed; false and an empty
// path when cancelled. Without OverwritePrompt no question is asked when the file exists: the
// caller replaces it. filterIndex, when given, receives the chosen filter, counted from 1. A
// name typed without an extension gets the chosen filter's one ("*.pdf"), or defaultExt
// when the filter has none of its own ("*.*").
bool SaveFileDialog(QWidget *owner, const QString &title, const QString &filter,
    const QString &initialDir, const QString &defaultExt, quint32 flags, QString &fileName,
    int *filterIndex = nullptr);

} // namespace CommonDlg

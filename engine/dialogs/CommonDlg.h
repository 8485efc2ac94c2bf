#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class QWidget;

namespace CommonDlg {

// Hides the read-only check box; the only flag the engine passes.
constexpr quint32 HideReadOnly = 4;

// Description and pattern pairs, each item followed by a NUL and the whole by one more NUL,
// turned into Qt name filters ("Text Files (*.txt)").
QStringList nameFilters(const QString &nulSeparatedPairs);

// Asks for a file to save into. True and the chosen path when confirmed; false and an empty
// path when cancelled. No question is asked when the file exists: the caller replaces it.
bool SaveFileDialog(QWidget *owner, const QString &title, const QString &filter,
    const QString &initialDir, const QString &defaultExt, quint32 flags, QString &fileName);

} // namespace CommonDlg

#include "CommonDlg.h"

#include <QFileDialog>
#include <QRegularExpression>

namespace CommonDlg {

QStringList nameFilters(const QString &nulSeparatedPairs)
{
    QStringList items = nulSeparatedPairs.split(QChar(0));
    while (!items.isEmpty() && items.last().isEmpty())
        items.removeLast();
    QStringList filters;
    for (qsizetype i = 0; i + 1 < items.size(); i += 2) {
        const QString description = items.at(i);
        const QString patterns = QString(items.at(i + 1)).replace(u';', u' ');
        // Qt reads the patterns from the parentheses of the description.
        filters.append(description.contains(u'(')
                ? description
                : QStringLiteral("%1 (%2)").arg(description, patterns));
    }
    return filters;
}

bool SaveFileDialog(QWidget *owner, const QString &title, const QString &filter,
    const QString &initialDir, const QString &defaultExt, quint32 flags, QString &fileName,
    int *filterIndex)
{
    // Qt's dialog has no read-only check box to hide.
    fileName.clear();
    if (filterIndex)
        *filterIndex = 0;
    QFileDialog dialog(owner, title, initialDir);
    dialog.setObjectName(QStringLiteral("SaveFileDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(flags & OverwritePrompt));
    const QStringList filters = nameFilters(filter);
    if (!filters.isEmpty())
        dialog.setNameFilters(filters);
    QString suffix = defaultExt;
    if (suffix.startsWith(u'.'))
        suffix.remove(0, 1);
    const auto suffixFor = [suffix](const QString &nameFilter) {
        static const QRegularExpression single(QStringLiteral("\\(\\*\\.(\\w+)\\)$"));
        const QRegularExpressionMatch m = single.match(nameFilter);
        return m.hasMatch() ? m.captured(1) : suffix;
    };
    dialog.setDefaultSuffix(filters.isEmpty() ? suffix : suffixFor(filters.first()));
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog,
        [&dialog, suffixFor](
            const QString &nameFilter) { dialog.setDefaultSuffix(suffixFor(nameFilter)); });
    if (dialog.exec() != QDialog::Accepted)
        return false;
    const QStringList chosen = dialog.selectedFiles();
    if (chosen.isEmpty() || chosen.first().isEmpty())
        return false;
    fileName = chosen.first();
    if (filterIndex)
        *filterIndex = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return true;
}

} // namespace CommonDlg

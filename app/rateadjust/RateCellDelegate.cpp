#include "rateadjust/RateCellDelegate.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>

RateCellDelegate::RateCellDelegate(QObject *parent)
    : QStyledItemDelegate(parent)
{
}

QString RateCellDelegate::allowedKeys() { return QStringLiteral("0123456789."); }

bool RateCellDelegate::ValiText(QChar typed)
{
    if (typed == QChar(u'\b'))
        return true;
    return allowedKeys().contains(typed, Qt::CaseInsensitive);
}

QWidget *RateCellDelegate::createEditor(
    QWidget *parent, const QStyleOptionViewItem &, const QModelIndex &) const
{
    auto *editor = new QLineEdit(parent);
    editor->setObjectName(QStringLiteral("rateEditor"));
    editor->setFrame(false);
    editor->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_editor = editor;
    return editor;
}

void RateCellDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor))
        line->setText(index.data(Qt::EditRole).toString());
}

void RateCellDelegate::setModelData(
    QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    if (auto *line = qobject_cast<QLineEdit *>(editor)) {
        // Unchanged text is not handed on, so a cell merely visited changes nothing.
        if (line->isModified() || line->text() != index.data(Qt::EditRole).toString())
            model->setData(index, line->text(), Qt::EditRole);
    }
}

void RateCellDelegate::commitOpenEditor()
{
    QLineEdit *editor = m_editor;
    if (!editor)
        return;
    m_editor.clear();
    emit commitData(editor);
    emit closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
}

bool RateCellDelegate::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QString text = key->text();
        // Only typed characters are filtered: arrows, Tab, Enter, Esc and shortcuts move or
        // command, they type nothing.
        const bool typesCharacter = !text.isEmpty()
            && (text.at(0).isPrint() || text.at(0) == QChar(u'\b'))
            && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
        if (typesCharacter) {
            for (const QChar c : text) {
                if (!ValiText(c)) {
                    QApplication::beep();
                    emit keyRefused();
                    return true;
                }
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

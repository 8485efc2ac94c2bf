#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QStyledItemDelegate>

// Edits a rate cell in place: a line edit holding the rate as digits and a period, under the
// key filter ValiText. The cell's text is handed to the model as typed; the model decides
// whether it is a rate.
class RateCellDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit RateCellDelegate(QObject *parent = nullptr);

    // The key filter: a typed character is kept when it is one of "0123456789." (compared
    // without regard to case) or Backspace.
    static bool ValiText(QChar typed);
    static QString allowedKeys(); // "0123456789."

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
        const QModelIndex &index) const override;
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(
        QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

    // The editor open now, if any.
    QLineEdit *openEditor() const { return m_editor; }
    // Hands the open editor's text to the model and closes it as leaving the row would, so the
    // row is written. Nothing happens when no cell is being edited.
    void commitOpenEditor();

signals:
    // A typed character was dropped (the beep has sounded).
    void keyRefused();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    mutable QPointer<QLineEdit> m_editor;
};

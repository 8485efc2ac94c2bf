#pragma once

#include <QDialog>

class FindState;
class QCheckBox;
class QComboBox;

// "Find Text": asks the preview for the text to search, over the process's find history.
class FindForm : public QDialog
{
    Q_OBJECT
public:
    explicit FindForm(FindState &state, QWidget *parent = nullptr);

    QComboBox *searchText() const { return m_searchText; }
    QCheckBox *startTopCheck() const { return m_startTopChk; }

    // Shows the dialog modally; returns the state's ModalResult (1 confirmed, 2 cancelled).
    int run();

private:
    void confirm();

    FindState &m_state;
    QComboBox *m_searchText = nullptr;
    QCheckBox *m_startTopChk = nullptr;
};

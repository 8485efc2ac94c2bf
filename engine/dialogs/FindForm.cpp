#include "FindForm.h"

#include "FindState.h"
#include "OkCancelButtons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>

FindForm::FindForm(FindState &state, QWidget *parent)
    : QDialog(parent)
    , m_state(state)
{
    setObjectName(QStringLiteral("FindForm"));
    setWindowTitle(QStringLiteral("Find Text"));
    setModal(true);

    auto *label = new QLabel(QStringLiteral("Search for"), this);
    m_searchText = new QComboBox(this);
    m_searchText->setObjectName(QStringLiteral("SearchText"));
    m_searchText->setEditable(true);
    // The history is ours: typing must not add entries behind our back.
    m_searchText->setInsertPolicy(QComboBox::NoInsert);
    m_searchText->setMinimumWidth(260);
    label->setBuddy(m_searchText);

    m_startTopChk
        = new QCheckBox(QStringLiteral("Start searching from beginning of document"), this);
    m_startTopChk->setObjectName(QStringLiteral("StartTopChk"));

    auto *buttons = makeOkCancelButtons(this, [this] { confirm(); });

    auto *grid = new QGridLayout(this);
    grid->addWidget(label, 0, 0);
    grid->addWidget(m_searchText, 0, 1);
    grid->addWidget(m_startTopChk, 1, 0, 1, 2);
    grid->addWidget(buttons, 2, 0, 1, 2);
    setFixedSize(sizeHint());
}

int FindForm::run()
{
    m_searchText->clear();
    m_searchText->addItems(m_state.listForOpening());
    if (m_searchText->count() > 0)
        m_searchText->setCurrentIndex(0);
    else
        m_searchText->setEditText(QString());
    m_startTopChk->setChecked(m_state.StartTop);
    m_state.ModalResult = 2;
    m_searchText->setFocus();
    exec();
    return m_state.ModalResult;
}

void FindForm::confirm()
{
    QStringList shown;
    for (int i = 0; i < m_searchText->count(); ++i)
        shown.append(m_searchText->itemText(i));
    m_state.confirm(shown, m_searchText->currentText(), m_startTopChk->isChecked());
    accept();
}

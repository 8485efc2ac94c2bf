#pragma once

#include "parties/CustomerBook.h"

#include <QString>
#include <QWidget>

#include <array>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

// The customers window "Customers informations": the chooser, the six fields of a customer with
// their placeholders, and the commands. What it keeps is CustomerBook's; this window passes it
// what the user does and shows what it holds.
class Clients : public QWidget
{
    Q_OBJECT
public:
    // Opens the customers window afresh for the window named callerName ("entreval" or
    // "frmDonnéesTab"), which "RETURN" shows again. The window deletes itself when closed.
    static Clients *open(const QString &callerName);

    explicit Clients(QWidget *parent = nullptr);
    ~Clients() override;

    const CustomerBook &book() const { return m_book; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildWidgets();
    void activation();
    void chooseCustomer(int index);
    void newCustomer();
    void saveNewCustomer();
    void saveModifications();
    void deleteCustomer();
    void cancel();
    void returnToCaller();
    PartyAddress typedFields() const;
    void tell(const QString &message);
    // Mirrors the book's state; the fields too unless the user's typing must stay.
    void updateView(bool fields);

    CustomerBook m_book;
    bool m_databaseOpen = false;
    QString m_openProblem; // why the database file could not be opened

    QLabel *m_loadProblem = nullptr;
    QComboBox *m_chooser = nullptr;
    std::array<QStackedWidget *, 6> m_covers {};
    std::array<QLineEdit *, 6> m_fields {};
    std::array<QLineEdit *, 6> m_placeholders {};
    QPushButton *m_newButton = nullptr;
    QPushButton *m_saveNewButton = nullptr;
    QPushButton *m_saveModificationsButton = nullptr;
    QPushButton *m_deleteButton = nullptr;
    QPushButton *m_cancelButton = nullptr;
    QPushButton *m_returnButton = nullptr;
};

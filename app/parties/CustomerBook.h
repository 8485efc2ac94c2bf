#pragma once

#include "data/Database.h"
#include "data/RecordSet.h"
#include "parties/PartyAddress.h"

#include <QString>
#include <QStringList>

// What the customers window shows: the chooser, the six fields and their placeholders, and
// which commands are on screen ("Cancel" and "RETURN" always are).
struct CustomersState
{
    enum class Mode {
        Idle, // fields covered and empty
        Chosen, // a customer chosen in the chooser, its fields editable
        New, // a new customer being entered
    };

    Mode mode = Mode::Idle;
    QStringList customerNames; // the chooser's entries: NomClient in the table's order
    bool chooserShown = true;
    bool placeholdersShown = true;
    PartyAddress fields; // what the six fields hold
    bool newShown = true; // "New customer"
    bool saveNewShown = false; // "Save new customer"
    bool saveModificationsShown = false;
    bool deleteShown = false; // "Delete customer"
    QString loadProblem; // why the customers could not be read; empty when they were
};

// The customers of TableClients as the customers window keeps them, without the window. The
// customer being changed or deleted is the current row of the record set, positioned by the
// chooser: there is no key, and two customers may share a name.
class CustomerBook
{
public:
    static QString noNameMessage(); // "You did not enter any customer name"
    static QString noCustomerMessage(); // "No customer selected"

    CustomerBook() = default;
    explicit CustomerBook(Database db);

    void setDatabase(Database db);
    const CustomersState &state() const { return m_state; }
    int customerCount() const { return m_state.customerNames.size(); }

    // The window became active: TableClients is opened afresh and the window reset, which drops
    // a customer chosen or entered and not saved.
    void activate();
    // Re-reads the customers, reloads the chooser, empties and covers the fields and shows
    // "New customer"; the other commands keep their state.
    void reset();

    // Entry `row` of the chooser was chosen; false when there is no such customer.
    bool choose(int row);
    void startNew(); // "New customer"
    void cancel(); // "Cancel": nothing is written

    // The three writing commands return the text of the message to show, empty when there is
    // none. A refusal by the database writes nothing and keeps the typed fields and the state.
    QString saveNew(const PartyAddress &typed); // "Save new customer"
    QString saveModifications(const PartyAddress &typed);
    QString deleteCustomer(); // "Delete customer", without a question

private:
    // Fills the chooser's names from the record set, read again first when reread.
    void reload(bool reread);
    void resetView();

    Database m_db;
    RecordSet m_customers;
    bool m_open = false;
    CustomersState m_state;
};

#include "parties/CustomerBook.h"

#include "data/DataError.h"

namespace {

const QString customerTable = QStringLiteral("TableClients");

QString refusal(const QString &what, const DataError &error)
{
    return QStringLiteral("%1\n%2").arg(what, error.message());
}

} // namespace

QString CustomerBook::noNameMessage()
{
    return QStringLiteral("You did not enter any customer name");
}

QString CustomerBook::noCustomerMessage() { return QStringLiteral("No customer selected"); }

CustomerBook::CustomerBook(Database db) { setDatabase(std::move(db)); }

void CustomerBook::setDatabase(Database db)
{
    m_db = std::move(db);
    m_open = false;
}

void CustomerBook::activate()
{
    // A choice or a new customer dropped takes its commands along; after a saved change, with
    // nothing chosen, they stay.
    const bool choiceDropped = m_state.mode != CustomersState::Mode::Idle;
    m_open = false;
    m_state.loadProblem.clear();
    try {
        m_customers = RecordSet::openTable(m_db, customerTable);
        m_open = true;
    } catch (const DataError &error) {
        m_customers = RecordSet();
        m_state.loadProblem = error.message();
    }
    // Just read: the reset need not read the table a second time.
    reload(false);
    resetView();
    m_state.saveNewShown = false;
    if (choiceDropped) {
        m_state.saveModificationsShown = false;
        m_state.deleteShown = false;
    }
}

void CustomerBook::reload(bool reread)
{
    m_state.customerNames.clear();
    if (!m_open)
        return;
    try {
        if (reread)
            m_customers.requery();
        m_state.loadProblem.clear();
        const int nameField = m_customers.fieldIndex(QStringLiteral("NomClient"));
        m_state.customerNames.reserve(m_customers.rowCount());
        for (int row = 0; row < m_customers.rowCount(); ++row) {
            m_customers.moveToRow(row);
            m_state.customerNames << m_customers.text(nameField);
        }
        if (!m_customers.isEmpty())
            m_customers.moveFirst();
    } catch (const DataError &error) {
        m_state.customerNames.clear();
        m_state.loadProblem = error.message();
    }
}

void CustomerBook::reset()
{
    reload(true);
    resetView();
}

void CustomerBook::resetView()
{
    m_state.mode = CustomersState::Mode::Idle;
    m_state.chooserShown = true;
    m_state.fields = PartyAddress();
    m_state.placeholdersShown = true;
    m_state.newShown = true;
}

bool CustomerBook::choose(int row)
{
    if (!m_open || row < 0 || row >= m_customers.rowCount())
        return false;
    try {
        m_customers.moveToRow(row);
        m_state.fields = PartyAddress::read(m_customers);
    } catch (const DataError &) {
        return false;
    }
    m_state.mode = CustomersState::Mode::Chosen;
    m_state.placeholdersShown = false;
    m_state.saveModificationsShown = true;
    m_state.deleteShown = true;
    m_state.newShown = false;
    return true;
}

void CustomerBook::startNew()
{
    m_state.chooserShown = false;
    reload(true);
    m_state.mode = CustomersState::Mode::New;
    m_state.fields = PartyAddress();
    m_state.placeholdersShown = false;
    m_state.saveNewShown = true;
    m_state.newShown = false;
    m_state.saveModificationsShown = false;
    m_state.deleteShown = false;
}

void CustomerBook::cancel()
{
    reset();
    m_state.saveNewShown = false;
    m_state.saveModificationsShown = false;
    m_state.deleteShown = false;
}

QString CustomerBook::saveNew(const PartyAddress &typed)
{
    // Only the empty name is refused: a name of blanks is a name.
    if (typed.name.isEmpty())
        return noNameMessage();
    if (const QString hidden = typed.hiddenCharacterInName(); !hidden.isEmpty()) {
        m_state.fields = typed;
        return hidden;
    }
    try {
        if (!m_open) {
            m_customers = RecordSet::openTable(m_db, customerTable);
            m_open = true;
        }
        m_customers.addNew();
        typed.writeTo(m_customers);
        m_customers.update();
    } catch (const DataError &error) {
        m_customers.cancelUpdate();
        m_state.fields = typed;
        return refusal(QStringLiteral("The customer was not saved."), error);
    }
    reset();
    m_state.saveNewShown = false;
    return {};
}

QString CustomerBook::saveModifications(const PartyAddress &typed)
{
    if (m_state.placeholdersShown || m_state.mode != CustomersState::Mode::Chosen)
        return noCustomerMessage();
    try {
        // A name stored before names were checked is kept as it is until it is changed.
        if (typed.name != m_customers.text(PartyAddress::fieldNames().first())) {
            if (const QString hidden = typed.hiddenCharacterInName(); !hidden.isEmpty()) {
                m_state.fields = typed;
                return hidden;
            }
        }
        m_customers.edit();
        typed.writeTo(m_customers);
        m_customers.update();
    } catch (const DataError &error) {
        m_customers.cancelUpdate();
        m_state.fields = typed;
        return refusal(QStringLiteral("The customer was not saved."), error);
    }
    // "Save modifications" and "Delete customer" stay on screen, with nothing chosen.
    reset();
    return {};
}

QString CustomerBook::deleteCustomer()
{
    if (m_state.placeholdersShown || m_state.mode != CustomersState::Mode::Chosen)
        return noCustomerMessage();
    try {
        m_customers.deleteCurrent();
    } catch (const DataError &error) {
        return refusal(QStringLiteral("The customer was not deleted."), error);
    }
    reset();
    m_state.saveModificationsShown = false;
    m_state.deleteShown = false;
    return {};
}

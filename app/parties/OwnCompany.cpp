#include "parties/OwnCompany.h"

#include "data/DataError.h"

OwnCompany::OwnCompany(Database db) { setDatabase(std::move(db)); }

void OwnCompany::setDatabase(Database db)
{
    m_db = std::move(db);
    m_open = false;
}

void OwnCompany::activate()
{
    m_fields = PartyAddress();
    m_hasRow = false;
    m_loadProblem.clear();
    try {
        if (!m_open) {
            m_company = RecordSet::openTable(m_db, QStringLiteral("origine"));
            m_open = true;
        } else {
            m_company.requery();
        }
        if (!m_company.isEmpty()) {
            m_company.moveFirst();
            m_fields = PartyAddress::read(m_company);
            m_hasRow = true;
        }
    } catch (const DataError &error) {
        m_loadProblem = error.message();
    }
}

QString OwnCompany::save(const PartyAddress &typed)
{
    // A name stored before names were checked is kept as it is until it is changed.
    if (typed.name != m_fields.name) {
        if (const QString hidden = typed.hiddenCharacterInName(); !hidden.isEmpty())
            return hidden;
    }
    try {
        // Read again: another window may have changed the table since.
        if (m_open) {
            m_company.requery();
        } else {
            m_company = RecordSet::openTable(m_db, QStringLiteral("origine"));
            m_open = true;
        }
        if (m_company.isEmpty()) {
            // A file without its company row gets it from the first save.
            m_company.addNew();
        } else {
            m_company.moveFirst();
            m_company.edit();
        }
        typed.writeTo(m_company);
        m_company.update();
    } catch (const DataError &error) {
        m_company.cancelUpdate();
        return QStringLiteral("Your company was not saved.\n%1").arg(error.message());
    }
    activate();
    return {};
}

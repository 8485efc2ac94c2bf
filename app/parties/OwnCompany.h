#pragma once

#include "data/Database.h"
#include "data/RecordSet.h"
#include "parties/PartyAddress.h"

#include <QString>

// The own company, the shipper of every bill of lading: the first row of origine, without the
// window.
class OwnCompany
{
public:
    OwnCompany() = default;
    explicit OwnCompany(Database db);

    void setDatabase(Database db);

    // Re-reads origine. The fields hold its first row, or nothing when the table has no row or
    // cannot be read (loadProblem() then says why).
    void activate();
    const PartyAddress &fields() const { return m_fields; }
    bool hasRow() const { return m_hasRow; }
    QString loadProblem() const { return m_loadProblem; }

    // "Save modifications": writes the six texts into the first row, or into a new row when
    // there is none yet, and reads the table again. Returns the message to show, empty when
    // saved; a refusal writes nothing and leaves fields() as they were.
    QString save(const PartyAddress &typed);

private:
    Database m_db;
    RecordSet m_company;
    bool m_open = false;
    bool m_hasRow = false;
    PartyAddress m_fields;
    QString m_loadProblem;
};

#pragma once

#include "data/Database.h"
#include "ratesheets/RateSheet.h"

#include <QString>

#include <optional>

// Brings a checked rate sheet into a carrier's rates. A destination the carrier serves gets the
// sheet's rates; one that exists but is not served becomes served, as "Add" in the carrier
// window does; a name that is no destination yet is created in capitals and served, as the
// new-destination entry does. Rates of columns the sheet leaves out, and destinations it does
// not name, stay as they are. The whole sheet is one save: all of it or nothing.
class RateSheetImport
{
public:
    struct Summary
    {
        int ratesChanged = 0; // rate cells whose value the sheet changes
        int newlyServed = 0; // existing destinations the carrier starts to serve
        int created = 0; // destinations the sheet creates
        int unchangedRows = 0; // rows of the sheet that change nothing
        int notInSheet = 0; // destinations the carrier serves that the sheet does not name
        // Names the file cannot take as they are; the sheet is then refused whole.
        QVector<RateSheetProblem> problems;

        // A few lines for the clerk or the terminal.
        QString text() const;
        friend bool operator==(const Summary &, const Summary &) = default;
    };

    RateSheetImport(const Database &db, qint32 carrierNo, RateKind kind);

    // What applying the sheet would change; reads only. Throws DataError.
    Summary plan(const RateSheet &sheet) const;
    // Writes the sheet in one transaction and returns what it changed. Throws DataError, and
    // then nothing is written; also when the plan has problems.
    Summary apply(const RateSheet &sheet);

    // The carrier of that short name (without regard to case, as the file compares them).
    // Throws DataError.
    static std::optional<qint32> findCarrier(const Database &db, const QString &name);

private:
    struct Work;
    Work prepare(const RateSheet &sheet) const;

    Database m_db;
    qint32 m_carrierNo = 0;
    RateKind m_kind = RateKind::Weight;
};

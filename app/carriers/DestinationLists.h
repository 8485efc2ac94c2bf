#pragma once

#include "data/Database.h"
#include "data/RecordSet.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

// What the destination panel of the carrier window shows.
struct DestinationListsState
{
    QString carrierListText; // ListDestTrans's text: empty, then "carrier's list of destinations"
    QStringList carrierDestinations; // ListDestTrans: NomDestination of DestparTrans
    QStringList missingDestinations; // NomDestination of DestManque
    int missingIndex = -1; // the entry the not-yet-served list shows; -1: "Select destination"
    QString nameToAdd; // the read-only name of the destination to add
    QString newDestination; // the new-destination entry
    bool removeShown = true;
    bool cancelShown = false;
    bool flagselection = false; // an entry of either list was clicked
};

// The destinations a carrier serves and those it does not serve yet, with the commands that
// add a destination to the carrier, create a destination and delete an unused one. A carrier
// serves a destination when a Tarifs row exists for the pair; no command here deletes one.
class DestinationLists
{
public:
    static QString listText(); // "carrier's list of destinations"
    static QString nothingSelectedMessage();
    static QString nothingEnteredMessage();
    static QString boundMessage();
    static QString removeQuestion();
    static QString alreadyServedMessage();
    static QString duplicateMessage();
    // A new destination name holding a character nobody can see; problem is VisibleName's.
    static QString hiddenCharacterMessage(const QString &problem);

    // a-z become capitals; every other character, accented letters included, stays.
    static QChar upper(QChar c);
    static QString upper(const QString &text);

    const DestinationListsState &state() const { return m_state; }
    qint32 carrierNo() const { return m_carrierNo; }

    // Opens the general list of destinations (TriDest). Throws DataError.
    void open(const Database &db);
    // Re-reads the general list so destinations saved elsewhere show.
    void rereadGeneral();

    // The carrier became current: both destination queries are re-run for it. Throws DataError.
    void setCarrier(qint32 carrierNo);
    // The not-yet-served list is read again and set back to its prompt; no entry stays chosen.
    void reloadMissing();

    // A click on entry `index` of the not-yet-served list.
    void chooseMissing(int index);
    // A click on an entry of the carrier's list.
    void clickCarrierDestination();
    // The right mouse button over the carrier's list; true when it prepared "Remove".
    bool rightButton();
    void cancel();

    // Empties the name of the destination to add and the new-destination entry.
    void clearEntries();
    void setNewDestination(const QString &text);

    // "Add" beside the name of the destination to add. Returns the message to show, empty when
    // the destination was added.
    QString addToCarrier();
    // "Add" beside the new-destination entry: creates the destination and serves it. A name
    // that is an existing destination's (DestinationName) is refused as a duplicate.
    QString addNew();
    // "Remove": deletes the destination last chosen in the not-yet-served list once `ask`
    // answers yes to the question. Returns the message to show, if any.
    QString remove(const std::function<bool(const QString &question)> &ask);

    // The destination given to every new carrier (the first row of RequêteNEWYORK), if any.
    static std::optional<qint32> defaultDestination(const Database &db);
    // Adds the Tarifs row that makes the carrier serve the destination.
    static void serve(const Database &db, qint32 carrierNo, qint32 destinationNo);

private:
    // The general list, as last read, holds the same destination (DestinationName).
    bool exists(const QString &name);
    void rerunServed();
    void rerunMissing();

    Database m_db;
    RecordSet m_general; // ListDestGen over TriDest
    RecordSet m_served; // MAJdest over DestparTrans
    RecordSet m_missing; // over DestManque
    qint32 m_carrierNo = 0;
    // The entry chosen in the not-yet-served list, until that list is read again.
    std::optional<qint32> m_chosenMissing;
    QString m_chosenMissingName;
    DestinationListsState m_state;
};

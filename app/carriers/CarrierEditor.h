#pragma once

#include "carriers/CarrierRecord.h"
#include "carriers/DestinationLists.h"
#include "data/Database.h"
#include "data/RecordSet.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <functional>

class DataError;

// What the carrier window shows, apart from its destination panel.
struct CarrierEditorState
{
    bool editablePanel = false; // false: the inactive panel and the destination placeholder
    bool destinationsActive = false; // the destination panel of a chosen carrier
    bool chooserShown = false;
    bool editShown = true; // "&Edit"
    bool updateShown = false; // "&Update", at the same place
    QStringList chooserEntries; // NomTrans of TriTrans
    int chooserIndex = -1; // -1: "Select carrier"
    CarrierRecord record; // the fields of the editable panel
    RateType rateType = RateType::None;

    bool flagnouveau = false; // new-carrier mode
    bool flagMAJ = false; // update mode
    qint32 currentCarrierNo = 0;
};

// The carrier window without its widgets: the carrier records (IdentTrans), the chooser over
// TriTrans, the window's modes, the two saves enregistreMAJ and enregistrenouveau, and through
// DestinationLists each carrier's destinations. The commands are those of the window, in the
// order a user meets them; each returns the text of the message box to show, empty for none.
//
// What the user types belongs to the current carrier record: it is saved by "&Update", and also
// before another carrier becomes current and when the window is unloaded, so typed data is
// never lost by choosing another carrier. A new carrier is only ever written with both names.
// A new record that "&Update" refused is not written later either: it keeps what was typed and
// the option chosen for a correction ("&Add carrier" shows it again), and is dropped when another
// carrier is chosen or by "&RETURN"; the option clicked for it never reaches an existing carrier.
class CarrierEditor
{
public:
    static QString missingNamesMessage();
    static QString duplicateMessage();
    static QString noDestinationMessage(); // a choice that finds no record to read
    static QString noDefaultDestinationMessage(); // a new carrier saved without destination
    // A carrier name holding a character nobody can see; problem is VisibleName's.
    static QString hiddenCharacterMessage(int field, const QString &problem);
    static QString chooserPrompt(); // "Select carrier"
    static QString chooserHint();

    const CarrierEditorState &state() const { return m_state; }
    const DestinationLists &destinations() const { return m_destinations; }
    const Database &database() const { return m_db; }

    // Window load: opens the record sources on the file. Throws DataError.
    void load(const Database &db);
    bool isLoaded() const { return m_db.isOpen(); }

    void edit(); // "&Edit"
    void openChooser(); // a click on the chooser's arrow
    QString chooseCarrier(int index); // a choice of a chooser entry
    void chooserLostFocus();
    QString update(); // "&Update"
    QString addCarrier(); // "&Add carrier"
    void returnToMain(); // "&RETURN" (the window itself shows the main window)
    // Saves what is still pending, as the window's unloading does.
    QString unload();

    // The user typed in field `field` of the editable panel, or chose a rate-type option.
    void setField(int field, const QString &text);
    void setRateType(RateType type);

    // The destination panel's commands.
    void chooseMissingDestination(int index);
    QString addDestination();
    QString addNewDestination();
    void setNewDestination(const QString &text);
    QString removeDestination(const std::function<bool(const QString &question)> &ask);
    void clickCarrierDestination();
    bool rightButton();
    void cancelRemove();

    QString enregistreMAJ();
    QString enregistrenouveau();

private:
    // The carrier record source got a new current record.
    void becameCurrent();
    void idle();
    void refreshChooser();
    void readCurrentRecord();
    bool isDirty() const;
    // Writes the typed fields into the current record; with rateType, TarifType as well.
    void writeCurrent(bool rateType);
    // Writes the pending record before another one becomes current; false when it could not.
    bool savePending(QString &message);
    void dropPendingNew();
    // Saves the pending new carrier with its default destination, all or nothing.
    // False when nothing was written; message holds what to tell either way.
    bool saveNewCarrier(QString &message);
    // The refusal of a typed name holding a character nobody can see, empty when there is none;
    // with changedOnly only names that differ from the stored ones are checked.
    QString hiddenCharacters(bool changedOnly) const;
    // Another carrier than carrierNo has this short name, in any case.
    bool nameTaken(const QString &name, qint32 carrierNo) const;
    QString refusal(const QString &what, const DataError &error) const;

    Database m_db;
    RecordSet m_carriers; // IdentTrans
    RecordSet m_chooser; // TriTrans
    DestinationLists m_destinations;
    CarrierEditorState m_state;

    qint32 m_recordNo = 0; // NoTrans of the current carrier record, 0 for none
    CarrierRecord m_stored; // the current record as saved
    QString m_storedTarifType;
    bool m_pendingNew = false; // a new record started by "&Add carrier" and not saved
    bool m_pendingRefused = false; // "&Update" refused that record as it is
    RateType m_rateTypeBeforeNew = RateType::None; // the option shown before "&Add carrier"
    bool m_rateTypeTouched = false;
    bool m_chosenSinceEdit = false;
};

#include "carriers/CarrierEditor.h"

#include "core/VisibleName.h"
#include "data/DataError.h"

namespace {

const QString NoTrans = QStringLiteral("NoTrans");
const QString TarifType = QStringLiteral("TarifType");

// NomTrans cannot be null; any other emptied field is stored as null, which reads as empty.
QVariant storedValue(int field, const QString &text)
{
    if (text.isEmpty() && field != CarrierRecord::NomTrans)
        return {};
    return text;
}

} // namespace

QString CarrierEditor::missingNamesMessage()
{
    return QStringLiteral(
        "You must enter a short name AND the legal name (long name)of the carrier");
}

QString CarrierEditor::duplicateMessage() { return QStringLiteral("This data already exists"); }

QString CarrierEditor::noDestinationMessage()
{
    return QStringLiteral("There is no destination recorded for this carrier.");
}

QString CarrierEditor::noDefaultDestinationMessage()
{
    return QStringLiteral("The carrier is saved, but it has no destination yet: the database "
                          "has no destination to give it. Choose the carrier with \"Edit\" and "
                          "add its destinations.");
}

QString CarrierEditor::hiddenCharacterMessage(int field, const QString &problem)
{
    return QStringLiteral("\"%1\" %2; type the name again without it.")
        .arg(CarrierRecord::label(field), problem);
}

QString CarrierEditor::chooserPrompt() { return QStringLiteral("Select carrier"); }

QString CarrierEditor::chooserHint()
{
    return QStringLiteral("Click on the arrow to view the forwarders");
}

bool CarrierEditor::nameTaken(const QString &name, qint32 carrierNo) const
{
    // The file's index compares only unaccented letters without regard to case.
    RecordSet rows = RecordSet::openQuery(m_db, QStringLiteral("TriTrans"));
    const int nameColumn = rows.fieldIndex(QStringLiteral("NomTrans"));
    for (int row = 0; row < rows.rowCount(); ++row) {
        rows.moveToRow(row);
        if (rows.field(NoTrans).toInt() != carrierNo
            && rows.text(nameColumn).compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

QString CarrierEditor::hiddenCharacters(bool changedOnly) const
{
    for (const int field : {CarrierRecord::NomTrans, CarrierRecord::NomLongTrans}) {
        if (changedOnly && m_state.record[field] == m_stored[field])
            continue;
        if (const QString problem = VisibleName::problem(m_state.record[field]); !problem.isEmpty())
            return hiddenCharacterMessage(field, problem);
    }
    return {};
}

QString CarrierEditor::refusal(const QString &what, const DataError &error) const
{
    return QStringLiteral("%1: %2").arg(what, error.message());
}

void CarrierEditor::load(const Database &db)
{
    m_db = db;
    m_carriers = RecordSet::openTable(m_db, QStringLiteral("IdentTrans"));
    m_chooser = RecordSet::openQuery(m_db, QStringLiteral("TriTrans"));
    // Opened once here so a file without it is refused at load, not at the first save.
    RecordSet::openQuery(m_db, QString::fromUtf8("RequêteNEWYORK"));
    m_destinations.open(m_db);
    refreshChooser();
    idle();
    m_state.chooserShown = false;
    m_state.editShown = true;
    m_state.updateShown = false;
    if (!m_carriers.isEmpty()) {
        m_carriers.moveFirst();
        readCurrentRecord();
        becameCurrent();
    }
}

void CarrierEditor::becameCurrent()
{
    if (const auto type = CarrierRecord::rateTypeOf(m_storedTarifType))
        m_state.rateType = *type;
    m_rateTypeTouched = false;
    m_state.updateShown = false;
}

void CarrierEditor::readCurrentRecord()
{
    m_recordNo = m_carriers.field(NoTrans).toInt();
    for (int field = 0; field < CarrierRecord::FieldCount; ++field)
        m_stored[field] = m_carriers.text(CarrierRecord::fieldName(field));
    m_storedTarifType = m_carriers.text(TarifType);
    m_state.record = m_stored;
}

void CarrierEditor::idle()
{
    m_state.editablePanel = false;
    m_state.destinationsActive = false;
}

void CarrierEditor::refreshChooser()
{
    m_chooser.requery();
    QStringList names;
    names.reserve(m_chooser.rowCount());
    const int column = m_chooser.fieldIndex(QStringLiteral("NomTrans"));
    for (int row = 0; row < m_chooser.rowCount(); ++row) {
        m_chooser.moveToRow(row);
        names << m_chooser.text(column);
    }
    m_state.chooserEntries = names;
    m_state.chooserIndex = -1;
}

void CarrierEditor::edit()
{
    m_destinations.clearEntries();
    m_state.flagMAJ = true;
    m_state.chooserShown = true;
    m_chosenSinceEdit = false;
}

void CarrierEditor::openChooser()
{
    idle();
    m_destinations.reloadMissing();
}

QString CarrierEditor::chooseCarrier(int index)
{
    if (!isLoaded() || index < 0 || index >= m_state.chooserEntries.size())
        return {};
    QString message;
    if (!savePending(message)) {
        // The typed values stay on screen with their carrier, so the user can correct them.
        m_state.editablePanel = true;
        m_state.chooserIndex = -1;
        return message;
    }
    m_state.editablePanel = true;
    m_state.destinationsActive = true;
    try {
        m_chooser.moveToRow(index);
        const qint32 carrierNo = m_chooser.field(NoTrans).toInt();
        if (!m_carriers.findFirst(RecordSet::Criterion::noTrans(carrierNo))) {
            // Saved since the window was loaded: read the carriers again.
            m_carriers.requery();
            if (!m_carriers.findFirst(RecordSet::Criterion::noTrans(carrierNo)))
                throw DataError::noCurrentRow(m_carriers.source());
        }
        readCurrentRecord();
        becameCurrent();
        m_state.currentCarrierNo = carrierNo;
        m_destinations.setCarrier(carrierNo);
    } catch (const DataError &error) {
        if (error.kind() == DataError::Kind::NoCurrentRow)
            return noDestinationMessage();
        return refusal(QStringLiteral("The carrier could not be read"), error);
    }
    m_destinations.reloadMissing();
    m_state.chooserIndex = index;
    m_chosenSinceEdit = true;
    return message;
}

void CarrierEditor::chooserLostFocus()
{
    // Until a carrier is chosen there is nothing for "&Update" to save.
    if (!m_state.chooserShown || !m_chosenSinceEdit)
        return;
    m_state.updateShown = true;
    m_state.editShown = false;
    m_state.chooserShown = false;
}

QString CarrierEditor::update()
{
    QStringList messages;
    if (m_state.flagnouveau) {
        const QString message = enregistrenouveau();
        if (m_state.flagnouveau) // refused as it is: the typed carrier waits for a correction
            return message;
        if (!message.isEmpty())
            messages << message;
    }
    if (m_state.flagMAJ) {
        const QString message = enregistreMAJ();
        if (m_state.flagMAJ) // not saved: "&Update" stays for another try
            return (messages << message).join(QLatin1Char('\n'));
        if (!message.isEmpty())
            messages << message;
    }
    m_state.editShown = true;
    m_state.updateShown = false;
    return messages.join(QLatin1Char('\n'));
}

QString CarrierEditor::enregistreMAJ()
{
    if (!isLoaded())
        return {};
    if (m_recordNo != 0 && !m_pendingNew) {
        try {
            writeCurrent(true);
        } catch (const DataError &error) {
            if (error.kind() == DataError::Kind::DuplicateKey)
                return duplicateMessage();
            return refusal(QStringLiteral("The carrier could not be saved"), error);
        }
    }
    idle();
    m_state.updateShown = false;
    QString message;
    try {
        refreshChooser();
        m_destinations.rereadGeneral();
    } catch (const DataError &error) {
        message = refusal(QStringLiteral("The carrier is saved, but the lists could not be read "
                                         "again"),
            error);
    }
    m_state.flagMAJ = false;
    return message;
}

QString CarrierEditor::enregistrenouveau()
{
    if (!isLoaded())
        return {};
    QString message;
    const CarrierRecord &typed = m_state.record;
    if (typed[CarrierRecord::NomTrans].isEmpty() || typed[CarrierRecord::NomLongTrans].isEmpty()) {
        message = missingNamesMessage();
        // A carrier is stored only with both names: the record is never written as it is. It
        // stays pending, with what was typed and the option chosen, for "&Add carrier" to show
        // again, until another carrier is chosen or "&RETURN" drops it.
        m_pendingRefused = true;
    } else if (!saveNewCarrier(message)) {
        return message;
    }
    idle();
    m_state.editShown = true;
    m_state.updateShown = false;
    try {
        refreshChooser();
        m_destinations.rereadGeneral();
    } catch (const DataError &error) {
        message += (message.isEmpty() ? QString() : QStringLiteral("\n"))
            + refusal(QStringLiteral("The lists could not be read again"), error);
    }
    m_state.flagnouveau = false;
    return message;
}

bool CarrierEditor::saveNewCarrier(QString &message)
{
    // The carrier and its default destination are one save: neither stays without the other.
    bool served = false;
    message = hiddenCharacters(false);
    if (!message.isEmpty()) {
        m_pendingRefused = true;
        return false;
    }
    try {
        if (nameTaken(m_state.record[CarrierRecord::NomTrans], 0)) {
            message = duplicateMessage();
            m_pendingRefused = true;
            return false;
        }
        m_db.inTransaction([&] {
            m_carriers.addNew();
            for (int field = 0; field < CarrierRecord::FieldCount; ++field) {
                if (!m_state.record[field].isEmpty())
                    m_carriers.setField(CarrierRecord::fieldName(field), m_state.record[field]);
            }
            if (m_state.rateType != RateType::None)
                m_carriers.setField(TarifType, CarrierRecord::rateTypeCode(m_state.rateType));
            m_carriers.update();
            if (const auto destination = DestinationLists::defaultDestination(m_db)) {
                DestinationLists::serve(m_db, m_carriers.field(NoTrans).toInt(), *destination);
                served = true;
            }
        });
    } catch (const DataError &error) {
        m_carriers.cancelUpdate();
        m_pendingRefused = true;
        message = error.kind() == DataError::Kind::DuplicateKey
            ? duplicateMessage()
            : refusal(QStringLiteral("The carrier could not be saved"), error);
        // The rolled-back row may still be in the record set: read what the file holds.
        try {
            m_carriers.requery();
        } catch (const DataError &) {
        }
        return false;
    }
    if (!served)
        message = noDefaultDestinationMessage();
    m_pendingNew = false;
    m_pendingRefused = false;
    readCurrentRecord();
    becameCurrent();
    return true;
}

void CarrierEditor::dropPendingNew()
{
    m_pendingNew = false;
    m_pendingRefused = false;
    // The fields and the option are the current carrier's again: what was typed or clicked for
    // the new record is never written to it.
    m_state.record = m_stored;
    m_state.rateType = m_rateTypeBeforeNew;
    m_rateTypeTouched = false;
}

bool CarrierEditor::isDirty() const
{
    return m_recordNo != 0 && (m_state.record != m_stored || m_rateTypeTouched);
}

void CarrierEditor::writeCurrent(bool rateType)
{
    if (!m_carriers.hasCurrentRow() || m_carriers.field(NoTrans).toInt() != m_recordNo) {
        if (!m_carriers.findFirst(RecordSet::Criterion::noTrans(m_recordNo)))
            throw DataError::noCurrentRow(m_carriers.source());
    }
    // Names stored before these checks existed are left as they are until they are changed.
    if (const QString hidden = hiddenCharacters(true); !hidden.isEmpty())
        throw DataError::other(hidden);
    if (m_state.record[CarrierRecord::NomTrans] != m_stored[CarrierRecord::NomTrans]
        && nameTaken(m_state.record[CarrierRecord::NomTrans], m_recordNo))
        throw DataError::duplicateKey(duplicateMessage());
    m_carriers.edit();
    try {
        for (int field = 0; field < CarrierRecord::FieldCount; ++field) {
            if (m_state.record[field] != m_stored[field])
                m_carriers.setField(
                    CarrierRecord::fieldName(field), storedValue(field, m_state.record[field]));
        }
        if (rateType && m_state.rateType != RateType::None)
            m_carriers.setField(TarifType, CarrierRecord::rateTypeCode(m_state.rateType));
        m_carriers.update();
    } catch (const DataError &) {
        m_carriers.cancelUpdate();
        throw;
    }
    m_stored = m_state.record;
    m_storedTarifType = m_carriers.text(TarifType);
    m_rateTypeTouched = false;
}

bool CarrierEditor::savePending(QString &message)
{
    if (m_pendingNew) {
        const CarrierRecord &typed = m_state.record;
        // A record "&Update" refused was never saved and is not saved now either.
        if (m_pendingRefused || typed[CarrierRecord::NomTrans].isEmpty()
            || typed[CarrierRecord::NomLongTrans].isEmpty()) {
            dropPendingNew();
            return true;
        }
        return saveNewCarrier(message);
    }
    if (!isDirty())
        return true;
    try {
        writeCurrent(m_rateTypeTouched);
    } catch (const DataError &error) {
        message = error.kind() == DataError::Kind::DuplicateKey
            ? duplicateMessage()
            : refusal(QStringLiteral("The carrier could not be saved"), error);
        return false;
    }
    return true;
}

QString CarrierEditor::addCarrier()
{
    if (!isLoaded())
        return {};
    if (!m_pendingNew) {
        QString message;
        if (!savePending(message)) {
            m_state.editablePanel = true;
            return message;
        }
        m_pendingNew = true;
        m_pendingRefused = false;
        m_rateTypeBeforeNew = m_state.rateType;
        m_state.record = CarrierRecord {};
        m_rateTypeTouched = false;
    }
    m_state.flagnouveau = true;
    m_state.editablePanel = true;
    m_state.destinationsActive = false;
    m_state.chooserShown = false;
    m_state.editShown = false;
    m_state.updateShown = true;
    return {};
}

void CarrierEditor::returnToMain()
{
    // A new record "&Update" refused was never saved: the next "&Add carrier" starts blank and
    // the next choice is not answered with the refusal again.
    if (m_pendingNew && m_pendingRefused)
        dropPendingNew();
    m_destinations.clearEntries();
    idle();
    m_state.editShown = true;
    m_state.updateShown = false;
    if (isLoaded()) {
        try {
            refreshChooser();
            m_destinations.rereadGeneral();
        } catch (const DataError &) {
            // The lists keep what they showed; the next choice reads the file again.
        }
    }
    m_state.flagnouveau = false;
}

QString CarrierEditor::unload()
{
    if (!isLoaded())
        return {};
    QString message;
    try {
        savePending(message);
    } catch (const DataError &error) {
        message = refusal(QStringLiteral("The carrier could not be saved"), error);
    }
    return message;
}

void CarrierEditor::setField(int field, const QString &text)
{
    if (field < 0 || field >= CarrierRecord::FieldCount)
        return;
    m_state.record[field] = text.left(CarrierRecord::maxLength(field));
}

void CarrierEditor::setRateType(RateType type)
{
    if (type == m_state.rateType)
        return;
    m_state.rateType = type;
    m_rateTypeTouched = true;
}

void CarrierEditor::chooseMissingDestination(int index) { m_destinations.chooseMissing(index); }

QString CarrierEditor::addDestination()
{
    const QString message = m_destinations.addToCarrier();
    if (message.isEmpty())
        m_state.flagMAJ = true;
    return message;
}

QString CarrierEditor::addNewDestination() { return m_destinations.addNew(); }

void CarrierEditor::setNewDestination(const QString &text)
{
    m_destinations.setNewDestination(text);
}

QString CarrierEditor::removeDestination(const std::function<bool(const QString &question)> &ask)
{
    return m_destinations.remove(ask);
}

void CarrierEditor::clickCarrierDestination() { m_destinations.clickCarrierDestination(); }

bool CarrierEditor::rightButton() { return m_destinations.rightButton(); }

void CarrierEditor::cancelRemove() { m_destinations.cancel(); }

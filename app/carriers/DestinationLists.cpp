#include "carriers/DestinationLists.h"

#include "carriers/DestinationName.h"
#include "core/VisibleName.h"
#include "data/DataError.h"

namespace {

const QString NomDestination = QStringLiteral("NomDestination");
const QString NoDestination = QStringLiteral("NoDestination");

QStringList names(RecordSet &set)
{
    QStringList result;
    result.reserve(set.rowCount());
    const int column = set.fieldIndex(NomDestination);
    for (int row = 0; row < set.rowCount(); ++row) {
        set.moveToRow(row);
        result << set.text(column);
    }
    if (!set.isEmpty())
        set.moveFirst();
    return result;
}

QString refusal(const QString &what, const DataError &error)
{
    return QStringLiteral("%1: %2").arg(what, error.message());
}

} // namespace

QString DestinationLists::listText() { return QStringLiteral("carrier's list of destinations"); }

QString DestinationLists::nothingSelectedMessage()
{
    return QStringLiteral("You did not select any destination");
}

QString DestinationLists::nothingEnteredMessage()
{
    return QStringLiteral("You did not enter any destination");
}

QString DestinationLists::boundMessage()
{
    return QStringLiteral("This destination is bound to at least one carrier, you can delete it "
                          "here only after it has been removed from the carriers.");
}

QString DestinationLists::removeQuestion()
{
    return QStringLiteral("Do you really want to remove this destination ? ");
}

QString DestinationLists::alreadyServedMessage()
{
    return QStringLiteral("This destination is already in the carrier's list of destinations");
}

QString DestinationLists::duplicateMessage() { return QStringLiteral("This data already exists"); }

QString DestinationLists::hiddenCharacterMessage(const QString &problem)
{
    return QStringLiteral("The new destination %1; type its name again without it.").arg(problem);
}

QChar DestinationLists::upper(QChar c)
{
    const char16_t code = c.unicode();
    return code >= 97 && code <= 122 ? QChar(char16_t(code - 32)) : c;
}

QString DestinationLists::upper(const QString &text)
{
    QString result = text;
    for (QChar &c : result)
        c = upper(c);
    return result;
}

void DestinationLists::open(const Database &db)
{
    m_db = db;
    m_general = RecordSet::openQuery(m_db, QStringLiteral("TriDest"));
}

void DestinationLists::rereadGeneral()
{
    if (m_db.isOpen())
        m_general.requery();
}

void DestinationLists::setCarrier(qint32 carrierNo)
{
    m_carrierNo = carrierNo;
    m_state.carrierListText = listText();
    rerunServed();
    rerunMissing();
}

bool DestinationLists::exists(const QString &name)
{
    const QString key = DestinationName::key(name);
    const int column = m_general.fieldIndex(NomDestination);
    for (int row = 0; row < m_general.rowCount(); ++row) {
        m_general.moveToRow(row);
        if (DestinationName::key(m_general.text(column)) == key)
            return true;
    }
    return false;
}

void DestinationLists::rerunServed()
{
    m_served = RecordSet::openQuery(
        m_db, QStringLiteral("DestparTrans"), {{QStringLiteral("[prmNoTrans]"), m_carrierNo}});
    m_state.carrierDestinations = names(m_served);
}

void DestinationLists::rerunMissing()
{
    m_missing = RecordSet::openQuery(
        m_db, QStringLiteral("DestManque"), {{QStringLiteral("[prmNoTrans]"), m_carrierNo}});
    m_state.missingDestinations = names(m_missing);
    m_state.missingIndex = -1;
    // The entry chosen before belongs to the list just replaced.
    m_chosenMissing.reset();
    m_chosenMissingName.clear();
    m_state.nameToAdd.clear();
}

void DestinationLists::reloadMissing() { m_state.missingIndex = -1; }

void DestinationLists::chooseMissing(int index)
{
    if (index < 0 || index >= m_missing.rowCount())
        return;
    m_missing.moveToRow(index);
    m_state.flagselection = true;
    m_state.missingIndex = index;
    m_chosenMissing = m_missing.field(NoDestination).toInt();
    m_chosenMissingName = m_missing.text(NomDestination);
    m_state.nameToAdd = m_chosenMissingName;
}

void DestinationLists::clickCarrierDestination() { m_state.flagselection = true; }

bool DestinationLists::rightButton()
{
    if (!m_state.flagselection)
        return false;
    m_state.removeShown = true;
    m_state.cancelShown = true;
    m_state.flagselection = false;
    return true;
}

void DestinationLists::cancel()
{
    m_state.removeShown = false;
    m_state.cancelShown = false;
}

void DestinationLists::clearEntries()
{
    m_state.nameToAdd.clear();
    m_state.newDestination.clear();
}

void DestinationLists::setNewDestination(const QString &text) { m_state.newDestination = text; }

QString DestinationLists::addToCarrier()
{
    if (m_state.nameToAdd.isEmpty() || m_carrierNo == 0)
        return nothingSelectedMessage();
    // The name can also show a destination just created, which the carrier serves already.
    if (!m_chosenMissing)
        return alreadyServedMessage();
    try {
        serve(m_db, m_carrierNo, *m_chosenMissing);
    } catch (const DataError &error) {
        if (error.kind() == DataError::Kind::DuplicateKey)
            return duplicateMessage();
        return refusal(QStringLiteral("The destination could not be added"), error);
    }
    try {
        rerunServed();
        rerunMissing();
    } catch (const DataError &error) {
        return refusal(QStringLiteral("The destination was added, but the lists could not be "
                                      "read again"),
            error);
    }
    m_state.nameToAdd.clear();
    return {};
}

QString DestinationLists::addNew()
{
    const QString name = upper(m_state.newDestination);
    if (name.trimmed().isEmpty() || m_carrierNo == 0)
        return nothingEnteredMessage();
    if (const QString problem = VisibleName::problem(name); !problem.isEmpty())
        return hiddenCharacterMessage(problem);

    // A destination is only created together with the carrier that serves it: one save.
    try {
        // The file's index compares only a-z without regard to case and counts the blanks at
        // the ends: the names are compared here as every part of rouvel compares them.
        m_general.requery();
        if (exists(name))
            return duplicateMessage();
        m_db.inTransaction([&] {
            m_general.addNew();
            m_general.setField(NomDestination, name);
            m_general.update();
            serve(m_db, m_carrierNo, m_general.field(NoDestination).toInt());
        });
    } catch (const DataError &error) {
        m_general.cancelUpdate();
        try {
            m_general.requery();
        } catch (const DataError &) {
        }
        if (error.kind() == DataError::Kind::DuplicateKey)
            return duplicateMessage();
        return refusal(QStringLiteral("The destination could not be added"), error);
    }
    m_state.nameToAdd = name;
    m_chosenMissing.reset();
    m_chosenMissingName.clear();
    m_state.newDestination.clear();
    m_state.missingIndex = -1;
    try {
        rerunServed();
    } catch (const DataError &error) {
        return refusal(QStringLiteral("The destination was added, but the carrier's list could "
                                      "not be read again"),
            error);
    }
    return {};
}

QString DestinationLists::remove(const std::function<bool(const QString &question)> &ask)
{
    // Only an entry the user chose is deleted; the first row of the list never is by default.
    if (!m_chosenMissing)
        return nothingSelectedMessage();
    const QString name = m_chosenMissingName;
    QString message;
    try {
        const RecordSet carriers = RecordSet::openQuery(
            m_db, QStringLiteral("TransparDest"), {{QStringLiteral("[prmNomDestination]"), name}});
        if (!carriers.isEmpty()) {
            message = boundMessage();
        } else {
            if (!ask(removeQuestion() + QLatin1Char('\n') + name))
                return {};
            if (m_missing.findFirst(RecordSet::Criterion::nomDestination(name)))
                m_missing.deleteCurrent();
        }
    } catch (const DataError &error) {
        message = refusal(QStringLiteral("The destination could not be removed"), error);
    }
    try {
        rerunMissing();
    } catch (const DataError &error) {
        if (message.isEmpty())
            message = refusal(
                QStringLiteral("The list of destinations could not be read again"), error);
    }
    return message;
}

std::optional<qint32> DestinationLists::defaultDestination(const Database &db)
{
    RecordSet first = RecordSet::openQuery(db, QString::fromUtf8("RequêteNEWYORK"));
    if (first.isEmpty())
        return std::nullopt;
    first.moveFirst();
    return first.field(NoDestination).toInt();
}

void DestinationLists::serve(const Database &db, qint32 carrierNo, qint32 destinationNo)
{
    RecordSet tarifs = RecordSet::openTable(db, QStringLiteral("Tarifs"), true);
    tarifs.addNew();
    tarifs.setField(QStringLiteral("NoTrans"), carrierNo);
    tarifs.setField(NoDestination, destinationNo);
    tarifs.update();
}

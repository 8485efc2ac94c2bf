#include "rateadjust/RateAdjustment.h"

#include "data/DataError.h"
#include "data/RecordSet.h"

QString RateAdjustment::questionTitle() { return QStringLiteral("Choose weight or pallet"); }

QString RateAdjustment::questionPrompt()
{
    return QStringLiteral("This carrier has rates per weight and rates per pallets. Enter 1 to "
                          "view the weight rates or 2 for the pallet rates");
}

QString RateAdjustment::defaultAnswer() { return QStringLiteral("1"); }

QString RateAdjustment::invalidAnswerMessage() { return QStringLiteral("Invalid data"); }

void RateAdjustment::setDatabase(Database db) { m_db = std::move(db); }

const Database &RateAdjustment::database() const
{
    if (!m_db)
        throw DataError::other(QStringLiteral("The rate database is not open."));
    return *m_db;
}

void RateAdjustment::load()
{
    const Database &db = database();
    QVector<Carrier> carriers;
    RecordSet alphabetical = RecordSet::openQuery(db, QStringLiteral("IdentTransAlph"));
    for (int row = 0; row < alphabetical.rowCount(); ++row) {
        alphabetical.moveToRow(row);
        carriers.append({qint32(alphabetical.field(QStringLiteral("NoTrans")).toInt()),
            alphabetical.text(QStringLiteral("NomTrans")),
            alphabetical.text(QStringLiteral("TarifType"))});
    }
    QStringList all;
    RecordSet everyCarrier = RecordSet::openQuery(db, QStringLiteral("TriTrans"));
    for (int row = 0; row < everyCarrier.rowCount(); ++row) {
        everyCarrier.moveToRow(row);
        all << everyCarrier.text(QStringLiteral("NomTrans"));
    }
    loadDestinations();
    m_carriers = carriers;
    m_allCarrierNames = all;
}

void RateAdjustment::loadDestinations()
{
    QStringList destinations;
    RecordSet table = RecordSet::openTable(database(), QStringLiteral("Destination"));
    for (int row = 0; row < table.rowCount(); ++row) {
        table.moveToRow(row);
        destinations << table.text(QStringLiteral("NomDestination"));
    }
    m_destinations = destinations;
}

RateAdjustment::Choice RateAdjustment::chooseCarrier(int index)
{
    m_showWeight = false;
    m_showPallet = false;
    if (index < 0 || index >= m_carriers.size()) {
        m_selectedCarrierNo = 0;
        return Choice::NoGrid;
    }
    const Carrier &carrier = m_carriers[index];
    m_selectedCarrierNo = carrier.number;
    const QVector<RateKind> kinds = kindsOf(carrier.tarifType);
    if (kinds.size() > 1)
        return Choice::Ask;
    if (kinds.isEmpty())
        return Choice::NoGrid;
    m_showWeight = kinds.first() == RateKind::Weight;
    m_showPallet = kinds.first() == RateKind::Pallet;
    return Choice::Grid;
}

QVector<RateKind> RateAdjustment::kindsOf(const QString &tarifType)
{
    const QString type = tarifType.trimmed().toLower();
    if (type == QLatin1String("po"))
        return {RateKind::Weight};
    if (type == QLatin1String("pa"))
        return {RateKind::Pallet};
    if (type == QLatin1String("popa"))
        return {RateKind::Weight, RateKind::Pallet};
    return {};
}

RateAdjustment::Answer RateAdjustment::readAnswer(const QString &reply)
{
    if (reply.isEmpty())
        return Answer::Nothing;
    if (reply == QLatin1String("1"))
        return Answer::Weight;
    if (reply == QLatin1String("2"))
        return Answer::Pallet;
    return Answer::Invalid;
}

RateAdjustment::Answer RateAdjustment::answer(const QString &reply)
{
    const Answer read = readAnswer(reply);
    m_showWeight = read == Answer::Weight;
    m_showPallet = read == Answer::Pallet;
    return read;
}

void RateAdjustment::affichetarif()
{
    const std::optional<RateKind> kind = m_showWeight ? std::optional(RateKind::Weight)
        : m_showPallet                                ? std::optional(RateKind::Pallet)
                                                      : std::nullopt;
    m_showWeight = false;
    m_showPallet = false;
    if (!kind) {
        m_model.close();
        return;
    }
    try {
        m_model.open(database(), *kind, m_selectedCarrierNo);
    } catch (const DataError &) {
        // The previous carrier's rates must not stay under this carrier's name.
        m_model.close();
        throw;
    }
}

void RateAdjustment::hideRates()
{
    m_showWeight = false;
    m_showPallet = false;
    m_model.close();
}

void RateAdjustment::reset()
{
    hideRates();
    m_selectedCarrierNo = 0;
}

std::optional<RateKind> RateAdjustment::shownKind() const
{
    if (!m_model.isOpen())
        return std::nullopt;
    return m_model.kind();
}

QStringList RateAdjustment::carriersServing(const QString &destinationName) const
{
    RecordSet serving = RecordSet::openQuery(database(), QStringLiteral("TransparDest"),
        {{QStringLiteral("[prmNomDestination]"), destinationName}});
    QStringList names;
    for (int row = 0; row < serving.rowCount(); ++row) {
        serving.moveToRow(row);
        names << serving.text(QStringLiteral("NomTrans"));
    }
    return names;
}

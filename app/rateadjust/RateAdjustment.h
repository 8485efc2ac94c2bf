#pragma once

#include "data/Database.h"
#include "rateadjust/RateGridModel.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <optional>

// The rate window without its widgets: the carriers to choose from, which grid a carrier's
// rate type calls for, the grid's rates (model()), and the carriers serving a destination for
// the side panel. The window passes it what the user does and shows what it holds.
class RateAdjustment
{
public:
    struct Carrier
    {
        qint32 number = 0; // NoTrans
        QString name; // NomTrans
        QString tarifType; // "po", "pa", "popa"
    };

    // What choosing a carrier calls for next.
    enum class Choice {
        Grid, // showWeight or showPallet is set: run affichetarif()
        Ask, // rates of both kinds: ask which, then answer()
        NoGrid, // a rate type that is none of the three: no grid at all
    };
    // How an answer to the weight-or-pallet question reads.
    enum class Answer { Weight, Pallet, Nothing, Invalid };

    static QString questionTitle(); // "Choose weight or pallet"
    static QString questionPrompt();
    static QString defaultAnswer(); // "1"
    static QString invalidAnswerMessage(); // "Invalid data"

    RateAdjustment() = default;
    RateAdjustment(const RateAdjustment &) = delete;
    RateAdjustment &operator=(const RateAdjustment &) = delete;

    void setDatabase(Database db);
    bool hasDatabase() const { return m_db.has_value(); }

    // Reads the carriers (IdentTransAlph) and the destinations (table Destination) again, so
    // what other windows saved shows. Throws DataError.
    void load();
    // Only the destinations, as the side panel re-reads them after each choice.
    void loadDestinations();
    const QVector<Carrier> &carriers() const { return m_carriers; }
    const QStringList &destinations() const { return m_destinations; }
    // Every carrier (TriTrans), what the side panel's carrier list starts on.
    const QStringList &allCarrierNames() const { return m_allCarrierNames; }

    // The user chose carriers()[index]. Out of range gives NoGrid.
    Choice chooseCarrier(int index);
    // The rates a carrier of that rate type has, weight first: "po" weight, "pa" pallet, "popa"
    // both (capitals and blanks around aside); none for any other code.
    static QVector<RateKind> kindsOf(const QString &tarifType);
    // The reply to the weight-or-pallet question; a cancelled question is an empty reply.
    Answer answer(const QString &reply);
    static Answer readAnswer(const QString &reply);

    // Loads the grid that showWeight or showPallet asks for into model() and clears both.
    // Without either, lets go of the rates. Throws DataError (the model then shows nothing).
    void affichetarif();
    // No grid: any waiting row is written and the rates are let go.
    void hideRates();
    // Back to the state of a new window: nothing chosen, no grid.
    void reset();

    // The grid on screen, if any: the kind of model() when it is open.
    std::optional<RateKind> shownKind() const;
    RateGridModel *model() { return &m_model; }
    const RateGridModel *model() const { return &m_model; }

    qint32 selectedCarrierNo() const { return m_selectedCarrierNo; }
    bool showWeight() const { return m_showWeight; }
    bool showPallet() const { return m_showPallet; }
    QString rateQuery() const { return m_model.rateQuery(); }

    // The carriers that serve the destination of that name (TransparDest), by name. The name is
    // passed as the destination list holds it, so a name with blanks around it finds its own
    // destination and no other. Throws DataError.
    QStringList carriersServing(const QString &destinationName) const;

private:
    const Database &database() const;

    std::optional<Database> m_db;
    QVector<Carrier> m_carriers;
    QStringList m_destinations;
    QStringList m_allCarrierNames;
    qint32 m_selectedCarrierNo = 0;
    bool m_showWeight = false;
    bool m_showPallet = false;
    RateGridModel m_model;
};

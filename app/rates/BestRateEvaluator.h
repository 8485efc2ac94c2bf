#pragma once

#include "rates/BestRateState.h"
#include "billoflading/BillHandOff.h"
#include "rates/RateQueries.h"

#include <QString>

#include <optional>

struct RateLookup;

// The best-rate evaluation of the main window without the window: shipment entry, the weight
// and pallet lookups, the choice of the price to display, the picks of another carrier and the
// hand-off to the bill of lading. It reads and writes no shared global: the shipment, the
// choice and the hand-off are its own, and the window only mirrors state() in its widgets.
class BestRateEvaluator
{
public:
    static QString emptyResultMessage();
    // A price beyond what an amount holds, or a weight or pallet count beyond the hand-off.
    static QString tooLargeMessage();
    // A lookup failed for another reason than an empty result; cause is the database's word.
    static QString readFailureMessage(const QString &cause);
    // The message for a weight or pallet text read only in part, empty when both read whole.
    static QString unreadableEntryMessage(const QString &weightText, const QString &palletText);
    static QString bestRateTitle();
    static QString otherChoiceTitle();

    BestRateEvaluator() = default;
    explicit BestRateEvaluator(Database db);

    // Binds the evaluation to an open file; without one nothing can be evaluated.
    void setDatabase(Database db);
    bool hasDatabase() const { return m_queries.has_value(); }

    // Whether evaluations read the heavier brackets for weight-break advice (on by default).
    void setWeightBreakAdvice(bool on) { m_weightBreakAdvice = on; }

    const BestRateState &state() const { return m_state; }
    double weight() const; // W
    double pallets() const; // P

    // Reads the destinations. Throws DataError.
    void load();
    // The window became active again: clears the result and the picks, sees what other
    // windows saved, purges the bill-of-lading work rows and re-reads the destinations.
    void activate();
    // Clears the result display.
    void cachelistes();

    // Every keystroke in the two fields clears the result.
    void setWeightText(const QString &text);
    void setPalletText(const QString &text);

    // A click on the destination box that chose nothing (its arrow, its text): the rate note goes.
    void destinationBoxClicked();

    // The user chose entry `index` of the destination box: runs one evaluation. Returns the text
    // of the message box to show, empty when there is none; state().failure tells a lookup that
    // failed from an empty or unpriceable result.
    QString chooseDestination(int index);

    // A click on the rate entry of that row of the weight or pallet lists; false when nothing
    // changed: no such entry on screen, or a price too large to show. True with
    // state().failure set when a lookup failed and the result was cleared.
    bool pickWeight(int row);
    bool pickPallet(int row);

    // What "Prepare bill of lading" would hand on now.
    BillHandOff handOff() const;
    // The hand-off, after which the result is cleared; nothing (and nothing changed) when the
    // command is not available.
    std::optional<BillHandOff> prepareBillOfLading();

private:
    void getPrixMin();
    void weightLookup(double w);
    void bracketLookup(const RateLookup &lookup);
    void calculLTL();
    void calculPrixMin();
    // False when the side is refused: its price or its amounts do not fit.
    bool calcultotalpoids();
    void palletLookup(const RateLookup &lookup);
    bool calcultotalpalettes();
    RateList runLookup(const RateLookup &lookup) const;
    // Fills rows from the lookup; false when it gave no row. Throws DataError when it failed.
    bool loadLookup(RateList &rows, const RateLookup &lookup) const;
    void refuseWeight();
    void refusePallets();
    // Clears the result after a failed evaluation, keeping the chosen destination on show.
    void clearAfterFailure(int destIndex);

    void readBracketOffers(double w);
    void updateWeightBreak();

    bool displayByWeight();
    bool displayByPallets();
    // False when the carrier's LTL price would not fit an amount.
    bool applyCarrierMinimum(double w);

    std::optional<RateQueries> m_queries;
    BestRateState m_state;
    bool m_weightBreakAdvice = true;
};

#pragma once

#include "core/Currency.h"
#include "rates/RateList.h"
#include "rates/RateQueries.h"
#include "rates/WeightBreak.h"

#include <QList>
#include <QString>

#include <optional>

// What the main window shows and remembers between an evaluation and the picks that follow.
// The names are those the rest of rouvel knows them by.
struct BestRateState
{
    // The field texts; W and P are their numericValue.
    QString weightText;
    QString palletText;

    QList<DestinationEntry> destRows;
    int destIndex = -1; // the entry the destination box shows; -1: the prompt

    RateList weightRows;
    RateList palletRows;
    RateList minRows;
    RateList ltlRows;

    QString weightPriceText; // empty or "0" when there is none
    QString palletPriceText;
    QString weightCarrier;
    QString palletCarrier;
    Currency weightRate; // first weight row: a rate per 100 lbs, or a minimum price
    Currency palletRate;
    Currency chosenRate; // the rate behind the price on display
    Currency bestPrice; // the price the evaluation displayed; picks are compared with it
    bool minListMode = false; // the weight lists show minimum prices
    Currency minListFirstPrice;

    // The picked carrier's own minimum price and LTL rate, as text (empty when it has none).
    QString carrierMinPrice;
    QString carrierLtlRate;
    bool ltlApplied = false;
    Currency ltlRate;

    // A side whose price would not fit a currency amount, or whose weight or pallet count would
    // not fit the hand-off, has no price and no carrier.
    bool weightRefused = false;
    bool palletRefused = false;
    // Why the last evaluation or pick could not read the rates; empty when it could. Such a
    // failure clears the result rather than show part of one.
    QString failure;
    // The weight or pallet field holds a figure numericValue reads only in part ("1,200"): no
    // price at all rather than one for 1 lb.
    bool entryUnreadable = false;

    // The shipment and the carrier chosen for it. The evaluation owns them; "Prepare bill of
    // lading" hands a copy on, so nothing evaluated later reaches a bill already open.
    qint32 destNo = 0; // [prmDestination] of every lookup
    QString destName;
    QString carrierName; // empty while no result is on display
    bool weightChosen = false; // the last pick was in the weight lists
    bool palletChosen = false; // the last pick was in the pallet lists
    Currency weightClickRate;
    Currency palletClickRate;
    Currency blRate; // the evaluation's rate, before any pick

    // Each heavier bracket's lowest rate, read with the evaluation, and the advice it gives
    // against the price on display; none while no result is on display.
    QList<BracketOffer> bracketOffers;
    std::optional<WeightBreakAdvice> weightBreak;

    QString resultTitle; // "Best rate", "Other choice" or empty
    QString resultCarrier;
    QString resultPrice; // as formatAmount writes it
    QString rateNote; // shown in red

    bool weightListsShown = false;
    bool palletListsShown = false;
    bool prepareShown = false; // "Prepare bill of lading"
    bool indicatorShown = true; // the idle picture; hidden, it uncovers the result picture
};

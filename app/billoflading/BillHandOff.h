#pragma once

#include "core/Currency.h"

#include <QString>

// What "Prepare bill of lading" hands to the bill of lading: the carrier, price, rate,
// weight and pallet count, the rates of a carrier picked in a list, and the destination.
struct BillHandOff
{
    QString blCarrierName;
    Currency blPrice;
    Currency blRate;
    qint32 blWeight = 0; // 0 when the weight does not fit: never a figure cut down to the bound
    qint32 blPallets = 0;
    bool weightChosen = false;
    bool palletChosen = false;
    Currency weightClickRate;
    Currency palletClickRate;
    QString destName;

    // The rate the bill shows and prints: a pick in the pallet list wins over one in the weight
    // list, and either wins over the handed rate.
    Currency effectiveRate() const
    {
        Currency rate = blRate;
        if (weightChosen)
            rate = weightClickRate;
        if (palletChosen)
            rate = palletClickRate;
        return rate;
    }
};

#pragma once

#include "core/Currency.h"

#include <QString>

// What "Prepare bill of lading" hands to the bill of lading.
struct HandOff
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
};

#pragma once

#include "core/Currency.h"

#include <QString>

// What "Prepare bill of lading" hands to the bill of lading.
struct HandOff
{
    QString blCarrierName;
    Currency blPrice;
    Currency blRate;
    qint32 blWeight = 0;
    qint32 blPallets = 0;
    bool weightChosen = false;
    bool palletChosen = false;
};

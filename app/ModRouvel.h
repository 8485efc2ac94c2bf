#pragma once

#include "core/Currency.h"

#include <QString>

// The state the windows share for the whole run. Everything else a window knows it reads back
// from the database.
namespace ModRouvel {

inline QString dbPath; // the database file, as AppPaths chose it
inline QString helpPath; // the guide rouvel.hlp, as AppPaths chose it

inline qint32 destNo = 0; // destination chosen in the main window
inline QString destName;
inline QString carrierName; // carrier currently chosen in the main window

// Handed to the bill of lading. Weights and pallet counts are 32-bit so that a truckload of
// 40 000 lbs arrives unchanged.
inline QString blCarrierName;
inline Currency blPrice;
inline Currency blRate;
inline qint32 blWeight = 0;
inline qint32 blPallets = 0;
inline bool weightChosen = false;
inline bool palletChosen = false;
inline Currency weightClickRate;
inline Currency palletClickRate;

inline QString callerForm; // "entreval" or "frmDonnéesTab": the window "RETURN" goes back to

// Back to what a freshly started program holds for the shipment, its choice and its hand-off;
// the file paths and callerForm stay.
inline void clearShipment()
{
    destNo = 0;
    destName.clear();
    carrierName.clear();
    blCarrierName.clear();
    blPrice = Currency();
    blRate = Currency();
    blWeight = 0;
    blPallets = 0;
    weightChosen = false;
    palletChosen = false;
    weightClickRate = Currency();
    palletClickRate = Currency();
}

} // namespace ModRouvel

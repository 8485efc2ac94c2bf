#pragma once

#include "billoflading/BillHandOff.h"

#include <QString>

// The state the windows share for the whole run. Everything else a window knows it reads back
// from the database, or is handed as a value it then owns.
namespace ModRouvel {

inline QString dbPath; // the database file, as AppPaths chose it
inline QString helpPath; // the guide rouvel.hlp, as AppPaths chose it

// What the main window's "Prepare bill of lading" handed on last. The bill-of-lading window
// copies it when it is made and works on its copy until it closes, so a later quote in the
// main window never changes a bill already open.
inline BillHandOff billHandOff;

inline QString callerForm; // "entreval" or "frmDonnéesTab": the window "RETURN" goes back to

} // namespace ModRouvel

#pragma once

#include <QString>

// When two destination names are the same destination. The carriers window, the rate-sheet
// import and rouvel rates all ask this, so none of them creates a twin of a destination that
// another would have found.
//
// Names are compared after Upper (a-z become capitals, as the new-destination entry types
// them), without regard to case beyond a-z (Qt's case folding, so "TROIS-RIVIÈRES" and the
// "TROIS-RIVIèRES" that Upper makes of "trois-rivières" are one destination), and without the
// blanks at either end, which no list or spreadsheet shows. Accents count: "MONTRÉAL" and
// "MONTREAL" are two destinations.
namespace DestinationName {

// The name as written, blanks at its ends included, with every capital folded.
QString writtenKey(const QString &name);
// What two names of one destination share: writtenKey without the blanks at either end.
QString key(const QString &name);
bool isSameDestination(const QString &a, const QString &b);

} // namespace DestinationName

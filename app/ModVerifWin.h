#pragma once

#include <QString>

class QLocale;

// The program reads and writes amounts with a period and "$", so it refuses to run under
// regional settings that would make them ambiguous.
namespace ModVerifWin {

struct RegionalReading
{
    QString decimalSeparator;
    QString currencySymbol;
};

RegionalReading readRegionalSettings(const QLocale &locale);

// An empty reading means the platform did not report the setting, which is not a refusal.
bool regionalSettingsPass(const RegionalReading &reading);

QString regionalSettingsMessage();

// Returns true when the settings pass; otherwise tells the user and returns false, and the
// program must end before any window or file is opened.
bool checkRegionalSettings();

} // namespace ModVerifWin

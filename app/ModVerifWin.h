#pragma once

#include <QString>

class QLocale;
class QMessageBox;
class QProcessEnvironment;

// The program reads and writes amounts with a period and "$", so it refuses to run under
// regional settings that would make them ambiguous.
namespace ModVerifWin {

struct RegionalReading
{
    QString decimalSeparator;
    QString currencySymbol;
};

RegionalReading readRegionalSettings(const QLocale &locale);

// Each setting from its own category, as the C library resolves them: the decimal separator
// from LC_ALL, else LC_NUMERIC, else LANG; the currency symbol from LC_ALL, else LC_MONETARY,
// else LANG. Nothing set is the C locale.
RegionalReading readRegionalSettings(const QProcessEnvironment &environment);

// An empty reading means the platform did not report the setting, which is not a refusal.
bool regionalSettingsPass(const RegionalReading &reading);

QString regionalSettingsMessage();

// The refusal, with the program's title as caption and an OK button only; its three lines stay
// three lines, however narrow the screen.
QMessageBox *createRefusalBox();

// Returns true when the settings pass; otherwise tells the user and returns false, and the
// program must end before any window or file is opened.
bool checkRegionalSettings();

} // namespace ModVerifWin

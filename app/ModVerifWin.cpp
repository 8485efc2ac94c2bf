#include "ModVerifWin.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>

namespace ModVerifWin {

RegionalReading readRegionalSettings(const QLocale &locale)
{
    return {locale.decimalPoint(), locale.currencySymbol(QLocale::CurrencySymbol)};
}

bool regionalSettingsPass(const RegionalReading &reading)
{
    const bool decimalOk = reading.decimalSeparator.isEmpty() || reading.decimalSeparator == u".";
    const bool currencyOk = reading.currencySymbol.isEmpty() || reading.currencySymbol == u"$";
    return decimalOk && currencyOk;
}

QString regionalSettingsMessage()
{
    return QStringLiteral(
            "You must change the decimal separator in the Windows regional settings:\n"
            "the decimal separator must be the period\n"
            "and the currency symbol must be the dollar sign.");
}

bool checkRegionalSettings()
{
    if (regionalSettingsPass(readRegionalSettings(QLocale::system())))
        return true;
    QMessageBox::information(nullptr, QApplication::applicationName(), regionalSettingsMessage(),
                             QMessageBox::Ok);
    return false;
}

} // namespace ModVerifWin

#include "ModVerifWin.h"

#include <QApplication>
#include <QLocale>
#include <QMessageBox>
#include <QProcessEnvironment>

namespace ModVerifWin {

namespace {

    // The locale name a category resolves to, without its codeset or modifier ("de_DE.UTF-8"
    // is "de_DE"); "C" when none is set.
    QString categoryLocale(const QProcessEnvironment &environment, const QString &category)
    {
        QString name;
        for (const QString &variable :
            {QStringLiteral("LC_ALL"), category, QStringLiteral("LANG")}) {
            name = environment.value(variable);
            if (!name.isEmpty())
                break;
        }
        name = name.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
        if (name.isEmpty() || name == u"POSIX")
            name = QStringLiteral("C");
        return name;
    }

} // namespace

RegionalReading readRegionalSettings(const QLocale &locale)
{
    return {locale.decimalPoint(), locale.currencySymbol(QLocale::CurrencySymbol)};
}

RegionalReading readRegionalSettings(const QProcessEnvironment &environment)
{
    const QLocale numeric(categoryLocale(environment, QStringLiteral("LC_NUMERIC")));
    const QLocale monetary(categoryLocale(environment, QStringLiteral("LC_MONETARY")));
    return {numeric.decimalPoint(), monetary.currencySymbol(QLocale::CurrencySymbol)};
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

QMessageBox *createRefusalBox()
{
    // A message box wraps a line longer than half the screen, and the first line would then
    // read as two: the lines are kept whole and broken only where the message breaks them.
    QStringList lines = regionalSettingsMessage().split(QLatin1Char('\n'));
    for (QString &line : lines)
        line = line.toHtmlEscaped();
    const QString text = QStringLiteral("<p style=\"white-space: nowrap\">%1</p>")
                             .arg(lines.join(QLatin1String("<br>")));
    auto *box = new QMessageBox(
        QMessageBox::Information, QApplication::applicationName(), text, QMessageBox::Ok);
    box->setTextFormat(Qt::RichText);
    return box;
}

bool checkRegionalSettings()
{
    if (regionalSettingsPass(readRegionalSettings(QProcessEnvironment::systemEnvironment())))
        return true;
    QMessageBox *box = createRefusalBox();
    box->exec();
    delete box;
    return false;
}

} // namespace ModVerifWin

#include "ModVerifWin.h"

#include <QLocale>
#include <QTest>

using ModVerifWin::RegionalReading;

class tst_RegionalSettings : public QObject
{
    Q_OBJECT
private slots:
    void check_data();
    void check();
    void readsLocaleConventions_data();
    void readsLocaleConventions();
    void messageIsThreeLines();
};

void tst_RegionalSettings::check_data()
{
    QTest::addColumn<QString>("decimal");
    QTest::addColumn<QString>("currency");
    QTest::addColumn<bool>("passes");

    QTest::newRow("period and dollar") << "." << "$" << true;
    QTest::newRow("comma and dollar") << "," << "$" << false;
    QTest::newRow("period and euro") << "." << "€" << false;
    QTest::newRow("period and US$") << "." << "US$" << false;
    QTest::newRow("comma and euro") << "," << "€" << false;
    QTest::newRow("no currency reported") << "." << "" << true;
    QTest::newRow("nothing reported") << "" << "" << true;
    QTest::newRow("no decimal reported, euro") << "" << "€" << false;
    QTest::newRow("no decimal reported, comma-less dollar") << "" << "$" << true;
}

void tst_RegionalSettings::check()
{
    QFETCH(QString, decimal);
    QFETCH(QString, currency);
    QFETCH(bool, passes);
    QCOMPARE(ModVerifWin::regionalSettingsPass({decimal, currency}), passes);
}

void tst_RegionalSettings::readsLocaleConventions_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<bool>("passes");

    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << true;
    QTest::newRow("fr_CA") << QLocale(QLocale::French, QLocale::Canada) << false;
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << false;
    QTest::newRow("en_GB") << QLocale(QLocale::English, QLocale::UnitedKingdom) << false;
    QTest::newRow("C") << QLocale::c() << true;
}

void tst_RegionalSettings::readsLocaleConventions()
{
    QFETCH(QLocale, locale);
    QFETCH(bool, passes);
    QCOMPARE(ModVerifWin::regionalSettingsPass(ModVerifWin::readRegionalSettings(locale)), passes);
}

void tst_RegionalSettings::messageIsThreeLines()
{
    const QStringList expected {
        "You must change the decimal separator in the Windows regional settings:",
        "the decimal separator must be the period",
        "and the currency symbol must be the dollar sign."};
    // Joined by a single line feed: no carriage return, no trailing break.
    QCOMPARE(ModVerifWin::regionalSettingsMessage().split(u'\n'), expected);
}

QTEST_APPLESS_MAIN(tst_RegionalSettings)
#include "tst_regionalsettings.moc"

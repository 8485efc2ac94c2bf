#include "ModVerifWin.h"

#include <QLabel>
#include <QLocale>
#include <QMessageBox>
#include <QProcessEnvironment>
#include <QTest>
#include <QTextDocument>

#include <memory>

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
    void readsEachCategory_data();
    void readsEachCategory();
    void refusalBoxKeepsItsLines();
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

void tst_RegionalSettings::readsEachCategory_data()
{
    QTest::addColumn<QString>("lcAll");
    QTest::addColumn<QString>("lcNumeric");
    QTest::addColumn<QString>("lcMonetary");
    QTest::addColumn<QString>("lang");
    QTest::addColumn<bool>("passes");

    QTest::newRow("German language, C numbers and money")
        << "" << "C" << "C" << "de_DE.UTF-8" << true;
    QTest::newRow("German language only") << "" << "" << "" << "de_DE.UTF-8" << false;
    QTest::newRow("German numbers") << "" << "de_DE.UTF-8" << "C" << "en_US.UTF-8" << false;
    QTest::newRow("euro money") << "" << "C" << "de_DE.UTF-8" << "en_US.UTF-8" << false;
    QTest::newRow("LC_ALL over the categories")
        << "de_DE.UTF-8" << "C" << "C" << "en_US.UTF-8" << false;
    QTest::newRow("LC_ALL passing over a refused LANG")
        << "en_US.UTF-8" << "" << "" << "fr_CA.UTF-8" << true;
    QTest::newRow("Canadian English") << "" << "" << "" << "en_CA.UTF-8" << true;
    QTest::newRow("Canadian French numbers")
        << "" << "fr_CA.UTF-8" << "" << "en_CA.UTF-8" << false;
    QTest::newRow("POSIX with a modifier") << "" << "POSIX" << "C.UTF-8@x" << "de_DE" << true;
    QTest::newRow("nothing set: the C locale") << "" << "" << "" << "" << true;
}

// Each setting comes from its own category, as the C library resolves it.
void tst_RegionalSettings::readsEachCategory()
{
    QFETCH(QString, lcAll);
    QFETCH(QString, lcNumeric);
    QFETCH(QString, lcMonetary);
    QFETCH(QString, lang);
    QFETCH(bool, passes);

    QProcessEnvironment environment;
    const auto set = [&](const char *name, const QString &value) {
        if (!value.isEmpty())
            environment.insert(QString::fromLatin1(name), value);
    };
    set("LC_ALL", lcAll);
    set("LC_NUMERIC", lcNumeric);
    set("LC_MONETARY", lcMonetary);
    set("LANG", lang);
    // The other categories never count.
    environment.insert(QStringLiteral("LC_TIME"), QStringLiteral("de_DE.UTF-8"));
    environment.insert(QStringLiteral("LC_MESSAGES"), QStringLiteral("fr_FR.UTF-8"));
    const RegionalReading reading = ModVerifWin::readRegionalSettings(environment);
    QCOMPARE(ModVerifWin::regionalSettingsPass(reading), passes);
}

void tst_RegionalSettings::refusalBoxKeepsItsLines()
{
    const std::unique_ptr<QMessageBox> box(ModVerifWin::createRefusalBox());
    QCOMPARE(box->standardButtons(), QMessageBox::StandardButtons(QMessageBox::Ok));
    box->show();
    QVERIFY(QTest::qWaitForWindowExposed(box.get()));
    auto *label = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"));
    QVERIFY(label);
    QTextDocument document;
    document.setHtml(label->text());
    QCOMPARE(document.toPlainText(), ModVerifWin::regionalSettingsMessage());
    // Three lines on screen, the longest one whole.
    const QStringList lines = ModVerifWin::regionalSettingsMessage().split(u'\n');
    const QFontMetrics metrics(label->font());
    QVERIFY2(label->width() >= metrics.horizontalAdvance(lines.first()),
        qPrintable(QString::number(label->width())));
    QVERIFY2(label->height() < 4 * metrics.lineSpacing(),
        qPrintable(QString::number(label->height())));
}

QTEST_MAIN(tst_RegionalSettings)
#include "tst_regionalsettings.moc"

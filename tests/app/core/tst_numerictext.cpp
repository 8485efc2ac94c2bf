#include "core/NumericText.h"

#include <QLocale>
#include <QTest>

#include <limits>

class tst_NumericText : public QObject
{
    Q_OBJECT
private slots:
    void numericValue_data();
    void numericValue();
    void numericValueIgnoresLocale();
    void readsOnlyInPart_data();
    void readsOnlyInPart();
    void formatAmount_data();
    void formatAmount();
    void roundTrip_data();
    void roundTrip();
    void roundToInt_data();
    void roundToInt();
};

void tst_NumericText::numericValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<double>("expected");

    QTest::newRow("empty") << "" << 0.0;
    QTest::newRow("letters only") << "abc" << 0.0;
    QTest::newRow("sign only") << "-" << 0.0;
    QTest::newRow("period only") << "." << 0.0;
    QTest::newRow("integer") << "1200" << 1200.0;
    QTest::newRow("decimal") << "8.50" << 8.5;
    QTest::newRow("leading period") << ".5" << 0.5;
    QTest::newRow("formatted amount") << "1 234.50 $" << 1234.5;
    QTest::newRow("blanks tabs line feeds anywhere") << " \t1\n2 3 . 4" << 123.4;
    QTest::newRow("minus") << "-12.25" << -12.25;
    QTest::newRow("plus") << "+7" << 7.0;
    QTest::newRow("blank after sign") << "- 5" << -5.0;
    QTest::newRow("second period stops") << "1.2.3" << 1.2;
    QTest::newRow("comma stops") << "2,5" << 2.0;
    QTest::newRow("trailing text") << "42 lbs" << 42.0;
    QTest::newRow("exponent") << "1.5e3" << 1500.0;
    QTest::newRow("exponent with sign") << "25E-2" << 0.25;
    QTest::newRow("exponent without digits") << "3e" << 3.0;
    QTest::newRow("exponent sign without digits") << "3e+x" << 3.0;
    QTest::newRow("carriage return stops") << "4\r5" << 4.0;
    QTest::newRow("non-breaking space stops") << QString("6") + QChar(0xA0) + "7" << 6.0;
}

void tst_NumericText::numericValue()
{
    QFETCH(QString, text);
    QFETCH(double, expected);
    QCOMPARE(::numericValue(text), expected);
}

void tst_NumericText::readsOnlyInPart_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("inPart");
    QTest::newRow("thousands comma") << "1,200" << true;
    QTest::newRow("two periods") << "1.200.5" << true;
    QTest::newRow("a letter among digits") << "12 00a3" << true;
    QTest::newRow("text before the digits") << "about 500" << true;
    QTest::newRow("exponent without digits, then digits") << "3e x4" << true;
    QTest::newRow("blank as grouping") << "1 000 lbs" << false;
    QTest::newRow("unit after") << "1200 lbs" << false;
    QTest::newRow("leading blank") << " 1200" << false;
    QTest::newRow("empty") << "" << false;
    QTest::newRow("letters only") << "abc" << false;
    QTest::newRow("exponent read whole") << "1.5e3" << false;
    QTest::newRow("formatted amount") << "1 234.50 $" << false;
}

void tst_NumericText::readsOnlyInPart()
{
    QFETCH(QString, text);
    QFETCH(bool, inPart);
    QCOMPARE(::readsOnlyInPart(text), inPart);
}

void tst_NumericText::numericValueIgnoresLocale()
{
    const QLocale saved;
    QLocale::setDefault(QLocale(QLocale::French, QLocale::France));
    const double value = ::numericValue("3.75");
    QLocale::setDefault(saved);
    QCOMPARE(value, 3.75);
}

void tst_NumericText::formatAmount_data()
{
    QTest::addColumn<qint64>("tenThousandths");
    QTest::addColumn<bool>("blankBeforeSign");
    QTest::addColumn<QString>("expected");

    QTest::newRow("zero") << qint64(0) << true << "0.00 $";
    QTest::newRow("cents") << qint64(850) << true << "0.09 $";
    QTest::newRow("102") << qint64(1020000) << true << "102.00 $";
    QTest::newRow("three digits") << qint64(9999900) << true << "999.99 $";
    QTest::newRow("four digits") << qint64(12345000) << true << "1 234.50 $";
    QTest::newRow("over a million, one blank only")
            << qint64(12345678900) << true << "1234 567.89 $";
    QTest::newRow("negative") << qint64(-12345000) << true << "-1 234.50 $";
    QTest::newRow("negative small") << qint64(-50000) << true << "-5.00 $";
    QTest::newRow("negative rounds to zero") << qint64(-40) << true << "0.00 $";
    QTest::newRow("half cent rounds away from zero") << qint64(1050) << true << "0.11 $";
    QTest::newRow("negative half cent") << qint64(-1050) << true << "-0.11 $";
    QTest::newRow("below half cent") << qint64(1049) << true << "0.10 $";
    QTest::newRow("variant without blank") << qint64(12345000) << false << "1 234.50$";
    QTest::newRow("variant zero") << qint64(0) << false << "0.00$";
    QTest::newRow("largest") << std::numeric_limits<qint64>::max() << true
                             << "922337203685 477.58 $";
    QTest::newRow("smallest") << std::numeric_limits<qint64>::min() << true
                              << "-922337203685 477.58 $";
}

void tst_NumericText::formatAmount()
{
    QFETCH(qint64, tenThousandths);
    QFETCH(bool, blankBeforeSign);
    QFETCH(QString, expected);
    const auto spacing = blankBeforeSign ? CurrencySpacing::BlankBeforeSign
                                         : CurrencySpacing::NoBlankBeforeSign;
    QCOMPARE(::formatAmount(Currency::fromTenThousandths(tenThousandths), spacing), expected);
}

void tst_NumericText::roundTrip_data()
{
    QTest::addColumn<double>("amount");
    QTest::newRow("1234.5") << 1234.5;
    QTest::newRow("0.01") << 0.01;
    QTest::newRow("102") << 102.0;
    QTest::newRow("negative") << -98765.43;
    QTest::newRow("millions") << 12345678.9;
    QTest::newRow("zero") << 0.0;
}

void tst_NumericText::roundTrip()
{
    QFETCH(double, amount);
    for (auto spacing : {CurrencySpacing::BlankBeforeSign, CurrencySpacing::NoBlankBeforeSign}) {
        const QString text = ::formatAmount(amount, spacing);
        QCOMPARE(Currency::fromDouble(::numericValue(text)), Currency::fromDouble(amount));
    }
}

void tst_NumericText::roundToInt_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint32>("expected32");
    QTest::addColumn<qint16>("expected16");

    QTest::newRow("half to even down") << 2.5 << 2 << qint16(2);
    QTest::newRow("half to even up") << 3.5 << 4 << qint16(4);
    QTest::newRow("negative half") << -2.5 << -2 << qint16(-2);
    QTest::newRow("below half") << 1200.49 << 1200 << qint16(1200);
    QTest::newRow("above half") << 0.51 << 1 << qint16(1);
    QTest::newRow("truckload") << 40000.0 << 40000 << qint16(32767);
    QTest::newRow("negative truckload") << -40000.0 << -40000 << qint16(-32768);
    QTest::newRow("huge") << 1e300 << std::numeric_limits<qint32>::max() << qint16(32767);
    QTest::newRow("nan") << std::numeric_limits<double>::quiet_NaN() << 0 << qint16(0);
}

void tst_NumericText::roundToInt()
{
    QFETCH(double, value);
    QFETCH(qint32, expected32);
    QFETCH(qint16, expected16);
    QCOMPARE(roundToInt32(value), expected32);
    QCOMPARE(roundToInt16(value), expected16);
}

QTEST_APPLESS_MAIN(tst_NumericText)
#include "tst_numerictext.moc"

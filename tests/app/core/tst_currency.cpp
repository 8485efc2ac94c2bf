#include "core/Currency.h"

#include <QTest>

#include <limits>

class tst_Currency : public QObject
{
    Q_OBJECT
private slots:
    void fromDouble_data();
    void fromDouble();
    void arithmeticIsExact();
    void multiplyRounds_data();
    void multiplyRounds();
};

void tst_Currency::fromDouble_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("whole") << 8.5 << qint64(85000);
    QTest::newRow("four decimals") << 1.2345 << qint64(12345);
    QTest::newRow("rounds down") << 0.00004 << qint64(0);
    QTest::newRow("rounds up") << 0.00006 << qint64(1);
    QTest::newRow("half to even") << 0.00025 << qint64(2);
    QTest::newRow("negative") << -9.1 << qint64(-91000);
    QTest::newRow("nan is zero") << std::numeric_limits<double>::quiet_NaN() << qint64(0);
    QTest::newRow("saturates high") << 1e300 << std::numeric_limits<qint64>::max();
    QTest::newRow("saturates low") << -1e300 << std::numeric_limits<qint64>::min();
    QTest::newRow("infinity") << std::numeric_limits<double>::infinity()
                              << std::numeric_limits<qint64>::max();
}

void tst_Currency::fromDouble()
{
    QFETCH(double, value);
    QFETCH(qint64, expected);
    QCOMPARE(Currency::fromDouble(value).tenThousandths(), expected);
}

void tst_Currency::arithmeticIsExact()
{
    // Ten additions of 0.1 drift in binary floating point, never in currency.
    Currency sum;
    for (int i = 0; i < 10; ++i)
        sum += Currency::fromDouble(0.1);
    QCOMPARE(sum, Currency::fromDouble(1.0));
    QCOMPARE(Currency::fromDouble(120.0) - Currency::fromDouble(95.0), Currency::fromDouble(25.0));
    QVERIFY(Currency::fromDouble(95.0) < Currency::fromDouble(120.0));
    QCOMPARE(Currency::fromDouble(42.0) * qint64(3), Currency::fromDouble(126.0));
    QCOMPARE(-Currency::fromDouble(1.5), Currency::fromDouble(-1.5));
}

void tst_Currency::multiplyRounds_data()
{
    QTest::addColumn<double>("amount");
    QTest::addColumn<double>("factor");
    QTest::addColumn<qint64>("expected");

    QTest::newRow("rate per 100 lbs") << 8.5 << 12.0 << qint64(1020000);
    QTest::newRow("fraction of a unit") << 0.0001 << 0.5 << qint64(0);
    QTest::newRow("rounds to nearest") << 1.0 << (1.0 / 3.0) << qint64(3333);
}

void tst_Currency::multiplyRounds()
{
    QFETCH(double, amount);
    QFETCH(double, factor);
    QFETCH(qint64, expected);
    QCOMPARE((Currency::fromDouble(amount) * factor).tenThousandths(), expected);
}

QTEST_APPLESS_MAIN(tst_Currency)
#include "tst_currency.moc"

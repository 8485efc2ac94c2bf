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
    void saturates_data();
    void saturates();
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

void tst_Currency::saturates_data()
{
    QTest::addColumn<char>("op"); // '+', '-', '*' (by factor), 'n' (negation of a)
    QTest::addColumn<qint64>("a");
    QTest::addColumn<qint64>("b");
    QTest::addColumn<qint64>("expected");
    constexpr qint64 max = std::numeric_limits<qint64>::max();
    constexpr qint64 min = std::numeric_limits<qint64>::min();

    QTest::newRow("sum in range") << '+' << qint64(85000) << qint64(-5000) << qint64(80000);
    QTest::newRow("sum over the top") << '+' << max - 10 << qint64(11) << max;
    QTest::newRow("sum under the bottom") << '+' << min + 10 << qint64(-11) << min;
    QTest::newRow("difference in range") << '-' << qint64(5) << qint64(8) << qint64(-3);
    QTest::newRow("difference over the top") << '-' << max << qint64(-1) << max;
    QTest::newRow("difference under the bottom") << '-' << qint64(-2) << max << min;
    QTest::newRow("product in range") << '*' << qint64(-42) << qint64(3) << qint64(-126);
    QTest::newRow("huge rate by ten pallets") << '*' << max / 5 << qint64(10) << max;
    QTest::newRow("negative product") << '*' << max / 5 << qint64(-10) << min;
    QTest::newRow("two negatives") << '*' << min << qint64(-1) << max;
    QTest::newRow("negation") << 'n' << qint64(7) << qint64(0) << qint64(-7);
    QTest::newRow("negation of the smallest") << 'n' << min << qint64(0) << max;
}

// The range's ends hold instead of wrapping round to the other sign.
void tst_Currency::saturates()
{
    QFETCH(char, op);
    QFETCH(qint64, a);
    QFETCH(qint64, b);
    QFETCH(qint64, expected);
    const Currency x = Currency::fromTenThousandths(a);
    const Currency y = Currency::fromTenThousandths(b);
    Currency result;
    switch (op) {
    case '+': {
        result = x + y;
        Currency accumulated = x;
        accumulated += y;
        QCOMPARE(accumulated, result);
        break;
    }
    case '-': {
        result = x - y;
        Currency accumulated = x;
        accumulated -= y;
        QCOMPARE(accumulated, result);
        break;
    }
    case '*':
        result = x * b;
        break;
    default:
        result = -x;
        break;
    }
    QCOMPARE(result.tenThousandths(), expected);
}

QTEST_APPLESS_MAIN(tst_Currency)
#include "tst_currency.moc"

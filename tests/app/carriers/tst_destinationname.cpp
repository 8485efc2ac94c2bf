#include "carriers/DestinationLists.h"
#include "carriers/DestinationName.h"

#include <QTest>

// The one rule for "the same destination" that the carriers window, the rate-sheet import and
// rouvel rates share.
class tst_DestinationName : public QObject
{
    Q_OBJECT
private slots:
    void sameDestination_data();
    void sameDestination();
    void writtenKeyKeepsTheBlanks();
};

void tst_DestinationName::sameDestination_data()
{
    QTest::addColumn<QString>("a");
    QTest::addColumn<QString>("b");
    QTest::addColumn<bool>("same");

    const auto u = [](const char *text) { return QString::fromUtf8(text); };
    QTest::newRow("identical") << "CHICAGO"
                               << "CHICAGO" << true;
    QTest::newRow("a-z capitals") << "chicago"
                                  << "CHICAGO" << true;
    QTest::newRow("mixed capitals") << "New York"
                                    << "NEW YORK" << true;
    QTest::newRow("accent kept by Upper, capital in a sheet")
        << u("TROIS-RIVIèRES") << u("TROIS-RIVIÈRES") << true;
    QTest::newRow("typed small, Upper made")
        << DestinationLists::upper(u("trois-rivières")) << u("TROIS-RIVIÈRES") << true;
    QTest::newRow("é and É") << u("é") << u("É") << true;
    QTest::newRow("ç and Ç") << u("SAINT-FRANçOIS") << u("saint-françois") << true;
    QTest::newRow("blank after") << "CHICAGO "
                                 << "CHICAGO" << true;
    QTest::newRow("blanks before") << "  HULL"
                                   << "HULL" << true;
    QTest::newRow("blanks both ends, other case") << " hull  "
                                                  << "HULL" << true;
    QTest::newRow("tab and no-break space at the ends") << u("\tHULL\u00A0") << "HULL" << true;

    QTest::newRow("accent differs") << u("MONTRÉAL") << "MONTREAL" << false;
    QTest::newRow("accent differs, small") << u("montréal") << "MONTREAL" << false;
    QTest::newRow("è and é") << u("TROIS-RIVIèRES") << u("TROIS-RIVIéRES") << false;
    QTest::newRow("blank inside") << "NEW YORK"
                                  << "NEWYORK" << false;
    QTest::newRow("two blanks inside") << "NEW  YORK"
                                       << "NEW YORK" << false;
    QTest::newRow("dash and blank") << "SAINT-JEAN"
                                    << "SAINT JEAN" << false;
    QTest::newRow("apostrophes") << "O'KEEFE" << u("O’KEEFE") << false;
    QTest::newRow("other name") << "BOSTON"
                                << "DENVER" << false;
}

void tst_DestinationName::sameDestination()
{
    QFETCH(QString, a);
    QFETCH(QString, b);
    QFETCH(bool, same);
    QCOMPARE(DestinationName::isSameDestination(a, b), same);
    QCOMPARE(DestinationName::isSameDestination(b, a), same);
    QCOMPARE(DestinationName::key(a) == DestinationName::key(b), same);
}

void tst_DestinationName::writtenKeyKeepsTheBlanks()
{
    QCOMPARE(DestinationName::writtenKey("chicago"), DestinationName::writtenKey("CHICAGO"));
    QCOMPARE(DestinationName::writtenKey(QString::fromUtf8("TROIS-RIVIÈRES")),
        DestinationName::writtenKey(QString::fromUtf8("trois-rivièrEs")));
    QVERIFY(DestinationName::writtenKey("CHICAGO ") != DestinationName::writtenKey("CHICAGO"));
    QVERIFY(DestinationName::writtenKey("  HULL") != DestinationName::writtenKey("HULL"));
}

QTEST_APPLESS_MAIN(tst_DestinationName)
#include "tst_destinationname.moc"

#include "data/TextPool.h"

#include <QTest>

// The pool behind the carrier names of every lookup: it must give back exactly the text it is
// asked for, share one string per name, survive its own growth and stay within its bound.
class tst_TextPool : public QObject
{
    Q_OBJECT

private slots:
    void text_data();
    void text();
    void namesSurviveGrowth();
    void staysWithinItsBound();
    void clearForgets();
};

namespace {

QString carrier(int n) { return QStringLiteral("CARRIER %1").arg(n); }

} // namespace

void tst_TextPool::text_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("ascii") << QStringLiteral("ALPHA");
    QTest::newRow("apostrophe") << QStringLiteral("O'BRIEN");
    QTest::newRow("accents") << QStringLiteral("DÉMÉNAGEMENT ÉTÉ");
    QTest::newRow("outside latin") << QStringLiteral("運送 ΑΘΗΝΑ");
    QTest::newRow("surrogate pair") << QStringLiteral("TRUCK 🚚");
    // Either side of the word the hash reads at a time.
    QTest::newRow("7 bytes") << QStringLiteral("ABCDEFG");
    QTest::newRow("8 bytes") << QStringLiteral("ABCDEFGH");
    QTest::newRow("9 bytes") << QStringLiteral("ABCDEFGHI");
    QTest::newRow("16 bytes") << QStringLiteral("ABCDEFGHIJKLMNOP");
    QTest::newRow("one byte") << QStringLiteral("A");
    QTest::newRow("inner nul") << (QStringLiteral("A") + QChar(0) + QStringLiteral("B"));
    QTest::newRow("trailing space") << QStringLiteral("ALPHA ");
}

void tst_TextPool::text()
{
    QFETCH(QString, name);
    TextPool pool;
    // Neighbours that differ from the name by one byte, asked first, must not answer for it;
    // cut inside a character, the shorter one reads as the conversion reads it.
    const QByteArray bytes = name.toUtf8();
    const QByteArray longer = bytes + 'X';
    const QByteArray shorter = bytes.chopped(1);
    const QString first = pool.text(longer);
    pool.text(shorter);
    const QString found = pool.text(bytes);
    QCOMPARE(found, name);
    QCOMPARE(pool.text(longer), name + QLatin1Char('X'));
    QCOMPARE(pool.text(shorter), QString::fromUtf8(shorter));
    // Asked again, it is the same string, not a copy.
    const QString again = pool.text(bytes);
    QCOMPARE(again, name);
    QCOMPARE(again.constData(), found.constData());
    QCOMPARE(pool.text(longer).constData(), first.constData());
}

void tst_TextPool::namesSurviveGrowth()
{
    TextPool pool;
    // Enough names to make the table grow several times.
    const int count = 5000;
    QList<QString> first;
    for (int n = 0; n < count; ++n)
        first << pool.text(carrier(n).toUtf8());
    QCOMPARE(pool.size(), count);
    // Every name still gives its own first string after the growth, in the other order too.
    for (int n = count - 1; n >= 0; --n) {
        const QString again = pool.text(carrier(n).toUtf8());
        QCOMPARE(again, carrier(n));
        QCOMPARE(again.constData(), first.at(n).constData());
    }
    QCOMPARE(pool.size(), count);
    // The empty text is not a name to keep.
    QVERIFY(pool.text(QByteArrayView("", 0)).isEmpty());
    QCOMPARE(pool.size(), count);
}

void tst_TextPool::staysWithinItsBound()
{
    TextPool pool;
    const int count = int(TextPool::MaxNames) + 300;
    for (int n = 0; n < count; ++n) {
        QCOMPARE(pool.text(carrier(n).toUtf8()), carrier(n));
        QVERIFY(pool.size() <= TextPool::MaxNames);
    }
    // Past the bound it started over: it holds the latest names, and shares them again.
    QVERIFY(pool.size() < TextPool::MaxNames);
    const QString last = pool.text(carrier(count - 1).toUtf8());
    QCOMPARE(pool.text(carrier(count - 1).toUtf8()).constData(), last.constData());
    QCOMPARE(pool.text(carrier(0).toUtf8()), carrier(0));
}

void tst_TextPool::clearForgets()
{
    TextPool pool;
    const QString before = pool.text(QByteArrayView("ALPHA"));
    pool.text(QByteArrayView("BETA"));
    pool.clear();
    QCOMPARE(pool.size(), 0);
    const QString after = pool.text(QByteArrayView("ALPHA"));
    QCOMPARE(after, before);
    QVERIFY(after.constData() != before.constData());
    QCOMPARE(pool.size(), 1);
}

QTEST_GUILESS_MAIN(tst_TextPool)
#include "tst_textpool.moc"

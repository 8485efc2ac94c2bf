#include "core/VisibleName.h"

#include <QTest>

// What a destination, carrier or customer name may hold: every character a reader can see.
class tst_VisibleName : public QObject
{
    Q_OBJECT
private slots:
    void problem_data();
    void problem();
    void everyListedCharacter();
    void shown_data();
    void shown();
};

namespace {

QString withUnit(const char *before, char16_t unit, const char *after)
{
    return QString::fromUtf8(before) + QChar(unit) + QString::fromUtf8(after);
}

} // namespace

void tst_VisibleName::problem_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("problem"); // empty: the name may be stored

    QTest::newRow("plain") << "NEW YORK"
                           << "";
    QTest::newRow("empty") << ""
                           << "";
    QTest::newRow("accented") << QString::fromUtf8("TROIS-RIVIèRES") << "";
    QTest::newRow("accented capitals") << QString::fromUtf8("MONTRÉAL ÎLE-PERROT Ç") << "";
    QTest::newRow("apostrophe, dash, digits") << "O'KEEFE - 2"
                                              << "";
    QTest::newRow("blanks at the ends") << "  HULL "
                                        << "";
    QTest::newRow("no-break space") << QString::fromUtf8("ST\u00A0JOHN") << "";
    QTest::newRow("other scripts") << QString::fromUtf8("東京 Київ") << "";
    QTest::newRow("pair outside the BMP") << QString::fromUtf8("CAFÉ \U0001F69A") << "";
    QTest::newRow("two pairs") << QString::fromUtf8("\U0001D49C\U0001F600") << "";

    // Controls, C0 and C1.
    QTest::newRow("U+0000") << withUnit("NEW", 0x0000, "YORK")
                            << "holds the invisible character U+0000";
    QTest::newRow("tab") << withUnit("NEW", 0x0009, "YORK")
                         << "holds the invisible character U+0009";
    QTest::newRow("line feed at the end")
        << withUnit("NEW YORK", 0x000A, "") << "holds the invisible character U+000A";
    QTest::newRow("U+001F") << withUnit("", 0x001F, "A") << "holds the invisible character U+001F";
    QTest::newRow("delete") << withUnit("A", 0x007F, "") << "holds the invisible character U+007F";
    QTest::newRow("U+0085") << withUnit("A", 0x0085, "B") << "holds the invisible character U+0085";
    QTest::newRow("U+009F") << withUnit("A", 0x009F, "B") << "holds the invisible character U+009F";
    // Format and invisible characters.
    QTest::newRow("soft hyphen") << withUnit("GAS", 0x00AD, "PE")
                                 << "holds the invisible character U+00AD";
    QTest::newRow("zero width space")
        << withUnit("NEW", 0x200B, "YORK") << "holds the invisible character U+200B";
    QTest::newRow("right-to-left mark")
        << withUnit("A", 0x200F, "") << "holds the invisible character U+200F";
    QTest::newRow("line separator")
        << withUnit("A", 0x2028, "") << "holds the invisible character U+2028";
    QTest::newRow("right-to-left override")
        << withUnit("A", 0x202E, "B") << "holds the invisible character U+202E";
    QTest::newRow("word joiner") << withUnit("A", 0x2060, "B")
                                 << "holds the invisible character U+2060";
    QTest::newRow("invisible plus")
        << withUnit("A", 0x2064, "B") << "holds the invisible character U+2064";
    QTest::newRow("left-to-right isolate")
        << withUnit("A", 0x2066, "B") << "holds the invisible character U+2066";
    QTest::newRow("pop directional isolate")
        << withUnit("A", 0x2069, "B") << "holds the invisible character U+2069";
    QTest::newRow("byte-order mark first")
        << withUnit("", 0xFEFF, "NEW YORK") << "holds the invisible character U+FEFF";
    // Half of a pair.
    QTest::newRow("lone high surrogate at the end")
        << withUnit("A", 0xD83D, "") << "holds the invisible character U+D83D";
    QTest::newRow("lone high surrogate before a letter")
        << withUnit("A", 0xD83D, "B") << "holds the invisible character U+D83D";
    QTest::newRow("lone low surrogate")
        << withUnit("A", 0xDE9A, "B") << "holds the invisible character U+DE9A";
    QTest::newRow("low surrogate before high")
        << withUnit("", 0xDE9A, "") + QChar(0xD83D) << "holds the invisible character U+DE9A";
    // The first one is named.
    QTest::newRow("first of two") << withUnit("A", 0x200D, "") + QChar(0x0001)
                                  << "holds the invisible character U+200D";

    // Neighbours of the listed ranges are visible.
    QTest::newRow("space U+0020") << withUnit("A", 0x0020, "B") << "";
    QTest::newRow("tilde U+007E") << withUnit("A", 0x007E, "B") << "";
    QTest::newRow("U+00A0") << withUnit("A", 0x00A0, "B") << "";
    QTest::newRow("U+00AE") << withUnit("A", 0x00AE, "B") << "";
    QTest::newRow("U+200A") << withUnit("A", 0x200A, "B") << "";
    QTest::newRow("U+2010") << withUnit("A", 0x2010, "B") << "";
    QTest::newRow("U+2027") << withUnit("A", 0x2027, "B") << "";
    QTest::newRow("U+202F") << withUnit("A", 0x202F, "B") << "";
    QTest::newRow("U+205F") << withUnit("A", 0x205F, "B") << "";
    QTest::newRow("U+2065") << withUnit("A", 0x2065, "B") << "";
    QTest::newRow("U+206A") << withUnit("A", 0x206A, "B") << "";
    QTest::newRow("U+FEFE") << withUnit("A", 0xFEFE, "B") << "";
}

void tst_VisibleName::problem()
{
    QFETCH(QString, name);
    QFETCH(QString, problem);
    QCOMPARE(VisibleName::problem(name), problem);
    QCOMPARE(VisibleName::firstHiddenCharacter(name).has_value(), !problem.isEmpty());
}

void tst_VisibleName::everyListedCharacter()
{
    const QList<QPair<char32_t, char32_t>> ranges {{0x0000, 0x001F}, {0x007F, 0x009F},
        {0x00AD, 0x00AD}, {0x200B, 0x200F}, {0x2028, 0x202E}, {0x2060, 0x2064}, {0x2066, 0x2069},
        {0xFEFF, 0xFEFF}, {0xD800, 0xDFFF}};
    int refused = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        bool listed = false;
        for (const auto &[first, last] : ranges)
            listed = listed || (c >= first && c <= last);
        const QString name = QStringLiteral("A") + QChar(char16_t(c)) + QStringLiteral("B");
        const std::optional<char32_t> hidden = VisibleName::firstHiddenCharacter(name);
        QVERIFY2(hidden.has_value() == listed, qPrintable(VisibleName::characterCode(c)));
        if (hidden) {
            QCOMPARE(*hidden, c);
            ++refused;
        }
    }
    QCOMPARE(refused, 32 + 33 + 1 + 5 + 7 + 5 + 4 + 1 + 2048);
    QCOMPARE(VisibleName::characterCode(0x200B), QStringLiteral("U+200B"));
    QCOMPARE(VisibleName::characterCode(0x0009), QStringLiteral("U+0009"));
    QCOMPARE(VisibleName::characterCode(0x1F69A), QStringLiteral("U+1F69A"));
}

void tst_VisibleName::shown_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("clean") << QString::fromUtf8("TROIS-RIVIèRES \U0001F69A")
                           << QString::fromUtf8("TROIS-RIVIèRES \U0001F69A");
    QTest::newRow("zero width space") << withUnit("NEW", 0x200B, "YORK") << "NEW<U+200B>YORK";
    QTest::newRow("line break") << withUnit("NEW", 0x000D, "") + QChar(0x000A) + "YORK"
                                << "NEW<U+000D><U+000A>YORK";
    QTest::newRow("lone surrogate beside a pair") << QString::fromUtf8("\U0001F69A") + QChar(0xD83D)
                                                  << QString::fromUtf8("\U0001F69A<U+D83D>");
}

void tst_VisibleName::shown()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(VisibleName::shown(text), shown);
}

QTEST_APPLESS_MAIN(tst_VisibleName)
#include "tst_visiblename.moc"

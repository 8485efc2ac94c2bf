#include "LineFitter.h"
#include "MemoWrapper.h"
#include "TextMeasurer.h"

#include <QRandomGenerator>
#include <QTest>

namespace {

// The wrap of a text into a column `columnChars` characters wide, one character one unit: each
// emitted line as it is, each line break as "|".
QStringList wrapped(const QString &text, qsizetype columnChars)
{
    QStringList events;
    MemoWrapper::wrap(
        text,
        [columnChars](QStringView line, QStringView word) {
            return line.size() + word.size() <= columnChars;
        },
        [&events](const QString &line) { events << line; }, [&events] { events << "|"; });
    return events;
}

// The word loop as it reads for texts whose only line breaks are CR LF: find the next blank
// and the next CR LF in the rest of the text, and take the word up to the nearer one.
QStringList crlfOnlyReference(const QString &text, qsizetype columnChars)
{
    QStringList events;
    QString line;
    qsizetype c = 0;
    while (c < text.size()) {
        const QString rest = text.mid(c);
        const qsizetype sp = rest.indexOf(u' ');
        const qsizetype br = rest.indexOf(QStringLiteral("\r\n"));
        QString word;
        bool hardBreak = false;
        if (br >= 0 && (sp < 0 || br < sp)) {
            word = rest.left(br + 2);
            hardBreak = true;
        } else {
            word = sp >= 0 ? rest.left(sp + 1) : rest;
        }
        c += word.size();
        if (hardBreak)
            word.chop(2);
        if (line.size() + word.size() <= columnChars) {
            line += word;
        } else {
            events << line << "|";
            line = word;
        }
        if (hardBreak) {
            events << line << "|";
            line.clear();
        }
    }
    events << line;
    return events;
}

// The lines of a text in a column of the given width in twips: every line measured whole, as
// the layout always has, or through a LineFitter. After `switchAt` width tests the font becomes
// Times New Roman 14, as a page break's handler may set it in the middle of a memo.
QStringList wrappedInFont(const QString &text, double columnTwips, bool fitter, int switchAt = -1)
{
    TextMeasurer measurer;
    measurer.setFont(QStringLiteral("Arial"), 10, false, false, false);
    int tests = 0;
    const auto switchFont = [&] {
        if (tests++ == switchAt)
            measurer.setFont(QStringLiteral("Times New Roman"), 14, true, false, false);
    };
    const auto fitsWidth = [columnTwips](double twips) { return columnTwips >= twips; };
    LineFitter lineFitter(
        [&measurer]() -> const TextMeasurer & { return measurer; }, fitsWidth, columnTwips);
    QStringList lines;
    MemoWrapper::wrap(
        text,
        [&](QStringView line, QStringView word) {
            switchFont();
            if (fitter)
                return lineFitter(line, word);
            return fitsWidth(measurer.textWidthTwips(line.toString() + word.toString()));
        },
        [&lines](const QString &line) { lines << line; }, [] {});
    return lines;
}

} // namespace

class tst_MemoWrapper : public QObject
{
    Q_OBJECT

private slots:
    void lines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("column");
        QTest::addColumn<QStringList>("events");
        QTest::newRow("empty text") << "" << 10 << QStringList {""};
        QTest::newRow("fits") << "ab cd" << 10 << QStringList {"ab cd"};
        QTest::newRow("wrap keeps the blank")
            << "aaa bbb ccc" << 8 << QStringList {"aaa bbb ", "|", "ccc"};
        QTest::newRow("first word too wide")
            << "abcdefghij kl" << 3 << QStringList {"", "|", "abcdefghij ", "|", "kl"};
        QTest::newRow("CR LF") << "one\r\ntwo" << 20 << QStringList {"one", "|", "two"};
        QTest::newRow("lone LF") << "parking\nDock 4" << 20
                                 << QStringList {"parking", "|", "Dock 4"};
        QTest::newRow("lone CR") << "parking\rDock 4" << 20
                                 << QStringList {"parking", "|", "Dock 4"};
        QTest::newRow("mixed") << "a\rb\nc\r\nd" << 20
                               << QStringList {"a", "|", "b", "|", "c", "|", "d"};
        QTest::newRow("LF CR is two breaks")
            << "a\n\rb" << 20 << QStringList {"a", "|", "", "|", "b"};
        QTest::newRow("CR CR LF is two breaks")
            << "a\r\r\nb" << 20 << QStringList {"a", "|", "", "|", "b"};
        QTest::newRow("LF LF is two breaks")
            << "a\n\nb" << 20 << QStringList {"a", "|", "", "|", "b"};
        QTest::newRow("starts with a break") << "\nabc" << 20 << QStringList {"", "|", "abc"};
        QTest::newRow("ends with a lone LF") << "abc\n" << 20 << QStringList {"abc", "|", ""};
        QTest::newRow("ends with a lone CR") << "abc\r" << 20 << QStringList {"abc", "|", ""};
        QTest::newRow("blank before a break")
            << "one \ntwo" << 20 << QStringList {"one ", "|", "two"};
        QTest::newRow("break after a wrap")
            << "aaa bbb\nc" << 5 << QStringList {"aaa ", "|", "bbb", "|", "c"};
        QTest::newRow("word too wide before a break")
            << "ab cdefgh\rx" << 4 << QStringList {"ab ", "|", "cdefgh", "|", "x"};
    }

    void lines()
    {
        QFETCH(QString, text);
        QFETCH(int, column);
        QFETCH(QStringList, events);
        QCOMPARE(wrapped(text, column), events);
    }

    // Texts broken only by CR LF wrap as they always have: random words, blanks and CR LFs in
    // random columns against the loop that searches the rest of the text.
    void crlfOnlyTextsWrapAsBefore()
    {
        QRandomGenerator random(20261210);
        const QStringList pieces {"a", "bb", "ccc", "dddddd", "eeeeeeeeeeee", " ", "  ", "\r\n"};
        for (int round = 0; round < 500; ++round) {
            QString text;
            const int count = random.bounded(0, 40);
            for (int i = 0; i < count; ++i)
                text += pieces.at(random.bounded(int(pieces.size())));
            const int column = random.bounded(0, 25);
            QCOMPARE(wrapped(text, column), crlfOnlyReference(text, column));
        }
    }

    // The line fitter sums words and their joins instead of measuring every line whole; the
    // lines must break exactly where whole measures break them, kerned pairs ("AV", "Te", a
    // blank before "T"), accents, quotes and characters of two halves included, in columns
    // of many widths.
    void fitterBreaksWhereWholeMeasuresDo_data()
    {
        QTest::addColumn<int>("switchAt");
        QTest::newRow("one font") << -1;
        QTest::newRow("font changed in the middle") << 25;
    }

    void fitterBreaksWhereWholeMeasuresDo()
    {
        QFETCH(int, switchAt);
        const QStringList pieces {"AVATAR", "Type", "Yours,", "T.", "W.", "\"quoted\"", "l'été",
            "Façade", "naïve", "office", "Wave", "Tokyo.", "1 234.50 $", "Dock", "Ave.", "fi",
            QString::fromUtf8("\xF0\x9F\x93\xA6"), QString(14, u'W')};
        const QStringList gaps {" ", " ", " ", "  ", "\n", "\r\n"};
        QRandomGenerator random(42);
        for (int round = 0; round < 300; ++round) {
            QString text;
            const int words = random.bounded(1, 60);
            for (int i = 0; i < words; ++i) {
                text += pieces.at(random.bounded(int(pieces.size())));
                text += gaps.at(random.bounded(int(gaps.size())));
            }
            const double column = random.bounded(200, 12000);
            QCOMPARE(wrappedInFont(text, column, true, switchAt),
                wrappedInFont(text, column, false, switchAt));
        }
    }
};

QTEST_MAIN(tst_MemoWrapper)
#include "tst_memowrapper.moc"

#include "ratesheets/RateSheet.h"
#include "ratesheets/RateSheetCsv.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <QTest>

// Reading and writing sheets as spreadsheets save them, and checking them against the grid's
// columns, without a database.
class tst_RateSheet : public QObject
{
    Q_OBJECT
private slots:
    void read_data();
    void read();
    void unreadable_data();
    void unreadable();
    void recordRoundTrip_data();
    void recordRoundTrip();
    void readRate_data();
    void readRate();
    void parse_data();
    void parse();
    void problemText();
};

using Records = QList<QStringList>;
using Lines = QList<int>;

void tst_RateSheet::read_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<Records>("records");
    QTest::addColumn<Lines>("lines");

    QTest::newRow("commas, CR LF")
        << QByteArray("Destination,LTL\r\nBOSTON,13.72\r\n") << QChar(u',')
        << Records {{"Destination", "LTL"}, {"BOSTON", "13.72"}} << Lines {1, 2};
    QTest::newRow("byte-order mark and semicolons")
        << QByteArray("\xEF\xBB\xBF"
                      "Destination;LTL\r\nBOSTON;1 234.56 $\r\n")
        << QChar(u';') << Records {{"Destination", "LTL"}, {"BOSTON", "1 234.56 $"}}
        << Lines {1, 2};
    QTest::newRow("LF only, no last line end") << QByteArray("a,b\nc,d") << QChar(u',')
                                               << Records {{"a", "b"}, {"c", "d"}} << Lines {1, 2};
    QTest::newRow("CR only") << QByteArray("a,b\rc,d\r") << QChar(u',')
                             << Records {{"a", "b"}, {"c", "d"}} << Lines {1, 2};
    QTest::newRow("empty fields kept") << QByteArray("a,,\r\n,,\r\n") << QChar(u',')
                                       << Records {{"a", "", ""}, {"", "", ""}} << Lines {1, 2};
    QTest::newRow("quoted separator, quote and line break move the line count")
        << QByteArray("Destination,LTL\r\n\"DUPONT, \"\"LE GRAND\"\"\",1\r\n\"TWO\r\nLINES\",2\r\n"
                      "LAST,3\r\n")
        << QChar(u',')
        << Records {{"Destination", "LTL"}, {"DUPONT, \"LE GRAND\"", "1"}, {"TWO\r\nLINES", "2"},
               {"LAST", "3"}}
        << Lines {1, 2, 3, 5};
    QTest::newRow("leading blanks kept")
        << QByteArray("a\n  HULL\n\"  HULL\"\n") << QChar(u',')
        << Records {{"a"}, {"  HULL"}, {"  HULL"}} << Lines {1, 2, 3};
    QTest::newRow("separator read from the header, not from quotes")
        << QByteArray("\"a;b;c\",d\n1,2\n") << QChar(u',') << Records {{"a;b;c", "d"}, {"1", "2"}}
        << Lines {1, 2};
    QTest::newRow("semicolons win over a comma in a caption")
        << QByteArray("Destination;Min;LTL\nA, B;1;2\n") << QChar(u';')
        << Records {{"Destination", "Min", "LTL"}, {"A, B", "1", "2"}} << Lines {1, 2};
    QStringEncoder utf16(QStringEncoder::Utf16LE);
    const QByteArray unicodeText = QByteArray("\xFF\xFE")
        + QByteArray(utf16.encode(QString::fromUtf8("Destination\tLTL\r\nQU\xC3\x89"
                                                    "BEC\t9.15\r\n")));
    QTest::newRow("UTF-16 with tabs") << unicodeText << QChar(u'\t')
                                      << Records {{"Destination", "LTL"},
                                             {QString::fromUtf8("QU\xC3\x89"
                                                                "BEC"),
                                                 "9.15"}}
                                      << Lines {1, 2};
    QTest::newRow("empty file") << QByteArray() << QChar(u',') << Records {} << Lines {};
}

void tst_RateSheet::read()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QChar, separator);
    QFETCH(Records, records);
    QFETCH(Lines, lines);

    const RateSheetCsv::Reading reading = RateSheetCsv::read(bytes);
    QVERIFY2(reading.ok(), qPrintable(reading.problem));
    QCOMPARE(reading.separator, separator);
    Records read;
    Lines readLines;
    for (const RateSheetCsv::Record &record : reading.records) {
        read << record.fields;
        readLines << record.line;
    }
    QCOMPARE(read, records);
    QCOMPARE(readLines, lines);
}

void tst_RateSheet::unreadable_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("line");
    QTest::addColumn<QString>("problem");

    QTest::newRow("quote never closed")
        << QByteArray("a,b\r\nc,\"d\r\ne,f\r\n") << 2 << "not closed";
    QTest::newRow("text after the closing quote")
        << QByteArray("a,b\n\"c\"x,d\n") << 2 << "follows the closing quote";
    QTest::newRow("Latin-1 bytes on line 3") << QByteArray("a,b\nc,d\nQU\xC9"
                                                           "BEC,1\n")
                                             << 3 << "not UTF-8";
}

void tst_RateSheet::unreadable()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, line);
    QFETCH(QString, problem);

    const RateSheetCsv::Reading reading = RateSheetCsv::read(bytes);
    QVERIFY(!reading.ok());
    QCOMPARE(reading.problemLine, line);
    QVERIFY2(reading.problem.contains(problem), qPrintable(reading.problem));
    // The same problem refuses the sheet, on that line.
    const RateSheet sheet = RateSheet::parse(bytes, RateKind::Weight);
    QCOMPARE(sheet.problems().size(), 1);
    QCOMPARE(sheet.problems().first().line, line);
    QVERIFY(sheet.rows().isEmpty());
}

void tst_RateSheet::recordRoundTrip_data()
{
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QString>("written");

    QTest::newRow("plain") << QStringList {"O'KEEFE", "11.07", ""} << QChar(u',')
                           << "O'KEEFE,11.07,\r\n";
    QTest::newRow("comma") << QStringList {"DUPONT, QC", "1"} << QChar(u',')
                           << "\"DUPONT, QC\",1\r\n";
    QTest::newRow("quotes") << QStringList {"say \"hi\""} << QChar(u',')
                            << "\"say \"\"hi\"\"\"\r\n";
    QTest::newRow("line break") << QStringList {"TWO\nLINES", "x"} << QChar(u',')
                                << "\"TWO\nLINES\",x\r\n";
    QTest::newRow("blanks at the ends") << QStringList {"  HULL", "HULL  ", "a b"} << QChar(u',')
                                        << "\"  HULL\",\"HULL  \",a b\r\n";
    QTest::newRow("semicolon only quoted under semicolons")
        << QStringList {"A;B", "A,B"} << QChar(u';') << "\"A;B\";A,B\r\n";
}

void tst_RateSheet::recordRoundTrip()
{
    QFETCH(QStringList, fields);
    QFETCH(QChar, separator);
    QFETCH(QString, written);

    const QString record = RateSheetCsv::record(fields, separator);
    QCOMPARE(record, written);
    // Behind a header of as many fields, so the separator is found again.
    QStringList header;
    for (qsizetype i = 0; i < fields.size(); ++i)
        header << QStringLiteral("c%1").arg(i);
    const RateSheetCsv::Reading reading = RateSheetCsv::read(
        RateSheetCsv::utf8Bom() + (RateSheetCsv::record(header, separator) + record).toUtf8());
    QVERIFY(reading.ok());
    QCOMPARE(reading.records.size(), 2);
    QCOMPARE(reading.records.at(1).fields, fields);
}

void tst_RateSheet::readRate_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QVariant>("rate"); // ten-thousandths, null for no rate
    QTest::addColumn<QString>("reason"); // part of the refusal, empty when read

    QTest::newRow("plain") << "11.07" << QVariant(qint64(110700)) << "";
    QTest::newRow("whole") << "42" << QVariant(qint64(420000)) << "";
    QTest::newRow("grid format") << "1 234.56$" << QVariant(qint64(12345600)) << "";
    QTest::newRow("amount format") << "1 234.56 $" << QVariant(qint64(12345600)) << "";
    QTest::newRow("dollar first") << "$12.50" << QVariant(qint64(125000)) << "";
    QTest::newRow("no-break spaces") << QString::fromUtf8("1\xC2\xA0"
                                                          "234.5\xE2\x80\xAF$")
                                     << QVariant(qint64(12345000)) << "";
    QTest::newRow("four decimals kept") << "99.9999" << QVariant(qint64(999999)) << "";
    QTest::newRow("fifth decimal rounds") << "1.00006" << QVariant(qint64(10001)) << "";
    QTest::newRow("empty is no rate") << "" << QVariant() << "";
    QTest::newRow("blanks are no rate") << "   " << QVariant() << "";
    QTest::newRow("zero is a rate") << "0.00 $" << QVariant(qint64(0)) << "";
    QTest::newRow("negative") << "-3" << QVariant() << "negative";
    QTest::newRow("negative amount") << "-1 234.56 $" << QVariant() << "negative";
    QTest::newRow("letters") << "abc" << QVariant() << "not an amount";
    QTest::newRow("decimal comma") << "11,07" << QVariant() << "not an amount";
    QTest::newRow("two periods") << "1.2.3" << QVariant() << "not an amount";
    QTest::newRow("dollar alone") << "$" << QVariant() << "not an amount";
    QTest::newRow("period alone") << "." << QVariant() << "not an amount";
    QTest::newRow("two dollar signs") << "$5$" << QVariant() << "not an amount";
    QTest::newRow("too large") << "99999999999999999999" << QVariant() << "too large";
}

void tst_RateSheet::readRate()
{
    QFETCH(QString, text);
    QFETCH(QVariant, rate);
    QFETCH(QString, reason);

    QVariant read = QStringLiteral("untouched");
    const QString refusal = RateSheet::readRate(text, &read);
    if (!reason.isEmpty()) {
        QVERIFY2(refusal.contains(reason), qPrintable(refusal));
        return;
    }
    QVERIFY2(refusal.isEmpty(), qPrintable(refusal));
    QCOMPARE(read.isNull(), rate.isNull());
    if (!rate.isNull())
        QCOMPARE(read.toLongLong(), rate.toLongLong());
}

void tst_RateSheet::parse_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<bool>("pallet");
    // Either the problems, as told, or the rows as "DESTINATION|rate|rate" (editText, "-" for
    // no rate) under the captions of the rate columns read.
    QTest::addColumn<QStringList>("problems");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("rows");

    QTest::newRow("every weight column")
        << QByteArray("Destination,Min,LTL,500 lbs,1000 lbs,2000 lbs,5000 lbs,10000 lbs\r\n"
                      "BOSTON,52.80,13.72,10.56,9.71,8.97,8.23,7.39\r\n"
                      "NEW YORK,44,,,8.09,,,0\r\n")
        << false << QStringList {}
        << QStringList {"Min", "LTL", "500 lbs", "1000 lbs", "2000 lbs", "5000 lbs", "10000 lbs"}
        << QStringList {
               "BOSTON|52.80|13.72|10.56|9.71|8.97|8.23|7.39", "NEW YORK|44.00|-|-|8.09|-|-|0.00"};
    QTest::newRow("a weight caption in a pallet sheet")
        << QByteArray("ltl;DESTINATION;10pal\r\n") << true
        << QStringList {"line 1, column A (ltl): \"ltl\" is not a column of the pallet rates "
                        "(Destination, 1pal, 2pal, 3pal, 4pal, 5pal, 6pal, 7pal, 8pal, 9pal, "
                        "10pal)"}
        << QStringList {} << QStringList {};
    QTest::newRow("pallet columns reordered")
        << QByteArray("10pal;destination;1PAL\r\n3.5;A;\r\n\r\n;;\r\n4;B;2\r\n") << true
        << QStringList {} << QStringList {"1pal", "10pal"}
        << QStringList {"A|-|3.50", "B|2.00|4.00"};
    QTest::newRow("empty columns past the last are ignored")
        << QByteArray("Destination,LTL,,\r\nA,1,,\r\n") << false << QStringList {}
        << QStringList {"LTL"} << QStringList {"A|1.00"};
    QTest::newRow("unknown and repeated columns, no destination")
        << QByteArray("LTL,Fuel,Min,LTL\r\n1,2,3,4\r\n") << false
        << QStringList {"line 1, column B (Fuel): \"Fuel\" is not a column of the weight rates "
                        "(Destination, Min, LTL, 500 lbs, 1000 lbs, 2000 lbs, 5000 lbs, "
                        "10000 lbs)",
               "line 1, column D (LTL): \"LTL\" is already column A",
               "line 1: the header has no column \"Destination\""}
        << QStringList {} << QStringList {};
    QTest::newRow("every bad field of every row, in reading order")
        << QByteArray("Destination;Min;LTL\r\nA;-3;abc\r\nB;1;2\r\n;4;5\r\nb;6;7\r\nC;8\r\n"
                      "D;1;2;x\r\nE;1;2;;\r\n")
        << false
        << QStringList {"line 2, column B (Min): \"-3\" is negative: a rate is 0 or more",
               "line 2, column C (LTL): \"abc\" is not an amount (digits with a period for "
               "decimals, as 1 234.56)",
               "line 4, column A (Destination): \"\" is no destination name",
               "line 5, column A (Destination): \"b\" is already on line 3",
               "line 6: 2 fields where the header has 3", "line 7: 4 fields where the header has 3"}
        << QStringList {} << QStringList {};
    QTest::newRow("no header") << QByteArray("\r\n\r\n") << false
                               << QStringList {"line 1: the sheet has no header line"}
                               << QStringList {} << QStringList {};
    QTest::newRow("names kept as written")
        << QByteArray("Destination,LTL\r\n\"  HULL\",1\r\nHULL,2\r\n\"A, \"\"B\"\"\",3\r\n")
        << false << QStringList {} << QStringList {"LTL"}
        << QStringList {"  HULL|1.00", "HULL|2.00", "A, \"B\"|3.00"};
}

void tst_RateSheet::parse()
{
    QFETCH(QByteArray, bytes);
    QFETCH(bool, pallet);
    QFETCH(QStringList, problems);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, rows);

    const RateKind kind = pallet ? RateKind::Pallet : RateKind::Weight;
    const RateSheet sheet = RateSheet::parse(bytes, kind);
    QStringList told;
    for (const RateSheetProblem &problem : sheet.problems())
        told << problem.toText();
    QCOMPARE(told, problems);
    QCOMPARE(sheet.ok(), problems.isEmpty());
    if (!sheet.ok()) {
        QVERIFY(sheet.rows().isEmpty());
        return;
    }
    QStringList readCaptions;
    for (const int column : sheet.rateColumns())
        readCaptions << RateGridColumns::columns(kind).at(column).caption;
    QCOMPARE(readCaptions, captions);
    QStringList readRows;
    for (const RateSheet::Row &row : sheet.rows()) {
        QStringList fields {row.destination};
        for (const QVariant &rate : row.rates)
            fields << (rate.isNull() ? QStringLiteral("-") : RateGridColumns::editText(rate));
        readRows << fields.join(QLatin1Char('|'));
    }
    QCOMPARE(readRows, rows);
}

void tst_RateSheet::problemText()
{
    // Columns past Z are named as spreadsheets name them.
    QCOMPARE(RateSheetProblem::columnLetters(0), QStringLiteral("A"));
    QCOMPARE(RateSheetProblem::columnLetters(25), QStringLiteral("Z"));
    QCOMPARE(RateSheetProblem::columnLetters(26), QStringLiteral("AA"));
    QCOMPARE(RateSheetProblem::columnLetters(27), QStringLiteral("AB"));
    QCOMPARE(RateSheetProblem::columnLetters(701), QStringLiteral("ZZ"));
    QCOMPARE(RateSheetProblem::columnLetters(702), QStringLiteral("AAA"));
}

QTEST_GUILESS_MAIN(tst_RateSheet)
#include "tst_ratesheet.moc"

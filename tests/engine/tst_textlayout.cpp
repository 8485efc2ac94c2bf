#include "ProcessPrinter.h"
#include "ReportFormat.h"
#include "ReportReader.h"
#include "TextMeasurer.h"
#include "UnitConverter.h"
#include "VellumPrinter.h"

#include <QFile>
#include <QPageLayout>
#include <QPageSize>
#include <QPrinter>
#include <QSignalSpy>
#include <QTest>

#include <functional>

using namespace ReportFormat;
using Script = std::function<void(VellumPrinter &)>;

namespace {

struct Recorded
{
    Keyword keyword;
    qint16 page;
    double x;
    double y;
    QString text;
};

QList<Recorded> commands(const QString &path)
{
    QList<Recorded> out;
    ReportReader reader(path);
    Record record;
    for (qint32 n = 2; reader.readRecord(n, record); ++n) {
        out.append({record.keyword(), record.page(), record.textX(), record.textY(),
            record.keyword() == Keyword::SetFont ? record.fontName() : record.text()});
    }
    return out;
}

QStringList texts(const QList<Recorded> &records)
{
    QStringList out;
    for (const Recorded &r : records) {
        if (r.keyword == Keyword::TextOut)
            out << r.text;
    }
    return out;
}

bool paperIsLetter()
{
    const ProcessPrinter::PaperSize paper = ProcessPrinter::paperSize(1);
    return paper.widthTwips == 12240 && paper.heightTwips == 15840;
}

} // namespace

class TextLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        // The paper of the process's printer decides the page size; make it known.
        ProcessPrinter::currentPrinter().setPageSize(QPageSize(QPageSize::Letter));
        QVERIFY(paperIsLetter());
    }

    void cleanup()
    {
        for (const QString &path : std::as_const(m_reports))
            QFile::remove(path);
        m_reports.clear();
    }

    void unitConversions_data()
    {
        QTest::addColumn<double>("value");
        QTest::addColumn<int>("from");
        QTest::addColumn<int>("to");
        QTest::addColumn<bool>("vertical");
        QTest::addColumn<double>("expected");
        QTest::newRow("inch to twips") << 1.0 << 5 << 1 << false << 1440.0;
        QTest::newRow("code 0 is twips") << 720.0 << 0 << 5 << false << 0.5;
        QTest::newRow("points") << 72.0 << 2 << 5 << true << 1.0;
        QTest::newRow("character across") << 1.0 << 4 << 1 << false << 120.0;
        QTest::newRow("character down") << 1.0 << 4 << 1 << true << 240.0;
        QTest::newRow("inch in characters across") << 4.0 << 5 << 4 << false << 48.0;
        QTest::newRow("millimetres") << 25.4 << 6 << 5 << false << 1.0;
        QTest::newRow("centimetres") << 2.54 << 7 << 1 << true << 1440.0;
    }

    void unitConversions()
    {
        QFETCH(double, value);
        QFETCH(int, from);
        QFETCH(int, to);
        QFETCH(bool, vertical);
        QFETCH(double, expected);
        const auto axis
            = vertical ? UnitConverter::Axis::Vertical : UnitConverter::Axis::Horizontal;
        QVERIFY(
            qAbs(UnitConverter::convert(value, qint16(from), qint16(to), axis) - expected) < 1e-9);
    }

    void onNewPageSequence_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QList<qint16>>("pages");
        QTest::newRow("nothing drawn") << Script([](VellumPrinter &) {}) << QList<qint16> {};
        QTest::newRow("SetFont is no drawing")
            << Script([](VellumPrinter &e) { e.SetFont("Arial", 12, 0); }) << QList<qint16> {};
        QTest::newRow("first TextOut") << Script([](VellumPrinter &e) {
            e.SetFont("Arial", 12, 0);
            e.TextOut(1, "a");
            e.TextOut(2, "b");
        }) << QList<qint16> {1};
        QTest::newRow("first LineOut")
            << Script([](VellumPrinter &e) { e.LineOut(0, 0, 1, 1); }) << QList<qint16> {1};
        QTest::newRow("NewPage before drawing") << Script([](VellumPrinter &e) {
            e.NewPage();
            e.BoxOut(0, 0, 1, 1);
            e.TextOut(0, "x");
        }) << QList<qint16> {2, 2};
        QTest::newRow("pages after drawing") << Script([](VellumPrinter &e) {
            e.TextOut(0, "x");
            e.NewPage();
            e.NewPage();
        }) << QList<qint16> {1, 2, 3};
    }

    void onNewPageSequence()
    {
        QFETCH(Script, script);
        QFETCH(QList<qint16>, pages);
        VellumPrinter engine;
        QSignalSpy spy(&engine, &VellumPrinter::OnNewPage);
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        QCOMPARE(spy.count(), 0);
        script(engine);
        QList<qint16> raised;
        for (const QList<QVariant> &args : std::as_const(spy))
            raised << args.at(0).value<qint16>();
        QCOMPARE(raised, pages);
    }

    void handlerRecordsOnTheNewPage()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        connect(
            &engine, &VellumPrinter::OnNewPage, &engine, [&engine](qint16) { engine.SetY(2.0); });
        engine.TextOut(1, QStringLiteral("first"));
        engine.NewPage();
        engine.TextOut(1, QStringLiteral("second"));
        const QList<Recorded> records = commands(engine.PrintFile());
        QCOMPARE(records.size(), 3);
        QCOMPARE(records[0].y, 2.0);
        QCOMPARE(records[1].keyword, Keyword::NewPage);
        QCOMPARE(records[1].page, qint16(1));
        QCOMPARE(records[2].page, qint16(2));
        QCOMPARE(records[2].y, 2.0);
    }

    void newPageOverflow()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetPage(32767);
        engine.SetY(3);
        QSignalSpy spy(&engine, &VellumPrinter::OnNewPage);
        try {
            engine.NewPage();
            QFAIL("no overflow");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::Overflow);
        }
        QCOMPARE(engine.Page(), qint16(32767));
        QCOMPARE(engine.Y(), 3.0);
        QCOMPARE(QFile(engine.PrintFile()).size(), 256);
        QCOMPARE(spy.count(), 0);
    }

    void centredText()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(1);
        engine.SetFont(QStringLiteral("Arial"), 12, 0);
        engine.TextOut(-1, QStringLiteral("Total"));
        TextMeasurer measurer;
        measurer.setFont(QStringLiteral("Arial"), 12, false, false, false);
        const double width = measurer.textWidthTwips(QStringLiteral("Total"));
        QVERIFY(width > 400 && width < 800);
        const double paperWidth = ProcessPrinter::paperSize(1).widthTwips;
        const QList<Recorded> records = commands(engine.PrintFile());
        QCOMPARE(records.last().x, (paperWidth - width) / 2);
        QCOMPARE(engine.X(), (paperWidth + width) / 2);

        try {
            engine.TextOut(-1, QVariant());
            QFAIL("a null text was centred");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::InvalidArgument);
        }
        QCOMPARE(commands(engine.PrintFile()).size(), records.size());
        engine.TextOut(100, QVariant());
        QCOMPARE(commands(engine.PrintFile()).last().text, QString());
        QCOMPARE(engine.X(), 100.0);
        engine.TextOut(0, 12.5);
        QCOMPARE(commands(engine.PrintFile()).last().text, QStringLiteral("12.5"));
    }

    void memoLines_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("column"); // the column is as wide as this text
        QTest::addColumn<QStringList>("lines");
        const QString wide = QString(60, u'W');
        QTest::newRow("one letter") << QStringLiteral("a") << wide << QStringList {"a"};
        QTest::newRow("one-letter last word")
            << QStringLiteral("ab c") << wide << QStringList {"ab c"};
        QTest::newRow("hard break")
            << QStringLiteral("one\r\ntwo") << wide << QStringList {"one", "two"};
        QTest::newRow("ending in a break")
            << QStringLiteral("one\r\n") << wide << QStringList {"one", ""};
        QTest::newRow("break without blank")
            << QStringLiteral("one two\r\nthree") << wide << QStringList {"one two", "three"};
        QTest::newRow("lone line feed")
            << QStringLiteral("parking\nDock 4") << wide << QStringList {"parking", "Dock 4"};
        QTest::newRow("lone carriage return")
            << QStringLiteral("parking\rDock 4") << wide << QStringList {"parking", "Dock 4"};
        QTest::newRow("mixed breaks") << QStringLiteral("one\rtwo\nthree\r\nfour\n\rfive")
                                      << wide
                                      << QStringList {"one", "two", "three", "four", "", "five"};
        QTest::newRow("blank before a lone line feed")
            << QStringLiteral("one \ntwo") << wide << QStringList {"one", "two"};
        QTest::newRow("wrap keeps the blank")
            << QStringLiteral("aaa bbb ccc") << QStringLiteral("aaa bbb ")
            << QStringList {"aaa bbb", "ccc"};
        QTest::newRow("first word too wide")
            << QStringLiteral("abcdefghij kl") << QStringLiteral("abc")
            << QStringList {"", "abcdefghij", "kl"};
    }

    void memoLines()
    {
        QFETCH(QString, text);
        QFETCH(QString, column);
        QFETCH(QStringList, lines);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(1);
        engine.SetFont(QStringLiteral("Arial"), 10, 0);
        TextMeasurer measurer;
        measurer.setFont(QStringLiteral("Arial"), 10, false, false, false);
        const double width = measurer.textWidthTwips(column);
        const double advance = float(measurer.lineHeightTwips() * 1.3);
        engine.SetY(1000);

        const double height = engine.MemoHeight(500, 500 + width, text);
        engine.MemoOut(500, 500 + width, text);
        const QList<Recorded> records = commands(engine.PrintFile());
        // Trailing blanks stay in the record but are padding when read back.
        QCOMPARE(texts(records), lines);
        for (int i = 0; i < records.size(); ++i) {
            if (records[i].keyword != Keyword::TextOut)
                continue;
            QCOMPARE(records[i].x, 500.0);
        }
        const double lastY = texts(records).size() > 0 ? records.last().y : 0;
        QCOMPARE(lastY, 1000 + (lines.size() - 1) * advance);
        QCOMPARE(engine.Y(), lastY);
        // X ends after the last line, as its TextOut leaves it.
        QCOMPARE(engine.X(), 500 + measurer.textWidthTwips(lines.last()));
        QCOMPARE(height, (lines.size() - 1) * advance);
    }

    void memoOfNullFails()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        QVERIFY_THROWS_EXCEPTION(VellumError, engine.MemoOut(0, 1000, QVariant()));
        QVERIFY_THROWS_EXCEPTION(VellumError, engine.MemoHeight(0, 1000, QVariant()));
        QCOMPARE(QFile(engine.PrintFile()).size(), 256);
    }

    void newLineAdvance()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        engine.SetSpacing(0.75);
        engine.SetFont(QStringLiteral("Arial"), 12, 0);
        engine.SetX(3);
        engine.NewLine();
        TextMeasurer measurer;
        measurer.setFont(QStringLiteral("Arial"), 12, false, false, false);
        // ascent + descent of Liberation Sans 12 pt is about 13.8 pt, not the cap height
        QVERIFY(measurer.lineHeightTwips() > 260 && measurer.lineHeightTwips() < 290);
        QCOMPARE(engine.Y(), float(measurer.lineHeightTwips() * 0.75) / 1440.0);
        QCOMPARE(engine.X(), 0.0);
    }

    void topMargin_data()
    {
        QTest::addColumn<double>("y");
        QTest::addColumn<double>("margin");
        QTest::addColumn<double>("expected");
        QTest::newRow("above the margin") << 0.2 << 1.0 << 1.0;
        QTest::newRow("below the margin") << 2.0 << 1.0 << 2.0;
    }

    void topMargin()
    {
        QFETCH(double, y);
        QFETCH(double, margin);
        QFETCH(double, expected);
        VellumPrinter engine;
        engine.SetY(y);
        engine.SetTopMargin(margin);
        QCOMPARE(engine.Y(), expected);
        QCOMPARE(engine.TopMargin(), margin);
    }

    void letterInInches()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        engine.SetBottomMargin(0.5);
        QCOMPARE(engine.PageWidth(), 8.0);
        QCOMPARE(engine.PageHeight(), 11.0);
        QCOMPARE(engine.MaxYPos(), 10.5);
        engine.SetScaleMode(1);
        QCOMPARE(engine.PageWidth(), 12240.0);
    }

    void autoNewPage_data()
    {
        QTest::addColumn<double>("y");
        QTest::addColumn<bool>("breaks");
        QTest::newRow("at the page height") << 11.0 << false;
        QTest::newRow("just below it") << 11.001 << true;
    }

    void autoNewPage()
    {
        QFETCH(double, y);
        QFETCH(bool, breaks);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        engine.SetAutoNewPage(true);
        engine.SetY(y);
        engine.TextOut(1, QStringLiteral("x"));
        const QList<Recorded> records = commands(engine.PrintFile());
        QCOMPARE(records.size(), breaks ? 2 : 1);
        QCOMPARE(records.last().y, breaks ? 0.0 : y);
        QCOMPARE(records.last().page, qint16(breaks ? 2 : 1));
    }

    void headingsOnPage3()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        engine.SetAutoHeadings(true);
        engine.SetTitle(QStringLiteral("Rates"));
        engine.SetFont(QStringLiteral("Times"), 10, 4);
        engine.TextOut(1, QStringLiteral("body"));
        engine.NewPage();
        engine.NewPage();
        QList<Recorded> page3;
        for (const Recorded &r : commands(engine.PrintFile())) {
            if (r.page == 3)
                page3 << r;
        }
        QCOMPARE(page3.size(), 5);
        QCOMPARE(page3[0].keyword, Keyword::SetFont);
        QCOMPARE(page3[0].text, QStringLiteral("Arial"));
        for (int i = 1; i <= 3; ++i) {
            QCOMPARE(page3[i].keyword, Keyword::TextOut);
            QCOMPARE(page3[i].y, 0.5);
        }
        QVERIFY(page3[1].text.startsWith(QStringLiteral("Date: ")));
        QCOMPARE(page3[1].x, 0.5);
        QCOMPARE(page3[2].text, QStringLiteral("Rates"));
        QCOMPARE(page3[3].text, QStringLiteral("Page: 3"));
        QVERIFY(page3[3].x > page3[2].x);
        QCOMPARE(page3[4].keyword, Keyword::SetFont);
        QCOMPARE(page3[4].text, QStringLiteral("Times"));
        ReportReader reader(engine.PrintFile());
        Record restore;
        QVERIFY(reader.readRecord(reader.recordCount(), restore));
        QVERIFY(restore.italic() && !restore.bold() && !restore.underline());
        QCOMPARE(restore.fontSize(), qint16(10));
        QVERIFY(engine.Y() > 0.5);
    }

    void headingsOncePerPage_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QStringList>("pageTexts");
        QTest::newRow("NewPage before drawing") << Script([](VellumPrinter &e) {
            e.NewPage();
            e.TextOut(1, "x");
        }) << QStringList {"Page: 2"};
        QTest::newRow("page 0 set before drawing") << Script([](VellumPrinter &e) {
            e.SetPage(0);
            e.TextOut(1, "x");
        }) << QStringList {"Page: 0"};
        QTest::newRow("two pages drawn") << Script([](VellumPrinter &e) {
            e.TextOut(1, "x");
            e.LineOut(0, 0, 1, 1);
            e.NewPage();
            e.TextOut(1, "y");
        }) << QStringList {"Page: 1", "Page: 2"};
        QTest::newRow("next report starts again") << Script([](VellumPrinter &e) {
            e.TextOut(1, "x");
            e.EndDoc();
            e.BeginDoc();
            e.SetAutoHeadings(true);
            e.TextOut(1, "y");
        }) << QStringList {"Page: 1"};
    }

    void headingsOncePerPage()
    {
        QFETCH(Script, script);
        QFETCH(QStringList, pageTexts);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetAutoHeadings(true);
        script(engine);
        m_reports << engine.PrintFile();
        QStringList found;
        for (const Recorded &r : commands(engine.PrintFile())) {
            if (r.keyword == Keyword::TextOut && r.text.startsWith(QStringLiteral("Page: ")))
                found << r.text;
        }
        QCOMPARE(found, pageTexts);
    }

    void headingFont_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QString>("face");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("attributes"); // 1 bold, 2 underline, 4 italic
        QTest::newRow("never set: Arial 12")
            << Script([](VellumPrinter &) {}) << QStringLiteral("Arial") << 12 << 0;
        QTest::newRow("set in this report") << Script([](VellumPrinter &e) {
            e.SetAutoHeadingsFontName("Times");
            e.SetAutoHeadingsFontSize(14);
            e.SetAutoHeadingsFontAttr(1 + 4);
        }) << QStringLiteral("Times") << 14 << 5;
        QTest::newRow("only the size set")
            << Script([](VellumPrinter &e) { e.SetAutoHeadingsFontSize(16); })
            << QStringLiteral("Arial") << 16 << 0;
        QTest::newRow("kept from the previous report") << Script([](VellumPrinter &e) {
            e.SetAutoHeadingsFontName("Courier");
            e.SetAutoHeadingsFontSize(9);
            e.SetAutoHeadingsFontAttr(2);
            e.EndDoc();
            e.BeginDoc();
        }) << QStringLiteral("Courier") << 9 << 2;
    }

    void headingFont()
    {
        QFETCH(Script, script);
        QFETCH(QString, face);
        QFETCH(int, points);
        QFETCH(int, attributes);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        script(engine);
        m_reports << engine.PrintFile();
        engine.SetAutoHeadings(true);
        engine.TextOut(1, QStringLiteral("body"));
        ReportReader reader(engine.PrintFile());
        Record font;
        QVERIFY(reader.readRecord(2, font));
        QCOMPARE(font.keyword(), Keyword::SetFont);
        QCOMPARE(font.fontName(), face);
        QCOMPARE(font.fontSize(), qint16(points));
        QCOMPARE(font.bold(), bool(attributes & 1));
        QCOMPARE(font.underline(), bool(attributes & 2));
        QCOMPARE(font.italic(), bool(attributes & 4));
    }

    void textForms_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<QString>("text");
        QTest::newRow("text") << QVariant(QStringLiteral(" a b ")) << QStringLiteral("a b");
        QTest::newRow("empty text") << QVariant(QString()) << QString();
        QTest::newRow("null") << QVariant() << QString();
        QTest::newRow("whole number") << QVariant(42) << QStringLiteral("42");
        QTest::newRow("decimal") << QVariant(12.5) << QStringLiteral("12.5");
        QTest::newRow("computed sum") << QVariant(0.1 + 0.2) << QStringLiteral("0.3");
        QTest::newRow("negative") << QVariant(-1234.75) << QStringLiteral("-1234.75");
        QTest::newRow("large") << QVariant(1e20) << QStringLiteral("1e+20");
    }

    void textForms()
    {
        QFETCH(QVariant, value);
        QFETCH(QString, text);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.TextOut(0, value);
        engine.MemoOut(0, 100000, value.isNull() ? QVariant(QString()) : value);
        const QStringList recorded = texts(commands(engine.PrintFile()));
        QCOMPARE(recorded, (QStringList {text, text}));
    }

    void paperSizes_data()
    {
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("orientation");
        QTest::addColumn<int>("widthTwips");
        QTest::addColumn<int>("heightTwips");
        QTest::newRow("Letter") << int(QPageSize::Letter) << 1 << 12240 << 15840;
        QTest::newRow("Letter landscape") << int(QPageSize::Letter) << 2 << 15840 << 12240;
        QTest::newRow("Legal") << int(QPageSize::Legal) << 1 << 12240 << 20160;
        QTest::newRow("A4") << int(QPageSize::A4) << 1 << 11906 << 16838;
        QTest::newRow("A4 landscape") << int(QPageSize::A4) << 2 << 16838 << 11906;
        QTest::newRow("A5") << int(QPageSize::A5) << 1 << 8391 << 11906;
    }

    void paperSizes()
    {
        QFETCH(int, paper);
        QFETCH(int, orientation);
        QFETCH(int, widthTwips);
        QFETCH(int, heightTwips);
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setPageSize(QPageSize(QPageSize::PageSizeId(paper)));
        // The paper's own orientation on the printer does not matter: the code asked for does.
        printer.setPageOrientation(QPageLayout::Landscape);
        const ProcessPrinter::PaperSize size
            = ProcessPrinter::paperSize(printer, qint16(orientation));
        QCOMPARE(size.widthTwips, widthTwips);
        QCOMPARE(size.heightTwips, heightTwips);
    }

private:
    QStringList m_reports;
};

QTEST_MAIN(TextLayoutTest)
#include "tst_textlayout.moc"

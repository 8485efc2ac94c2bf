#include "billoflading/BillOfLadingForm.h"
#include "billoflading/BillOfLadingLayout.h"

#include "PdfProbe.h"
#include "VellumPrinter.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

// The printed bill of lading, read back from its PDF: every text must sit on its box of the
// pre-printed paper, within a hundredth of an inch.
namespace {

struct Word
{
    QString text;
    double xInches = 0;
    double yInches = 0;
    double heightInches = 0;
};

// The words of the first page as pdftotext places them; empty on failure.
QList<Word> wordsOf(const QString &pdf)
{
    QList<Word> words;
    for (const PdfProbe::Word &w : PdfProbe::words(pdf)) {
        if (w.page == 1)
            words << Word {w.text, w.xMin / 72.0, w.yMin / 72.0, (w.yMax - w.yMin) / 72.0};
    }
    return words;
}

BillOfLadingForm fullyFilled()
{
    BillOfLadingForm f;
    f.shipper
        = {"Ventilation Rouvel", "100 boul. Industriel", "Laval", "QC", "H7L 4S3", "450 555-0000"};
    f.consignee
        = {"Atelier Leduc", "220 rue Principale", "Granby", "QC", "J2G 2V5", "450 555-0101"};
    f.carrier = {"Acme Transport Inc.", "12 Rail Road", "Montreal", "QC", "H1A 1A1", "514 555-0001",
        "514 555-0002"};
    f.date = QStringLiteral("2026-12-10");
    f.number = QStringLiteral("58");
    f.cartons = QStringLiteral("14");
    f.packages = BillOfLadingForm::packageText(3);
    f.description = QStringLiteral("grilles");
    f.charges = Charges::Collect;
    f.thirdParty = true;
    f.spaceUsed = SpaceUsed::ThreeQuarters;
    f.orders = {"PO-1", "PO-2", "PO-3", "PO-4", "PO-5"};
    f.appointment = true;
    f.agreement = QStringLiteral("Tailgate");
    f.weight = 1200;
    f.rate = Currency::fromDouble(9.1);
    f.price = Currency::fromDouble(1234.5);
    return f;
}

struct Placed
{
    const char *name;
    double vert;
    double hor;
    const char *text;
    int points;
};

// Positions of the pre-printed form, in inches from the paper's top-left corner.
const Placed fullyFilledTexts[] = {
    {"shipper name", 1.0, 1.25, "Ventilation Rouvel", 12},
    {"shipper street", 1.3, 1.25, "100 boul. Industriel", 12},
    {"shipper city", 1.6, 1.25, "Laval QC H7L 4S3", 12},
    {"shipper phone", 2.0, 1.25, "450 555-0000", 12},
    {"date", 1.0, 5.7, "2026-12-10", 12},
    {"number", 1.0, 7.25, "58", 12},
    {"consignee name", 2.4, 1.25, "Atelier Leduc", 12},
    {"consignee street", 2.7, 1.25, "220 rue Principale", 12},
    {"consignee city", 3.0, 1.25, "Granby QC J2G 2V5", 12},
    {"consignee phone", 3.3, 1.25, "450 555-0101", 12},
    {"carrier name", 1.25, 4.25, "Acme Transport Inc.", 12},
    {"carrier street", 1.5, 4.25, "12 Rail Road", 12},
    {"carrier city", 1.75, 4.25, "Montreal QC H1A 1A1", 12},
    {"carrier phone", 2.0, 4.25, "514 555-0001", 12},
    {"carrier fax", 2.0, 6.75, "514 555-0002", 12},
    {"origine", 4.125, 2.5, "origine", 12},
    {"cartons", 5.0, 3.0, "14", 12},
    {"third party", 5.3, 1.0, "Third party billing X", 12},
    {"charges", 5.3, 5.75, "Collect X", 12},
    {"packages", 6.0, 0.375, "3 pallets", 8},
    {"description", 6.0, 1.4, "grilles", 8},
    {"weight", 6.0, 4.375, "1200 LBS", 8},
    {"rate", 6.0, 5.25, "9.10$", 8},
    {"amount", 6.0, 6.125, "1 234.50$", 8},
    {"order heading", 6.125, 1.4, "Customer order nos:", 8},
    {"order 1", 6.125, 2.5, "PO-1", 8},
    {"order 2", 6.325, 2.5, "PO-2", 8},
    {"order 3", 6.55, 2.5, "PO-3", 8},
    {"order 4", 6.75, 2.5, "PO-4", 8},
    {"order 5", 7.0, 2.5, "PO-5", 8},
    {"space used", 7.8, 5.2, "X", 8},
    {"memo", 8.0, 3.875, "Appointment with customer - Tailgate", 8},
};

} // namespace

class tst_BillOfLadingLayout : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void textOnItsBox_data();
    void textOnItsBox();
    void nothingElseIsPrinted();
    void spaceUsedMark_data();
    void spaceUsedMark();
    void memoWrapsInItsBox();
    void printingAgainLeavesOneReport();

private:
    QList<Word> print(const BillOfLadingForm &form);
    QTemporaryDir m_dir;
    QList<Word> m_full;
    int m_pdfs = 0;
    QList<qint16> m_pageCounts;
    QStringList m_reportsLeft;
};

QList<Word> tst_BillOfLadingLayout::print(const BillOfLadingForm &form)
{
    const QString pdf = m_dir.filePath(QStringLiteral("bill%1.pdf").arg(++m_pdfs));
    VellumPrinter engine;
    BillOfLadingLayout(engine).record(form);
    engine.SetShowProgress(false);
    engine.PrintToPdf(pdf);
    m_pageCounts << engine.TotalPages();
    const QString report = engine.PrintFile();
    engine.DestroyReport();
    if (QFile::exists(report))
        m_reportsLeft << report;
    return wordsOf(pdf);
}

void tst_BillOfLadingLayout::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_full = print(fullyFilled());
    QVERIFY2(!m_full.isEmpty(), "pdftotext found no word (is poppler-utils installed?)");
}

void tst_BillOfLadingLayout::cleanupTestCase()
{
    // One page each, and DestroyReport leaves no report file in the temporary folder.
    QCOMPARE(m_pageCounts, QList<qint16>(m_pdfs, 1));
    QCOMPARE(m_reportsLeft, QStringList());
}

void tst_BillOfLadingLayout::textOnItsBox_data()
{
    QTest::addColumn<double>("vert");
    QTest::addColumn<double>("hor");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("points");
    for (const Placed &t : fullyFilledTexts)
        QTest::newRow(t.name) << t.vert << t.hor << QString::fromUtf8(t.text) << t.points;
}

void tst_BillOfLadingLayout::textOnItsBox()
{
    QFETCH(double, vert);
    QFETCH(double, hor);
    QFETCH(QString, text);
    QFETCH(int, points);
    constexpr double tolerance = 0.01;
    const QStringList expected = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    qsizetype first = -1;
    for (qsizetype i = 0; i < m_full.size() && first < 0; ++i) {
        const Word &w = m_full.at(i);
        if (w.text == expected.first() && qAbs(w.xInches - hor) <= tolerance
            && qAbs(w.yInches - vert) <= tolerance)
            first = i;
    }
    QVERIFY2(first >= 0,
        qPrintable(QStringLiteral("\"%1\" is not at %2 in, %3 in").arg(text).arg(hor).arg(vert)));
    // The rest of the text follows on the same line, word after word.
    QVERIFY(first + expected.size() <= m_full.size());
    double x = hor;
    for (qsizetype k = 0; k < expected.size(); ++k) {
        const Word &w = m_full.at(first + k);
        QCOMPARE(w.text, expected.at(k));
        QVERIFY(qAbs(w.yInches - vert) <= tolerance);
        QVERIFY(w.xInches >= x - tolerance);
        x = w.xInches;
    }
    // Both sizes of arial: the word box of a 12-point text is half again that of an 8-point one.
    const double height = m_full.at(first).heightInches * 72.0;
    QVERIFY2(height > points * 0.95 && height < points * 1.3,
        qPrintable(QStringLiteral("word box %1 pt high for %2 pt").arg(height).arg(points)));
}

void tst_BillOfLadingLayout::nothingElseIsPrinted()
{
    // The words of every text above (the memo fits its box on one line), and no other.
    qsizetype words = 0;
    for (const Placed &t : fullyFilledTexts)
        words += QString::fromUtf8(t.text).split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
    QCOMPARE(m_full.size(), words);
}

void tst_BillOfLadingLayout::spaceUsedMark_data()
{
    QTest::addColumn<SpaceUsed>("space");
    QTest::addColumn<double>("hor");
    QTest::newRow("1/4") << SpaceUsed::Quarter << 2.625;
    QTest::newRow("1/2") << SpaceUsed::Half << 3.8;
    QTest::newRow("3/4") << SpaceUsed::ThreeQuarters << 5.2;
    QTest::newRow("Full") << SpaceUsed::Full << 6.55;
    QTest::newRow("none") << SpaceUsed::None << -1.0;
}

void tst_BillOfLadingLayout::spaceUsedMark()
{
    QFETCH(SpaceUsed, space);
    QFETCH(double, hor);
    BillOfLadingForm form;
    form.spaceUsed = space;
    const QList<Word> words = print(form);
    QList<double> marks;
    for (const Word &w : words) {
        if (qAbs(w.yInches - 7.8) <= 0.01)
            marks << w.xInches;
        QVERIFY2(w.text != QLatin1String("X") || qAbs(w.yInches - 7.8) <= 0.01,
            "an X printed elsewhere");
    }
    if (hor < 0) {
        QVERIFY(marks.isEmpty());
        return;
    }
    QCOMPARE(marks.size(), 1);
    QVERIFY(qAbs(marks.first() - hor) <= 0.01);
}

void tst_BillOfLadingLayout::memoWrapsInItsBox()
{
    BillOfLadingForm form;
    form.appointment = true;
    form.agreement = QStringLiteral(
        "Deliver at the back door between eight and noon, call the foreman first, no tailgate");
    const QList<Word> words = print(form);
    QList<double> lines;
    QStringList memo;
    for (const Word &w : words) {
        if (w.yInches < 7.99)
            continue;
        memo << w.text;
        QVERIFY2(w.xInches >= 3.875 - 0.01, qPrintable(w.text));
        QVERIFY2(w.xInches + 0.01 < 6.0, qPrintable(w.text));
        if (!lines.contains(w.yInches))
            lines << w.yInches;
    }
    QVERIFY2(lines.size() >= 3, "the memo does not wrap");
    QVERIFY(qAbs(lines.first() - 8.0) <= 0.01);
    QCOMPARE(memo.join(QLatin1Char(' ')), form.memo());
}

void tst_BillOfLadingLayout::printingAgainLeavesOneReport()
{
    VellumPrinter engine;
    BillOfLadingLayout layout(engine);
    layout.record(fullyFilled());
    const QString first = engine.PrintFile();
    QVERIFY(QFile::exists(first));
    layout.record(fullyFilled());
    QVERIFY(QFile::exists(engine.PrintFile()));
    QVERIFY(!QFile::exists(first));
    engine.DestroyReport();
    QVERIFY(!QFile::exists(engine.PrintFile()));
}

QTEST_MAIN(tst_BillOfLadingLayout)
#include "tst_billofladinglayout.moc"

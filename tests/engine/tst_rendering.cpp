#include "PageRenderer.h"
#include "ProcessPrinter.h"
#include "ReportFormat.h"
#include "ReportReader.h"
#include "TextExporter.h"
#include "VellumPrinter.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <functional>
#include <sys/stat.h>

using namespace ReportFormat;
using Script = std::function<void(VellumPrinter &)>;

namespace {

QByteArray blanks(int n) { return QByteArray(n, ' '); }

QByteArray fileContents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isDark(const QImage &image, int x, int y) { return qGray(image.pixel(x, y)) < 128; }

// First record of a page, scanning from the start.
qint32 firstRecordOf(ReportReader &reader, qint16 page)
{
    Record record;
    for (qint32 n = 2; reader.readRecord(n, record); ++n) {
        if (record.page() >= page)
            return n;
    }
    return reader.recordCount() + 1;
}

} // namespace

class RenderingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void cleanup()
    {
        for (const QString &path : std::as_const(m_reports))
            QFile::remove(path);
        m_reports.clear();
    }

    void columns_data()
    {
        QTest::addColumn<double>("x");
        QTest::addColumn<int>("unit");
        QTest::addColumn<int>("column");
        QTest::newRow("1 inch") << 1.0 << 5 << 14;
        QTest::newRow("4 inches") << 4.0 << 5 << 58;
        QTest::newRow("half an inch") << 0.5 << 5 << 7;
        QTest::newRow("tie goes to even down") << 1250.0 << 1 << 12;
        QTest::newRow("tie goes to even up") << 1350.0 << 1 << 14;
        QTest::newRow("characters") << 10.0 << 4 << 12;
    }

    void columns()
    {
        QFETCH(double, x);
        QFETCH(int, unit);
        QFETCH(int, column);
        QCOMPARE(TextExporter::columnOf(x, qint16(unit)), column);
    }

    void textExport_data()
    {
        QTest::addColumn<Script>("script");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("two texts on a line, then a new line")
            << Script([](VellumPrinter &e) {
                   e.SetY(1);
                   e.TextOut(1, "Alpha");
                   e.TextOut(4, "Bravo");
                   e.SetY(1.5);
                   e.TextOut(1, "Charlie");
               })
            << QByteArray("\r\r\n" + blanks(13) + "Alpha" + blanks(39) + "Bravo" + "\r\r\n"
                   + blanks(13) + "Charlie" + "\f\r\n");
        QTest::newRow("two pages") << Script([](VellumPrinter &e) {
            e.SetY(1);
            e.TextOut(1, "A");
            e.NewPage();
            e.SetY(1);
            e.TextOut(1, "B");
        })
                                   << QByteArray("\r\r\n" + blanks(13) + "A" + "\r\n\r\n\f\r\n"
                                          + blanks(13) + "B" + "\f\r\n");
        // A text left of where the line reached starts a new line, padded to its column.
        QTest::newRow("line already past the column") << Script([](VellumPrinter &e) {
            e.TextOut(1, QString(25, u'x'));
            e.TextOut(2, "y");
        }) << QByteArray(blanks(13) + QByteArray(25, 'x') + "\r\n" + blanks(28) + "y" + "\f\r\n");
        QTest::newRow("right to left on one line") << Script([](VellumPrinter &e) {
            e.TextOut(4, "Bravo");
            e.TextOut(1, "Alpha");
        }) << QByteArray(blanks(57) + "Bravo" + "\r\n" + blanks(13) + "Alpha" + "\f\r\n");
        QTest::newRow("line ending just before the column") << Script([](VellumPrinter &e) {
            e.TextOut(0, QString(13, u'x'));
            e.TextOut(1, "y");
        }) << QByteArray(QByteArray(13, 'x') + "y" + "\f\r\n");
        QTest::newRow("blanks trimmed, accents kept")
            << Script([](VellumPrinter &e) { e.TextOut(0, "   Déjà vu  "); })
            << QByteArray("D\xE9j\xE0 vu\f\r\n");
        QTest::newRow("drawings write nothing") << Script([](VellumPrinter &e) {
            e.SetFont("Arial", 10, 0);
            e.LineOut(0, 0, 1, 1);
            e.BoxOut(0, 0, 1, 1);
            e.ImageOut("missing.png", 0, 0, 0, 0);
        }) << QByteArray("\f\r\n");
        QTest::newRow("records of page 0 skipped") << Script([](VellumPrinter &e) {
            e.SetPage(0);
            e.TextOut(0, "hidden");
            e.SetPage(1);
            e.TextOut(0, "shown");
        }) << QByteArray("shown\f\r\n");
    }

    void textExport()
    {
        QFETCH(Script, script);
        QFETCH(QByteArray, expected);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        script(engine);
        engine.EndDoc();
        const QString textFile = m_dir.filePath(QStringLiteral("export.txt"));
        QVERIFY(engine.SaveReport(textFile));
        QCOMPARE(engine.PrintTextFile(), textFile);
        QFile file(textFile);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), expected);
    }

    void exportStopsAfterTheLastPage()
    {
        // Before EndDoc the export uses the previous report's page count: none here.
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.TextOut(0, QStringLiteral("early"));
        engine.SetPrintTextFile(m_dir.filePath(QStringLiteral("early.txt")));
        engine.PrintToFile();
        QFile file(engine.PrintTextFile());
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), QByteArray("\f\r\n"));
    }

    void exportErrors_data()
    {
        QTest::addColumn<QString>("textFile");
        QTest::addColumn<bool>("ended");
        QTest::newRow("no text file named") << QString() << true;
        QTest::newRow("folder missing") << QStringLiteral("/nonexistent/dir/out.txt") << true;
        QTest::newRow("no report") << QStringLiteral("out.txt") << false;
        // The export must not replace the report it reads.
        QTest::newRow("the report file itself") << QStringLiteral("<report>") << true;
        QTest::newRow("the loaded report file") << QStringLiteral("<loaded>") << true;
    }

    void exportErrors()
    {
        QFETCH(QString, textFile);
        QFETCH(bool, ended);
        VellumPrinter engine;
        if (ended) {
            engine.BeginDoc();
            m_reports << engine.PrintFile();
            engine.TextOut(0, QStringLiteral("kept"));
            engine.EndDoc();
        }
        QString target = textFile;
        if (textFile == QStringLiteral("<loaded>")) {
            target = m_dir.filePath(QStringLiteral("saved.rpt"));
            QFile::remove(target);
            QVERIFY(QFile::copy(engine.PrintFile(), target));
            QVERIFY(engine.LoadReport(target));
        } else if (textFile == QStringLiteral("<report>")) {
            target = engine.PrintFile();
        } else if (!textFile.isEmpty() && !textFile.startsWith(u'/')) {
            target = m_dir.filePath(textFile);
        }
        engine.SetPrintTextFile(target);
        const QByteArray reportBefore = ended ? fileContents(engine.PrintFile()) : QByteArray();
        try {
            engine.PrintToFile();
            QFAIL("no error");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::File);
            QVERIFY(!error.message().isEmpty());
        }
        if (ended) {
            QCOMPARE(reportBefore.size(), 3 * RecordSize);
            QCOMPARE(fileContents(engine.PrintFile()), reportBefore);
        }
    }

    void zoomedFontSizes_data()
    {
        QTest::addColumn<double>("zoom");
        QTest::addColumn<int>("points");
        QTest::addColumn<int>("drawnPoints");
        QTest::newRow("10 pt at 125 %") << 1.25 << 10 << 12;
        QTest::newRow("12 pt at 125 %") << 1.25 << 12 << 15;
        QTest::newRow("9 pt at 50 %") << 0.5 << 9 << 4;
        QTest::newRow("12 pt on paper") << 1.0 << 12 << 12;
    }

    void zoomedFontSizes()
    {
        QFETCH(double, zoom);
        QFETCH(int, points);
        QFETCH(int, drawnPoints);
        PageRenderer renderer(Header::defaults(false), PageRenderer::Target::preview(zoom, 0.05));
        QImage image(100, 100, QImage::Format_RGB32);
        QPainter painter(&image);
        renderer.replay(painter, Record::setFont(1, u" Arial ", qint16(points), true, false, true));
        QCOMPARE(renderer.currentFont().pixelSize(), drawnPoints * 20);
        QVERIFY(renderer.currentFont().bold());
        QVERIFY(renderer.currentFont().underline());
        QVERIFY(!renderer.currentFont().italic());
    }

    void imagesAtNaturalAndGivenSize_data()
    {
        QTest::addColumn<double>("width");
        QTest::addColumn<double>("height");
        QTest::addColumn<int>("drawnWidth"); // pixels at 0.05 pixel per twip
        QTest::addColumn<int>("drawnHeight");
        QTest::newRow("natural size") << 0.0 << 0.0 << 127 << 127;
        QTest::newRow("given size") << 0.5 << 1.0 << 36 << 72;
        QTest::newRow("natural height only") << 2.0 << 0.0 << 144 << 127;
    }

    void imagesAtNaturalAndGivenSize()
    {
        QFETCH(double, width);
        QFETCH(double, height);
        QFETCH(int, drawnWidth);
        QFETCH(int, drawnHeight);
        // One inch square at 96 dpi: 2540 hundredths of a millimetre, so 2540 twips.
        QImage square(96, 96, QImage::Format_RGB32);
        square.fill(Qt::black);
        square.setDotsPerMeterX(3780);
        square.setDotsPerMeterY(3780);
        QCOMPARE(PageRenderer::naturalSizeTwips(square), QSizeF(2540, 2540));
        const QString path = m_dir.filePath(QStringLiteral("square.png"));
        QVERIFY(square.save(path));

        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.ImageOut(path, 1, 1, width, height);
        engine.EndDoc();
        ReportReader reader(engine.PrintFile());
        PageRenderer renderer(reader.header(), PageRenderer::Target::preview(1.0, 0.05));
        const QImage page = renderer.pagePicture(reader, 2, 12240, 15840);
        QCOMPARE(page.size(), QSize(612, 792));
        // Scan the drawn square's extent from its top-left corner at 72 px.
        QVERIFY(!isDark(page, 70, 80));
        int w = 0;
        while (isDark(page, 72 + w, 80))
            ++w;
        int h = 0;
        while (isDark(page, 80, 72 + h))
            ++h;
        QVERIFY2(qAbs(w - drawnWidth) <= 1, qPrintable(QString::number(w)));
        QVERIFY2(qAbs(h - drawnHeight) <= 1, qPrintable(QString::number(h)));
    }

    void picturesOnlyFromRegularFiles_data()
    {
        QTest::addColumn<QString>("path");
        QTest::newRow("missing file") << m_dir.filePath(QStringLiteral("no.png"));
        // Opening a FIFO for reading would wait for a writer for ever.
        QTest::newRow("FIFO") << m_dir.filePath(QStringLiteral("pipe.png"));
        QTest::newRow("device") << QStringLiteral("/dev/zero");
        QTest::newRow("folder") << m_dir.path();
        QTest::newRow("not a picture") << m_dir.filePath(QStringLiteral("text.png"));
        QTest::newRow("empty path") << QString();
    }

    void picturesOnlyFromRegularFiles()
    {
        QFETCH(QString, path);
        const QString fifo = m_dir.filePath(QStringLiteral("pipe.png"));
        if (!QFile::exists(fifo))
            QCOMPARE(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        QFile text(m_dir.filePath(QStringLiteral("text.png")));
        QVERIFY(text.open(QIODevice::WriteOnly));
        text.write("not a picture");
        text.close();

        PageRenderer renderer(Header::defaults(false), PageRenderer::Target::preview(1.0, 0.05));
        QImage image(10, 10, QImage::Format_RGB32);
        QPainter painter(&image);
        try {
            renderer.replay(painter, Record::imageOut(1, 0, 0, 0, 0, path));
            QFAIL("no error");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::Picture);
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
    }

    void pagePictureShowsOnlyItsPage()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        engine.BoxOut(1, 1, 2, 2);
        engine.NewPage();
        engine.LineOut(3, 3, 4, 3);
        engine.NewPage();
        engine.BoxOut(5, 5, 6, 6);
        engine.EndDoc();
        ReportReader reader(engine.PrintFile());
        PageRenderer renderer(reader.header(), PageRenderer::Target::preview(0.5, 0.1));
        const qint32 first = firstRecordOf(reader, 2);
        QCOMPARE(first, 4);
        const QImage page = renderer.pagePicture(reader, first, 12240, 15840);
        // At 50 % and 0.1 pixel per twip an inch is 72 pixels.
        QCOMPARE(page.size(), QSize(612, 792));
        QVERIFY(isDark(page, 3 * 72 + 30, 3 * 72));
        QVERIFY(!isDark(page, 72 + 30, 72));
        QVERIFY(!isDark(page, 5 * 72 + 30, 5 * 72));
        // The replay of page 2 ends after its NEWPAGE record.
        QImage scratch(10, 10, QImage::Format_RGB32);
        QPainter painter(&scratch);
        QCOMPARE(renderer.replayPage(painter, reader, first), 6);
    }

    void printedPdfPlacesTexts_data()
    {
        QTest::addColumn<double>("marginInches");
        QTest::newRow("no printer margin") << 0.0;
        QTest::newRow("quarter-inch printable area") << 0.25;
    }

    void printedPdfPlacesTexts()
    {
        QFETCH(double, marginInches);
        const QString pdftotext = QStandardPaths::findExecutable(QStringLiteral("pdftotext"));
        if (pdftotext.isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed.");

        struct Placed
        {
            QString text;
            double x;
            double y;
            int points;
        };
        const QList<Placed> placed
            = {{"Alpha", 1.0, 1.0, 12}, {"Bravo", 4.0, 2.5, 10}, {"Charlie", 2.25, 7.0, 18}};
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetScaleMode(5);
        for (const Placed &p : placed) {
            engine.SetFont(QStringLiteral("Arial"), qint16(p.points), 0);
            engine.SetY(p.y);
            engine.TextOut(p.x, QString(QStringLiteral("  ") + p.text));
        }
        engine.EndDoc();

        const QString pdf = m_dir.filePath(QStringLiteral("report.pdf"));
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
            QMarginsF(marginInches, marginInches, marginInches, marginInches), QPageLayout::Inch));
        QCOMPARE(ProcessPrinter::printableOffsets(printer).leftTwips, qRound(marginInches * 1440));
        {
            ReportReader reader(engine.PrintFile());
            PageRenderer renderer(reader.header(), PageRenderer::Target::printer(printer));
            QPainter painter(&printer);
            renderer.replayPage(painter, reader, 2);
        }

        QProcess process;
        process.start(pdftotext, {QStringLiteral("-bbox"), pdf, QStringLiteral("-")});
        QVERIFY(process.waitForFinished(30000));
        const QString html = QString::fromUtf8(process.readAllStandardOutput());
        const QRegularExpression word(QStringLiteral(
            R"re(<word xMin="([\d.]+)" yMin="([\d.]+)" xMax="[\d.]+" yMax="[\d.]+">([^<]*)</word>)re"));
        QHash<QString, QPointF> found;
        for (const QRegularExpressionMatch &m : word.globalMatch(html))
            found.insert(
                m.captured(3), QPointF(m.captured(1).toDouble(), m.captured(2).toDouble()));
        for (const Placed &p : placed) {
            QVERIFY2(found.contains(p.text), qPrintable(html));
            const QPointF at = found.value(p.text) / 72.0; // points to inches
            QVERIFY2(qAbs(at.x() - p.x) <= 0.02,
                qPrintable(QStringLiteral("%1 x %2").arg(p.text).arg(at.x())));
            QVERIFY2(qAbs(at.y() - p.y) <= 0.02,
                qPrintable(QStringLiteral("%1 y %2").arg(p.text).arg(at.y())));
        }
    }

private:
    QTemporaryDir m_dir;
    QStringList m_reports;
};

QTEST_MAIN(RenderingTest)
#include "tst_rendering.moc"

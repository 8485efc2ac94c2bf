#include "PdfProbe.h"

#include "../preview/ReportFixture.h"

#include "PrintOptForm.h"
#include "PrintOptions.h"
#include "PrintProgressForm.h"
#include "PrintRun.h"
#include "ProcessPrinter.h"
#include "TextMeasurer.h"
#include "VellumError.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QMessageBox>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "PrintJobs.h"

namespace {

// Writes what the run asks of the printer as a line of short tokens.
class LogTarget : public PrintTarget
{
public:
    QStringList log;
    QList<float> progressAtCopyEnd;
    float lastProgress = -1;

    void beginCopy(const ReportFormat::Header &, const QString &name) override
    {
        log.append(QStringLiteral("begin:") + name);
    }
    void replay(const ReportFormat::Record &record) override
    {
        switch (record.keyword()) {
        case ReportFormat::Keyword::SetFont:
            log.append(QStringLiteral("font%1").arg(record.page()));
            break;
        case ReportFormat::Keyword::TextOut:
            log.append(record.text());
            break;
        default:
            log.append(QStringLiteral("other"));
        }
    }
    void ejectPage() override { log.append(QStringLiteral("eject")); }
    void endCopy() override
    {
        log.append(QStringLiteral("end"));
        progressAtCopyEnd.append(lastProgress);
    }
    void abortCopy() override { log.append(QStringLiteral("abort")); }
};

PrintOptions options(int from, int to, int copies, int modalResult = 1)
{
    PrintOptions o;
    o.ModalResult = qint16(modalResult);
    o.FromPage = qint16(from);
    o.ToPage = qint16(to);
    o.Copies = qint16(copies);
    return o;
}

// Five pages; every page sets its font, so skipped font changes show in the log.
std::unique_ptr<VellumPrinter> fivePages(const QString &title = QStringLiteral("Five"))
{
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetTitle(title);
    for (int page = 1; page <= 5; ++page) {
        if (page > 1)
            engine->NewPage();
        engine->SetFont(QStringLiteral("arial"), qint16(10 + page), 0);
        engine->SetY(1.0);
        engine->TextOut(1.0, QStringLiteral("Page%1").arg(page));
        engine->SetY(5.5);
        engine->TextOut(4.25, QStringLiteral("Marker%1").arg(page));
    }
    engine->EndDoc();
    return engine;
}

} // namespace

class tst_PrintRun : public QObject
{
    Q_OBJECT
private slots:
    void rangeAndCopies_data();
    void rangeAndCopies();
    void progressOverCopies();
    void missingImageStopsTheRun();
    void printReportOutcomes_data();
    void printReportOutcomes();
    void cupsQueuePrintsTheRange();
    void windowMessagesEvery50ms();
};

void tst_PrintRun::rangeAndCopies_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("copies");
    QTest::addColumn<int>("modalResult");
    QTest::addColumn<QString>("expected");

    const QString range
        = QStringLiteral("begin:Five font2 Page2 Marker2 eject font3 Page3 Marker3 end");
    QTest::newRow("pages 2 to 3") << 2 << 3 << 1 << 1 << range;
    QTest::newRow("two copies") << 2 << 3 << 2 << 1 << range + u' ' + range;
    QTest::newRow("last page, no eject after it")
        << 5 << 5 << 1 << 1 << QStringLiteral("begin:Five font5 Page5 Marker5 end");
    QTest::newRow("first after last prints nothing")
        << 3 << 2 << 2 << 1 << QStringLiteral("begin:Five end begin:Five end");
    QTest::newRow("no copies") << 1 << 5 << 0 << 1 << QString();
    QTest::newRow("cancelled") << 1 << 5 << 1 << 2 << QString();
}

void tst_PrintRun::rangeAndCopies()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, copies);
    QFETCH(int, modalResult);
    QFETCH(QString, expected);
    auto engine = fivePages();
    LogTarget target;
    PrintRun::run(
        engine->PrintFile(), engine->Title(), options(from, to, copies, modalResult), target, {});
    QCOMPARE(target.log.join(u' '), expected);
}

void tst_PrintRun::progressOverCopies()
{
    auto engine = ReportFixture::numbered(3);
    LogTarget target;
    PrintRun::Hooks hooks;
    QList<float> seen;
    hooks.progress = [&](float f) {
        seen.append(f);
        target.lastProgress = f;
    };
    int pending = 0;
    hooks.pending = [&pending] { ++pending; };
    PrintRun::run(engine->PrintFile(), engine->Title(), options(1, 3, 2), target, hooks);
    QCOMPARE(seen.first(), 0.0f);
    QCOMPARE(target.progressAtCopyEnd, (QList<float> {0.5f, 1.0f}));
    QVERIFY(std::is_sorted(seen.begin(), seen.end()));
    QVERIFY(pending > 2 * 3);
}

void tst_PrintRun::missingImageStopsTheRun()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("gone.png"));
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetFont(QStringLiteral("arial"), 12, 0);
    engine->TextOut(1.0, QStringLiteral("before"));
    engine->ImageOut(missing, 1, 2, 1, 1);
    engine->TextOut(1.0, QStringLiteral("after"));
    engine->EndDoc();

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("out.pdf")));
    try {
        PrintRun::runPrintJob(engine->PrintFile(), engine->Title(), options(1, 1, 1), printer, {});
        QFAIL("a missing picture must stop the run");
    } catch (const VellumError &error) {
        QCOMPARE(error.kind(), VellumError::Kind::Picture);
        QVERIFY2(error.message().contains(missing), qPrintable(error.message()));
    }

    // The same run on the log target stops at the failing record.
    class Failing : public LogTarget
    {
    public:
        void replay(const ReportFormat::Record &record) override
        {
            if (record.keyword() == ReportFormat::Keyword::ImageOut)
                throw VellumError(VellumError::Kind::Picture, QStringLiteral("no picture"));
            LogTarget::replay(record);
        }
    } target;
    QVERIFY_THROWS_EXCEPTION(VellumError,
        PrintRun::run(engine->PrintFile(), engine->Title(), options(1, 1, 2), target, {}));
    QCOMPARE(target.log.join(u' '), QStringLiteral("begin: font1 before abort"));
}

// Each row: how the report is printed, what the user does, and what comes of it.
void tst_PrintRun::printReportOutcomes_data()
{
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<bool>("missingPicture");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<QStringList>("dialogs");
    QTest::addColumn<bool>("throws");
    QTest::addColumn<int>("pdf"); // 1 written, 0 none, -1 not looked at

    const QString options = QStringLiteral("PrintOptForm");
    const QString progress = QStringLiteral("PrintProgressForm");
    QTest::newRow("progress: failure shown in a box")
        << true << true << true << QStringList {options, progress, "box"} << false << -1;
    QTest::newRow("no progress: failure goes to the caller")
        << false << true << true << QStringList {options} << true << -1;
    QTest::newRow("cancelled: no progress box, nothing printed")
        << true << false << false << QStringList {options} << false << 0;
    QTest::newRow("progress: printed")
        << true << false << true << QStringList {options, progress} << false << 1;
    QTest::newRow("no progress: printed")
        << false << false << true << QStringList {options} << false << 1;
}

void tst_PrintRun::printReportOutcomes()
{
    QFETCH(bool, showProgress);
    QFETCH(bool, missingPicture);
    QFETCH(bool, confirm);
    QFETCH(QStringList, dialogs);
    QFETCH(bool, throws);
    QFETCH(int, pdf);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString missing = dir.filePath(QStringLiteral("logo.png"));
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetFont(QStringLiteral("arial"), 12, 0);
    engine->TextOut(1.0, QStringLiteral("Hello"));
    if (missingPicture)
        engine->ImageOut(missing, 1, 2, 1, 1);
    engine->EndDoc();
    engine->SetShowProgress(showProgress);
    // Printing goes to a file here, never to a real queue.
    const QString output = dir.filePath(QStringLiteral("out.pdf"));
    QPrinter &printer = ProcessPrinter::currentPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(output);
    const auto restore = qScopeGuard([&printer] { printer.setOutputFileName(QString()); });

    // Every dialog shown is seen, also one that would only flash.
    class ShownDialogs : public QObject
    {
    public:
        QStringList names;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Show && qobject_cast<QDialog *>(watched))
                names.append(qobject_cast<QMessageBox *>(watched) ? QStringLiteral("box")
                                                                  : watched->objectName());
            return false;
        }
    } shown;
    qApp->installEventFilter(&shown);
    const auto removeFilter = qScopeGuard([&shown] { qApp->removeEventFilter(&shown); });

    QString message;
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [&] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            message = box->text();
            box->accept();
        } else if (auto *form = qobject_cast<PrintOptForm *>(modal)) {
            // No printer chosen: the process printer keeps printing to the file.
            form->printerList()->setCurrentIndex(-1);
            form->findChild<QPushButton *>(
                    confirm ? QStringLiteral("OkBtn") : QStringLiteral("CancelBtn"))
                ->click();
        }
    });
    driver.start();
    bool thrown = false;
    try {
        engine->PrintReport();
    } catch (const VellumError &error) {
        thrown = true;
        QCOMPARE(error.kind(), VellumError::Kind::Picture);
        QVERIFY2(error.message().contains(missing), qPrintable(error.message()));
    }
    driver.stop();

    QCOMPARE(shown.names, dialogs);
    QCOMPARE(thrown, throws);
    if (dialogs.contains(QStringLiteral("box")))
        QVERIFY2(message.contains(missing), qPrintable(message));
    if (pdf >= 0) {
        const QFileInfo file(output);
        QCOMPARE(file.exists() && file.size() > 0, pdf == 1);
    }
}

void tst_PrintRun::cupsQueuePrintsTheRange()
{
    const QString queue = QStringLiteral("RouvelPDF");
    if (!ProcessPrinter::installedPrinterNames().contains(queue))
        QSKIP("No CUPS queue RouvelPDF: run scripts/pdf-printer.sh as root first.");
    const QString folder = PdfProbe::cupsPdfFolder();
    if (folder.isEmpty() || !QDir(folder).exists())
        QSKIP("cups-pdf has no output folder set in /etc/cups/cups-pdf-rouvel.conf.");
    // An earlier test may have sent the process printer to a file.
    ProcessPrinter::currentPrinter().setOutputFileName(QString());
    QVERIFY(ProcessPrinter::selectPrinter(queue));

    const QString title = QStringLiteral("RangeTest%1").arg(QDateTime::currentMSecsSinceEpoch());
    auto engine = fivePages(title);
    try {
        PrintRun::runPrintJob(engine->PrintFile(), engine->Title(), options(2, 3, 2),
            ProcessPrinter::currentPrinter(), {});
    } catch (const VellumError &error) {
        QFAIL(qPrintable(error.message()));
    }

    // cups-pdf works behind the scheduler: wait for both copies, each file complete.
    QStringList files;
    QTRY_VERIFY_WITH_TIMEOUT(
        (files = QDir(folder).entryList({QStringLiteral("*%1*.pdf").arg(title)}, QDir::Files),
            files.size() == 2 && PdfProbe::pages(QDir(folder).filePath(files.at(0))) == 2
                && PdfProbe::pages(QDir(folder).filePath(files.at(1))) == 2),
        60000);

    for (const QString &file : files) {
        const QString path = QDir(folder).filePath(file);
        const QList<PdfProbe::Word> words = PdfProbe::words(path);
        QStringList texts;
        for (const PdfProbe::Word &w : words)
            texts.append(QStringLiteral("%1:%2").arg(w.page).arg(w.text));
        QCOMPARE(texts, (QStringList {"1:Page2", "1:Marker2", "2:Page3", "2:Marker3"}));
        QVERIFY2(PdfProbe::info(path, QStringLiteral("Page size")).startsWith(QLatin1String("612 x 792")),
            qPrintable(PdfProbe::info(path, QStringLiteral("Page size"))));
        // Positions in points from the paper's top-left corner: 1 inch is 72 points. The box
        // pdftotext gives ends at the font's descent below the baseline; the recorded y is the
        // top of the line, the font's ascent above it.
        const double tolerance = 0.02 * 72;
        for (const PdfProbe::Word &w : words) {
            const bool marker = w.text.startsWith(QLatin1String("Marker"));
            const int points = 10 + w.text.right(1).toInt();
            const QFontMetricsF metrics(
                TextMeasurer::twipsFont(QStringLiteral("arial"), points, false, false, false));
            const double lineTop = w.yMax - (metrics.descent() + metrics.ascent()) / 20.0;
            const double x = marker ? 4.25 * 72 : 72;
            const double y = marker ? 5.5 * 72 : 72;
            QVERIFY2(qAbs(w.xMin - x) <= tolerance,
                qPrintable(QStringLiteral("%1 x %2").arg(w.text).arg(w.xMin)));
            QVERIFY2(qAbs(lineTop - y) <= tolerance,
                qPrintable(QStringLiteral("%1 y %2").arg(w.text).arg(lineTop)));
        }
        QFile::remove(path);
    }
}

// A long print with the progress box: window messages go through at most every 50 ms, not once
// a record, and still often enough for the box to paint its bar as it grows.
void tst_PrintRun::windowMessagesEvery50ms()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetFont(QStringLiteral("arial"), 10, 0);
    // Long enough to print for well over 200 ms even in a fast release-like build.
    for (int page = 1; page <= 1200; ++page) {
        if (page > 1)
            engine->NewPage();
        for (int i = 0; i < 60; ++i) {
            engine->SetY(0.5 + i * 0.16);
            engine->TextOut(
                0.5 + (i % 3) * 2.5, QStringLiteral("Line %1 of page %2").arg(i).arg(page));
        }
    }
    engine->EndDoc();
    engine->SetShowProgress(true);
    QPrinter &printer = ProcessPrinter::currentPrinter();
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(dir.filePath(QStringLiteral("long.pdf")));
    const auto restore = qScopeGuard([&printer] { printer.setOutputFileName(QString()); });

    // The bar's width at each paint of the box, and each turn of the event loop meanwhile.
    class Watch : public QObject
    {
    public:
        QList<int> paintedBars;
        bool eventFilter(QObject *watched, QEvent *event) override
        {
            if (event->type() == QEvent::Paint)
                if (auto *box = qobject_cast<PrintProgressForm *>(watched))
                    paintedBars.append(box->barTwips());
            return false;
        }
    } watch;
    qApp->installEventFilter(&watch);
    const auto removeFilter = qScopeGuard([&watch] { qApp->removeEventFilter(&watch); });
    int turns = 0;
    QElapsedTimer running;
    QTimer everyTurn;
    everyTurn.setInterval(0);
    connect(&everyTurn, &QTimer::timeout, this, [&] {
        if (qobject_cast<PrintProgressForm *>(QApplication::activeModalWidget())) {
            if (!running.isValid())
                running.start();
            ++turns;
        }
    });
    QTimer driver;
    driver.setInterval(10);
    connect(&driver, &QTimer::timeout, this, [] {
        if (auto *form = qobject_cast<PrintOptForm *>(QApplication::activeModalWidget())) {
            form->printerList()->setCurrentIndex(-1);
            form->findChild<QPushButton *>(QStringLiteral("OkBtn"))->click();
        }
    });
    driver.start();
    everyTurn.start();
    engine->PrintReport();
    const qint64 elapsed = running.isValid() ? running.elapsed() : 0;
    everyTurn.stop();
    driver.stop();

    QVERIFY2(elapsed > 200, qPrintable(QString::number(elapsed)));
    // 72 000 records: once a record would be thousands of turns.
    QVERIFY2(turns <= elapsed / 50 + 3,
        qPrintable(QStringLiteral("%1 turns in %2 ms").arg(turns).arg(elapsed)));
    QVERIFY2(turns >= 2, qPrintable(QString::number(turns)));
    const auto growing = std::count_if(watch.paintedBars.begin(), watch.paintedBars.end(),
        [](int bar) { return bar > 0 && bar < PrintProgressForm::TrackWidthTwips; });
    QVERIFY2(growing >= 1, qPrintable(QString::number(watch.paintedBars.size())));
    QVERIFY(QFileInfo(dir.filePath(QStringLiteral("long.pdf"))).size() > 0);
}

QTEST_MAIN(tst_PrintRun)
#include "tst_printrun.moc"

// Print engine figures: recording speed against the limit of measuring the same texts and
// writing one record each, text export speed, page drawing time at the start and the end of a
// long report, and peak memory of short and long recordings.
#include "PageRenderer.h"
#include "ReportFormat.h"
#include "ReportReader.h"
#include "TextMeasurer.h"
#include "VellumPrinter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryFile>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <unistd.h>
#include <vector>

namespace {

QString sampleText(int i)
{
    // 40 characters that change from call to call, as real reports do.
    return QStringLiteral("Shipment %1 to Montreal, 12 pallets ok")
        .arg(i, 6, 10, QLatin1Char('0'))
        .left(40);
}

const QString paragraph = QStringLiteral(
    "The carrier acknowledges receipt of the goods described below, in apparent good order "
    "except as noted, to be delivered to the consignee at the destination named, subject to "
    "the terms of the bill of lading and the tariffs in effect on the date of shipment.");

long peakMemoryKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

void recordTexts(VellumPrinter &engine, int count)
{
    for (int i = 0; i < count; ++i) {
        engine.TextOut(1.0, sampleText(i));
        engine.NewLine();
    }
}

void beginReport(VellumPrinter &engine)
{
    engine.BeginDoc();
    engine.SetScaleMode(5);
    engine.SetAutoNewPage(true);
    engine.SetFont(QStringLiteral("Arial"), 10, 0);
}

// Child mode: record count texts and print the peak resident memory in kB.
int recordOnly(int count)
{
    VellumPrinter engine;
    beginReport(engine);
    recordTexts(engine, count);
    engine.EndDoc();
    std::printf("%ld\n", peakMemoryKb());
    engine.DestroyReport();
    return 0;
}

// The limit of recording: measure each text in the report's font and write one 256-byte
// record for it, one write call per record, as an unbuffered report file must.
double limitSeconds(int count)
{
    TextMeasurer measurer;
    measurer.setFont(QStringLiteral("Arial"), 10, false, false, false);
    QTemporaryFile file;
    if (!file.open())
        return -1;
    const int fd = file.handle();
    ReportFormat::RecordBytes record {};
    double total = 0;
    QElapsedTimer timer;
    timer.start();
    for (int i = 0; i < count; ++i) {
        const QString text = sampleText(i);
        total += measurer.textWidthTwips(text);
        record[0] = char(i);
        if (::write(fd, record.data(), record.size()) != qint64(record.size()))
            return -1;
    }
    const double seconds = timer.nsecsElapsed() / 1e9;
    return total > 0 ? seconds : -1;
}

double pageTimeMs(ReportReader &reader, PageRenderer &renderer, qint32 firstRecord)
{
    std::vector<double> times;
    for (int run = 0; run < 15; ++run) {
        QElapsedTimer timer;
        timer.start();
        const QImage page = renderer.pagePicture(reader, firstRecord, 12240, 15840);
        times.push_back(timer.nsecsElapsed() / 1e6);
        if (page.isNull())
            return -1;
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

qint32 firstRecordOfPage(ReportReader &reader, qint16 page)
{
    ReportFormat::Record record;
    for (qint32 n = 2; reader.readRecord(n, record); ++n) {
        if (record.page() >= page)
            return n;
    }
    return reader.recordCount() + 1;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() == 3 && args[1] == QLatin1String("--record"))
        return recordOnly(args[2].toInt());

    // Recording, five rounds of the same report; the median round is reported, as a single
    // round swings with whatever else the machine is doing.
    constexpr int textCount = 200000;
    constexpr int rounds = 5;
    std::vector<double> roundSeconds;
    QElapsedTimer timer;
    for (int round = 0; round < rounds; ++round) {
        VellumPrinter scratch;
        beginReport(scratch);
        timer.start();
        recordTexts(scratch, textCount);
        roundSeconds.push_back(timer.nsecsElapsed() / 1e9);
        scratch.EndDoc();
        scratch.DestroyReport();
    }
    std::sort(roundSeconds.begin(), roundSeconds.end());
    const double textSeconds = roundSeconds[rounds / 2];
    std::vector<double> limitRounds;
    for (int round = 0; round < rounds; ++round)
        limitRounds.push_back(limitSeconds(textCount));
    std::sort(limitRounds.begin(), limitRounds.end());
    const double limit = limitRounds[rounds / 2];

    VellumPrinter engine;
    beginReport(engine);
    recordTexts(engine, textCount);

    constexpr int memoCount = 20000;
    timer.restart();
    for (int i = 0; i < memoCount; ++i) {
        engine.MemoOut(1.0, 7.5, paragraph);
        engine.NewLine();
    }
    const double memoSeconds = timer.nsecsElapsed() / 1e9;
    engine.EndDoc();
    std::printf("record TextOut: %d in %.3f s = %.0f TextOut/s (median of %d rounds)\n",
        textCount, textSeconds, textCount / textSeconds, rounds);
    std::printf("record limit (measure + one 256-byte write per text): %d in %.3f s = %.0f "
                "texts/s\n",
        textCount, limit, textCount / limit);
    std::printf("record ratio TextOut / limit: %.2f (target at least 0.80)\n", limit / textSeconds);
    std::printf("record MemoOut: %d paragraphs in %.3f s = %.0f paragraphs/s\n", memoCount,
        memoSeconds, memoCount / memoSeconds);

    // Text export.
    ReportReader counter(engine.PrintFile());
    const qint32 records = counter.recordCount();
    counter.close();
    engine.SetPrintTextFile(engine.PrintFile() + QStringLiteral(".txt"));
    timer.restart();
    engine.PrintToFile();
    const double exportSeconds = timer.nsecsElapsed() / 1e9;
    std::printf("export: %d records, %d pages in %.3f s = %.0f records/s\n", records,
        engine.TotalPages(), exportSeconds, records / exportSeconds);
    QFile::remove(engine.PrintTextFile());
    engine.DestroyReport();

    // Page pictures of a 5 000-page report.
    VellumPrinter pages;
    pages.BeginDoc();
    pages.SetScaleMode(5);
    pages.SetTitle(QStringLiteral("Bill of lading"));
    for (int p = 1; p <= 5000; ++p) {
        pages.SetFont(QStringLiteral("Arial"), 14, 1);
        pages.SetY(0.6);
        pages.TextOut(-1, QStringLiteral("BILL OF LADING"));
        pages.SetFont(QStringLiteral("Arial"), 10, 0);
        pages.BoxOut(0.5, 1.0, 8.0, 10.5);
        pages.LineOut(0.5, 2.0, 8.0, 2.0);
        pages.SetY(1.2);
        for (int line = 0; line < 30; ++line) {
            pages.TextOut(0.75, sampleText(p * 100 + line));
            pages.TextOut(5.0, QStringLiteral("1 234.50 $"));
            pages.NewLine();
            if (line == 3)
                pages.SetY(2.2);
        }
        pages.SetY(10.0);
        pages.TextOut(0.75, QStringLiteral("Page %1 of 5000").arg(p));
        if (p < 5000)
            pages.NewPage();
    }
    pages.EndDoc();
    ReportReader reader(pages.PrintFile());
    const qint32 first1 = firstRecordOfPage(reader, 1);
    const qint32 first5000 = firstRecordOfPage(reader, 5000);
    // 100 % zoom on a 96-dpi screen.
    PageRenderer renderer(reader.header(), PageRenderer::Target::preview(1.0, 96.0 / 1440.0));
    // The fonts of the page are set on it, so either page draws the same way.
    const double page1Ms = pageTimeMs(reader, renderer, first1);
    const double page5000Ms = pageTimeMs(reader, renderer, first5000);
    std::printf("page picture: page 1 %.2f ms, page 5000 %.2f ms (ratio %.2f), %d records\n",
        page1Ms, page5000Ms, page5000Ms / page1Ms, reader.recordCount());
    const QString look = QStringLiteral("/tmp/engine_page_5000.png");
    renderer.pagePicture(reader, first5000, 12240, 15840).save(look);
    std::printf("page 5000 saved as %s\n", qPrintable(look));
    reader.close();
    pages.DestroyReport();

    // Peak memory in separate processes so each starts clean.
    long peaks[2] = {-1, -1};
    const int counts[2] = {10000, 200000};
    for (int i = 0; i < 2; ++i) {
        QProcess child;
        child.start(
            app.applicationFilePath(), {QStringLiteral("--record"), QString::number(counts[i])});
        child.waitForFinished(-1);
        peaks[i] = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toLong();
    }
    std::printf("peak memory: %d texts %ld kB, %d texts %ld kB\n", counts[0], peaks[0], counts[1],
        peaks[1]);
    return 0;
}

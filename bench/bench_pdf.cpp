// Times PrintToPdf on the preview benchmark's long report (60 texts a page) against its peer,
// a plain QPainter drawing the same texts at the same places on a QPdfWriter, in the same run:
// the median of five interleaved runs each, pages per second and their ratio. Then the peak
// memory PrintToPdf adds at 500 and at 5 000 pages, which must not grow with the pages.
#include "VellumPrinter.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFont>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <ctime>
#include <memory>
#include <vector>

namespace {

constexpr int TextsPerPage = 60;
constexpr int Runs = 5;

QString lineText(int i, int page) { return QStringLiteral("Line %1 of page %2").arg(i).arg(page); }

std::unique_ptr<VellumPrinter> record(int pages)
{
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetTitle(QStringLiteral("Benchmark"));
    engine->SetFont(QStringLiteral("arial"), 10, 0);
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            engine->NewPage();
        for (int i = 0; i < TextsPerPage; ++i) {
            engine->SetY(0.5 + i * 0.16);
            engine->TextOut(0.5 + (i % 3) * 2.5, lineText(i, page));
        }
    }
    engine->EndDoc();
    return engine;
}

// The peer: what a program drawing these pages with Qt alone does.
void peer(const QString &file, int pages)
{
    QPdfWriter writer(file);
    writer.setTitle(QStringLiteral("Benchmark"));
    writer.setPageLayout(
        QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0)));
    QPainter painter(&writer);
    const double dpi = writer.resolution();
    QFont font(QStringLiteral("Arial"));
    font.setPointSize(10);
    painter.setFont(font);
    const double ascent = painter.fontMetrics().ascent();
    for (int page = 1; page <= pages; ++page) {
        if (page > 1)
            writer.newPage();
        for (int i = 0; i < TextsPerPage; ++i) {
            const double x = (0.5 + (i % 3) * 2.5) * dpi;
            const double y = (0.5 + i * 0.16) * dpi + ascent;
            painter.drawText(QPointF(x, y), lineText(i, page));
        }
    }
}

double cpuMs()
{
    timespec ts {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// A field of /proc/self/status in kilobytes ("VmHWM", "VmRSS").
long statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    // Files under /proc have no size: read to the end, not while !atEnd().
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').first().toLong();
    }
    return -1;
}

// Starts the peak resident size over from the present size.
bool resetPeak()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    return clear.open(QIODevice::WriteOnly) && clear.write("5") == 1;
}

// Peak memory in MB that one PrintToPdf adds to the process.
double pdfPeakMb(VellumPrinter &engine, const QString &file)
{
    QFile::remove(file);
    if (!resetPeak())
        return -1;
    const long before = statusKb("VmRSS");
    engine.PrintToPdf(file);
    return (statusKb("VmHWM") - before) / 1024.0;
}

// The same, measured by this program run for one report of `pages` pages.
double peakInChild(int pages)
{
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
        {QStringLiteral("--memory"), QString::number(pages)});
    if (!child.waitForFinished(600000) || child.exitCode() != 0)
        return -1;
    bool ok = false;
    const double mb = child.readAllStandardOutput().trimmed().toDouble(&ok);
    return ok ? mb : -1;
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    if (argc == 3 && QByteArray(argv[1]) == "--memory") {
        auto engine = record(QByteArray(argv[2]).toInt());
        std::printf("%.2f\n", pdfPeakMb(*engine, dir.filePath(QStringLiteral("memory.pdf"))));
        engine->DestroyReport();
        return 0;
    }
    const QString enginePdf = dir.filePath(QStringLiteral("engine.pdf"));
    const QString peerPdf = dir.filePath(QStringLiteral("peer.pdf"));

    constexpr int Pages = 5000;
    auto large = record(Pages);
    // Memory first, each size in a fresh process of its own.
    const double at500 = peakInChild(500);
    const double at5000 = peakInChild(Pages);
    // A first run of each, untimed, loads the fonts.
    large->PrintToPdf(enginePdf);
    peer(peerPdf, 50);

    // Wall time, and the process's processor time, which a busy machine disturbs less.
    std::vector<double> engineMs, peerMs, engineCpuMs, peerCpuMs;
    for (int r = 0; r < Runs; ++r) {
        QElapsedTimer t;
        t.start();
        double cpu = cpuMs();
        large->PrintToPdf(enginePdf);
        engineMs.push_back(t.nsecsElapsed() / 1e6);
        engineCpuMs.push_back(cpuMs() - cpu);
        t.restart();
        cpu = cpuMs();
        peer(peerPdf, Pages);
        peerMs.push_back(t.nsecsElapsed() / 1e6);
        peerCpuMs.push_back(cpuMs() - cpu);
    }
    const double engine = median(engineMs);
    const double qt = median(peerMs);
    const double engineCpu = median(engineCpuMs);
    const double qtCpu = median(peerCpuMs);
    std::printf("PrintToPdf, %d pages x %d texts: %.0f ms, %.0f pages/s (target >= 1000); "
                "processor %.0f ms, %.0f pages/s\n",
        Pages, TextsPerPage, engine, Pages / (engine / 1000.0), engineCpu,
        Pages / (engineCpu / 1000.0));
    std::printf("peer QPainter on QPdfWriter, same texts: %.0f ms, %.0f pages/s; processor "
                "%.0f ms, %.0f pages/s\n",
        qt, Pages / (qt / 1000.0), qtCpu, Pages / (qtCpu / 1000.0));
    std::printf("ratio PrintToPdf / peer: %.2f (target <= 1.30); processor time %.2f\n",
        engine / qt, engineCpu / qtCpu);
    std::printf("PDF sizes: %.1f MB engine, %.1f MB peer\n", QFile(enginePdf).size() / 1048576.0,
        QFile(peerPdf).size() / 1048576.0);

    if (at500 < 0 || at5000 < 0) {
        std::printf("peak memory: not measurable here (/proc/self/clear_refs)\n");
    } else {
        std::printf("peak memory added by PrintToPdf: %.1f MB at 500 pages, %.1f MB at %d pages "
                    "(target: flat)\n",
            at500, at5000, Pages);
    }
    large->DestroyReport();
    return 0;
}

// Report files from anywhere: the input is written as a report file, loaded with LoadReport,
// paged as the preview pages it, each page drawn into a picture, then exported as text. Any
// crash, sanitizer report, leak or hang is a finding.
//
// With ROUVEL_FUZZ_WRITE_SEEDS=<folder> the program records a few reports through the engine
// into that folder and exits: the seeds of the run.
#include "PageRenderer.h"
#include "PreviewPager.h"
#include "ReportReader.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

namespace {

// Enough pages to reach any page walk case; every page costs a picture.
constexpr qint16 MaxPagesDrawn = 40;
// A small picture: the drawing code runs whole, the pixels cost little.
constexpr double PixelsPerTwip = 0.01;

QTemporaryDir *workDir = nullptr;

void record(const QString &folder, const QString &name, const std::function<void(VellumPrinter &)> &body)
{
    VellumPrinter engine;
    engine.BeginDoc();
    body(engine);
    engine.EndDoc();
    QFile::remove(folder + u'/' + name);
    QFile::copy(engine.PrintFile(), folder + u'/' + name);
    engine.DestroyReport();
}

void writeSeeds(const QString &folder)
{
    QDir().mkpath(folder);
    const QString picture = folder + QStringLiteral("/logo.png");
    QImage logo(16, 16, QImage::Format_RGB32);
    logo.fill(Qt::darkBlue);
    logo.save(picture);

    record(folder, QStringLiteral("bill.rpt"), [](VellumPrinter &e) {
        e.SetScaleMode(5);
        e.SetOrientation(1);
        e.SetSpacing(0.75);
        e.SetTitle(QStringLiteral("Bill of lading"));
        e.SetFont(QStringLiteral("arial"), 12, 0);
        e.NewLine();
        e.TextOut(-1, QStringLiteral("STRAIGHT BILL OF LADING"));
        e.SetFont(QStringLiteral("Arial"), 10, 1);
        e.SetY(1.5);
        e.TextOut(0.5, QStringLiteral("Shipper: Déjà Transport ltée"));
        e.TextOut(4.5, QStringLiteral("1 234.50 $"));
        e.BoxOut(0.5, 2, 8, 4);
        e.LineOut(0.5, 3, 8, 3);
        e.SetY(4.2);
        e.MemoOut(0.5, 4, QStringLiteral("Received, subject to the classifications and tariffs "
                                         "in effect on the date of the issue of this bill."));
    });
    record(folder, QStringLiteral("pages.rpt"), [](VellumPrinter &e) {
        e.SetScaleMode(1);
        e.SetAutoHeadings(true);
        e.SetAutoNewPage(true);
        e.SetTitle(QStringLiteral("Rates"));
        e.SetFont(QStringLiteral("Times New Roman"), 9, 4);
        for (int i = 0; i < 120; ++i) {
            e.TextOut(1440, QStringLiteral("Line %1").arg(i));
            e.TextOut(7200, QString::number(i * 1.5));
            e.NewLine();
            if (i == 50)
                e.SetFont(QStringLiteral("Courier New"), 14, 3);
        }
    });
    record(folder, QStringLiteral("shapes.rpt"), [&picture](VellumPrinter &e) {
        e.SetScaleMode(6);
        e.SetOrientation(2);
        e.ImageOut(picture, 10, 10, 0, 0);
        e.ImageOut(picture, 50, 10, 30, 20);
        e.NewPage();
        e.SetFont(QStringLiteral("Arial"), 30, 1);
        e.NewPage();
        e.SetY(100);
        e.TextOut(20, QStringLiteral("Third page"));
        e.ImageOut(QStringLiteral("/nonexistent/picture.png"), 0, 0, 0, 0);
    });
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    const QString seeds = qEnvironmentVariable("ROUVEL_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty()) {
        writeSeeds(seeds);
        std::exit(0);
    }
    workDir = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = workDir->filePath(QStringLiteral("input.rpt"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            std::abort();
        file.write(reinterpret_cast<const char *>(data), qint64(size));
    }
    VellumPrinter engine;
    if (!engine.LoadReport(path))
        return 0;

    // The preview's walk: first forward, then back from the last page.
    PreviewPager pager;
    if (pager.open(engine.PrintFile())) {
        pager.setTotalPages(engine.TotalPages());
        const qint16 last = qMin(engine.TotalPages(), MaxPagesDrawn);
        const auto draw = [&pager](qint16 n) {
            PageRenderer renderer(
                pager.reader().header(), PageRenderer::Target::preview(0.5, PixelsPerTwip));
            ReportFormat::Record font;
            const qint32 fontRecord = pager.fontRecordOf(n);
            if (fontRecord > 0 && pager.reader().readRecord(fontRecord, font))
                renderer.startWithFont(font);
            try {
                const QImage page
                    = renderer.pagePicture(pager.reader(), pager.seekPage(n), 12240, 15840);
                pager.setCurrentPage(n);
                if (page.isNull())
                    std::abort();
            } catch (const VellumError &) {
                // A picture the report names may be missing: the preview shows the message.
            }
        };
        for (qint16 n = 1; n <= last; ++n)
            draw(n);
        for (qint16 n = last; n >= 1; n = qint16(n - 7))
            draw(n);
        pager.search(QStringLiteral("e"), true);
    }

    engine.SetPrintTextFile(workDir->filePath(QStringLiteral("export.txt")));
    try {
        engine.PrintToFile();
    } catch (const VellumError &) {
    }
    return 0;
}

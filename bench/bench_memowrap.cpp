// Memo word wrap: MemoHeight and MemoOut of one long text, 400 000 characters and 10 MB, in a
// 6.5-inch column of Arial 10. The text has blanks but no line break, so the wrap cannot lean
// on a nearby break. Target: 10 MB wrapped by MemoHeight in under 2 s.
#include "VellumPrinter.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QString>

#include <cstdio>

namespace {

constexpr double targetSeconds = 2.0;

QString longText(qsizetype size)
{
    static const QString words = QStringLiteral(
        "The carrier acknowledges receipt of the goods described below, in apparent good order "
        "except as noted, to be delivered to the consignee at the destination named. ");
    QString text;
    text.reserve(size);
    while (text.size() < size)
        text.append(words);
    text.truncate(size);
    return text;
}

struct Figures
{
    double heightSeconds = 0.0;
    double outSeconds = 0.0;
    double lines = 0.0;
};

Figures wrap(qsizetype size)
{
    const QString text = longText(size);
    VellumPrinter engine;
    engine.BeginDoc();
    engine.SetScaleMode(5);
    engine.SetFont(QStringLiteral("Arial"), 10, 0);
    Figures figures;
    QElapsedTimer timer;
    timer.start();
    const double height = engine.MemoHeight(1.0, 7.5, text);
    figures.heightSeconds = timer.nsecsElapsed() / 1e9;
    engine.NewLine();
    const double advance = engine.Y();
    figures.lines = advance > 0 ? height / advance + 1 : 0;
    timer.restart();
    engine.MemoOut(1.0, 7.5, text);
    figures.outSeconds = timer.nsecsElapsed() / 1e9;
    engine.EndDoc();
    engine.DestroyReport();
    return figures;
}

} // namespace

int main(int argc, char **argv)
{
    QGuiApplication app(argc, argv);
    bool met = true;
    for (const qsizetype size : {qsizetype(400000), qsizetype(10000000)}) {
        const Figures f = wrap(size);
        std::printf("memo wrap %lld characters (%.0f lines): MemoHeight %.3f s, MemoOut %.3f s\n",
            static_cast<long long>(size), f.lines, f.heightSeconds, f.outSeconds);
        std::fflush(stdout);
        if (size == 10000000) {
            std::printf("memo wrap 10 MB target: MemoHeight under %.1f s: %s\n", targetSeconds,
                f.heightSeconds < targetSeconds ? "met" : "MISSED");
            met = met && f.heightSeconds < targetSeconds;
        }
    }
    return met ? 0 : 1;
}

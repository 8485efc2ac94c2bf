// Times the preview's paging on a long report: the next-page command near the start and near
// the end, the jumps to the last and the first page, to any page number and to the next find
// hit, and the page index built at opening. Prints medians in milliseconds.
#include "FindState.h"
#include "PageImage.h"
#include "PreviewForm.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int Pages = 5000;
constexpr int TextsPerPage = 60;

void press(PreviewForm &form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
{
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QCoreApplication::sendEvent(form.pageImg(), &event);
}

double median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

// Median time of one Page Down from page `from`, going back untimed between runs.
double nextPageMs(PreviewForm &form, int from, int runs)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        form.pageScroll()->setValue(from);
        QElapsedTimer t;
        t.start();
        press(form, Qt::Key_PageDown);
        times.push_back(t.nsecsElapsed() / 1e6);
        if (form.currentPage() != from + 1)
            std::fprintf(stderr, "unexpected page %d\n", form.currentPage());
    }
    return median(times);
}

// Median time of a step, with the preview put back on `from` untimed before each run.
double jumpMs(PreviewForm &form, int from, int runs, const std::function<void()> &step,
    int expected)
{
    std::vector<double> times;
    for (int r = 0; r < runs; ++r) {
        form.pageScroll()->setValue(from);
        QElapsedTimer t;
        t.start();
        step();
        times.push_back(t.nsecsElapsed() / 1e6);
        if (form.currentPage() != expected)
            std::fprintf(stderr, "unexpected page %d, not %d\n", form.currentPage(), expected);
    }
    return median(times);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    QElapsedTimer recording;
    recording.start();
    VellumPrinter engine;
    engine.BeginDoc();
    engine.SetScaleMode(5);
    engine.SetFont(QStringLiteral("arial"), 10, 0);
    for (int page = 1; page <= Pages; ++page) {
        if (page > 1)
            engine.NewPage();
        for (int i = 0; i < TextsPerPage; ++i) {
            engine.SetY(0.5 + i * 0.16);
            engine.TextOut(
                0.5 + (i % 3) * 2.5, QStringLiteral("Line %1 of page %2").arg(i).arg(page));
        }
    }
    engine.EndDoc();
    std::printf("recorded %d pages x %d texts in %.1f s\n", Pages, TextsPerPage,
        recording.elapsed() / 1000.0);

    PreviewForm form(engine);
    QElapsedTimer opening;
    opening.start();
    const bool loaded = form.load();
    const double loadMs = opening.nsecsElapsed() / 1e6;
    if (!loaded) {
        std::fprintf(stderr, "%s\n", qPrintable(form.errorString()));
        return 1;
    }
    form.resize(1280, 800);
    form.show();

    const double early = nextPageMs(form, 2, 31);
    const double late = nextPageMs(form, Pages - 1, 31);
    std::vector<double> jumps;
    for (int r = 0; r < 7; ++r) {
        form.pageScroll()->setValue(1);
        QElapsedTimer t;
        t.start();
        press(form, Qt::Key_PageDown, Qt::ControlModifier);
        jumps.push_back(t.nsecsElapsed() / 1e6);
    }
    std::printf("next page at page 2:        %.2f ms (median of 31)\n", early);
    std::printf("next page at page %d:     %.2f ms (median of 31)\n", Pages - 1, late);
    std::printf("ratio page %d / page 2:   %.2f\n", Pages - 1, late / early);
    std::printf("Ctrl+Page Down from page 1: %.2f ms (median of 7; target under 5)\n",
        median(jumps));
    const double toFirst = jumpMs(
        form, Pages, 7, [&] { press(form, Qt::Key_PageUp, Qt::ControlModifier); }, 1);
    std::printf("Ctrl+Page Up from page %d:  %.2f ms (median of 7; target under 5)\n", Pages,
        toFirst);

    // Page numbers chosen on the page chooser, far apart in both directions.
    const int hops[][2] = {{1, Pages / 2}, {Pages / 2, Pages - 1}, {Pages - 1, 2}, {2, Pages},
        {Pages, Pages / 3}, {Pages / 3, 1}};
    std::vector<double> hopTimes;
    for (const auto &hop : hops) {
        hopTimes.push_back(jumpMs(
            form, hop[0], 5, [&] { form.pageScroll()->setValue(hop[1]); }, hop[1]));
    }
    std::printf("page number, far in either direction: %.2f ms (median of %zu hops; target under "
                "5)\n",
        median(hopTimes), hopTimes.size());

    // F3 with the next hit on the following page, and with it 2 500 pages further on.
    const int at = Pages / 2;
    FindState::process().confirm({}, QStringLiteral("line 59 of page %1").arg(at + 1), false);
    const double findNext = jumpMs(form, at, 7, [&] { press(form, Qt::Key_F3); }, at + 1);
    std::printf("F3, hit on the next page:   %.2f ms (median of 7; target under 5)\n", findNext);
    FindState::process().confirm({}, QStringLiteral("line 0 of page %1").arg(Pages / 2), false);
    const double findFar = jumpMs(form, 1, 3, [&] { press(form, Qt::Key_F3); }, Pages / 2);
    std::printf("F3, hit %d pages on:      %.2f ms (median of 3; reads every record between)\n",
        Pages / 2 - 1, findFar);
    std::printf("page index at opening:      %.2f ms (%d records)\n", loadMs,
        form.pager().recordCount());
    return 0;
}

// Times the preview's paging on a long report: the next-page command near the start and near
// the end, and the jump from page 1 to the last page. Prints medians in milliseconds.
#include "PageImage.h"
#include "PreviewForm.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>
#include <cstdio>
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
    if (!form.load()) {
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
    std::printf("Ctrl+Page Down from page 1: %.2f ms (median of 7)\n", median(jumps));
    return 0;
}

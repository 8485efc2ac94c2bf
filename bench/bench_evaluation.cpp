// Times one evaluation of the main window (destination chosen to price displayed) and one pick
// of another carrier, headless, on a rate database of one million Tarifs rows: 500 carriers
// each serving 2 000 destinations.
#include "RateFileGenerator.h"

#include "ModRouvel.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "rates/BestRateEvaluator.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Carriers = 500;
constexpr int Destinations = 2000;
constexpr int Runs = 201;
constexpr double TargetMs = 5.0;

struct Figures
{
    double evaluationMs;
    double pickMs;
    int rows;
};

// Median times of choosing a destination and of picking the second weight rate after it.
Figures measure(BestRateEvaluator &logic, const QString &weight, const QString &pallets)
{
    std::vector<double> evaluations;
    std::vector<double> picks;
    int rows = 0;
    QElapsedTimer timer;
    logic.setWeightText(weight);
    logic.setPalletText(pallets);
    const int destinations = int(logic.state().destRows.size());
    for (int run = -5; run < Runs; ++run) {
        const int index = (run + 5) * 37 % destinations;
        timer.start();
        const QString message = logic.chooseDestination(index);
        const double evaluation = double(timer.nsecsElapsed()) / 1e6;
        if (!message.isEmpty())
            throw DataError::other(QStringLiteral("no rate at destination %1").arg(index));
        timer.start();
        if (!logic.pickWeight(1))
            throw DataError::other(QStringLiteral("nothing to pick at destination %1").arg(index));
        const double pick = double(timer.nsecsElapsed()) / 1e6;
        rows = logic.state().weightRows.size() + logic.state().palletRows.size();
        if (run >= 0) {
            evaluations.push_back(evaluation);
            picks.push_back(pick);
        }
    }
    return {RateFileGenerator::median(evaluations), RateFileGenerator::median(picks), rows};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_evaluation: no temporary folder\n");
        return 2;
    }
    try {
        const QString path = dir.filePath(QStringLiteral("large.rvl"));
        QElapsedTimer timer;
        timer.start();
        RateFileGenerator::generate(path, Carriers, Destinations);
        std::printf("generated %d carriers x %d destinations (%d Tarifs rows) in %.1f s\n",
            Carriers, Destinations, Carriers * Destinations, timer.elapsed() / 1000.0);

        BestRateEvaluator logic(Database::open(path));
        logic.load();
        bool ok = true;
        const struct
        {
            const char *label;
            const char *weight;
            const char *pallets;
        } cases[] = {
            {"1200 lbs, 3 pallets (Trip1000, Trinp3)", "1200", "3"},
            {"300 lbs, 14 pallets (TriLTL, minimums, Trinp10)", "300", "14"},
        };
        for (const auto &c : cases) {
            const Figures f
                = measure(logic, QString::fromLatin1(c.weight), QString::fromLatin1(c.pallets));
            std::printf("%s: evaluation median %.3f ms, pick median %.3f ms (%d list rows)\n",
                c.label, f.evaluationMs, f.pickMs, f.rows);
            ok = ok && f.evaluationMs < TargetMs && f.pickMs < TargetMs;
        }
        std::printf("target: under %.1f ms each: %s\n", TargetMs, ok ? "met" : "NOT MET");
        return ok ? 0 : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_evaluation: %s\n", qPrintable(error.message()));
        return 2;
    }
}

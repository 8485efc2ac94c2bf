// Times the rate lookups of the main window on a large and a small database file: opening each
// stored query with its destination and reading every row, as an evaluation does. A lookup must
// stay bound by the size of its result, not by the size of the Tarifs table.
#include "RateFileGenerator.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "data/RecordSet.h"
#include "data/Schema.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int Carriers = 500;
constexpr int LargeDestinations = 2000;
constexpr int SmallDestinations = 20;
constexpr int Runs = 101;
constexpr double TargetMs = 2.0;
constexpr double TargetRatio = 2.0;

// Median milliseconds to open the lookup for a destination and read every row.
double timeLookup(const Database &db, const QString &name, int destinations, qint64 *checksum)
{
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = -5; run < Runs; ++run) {
        const int destination = 1 + (run + 5) * 37 % destinations;
        timer.start();
        RecordSet set = RecordSet::openQuery(db, name, {{"[prmDestination]", destination}});
        qint64 sum = 0;
        for (int row = 0; row < set.rowCount(); ++row) {
            set.moveToRow(row);
            sum += set.currency(2).tenThousandths() + set.text(0).size() + set.text(1).size();
        }
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        *checksum += sum;
        if (run >= 0)
            times.push_back(ms);
    }
    return RateFileGenerator::median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_rates: no temporary folder\n");
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        const QString large = dir.filePath("large.rvl");
        RateFileGenerator::generate(large, Carriers, LargeDestinations);
        std::printf("generated %d x %d (%d Tarifs rows) in %.1f s\n", Carriers, LargeDestinations,
            Carriers * LargeDestinations, timer.elapsed() / 1000.0);
        const QString small = dir.filePath("small.rvl");
        RateFileGenerator::generate(small, Carriers, SmallDestinations);
        Database largeDb = Database::open(large);
        Database smallDb = Database::open(small);

        std::printf(
            "%-11s %12s %12s %7s %6s\n", "lookup", "1M rows ms", "10k rows ms", "ratio", "rows");
        bool pass = true;
        qint64 checksum = 0;
        for (const Schema::Lookup &lookup : Schema::lookups()) {
            const double big = timeLookup(largeDb, lookup.query, LargeDestinations, &checksum);
            const double little = timeLookup(smallDb, lookup.query, SmallDestinations, &checksum);
            const int rows
                = RecordSet::openQuery(largeDb, lookup.query, {{"[prmDestination]", 1}}).rowCount();
            const double ratio = big / little;
            const bool ok = big < TargetMs && ratio < TargetRatio;
            pass = pass && ok;
            std::printf("%-11s %12.3f %12.3f %7.2f %6d %s\n", qPrintable(lookup.query), big, little,
                ratio, rows, ok ? "" : "  <- over target");
        }
        std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
        std::printf("%s: every lookup under %.1f ms median at 1M rows, ratio under %.1f\n",
            pass ? "PASS" : "FAIL", TargetMs, TargetRatio);
        return pass ? 0 : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_rates: %s\n", error.what());
        return 2;
    }
}

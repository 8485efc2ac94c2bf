// Times the rate lookups of the main window against the same stored-query SQL run through the
// SQLite C API (prepared once, bound, reused), in the same run, and prints the ratio. Also
// checks that a lookup stays bound by the size of its result, not by the size of Tarifs.
// With --10m it also runs on ten million rates (2 000 carriers x 5 000 destinations); making
// that file takes several minutes.
#include "RateFileGenerator.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "data/Schema.h"
#include "rates/RateLookup.h"
#include "rates/RateQueries.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <cstring>
#include <optional>
#include <vector>

namespace {

constexpr int Runs = 101;
constexpr double TargetRatio = 1.3; // against raw sqlite3
constexpr double TargetScaling = 2.0; // 1 M rates against 10 k

// The peer: the stored query's SQL on a connection of its own, prepared once.
class RawLookup
{
public:
    RawLookup(const QString &path, const QString &sql)
    {
        if (sqlite3_open_v2(
                QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READONLY, nullptr)
                != SQLITE_OK
            || sqlite3_prepare_v3(m_db, sql.toUtf8().constData(), -1, SQLITE_PREPARE_PERSISTENT,
                   &m_statement, nullptr)
                != SQLITE_OK)
            throw DataError::other(QString::fromUtf8(sqlite3_errmsg(m_db)));
        m_index = sqlite3_bind_parameter_index(m_statement, ":prmDestination");
    }
    ~RawLookup()
    {
        sqlite3_finalize(m_statement);
        sqlite3_close(m_db);
    }
    RawLookup(const RawLookup &) = delete;
    RawLookup &operator=(const RawLookup &) = delete;

    // Reads every row: both names and the rate, as the lists need them.
    qint64 run(int destination)
    {
        sqlite3_bind_int64(m_statement, m_index, destination);
        qint64 sum = 0;
        int rows = 0;
        while (sqlite3_step(m_statement) == SQLITE_ROW) {
            const auto *carrier = sqlite3_column_text(m_statement, 0);
            const auto *name = sqlite3_column_text(m_statement, 1);
            sum += sqlite3_column_int64(m_statement, 2)
                + qint64(std::strlen(reinterpret_cast<const char *>(carrier)))
                + qint64(std::strlen(reinterpret_cast<const char *>(name)));
            ++rows;
        }
        sqlite3_reset(m_statement);
        m_rows = rows;
        return sum;
    }
    int rows() const { return m_rows; }

private:
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    int m_index = 0;
    int m_rows = 0;
};

struct Times
{
    double project;
    double peer;
    int rows;
};

// Median milliseconds of the program's lookup and of the peer, run alternately on the same
// destinations.
Times timeLookup(const QString &path, const RateQueries &queries, const RateLookup &lookup,
    int destinations, qint64 *checksum)
{
    RawLookup raw(path, queries.database().storedQuery(lookup.query).sql);
    std::vector<double> project;
    std::vector<double> peer;
    QElapsedTimer timer;
    for (int run = -5; run < Runs; ++run) {
        const int destination = 1 + (run + 5) * 37 % destinations;
        // Whichever side reads a destination second finds its pages warm in the processor's
        // and the system's caches: the two sides take turns going first.
        const bool peerFirst = run % 2 != 0;
        double peerMs = 0;
        qint64 peerSum = 0;
        const auto timePeer = [&] {
            timer.start();
            peerSum = raw.run(destination);
            peerMs = double(timer.nsecsElapsed()) / 1e6;
        };
        if (peerFirst)
            timePeer();
        timer.start();
        const RateList list = queries.lookup(lookup, destination);
        qint64 sum = 0;
        for (const RateRow &row : list.rows())
            sum += row.rate.tenThousandths() + row.carrier.size() + row.destination.size();
        const double projectMs = double(timer.nsecsElapsed()) / 1e6;
        if (!peerFirst)
            timePeer();
        *checksum += peerSum - sum;
        if (run >= 0) {
            project.push_back(projectMs);
            peer.push_back(peerMs);
        }
    }
    return {RateFileGenerator::median(project), RateFileGenerator::median(peer), raw.rows()};
}

const RateLookup &lookupNamed(const QString &query)
{
    if (query == RateLookup::ltl().query)
        return RateLookup::ltl();
    if (query == RateLookup::minimumPrice().query)
        return RateLookup::minimumPrice();
    for (int i = 0; i < 5; ++i) {
        if (RateLookup::weightBracket(i).query == query)
            return RateLookup::weightBracket(i);
    }
    for (int n = 1; n <= 10; ++n) {
        if (RateLookup::palletCount(n).query == query)
            return RateLookup::palletCount(n);
    }
    throw DataError::other(QStringLiteral("no lookup %1").arg(query));
}

// One size: every lookup against its peer; against a small file as well when one is given.
bool runSize(const char *label, const QString &path, int destinations, const QString &small,
    int smallDestinations)
{
    const RateQueries queries(Database::open(path));
    std::optional<RateQueries> smallQueries;
    if (!small.isEmpty())
        smallQueries.emplace(Database::open(small));
    std::printf("%s\n%-11s %10s %10s %7s %6s %10s %8s\n", label, "lookup", "rouvel ms",
        "sqlite3 ms", "ratio", "rows", "10k ms", "scaling");
    bool pass = true;
    qint64 checksum = 0;
    for (const Schema::Lookup &entry : Schema::lookups()) {
        const RateLookup &lookup = lookupNamed(entry.query);
        const Times big = timeLookup(path, queries, lookup, destinations, &checksum);
        const double ratio = big.project / big.peer;
        bool ok = ratio <= TargetRatio;
        std::printf("%-11s %10.3f %10.3f %7.2f %6d", qPrintable(entry.query), big.project, big.peer,
            ratio, big.rows);
        if (smallQueries) {
            const Times little
                = timeLookup(small, *smallQueries, lookup, smallDestinations, &checksum);
            const double scaling = big.project / little.project;
            ok = ok && scaling < TargetScaling;
            std::printf(" %10.3f %8.2f", little.project, scaling);
        }
        std::printf("%s\n", ok ? "" : "  <- over target");
        pass = pass && ok;
    }
    if (checksum != 0) {
        std::printf("FAIL: the lookups and raw sqlite3 read different rows\n");
        return false;
    }
    return pass;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const bool tenMillion = app.arguments().contains(QStringLiteral("--10m"));
    QTemporaryDir dir;
    if (!dir.isValid()) {
        std::fprintf(stderr, "bench_rates: no temporary folder\n");
        return 2;
    }
    try {
        QElapsedTimer timer;
        timer.start();
        const QString large = dir.filePath("large.rvl");
        RateFileGenerator::generate(large, 500, 2000);
        std::printf("generated 500 x 2000 (1 M Tarifs rows) in %.1f s\n", timer.elapsed() / 1000.0);
        const QString small = dir.filePath("small.rvl");
        RateFileGenerator::generate(small, 500, 20);
        bool pass
            = runSize("1 M rates (500 carriers x 2 000 destinations)", large, 2000, small, 20);
        if (tenMillion) {
            QFile::remove(large);
            timer.start();
            const QString huge = dir.filePath("huge.rvl");
            RateFileGenerator::generate(huge, 2000, 5000);
            std::printf(
                "generated 2000 x 5000 (10 M Tarifs rows) in %.1f s\n", timer.elapsed() / 1000.0);
            pass = runSize("10 M rates (2 000 carriers x 5 000 destinations)", huge, 5000, {}, 0)
                && pass;
        } else {
            std::printf("(10 M rates: run with --10m; making the file takes minutes)\n");
        }
        std::printf("%s: every lookup within %.1f x raw sqlite3, and under %.1f x its 10k time\n",
            pass ? "PASS" : "FAIL", TargetRatio, TargetScaling);
        return pass ? 0 : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_rates: %s\n", error.what());
        return 2;
    }
}

// Times one evaluation of the main window (destination chosen to price displayed) and one pick
// of another carrier, headless, on a rate database of one million Tarifs rows: 500 carriers
// each serving 2 000 destinations. The peer, in the same run: the evaluation's lookups through
// the SQLite C API (prepared once, bound, reused), reading every row; and the same evaluation
// without the weight-break advice, which reads the heavier brackets.
#include "RateFileGenerator.h"

#include "ModRouvel.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "rates/BestRateEvaluator.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <QFile>

#include <sqlite3.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

constexpr int Carriers = 500;
constexpr int Destinations = 2000;
constexpr int Runs = 201;
constexpr double TargetMs = 1.0;
constexpr double AdviceGoal = 1.3;

struct Figures
{
    double evaluationMs;
    double withoutAdviceMs; // the same evaluation reading no heavier bracket
    double pickMs;
    double peerMs;
    int rows;
};

// The evaluation's stored queries on a connection of their own, each prepared once.
class RawLookups
{
public:
    RawLookups(const Database &db, const QStringList &queries)
    {
        if (sqlite3_open_v2(QFile::encodeName(db.path()).constData(), &m_db, SQLITE_OPEN_READONLY,
                nullptr)
            != SQLITE_OK)
            throw DataError::other(QString::fromUtf8(sqlite3_errmsg(m_db)));
        for (const QString &query : queries) {
            sqlite3_stmt *statement = nullptr;
            if (sqlite3_prepare_v3(m_db, db.storedQuery(query).sql.toUtf8().constData(), -1,
                    SQLITE_PREPARE_PERSISTENT, &statement, nullptr)
                != SQLITE_OK)
                throw DataError::other(QString::fromUtf8(sqlite3_errmsg(m_db)));
            m_statements.push_back(statement);
        }
    }
    ~RawLookups()
    {
        for (sqlite3_stmt *statement : m_statements)
            sqlite3_finalize(statement);
        sqlite3_close(m_db);
    }
    RawLookups(const RawLookups &) = delete;
    RawLookups &operator=(const RawLookups &) = delete;

    qint64 run(int destination)
    {
        qint64 sum = 0;
        for (sqlite3_stmt *statement : m_statements) {
            sqlite3_bind_int64(statement, 1, destination);
            while (sqlite3_step(statement) == SQLITE_ROW) {
                sum += sqlite3_column_int64(statement, 2) + sqlite3_column_bytes(statement, 0)
                    + sqlite3_column_bytes(statement, 1);
                sqlite3_column_text(statement, 0);
                sqlite3_column_text(statement, 1);
            }
            sqlite3_reset(statement);
        }
        return sum;
    }

private:
    sqlite3 *m_db = nullptr;
    std::vector<sqlite3_stmt *> m_statements;
};

// Median times of choosing a destination and of picking the second weight rate after it.
Figures measure(BestRateEvaluator &logic, RawLookups &raw, const QString &weight,
    const QString &pallets)
{
    std::vector<double> evaluations;
    std::vector<double> picks;
    std::vector<double> peers;
    std::vector<double> withoutAdvice;
    qint64 checksum = 0;
    int rows = 0;
    QElapsedTimer timer;
    logic.setWeightText(weight);
    logic.setPalletText(pallets);
    const int destinations = int(logic.state().destRows.size());
    for (int run = -5; run < Runs; ++run) {
        const int index = (run + 5) * 37 % destinations;
        // Whichever side reads a destination second finds its pages warm in the processor's
        // and the system's caches: the two sides take turns going first.
        const bool peerFirst = run % 2 != 0;
        double peer = 0;
        const auto timePeer = [&] {
            timer.start();
            checksum += raw.run(logic.state().destRows.at(index).number);
            peer = double(timer.nsecsElapsed()) / 1e6;
        };
        if (peerFirst)
            timePeer();
        // The same evaluation without advice, also taking turns going first.
        double plain = 0;
        const auto timePlain = [&] {
            logic.setWeightBreakAdvice(false);
            timer.start();
            logic.chooseDestination(index);
            plain = double(timer.nsecsElapsed()) / 1e6;
            logic.setWeightBreakAdvice(true);
        };
        if (!peerFirst)
            timePlain();
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
        if (!peerFirst)
            timePeer();
        if (peerFirst)
            timePlain();
        if (run >= 0) {
            evaluations.push_back(evaluation);
            withoutAdvice.push_back(plain);
            picks.push_back(pick);
            peers.push_back(peer);
        }
    }
    std::printf("(checksum %lld)\n", static_cast<long long>(checksum));
    return {RateFileGenerator::median(evaluations), RateFileGenerator::median(withoutAdvice),
        RateFileGenerator::median(picks),
        RateFileGenerator::median(peers), rows};
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        const RateFileGenerator::TemporaryFile file(Carriers, Destinations);
        const QString path = file.path();

        BestRateEvaluator logic(Database::open(path));
        logic.load();
        bool ok = true;
        const Database db = Database::open(path);
        const struct
        {
            const char *label;
            const char *weight;
            const char *pallets;
            QStringList queries; // what the evaluation runs
        } cases[] = {
            {"1200 lbs, 3 pallets (Trip1000, Trinp3)", "1200", "3",
                {"TriPrixMin", "Trip1000", "Trinp3"}},
            {"300 lbs, 14 pallets (TriLTL, minimums, Trinp10)", "300", "14",
                {"TriPrixMin", "TriLTL", "Trinp10"}},
        };
        for (const auto &c : cases) {
            RawLookups raw(db, c.queries);
            const Figures f = measure(
                logic, raw, QString::fromLatin1(c.weight), QString::fromLatin1(c.pallets));
            std::printf("%s: evaluation median %.3f ms, pick median %.3f ms (%d list rows); "
                        "its lookups in raw sqlite3 %.3f ms, ratio %.2f\n",
                c.label, f.evaluationMs, f.pickMs, f.rows, f.peerMs, f.evaluationMs / f.peerMs);
            const double adviceRatio = f.evaluationMs / f.withoutAdviceMs;
            std::printf("  with weight-break advice %.3f ms, without %.3f ms, ratio %.2f "
                        "(goal %.2f)\n",
                f.evaluationMs, f.withoutAdviceMs, adviceRatio, AdviceGoal);
            ok = ok && f.evaluationMs < TargetMs && f.pickMs < TargetMs
                && adviceRatio <= AdviceGoal;
        }
        std::printf("target: evaluation and pick under %.1f ms each, advice within %.1f x: %s\n",
            TargetMs, AdviceGoal,
            ok ? "met" : "NOT MET");
        return ok ? 0 : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_evaluation: %s\n", qPrintable(error.message()));
        return 2;
    }
}

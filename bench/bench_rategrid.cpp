// Times the rate window's grid on a rate database of one million Tarifs rows (500 carriers each
// serving 2 000 destinations): opening a carrier's weight or pallet grid (the stored query run and
// its 2 000 rows in the model, nothing painted) and writing one edited cell back.
#include "RateFileGenerator.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "rateadjust/RateGridModel.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlError>
#include <QSqlQuery>

#include <cstdio>
#include <vector>

namespace {

using RateFileGenerator::elapsedMs;

constexpr int Carriers = 500;
constexpr int Destinations = 2000;
constexpr int Runs = 101;
constexpr double OpenTargetMs = 50.0;
constexpr double WriteTargetMs = 20.0;

qint32 carrierOfRun(int run) { return qint32((run + 5) * 37 % Carriers + 1); }

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        const RateFileGenerator::TemporaryFile file(Carriers, Destinations);
        const QString path = file.path();
        QElapsedTimer timer;

        Database db = Database::open(path);
        RateGridModel model;
        bool ok = true;

        for (const RateKind kind : {RateKind::Weight, RateKind::Pallet}) {
            std::vector<double> opens;
            std::vector<double> formats;
            int rows = 0;
            for (int run = -5; run < Runs; ++run) {
                timer.start();
                model.open(db, kind, carrierOfRun(run));
                const double open = elapsedMs(timer);
                rows = model.rowCount();
                if (rows != Destinations)
                    throw DataError::other(
                        QStringLiteral("%1 rows instead of %2").arg(rows).arg(Destinations));
                // Every cell as a grid would show it, were all rows on screen at once.
                timer.start();
                qsizetype characters = 0;
                for (int r = 0; r < rows; ++r) {
                    for (int c = 0; c < model.columnCount(); ++c)
                        characters += model.index(r, c).data().toString().size();
                }
                const double format = elapsedMs(timer);
                if (characters == 0)
                    throw DataError::other(QStringLiteral("nothing to show"));
                if (run >= 0) {
                    opens.push_back(open);
                    formats.push_back(format);
                }
            }
            const double openMs = RateFileGenerator::median(opens);
            std::printf("%s grid (%d rows x %d columns): open median %.3f ms; formatting every "
                        "cell median %.3f ms\n",
                kind == RateKind::Weight ? "weight" : "pallet", rows, model.columnCount(), openMs,
                RateFileGenerator::median(formats));
            ok = ok && openMs < OpenTargetMs;
        }

        // One edited cell: the value taken, then the row written when the user leaves it.
        model.open(db, RateKind::Weight, carrierOfRun(0));
        std::vector<double> writes;
        for (int run = -5; run < Runs; ++run) {
            const int row = (run + 5) * 53 % model.rowCount();
            const int n = run + 5;
            const QString typed
                = QStringLiteral("%1.%2").arg(70 + n % 7).arg(n % 100, 2, 10, QLatin1Char('0'));
            timer.start();
            if (!model.setData(model.index(row, 3), typed) || model.pendingRow() != row
                || !model.submit())
                throw DataError::other(QStringLiteral("the edit of row %1 was refused").arg(row));
            const double write = elapsedMs(timer);
            if (run >= 0)
                writes.push_back(write);
        }
        const double writeMs = RateFileGenerator::median(writes);
        std::printf("one edited cell written: median %.3f ms\n", writeMs);

        // What any save costs on this disk, grid or not: one durable one-row commit.
        std::vector<double> commits;
        QSqlDatabase connection = db.connection();
        for (int run = -5; run < Runs; ++run) {
            timer.start();
            db.inTransaction([&] {
                QSqlQuery touch(connection);
                touch.prepare(QStringLiteral(
                    "UPDATE Tarifs SET p500 = ? WHERE NoTrans = ? AND NoDestination = ?"));
                touch.addBindValue(qint64(500000 + run));
                touch.addBindValue(carrierOfRun(0));
                touch.addBindValue(1 + (run + 5) % Destinations);
                if (!touch.exec())
                    throw DataError::fromSqlError(touch.lastError(), QStringLiteral("commit"));
            });
            if (run >= 0)
                commits.push_back(elapsedMs(timer));
        }
        std::printf("for comparison, one bare one-row commit: median %.3f ms\n",
            RateFileGenerator::median(commits));
        ok = ok && writeMs < WriteTargetMs;

        std::printf("target: open under %.0f ms, write under %.0f ms: %s\n", OpenTargetMs,
            WriteTargetMs, ok ? "met" : "NOT MET");
        return ok ? 0 : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_rategrid: %s\n", qPrintable(error.message()));
        return 2;
    }
}

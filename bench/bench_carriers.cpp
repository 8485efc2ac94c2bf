// Times the carrier window's two busiest commands, headless, on a rate database of 500 carriers
// each serving 2 000 destinations, plus destinations nobody serves yet:
//  - choosing a carrier: its record read, both destination queries re-run and the lists filled;
//  - adding a destination to a carrier: the Tarifs row saved and both lists re-run.
#include "RateFileGenerator.h"

#include "carriers/CarrierEditor.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "data/RecordSet.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QSqlQuery>

#include <cstdio>
#include <vector>

namespace {

constexpr int Carriers = 500;
constexpr int Destinations = 2000;
constexpr int Unserved = 300; // destinations added after the file is generated
constexpr int Runs = 201;
constexpr double ChooseTargetMs = 30.0;
constexpr double AddTargetMs = 20.0;

using RateFileGenerator::elapsedMs;

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        const RateFileGenerator::TemporaryFile file(Carriers, Destinations);
        const Database db = Database::open(file.path());
        {
            RecordSet destinations = RecordSet::openQuery(db, QStringLiteral("TriDest"));
            for (int d = 1; d <= Unserved; ++d) {
                destinations.addNew();
                destinations.setField(QStringLiteral("NomDestination"),
                    QStringLiteral("UNSERVED %1").arg(d, 3, 10, QLatin1Char('0')));
                destinations.update();
            }
        }
        std::printf("and %d destinations served by nobody\n", Unserved);

        QElapsedTimer timer;
        CarrierEditor editor;
        timer.start();
        editor.load(db);
        std::printf("window load (carriers, chooser, general list): %.1f ms\n", elapsedMs(timer));

        std::vector<double> choices;
        int served = 0;
        int missing = 0;
        for (int run = -5; run < Runs; ++run) {
            const int index = (run + 5) * 37 % Carriers;
            editor.edit();
            editor.openChooser();
            timer.start();
            const QString message = editor.chooseCarrier(index);
            const double ms = elapsedMs(timer);
            if (!message.isEmpty())
                throw DataError::other(message);
            served = int(editor.destinations().state().carrierDestinations.size());
            missing = int(editor.destinations().state().missingDestinations.size());
            if (run >= 0)
                choices.push_back(ms);
        }
        const double choose = RateFileGenerator::median(choices);
        std::printf("choosing a carrier (%d destinations served, %d not yet): median %.2f ms "
                    "(target under %.0f ms)\n",
            served, missing, choose, ChooseTargetMs);

        // The carrier of that index given its first not-yet-served destination; only the add
        // itself is timed.
        const auto timedAdd = [&](int index) {
            editor.edit();
            editor.openChooser();
            if (const QString message = editor.chooseCarrier(index); !message.isEmpty())
                throw DataError::other(message);
            editor.chooseMissingDestination(0);
            timer.start();
            const QString message = editor.addDestination();
            const double ms = elapsedMs(timer);
            if (!message.isEmpty())
                throw DataError::other(message);
            return ms;
        };
        std::vector<double> adds;
        for (int run = -5; run < Runs; ++run) {
            // One carrier after another.
            const double ms = timedAdd((run + 5) * 13 % Carriers);
            if (run >= 0)
                adds.push_back(ms);
        }
        const double add = RateFileGenerator::median(adds);
        std::printf("adding a destination to a carrier: median %.2f ms (target under %.0f ms)\n",
            add, AddTargetMs);

        // What of it is the durable save itself: the same Tarifs row written alone, one
        // transaction with synchronous writes, for destinations the add loop did not use.
        std::vector<double> saves;
        {
            RecordSet last = RecordSet::openQuery(db, QStringLiteral("TriDest"));
            last.moveLast();
            const qint32 destination = last.field(QStringLiteral("NoDestination")).toInt();
            for (int run = 0; run < 51; ++run) {
                const qint32 carrier = qint32((run * 7 + 3) % Carriers + 1);
                timer.start();
                try {
                    DestinationLists::serve(db, carrier, destination);
                } catch (const DataError &error) {
                    if (error.kind() != DataError::Kind::DuplicateKey)
                        throw;
                    continue;
                }
                saves.push_back(elapsedMs(timer));
            }
        }
        std::printf("  of which the Tarifs row saved alone (one synchronous transaction): "
                    "median %.2f ms\n",
            RateFileGenerator::median(saves));

        // The same adds with the disk flushes left out, to show what the flushes cost on this
        // machine; the file's own setting is restored before anything else runs.
        std::vector<double> unflushed;
        {
            QSqlQuery pragma(db.connection());
            pragma.exec(QStringLiteral("PRAGMA synchronous = OFF"));
            for (int run = 0; run < 51; ++run)
                unflushed.push_back(timedAdd((run * 17 + 250) % Carriers));
            pragma.exec(QStringLiteral("PRAGMA synchronous = FULL"));
        }
        std::printf("  the same add without disk flushes (for comparison only): median %.2f ms\n",
            RateFileGenerator::median(unflushed));

        const bool ok = choose < ChooseTargetMs && add < AddTargetMs;
        std::printf("targets: %s\n", ok ? "met" : "NOT MET");
        return ok ? 0 : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_carriers: %s\n", qPrintable(error.message()));
        return 2;
    }
}

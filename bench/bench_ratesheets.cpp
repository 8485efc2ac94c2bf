// Times rate sheets on a rate database of one million Tarifs rows (500 carriers each serving
// 2 000 destinations): exporting a carrier's 2 000-destination weight sheet, and importing one
// that changes every rate of it (read, checked, planned and written in one save), as
// rouvel rates and the rate window do. Then one import that creates 100 000 destinations.
#include "RateFileGenerator.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "ratesheets/RateSheet.h"
#include "ratesheets/RateSheetCsv.h"
#include "ratesheets/RateSheetExport.h"
#include "ratesheets/RateSheetImport.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <vector>

namespace {

using RateFileGenerator::elapsedMs;

constexpr int Carriers = 500;
constexpr int Destinations = 2000;
constexpr int Runs = 21;
constexpr qint32 Carrier = 123;
constexpr double ImportTargetMs = 300.0;
constexpr double ExportTargetMs = 100.0;
constexpr int NewDestinations = 100000;
constexpr double CreateTargetMs = 20000.0;

// The exported sheet with every rate raised by `cents`, written as a spreadsheet would:
// ";" between fields and amounts as "1 234.56 $".
QByteArray edited(const QByteArray &exported, int cents)
{
    const RateSheetCsv::Reading reading = RateSheetCsv::read(exported);
    QString text;
    for (const RateSheetCsv::Record &record : reading.records) {
        QStringList fields = record.fields;
        for (qsizetype f = 1; record.line > 1 && f < fields.size(); ++f) {
            QVariant rate;
            RateSheet::readRate(fields[f], &rate);
            const qint64 units = (rate.isNull() ? 0 : rate.toLongLong()) + cents * 100;
            fields[f] = QStringLiteral("%1.%2 $")
                            .arg(units / 10000)
                            .arg(units / 100 % 100, 2, 10, QLatin1Char('0'));
        }
        text += RateSheetCsv::record(fields, u';');
    }
    return RateSheetCsv::utf8Bom() + text.toUtf8();
}

// A weight sheet of names that are no destination yet, each with all seven rates.
QByteArray newDestinations(int count)
{
    QString text = RateSheetCsv::record({QStringLiteral("Destination"), QStringLiteral("Min"),
        QStringLiteral("LTL"), QStringLiteral("500 lbs"), QStringLiteral("1000 lbs"),
        QStringLiteral("2000 lbs"), QStringLiteral("5000 lbs"), QStringLiteral("10000 lbs")});
    for (int i = 0; i < count; ++i) {
        QStringList fields {QStringLiteral("NEW PLACE %1").arg(i, 6, 10, QLatin1Char('0'))};
        for (int c = 0; c < 7; ++c)
            fields << QStringLiteral("%1.%2").arg(10 + c).arg(i % 100, 2, 10, QLatin1Char('0'));
        text += RateSheetCsv::record(fields);
    }
    return text.toUtf8();
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    try {
        const RateFileGenerator::TemporaryFile file(Carriers, Destinations);
        const QString path = file.path();
        QElapsedTimer timer;
        const Database db = Database::open(path);

        std::vector<double> exports;
        QByteArray exported;
        for (int run = -3; run < Runs; ++run) {
            timer.start();
            exported = RateSheetExport::sheet(db, Carrier, RateKind::Weight);
            if (run >= 0)
                exports.push_back(elapsedMs(timer));
        }
        const qsizetype exportedRows = RateSheetCsv::read(exported).records.size() - 1;
        if (exportedRows != Destinations)
            throw DataError::other(QStringLiteral("%1 rows exported").arg(exportedRows));

        // Two sheets taken in turn, so every import changes every rate.
        const QByteArray sheets[2] = {edited(exported, 1), edited(exported, 2)};
        std::vector<double> imports;
        RateSheetImport import(db, Carrier, RateKind::Weight);
        int changed = 0;
        for (int run = -2; run < Runs; ++run) {
            timer.start();
            const RateSheet sheet = RateSheet::parse(sheets[(run + 2) % 2], RateKind::Weight);
            if (!sheet.ok())
                throw DataError::other(sheet.problems().first().toText());
            import.plan(sheet); // the summary shown before the save
            changed = import.apply(sheet).ratesChanged;
            if (run >= 0)
                imports.push_back(elapsedMs(timer));
        }
        if (changed != Destinations * 7)
            throw DataError::other(QStringLiteral("%1 rates changed").arg(changed));

        // Once: the destinations exist after it.
        timer.start();
        const RateSheet created
            = RateSheet::parse(newDestinations(NewDestinations), RateKind::Weight);
        if (!created.ok())
            throw DataError::other(created.problems().first().toText());
        import.plan(created);
        const int createdCount = import.apply(created).created;
        const double createMs = elapsedMs(timer);
        if (createdCount != NewDestinations)
            throw DataError::other(QStringLiteral("%1 destinations created").arg(createdCount));

        const double exportMs = RateFileGenerator::median(exports);
        const double importMs = RateFileGenerator::median(imports);
        std::printf("export of a %d-destination weight sheet (%lld bytes): median %.1f ms, "
                    "target %.0f ms: %s\n",
            Destinations, qlonglong(exported.size()), exportMs, ExportTargetMs,
            exportMs < ExportTargetMs ? "met" : "NOT MET");
        std::printf("import of a %d-destination weight sheet changing %d rates: median %.1f ms, "
                    "target %.0f ms: %s\n",
            Destinations, changed, importMs, ImportTargetMs,
            importMs < ImportTargetMs ? "met" : "NOT MET");
        std::printf("import of a weight sheet creating %d destinations: %.0f ms, target %.0f ms: "
                    "%s\n",
            NewDestinations, createMs, CreateTargetMs,
            createMs < CreateTargetMs ? "met" : "NOT MET");
        return exportMs < ExportTargetMs && importMs < ImportTargetMs && createMs < CreateTargetMs
            ? 0
            : 1;
    } catch (const DataError &error) {
        std::fprintf(stderr, "bench_ratesheets: %s\n", qPrintable(error.message()));
        return 2;
    }
}

// Rate sheets from anywhere: the input is read and checked as a weight sheet and as a pallet
// sheet. A sheet that passes is written again as the export writes it, read back, and must give
// the same names and the same rates, as export then import does. Any crash, sanitizer report,
// leak, hang or a round trip that changes something is a finding.
//
// With ROUVEL_FUZZ_WRITE_SEEDS=<folder> the program writes a few sheets into that folder and
// exits: the seeds of the run.
#include "ratesheets/RateSheet.h"
#include "ratesheets/RateSheetCsv.h"
#include "ratesheets/RateSheetExport.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QStringDecoder>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {

[[noreturn]] void finding(const char *what, const QString &detail)
{
    std::fprintf(stderr, "fuzz_ratesheet: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

void writeSeed(const QString &folder, const QString &name, const QByteArray &bytes)
{
    QFile file(folder + u'/' + name);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        finding("cannot write a seed", file.fileName());
}

void writeSeeds(const QString &folder)
{
    QDir().mkpath(folder);
    const QVector<RateSheetExport::Row> weight {
        {QStringLiteral("CHICAGO"),
            {qint64(470000), QVariant(), qint64(110700), qint64(85000), qint64(1), QVariant(),
                qint64(99999999)}},
        {QStringLiteral("=1+2"), {QVariant(), qint64(150000)}},
        {QStringLiteral("'S-HERTOGENBOSCH"), {}},
        {QStringLiteral("  HULL"), {qint64(10)}},
        {QStringLiteral("QUÉBEC, \"VIEUX\"\nPORT"), {qint64(123456789)}},
    };
    writeSeed(
        folder, QStringLiteral("weight.csv"), RateSheetExport::sheet(RateKind::Weight, weight));
    const QVector<RateSheetExport::Row> pallet {
        {QStringLiteral("L'ASSOMPTION"), {qint64(999999), qint64(0), QVariant(), qint64(5)}},
        {QStringLiteral("@HOME"), {}},
    };
    writeSeed(
        folder, QStringLiteral("pallet.csv"), RateSheetExport::sheet(RateKind::Pallet, pallet));
    writeSeed(folder, QStringLiteral("spreadsheet.csv"),
        "Destination;LTL;Min\n\"CHICAGO\";1 234.56 $;11.07\nFARGO;;$ 3\n");
    QStringEncoder utf16(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
    writeSeed(folder, QStringLiteral("unicode.csv"),
        utf16.encode(QStringLiteral("Destination\t1pal\t10pal\r\nMONTRÉAL\t2.5\t\r\n")));
}

// What the export writes back for a checked sheet, the names as the import takes them. Rows the
// import would refuse (a name that is only the guard, or twice once unguarded) are left out.
QVector<RateSheetExport::Row> exportedRows(const RateSheet &sheet)
{
    const qsizetype rateCount = RateGridColumns::columns(sheet.kind()).size() - 1;
    QVector<RateSheetExport::Row> rows;
    QHash<QString, bool> seen;
    for (const RateSheet::Row &row : sheet.rows()) {
        RateSheetExport::Row out;
        out.destination = RateSheetCsv::withoutFormulaGuard(row.destination);
        const QString key = RateSheet::destinationKey(out.destination);
        if (out.destination.trimmed().isEmpty() || seen.contains(key))
            continue;
        seen.insert(key, true);
        out.rates.resize(rateCount);
        for (qsizetype i = 0; i < row.rates.size(); ++i)
            out.rates[sheet.rateColumns().at(i) - 1] = row.rates.at(i);
        rows << out;
    }
    return rows;
}

void roundTrip(const RateSheet &sheet)
{
    const QVector<RateSheetExport::Row> rows = exportedRows(sheet);
    const QByteArray exported = RateSheetExport::sheet(sheet.kind(), rows);
    const RateSheet again = RateSheet::parse(exported, sheet.kind());
    if (!again.ok())
        finding("an exported sheet is refused", again.problems().first().toText());
    if (again.rows().size() != rows.size())
        finding("rows lost", QString::number(again.rows().size()));
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const RateSheet::Row &back = again.rows().at(r);
        const QString name = RateSheetCsv::withoutFormulaGuard(back.destination);
        if (name != rows.at(r).destination)
            finding("a name changed", rows.at(r).destination + QStringLiteral(" -> ") + name);
        if (back.rates.size() != rows.at(r).rates.size())
            finding("columns lost", name);
        for (qsizetype i = 0; i < back.rates.size(); ++i) {
            const QVariant &was = rows.at(r).rates.at(i);
            const QVariant &is = back.rates.at(i);
            if (was.isNull() != is.isNull()
                || (!was.isNull() && was.toLongLong() != is.toLongLong()))
                finding("a rate changed", name);
        }
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    const QString seeds = qEnvironmentVariable("ROUVEL_FUZZ_WRITE_SEEDS");
    if (!seeds.isEmpty()) {
        writeSeeds(seeds);
        std::exit(0);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    for (const RateKind kind : {RateKind::Weight, RateKind::Pallet}) {
        const RateSheet sheet = RateSheet::parse(bytes, kind);
        if (!sheet.ok()) {
            for (const RateSheetProblem &problem : sheet.problems()) {
                if (problem.toText().isEmpty())
                    finding("a problem without words", QString::number(problem.line));
            }
            continue;
        }
        roundTrip(sheet);
    }
    return 0;
}

#include "RatesCommand.h"

#include "AppPaths.h"
#include "cli/InputFile.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "data/OutputPath.h"
#include "ratesheets/RateSheet.h"
#include "ratesheets/RateSheetCarrier.h"
#include "ratesheets/RateSheetExport.h"
#include "ratesheets/RateSheetImport.h"

#include <cstdio>
#include <optional>

namespace {

struct Request
{
    bool import = false;
    QString db;
    QString carrier;
    RateKind kind = RateKind::Weight;
    QString csv;
    bool dryRun = false;
};

RatesCommand::Outcome failure(const QString &error, const QByteArray &output = {})
{
    return {RatesCommand::UsageOrDataError, output, {error}};
}

QString parse(QStringList arguments, Request &request)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("rates"))
        arguments.removeFirst();
    if (arguments.isEmpty())
        return QStringLiteral("export or import is required");
    const QString action = arguments.takeFirst();
    if (action != QLatin1String("export") && action != QLatin1String("import"))
        return QStringLiteral("unknown action \"%1\": export or import").arg(action);
    request.import = action == QLatin1String("import");

    bool hasCarrier = false;
    bool hasKind = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString option = arguments.at(i);
        if (option == QLatin1String("--dry-run") && request.import) {
            request.dryRun = true;
            continue;
        }
        const bool known = option == QLatin1String("--db") || option == QLatin1String("--carrier")
            || option == QLatin1String("--kind") || option == QLatin1String("--csv");
        if (!known)
            return QStringLiteral("unknown argument \"%1\"").arg(option);
        if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
            return QStringLiteral("%1 needs a value").arg(option);
        const QString value = arguments.at(++i);
        if (option == QLatin1String("--db")) {
            request.db = value;
        } else if (option == QLatin1String("--carrier")) {
            request.carrier = value;
            hasCarrier = true;
        } else if (option == QLatin1String("--kind")) {
            if (value != QLatin1String("weight") && value != QLatin1String("pallet"))
                return QStringLiteral("--kind takes weight or pallet, not \"%1\"").arg(value);
            request.kind = value == QLatin1String("weight") ? RateKind::Weight : RateKind::Pallet;
            hasKind = true;
        } else {
            request.csv = value;
        }
    }
    if (request.db.isEmpty())
        request.db = AppPaths::database().path;
    if (!hasCarrier)
        return QStringLiteral("--carrier NAME is required");
    if (!hasKind)
        return QStringLiteral("--kind weight or --kind pallet is required");
    if (request.csv.isEmpty())
        return QStringLiteral("--csv FILE is required");
    return {};
}

} // namespace

QString RatesCommand::usage()
{
    return QStringLiteral(
        "usage: rouvel rates export [--db FILE] --carrier NAME --kind weight|pallet --csv OUT\n"
        "       rouvel rates import [--db FILE] --carrier NAME --kind weight|pallet --csv IN "
        "[--dry-run]");
}

RatesCommand::Outcome RatesCommand::run(const QStringList &arguments, QIODevice *standardInput)
{
    Request request;
    if (const QString problem = parse(arguments, request); !problem.isEmpty())
        return {UsageOrDataError, {}, QStringList {problem} + usage().split(QLatin1Char('\n'))};

    const Database::Status status = Database::inspect(request.db);
    if (!status.ok())
        return failure(QStringLiteral("cannot read %1: %2").arg(request.db, status.cause));
    Database db;
    std::optional<qint32> carrier;
    QString kindRefusal;
    try {
        db = Database::open(request.db);
        carrier = RateSheetImport::findCarrier(db, request.carrier);
        if (carrier)
            kindRefusal = RateSheetCarrier::kindRefusal(db, *carrier, request.kind);
    } catch (const DataError &error) {
        return failure(QStringLiteral("cannot read %1: %2").arg(request.db, error.message()));
    }
    if (!carrier)
        return failure(
            QStringLiteral("unknown carrier \"%1\" in %2").arg(request.carrier, request.db));
    if (!kindRefusal.isEmpty())
        return failure(kindRefusal);

    if (!request.import) {
        // Before anything is read or written: the sheet must not land on the database.
        if (request.csv != QLatin1String("-")) {
            if (const QString refusal = OutputPath::refusal(request.csv, request.db);
                !refusal.isEmpty())
                return failure(refusal);
        }
        QByteArray bytes;
        try {
            bytes = RateSheetExport::sheet(db, *carrier, request.kind);
        } catch (const DataError &error) {
            return failure(QStringLiteral("cannot read %1: %2").arg(request.db, error.message()));
        }
        if (request.csv == QLatin1String("-"))
            return {0, bytes, {}};
        if (const QString cause = RateSheetExport::writeFile(request.csv, bytes, request.db);
            !cause.isEmpty())
            return failure(QStringLiteral("cannot write %1: %2").arg(request.csv, cause));
        return {};
    }

    const InputFile::Reading input
        = InputFile::read(request.csv, InputFile::RateSheetLimit, standardInput);
    if (!input.ok())
        return failure(QStringLiteral("cannot read %1: %2").arg(request.csv, input.cause));
    const auto refusal = [&](const QVector<RateSheetProblem> &problems) {
        Outcome refused {UsageOrDataError, {}, {}};
        for (const RateSheetProblem &problem : problems)
            refused.errors << QStringLiteral("%1: %2").arg(request.csv, problem.toText());
        const qsizetype count = problems.size();
        refused.errors << QStringLiteral("%1 refused (%2 %3); nothing was written")
                              .arg(request.csv)
                              .arg(count)
                              .arg(count == 1 ? QStringLiteral("problem")
                                              : QStringLiteral("problems"));
        return refused;
    };
    const RateSheet sheet = RateSheet::parse(input.bytes, request.kind);
    if (!sheet.ok())
        return refusal(sheet.problems());

    RateSheetImport import(db, *carrier, request.kind);
    QByteArray output;
    try {
        const RateSheetImport::Summary planned = import.plan(sheet);
        if (!planned.problems.isEmpty())
            return refusal(planned.problems);
        output = planned.text().toUtf8() + '\n';
        if (request.dryRun)
            return {0, output + "Nothing written (--dry-run).\n", {}};
        const RateSheetImport::Summary done = import.apply(sheet);
        if (done.ratesChanged == 0 && done.newlyServed == 0 && done.created == 0)
            return {
                0, output + "Nothing to save: the carrier's rates are those of the sheet.\n", {}};
    } catch (const DataError &error) {
        return failure(
            QStringLiteral("nothing was written to %1: %2").arg(request.db, error.message()),
            output);
    }
    return {0, output + "Saved.\n", {}};
}

int runRatesCommand(const QStringList &arguments)
{
    const RatesCommand::Outcome outcome = RatesCommand::run(arguments);
    std::fwrite(outcome.output.constData(), 1, size_t(outcome.output.size()), stdout);
    std::fflush(stdout);
    for (const QString &line : outcome.errors)
        std::fprintf(stderr, "rouvel rates: %s\n", qPrintable(line));
    return outcome.exitCode;
}

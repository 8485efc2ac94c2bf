#include "QuoteCommand.h"

#include "AppPaths.h"
#include "core/NumericText.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "rates/BestRateEvaluator.h"
#include "rates/RateList.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

struct Request
{
    QString db;
    QString weight;
    QString pallets;
    QString destination;
    bool pickByWeight = false;
    int pickRow = 0; // 1-based; 0: no pick
};

QuoteCommand::Outcome failure(const QString &error)
{
    return {QuoteCommand::UsageOrDataError, {}, error};
}

// Reads the arguments; returns the error text, empty when they are usable.
QString parse(QStringList arguments, Request &request)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("quote"))
        arguments.removeFirst();
    bool hasDestination = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString option = arguments.at(i);
        if (option == QLatin1String("--json"))
            continue;
        const bool known = option == QLatin1String("--db") || option == QLatin1String("--weight")
            || option == QLatin1String("--pallets") || option == QLatin1String("--destination")
            || option == QLatin1String("--pick");
        if (!known)
            return QStringLiteral("unknown argument \"%1\"").arg(option);
        if (i + 1 >= arguments.size())
            return QStringLiteral("%1 needs a value").arg(option);
        const QString value = arguments.at(++i);
        if (option == QLatin1String("--db")) {
            if (value.isEmpty())
                return QStringLiteral("--db needs a file name");
            request.db = value;
        } else if (option == QLatin1String("--weight")) {
            request.weight = value;
        } else if (option == QLatin1String("--pallets")) {
            request.pallets = value;
        } else if (option == QLatin1String("--destination")) {
            request.destination = value;
            hasDestination = true;
        } else {
            const QString side = value.section(QLatin1Char(':'), 0, 0);
            bool ok = false;
            const int row = value.section(QLatin1Char(':'), 1).toInt(&ok);
            if ((side != QLatin1String("weight") && side != QLatin1String("pallet")) || !ok
                || row < 1)
                return QStringLiteral("--pick takes weight:N or pallet:N with N from 1, not "
                                      "\"%1\"")
                    .arg(value);
            request.pickByWeight = side == QLatin1String("weight");
            request.pickRow = row;
        }
    }
    // Without --db, the file the windows would use.
    if (request.db.isEmpty())
        request.db = AppPaths::database().path;
    if (!hasDestination)
        return QStringLiteral("--destination NAME is required");
    return {};
}

QJsonObject listObject(bool shown, const RateList &list)
{
    QJsonArray rows;
    for (const RateRow &row : list.rows()) {
        rows.append(QJsonObject {{QStringLiteral("carrier"), row.carrier},
            {QStringLiteral("destination"), row.destination},
            {QStringLiteral("rate"), RateList::rateText(row.rate)}});
    }
    return {{QStringLiteral("shown"), shown}, {QStringLiteral("field"), list.field()},
        {QStringLiteral("rows"), rows}};
}

int destinationIndex(const QList<DestinationEntry> &destinations, const QString &name)
{
    for (qsizetype i = 0; i < destinations.size(); ++i) {
        if (destinations.at(i).name == name)
            return int(i);
    }
    // Destinations are kept in capitals; a clerk's script may not be.
    for (qsizetype i = 0; i < destinations.size(); ++i) {
        if (destinations.at(i).name.compare(name, Qt::CaseInsensitive) == 0)
            return int(i);
    }
    return -1;
}

} // namespace

QString QuoteCommand::usage()
{
    return QStringLiteral("usage: rouvel quote [--db FILE] --weight TEXT --pallets TEXT "
                          "--destination NAME [--pick weight:N | --pick pallet:N] --json");
}

QuoteCommand::Outcome QuoteCommand::run(const QStringList &arguments)
{
    Request request;
    if (const QString problem = parse(arguments, request); !problem.isEmpty())
        return failure(problem + QLatin1String("; ") + usage());

    const Database::Status status = Database::inspect(request.db);
    if (!status.ok())
        return failure(QStringLiteral("cannot read %1: %2").arg(request.db, status.cause));

    BestRateEvaluator evaluator;
    int index = -1;
    try {
        evaluator.setDatabase(Database::open(request.db));
        evaluator.load();
        index = destinationIndex(evaluator.state().destRows, request.destination);
    } catch (const DataError &error) {
        return failure(QStringLiteral("cannot read %1: %2").arg(request.db, error.message()));
    }
    if (index < 0)
        return failure(QStringLiteral("unknown destination \"%1\" in %2")
                           .arg(request.destination, request.db));

    // Typed in this order, as a clerk would, then the destination chosen.
    evaluator.setWeightText(request.weight);
    evaluator.setPalletText(request.pallets);
    const QString message = evaluator.chooseDestination(index);
    // A lookup that failed gives no answer at all, never part of one.
    const auto readFailure = [&] {
        return failure(QStringLiteral("cannot read %1: %2")
                           .arg(request.db, evaluator.state().failure.simplified()));
    };
    if (!evaluator.state().failure.isEmpty())
        return readFailure();
    if (evaluator.state().entryUnreadable)
        return failure(message);

    if (request.pickRow > 0) {
        const int row = request.pickRow - 1;
        const bool picked
            = request.pickByWeight ? evaluator.pickWeight(row) : evaluator.pickPallet(row);
        const BestRateState &shown = evaluator.state();
        const bool onScreen = request.pickByWeight
            ? shown.weightListsShown && row < shown.weightRows.size()
            : shown.palletListsShown && row < shown.palletRows.size();
        if (!picked && onScreen)
            return failure(BestRateEvaluator::tooLargeMessage().simplified());
        if (!picked)
            return failure(
                QStringLiteral("the %1 list shows no rate %2 to pick")
                    .arg(request.pickByWeight ? QStringLiteral("weight") : QStringLiteral("pallet"))
                    .arg(request.pickRow));
        if (!evaluator.state().failure.isEmpty())
            return readFailure();
    }

    const BestRateState &s = evaluator.state();
    const BillHandOff handOff = evaluator.handOff();
    QJsonObject result {
        {QStringLiteral("title"), s.resultTitle},
        {QStringLiteral("carrier"), s.resultCarrier},
        {QStringLiteral("price"), s.resultPrice},
        {QStringLiteral("note"), s.rateNote},
        {QStringLiteral("weight"), listObject(s.weightListsShown, s.weightRows)},
        {QStringLiteral("pallet"), listObject(s.palletListsShown, s.palletRows)},
        {QStringLiteral("prepare"), s.prepareShown},
        {QStringLiteral("handoff"),
            QJsonObject {{QStringLiteral("blCarrierName"), handOff.blCarrierName},
                {QStringLiteral("blPrice"), handOff.blPrice.toDouble()},
                {QStringLiteral("blRate"), handOff.blRate.toDouble()},
                {QStringLiteral("blWeight"), handOff.blWeight},
                {QStringLiteral("blPallets"), handOff.blPallets},
                {QStringLiteral("weightChosen"), handOff.weightChosen},
                {QStringLiteral("palletChosen"), handOff.palletChosen},
                {QStringLiteral("weightClickRate"), handOff.weightClickRate.toDouble()},
                {QStringLiteral("palletClickRate"), handOff.palletClickRate.toDouble()},
                {QStringLiteral("destName"), handOff.destName}}},
    };
    result.insert(QStringLiteral("weightBreak"),
        s.weightBreak ? QJsonValue(QJsonObject {{QStringLiteral("weight"), s.weightBreak->weight},
                            {QStringLiteral("carrier"), s.weightBreak->carrier},
                            {QStringLiteral("price"), formatAmount(s.weightBreak->price)},
                            {QStringLiteral("saving"), formatAmount(s.weightBreak->saving)}})
                      : QJsonValue(QJsonValue::Null));
    if (!message.isEmpty())
        result.insert(QStringLiteral("message"), message);
    return {0, QJsonDocument(result).toJson(QJsonDocument::Indented), {}};
}

int runQuoteCommand(const QStringList &arguments)
{
    const QuoteCommand::Outcome outcome = QuoteCommand::run(arguments);
    if (outcome.exitCode == 0) {
        std::fwrite(outcome.output.constData(), 1, size_t(outcome.output.size()), stdout);
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "rouvel quote: %s\n", qPrintable(outcome.error));
    }
    return outcome.exitCode;
}

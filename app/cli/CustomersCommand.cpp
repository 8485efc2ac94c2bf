#include "cli/CustomersCommand.h"

#include "AppPaths.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "data/RecordSet.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

CustomersCommand::Outcome failure(const QString &error)
{
    return {CustomersCommand::UsageOrDataError, {}, error};
}

// A field the customer left empty is null, as the table holds it.
QJsonValue textOrNull(const RecordSet &row, const QString &field)
{
    return row.isNull(field) ? QJsonValue(QJsonValue::Null) : QJsonValue(row.text(field));
}

} // namespace

QString CustomersCommand::usage()
{
    return QStringLiteral("usage: rouvel customers [--db FILE] --json");
}

CustomersCommand::Outcome CustomersCommand::run(const QStringList &given)
{
    QStringList arguments = given;
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("customers"))
        arguments.removeFirst();
    QString db;
    bool json = false;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &option = arguments.at(i);
        if (option == QLatin1String("--json")) {
            json = true;
        } else if (option == QLatin1String("--db")) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
                return failure(QStringLiteral("--db needs a value; ") + usage());
            db = arguments.at(++i);
        } else if (option.startsWith(QLatin1String("--db="))) {
            db = option.mid(5);
        } else {
            return failure(QStringLiteral("unknown argument \"%1\"; ").arg(option) + usage());
        }
    }
    if (!json)
        return failure(QStringLiteral("--json is required; ") + usage());
    if (db.isEmpty())
        db = AppPaths::database().path;

    const Database::Status status = Database::inspect(db);
    if (!status.ok())
        return failure(QStringLiteral("cannot read %1: %2").arg(db, status.cause));
    QJsonArray customers;
    try {
        RecordSet rows = RecordSet::openTable(Database::open(db), QStringLiteral("TableClients"));
        for (rows.moveFirst(); !rows.eof(); rows.moveNext()) {
            customers.append(QJsonObject {
                {QStringLiteral("customerId"), rows.rowId()},
                {QStringLiteral("name"), textOrNull(rows, QStringLiteral("NomClient"))},
                {QStringLiteral("street"), textOrNull(rows, QStringLiteral("NoRueClient"))},
                {QStringLiteral("city"), textOrNull(rows, QStringLiteral("VilleClient"))},
                {QStringLiteral("province"), textOrNull(rows, QStringLiteral("ProvClient"))},
                {QStringLiteral("postalCode"), textOrNull(rows, QStringLiteral("CodPosClient"))},
                {QStringLiteral("telephone"), textOrNull(rows, QStringLiteral("TelClient"))},
            });
        }
    } catch (const DataError &error) {
        return failure(QStringLiteral("cannot read %1: %2").arg(db, error.message().simplified()));
    }
    return {0, QJsonDocument(customers).toJson(QJsonDocument::Indented), {}};
}

int runCustomersCommand(const QStringList &arguments)
{
    const CustomersCommand::Outcome outcome = CustomersCommand::run(arguments);
    if (outcome.exitCode == 0) {
        std::fwrite(outcome.output.constData(), 1, size_t(outcome.output.size()), stdout);
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "rouvel customers: %s\n", qPrintable(outcome.error));
    }
    return outcome.exitCode;
}

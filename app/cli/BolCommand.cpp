#include "BolCommand.h"

#include "AppPaths.h"

#include "billoflading/BillOfLading.h"
#include "billoflading/BillOfLadingLayout.h"
#include "billoflading/BillOfLadingRequest.h"
#include "data/DataError.h"
#include "data/Database.h"
#include "data/OutputPath.h"
#include "cli/InputFile.h"

#include "VellumError.h"
#include "VellumPrinter.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QRandomGenerator>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <optional>

#include <cerrno>
#include <cstdio>

namespace {

struct Arguments
{
    QString db;
    QString data;
    QString pdf;
    bool save = false;
};

BolCommand::Outcome failure(const QString &error)
{
    return {BolCommand::UsageOrDataError, {}, error, {}};
}

QString parseArguments(QStringList arguments, Arguments &a)
{
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("bol"))
        arguments.removeFirst();
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString option = arguments.at(i);
        if (option == QLatin1String("--save")) {
            a.save = true;
            continue;
        }
        QString *target = option == QLatin1String("--db") ? &a.db
            : option == QLatin1String("--data")           ? &a.data
            : option == QLatin1String("--pdf")            ? &a.pdf
                                                          : nullptr;
        if (!target)
            return QStringLiteral("unknown argument \"%1\"").arg(option);
        if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty())
            return QStringLiteral("%1 needs a value").arg(option);
        *target = arguments.at(++i);
    }
    if (a.db.isEmpty())
        a.db = AppPaths::database().path;
    if (a.data.isEmpty())
        return QStringLiteral("--data BOL.json is required");
    if (a.pdf.isEmpty())
        return QStringLiteral("--pdf OUT.pdf is required");
    return {};
}

// Where the PDF is made before it takes the target's place: beside the file the target names,
// so the rename stays on one file system and a link to a file keeps pointing at it.
QString workPathFor(const QString &target)
{
    const QFileInfo info(target);
    const QString named = info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
    const QFileInfo file(named);
    return file.absolutePath() + QStringLiteral("/.") + file.fileName()
        + QStringLiteral(".rouvel-%1-%2").arg(QCoreApplication::applicationPid())
              .arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0'));
}

QString finalPathFor(const QString &target)
{
    const QFileInfo info(target);
    return info.isSymLink() ? info.symLinkTarget() : info.absoluteFilePath();
}

} // namespace

QString BolCommand::usage()
{
    return QStringLiteral("usage: rouvel bol --db FILE --data BOL.json --pdf OUT.pdf [--save] "
                          "(--data - reads standard input)");
}

BolCommand::Outcome BolCommand::run(const QStringList &arguments, QIODevice *standardInput)
{
    Arguments a;
    if (const QString problem = parseArguments(arguments, a); !problem.isEmpty())
        return failure(problem + QLatin1String("; ") + usage());

    // Before anything is read or written: a PDF must never take the database's place.
    if (const QString refused = OutputPath::refusal(a.pdf, a.db); !refused.isEmpty())
        return failure(refused);

    const InputFile::Reading input
        = InputFile::read(a.data, InputFile::BillOfLadingDataLimit, standardInput);
    const QString dataName
        = a.data == QLatin1String("-") ? QStringLiteral("standard input") : a.data;
    if (!input.ok())
        return failure(QStringLiteral("cannot read %1: %2").arg(dataName, input.cause));
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(input.bytes, &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        return failure(QStringLiteral("%1 is not JSON: %2 at character %3")
                           .arg(dataName, parseError.errorString())
                           .arg(parseError.offset));
    }
    if (!document.isObject())
        return failure(QStringLiteral("%1 must hold one JSON object").arg(dataName));
    BillOfLadingRequest request;
    if (const QString problem = request.read(document.object()); !problem.isEmpty())
        return failure(QStringLiteral("%1: %2").arg(dataName, problem));

    const Database::Status status = Database::inspect(a.db);
    if (!status.ok())
        return failure(QStringLiteral("cannot read %1: %2").arg(a.db, status.cause));

    BillOfLading bill;
    QString note;
    try {
        bill.load(Database::open(a.db));
        note = bill.activate(request.handOff);
    } catch (const DataError &error) {
        return failure(QStringLiteral("cannot read %1: %2").arg(a.db, error.message()));
    }
    if (!bill.carrierFound()) {
        return failure(QStringLiteral("\"handoff.blCarrierName\": unknown carrier \"%1\" in %2")
                           .arg(request.handOff.blCarrierName, a.db));
    }
    if (const QString problem = request.applyTo(bill, a.db); !problem.isEmpty())
        return failure(problem);

    QString shipperProblem;
    bill.printForm(&shipperProblem);
    if (!shipperProblem.isEmpty())
        note = shipperProblem;

    // The PDF is made under another name and takes the target's place only once it is whole
    // and, with --save, its number recorded: a failure leaves the target as it was.
    const QString work = workPathFor(a.pdf);
    VellumPrinter engine;
    const auto print = [&](const BillOfLadingForm &form) {
        BillOfLadingLayout(engine).record(form);
        engine.SetShowProgress(false);
        engine.PrintToPdf(work);
    };
    const auto fail = [&](const QString &message) {
        engine.DestroyReport();
        QFile::remove(work);
        return failure(message);
    };
    std::optional<qint32> recorded;
    try {
        if (a.save) {
            recorded = bill.printAndRecord(print);
        } else {
            if (const QString problem = bill.refreshNumber(); !problem.isEmpty())
                return fail(problem);
            print(bill.printForm());
        }
    } catch (const BillOfLadingLayout::AgreementTooLong &tooLong) {
        return fail(tooLong.message());
    } catch (const BillOfLading::NumberRefused &refused) {
        return fail(refused.message);
    } catch (const VellumError &error) {
        return fail(QStringLiteral("cannot write %1: %2").arg(a.pdf, error.message()));
    } catch (const DataError &error) {
        return fail(QStringLiteral("the bill of lading number was not saved in %1: %2")
                        .arg(a.db, error.message().simplified()));
    }
    engine.DestroyReport();

    const QString target = finalPathFor(a.pdf);
    if (::rename(QFile::encodeName(work).constData(), QFile::encodeName(target).constData())
        != 0) {
        const QString cause = qt_error_string(errno);
        if (!recorded) {
            QFile::remove(work);
            return failure(QStringLiteral("cannot write %1: %2").arg(a.pdf, cause));
        }
        // The number is recorded: the bill that carries it must not be lost.
        return failure(QStringLiteral("number %1 is recorded, but its bill cannot be moved to %2 "
                                      "(%3); it is in %4")
                           .arg(*recorded)
                           .arg(a.pdf, cause, work));
    }
    QByteArray output;
    if (recorded)
        output = QByteArray::number(*recorded) + '\n';
    return {0, output, {}, note.simplified()};
}

int runBolCommand(const QStringList &arguments)
{
    const BolCommand::Outcome outcome = BolCommand::run(arguments);
    if (outcome.exitCode == 0) {
        if (!outcome.note.isEmpty())
            std::fprintf(stderr, "rouvel bol: note: %s\n", qPrintable(outcome.note));
        std::fwrite(outcome.output.constData(), 1, size_t(outcome.output.size()), stdout);
        std::fflush(stdout);
    } else {
        std::fprintf(stderr, "rouvel bol: %s\n", qPrintable(outcome.error));
    }
    return outcome.exitCode;
}

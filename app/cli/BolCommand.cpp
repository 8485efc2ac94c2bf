#include "BolCommand.h"

#include "AppPaths.h"

#include "billoflading/BillOfLading.h"
#include "billoflading/BillOfLadingLayout.h"
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
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
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

// The bill as BOL.json gives it, checked.
struct Request
{
    BillHandOff handOff;
    std::optional<QString> customer;
    std::optional<qint64> customerId;
    std::optional<QString> date;
    QString cartons;
    Goods goods = Goods::None;
    std::optional<QString> description;
    Charges charges = Charges::None;
    bool thirdParty = false;
    SpaceUsed spaceUsed = SpaceUsed::None;
    QStringList orders;
    bool appointment = false;
    QString agreement;
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

// Reads the values of BOL.json one key at a time; the first problem is kept and names its key.
class Reader
{
public:
    QString problem;

    void wrongType(const QString &key, const char *wanted)
    {
        if (problem.isEmpty())
            problem = QStringLiteral("\"%1\" must be %2").arg(key, QLatin1String(wanted));
    }

    QString text(const QJsonValue &value, const QString &key)
    {
        if (!value.isString())
            wrongType(key, "a text");
        return value.toString();
    }

    bool flag(const QJsonValue &value, const QString &key)
    {
        if (!value.isBool())
            wrongType(key, "true or false");
        return value.toBool();
    }

    // Dollars from 0 to the largest amount the program holds: a saturated or negative figure
    // would print as if it were the price.
    Currency amount(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || !(number >= 0 && number <= 922337203685477.0)) {
            wrongType(key, "an amount from 0 to 922337203685477");
            return {};
        }
        return Currency::fromDouble(number);
    }

    // A weight or a count of pallets: whole and not negative.
    qint32 count(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || number != std::floor(number) || number < 0
            || number > 2147483647.0) {
            wrongType(key, "a whole number from 0 to 2147483647");
            return 0;
        }
        return qint32(number);
    }

    qint64 identifier(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || number != std::floor(number) || number < 1
            || number > 9007199254740992.0) {
            wrongType(key, "a whole number, as \"rouvel customers\" lists it");
            return 0;
        }
        return qint64(number);
    }

    // One of the captions; the index in captions, or -1 after noting the problem.
    int choice(const QJsonValue &value, const QString &key, const QStringList &captions)
    {
        const int index = int(captions.indexOf(value.toString().trimmed()));
        if (!value.isString() || index < 0) {
            if (problem.isEmpty()) {
                problem = QStringLiteral("\"%1\" must be one of \"%2\"")
                              .arg(key, captions.join(QStringLiteral("\", \"")));
            }
            return -1;
        }
        return index;
    }
};

void readHandOff(const QJsonObject &object, Reader &r, BillHandOff &h)
{
    bool hasCarrier = false;
    for (auto it = object.begin(); it != object.end() && r.problem.isEmpty(); ++it) {
        const QString key = it.key();
        const QString name = QStringLiteral("handoff.") + key;
        const QJsonValue v = it.value();
        if (key == QLatin1String("blCarrierName")) {
            h.blCarrierName = r.text(v, name);
            hasCarrier = true;
        } else if (key == QLatin1String("blPrice")) {
            h.blPrice = r.amount(v, name);
        } else if (key == QLatin1String("blRate")) {
            h.blRate = r.amount(v, name);
        } else if (key == QLatin1String("blWeight")) {
            h.blWeight = r.count(v, name);
        } else if (key == QLatin1String("blPallets")) {
            h.blPallets = r.count(v, name);
        } else if (key == QLatin1String("weightChosen")) {
            h.weightChosen = r.flag(v, name);
        } else if (key == QLatin1String("palletChosen")) {
            h.palletChosen = r.flag(v, name);
        } else if (key == QLatin1String("weightClickRate")) {
            h.weightClickRate = r.amount(v, name);
        } else if (key == QLatin1String("palletClickRate")) {
            h.palletClickRate = r.amount(v, name);
        } else if (key == QLatin1String("destName")) {
            h.destName = r.text(v, name);
        } else {
            r.problem = QStringLiteral("unknown key \"%1\"").arg(name);
        }
    }
    if (r.problem.isEmpty() && !hasCarrier)
        r.problem = QStringLiteral("\"handoff.blCarrierName\" is required");
}

QString readRequest(const QJsonObject &object, Request &request)
{
    static const QStringList goodsCaptions {QStringLiteral("conduits"), QStringLiteral("grilles"),
        QStringLiteral("prises d'air"), QStringLiteral("diffuseurs"), QStringLiteral("autres")};
    static const QStringList chargesCaptions {
        QStringLiteral("Collect"), QStringLiteral("Prepaid"), QStringLiteral("Prepaid and charge")};
    static const QStringList spaceCaptions {QStringLiteral("1/4"), QStringLiteral("1/2"),
        QStringLiteral("3/4"), QStringLiteral("Full")};

    Reader r;
    bool hasHandOff = false;
    for (auto it = object.begin(); it != object.end() && r.problem.isEmpty(); ++it) {
        const QString key = it.key();
        const QJsonValue v = it.value();
        if (key == QLatin1String("handoff")) {
            hasHandOff = true;
            if (!v.isObject())
                r.wrongType(key, "an object");
            else
                readHandOff(v.toObject(), r, request.handOff);
        } else if (key == QLatin1String("customer")) {
            request.customer = r.text(v, key);
        } else if (key == QLatin1String("customerId")) {
            request.customerId = r.identifier(v, key);
        } else if (key == QLatin1String("date")) {
            request.date = r.text(v, key);
        } else if (key == QLatin1String("cartons")) {
            // A count is as good as a text here.
            if (v.isDouble())
                request.cartons = QString::number(v.toDouble(), 'f', QLocale::FloatingPointShortest);
            else
                request.cartons = r.text(v, key);
        } else if (key == QLatin1String("goods")) {
            request.goods = Goods(r.choice(v, key, goodsCaptions) + 1);
        } else if (key == QLatin1String("description")) {
            request.description = r.text(v, key);
        } else if (key == QLatin1String("charges")) {
            request.charges = Charges(r.choice(v, key, chargesCaptions) + 1);
        } else if (key == QLatin1String("thirdParty")) {
            request.thirdParty = r.flag(v, key);
        } else if (key == QLatin1String("spaceUsed")) {
            request.spaceUsed = SpaceUsed(r.choice(v, key, spaceCaptions) + 1);
        } else if (key == QLatin1String("orders")) {
            const QJsonArray orders = v.toArray();
            if (!v.isArray() || orders.size() > BillOfLadingForm::OrderCount) {
                r.wrongType(key, "a list of at most five texts");
            } else {
                for (qsizetype i = 0; i < orders.size(); ++i)
                    request.orders << r.text(orders.at(i), QStringLiteral("orders[%1]").arg(i));
            }
        } else if (key == QLatin1String("appointment")) {
            request.appointment = r.flag(v, key);
        } else if (key == QLatin1String("agreement")) {
            request.agreement = r.text(v, key);
        } else {
            r.problem = QStringLiteral("unknown key \"%1\"").arg(key);
        }
    }
    if (r.problem.isEmpty() && !hasHandOff)
        r.problem = QStringLiteral("\"handoff\" is required");
    return r.problem;
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
    Request request;
    if (const QString problem = readRequest(document.object(), request); !problem.isEmpty())
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
    if (request.customer || request.customerId) {
        int index = -1;
        if (request.customerId) {
            index = bill.customerIndexOfId(*request.customerId);
            if (index < 0) {
                return failure(QStringLiteral("\"customerId\": no customer %1 in %2")
                                   .arg(*request.customerId)
                                   .arg(a.db));
            }
            if (request.customer
                && !bill.customerIndexesOf(*request.customer).contains(index)) {
                return failure(QStringLiteral("\"customer\": customer %1 is \"%2\", not \"%3\"")
                                   .arg(*request.customerId)
                                   .arg(bill.state().customerNames.at(index), *request.customer));
            }
        } else {
            const QList<int> named = bill.customerIndexesOf(*request.customer);
            if (named.isEmpty()) {
                return failure(QStringLiteral("\"customer\": unknown customer \"%1\" in %2")
                                   .arg(*request.customer, a.db));
            }
            if (named.size() > 1) {
                return failure(QStringLiteral("customer \"%1\" names %2 customers: give "
                                              "\"customerId\"")
                                   .arg(*request.customer)
                                   .arg(named.size()));
            }
            index = named.first();
        }
        bill.pickCustomer(index);
    }

    // As the clerk fills the window, choice before the text it writes.
    if (request.date)
        bill.setDate(*request.date);
    bill.setCartons(request.cartons);
    if (request.goods != Goods::None)
        bill.chooseGoods(request.goods);
    if (request.description)
        bill.setDescription(*request.description);
    bill.chooseCharges(request.charges);
    bill.setThirdParty(request.thirdParty);
    bill.chooseSpaceUsed(request.spaceUsed);
    for (qsizetype i = 0; i < request.orders.size(); ++i)
        bill.setOrder(int(i), request.orders.at(i));
    bill.setAppointment(request.appointment);
    bill.setAgreement(request.agreement);

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

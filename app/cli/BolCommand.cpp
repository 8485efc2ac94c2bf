#include "BolCommand.h"

#include "AppPaths.h"

#include "billoflading/BillOfLading.h"
#include "billoflading/BillOfLadingLayout.h"
#include "data/DataError.h"
#include "data/Database.h"

#include "VellumError.h"
#include "VellumPrinter.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cmath>
#include <cstdio>
#include <optional>

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

    Currency amount(const QJsonValue &value, const QString &key)
    {
        if (!value.isDouble() || !std::isfinite(value.toDouble()))
            wrongType(key, "a number");
        return Currency::fromDouble(value.toDouble());
    }

    qint32 whole(const QJsonValue &value, const QString &key)
    {
        const double number = value.toDouble();
        if (!value.isDouble() || number != std::floor(number) || number < -2147483648.0
            || number > 2147483647.0) {
            wrongType(key, "a whole number");
            return 0;
        }
        return qint32(number);
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
            h.blWeight = r.whole(v, name);
        } else if (key == QLatin1String("blPallets")) {
            h.blPallets = r.whole(v, name);
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
        } else if (key == QLatin1String("date")) {
            request.date = r.text(v, key);
        } else if (key == QLatin1String("cartons")) {
            // A count is as good as a text here.
            if (v.isDouble())
                request.cartons = QString::number(v.toDouble());
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

QString readData(const QString &data, QIODevice *standardInput, QByteArray &bytes)
{
    if (data == QLatin1String("-")) {
        QFile in;
        if (!standardInput) {
            if (!in.open(stdin, QIODevice::ReadOnly))
                return QStringLiteral("cannot read standard input");
            standardInput = &in;
        }
        bytes = standardInput->readAll();
        return {};
    }
    QFile file(data);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(data, file.errorString());
    bytes = file.readAll();
    return {};
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
        return failure(problem + QLatin1Char('\n') + usage());

    QByteArray bytes;
    if (const QString problem = readData(a.data, standardInput, bytes); !problem.isEmpty())
        return failure(problem);
    const QString dataName
        = a.data == QLatin1String("-") ? QStringLiteral("standard input") : a.data;
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(bytes, &parseError);
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
    if (request.customer) {
        const int index = bill.customerIndexOf(*request.customer);
        if (index < 0) {
            return failure(QStringLiteral("\"customer\": unknown customer \"%1\" in %2")
                               .arg(*request.customer, a.db));
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
    const BillOfLadingForm form = bill.printForm(&shipperProblem);
    if (!shipperProblem.isEmpty())
        note = shipperProblem;
    VellumPrinter engine;
    try {
        BillOfLadingLayout(engine).record(form);
        engine.SetShowProgress(false);
        engine.PrintToPdf(a.pdf);
    } catch (const VellumError &error) {
        engine.DestroyReport();
        return failure(QStringLiteral("cannot write %1: %2").arg(a.pdf, error.message()));
    }
    engine.DestroyReport();

    QByteArray output;
    if (a.save) {
        if (const QString refused = bill.saveNumber(); !refused.isEmpty()) {
            // The bill was not recorded: no PDF may look as if it had been.
            QFile::remove(a.pdf);
            return failure(refused.simplified());
        }
        output = QByteArray::number(BillOfLading::numberToSave(form.number)) + '\n';
    }
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

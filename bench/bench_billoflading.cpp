// Bill of lading figures: recording the bill's report (BeginDoc to EndDoc) in the engine, and
// "rouvel bol" as a whole process, start to exit, on the sample database.
#include "billoflading/BillOfLadingForm.h"
#include "billoflading/BillOfLadingLayout.h"

#include "VellumPrinter.h"

#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

constexpr int RecordRuns = 201;
constexpr int ProcessRuns = 21;
constexpr double RecordTargetMs = 5.0;
constexpr double ProcessTargetMs = 500.0;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

BillOfLadingForm fullyFilled()
{
    BillOfLadingForm f;
    f.shipper = {"Rouvel Shipping", "500 rue du Port", "Montreal", "QC", "H3C 2M1", "514 555-0100"};
    f.consignee
        = {"Atelier Leduc", "220 rue Principale", "Granby", "QC", "J2G 2V5", "450 555-0101"};
    f.carrier = {"Transport Bolduc inc.", "1450 boul. Industriel", "Laval", "QC", "H7L 4R9",
        "450 555-0142", "450 555-0143"};
    f.date = QStringLiteral("2026-12-10");
    f.number = QStringLiteral("1042");
    f.cartons = QStringLiteral("14");
    f.packages = BillOfLadingForm::packageText(3);
    f.description = QStringLiteral("grilles");
    f.charges = Charges::Prepaid;
    f.thirdParty = true;
    f.spaceUsed = SpaceUsed::Half;
    f.orders = {"PO-1", "PO-2", "PO-3", "PO-4", "PO-5"};
    f.appointment = true;
    f.agreement = QStringLiteral("Call the foreman one hour before delivery at the back door.");
    f.weight = 1200;
    f.rate = Currency::fromDouble(8.09);
    f.price = Currency::fromDouble(97.08);
    return f;
}

double recordMs()
{
    const BillOfLadingForm form = fullyFilled();
    VellumPrinter engine;
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = -5; run < RecordRuns; ++run) {
        timer.start();
        BillOfLadingLayout(engine).record(form);
        if (run >= 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    engine.DestroyReport();
    return median(times);
}

bool runRouvel(const QStringList &arguments, QByteArray *output = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(ROUVEL_PROGRAM), arguments);
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit
        || process.exitCode() != 0) {
        std::fprintf(stderr, "rouvel %s failed: %s\n", qPrintable(arguments.join(u' ')),
            process.readAllStandardError().constData());
        return false;
    }
    if (output)
        *output = process.readAllStandardOutput();
    return true;
}

// A fully filled bill on the hand-off of "rouvel quote --json".
QJsonObject fullyFilledJson(const QJsonObject &quote)
{
    return {{"handoff", quote.value(QStringLiteral("handoff"))}, {"customer", "Atelier Leduc"},
        {"cartons", "14"}, {"goods", "grilles"}, {"charges", "Prepaid"}, {"thirdParty", true},
        {"spaceUsed", "1/2"}, {"orders", QJsonArray {"PO-1", "PO-2", "PO-3", "PO-4", "PO-5"}},
        {"appointment", true},
        {"agreement", "Call the foreman one hour before delivery at the back door."}};
}

// Median of whole "rouvel bol" runs; negative on failure.
double processMs(const QTemporaryDir &dir)
{
    const QString db = dir.filePath(QStringLiteral("rouvel.rvl"));
    QByteArray quote;
    if (!runRouvel({QStringLiteral("init"), QStringLiteral("--db"), db, QStringLiteral("--sample")})
        || !runRouvel(
            {QStringLiteral("quote"), QStringLiteral("--db"), db, QStringLiteral("--weight"),
                QStringLiteral("1200"), QStringLiteral("--pallets"), QStringLiteral("3"),
                QStringLiteral("--destination"), QStringLiteral("NEW YORK"),
                QStringLiteral("--json")},
            &quote))
        return -1;
    QJsonObject bill = fullyFilledJson(QJsonDocument::fromJson(quote).object());
    const QString data = dir.filePath(QStringLiteral("bol.json"));
    QFile file(data);
    if (!file.open(QIODevice::WriteOnly))
        return -1;
    file.write(QJsonDocument(bill).toJson());
    file.close();

    const QStringList arguments {QStringLiteral("bol"), QStringLiteral("--db"), db,
        QStringLiteral("--data"), data, QStringLiteral("--pdf"),
        dir.filePath(QStringLiteral("bill.pdf"))};
    std::vector<double> times;
    QElapsedTimer timer;
    for (int run = -2; run < ProcessRuns; ++run) {
        timer.start();
        if (!runRouvel(arguments))
            return -1;
        if (run >= 0)
            times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

} // namespace

int main(int argc, char *argv[])
{
    // Fonts need a GUI application, not a display.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTemporaryDir dir;
    if (!dir.isValid())
        return 1;

    const double record = recordMs();
    std::printf(
        "bill of lading report, BeginDoc to EndDoc: %.3f ms median of %d (target < %.0f ms) %s\n",
        record, RecordRuns, RecordTargetMs, record < RecordTargetMs ? "ok" : "MISSED");
    const double process = processMs(dir);
    if (process < 0)
        return 1;
    std::printf("rouvel bol, whole process on the sample data: %.1f ms median of %d (target < %.0f "
                "ms) %s\n",
        process, ProcessRuns, ProcessTargetMs, process < ProcessTargetMs ? "ok" : "MISSED");
    return record < RecordTargetMs && process < ProcessTargetMs ? 0 : 1;
}

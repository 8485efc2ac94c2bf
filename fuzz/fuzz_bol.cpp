// BOL.json from anywhere: the input is read as "rouvel bol" reads it, and a bill it describes is
// filled in on a small database and recorded through the engine as the bill-of-lading layout
// (the PDF step is left out). Any crash, sanitizer report, leak or hang is a finding.
//
// With ROUVEL_FUZZ_WRITE_SEEDS=<folder> the program writes a few bills into that folder and
// exits: the seeds of the run.
#include "billoflading/BillOfLading.h"
#include "billoflading/BillOfLadingLayout.h"
#include "billoflading/BillOfLadingRequest.h"
#include "data/DataError.h"
#include "data/Database.h"

#include "VellumError.h"
#include "VellumPrinter.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <optional>

namespace {

[[noreturn]] void finding(const char *what, const QString &detail)
{
    std::fprintf(stderr, "fuzz_bol: %s: %s\n", what, qPrintable(detail));
    std::abort();
}

void writeSeeds(const QString &folder)
{
    QDir().mkpath(folder);
    const QByteArray seeds[] = {
        R"({"handoff":{"blCarrierName":"BOLDUC","blPrice":155.4,"blRate":12.95,"blWeight":1200,
            "blPallets":3,"weightChosen":false,"palletChosen":false,"weightClickRate":0,
            "palletClickRate":0,"destName":"CHICAGO"}})",
        R"({"handoff":{"blCarrierName":"ACME","palletChosen":true,"palletClickRate":42.5},
            "customer":"Atelier Leduc","date":"2026-12-10","cartons":1234567,
            "goods":"prises d'air","charges":"Prepaid","thirdParty":true,"spaceUsed":"1/2",
            "orders":["PO-1","PO-2","","PO-4"],"appointment":true,
            "agreement":"Call first\r\nparking\nDock 4\rGate B"})",
        R"({"handoff":{"blCarrierName":"BOLDUC"},"customerId":2,"goods":"autres",
            "description":"Grilles, 14 boîtes","agreement":"x x x x x x x x x x x x x x x x x x"})",
    };
    int n = 0;
    for (const QByteArray &seed : seeds) {
        QFile file(QStringLiteral("%1/bill-%2.json").arg(folder).arg(++n));
        if (!file.open(QIODevice::WriteOnly) || file.write(seed) != seed.size())
            finding("cannot write a seed", file.fileName());
    }
}

struct Session
{
    QTemporaryDir dir;
    std::optional<Database> db;
    std::unique_ptr<VellumPrinter> engine;
};

Session *session = nullptr;

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv); // the layout measures with fonts
    if (const QByteArray folder = qgetenv("ROUVEL_FUZZ_WRITE_SEEDS"); !folder.isEmpty()) {
        writeSeeds(QString::fromLocal8Bit(folder));
        std::exit(0);
    }
    session = new Session;
    const QString path = session->dir.filePath(QStringLiteral("rouvel.rvl"));
    try {
        Database::create(path, true);
        session->db.emplace(Database::open(path));
    } catch (const DataError &error) {
        finding("cannot make the database", error.message());
    }
    session->engine = std::make_unique<VellumPrinter>();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    if (!document.isObject())
        return 0;
    BillOfLadingRequest request;
    if (!request.read(document.object()).isEmpty())
        return 0;
    BillOfLading bill;
    try {
        bill.load(*session->db);
        bill.activate(request.handOff);
        if (!request.applyTo(bill, QStringLiteral("rouvel.rvl")).isEmpty())
            return 0;
        BillOfLadingLayout(*session->engine).record(bill.printForm());
    } catch (const BillOfLadingLayout::AgreementTooLong &) {
        // A refusal, as the command gives it.
    } catch (const DataError &error) {
        finding("the database failed", error.message());
    } catch (const VellumError &error) {
        finding("the engine refused a checked bill", error.message());
    }
    session->engine->DestroyReport();
    return 0;
}

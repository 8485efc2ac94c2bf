#include "BillOfLadingFixture.h"

#include "cli/BolCommand.h"
#include "cli/CustomersCommand.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QSet>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <memory>
#include <vector>

#include <unistd.h>

namespace {

// The "handoff" of "rouvel quote --json", as it comes.
QJsonObject quoteHandOff()
{
    return {{"blCarrierName", "ACME"}, {"blPrice", 97.08}, {"blRate", 8.09}, {"blWeight", 1200},
        {"blPallets", 3}, {"weightChosen", false}, {"palletChosen", false}, {"weightClickRate", 0},
        {"palletClickRate", 0}, {"destName", "NEW YORK"}};
}

QJsonObject fullBill()
{
    return {{"handoff", quoteHandOff()}, {"customer", "Atelier Leduc"}, {"date", "2026-12-10"},
        {"cartons", "14"}, {"goods", "prises d'air"}, {"charges", "Collect"}, {"thirdParty", true},
        {"spaceUsed", "Full"}, {"orders", QJsonArray {"PO-1", "PO-2"}}, {"appointment", true},
        {"agreement", "Tailgate"}};
}

QString pdfText(const QString &pdf)
{
    QProcess process;
    process.start(
        QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

} // namespace

using Edit = std::function<void(QJsonObject &)>;
Q_DECLARE_METATYPE(Edit)

class tst_BolCommand : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void printsTheBill();
    void savesTheNumber();
    void readsStandardInput();
    void pickedRateIsPrinted();
    void consigneeIsTheCityWithoutCustomer();
    void refused_data();
    void refused();
    void refusedSaveLeavesNoPdf();
    void twoCustomersOfOneName();
    void cartonsAndLineBreaksPrintAsTyped();
    void pdfNeverReplacesTheDatabase_data();
    void pdfNeverReplacesTheDatabase();
    void failedSaveLeavesAnEarlierPdf();
    void concurrentSavesGetDistinctNumbers();
    void customersListsEveryCustomer();
    void commandsSayOneLineOrNothing_data();
    void commandsSayOneLineOrNothing();

private:
    QStringList arguments(const QJsonObject &bill, bool save = false);
    QString pdf() const { return m_dir->filePath(QStringLiteral("bill.pdf")); }

    std::unique_ptr<BillOfLadingFixture> m_fixture;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_BolCommand::init()
{
    m_fixture = std::make_unique<BillOfLadingFixture>();
    m_dir = std::make_unique<QTemporaryDir>();
}

QStringList tst_BolCommand::arguments(const QJsonObject &bill, bool save)
{
    const QString data = m_dir->filePath(QStringLiteral("bol.json"));
    QFile file(data);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write bol.json");
    file.write(QJsonDocument(bill).toJson());
    QStringList a {QStringLiteral("bol"), QStringLiteral("--db"), m_fixture->path(),
        QStringLiteral("--data"), data, QStringLiteral("--pdf"), pdf()};
    if (save)
        a << QStringLiteral("--save");
    return a;
}

void tst_BolCommand::printsTheBill()
{
    const BolCommand::Outcome outcome = BolCommand::run(arguments(fullBill()));
    QCOMPARE(outcome.error, QString());
    QCOMPARE(outcome.exitCode, 0);
    QVERIFY(outcome.output.isEmpty());
    const QString text = pdfText(pdf());
    for (const char *expected :
        {"Ventilation Rouvel", "Acme Transport Inc.", "Atelier Leduc", "Granby QC J2G 2V5",
            "2026-12-10", "58", "prises d'air", "Collect X", "Third party billing X", "1200 LBS",
            "8.09$", "97.08$", "Customer order nos:", "Appointment with customer - Tailgate"})
        QVERIFY2(text.contains(QString::fromUtf8(expected)), expected);
    // Only read.
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
}

void tst_BolCommand::savesTheNumber()
{
    const BolCommand::Outcome first = BolCommand::run(arguments(fullBill(), true));
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(first.output, QByteArray("58\n"));
    const BolCommand::Outcome second = BolCommand::run(arguments(fullBill(), true));
    QCOMPARE(second.output, QByteArray("59\n"));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58, 59}));
    QVERIFY(QFile::exists(pdf()));
}

void tst_BolCommand::readsStandardInput()
{
    QByteArray json = QJsonDocument(QJsonObject {{"handoff", quoteHandOff()}}).toJson();
    QBuffer in(&json);
    in.open(QIODevice::ReadOnly);
    const BolCommand::Outcome outcome = BolCommand::run(
        {QStringLiteral("bol"), QStringLiteral("--db"), m_fixture->path(), QStringLiteral("--data"),
            QStringLiteral("-"), QStringLiteral("--pdf"), pdf()},
        &in);
    QCOMPARE(outcome.error, QString());
    QVERIFY(pdfText(pdf()).contains(QStringLiteral("Acme Transport Inc.")));
}

void tst_BolCommand::pickedRateIsPrinted()
{
    QJsonObject bill = fullBill();
    QJsonObject handOff = quoteHandOff();
    handOff["weightChosen"] = true;
    handOff["weightClickRate"] = 9.1;
    handOff["palletChosen"] = true;
    handOff["palletClickRate"] = 42.5;
    bill["handoff"] = handOff;
    QCOMPARE(BolCommand::run(arguments(bill)).exitCode, 0);
    const QString text = pdfText(pdf());
    QVERIFY(text.contains(QStringLiteral("42.50$")));
    QVERIFY(!text.contains(QStringLiteral("9.10$")));
}

void tst_BolCommand::consigneeIsTheCityWithoutCustomer()
{
    QCOMPARE(BolCommand::run(arguments(QJsonObject {{"handoff", quoteHandOff()}})).exitCode, 0);
    const QString text = pdfText(pdf());
    QVERIFY(text.contains(QStringLiteral("NEW YORK")));
    QVERIFY(!text.contains(QStringLiteral("Atelier Leduc")));
    QVERIFY(text.contains(QStringLiteral("Customer order no:")));
}

void tst_BolCommand::refused_data()
{
    QTest::addColumn<Edit>("edit");
    QTest::addColumn<QString>("named"); // what the message must name
    QTest::newRow("unknown key") << Edit([](QJsonObject &b) { b["colour"] = "red"; })
                                 << "\"colour\"";
    QTest::newRow("unknown hand-off key") << Edit([](QJsonObject &b) {
        QJsonObject h = b["handoff"].toObject();
        h["blVolume"] = 3;
        b["handoff"] = h;
    }) << "\"handoff.blVolume\"";
    QTest::newRow("weight as text") << Edit([](QJsonObject &b) {
        QJsonObject h = b["handoff"].toObject();
        h["blWeight"] = "1200";
        b["handoff"] = h;
    }) << "\"handoff.blWeight\"";
    QTest::newRow("fractional pallets") << Edit([](QJsonObject &b) {
        QJsonObject h = b["handoff"].toObject();
        h["blPallets"] = 2.5;
        b["handoff"] = h;
    }) << "\"handoff.blPallets\"";
    QTest::newRow("no hand-off") << Edit([](QJsonObject &b) { b.remove("handoff"); })
                                 << "\"handoff\"";
    QTest::newRow("third party as text")
        << Edit([](QJsonObject &b) { b["thirdParty"] = "yes"; }) << "\"thirdParty\"";
    QTest::newRow("unknown goods")
        << Edit([](QJsonObject &b) { b["goods"] = "bois"; }) << "\"goods\"";
    QTest::newRow("unknown charges")
        << Edit([](QJsonObject &b) { b["charges"] = "Free"; }) << "\"charges\"";
    QTest::newRow("unknown space")
        << Edit([](QJsonObject &b) { b["spaceUsed"] = "2/3"; }) << "\"spaceUsed\"";
    QTest::newRow("six orders") << Edit([](QJsonObject &b) {
        b["orders"] = QJsonArray {"1", "2", "3", "4", "5", "6"};
    }) << "\"orders\"";
    QTest::newRow("order as number") << Edit([](QJsonObject &b) {
        b["orders"] = QJsonArray {"1", 2};
    }) << "\"orders[1]\"";
    QTest::newRow("unknown carrier") << Edit([](QJsonObject &b) {
        QJsonObject h = b["handoff"].toObject();
        h["blCarrierName"] = "NOBODY";
        b["handoff"] = h;
    }) << "unknown carrier \"NOBODY\"";
    QTest::newRow("unknown customer") << Edit([](QJsonObject &b) { b["customer"] = "Nobody Ltd"; })
                                      << "unknown customer \"Nobody Ltd\"";
    const auto handOff = [](const char *key, QJsonValue value) {
        return Edit([key, value](QJsonObject &b) {
            QJsonObject h = b["handoff"].toObject();
            h[QLatin1String(key)] = value;
            b["handoff"] = h;
        });
    };
    const QString amountRange = QStringLiteral("an amount from 0 to 922337203685477");
    QTest::newRow("price past the currency range")
        << handOff("blPrice", 1e15) << "\"handoff.blPrice\" must be " + amountRange;
    QTest::newRow("negative rate") << handOff("blRate", -8.09) << "\"handoff.blRate\"";
    QTest::newRow("click rate past the range")
        << handOff("weightClickRate", 922337203685478.0) << "\"handoff.weightClickRate\"";
    QTest::newRow("negative pallet click rate")
        << handOff("palletClickRate", -1) << "\"handoff.palletClickRate\"";
    QTest::newRow("negative weight") << handOff("blWeight", -1200) << "\"handoff.blWeight\"";
    QTest::newRow("negative pallets") << handOff("blPallets", -3) << "\"handoff.blPallets\"";
    QTest::newRow("customer id of nobody")
        << Edit([](QJsonObject &b) { b["customerId"] = 99; }) << "\"customerId\": no customer 99";
    QTest::newRow("customer id beside another name")
        << Edit([](QJsonObject &b) { b["customerId"] = 2; }) << "customer 2 is \"Plains Supply\"";
    QTest::newRow("customer id as text")
        << Edit([](QJsonObject &b) { b["customerId"] = "1"; }) << "\"customerId\"";
    QTest::newRow("customer name with a zero-width space")
        << Edit([](QJsonObject &b) { b["customer"] = QString::fromUtf8("Atelier\u200bLeduc"); })
        << "\"customer\" holds the invisible character U+200B";
    QTest::newRow("carrier name with a control character") << handOff("blCarrierName", "AC\x01ME")
                                                           << "\"handoff.blCarrierName\" holds the "
                                                              "invisible character U+0001";
    QTest::newRow("agreement too long for the page")
        << Edit([](QJsonObject &b) { b["agreement"] = QString(QStringLiteral("line\n")).repeated(80); })
        << "The special agreement is too long for the bill: ";
}

void tst_BolCommand::twoCustomersOfOneName()
{
    m_fixture->addCustomer({"Atelier Leduc", "9 rue du Port", "Sorel", "QC", "J3P 1A1", ""});
    QJsonObject bill = fullBill();
    BolCommand::Outcome outcome = BolCommand::run(arguments(bill));
    QCOMPARE(outcome.exitCode, BolCommand::UsageOrDataError);
    QCOMPARE(outcome.error,
        QStringLiteral("customer \"Atelier Leduc\" names 2 customers: give \"customerId\""));

    // customers --json gives the ids; the second Atelier Leduc is the fourth row.
    bill["customerId"] = 4;
    outcome = BolCommand::run(arguments(bill));
    QCOMPARE(outcome.error, QString());
    const QString text = pdfText(pdf());
    QVERIFY(text.contains(QStringLiteral("Sorel")));
    QVERIFY(!text.contains(QStringLiteral("Granby")));
    bill.remove("customer");
    QCOMPARE(BolCommand::run(arguments(bill)).exitCode, 0);
}

void tst_BolCommand::cartonsAndLineBreaksPrintAsTyped()
{
    QJsonObject bill = fullBill();
    bill["cartons"] = 1234567;
    bill["appointment"] = false;
    bill["agreement"] = "Call first\r\nparking\nDock 4\rGate B";
    QCOMPARE(BolCommand::run(arguments(bill)).error, QString());
    const QStringList lines = pdfText(pdf()).split(QLatin1Char('\n'));
    QVERIFY(pdfText(pdf()).contains(QStringLiteral("1234567")));
    for (const char *line : {"Call first", "parking", "Dock 4", "Gate B"}) {
        const QString wanted = QString::fromLatin1(line);
        QVERIFY2(std::any_of(lines.cbegin(), lines.cend(),
                     [&](const QString &l) { return l.trimmed() == wanted; }),
            line);
    }
}

void tst_BolCommand::pdfNeverReplacesTheDatabase_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("the file itself") << "same";
    QTest::newRow("a symbolic link to it") << "symlink";
    QTest::newRow("a hard link to it") << "hardlink";
    QTest::newRow("a .. spelling") << "dotdot";
}

void tst_BolCommand::pdfNeverReplacesTheDatabase()
{
    QFETCH(QString, kind);
    const QString db = m_fixture->path();
    QString target = db;
    if (kind == QLatin1String("symlink")) {
        target = m_dir->filePath(QStringLiteral("link.pdf"));
        QVERIFY(QFile::link(db, target));
    } else if (kind == QLatin1String("hardlink")) {
        target = QFileInfo(db).absolutePath() + QStringLiteral("/hard.pdf");
        QCOMPARE(::link(QFile::encodeName(db).constData(), QFile::encodeName(target).constData()),
            0);
    } else if (kind == QLatin1String("dotdot")) {
        const QFileInfo info(db);
        target = info.absolutePath() + QStringLiteral("/../") + info.dir().dirName()
            + QLatin1Char('/') + info.fileName();
    }
    QFile before(db);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    before.close();

    for (bool save : {false, true}) {
        QStringList a = arguments(fullBill(), save);
        a[a.indexOf(QStringLiteral("--pdf")) + 1] = target;
        const BolCommand::Outcome outcome = BolCommand::run(a);
        QCOMPARE(outcome.exitCode, BolCommand::UsageOrDataError);
        QVERIFY2(outcome.error.contains(QStringLiteral("is the database file itself")),
            qPrintable(outcome.error));
        QVERIFY(outcome.output.isEmpty());
        QFile after(db);
        QVERIFY(after.open(QIODevice::ReadOnly));
        QCOMPARE(after.readAll(), bytes);
    }
}

void tst_BolCommand::failedSaveLeavesAnEarlierPdf()
{
    QFile earlier(pdf());
    QVERIFY(earlier.open(QIODevice::WriteOnly));
    earlier.write("an earlier bill");
    earlier.close();
    m_fixture->refuseNewNumbers();
    QCOMPARE(BolCommand::run(arguments(fullBill(), true)).exitCode, BolCommand::UsageOrDataError);
    QFile after(pdf());
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), QByteArray("an earlier bill"));
    // Nothing else is left in the folder.
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files | QDir::Hidden).size(), 2);
}

void tst_BolCommand::concurrentSavesGetDistinctNumbers()
{
    // Twenty processes at once on one file: twenty numbers, each printed on its own bill.
    const QString program = QStringLiteral(ROUVEL_PROGRAM);
    const QString data = m_dir->filePath(QStringLiteral("bol.json"));
    arguments(fullBill());
    std::vector<std::unique_ptr<QProcess>> runs;
    for (int i = 0; i < 20; ++i) {
        auto process = std::make_unique<QProcess>();
        process->start(program,
            {QStringLiteral("bol"), QStringLiteral("--db"), m_fixture->path(),
                QStringLiteral("--data"), data, QStringLiteral("--pdf"),
                m_dir->filePath(QStringLiteral("bill-%1.pdf").arg(i)), QStringLiteral("--save")});
        runs.push_back(std::move(process));
    }
    QSet<qint64> numbers;
    for (int i = 0; i < 20; ++i) {
        QProcess &process = *runs.at(size_t(i));
        QVERIFY(process.waitForFinished(120000));
        QCOMPARE(QString::fromUtf8(process.readAllStandardError()), QString());
        QCOMPARE(process.exitCode(), 0);
        const qint64 number = process.readAllStandardOutput().trimmed().toLongLong();
        numbers.insert(number);
        // The bill shows the number recorded for it.
        const QString text = pdfText(m_dir->filePath(QStringLiteral("bill-%1.pdf").arg(i)));
        QVERIFY2(text.contains(QString::number(number)), qPrintable(QString::number(number)));
    }
    QCOMPARE(numbers.size(), 20);
    QList<qint64> saved = m_fixture->savedNumbers();
    QCOMPARE(saved.size(), 22);
    QCOMPARE(QSet<qint64>(saved.cbegin(), saved.cend()).size(), 22);
}

void tst_BolCommand::refused()
{
    QFETCH(Edit, edit);
    QFETCH(QString, named);
    QJsonObject bill = fullBill();
    edit(bill);
    const BolCommand::Outcome outcome = BolCommand::run(arguments(bill, true));
    QCOMPARE(outcome.exitCode, BolCommand::UsageOrDataError);
    QVERIFY2(outcome.error.contains(named), qPrintable(outcome.error));
    QVERIFY(!outcome.error.contains(QLatin1Char('\n')));
    QVERIFY(outcome.output.isEmpty());
    QVERIFY(!QFile::exists(pdf()));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
}

void tst_BolCommand::refusedSaveLeavesNoPdf()
{
    m_fixture->refuseNewNumbers();
    const BolCommand::Outcome outcome = BolCommand::run(arguments(fullBill(), true));
    QCOMPARE(outcome.exitCode, BolCommand::UsageOrDataError);
    QVERIFY2(outcome.error.contains(QStringLiteral("the numbers are closed for the year")),
        qPrintable(outcome.error));
    QVERIFY(!QFile::exists(pdf()));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
}

void tst_BolCommand::customersListsEveryCustomer()
{
    const CustomersCommand::Outcome outcome
        = CustomersCommand::run({QStringLiteral("customers"), QStringLiteral("--db"),
            m_fixture->path(), QStringLiteral("--json")});
    QCOMPARE(outcome.error, QString());
    QCOMPARE(outcome.exitCode, 0);
    const QJsonArray customers = QJsonDocument::fromJson(outcome.output).array();
    QCOMPARE(customers.size(), 3);
    const QJsonObject leduc = customers.at(0).toObject();
    QCOMPARE(leduc.value("customerId").toInteger(), 1);
    QCOMPARE(leduc.value("name").toString(), QStringLiteral("Atelier Leduc"));
    QCOMPARE(leduc.value("street").toString(), QStringLiteral("220 rue Principale"));
    QCOMPARE(leduc.value("postalCode").toString(), QStringLiteral("J2G 2V5"));
    QCOMPARE(customers.at(1).toObject().value("province"), QJsonValue(QJsonValue::Null));
    const QJsonObject nameless = customers.at(2).toObject();
    QCOMPARE(nameless.value("customerId").toInteger(), 3);
    QCOMPARE(nameless.keys(),
        QStringList({"city", "customerId", "name", "postalCode", "province", "street",
            "telephone"}));
    QCOMPARE(nameless.value("telephone"), QJsonValue(QJsonValue::Null));
    // Only read: the file is as it was.
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
}

void tst_BolCommand::commandsSayOneLineOrNothing_data()
{
    // DB, DATA and OUT stand for this case's database, BOL.json and PDF.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<int>("exitCode");
    QTest::newRow("bol") << QStringList {"bol", "--db", "DB", "--data", "DATA", "--pdf", "OUT"}
                         << 0;
    QTest::newRow("bol over the database")
        << QStringList {"bol", "--db", "DB", "--data", "DATA", "--pdf", "DB"} << 2;
    QTest::newRow("bol without data") << QStringList {"bol", "--db", "DB", "--pdf", "OUT"} << 2;
    QTest::newRow("bol unknown option") << QStringList {"bol", "--db", "DB", "--fast"} << 2;
    QTest::newRow("quote") << QStringList {"quote", "--db", "DB", "--weight", "1200", "--pallets",
        "3", "--destination", "NEW YORK", "--json"}
                           << 0;
    QTest::newRow("quote read in part") << QStringList {"quote", "--db", "DB", "--weight",
        "1,200", "--destination", "NEW YORK", "--json"}
                                        << 2;
    QTest::newRow("quote unknown option") << QStringList {"quote", "--fast"} << 2;
    QTest::newRow("customers") << QStringList {"customers", "--db", "DB", "--json"} << 0;
    QTest::newRow("customers unknown option") << QStringList {"customers", "--fast"} << 2;
    QTest::newRow("init over a file") << QStringList {"init", "--db", "DB"} << 2;
    QTest::newRow("rates unknown carrier") << QStringList {"rates", "export", "--db", "DB",
        "--carrier", "NOBODY", "--kind", "weight", "--csv", "-"}
                                           << 2;
}

void tst_BolCommand::commandsSayOneLineOrNothing()
{
    QFETCH(QStringList, args);
    QFETCH(int, exitCode);
    arguments(fullBill());
    args.replaceInStrings(QStringLiteral("DATA"), m_dir->filePath(QStringLiteral("bol.json")));
    args.replaceInStrings(QStringLiteral("DB"), m_fixture->path());
    args.replaceInStrings(QStringLiteral("OUT"), pdf());
    // As under cron or as root: no display, no runtime folder.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"XDG_RUNTIME_DIR", "DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"})
        environment.remove(QLatin1String(name));
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(ROUVEL_PROGRAM), args);
    QVERIFY(process.waitForFinished(60000));
    QCOMPARE(process.exitCode(), exitCode);
    const QByteArray errors = process.readAllStandardError();
    if (exitCode == 0) {
        QCOMPARE(QString::fromUtf8(errors), QString());
    } else {
        QCOMPARE(errors.count('\n'), 1);
        QVERIFY2(errors.endsWith('\n'), errors.constData());
    }
}

QTEST_MAIN(tst_BolCommand)
#include "tst_bolcommand.moc"

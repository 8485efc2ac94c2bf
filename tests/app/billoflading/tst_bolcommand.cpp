#include "BillOfLadingFixture.h"

#include "cli/BolCommand.h"

#include <QBuffer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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

QTEST_MAIN(tst_BolCommand)
#include "tst_bolcommand.moc"

#include "BillOfLadingFixture.h"

#include "billoflading/BillOfLading.h"
#include "data/DataError.h"
#include "core/Currency.h"

#include <QTest>

#include <memory>

namespace {

Currency dollars(double value) { return Currency::fromDouble(value); }

BillHandOff acmeHandOff()
{
    BillHandOff h;
    h.blCarrierName = QStringLiteral("ACME");
    h.blPrice = dollars(1234.5);
    h.blRate = dollars(102.875);
    h.blWeight = 1200;
    h.blPallets = 3;
    h.destName = QStringLiteral("NEW YORK");
    return h;
}

} // namespace

class tst_BillOfLading : public QObject
{
    Q_OBJECT

private slots:
    void init();

    void rateOverrideOrder_data();
    void rateOverrideOrder();
    void packageText_data();
    void packageText();
    void activationFillsTheWindow();
    void chargesShowButPrintedValuesStay();
    void pickCustomer_data();
    void pickCustomer();
    void activationAfterReturnFromCustomers();
    void thirdPartyCanBeCleared();
    void agreementStaysVisibleWhileItHoldsText();
    void goodsChoices_data();
    void goodsChoices();
    void unknownCarrierLeavesTheBlockEmpty();
    void ownCompanyProblems_data();
    void ownCompanyProblems();
    void saveAddsOneRow();
    void numberToSave_data();
    void numberToSave();
    void refusedSaveWritesNothing();
    void numberTakenMeanwhileIsNotSavedAgain();
    void printingReadsTheNumberAgain();
    void numberPastTheLargestIsRefused();
    void numbersAreUnique();
    void newWindowProposesTheNextNumber();

    void memo_data();
    void memo();
    void orderHeading_data();
    void orderHeading();
    void composedTexts_data();
    void composedTexts();

private:
    BillOfLading &loaded(const BillHandOff &handOff = acmeHandOff());
    std::unique_ptr<BillOfLadingFixture> m_fixture;
    std::unique_ptr<BillOfLading> m_bill;
};

void tst_BillOfLading::init()
{
    m_fixture = std::make_unique<BillOfLadingFixture>();
    m_bill = std::make_unique<BillOfLading>();
}

BillOfLading &tst_BillOfLading::loaded(const BillHandOff &handOff)
{
    m_bill->load(m_fixture->database());
    const QString message = m_bill->activate(handOff);
    if (!message.isEmpty())
        qWarning("activation message: %s", qPrintable(message));
    return *m_bill;
}

void tst_BillOfLading::rateOverrideOrder_data()
{
    QTest::addColumn<bool>("weightChosen");
    QTest::addColumn<bool>("palletChosen");
    QTest::addColumn<QString>("rateField");
    QTest::newRow("no pick: the handed rate") << false << false << "102.88$";
    QTest::newRow("weight pick") << true << false << "9.10$";
    QTest::newRow("pallet pick") << false << true << "42.50$";
    QTest::newRow("both: the pallet pick wins") << true << true << "42.50$";
}

void tst_BillOfLading::rateOverrideOrder()
{
    QFETCH(bool, weightChosen);
    QFETCH(bool, palletChosen);
    QFETCH(QString, rateField);
    BillHandOff h = acmeHandOff();
    h.weightChosen = weightChosen;
    h.palletChosen = palletChosen;
    h.weightClickRate = dollars(9.1);
    h.palletClickRate = dollars(42.5);
    BillOfLading &bill = loaded(h);
    QCOMPARE(bill.state().rateField, rateField);
    QCOMPARE(bill.printForm().rateText(), rateField);
    QCOMPARE(bill.handOff().blRate, h.effectiveRate());
}

void tst_BillOfLading::packageText_data()
{
    QTest::addColumn<int>("pallets");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0 pallet";
    QTest::newRow("1") << 1 << "1 pallet";
    QTest::newRow("2") << 2 << "2 pallets";
    QTest::newRow("12") << 12 << "12 pallets";
}

void tst_BillOfLading::packageText()
{
    QFETCH(int, pallets);
    QFETCH(QString, text);
    BillHandOff h = acmeHandOff();
    h.blPallets = pallets;
    QCOMPARE(loaded(h).state().form.packages, text);
}

void tst_BillOfLading::activationFillsTheWindow()
{
    const BillOfLading &bill = loaded();
    const BillOfLading::State &s = bill.state();
    QCOMPARE(s.tab, BillOfLading::Tab::Parties);
    QCOMPARE(s.form.date, BillOfLading::today());
    QCOMPARE(s.form.number, QStringLiteral("58"));
    QCOMPARE(s.form.weight, 1200);
    QCOMPARE(s.amountField, QStringLiteral("1 234.50$"));
    QCOMPARE(s.form.carrier.name, QStringLiteral("Acme Transport Inc."));
    QCOMPARE(s.form.carrier.fax, QStringLiteral("514 555-0002"));
    QCOMPARE(s.form.carrierCityLine(), QStringLiteral("Montreal QC H1A 1A1"));
    QCOMPARE(s.carrierCaption, QStringLiteral("Acme Transport Inc."));
    QCOMPARE(s.form.consignee.city, QStringLiteral("NEW YORK"));
    QVERIFY(s.form.consignee.name.isEmpty());
    QCOMPARE(s.customerNames, QStringList({"Atelier Leduc", "Plains Supply", "Nameless"}));
    QCOMPARE(s.customerIndex, -1);
    QCOMPARE(s.pointOfOrigin, QStringLiteral("Laval"));
    QCOMPARE(bill.printForm().shipperCityLine(), QStringLiteral("Laval QC H7L 4S3"));
}

void tst_BillOfLading::chargesShowButPrintedValuesStay()
{
    BillOfLading &bill = loaded();
    bill.chooseCharges(Charges::Collect);
    QCOMPARE(bill.state().rateField, QStringLiteral("0.00 $"));
    QCOMPARE(bill.state().amountField, QStringLiteral("0.00 $"));
    BillOfLadingForm printed = bill.printForm();
    QCOMPARE(printed.chargesText(), QStringLiteral("Collect X"));
    QCOMPARE(printed.rateText(), QStringLiteral("102.88$"));
    QCOMPARE(printed.priceText(), QStringLiteral("1 234.50$"));

    bill.chooseCharges(Charges::Prepaid);
    QCOMPARE(bill.state().rateField, QStringLiteral("102.88$"));
    QCOMPARE(bill.state().amountField, QStringLiteral("1 234.50$"));
    QCOMPARE(bill.printForm().chargesText(), QStringLiteral("Prepaid X"));

    // What the user types in "Amount" is not what the carrier is owed.
    bill.chooseCharges(Charges::PrepaidAndCharge);
    bill.setAmountText(QStringLiteral("1.00$"));
    printed = bill.printForm();
    QCOMPARE(printed.chargesText(), QStringLiteral("Prepaid and charge X"));
    QCOMPARE(printed.priceText(), QStringLiteral("1 234.50$"));
}

void tst_BillOfLading::pickCustomer_data()
{
    QTest::addColumn<int>("index");
    QTest::addColumn<QStringList>("consignee");
    QTest::addColumn<QString>("cityLine");
    QTest::newRow("full address") << 0
                                  << QStringList {"Atelier Leduc", "220 rue Principale", "Granby",
                                         "QC", "J2G 2V5", "450 555-0101"}
                                  << "Granby QC J2G 2V5";
    QTest::newRow("no province") << 1
                                 << QStringList {"Plains Supply", "1 Prairie Road", "Fargo", "",
                                        "58102", "701 555-0199"}
                                 << "Fargo  58102";
    QTest::newRow("only a name") << 2 << QStringList {"Nameless", "", "", "", "", ""} << "  ";
}

void tst_BillOfLading::pickCustomer()
{
    QFETCH(int, index);
    QFETCH(QStringList, consignee);
    QFETCH(QString, cityLine);
    BillOfLading &bill = loaded();
    QVERIFY(bill.pickCustomer(index));
    const PartyAddress &c = bill.state().form.consignee;
    QCOMPARE(QStringList({c.name, c.street, c.city, c.province, c.postalCode, c.telephone}), consignee);
    QCOMPARE(bill.printForm().consigneeCityLine(), cityLine);
    QCOMPARE(bill.state().customerIndex, index);
    QVERIFY(!bill.pickCustomer(3));
    QVERIFY(!bill.pickCustomer(-1));
    QCOMPARE(bill.state().customerIndex, index);
}

void tst_BillOfLading::activationAfterReturnFromCustomers()
{
    BillOfLading &bill = loaded();
    bill.pickCustomer(0);
    bill.chooseGoods(Goods::Grilles);
    bill.chooseCharges(Charges::Collect);
    bill.setThirdParty(true);
    bill.chooseSpaceUsed(SpaceUsed::Half);
    bill.setAppointment(true);
    bill.setSpecialAgreement(true);
    bill.setAgreement(QStringLiteral("Deliver before noon"));
    bill.setCartons(QStringLiteral("14"));
    bill.setOrder(2, QStringLiteral("PO-3"));
    bill.setDate(QStringLiteral("1999-01-01"));

    // The customers window added one; coming back activates the window again.
    m_fixture->addCustomer({"Zenith Air", "5 Sky Lane", "Boston", "MA", "02101", "617 555-0111"});
    QVERIFY(bill.activate(acmeHandOff()).isEmpty());

    const BillOfLading::State &s = bill.state();
    QCOMPARE(s.tab, BillOfLading::Tab::Parties);
    QCOMPARE(s.form.date, BillOfLading::today());
    QCOMPARE(s.customerNames.last(), QStringLiteral("Zenith Air"));
    QCOMPARE(s.customerIndex, -1);
    const PartyAddress &c = s.form.consignee;
    QCOMPARE(QStringList({c.name, c.street, c.city, c.province, c.postalCode, c.telephone}),
        QStringList({"", "", "NEW YORK", "", "", ""}));
    QCOMPARE(s.goods, Goods::None);
    QVERIFY(s.form.description.isEmpty());
    QCOMPARE(s.form.charges, Charges::None);
    QCOMPARE(s.rateField, QStringLiteral("102.88$"));
    QVERIFY(!s.form.thirdParty);
    QCOMPARE(s.form.spaceUsed, SpaceUsed::None);
    QVERIFY(!s.form.appointment);
    QVERIFY(!s.specialAgreement);
    // Kept: cartons, order numbers and the agreement, which stays in sight as it still prints.
    QCOMPARE(s.form.cartons, QStringLiteral("14"));
    QCOMPARE(s.form.orders.at(2), QStringLiteral("PO-3"));
    QCOMPARE(s.form.agreement, QStringLiteral("Deliver before noon"));
    QVERIFY(s.agreementShown);
    QCOMPARE(bill.printForm().memo(), QStringLiteral("Deliver before noon"));
}

void tst_BillOfLading::thirdPartyCanBeCleared()
{
    BillOfLading &bill = loaded();
    bill.setThirdParty(true);
    QCOMPARE(bill.printForm().thirdPartyText(), QStringLiteral("Third party billing  X"));
    bill.setThirdParty(false);
    QVERIFY(bill.printForm().thirdPartyText().isEmpty());
}

void tst_BillOfLading::agreementStaysVisibleWhileItHoldsText()
{
    BillOfLading &bill = loaded();
    QVERIFY(!bill.state().agreementShown);
    bill.setSpecialAgreement(true);
    QVERIFY(bill.state().agreementShown);
    bill.setSpecialAgreement(false);
    QVERIFY(bill.state().agreementShown);
    // Emptied, the next activation hides it again.
    QVERIFY(bill.activate(acmeHandOff()).isEmpty());
    QVERIFY(!bill.state().agreementShown);
    bill.setSpecialAgreement(true);
    bill.setAgreement(QStringLiteral("Fragile"));
    QVERIFY(bill.activate(acmeHandOff()).isEmpty());
    QVERIFY(bill.state().agreementShown);
    QVERIFY(!bill.state().specialAgreement);
}

void tst_BillOfLading::goodsChoices_data()
{
    QTest::addColumn<Goods>("goods");
    QTest::addColumn<QString>("description");
    QTest::newRow("conduits") << Goods::Conduits << "conduits";
    QTest::newRow("grilles") << Goods::Grilles << "grilles";
    QTest::newRow("prises d'air") << Goods::PrisesDAir << "prises d'air";
    QTest::newRow("diffuseurs") << Goods::Diffuseurs << "diffuseurs";
    QTest::newRow("autres") << Goods::Autres << "";
}

void tst_BillOfLading::goodsChoices()
{
    QFETCH(Goods, goods);
    QFETCH(QString, description);
    BillOfLading &bill = loaded();
    bill.setDescription(QStringLiteral("typed before"));
    bill.chooseGoods(goods);
    QCOMPARE(bill.state().form.description, description);
    QCOMPARE(bill.printForm().description, description);
}

void tst_BillOfLading::unknownCarrierLeavesTheBlockEmpty()
{
    BillHandOff h = acmeHandOff();
    h.blCarrierName = QStringLiteral("NOBODY");
    const BillOfLadingForm form = loaded(h).printForm();
    QVERIFY(form.carrier.name.isEmpty());
    QCOMPARE(form.carrierCityLine(), QStringLiteral("  "));
    QVERIFY(m_bill->state().carrierCaption.isEmpty());
}

void tst_BillOfLading::ownCompanyProblems_data()
{
    QTest::addColumn<bool>("removeRow");
    QTest::addColumn<QString>("messagePart");
    QTest::newRow("no city") << false << BillOfLading::noCompanyCityMessage();
    QTest::newRow("no row") << true << QStringLiteral("the table origine holds no row");
}

void tst_BillOfLading::ownCompanyProblems()
{
    QFETCH(bool, removeRow);
    QFETCH(QString, messagePart);
    if (removeRow)
        m_fixture->removeOwnCompany();
    else
        m_fixture->setOwnCompany({"Ventilation Rouvel", "100 boul. Industriel", nullptr, "QC",
            "H7L 4S3", "450 555-0000"});
    m_bill->load(m_fixture->database());
    const QString message = m_bill->activate(acmeHandOff());
    QVERIFY2(message.contains(messagePart), qPrintable(message));
    QVERIFY(m_bill->state().pointOfOrigin.isEmpty());

    QString problem;
    const BillOfLadingForm form = m_bill->printForm(&problem);
    QCOMPARE(problem.isEmpty(), !removeRow);
    QCOMPARE(form.shipper.name.isEmpty(), removeRow);
    // The rest of the bill is still there to print.
    QCOMPARE(form.carrier.name, QStringLiteral("Acme Transport Inc."));
}

void tst_BillOfLading::saveAddsOneRow()
{
    BillOfLading &bill = loaded();
    QVERIFY(bill.saveNumber().isEmpty());
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58}));
}

void tst_BillOfLading::numberToSave_data()
{
    QTest::addColumn<QString>("numberText");
    QTest::addColumn<int>("saved");
    QTest::newRow("number") << "58" << 58;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("no number") << "abc" << 0;
    QTest::newRow("leading number") << " 77b" << 77;
    QTest::newRow("largest") << "2147483647" << 2147483647;
    // Beyond it a number would be saturated: printed as one, recorded as another.
    QTest::newRow("one past the largest") << "2147483648" << -1;
    QTest::newRow("far past") << "3000000001" << -1;
}

void tst_BillOfLading::numberToSave()
{
    QFETCH(QString, numberText);
    QFETCH(int, saved); // -1: refused
    QCOMPARE(BillOfLading::numberToSave(numberText).value_or(-1), saved);
}

void tst_BillOfLading::numberTakenMeanwhileIsNotSavedAgain()
{
    BillOfLading &bill = loaded();
    QCOMPARE(bill.state().form.number, QStringLiteral("58"));
    // Another bill, in another window or process, saves 58 first.
    BillOfLading other;
    other.load(Database::open(m_fixture->path()));
    QVERIFY(other.saveNumber().isEmpty());

    QCOMPARE(bill.saveNumber(),
        QStringLiteral("The number 58 was saved by another bill after this one was printed. "
                       "Print this bill again: its number is now 59."));
    QCOMPARE(bill.state().form.number, QStringLiteral("59"));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58}));
}

void tst_BillOfLading::printingReadsTheNumberAgain()
{
    BillOfLading &bill = loaded();
    m_fixture->addSavedNumber(58);
    QVERIFY(bill.refreshNumber().isEmpty());
    QCOMPARE(bill.state().form.number, QStringLiteral("59"));
    QVERIFY(bill.saveNumber().isEmpty());
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58, 59}));
}

void tst_BillOfLading::numberPastTheLargestIsRefused()
{
    m_fixture->addSavedNumber(2147483647);
    BillOfLading &bill = loaded();
    const QString message = QStringLiteral(
        "The next bill of lading number 2147483648 is too large: the numbers stop at 2147483647.");
    QCOMPARE(bill.refreshNumber(), message);
    QCOMPARE(bill.saveNumber(), message);
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 2147483647}));
}

void tst_BillOfLading::numbersAreUnique()
{
    QVERIFY(m_fixture->hasNumberIndex());
    QVERIFY_THROWS_EXCEPTION(DataError, m_fixture->addSavedNumber(57));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));

    // An older file that repeats a number keeps its rows and still opens and saves.
    m_fixture->makeOlderFileWithRepeatedNumber(57);
    BillOfLading bill;
    bill.load(Database::open(m_fixture->path()));
    QVERIFY(!m_fixture->hasNumberIndex());
    QCOMPARE(bill.state().form.number, QStringLiteral("58"));
    QVERIFY(bill.saveNumber().isEmpty());
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 57, 57, 58}));
}

void tst_BillOfLading::refusedSaveWritesNothing()
{
    BillOfLading &bill = loaded();
    m_fixture->refuseNewNumbers();
    const QString message = bill.saveNumber();
    QVERIFY2(message.contains(QStringLiteral("58")), qPrintable(message));
    QVERIFY2(message.contains(QStringLiteral("the numbers are closed for the year")),
        qPrintable(message));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
    // Still usable: the same save is refused again, nothing half-written in between.
    QVERIFY(!bill.saveNumber().isEmpty());
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
    QVERIFY(bill.activate(acmeHandOff()).isEmpty());
}

void tst_BillOfLading::newWindowProposesTheNextNumber()
{
    BillOfLading &bill = loaded();
    QVERIFY(bill.saveNumber().isEmpty());
    // The number is read once per window: this one keeps 58, a new one proposes 59.
    QVERIFY(bill.activate(acmeHandOff()).isEmpty());
    QCOMPARE(bill.state().form.number, QStringLiteral("58"));
    BillOfLading next;
    next.load(m_fixture->database());
    QCOMPARE(next.state().form.number, QStringLiteral("59"));
}

void tst_BillOfLading::memo_data()
{
    QTest::addColumn<bool>("appointment");
    QTest::addColumn<QString>("agreement");
    QTest::addColumn<QString>("memo");
    QTest::newRow("appointment and agreement") << true << "Call 2 h before"
                                               << "Appointment with customer - Call 2 h before";
    QTest::newRow("appointment, empty agreement") << true << ""
                                                  << "Appointment with customer - ";
    QTest::newRow("agreement alone") << false << "Call 2 h before"
                                     << "Call 2 h before";
    QTest::newRow("nothing") << false << ""
                             << "";
}

void tst_BillOfLading::memo()
{
    QFETCH(bool, appointment);
    QFETCH(QString, agreement);
    QFETCH(QString, memo);
    BillOfLadingForm form;
    form.appointment = appointment;
    form.agreement = agreement;
    QCOMPARE(form.memo(), memo);
}

void tst_BillOfLading::orderHeading_data()
{
    QTest::addColumn<QStringList>("orders");
    QTest::addColumn<QString>("heading");
    QTest::newRow("none") << QStringList {"", "", "", "", ""} << "Customer order no:";
    QTest::newRow("only the first") << QStringList {"A1", "", "", "", ""} << "Customer order no:";
    QTest::newRow("only the third") << QStringList {"", "", "C3", "", ""} << "Customer order nos:";
    QTest::newRow("only the fifth") << QStringList {"", "", "", "", "E5"} << "Customer order nos:";
    QTest::newRow("all") << QStringList {"A1", "B2", "C3", "D4", "E5"} << "Customer order nos:";
}

void tst_BillOfLading::orderHeading()
{
    QFETCH(QStringList, orders);
    QFETCH(QString, heading);
    BillOfLadingForm form;
    for (int i = 0; i < BillOfLadingForm::OrderCount; ++i)
        form.orders.at(size_t(i)) = orders.at(i);
    QCOMPARE(form.orderHeading(), heading);
}

void tst_BillOfLading::composedTexts_data()
{
    QTest::addColumn<int>("weight");
    QTest::addColumn<double>("rate");
    QTest::addColumn<QString>("weightText");
    QTest::addColumn<QString>("rateText");
    QTest::newRow("zero") << 0 << 0.0 << "0 LBS"
                          << "0.00$";
    QTest::newRow("thousands") << 40000 << 12345.678 << "40000 LBS"
                               << "12 345.68$";
}

void tst_BillOfLading::composedTexts()
{
    QFETCH(int, weight);
    QFETCH(double, rate);
    QFETCH(QString, weightText);
    QFETCH(QString, rateText);
    BillOfLadingForm form;
    form.weight = weight;
    form.rate = dollars(rate);
    QCOMPARE(form.weightText(), weightText);
    QCOMPARE(form.rateText(), rateText);
    QVERIFY(form.chargesText().isEmpty());
    QVERIFY(form.thirdPartyText().isEmpty());
}

QTEST_GUILESS_MAIN(tst_BillOfLading)
#include "tst_billoflading.moc"

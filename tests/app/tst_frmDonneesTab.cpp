#include "billoflading/BillOfLadingFixture.h"

#include "ModMAJ.h"
#include "ModRouvel.h"
#include "frmDonneesTab.h"

#include "VellumPrinter.h"
#include "WindowTesting.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>

#include <functional>
#include <QTimer>
#include <QWindow>

#include <memory>

using namespace WindowTesting;

namespace {

// Answers the modal windows as they come: closes the preview, answers questions with the
// button given, acknowledges messages, and keeps what each one said.
class ModalAnswerer : public QObject
{
public:
    explicit ModalAnswerer(QMessageBox::StandardButton answer)
        : m_answer(answer)
    {
        m_timer.setInterval(20);
        connect(&m_timer, &QTimer::timeout, this, [this] { answerModal(); });
        m_timer.start();
    }

    QStringList seen; // "preview" or the text of a message box
    std::function<void()> duringPreview; // what happens elsewhere while the preview is open

private:
    void answerModal()
    {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            seen << box->text();
            QAbstractButton *button = box->button(m_answer);
            if (!button)
                button = box->button(QMessageBox::Ok);
            button->click();
        } else if (auto *dialog = qobject_cast<QDialog *>(modal)) {
            seen << QStringLiteral("preview");
            if (duringPreview)
                duringPreview();
            dialog->reject();
        }
    }

    QMessageBox::StandardButton m_answer;
    QTimer m_timer;
};

// A click on the mark of a choice or check box, where the user clicks.
void clickChoice(QAbstractButton *button)
{
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(8, button->height() / 2));
}

} // namespace

class tst_frmDonneesTab : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void showsTheBill();
    void rateOverride_data();
    void rateOverride();
    void pickingACustomerFillsTheConsignee();
    void chargesChoices();
    void goodsChoices();
    void thirdPartyCanBeCleared();
    void agreementTextStaysInSight();
    void agreementTooLongIsNotPrinted();
    void returnFromCustomersActivates();
    void printAndAnswerNo();
    void printAndAnswerYes();
    void refusedSaveIsTold();
    void numberSavedElsewhere_data();
    void numberSavedElsewhere();
    void missingOwnCompanyIsTold();
    void closeBoxReturnsToMain();

private:
    template<typename T> T *child(const char *name) const
    {
        return requiredChild<T>(m_window.get(), QString::fromLatin1(name));
    }
    QString field(const char *name) const { return child<QLineEdit>(name)->text(); }
    void open();
    QStringList print(QMessageBox::StandardButton answer);

    std::unique_ptr<BillOfLadingFixture> m_fixture;
    std::unique_ptr<QWidget> m_main; // stands for the main window
    QPointer<frmDonneesTab> m_window;
    BillHandOff m_handOff; // what "Prepare bill of lading" hands the next window
    int m_programEnds = 0;
};

void tst_frmDonneesTab::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
}

void tst_frmDonneesTab::init()
{
    m_fixture = std::make_unique<BillOfLadingFixture>();
    ModRouvel::dbPath = m_fixture->path();
    m_handOff = BillHandOff();
    m_handOff.destName = QStringLiteral("NEW YORK");
    m_handOff.blCarrierName = QStringLiteral("ACME");
    m_handOff.blPrice = Currency::fromDouble(1234.5);
    m_handOff.blRate = Currency::fromDouble(102.875);
    m_handOff.blWeight = 1200;
    m_handOff.blPallets = 3;
    m_main = std::make_unique<QWidget>();
    m_main->setObjectName(QStringLiteral("entreval"));
}

void tst_frmDonneesTab::cleanup()
{
    delete m_window;
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == QLatin1String("Clients"))
            delete widget;
    }
    m_main.reset();
}

void tst_frmDonneesTab::open()
{
    m_window = new frmDonneesTab(m_handOff);
    m_window->setReturnTo(m_main.get());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    QTRY_COMPARE(field("dateField"), BillOfLading::today());
}

QStringList tst_frmDonneesTab::print(QMessageBox::StandardButton answer)
{
    ModalAnswerer answerer(answer);
    QTest::mouseClick(child<QPushButton>("printButton"), Qt::LeftButton);
    return answerer.seen;
}

void tst_frmDonneesTab::showsTheBill()
{
    open();
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Bill of lading details"));
    QCOMPARE(ModMAJ::loadedWindow(QStringLiteral("frmDonnéesTab")), m_window.data());
    auto *tabs = child<QTabWidget>("tabs");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QStringLiteral("Identification of parties"));
    QCOMPARE(tabs->tabText(1), QStringLiteral("Details"));
    QCOMPARE(tabs->currentIndex(), 0);

    QCOMPARE(field("consigneeCity"), QStringLiteral("NEW YORK"));
    QVERIFY(field("consigneeName").isEmpty());
    QCOMPARE(field("pointOfOrigin"), QStringLiteral("Laval"));
    QCOMPARE(field("carrierName"), QStringLiteral("Acme Transport Inc."));
    QCOMPARE(field("carrierFax"), QStringLiteral("514 555-0002"));
    auto *customers = child<QComboBox>("customerList");
    QCOMPARE(customers->count(), 3);
    QCOMPARE(customers->currentIndex(), -1);
    QCOMPARE(customers->placeholderText(), QStringLiteral("Select customer"));

    QCOMPARE(field("packagesField"), QStringLiteral("3 pallets"));
    QCOMPARE(field("weightField"), QStringLiteral("1200"));
    QCOMPARE(field("rateField"), QStringLiteral("102.88$"));
    QCOMPARE(field("amountField"), QStringLiteral("1 234.50$"));
    QCOMPARE(field("numberField"), QStringLiteral("58"));
    QCOMPARE(child<QLabel>("carrierCaption")->text(), QStringLiteral("Acme Transport Inc."));
    QVERIFY(child<QPlainTextEdit>("agreementText")->isHidden());

    // Read-only fields and "Amount" are light green; only "Amount" of them takes typing.
    for (const char *name : {"consigneeName", "carrierName", "pointOfOrigin", "packagesField",
             "weightField", "rateField", "numberField", "amountField"}) {
        QLineEdit *edit = child<QLineEdit>(name);
        QVERIFY2(edit->styleSheet().contains(QStringLiteral("#c0ffc0")), name);
        QCOMPARE(edit->isReadOnly(), qstrcmp(name, "amountField") != 0);
    }
    for (const char *name : {"cartonsField", "dateField", "descriptionField", "order1", "order5"})
        QVERIFY2(!child<QLineEdit>(name)->isReadOnly(), name);
}

void tst_frmDonneesTab::rateOverride_data()
{
    QTest::addColumn<bool>("weightChosen");
    QTest::addColumn<bool>("palletChosen");
    QTest::addColumn<QString>("rate");
    QTest::newRow("weight pick") << true << false << "9.10$";
    QTest::newRow("both: the pallet pick wins") << true << true << "42.50$";
}

void tst_frmDonneesTab::rateOverride()
{
    QFETCH(bool, weightChosen);
    QFETCH(bool, palletChosen);
    QFETCH(QString, rate);
    m_handOff.weightChosen = weightChosen;
    m_handOff.palletChosen = palletChosen;
    m_handOff.weightClickRate = Currency::fromDouble(9.1);
    m_handOff.palletClickRate = Currency::fromDouble(42.5);
    open();
    QCOMPARE(field("rateField"), rate);
    QCOMPARE(BillOfLadingForm::moneyText(m_window->bill().handOff().blRate), rate);
}

void tst_frmDonneesTab::pickingACustomerFillsTheConsignee()
{
    open();
    auto *customers = child<QComboBox>("customerList");
    customers->setCurrentIndex(1); // moving in the list is no pick
    QVERIFY(field("consigneeName").isEmpty());
    QCOMPARE(field("consigneeCity"), QStringLiteral("NEW YORK"));
    customers->activated(1);
    QCOMPARE(field("consigneeName"), QStringLiteral("Plains Supply"));
    QCOMPARE(field("consigneeStreet"), QStringLiteral("1 Prairie Road"));
    QCOMPARE(field("consigneeCity"), QStringLiteral("Fargo"));
    QCOMPARE(field("consigneeProvince"), QString());
    QCOMPARE(field("consigneePostCode"), QStringLiteral("58102"));
    QCOMPARE(field("consigneePhone"), QStringLiteral("701 555-0199"));
}

void tst_frmDonneesTab::chargesChoices()
{
    open();
    child<QTabWidget>("tabs")->setCurrentIndex(1);
    clickChoice(child<QRadioButton>("charges1")); // Collect
    QCOMPARE(field("rateField"), QStringLiteral("0.00 $"));
    QCOMPARE(field("amountField"), QStringLiteral("0.00 $"));
    clickChoice(child<QRadioButton>("charges2")); // Prepaid
    QCOMPARE(field("rateField"), QStringLiteral("102.88$"));
    QCOMPARE(field("amountField"), QStringLiteral("1 234.50$"));
    QCOMPARE(m_window->bill().printForm().chargesText(), QStringLiteral("Prepaid X"));
}

void tst_frmDonneesTab::goodsChoices()
{
    open();
    child<QTabWidget>("tabs")->setCurrentIndex(1);
    auto *description = child<QLineEdit>("descriptionField");
    clickChoice(child<QRadioButton>("goods4")); // diffuseurs
    QCOMPARE(description->text(), QStringLiteral("diffuseurs"));
    clickChoice(child<QRadioButton>("goods5")); // autres
    QVERIFY(description->text().isEmpty());
    QTRY_VERIFY(description->hasFocus());
    QTest::keyClicks(description, QStringLiteral("volets"));
    QCOMPARE(m_window->bill().printForm().description, QStringLiteral("volets"));
}

void tst_frmDonneesTab::thirdPartyCanBeCleared()
{
    open();
    child<QTabWidget>("tabs")->setCurrentIndex(1);
    auto *mark = child<QCheckBox>("thirdPartyCheck");
    QCOMPARE(mark->text(), QStringLiteral("Third party billing"));
    clickChoice(mark);
    QCOMPARE(
        m_window->bill().printForm().thirdPartyText(), QStringLiteral("Third party billing  X"));
    clickChoice(mark);
    QVERIFY(!mark->isChecked());
    QVERIFY(m_window->bill().printForm().thirdPartyText().isEmpty());
}

void tst_frmDonneesTab::agreementTooLongIsNotPrinted()
{
    open();
    QStringList lines;
    for (int i = 1; i <= 40; ++i)
        lines << QStringLiteral("Condition %1").arg(i);
    child<QPlainTextEdit>("agreementText")->setPlainText(lines.join(QLatin1Char('\n')));
    ModalAnswerer answerer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>("printButton"), Qt::LeftButton);
    QTRY_COMPARE(answerer.seen.size(), 1);
    QTest::qWait(100); // no preview, no question follows
    QCOMPARE(answerer.seen.size(), 1);
    QCOMPARE(answerer.seen.first(),
        QStringLiteral("The special agreement is too long for the bill: 32 lines fit, it needs 40. "
                       "Shorten it."));
    QVERIFY(m_window && m_window->isVisible());
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
}

void tst_frmDonneesTab::agreementTextStaysInSight()
{
    open();
    child<QTabWidget>("tabs")->setCurrentIndex(1);
    auto *special = child<QCheckBox>("specialAgreementCheck");
    auto *text = child<QPlainTextEdit>("agreementText");
    QCOMPARE(special->text(), QStringLiteral("Spécial agreement"));
    clickChoice(special);
    QVERIFY(text->isVisible());
    QTRY_VERIFY(text->hasFocus());
    QTest::keyClicks(text, QStringLiteral("Tailgate"));
    clickChoice(special);
    QVERIFY(text->isVisible());
    QCOMPARE(m_window->bill().printForm().memo(), QStringLiteral("Tailgate"));
}

void tst_frmDonneesTab::returnFromCustomersActivates()
{
    open();
    child<QComboBox>("customerList")->activated(0);
    child<QTabWidget>("tabs")->setCurrentIndex(1);
    for (const char *name : {"goods2", "charges1", "space3"})
        clickChoice(child<QRadioButton>(name));
    for (const char *name : {"thirdPartyCheck", "appointmentCheck", "specialAgreementCheck"})
        clickChoice(child<QCheckBox>(name));
    QTest::keyClicks(child<QPlainTextEdit>("agreementText"), QStringLiteral("Call first"));
    QTest::keyClicks(child<QLineEdit>("cartonsField"), QStringLiteral("14"));

    QTest::mouseClick(child<QPushButton>("addCustomerButton"), Qt::LeftButton);
    QCOMPARE(ModRouvel::callerForm, QStringLiteral("frmDonnéesTab"));
    QWidget *customers = ModMAJ::loadedWindow(QStringLiteral("Clients"));
    QVERIFY(customers);
    QVERIFY(QTest::qWaitForWindowActive(customers));
    QVERIFY(m_window->isVisible()); // stays open behind it
    m_fixture->addCustomer({"Zenith Air", "5 Sky Lane", "Boston", "MA", "02101", "617 555-0111"});
    QTest::mouseClick(
        customers->findChild<QPushButton *>(QStringLiteral("returnButton")), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(m_window));

    QTRY_COMPARE(child<QComboBox>("customerList")->count(), 4);
    QCOMPARE(child<QComboBox>("customerList")->itemText(3), QStringLiteral("Zenith Air"));
    QCOMPARE(child<QComboBox>("customerList")->currentIndex(), -1);
    QCOMPARE(child<QTabWidget>("tabs")->currentIndex(), 0);
    for (const char *name : {"consigneeName", "consigneeStreet", "consigneeProvince",
             "consigneePostCode", "consigneePhone", "descriptionField"})
        QVERIFY2(field(name).isEmpty(), name);
    QCOMPARE(field("consigneeCity"), QStringLiteral("NEW YORK"));
    for (const char *name : {"goods2", "charges1", "space3"})
        QVERIFY2(!child<QRadioButton>(name)->isChecked(), name);
    for (const char *name : {"thirdPartyCheck", "appointmentCheck", "specialAgreementCheck"})
        QVERIFY2(!child<QCheckBox>(name)->isChecked(), name);
    QCOMPARE(field("rateField"), QStringLiteral("102.88$"));
    QCOMPARE(field("cartonsField"), QStringLiteral("14"));
    // Still printed, so still in sight.
    QVERIFY(!child<QPlainTextEdit>("agreementText")->isHidden());
}

void tst_frmDonneesTab::printAndAnswerNo()
{
    open();
    child<QComboBox>("customerList")->activated(0);
    child<QTabWidget>("tabs")->setCurrentIndex(1);
    clickChoice(child<QRadioButton>("charges1"));

    const QStringList seen = print(QMessageBox::No);
    QCOMPARE(seen,
        QStringList({QStringLiteral("preview"),
            QStringLiteral("Do you wish to save the number 58 ?\nIf the b/l has not been "
                           "printed, you should click NO")}));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
    QVERIFY(m_window);
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_main->isVisible());
    // Shown again after the preview: activated, the choices cleared.
    QTRY_COMPARE(child<QTabWidget>("tabs")->currentIndex(), 0);
    QVERIFY(!child<QRadioButton>("charges1")->isChecked());
    QCOMPARE(m_window->engine().TotalPages(), 1);
}

void tst_frmDonneesTab::printAndAnswerYes()
{
    open();
    const QStringList seen = print(QMessageBox::Yes);
    QCOMPARE(seen.size(), 2);
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58}));
    QVERIFY(m_main->isVisible());
    QTRY_VERIFY(!m_window); // closed and gone
    QCOMPARE(m_programEnds, 0);
}

void tst_frmDonneesTab::refusedSaveIsTold()
{
    open();
    m_fixture->refuseNewNumbers();
    ModalAnswerer answerer(QMessageBox::Yes);
    QTest::mouseClick(child<QPushButton>("printButton"), Qt::LeftButton);
    QTRY_COMPARE(answerer.seen.size(), 3);
    QVERIFY2(answerer.seen.at(2).contains(QStringLiteral("the numbers are closed for the year")),
        qPrintable(answerer.seen.at(2)));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
    QVERIFY(m_window);
    QVERIFY(m_window->isVisible());
    QVERIFY(!m_main->isVisible());
}

void tst_frmDonneesTab::numberSavedElsewhere_data()
{
    QTest::addColumn<bool>("beforePrinting");
    QTest::newRow("before printing: the next number prints") << true;
    QTest::newRow("while the preview is open: nothing is saved") << false;
}

void tst_frmDonneesTab::numberSavedElsewhere()
{
    QFETCH(bool, beforePrinting);
    open();
    QCOMPARE(field("numberField"), QStringLiteral("58"));
    ModalAnswerer answerer(QMessageBox::Yes);
    if (beforePrinting)
        m_fixture->addSavedNumber(58);
    else
        answerer.duringPreview = [this] { m_fixture->addSavedNumber(58); };
    QTest::mouseClick(child<QPushButton>("printButton"), Qt::LeftButton);
    if (beforePrinting) {
        QTRY_VERIFY(!m_window);
        QVERIFY(answerer.seen.contains(QStringLiteral("Do you wish to save the number 59 ?\n"
                                                      "If the b/l has not been printed, you "
                                                      "should click NO")));
        QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58, 59}));
        return;
    }
    QTRY_COMPARE(answerer.seen.size(), 3);
    QCOMPARE(answerer.seen.at(2),
        QStringLiteral("The number 58 was saved by another bill after this one was printed. "
                       "Print this bill again: its number is now 59."));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57, 58}));
    QVERIFY(m_window && m_window->isVisible());
    QCOMPARE(field("numberField"), QStringLiteral("59"));
}

void tst_frmDonneesTab::missingOwnCompanyIsTold()
{
    m_fixture->removeOwnCompany();
    ModalAnswerer answerer(QMessageBox::No);
    open();
    QTRY_COMPARE(answerer.seen.size(), 1);
    QVERIFY2(answerer.seen.first().contains(QStringLiteral("origine")),
        qPrintable(answerer.seen.first()));
    QVERIFY(field("pointOfOrigin").isEmpty());
    // Still usable: it prints, with an empty shipper block, and asks for the number.
    QTest::mouseClick(child<QPushButton>("printButton"), Qt::LeftButton);
    QTRY_VERIFY(answerer.seen.size() >= 4);
    const qsizetype preview = answerer.seen.indexOf(QStringLiteral("preview"));
    QVERIFY(preview > 0);
    // After the preview the question comes alone; the notice follows it, once.
    const QStringList after = answerer.seen.mid(preview + 1);
    QCOMPARE(after.size(), 2);
    QVERIFY2(after.first().startsWith(QStringLiteral("Do you wish to save the number 58")),
        qPrintable(after.first()));
    QVERIFY2(after.last().contains(QStringLiteral("origine")), qPrintable(after.last()));
    QCOMPARE(m_fixture->savedNumbers(), QList<qint64>({41, 57}));
}

void tst_frmDonneesTab::closeBoxReturnsToMain()
{
    open();
    print(QMessageBox::No);
    const QString report = m_window->engine().PrintFile();
    QVERIFY(QFile::exists(report));
    userCloses(m_window);
    QVERIFY(m_main->isVisible());
    QTRY_VERIFY(!m_window);
    QVERIFY(!QFile::exists(report));
    QCOMPARE(m_programEnds, 0);
}

QTEST_MAIN(tst_frmDonneesTab)
#include "tst_frmDonneesTab.moc"

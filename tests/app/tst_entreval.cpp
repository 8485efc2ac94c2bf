#include "rates/BestRateFixture.h"

#include "ModMAJ.h"
#include "ModRouvel.h"
#include "StandInWindow.h"
#include "entreval.h"
#include "frmDonneesTab.h"
#include "rates/BestRateEvaluator.h"
#include "rates/RateListModel.h"
#include "WindowTesting.h"
#include "OrdinaryUser.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <memory>

using namespace WindowTesting;

class tst_entreval : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void clerkSession();
    void emptyResultShowsTheMessage();
    void weightReadInPartIsTold();
    void prepareLeavesAndReturnClears();
    void openBillKeepsItsShipment();
    void commandsLeaveAndReturnClears_data();
    void commandsLeaveAndReturnClears();
    void closeCommandEndsTheProgram();
    void destinationArrowEmptiesTheNote();
    void failedLookupIsTold();
    void readOnlyFileIsSaidOnce();
    void weightBreakLineMovesNothing();

private:
    // Answers the message box the next step shows; shown and buttons receive what it offered.
    void answerNextMessage(QString &shown, QMessageBox::StandardButtons &buttons);
    template<typename T> T *child(const char *name) const
    {
        return requiredChild<T>(m_window.get(), QString::fromLatin1(name));
    }
    void chooseDestination(const QString &name);
    void clickRate(const char *lists, int row, int column = RateListModel::RateColumn);
    QString text(const char *label) const { return child<QLabel>(label)->text(); }

    std::unique_ptr<BestRateFixture> m_fixture;
    std::unique_ptr<entreval> m_window;
    int m_programEnds = 0;
};

void tst_entreval::initTestCase()
{
    m_fixture = std::make_unique<BestRateFixture>();
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
}

void tst_entreval::init()
{
    ModRouvel::dbPath = m_fixture->path();
    m_window = std::make_unique<entreval>();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_entreval::cleanup() { m_window.reset(); }

void tst_entreval::chooseDestination(const QString &name)
{
    auto *box = child<QComboBox>("destinationBox");
    const int index = box->findText(name);
    QVERIFY(index >= 0);
    box->showPopup();
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
    QTRY_VERIFY(!view->isVisible());
}

void tst_entreval::clickRate(const char *lists, int row, int column)
{
    auto *view = child<QTableView>(lists);
    const QRect rect = view->visualRect(view->model()->index(row, column));
    QVERIFY(rect.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
}

void tst_entreval::clerkSession()
{
    auto *weight = child<QLineEdit>("weightField");
    auto *pallets = child<QLineEdit>("palletField");
    auto *box = child<QComboBox>("destinationBox");
    auto *weightLists = child<QTableView>("weightLists");
    auto *palletLists = child<QTableView>("palletLists");
    auto *prepare = child<QPushButton>("prepareButton");
    auto *indicator = child<QStackedWidget>("indicator");

    QVERIFY(weight->hasFocus());
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(box->placeholderText(), QStringLiteral("Select destination"));
    QVERIFY(weightLists->isHidden() && palletLists->isHidden() && prepare->isHidden());
    const QWidget *idle = indicator->currentWidget();

    QTest::keyClicks(weight, QStringLiteral("1200"));
    QTest::keyClicks(pallets, QStringLiteral("3"));
    chooseDestination(QStringLiteral("CHICAGO"));

    QCOMPARE(text("resultTitle"), QStringLiteral("Best rate"));
    QCOMPARE(text("resultCarrier"), QStringLiteral("ACME"));
    QCOMPARE(child<QLineEdit>("resultPrice")->text(), QStringLiteral("102.00 $"));
    QCOMPARE(box->currentText(), QStringLiteral("CHICAGO"));
    QVERIFY(weightLists->isVisible() && palletLists->isVisible() && prepare->isVisible());
    QVERIFY(indicator->currentWidget() != idle);
    QCOMPARE(weightLists->model()->rowCount(), 3);
    QCOMPARE(weightLists->model()->index(1, RateListModel::CarrierColumn).data().toString(),
        QStringLiteral("BOREAL"));
    QCOMPARE(weightLists->model()->index(1, RateListModel::RateColumn).data().toString(),
        QStringLiteral("9.10"));
    QCOMPARE(palletLists->model()->index(0, RateListModel::RateColumn).data().toString(),
        QStringLiteral("42.00"));
    QCOMPARE(
        weightLists->model()->index(0, RateListModel::RateColumn).data(Qt::ToolTipRole).toString(),
        QStringLiteral("Click on a price to choose another carrier"));
    QVERIFY(!weightLists->model()
                 ->index(0, RateListModel::CarrierColumn)
                 .data(Qt::ToolTipRole)
                 .isValid());

    // The carrier and destination columns do not pick.
    clickRate("weightLists", 1, RateListModel::CarrierColumn);
    clickRate("weightLists", 1, RateListModel::DestinationColumn);
    QCOMPARE(text("resultTitle"), QStringLiteral("Best rate"));
    QCOMPARE(text("resultCarrier"), QStringLiteral("ACME"));

    clickRate("weightLists", 1);
    QCOMPARE(text("resultTitle"), QStringLiteral("Other choice"));
    QCOMPARE(text("resultCarrier"), QStringLiteral("BOREAL"));
    QCOMPARE(child<QLineEdit>("resultPrice")->text(), QStringLiteral("109.20 $"));
    QVERIFY(m_window->evaluator().state().weightChosen);

    clickRate("palletLists", 1);
    QCOMPARE(text("resultCarrier"), QStringLiteral("BOREAL"));
    QCOMPARE(child<QLineEdit>("resultPrice")->text(), QStringLiteral("135.00 $"));
    QVERIFY(m_window->evaluator().state().palletChosen
        && !m_window->evaluator().state().weightChosen);

    // A keystroke clears the result and brings the prompt back.
    QTest::keyClick(weight, Qt::Key_0);
    QCOMPARE(weight->text(), QStringLiteral("12000"));
    QCOMPARE(box->currentIndex(), -1);
    QVERIFY(box->currentText().isEmpty());
    QVERIFY(text("resultTitle").isEmpty() && text("resultCarrier").isEmpty());
    QVERIFY(child<QLineEdit>("resultPrice")->text().isEmpty());
    QVERIFY(weightLists->isHidden() && palletLists->isHidden());
    QCOMPARE(indicator->currentWidget(), idle);

    // In minimum mode the red note shows.
    weight->clear();
    QTest::keyClicks(weight, QStringLiteral("300"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QCOMPARE(text("rateNote"), QStringLiteral("Minimum rate "));
    QCOMPARE(text("resultCarrier"), QStringLiteral("DELTA"));
    QCOMPARE(weightLists->model()->headerData(RateListModel::RateColumn, Qt::Horizontal).toString(),
        QStringLiteral("Minimum"));
    QVERIFY(child<QLabel>("rateNote")->font().bold());
}

void tst_entreval::answerNextMessage(QString &shown, QMessageBox::StandardButtons &buttons)
{
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->text();
        buttons = box->standardButtons();
        box->accept();
    });
}

void tst_entreval::emptyResultShowsTheMessage()
{
    QString shown;
    QMessageBox::StandardButtons buttons;
    answerNextMessage(shown, buttons);
    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("1200"));
    chooseDestination(QStringLiteral("FARGO"));
    QTRY_COMPARE(shown, BestRateEvaluator::emptyResultMessage());
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(text("resultTitle").isEmpty());
    QVERIFY(child<QPushButton>("prepareButton")->isHidden());
    // The clerk still sees which destination has no rate.
    QCOMPARE(child<QComboBox>("destinationBox")->currentText(), QStringLiteral("FARGO"));
}

void tst_entreval::weightReadInPartIsTold()
{
    QString shown;
    QMessageBox::StandardButtons buttons;
    answerNextMessage(shown, buttons);
    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("1,200"));
    QTest::keyClicks(child<QLineEdit>("palletField"), QStringLiteral("3"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QTRY_COMPARE(shown,
        QStringLiteral("The weight \"1,200\" cannot be read as a number of pounds. Type it with "
                       "digits only, e.g. 1200."));
    QCOMPARE(buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(text("resultTitle").isEmpty() && text("resultCarrier").isEmpty());
    QVERIFY(child<QLineEdit>("resultPrice")->text().isEmpty());
    QVERIFY(child<QPushButton>("prepareButton")->isHidden());
}

void tst_entreval::prepareLeavesAndReturnClears()
{
    m_fixture->addWorkRow(true);
    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("1200"));
    QTest::keyClicks(child<QLineEdit>("palletField"), QStringLiteral("3"));
    chooseDestination(QStringLiteral("CHICAGO"));
    clickRate("weightLists", 2);
    QTest::mouseClick(child<QPushButton>("prepareButton"), Qt::LeftButton);

    const BillHandOff &handed = ModRouvel::billHandOff;
    QCOMPARE(handed.blCarrierName, QStringLiteral("CARGO'S"));
    QCOMPARE(handed.blPrice, Currency::fromDouble(117.60));
    QCOMPARE(handed.blRate, Currency::fromDouble(9.80));
    QCOMPARE(handed.blWeight, 1200);
    QCOMPARE(handed.blPallets, 3);
    QVERIFY(m_window->isHidden());
    auto *bill
        = qobject_cast<frmDonneesTab *>(ModMAJ::loadedWindow(QStringLiteral("frmDonnéesTab")));
    QVERIFY(bill);
    QVERIFY(bill->isVisible());
    QTRY_COMPARE(bill->bill().handOff().blCarrierName, QStringLiteral("CARGO'S"));

    // "RETURN" brings the main window back through its activation.
    QTest::mouseClick(
        bill->findChild<QPushButton *>(QStringLiteral("returnButton")), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(!m_window->evaluator().state().weightChosen);
    QVERIFY(text("resultTitle").isEmpty());
    QVERIFY(child<QLineEdit>("weightField")->hasFocus());
    QCOMPARE(m_fixture->workRows(true), 0);
    QCOMPARE(child<QComboBox>("destinationBox")->currentIndex(), -1);
}

void tst_entreval::openBillKeepsItsShipment()
{
    // The customers window opened from here stays open behind the bill; its RETURN brings
    // this window back while the bill is still open.
    QTest::mouseClick(child<QPushButton>("customersButton"), Qt::LeftButton);
    QPointer<QWidget> customers = ModMAJ::loadedWindow(QStringLiteral("Clients"));
    QVERIFY(customers);
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("1200"));
    QTest::keyClicks(child<QLineEdit>("palletField"), QStringLiteral("3"));
    chooseDestination(QStringLiteral("CHICAGO"));
    clickRate("weightLists", 2);
    QTest::mouseClick(child<QPushButton>("prepareButton"), Qt::LeftButton);
    QPointer<frmDonneesTab> bill
        = qobject_cast<frmDonneesTab *>(ModMAJ::loadedWindow(QStringLiteral("frmDonnéesTab")));
    QVERIFY(bill);
    QTRY_COMPARE(bill->bill().handOff().blCarrierName, QStringLiteral("CARGO'S"));

    QTest::mouseClick(
        customers->findChild<QPushButton *>(QStringLiteral("returnButton")), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QVERIFY(bill->isVisible());
    auto *weight = child<QLineEdit>("weightField");
    weight->clear();
    QTest::keyClicks(weight, QStringLiteral("5000"));
    auto *pallets = child<QLineEdit>("palletField");
    pallets->clear();
    QTest::keyClicks(pallets, QStringLiteral("9"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QVERIFY(!text("resultCarrier").isEmpty());

    // Back to the bill: it prints the shipment it was opened with, whole.
    bill->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(bill));
    const BillOfLadingForm printed = bill->bill().printForm();
    QCOMPARE(printed.weight, 1200);
    QCOMPARE(printed.packages, QStringLiteral("3 pallets"));
    QCOMPARE(printed.rate, Currency::fromDouble(9.80));
    QCOMPARE(printed.price, Currency::fromDouble(117.60));
    QCOMPARE(printed.consignee.city, QStringLiteral("CHICAGO"));
    delete bill;
    delete customers; // closed by its RETURN, it may be gone already
}

void tst_entreval::commandsLeaveAndReturnClears_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("opens");
    QTest::addColumn<bool>("clearsAtOnce");
    QTest::addColumn<bool>("hidesThisWindow");
    QTest::addColumn<QString>("callerForm");

    QTest::newRow("Your company") << "yourCompanyButton"
                                  << "Yourcompany" << false << false << "";
    QTest::newRow("CUSTOMERS") << "customersButton"
                               << "Clients" << true << false << "entreval";
    QTest::newRow("carriers") << "carriersButton"
                              << "frmMAJtrans" << true << true << "";
    QTest::newRow("rate adjustments") << "ratesButton"
                                      << "frmChgTarif" << true << true << "";
}

void tst_entreval::commandsLeaveAndReturnClears()
{
    QFETCH(QString, button);
    QFETCH(QString, opens);
    QFETCH(bool, clearsAtOnce);
    QFETCH(bool, hidesThisWindow);
    QFETCH(QString, callerForm);

    ModRouvel::callerForm.clear();
    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("1200"));
    QTest::keyClicks(child<QLineEdit>("palletField"), QStringLiteral("3"));
    chooseDestination(QStringLiteral("CHICAGO"));
    clickRate("weightLists", 1);
    QCOMPARE(text("resultTitle"), QStringLiteral("Other choice"));
    QVERIFY(m_window->evaluator().state().weightChosen);

    QTest::mouseClick(child<QPushButton>(qPrintable(button)), Qt::LeftButton);
    QWidget *opened = ModMAJ::loadedWindow(opens);
    QVERIFY(opened);
    auto *back = opened->findChild<QPushButton *>(QStringLiteral("returnButton"));
    QVERIFY(back);
    QVERIFY(QTest::qWaitForWindowActive(opened));
    QCOMPARE(m_window->isHidden(), hidesThisWindow);
    QCOMPARE(text("resultTitle").isEmpty(), clearsAtOnce);
    QCOMPARE(child<QLineEdit>("resultPrice")->text().isEmpty(), clearsAtOnce);
    QCOMPARE(child<QPushButton>("prepareButton")->isHidden(), clearsAtOnce);
    QCOMPARE(ModRouvel::callerForm, callerForm);

    // Back from the other window: the activation clears the result and the pick.
    QTest::mouseClick(back, Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    QTRY_VERIFY(!m_window->evaluator().state().weightChosen);
    QVERIFY(text("resultTitle").isEmpty());
    QVERIFY(child<QLineEdit>("resultPrice")->text().isEmpty());
    QVERIFY(child<QPushButton>("prepareButton")->isHidden());
    QVERIFY(child<QTableView>("weightLists")->isHidden());
    QCOMPARE(child<QComboBox>("destinationBox")->currentIndex(), -1);
    QVERIFY(child<QLineEdit>("weightField")->hasFocus());
}

void tst_entreval::closeCommandEndsTheProgram()
{
    const int before = m_programEnds;
    m_window->close(); // from code: the program goes on
    QCOMPARE(m_programEnds, before);
    m_window->show();
    QTest::mouseClick(child<QPushButton>("closeButton"), Qt::LeftButton);
    QCOMPARE(m_programEnds, before + 1);
}

void tst_entreval::destinationArrowEmptiesTheNote()
{
    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("300"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QCOMPARE(text("rateNote"), QStringLiteral("Minimum rate "));

    // A click on the arrow, then nothing chosen.
    auto *box = child<QComboBox>("destinationBox");
    QTest::mouseClick(box, Qt::LeftButton);
    QTRY_VERIFY(box->view()->isVisible());
    QTest::keyClick(box->view(), Qt::Key_Escape);
    QTRY_VERIFY(!box->view()->isVisible());
    QCOMPARE(text("rateNote"), QString());
    QCOMPARE(child<QLineEdit>("resultPrice")->text(), QStringLiteral("45.00 $"));
    QCOMPARE(box->currentText(), QStringLiteral("CHICAGO"));
}

void tst_entreval::failedLookupIsTold()
{
    m_window.reset();
    BestRateFixture broken;
    broken.setQueryBody(QStringLiteral("Trip1000"),
        QStringLiteral("SELECT NomTrans, NomDestination, NoSuchRate FROM IdentTrans "
                       "WHERE :prmDestination IS NOT NULL"));
    ModRouvel::dbPath = broken.path();
    m_window = std::make_unique<entreval>();
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    QString shown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, this, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        QVERIFY(box);
        shown = box->text();
        icon = box->icon();
        box->accept();
    });
    QTest::keyClicks(child<QLineEdit>("weightField"), QStringLiteral("1200"));
    QTest::keyClicks(child<QLineEdit>("palletField"), QStringLiteral("3"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QTRY_VERIFY(!shown.isEmpty());
    QVERIFY2(shown.contains(QStringLiteral("no such column")), qPrintable(shown));
    QCOMPARE(icon, QMessageBox::Warning);
    // No pallet-only answer passes for the best rate.
    QVERIFY(text("resultTitle").isEmpty() && text("resultCarrier").isEmpty());
    QVERIFY(child<QLineEdit>("resultPrice")->text().isEmpty());
    QVERIFY(child<QTableView>("palletLists")->isHidden());
    QVERIFY(child<QPushButton>("prepareButton")->isHidden());
    QCOMPARE(child<QComboBox>("destinationBox")->currentText(), QStringLiteral("CHICAGO"));
    m_window.reset();
    ModRouvel::dbPath = m_fixture->path();
}

// A clerk allowed only to read the shared file: the window says so once and quotes. Root
// ignores permissions, so the window is made in a child that has dropped root.
void tst_entreval::readOnlyFileIsSaidOnce()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rouvel.rvl"));
    QVERIFY(QFile::copy(m_fixture->path(), path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther));
    m_window.reset();
    const int result = asOrdinaryUser([&] {
        ModRouvel::dbPath = path;
        auto *window = new entreval;
        auto *notice = window->findChild<QLabel *>(QStringLiteral("loadProblem"));
        if (!notice || notice->isHidden() || !notice->text().contains(QStringLiteral("read-only")))
            return 1;
        auto *weight = window->findChild<QLineEdit *>(QStringLiteral("weightField"));
        auto *pallets = window->findChild<QLineEdit *>(QStringLiteral("palletField"));
        auto *box = window->findChild<QComboBox *>(QStringLiteral("destinationBox"));
        weight->setText(QStringLiteral("1200"));
        pallets->setText(QStringLiteral("3"));
        const int chicago = box->findText(QStringLiteral("CHICAGO"));
        if (!box->isEnabled() || chicago < 0)
            return 2;
        emit box->activated(chicago);
        const auto *price = window->findChild<QLineEdit *>(QStringLiteral("resultPrice"));
        return price->text() == QStringLiteral("102.00 $") ? 0 : 3;
    });
    QCOMPARE(result, 0);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

// The advice takes its own line under the result, in the window's text colour; every other
// widget stays where it was, and a keystroke clears the line with the result.
void tst_entreval::weightBreakLineMovesNothing()
{
    auto *weight = child<QLineEdit>("weightField");
    auto *advice = child<QLabel>("weightBreak");
    const auto places = [this] {
        QList<QRect> rects;
        for (const QWidget *widget : m_window->findChildren<QWidget *>()) {
            if (widget->objectName() != QLatin1String("weightBreak") && widget->isVisible())
                rects << QRect(widget->mapTo(m_window.get(), QPoint()), widget->size());
        }
        return rects;
    };
    QTest::keyClicks(weight, QStringLiteral("1200"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QVERIFY(advice->text().isEmpty());
    const QList<QRect> without = places();

    weight->clear();
    QTest::keyClicks(weight, QStringLiteral("999"));
    chooseDestination(QStringLiteral("CHICAGO"));
    QCOMPARE(advice->text(), QStringLiteral("At 1000 lbs: ACME 85.00 $ (saves 4.91 $)"));
    QVERIFY(advice->isVisible());
    QVERIFY(advice->styleSheet().isEmpty());
    QCOMPARE(advice->palette().color(advice->foregroundRole()),
        m_window->palette().color(QPalette::WindowText));
    QCOMPARE(places(), without);

    QTest::keyClick(weight, Qt::Key_Backspace);
    QVERIFY(advice->text().isEmpty());
}

QTEST_MAIN(tst_entreval)
#include "tst_entreval.moc"

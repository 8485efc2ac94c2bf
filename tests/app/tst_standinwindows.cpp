#include "ModMAJ.h"
#include "ModRouvel.h"
#include "StandInWindow.h"
#include "entreval.h"
#include "frmChgTarif.h"
#include "WindowTesting.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QWindow>

#include <functional>
#include <memory>

using namespace WindowTesting;

class tst_StandInWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void showsCaptionAndNotice();
    void returnShowsTheWindowSet();
    void returnWithoutWindowCloses();
    void returnTargetDeletedCloses();
    void loadedWindowsReturnToMain_data();
    void loadedWindowsReturnToMain();
    void closeBoxEndsProgram_data();
    void closeBoxEndsProgram();

private:
    int m_programEnds = 0;
    QTemporaryDir m_folder; // stands for the program's folder
};

using WindowFactory = std::function<QWidget *()>;
Q_DECLARE_METATYPE(WindowFactory)

void tst_StandInWindows::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
    // The windows loaded here bind to the database path; keep whatever they do out of the way.
    QVERIFY(m_folder.isValid());
    ModRouvel::dbPath = m_folder.filePath(QStringLiteral("rouvel.rvl"));
    ModRouvel::helpPath = m_folder.filePath(QStringLiteral("rouvel.hlp"));
}

void tst_StandInWindows::init() { m_programEnds = 0; }

void tst_StandInWindows::cleanupTestCase() { ModMAJ::setProgramEndHandler({}); }

void tst_StandInWindows::showsCaptionAndNotice()
{
    StandInWindow window(QStringLiteral("Clients"), QStringLiteral("Customers"));
    QCOMPARE(window.objectName(), QStringLiteral("Clients"));
    QCOMPARE(window.windowTitle(), QStringLiteral("Customers"));
    QStringList texts;
    for (const QLabel *label : window.findChildren<QLabel *>())
        texts << label->text();
    QVERIFY(texts.contains(QStringLiteral("Customers")));
    QVERIFY(texts.contains(QStringLiteral("This window comes with a later version of rouvel.")));
    QCOMPARE(window.returnButton()->text(), QStringLiteral("RETURN"));
}

void tst_StandInWindows::returnShowsTheWindowSet()
{
    QWidget opener;
    StandInWindow window(QStringLiteral("Yourcompany"), QStringLiteral("Your company"));
    window.setReturnTo(&opener);
    window.show();
    QVERIFY(!opener.isVisible());

    QTest::mouseClick(window.returnButton(), Qt::LeftButton);

    QVERIFY(!window.isVisible());
    QVERIFY(opener.isVisible());
    QCOMPARE(m_programEnds, 0);
}

void tst_StandInWindows::returnWithoutWindowCloses()
{
    StandInWindow window(QStringLiteral("Clients"), QStringLiteral("Customers"));
    window.show();
    QTest::mouseClick(window.returnButton(), Qt::LeftButton);
    QVERIFY(!window.isVisible());
    QCOMPARE(m_programEnds, 0);
}

void tst_StandInWindows::returnTargetDeletedCloses()
{
    StandInWindow window(QStringLiteral("Clients"), QStringLiteral("Customers"));
    auto opener = std::make_unique<QWidget>();
    window.setReturnTo(opener.get());
    opener.reset();
    QCOMPARE(window.returnTo(), nullptr);
    window.show();
    QTest::mouseClick(window.returnButton(), Qt::LeftButton);
    QVERIFY(!window.isVisible());
}

void tst_StandInWindows::loadedWindowsReturnToMain_data()
{
    QTest::addColumn<WindowFactory>("make");
    QTest::addColumn<QString>("caption");
    QTest::newRow("rates") << WindowFactory([] { return new frmChgTarif; }) << "Rates adjustments";
}

void tst_StandInWindows::loadedWindowsReturnToMain()
{
    QFETCH(WindowFactory, make);
    QFETCH(QString, caption);

    entreval main;
    std::unique_ptr<QWidget> window(make());
    QCOMPARE(window->windowTitle(), caption);
    window->show();
    main.hide();

    auto *back = window->findChild<QPushButton *>(QStringLiteral("returnButton"));
    QVERIFY(back);
    QTest::mouseClick(back, Qt::LeftButton);

    QVERIFY(!window->isVisible());
    QVERIFY(main.isVisible());
    QCOMPARE(m_programEnds, 0);
    main.hide();
}

void tst_StandInWindows::closeBoxEndsProgram_data()
{
    QTest::addColumn<WindowFactory>("make");
    QTest::newRow("main window") << WindowFactory([] { return new entreval; });
    QTest::newRow("rates") << WindowFactory([] { return new frmChgTarif; });
}

void tst_StandInWindows::closeBoxEndsProgram()
{
    QFETCH(WindowFactory, make);
    std::unique_ptr<QWidget> window(make());

    // Closed from the program's code: the window goes, the program stays.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    window->close();
    QVERIFY(!window->isVisible());
    QCOMPARE(m_programEnds, 0);

    // Closed by the user's close box: the program ends.
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    userCloses(window.get());
    QCOMPARE(m_programEnds, 1);
}

QTEST_MAIN(tst_StandInWindows)
#include "tst_standinwindows.moc"

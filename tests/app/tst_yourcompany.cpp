#include "parties/PartiesFixture.h"

#include "ModMAJ.h"
#include "ModRouvel.h"
#include "Yourcompany.h"
#include "WindowTesting.h"

#include <QApplication>
#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <memory>

using namespace WindowTesting;

namespace {

const char *const fieldKeys[] = {"name", "street", "city", "province", "postalCode", "telephone"};

} // namespace

class tst_Yourcompany : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void showsTheFirstRow();
    void reopeningShowsWhatWasSaved();
    void comingBackDropsTheTyping();
    void tableWithoutRowGetsOneFromTheSave();
    void refusalIsToldAndTheTypingStays();
    void hiddenCharacterInTheNameRefused();
    void closeBoxJustCloses();

private:
    QLineEdit *field(int i) const
    {
        auto *edit = m_window->findChild<QLineEdit *>(QLatin1String(fieldKeys[i]) + "Field");
        if (!edit)
            qFatal("Yourcompany has no field %d", i);
        return edit;
    }
    QPushButton *button(const char *name) const
    {
        auto *push = m_window->findChild<QPushButton *>(QLatin1String(name));
        if (!push)
            qFatal("Yourcompany has no %s", name);
        return push;
    }
    void open();
    void type(int i, const QString &text);
    PartyAddress shownFields() const;
    QString clickForMessage(QPushButton *button);

    std::unique_ptr<PartiesFixture> m_fixture;
    std::unique_ptr<QWidget> m_main; // stands for the main window
    QPointer<Yourcompany> m_window;
    int m_programEnds = 0;
};

const PartyAddress saved = PartiesFixture::party("ROUVEL INC", "QUEBEC", "418-555-0100");

void tst_Yourcompany::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
}

void tst_Yourcompany::cleanupTestCase() { ModMAJ::setProgramEndHandler({}); }

void tst_Yourcompany::init()
{
    m_programEnds = 0;
    m_fixture = std::make_unique<PartiesFixture>();
    m_fixture->exec(QStringLiteral("DELETE FROM origine"));
    m_fixture->insert(QStringLiteral("origine"), saved);
    m_fixture->insert(QStringLiteral("origine"), PartiesFixture::party("SECOND ROW"));
    ModRouvel::dbPath = m_fixture->path();
    m_main = std::make_unique<QWidget>();
    m_main->setObjectName(QStringLiteral("entreval"));
    m_main->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_main.get()));
    open();
}

void tst_Yourcompany::cleanup()
{
    delete m_window.data();
    m_main.reset();
    m_fixture.reset();
}

void tst_Yourcompany::open()
{
    m_window = Yourcompany::open();
    QVERIFY(m_window);
    QVERIFY(QTest::qWaitForWindowActive(m_window.data()));
}

void tst_Yourcompany::type(int i, const QString &text)
{
    field(i)->selectAll();
    QTest::keyClick(field(i), Qt::Key_Delete);
    QTest::keyClicks(field(i), text);
}

PartyAddress tst_Yourcompany::shownFields() const
{
    PartyAddress shown;
    for (int i = 0; i < 6; ++i)
        shown.setValue(i, field(i)->text());
    return shown;
}

QString tst_Yourcompany::clickForMessage(QPushButton *button)
{
    return WindowTesting::clickForMessage(m_window.data(), button);
}

void tst_Yourcompany::showsTheFirstRow()
{
    QCOMPARE(m_window->objectName(), QStringLiteral("Yourcompany"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Your company"));
    QCOMPARE(shownFields(), saved);
    QVERIFY(field(0)->hasFocus());
    QStringList captions;
    for (int i = 0; i < 6; ++i) {
        for (const QLabel *label : m_window->findChildren<QLabel *>()) {
            if (label->buddy() == field(i))
                captions << label->text();
        }
    }
    QCOMPARE(captions, PartyAddress::captions());
    QCOMPARE(button("saveModificationsButton")->text(), QStringLiteral("Save modifications"));
    QCOMPARE(button("returnButton")->text(), QStringLiteral("RETURN"));
}

void tst_Yourcompany::reopeningShowsWhatWasSaved()
{
    const PartyAddress typed = PartiesFixture::party("TRANSPORTS GASPE", "GASPE", "418-555-0111");
    for (int i = 0; i < 6; ++i)
        type(i, typed.value(i));
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    QCOMPARE(shownFields(), typed);
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")),
        QList<PartyAddress>({typed, PartiesFixture::party("SECOND ROW")}));

    // Typed after the save, then left by "RETURN".
    type(0, QStringLiteral("NOT SAVED"));
    QTest::mouseClick(button("returnButton"), Qt::LeftButton);
    QVERIFY(m_main->isVisible());
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    QTRY_VERIFY(m_window.isNull());

    open();
    QCOMPARE(shownFields(), typed);
}

void tst_Yourcompany::comingBackDropsTheTyping()
{
    type(2, QStringLiteral("TYPED"));
    m_main->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.data()));
    QTRY_COMPARE(shownFields(), saved);
}

void tst_Yourcompany::tableWithoutRowGetsOneFromTheSave()
{
    delete m_window.data();
    m_fixture->exec(QStringLiteral("DELETE FROM origine"));
    open();
    QCOMPARE(shownFields(), PartyAddress());

    type(0, QStringLiteral("NEW COMPANY"));
    type(2, QStringLiteral("LEVIS"));
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    PartyAddress expected;
    expected.name = QStringLiteral("NEW COMPANY");
    expected.city = QStringLiteral("LEVIS");
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")), QList<PartyAddress>({expected}));
    QCOMPARE(shownFields(), expected);
}

void tst_Yourcompany::refusalIsToldAndTheTypingStays()
{
    m_fixture->exec(QStringLiteral("CREATE TRIGGER refuse BEFORE UPDATE ON origine "
                                   "BEGIN SELECT RAISE(ABORT, 'the disk is full'); END"));
    type(2, QStringLiteral("RIMOUSKI"));
    const QString message = clickForMessage(button("saveModificationsButton"));
    QVERIFY2(message.startsWith(QLatin1String("Your company was not saved.")), qPrintable(message));
    QVERIFY2(message.contains(QLatin1String("the disk is full")), qPrintable(message));
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")).first(), saved);
    // Closing the message box is no return from another window: the typing stays.
    QCOMPARE(field(2)->text(), QStringLiteral("RIMOUSKI"));
}

void tst_Yourcompany::hiddenCharacterInTheNameRefused()
{
    // Pasted: no key types such a character.
    const QString name = QStringLiteral("ROUVEL") + QChar(0x2060) + QStringLiteral(" INC");
    field(0)->clear();
    field(0)->insert(name);
    type(2, QStringLiteral("RIMOUSKI"));
    QCOMPARE(clickForMessage(button("saveModificationsButton")),
        QStringLiteral("\"Name\" holds the invisible character U+2060; type the name again "
                       "without it."));
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")).first(), saved);
    QCOMPARE(field(0)->text(), name);
    QCOMPARE(field(2)->text(), QStringLiteral("RIMOUSKI"));

    type(0, QStringLiteral("ROUVEL INC"));
    QCOMPARE(clickForMessage(button("saveModificationsButton")), QStringLiteral("<none>"));
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")).first().city, QStringLiteral("RIMOUSKI"));
}

void tst_Yourcompany::closeBoxJustCloses()
{
    type(0, QStringLiteral("NOT SAVED"));
    userCloses(m_window.data());
    QTRY_VERIFY(m_window.isNull());
    QCOMPARE(m_programEnds, 0);
    QCOMPARE(m_fixture->rows(QStringLiteral("origine")).first(), saved);
}

QTEST_MAIN(tst_Yourcompany)
#include "tst_yourcompany.moc"

#include "ModMAJ.h"
#include "ModRouvel.h"
#include "SvgPicture.h"
#include "logorouvel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QLineEdit>
#include <QPointer>
#include <QScreen>
#include <QSvgRenderer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <set>

// The close request the window system delivers when the user clicks the close box.
static void userCloses(QWidget *window)
{
    QCloseEvent request;
    QCoreApplication::sendEvent(window->windowHandle(), &request);
}

// Counts the times a window is shown, so a test can tell it never appeared.
class ShowCounter : public QObject
{
public:
    int shows = 0;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show)
            ++shows;
        return QObject::eventFilter(watched, event);
    }
};

class tst_logorouvel : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanupTestCase();

    void filePaths_data();
    void filePaths();
    void loadsHiddenWindows();
    void centredOnScreen();
    void framesByTick();
    void ticksStopAfterDismissal();
    void characterKeys_data();
    void characterKeys();
    void keyWithFocusOnChild_data();
    void keyWithFocusOnChild();
    void clicks_data();
    void clicks();
    void closeBoxEndsProgramWithoutMainWindow();
    void dismissalDoesNotEndProgram();
    void windowsLoadAfterFirstPaint();
    void actBeforeWindowsLoad_data();
    void actBeforeWindowsLoad();
    void artwork_data();
    void artwork();
    void stripBandsAreDistinctFrames();
    void paintsOnlyShownBands();

private:
    int m_programEnds = 0;
    QTemporaryDir m_folder; // stands for the program's folder
};

void tst_logorouvel::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
    // The windows loaded here bind to the database path; keep whatever they do out of the way.
    QVERIFY(m_folder.isValid());
    ModRouvel::dbPath = m_folder.filePath(QStringLiteral("rouvel.rvl"));
    ModRouvel::helpPath = m_folder.filePath(QStringLiteral("rouvel.hlp"));
}

void tst_logorouvel::init() { m_programEnds = 0; }

void tst_logorouvel::cleanupTestCase() { ModMAJ::setProgramEndHandler({}); }

void tst_logorouvel::filePaths_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("help");

    const QString sep = QDir::separator();
    QTest::newRow("plain") << "/opt/rouvel"
                           << "/opt/rouvel" + sep + "rouvel.rvl"
                           << "/opt/rouvel" + sep + "rouvel.hlp";
    QTest::newRow("blanks and accents") << "/home/anne/Expédition 2"
                                        << "/home/anne/Expédition 2" + sep + "rouvel.rvl"
                                        << "/home/anne/Expédition 2" + sep + "rouvel.hlp";
}

void tst_logorouvel::filePaths()
{
    QFETCH(QString, folder);
    QFETCH(QString, database);
    QFETCH(QString, help);

    const QString dbBefore = ModRouvel::dbPath;
    const QString helpBefore = ModRouvel::helpPath;
    ModMAJ::setFilePaths(folder);
    QCOMPARE(ModRouvel::dbPath, database);
    QCOMPARE(ModRouvel::helpPath, help);
    ModRouvel::dbPath = dbBefore;
    ModRouvel::helpPath = helpBefore;
}

void tst_logorouvel::loadsHiddenWindows()
{
    logorouvel splash;
    QCOMPARE(splash.windowTitle(), QStringLiteral("Shipping management"));
    QVERIFY(splash.animating());
    QCOMPARE(splash.shownFrame(), 0);
    QCOMPARE(splash.frameNo(), 2);

    const struct
    {
        QWidget *window;
        const char *name;
    } loaded[] = {{splash.mainWindow(), "entreval"}, {splash.carrierWindow(), "frmMAJtrans"},
        {splash.rateWindow(), "frmChgTarif"}};
    for (const auto &entry : loaded) {
        QVERIFY2(entry.window, entry.name);
        QCOMPARE(entry.window->objectName(), QString::fromLatin1(entry.name));
        QVERIFY2(!entry.window->isVisible(), entry.name);
        QCOMPARE(ModMAJ::loadedWindow(QString::fromLatin1(entry.name)), entry.window);
    }
    QCOMPARE(splash.mainWindow()->windowTitle(), QStringLiteral("Best rate"));

    auto *timer = splash.findChild<QTimer *>(QStringLiteral("animationTimer"));
    QVERIFY(timer);
    QVERIFY(timer->isActive());
    QCOMPARE(timer->interval(), 200);

    QCOMPARE(splash.findChild<QWidget *>(QStringLiteral("logo"))->toolTip(),
        QStringLiteral("Press any key..."));
    QCOMPARE(splash.findChild<QWidget *>(QStringLiteral("animation"))->toolTip(),
        QStringLiteral("Press any key..."));
    QCOMPARE(splash.findChild<QWidget *>(QStringLiteral("clickArea"))->toolTip(),
        QStringLiteral("APPUYEZ SUR UNE TOUCHE..."));
}

void tst_logorouvel::centredOnScreen()
{
    logorouvel splash;
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    QCOMPARE(splash.x(), screen.x() + (screen.width() - splash.width()) / 2);
    QCOMPARE(splash.y(), screen.y() + (screen.height() - splash.height()) / 2);
}

void tst_logorouvel::framesByTick()
{
    logorouvel splash;
    const int expected[] = {3, 4, 5, 0, 1, 2, 3, 4, 5, 0, 1, 2, 3};
    for (int frame : expected) {
        splash.tick();
        QCOMPARE(splash.frameNo(), frame);
        QCOMPARE(splash.shownFrame(), frame);
    }
}

void tst_logorouvel::ticksStopAfterDismissal()
{
    logorouvel splash;
    splash.tick();
    QCOMPARE(splash.shownFrame(), 3);
    splash.dismiss();
    QVERIFY(!splash.animating());
    splash.tick();
    splash.tick();
    QCOMPARE(splash.frameNo(), 3);
    QCOMPARE(splash.shownFrame(), 3);
    QVERIFY(!splash.findChild<QTimer *>(QStringLiteral("animationTimer"))->isActive());
}

void tst_logorouvel::characterKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("dismisses");

    QTest::newRow("letter") << int(Qt::Key_A) << "a" << true;
    QTest::newRow("capital") << int(Qt::Key_Q) << "Q" << true;
    QTest::newRow("digit") << int(Qt::Key_7) << "7" << true;
    QTest::newRow("space") << int(Qt::Key_Space) << " " << true;
    QTest::newRow("punctuation") << int(Qt::Key_Period) << "." << true;
    QTest::newRow("accented") << int(Qt::Key_Eacute) << "é" << true;
    QTest::newRow("return") << int(Qt::Key_Return) << "\r" << true;
    QTest::newRow("keypad enter") << int(Qt::Key_Enter) << "\r" << true;
    QTest::newRow("escape") << int(Qt::Key_Escape) << "\x1b" << true;
    QTest::newRow("shift") << int(Qt::Key_Shift) << "" << false;
    QTest::newRow("control") << int(Qt::Key_Control) << "" << false;
    QTest::newRow("alt") << int(Qt::Key_Alt) << "" << false;
    QTest::newRow("left arrow") << int(Qt::Key_Left) << "" << false;
    QTest::newRow("down arrow") << int(Qt::Key_Down) << "" << false;
    QTest::newRow("F1") << int(Qt::Key_F1) << "" << false;
    QTest::newRow("F12") << int(Qt::Key_F12) << "" << false;
    QTest::newRow("tab") << int(Qt::Key_Tab) << "\t" << false;
    QTest::newRow("ctrl+c") << int(Qt::Key_C) << "\x03" << false;
}

void tst_logorouvel::characterKeys()
{
    QFETCH(int, key);
    QFETCH(QString, text);
    QFETCH(bool, dismisses);
    QCOMPARE(logorouvel::isCharacterKey(key, text), dismisses);
}

void tst_logorouvel::keyWithFocusOnChild_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("dismisses");

    QTest::newRow("letter") << int(Qt::Key_A) << true;
    QTest::newRow("digit") << int(Qt::Key_5) << true;
    QTest::newRow("space") << int(Qt::Key_Space) << true;
    QTest::newRow("return") << int(Qt::Key_Return) << true;
    QTest::newRow("escape") << int(Qt::Key_Escape) << true;
    QTest::newRow("shift") << int(Qt::Key_Shift) << false;
    QTest::newRow("F1") << int(Qt::Key_F1) << false;
    QTest::newRow("right arrow") << int(Qt::Key_Right) << false;
}

void tst_logorouvel::keyWithFocusOnChild()
{
    QFETCH(int, key);
    QFETCH(bool, dismisses);

    logorouvel splash;
    // A control that takes keys for itself: the window must see them first.
    auto *field = new QLineEdit(&splash);
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    field->setFocus();
    QVERIFY(field->hasFocus() || QApplication::focusWidget() == field);

    QWidget *main = splash.mainWindow();
    QTest::keyClick(field, Qt::Key(key));

    QCOMPARE(main->isVisible(), dismisses);
    QCOMPARE(splash.isVisible(), !dismisses);
    QCOMPARE(splash.animating(), !dismisses);
    QVERIFY2(field->text().isEmpty(), "the key went to the control instead of the window");
    QCOMPARE(m_programEnds, 0);
    main->hide();
}

void tst_logorouvel::clicks_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<int>("button");
    QTest::addColumn<bool>("dismisses");

    QTest::newRow("background") << "" << int(Qt::LeftButton) << true;
    QTest::newRow("logo") << "logo" << int(Qt::LeftButton) << true;
    QTest::newRow("click area") << "clickArea" << int(Qt::LeftButton) << true;
    QTest::newRow("animation") << "animation" << int(Qt::LeftButton) << false;
    QTest::newRow("small picture") << "smallPicture" << int(Qt::LeftButton) << false;
    QTest::newRow("background, right button") << "" << int(Qt::RightButton) << false;
    QTest::newRow("logo, right button") << "logo" << int(Qt::RightButton) << false;
}

void tst_logorouvel::clicks()
{
    QFETCH(QString, target);
    QFETCH(int, button);
    QFETCH(bool, dismisses);

    logorouvel splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QWidget *main = splash.mainWindow();

    if (target.isEmpty()) {
        // A corner of the window that no picture covers.
        const QPoint corner(4, 4);
        QCOMPARE(splash.childAt(corner), nullptr);
        QTest::mouseClick(&splash, Qt::MouseButton(button), {}, corner);
    } else {
        auto *picture = splash.findChild<QWidget *>(target);
        QVERIFY(picture);
        const QPoint centre = picture->rect().center();
        QCOMPARE(splash.childAt(picture->mapTo(&splash, centre)), picture);
        QTest::mouseClick(picture, Qt::MouseButton(button), {}, centre);
    }

    QCOMPARE(main->isVisible(), dismisses);
    QCOMPARE(splash.isVisible(), !dismisses);
    QCOMPARE(m_programEnds, 0);
    main->hide();
}

void tst_logorouvel::closeBoxEndsProgramWithoutMainWindow()
{
    logorouvel splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));

    ShowCounter mainShows;
    QPointer<QWidget> main = splash.mainWindow();
    QPointer<QWidget> carriers = splash.carrierWindow();
    QPointer<QWidget> rates = splash.rateWindow();
    main->installEventFilter(&mainShows);

    userCloses(&splash);

    QCOMPARE(m_programEnds, 1);
    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.animating());
    QCOMPARE(mainShows.shows, 0);
    QVERIFY(main.isNull());
    QVERIFY(carriers.isNull());
    QVERIFY(rates.isNull());
    QCOMPARE(ModMAJ::loadedWindow(QStringLiteral("entreval")), nullptr);
}

void tst_logorouvel::dismissalDoesNotEndProgram()
{
    logorouvel splash;
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    QTest::keyClick(&splash, Qt::Key_Return);
    QVERIFY(!splash.isVisible());
    QVERIFY(splash.mainWindow()->isVisible());
    QVERIFY(splash.carrierWindow());
    QVERIFY(!splash.carrierWindow()->isVisible());
    QVERIFY(splash.rateWindow());
    // A second dismissal, by a late click, changes nothing.
    splash.dismiss();
    QVERIFY(splash.mainWindow()->isVisible());
    QCOMPARE(m_programEnds, 0);
    splash.mainWindow()->hide();
}

void tst_logorouvel::windowsLoadAfterFirstPaint()
{
    logorouvel splash;
    QVERIFY(!splash.windowsLoaded());
    QCOMPARE(ModMAJ::loadedWindow(QStringLiteral("entreval")), nullptr);
    splash.show();
    QVERIFY(QTest::qWaitForWindowExposed(&splash));
    // Loaded by the splash itself once on screen, not by asking for them.
    QTRY_VERIFY(splash.windowsLoaded());
    for (const char *name : {"entreval", "frmMAJtrans", "frmChgTarif"}) {
        QWidget *window = ModMAJ::loadedWindow(QString::fromLatin1(name));
        QVERIFY2(window, name);
        QVERIFY2(!window->isVisible(), name);
    }
    QVERIFY(splash.isVisible());
    QVERIFY(splash.animating());
    QCOMPARE(m_programEnds, 0);
}

// What the user does may come before the windows are loaded: before the splash is painted, or
// painted with the load still waiting in the event queue.
void tst_logorouvel::actBeforeWindowsLoad_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("painted");
    QTest::addColumn<bool>("mainShown");

    for (const bool painted : {false, true}) {
        const char *when = painted ? ", load pending" : ", not painted";
        QTest::addRow("letter key%s", when) << "key A" << painted << true;
        QTest::addRow("return key%s", when) << "key Return" << painted << true;
        QTest::addRow("click on the background%s", when) << "click" << painted << true;
        QTest::addRow("click on the logo%s", when) << "click logo" << painted << true;
        QTest::addRow("close box%s", when) << "close" << painted << false;
    }
}

void tst_logorouvel::actBeforeWindowsLoad()
{
    QFETCH(QString, action);
    QFETCH(bool, painted);
    QFETCH(bool, mainShown);

    logorouvel splash;
    splash.show();
    if (painted)
        splash.grab(); // paints without letting the queued load run
    QVERIFY(!splash.windowsLoaded());

    if (action == u"key A")
        QTest::keyClick(&splash, Qt::Key_A);
    else if (action == u"key Return")
        QTest::keyClick(&splash, Qt::Key_Return);
    else if (action == u"click")
        QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(4, 4));
    else if (action == u"click logo")
        QTest::mouseClick(splash.findChild<QWidget *>(QStringLiteral("logo")), Qt::LeftButton);
    else
        userCloses(&splash);

    QVERIFY(!splash.isVisible());
    QVERIFY(!splash.animating());
    QCOMPARE(splash.windowsLoaded(), mainShown);
    QWidget *main = ModMAJ::loadedWindow(QStringLiteral("entreval"));
    QCOMPARE(main != nullptr, mainShown);
    QCOMPARE(m_programEnds, mainShown ? 0 : 1);
    if (mainShown) {
        QVERIFY(main->isVisible());
        QCOMPARE(splash.mainWindow(), main);
        QVERIFY(ModMAJ::loadedWindow(QStringLiteral("frmMAJtrans")));
        QVERIFY(ModMAJ::loadedWindow(QStringLiteral("frmChgTarif")));
    }

    // A load still queued must not bring the windows back after the close box took them.
    QTest::qWait(20);
    QCoreApplication::processEvents();
    if (!mainShown) {
        QVERIFY(!splash.windowsLoaded());
        QCOMPARE(splash.mainWindow(), nullptr);
        QCOMPARE(ModMAJ::loadedWindow(QStringLiteral("entreval")), nullptr);
        QCOMPARE(ModMAJ::loadedWindow(QStringLiteral("frmMAJtrans")), nullptr);
        QCOMPARE(m_programEnds, 1);
    } else {
        // One set of windows only, whichever of the load and the user came first.
        int mains = 0;
        for (QWidget *window : QApplication::topLevelWidgets())
            mains += window->objectName() == u"entreval";
        QCOMPARE(mains, 1);
        main->hide();
    }
}

void tst_logorouvel::artwork_data()
{
    QTest::addColumn<QString>("resource");
    QTest::newRow("logo") << ":/art/logo.svg";
    QTest::newRow("strip") << ":/art/strip.svg";
    QTest::newRow("small") << ":/art/small.svg";
    QTest::newRow("indicator idle") << ":/art/indicator-idle.svg";
    QTest::newRow("indicator result") << ":/art/indicator-result.svg";
}

// Distinct colours in an image, a rough measure that a picture is not blank.
static int colourCount(const QImage &image)
{
    std::set<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2) {
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    }
    return int(colours.size());
}

void tst_logorouvel::artwork()
{
    QFETCH(QString, resource);
    QSvgRenderer renderer(resource);
    QVERIFY2(renderer.isValid(), qPrintable(resource));
    SvgPicture picture(resource, 1);
    const QImage image = picture.renderBand(0, renderer.defaultSize(), 1.0);
    QVERIFY2(colourCount(image) > 8, qPrintable(resource));
}

void tst_logorouvel::stripBandsAreDistinctFrames()
{
    SvgPicture strip(QStringLiteral(":/art/strip.svg"), logorouvel::frameCount);
    QVERIFY(strip.hasPicture());
    const QSize bandSize(292, 58);
    QList<QImage> frames;
    for (int band = 0; band < logorouvel::frameCount; ++band) {
        const QImage frame = strip.renderBand(band, bandSize, 2.0);
        QCOMPARE(frame.size(), bandSize * 2);
        QVERIFY2(colourCount(frame) > 8, qPrintable(QString::number(band)));
        // Every band is filled to its edges: nothing of a neighbour, no empty rows.
        const QImage opaque = frame.convertToFormat(QImage::Format_ARGB32);
        for (int y : {0, opaque.height() - 1})
            QCOMPARE(qAlpha(opaque.pixel(opaque.width() / 2, y)), 255);
        for (const QImage &earlier : std::as_const(frames))
            QVERIFY(earlier != frame);
        frames.append(frame);
    }
    // Out-of-range bands draw nothing rather than a neighbour's picture.
    QCOMPARE(colourCount(strip.renderBand(logorouvel::frameCount, bandSize, 1.0)), 1);
    SvgPicture clickArea(QString(), 1);
    QVERIFY(!clickArea.hasPicture());
}

// The strip renders a band the first time it is painted, keeps it, and paints the band asked for.
void tst_logorouvel::paintsOnlyShownBands()
{
    SvgPicture strip(QStringLiteral(":/art/strip.svg"), logorouvel::frameCount);
    strip.resize(292, 58);
    QCOMPARE(strip.renderedBandCount(), 0);

    const struct
    {
        int band;
        int rendered; // bands rendered once it is painted
    } steps[] = {{0, 1}, {3, 2}, {4, 3}, {0, 3}, {3, 3}, {5, 4}};
    for (const auto &step : steps) {
        strip.setBand(step.band);
        const QImage painted = strip.grab().toImage().convertToFormat(QImage::Format_ARGB32);
        QCOMPARE(strip.renderedBandCount(), step.rendered);
        const QImage expected
            = strip.renderBand(step.band, strip.size(), painted.devicePixelRatio())
                  .convertToFormat(QImage::Format_ARGB32);
        QVERIFY2(painted == expected, qPrintable(QStringLiteral("band %1").arg(step.band)));
    }

    // A new size renders again, from the band on display.
    strip.resize(146, 29);
    QCOMPARE(strip.renderedBandCount(), 0);
    strip.grab();
    QCOMPARE(strip.renderedBandCount(), 1);
}

QTEST_MAIN(tst_logorouvel)
#include "tst_logorouvel.moc"

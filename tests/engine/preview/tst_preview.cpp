#include "FindState.h"
#include "PageImage.h"
#include "PreviewForm.h"
#include "PreviewLayout.h"
#include "ProcessPrinter.h"
#include "ReportFixture.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPageLayout>
#include <QPrinter>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <functional>
#include <memory>

namespace {

// Answers the next modal box and keeps its title and text.
struct ModalReply
{
    QString title;
    QString text;
    bool seen = false;

    void arm()
    {
        QTimer::singleShot(0, [this] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            seen = true;
            title = box->windowTitle();
            text = box->text();
            box->accept();
        });
    }
};

std::unique_ptr<PreviewForm> openPreview(VellumPrinter &engine, QSize size = QSize(1000, 700))
{
    auto form = std::make_unique<PreviewForm>(engine);
    if (!form->load())
        return nullptr;
    form->resize(size);
    form->show();
    return form;
}

void chooseZoom(PreviewForm &form, const QString &entry)
{
    form.zoomList()->setCurrentIndex(form.zoomList()->findText(entry));
}

} // namespace

class tst_Preview : public QObject
{
    Q_OBJECT
private slots:
    void init() { FindState::process() = FindState(); }

    void layoutCentresSmallPage();
    void layoutBars_data();
    void layoutBars();
    void steppedStopsAtEdges();

    void openingZoom_data();
    void openingZoom();
    void barsFollowZoom();
    void longPageScrollsToItsEnd();
    void pageKeys();
    void arrowKeysStopAtEdges();
    void backToPageAfterBreakOnlyPage();
    void resizeKeepsPage();
    void saveButtonFollowsEngine();
    void saveCommand_data();
    void saveCommand();
    void windowStyle_data();
    void windowStyle();

    void findNextBeforeAnySearchOpensFind();
    void searchFindsLaterPageInCapitals();
    void searchEdges_data();
    void searchEdges();
    void findNextOnLastPageAnswersAtOnce();
};

void tst_Preview::layoutCentresSmallPage()
{
    PreviewLayout::Input in {10000, 8000, 560, 6000, 4000, 255, 255};
    const PreviewLayout l = PreviewLayout::compute(in);
    QCOMPARE(l.pictureLeft, 2000);
    QCOMPARE(l.pictureTop, (8000 - 560 - 4000) / 2 + 560);
    QVERIFY(!l.hScroll.shown);
    QVERIFY(!l.vScroll.shown);
    QVERIFY(!l.coverShown);
    QCOMPARE(l.hScroll.length, 10000);
    QCOMPARE(l.vScroll.length, 8000 - 560);
}

void tst_Preview::layoutBars_data()
{
    QTest::addColumn<int>("pictureWidth");
    QTest::addColumn<int>("pictureHeight");
    QTest::addColumn<bool>("hShown");
    QTest::addColumn<bool>("vShown");
    QTest::addColumn<int>("hMax");
    QTest::addColumn<int>("vMax");
    // Window 10000 x 8000, panel 560, bars 255 thick.
    QTest::newRow("tall page") << 6000 << 15840 << false << true << 250
                               << -(15840 - (8000 - 560) + 250);
    QTest::newRow("wide page") << 12240 << 4000 << true << false << -(12240 - 9745 + 250) << 250;
    QTest::newRow("both") << 24480 << 31680 << true << true << -(24480 - 9745 + 250)
                          << -(31680 - (8000 - 560 - 255) + 250);
    QTest::newRow("just wider than room for the bar")
        << 9800 << 4000 << true << false << -(9800 - 9745 + 250) << 250;
}

void tst_Preview::layoutBars()
{
    QFETCH(int, pictureWidth);
    QFETCH(int, pictureHeight);
    QFETCH(bool, hShown);
    QFETCH(bool, vShown);
    QFETCH(int, hMax);
    QFETCH(int, vMax);
    const PreviewLayout l
        = PreviewLayout::compute({10000, 8000, 560, pictureWidth, pictureHeight, 255, 255});
    QCOMPARE(l.hScroll.shown, hShown);
    QCOMPARE(l.vScroll.shown, vShown);
    QCOMPARE(l.coverShown, hShown && vShown);
    if (hShown) {
        QCOMPARE(l.hScroll.maximum, hMax);
        QCOMPARE(l.pictureLeft, 250);
        // Steps follow the bar's length beside the vertical bar's place; 974.5 goes to even.
        QCOMPARE(l.hScroll.largeStep, 10000 - 255);
        QCOMPARE(l.hScroll.smallStep, 974);
    }
    if (vShown) {
        QCOMPARE(l.vScroll.maximum, vMax);
        QCOMPARE(l.pictureTop, 250 + 560);
        QCOMPARE(l.vScroll.largeStep, l.vScroll.length);
    }
}

void tst_Preview::steppedStopsAtEdges()
{
    PreviewLayout::Bar bar;
    bar.shown = true;
    bar.minimum = 250;
    bar.maximum = -9000;
    QCOMPARE(PreviewLayout::stepped(bar, 250, 7000), -6750);
    QCOMPARE(PreviewLayout::stepped(bar, -6750, 7000), -9000);
    QCOMPARE(PreviewLayout::stepped(bar, -9000, -7000), -2000);
    QCOMPARE(PreviewLayout::stepped(bar, -2000, -7000), 250);
}

void tst_Preview::openingZoom_data()
{
    QTest::addColumn<int>("zoomPercent");
    QTest::addColumn<QString>("entry");
    QTest::newRow("0") << 0 << "100%";
    QTest::newRow("110 is no entry") << 110 << "100%";
    QTest::newRow("150") << 150 << "150%";
    QTest::newRow("50") << 50 << "50%";
}

void tst_Preview::openingZoom()
{
    QFETCH(int, zoomPercent);
    QFETCH(QString, entry);
    auto engine = ReportFixture::numbered(5);
    engine->SetZoomPercent(qint16(zoomPercent));
    auto form = openPreview(*engine);
    QVERIFY(form);
    QCOMPARE(form->zoomList()->currentText(), entry);
    QCOMPARE(form->zoom(), entry.chopped(1).toDouble() / 100.0);
    QCOMPARE(form->currentPage(), qint16(1));
    QCOMPARE(form->curPage()->text(), QStringLiteral(" 1"));
    QCOMPARE(form->numPages()->text(), QStringLiteral(" 5"));
    QCOMPARE(form->zoomList()->count(), 9);
}

void tst_Preview::barsFollowZoom()
{
    auto engine = ReportFixture::numbered(2);
    engine->SetZoomPercent(50);
    auto form = openPreview(*engine, QSize(1200, 900));
    QVERIFY(form);
    QVERIFY(!form->hScroll()->isVisible());
    QVERIFY(!form->vScroll()->isVisible());
    QVERIFY(!form->cover()->isVisible());
    // Centred below the panel.
    const int panel = form->pageImg()->y() - (form->height() - form->pageImg()->height()) / 2;
    QVERIFY(qAbs(form->pageImg()->x() - (form->width() - form->pageImg()->width()) / 2) <= 1);
    QVERIFY(panel > 0);

    chooseZoom(*form, QStringLiteral("200%"));
    QCOMPARE(form->zoom(), 2.0);
    QVERIFY(form->hScroll()->isVisible());
    QVERIFY(form->vScroll()->isVisible());
    QVERIFY(form->cover()->isVisible());
    QCOMPARE(form->hScrollValue(), 250);
    QCOMPARE(form->vScrollValue(), 250);
    const PreviewLayout &l = form->layout();
    QCOMPARE(form->vScroll()->maximum(), l.vScroll.minimum - l.vScroll.maximum);
    QCOMPARE(form->vScroll()->pageStep(), l.vScroll.length);

    chooseZoom(*form, QStringLiteral("50%"));
    QVERIFY(!form->hScroll()->isVisible());
    QVERIFY(!form->cover()->isVisible());
}

void tst_Preview::longPageScrollsToItsEnd()
{
    // At 200 % a Legal page is 40320 twips high; with a short window the range passes the
    // 16-bit limit, and the view must still reach the page's bottom.
    QPrinter &printer = ProcessPrinter::currentPrinter();
    const QPageSize savedPaper = printer.pageLayout().pageSize();
    printer.setPageSize(QPageSize(QPageSize::Legal));
    const auto restorePaper = qScopeGuard([&] { printer.setPageSize(savedPaper); });
    auto engine = ReportFixture::numbered(1);
    engine->SetZoomPercent(200);
    auto form = openPreview(*engine, QSize(900, 120));
    QVERIFY(form);
    const PreviewLayout &l = form->layout();
    QVERIFY(l.vScroll.shown);
    const int range = l.vScroll.minimum - l.vScroll.maximum;
    QVERIFY2(range > 32767, qPrintable(QString::number(range)));
    QCOMPARE(form->vScroll()->maximum(), range);
    form->vScroll()->setValue(form->vScroll()->maximum());
    QCOMPARE(form->vScrollValue(), l.vScroll.maximum);
}

void tst_Preview::pageKeys()
{
    auto engine = ReportFixture::numbered(5);
    auto form = openPreview(*engine);
    QVERIFY(form);
    QWidget *page = form->pageImg();
    QTest::keyClick(page, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(form->currentPage(), qint16(5));
    QCOMPARE(form->curPage()->text(), QStringLiteral(" 5"));
    QTest::keyClick(page, Qt::Key_PageDown);
    QCOMPARE(form->currentPage(), qint16(5));
    QTest::keyClick(page, Qt::Key_PageUp);
    QCOMPARE(form->currentPage(), qint16(4));
    QTest::keyClick(page, Qt::Key_PageUp, Qt::ControlModifier);
    QCOMPARE(form->currentPage(), qint16(1));
    QTest::keyClick(page, Qt::Key_PageUp);
    QCOMPARE(form->currentPage(), qint16(1));
    // Ctrl with Shift is not Ctrl: one page only.
    QTest::keyClick(page, Qt::Key_PageDown, Qt::ControlModifier | Qt::ShiftModifier);
    QCOMPARE(form->currentPage(), qint16(2));
    // Keys reach the window before the control that has the focus.
    form->zoomList()->setFocus();
    QTest::keyClick(form->zoomList(), Qt::Key_PageDown);
    QCOMPARE(form->currentPage(), qint16(3));
    QCOMPARE(form->zoomList()->currentText(), QStringLiteral("100%"));
}

void tst_Preview::arrowKeysStopAtEdges()
{
    auto engine = ReportFixture::numbered(1);
    engine->SetZoomPercent(200);
    auto form = openPreview(*engine, QSize(900, 600));
    QVERIFY(form);
    const PreviewLayout &l = form->layout();
    QVERIFY(l.vScroll.shown && l.hScroll.shown);
    QWidget *page = form->pageImg();

    QTest::keyClick(page, Qt::Key_Down);
    QCOMPARE(form->vScrollValue(), 250 - l.vScroll.largeStep);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(page, Qt::Key_Down);
    QCOMPARE(form->vScrollValue(), l.vScroll.maximum);
    const int bottomGap = form->vScroll()->y() + form->vScroll()->height()
        - (form->pageImg()->y() + form->pageImg()->height());
    QVERIFY2(qAbs(bottomGap - qRound(250 * form->logicalDpiY() / 1440.0)) <= 1,
        qPrintable(QString::number(bottomGap)));
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(page, Qt::Key_Up);
    QCOMPARE(form->vScrollValue(), 250);

    QTest::keyClick(page, Qt::Key_Left);
    QCOMPARE(form->hScrollValue(), 250);
    for (int i = 0; i < 10; ++i)
        QTest::keyClick(page, Qt::Key_Right);
    QCOMPARE(form->hScrollValue(), l.hScroll.maximum);
    QCOMPARE(form->focusWidget(), page);
}

void tst_Preview::backToPageAfterBreakOnlyPage()
{
    auto engine = ReportFixture::record({{}, {"two"}, {"three"}});
    auto form = openPreview(*engine);
    QVERIFY(form);
    QCOMPARE(form->pager().totalPages(), qint16(3));
    QTest::keyClick(form->pageImg(), Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(form->currentPage(), qint16(3));
    QCOMPARE(form->pager().seekPage(2), 3);
    QTest::keyClick(form->pageImg(), Qt::Key_PageUp);
    QCOMPARE(form->currentPage(), qint16(2));
    // Page 2's text was drawn: the picture is not blank.
    const QImage image = form->pageImg()->image();
    bool ink = false;
    for (int y = 0; y < image.height() && !ink; ++y)
        for (int x = 0; x < image.width() && !ink; ++x)
            ink = qGray(image.pixel(x, y)) < 128;
    QVERIFY(ink);
}

void tst_Preview::resizeKeepsPage()
{
    auto engine = ReportFixture::numbered(3);
    engine->SetZoomPercent(50);
    auto form = openPreview(*engine, QSize(800, 700));
    QVERIFY(form);
    QTest::keyClick(form->pageImg(), Qt::Key_PageDown);
    form->resize(1200, 900);
    QCOMPARE(form->currentPage(), qint16(2));
    QVERIFY(qAbs(form->pageImg()->x() - (1200 - form->pageImg()->width()) / 2) <= 1);
}

void tst_Preview::saveButtonFollowsEngine()
{
    auto engine = ReportFixture::numbered(1);
    auto form = openPreview(*engine);
    QVERIFY(form);
    QVERIFY(form->saveBtn()->isVisible());
    form->hide();
    engine->SetShowPreviewSave(false);
    form->show();
    QVERIFY(!form->saveBtn()->isVisible());
}

// Each row: the name typed in the save dialog (empty: the dialog is cancelled) and the file
// the report then goes to.
void tst_Preview::saveCommand_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::newRow("cancelled writes nothing") << QString() << QString();
    QTest::newRow("default extension added") << "report"
                                             << "report.txt";
    QTest::newRow("own extension kept") << "report.lst"
                                        << "report.lst";
}

void tst_Preview::saveCommand()
{
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto engine = ReportFixture::numbered(1);
    const QString earlier = dir.filePath(QStringLiteral("earlier.txt"));
    engine->SetPrintTextFile(earlier);
    auto form = openPreview(*engine);
    QVERIFY(form);

    QString title;
    QStringList filters;
    QString suffix;
    bool confirmsOverwrite = true;
    QTimer::singleShot(0, [&] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        title = dialog->windowTitle();
        filters = dialog->nameFilters();
        suffix = dialog->defaultSuffix();
        confirmsOverwrite = !dialog->testOption(QFileDialog::DontConfirmOverwrite);
        if (typed.isEmpty()) {
            static_cast<QDialog *>(dialog)->reject();
        } else {
            dialog->selectFile(dir.filePath(typed));
            static_cast<QDialog *>(dialog)->accept();
        }
    });
    form->saveBtn()->click();

    QCOMPARE(title, QStringLiteral("Save Report"));
    QCOMPARE(filters, (QStringList {"Text Files (*.txt)", "All Files (*.*)"}));
    QCOMPARE(suffix, QStringLiteral("txt"));
    QVERIFY(!confirmsOverwrite);
    if (written.isEmpty()) {
        QCOMPARE(engine->PrintTextFile(), earlier);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList());
    } else {
        const QString path = dir.filePath(written);
        QCOMPARE(engine->PrintTextFile(), path);
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().contains("Page 1"));
    }
    QCOMPARE(form->currentPage(), qint16(1));
    QCOMPARE(form->focusWidget(), form->pageImg());
}

void tst_Preview::windowStyle_data()
{
    QTest::addColumn<bool>("sizable");
    QTest::newRow("sizable") << true;
    QTest::newRow("maximised") << false;
}

void tst_Preview::windowStyle()
{
    QFETCH(bool, sizable);
    auto engine = ReportFixture::numbered(1);
    PreviewForm form(*engine);
    QCOMPARE(form.windowTitle(), QStringLiteral("Preview Form"));
    form.applyWindowStyle(sizable, QStringLiteral("Bill of lading"));
    QCOMPARE(bool(form.windowFlags() & Qt::FramelessWindowHint), !sizable);
    QCOMPARE(bool(form.windowFlags() & Qt::WindowMinMaxButtonsHint), sizable);
    QCOMPARE(form.windowTitle(), sizable ? QStringLiteral("Bill of lading") : QString());
    QCOMPARE(bool(form.windowState() & Qt::WindowMaximized), !sizable);
}

void tst_Preview::findNextBeforeAnySearchOpensFind()
{
    auto engine = ReportFixture::numbered(2);
    auto form = openPreview(*engine);
    QVERIFY(form);
    QString opened;
    QTimer::singleShot(0, [&opened] {
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal)
            return;
        opened = modal->windowTitle();
        modal->close();
    });
    QTest::keyClick(form->pageImg(), Qt::Key_F3);
    QCOMPARE(opened, QStringLiteral("Find Text"));
    QCOMPARE(form->currentPage(), qint16(1));
}

void tst_Preview::searchFindsLaterPageInCapitals()
{
    auto engine = ReportFixture::record({{"Date"}, {"Items"}, {"More"}, {"TOTAL DUE", "x"}, {}});
    auto form = openPreview(*engine);
    QVERIFY(form);
    QVERIFY(form->searchReport(QStringLiteral("total"), false));
    QCOMPARE(form->currentPage(), qint16(4));
    QCOMPARE(form->pageScroll()->value(), 4);
    QCOMPARE(form->curPage()->text(), QStringLiteral(" 4"));
    // Paging on from a found page reads the right page.
    QTest::keyClick(form->pageImg(), Qt::Key_PageUp);
    QCOMPARE(form->currentPage(), qint16(3));
}

// Each row: where the preview stands, the search, and what the user sees.
void tst_Preview::searchEdges_data()
{
    QTest::addColumn<int>("startPage");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("fromTop");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("pageAfter");
    QTest::newRow("current page not searched") << 2 << "beta" << false << false << 2;
    QTest::newRow("from the top finds the current page") << 2 << "beta" << true << true << 2;
    QTest::newRow("from the top finds page 1") << 3 << "ALPHA" << true << true << 1;
    QTest::newRow("blanks kept") << 1 << "amma d" << false << true << 3;
    QTest::newRow("no wrap to page 1") << 2 << "alpha" << false << false << 2;
    QTest::newRow("split over two records") << 1 << "one two" << false << false << 1;
}

void tst_Preview::searchEdges()
{
    QFETCH(int, startPage);
    QFETCH(QString, text);
    QFETCH(bool, fromTop);
    QFETCH(bool, found);
    QFETCH(int, pageAfter);
    auto engine
        = ReportFixture::record({{"alpha"}, {"beta", "one"}, {"gamma delta", "two"}, {"end"}});
    auto form = openPreview(*engine);
    QVERIFY(form);
    form->pageScroll()->setValue(startPage);
    QCOMPARE(form->currentPage(), qint16(startPage));

    FindState &state = FindState::process();
    state.confirm({}, text, fromTop);
    ModalReply reply;
    reply.arm();
    if (fromTop) {
        // The find command with "from the beginning" already confirmed.
        QTimer::singleShot(0, [] {
            if (auto *modal = QApplication::activeModalWidget())
                if (auto *ok = modal->findChild<QPushButton *>(QStringLiteral("OkBtn")))
                    ok->click();
        });
        reply.arm();
        form->findCommand();
    } else {
        QTest::keyClick(form->pageImg(), Qt::Key_F3);
    }
    QCOMPARE(reply.seen, !found);
    if (!found) {
        QCOMPARE(reply.title, QStringLiteral("Find"));
        QCOMPARE(reply.text, QStringLiteral("The search text was not found."));
    }
    QCOMPARE(form->currentPage(), qint16(pageAfter));
    QCOMPARE(form->pageScroll()->value(), pageAfter);
}

void tst_Preview::findNextOnLastPageAnswersAtOnce()
{
    auto engine = ReportFixture::record({{"a"}, {"needle"}});
    auto form = openPreview(*engine);
    QVERIFY(form);
    form->pageScroll()->setValue(2);
    FindState::process().confirm({}, QStringLiteral("needle"), false);
    const qint32 before = form->pager().readPosition();
    ModalReply reply;
    reply.arm();
    QTest::keyClick(form->pageImg(), Qt::Key_F3);
    QVERIFY(reply.seen);
    QCOMPARE(reply.text, QStringLiteral("The search text was not found."));
    QCOMPARE(form->pager().readPosition(), before);
    QCOMPARE(form->currentPage(), qint16(2));
}

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"

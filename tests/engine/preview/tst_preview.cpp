#include "FindState.h"
#include "PageImage.h"
#include "PageIndex.h"
#include "PrintRun.h"
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
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollBar>
#include <QStandardPaths>
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

// Height in inches of the ink in a part of a page picture given in inches.
double inkHeightInches(const QImage &image, double pixelsPerInch, QRectF areaInches)
{
    const QRect area = QRect(qRound(areaInches.left() * pixelsPerInch),
        qRound(areaInches.top() * pixelsPerInch), qRound(areaInches.width() * pixelsPerInch),
        qRound(areaInches.height() * pixelsPerInch))
                           .intersected(image.rect());
    int top = -1;
    int bottom = -1;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if (qGray(image.pixel(x, y)) < 128) {
                if (top < 0)
                    top = y;
                bottom = y;
                break;
            }
        }
    }
    return top < 0 ? 0.0 : (bottom - top + 1) / pixelsPerInch;
}

// A report file of the given records after a default header.
QString writeReport(const QString &path, const QList<ReportFormat::Record> &records)
{
    ReportFormat::RecordBytes header {};
    ReportFormat::Header::defaults(false).writeTo(header);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write(header.data(), ReportFormat::RecordSize);
    for (const ReportFormat::Record &r : records)
        file.write(r.bytes.data(), ReportFormat::RecordSize);
    return path;
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
    void searchComparesCapitals_data();
    void searchComparesCapitals();

    void pageIndex_data();
    void pageIndex();
    void fontCarriesOverToLaterPages();
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
    QCOMPARE(filters,
        (QStringList {"Text Files (*.txt)", "All Files (*.*)", "PDF Files (*.pdf)"}));
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

void tst_Preview::searchComparesCapitals_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<bool>("found");
    QTest::newRow("accents") << "Déjà vu" << "DÉJÀ" << true;
    QTest::newRow("y with diaeresis") << "ÿes" << "Ÿ" << true;
    QTest::newRow("oe ligature") << "cœur" << "CŒUR" << true;
    QTest::newRow("sharp s becomes SS") << "Straße" << "strasse" << true;
    QTest::newRow("micro sign, capital outside the code page") << "12 µm" << "µM" << true;
    QTest::newRow("question mark") << "why?" << "Y?" << true;
    QTest::newRow("absent") << "Total" << "totals" << false;
    QTest::newRow("padding blanks count") << "end" << "END   " << true;
}

void tst_Preview::searchComparesCapitals()
{
    QFETCH(QString, text);
    QFETCH(QString, wanted);
    QFETCH(bool, found);
    auto engine = ReportFixture::record({{"first"}, {text}});
    PreviewPager pager;
    QVERIFY(pager.open(engine->PrintFile()));
    pager.setTotalPages(2);
    QCOMPARE(pager.search(wanted, true).has_value(), found);
    if (found)
        QCOMPARE(pager.currentPage(), qint16(2));
}

// Each row: the page numbers of the command records (F for a SETFONT), and for pages 1 to 4
// their first record and the SETFONT in force there.
void tst_Preview::pageIndex_data()
{
    QTest::addColumn<QString>("records");
    QTest::addColumn<QList<int>>("first");
    QTest::addColumn<QList<int>>("font");
    QTest::newRow("font on page 1 only") << "1F 1 1 2 2 3 4" << QList<int> {2, 5, 7, 8}
                                         << QList<int> {0, 2, 2, 2};
    QTest::newRow("font at the end of a page") << "1 1F 2 2F 3 4" << QList<int> {2, 4, 6, 7}
                                               << QList<int> {0, 3, 5, 5};
    QTest::newRow("break-only first page") << "1 2F 2 3" << QList<int> {2, 3, 5, 6}
                                           << QList<int> {0, 0, 3, 3};
    QTest::newRow("page without records") << "1F 3 4" << QList<int> {2, 3, 3, 4}
                                          << QList<int> {0, 2, 2, 2};
    QTest::newRow("page number going back") << "1 3 2F 4" << QList<int> {2, 3, 3, 5}
                                            << QList<int> {0, 0, 0, 4};
    QTest::newRow("no records") << "" << QList<int> {2, 2, 2, 2} << QList<int> {0, 0, 0, 0};
}

void tst_Preview::pageIndex()
{
    QFETCH(QString, records);
    QFETCH(QList<int>, first);
    QFETCH(QList<int>, font);
    QList<ReportFormat::Record> list;
    for (const QString &r : records.split(u' ', Qt::SkipEmptyParts)) {
        const qint16 page = qint16(QStringView(r).left(1).toInt());
        list << (r.endsWith(u'F') ? ReportFormat::Record::setFont(page, u"Arial", 12, 0, 0, 0)
                                  : ReportFormat::Record::textOut(page, 1, 1, u"x"));
    }
    QTemporaryDir dir;
    ReportReader reader(writeReport(dir.filePath(QStringLiteral("r.rpt")), list));
    QVERIFY(reader.isOpen());
    PageIndex index;
    index.build(reader);
    for (qint16 page = 1; page <= 4; ++page) {
        const qint32 expected = qMin(first.at(page - 1), reader.recordCount() + 1);
        QCOMPARE(index.firstRecord(page), expected);
        QCOMPARE(index.fontRecord(page), font.at(page - 1));
    }
}

// Page 1 sets Arial 12, draws an H and sets Arial 30 bold at its end; pages 2 and 3 only draw
// an H. On paper the last font of page 1 stays for pages 2 and 3: the preview must show the
// same glyph heights as the printed PDF, whichever way it pages.
void tst_Preview::fontCarriesOverToLaterPages()
{
    const QString pdftoppm = QStandardPaths::findExecutable(QStringLiteral("pdftoppm"));
    if (pdftoppm.isEmpty())
        QSKIP("pdftoppm (poppler-utils) is not installed.");
    VellumPrinter engine;
    engine.BeginDoc();
    engine.SetScaleMode(5);
    engine.SetFont(QStringLiteral("Arial"), 12, 0);
    for (int page = 1; page <= 3; ++page) {
        if (page > 1)
            engine.NewPage();
        engine.SetY(1.0);
        engine.TextOut(1.0, QStringLiteral("H"));
        if (page == 1)
            engine.SetFont(QStringLiteral("Arial"), 30, 1);
    }
    engine.EndDoc();
    const auto cleanup = qScopeGuard([&engine] { engine.DestroyReport(); });
    const QRectF glyphArea(0.9, 0.9, 1.0, 0.8);

    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("report.pdf"));
    {
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
        printer.setPageLayout(QPageLayout(QPageSize(QPageSize::Letter), QPageLayout::Portrait,
            QMarginsF(0.25, 0.25, 0.25, 0.25), QPageLayout::Inch));
        PrintOptions options;
        options.ModalResult = 1;
        options.FromPage = 1;
        options.ToPage = 3;
        options.Copies = 1;
        PrintRun::runPrintJob(engine.PrintFile(), QStringLiteral("fonts"), options, printer, {});
    }
    QProcess raster;
    raster.start(pdftoppm,
        {QStringLiteral("-r"), QStringLiteral("144"), QStringLiteral("-png"), pdf,
            dir.filePath(QStringLiteral("paper"))});
    QVERIFY(raster.waitForFinished(60000));
    QList<double> paper;
    for (int page = 1; page <= 3; ++page) {
        const QImage image(dir.filePath(QStringLiteral("paper-%1.png").arg(page)));
        QVERIFY(!image.isNull());
        paper << inkHeightInches(image, 144.0, glyphArea);
    }
    // A 30-point capital is about 0.3 inch high, a 12-point one 0.12 inch.
    QVERIFY2(paper.at(0) > 0.09 && paper.at(0) < 0.15, qPrintable(QString::number(paper.at(0))));
    QVERIFY2(paper.at(1) > 0.25 && paper.at(1) < 0.35, qPrintable(QString::number(paper.at(1))));
    QCOMPARE(paper.at(2), paper.at(1));

    auto form = openPreview(engine, QSize(1200, 1000));
    QVERIFY(form);
    const double pixelsPerInch = form->logicalDpiX() * form->devicePixelRatioF();
    const auto shown = [&] {
        return inkHeightInches(form->pageImg()->image(), pixelsPerInch, glyphArea);
    };
    QWidget *page = form->pageImg();
    // Forward jump, back to the start, then one page on.
    QTest::keyClick(page, Qt::Key_PageDown, Qt::ControlModifier);
    QCOMPARE(form->currentPage(), qint16(3));
    const double third = shown();
    QTest::keyClick(page, Qt::Key_PageUp, Qt::ControlModifier);
    const double first = shown();
    QTest::keyClick(page, Qt::Key_PageDown);
    QCOMPARE(form->currentPage(), qint16(2));
    const double second = shown();
    const double tolerance = 2.0 / pixelsPerInch + 2.0 / 144.0;
    QVERIFY2(qAbs(first - paper.at(0)) <= tolerance,
        qPrintable(QStringLiteral("page 1: %1 / %2").arg(first).arg(paper.at(0))));
    QVERIFY2(qAbs(second - paper.at(1)) <= tolerance,
        qPrintable(QStringLiteral("page 2: %1 / %2").arg(second).arg(paper.at(1))));
    QVERIFY2(qAbs(third - paper.at(2)) <= tolerance,
        qPrintable(QStringLiteral("page 3: %1 / %2").arg(third).arg(paper.at(2))));
}

QTEST_MAIN(tst_Preview)
#include "tst_preview.moc"

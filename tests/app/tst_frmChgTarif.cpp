#include "rateadjust/RateGridFixture.h"

#include "OrdinaryUser.h"

#include "ModMAJ.h"
#include "ModRouvel.h"
#include "entreval.h"
#include "frmChgTarif.h"
#include "rateadjust/RateCellDelegate.h"
#include "rateadjust/RateGridColumns.h"
#include "rateadjust/RateGridModel.h"
#include "ratesheets/RateSheetCsv.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyle>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include <algorithm>
#include <functional>
#include <memory>

// Answers the modal dialogs the window opens, one step per dialog, in order.
class ModalScript : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;

    explicit ModalScript(QList<Step> steps)
        : m_steps(std::move(steps))
    {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { poll(); });
        m_timer.start();
    }
    int done() const { return m_done; }
    bool finished() const { return m_done == m_steps.size(); }

private:
    void poll()
    {
        if (m_last && m_last->isVisible())
            return;
        QWidget *modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible() || finished())
            return;
        m_last = modal;
        m_steps[m_done++](modal);
    }

    QList<Step> m_steps;
    int m_done = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

class tst_frmChgTarif : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void cleanupTestCase();

    void opensWithNothingChosen();
    void gridOfTheRateType_data();
    void gridOfTheRateType();
    void bothKindsAsksWhich_data();
    void bothKindsAsksWhich();
    void unknownRateTypeShowsNoGrid();
    void typedRateWrittenWhenRowLeft();
    void largeRateShownWhole();
    void typedRateWidensItsColumnAtOnce_data();
    void typedRateWidensItsColumnAtOnce();
    void readOnlyFileKeepsTheStoredRate_data();
    void readOnlyFileKeepsTheStoredRate();
    void lettersDroppedWithABeep();
    void emptiedCellStoresNull();
    void notANumberRefused();
    void refusedWriteIsTold();
    void leavingWritesTheCellBeingEdited_data();
    void leavingWritesTheCellBeingEdited();
    void editedRateChangesTheMainWindow();
    void carriersForADestination();
    void eachOpeningStartsAfresh();
    void sheetCommandsFollowTheGrid();
    void importedSheetChangesTheMainWindow();
    void importAnsweredNoWritesNothing();
    void badSheetListsItsProblems();

private:
    template<typename T> T *child(const char *name) const
    {
        T *widget = m_window->findChild<T *>(QString::fromLatin1(name));
        if (!widget)
            qFatal("frmChgTarif has no %s", name);
        return widget;
    }
    void choose(QComboBox *box, const QString &entry);
    void chooseCarrier(const QString &name) { choose(child<QComboBox>("carrierChooser"), name); }
    QTableView *shownGrid() const;
    void clickCell(QTableView *grid, int row, int column);
    static void type(const QString &keys);
    static bool editing(QTableView *grid)
    {
        const QLineEdit *editor
            = qobject_cast<RateCellDelegate *>(grid->itemDelegate())->openEditor();
        return editor && editor->isVisible();
    }
    static void answer(QWidget *dialog, const QString &reply);
    static void clickOk(QWidget *box);
    int gridRow(const QString &destination) const;

    std::unique_ptr<RateGridFixture> m_fixture;
    std::unique_ptr<QWidget> m_main; // the window "&RETURN" goes back to
    std::unique_ptr<frmChgTarif> m_window;
    int m_programEnds = 0;
};

void tst_frmChgTarif::initTestCase()
{
    ModMAJ::setProgramEndHandler([this] { ++m_programEnds; });
}

void tst_frmChgTarif::cleanupTestCase() { ModMAJ::setProgramEndHandler({}); }

void tst_frmChgTarif::init()
{
    m_programEnds = 0;
    m_fixture = std::make_unique<RateGridFixture>();
    ModRouvel::dbPath = m_fixture->path();
    m_main = std::make_unique<QWidget>();
    m_window = std::make_unique<frmChgTarif>();
    m_window->setReturnTo(m_main.get());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void tst_frmChgTarif::cleanup()
{
    m_window.reset();
    m_main.reset();
    m_fixture.reset();
}

void tst_frmChgTarif::choose(QComboBox *box, const QString &entry)
{
    const int index = box->findText(entry);
    QVERIFY2(index >= 0, qPrintable(entry));
    box->showPopup();
    QAbstractItemView *view = box->view();
    QTRY_VERIFY(view->isVisible());
    const QRect rect = view->visualRect(view->model()->index(index, 0));
    view->scrollTo(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
        view->visualRect(view->model()->index(index, 0)).center());
    Q_UNUSED(rect);
    QTRY_VERIFY(!view->isVisible());
    // The offscreen platform leaves the closed drop-down active; the user's window has the keys.
    if (QApplication::activeModalWidget() == nullptr) {
        box->window()->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(box->window()));
    }
}

QTableView *tst_frmChgTarif::shownGrid() const
{
    auto *weight = child<QTableView>("weightGrid");
    auto *pallet = child<QTableView>("palletGrid");
    if (weight->isVisible() && pallet->isVisible())
        qFatal("both grids show");
    return weight->isVisible() ? weight : pallet->isVisible() ? pallet : nullptr;
}

void tst_frmChgTarif::clickCell(QTableView *grid, int row, int column)
{
    const QModelIndex index = grid->model()->index(row, column);
    grid->scrollTo(index);
    const QRect rect = grid->visualRect(index);
    QVERIFY(rect.isValid());
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, rect.center());
}

void tst_frmChgTarif::type(const QString &keys)
{
    // The view starts no edit within the double-click time of a click on the cell; a user's
    // first key comes later than that.
    QTest::qWait(QApplication::doubleClickInterval() + 50);
    // To whatever has the focus: the grid first, then the editor it opens.
    for (const QChar key : keys)
        QTest::keyClick(static_cast<QWidget *>(nullptr), key.toLatin1());
}

void tst_frmChgTarif::answer(QWidget *dialog, const QString &reply)
{
    auto *question = qobject_cast<QInputDialog *>(dialog);
    QVERIFY(question);
    auto *line = question->findChild<QLineEdit *>();
    QVERIFY(line);
    line->selectAll();
    QTest::keyClick(line, Qt::Key_Backspace);
    QTest::keyClicks(line, reply);
    QTest::mouseClick(
        question->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Ok), Qt::LeftButton);
}

void tst_frmChgTarif::clickOk(QWidget *box)
{
    auto *message = qobject_cast<QMessageBox *>(box);
    QVERIFY(message);
    QTest::mouseClick(message->button(QMessageBox::Ok), Qt::LeftButton);
}

int tst_frmChgTarif::gridRow(const QString &destination) const
{
    const RateGridModel *model = m_window->logic().model();
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->destination(row) == destination)
            return row;
    }
    qFatal("no row for %s", qPrintable(destination));
}

void tst_frmChgTarif::opensWithNothingChosen()
{
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Rates adjustments"));
    auto *chooser = child<QComboBox>("carrierChooser");
    QCOMPARE(chooser->currentIndex(), -1);
    QCOMPARE(chooser->placeholderText(), QStringLiteral("Select carrier"));
    QStringList carriers;
    for (int i = 0; i < chooser->count(); ++i)
        carriers << chooser->itemText(i);
    QCOMPARE(carriers, (QStringList {"ACME", "BOREAL", "CARGO'S", "DELTA", "EAGLE"}));
    QCOMPARE(child<QLabel>("updateHint")->text(),
        QStringLiteral("Click on another cell to update the change"));
    QVERIFY(!shownGrid());
    QVERIFY(child<QGroupBox>("carriersPanel")->isHidden());
    QCOMPARE(
        child<QGroupBox>("carriersPanel")->title(), QStringLiteral("CARRIERS FOR A DESTINATION"));
    QCOMPARE(
        child<QPushButton>("carriersButton")->text(), QStringLiteral("CARRIERS FOR DESTINATION"));
    QCOMPARE(child<QPushButton>("returnButton")->text(), QStringLiteral("&RETURN"));
    QCOMPARE(child<QPushButton>("helpButton")->text(), QStringLiteral("Help"));
    QVERIFY(child<QLabel>("loadProblem")->isHidden());
}

void tst_frmChgTarif::gridOfTheRateType_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("grid");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<int>("twips");
    QTest::newRow("po") << "ACME"
                        << "weightGrid"
                        << QStringList {"Destination", "Min", "LTL", "500 lbs", "1000 lbs",
                               "2000 lbs", "5000 lbs", "10000 lbs"}
                        << 800;
    QTest::newRow("pa") << "BOREAL"
                        << "palletGrid"
                        << QStringList {"Destination", "1pal", "2pal", "3pal", "4pal", "5pal",
                               "6pal", "7pal", "8pal", "9pal", "10pal"}
                        << 750;
}

void tst_frmChgTarif::gridOfTheRateType()
{
    QFETCH(QString, carrier);
    QFETCH(QString, grid);
    QFETCH(QStringList, captions);
    QFETCH(int, twips);

    chooseCarrier(carrier);
    QTableView *shown = shownGrid();
    QVERIFY(shown);
    QCOMPARE(shown->objectName(), grid);
    QStringList headers;
    for (int c = 0; c < shown->model()->columnCount(); ++c)
        headers << shown->model()->headerData(c, Qt::Horizontal).toString();
    QCOMPARE(headers, captions);
    // The width in twips at the screen's resolution, or what a caption or a rate needs if more:
    // no caption and no rate is clipped.
    const int width = qRound(twips * shown->logicalDpiX() / 1440.0);
    for (int c = 1; c < captions.size(); ++c) {
        const int caption = shown->horizontalHeader()->sectionSizeHint(c);
        int widestRate = 0;
        for (int r = 0; r < shown->model()->rowCount(); ++r) {
            widestRate = std::max(widestRate,
                shown->fontMetrics().horizontalAdvance(shown->model()->index(r, c).data().toString()));
        }
        QVERIFY(shown->columnWidth(c) >= std::max(width, caption));
        QVERIFY(shown->columnWidth(c) > widestRate);
        if (widestRate + 8 < std::max(width, caption))
            QCOMPARE(shown->columnWidth(c), std::max(width, caption));
        QVERIFY(shown->model()->index(0, c).data().toString().isEmpty()
            || shown->model()->index(0, c).data().toString().endsWith(QLatin1Char('$')));
    }
    QVERIFY(shown->verticalHeader()->isVisible());
    QCOMPARE(shown->model()->index(0, 0).data().toString(), QStringLiteral("CHICAGO"));

    // The destination cannot be edited: neither a double click nor typing opens an editor.
    clickCell(shown, 0, 0);
    QTest::mouseDClick(shown->viewport(), Qt::LeftButton, {},
        shown->visualRect(shown->model()->index(0, 0)).center());
    type(QStringLiteral("5"));
    QVERIFY(!editing(shown));
    QCOMPARE(shown->model()->index(0, 0).data().toString(), QStringLiteral("CHICAGO"));
}

void tst_frmChgTarif::bothKindsAsksWhich_data()
{
    QTest::addColumn<QStringList>("replies"); // "<cancel>" clicks Cancel
    QTest::addColumn<QString>("grid"); // empty: none
    QTest::addColumn<int>("invalidBoxes");
    QTest::newRow("2") << QStringList {"2"} << "palletGrid" << 0;
    QTest::newRow("1") << QStringList {"1"} << "weightGrid" << 0;
    QTest::newRow("nothing") << QStringList {""} << "" << 0;
    QTest::newRow("cancel") << QStringList {"<cancel>"} << "" << 0;
    QTest::newRow("x then 1") << QStringList {"x", "1"} << "weightGrid" << 1;
    QTest::newRow("3, 12 then 2") << QStringList {"3", "12", "2"} << "palletGrid" << 2;
}

void tst_frmChgTarif::bothKindsAsksWhich()
{
    QFETCH(QStringList, replies);
    QFETCH(QString, grid);
    QFETCH(int, invalidBoxes);

    // A grid of another carrier is on screen before the question.
    chooseCarrier(QStringLiteral("ACME"));
    QVERIFY(shownGrid());

    QStringList invalidTexts;
    QList<ModalScript::Step> steps;
    for (const QString &reply : replies) {
        steps << [reply](QWidget *dialog) {
            auto *question = qobject_cast<QInputDialog *>(dialog);
            QVERIFY(question);
            QCOMPARE(question->windowTitle(), QStringLiteral("Choose weight or pallet"));
            QCOMPARE(question->labelText(),
                QStringLiteral("This carrier has rates per weight and rates per pallets. Enter 1 "
                               "to view the weight rates or 2 for the pallet rates"));
            QCOMPARE(question->textValue(), QStringLiteral("1"));
            if (reply == QLatin1String("<cancel>"))
                QTest::mouseClick(
                    question->findChild<QDialogButtonBox *>()->button(QDialogButtonBox::Cancel),
                    Qt::LeftButton);
            else
                answer(question, reply);
        };
        if (reply != QLatin1String("<cancel>")
            && RateAdjustment::readAnswer(reply) == RateAdjustment::Answer::Invalid) {
            steps << [&invalidTexts](QWidget *box) {
                auto *message = qobject_cast<QMessageBox *>(box);
                QVERIFY(message);
                invalidTexts << message->text();
                clickOk(message);
            };
        }
    }
    ModalScript script(steps);
    chooseCarrier(QStringLiteral("CARGO'S"));
    QVERIFY(script.finished());

    QCOMPARE(invalidTexts, QStringList(invalidBoxes, QStringLiteral("Invalid data")));
    QTableView *shown = shownGrid();
    QCOMPARE(shown ? shown->objectName() : QString(), grid);
    if (shown)
        QCOMPARE(shown->model()->index(0, 0).data().toString(), QStringLiteral("CHICAGO"));
    else
        QCOMPARE(m_window->logic().model()->rowCount(), 0);
}

void tst_frmChgTarif::unknownRateTypeShowsNoGrid()
{
    chooseCarrier(QStringLiteral("ACME"));
    QVERIFY(shownGrid());
    chooseCarrier(QStringLiteral("EAGLE"));
    QVERIFY(!shownGrid());
    QCOMPARE(m_window->logic().model()->rowCount(), 0);
    // The next carrier choice brings a grid back.
    chooseCarrier(QStringLiteral("BOREAL"));
    QCOMPARE(shownGrid()->objectName(), QStringLiteral("palletGrid"));
}

void tst_frmChgTarif::typedRateWrittenWhenRowLeft()
{
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    const int chicago = gridRow(QStringLiteral("CHICAGO"));
    const int denver = gridRow(QStringLiteral("DENVER"));

    clickCell(grid, chicago, 4);
    type(QStringLiteral("7.9"));
    QVERIFY(editing(grid));
    // Another cell of the row: the value is taken, the row not written yet.
    clickCell(grid, chicago, 5);
    QCOMPARE(grid->model()->index(chicago, 4).data().toString(), QStringLiteral("7.90$"));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p1000").first.toLongLong(), qint64(85000));
    // Another row: written.
    clickCell(grid, denver, 5);
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p1000").first.toLongLong(), qint64(79000));
    QCOMPARE(m_window->logic().model()->pendingRow(), -1);
}

void tst_frmChgTarif::largeRateShownWhole()
{
    chooseCarrier(QStringLiteral("ACME"));
    clickCell(shownGrid(), gridRow(QStringLiteral("CHICAGO")), 4);
    type(QStringLiteral("12345.67"));
    clickCell(shownGrid(), gridRow(QStringLiteral("DENVER")), 4);

    // The column is sized when the carrier's rates are shown again.
    chooseCarrier(QStringLiteral("BOREAL"));
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    const QString rate = grid->model()->index(gridRow(QStringLiteral("CHICAGO")), 4).data().toString();
    QCOMPARE(rate, QStringLiteral("12 345.67$"));
    QVERIFY2(grid->columnWidth(4) > grid->fontMetrics().horizontalAdvance(rate),
        qPrintable(QStringLiteral("%1 px for %2").arg(grid->columnWidth(4)).arg(rate)));
}

void tst_frmChgTarif::typedRateWidensItsColumnAtOnce_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("1000 lbs") << "ACME" << 4 << "1374"
                              << "1 374.00$";
    QTest::newRow("Min, decimals") << "ACME" << 1 << "98765.4321"
                                   << "98 765.43$";
    QTest::newRow("4pal") << "BOREAL" << 4 << "123456789"
                          << "123456 789.00$";
}

void tst_frmChgTarif::typedRateWidensItsColumnAtOnce()
{
    QFETCH(QString, carrier);
    QFETCH(int, column);
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    chooseCarrier(carrier);
    QTableView *grid = shownGrid();
    const int chicago = gridRow(QStringLiteral("CHICAGO"));
    const int before = grid->columnWidth(column);
    const int other = grid->columnWidth(column == 1 ? 2 : 1);
    clickCell(grid, chicago, column);
    type(typed);
    // Another cell of the same row: the value is taken, not written yet, and shows whole.
    clickCell(grid, chicago, column == 1 ? 2 : 1);
    const QModelIndex cell = grid->model()->index(chicago, column);
    QCOMPARE(cell.data().toString(), shown);
    QVERIFY(m_window->logic().model()->pendingRow() == chicago);
    // What the cell shows: the item delegate elides a text wider than the cell less its margins.
    const int margins
        = 2 * (grid->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, grid) + 1);
    const auto whole = [&] {
        return grid->fontMetrics().elidedText(
                   shown, Qt::ElideRight, grid->columnWidth(column) - margins)
            == shown;
    };
    QVERIFY2(whole(),
        qPrintable(QStringLiteral("%1 px for %2").arg(grid->columnWidth(column)).arg(shown)));
    QVERIFY(grid->columnWidth(column) > before);
    // Written when the row is left; the other columns keep their width.
    clickCell(grid, gridRow(QStringLiteral("DENVER")), column);
    QCOMPARE(m_window->logic().model()->pendingRow(), -1);
    QVERIFY(whole());
    QCOMPARE(grid->columnWidth(column == 1 ? 2 : 1), other);
    // A small rate afterwards does not narrow it.
    const int widened = grid->columnWidth(column);
    clickCell(grid, gridRow(QStringLiteral("DENVER")), column);
    type(QStringLiteral("1"));
    clickCell(grid, chicago, column);
    QCOMPARE(grid->columnWidth(column), widened);
}

// A clerk allowed only to read the shared file types a rate: the refusal is told with its cause
// and the cell shows the stored rate again. Root ignores permissions, so the window is made in a
// child that has dropped root.
void tst_frmChgTarif::readOnlyFileKeepsTheStoredRate_data()
{
    QTest::addColumn<bool>("enter"); // committed with Enter, else by leaving the row
    QTest::newRow("Enter") << true;
    QTest::newRow("row left") << false;
}

void tst_frmChgTarif::readOnlyFileKeepsTheStoredRate()
{
    QFETCH(bool, enter);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rouvel.rvl"));
    QVERIFY(QFile::copy(m_fixture->path(), path));
    QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadOther));
    QVERIFY(QFile::setPermissions(dir.path(),
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadOther
            | QFile::ExeOther));
    m_window.reset();
    const QByteArray before = QCryptographicHash::hash(
        [&] {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }(),
        QCryptographicHash::Sha256);

    const int result = asOrdinaryUser([&] {
        ModRouvel::dbPath = path;
        frmChgTarif window;
        window.setReturnTo(m_main.get());
        window.show();
        window.activateWindow();
        if (!QTest::qWaitForWindowActive(&window))
            return 1;
        auto *chooser = window.findChild<QComboBox *>(QStringLiteral("carrierChooser"));
        const int acme = chooser->findText(QStringLiteral("ACME"));
        if (acme < 0)
            return 2;
        chooser->setCurrentIndex(acme);
        emit chooser->activated(acme);
        auto *grid = window.findChild<QTableView *>(QStringLiteral("weightGrid"));
        const RateGridModel *model = window.logic().model();
        int chicago = -1;
        int denver = -1;
        for (int row = 0; row < model->rowCount(); ++row) {
            if (model->destination(row) == QLatin1String("CHICAGO"))
                chicago = row;
            if (model->destination(row) == QLatin1String("DENVER"))
                denver = row;
        }
        if (!grid->isVisible() || chicago < 0 || denver < 0)
            return 3;
        const QModelIndex ltl = model->index(chicago, 2);
        if (ltl.data().toString() != QLatin1String("10.00$"))
            return 4;
        grid->setFocus();
        grid->setCurrentIndex(ltl);
        QTest::keyClick(grid, Qt::Key_F2);
        auto *delegate = qobject_cast<RateCellDelegate *>(grid->itemDelegate());
        QLineEdit *editor = delegate->openEditor();
        if (!editor)
            return 5;
        editor->selectAll();
        QTest::keyClicks(editor, QStringLiteral("11"));
        QString told;
        QTimer answer;
        QObject::connect(&answer, &QTimer::timeout, [&told] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                told = box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(5);
        if (enter)
            QTest::keyClick(editor, Qt::Key_Return);
        else
            grid->setCurrentIndex(model->index(denver, 2));
        for (int wait = 0; told.isEmpty() && wait < 1000; ++wait)
            QTest::qWait(5);
        if (!told.contains(QStringLiteral("CHICAGO")) || !told.contains(QStringLiteral("read")))
            return 6;
        if (model->pendingRow() != -1 || ltl.data().toString() != QLatin1String("10.00$"))
            return 7;
        // Once told, the grid goes on: the next cell can be edited.
        return grid->isVisible() && window.isVisible() ? 0 : 8;
    });
    QCOMPARE(result, 0);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256), before);
}

void tst_frmChgTarif::lettersDroppedWithABeep()
{
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    auto *delegate = qobject_cast<RateCellDelegate *>(grid->itemDelegate());
    QVERIFY(delegate);
    QSignalSpy beeps(delegate, &RateCellDelegate::keyRefused);
    const int chicago = gridRow(QStringLiteral("CHICAGO"));

    clickCell(grid, chicago, 2);
    // The first key opens the editor in place; a letter is dropped there too.
    type(QStringLiteral("a1x2B.Z5"));
    QCOMPARE(beeps.count(), 4);
    QVERIFY(delegate->openEditor());
    QCOMPARE(delegate->openEditor()->text(), QStringLiteral("12.5"));
    QTest::keyClick(static_cast<QWidget *>(nullptr), Qt::Key_Backspace);
    QCOMPARE(delegate->openEditor()->text(), QStringLiteral("12."));
    QCOMPARE(beeps.count(), 4);
    clickCell(grid, gridRow(QStringLiteral("DENVER")), 2);
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "LTL").first.toLongLong(), qint64(120000));
}

void tst_frmChgTarif::emptiedCellStoresNull()
{
    chooseCarrier(QStringLiteral("BOREAL"));
    QTableView *grid = shownGrid();
    const int chicago = gridRow(QStringLiteral("CHICAGO"));
    clickCell(grid, chicago, 2);
    QTest::keyClick(grid, Qt::Key_F2);
    QLineEdit *editor = qobject_cast<RateCellDelegate *>(grid->itemDelegate())->openEditor();
    QVERIFY(editor);
    QCOMPARE(editor->text(), QStringLiteral("42.50"));
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Delete);
    clickCell(grid, gridRow(QStringLiteral("DENVER")), 2);

    const auto [value, type] = m_fixture->stored("BOREAL", "CHICAGO", "2pal");
    QCOMPARE(type, QStringLiteral("null"));
    QVERIFY(value.isNull());
    QCOMPARE(grid->model()->index(chicago, 2).data().toString(), QString());
}

void tst_frmChgTarif::notANumberRefused()
{
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    const int chicago = gridRow(QStringLiteral("CHICAGO"));
    QString shown;
    ModalScript script({[&shown](QWidget *box) {
        shown = qobject_cast<QMessageBox *>(box)->text();
        clickOk(box);
    }});

    clickCell(grid, chicago, 2);
    type(QStringLiteral("1.2.3"));
    clickCell(grid, gridRow(QStringLiteral("DENVER")), 2);
    QTRY_VERIFY(script.finished());

    QVERIFY2(shown.contains(QStringLiteral("\"1.2.3\""))
            && shown.contains(QStringLiteral("CHICAGO")) && shown.contains(QStringLiteral("LTL")),
        qPrintable(shown));
    QCOMPARE(grid->model()->index(chicago, 2).data().toString(), QStringLiteral("10.00$"));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "LTL").first.toLongLong(), qint64(100000));
    QCOMPARE(m_window->logic().model()->pendingRow(), -1);
}

void tst_frmChgTarif::refusedWriteIsTold()
{
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    const int chicago = gridRow(QStringLiteral("CHICAGO"));
    m_fixture->refuseRateChanges();
    QString shown;
    ModalScript script({[&shown](QWidget *box) {
        shown = qobject_cast<QMessageBox *>(box)->text();
        clickOk(box);
    }});

    clickCell(grid, chicago, 2);
    type(QStringLiteral("11"));
    clickCell(grid, gridRow(QStringLiteral("DENVER")), 2);
    QTRY_VERIFY(script.finished());

    QVERIFY2(
        shown.contains(QStringLiteral("CHICAGO")) && shown.contains(QStringLiteral("readonly")),
        qPrintable(shown));
    QCOMPARE(grid->model()->index(chicago, 2).data().toString(), QStringLiteral("10.00$"));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "LTL").first.toLongLong(), qint64(100000));
}

void tst_frmChgTarif::leavingWritesTheCellBeingEdited_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<qint64>("saved"); // GASPE's 500 lbs rate afterwards, 9.00 before
    QTest::newRow("&RETURN") << "return" << qint64(82500);
    QTest::newRow("close box") << "close box" << qint64(82500);
    QTest::newRow("CARRIERS FOR DESTINATION") << "panel" << qint64(82500);
    QTest::newRow("another carrier") << "carrier" << qint64(82500);
    QTest::newRow("Enter") << "enter" << qint64(82500);
    QTest::newRow("Esc") << "escape" << qint64(90000);
}

void tst_frmChgTarif::leavingWritesTheCellBeingEdited()
{
    QFETCH(QString, how);
    QFETCH(qint64, saved);
    m_main->hide();
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    clickCell(grid, gridRow(QStringLiteral("GASPE")), 3);
    type(QStringLiteral("8.25"));
    QVERIFY(editing(grid));

    if (how == QLatin1String("return")) {
        QTest::mouseClick(child<QPushButton>("returnButton"), Qt::LeftButton);
        QVERIFY(!m_window->isVisible());
        QVERIFY(m_main->isVisible());
        QCOMPARE(m_programEnds, 0);
    } else if (how == QLatin1String("close box")) {
        QCloseEvent request;
        QCoreApplication::sendEvent(m_window->windowHandle(), &request);
        QCOMPARE(m_programEnds, 1);
    } else if (how == QLatin1String("panel")) {
        QTest::mouseClick(child<QPushButton>("carriersButton"), Qt::LeftButton);
        QVERIFY(!shownGrid());
        QVERIFY(child<QGroupBox>("carriersPanel")->isVisible());
    } else if (how == QLatin1String("carrier")) {
        chooseCarrier(QStringLiteral("BOREAL"));
        QCOMPARE(shownGrid()->objectName(), QStringLiteral("palletGrid"));
    } else {
        QTest::keyClick(static_cast<QWidget *>(nullptr),
            how == QLatin1String("enter") ? Qt::Key_Return : Qt::Key_Escape);
        QTRY_VERIFY(!editing(grid));
        QCOMPARE(m_window->logic().model()->pendingRow(), -1);
        QCOMPARE(grid->model()->index(gridRow(QStringLiteral("GASPE")), 3).data().toString(),
            RateGridColumns::displayText(QVariant(saved)));
    }
    QCOMPARE(m_fixture->stored("ACME", "GASPE", "p500").first.toLongLong(), saved);
}

void tst_frmChgTarif::editedRateChangesTheMainWindow()
{
    auto main = std::make_unique<entreval>();
    m_window->setReturnTo(main.get());
    chooseCarrier(QStringLiteral("ACME"));
    QTableView *grid = shownGrid();
    clickCell(grid, gridRow(QStringLiteral("CHICAGO")), 4);
    type(QStringLiteral("9.95"));
    QTest::mouseClick(child<QPushButton>("returnButton"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(main.get()));

    QTest::keyClicks(
        main->findChild<QLineEdit *>(QStringLiteral("weightField")), QStringLiteral("1200"));
    QTest::keyClicks(
        main->findChild<QLineEdit *>(QStringLiteral("palletField")), QStringLiteral("3"));
    choose(
        main->findChild<QComboBox *>(QStringLiteral("destinationBox")), QStringLiteral("CHICAGO"));
    QCOMPARE(main->findChild<QLabel *>(QStringLiteral("resultCarrier"))->text(),
        QStringLiteral("BOREAL"));
    QCOMPARE(main->findChild<QLineEdit *>(QStringLiteral("resultPrice"))->text(),
        QStringLiteral("109.20 $"));
    main->hide();
}

void tst_frmChgTarif::carriersForADestination()
{
    chooseCarrier(QStringLiteral("ACME"));
    QTest::mouseClick(child<QPushButton>("carriersButton"), Qt::LeftButton);
    auto *panel = child<QGroupBox>("carriersPanel");
    auto *destinations = child<QComboBox>("destinationList");
    auto *carriers = child<QComboBox>("carrierList");
    auto *placeholder = child<QComboBox>("carrierPlaceholder");
    QVERIFY(panel->isVisible());
    QVERIFY(!shownGrid());
    QVERIFY(placeholder->isVisible() && !placeholder->isEnabled() && carriers->isHidden());
    QCOMPARE(placeholder->toolTip(), QStringLiteral("Click on the arrow to view the forwarders"));
    QCOMPARE(carriers->toolTip(), placeholder->toolTip());
    QCOMPARE(carriers->placeholderText(), QStringLiteral("Carriers"));

    const auto listed = [carriers] {
        QStringList names;
        for (int i = 0; i < carriers->count(); ++i)
            names << carriers->itemText(i);
        return names;
    };
    destinations->setFocus();
    choose(destinations, QStringLiteral("  HULL"));
    QVERIFY(carriers->isVisible() && placeholder->isHidden());
    QCOMPARE(listed(), QStringList {"DELTA"});
    QCOMPARE(destinations->currentText(), QStringLiteral("  HULL"));

    // Opening the carrier list keeps it; choosing one of them does nothing more.
    carriers->setFocus();
    QVERIFY(carriers->isVisible());
    choose(carriers, QStringLiteral("DELTA"));
    QVERIFY(panel->isVisible() && !shownGrid());

    destinations->setFocus();
    choose(destinations, QStringLiteral("L'ASSOMPTION"));
    QCOMPARE(listed(), QStringList {"CARGO'S"});

    // Leaving the destination list for anything else puts the placeholder back.
    child<QPushButton>("helpButton")->setFocus();
    QCOMPARE(destinations->currentIndex(), -1);
    QCOMPARE(destinations->placeholderText(), QStringLiteral("List of destinations"));
    QVERIFY(placeholder->isVisible() && carriers->isHidden());

    // A carrier choice hides the panel and brings the grid back.
    chooseCarrier(QStringLiteral("ACME"));
    QVERIFY(panel->isHidden());
    QCOMPARE(shownGrid()->objectName(), QStringLiteral("weightGrid"));
}

void tst_frmChgTarif::eachOpeningStartsAfresh()
{
    chooseCarrier(QStringLiteral("ACME"));
    QTest::mouseClick(child<QPushButton>("returnButton"), Qt::LeftButton);
    QVERIFY(!m_window->isVisible());
    QCOMPARE(m_window->logic().model()->rowCount(), 0);

    // A carrier saved meanwhile by another window shows at the next opening.
    RecordSet carriers = RecordSet::openTable(m_fixture->database(), QStringLiteral("IdentTrans"));
    carriers.addNew();
    carriers.setField(QStringLiteral("NomTrans"), QStringLiteral("ZENITH"));
    carriers.setField(QStringLiteral("TarifType"), QStringLiteral("po"));
    carriers.update();

    m_window->show();
    auto *chooser = child<QComboBox>("carrierChooser");
    QCOMPARE(chooser->currentIndex(), -1);
    QCOMPARE(chooser->itemText(chooser->count() - 1), QStringLiteral("ZENITH"));
    QVERIFY(!shownGrid());
    QVERIFY(child<QGroupBox>("carriersPanel")->isHidden());
}

// Chooses that file in the rate sheet's file dialog.
static ModalScript::Step chooseFile(const QString &path, bool saving)
{
    return [path, saving](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(files);
        QCOMPARE(files->nameFilters(), QStringList {QStringLiteral("CSV Files (*.csv)")});
        QCOMPARE(files->acceptMode(), saving ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
        files->selectFile(path);
        static_cast<QDialog *>(files)->accept(); // as its Open or Save button does
    };
}

static QByteArray fileHash(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

void tst_frmChgTarif::sheetCommandsFollowTheGrid()
{
    auto *exportButton = child<QPushButton>("exportRatesButton");
    auto *importButton = child<QPushButton>("importRatesButton");
    QCOMPARE(exportButton->text(), QStringLiteral("Export rates\u2026"));
    QCOMPARE(importButton->text(), QStringLiteral("Import rates\u2026"));
    QVERIFY(!exportButton->isEnabled() && !importButton->isEnabled());
    chooseCarrier(QStringLiteral("ACME"));
    QVERIFY(exportButton->isEnabled() && importButton->isEnabled());
    QTest::mouseClick(child<QPushButton>("carriersButton"), Qt::LeftButton);
    QVERIFY(!exportButton->isEnabled() && !importButton->isEnabled());
    // A carrier of no known rate type shows no grid, so there are no rates to export.
    chooseCarrier(QStringLiteral("EAGLE"));
    QVERIFY(!exportButton->isEnabled() && !importButton->isEnabled());
}

void tst_frmChgTarif::importedSheetChangesTheMainWindow()
{
    QTemporaryDir dir;
    const QString exported = dir.filePath(QStringLiteral("acme.csv"));
    chooseCarrier(QStringLiteral("ACME"));
    {
        ModalScript script({chooseFile(exported, true)});
        QTest::mouseClick(child<QPushButton>("exportRatesButton"), Qt::LeftButton);
        QTRY_VERIFY(script.finished());
    }
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const RateSheetCsv::Reading reading = RateSheetCsv::read(file.readAll());
    file.close();
    QVERIFY(reading.ok());
    QCOMPARE(reading.records.size(), 1 + m_window->logic().model()->rowCount());

    // Edited as a spreadsheet saves it: ";", amounts as "1 234.56 $", a new destination in
    // small letters. CHICAGO's 1000 lbs rate goes from 8.50 to 7.00.
    QString text;
    for (const RateSheetCsv::Record &record : reading.records) {
        QStringList fields = record.fields;
        if (fields.first() == QLatin1String("CHICAGO"))
            fields[4] = QStringLiteral("7.00 $");
        if (fields.first() == QLatin1String("DENVER"))
            fields[1] = QStringLiteral("1 070.00 $");
        text += RateSheetCsv::record(fields, u';');
    }
    text += RateSheetCsv::record(
        {QStringLiteral("sainte-foy"), {}, QStringLiteral("12"), {}, {}, {}, {}, {}}, u';');
    const QString edited = dir.filePath(QStringLiteral("edited.csv"));
    QFile out(edited);
    QVERIFY(out.open(QIODevice::WriteOnly));
    out.write(RateSheetCsv::utf8Bom() + text.toUtf8());
    out.close();

    QString asked;
    {
        ModalScript script({chooseFile(edited, false), [&asked](QWidget *box) {
                                auto *question = qobject_cast<QMessageBox *>(box);
                                QVERIFY(question);
                                QCOMPARE(question->objectName(), QStringLiteral("importQuestion"));
                                asked = question->text();
                                QTest::mouseClick(
                                    question->button(QMessageBox::Yes), Qt::LeftButton);
                            }});
        QTest::mouseClick(child<QPushButton>("importRatesButton"), Qt::LeftButton);
        QTRY_VERIFY(script.finished());
    }
    QVERIFY2(asked.contains(QStringLiteral("Rates changed: 3\nDestinations newly served: 0\n"
                                           "Destinations created: 1")),
        qPrintable(asked));
    QTableView *grid = shownGrid();
    QVERIFY(grid);
    QCOMPARE(grid->model()->index(gridRow(QStringLiteral("CHICAGO")), 4).data().toString(),
        QStringLiteral("7.00$"));
    QCOMPARE(grid->model()->index(gridRow(QStringLiteral("DENVER")), 1).data().toString(),
        QStringLiteral("1 070.00$"));
    QCOMPARE(grid->model()->index(gridRow(QStringLiteral("SAINTE-FOY")), 2).data().toString(),
        QStringLiteral("12.00$"));
    QCOMPARE(m_fixture->stored("ACME", QStringLiteral("CHICAGO"), QStringLiteral("p1000")).first,
        QVariant(qint64(70000)));

    // The main window's next evaluation finds the new rate.
    auto main = std::make_unique<entreval>();
    m_window->setReturnTo(main.get());
    QTest::mouseClick(child<QPushButton>("returnButton"), Qt::LeftButton);
    QVERIFY(QTest::qWaitForWindowActive(main.get()));
    QTest::keyClicks(
        main->findChild<QLineEdit *>(QStringLiteral("weightField")), QStringLiteral("1200"));
    choose(
        main->findChild<QComboBox *>(QStringLiteral("destinationBox")), QStringLiteral("CHICAGO"));
    QCOMPARE(
        main->findChild<QLabel *>(QStringLiteral("resultCarrier"))->text(), QStringLiteral("ACME"));
    QCOMPARE(main->findChild<QLineEdit *>(QStringLiteral("resultPrice"))->text(),
        QStringLiteral("84.00 $"));
    main->hide();
}

void tst_frmChgTarif::importAnsweredNoWritesNothing()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("sheet.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("Destination,2pal\r\nCHICAGO,1\r\nNEWTOWN,2\r\n");
    file.close();
    chooseCarrier(QStringLiteral("BOREAL"));
    const QString before = shownGrid()->model()->index(0, 2).data().toString();
    const QByteArray hash = fileHash(m_fixture->path());

    ModalScript script({chooseFile(path, false), [](QWidget *box) {
                            auto *question = qobject_cast<QMessageBox *>(box);
                            QVERIFY(question);
                            QVERIFY(question->text().contains(QStringLiteral("pallet rates of "
                                                                             "BOREAL")));
                            QTest::mouseClick(question->button(QMessageBox::No), Qt::LeftButton);
                        }});
    QTest::mouseClick(child<QPushButton>("importRatesButton"), Qt::LeftButton);
    QTRY_VERIFY(script.finished());
    QCOMPARE(fileHash(m_fixture->path()), hash);
    QCOMPARE(shownGrid()->model()->index(0, 2).data().toString(), before);
}

void tst_frmChgTarif::badSheetListsItsProblems()
{
    // 25 bad rates, on lines 2 to 26.
    QByteArray sheet = "Destination,Min\r\n";
    for (int i = 0; i < 25; ++i)
        sheet += "TOWN " + QByteArray::number(i) + ",x" + QByteArray::number(i) + "\r\n";
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.csv"));
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(sheet);
    file.close();
    chooseCarrier(QStringLiteral("ACME"));
    const QByteArray hash = fileHash(m_fixture->path());

    QString told;
    ModalScript script({chooseFile(path, false), [&told](QWidget *box) {
                            auto *message = qobject_cast<QMessageBox *>(box);
                            QVERIFY(message);
                            told = message->text();
                            clickOk(message);
                        }});
    QTest::mouseClick(child<QPushButton>("importRatesButton"), Qt::LeftButton);
    QTRY_VERIFY(script.finished());
    QVERIFY2(told.startsWith(
                 QStringLiteral("The rate sheet bad.csv has 25 problems; nothing was imported.")),
        qPrintable(told));
    QVERIFY(told.contains(QStringLiteral("line 2, column B (Min): \"x0\" is not an amount")));
    QVERIFY(told.contains(QStringLiteral("line 21, column B (Min): \"x19\"")));
    QVERIFY(!told.contains(QStringLiteral("line 22,")));
    QVERIFY(told.endsWith(QStringLiteral("\u2026 and 5 more.")));
    QCOMPARE(fileHash(m_fixture->path()), hash);
}

QTEST_MAIN(tst_frmChgTarif)
#include "tst_frmChgTarif.moc"

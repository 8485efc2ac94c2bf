#include "rateadjust/RateGridFixture.h"
#include "FileContents.h"
#include "FileSizeLimit.h"

#include "ModRouvel.h"
#include "frmChgTarif.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <memory>
#include <optional>

// "Export rates…" of the rate window on a path it may not write and on a full disk: one
// message, nothing written, the earlier file and the database as they were.
class tst_RateSheetWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void exportTellsAndKeepsTheEarlierFile_data();
    void exportTellsAndKeepsTheEarlierFile();

private:
    // Clicks "Export rates…", saves to path in the file dialog and keeps the message shown.
    void exportTo(const QString &path, QString *shown);

    std::unique_ptr<RateGridFixture> m_fixture;
    std::unique_ptr<QWidget> m_main;
    std::unique_ptr<frmChgTarif> m_window;
};

namespace {

// Answers the next modal dialogs, one step each, in order.
class ModalAnswers : public QObject
{
public:
    using Step = std::function<void(QWidget *)>;
    explicit ModalAnswers(QList<Step> steps)
        : m_steps(std::move(steps))
    {
        m_timer.setInterval(5);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            // The file dialog's own question opens over it while it is still shown.
            if (!modal || !modal->isVisible() || modal == m_last || finished())
                return;
            m_last = modal;
            m_steps[m_done++](modal);
        });
        m_timer.start();
    }
    bool finished() const { return m_done == m_steps.size(); }

private:
    QList<Step> m_steps;
    int m_done = 0;
    QPointer<QWidget> m_last;
    QTimer m_timer;
};

} // namespace

void tst_RateSheetWindow::init()
{
    m_fixture = std::make_unique<RateGridFixture>();
    ModRouvel::dbPath = m_fixture->path();
    m_main = std::make_unique<QWidget>();
    m_window = std::make_unique<frmChgTarif>();
    m_window->setReturnTo(m_main.get());
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    auto *chooser = m_window->findChild<QComboBox *>(QStringLiteral("carrierChooser"));
    QVERIFY(chooser);
    const int index = chooser->findText(QStringLiteral("ACME"));
    QVERIFY(index >= 0);
    chooser->showPopup();
    QAbstractItemView *view = chooser->view();
    QTRY_VERIFY(view->isVisible());
    view->scrollTo(view->model()->index(index, 0));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {},
        view->visualRect(view->model()->index(index, 0)).center());
    QTRY_VERIFY(!view->isVisible());
    m_window->activateWindow();
    QTRY_VERIFY(
        m_window->findChild<QPushButton *>(QStringLiteral("exportRatesButton"))->isEnabled());
}

void tst_RateSheetWindow::cleanup()
{
    m_window.reset();
    m_main.reset();
    m_fixture.reset();
}

void tst_RateSheetWindow::exportTo(const QString &path, QString *shown)
{
    QList<ModalAnswers::Step> steps {[path](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(files);
        files->selectFile(path);
        // Later, so that the question it may ask is answered by the next step, not from inside
        // this one.
        QTimer::singleShot(0, files, [files] { static_cast<QDialog *>(files)->accept(); });
    }};
    if (QFileInfo::exists(path)) {
        steps << [](QWidget *box) { // the file dialog's "replace it?"
            auto *question = qobject_cast<QMessageBox *>(box);
            QVERIFY(question && question->button(QMessageBox::Yes));
            QTest::mouseClick(question->button(QMessageBox::Yes), Qt::LeftButton);
        };
    }
    steps << [shown](QWidget *box) {
        auto *message = qobject_cast<QMessageBox *>(box);
        QVERIFY(message);
        *shown = message->text();
        message->accept();
    };
    ModalAnswers answers(steps);
    QTest::mouseClick(
        m_window->findChild<QPushButton *>(QStringLiteral("exportRatesButton")), Qt::LeftButton);
    QTRY_VERIFY(answers.finished());
}

void tst_RateSheetWindow::exportTellsAndKeepsTheEarlierFile_data()
{
    QTest::addColumn<QString>("name"); // in the test's folder; "DB" is the database
    QTest::addColumn<bool>("fullDisk");
    QTest::addColumn<bool>("earlier");
    QTest::addColumn<QString>("cause"); // the message's last line, after the path

    QTest::newRow("full disk, no earlier file") << "acme.csv" << true << false << "File too large";
    QTest::newRow("full disk, an earlier file") << "acme.csv" << true << true << "File too large";
    QTest::newRow("the database") << "DB" << false << true
                                  << " is the database file itself: choose another file";
    QTest::newRow("its journal") << "DB-journal" << false << false
                                 << " is a file of the open database: choose another file";
}

void tst_RateSheetWindow::exportTellsAndKeepsTheEarlierFile()
{
    QFETCH(QString, name);
    QFETCH(bool, fullDisk);
    QFETCH(bool, earlier);
    QFETCH(QString, cause);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = name.startsWith(QLatin1String("DB")) ? m_fixture->path() + name.mid(2)
                                                              : dir.filePath(name);
    const QByteArray earlierBytes = "Destination,Min\r\nCHICAGO,1.00\r\n";
    if (earlier && !name.startsWith(QLatin1String("DB"))) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(earlierBytes);
    }
    const QByteArray before = fileBytes(m_fixture->path());
    const QStringList besideDatabase = QFileInfo(m_fixture->path()).dir().entryList(QDir::Files);

    QString shown;
    {
        std::optional<FileSizeLimit> limit;
        if (fullDisk) {
            limit.emplace(64);
            QVERIFY(limit->active());
        }
        exportTo(path, &shown);
    }
    const QString told = QStringLiteral("The rates of ACME could not be exported to %1.\n%2")
                             .arg(QDir::toNativeSeparators(path), fullDisk ? cause : path + cause);
    QCOMPARE(shown, told);

    QCOMPARE(fileBytes(m_fixture->path()), before);
    QCOMPARE(QFileInfo(m_fixture->path()).dir().entryList(QDir::Files), besideDatabase);
    if (!name.startsWith(QLatin1String("DB"))) {
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            earlier ? QStringList {name} : QStringList {});
        if (earlier)
            QCOMPARE(fileBytes(path), earlierBytes);
    }
}

QTEST_MAIN(tst_RateSheetWindow)
#include "tst_ratesheetwindow.moc"

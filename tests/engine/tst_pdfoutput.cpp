#include "PdfProbe.h"
#include "FileSizeLimit.h"

#include "PdfTarget.h"
#include "PreviewForm.h"
#include "PrintJobs.h"
#include "PrintOptForm.h"
#include "PrintRun.h"
#include "ProcessPrinter.h"
#include "ReportReader.h"
#include "TextMeasurer.h"
#include "VellumError.h"
#include "VellumPrinter.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QLineEdit>
#include <QMessageBox>
#include <QPageSize>
#include <QPainter>
#include <QPointer>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstring>
#include <functional>
#include <memory>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace {

constexpr double PointsPerInch = 72.0;

// A red picture one inch square at 96 dpi.
QString writePicture(const QTemporaryDir &dir)
{
    QImage image(96, 96, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.setDotsPerMeterX(qRound(96 / 0.0254));
    image.setDotsPerMeterY(qRound(96 / 0.0254));
    const QString path = dir.filePath(QStringLiteral("logo.png"));
    image.save(path);
    return path;
}

// Three pages in inches: texts in two fonts, a memo, a line, a box and a picture on page 1.
std::unique_ptr<VellumPrinter> threePages(
    const QString &picture, qint16 orientation, const QString &title = QStringLiteral("Manifest"))
{
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetOrientation(orientation);
    engine->SetTitle(title);
    engine->SetFont(QStringLiteral("arial"), 12, 0);
    engine->SetY(1.0);
    engine->TextOut(1.0, QStringLiteral("Shipper"));
    engine->TextOut(4.25, QStringLiteral("Consignee"));
    engine->LineOut(1.0, 2.0, 7.0, 2.0);
    engine->BoxOut(1.0, 2.5, 4.0, 4.0);
    engine->ImageOut(picture, 5.0, 2.5, 0.0, 0.0);
    engine->SetY(4.5);
    engine->MemoOut(1.0, 4.0,
        QStringLiteral("Fragile goods: keep dry, handle with care and deliver to the dock door "
                       "before noon on weekdays."));
    engine->NewPage();
    engine->SetFont(QStringLiteral("times new roman"), 16, 1);
    engine->SetY(3.0);
    engine->TextOut(2.0, QStringLiteral("Totals"));
    engine->SetFont(QStringLiteral("courier new"), 10, 4);
    engine->SetY(3.5);
    engine->TextOut(2.0, QStringLiteral("Weight 1200 lbs"));
    engine->NewPage();
    engine->SetFont(QStringLiteral("arial"), 9, 0);
    engine->SetY(6.5);
    engine->TextOut(1.0, QStringLiteral("Signature"));
    engine->EndDoc();
    return engine;
}

// n pages, page k holding "Page<k>" at (1, 1) inch.
std::unique_ptr<VellumPrinter> numbered(int n, const QString &title = QStringLiteral("Numbered"))
{
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetTitle(title);
    engine->SetFont(QStringLiteral("arial"), 12, 0);
    for (int k = 1; k <= n; ++k) {
        if (k > 1)
            engine->NewPage();
        engine->SetY(1.0);
        engine->TextOut(1.0, QStringLiteral("Page%1").arg(k));
    }
    engine->EndDoc();
    return engine;
}

// One recorded text: its page, first word, top-left corner in points and font.
struct RecordedText
{
    int page = 0;
    QString firstWord;
    double x = 0;
    double y = 0;
    QFont font;
};

QList<RecordedText> recordedTexts(const QString &reportPath)
{
    ReportReader reader;
    if (!reader.open(reportPath))
        return {};
    QList<RecordedText> texts;
    QFont font = TextMeasurer::twipsFont(QStringLiteral("Arial"), 8, false, false, false);
    ReportFormat::Record record;
    for (qint32 n = 2; reader.readRecord(n, record); ++n) {
        if (record.keyword() == ReportFormat::Keyword::SetFont) {
            font = TextMeasurer::twipsFont(record.fontName(), record.fontSize(), record.bold(),
                record.italic(), record.underline());
        } else if (record.keyword() == ReportFormat::Keyword::TextOut && !record.text().isEmpty()) {
            texts.append({record.page(), record.text().split(u' ', Qt::SkipEmptyParts).first(),
                record.textX() * PointsPerInch, record.textY() * PointsPerInch, font});
        }
    }
    return texts;
}

// The top of a word's line in points: pdftotext's box ends at the font's descent below the
// baseline, and the recorded y is the top of the line, the font's ascent above it.
double lineTop(const PdfProbe::Word &word, const QFont &font)
{
    const QFontMetricsF metrics(font);
    return word.yMax - (metrics.ascent() + metrics.descent()) / 20.0;
}

// Every recorded text is found on its page at its place, within `tolerance` points.
void compareWithRecords(const QString &pdf, const QString &reportPath, int firstPage,
    double tolerance, double offsetX = 0, double offsetY = 0)
{
    const QList<PdfProbe::Word> words = PdfProbe::words(pdf);
    QVERIFY(!words.isEmpty());
    int compared = 0;
    for (const RecordedText &text : recordedTexts(reportPath)) {
        const int page = text.page - firstPage + 1;
        if (page < 1)
            continue;
        const PdfProbe::Word *best = nullptr;
        for (const PdfProbe::Word &w : words) {
            if (w.page == page && w.text == text.firstWord
                && (!best
                    || qAbs(w.xMin - text.x) + qAbs(w.yMin - text.y)
                        < qAbs(best->xMin - text.x) + qAbs(best->yMin - text.y)))
                best = &w;
        }
        QVERIFY2(
            best, qPrintable(QStringLiteral("%1 not on page %2").arg(text.firstWord).arg(page)));
        const double dx = best->xMin + offsetX - text.x;
        const double dy = lineTop(*best, text.font) + offsetY - text.y;
        QVERIFY2(qAbs(dx) <= tolerance && qAbs(dy) <= tolerance,
            qPrintable(QStringLiteral("%1 on page %2 off by (%3, %4) pt")
                           .arg(text.firstWord)
                           .arg(page)
                           .arg(dx)
                           .arg(dy)));
        ++compared;
    }
    QVERIFY(compared > 0);
}

// Types a name into the file dialog's name field, in the folder shown, as the user does.
void typeFileName(QFileDialog *files, const QString &folder, const QString &name)
{
    files->setDirectory(folder);
    auto *edit = files->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
    if (edit)
        edit->setText(name);
}

bool isDark(QRgb pixel) { return qGray(pixel) < 128; }

// Runs `action` on each modal window as it comes up, until `done` says so.
class ModalDriver : public QObject
{
public:
    std::function<void(QWidget *)> action;
    // Every dialog shown, also one too quick for the timer.
    QStringList shown;

    ModalDriver()
    {
        qApp->installEventFilter(this);
        m_timer.setInterval(10);
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget *modal = QApplication::activeModalWidget();
            if (modal && modal != m_last) {
                m_last = modal;
                // On a timer of its own, so a dialog the action opens is seen in turn; a posted
                // call would wait behind the one running.
                QTimer::singleShot(1, modal, [this, modal] {
                    // A busy machine may run this after the window was answered and hidden,
                    // while the code that showed it is still unwinding.
                    if (modal->isVisible() && QApplication::activeModalWidget() == modal)
                        action(modal);
                });
            } else if (!modal) {
                m_last = nullptr;
            }
        });
        m_timer.start();
    }

    ~ModalDriver() override { qApp->removeEventFilter(this); }

    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Show && qobject_cast<QDialog *>(watched))
            shown.append(watched->objectName());
        return false;
    }

private:
    QTimer m_timer;
    QPointer<QWidget> m_last;
};

// The process printer's paper for the reports recorded while it lives.
class PaperGuard
{
public:
    explicit PaperGuard(const QPageSize &paper)
        : m_old(ProcessPrinter::currentPrinter().pageLayout().pageSize())
    {
        ProcessPrinter::currentPrinter().setPageSize(paper);
    }
    ~PaperGuard() { ProcessPrinter::currentPrinter().setPageSize(m_old); }

private:
    QPageSize m_old;
};

// Every way the engine writes a file for the user.
enum class Writer { PrintToPdf, PdfDestination, PreviewText, PreviewPdf, PrintToFile, SaveReport };

const char *writerName(Writer writer)
{
    switch (writer) {
    case Writer::PrintToPdf: return "PrintToPdf";
    case Writer::PdfDestination: return "PDF file destination";
    case Writer::PreviewText: return "preview save, text";
    case Writer::PreviewPdf: return "preview save, PDF";
    case Writer::PrintToFile: return "PrintToFile";
    case Writer::SaveReport: return "SaveReport";
    }
    return "";
}

bool writesPdf(Writer writer)
{
    return writer == Writer::PrintToPdf || writer == Writer::PdfDestination
        || writer == Writer::PreviewPdf;
}

bool throughADialog(Writer writer)
{
    return writer == Writer::PdfDestination || writer == Writer::PreviewText
        || writer == Writer::PreviewPdf;
}

const QList<Writer> allWriters {Writer::PrintToPdf, Writer::PdfDestination, Writer::PreviewText,
    Writer::PreviewPdf, Writer::PrintToFile, Writer::SaveReport};

// Writes the report into `path` as the user of each writer does, and returns what the user or
// the caller is told: the error raised, or the messages shown. A dialog that comes back after a
// refusal is cancelled.
QString writeWith(Writer writer, VellumPrinter &engine, const QString &path)
{
    QStringList told;
    try {
        switch (writer) {
        case Writer::PrintToPdf:
            engine.PrintToPdf(path);
            break;
        case Writer::PrintToFile:
            engine.SetPrintTextFile(path);
            engine.PrintToFile();
            break;
        case Writer::SaveReport:
            engine.SaveReport(path);
            break;
        case Writer::PdfDestination:
        case Writer::PreviewText:
        case Writer::PreviewPdf: {
            int fileDialogs = 0;
            int optionForms = 0;
            ModalDriver driver;
            driver.action = [&](QWidget *modal) {
                if (auto *form = qobject_cast<PrintOptForm *>(modal)) {
                    const bool first = optionForms++ == 0;
                    form->printerList()->setCurrentIndex(form->printerList()->count() - 1);
                    form->findChild<QPushButton *>(first ? QStringLiteral("OkBtn")
                                                         : QStringLiteral("CancelBtn"))
                        ->click();
                } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
                    if (fileDialogs++ > 0) {
                        files->reject();
                        return;
                    }
                    auto *types = files->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                    if (types && writer != Writer::PdfDestination) {
                        const int filter = writer == Writer::PreviewPdf ? 2 : 0;
                        types->setCurrentIndex(filter);
                        Q_EMIT types->activated(filter);
                        Q_EMIT types->textActivated(types->currentText());
                    }
                    typeFileName(
                        files, QFileInfo(path).absolutePath(), QFileInfo(path).fileName());
                    static_cast<QDialog *>(files)->accept();
                } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                    // The question before an existing file is replaced is answered yes.
                    if (QAbstractButton *yes = box->button(QMessageBox::Yes)) {
                        yes->click();
                        return;
                    }
                    told << box->text();
                    box->accept();
                }
            };
            if (writer == Writer::PdfDestination) {
                PrintJobs::printReport(engine, {ProcessPrinter::paperSize(1), engine.Title()});
            } else {
                PreviewForm form(engine);
                if (!form.load())
                    return QStringLiteral("the preview did not load");
                form.saveCommand();
            }
            break;
        }
        }
    } catch (const VellumError &error) {
        told << error.message();
        if (error.kind() != VellumError::Kind::File)
            told << QStringLiteral("(not a file error)");
    }
    return told.join(u'\n');
}

QByteArray contentOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(unreadable)");
}

// The kind of a folder entry, links not followed: what a refused write must leave as it was.
int entryType(const QString &path)
{
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0 ? int(st.st_mode & S_IFMT) : 0;
}

// A folder entry of the given kind at `path`; false when this machine cannot make it.
bool makeEntry(const QString &kind, const QString &path, const QTemporaryDir &dir, int *socketFd)
{
    const QByteArray native = QFile::encodeName(path);
    if (kind == QLatin1String("folder"))
        return QDir().mkdir(path);
    if (kind == QLatin1String("FIFO"))
        return ::mkfifo(native.constData(), 0600) == 0;
    if (kind == QLatin1String("device like /dev/null"))
        return ::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 3)) == 0;
    if (kind == QLatin1String("device like /dev/full"))
        return ::mknod(native.constData(), S_IFCHR | 0666, makedev(1, 7)) == 0;
    if (kind == QLatin1String("link to nothing"))
        return QFile::link(dir.filePath(QStringLiteral("gone")), path);
    // A caller's database chosen by mistake, and the journal SQLite keeps beside one.
    if (kind == QLatin1String("SQLite database") || kind == QLatin1String("SQLite journal")) {
        QFile file(path);
        const QByteArray start = kind == QLatin1String("SQLite database")
            ? QByteArray("SQLite format 3\0rest of the file", 33)
            : QByteArray("\xd9\xd5\x05\xf9\x20\xa1\x63\xd7 rest", 13);
        return file.open(QIODevice::WriteOnly) && file.write(start) == start.size();
    }
    if (kind == QLatin1String("socket")) {
        *socketFd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address {};
        address.sun_family = AF_UNIX;
        if (*socketFd < 0 || size_t(native.size()) >= sizeof(address.sun_path))
            return false;
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        return ::bind(*socketFd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    }
    return false;
}

} // namespace

class tst_PdfOutput : public QObject
{
    Q_OBJECT
private slots:
    void pdfOfTheReport_data();
    void pdfOfTheReport();
    void failureLeavesNothing_data();
    void failureLeavesNothing();
    void loadedReportTakesItsHeaderTitle();
    void withoutAnyPrinter();
    void pdfEntryPrintsTheRange_data();
    void pdfEntryPrintsTheRange();
    void pdfEntryCancelledPrintsNothing();
    void previewSaveFilters_data();
    void previewSaveFilters();
    void cupsQueueAndPdfAgree();
    void refusedPaths_data();
    void refusedPaths();
    void linkToAFileStaysALink_data();
    void linkToAFileStaysALink();
    void failedWriteKeepsTheEarlierFile_data();
    void failedWriteKeepsTheEarlierFile();
    void refusedChoiceAsksAgain_data();
    void refusedChoiceAsksAgain();
};

// Each row: the paper the report is recorded on and its orientation.
void tst_PdfOutput::pdfOfTheReport_data()
{
    QTest::addColumn<int>("paper");
    QTest::addColumn<int>("orientation");
    QTest::addColumn<QSizeF>("points");
    const QSizeF letter(612, 792);
    const QSizeF a4(595.276, 841.89);
    QTest::newRow("US Letter portrait") << int(QPageSize::Letter) << 1 << letter;
    QTest::newRow("US Letter landscape") << int(QPageSize::Letter) << 2 << letter.transposed();
    QTest::newRow("A4 portrait") << int(QPageSize::A4) << 1 << a4;
    QTest::newRow("A4 landscape") << int(QPageSize::A4) << 2 << a4.transposed();
}

void tst_PdfOutput::pdfOfTheReport()
{
    QFETCH(int, paper);
    QFETCH(int, orientation);
    QFETCH(QSizeF, points);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    std::unique_ptr<VellumPrinter> engine;
    {
        PaperGuard guard {QPageSize(QPageSize::PageSizeId(paper))};
        engine = threePages(writePicture(dir), qint16(orientation));
    }
    const QString pdf = dir.filePath(QStringLiteral("manifest.pdf"));
    engine->PrintToPdf(pdf);

    QCOMPARE(PdfProbe::pages(pdf), 3);
    QCOMPARE(PdfProbe::info(pdf, QStringLiteral("Title")), QStringLiteral("Manifest"));
    for (int page = 1; page <= 3; ++page) {
        const QSizeF size = PdfProbe::pageSize(pdf, page);
        QVERIFY2(qAbs(size.width() - points.width()) < 0.5
                && qAbs(size.height() - points.height()) < 0.5,
            qPrintable(QStringLiteral("page %1 is %2 x %3 pt")
                           .arg(page)
                           .arg(size.width())
                           .arg(size.height())));
    }
    compareWithRecords(pdf, engine->PrintFile(), 1, 0.01 * PointsPerInch);
    // The memo's lines are all there, in order.
    const QList<PdfProbe::Word> words = PdfProbe::words(pdf);
    QStringList pageOne;
    for (const PdfProbe::Word &w : words) {
        if (w.page == 1)
            pageOne.append(w.text);
    }
    QVERIFY2(pageOne.join(u' ').contains(QLatin1String("Fragile goods: keep dry, handle with care "
                                                       "and deliver to the dock door before noon "
                                                       "on weekdays.")),
        qPrintable(pageOne.join(u' ')));

    // The line, the box and the picture are drawn where they were recorded (36 dpi: half a
    // point a pixel).
    const QImage image = PdfProbe::pageImage(pdf, 1, 36);
    QVERIFY(!image.isNull());
    QCOMPARE(image.size(), QSize(qRound(points.width() / 2), qRound(points.height() / 2)));
    const auto at = [&image](double xInch, double yInch) {
        return image.pixel(int(xInch * 36), int(yInch * 36));
    };
    QVERIFY(isDark(at(4.0, 2.0)) || isDark(at(4.0, 2.0 - 1.0 / 36))); // the line
    QVERIFY(isDark(at(1.0, 3.25)) || isDark(at(1.0 + 1.0 / 36, 3.25))); // the box's left edge
    QVERIFY(!isDark(at(2.5, 3.25))); // inside the box
    const QRgb picture = at(5.5, 3.0);
    QVERIFY2(qRed(picture) > 200 && qGreen(picture) < 60, qPrintable(QString::number(picture, 16)));
    // Natural size: 2540 hundredths of a millimetre taken as twips, 1.76 inch.
    QVERIFY(qRed(at(6.6, 4.1)) > 200 && qGreen(at(6.6, 4.1)) < 60);
    QVERIFY(!isDark(at(6.9, 3.0)) && !isDark(at(5.5, 4.4)));
}

// Each row: how the target is named, and the error expected; nothing may be left under the
// target's name, and a file already there stays as it was.
void tst_PdfOutput::failureLeavesNothing_data()
{
    QTest::addColumn<QString>("target"); // relative to the folder; "%report" the report itself
    QTest::addColumn<bool>("existing");
    QTest::addColumn<bool>("missingPicture");
    QTest::addColumn<int>("kind");
    const int file = int(VellumError::Kind::File);
    QTest::newRow("missing folder") << "nowhere/out.pdf" << false << false << file;
    QTest::newRow("a folder") << "folder" << false << false << file;
    QTest::newRow("empty name") << "" << false << false << file;
    QTest::newRow("blank name") << "   " << false << false << file;
    QTest::newRow("the report file itself") << "%report" << false << false << file;
    QTest::newRow("picture fails, new file")
        << "out.pdf" << false << true << int(VellumError::Kind::Picture);
    QTest::newRow("picture fails, existing file kept")
        << "out.pdf" << true << true << int(VellumError::Kind::Picture);
}

void tst_PdfOutput::failureLeavesNothing()
{
    QFETCH(QString, target);
    QFETCH(bool, existing);
    QFETCH(bool, missingPicture);
    QFETCH(int, kind);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("folder")));
    auto engine = std::make_unique<VellumPrinter>();
    engine->BeginDoc();
    engine->SetScaleMode(5);
    engine->SetFont(QStringLiteral("arial"), 12, 0);
    engine->TextOut(1.0, QStringLiteral("Hello"));
    engine->NewPage();
    engine->TextOut(1.0, QStringLiteral("Second"));
    if (missingPicture)
        engine->ImageOut(dir.filePath(QStringLiteral("gone.png")), 1, 2, 1, 1);
    engine->EndDoc();

    QString path = target == QLatin1String("%report") ? engine->PrintFile()
        : target.trimmed().isEmpty()                  ? target
                                                      : dir.filePath(target);
    const QByteArray before = "earlier PDF";
    if (existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    const QStringList listed = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    QByteArray reportBefore;
    {
        QFile report(engine->PrintFile());
        QVERIFY(report.open(QIODevice::ReadOnly));
        reportBefore = report.readAll();
    }

    try {
        engine->PrintToPdf(path);
        QFAIL("the PDF must not be written");
    } catch (const VellumError &error) {
        QCOMPARE(int(error.kind()), kind);
        QVERIFY(!error.message().isEmpty());
    }
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), listed);
    if (existing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), before);
    }
    QFile report(engine->PrintFile());
    QVERIFY(report.open(QIODevice::ReadOnly));
    QCOMPARE(report.readAll(), reportBefore);
}

// A report loaded from a file is drawn on the current printer's paper, as the preview shows
// it, under the title its header holds.
void tst_PdfOutput::loadedReportTakesItsHeaderTitle()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString saved = dir.filePath(QStringLiteral("saved.rpt"));
    {
        auto recorder = numbered(2, QStringLiteral("Saved title"));
        QVERIFY(QFile::copy(recorder->PrintFile(), saved));
        recorder->DestroyReport();
    }
    auto engine = numbered(1, QStringLiteral("Other title"));
    QVERIFY(engine->LoadReport(saved));
    const QString pdf = dir.filePath(QStringLiteral("loaded.pdf"));
    engine->PrintToPdf(pdf);
    QCOMPARE(PdfProbe::pages(pdf), 2);
    QCOMPARE(PdfProbe::info(pdf, QStringLiteral("Title")), QStringLiteral("Saved title"));
    const ProcessPrinter::PaperSize paper = ProcessPrinter::paperSize(1);
    const QSizeF size = PdfProbe::pageSize(pdf, 1);
    QVERIFY(qAbs(size.width() - paper.widthTwips / 20.0) < 0.5);
    QVERIFY(qAbs(size.height() - paper.heightTwips / 20.0) < 0.5);
}

// On a machine without printers (the run tst_pdfoutput_noprinter) the report is laid out and
// written on US Letter, the system's paper.
void tst_PdfOutput::withoutAnyPrinter()
{
    if (!QPrinterInfo::availablePrinterNames().isEmpty())
        QSKIP("Printers are installed; the run tst_pdfoutput_noprinter has none.");
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto engine = numbered(2, QStringLiteral("No printer"));
    QCOMPARE(engine->PageWidth(), 8.0); // 8.5 inches in whole units, halves to even
    QCOMPARE(engine->PageHeight(), 11.0);
    const QString pdf = dir.filePath(QStringLiteral("alone.pdf"));
    engine->PrintToPdf(pdf);
    QCOMPARE(PdfProbe::pages(pdf), 2);
    QCOMPARE(PdfProbe::pageSize(pdf, 1), QSizeF(612, 792));
    QCOMPARE(PdfProbe::info(pdf, QStringLiteral("Title")), QStringLiteral("No printer"));
    compareWithRecords(pdf, engine->PrintFile(), 1, 0.01 * PointsPerInch);
}

// Each row: pages chosen in the print options dialog, with the progress box or without.
void tst_PdfOutput::pdfEntryPrintsTheRange_data()
{
    QTest::addColumn<QString>("from");
    QTest::addColumn<QString>("to");
    QTest::addColumn<bool>("showProgress");
    QTest::addColumn<bool>("existing");
    QTest::addColumn<QStringList>("expected"); // page:text
    QTest::newRow("pages 2 to 3") << "2"
                                  << "3" << false << false << QStringList {"1:Page2", "2:Page3"};
    QTest::newRow("pages 2 to 3, progress, replacing a file")
        << "2"
        << "3" << true << true << QStringList {"1:Page2", "2:Page3"};
    QTest::newRow("last page") << "5"
                               << "5" << false << false << QStringList {"1:Page5"};
    QTest::newRow("whole report") << "1"
                                  << "5" << true << false
                                  << QStringList {
                                         "1:Page1", "2:Page2", "3:Page3", "4:Page4", "5:Page5"};
}

void tst_PdfOutput::pdfEntryPrintsTheRange()
{
    QFETCH(QString, from);
    QFETCH(QString, to);
    QFETCH(bool, showProgress);
    QFETCH(bool, existing);
    QFETCH(QStringList, expected);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString pdf = dir.filePath(QStringLiteral("range.pdf"));
    if (existing) {
        QFile old(pdf);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old");
    }
    auto engine = numbered(5);
    engine->SetShowProgress(showProgress);
    engine->SetDefaultPrinter(QStringLiteral("Gone"));
    const QString printerBefore = ProcessPrinter::currentPrinterName();

    // What the dialogs showed, checked once they have closed.
    QStringList seen;
    QStringList listed;
    QStringList fileDialog;
    bool dialogAsked = false;
    bool copiesEnabled = true;
    ModalDriver driver;
    driver.action = [&](QWidget *modal) {
        seen.append(modal->objectName());
        if (auto *form = qobject_cast<PrintOptForm *>(modal)) {
            QComboBox *list = form->printerList();
            for (int i = 0; i < list->count(); ++i)
                listed.append(list->itemText(i));
            list->setCurrentIndex(list->count() - 1);
            copiesEnabled = form->copiesEdit()->isEnabled();
            form->fromPageEdit()->setText(from);
            form->toPageEdit()->setText(to);
            form->copiesEdit()->setText(QStringLiteral("3"));
            form->findChild<QPushButton *>(QStringLiteral("OkBtn"))->click();
        } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            fileDialog = QStringList {files->windowTitle(), files->nameFilters().join(u';'),
                files->defaultSuffix(),
                files->testOption(QFileDialog::DontConfirmOverwrite) ? "no question" : "asks"};
            typeFileName(files, dir.path(), QStringLiteral("range"));
            static_cast<QDialog *>(files)->accept();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            // The question before an existing file is replaced.
            dialogAsked = true;
            box->button(QMessageBox::Yes) ? box->button(QMessageBox::Yes)->click() : box->accept();
        }
    };
    PrintJobs::printReport(*engine, {ProcessPrinter::paperSize(1), engine->Title()});

    QVERIFY2(seen.startsWith(QStringLiteral("PrintOptForm")), qPrintable(seen.join(u',')));
    QCOMPARE(listed, ProcessPrinter::installedPrinterNames() << QStringLiteral("PDF file"));
    QCOMPARE(fileDialog, (QStringList {"Save as PDF", "PDF Files (*.pdf)", "pdf", "asks"}));
    QCOMPARE(driver.shown.contains(QStringLiteral("PrintProgressForm")), showProgress);
    QCOMPARE(dialogAsked, existing);
    QVERIFY(!copiesEnabled);
    QStringList texts;
    for (const PdfProbe::Word &w : PdfProbe::words(pdf))
        texts.append(QStringLiteral("%1:%2").arg(w.page).arg(w.text));
    QCOMPARE(texts, expected);
    QCOMPARE(PdfProbe::pages(pdf), int(expected.size()));
    // No copies, and the printers stay as they were.
    QCOMPARE(engine->DefaultPrinter(), QStringLiteral("Gone"));
    QCOMPARE(ProcessPrinter::currentPrinterName(), printerBefore);
}

// Cancelling the file dialog writes nothing; the options dialog stays for another choice.
void tst_PdfOutput::pdfEntryCancelledPrintsNothing()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto engine = numbered(2);
    const QString defaultBefore = engine->DefaultPrinter();
    QStringList seen;
    ModalDriver driver;
    driver.action = [&](QWidget *modal) {
        seen.append(modal->objectName());
        if (auto *form = qobject_cast<PrintOptForm *>(modal)) {
            if (seen.size() == 1) {
                form->printerList()->setCurrentIndex(form->printerList()->count() - 1);
                form->findChild<QPushButton *>(QStringLiteral("OkBtn"))->click();
            } else {
                QVERIFY(form->pdfChosen());
                form->findChild<QPushButton *>(QStringLiteral("CancelBtn"))->click();
            }
        } else if (auto *files = qobject_cast<QFileDialog *>(modal)) {
            files->setDirectory(dir.path());
            files->reject();
        }
    };
    PrintJobs::printReport(*engine, {ProcessPrinter::paperSize(1), engine->Title()});
    QCOMPARE(seen, (QStringList {"PrintOptForm", "SaveFileDialog", "PrintOptForm"}));
    QVERIFY(QDir(dir.path()).isEmpty());
    QCOMPARE(PrintOptions::process().ModalResult, qint16(2));
    QCOMPARE(engine->DefaultPrinter(), defaultBefore);
}

// Each row: the filter chosen in the preview's save dialog, the name typed, and what is
// written.
void tst_PdfOutput::previewSaveFilters_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<bool>("pdf");
    QTest::newRow("PDF filter") << 2 << "out"
                                << "out.pdf" << true;
    QTest::newRow("text filter") << 0 << "out"
                                 << "out.txt" << false;
    QTest::newRow("all files, a .pdf name") << 1 << "out.pdf"
                                            << "out.pdf" << true;
}

void tst_PdfOutput::previewSaveFilters()
{
    QFETCH(int, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(bool, pdf);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    auto engine = numbered(3);
    PreviewForm form(*engine);
    QVERIFY(form.load());
    QStringList filters;
    ModalDriver driver;
    driver.action = [&](QWidget *modal) {
        auto *files = qobject_cast<QFileDialog *>(modal);
        if (!files) {
            static_cast<QDialog *>(modal)->reject();
            return;
        }
        filters = files->nameFilters();
        // The user picks the filter in the dialog's list.
        auto *types = files->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
        if (types) {
            types->setCurrentIndex(filter);
            Q_EMIT types->activated(filter);
            Q_EMIT types->textActivated(types->currentText());
        }
        typeFileName(files, dir.path(), typed);
        static_cast<QDialog *>(files)->accept();
    };
    form.saveCommand();
    QCOMPARE(filters, (QStringList {"Text Files (*.txt)", "All Files (*.*)", "PDF Files (*.pdf)"}));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList {written});
    const QString path = dir.filePath(written);
    if (pdf) {
        QCOMPARE(PdfProbe::pages(path), 3);
    } else {
        QFile text(path);
        QVERIFY(text.open(QIODevice::ReadOnly));
        QVERIFY(text.readAll().contains("Page3"));
    }
}

// The same report through the CUPS PDF queue and through PrintToPdf: each text at the same
// place on the paper.
void tst_PdfOutput::cupsQueueAndPdfAgree()
{
    const QString queue = QStringLiteral("RouvelPDF");
    if (!ProcessPrinter::installedPrinterNames().contains(queue))
        QSKIP("No CUPS queue RouvelPDF: run scripts/pdf-printer.sh as root first.");
    const QString folder = PdfProbe::cupsPdfFolder();
    if (folder.isEmpty() || !QDir(folder).exists())
        QSKIP("cups-pdf has no output folder set in /etc/cups/cups-pdf-rouvel.conf.");
    ProcessPrinter::currentPrinter().setOutputFileName(QString());
    QVERIFY(ProcessPrinter::selectPrinter(queue));

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString title = QStringLiteral("PdfAgree%1").arg(QDateTime::currentMSecsSinceEpoch());
    auto engine = threePages(writePicture(dir), 1, title);
    PrintOptions options;
    options.ModalResult = 1;
    options.FromPage = 1;
    options.ToPage = 3;
    options.Copies = 1;
    PrintRun::runPrintJob(
        engine->PrintFile(), title, options, ProcessPrinter::currentPrinter(), {});
    const QString pdf = dir.filePath(QStringLiteral("direct.pdf"));
    engine->PrintToPdf(pdf);

    QStringList files;
    QTRY_VERIFY_WITH_TIMEOUT(
        (files = QDir(folder).entryList({QStringLiteral("*%1*.pdf").arg(title)}, QDir::Files),
            files.size() == 1 && PdfProbe::pages(QDir(folder).filePath(files.at(0))) == 3),
        60000);
    const QString printed = QDir(folder).filePath(files.at(0));
    const auto removePrinted = qScopeGuard([&printed] { QFile::remove(printed); });

    // Word by word, the two files agree within 0.02 inch. Each file's fonts come with their own
    // ascent and descent, which move pdftotext's boxes up and down: the ink of the word on the
    // drawn page is compared instead.
    const QList<PdfProbe::Word> fromQueue = PdfProbe::words(printed);
    const QList<PdfProbe::Word> direct = PdfProbe::words(pdf);
    QCOMPARE(fromQueue.size(), direct.size());
    constexpr int Dpi = 144;
    QList<QImage> queuePages;
    QList<QImage> directPages;
    for (int page = 1; page <= 3; ++page) {
        queuePages.append(PdfProbe::pageImage(printed, page, Dpi));
        directPages.append(PdfProbe::pageImage(pdf, page, Dpi));
        QVERIFY(!queuePages.last().isNull() && !directPages.last().isNull());
    }
    const double tolerance = 0.02 * PointsPerInch;
    for (qsizetype i = 0; i < direct.size(); ++i) {
        const PdfProbe::Word &a = direct.at(i);
        const PdfProbe::Word &b = fromQueue.at(i);
        QCOMPARE(b.text, a.text);
        QCOMPARE(b.page, a.page);
        // Around the word as the direct PDF has it, wide enough to hold it if it moved.
        const QRectF area(QPointF(a.xMin - 3, a.yMin - 3), QPointF(a.xMax + 3, a.yMax + 3));
        const QRectF inkA = PdfProbe::inkBounds(directPages.at(a.page - 1), area, Dpi);
        const QRectF inkB = PdfProbe::inkBounds(queuePages.at(b.page - 1), area, Dpi);
        QVERIFY2(!inkA.isEmpty() && !inkB.isEmpty(), qPrintable(a.text));
        QVERIFY2(qAbs(a.xMin - b.xMin) <= tolerance && qAbs(inkA.left() - inkB.left()) <= tolerance
                && qAbs(inkA.top() - inkB.top()) <= tolerance,
            qPrintable(QStringLiteral("%1: ink at (%2, %3) printed, (%4, %5) in the PDF")
                           .arg(a.text)
                           .arg(inkB.left())
                           .arg(inkB.top())
                           .arg(inkA.left())
                           .arg(inkA.top())));
    }
}

// Each writer against each kind of path no file can be written to: refused before anything is
// written, the entry left as it was and nothing else in the folder.
void tst_PdfOutput::refusedPaths_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("cause");
    const QList<std::pair<QString, QString>> kinds {{"folder", "it is a folder."},
        {"FIFO", "it is a pipe (FIFO), not a file."}, {"socket", "it is a socket, not a file."},
        {"device like /dev/null", "it is a device, not a file."},
        {"device like /dev/full", "it is a device, not a file."},
        {"link to nothing", "it is a link to a file that does not exist."},
        {"SQLite database", "it is a database, not a file a report is written to."},
        {"SQLite journal", "it is a database, not a file a report is written to."}};
    for (const Writer writer : allWriters) {
        for (const auto &[kind, cause] : kinds) {
            // A file dialog opens a folder rather than choosing it.
            if (kind == QLatin1String("folder") && throughADialog(writer))
                continue;
            QTest::addRow("%s, %s", writerName(writer), qPrintable(kind))
                << writer << kind << cause;
        }
    }
}

void tst_PdfOutput::refusedPaths()
{
    QFETCH(Writer, writer);
    QFETCH(QString, kind);
    QFETCH(QString, cause);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path
        = dir.filePath(writesPdf(writer) ? QStringLiteral("out.pdf") : QStringLiteral("out.txt"));
    int socketFd = -1;
    const auto closeSocket = qScopeGuard([&socketFd] {
        if (socketFd >= 0)
            ::close(socketFd);
    });
    if (!makeEntry(kind, path, dir, &socketFd))
        QSKIP("this machine cannot make that kind of entry");
    const int typeBefore = entryType(path);
    auto engine = numbered(2);
    const auto entries = QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System;
    const QStringList listed = QDir(dir.path()).entryList(entries);

    const QByteArray contentBefore = QFileInfo(path).isFile() ? contentOf(path) : QByteArray();
    const QString told = writeWith(writer, *engine, path);
    QCOMPARE(told, QStringLiteral("Cannot write the %1 %2: %3")
                       .arg(writesPdf(writer) ? "PDF file" : "text file", path, cause));
    QCOMPARE(entryType(path), typeBefore);
    if (QFileInfo(path).isFile())
        QCOMPARE(contentOf(path), contentBefore);
    QCOMPARE(QDir(dir.path()).entryList(entries), listed);
}

// A link to an ordinary file is written through: the file it names is replaced, the link kept.
void tst_PdfOutput::linkToAFileStaysALink_data()
{
    QTest::addColumn<Writer>("writer");
    for (const Writer writer : allWriters)
        QTest::addRow("%s", writerName(writer)) << writer;
}

void tst_PdfOutput::linkToAFileStaysALink()
{
    QFETCH(Writer, writer);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ext = writesPdf(writer) ? QStringLiteral(".pdf") : QStringLiteral(".txt");
    const QString real = dir.filePath(QStringLiteral("real") + ext);
    const QString link = dir.filePath(QStringLiteral("link") + ext);
    {
        QFile file(real);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("earlier");
    }
    QVERIFY(QFile::link(real, link));
    auto engine = numbered(2);

    QCOMPARE(writeWith(writer, *engine, link), QString());
    QVERIFY(QFileInfo(link).isSymLink());
    QCOMPARE(QFileInfo(link).symLinkTarget(), real);
    const QByteArray written = contentOf(real);
    if (writesPdf(writer))
        QCOMPARE(PdfProbe::pages(real), 2);
    else
        QVERIFY2(written.contains("Page2"), written.constData());
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
        (QStringList {QFileInfo(link).fileName(), QFileInfo(real).fileName()}));
}

// Each writer on a disk that fills up during the write, with and without a file there before:
// the error names the file and the cause, the earlier file keeps every byte, no part of the new
// one stays.
void tst_PdfOutput::failedWriteKeepsTheEarlierFile_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::addColumn<bool>("earlier");
    for (const Writer writer : allWriters) {
        QTest::addRow("%s, earlier file", writerName(writer)) << writer << true;
        QTest::addRow("%s, new file", writerName(writer)) << writer << false;
    }
}

void tst_PdfOutput::failedWriteKeepsTheEarlierFile()
{
    QFETCH(Writer, writer);
    QFETCH(bool, earlier);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path
        = dir.filePath(writesPdf(writer) ? QStringLiteral("out.pdf") : QStringLiteral("out.txt"));
    const QByteArray before = "the earlier file, which must stay whole";
    if (earlier) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(before);
    }
    auto engine = numbered(3);
    const QStringList listed = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);

    QString told;
    {
        // Less than the text export of three pages, and far less than their PDF.
        FileSizeLimit limit(20);
        QVERIFY(limit.active());
        told = writeWith(writer, *engine, path);
    }
    QVERIFY2(told.contains(path), qPrintable(told));
    QVERIFY2(told.contains(qt_error_string(EFBIG)), qPrintable(told));
    QVERIFY2(!told.contains(QStringLiteral("(not a file error)")), qPrintable(told));
    QCOMPARE(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), listed);
    if (earlier)
        QCOMPARE(contentOf(path), before);
}

// A path refused in the file dialog of the print options or of the preview's save is told at
// once and the dialog comes back; the second choice is written.
void tst_PdfOutput::refusedChoiceAsksAgain_data()
{
    QTest::addColumn<Writer>("writer");
    QTest::newRow("PDF file destination") << Writer::PdfDestination;
    QTest::newRow("preview save, text") << Writer::PreviewText;
    QTest::newRow("preview save, PDF") << Writer::PreviewPdf;
    // SaveReport without a name asks for the file in the same way.
    QTest::newRow("SaveReport's dialog") << Writer::SaveReport;
}

void tst_PdfOutput::refusedChoiceAsksAgain()
{
    QFETCH(Writer, writer);
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString ext = writesPdf(writer) ? QStringLiteral(".pdf") : QStringLiteral(".txt");
    const QString fifo = dir.filePath(QStringLiteral("fifo") + ext);
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    const QString good = dir.filePath(QStringLiteral("good") + ext);
    auto engine = numbered(2);
    QStringList files;
    QStringList messages;
    ModalDriver driver;
    driver.action = [&](QWidget *modal) {
        if (auto *form = qobject_cast<PrintOptForm *>(modal)) {
            form->printerList()->setCurrentIndex(form->printerList()->count() - 1);
            form->findChild<QPushButton *>(QStringLiteral("OkBtn"))->click();
        } else if (auto *dialog = qobject_cast<QFileDialog *>(modal)) {
            const QString name = files.isEmpty() ? fifo : good;
            files << QFileInfo(name).fileName();
            if (auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
                types && writer == Writer::PreviewPdf) {
                types->setCurrentIndex(2);
                Q_EMIT types->activated(2);
                Q_EMIT types->textActivated(types->currentText());
            }
            typeFileName(dialog, dir.path(), QFileInfo(name).fileName());
            static_cast<QDialog *>(dialog)->accept();
        } else if (auto *box = qobject_cast<QMessageBox *>(modal)) {
            // The file dialog's question before an existing name is replaced is answered yes.
            if (QAbstractButton *yes = box->button(QMessageBox::Yes)) {
                yes->click();
                return;
            }
            messages << box->text();
            box->accept();
        }
    };
    if (writer == Writer::PdfDestination) {
        PrintJobs::printReport(*engine, {ProcessPrinter::paperSize(1), engine->Title()});
    } else if (writer == Writer::SaveReport) {
        QVERIFY(engine->SaveReport(QStringLiteral("  ")));
        QCOMPARE(engine->PrintTextFile(), good);
    } else {
        PreviewForm form(*engine);
        QVERIFY(form.load());
        form.saveCommand();
    }
    QCOMPARE(files, (QStringList {QFileInfo(fifo).fileName(), QFileInfo(good).fileName()}));
    QCOMPARE(messages,
        QStringList {QStringLiteral("Cannot write the %1 %2: it is a pipe (FIFO), not a file.")
                         .arg(writesPdf(writer) ? "PDF file" : "text file", fifo)});
    QCOMPARE(entryType(fifo), int(S_IFIFO));
    if (writesPdf(writer))
        QCOMPARE(PdfProbe::pages(good), 2);
    else
        QVERIFY(contentOf(good).contains("Page2"));
}

QTEST_MAIN(tst_PdfOutput)
#include "tst_pdfoutput.moc"

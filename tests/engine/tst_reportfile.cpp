#include "ReportFormat.h"
#include "ReportReader.h"
#include "VellumPrinter.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <QScopeGuard>

#include <QCoreApplication>
#include <QDir>
#include <QRegularExpression>

#include <csignal>
#include <functional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace ReportFormat;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

QByteArray recordBytes(const QByteArray &file, int n)
{
    return file.mid(qsizetype(n - 1) * RecordSize, RecordSize);
}

qint16 int16In(const QByteArray &rec, int offset)
{
    return qFromLittleEndian<qint16>(rec.constData() + offset);
}

double doubleIn(const QByteArray &rec, int offset)
{
    RecordBytes r {};
    std::memcpy(r.data(), rec.constData(), RecordSize);
    return doubleAt(r, offset);
}

// Points TMPDIR, and so the engine's temporary folder, at a folder while it lives.
class TemporaryFolder
{
public:
    explicit TemporaryFolder(const QString &folder)
        : m_old(qgetenv("TMPDIR"))
        , m_had(qEnvironmentVariableIsSet("TMPDIR"))
    {
        qputenv("TMPDIR", QFile::encodeName(folder));
    }
    ~TemporaryFolder()
    {
        if (m_had)
            qputenv("TMPDIR", m_old);
        else
            qunsetenv("TMPDIR");
    }

private:
    QByteArray m_old;
    bool m_had;
};

// A child process kept alive until the object goes; pid() 0 when none could be started.
class LiveChild
{
public:
    LiveChild()
        : m_pid(::fork())
    {
        if (m_pid == 0) {
            ::pause();
            ::_exit(0);
        }
        if (m_pid < 0)
            m_pid = 0;
    }
    ~LiveChild()
    {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
    }
    pid_t pid() const { return m_pid; }

private:
    pid_t m_pid;
};

// The id of a process that has run and ended.
pid_t deadProcess()
{
    const pid_t pid = ::fork();
    if (pid == 0)
        ::_exit(0);
    if (pid > 0)
        ::waitpid(pid, nullptr, 0);
    return pid;
}

using Setter = std::function<void(VellumPrinter &)>;
using Getter = std::function<QVariant(const VellumPrinter &)>;

} // namespace

class ReportFileTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        for (const QString &path : std::as_const(m_reports))
            QFile::remove(path);
        m_reports.clear();
    }

    void fileGrowsByRecords()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        QCOMPARE(QFileInfo(engine.PrintFile()).size(), 256);
        engine.TextOut(1.0, QStringLiteral("Hello"));
        engine.EndDoc();
        const QByteArray file = fileBytes(engine.PrintFile());
        QCOMPARE(file.size(), 768);
        QCOMPARE(recordBytes(file, 2).mid(KeywordOffset, 8), QByteArray("TEXTOUT "));
        QCOMPARE(recordBytes(file, 3).mid(KeywordOffset, 8), QByteArray("ENDDOC  "));
        QCOMPARE(recordBytes(file, 3).mid(10), QByteArray(246, '\0'));
        QCOMPARE(engine.TotalPages(), qint16(1));
    }

    void reportFileIsPrivateAndNamed()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        const QFileInfo info(engine.PrintFile());
        m_reports << info.absoluteFilePath();
        QVERIFY(info.fileName().startsWith(QStringLiteral("RPRT")));
        QCOMPARE(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QCOMPARE(info.permissions()
                & (QFileDevice::ReadGroup | QFileDevice::WriteGroup | QFileDevice::ReadOther
                    | QFileDevice::WriteOther),
            QFileDevice::Permissions());

        // Each report gets a new file; the previous one stays on disk.
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        QVERIFY(engine.PrintFile() != info.absoluteFilePath());
        QVERIFY(info.exists());
    }

    void headerDefaultsAndEngineValues()
    {
        VellumPrinter engine;
        QCOMPARE(engine.ScaleMode(), qint16(0));
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        QCOMPARE(engine.ScaleMode(), qint16(0));
        QCOMPARE(engine.Orientation(), qint16(0));
        QCOMPARE(engine.Spacing(), 1.3);
        QCOMPARE(engine.Page(), qint16(1));
        QVERIFY(engine.ShowPreviewSave());

        QByteArray header = fileBytes(engine.PrintFile());
        QCOMPARE(int16In(header, HeaderField::Orientation), qint16(1));
        QCOMPARE(int16In(header, HeaderField::ScaleMode), qint16(5));
        QCOMPARE(doubleIn(header, HeaderField::Spacing), 1.3);
        QCOMPARE(int16In(header, HeaderField::AutoHeadings), qint16(0));
        QCOMPARE(header.mid(HeaderField::AutoHeadingsFontName, 100),
            QByteArray("Arial") + QByteArray(95, ' '));
        QCOMPARE(int16In(header, HeaderField::AutoHeadingsFontSize), qint16(12));
        QCOMPARE(
            qFromLittleEndian<qint32>(header.constData() + HeaderField::AutoHeadingsFontAttr), 0);
        QCOMPARE(int16In(header, HeaderField::AutoNewPage), qint16(0));
        QCOMPARE(header.mid(HeaderField::Title, 100), QByteArray(100, ' '));
        QCOMPARE(header.mid(HeaderField::Reserved), QByteArray(34, '\0'));

        // Values set on one report stay in the engine; the next header gets the defaults,
        // except AutoNewPage, which is the engine's.
        engine.SetScaleMode(7);
        engine.SetAutoNewPage(true);
        engine.SetTitle(QStringLiteral("First"));
        engine.EndDoc();
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        QCOMPARE(engine.ScaleMode(), qint16(7));
        QCOMPARE(engine.Title(), QStringLiteral("First"));
        header = fileBytes(engine.PrintFile());
        QCOMPARE(int16In(header, HeaderField::ScaleMode), qint16(5));
        QCOMPARE(int16In(header, HeaderField::AutoNewPage), qint16(-1));
        QCOMPARE(header.mid(HeaderField::Title, 100), QByteArray(100, ' '));
    }

    void keywordPadding_data()
    {
        QTest::addColumn<Setter>("record");
        QTest::addColumn<QByteArray>("keyword");
        QTest::newRow("SETFONT") << Setter([](VellumPrinter &e) { e.SetFont("Arial", 10, 0); })
                                 << QByteArray("SETFONT ");
        QTest::newRow("TEXTOUT") << Setter([](VellumPrinter &e) { e.TextOut(0, "x"); })
                                 << QByteArray("TEXTOUT ");
        QTest::newRow("LINEOUT") << Setter([](VellumPrinter &e) { e.LineOut(0, 0, 1, 1); })
                                 << QByteArray("LINEOUT ");
        QTest::newRow("BOXOUT") << Setter([](VellumPrinter &e) { e.BoxOut(0, 0, 1, 1); })
                                << QByteArray("BOXOUT  ");
        QTest::newRow("IMAGEOUT") << Setter([](VellumPrinter &e) {
            e.ImageOut("a.png", 0, 0, 0, 0);
        }) << QByteArray("IMAGEOUT");
        QTest::newRow("NEWPAGE") << Setter([](VellumPrinter &e) { e.NewPage(); })
                                 << QByteArray("NEWPAGE ");
        QTest::newRow("ENDDOC") << Setter([](VellumPrinter &e) { e.EndDoc(); })
                                << QByteArray("ENDDOC  ");
    }

    void keywordPadding()
    {
        QFETCH(Setter, record);
        QFETCH(QByteArray, keyword);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        record(engine);
        const QByteArray rec = recordBytes(fileBytes(engine.PrintFile()), 2);
        QCOMPARE(rec.size(), 256);
        QCOMPARE(int16In(rec, PageOffset), qint16(1));
        QCOMPARE(rec.mid(KeywordOffset, KeywordSize), keyword);
        QCOMPARE(
            ReportFormat::keywordOf(rec.constData() + KeywordOffset) == Keyword::Unknown, false);
    }

    void shapeAndFontLayouts()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetFont(QStringLiteral(" Times "), 14, 1 + 4 + 8);
        engine.LineOut(1.5, 2.5, 3.5, 4.5);
        engine.ImageOut(QStringLiteral("/tmp/logo.png"), 1, 2, 0, 3);
        const QByteArray file = fileBytes(engine.PrintFile());
        const QByteArray font = recordBytes(file, 2);
        QCOMPARE(font.mid(FontField::Name, 200), QByteArray(" Times ") + QByteArray(193, ' '));
        QCOMPARE(int16In(font, FontField::Size), qint16(14));
        QCOMPARE(int16In(font, FontField::Bold), qint16(-1));
        QCOMPARE(int16In(font, FontField::Italic), qint16(-1));
        QCOMPARE(int16In(font, FontField::Underline), qint16(0));
        QCOMPARE(font.mid(218), QByteArray(38, '\0'));
        const QByteArray line = recordBytes(file, 3);
        QCOMPARE(doubleIn(line, ShapeField::X1), 1.5);
        QCOMPARE(doubleIn(line, ShapeField::Y2), 4.5);
        QCOMPARE(line.mid(ShapeField::ImagePath), QByteArray(214, '\0'));
        const QByteArray image = recordBytes(file, 4);
        QCOMPARE(image.mid(ShapeField::ImagePath, 214),
            QByteArray("/tmp/logo.png") + QByteArray(214 - 13, ' '));
        QCOMPARE(doubleIn(image, ShapeField::X2), 0.0);
        QCOMPARE(doubleIn(image, ShapeField::Y2), 3.0);
    }

    void textFields_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QByteArray>("stored");
        QTest::newRow("plain") << QStringLiteral("Total") << QByteArray("Total");
        QTest::newRow("accents and euro")
            << QStringLiteral("Déjà 12 €") << QByteArray("D\xE9j\xE0 12 \x80");
        QTest::newRow("typographic quotes")
            << QStringLiteral("\u201Cok\u201D \u2014 \u0153") << QByteArray("\x93ok\x94 \x97 \x9C");
        QTest::newRow("outside the code page")
            << QStringLiteral("a\u4E2Db\U0001F600c") << QByteArray("a?b?c");
        QTest::newRow("cut at 230") << QString(300, u'x') << QByteArray(230, 'x');
        QTest::newRow("leading blanks kept in the file")
            << QStringLiteral("  x") << QByteArray("  x");
    }

    void textFields()
    {
        QFETCH(QString, text);
        QFETCH(QByteArray, stored);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.TextOut(0, text);
        const QByteArray rec = recordBytes(fileBytes(engine.PrintFile()), 2);
        QCOMPARE(rec.mid(TextField::Text, stored.size()), stored);
        QCOMPARE(rec.mid(TextField::Text + stored.size()), QByteArray(230 - stored.size(), ' '));
    }

    void codecRoundTrip()
    {
        // Every byte of the code page reads back as itself.
        QByteArray all;
        for (int b = 0; b < 256; ++b)
            all.append(char(b));
        QCOMPARE(toCp1252(fromCp1252(all)), all);
        QCOMPARE(fromCp1252(QByteArray("\x80\x8A\xFF")), QStringLiteral("€Šÿ"));
    }

    void titleRewriteKeepsAppendPosition_data()
    {
        QTest::addColumn<int>("before");
        QTest::newRow("ten commands") << 10;
        // Past the writer's batch of records, some written and some still pending.
        QTest::newRow("seventy commands") << 70;
    }

    void titleRewriteKeepsAppendPosition()
    {
        QFETCH(int, before);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        for (int i = 0; i < before; ++i)
            engine.TextOut(i, QString::number(i));
        engine.SetTitle(QStringLiteral("Bill of lading"));
        engine.TextOut(0, QStringLiteral("eleventh"));
        const QByteArray file = fileBytes(engine.PrintFile());
        QCOMPARE(file.size(), (before + 2) * 256);
        QCOMPARE(recordBytes(file, before + 2).mid(TextField::Text, 8), QByteArray("eleventh"));
        const QByteArray last = QByteArray::number(before - 1);
        QCOMPARE(recordBytes(file, before + 1).mid(TextField::Text, last.size()), last);
        QCOMPARE(
            file.mid(HeaderField::Title, 100), QByteArray("Bill of lading") + QByteArray(86, ' '));
        QCOMPARE(int16In(file, HeaderField::ScaleMode), qint16(5));
    }

    void headerBackedSetsNeedAnOpenReport_data()
    {
        QTest::addColumn<Setter>("set");
        QTest::addColumn<Getter>("get");
        QTest::newRow("ScaleMode")
            << Setter([](VellumPrinter &e) { e.SetScaleMode(5); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.ScaleMode()); });
        QTest::newRow("Orientation")
            << Setter([](VellumPrinter &e) { e.SetOrientation(2); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.Orientation()); });
        QTest::newRow("Spacing") << Setter([](VellumPrinter &e) {
            e.SetSpacing(2);
        }) << Getter([](const VellumPrinter &e) { return QVariant(e.Spacing()); });
        QTest::newRow("AutoHeadings")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadings(true); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.AutoHeadings()); });
        QTest::newRow("AutoHeadingsFontName")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadingsFontName("Times"); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.AutoHeadingsFontName()); });
        QTest::newRow("AutoHeadingsFontSize")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadingsFontSize(20); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.AutoHeadingsFontSize()); });
        QTest::newRow("AutoHeadingsFontAttr")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadingsFontAttr(1); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.AutoHeadingsFontAttr()); });
        QTest::newRow("AutoNewPage")
            << Setter([](VellumPrinter &e) { e.SetAutoNewPage(true); })
            << Getter([](const VellumPrinter &e) { return QVariant(e.AutoNewPage()); });
        QTest::newRow("Title") << Setter([](VellumPrinter &e) {
            e.SetTitle("T");
        }) << Getter([](const VellumPrinter &e) { return QVariant(e.Title()); });
        QTest::newRow("TextOut") << Setter([](VellumPrinter &e) { e.TextOut(0, "x"); })
                                 << Getter([](const VellumPrinter &e) { return QVariant(e.X()); });
        QTest::newRow("NewPage") << Setter([](VellumPrinter &e) {
            e.NewPage();
        }) << Getter([](const VellumPrinter &e) { return QVariant(e.Page()); });
        QTest::newRow("SetFont") << Setter([](VellumPrinter &e) { e.SetFont("Arial", 9, 0); })
                                 << Getter([](const VellumPrinter &e) { return QVariant(e.Y()); });
        QTest::newRow("EndDoc") << Setter([](VellumPrinter &e) {
            e.EndDoc();
        }) << Getter([](const VellumPrinter &e) { return QVariant(e.TotalPages()); });
    }

    void headerBackedSetsNeedAnOpenReport()
    {
        QFETCH(Setter, set);
        QFETCH(Getter, get);
        for (const bool ended : {false, true}) {
            VellumPrinter engine;
            if (ended) {
                engine.BeginDoc();
                m_reports << engine.PrintFile();
                engine.EndDoc();
            }
            const QVariant before = get(engine);
            const QByteArray fileBefore = ended ? fileBytes(engine.PrintFile()) : QByteArray();
            try {
                set(engine);
                QFAIL("no file error");
            } catch (const VellumError &error) {
                QCOMPARE(error.kind(), VellumError::Kind::File);
            }
            QCOMPARE(get(engine), before);
            if (ended)
                QCOMPARE(fileBytes(engine.PrintFile()), fileBefore);
        }
    }

    void memoryOnlyPropertiesBeforeBeginDoc()
    {
        VellumPrinter engine;
        engine.SetZoomPercent(150);
        engine.SetDefaultPrinter(QStringLiteral("Office"));
        engine.SetPrintTextFile(QStringLiteral("out.txt"));
        QCOMPARE(engine.ZoomPercent(), qint16(150));
        QCOMPARE(engine.DefaultPrinter(), QStringLiteral("Office"));
        QCOMPARE(engine.PrintTextFile(), QStringLiteral("out.txt"));
        QCOMPARE(engine.PrintFile(), QString());
        QCOMPARE(engine.TotalPages(), qint16(0));

        // The text file's name is only stored: the report file stays the same.
        engine.BeginDoc();
        const QString report = engine.PrintFile();
        m_reports << report;
        engine.SetPrintTextFile(QStringLiteral("other.txt"));
        QCOMPARE(engine.PrintTextFile(), QStringLiteral("other.txt"));
        QCOMPARE(engine.PrintFile(), report);
    }

    void badUnitOrOrientationChangesNothing_data()
    {
        QTest::addColumn<Setter>("set");
        QTest::newRow("ScaleMode 8") << Setter([](VellumPrinter &e) { e.SetScaleMode(8); });
        QTest::newRow("ScaleMode -1") << Setter([](VellumPrinter &e) { e.SetScaleMode(-1); });
        QTest::newRow("Orientation 0") << Setter([](VellumPrinter &e) { e.SetOrientation(0); });
        QTest::newRow("Orientation 3") << Setter([](VellumPrinter &e) { e.SetOrientation(3); });
    }

    void badUnitOrOrientationChangesNothing()
    {
        QFETCH(Setter, set);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        const QByteArray before = fileBytes(engine.PrintFile());
        QVERIFY_THROWS_EXCEPTION(VellumError, set(engine));
        QCOMPARE(fileBytes(engine.PrintFile()), before);
        QCOMPARE(engine.ScaleMode(), qint16(0));
        QCOMPARE(engine.Orientation(), qint16(0));
    }

    void totalPagesFollowsEndDoc()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.NewPage();
        engine.NewPage();
        engine.EndDoc();
        QCOMPARE(engine.TotalPages(), qint16(3));
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.TextOut(0, QStringLiteral("x"));
        QCOMPARE(engine.TotalPages(), qint16(3));
        engine.EndDoc();
        QCOMPARE(engine.TotalPages(), qint16(1));
    }

    void destroyReport()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        const QString path = engine.PrintFile();
        m_reports << path;
        engine.EndDoc();
        engine.DestroyReport();
        QVERIFY(!QFile::exists(path));
        QCOMPARE(engine.PrintFile(), path);
        engine.DestroyReport(); // already gone: still fine
        QVERIFY_THROWS_EXCEPTION(VellumError, engine.TextOut(0, "x"));
    }

    void readerStopsAtTheEndOfAnUnendedReport()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.TextOut(1, QStringLiteral("a"));
        engine.NewPage();
        engine.TextOut(1, QStringLiteral("b"));
        ReportReader reader(engine.PrintFile());
        QVERIFY(reader.isOpen());
        QCOMPARE(reader.recordCount(), 4);
        QCOMPARE(reader.header().scaleMode, qint16(5));
        Record record;
        QVERIFY(reader.readRecord(4, record));
        QCOMPARE(record.keyword(), Keyword::TextOut);
        QCOMPARE(record.page(), qint16(2));
        QCOMPARE(record.text(), QStringLiteral("b"));
        QVERIFY(!reader.readRecord(5, record));
        QVERIFY(reader.readRecord(2, record)); // back again
        QCOMPARE(record.text(), QStringLiteral("a"));
        QCOMPARE(reader.lastPage(), qint16(2));
    }

    void loadReport_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<bool>("loads");
        QTest::addColumn<int>("pages");

        RecordBytes header {};
        Header::defaults(false).writeTo(header);
        const QByteArray head(header.data(), RecordSize);
        const auto rec = [](const Record &r) { return QByteArray(r.bytes.data(), RecordSize); };
        const QByteArray threePages = head + rec(Record::textOut(1, 1, 1, u"a"))
            + rec(Record::pageMark(1, Keyword::NewPage))
            + rec(Record::pageMark(2, Keyword::NewPage)) + rec(Record::textOut(3, 1, 1, u"c"))
            + rec(Record::pageMark(3, Keyword::EndDoc));
        QTest::newRow("three pages") << threePages << true << 3;
        QTest::newRow("header only") << head << true << 0;
        QTest::newRow("unended report") << head + rec(Record::textOut(2, 1, 1, u"a")) << true << 2;
        QTest::newRow("not whole records") << threePages + "x" << false << 0;
        QTest::newRow("empty file") << QByteArray() << false << 0;
        QTest::newRow("text file") << QByteArray(512, 'a') << false << 0;
        QByteArray badUnit = threePages;
        badUnit[HeaderField::ScaleMode] = 9;
        QTest::newRow("unknown unit") << badUnit << false << 0;
        QByteArray badOrientation = threePages;
        badOrientation[HeaderField::Orientation] = 0;
        QTest::newRow("unknown orientation") << badOrientation << false << 0;
    }

    void loadReport()
    {
        QFETCH(QByteArray, content);
        QFETCH(bool, loads);
        QFETCH(int, pages);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("saved.rpt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
        file.close();

        VellumPrinter engine;
        engine.BeginDoc();
        const QString own = engine.PrintFile();
        m_reports << own;
        engine.EndDoc();
        QCOMPARE(engine.LoadReport(path), loads);
        QCOMPARE(engine.PrintFile(), loads ? QFileInfo(path).absoluteFilePath() : own);
        QCOMPARE(engine.TotalPages(), qint16(loads ? pages : 1));
        // The caller's file is never deleted by the engine; the engine's own always is, also
        // when a loaded report is the current one.
        engine.DestroyReport();
        QVERIFY(QFile::exists(path));
        QVERIFY(!QFile::exists(own));
    }

    void loadReportWhileRecordingChangesNothing()
    {
        QTemporaryDir dir;
        const QString saved = dir.filePath(QStringLiteral("saved.rpt"));
        {
            VellumPrinter other;
            other.BeginDoc();
            other.TextOut(1, QStringLiteral("saved"));
            other.EndDoc();
            QVERIFY(QFile::copy(other.PrintFile(), saved));
            other.DestroyReport();
        }

        VellumPrinter engine;
        engine.BeginDoc();
        const QString own = engine.PrintFile();
        m_reports << own;
        engine.TextOut(1, QStringLiteral("before"));
        QVERIFY(!engine.LoadReport(saved));
        QCOMPARE(engine.PrintFile(), own);
        // The recording goes on into the same file.
        engine.TextOut(1, QStringLiteral("after"));
        engine.EndDoc();
        const QByteArray file = fileBytes(own);
        QCOMPARE(file.size(), 4 * 256);
        QCOMPARE(recordBytes(file, 3).mid(TextField::Text, 5), QByteArray("after"));
        QCOMPARE(engine.TotalPages(), qint16(1));

        // Once ended, a load is accepted.
        QVERIFY(engine.LoadReport(saved));
        engine.DestroyReport();
        QVERIFY(!QFile::exists(own));
        QVERIFY(QFile::exists(saved));
    }

    void recordsReachTheFileAsTheyAreMade()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        const QString path = engine.PrintFile();
        m_reports << path;
        ReportReader reader(path);
        QVERIFY(reader.isOpen());
        Record record;
        for (int i = 1; i <= 150; ++i) {
            engine.TextOut(1, QString::number(i));
            QCOMPARE(QFileInfo(path).size(), qint64(i + 1) * 256);
            QVERIFY(reader.refresh());
            QVERIFY(reader.readRecord(i + 1, record));
            QCOMPARE(record.text(), QString::number(i));
        }
    }

    void writeErrorIsRaisedByTheOperationThatMetIt()
    {
        // A file size limit makes the writes past it fail with EFBIG instead of a signal.
        struct rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const auto undo = [&] {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        };
        auto restore = qScopeGuard(undo);
        VellumPrinter engine;
        engine.BeginDoc();
        const QString path = engine.PrintFile();
        m_reports << path;
        // Room for the header, eight records and part of a ninth.
        struct rlimit small = saved;
        small.rlim_cur = 9 * 256 + 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        for (int i = 0; i < 8; ++i)
            engine.TextOut(1, QString::number(i));
        try {
            engine.TextOut(1, QStringLiteral("too much"));
            QFAIL("no write error");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::File);
            QVERIFY2(error.message().contains(path), qPrintable(error.message()));
        }
        undo();
        restore.dismiss();
        // Only whole records stay: the failed one is not half in the file.
        QCOMPARE(QFileInfo(path).size(), 9 * 256);
    }

    void headerRewriteChangesOnlyItsField_data()
    {
        QTest::addColumn<Setter>("set");
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("size");
        QTest::newRow("ScaleMode") << Setter([](VellumPrinter &e) { e.SetScaleMode(7); })
                                   << int(HeaderField::ScaleMode) << 2;
        QTest::newRow("Orientation") << Setter([](VellumPrinter &e) { e.SetOrientation(2); })
                                     << int(HeaderField::Orientation) << 2;
        QTest::newRow("Spacing") << Setter([](VellumPrinter &e) { e.SetSpacing(2.5); })
                                 << int(HeaderField::Spacing) << 8;
        QTest::newRow("AutoHeadings") << Setter([](VellumPrinter &e) { e.SetAutoHeadings(true); })
                                      << int(HeaderField::AutoHeadings) << 2;
        QTest::newRow("AutoHeadingsFontSize")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadingsFontSize(20); })
            << int(HeaderField::AutoHeadingsFontSize) << 2;
        QTest::newRow("AutoHeadingsFontAttr")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadingsFontAttr(5); })
            << int(HeaderField::AutoHeadingsFontAttr) << 4;
        QTest::newRow("AutoNewPage") << Setter([](VellumPrinter &e) { e.SetAutoNewPage(true); })
                                     << int(HeaderField::AutoNewPage) << 2;
        QTest::newRow("Title") << Setter([](VellumPrinter &e) { e.SetTitle("  Other title"); })
                               << int(HeaderField::Title) << 100;
        QTest::newRow("AutoHeadingsFontName")
            << Setter([](VellumPrinter &e) { e.SetAutoHeadingsFontName("  Courier"); })
            << int(HeaderField::AutoHeadingsFontName) << 100;
    }

    void headerRewriteChangesOnlyItsField()
    {
        QFETCH(Setter, set);
        QFETCH(int, offset);
        QFETCH(int, size);
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        engine.SetTitle(QStringLiteral("   Bill of lading"));
        engine.SetAutoHeadingsFontName(QStringLiteral("  Times New Roman"));
        const QByteArray before = fileBytes(engine.PrintFile()).left(256);
        QCOMPARE(before.mid(HeaderField::Title, 17), QByteArray("   Bill of lading"));
        set(engine);
        const QByteArray after = fileBytes(engine.PrintFile()).left(256);
        QVERIFY(after.mid(offset, size) != before.mid(offset, size));
        QCOMPARE(after.left(offset), before.left(offset));
        QCOMPARE(after.mid(offset + size), before.mid(offset + size));
    }

    void beginDocWithoutUsableTempFolder_data()
    {
        QTest::addColumn<QString>("folder");
        QTest::newRow("missing folder") << QStringLiteral("/nonexistent-rouvel/tmp");
        QTest::newRow("a file, not a folder") << QStringLiteral("FILE");
    }

    void beginDocWithoutUsableTempFolder()
    {
        QFETCH(QString, folder);
        QTemporaryDir dir;
        if (folder == QLatin1String("FILE")) {
            folder = dir.filePath(QStringLiteral("plain"));
            QFile file(folder);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        VellumPrinter engine;
        engine.BeginDoc();
        const QString first = engine.PrintFile();
        m_reports << first;
        engine.EndDoc();
        const QDir root(QStringLiteral("/"));
        const QStringList rootReports
            = root.entryList({QStringLiteral("RPRT*")}, QDir::Files | QDir::Hidden);

        const QByteArray oldTmp = qgetenv("TMPDIR");
        const bool hadTmp = qEnvironmentVariableIsSet("TMPDIR");
        qputenv("TMPDIR", folder.toLocal8Bit());
        const auto restore = qScopeGuard([&] {
            if (hadTmp)
                qputenv("TMPDIR", oldTmp);
            else
                qunsetenv("TMPDIR");
        });
        try {
            engine.BeginDoc();
            m_reports << engine.PrintFile();
            QFAIL("no file error");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::File);
            QVERIFY2(error.message().contains(folder), qPrintable(error.message()));
        }
        QCOMPARE(root.entryList({QStringLiteral("RPRT*")}, QDir::Files | QDir::Hidden),
            rootReports);
        // The ended report is still the engine's.
        QCOMPARE(engine.PrintFile(), first);
        QCOMPARE(engine.TotalPages(), qint16(1));
    }

    void reportFileIsNamedForItsProcess()
    {
        VellumPrinter engine;
        engine.BeginDoc();
        m_reports << engine.PrintFile();
        const QRegularExpression form(QStringLiteral("^RPRT%1-[A-Za-z0-9]{6}\\.tmp$")
                                          .arg(QCoreApplication::applicationPid()));
        QVERIFY2(form.match(QFileInfo(engine.PrintFile()).fileName()).hasMatch(),
            qPrintable(engine.PrintFile()));
    }

    // The next BeginDoc in a temporary folder removes the report files whose process is gone,
    // and only those.
    void leftoverReports_data()
    {
        QTest::addColumn<QString>("owner"); // "dead", "self", "child", or a literal name
        QTest::addColumn<bool>("removed");
        QTest::newRow("process gone") << "dead" << true;
        QTest::newRow("this process") << "self" << false;
        QTest::newRow("a running child") << "child" << false;
        QTest::newRow("a name without a process") << "RPRTA1B2C3" << false;
        QTest::newRow("another kind of file") << "RPRT99999999-notes.txt" << false;
        QTest::newRow("process 0") << "RPRT0-abcdef.tmp" << false;
    }

    void leftoverReports()
    {
        QFETCH(QString, owner);
        QFETCH(bool, removed);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        LiveChild child;
        QVERIFY(child.pid() > 0);
        QString name = owner;
        const auto named = [](qint64 pid) { return QStringLiteral("RPRT%1-a1B2c3.tmp").arg(pid); };
        if (owner == QLatin1String("dead"))
            name = named(deadProcess());
        else if (owner == QLatin1String("self"))
            name = named(QCoreApplication::applicationPid());
        else if (owner == QLatin1String("child"))
            name = named(child.pid());
        const QString path = dir.filePath(name);
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(256, 'x'));
        }
        TemporaryFolder temporary(dir.path());
        VellumPrinter engine;
        engine.BeginDoc();
        engine.EndDoc();
        QCOMPARE(QFileInfo::exists(path), !removed);
        // The new report itself is not taken for a leftover.
        QVERIFY(QFileInfo::exists(engine.PrintFile()));
        QCOMPARE(QFileInfo(engine.PrintFile()).absolutePath(),
            QFileInfo(dir.path()).absoluteFilePath());
        engine.DestroyReport();
    }

    void headerWriteErrorLeavesNoFile()
    {
        struct rlimit saved {};
        QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
        const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        auto restore = qScopeGuard([&] {
            setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        });
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        TemporaryFolder temporary(dir.path());
        struct rlimit small = saved;
        small.rlim_cur = 100;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
        VellumPrinter engine;
        try {
            engine.BeginDoc();
            m_reports << engine.PrintFile();
            QFAIL("no write error");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::File);
            QVERIFY2(error.message().contains(qt_error_string(EFBIG)), qPrintable(error.message()));
        }
        QCOMPARE(
            QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    }

    void loadReportOfAMissingFile()
    {
        VellumPrinter engine;
        QVERIFY(!engine.LoadReport(QStringLiteral("/nonexistent/RPRT0000")));
        QVERIFY(!engine.LoadReport(QStringLiteral("  ")));
        QCOMPARE(engine.PrintFile(), QString());
    }

private:
    QStringList m_reports;
};

QTEST_MAIN(ReportFileTest)
#include "tst_reportfile.moc"

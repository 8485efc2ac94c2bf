#include "HelpWindow.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

class tst_HelpWindow : public QObject
{
    Q_OBJECT
private slots:
    void opensAtContents();
    void refusesUnreadableFiles_data();
    void refusesUnreadableFiles();
    void missingFileMessageNamesThePath();
    void shippedGuideLinksResolve();
    void shippedGuideOpens();
};

static bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

void tst_HelpWindow::opensAtContents()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("guide.hlp"));
    QVERIFY(writeFile(path,
        "<html><head><title>Guide title</title></head><body>"
        "<h1><a name=\"contents\"></a>Contents</h1>"
        "<p><a href=\"#one\">One</a></p><h2><a name=\"one\"></a>One</h2>"
        "<p>First chapter text.</p></body></html>"));
    HelpWindow window;
    QVERIFY(window.openContents(path));
    QCOMPARE(window.windowTitle(), QStringLiteral("Guide title"));
    // Read as HTML despite the file's name: the markup is gone, the text is there.
    const QString text = window.browser()->toPlainText();
    QVERIFY(text.contains(QStringLiteral("First chapter text.")));
    QVERIFY(!text.contains(QStringLiteral("<h2>")));
    QCOMPARE(window.browser()->source(), QUrl::fromLocalFile(path));
}

void tst_HelpWindow::refusesUnreadableFiles_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<bool>("create");
    QTest::newRow("missing") << "absent.hlp" << QByteArray() << false;
    QTest::newRow("empty") << "empty.hlp" << QByteArray() << true;
    QTest::newRow("a folder") << "" << QByteArray() << false;
}

void tst_HelpWindow::refusesUnreadableFiles()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, content);
    QFETCH(bool, create);

    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString path = name.isEmpty() ? dir.path() : dir.filePath(name);
    if (create)
        QVERIFY(writeFile(path, content));
    HelpWindow window;
    const QString titleBefore = window.windowTitle();
    QVERIFY(!window.openContents(path));
    QCOMPARE(window.windowTitle(), titleBefore);
}

void tst_HelpWindow::missingFileMessageNamesThePath()
{
    const QString message = HelpWindow::missingFileMessage(QStringLiteral("/opt/x/rouvel.hlp"));
    QVERIFY(message.contains(QStringLiteral("/opt/x/rouvel.hlp")));
    QVERIFY(message.contains(QStringLiteral("help file")));
}

// The guide other chapters are added to: every link of its contents must reach an anchor, and
// the marker that new chapters go before must follow the last chapter.
void tst_HelpWindow::shippedGuideLinksResolve()
{
    QFile file(QStringLiteral(ROUVEL_HELP_SOURCE));
    QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(file.fileName()));
    const QString html = QString::fromUtf8(file.readAll());

    QSet<QString> anchors;
    const QRegularExpression anchorPattern(QStringLiteral(R"re((?:name|id)="([^"]+)")re"));
    for (const auto &match : anchorPattern.globalMatch(html))
        anchors.insert(match.captured(1));
    QVERIFY(anchors.contains(QStringLiteral("contents")));

    const QRegularExpression linkPattern(QStringLiteral(R"re(href="#([^"]+)")re"));
    int links = 0;
    for (const auto &match : linkPattern.globalMatch(html)) {
        ++links;
        QVERIFY2(anchors.contains(match.captured(1)), qPrintable(match.captured(1)));
    }
    QVERIFY(links > 0);

    const qsizetype marker = html.indexOf(QStringLiteral("<!-- chapters end -->"));
    QVERIFY(marker > 0);
    QVERIFY(html.lastIndexOf(QStringLiteral("<h2")) < marker);
    QVERIFY(html.indexOf(QStringLiteral("</body>")) > marker);
}

void tst_HelpWindow::shippedGuideOpens()
{
    HelpWindow window;
    QVERIFY(window.openContents(QStringLiteral(ROUVEL_HELP_SOURCE)));
    QVERIFY(window.browser()->toPlainText().contains(
        QStringLiteral("the decimal separator must be the period")));
}

QTEST_MAIN(tst_HelpWindow)
#include "tst_helpwindow.moc"

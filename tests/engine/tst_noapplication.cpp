// The engine called by a program that has not created its application object, or only a
// QGuiApplication: errors instead of Qt aborting the process.
#include "VellumPrinter.h"

#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

class NoApplicationTest : public QObject
{
    Q_OBJECT

private slots:
    void beginDocWithoutApplication()
    {
        QVERIFY(!QCoreApplication::instance());
        VellumPrinter engine;
        try {
            engine.BeginDoc();
            QFAIL("no error");
        } catch (const VellumError &error) {
            QCOMPARE(error.kind(), VellumError::Kind::InvalidArgument);
            QVERIFY2(error.message().contains(QStringLiteral("QApplication")),
                qPrintable(error.message()));
        }
        QCOMPARE(engine.PrintFile(), QString());
        QVERIFY_THROWS_EXCEPTION(VellumError, engine.TextOut(0, QStringLiteral("x")));
    }

    void guiApplicationRecordsButOpensNoWindow()
    {
        int argc = 1;
        char name[] = "tst_noapplication";
        char *argv[] = {name, nullptr};
        auto app = std::make_unique<QGuiApplication>(argc, argv);
        QTemporaryDir dir;
        VellumPrinter engine;
        engine.BeginDoc();
        engine.SetScaleMode(5);
        engine.TextOut(0, QStringLiteral("recorded"));
        engine.EndDoc();
        const QString text = dir.filePath(QStringLiteral("out.txt"));
        QVERIFY(engine.SaveReport(text));
        QFile file(text);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QVERIFY(file.readAll().startsWith("recorded"));

        const auto expectWindowError = [](const std::function<void()> &call) {
            try {
                call();
                return QStringLiteral("no error");
            } catch (const VellumError &error) {
                return error.message();
            }
        };
        for (const QString &message : {expectWindowError([&] { engine.PreviewReport(); }),
                 expectWindowError([&] { engine.PrintReport(); }),
                 expectWindowError([&] { engine.SaveReport(QString()); })}) {
            QVERIFY2(message.contains(QStringLiteral("needs a QApplication")), qPrintable(message));
        }
        engine.DestroyReport();
    }
};

int main(int argc, char **argv)
{
    NoApplicationTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_noapplication.moc"

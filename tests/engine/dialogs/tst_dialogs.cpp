#include "CommonDlg.h"
#include "DigitKeyFilter.h"
#include "FindForm.h"
#include "FindState.h"
#include "PrintOptForm.h"
#include "PrintOptions.h"
#include "PrintProgressForm.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>

namespace {

// Runs `action` on the modal dialog once the nested loop that shows it has started.
void whenModal(std::function<void(QWidget *)> action)
{
    QTimer::singleShot(0, [action] {
        QWidget *modal = QApplication::activeModalWidget();
        QVERIFY(modal);
        action(modal);
    });
}

void click(QWidget *dialog, const char *name)
{
    auto *button = dialog->findChild<QPushButton *>(QLatin1String(name));
    QVERIFY(button);
    button->click();
}

struct FakePrinters
{
    QStringList installed {
        QStringLiteral("Alpha"), QStringLiteral("RouvelPDF"), QStringLiteral("Zeta")};
    QString current = QStringLiteral("RouvelPDF");
    QString engineDefault;
    QStringList madeCurrent;

    PrinterAccess access()
    {
        PrinterAccess a;
        a.installed = [this] { return installed; };
        a.currentName = [this] { return current; };
        a.makeCurrent = [this](const QString &name) {
            madeCurrent.append(name);
            current = name;
        };
        a.engineDefault = [this] { return engineDefault; };
        a.setEngineDefault = [this](const QString &name) { engineDefault = name; };
        return a;
    }
};

} // namespace

class tst_Dialogs : public QObject
{
    Q_OBJECT
private slots:
    void findHistory_data();
    void findHistory();
    void findFormRemembersLastSearch();
    void findFormCancelKeepsEarlierSearch();
    void findFormKeys_data();
    void findFormKeys();

    void printerToSelect_data();
    void printerToSelect();
    void printerToApply_data();
    void printerToApply();
    void fieldValue_data();
    void fieldValue();
    void printOptFormOpensWithFields();
    void printOptFormFieldFilter();
    void printOptFormNumbersRoundTrip_data();
    void printOptFormNumbersRoundTrip();
    void printOptFormLongPageCount_data();
    void printOptFormLongPageCount();
    void printOptFormClosedOtherwiseIsCancelled_data();
    void printOptFormClosedOtherwiseIsCancelled();
    void printOptFormOkAppliesPrinter();
    void printOptFormOkWithUnknownPrinterChangesNothing();

    void progressBarWidth_data();
    void progressBarWidth();
    void progressStartsJobOnceShown();

    void saveFilters();
    void saveDialogCancelled();
    void saveDialogAddsDefaultSuffix();
};

// Each row: the texts confirmed one after another, and the history then expected.
void tst_Dialogs::findHistory_data()
{
    QTest::addColumn<QStringList>("searches");
    QTest::addColumn<QStringList>("expectedList");
    QTest::addColumn<QString>("expectedFirstSlot");

    QStringList eleven;
    QStringList lastTen;
    for (int i = 1; i <= 11; ++i)
        eleven.append(QStringLiteral("text%1").arg(i));
    for (int i = 11; i >= 2; --i)
        lastTen.append(QStringLiteral("text%1").arg(i));
    QTest::newRow("eleven searches keep the last ten") << eleven << lastTen << "text11";
    QTest::newRow("same text twice is one entry")
        << QStringList {"abc", "abc"} << QStringList {"abc"} << "abc";
    QTest::newRow("an earlier text is added again")
        << QStringList {"a", "b", "a"} << QStringList {"a", "b", "a"} << "a";
    QTest::newRow("empty text on empty history is not listed")
        << QStringList {""} << QStringList {} << "";
    QTest::newRow("blank entry hidden, later ones listed")
        << QStringList {"x", " "} << QStringList {"x"} << " ";
}

void tst_Dialogs::findHistory()
{
    QFETCH(QStringList, searches);
    QFETCH(QStringList, expectedList);
    QFETCH(QString, expectedFirstSlot);

    FindState state;
    for (const QString &text : searches)
        state.confirm(state.listForOpening(), text, false);
    QCOMPARE(state.listForOpening(), expectedList);
    QCOMPARE(state.history().at(0), expectedFirstSlot);
    QCOMPARE(state.SearchString, searches.last());
    QCOMPARE(state.ModalResult, 1);
}

void tst_Dialogs::findFormRemembersLastSearch()
{
    FindState state;
    FindForm form(state);
    QCOMPARE(form.windowTitle(), QStringLiteral("Find Text"));

    whenModal([](QWidget *dialog) {
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("SearchText"));
        auto *check = dialog->findChild<QCheckBox *>(QStringLiteral("StartTopChk"));
        QCOMPARE(combo->count(), 0);
        QVERIFY(!check->isChecked());
        combo->setEditText(QStringLiteral("abc"));
        check->setChecked(true);
        click(dialog, "OkBtn");
    });
    QCOMPARE(form.run(), 1);
    QCOMPARE(state.SearchString, QStringLiteral("abc"));
    QVERIFY(state.StartTop);

    whenModal([](QWidget *dialog) {
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("SearchText"));
        QCOMPARE(combo->count(), 1);
        QCOMPARE(combo->currentText(), QStringLiteral("abc"));
        QVERIFY(dialog->findChild<QCheckBox *>(QStringLiteral("StartTopChk"))->isChecked());
        click(dialog, "CancelBtn");
    });
    QCOMPARE(form.run(), 2);
}

void tst_Dialogs::findFormCancelKeepsEarlierSearch()
{
    FindState state;
    state.confirm({}, QStringLiteral("total"), false);
    FindForm form(state);
    whenModal([](QWidget *dialog) {
        dialog->findChild<QComboBox *>(QStringLiteral("SearchText"))
            ->setEditText(QStringLiteral("other"));
        dialog->close(); // the close box
    });
    QCOMPARE(form.run(), 2);
    QCOMPARE(state.ModalResult, 2);
    QCOMPARE(state.SearchString, QStringLiteral("total"));
    QCOMPARE(state.listForOpening(), QStringList {QStringLiteral("total")});
}

// Enter takes the default button and Escape the cancel button, from the search field.
void tst_Dialogs::findFormKeys_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("result");
    QTest::addColumn<QString>("searchString");
    QTest::newRow("Enter confirms") << int(Qt::Key_Return) << 1 << "typed";
    QTest::newRow("Escape cancels") << int(Qt::Key_Escape) << 2 << "earlier";
}

void tst_Dialogs::findFormKeys()
{
    QFETCH(int, key);
    QFETCH(int, result);
    QFETCH(QString, searchString);
    FindState state;
    state.confirm({}, QStringLiteral("earlier"), false);
    FindForm form(state);
    whenModal([key](QWidget *dialog) {
        auto *combo = dialog->findChild<QComboBox *>(QStringLiteral("SearchText"));
        QVERIFY(combo);
        combo->setEditText(QString());
        QTest::keyClicks(combo->lineEdit(), QStringLiteral("typed"));
        QTest::keyClick(combo->lineEdit(), Qt::Key(key));
        if (dialog->isVisible())
            static_cast<QDialog *>(dialog)->reject();
    });
    QCOMPARE(form.run(), result);
    QCOMPARE(state.SearchString, searchString);
}

void tst_Dialogs::printerToSelect_data()
{
    QTest::addColumn<QString>("wanted");
    QTest::addColumn<QString>("current");
    QTest::addColumn<int>("index");
    QTest::newRow("wanted printer") << "Zeta"
                                    << "Alpha" << 2;
    QTest::newRow("blank takes the current printer") << "  "
                                                     << "RouvelPDF" << 1;
    QTest::newRow("exact case only") << "zeta"
                                     << "Alpha" << -1;
    QTest::newRow("not trimmed") << " Zeta"
                                 << "Alpha" << -1;
    QTest::newRow("not installed") << "Gone"
                                   << "Alpha" << -1;
}

void tst_Dialogs::printerToSelect()
{
    QFETCH(QString, wanted);
    QFETCH(QString, current);
    QFETCH(int, index);
    const QStringList installed {"Alpha", "RouvelPDF", "Zeta"};
    QCOMPARE(PrintOptions::indexToSelect(installed, wanted, current), index);
}

void tst_Dialogs::printerToApply_data()
{
    QTest::addColumn<QString>("chosen");
    QTest::addColumn<int>("index");
    QTest::newRow("exact") << "Zeta" << 2;
    QTest::newRow("trimmed both sides") << " Beta " << 1;
    QTest::newRow("case matters") << "zeta" << -1;
    QTest::newRow("none chosen") << "" << -1;
}

void tst_Dialogs::printerToApply()
{
    QFETCH(QString, chosen);
    QFETCH(int, index);
    QCOMPARE(PrintOptions::indexToApply({"Alpha", "Beta ", "Zeta", "Zeta"}, chosen), index);
}

void tst_Dialogs::fieldValue_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::newRow("digits") << "12" << 12;
    QTest::newRow("empty") << "" << 0;
    QTest::newRow("letters") << "ab" << 0;
    QTest::newRow("leading zeros") << "007" << 7;
    QTest::newRow("half to even down") << "2.5" << 2;
    QTest::newRow("half to even up") << "3.5" << 4;
    QTest::newRow("saturates") << "99999" << 32767;
    QTest::newRow("stops at a letter") << "4x5" << 4;
}

void tst_Dialogs::fieldValue()
{
    QFETCH(QString, text);
    QFETCH(int, value);
    QCOMPARE(int(PrintOptions::fieldValue(text)), value);
}

void tst_Dialogs::printOptFormOpensWithFields()
{
    FakePrinters printers;
    PrintOptions options;
    options.FromPage = 1;
    options.ToPage = 5;
    options.Copies = 1;
    PrintOptForm form(options, printers.access());
    QCOMPARE(form.windowTitle(), QStringLiteral("Print Options"));

    // Empty DefaultPrinter: the current printer is offered.
    whenModal([](QWidget *dialog) {
        auto *form = qobject_cast<PrintOptForm *>(dialog);
        QVERIFY(form);
        // The installed printers, then the destination "PDF file".
        QCOMPARE(form->printerList()->count(), 4);
        QCOMPARE(form->printerList()->itemText(3), QStringLiteral("PDF file"));
        QCOMPARE(form->printerList()->currentText(), QStringLiteral("RouvelPDF"));
        QCOMPARE(form->fromPageEdit()->text(), QStringLiteral("1"));
        QCOMPARE(form->toPageEdit()->text(), QStringLiteral("5"));
        QCOMPARE(form->copiesEdit()->text(), QStringLiteral("1"));
        click(dialog, "CancelBtn");
    });
    QCOMPARE(form.run(), 2);

    printers.engineDefault = QStringLiteral("Zeta");
    whenModal([](QWidget *dialog) {
        QCOMPARE(qobject_cast<PrintOptForm *>(dialog)->printerList()->currentText(),
            QStringLiteral("Zeta"));
        click(dialog, "CancelBtn");
    });
    form.run();

    printers.engineDefault = QStringLiteral("Gone");
    whenModal([](QWidget *dialog) {
        QCOMPARE(qobject_cast<PrintOptForm *>(dialog)->printerList()->currentIndex(), -1);
        click(dialog, "CancelBtn");
    });
    form.run();

    // No printer installed: only the PDF file, chosen.
    printers.installed.clear();
    printers.current.clear();
    QStringList listed;
    bool pdfChosen = false;
    whenModal([&listed, &pdfChosen](QWidget *dialog) {
        auto *form = qobject_cast<PrintOptForm *>(dialog);
        QVERIFY(form);
        for (int i = 0; i < form->printerList()->count(); ++i)
            listed.append(form->printerList()->itemText(i));
        pdfChosen = form->pdfChosen();
        click(dialog, "CancelBtn");
    });
    form.run();
    QCOMPARE(listed, QStringList {QStringLiteral("PDF file")});
    QVERIFY(pdfChosen);
}

void tst_Dialogs::printOptFormFieldFilter()
{
    FakePrinters printers;
    PrintOptions options;
    PrintOptForm form(options, printers.access());
    int beeps = 0;
    form.keyFilter()->setBeep([&beeps] { ++beeps; });
    form.show();

    QLineEdit *from = form.fromPageEdit();
    from->clear();
    QTest::keyClicks(from, QStringLiteral("1a2"));
    QCOMPARE(from->text(), QStringLiteral("12"));
    QCOMPARE(beeps, 1);
    QTest::keyClick(from, Qt::Key_Backspace);
    QCOMPARE(from->text(), QStringLiteral("1"));
    QTest::keyClicks(from, QStringLiteral("2345"));
    QCOMPARE(from->text(), QStringLiteral("123"));
    QTest::keyClicks(from, QStringLiteral("-."));
    QCOMPARE(beeps, 3);
    QTest::keyClick(from, Qt::Key_V, Qt::ControlModifier); // no paste round the filter
    QCOMPARE(from->text(), QStringLiteral("123"));

    QLineEdit *copies = form.copiesEdit();
    copies->clear();
    QTest::keyClicks(copies, QStringLiteral("123"));
    QCOMPARE(copies->text(), QStringLiteral("12"));
    QLineEdit *to = form.toPageEdit();
    to->clear();
    QTest::keyClicks(to, QStringLiteral("4567"));
    QCOMPARE(to->text(), QStringLiteral("456"));
}

// The numbers the engine gives are shown whole and come back unchanged on OK, whatever the
// length limit of typing.
void tst_Dialogs::printOptFormNumbersRoundTrip_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    QTest::addColumn<int>("copies");
    QTest::newRow("five pages") << 1 << 5 << 1;
    QTest::newRow("a thousand pages") << 1 << 1234 << 1;
    QTest::newRow("first after last") << 3 << 2 << 1;
    QTest::newRow("a hundred copies") << 1 << 5 << 100;
    QTest::newRow("no copies") << 1 << 5 << 0;
}

void tst_Dialogs::printOptFormNumbersRoundTrip()
{
    QFETCH(int, from);
    QFETCH(int, to);
    QFETCH(int, copies);
    FakePrinters printers;
    PrintOptions options;
    options.FromPage = qint16(from);
    options.ToPage = qint16(to);
    options.Copies = qint16(copies);
    PrintOptForm form(options, printers.access());
    QStringList shown;
    whenModal([&shown](QWidget *dialog) {
        auto *form = qobject_cast<PrintOptForm *>(dialog);
        QVERIFY(form);
        shown = QStringList {
            form->fromPageEdit()->text(), form->toPageEdit()->text(), form->copiesEdit()->text()};
        click(dialog, "OkBtn");
    });
    QCOMPARE(form.run(), 1);
    QCOMPARE(
        shown, (QStringList {QString::number(from), QString::number(to), QString::number(copies)}));
    QCOMPARE(int(options.FromPage), from);
    QCOMPARE(int(options.ToPage), to);
    QCOMPARE(int(options.Copies), copies);
    // Typing is still held to the designed lengths on the next opening.
    options.ToPage = 5;
    options.Copies = 1;
    QStringList typed;
    whenModal([&typed](QWidget *dialog) {
        auto *form = qobject_cast<PrintOptForm *>(dialog);
        QVERIFY(form);
        for (QLineEdit *edit : {form->toPageEdit(), form->copiesEdit()}) {
            edit->clear();
            QTest::keyClicks(edit, QStringLiteral("12345"));
            typed.append(edit->text());
        }
        click(dialog, "CancelBtn");
    });
    QCOMPARE(form.run(), 2);
    QCOMPARE(typed, (QStringList {"123", "12"}));
}

// A page count longer than the page fields' three digits is shown whole; typing may shorten
// it or replace it, but never makes a field longer than three digits. Each row: the count
// shown, what the user does, and the field's text after it.
void tst_Dialogs::printOptFormLongPageCount_data()
{
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("beeps");
    QTest::newRow("shown whole") << 1234 << ""
                                 << "1234" << 0;
    QTest::newRow("largest count") << 32767 << ""
                                   << "32767" << 0;
    QTest::newRow("a fifth digit is refused") << 1234 << "type 5"
                                              << "1234" << 0;
    QTest::newRow("backspace shortens it") << 1234 << "backspace"
                                           << "123" << 0;
    QTest::newRow("back to three, a fourth digit is refused") << 1234 << "backspace, type 9"
                                                              << "123" << 0;
    QTest::newRow("replaced by typing, three digits kept") << 1234 << "select all, type 98765"
                                                           << "987" << 0;
    QTest::newRow("pasting more digits is refused") << 1234 << "insert 99"
                                                    << "1234" << 0;
    QTest::newRow("pasting a letter is refused") << 12 << "insert a"
                                                 << "12" << 0;
    QTest::newRow("a letter beeps") << 1234 << "type x"
                                    << "1234" << 1;
}

void tst_Dialogs::printOptFormLongPageCount()
{
    QFETCH(int, count);
    QFETCH(QString, action);
    QFETCH(QString, text);
    QFETCH(int, beeps);
    FakePrinters printers;
    PrintOptions options;
    options.FromPage = 1;
    options.ToPage = qint16(count);
    options.Copies = 1;
    PrintOptForm form(options, printers.access());
    int beeped = 0;
    form.keyFilter()->setBeep([&beeped] { ++beeped; });
    QString shown;
    whenModal([&](QWidget *) {
        QLineEdit *to = form.toPageEdit();
        to->setFocus();
        to->end(false);
        for (const QString &step : action.split(QStringLiteral(", "), Qt::SkipEmptyParts)) {
            if (step == QLatin1String("backspace"))
                QTest::keyClick(to, Qt::Key_Backspace);
            else if (step == QLatin1String("select all"))
                to->selectAll();
            else if (step.startsWith(QLatin1String("type ")))
                QTest::keyClicks(to, step.mid(5));
            else if (step.startsWith(QLatin1String("insert ")))
                to->insert(step.mid(7));
        }
        shown = to->text();
        click(&form, "OkBtn");
    });
    QCOMPARE(form.run(), 1);
    QCOMPARE(shown, text);
    QCOMPARE(int(options.ToPage), text.toInt());
    QCOMPARE(beeped, beeps);
}

void tst_Dialogs::printOptFormClosedOtherwiseIsCancelled_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("cancel button") << false;
    QTest::newRow("close box") << true;
}

void tst_Dialogs::printOptFormClosedOtherwiseIsCancelled()
{
    QFETCH(bool, closeBox);
    FakePrinters printers;
    PrintOptions options;
    PrintOptForm form(options, printers.access());
    whenModal([](QWidget *dialog) { click(dialog, "OkBtn"); });
    QCOMPARE(form.run(), 1);
    whenModal([closeBox](QWidget *dialog) {
        if (closeBox)
            dialog->close();
        else
            click(dialog, "CancelBtn");
    });
    QCOMPARE(form.run(), 2);
    QCOMPARE(options.ModalResult, 2);
}

void tst_Dialogs::printOptFormOkAppliesPrinter()
{
    FakePrinters printers;
    PrintOptions options;
    options.FromPage = 1;
    options.ToPage = 5;
    options.Copies = 1;
    PrintOptForm form(options, printers.access());
    whenModal([](QWidget *dialog) {
        auto *form = qobject_cast<PrintOptForm *>(dialog);
        form->printerList()->setCurrentIndex(2);
        form->fromPageEdit()->setText(QStringLiteral("2"));
        form->toPageEdit()->setText(QString());
        form->copiesEdit()->setText(QStringLiteral("3"));
        click(dialog, "OkBtn");
    });
    QCOMPARE(form.run(), 1);
    QCOMPARE(options.PrinterName, QStringLiteral("Zeta"));
    QCOMPARE(options.FromPage, qint16(2));
    QCOMPARE(options.ToPage, qint16(0));
    QCOMPARE(options.Copies, qint16(3));
    QCOMPARE(printers.engineDefault, QStringLiteral("Zeta"));
    QCOMPARE(printers.madeCurrent, QStringList {QStringLiteral("Zeta")});

    whenModal([](QWidget *dialog) {
        QCOMPARE(qobject_cast<PrintOptForm *>(dialog)->printerList()->currentText(),
            QStringLiteral("Zeta"));
        click(dialog, "CancelBtn");
    });
    form.run();
}

void tst_Dialogs::printOptFormOkWithUnknownPrinterChangesNothing()
{
    FakePrinters printers;
    printers.engineDefault = QStringLiteral("Gone");
    PrintOptions options;
    PrintOptForm form(options, printers.access());
    whenModal([](QWidget *dialog) { click(dialog, "OkBtn"); });
    QCOMPARE(form.run(), 1);
    QCOMPARE(options.PrinterName, QString());
    QCOMPARE(printers.engineDefault, QStringLiteral("Gone"));
    QVERIFY(printers.madeCurrent.isEmpty());
}

void tst_Dialogs::progressBarWidth_data()
{
    QTest::addColumn<float>("fraction");
    QTest::addColumn<int>("twips");
    QTest::newRow("nothing done") << 0.0f << 0;
    QTest::newRow("half, 1552.5 to even") << 0.5f << 1552;
    QTest::newRow("all") << 1.0f << 3105;
    QTest::newRow("a third") << float(1.0 / 3.0) << 1035;
    QTest::newRow("below zero") << -0.5f << 0;
}

void tst_Dialogs::progressBarWidth()
{
    QFETCH(float, fraction);
    QFETCH(int, twips);
    QCOMPARE(PrintProgressForm::barWidthTwips(fraction), twips);
    PrintProgressForm form({});
    form.setProgress(fraction);
    QCOMPARE(form.barTwips(), twips);
}

void tst_Dialogs::progressStartsJobOnceShown()
{
    QList<float> seen;
    bool visibleWhenStarted = false;
    bool visibleAfterEscape = false;
    bool visibleAfterClose = false;
    PrintProgressForm form([&](PrintProgressForm &dialog) {
        visibleWhenStarted = dialog.isVisible();
        for (float f : {0.25f, 0.5f, 1.0f}) {
            dialog.setProgress(f);
            seen.append(dialog.barTwips());
            QCoreApplication::processEvents();
        }
        // Only the job closes the box.
        QTest::keyClick(&dialog, Qt::Key_Escape);
        visibleAfterEscape = dialog.isVisible();
        dialog.close();
        visibleAfterClose = dialog.isVisible();
        dialog.accept();
    });
    QVERIFY(form.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(form.exec(), int(QDialog::Accepted));
    QVERIFY(visibleWhenStarted);
    QVERIFY(visibleAfterEscape);
    QVERIFY(visibleAfterClose);
    QVERIFY(!form.isVisible());
    QCOMPARE(seen, (QList<float> {776, 1552, 3105}));

    // Once the job has ended, the box closes like any other.
    PrintProgressForm idle({});
    idle.show();
    QVERIFY(idle.isVisible());
    QTest::keyClick(&idle, Qt::Key_Escape);
    QVERIFY(!idle.isVisible());
}

void tst_Dialogs::saveFilters()
{
    const QString filter = QStringLiteral("Text Files (*.txt)") + QChar(0) + "*.txt" + QChar(0)
        + "All Files (*.*)" + QChar(0) + "*.*" + QChar(0) + QChar(0);
    QCOMPARE(
        CommonDlg::nameFilters(filter), (QStringList {"Text Files (*.txt)", "All Files (*.*)"}));
    QCOMPARE(CommonDlg::nameFilters(QStringLiteral("Reports") + QChar(0) + "*.rpt" + QChar(0)),
        QStringList {"Reports (*.rpt)"});
}

void tst_Dialogs::saveDialogCancelled()
{
    QString name = QStringLiteral("stale");
    whenModal([](QWidget *dialog) {
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Save Report"));
        static_cast<QDialog *>(dialog)->reject();
    });
    QVERIFY(!CommonDlg::SaveFileDialog(nullptr, QStringLiteral("Save Report"), QString(), QString(),
        QStringLiteral(".txt"), CommonDlg::HideReadOnly, name));
    QVERIFY(name.isEmpty());
}

void tst_Dialogs::saveDialogAddsDefaultSuffix()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    // An existing file is chosen without any question.
    QFile existing(dir.filePath(QStringLiteral("report.txt")));
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.close();
    QString name;
    whenModal([&dir](QWidget *dialog) {
        auto *files = qobject_cast<QFileDialog *>(dialog);
        QVERIFY(files);
        QVERIFY(files->testOption(QFileDialog::DontConfirmOverwrite));
        QCOMPARE(files->defaultSuffix(), QStringLiteral("txt"));
        files->selectFile(dir.filePath(QStringLiteral("report")));
        static_cast<QDialog *>(files)->accept();
    });
    QVERIFY(CommonDlg::SaveFileDialog(nullptr, QStringLiteral("Save Report"), QString(), dir.path(),
        QStringLiteral(".txt"), CommonDlg::HideReadOnly, name));
    QCOMPARE(name, dir.filePath(QStringLiteral("report.txt")));
}

QTEST_MAIN(tst_Dialogs)
#include "tst_dialogs.moc"

#include "RateGridFixture.h"

#include "cli/QuoteCommand.h"
#include "data/DataError.h"
#include "rateadjust/RateAdjustment.h"
#include "rateadjust/RateCellDelegate.h"
#include "rateadjust/RateGridColumns.h"
#include "rateadjust/RateGridModel.h"
#include "rates/BestRateEvaluator.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <memory>

class tst_RateGrid : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void cleanupTestCase();

    void columnsAndFormat_data();
    void columnsAndFormat();
    void destinationColumnIsReadOnly();
    void parseRate_data();
    void parseRate();
    void editTextReadsBack();
    void valiText_data();
    void valiText();
    void choiceByRateType_data();
    void choiceByRateType();
    void readAnswer_data();
    void readAnswer();
    void emptiedCellStoresNull();
    void rowWrittenWhenLeft();
    void notANumberChangesNothing_data();
    void notANumberChangesNothing();
    void refusedWriteShowsStoredRates();
    void revertForgetsTypedRates();
    void editedRateReachesEvaluation_data();
    void editedRateReachesEvaluation();
    void carriersServingDestination_data();
    void carriersServingDestination();

private:
    RateGridModel &openGrid(const char *carrier, RateKind kind);
    int row(const QString &destination) const;

    std::unique_ptr<RateGridFixture> m_fixture;
    std::unique_ptr<RateAdjustment> m_logic;
    bool m_fileChanged = false;
};

void tst_RateGrid::init()
{
    // Building the file takes a while; only a test that wrote to it needs a new one.
    if (!m_fixture || m_fileChanged) {
        m_logic.reset();
        m_fixture = std::make_unique<RateGridFixture>();
        m_fileChanged = false;
    }
    m_logic = std::make_unique<RateAdjustment>();
    m_logic->setDatabase(Database::open(m_fixture->path()));
    m_logic->load();
}

void tst_RateGrid::cleanup() { m_logic.reset(); }

void tst_RateGrid::cleanupTestCase() { m_fixture.reset(); }

RateGridModel &tst_RateGrid::openGrid(const char *carrier, RateKind kind)
{
    RateGridModel &model = *m_logic->model();
    model.open(m_fixture->database(), kind, m_fixture->carrier(carrier));
    return model;
}

int tst_RateGrid::row(const QString &destination) const
{
    const RateGridModel &model = *m_logic->model();
    for (int r = 0; r < model.rowCount(); ++r) {
        if (model.destination(r) == destination)
            return r;
    }
    return -1;
}

void tst_RateGrid::columnsAndFormat_data()
{
    QTest::addColumn<RateKind>("kind");
    QTest::addColumn<QStringList>("captions");
    QTest::addColumn<QStringList>("chicago"); // ACME's rates for CHICAGO as shown
    QTest::newRow("weight") << RateKind::Weight
                            << QStringList {"Destination", "Min", "LTL", "500 lbs", "1000 lbs",
                                   "2000 lbs", "5000 lbs", "10000 lbs"}
                            << QStringList {"CHICAGO", "55.00$", "10.00$", "9.00$", "8.50$",
                                   "7.00$", "6.50$", "5.25$"};
    QTest::newRow("pallet") << RateKind::Pallet
                            << QStringList {"Destination", "1pal", "2pal", "3pal", "4pal", "5pal",
                                   "6pal", "7pal", "8pal", "9pal", "10pal"}
                            << QStringList {"CHICAGO", "", "44.00$", "42.00$", "37.50$", "", "", "",
                                   "", "", "30.00$"};
}

void tst_RateGrid::columnsAndFormat()
{
    QFETCH(RateKind, kind);
    QFETCH(QStringList, captions);
    QFETCH(QStringList, chicago);

    RateGridModel &model = openGrid("ACME", kind);
    QCOMPARE(model.rateQuery(), RateGridColumns::queryName(kind));
    QCOMPARE(model.columnCount(), captions.size());
    QStringList shown;
    for (int c = 0; c < model.columnCount(); ++c)
        shown << model.headerData(c, Qt::Horizontal).toString();
    QCOMPARE(shown, captions);

    // One row per destination ACME serves, in name order.
    QStringList destinations;
    for (int r = 0; r < model.rowCount(); ++r)
        destinations << model.destination(r);
    QCOMPARE(destinations, m_fixture->servedBy("ACME"));
    QVERIFY(destinations.contains(QStringLiteral("CHICAGO")));

    QStringList cells;
    for (int c = 0; c < model.columnCount(); ++c)
        cells << model.index(row("CHICAGO"), c).data().toString();
    QCOMPARE(cells, chicago);

    // Every rate column writes "# ##0.00$", the blank before the thousands included.
    model.setData(model.index(0, model.columnCount() - 1), QStringLiteral("1234.5"));
    QCOMPARE(
        model.index(0, model.columnCount() - 1).data().toString(), QStringLiteral("1 234.50$"));
}

void tst_RateGrid::destinationColumnIsReadOnly()
{
    for (RateKind kind : {RateKind::Weight, RateKind::Pallet}) {
        RateGridModel &model = openGrid("ACME", kind);
        const QModelIndex destination = model.index(0, RateGridColumns::DestinationColumn);
        QVERIFY(!(model.flags(destination) & Qt::ItemIsEditable));
        QVERIFY(!model.setData(destination, QStringLiteral("12")));
        QCOMPARE(destination.data().toString(), QStringLiteral("CHICAGO"));
        for (int c = 1; c < model.columnCount(); ++c)
            QVERIFY(model.flags(model.index(0, c)) & Qt::ItemIsEditable);
        // No row can be added or removed through the grid.
        QVERIFY(!model.insertRows(0, 1));
        QVERIFY(!model.removeRows(0, 1));
    }
}

void tst_RateGrid::parseRate_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("isRate");
    QTest::addColumn<QVariant>("stored");
    const QVariant none;
    QTest::newRow("empty is no rate") << "" << true << none;
    QTest::newRow("blanks are no rate") << "   " << true << none;
    QTest::newRow("whole") << "12" << true << QVariant(qint64(120000));
    QTest::newRow("zero") << "0" << true << QVariant(qint64(0));
    QTest::newRow("decimals") << "8.5" << true << QVariant(qint64(85000));
    QTest::newRow("leading point") << ".75" << true << QVariant(qint64(7500));
    QTest::newRow("trailing point") << "5." << true << QVariant(qint64(50000));
    QTest::newRow("four decimals") << "99.9999" << true << QVariant(qint64(999999));
    QTest::newRow("fifth rounds up") << "1.23456" << true << QVariant(qint64(12346));
    QTest::newRow("half to even, down") << "1.00005" << true << QVariant(qint64(10000));
    QTest::newRow("half to even, up") << "1.00015" << true << QVariant(qint64(10002));
    QTest::newRow("past half") << "1.000051" << true << QVariant(qint64(10001));
    QTest::newRow("largest") << "922337203685477.5807" << true
                             << QVariant(qint64(9223372036854775807));
    QTest::newRow("two points") << "1.2.3" << false << none;
    QTest::newRow("point alone") << "." << false << none;
    QTest::newRow("letters") << "12a" << false << none;
    QTest::newRow("minus") << "-1" << false << none;
    QTest::newRow("comma") << "1,5" << false << none;
    QTest::newRow("too large") << "922337203685477.5808" << false << none;
    QTest::newRow("far too large") << "99999999999999999999" << false << none;
}

void tst_RateGrid::parseRate()
{
    QFETCH(QString, typed);
    QFETCH(bool, isRate);
    QFETCH(QVariant, stored);
    QVariant value(QStringLiteral("untouched"));
    QCOMPARE(RateGridColumns::parseRate(typed, &value), isRate);
    if (!isRate) {
        QCOMPARE(value, QVariant(QStringLiteral("untouched")));
        return;
    }
    QCOMPARE(value.isNull(), stored.isNull());
    if (!stored.isNull())
        QCOMPARE(value.toLongLong(), stored.toLongLong());
}

void tst_RateGrid::editTextReadsBack()
{
    // What the editor offers is read back to the very same rate, so a cell merely opened and
    // left changes nothing.
    for (qint64 units : {qint64(0), qint64(5), qint64(85000), qint64(999999), qint64(123456789),
             qint64(9223372036854775807)}) {
        QVariant back;
        const QString text = RateGridColumns::editText(QVariant(units));
        QVERIFY2(RateGridColumns::parseRate(text, &back), qPrintable(text));
        QCOMPARE(back.toLongLong(), units);
    }
    QCOMPARE(RateGridColumns::editText(QVariant(qint64(85000))), QStringLiteral("8.50"));
    QCOMPARE(RateGridColumns::editText(QVariant()), QString());
    QCOMPARE(RateGridColumns::displayText(QVariant()), QString());
}

void tst_RateGrid::valiText_data()
{
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("kept");
    QTest::newRow("digits") << "0123456789" << true;
    QTest::newRow("period") << "." << true;
    QTest::newRow("backspace") << "\b" << true;
    QTest::newRow("small letters") << "abcdefxyz" << false;
    QTest::newRow("capital letters") << "ABCDEFXYZ" << false;
    QTest::newRow("signs and separators") << "-+,$ e" << false;
}

void tst_RateGrid::valiText()
{
    QFETCH(QString, keys);
    QFETCH(bool, kept);
    for (const QChar key : keys)
        QVERIFY2(RateCellDelegate::ValiText(key) == kept, qPrintable(QString(key)));
}

void tst_RateGrid::choiceByRateType_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<RateAdjustment::Choice>("choice");
    QTest::addColumn<bool>("showWeight");
    QTest::addColumn<bool>("showPallet");
    using C = RateAdjustment::Choice;
    QTest::newRow("po") << "ACME" << C::Grid << true << false;
    QTest::newRow("pa") << "BOREAL" << C::Grid << false << true;
    QTest::newRow("popa") << "CARGO'S" << C::Ask << false << false;
    QTest::newRow("no type") << "DELTA" << C::NoGrid << false << false;
    QTest::newRow("unknown type") << "EAGLE" << C::NoGrid << false << false;
}

void tst_RateGrid::choiceByRateType()
{
    QFETCH(QString, carrier);
    QFETCH(RateAdjustment::Choice, choice);
    QFETCH(bool, showWeight);
    QFETCH(bool, showPallet);

    int index = -1;
    for (int i = 0; i < m_logic->carriers().size(); ++i) {
        if (m_logic->carriers()[i].name == carrier)
            index = i;
    }
    QVERIFY(index >= 0);
    // A grid of another carrier is open: whatever the choice, it must not stay.
    m_logic->chooseCarrier(0);
    m_logic->affichetarif();
    QVERIFY(m_logic->shownKind().has_value());

    QCOMPARE(m_logic->chooseCarrier(index), choice);
    QCOMPARE(m_logic->selectedCarrierNo(), m_fixture->carrier(carrier.toUtf8().constData()));
    QCOMPARE(m_logic->showWeight(), showWeight);
    QCOMPARE(m_logic->showPallet(), showPallet);
    m_logic->affichetarif();
    QCOMPARE(m_logic->showWeight() || m_logic->showPallet(), false);
    if (showWeight || showPallet) {
        QCOMPARE(m_logic->shownKind(), showWeight ? RateKind::Weight : RateKind::Pallet);
        QCOMPARE(m_logic->model()->carrierNo(), m_logic->selectedCarrierNo());
    } else {
        QVERIFY(!m_logic->shownKind().has_value());
        QCOMPARE(m_logic->model()->rowCount(), 0);
    }
}

void tst_RateGrid::readAnswer_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<RateAdjustment::Answer>("answer");
    using A = RateAdjustment::Answer;
    QTest::newRow("1") << "1" << A::Weight;
    QTest::newRow("2") << "2" << A::Pallet;
    QTest::newRow("nothing") << "" << A::Nothing;
    QTest::newRow("cancelled") << QString() << A::Nothing;
    QTest::newRow("x") << "x" << A::Invalid;
    QTest::newRow("3") << "3" << A::Invalid;
    QTest::newRow("12") << "12" << A::Invalid;
    QTest::newRow("1 with a blank") << " 1" << A::Invalid;
}

void tst_RateGrid::readAnswer()
{
    QFETCH(QString, reply);
    QFETCH(RateAdjustment::Answer, answer);
    QCOMPARE(RateAdjustment::readAnswer(reply), answer);
    // The answer sets the flag of the grid to load, and only that one.
    m_logic->answer(reply);
    QCOMPARE(m_logic->showWeight(), answer == RateAdjustment::Answer::Weight);
    QCOMPARE(m_logic->showPallet(), answer == RateAdjustment::Answer::Pallet);
}

void tst_RateGrid::emptiedCellStoresNull()
{
    m_fileChanged = true;
    RateGridModel &model = openGrid("ACME", RateKind::Weight);
    const int chicago = row("CHICAGO");
    const int ltl = 2;
    QCOMPARE(model.headerData(ltl, Qt::Horizontal).toString(), QStringLiteral("LTL"));
    QVERIFY(model.setData(model.index(chicago, ltl), QString()));
    QVERIFY(model.submit());

    const auto [value, type] = m_fixture->stored("ACME", "CHICAGO", "LTL");
    QCOMPARE(type, QStringLiteral("null"));
    QVERIFY(value.isNull());
    QCOMPARE(model.index(chicago, ltl).data().toString(), QString());
    // The other rates of the row are untouched.
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "PrixMin").first.toLongLong(), qint64(550000));
}

void tst_RateGrid::rowWrittenWhenLeft()
{
    m_fileChanged = true;
    RateGridModel &model = openGrid("ACME", RateKind::Weight);
    const int chicago = row("CHICAGO");
    const int denver = row("DENVER");
    QVERIFY(model.setData(model.index(chicago, 4), QStringLiteral("8.75")));
    QVERIFY(model.setData(model.index(chicago, 3), QStringLiteral("9.25")));

    // Taken, shown as typed and marked, but not written until the row is left.
    QCOMPARE(model.pendingRow(), chicago);
    QCOMPARE(model.index(chicago, 4).data().toString(), QStringLiteral("8.75$"));
    QVERIFY(!model.headerData(chicago, Qt::Vertical).toString().isEmpty());
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p1000").first.toLongLong(), qint64(85000));

    // Typing in another row writes the row left first, both cells in one save.
    QVERIFY(model.setData(model.index(denver, 1), QStringLiteral("72")));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p1000").first.toLongLong(), qint64(87500));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p500").first.toLongLong(), qint64(92500));
    QCOMPARE(model.pendingRow(), denver);
    QVERIFY(model.headerData(chicago, Qt::Vertical).toString().isEmpty());
    QCOMPARE(m_fixture->stored("ACME", "DENVER", "PrixMin").first.toLongLong(), qint64(700000));

    QVERIFY(model.submit());
    QCOMPARE(model.pendingRow(), -1);
    const auto [value, type] = m_fixture->stored("ACME", "DENVER", "PrixMin");
    QCOMPARE(type, QStringLiteral("integer"));
    QCOMPARE(value.toLongLong(), qint64(720000));

    // A value typed back to what is saved leaves nothing to write.
    QVERIFY(model.setData(model.index(denver, 1), QStringLiteral("72.00")));
    QCOMPARE(model.pendingRow(), -1);
}

void tst_RateGrid::notANumberChangesNothing_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("two points") << "1.2.3";
    QTest::newRow("point alone") << ".";
    QTest::newRow("pasted letters") << "12abc";
}

void tst_RateGrid::notANumberChangesNothing()
{
    m_fileChanged = true;
    QFETCH(QString, typed);
    RateGridModel &model = openGrid("ACME", RateKind::Weight);
    QSignalSpy refused(&model, &RateGridModel::refused);
    const int chicago = row("CHICAGO");

    // A good value typed first in the same row waits; the bad one joins nothing.
    QVERIFY(model.setData(model.index(chicago, 3), QStringLiteral("9.40")));
    QVERIFY(!model.setData(model.index(chicago, 2), typed));
    QCOMPARE(refused.count(), 1);
    const QString message = refused.at(0).at(0).toString();
    QVERIFY2(message.contains(QStringLiteral("CHICAGO")) && message.contains(QStringLiteral("LTL"))
            && message.contains(QLatin1Char('"') + typed + QLatin1Char('"')),
        qPrintable(message));
    QCOMPARE(model.index(chicago, 2).data().toString(), QStringLiteral("10.00$"));

    QVERIFY(model.submit());
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "LTL").first.toLongLong(), qint64(100000));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p500").first.toLongLong(), qint64(94000));
}

void tst_RateGrid::refusedWriteShowsStoredRates()
{
    m_fileChanged = true;
    RateGridModel &model = openGrid("ACME", RateKind::Weight);
    QSignalSpy refused(&model, &RateGridModel::refused);
    const int chicago = row("CHICAGO");
    m_fixture->refuseRateChanges();

    QVERIFY(model.setData(model.index(chicago, 2), QStringLiteral("11")));
    QVERIFY(model.setData(model.index(chicago, 3), QString()));
    QVERIFY(!model.submit());

    QCOMPARE(refused.count(), 1);
    const QString message = refused.at(0).at(0).toString();
    QVERIFY2(
        message.contains(QStringLiteral("CHICAGO")) && message.contains(QStringLiteral("readonly")),
        qPrintable(message));
    // Nothing of the row was written, and the grid shows what is saved.
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "LTL").first.toLongLong(), qint64(100000));
    QCOMPARE(m_fixture->stored("ACME", "CHICAGO", "p500").first.toLongLong(), qint64(90000));
    QCOMPARE(model.pendingRow(), -1);
    QCOMPARE(model.index(chicago, 2).data().toString(), QStringLiteral("10.00$"));
    QCOMPARE(model.index(chicago, 3).data().toString(), QStringLiteral("9.00$"));
    // Nothing is tried again.
    QVERIFY(model.submit());
    QCOMPARE(refused.count(), 1);
}

void tst_RateGrid::revertForgetsTypedRates()
{
    m_fileChanged = true;
    RateGridModel &model = openGrid("BOREAL", RateKind::Pallet);
    const int chicago = row("CHICAGO");
    QVERIFY(model.setData(model.index(chicago, 2), QStringLiteral("41")));
    model.revert();
    QCOMPARE(model.pendingRow(), -1);
    QCOMPARE(model.index(chicago, 2).data().toString(), QStringLiteral("42.50$"));
    QVERIFY(model.submit());
    QCOMPARE(m_fixture->stored("BOREAL", "CHICAGO", "2pal").first.toLongLong(), qint64(425000));
}

void tst_RateGrid::editedRateReachesEvaluation_data()
{
    QTest::addColumn<QString>("typed"); // ACME's 1000 lbs rate for CHICAGO
    QTest::addColumn<QString>("carrier"); // best rate after the change, 1200 lbs and 3 pallets
    QTest::addColumn<QString>("price");
    QTest::addColumn<QStringList>("weightList");
    QTest::newRow("unchanged") << "8.50"
                               << "ACME"
                               << "102.00 $" << QStringList {"ACME", "BOREAL", "CARGO'S"};
    QTest::newRow("lowered") << "8"
                             << "ACME"
                             << "96.00 $" << QStringList {"ACME", "BOREAL", "CARGO'S"};
    QTest::newRow("raised") << "9.95"
                            << "BOREAL"
                            << "109.20 $" << QStringList {"BOREAL", "CARGO'S", "ACME"};
    // A zero rate takes the carrier out of the lists, as the lookups leave zero rates out.
    QTest::newRow("zero") << "0"
                          << "BOREAL"
                          << "109.20 $" << QStringList {"BOREAL", "CARGO'S"};
    QTest::newRow("emptied") << ""
                             << "BOREAL"
                             << "109.20 $" << QStringList {"BOREAL", "CARGO'S"};
}

void tst_RateGrid::editedRateReachesEvaluation()
{
    m_fileChanged = true;
    QFETCH(QString, typed);
    QFETCH(QString, carrier);
    QFETCH(QString, price);
    QFETCH(QStringList, weightList);

    RateGridModel &model = openGrid("ACME", RateKind::Weight);
    QVERIFY(model.setData(model.index(row("CHICAGO"), 4), typed));
    QVERIFY(model.submit());

    // The main window's next evaluation, on a connection of its own.
    BestRateEvaluator evaluator(Database::open(m_fixture->path()));
    evaluator.load();
    evaluator.activate();
    evaluator.setWeightText(QStringLiteral("1200"));
    evaluator.setPalletText(QStringLiteral("3"));
    int chicago = -1;
    for (int i = 0; i < evaluator.state().destRows.size(); ++i) {
        if (evaluator.state().destRows[i].name == QLatin1String("CHICAGO"))
            chicago = i;
    }
    QVERIFY(chicago >= 0);
    QCOMPARE(evaluator.chooseDestination(chicago), QString());
    QCOMPARE(evaluator.state().resultCarrier, carrier);
    QCOMPARE(evaluator.state().resultPrice, price);
    QStringList listed;
    for (const RateRow &rateRow : evaluator.state().weightRows.rows())
        listed << rateRow.carrier;
    QCOMPARE(listed, weightList);

    // rouvel quote on the file gives the same.
    const QuoteCommand::Outcome quote
        = QuoteCommand::run({QStringLiteral("--db"), m_fixture->path(), QStringLiteral("--weight"),
            QStringLiteral("1200"), QStringLiteral("--pallets"), QStringLiteral("3"),
            QStringLiteral("--destination"), QStringLiteral("CHICAGO"), QStringLiteral("--json")});
    QCOMPARE(quote.exitCode, 0);
    const QJsonObject json = QJsonDocument::fromJson(quote.output).object();
    QCOMPARE(json.value(QStringLiteral("carrier")).toString(), carrier);
    QCOMPARE(json.value(QStringLiteral("price")).toString(), price);
    QStringList quoted;
    for (const QJsonValue &rateRow :
        json.value(QStringLiteral("weight")).toObject().value(QStringLiteral("rows")).toArray())
        quoted << rateRow.toObject().value(QStringLiteral("carrier")).toString();
    QCOMPARE(quoted, weightList);
}

void tst_RateGrid::carriersServingDestination_data()
{
    QTest::addColumn<QString>("destination");
    QTest::addColumn<QStringList>("carriers");
    QTest::newRow("several") << "CHICAGO"
                             << QStringList {"ACME", "BOREAL", "CARGO'S", "DELTA", "EAGLE"};
    QTest::newRow("a quote in its name") << "L'ASSOMPTION" << QStringList {"CARGO'S"};
    QTest::newRow("quotes in both names") << "O'KEEFE" << QStringList {"BOREAL", "CARGO'S"};
    QTest::newRow("leading blanks") << "  HULL" << QStringList {"DELTA"};
    QTest::newRow("same name without blanks") << "HULL" << QStringList {"EAGLE"};
    QTest::newRow("served by nobody") << "FARGO" << QStringList {};
}

void tst_RateGrid::carriersServingDestination()
{
    QFETCH(QString, destination);
    QFETCH(QStringList, carriers);
    // The name as the side panel's destination list holds it.
    QVERIFY(m_logic->destinations().contains(destination));
    QCOMPARE(m_logic->carriersServing(destination), carriers);
}

QTEST_MAIN(tst_RateGrid)
#include "tst_rategrid.moc"

#include "data/RateFixture.h"

#include "carriers/CarrierEditor.h"
#include "carriers/CarrierRecord.h"
#include "carriers/DestinationLists.h"

#include <QTest>

#include <memory>

// The carrier window's logic on the small rate file of RateFixture:
//   ALPHA (po) serves NEW YORK and BOSTON; BETA (pa) and GAMMA (popa) NEW YORK;
//   O'BRIEN (popa) NEW YORK and L'ISLET; ZERO (po) NEW YORK and BOSTON; NOWHERE is served by
//   nobody.
class tst_CarrierEditor : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void loadStartsIdle();
    void newCarrierGetsTheDefaultDestination();
    void newCarrierWithoutDefaultDestination();
    void names_data();
    void names();
    void refusedBlankRecordIsNeverWritten_data();
    void refusedBlankRecordIsNeverWritten();
    void refusedNewRecordReachesNoCarrier_data();
    void refusedNewRecordReachesNoCarrier();
    void refusedDuplicateDroppedByReturn();
    void duplicateShortName_data();
    void duplicateShortName();
    void rateType_data();
    void rateType();
    void typedDataIsKept_data();
    void typedDataIsKept();
    void chooserAndUpdateButtons();
    void addDestinationMovesIt();
    void newDestination_data();
    void newDestination();
    void addGuards();
    void remove_data();
    void remove();
    void removeWithEmptyList();
    void cancelHidesRemove();
    void refusals_data();
    void refusals();

private:
    void loadEditor();
    int indexOf(const QString &carrier) const;
    void choose(const QString &carrier);
    void addCarrier(const QString &shortName, const QString &longName);
    int count(const QString &sql) { return m_fixture->scalar(sql).toInt(); }
    QString storedField(const QString &carrier, const QString &field);

    std::unique_ptr<RateFixture> m_fixture;
    std::unique_ptr<CarrierEditor> m_editor;
};

void tst_CarrierEditor::init()
{
    m_fixture = std::make_unique<RateFixture>();
    loadEditor();
}

void tst_CarrierEditor::cleanup()
{
    m_editor.reset();
    m_fixture.reset();
}

void tst_CarrierEditor::loadEditor()
{
    m_editor = std::make_unique<CarrierEditor>();
    m_editor->load(m_fixture->m_db);
}

int tst_CarrierEditor::indexOf(const QString &carrier) const
{
    return int(m_editor->state().chooserEntries.indexOf(carrier));
}

void tst_CarrierEditor::choose(const QString &carrier)
{
    m_editor->edit();
    m_editor->openChooser();
    const int index = indexOf(carrier);
    QVERIFY2(index >= 0, qPrintable(carrier));
    QCOMPARE(m_editor->chooseCarrier(index), QString());
    QCOMPARE(m_editor->state().currentCarrierNo,
        m_fixture
            ->scalar("SELECT NoTrans FROM IdentTrans WHERE NomTrans = '"
                + QString(carrier).replace("'", "''") + "'")
            .toInt());
}

void tst_CarrierEditor::addCarrier(const QString &shortName, const QString &longName)
{
    QCOMPARE(m_editor->addCarrier(), QString());
    m_editor->setField(CarrierRecord::NomTrans, shortName);
    m_editor->setField(CarrierRecord::NomLongTrans, longName);
}

QString tst_CarrierEditor::storedField(const QString &carrier, const QString &field)
{
    return m_fixture
        ->scalar(QStringLiteral("SELECT COALESCE(%1, '<null>') FROM IdentTrans WHERE NomTrans = "
                                "'%2'")
                     .arg(Schema::quoted(field), carrier))
        .toString();
}

void tst_CarrierEditor::loadStartsIdle()
{
    const CarrierEditorState &s = m_editor->state();
    QVERIFY(!s.editablePanel && !s.destinationsActive && !s.chooserShown);
    QVERIFY(s.editShown && !s.updateShown);
    QVERIFY(!s.flagnouveau && !s.flagMAJ);
    QCOMPARE(s.chooserIndex, -1);
    QCOMPARE(s.chooserEntries, QStringList({"ALPHA", "BETA", "GAMMA", "O'BRIEN", "ZERO"}));
    // The first carrier record is current at load: its rate type shows in the options.
    QCOMPARE(s.rateType, RateType::Weight);
    QVERIFY(!m_editor->destinations().state().flagselection);
}

void tst_CarrierEditor::newCarrierGetsTheDefaultDestination()
{
    m_fixture->exec("INSERT INTO Destination (NomDestination) VALUES ('AAA FIRST BY NAME')");
    addCarrier("DELTA", "Delta Transport inc.");
    m_editor->setField(CarrierRecord::Ville, "Laval");
    m_editor->setRateType(RateType::Both);
    QVERIFY(m_editor->state().updateShown && m_editor->state().flagnouveau);

    QCOMPARE(m_editor->update(), QString());

    const CarrierEditorState &s = m_editor->state();
    QVERIFY(!s.flagnouveau && !s.editablePanel && s.editShown && !s.updateShown);
    QVERIFY(s.chooserEntries.contains("DELTA"));
    QCOMPARE(s.chooserIndex, -1);
    const int delta
        = m_fixture->scalar("SELECT NoTrans FROM IdentTrans WHERE NomTrans = 'DELTA'").toInt();
    QVERIFY(delta > 0);
    QCOMPARE(storedField("DELTA", "NomLongTrans"), QStringLiteral("Delta Transport inc."));
    QCOMPARE(storedField("DELTA", "Ville"), QStringLiteral("Laval"));
    QCOMPARE(storedField("DELTA", "TarifType"), QStringLiteral("popa"));
    QCOMPARE(storedField("DELTA", "Fax"), QStringLiteral("<null>"));

    // Exactly one destination, the first of RequêteNEWYORK, with no rate at all.
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Tarifs WHERE NoTrans = %1").arg(delta)), 1);
    QCOMPARE(m_fixture->scalar(
                 QStringLiteral("SELECT NoDestination FROM Tarifs WHERE NoTrans = %1").arg(delta)),
        QVariant(int(RateFixture::NewYork)));
    QStringList rates;
    for (const QString &column : Schema::weightRateColumns() + Schema::palletRateColumns())
        rates << QStringLiteral("%1 IS NULL").arg(Schema::quoted(column));
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Tarifs WHERE NoTrans = %1 AND %2")
                       .arg(delta)
                       .arg(rates.join(" AND "))),
        1);

    // The new carrier is chosen like any other and lists its one destination.
    choose("DELTA");
    QCOMPARE(m_editor->destinations().state().carrierDestinations, QStringList {"NEW YORK"});
    QCOMPARE(m_editor->state().record[CarrierRecord::Ville], QStringLiteral("Laval"));
}

void tst_CarrierEditor::newCarrierWithoutDefaultDestination()
{
    // A file whose RequêteNEWYORK has no row: no destination at all.
    QTemporaryDir dir;
    const QString path = dir.filePath("empty.rvl");
    Database::create(path, false);
    Database db = Database::open(path);
    {
        QSqlQuery query(db.connection());
        QVERIFY(query.exec("DELETE FROM Destination"));
    }
    CarrierEditor editor;
    editor.load(db);
    editor.addCarrier();
    editor.setField(CarrierRecord::NomTrans, "SOLO");
    editor.setField(CarrierRecord::NomLongTrans, "Solo Freight");
    QCOMPARE(editor.update(), CarrierEditor::noDefaultDestinationMessage());
    QCOMPARE(editor.state().chooserEntries, QStringList {"SOLO"});
    QVERIFY(!editor.state().flagnouveau);
    QSqlQuery tarifs(db.connection());
    QVERIFY(tarifs.exec("SELECT COUNT(*) FROM Tarifs") && tarifs.next());
    QCOMPARE(tarifs.value(0).toInt(), 0);
}

void tst_CarrierEditor::names_data()
{
    QTest::addColumn<bool>("newCarrier");
    QTest::addColumn<QString>("shortName");
    QTest::addColumn<QString>("longName");
    QTest::addColumn<bool>("saved");

    QTest::newRow("new, both") << true << "DELTA"
                               << "Delta inc." << true;
    QTest::newRow("new, no short name") << true << ""
                                        << "Delta inc." << false;
    QTest::newRow("new, no long name") << true << "DELTA"
                                       << "" << false;
    QTest::newRow("new, neither") << true << ""
                                  << "" << false;
    QTest::newRow("new, names of blanks") << true << "   "
                                          << " " << true;
    QTest::newRow("existing, blank names") << false << ""
                                           << "" << true;
}

void tst_CarrierEditor::names()
{
    QFETCH(bool, newCarrier);
    QFETCH(QString, shortName);
    QFETCH(QString, longName);
    QFETCH(bool, saved);

    const int carriers = count("SELECT COUNT(*) FROM IdentTrans");
    if (newCarrier) {
        addCarrier(shortName, longName);
    } else {
        choose("BETA");
        m_editor->chooserLostFocus();
        m_editor->setField(CarrierRecord::NomTrans, shortName);
        m_editor->setField(CarrierRecord::NomLongTrans, longName);
    }
    const QString message = m_editor->update();
    QCOMPARE(message, saved ? QString() : CarrierEditor::missingNamesMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers + (newCarrier && saved ? 1 : 0));
    if (saved)
        QCOMPARE(m_fixture
                     ->scalar(QStringLiteral("SELECT COUNT(*) FROM IdentTrans WHERE "
                                             "NomTrans = '%1' AND COALESCE(NomLongTrans, "
                                             "'') = '%2'")
                                  .arg(shortName, longName))
                     .toInt(),
            1);
    // Saved or refused, the window goes back to idle with new-carrier mode off.
    QVERIFY(!m_editor->state().flagnouveau && !m_editor->state().editablePanel);
    QVERIFY(m_editor->state().editShown && !m_editor->state().updateShown);
}

void tst_CarrierEditor::refusedBlankRecordIsNeverWritten_data()
{
    QTest::addColumn<bool>("editFirst"); // "&Edit" before "&Add carrier": update mode on too
    QTest::newRow("add only") << false;
    QTest::newRow("edit, then add") << true;
}

void tst_CarrierEditor::refusedBlankRecordIsNeverWritten()
{
    QFETCH(bool, editFirst);
    const int carriers = count("SELECT COUNT(*) FROM IdentTrans");
    if (editFirst)
        m_editor->edit();
    addCarrier("", "Legal name only");
    QCOMPARE(m_editor->update(), CarrierEditor::missingNamesMessage());

    // Neither choosing a carrier nor unloading the window writes it later.
    choose("GAMMA");
    QCOMPARE(m_editor->state().record[CarrierRecord::NomTrans], QStringLiteral("GAMMA"));
    choose("ALPHA");
    QCOMPARE(m_editor->unload(), QString());
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE NomLongTrans = 'Legal name only'"), 0);

    // "&Add carrier" afterwards starts from a blank record again.
    QCOMPARE(m_editor->addCarrier(), QString());
    QCOMPARE(m_editor->state().record, CarrierRecord {});
}

void tst_CarrierEditor::refusedNewRecordReachesNoCarrier_data()
{
    QTest::addColumn<QString>("current"); // chosen before "&Add carrier"; empty: the first at load
    QTest::addColumn<QString>("longName");
    QTest::addColumn<QString>("then"); // what drops the refused record
    QTest::newRow("nothing chosen, another carrier chosen") << ""
                                                            << ""
                                                            << "choose";
    QTest::newRow("ZERO chosen, long name only, RETURN") << "ZERO"
                                                         << "Zero Nord"
                                                         << "return";
    QTest::newRow("GAMMA chosen, long name only, unloaded") << "GAMMA"
                                                            << "Gamma Sud"
                                                            << "unload";
}

void tst_CarrierEditor::refusedNewRecordReachesNoCarrier()
{
    QFETCH(QString, current);
    QFETCH(QString, longName);
    QFETCH(QString, then);
    const auto types = [this] {
        return m_fixture
            ->scalar("SELECT group_concat(NomTrans || '=' || COALESCE(TarifType, ''), "
                     "' ') FROM (SELECT * FROM IdentTrans ORDER BY NoTrans)")
            .toString();
    };
    const QString before = types();
    if (!current.isEmpty()) {
        choose(current);
        m_editor->chooserLostFocus();
    }
    const RateType shownBefore = m_editor->state().rateType;
    addCarrier("", longName);
    m_editor->setField(CarrierRecord::Ville, "Matane");
    m_editor->setRateType(shownBefore == RateType::Pallet ? RateType::Weight : RateType::Pallet);
    QCOMPARE(m_editor->update(), CarrierEditor::missingNamesMessage());
    QCOMPARE(types(), before);
    // What was typed and the option wait for a correction.
    QCOMPARE(m_editor->state().record[CarrierRecord::NomLongTrans], longName);
    QCOMPARE(m_editor->state().record[CarrierRecord::Ville], QStringLiteral("Matane"));

    if (then == "choose") {
        choose("BETA");
        QCOMPARE(m_editor->state().rateType, RateType::Pallet);
        QCOMPARE(m_editor->state().record[CarrierRecord::Ville], QString());
        m_editor->chooserLostFocus();
        QCOMPARE(m_editor->update(), QString());
    } else if (then == "return") {
        m_editor->returnToMain();
        QCOMPARE(m_editor->state().rateType, shownBefore);
        QCOMPARE(m_editor->state().record[CarrierRecord::NomTrans], current);
        QCOMPARE(m_editor->addCarrier(), QString());
        QCOMPARE(m_editor->state().record, CarrierRecord {});
        m_editor->returnToMain();
        choose("BETA");
    } else {
        QCOMPARE(m_editor->unload(), QString());
    }
    QCOMPARE(m_editor->unload(), QString());
    QCOMPARE(types(), before);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE Ville = 'Matane'"), 0);
}

void tst_CarrierEditor::refusedDuplicateDroppedByReturn()
{
    const int carriers = count("SELECT COUNT(*) FROM IdentTrans");
    addCarrier("gamma", "Gamma again");
    m_editor->setRateType(RateType::Pallet);
    QCOMPARE(m_editor->update(), CarrierEditor::duplicateMessage());
    QVERIFY(m_editor->state().flagnouveau);
    m_editor->returnToMain();
    QVERIFY(!m_editor->state().flagnouveau);
    for (const QString &name : m_editor->state().chooserEntries) {
        choose(name);
        QCOMPARE(m_editor->state().record[CarrierRecord::NomTrans], name);
    }
    QCOMPARE(m_editor->addCarrier(), QString());
    QCOMPARE(m_editor->state().record, CarrierRecord {});
    m_editor->returnToMain();
    QCOMPARE(m_editor->unload(), QString());
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers);
    QCOMPARE(storedField("GAMMA", "TarifType"), QStringLiteral("popa"));
}

void tst_CarrierEditor::duplicateShortName_data()
{
    QTest::addColumn<bool>("newCarrier");
    QTest::addColumn<QString>("name");
    QTest::newRow("new carrier, same name") << true << "BETA";
    QTest::newRow("new carrier, other case") << true << "beta";
    QTest::newRow("rename") << false << "BETA";
    QTest::newRow("rename, other case") << false << "Beta";
    QTest::newRow("new carrier, accented, other case") << true << "éclair";
    QTest::newRow("rename, accented, other case") << false << "Éclair";
}

void tst_CarrierEditor::duplicateShortName()
{
    QFETCH(bool, newCarrier);
    QFETCH(QString, name);

    m_fixture->exec("INSERT INTO IdentTrans (NomTrans) VALUES ('ÉCLAIR')");
    loadEditor();
    const int carriers = count("SELECT COUNT(*) FROM IdentTrans");
    const int tarifs = count("SELECT COUNT(*) FROM Tarifs");
    if (newCarrier) {
        addCarrier(name, "Another legal name");
    } else {
        choose("ALPHA");
        m_editor->chooserLostFocus();
        m_editor->setField(CarrierRecord::NomTrans, name);
        m_editor->setField(CarrierRecord::Ville, "Rimouski");
    }
    QCOMPARE(m_editor->update(), CarrierEditor::duplicateMessage());

    // Nothing saved, the typed values stay and "&Update" waits for a correction.
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers);
    QCOMPARE(count("SELECT COUNT(*) FROM Tarifs"), tarifs);
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE Ville = 'Rimouski'"), 0);
    const CarrierEditorState &s = m_editor->state();
    QCOMPARE(s.record[CarrierRecord::NomTrans], name);
    QVERIFY(s.editablePanel && s.updateShown && !s.editShown);
    QCOMPARE(s.flagnouveau, newCarrier);

    // Corrected, the same "&Update" saves.
    m_editor->setField(CarrierRecord::NomTrans, "EPSILON");
    QCOMPARE(m_editor->update(), QString());
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans"), carriers + (newCarrier ? 1 : 0));
    QCOMPARE(count("SELECT COUNT(*) FROM IdentTrans WHERE NomTrans = 'EPSILON'"), 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Tarifs"), tarifs + (newCarrier ? 1 : 0));
    QVERIFY(m_editor->state().editShown && !m_editor->state().updateShown);
}

void tst_CarrierEditor::rateType_data()
{
    QTest::addColumn<QString>("stored"); // SQL literal of GAMMA's TarifType
    QTest::addColumn<int>("shown");
    QTest::addColumn<QString>("saved");

    // BETA ("pa") is chosen first.
    QTest::newRow("po") << "'po'" << int(RateType::Weight) << "po";
    QTest::newRow("pa") << "'pa'" << int(RateType::Pallet) << "pa";
    QTest::newRow("popa") << "'popa'" << int(RateType::Both) << "popa";
    QTest::newRow("unknown code") << "'xx'" << int(RateType::Pallet) << "pa";
    QTest::newRow("capitals") << "'PO'" << int(RateType::Pallet) << "pa";
    QTest::newRow("empty") << "''" << int(RateType::Pallet) << "pa";
    QTest::newRow("null") << "NULL" << int(RateType::Pallet) << "pa";
}

void tst_CarrierEditor::rateType()
{
    QFETCH(QString, stored);
    QFETCH(int, shown);
    QFETCH(QString, saved);

    m_fixture->exec(
        qPrintable("UPDATE IdentTrans SET TarifType = " + stored + " WHERE NomTrans = 'GAMMA'"));
    loadEditor();
    choose("BETA");
    QCOMPARE(m_editor->state().rateType, RateType::Pallet);
    choose("GAMMA");
    QCOMPARE(int(m_editor->state().rateType), shown);
    // Choosing alone writes nothing.
    QCOMPARE(m_fixture->scalar("SELECT COALESCE(TarifType, 'null') FROM IdentTrans WHERE "
                               "NomTrans = 'GAMMA'"),
        m_fixture->scalar("SELECT COALESCE(" + stored + ", 'null')"));
    m_editor->chooserLostFocus();
    QCOMPARE(m_editor->update(), QString());
    QCOMPARE(storedField("GAMMA", "TarifType"), saved);
}

void tst_CarrierEditor::typedDataIsKept_data()
{
    QTest::addColumn<QString>("then"); // what makes ALPHA stop being current
    QTest::newRow("another carrier chosen") << "choose";
    QTest::newRow("window unloaded") << "unload";
    QTest::newRow("return, then another carrier") << "return";
    QTest::newRow("add carrier") << "add";
}

void tst_CarrierEditor::typedDataIsKept()
{
    QFETCH(QString, then);

    choose("ALPHA");
    m_editor->setField(CarrierRecord::Ville, "Trois-Rivières");
    m_editor->setField(CarrierRecord::Tel, "819 555-0100 ext 42"); // beyond 15 characters
    m_editor->setField(CarrierRecord::Fax, "");
    m_editor->setRateType(RateType::Both);
    if (then == "choose") {
        m_editor->openChooser(); // the arrow: idle, the record still pending
        QCOMPARE(storedField("ALPHA", "Ville"), QStringLiteral("<null>"));
        QCOMPARE(m_editor->chooseCarrier(indexOf("BETA")), QString());
        QCOMPARE(m_editor->state().record[CarrierRecord::NomTrans], QStringLiteral("BETA"));
    } else if (then == "unload") {
        QCOMPARE(m_editor->unload(), QString());
    } else if (then == "return") {
        m_editor->returnToMain();
        // Neither saved nor discarded.
        QCOMPARE(storedField("ALPHA", "Ville"), QStringLiteral("<null>"));
        QCOMPARE(m_editor->state().record[CarrierRecord::Ville], QStringLiteral("Trois-Rivières"));
        choose("BETA");
    } else {
        QCOMPARE(m_editor->addCarrier(), QString());
    }
    QCOMPARE(storedField("ALPHA", "Ville"), QStringLiteral("Trois-Rivières"));
    QCOMPARE(storedField("ALPHA", "Tel"), QStringLiteral("819 555-0100 ex"));
    QCOMPARE(storedField("ALPHA", "TarifType"), QStringLiteral("popa"));
    QCOMPARE(storedField("ALPHA", "NomTrans"), QStringLiteral("ALPHA"));
    // Untouched fields are left as stored.
    QCOMPARE(storedField("ALPHA", "NomLongTrans"), QStringLiteral("<null>"));
}

void tst_CarrierEditor::chooserAndUpdateButtons()
{
    const CarrierEditorState &s = m_editor->state();
    m_editor->edit();
    QVERIFY(s.chooserShown && s.flagMAJ);
    // Losing the focus before a carrier is chosen changes nothing.
    m_editor->chooserLostFocus();
    QVERIFY(s.chooserShown && s.editShown && !s.updateShown);
    // "&RETURN" without a choice leaves the chooser for the next opening.
    m_editor->returnToMain();
    QVERIFY(s.chooserShown);

    m_editor->openChooser();
    QCOMPARE(m_editor->chooseCarrier(indexOf("O'BRIEN")), QString());
    QVERIFY(s.editablePanel && s.destinationsActive && s.chooserShown && !s.updateShown);
    QCOMPARE(s.chooserIndex, indexOf("O'BRIEN"));
    QCOMPARE(m_editor->destinations().state().carrierListText,
        QStringLiteral("carrier's list of destinations"));
    QCOMPARE(
        m_editor->destinations().state().carrierDestinations, QStringList({"L'ISLET", "NEW YORK"}));
    QCOMPARE(
        m_editor->destinations().state().missingDestinations, QStringList({"BOSTON", "NOWHERE"}));
    m_editor->chooserLostFocus();
    QVERIFY(!s.chooserShown && s.updateShown && !s.editShown);

    // The arrow alone shows the idle presentation; choosing shows the carrier again.
    m_editor->edit();
    m_editor->openChooser();
    QVERIFY(!s.editablePanel && !s.destinationsActive);
}

void tst_CarrierEditor::addDestinationMovesIt()
{
    choose("ALPHA");
    QCOMPARE(
        m_editor->destinations().state().missingDestinations, QStringList({"L'ISLET", "NOWHERE"}));
    m_editor->chooserLostFocus();
    m_editor->update(); // update mode off
    QVERIFY(!m_editor->state().flagMAJ);

    choose("ALPHA");
    m_editor->chooseMissingDestination(1);
    const DestinationListsState &d = m_editor->destinations().state();
    QCOMPARE(d.nameToAdd, QStringLiteral("NOWHERE"));
    QVERIFY(d.flagselection);
    m_editor->update();
    QCOMPARE(m_editor->addDestination(), QString());

    QCOMPARE(d.carrierDestinations, QStringList({"BOSTON", "NEW YORK", "NOWHERE"}));
    QCOMPARE(d.missingDestinations, QStringList {"L'ISLET"});
    QCOMPARE(d.missingIndex, -1);
    QVERIFY(d.nameToAdd.isEmpty());
    QVERIFY(m_editor->state().flagMAJ);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Tarifs WHERE NoTrans = %1 AND "
                                  "NoDestination = %2 AND LTL IS NULL AND \"1pal\" IS NULL")
                       .arg(int(RateFixture::Alpha))
                       .arg(int(RateFixture::Nowhere))),
        1);

    // Another carrier's lists are its own.
    choose("BETA");
    QCOMPARE(d.carrierDestinations, QStringList {"NEW YORK"});
    QCOMPARE(d.missingDestinations, QStringList({"BOSTON", "L'ISLET", "NOWHERE"}));
}

void tst_CarrierEditor::newDestination_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("stored");
    QTest::newRow("small letters") << "new york"
                                   << "NEW YORK";
    QTest::newRow("accents stay") << "québec é"
                                  << "QUéBEC é";
    QTest::newRow("capital accent, digits, signs") << "St-Élie 2 (qc)"
                                                   << "ST-ÉLIE 2 (QC)";
}

void tst_CarrierEditor::newDestination()
{
    QFETCH(QString, typed);
    QFETCH(QString, stored);

    // NEW YORK is free for this test.
    m_fixture->exec("UPDATE Destination SET NomDestination = 'MANHATTAN' WHERE NoDestination = 1");
    choose("BETA");
    const int destinations = count("SELECT COUNT(*) FROM Destination");
    m_editor->setNewDestination(typed);
    QCOMPARE(m_editor->addNewDestination(), QString());

    QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations + 1);
    const QVariant number = m_fixture->scalar(
        "SELECT NoDestination FROM Destination ORDER BY NoDestination DESC LIMIT 1");
    QCOMPARE(m_fixture
                 ->scalar("SELECT NomDestination FROM Destination WHERE NoDestination = "
                     + number.toString())
                 .toString(),
        stored);
    QCOMPARE(count(QStringLiteral("SELECT COUNT(*) FROM Tarifs WHERE NoTrans = %1 AND "
                                  "NoDestination = %2")
                       .arg(int(RateFixture::Beta))
                       .arg(number.toInt())),
        1);
    const DestinationListsState &d = m_editor->destinations().state();
    QVERIFY(d.carrierDestinations.contains(stored));
    QVERIFY(!d.missingDestinations.contains(stored));
    QCOMPARE(d.nameToAdd, stored);
    QVERIFY(d.newDestination.isEmpty());

    // "Add" again while the name still shows: the carrier serves it already.
    const int tarifs = count("SELECT COUNT(*) FROM Tarifs");
    QCOMPARE(m_editor->addDestination(), DestinationLists::alreadyServedMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM Tarifs"), tarifs);

    // Typed again in any case, it already exists.
    m_editor->setNewDestination(typed.toLower());
    QCOMPARE(m_editor->addNewDestination(), DestinationLists::duplicateMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations + 1);
    QCOMPARE(count("SELECT COUNT(*) FROM Tarifs"), tarifs);
}

void tst_CarrierEditor::addGuards()
{
    choose("ALPHA");
    const int tarifs = count("SELECT COUNT(*) FROM Tarifs");
    const int destinations = count("SELECT COUNT(*) FROM Destination");
    QCOMPARE(m_editor->addDestination(), DestinationLists::nothingSelectedMessage());
    m_editor->setNewDestination("");
    QCOMPARE(m_editor->addNewDestination(), DestinationLists::nothingEnteredMessage());
    m_editor->setNewDestination("   ");
    QCOMPARE(m_editor->addNewDestination(), DestinationLists::nothingEnteredMessage());
    m_editor->setNewDestination("boston");
    QCOMPARE(m_editor->addNewDestination(), DestinationLists::duplicateMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM Tarifs"), tarifs);
    QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations);

    // An entry chosen for one carrier is not added to the next one.
    m_editor->chooseMissingDestination(0);
    QCOMPARE(m_editor->destinations().state().nameToAdd, QStringLiteral("L'ISLET"));
    choose("BETA");
    QVERIFY(m_editor->destinations().state().nameToAdd.isEmpty());
    QCOMPARE(m_editor->addDestination(), DestinationLists::nothingSelectedMessage());
    QCOMPARE(count("SELECT COUNT(*) FROM Tarifs"), tarifs);
}

void tst_CarrierEditor::remove_data()
{
    QTest::addColumn<QString>("carrier");
    QTest::addColumn<QString>("chosen"); // empty: no entry chosen
    QTest::addColumn<bool>("answer");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("asked");
    QTest::addColumn<bool>("deleted");

    QTest::newRow("nothing chosen")
        << "BETA"
        << "" << true << DestinationLists::nothingSelectedMessage() << false << false;
    QTest::newRow("served by another carrier only")
        << "BETA"
        << "L'ISLET" << true << DestinationLists::boundMessage() << false << false;
    QTest::newRow("served by two others")
        << "O'BRIEN"
        << "BOSTON" << true << DestinationLists::boundMessage() << false << false;
    QTest::newRow("served by nobody, No") << "BETA"
                                          << "NOWHERE" << false << "" << true << false;
    QTest::newRow("served by nobody, Yes") << "BETA"
                                           << "NOWHERE" << true << "" << true << true;
}

void tst_CarrierEditor::remove()
{
    QFETCH(QString, carrier);
    QFETCH(QString, chosen);
    QFETCH(bool, answer);
    QFETCH(QString, message);
    QFETCH(bool, asked);
    QFETCH(bool, deleted);

    choose(carrier);
    const DestinationListsState &d = m_editor->destinations().state();
    if (!chosen.isEmpty())
        m_editor->chooseMissingDestination(int(d.missingDestinations.indexOf(chosen)));
    const QStringList missingBefore = d.missingDestinations;
    const int destinations = count("SELECT COUNT(*) FROM Destination");

    QString question;
    const QString shown = m_editor->removeDestination([&](const QString &text) {
        question = text;
        return answer;
    });
    QCOMPARE(shown, message);
    QCOMPARE(!question.isEmpty(), asked);
    if (asked)
        QCOMPARE(question,
            QStringLiteral("Do you really want to remove this destination ? \n") + chosen);
    QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations - (deleted ? 1 : 0));
    if (!chosen.isEmpty())
        QCOMPARE(count("SELECT COUNT(*) FROM Destination WHERE NomDestination = '"
                     + QString(chosen).replace("'", "''") + "'"),
            deleted ? 0 : 1);
    if (asked && !answer) {
        // No leaves everything, the chosen entry included.
        QCOMPARE(d.missingDestinations, missingBefore);
        QCOMPARE(d.nameToAdd, chosen);
        QVERIFY(d.missingIndex >= 0);
    } else {
        QVERIFY(d.nameToAdd.isEmpty());
        QCOMPARE(d.missingIndex, -1);
        QCOMPARE(d.missingDestinations.contains(chosen), !chosen.isEmpty() && !deleted);
    }
}

void tst_CarrierEditor::removeWithEmptyList()
{
    choose("ALPHA");
    m_editor->chooseMissingDestination(0);
    QCOMPARE(m_editor->addDestination(), QString());
    m_editor->chooseMissingDestination(0);
    QCOMPARE(m_editor->addDestination(), QString());
    QVERIFY(m_editor->destinations().state().missingDestinations.isEmpty());
    const int destinations = count("SELECT COUNT(*) FROM Destination");
    bool asked = false;
    QCOMPARE(m_editor->removeDestination([&](const QString &) { return asked = true; }),
        DestinationLists::nothingSelectedMessage());
    QVERIFY(!asked);
    QCOMPARE(count("SELECT COUNT(*) FROM Destination"), destinations);
}

void tst_CarrierEditor::cancelHidesRemove()
{
    choose("ALPHA");
    const DestinationListsState &d = m_editor->destinations().state();
    QVERIFY(d.removeShown && !d.cancelShown);
    m_editor->cancelRemove();
    QVERIFY(!d.removeShown && !d.cancelShown);
    // Without a click on an entry first, the right button does nothing.
    QVERIFY(!m_editor->rightButton());
    QVERIFY(!d.removeShown);
    m_editor->clickCarrierDestination();
    QVERIFY(m_editor->rightButton());
    QVERIFY(d.removeShown && d.cancelShown && !d.flagselection);
    // Once used, the right button needs another click.
    m_editor->cancelRemove();
    QVERIFY(!m_editor->rightButton());
    m_editor->chooseMissingDestination(0); // a click on the other list counts too
    QVERIFY(m_editor->rightButton());
    QVERIFY(d.removeShown);
}

void tst_CarrierEditor::refusals_data()
{
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<QString>("action");

    const QString refuse = QStringLiteral("BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END");
    QTest::newRow("new carrier, its destination refused")
        << "BEFORE INSERT ON Tarifs " + refuse << "new carrier";
    QTest::newRow("new carrier refused")
        << "BEFORE INSERT ON IdentTrans " + refuse << "new carrier";
    QTest::newRow("change refused") << "BEFORE UPDATE ON IdentTrans " + refuse << "update";
    QTest::newRow("add destination refused")
        << "BEFORE INSERT ON Tarifs " + refuse << "add destination";
    QTest::newRow("new destination, serving refused")
        << "BEFORE INSERT ON Tarifs " + refuse << "new destination";
    QTest::newRow("removal refused") << "BEFORE DELETE ON Destination " + refuse << "remove";
}

void tst_CarrierEditor::refusals()
{
    QFETCH(QString, trigger);
    QFETCH(QString, action);

    m_fixture->exec(qPrintable("CREATE TRIGGER refuse " + trigger));
    const QString everything = QStringLiteral(
        "SELECT (SELECT COUNT(*) FROM IdentTrans) || '/' || (SELECT COUNT(*) FROM Tarifs) || '/' "
        "|| (SELECT COUNT(*) FROM Destination) || '/' || (SELECT group_concat(COALESCE(Ville, "
        "'-')) FROM IdentTrans)");
    const QString before = m_fixture->scalar(everything).toString();

    QString message;
    if (action == "new carrier") {
        addCarrier("DELTA", "Delta inc.");
        message = m_editor->update();
        // The typed carrier waits for another try.
        QVERIFY(m_editor->state().flagnouveau && m_editor->state().updateShown);
        QCOMPARE(m_editor->state().record[CarrierRecord::NomTrans], QStringLiteral("DELTA"));
    } else if (action == "update") {
        choose("ALPHA");
        m_editor->chooserLostFocus();
        m_editor->setField(CarrierRecord::Ville, "Gaspé");
        message = m_editor->update();
        QVERIFY(m_editor->state().updateShown);
        QCOMPARE(m_editor->state().record[CarrierRecord::Ville], QStringLiteral("Gaspé"));
    } else if (action == "add destination") {
        choose("ALPHA");
        m_editor->chooseMissingDestination(0);
        message = m_editor->addDestination();
    } else if (action == "new destination") {
        choose("ALPHA");
        m_editor->setNewDestination("rimouski");
        message = m_editor->addNewDestination();
    } else {
        choose("ALPHA");
        m_editor->chooseMissingDestination(1);
        message = m_editor->removeDestination([](const QString &) { return true; });
    }
    QVERIFY2(message.contains("disk I/O error"), qPrintable(message));
    QCOMPARE(m_fixture->scalar(everything).toString(), before);
}

QTEST_GUILESS_MAIN(tst_CarrierEditor)
#include "tst_carriereditor.moc"

#pragma once

#include "core/Currency.h"
#include "data/Database.h"
#include "data/RecordSet.h"

#include <QFile>
#include <QHash>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <optional>
#include <utility>

// A small rate database, built through the data layer, whose figures make every case of the
// evaluation known by hand. Rates in dollars; a column left out stays empty, 0 is stored as 0.
//
// CHICAGO
//   PrixMin  DELTA 45  EAGLE 47  CARGO'S 50  ACME 55  BOREAL 60
//   LTL      ACME 10   BOREAL 12  CARGO'S 20  DELTA 0  (EAGLE none)
//   p500     ACME 9    BOREAL 9.50
//   p1000    ACME 8.50 BOREAL 9.10  CARGO'S 9.80
//   p2000    ACME 7
//   p5000    BOREAL 6  ACME 6.50
//   p10000   CARGO'S 5 ACME 5.25
//   2pal     BOREAL 42.50  ACME 44     3pal  ACME 42  BOREAL 45
//   4pal     ACME 37.50    BOREAL 40   10pal BOREAL 28  ACME 30
// DENVER     minimums but no LTL: PrixMin BOREAL 65 ACME 70; 3pal ACME 50; no p1000, no 4pal
// EDMONTON   LTL but no minimum: ACME LTL 11
// FARGO      served by nobody
// GASPE      p500 ACME 9 BOREAL 9.50; PrixMin ACME 55 BOREAL 90; LTL ACME 10 BOREAL 12;
//            1pal ACME 40
// L'ASSOMPTION  CARGO'S p1000 7.25, 1pal 99.9999
// YUKON      rates typed in error, whose prices overflow an amount: ACME p10000 90 000 000 000 000,
//            4pal 900 000 000 000 000, 10pal 500 000 000, and a plain 3pal 42; BOREAL 4pal 1
class BestRateFixture
{
public:
    using Rates = std::initializer_list<std::pair<const char *, double>>;

    BestRateFixture()
    {
        m_path = m_dir.filePath(QStringLiteral("rouvel.rvl"));
        Database::create(m_path, false);
        m_db.emplace(Database::open(m_path));

        for (const char *name : {"ACME", "BOREAL", "CARGO'S", "DELTA", "EAGLE"})
            m_carriers.insert(QString::fromUtf8(name), addRow("IdentTrans", "NomTrans", name));
        for (const char *name : {"CHICAGO", "DENVER", "EDMONTON", "FARGO", "GASPE", "L'ASSOMPTION", "YUKON"})
            m_destinations.insert(
                QString::fromUtf8(name), addRow("Destination", "NomDestination", name));

        tarif("ACME", "CHICAGO",
            {{"PrixMin", 55}, {"LTL", 10}, {"p500", 9}, {"p1000", 8.5}, {"p2000", 7},
                {"p5000", 6.5}, {"p10000", 5.25}, {"2pal", 44}, {"3pal", 42}, {"4pal", 37.5},
                {"10pal", 30}});
        tarif("BOREAL", "CHICAGO",
            {{"PrixMin", 60}, {"LTL", 12}, {"p500", 9.5}, {"p1000", 9.1}, {"p5000", 6},
                {"2pal", 42.5}, {"3pal", 45}, {"4pal", 40}, {"10pal", 28}});
        tarif("CARGO'S", "CHICAGO", {{"PrixMin", 50}, {"LTL", 20}, {"p1000", 9.8}, {"p10000", 5}});
        tarif("DELTA", "CHICAGO", {{"PrixMin", 45}, {"LTL", 0}});
        tarif("EAGLE", "CHICAGO", {{"PrixMin", 47}});
        tarif("ACME", "DENVER", {{"PrixMin", 70}, {"3pal", 50}});
        tarif("BOREAL", "DENVER", {{"PrixMin", 65}});
        tarif("ACME", "EDMONTON", {{"LTL", 11}});
        tarif("ACME", "GASPE", {{"PrixMin", 55}, {"LTL", 10}, {"p500", 9}, {"1pal", 40}});
        tarif("BOREAL", "GASPE", {{"PrixMin", 90}, {"LTL", 12}, {"p500", 9.5}});
        tarif("CARGO'S", "L'ASSOMPTION", {{"p1000", 7.25}, {"1pal", 99.9999}});
        tarif("ACME", "YUKON",
            {{"p10000", 9e13}, {"3pal", 42}, {"4pal", 9e14}, {"10pal", 5e8}});
        tarif("BOREAL", "YUKON", {{"4pal", 1}});
    }

    const QString &path() const { return m_path; }
    const Database &database() const { return *m_db; }
    qint32 destination(const QString &name) const { return m_destinations.value(name); }

    // A row of the bill-of-lading work table, as the bill-of-lading window leaves them.
    void addWorkRow(bool notEmpty)
    {
        RecordSet work = RecordSet::openTable(*m_db, QStringLiteral("TableBLTemp"), true);
        work.addNew();
        work.setField(QStringLiteral("TmpPasVide"), notEmpty ? 1 : 0);
        work.update();
    }

    int workRows(bool notEmpty) const
    {
        RecordSet work = RecordSet::openTable(*m_db, QStringLiteral("TableBLTemp"));
        int count = 0;
        for (work.moveFirst(); !work.eof(); work.moveNext())
            count += work.field(QStringLiteral("TmpPasVide")).toBool() == notEmpty ? 1 : 0;
        return count;
    }

    // Gives a stored query another body, as a damaged or hand-edited file may hold.
    void setQueryBody(const QString &name, const QString &body)
    {
        QSqlQuery query(m_db->connection());
        query.prepare(QStringLiteral("UPDATE StoredQueries SET Body = ? WHERE Name = ?"));
        query.addBindValue(body);
        query.addBindValue(name);
        if (!query.exec() || query.numRowsAffected() != 1)
            qFatal("cannot change the stored query %s", qPrintable(name));
    }

    // Overwrites the first page of the rate table with garbage: SQLite then calls the file
    // malformed when a lookup reads it, while the file still opens.
    void damageRates()
    {
        QSqlQuery query(m_db->connection());
        if (!query.exec(QStringLiteral("PRAGMA page_size")) || !query.next())
            qFatal("cannot read the page size");
        const qint64 pageSize = query.value(0).toLongLong();
        if (!query.exec(QStringLiteral(
                "SELECT rootpage FROM sqlite_master WHERE type = 'table' AND name = 'Tarifs'"))
            || !query.next())
            qFatal("cannot find the rate table");
        const qint64 page = query.value(0).toLongLong();
        query.finish();
        QFile file(m_path);
        if (!file.open(QIODevice::ReadWrite) || !file.seek((page - 1) * pageSize)
            || file.write(QByteArray(int(pageSize), '\xa5')) != pageSize)
            qFatal("cannot damage the rate table");
    }

    void addDestination(const QString &name)
    {
        m_destinations.insert(name, addRow("Destination", "NomDestination", name));
    }

    void addCarrier(const QString &name)
    {
        m_carriers.insert(name, addRow("IdentTrans", "NomTrans", name));
    }

    void tarif(const char *carrier, const char *destination, Rates rates)
    {
        RecordSet tarifs = RecordSet::openTable(*m_db, QStringLiteral("Tarifs"), true);
        tarifs.addNew();
        tarifs.setField(QStringLiteral("NoTrans"), m_carriers.value(QString::fromUtf8(carrier)));
        tarifs.setField(
            QStringLiteral("NoDestination"), m_destinations.value(QString::fromUtf8(destination)));
        for (const auto &[field, dollars] : rates)
            tarifs.setCurrency(QString::fromUtf8(field), Currency::fromDouble(dollars));
        tarifs.update();
    }

private:
    qint32 addRow(const char *table, const char *field, const QString &value)
    {
        RecordSet rows = RecordSet::openTable(*m_db, QString::fromUtf8(table), true);
        rows.addNew();
        rows.setField(QString::fromUtf8(field), value);
        rows.update();
        return qint32(rows.lastAddedId());
    }

    QTemporaryDir m_dir;
    QString m_path;
    std::optional<Database> m_db;
    QHash<QString, qint32> m_carriers;
    QHash<QString, qint32> m_destinations;
};

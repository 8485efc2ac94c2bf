#pragma once

#include "data/Database.h"
#include "data/RecordSet.h"

#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>

#include <initializer_list>
#include <optional>

// A small database for the bill of lading: two carriers, three customers (one without a
// province, one without anything but a name), the own company at Laval, QC and two saved
// numbers, 41 and 57, so the proposed number is 58.
class BillOfLadingFixture
{
public:
    BillOfLadingFixture()
    {
        m_path = m_dir.filePath(QStringLiteral("rouvel.rvl"));
        Database::create(m_path, false);
        m_db.emplace(Database::open(m_path));

        addCarrier("ACME",
            {"Acme Transport Inc.", "12 Rail Road", "Montreal", "QC", "H1A 1A1", "514 555-0001",
                "514 555-0002"});
        addCarrier("BOREAL",
            {"Boreal Freight Ltd", "9 North Way", "Quebec", "QC", "G1K 3X2", "418 555-0100", ""});
        addCustomer(
            {"Atelier Leduc", "220 rue Principale", "Granby", "QC", "J2G 2V5", "450 555-0101"});
        addCustomer({"Plains Supply", "1 Prairie Road", "Fargo", nullptr, "58102", "701 555-0199"});
        addCustomer({"Nameless", nullptr, nullptr, nullptr, nullptr, nullptr});
        setOwnCompany({"Ventilation Rouvel", "100 boul. Industriel", "Laval", "QC", "H7L 4S3",
            "450 555-0000"});
        addSavedNumber(41);
        addSavedNumber(57);
    }

    const QString &path() const { return m_path; }
    const Database &database() const { return *m_db; }

    void addCustomer(std::initializer_list<const char *> values)
    {
        RecordSet rows = RecordSet::openTable(*m_db, QStringLiteral("TableClients"), true);
        rows.addNew();
        setParty(rows, values);
        rows.update();
    }

    void setOwnCompany(std::initializer_list<const char *> values)
    {
        RecordSet own = RecordSet::openTable(*m_db, QStringLiteral("origine"));
        own.edit();
        setParty(own, values);
        own.update();
    }

    void removeOwnCompany()
    {
        RecordSet own = RecordSet::openTable(*m_db, QStringLiteral("origine"));
        while (!own.isEmpty()) {
            own.moveFirst();
            own.deleteCurrent();
            own.requery();
        }
    }

    void addSavedNumber(qint64 number)
    {
        RecordSet rows = RecordSet::openTable(*m_db, QStringLiteral("TableBL"), true);
        rows.addNew();
        rows.setField(QStringLiteral("NoBl"), number);
        rows.update();
    }

    QList<qint64> savedNumbers() const
    {
        RecordSet rows = RecordSet::openTable(*m_db, QStringLiteral("TableBL"));
        QList<qint64> numbers;
        for (rows.moveFirst(); !rows.eof(); rows.moveNext())
            numbers << rows.field(QStringLiteral("NoBl")).toLongLong();
        return numbers;
    }

    // Makes the file refuse every new bill-of-lading number, as a damaged or locked-down
    // installation would.
    void refuseNewNumbers()
    {
        QSqlQuery trigger(m_db->connection());
        const bool made = trigger.exec(QStringLiteral(
            "CREATE TRIGGER RefuseNoBl BEFORE INSERT ON TableBL "
            "BEGIN SELECT RAISE(ABORT, 'the numbers are closed for the year'); END"));
        if (!made)
            qFatal("cannot make TableBL refuse rows");
    }

    // A file from before bill numbers had a unique index, already holding one number twice.
    void makeOlderFileWithRepeatedNumber(qint64 number)
    {
        QSqlQuery sql(m_db->connection());
        if (!sql.exec(QStringLiteral("DROP INDEX TableBL_NoBl"))
            || !sql.exec(QStringLiteral("INSERT INTO TableBL (NoBl) VALUES (%1), (%1)").arg(number)))
            qFatal("cannot make an older file");
    }

    bool hasNumberIndex() const
    {
        QSqlQuery sql(m_db->connection());
        return sql.exec(QStringLiteral(
                   "SELECT 1 FROM sqlite_master WHERE type = 'index' AND name = 'TableBL_NoBl'"))
            && sql.next();
    }

private:
    static void setParty(RecordSet &rows, std::initializer_list<const char *> values)
    {
        static const char *const fields[] = {
            "NomClient", "NoRueClient", "VilleClient", "ProvClient", "CodPosClient", "TelClient"};
        int i = 0;
        for (const char *value : values) {
            rows.setField(QString::fromLatin1(fields[i++]),
                value ? QVariant(QString::fromUtf8(value)) : QVariant());
        }
    }

    void addCarrier(const char *name, std::initializer_list<const char *> values)
    {
        static const char *const fields[]
            = {"NomLongTrans", "NoRue", "Ville", "Province", "CodPos", "Tel", "Fax"};
        RecordSet rows = RecordSet::openTable(*m_db, QStringLiteral("IdentTrans"), true);
        rows.addNew();
        rows.setField(QStringLiteral("NomTrans"), QString::fromUtf8(name));
        int i = 0;
        for (const char *value : values)
            rows.setField(QString::fromLatin1(fields[i++]), QString::fromUtf8(value));
        rows.update();
    }

    QTemporaryDir m_dir;
    QString m_path;
    std::optional<Database> m_db;
};

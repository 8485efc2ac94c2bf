#pragma once

#include "data/Database.h"
#include "parties/PartyAddress.h"

#include <QList>
#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

#include <initializer_list>

// A new, empty database file (its origine row blank) to which a test adds the customers it
// needs. Rows are read back straight from the file, in the table's order, so a test sees what
// was really written.
class PartiesFixture
{
public:
    PartiesFixture()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("rouvel.rvl"));
        Database::create(m_path, false);
        m_db = Database::open(m_path);
    }

    static PartyAddress party(const char *name, const char *city = "", const char *phone = "")
    {
        PartyAddress address;
        address.name = QString::fromUtf8(name);
        address.street = QStringLiteral("1 Main");
        address.city = QString::fromUtf8(city);
        address.province = QStringLiteral("QC");
        address.postalCode = QStringLiteral("G0R 1A0");
        address.telephone = QString::fromUtf8(phone);
        return address;
    }

    void insert(const QString &table, const PartyAddress &address)
    {
        QSqlQuery query(m_db.connection());
        QVERIFY(query.prepare(QStringLiteral("INSERT INTO %1 (NomClient, NoRueClient, VilleClient, "
                                             "ProvClient, CodPosClient, TelClient) "
                                             "VALUES (?, ?, ?, ?, ?, ?)")
                                  .arg(table)));
        for (int i = 0; i < 6; ++i)
            query.addBindValue(address.value(i));
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    }

    void addCustomers(std::initializer_list<PartyAddress> customers)
    {
        for (const PartyAddress &customer : customers)
            insert(QStringLiteral("TableClients"), customer);
    }

    QList<PartyAddress> rows(const QString &table = QStringLiteral("TableClients")) const
    {
        QList<PartyAddress> result;
        QSqlQuery query(m_db.connection());
        if (!query.exec(QStringLiteral("SELECT NomClient, NoRueClient, VilleClient, ProvClient, "
                                       "CodPosClient, TelClient FROM %1 ORDER BY rowid")
                            .arg(table)))
            qFatal("cannot read %s: %s", qPrintable(table), qPrintable(query.lastError().text()));
        while (query.next()) {
            PartyAddress address;
            for (int i = 0; i < 6; ++i)
                address.setValue(i, query.value(i).toString());
            result << address;
        }
        return result;
    }

    void exec(const QString &sql)
    {
        QSqlQuery query(m_db.connection());
        QVERIFY2(query.exec(sql), qPrintable(query.lastError().text()));
    }

    QString path() const { return m_path; }
    Database database() const { return m_db; }

private:
    QTemporaryDir m_dir;
    QString m_path;
    Database m_db;
};

// Printed by QCOMPARE when two addresses differ.
namespace QTest {
template<> inline char *toString(const PartyAddress &address)
{
    QStringList values;
    for (int i = 0; i < 6; ++i)
        values << QLatin1Char('"') + address.value(i) + QLatin1Char('"');
    return qstrdup(qPrintable(values.join(QStringLiteral(", "))));
}
} // namespace QTest

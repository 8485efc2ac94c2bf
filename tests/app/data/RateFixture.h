#pragma once

#include "data/DataError.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QString>
#include <QTemporaryDir>
#include <QTest>

// A new database file with a handful of carriers and destinations whose rates make every
// lookup's order, exclusions and values known:
//  - NEW YORK (1): ALPHA, BETA and O'BRIEN have rates, GAMMA alternates zero and empty,
//    ZERO has every rate zero.
//  - BOSTON (2): ALPHA with rates, ZERO with every rate empty.
//  - L'ISLET (3): served by O'BRIEN only.
//  - NOWHERE (4): served by nobody.
// Rate k of the 17 lookup columns (fixture order, see lookupColumns) for carrier c is
// ((k + c) % 3 + 1) dollars plus k cents, for ALPHA (c = 0), BETA (c = 1), O'BRIEN (c = 2).
class RateFixture
{
public:
    enum Carrier { Alpha = 1, Beta, Gamma, OBrien, Zero };
    enum Destination { NewYork = 1, Boston, LIslet, Nowhere };

    static QStringList lookupColumns()
    {
        QStringList columns;
        for (const Schema::Lookup &lookup : Schema::lookups())
            columns << lookup.tarifsColumn;
        return columns;
    }

    static qint64 rateUnits(int carrierIndex, int k)
    {
        return ((k + carrierIndex) % 3 + 1) * 10000 + k * 100;
    }

    RateFixture()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("rouvel.rvl"));
        Database::create(m_path, false);
        m_db = Database::open(m_path);
        exec("INSERT INTO IdentTrans (NomTrans, TarifType) VALUES ('ALPHA', 'po'), "
             "('BETA', 'pa'), ('GAMMA', 'popa'), ('O''BRIEN', 'popa'), ('ZERO', 'po')");
        exec("INSERT INTO Destination (NomDestination) VALUES ('BOSTON'), ('L''ISLET'), "
             "('NOWHERE')");
        const QStringList columns = lookupColumns();
        const int carriers[] = {Alpha, Beta, OBrien};
        for (int c = 0; c < 3; ++c) {
            insertTarif(carriers[c], NewYork, [&](int k) { return QVariant(rateUnits(c, k)); });
        }
        insertTarif(Gamma, NewYork, [](int k) { return k % 2 ? QVariant() : QVariant(0); });
        insertTarif(Zero, NewYork, [](int) { return QVariant(0); });
        insertTarif(Alpha, Boston, [](int k) { return QVariant(50000 + k); });
        insertTarif(Zero, Boston, [](int) { return QVariant(); });
        insertTarif(OBrien, LIslet, [](int) { return QVariant(12345); });
    }

    template<typename Fn> void insertTarif(int carrier, int destination, Fn rate)
    {
        const QStringList columns = lookupColumns();
        QStringList quoted;
        QStringList marks;
        for (const QString &column : columns) {
            quoted << Schema::quoted(column);
            marks << QStringLiteral("?");
        }
        QSqlQuery query(m_db.connection());
        QVERIFY(query.prepare(QStringLiteral("INSERT INTO Tarifs (NoTrans, NoDestination, %1) "
                                             "VALUES (?, ?, %2)")
                                  .arg(quoted.join(", "), marks.join(", "))));
        query.addBindValue(carrier);
        query.addBindValue(destination);
        for (int k = 0; k < columns.size(); ++k)
            query.addBindValue(rate(k));
        QVERIFY2(query.exec(), qPrintable(query.lastError().text()));
    }

    void exec(const char *sql)
    {
        QSqlQuery query(m_db.connection());
        QVERIFY2(query.exec(QString::fromUtf8(sql)), qPrintable(query.lastError().text()));
    }

    QVariant scalar(const QString &sql)
    {
        QSqlQuery query(m_db.connection());
        if (!query.exec(sql) || !query.next())
            return QStringLiteral("error: ") + query.lastError().text();
        return query.value(0);
    }

    QTemporaryDir m_dir;
    QString m_path;
    Database m_db;
};

#pragma once

#include "rates/BestRateFixture.h"

#include "data/RecordSet.h"
#include "data/Schema.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTest>

// The best-rate fixture with rate types and a few more destinations for the rate window:
// ACME "po", BOREAL "pa", CARGO'S "popa", DELTA none, EAGLE "xx" (no known type).
// "  HULL" (leading blanks) is served by DELTA only, "HULL" by EAGLE only, "O'KEEFE" by
// BOREAL and CARGO'S.
class RateGridFixture : public BestRateFixture
{
public:
    RateGridFixture()
    {
        setType("ACME", "po");
        setType("BOREAL", "pa");
        setType("CARGO'S", "popa");
        setType("EAGLE", "xx");
        for (const char *name : {"  HULL", "HULL", "O'KEEFE"})
            addDestination(QString::fromUtf8(name));
        serve("DELTA", "  HULL");
        serve("EAGLE", "HULL");
        serve("BOREAL", "O'KEEFE");
        serve("CARGO'S", "O'KEEFE");
    }

    qint32 carrier(const char *name) const
    {
        RecordSet carriers = RecordSet::openQuery(database(), QStringLiteral("IdentTransAlph"));
        if (!carriers.findFirst(RecordSet::Criterion::nomTrans(QString::fromUtf8(name))))
            qFatal("no carrier %s", name);
        return qint32(carriers.field(QStringLiteral("NoTrans")).toInt());
    }

    // What the file holds in that rate column: the stored value and its SQLite type.
    QPair<QVariant, QString> stored(
        const char *carrierName, const QString &destinationName, const QString &column) const
    {
        QSqlQuery query(database().connection());
        query.prepare(QStringLiteral("SELECT Tarifs.%1, typeof(Tarifs.%1) FROM Tarifs JOIN "
                                     "Destination USING (NoDestination) WHERE NoTrans = ? AND "
                                     "NomDestination = ?")
                          .arg(Schema::quoted(column)));
        query.addBindValue(carrier(carrierName));
        query.addBindValue(destinationName);
        if (!query.exec() || !query.next())
            qFatal("no Tarifs row: %s", qPrintable(query.lastError().text()));
        return {query.value(0), query.value(1).toString()};
    }

    // The destinations the carrier serves, by name, read straight from the file.
    QStringList servedBy(const char *carrierName) const
    {
        QSqlQuery query(database().connection());
        query.prepare(QStringLiteral("SELECT NomDestination FROM Tarifs JOIN Destination USING "
                                     "(NoDestination) WHERE NoTrans = ? ORDER BY NomDestination"));
        query.addBindValue(carrier(carrierName));
        if (!query.exec())
            qFatal("%s", qPrintable(query.lastError().text()));
        QStringList names;
        while (query.next())
            names << query.value(0).toString();
        return names;
    }

    // Makes the file refuse every change of a rate, as a locked or read-only file would.
    void refuseRateChanges()
    {
        QSqlQuery query(database().connection());
        if (!query.exec(QStringLiteral("CREATE TRIGGER RefuseRates BEFORE UPDATE ON Tarifs "
                                       "BEGIN SELECT RAISE(ABORT, 'attempt to write a readonly "
                                       "database'); END")))
            qFatal("%s", qPrintable(query.lastError().text()));
    }

private:
    void setType(const char *name, const char *type)
    {
        RecordSet carriers = RecordSet::openTable(database(), QStringLiteral("IdentTrans"));
        if (!carriers.findFirst(RecordSet::Criterion::nomTrans(QString::fromUtf8(name))))
            qFatal("no carrier %s", name);
        carriers.edit();
        carriers.setField(QStringLiteral("TarifType"), QString::fromUtf8(type));
        carriers.update();
    }

    void serve(const char *carrierName, const char *destinationName)
    {
        RecordSet tarifs = RecordSet::openTable(database(), QStringLiteral("Tarifs"), true);
        tarifs.addNew();
        tarifs.setField(QStringLiteral("NoTrans"), carrier(carrierName));
        tarifs.setField(
            QStringLiteral("NoDestination"), destination(QString::fromUtf8(destinationName)));
        tarifs.setCurrency(QStringLiteral("LTL"), Currency::fromDouble(15));
        tarifs.update();
    }
};

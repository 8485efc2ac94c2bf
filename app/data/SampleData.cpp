#include "data/SampleData.h"

#include "data/DataError.h"
#include "data/Schema.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace {

struct Carrier
{
    const char *shortName;
    const char *longName;
    const char *street;
    const char *city;
    const char *postCode;
    const char *province;
    const char *contact1;
    const char *contact2;
    const char *phone;
    const char *fax;
    const char *rateType;
};

const Carrier Carriers[] = {
    {"BOLDUC", "Transport Bolduc inc.", "1450 boul. Industriel", "Laval", "H7L 4R9", "QC",
        "Marc Bolduc", "Lise Therrien", "450 555-0142", "450 555-0143", "popa"},
    {"EXPRESS NORD", "Express du Nord ltee", "88 rue des Pins", "Quebec", "G1K 3A2", "QC",
        "Julie Cote", "", "418 555-0110", "418 555-0111", "po"},
    {"GRANITE", "Granite Freight Lines", "300 Quarry Road", "Barre", "05641", "VT", "Tom Ellis",
        "Ann Ward", "802 555-0190", "", "pa"},
    {"HUDSON", "Hudson Valley Carriers", "12 River Street", "Albany", "12207", "NY", "Pete O'Brien",
        "", "518 555-0155", "518 555-0156", "popa"},
    {"MARITIME", "Maritime Transport", "75 Harbour Drive", "Moncton", "E1C 8N5", "NB",
        "Claire LeBlanc", "Yves Arsenault", "506 555-0120", "506 555-0121", "po"},
    {"O'BRIEN", "O'Brien & Sons Trucking", "9 Depot Lane", "Burlington", "05401", "VT",
        "Sean O'Brien", "", "802 555-0177", "", "pa"},
};

// NEW YORK is already in every new file; these complete the list.
const char *const Destinations[] = {"BOSTON", "CHICAGO", "HALIFAX", "MONTREAL", "OTTAWA",
    "PHILADELPHIA", "QUEBEC", "TORONTO", "VANCOUVER"};

struct Party
{
    const char *name;
    const char *street;
    const char *city;
    const char *province;
    const char *postCode;
    const char *phone;
};

const Party Customers[] = {
    {"Atelier Leduc", "220 rue Principale", "Granby", "QC", "J2G 2V5", "450 555-0101"},
    {"Northern Hardware", "1200 King Street West", "Toronto", "ON", "M6K 1G4", "416 555-0133"},
    {"Seaside Supply Co.", "45 Water Street", "Halifax", "NS", "B3J 1S9", "902 555-0164"},
};

const Party OwnCompany {
    "Rouvel Shipping", "500 rue du Port", "Montreal", "QC", "H3C 2M1", "514 555-0100"};

QVariant text(const char *value) { return QString::fromUtf8(value); }

void run(QSqlQuery &query)
{
    if (!query.exec())
        throw DataError::fromSqlError(
            query.lastError(), QStringLiteral("Cannot load the sample data"));
}

// A rate in ten-thousandths, or empty for the gaps a real price list has.
QVariant rate(qint64 cents) { return cents < 0 ? QVariant() : QVariant(cents * 100); }

} // namespace

void SampleData::insert(QSqlDatabase &db)
{
    QSqlQuery carrier(db);
    carrier.prepare(QStringLiteral(
        R"(INSERT INTO IdentTrans (NomTrans, NomLongTrans, NoRue, Ville, CodPos, Province,
    "Contact 1", Contact2, Tel, Fax, TarifType) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?))"));
    for (const Carrier &c : Carriers) {
        for (const char *value : {c.shortName, c.longName, c.street, c.city, c.postCode, c.province,
                 c.contact1, c.contact2, c.phone, c.fax, c.rateType})
            carrier.addBindValue(text(value));
        run(carrier);
    }

    QSqlQuery destination(db);
    destination.prepare(QStringLiteral("INSERT INTO Destination (NomDestination) VALUES (?)"));
    for (const char *name : Destinations) {
        destination.addBindValue(text(name));
        run(destination);
    }

    // Rates by carrier (1..6) and destination (1..10), from a base price per carrier and a
    // distance factor per destination, with the gaps and zeros of real price lists. A carrier
    // has the rates its TarifType names: "po" by weight, "pa" by pallet, "popa" both.
    const qint64 carrierBase[] = {880, 900, 0, 920, 940, 0}; // per 100 lbs, cents; 0: no weight
    const qint64 palletBase[] = {5200, 0, 4800, 5600, 0, 4500}; // per pallet, cents
    const int distance[] = {10, 12, 16, 14, 6, 9, 11, 8, 11, 20}; // tenths
    QStringList columns {"NoTrans", "NoDestination"};
    const QStringList weightColumns = Schema::weightRateColumns();
    const QStringList palletColumns = Schema::palletRateColumns();
    for (const QString &column : weightColumns + palletColumns)
        columns << Schema::quoted(column);
    QStringList marks;
    for (int i = 0; i < columns.size(); ++i)
        marks << QStringLiteral("?");
    QSqlQuery tarif(db);
    tarif.prepare(QStringLiteral("INSERT INTO Tarifs (%1) VALUES (%2)")
                      .arg(columns.join(QLatin1String(", ")), marks.join(QLatin1String(", "))));
    for (int c = 0; c < 6; ++c) {
        for (int d = 0; d < 10; ++d) {
            // Each carrier serves most destinations, not all of them.
            if ((c + 2 * d) % 7 == 3)
                continue;
            tarif.addBindValue(c + 1);
            tarif.addBindValue(d + 1);
            // MARITIME serves VANCOUVER but has no rate there yet.
            const bool unpriced = c == 4 && d == 9;
            const qint64 weightBase = unpriced ? 0 : carrierBase[c] * distance[d] / 10;
            const qint64 palletRate = unpriced ? 0 : palletBase[c] * distance[d] / 10;
            if (weightBase == 0) {
                for (int i = 0; i < weightColumns.size(); ++i)
                    tarif.addBindValue(unpriced && i % 2 ? rate(0) : rate(-1));
            } else {
                tarif.addBindValue(rate(weightBase * 5)); // minimum price
                tarif.addBindValue(rate(weightBase * 13 / 10)); // LTL
                const int discounts[] = {100, 92, 85, 78, 70};
                for (int i = 0; i < 5; ++i) {
                    // A bracket without rate here and there: empty or zero.
                    const bool gap = (c + d + i) % 11 == 0;
                    tarif.addBindValue(
                        gap ? rate((d % 2) ? 0 : -1) : rate(weightBase * discounts[i] / 100));
                }
            }
            for (int n = 1; n <= 10; ++n) {
                if (palletRate == 0) {
                    tarif.addBindValue(rate(-1));
                    continue;
                }
                const bool gap = (c + d + n) % 9 == 0;
                tarif.addBindValue(gap ? rate(0) : rate(palletRate * (100 - 4 * (n - 1)) / 100));
            }
            run(tarif);
        }
    }

    const QString partyColumns = QStringLiteral(
        "NomClient, NoRueClient, VilleClient, ProvClient, CodPosClient, TelClient");
    QSqlQuery customer(db);
    customer.prepare(QStringLiteral("INSERT INTO TableClients (%1) VALUES (?, ?, ?, ?, ?, ?)")
                         .arg(partyColumns));
    for (const Party &p : Customers) {
        for (const char *value : {p.name, p.street, p.city, p.province, p.postCode, p.phone})
            customer.addBindValue(text(value));
        run(customer);
    }

    QSqlQuery own(db);
    own.prepare(QStringLiteral("UPDATE origine SET NomClient = ?, NoRueClient = ?, VilleClient = "
                               "?, ProvClient = ?, CodPosClient = ?, TelClient = ?"));
    for (const char *value : {OwnCompany.name, OwnCompany.street, OwnCompany.city,
             OwnCompany.province, OwnCompany.postCode, OwnCompany.phone})
        own.addBindValue(text(value));
    run(own);
}

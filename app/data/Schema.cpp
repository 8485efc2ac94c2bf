#include "data/Schema.h"

namespace {

const QString CatalogTable = QStringLiteral("StoredQueries");

const char *const TablesSql[] = {
    R"(CREATE TABLE IdentTrans (
    NoTrans INTEGER PRIMARY KEY AUTOINCREMENT CHECK (NoTrans BETWEEN 1 AND 2147483647),
    NomTrans TEXT NOT NULL COLLATE NOCASE,
    NomLongTrans TEXT,
    NoRue TEXT,
    Ville TEXT,
    CodPos TEXT,
    Province TEXT,
    "Contact 1" TEXT,
    Contact2 TEXT,
    Tel TEXT,
    Fax TEXT,
    TarifType TEXT
) STRICT)",
    R"(CREATE UNIQUE INDEX IdentTrans_NomTrans ON IdentTrans (NomTrans))",
    R"(CREATE TABLE Destination (
    NoDestination INTEGER PRIMARY KEY AUTOINCREMENT
        CHECK (NoDestination BETWEEN 1 AND 2147483647),
    NomDestination TEXT NOT NULL COLLATE NOCASE
) STRICT)",
    R"(CREATE UNIQUE INDEX Destination_NomDestination ON Destination (NomDestination))",
    // Keyed by destination first: a lookup reads one contiguous run of rows, whatever the size
    // of the table. The key is also the rule of one row per carrier and destination.
    R"(CREATE TABLE Tarifs (
    NoTrans INTEGER NOT NULL REFERENCES IdentTrans (NoTrans),
    NoDestination INTEGER NOT NULL REFERENCES Destination (NoDestination),
    PrixMin INTEGER CHECK (PrixMin >= 0),
    LTL INTEGER CHECK (LTL >= 0),
    p500 INTEGER CHECK (p500 >= 0),
    p1000 INTEGER CHECK (p1000 >= 0),
    p2000 INTEGER CHECK (p2000 >= 0),
    p5000 INTEGER CHECK (p5000 >= 0),
    p10000 INTEGER CHECK (p10000 >= 0),
    "1pal" INTEGER CHECK ("1pal" >= 0),
    "2pal" INTEGER CHECK ("2pal" >= 0),
    "3pal" INTEGER CHECK ("3pal" >= 0),
    "4pal" INTEGER CHECK ("4pal" >= 0),
    "5pal" INTEGER CHECK ("5pal" >= 0),
    "6pal" INTEGER CHECK ("6pal" >= 0),
    "7pal" INTEGER CHECK ("7pal" >= 0),
    "8pal" INTEGER CHECK ("8pal" >= 0),
    "9pal" INTEGER CHECK ("9pal" >= 0),
    "10pal" INTEGER CHECK ("10pal" >= 0),
    PRIMARY KEY (NoDestination, NoTrans)
) STRICT, WITHOUT ROWID)",
    R"(CREATE INDEX Tarifs_NoTrans ON Tarifs (NoTrans))",
    R"(CREATE TABLE TableClients (
    NomClient TEXT,
    NoRueClient TEXT,
    VilleClient TEXT,
    ProvClient TEXT,
    CodPosClient TEXT,
    TelClient TEXT
) STRICT)",
    R"(CREATE TABLE origine (
    NomClient TEXT,
    NoRueClient TEXT,
    VilleClient TEXT,
    ProvClient TEXT,
    CodPosClient TEXT,
    TelClient TEXT
) STRICT)",
    R"(CREATE TABLE TableBL (NoBl INTEGER) STRICT)",
    R"(CREATE UNIQUE INDEX TableBL_NoBl ON TableBL (NoBl))",
    R"(CREATE TABLE TableBLTemp (TmpPasVide INTEGER NOT NULL DEFAULT 0) STRICT)",
    R"(CREATE TABLE StoredQueries (
    Name TEXT PRIMARY KEY,
    Body TEXT NOT NULL,
    Parameters TEXT NOT NULL DEFAULT '',
    BaseTable TEXT NOT NULL DEFAULT '',
    KeyColumns TEXT NOT NULL DEFAULT '',
    CurrencyColumns TEXT NOT NULL DEFAULT ''
) STRICT)",
    R"(CREATE TABLE CurrencyFields (
    TableName TEXT NOT NULL,
    FieldName TEXT NOT NULL,
    PRIMARY KEY (TableName, FieldName)
) STRICT, WITHOUT ROWID)",
};

// The body shared by the rate lookups: one row per carrier serving the destination with a
// rate for the case, best first; equal rates in name order so the first row is stable.
const char LookupSql[] = R"(SELECT IdentTrans.NomTrans AS NomTrans,
       Destination.NomDestination AS NomDestination,
       Tarifs.%1 AS %2,
       Tarifs.NoTrans AS NoTrans,
       Tarifs.NoDestination AS NoDestination
FROM Tarifs
JOIN IdentTrans ON IdentTrans.NoTrans = Tarifs.NoTrans
JOIN Destination ON Destination.NoDestination = Tarifs.NoDestination
WHERE Tarifs.NoDestination = :prmDestination AND Tarifs.%1 <> 0
ORDER BY Tarifs.%1, IdentTrans.NomTrans, Tarifs.NoTrans)";

StoredQueryDefinition query(const QString &name, const QString &sql,
    const QStringList &parameters = {}, const QString &baseTable = {}, const QStringList &keys = {},
    const QStringList &currency = {})
{
    return StoredQueryDefinition {name, sql, parameters, baseTable, keys, currency};
}

} // namespace

QString Schema::quoted(const QString &identifier)
{
    QString escaped = identifier;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

QStringList Schema::weightRateColumns()
{
    return {"PrixMin", "LTL", "p500", "p1000", "p2000", "p5000", "p10000"};
}

QStringList Schema::palletRateColumns()
{
    QStringList columns;
    for (int n = 1; n <= 10; ++n)
        columns << QString::number(n) + QLatin1String("pal");
    return columns;
}

QStringList Schema::tableStatements()
{
    QStringList statements;
    for (const char *sql : TablesSql)
        statements << QString::fromUtf8(sql);
    return statements;
}

QVector<Schema::Lookup> Schema::lookups()
{
    QVector<Lookup> result {{"TriLTL", "LTL", "fLTL"}};
    for (const char *bracket : {"500", "1000", "2000", "5000", "10000"}) {
        const QString b = QString::fromLatin1(bracket);
        result.append({"Trip" + b, "p" + b, "fp" + b});
    }
    result.append({"TriPrixMin", "PrixMin", "fPrixMin"});
    for (int n = 1; n <= 10; ++n) {
        const QString pal = QString::number(n) + QLatin1String("pal");
        result.append({"Trinp" + QString::number(n), pal, pal});
    }
    return result;
}

QVector<StoredQueryDefinition> Schema::storedQueries()
{
    const QStringList tarifsKey {"NoTrans", "NoDestination"};
    QVector<StoredQueryDefinition> queries {
        query("TriDest",
            R"(SELECT NoDestination, NomDestination FROM Destination
ORDER BY NomDestination, NoDestination)",
            {}, "Destination", {"NoDestination"}),
        query("TriTrans", R"(SELECT NoTrans, NomTrans FROM IdentTrans ORDER BY NomTrans, NoTrans)",
            {}, "IdentTrans", {"NoTrans"}),
        query("IdentTransAlph",
            R"(SELECT NoTrans, NomTrans, TarifType FROM IdentTrans ORDER BY NomTrans, NoTrans)", {},
            "IdentTrans", {"NoTrans"}),
        query(QString::fromUtf8("RequêteNEWYORK"),
            R"(SELECT NoDestination FROM Destination WHERE NomDestination = 'NEW YORK'
UNION ALL
SELECT NoDestination FROM (SELECT NoDestination FROM Destination ORDER BY NoDestination LIMIT 1)
WHERE NOT EXISTS (SELECT 1 FROM Destination WHERE NomDestination = 'NEW YORK'))"),
        query("ReqGenNoBL", R"(SELECT COALESCE(MAX(NoBl), 0) + 1 AS Expr1000 FROM TableBL)"),
        // The work table has no key of its own: its rows are written back by rowid.
        query("ReqTmpBL", R"(SELECT TmpPasVide, rowid AS rowid FROM TableBLTemp ORDER BY rowid)",
            {}, "TableBLTemp", {"rowid"}),
        query("DestparTrans",
            R"(SELECT Destination.NomDestination AS NomDestination,
       Tarifs.NoDestination AS "Tarifs.NoDestination",
       Tarifs.NoTrans AS NoTrans
FROM Tarifs JOIN Destination ON Destination.NoDestination = Tarifs.NoDestination
WHERE Tarifs.NoTrans = :prmNoTrans
ORDER BY Destination.NomDestination, Tarifs.NoDestination)",
            {"[prmNoTrans]"}, "Tarifs", {"NoTrans", "Tarifs.NoDestination"}),
        query("DestManque",
            R"(SELECT NoDestination, NomDestination FROM Destination
WHERE NoDestination NOT IN (SELECT NoDestination FROM Tarifs WHERE NoTrans = :prmNoTrans)
ORDER BY NomDestination, NoDestination)",
            {"[prmNoTrans]"}, "Destination", {"NoDestination"}),
        query("TransparDest",
            R"(SELECT IdentTrans.NomTrans AS NomTrans, Tarifs.NoTrans AS NoTrans,
       Tarifs.NoDestination AS NoDestination
FROM Tarifs
JOIN IdentTrans ON IdentTrans.NoTrans = Tarifs.NoTrans
JOIN Destination ON Destination.NoDestination = Tarifs.NoDestination
WHERE Destination.NomDestination = :prmNomDestination
ORDER BY IdentTrans.NomTrans, Tarifs.NoTrans)",
            {"[prmNomDestination]"}, "Tarifs", tarifsKey),
        query("reqPourBL",
            R"(SELECT NomLongTrans, NoRue, Ville, Province, CodPos, Tel, Fax, NoTrans, NomTrans
FROM IdentTrans WHERE NomTrans = :nomdutrans ORDER BY NoTrans)",
            {"[nomdutrans]"}, "IdentTrans", {"NoTrans"}),
    };

    // The rate grids: one row per destination the carrier serves, the rates written back to
    // the carrier's Tarifs row.
    const auto grid = [&](const QString &name, const QStringList &rates) {
        QStringList columns;
        for (const QString &rate : rates)
            columns << "Tarifs." + quoted(rate) + " AS " + quoted(rate);
        const QString sql
            = QStringLiteral("SELECT Destination.NomDestination AS Destination,\n       ")
            + columns.join(QLatin1String(",\n       "))
            + QStringLiteral(",\n       Tarifs.NoTrans AS NoTrans, Tarifs.NoDestination AS "
                             "NoDestination\nFROM Tarifs JOIN Destination ON "
                             "Destination.NoDestination = Tarifs.NoDestination\nWHERE "
                             "Tarifs.NoTrans = :prmNoTrans\nORDER BY "
                             "Destination.NomDestination, Tarifs.NoDestination");
        queries.append(query(name, sql, {"[prmNoTrans]"}, "Tarifs", tarifsKey, rates));
    };
    grid("ModifTarifPoids2", weightRateColumns());
    grid("ModifTarifPal2", palletRateColumns());

    for (const Lookup &lookup : lookups()) {
        const QString sql = QString::fromLatin1(LookupSql).arg(
            quoted(lookup.tarifsColumn), quoted(lookup.rateColumn));
        queries.append(query(
            lookup.query, sql, {"[prmDestination]"}, "Tarifs", tarifsKey, {lookup.rateColumn}));
    }
    queries += laterQueries();
    return queries;
}

QVector<StoredQueryDefinition> Schema::laterQueries()
{
    // Every bracket rate of one destination in a single read, unsorted: running the five
    // bracket lookups for each evaluation would more than double its time. Whoever reads it
    // orders equal rates as the bracket lookups do.
    QStringList columns;
    QStringList rateColumns;
    for (const Lookup &lookup : lookups()) {
        if (!lookup.query.startsWith(QLatin1String("Trip")))
            continue;
        columns << "Tarifs." + quoted(lookup.tarifsColumn) + " AS " + quoted(lookup.rateColumn);
        rateColumns << lookup.rateColumn;
    }
    const QString sql = QStringLiteral("SELECT IdentTrans.NomTrans AS NomTrans,\n       ")
        + columns.join(QLatin1String(",\n       "))
        + QStringLiteral(",\n       Tarifs.NoTrans AS NoTrans\nFROM Tarifs\nJOIN IdentTrans ON "
                         "IdentTrans.NoTrans = Tarifs.NoTrans\nWHERE Tarifs.NoDestination = "
                         ":prmDestination");
    return {query(QStringLiteral("TriPoidsDest"), sql, {"[prmDestination]"}, {}, {}, rateColumns)};
}

QStringList Schema::initialRowStatements()
{
    return {
        R"(INSERT INTO Destination (NomDestination) VALUES ('NEW YORK'))",
        R"(INSERT INTO origine DEFAULT VALUES)",
        R"(INSERT INTO TableBLTemp (TmpPasVide) VALUES (0))",
    };
}

QVector<Schema::TableColumns> Schema::requiredTables()
{
    QStringList tarifs {"NoTrans", "NoDestination"};
    tarifs << weightRateColumns() << palletRateColumns();
    const QStringList party {
        "NomClient", "NoRueClient", "VilleClient", "ProvClient", "CodPosClient", "TelClient"};
    return {
        {"IdentTrans",
            {"NoTrans", "NomTrans", "NomLongTrans", "NoRue", "Ville", "CodPos", "Province",
                "Contact 1", "Contact2", "Tel", "Fax", "TarifType"}},
        {"Destination", {"NoDestination", "NomDestination"}},
        {"Tarifs", tarifs},
        {"TableClients", party},
        {"origine", party},
        {"TableBL", {"NoBl"}},
        {"TableBLTemp", {"TmpPasVide"}},
        {CatalogTable,
            {"Name", "Body", "Parameters", "BaseTable", "KeyColumns", "CurrencyColumns"}},
        {"CurrencyFields", {"TableName", "FieldName"}},
    };
}

QVector<Schema::CurrencyField> Schema::currencyFields()
{
    QVector<CurrencyField> fields;
    for (const QString &column : weightRateColumns() + palletRateColumns())
        fields.append({"Tarifs", column});
    return fields;
}

#pragma once

#include "data/Database.h"

#include <QString>
#include <QStringList>
#include <QVector>

// What a rouvel database file holds: its tables, their indexes, the stored queries and the
// rows every new file starts with. Written once by Database::create and checked by
// Database::inspect.
class Schema
{
public:
    // Statements that create the tables and indexes, in order.
    static QStringList tableStatements();
    // Every stored query the windows open by name.
    static QVector<StoredQueryDefinition> storedQueries();
    // The stored queries added after the first release: a file made before lacks them and is
    // given them when it is opened for writing; the program works without them.
    static QVector<StoredQueryDefinition> laterQueries();
    // The rows a new file needs: the default destination, the own-company row, the work row.
    static QStringList initialRowStatements();

    // Tables and the columns the program reads or writes, for checking an existing file.
    struct TableColumns
    {
        QString table;
        QStringList columns;
    };
    static QVector<TableColumns> requiredTables();

    // Currency columns of the tables (ten-thousandths).
    struct CurrencyField
    {
        QString table;
        QString field;
    };
    static QVector<CurrencyField> currencyFields();

    // The rate lookups of the main window: every one has [prmDestination] and its rate third.
    struct Lookup
    {
        QString query; // "Trip1000"
        QString tarifsColumn; // "p1000"
        QString rateColumn; // "fp1000"
    };
    static QVector<Lookup> lookups();

    // Tarifs rate columns in the order of the rate grids.
    static QStringList weightRateColumns(); // PrixMin, LTL, p500 ... p10000
    static QStringList palletRateColumns(); // 1pal ... 10pal

    static QString quoted(const QString &identifier); // "1pal", "Contact 1"
};

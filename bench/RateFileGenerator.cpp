#include "RateFileGenerator.h"

#include "data/DataError.h"
#include "data/Database.h"
#include "data/Schema.h"

#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QStringList>

#include <algorithm>
#include <cstdio>

namespace RateFileGenerator {

namespace {

void exec(QSqlQuery &query)
{
    if (!query.exec())
        throw DataError::fromSqlError(query.lastError(), QStringLiteral("generating"));
}

} // namespace

void generate(const QString &path, int carriers, int destinations)
{
    Database::create(path, false);
    Database db = Database::open(path);
    db.inTransaction([&] {
        QSqlQuery query(db.connection());
        query.prepare(QStringLiteral("INSERT INTO IdentTrans (NomTrans, TarifType) VALUES (?, ?)"));
        for (int c = 1; c <= carriers; ++c) {
            query.addBindValue(QStringLiteral("CARRIER %1").arg(c, 3, 10, QLatin1Char('0')));
            query.addBindValue(QStringLiteral("popa"));
            exec(query);
        }
        query.prepare(QStringLiteral("INSERT INTO Destination (NomDestination) VALUES (?)"));
        // A new file already holds its default destination.
        for (int d = 2; d <= destinations; ++d) {
            query.addBindValue(QStringLiteral("DESTINATION %1").arg(d, 4, 10, QLatin1Char('0')));
            exec(query);
        }
        QStringList columns;
        QStringList marks {QStringLiteral("?"), QStringLiteral("?")};
        for (const QString &column : Schema::weightRateColumns() + Schema::palletRateColumns()) {
            columns << Schema::quoted(column);
            marks << QStringLiteral("?");
        }
        query.prepare(
            QStringLiteral("INSERT INTO Tarifs (NoTrans, NoDestination, %1) VALUES (%2)")
                .arg(columns.join(QStringLiteral(", ")), marks.join(QStringLiteral(", "))));
        QRandomGenerator random(20240501);
        for (int c = 1; c <= carriers; ++c) {
            for (int d = 1; d <= destinations; ++d) {
                query.addBindValue(c);
                query.addBindValue(d);
                for (int i = 0; i < columns.size(); ++i) {
                    const int pick = random.bounded(100);
                    query.addBindValue(pick < 5 ? QVariant()
                            : pick < 10         ? QVariant(0)
                                                : QVariant(qint64(random.bounded(10000, 900000))));
                }
                exec(query);
            }
        }
    });
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

double elapsedMs(const QElapsedTimer &timer) { return double(timer.nsecsElapsed()) / 1e6; }

TemporaryFile::TemporaryFile(int carriers, int destinations)
{
    if (!m_dir.isValid())
        throw DataError::other(QStringLiteral("no temporary folder"));
    m_path = m_dir.filePath(QStringLiteral("large.rvl"));
    QElapsedTimer timer;
    timer.start();
    generate(m_path, carriers, destinations);
    std::printf("generated %d carriers x %d destinations (%d Tarifs rows) in %.1f s\n", carriers,
        destinations, carriers * destinations, double(timer.elapsed()) / 1000.0);
}

} // namespace RateFileGenerator

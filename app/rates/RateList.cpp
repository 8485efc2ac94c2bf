#include "RateList.h"

#include <cstdlib>

RateList::RateList(const QString &query, const QString &field, QList<RateRow> rows)
    : m_query(query)
    , m_field(field)
    , m_rows(std::move(rows))
    , m_current(m_rows.isEmpty() ? -1 : 0)
{
}

void RateList::setCurrentIndex(int row) { m_current = (row >= 0 && row < size()) ? row : -1; }

const RateRow *RateList::findCarrier(const QString &carrier) const
{
    for (const RateRow &row : m_rows) {
        if (row.carrier == carrier)
            return &row;
    }
    return nullptr;
}

QString RateList::rateText(Currency rate)
{
    const qint64 units = rate.tenThousandths();
    const quint64 magnitude = units < 0 ? 0 - quint64(units) : quint64(units);
    QString fraction = QStringLiteral("%1").arg(magnitude % 10000, 4, 10, QLatin1Char('0'));
    while (fraction.size() > 2 && fraction.endsWith(QLatin1Char('0')))
        fraction.chop(1);
    return QStringLiteral("%1%2.%3")
        .arg(units < 0 ? QStringLiteral("-") : QString())
        .arg(magnitude / 10000)
        .arg(fraction);
}

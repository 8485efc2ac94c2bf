#pragma once

#include "core/Currency.h"

#include <QList>
#include <QString>

// One row of a rate lookup as the lists show it.
struct RateRow
{
    QString carrier; // NomTrans
    QString destination; // NomDestination
    Currency rate; // the third column: a rate, or a minimum price
};

// The rows of one lookup, best first as the query returns them, with a current row.
class RateList
{
public:
    RateList() = default;
    RateList(const QString &query, const QString &field, QList<RateRow> rows);

    QString query() const { return m_query; }
    QString field() const { return m_field; } // the rate field the rate column shows
    const QList<RateRow> &rows() const { return m_rows; }
    int size() const { return int(m_rows.size()); }
    bool isEmpty() const { return m_rows.isEmpty(); }

    bool hasCurrentRow() const { return m_current >= 0 && m_current < size(); }
    const RateRow &currentRow() const { return m_rows.at(m_current); }
    int currentIndex() const { return m_current; }
    void setCurrentIndex(int row);

    // The first row whose carrier is that name, compared as the names are stored.
    const RateRow *findCarrier(const QString &carrier) const;

    // The text of a rate entry: a plain number with a period, at least two decimals and as many
    // more as the value needs, so that reading it back gives the stored rate exactly.
    static QString rateText(Currency rate);

private:
    QString m_query;
    QString m_field;
    QList<RateRow> m_rows;
    int m_current = -1;
};

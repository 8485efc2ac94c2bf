#pragma once

#include "data/RecordSet.h"
#include "rateadjust/RateGridColumns.h"

#include <QAbstractTableModel>
#include <QHash>

#include <optional>

// A carrier's weight or pallet rates, one row per destination it serves, over the updatable
// stored query of that kind. The destination column is read only; rows are neither added nor
// deleted.
//
// A cell's typed value is taken by setData (a text that is not a rate is refused there, with a
// message, and the cell keeps its saved value); the changed cells of a row wait, shown as typed,
// until the row is written by submit(), which the grid calls when the user leaves the row. A
// row whose write the database refuses is shown again as saved, and the cause is told.
class RateGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RateGridModel(QObject *parent = nullptr);

    // Writes any waiting row, then shows the carrier's rates of that kind. Throws DataError
    // (and shows nothing) when the rates cannot be read.
    void open(const Database &db, RateKind kind, qint32 carrierNo);
    // Writes any waiting row and lets go of the rates.
    void close();

    bool isOpen() const { return m_set.has_value(); }
    RateKind kind() const { return m_kind; }
    qint32 carrierNo() const { return m_carrierNo; }
    // The stored query last opened, empty before the first.
    QString rateQuery() const { return m_rateQuery; }
    // The row whose typed values wait to be written, or -1.
    int pendingRow() const { return m_pendingRow; }
    QString destination(int row) const;
    // The saved rate of the column that takes the most room as the grid shows it; empty when
    // the column holds no rate.
    QString widestRateText(int column) const;

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // Takes the text typed in a rate cell (Qt::EditRole). Typing in another row than the one
    // waiting writes that one first.
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;

    // Writes the waiting row to its Tarifs row. False when the database refused it: the row then
    // shows its saved rates again and refused() has told why.
    bool submit() override;
    // Forgets the waiting row's typed values.
    void revert() override;

    static QString notARateMessage(
        const QString &destination, const QString &column, const QString &typed);
    static QString saveRefusedMessage(const QString &destination, const QString &cause);

signals:
    // A typed value or a write was refused; the text names what and why.
    void refused(const QString &message);

private:
    QVariant storedValue(int row, int column) const;
    void emitRowChanged(int row);

    // Rows are read through the set's current row; reading moves it, nothing else.
    mutable std::optional<RecordSet> m_set;
    RateKind m_kind = RateKind::Weight;
    qint32 m_carrierNo = 0;
    QString m_rateQuery;
    QVector<RateGridColumn> m_columns;
    QVector<int> m_positions; // set position of each grid column
    int m_pendingRow = -1;
    QHash<int, QVariant> m_pending; // grid column -> typed value (null: no rate)
};

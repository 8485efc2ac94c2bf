#pragma once

#include "rates/RateList.h"

#include <QAbstractTableModel>

// The three side-by-side columns of the weight or pallet lists: carrier, destination, rate.
// Only the rate column answers clicks, and only it carries the tool tip that says so.
class RateListModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    enum Column { CarrierColumn, DestinationColumn, RateColumn, ColumnCount };

    static QString rateToolTip();

    explicit RateListModel(QObject *parent = nullptr);

    // Shows these rows; the header of the rate column follows the field they carry.
    void setList(const RateList &list);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(
        int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    RateList m_list;
};

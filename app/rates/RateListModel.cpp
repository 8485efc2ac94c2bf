#include "RateListModel.h"

QString RateListModel::rateToolTip()
{
    return QStringLiteral("Click on a price to choose another carrier");
}

RateListModel::RateListModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void RateListModel::setList(const RateList &list)
{
    beginResetModel();
    m_list = list;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, RateColumn, RateColumn);
}

int RateListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.size();
}

int RateListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant RateListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_list.size())
        return {};
    const RateRow &row = m_list.rows().at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        switch (index.column()) {
        case CarrierColumn:
            return row.carrier;
        case DestinationColumn:
            return row.destination;
        case RateColumn:
            return RateList::rateText(row.rate);
        }
        break;
    case Qt::ToolTipRole:
        if (index.column() == RateColumn)
            return rateToolTip();
        break;
    case Qt::TextAlignmentRole:
        if (index.column() == RateColumn)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    return {};
}

QVariant RateListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal)
        return {};
    if (role == Qt::ToolTipRole && section == RateColumn)
        return rateToolTip();
    if (role != Qt::DisplayRole)
        return {};
    switch (section) {
    case CarrierColumn:
        return QStringLiteral("Carrier");
    case DestinationColumn:
        return QStringLiteral("Destination");
    case RateColumn:
        return m_list.field() == QLatin1String("fPrixMin") ? QStringLiteral("Minimum")
                                                           : QStringLiteral("Rate");
    }
    return {};
}

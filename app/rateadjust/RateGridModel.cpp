#include "rateadjust/RateGridModel.h"

#include "data/DataError.h"

RateGridModel::RateGridModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

QString RateGridModel::notARateMessage(
    const QString &destination, const QString &column, const QString &typed)
{
    return QStringLiteral("\"%1\" is not a rate (%2, column %3).\n"
                          "Type digits with at most one period; the cell keeps its saved value.")
        .arg(typed, destination, column);
}

QString RateGridModel::saveRefusedMessage(const QString &destination, const QString &cause)
{
    return QStringLiteral(
        "The rates of %1 could not be saved.\n%2\nThe grid shows the saved rates.")
        .arg(destination, cause);
}

void RateGridModel::open(const Database &db, RateKind kind, qint32 carrierNo)
{
    submit();
    const QString query = RateGridColumns::queryName(kind);
    const QVector<RateGridColumn> columns = RateGridColumns::columns(kind);
    RecordSet set = RecordSet::openQuery(
        db, query, {{RateGridColumns::carrierParameter(), QVariant(carrierNo)}});
    QVector<int> positions;
    for (const RateGridColumn &column : columns) {
        const int position = set.fieldIndex(column.field);
        if (position < 0)
            throw DataError::other(
                QStringLiteral("The stored query %1 has no column %2.").arg(query, column.field));
        positions << position;
    }

    beginResetModel();
    m_set = std::move(set);
    m_kind = kind;
    m_carrierNo = carrierNo;
    m_rateQuery = query;
    m_columns = columns;
    m_positions = positions;
    m_pendingRow = -1;
    m_pending.clear();
    endResetModel();
}

void RateGridModel::close()
{
    submit();
    beginResetModel();
    m_set.reset();
    m_columns.clear();
    m_positions.clear();
    m_pendingRow = -1;
    m_pending.clear();
    endResetModel();
}

int RateGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_set ? 0 : m_set->rowCount();
}

int RateGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant RateGridModel::storedValue(int row, int column) const
{
    m_set->moveToRow(row);
    return m_set->field(m_positions[column]);
}

QString RateGridModel::destination(int row) const
{
    if (!m_set || row < 0 || row >= m_set->rowCount())
        return {};
    return storedValue(row, RateGridColumns::DestinationColumn).toString();
}

QString RateGridModel::widestRateText(int column) const
{
    if (!m_set || column <= RateGridColumns::DestinationColumn || column >= columnCount())
        return {};
    // Rates are never negative and every digit is as wide as any other: the largest is the
    // widest.
    QVariant largest;
    for (int row = 0; row < m_set->rowCount(); ++row) {
        const QVariant value = storedValue(row, column);
        if (!value.isNull() && (largest.isNull() || value.toLongLong() > largest.toLongLong()))
            largest = value;
    }
    return RateGridColumns::displayText(largest);
}

QVariant RateGridModel::data(const QModelIndex &index, int role) const
{
    if (!m_set || !index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const int column = index.column();
    const bool isRate = column != RateGridColumns::DestinationColumn;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: {
        QVariant value;
        if (index.row() == m_pendingRow && m_pending.contains(column))
            value = m_pending.value(column);
        else
            value = storedValue(index.row(), column);
        if (!isRate)
            return value.toString();
        return role == Qt::DisplayRole ? RateGridColumns::displayText(value)
                                       : RateGridColumns::editText(value);
    }
    case Qt::TextAlignmentRole:
        if (isRate)
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        break;
    }
    return {};
}

QVariant RateGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return section >= 0 && section < m_columns.size() ? m_columns[section].caption : QString();
    // The row selector marks the row whose typed rates are not written yet.
    return section == m_pendingRow ? QStringLiteral("\u270E") : QString();
}

Qt::ItemFlags RateGridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() != RateGridColumns::DestinationColumn)
        flags |= Qt::ItemIsEditable;
    return flags;
}

bool RateGridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (!m_set || role != Qt::EditRole || !index.isValid() || index.row() >= rowCount()
        || index.column() <= RateGridColumns::DestinationColumn || index.column() >= columnCount())
        return false;
    const int row = index.row();
    const int column = index.column();

    QVariant typed;
    if (!RateGridColumns::parseRate(value.toString(), &typed)) {
        emit refused(
            notARateMessage(destination(row), m_columns[column].caption, value.toString()));
        emit dataChanged(index, index);
        return false;
    }
    if (m_pendingRow >= 0 && m_pendingRow != row)
        submit();

    const QVariant stored = storedValue(row, column);
    const bool same = stored.isNull() == typed.isNull()
        && (typed.isNull() || stored.toLongLong() == typed.toLongLong());
    if (same)
        m_pending.remove(column);
    else
        m_pending.insert(column, typed);
    const int previous = m_pendingRow;
    m_pendingRow = m_pending.isEmpty() ? -1 : row;
    emit dataChanged(index, index);
    if (previous != m_pendingRow)
        emit headerDataChanged(Qt::Vertical, row, row);
    return true;
}

bool RateGridModel::submit()
{
    if (!m_set || m_pendingRow < 0)
        return true;
    // Taken off first: whatever happens, the same values are never written twice.
    const int row = m_pendingRow;
    const QHash<int, QVariant> values = m_pending;
    m_pendingRow = -1;
    m_pending.clear();

    bool written = true;
    try {
        m_set->moveToRow(row);
        m_set->edit();
        for (auto it = values.constBegin(); it != values.constEnd(); ++it)
            m_set->setField(m_columns[it.key()].field, it.value());
        m_set->update();
    } catch (const DataError &error) {
        if (m_set->editMode() != RecordSet::EditMode::None)
            m_set->cancelUpdate();
        written = false;
        emit refused(saveRefusedMessage(destination(row), error.message()));
    }
    emitRowChanged(row);
    return written;
}

void RateGridModel::revert()
{
    if (m_pendingRow < 0)
        return;
    const int row = m_pendingRow;
    m_pendingRow = -1;
    m_pending.clear();
    emitRowChanged(row);
}

void RateGridModel::emitRowChanged(int row)
{
    if (row < 0 || row >= rowCount())
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
    emit headerDataChanged(Qt::Vertical, row, row);
}

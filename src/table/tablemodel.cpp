#include "table/tablemodel.h"

#include "table/gridops.h"

#include <QColor>
#include <algorithm>

namespace qrn {

DataTableModel::DataTableModel(DataTable &table, QObject *parent) : QAbstractTableModel(parent), m_table(&table)
{
}

int DataTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : std::max(0, m_table->rowCount() - 1);
}

int DataTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_table->columnCount();
}

QVariant DataTableModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const int row = tableRow(index);
    switch (role) {
    case Qt::DisplayRole:
        return grid::shownText(*m_table, row, index.column());
    case Qt::EditRole:
        return m_table->text(row, index.column());
    case Qt::BackgroundRole: {
        const QRgb c = m_table->background(row);
        return c == 0 ? QVariant() : QVariant(QColor::fromRgba(c));
    }
    case Qt::TextAlignmentRole:
        return m_centredFrom >= 0 && index.column() >= m_centredFrom ? int(Qt::AlignCenter)
                                                                     : int(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QVariant DataTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal) {
        if (role == Qt::DisplayRole)
            return m_table->header(section);
        if (role == Qt::TextAlignmentRole)
            return m_centredFrom >= 0 && section >= m_centredFrom ? int(Qt::AlignCenter)
                                                                  : int(Qt::AlignLeft | Qt::AlignVCenter);
        return QVariant();
    }
    if (role == Qt::DisplayRole)
        return section + 1;
    return QVariant();
}

void DataTableModel::setCentredFrom(int column)
{
    if (column == m_centredFrom)
        return;
    m_centredFrom = column;
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::TextAlignmentRole});
    if (columnCount() > 0)
        emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

void DataTableModel::reload()
{
    beginResetModel();
    endResetModel();
}

void DataTableModel::coloursChanged()
{
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::BackgroundRole});
}

} // namespace qrn

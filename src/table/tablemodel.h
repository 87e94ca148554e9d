#pragma once
// A DataTable seen by a table view: the table's header row is the view's fixed header row, its
// data rows 1.. are the model's rows 0.., the background of a cell is the colour of its row and
// the columns from a given index on are centred. A cell shows its text with group marks in the
// numbers of the data columns (grid::shownText); its edit role is the plain text. The model reads the table it is given; after
// the table changed, reload() (new rows or columns) or coloursChanged() (new colours only)
// tells the views.

#include "table/datatable.h"

#include <QAbstractTableModel>

namespace qrn {

class DataTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit DataTableModel(DataTable &table, QObject *parent = nullptr);

    DataTable &table() const { return *m_table; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Columns from this index on are centred, the others aligned left; -1: none centred.
    void setCentredFrom(int column);
    int centredFrom() const { return m_centredFrom; }

    // The table row of a model index (the header row is not in the model), and back.
    static int tableRow(const QModelIndex &index) { return index.row() + 1; }
    QModelIndex indexOf(int tableRow, int column) const { return index(tableRow - 1, column); }

    void reload();
    void coloursChanged();

private:
    DataTable *m_table;
    int m_centredFrom = -1;
};

} // namespace qrn

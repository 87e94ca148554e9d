#pragma once
// The result table of a selection, as the data grid shows it: row 0 the headers, data rows from
// 1, every cell the text the database formatted. Besides the texts a row carries its background
// colour, so colours move with their rows when the table is sorted or a row is moved. The
// current cell and the selection end belong to the table too: the search leaves its matches
// selected, the export and the clipboard read them.

#include "shell/numberformat.h"

#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

struct CellPos {
    int row = 0;
    int column = 0;
    friend bool operator==(const CellPos &, const CellPos &) = default;
};

class DataTable {
public:
    // The colours of the stripes: even data rows the button face, odd rows white.
    static constexpr QRgb kEvenRow = 0xFFF0F0F0;
    static constexpr QRgb kOddRow = 0xFFFFFFFF;
    static constexpr QRgb kTotalRow = 0xFF00FF00;
    // Columns 0 to 5 hold the territory; the data columns start here.
    static constexpr int kFirstDataColumn = 6;

    DataTable() = default;
    // rows[0] is the header row; shorter rows are padded with empty cells.
    explicit DataTable(QList<QStringList> rows);

    int rowCount() const { return int(m_rows.size()); }
    int columnCount() const { return m_columns; }
    const QString &text(int row, int column) const;
    void setText(int row, int column, const QString &text);
    QString header(int column) const { return text(0, column); }
    QStringList headers() const { return m_rows.isEmpty() ? QStringList() : m_rows.first(); }
    // Every row, the header row first; each as long as the header row.
    const QList<QStringList> &rows() const { return m_rows; }

    // The first column whose header equals text exactly, -1 when none does.
    int columnOf(const QString &header) const;

    // Appends a column: header in row 0, cells[r - 1] in row r (missing cells stay empty).
    void appendColumn(const QString &header, const QStringList &cells);
    void removeLastColumn();

    // Row `from` moves to position `to`; the rows between shift by one. The header row may move
    // too (the text search compares it like any other row).
    void moveRow(int from, int to);
    // Moves the data rows listed (each once, none of them the header row) to positions 1, 2, ...
    // in the order given; the other data rows follow in their present order. The same result
    // as moving each listed row in turn to the next free position at the top, in one pass.
    void moveRowsToTop(const QList<int> &rows);

    // Sorts the data rows on one column in generic order: two cells that both read as numbers
    // in fmt compare as numbers, otherwise as text without regard to case. Stable, so rows
    // with equal keys keep their order. The header row stays.
    void sortGeneric(int column, bool ascending, const NumberFormat &fmt);

    // Empties the table: no rows, no columns, the cursor at the origin.
    void clear();

    // Background colour of a row (the header row has none: 0).
    QRgb background(int row) const { return row >= 0 && row < m_colours.size() ? m_colours[row] : 0; }
    void setBackground(int row, QRgb colour);
    // ColorGridLines: data rows striped by position.
    void colorStripes();
    // ColorGridLinesToT: green where column 3 reads exactly "TOTALE", white elsewhere.
    void colorTotals();

    CellPos current; // the current cell
    CellPos selEnd; // the selection end
    int topRow = 1; // the first data row shown at the top of the view

private:
    // The header row first, then the data rows in the given order (each data row once).
    void reorder(const std::vector<int> &order);

    QList<QStringList> m_rows;
    QList<QRgb> m_colours;
    int m_columns = 0;
};

} // namespace qrn

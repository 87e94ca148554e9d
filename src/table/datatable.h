#pragma once
// The result table of a selection, as the data grid shows it: row 0 the headers, data rows from
// 1. The cells keep the values the store returned (whole numbers, reals, texts, nulls); a cell
// becomes text only when it is read as text (shown, copied, exported), by the rules the store's
// own formatting follows, so every text is the one the statement would have produced:
//  - a column with a fixed number of decimals (the "0.00" format of the selection) writes every
//    number rounded as roundedDecimal rounds, with the table's decimal mark;
//  - any other column writes a real to 15 significant digits with the decimal mark, a whole
//    number as it is;
//  - a null is empty, a text is itself.
// The values are held column by column (eight bytes and a kind per cell); the data rows are an
// order over them, so a sort or a move reorders row numbers, not cells. Besides the cells a row
// carries its background colour, which moves with it. The current cell and the selection end
// belong to the table too: the search leaves its matches selected, the export and the clipboard
// read them.

#include "shell/numberformat.h"

#include <QList>
#include <QRgb>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <optional>
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
    // The decimals of a column whose numbers are written as they are.
    static constexpr int kPlain = -1;

    DataTable() = default;
    // A table of texts: rows[0] is the header row; shorter rows are padded with empty cells.
    explicit DataTable(QList<QStringList> rows);
    // An empty table with these columns (no data rows yet), numbers written in `numbers`;
    // decimals[c] is the fixed decimals of column c or kPlain (missing entries: kPlain).
    DataTable(const QStringList &headers, const QList<int> &decimals, const NumberFormat &numbers);

    // Filling a table made with the headers: one data row at a time, every cell of the row set
    // once by column before endRow() (cells left unset stay null).
    void reserveRows(int rows);
    void setNull(int column) { put(column, Kind::Null, 0); }
    void setInteger(int column, qint64 value) { put(column, Kind::Integer, quint64(value)); }
    void setReal(int column, double value);
    void setTextValue(int column, const QString &text);
    void endRow();

    int rowCount() const { return m_hasHeader ? int(m_order.size()) + 1 : 0; }
    int columnCount() const { return int(m_columns.size()); }
    // The text of a cell; empty outside the table.
    QString text(int row, int column) const;
    void setText(int row, int column, const QString &text);
    QString header(int column) const;
    QStringList headers() const;
    // Every row as text, the header row first; each as long as the header row.
    QList<QStringList> rows() const;
    // The fixed decimals of a column, kPlain when its numbers are written as they are.
    int decimals(int column) const;
    const NumberFormat &numbers() const { return m_numbers; }

    // The number a cell's text reads as in the table's format (computed from the value, without
    // writing the text for the stored numbers); nullopt for a blank cell or a text that is not a
    // number.
    std::optional<double> number(int row, int column) const { return number(row, column, m_numbers); }
    // The same in another format (a text cell is read in fmt).
    std::optional<double> number(int row, int column, const NumberFormat &fmt) const;
    // Whether the cell's text is empty once trimmed.
    bool isBlank(int row, int column) const;
    // Whether the cell holds a stored number (its text always reads as one unless it is empty).
    bool isNumeric(int row, int column) const;
    // The stored number of a cell as the store returned it (not rounded); nullopt for a null
    // or a text.
    std::optional<double> value(int row, int column) const;

    // The first column whose header equals text exactly, -1 when none does.
    int columnOf(const QString &header) const;

    // Appends a column of texts: header in row 0, cells[r - 1] in row r (missing cells stay
    // empty).
    void appendColumn(const QString &header, const QStringList &cells);
    void removeLastColumn();

    // Data row `from` moves to position `to`; the rows between shift by one.
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

    // Background colour of a row (0: none).
    QRgb background(int row) const;
    void setBackground(int row, QRgb colour);
    // ColorGridLines: data rows striped by position.
    void colorStripes();
    // ColorGridLinesToT: green where column 3 reads exactly "TOTALE", white elsewhere.
    void colorTotals();

    // The bytes the cells take: values, kinds, texts and the row order.
    size_t memoryBytes() const;

    CellPos current; // the current cell
    CellPos selEnd; // the selection end
    int topRow = 1; // the first data row shown at the top of the view

private:
    enum class Kind : std::uint8_t { Null, Integer, Real, Text };
    struct Column {
        QString header;
        int decimals = kPlain;
        std::vector<quint64> values; // by stored row: the real's bits, the whole number, the text's index
        std::vector<Kind> kinds; // by stored row
        std::vector<QString> texts;
    };

    void put(int column, Kind kind, quint64 value);
    // The stored row of data row `row` (1..), -1 outside.
    int stored(int row) const { return row >= 1 && row <= int(m_order.size()) ? m_order[size_t(row - 1)] : -1; }
    QString cellText(const Column &col, int storedRow) const;
    // The header row first, then the data rows in the given order (each data row once).
    void reorder(const std::vector<int> &order);

    std::vector<Column> m_columns;
    std::vector<int> m_order; // data row r is stored row m_order[r - 1]
    std::vector<QRgb> m_colours; // by stored row
    QRgb m_headerColour = 0;
    int m_storedRows = 0;
    bool m_hasHeader = false;
    NumberFormat m_numbers = NumberFormat::comma();
};

} // namespace qrn

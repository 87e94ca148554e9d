#include "table/datatable.h"

#include <algorithm>
#include <optional>
#include <vector>

namespace qrn {

DataTable::DataTable(QList<QStringList> rows) : m_rows(std::move(rows))
{
    for (const QStringList &r : m_rows)
        m_columns = std::max(m_columns, int(r.size()));
    for (QStringList &r : m_rows)
        while (r.size() < m_columns)
            r.append(QString());
    m_colours.fill(0, m_rows.size());
}

const QString &DataTable::text(int row, int column) const
{
    static const QString empty;
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns)
        return empty;
    return m_rows[row][column];
}

void DataTable::setText(int row, int column, const QString &text)
{
    if (row >= 0 && row < m_rows.size() && column >= 0 && column < m_columns)
        m_rows[row][column] = text;
}

int DataTable::columnOf(const QString &header) const
{
    if (m_rows.isEmpty())
        return -1;
    return int(m_rows.first().indexOf(header));
}

void DataTable::appendColumn(const QString &header, const QStringList &cells)
{
    if (m_rows.isEmpty()) {
        m_rows.append(QStringList());
        m_colours.append(0);
    }
    for (int r = 0; r < m_rows.size(); ++r)
        m_rows[r].append(r == 0 ? header : cells.value(r - 1));
    ++m_columns;
}

void DataTable::removeLastColumn()
{
    if (m_columns == 0)
        return;
    for (QStringList &r : m_rows)
        r.removeLast();
    --m_columns;
    current.column = std::min(current.column, std::max(0, m_columns - 1));
    selEnd.column = std::min(selEnd.column, std::max(0, m_columns - 1));
}

void DataTable::moveRow(int from, int to)
{
    if (from < 0 || from >= m_rows.size() || to < 0 || to >= m_rows.size() || from == to)
        return;
    m_rows.move(from, to);
    m_colours.move(from, to);
}

void DataTable::moveRowsToTop(const QList<int> &rows)
{
    if (rows.isEmpty() || m_rows.isEmpty())
        return;
    std::vector<char> listed(size_t(m_rows.size()), 0);
    for (int r : rows)
        if (r > 0 && r < m_rows.size())
            listed[size_t(r)] = 1;
    std::vector<int> order;
    order.reserve(size_t(m_rows.size()) - 1);
    for (int r : rows)
        if (r > 0 && r < m_rows.size() && listed[size_t(r)] == 1) {
            listed[size_t(r)] = 2; // taken: a row listed twice moves once
            order.push_back(r);
        }
    for (int r = 1; r < m_rows.size(); ++r)
        if (listed[size_t(r)] == 0)
            order.push_back(r);
    reorder(order);
}

void DataTable::reorder(const std::vector<int> &order)
{
    QList<QStringList> rows;
    QList<QRgb> colours;
    rows.reserve(m_rows.size());
    colours.reserve(m_rows.size());
    rows.append(std::move(m_rows[0]));
    colours.append(m_colours[0]);
    for (int r : order) {
        rows.append(std::move(m_rows[r]));
        colours.append(m_colours[r]);
    }
    m_rows = std::move(rows);
    m_colours = std::move(colours);
}

void DataTable::clear()
{
    m_rows.clear();
    m_colours.clear();
    m_columns = 0;
    current = {};
    selEnd = {};
    topRow = 1;
}

void DataTable::sortGeneric(int column, bool ascending, const NumberFormat &fmt)
{
    if (column < 0 || column >= m_columns || m_rows.size() < 3)
        return;
    // Read every key once: the number when the cell reads as one, the folded text otherwise.
    // Blank cells come first, then numbers (by value), then other texts (as text): a strict
    // weak order on any mix, so the result does not depend on the order the rows had.
    struct Key {
        int rank; // 0 blank, 1 number, 2 text
        double number;
        QString text;
        int row;
    };
    std::vector<Key> keys;
    keys.reserve(m_rows.size() - 1);
    for (int r = 1; r < m_rows.size(); ++r) {
        const QString &t = m_rows[r][column];
        if (const std::optional<double> n = fmt.toNumber(t))
            keys.push_back({1, *n, QString(), r});
        else if (t.trimmed().isEmpty())
            keys.push_back({0, 0.0, QString(), r});
        else
            keys.push_back({2, 0.0, t.toCaseFolded(), r});
    }
    auto less = [](const Key &a, const Key &b) {
        if (a.rank != b.rank)
            return a.rank < b.rank;
        if (a.rank == 1)
            return a.number < b.number;
        return a.rank == 2 && QString::localeAwareCompare(a.text, b.text) < 0;
    };
    if (ascending)
        std::stable_sort(keys.begin(), keys.end(), less);
    else
        std::stable_sort(keys.begin(), keys.end(), [&](const Key &a, const Key &b) { return less(b, a); });

    std::vector<int> order;
    order.reserve(keys.size());
    for (const Key &k : keys)
        order.push_back(k.row);
    reorder(order);
}

void DataTable::setBackground(int row, QRgb colour)
{
    if (row >= 0 && row < m_colours.size())
        m_colours[row] = colour;
}

void DataTable::colorStripes()
{
    for (int r = 1; r < m_colours.size(); ++r)
        m_colours[r] = (r % 2 == 0) ? kEvenRow : kOddRow;
}

void DataTable::colorTotals()
{
    for (int r = 1; r < m_colours.size(); ++r)
        m_colours[r] = (text(r, 3) == QLatin1String("TOTALE")) ? kTotalRow : kOddRow;
}

} // namespace qrn

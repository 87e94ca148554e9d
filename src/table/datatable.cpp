// The storage of DataTable: per column a vector of kinds and a vector of eight-byte values (a
// whole number, the bits of a real, or an index into the column's own texts), filled a row at a
// time by put and endRow, and one order of stored rows that sorts and moves rearrange without
// touching a cell. Texts of numbers are made only when a cell is read. A cell overwritten with text
// reuses its text slot when it has one; a column's texts go only with the column or with clear().

#include "table/datatable.h"

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdlib>

namespace qrn {

namespace {

// The value of a decimal text written by the program ("-12.35", "1.5e+20").
double readDecimal(const char *first, const char *last)
{
    double v = 0;
    std::from_chars(first, last, v);
    return v;
}

} // namespace

DataTable::DataTable(QList<QStringList> rows)
{
    if (rows.isEmpty())
        return;
    int columns = 0;
    for (const QStringList &r : rows)
        columns = std::max(columns, int(r.size()));
    QStringList headers = rows.first();
    while (headers.size() < columns)
        headers.append(QString());
    *this = DataTable(headers, {}, NumberFormat::comma());
    reserveRows(int(rows.size()) - 1);
    for (int r = 1; r < rows.size(); ++r) {
        const QStringList &row = rows[r];
        for (int c = 0; c < row.size(); ++c)
            if (!row[c].isEmpty())
                setTextValue(c, row[c]);
        endRow();
    }
}

DataTable::DataTable(const QStringList &headers, const QList<int> &decimals, const NumberFormat &numbers)
    : m_hasHeader(true), m_numbers(numbers)
{
    m_columns.resize(size_t(headers.size()));
    for (int c = 0; c < headers.size(); ++c) {
        m_columns[size_t(c)].header = headers[c];
        m_columns[size_t(c)].decimals = decimals.value(c, kPlain);
    }
}

void DataTable::reserveRows(int rows)
{
    for (Column &col : m_columns) {
        col.values.reserve(size_t(rows));
        col.kinds.reserve(size_t(rows));
    }
    m_order.reserve(size_t(rows));
    m_colours.reserve(size_t(rows));
}

void DataTable::put(int column, Kind kind, quint64 value)
{
    if (column < 0 || column >= int(m_columns.size()))
        return;
    Column &col = m_columns[size_t(column)];
    if (int(col.kinds.size()) == m_storedRows) {
        col.kinds.push_back(kind);
        col.values.push_back(value);
    } else {
        col.kinds.back() = kind;
        col.values.back() = value;
    }
}

void DataTable::setReal(int column, double value)
{
    put(column, Kind::Real, std::bit_cast<quint64>(value));
}

void DataTable::setTextValue(int column, const QString &text)
{
    if (column < 0 || column >= int(m_columns.size()))
        return;
    Column &col = m_columns[size_t(column)];
    col.texts.push_back(text);
    put(column, Kind::Text, quint64(col.texts.size() - 1));
}

void DataTable::endRow()
{
    for (Column &col : m_columns)
        if (int(col.kinds.size()) == m_storedRows) {
            col.kinds.push_back(Kind::Null);
            col.values.push_back(0);
        }
    m_order.push_back(m_storedRows);
    m_colours.push_back(0);
    ++m_storedRows;
}

QString DataTable::cellText(const Column &col, int s) const
{
    const quint64 v = col.values[size_t(s)];
    switch (col.kinds[size_t(s)]) {
    case Kind::Null:
        return QString();
    case Kind::Integer:
        return col.decimals >= 0 ? m_numbers.fixed(double(qint64(v)), col.decimals) : QString::number(qint64(v));
    case Kind::Real: {
        const double d = std::bit_cast<double>(v);
        if (col.decimals >= 0)
            return m_numbers.fixed(d, col.decimals);
        QString t = QString::number(d, 'g', 15);
        if (m_numbers.decimal != QLatin1Char('.'))
            t.replace(QLatin1Char('.'), m_numbers.decimal);
        return t;
    }
    case Kind::Text:
        return col.texts[size_t(v)];
    }
    return QString();
}

QString DataTable::text(int row, int column) const
{
    if (column < 0 || column >= int(m_columns.size()))
        return QString();
    if (row == 0)
        return m_hasHeader ? m_columns[size_t(column)].header : QString();
    const int s = stored(row);
    return s < 0 ? QString() : cellText(m_columns[size_t(column)], s);
}

void DataTable::setText(int row, int column, const QString &text)
{
    if (column < 0 || column >= int(m_columns.size()))
        return;
    Column &col = m_columns[size_t(column)];
    if (row == 0) {
        if (m_hasHeader)
            col.header = text;
        return;
    }
    const int s = stored(row);
    if (s < 0)
        return;
    if (col.kinds[size_t(s)] == Kind::Text) {
        col.texts[size_t(col.values[size_t(s)])] = text;
        return;
    }
    col.texts.push_back(text);
    col.kinds[size_t(s)] = Kind::Text;
    col.values[size_t(s)] = quint64(col.texts.size() - 1);
}

QString DataTable::header(int column) const
{
    return text(0, column);
}

QStringList DataTable::headers() const
{
    QStringList out;
    if (!m_hasHeader)
        return out;
    out.reserve(qsizetype(m_columns.size()));
    for (const Column &col : m_columns)
        out.append(col.header);
    return out;
}

QList<QStringList> DataTable::rows() const
{
    QList<QStringList> out;
    if (!m_hasHeader)
        return out;
    out.reserve(rowCount());
    out.append(headers());
    for (int r = 1; r < rowCount(); ++r) {
        QStringList row;
        row.reserve(columnCount());
        for (const Column &col : m_columns)
            row.append(cellText(col, stored(r)));
        out.append(std::move(row));
    }
    return out;
}

int DataTable::decimals(int column) const
{
    return column >= 0 && column < int(m_columns.size()) ? m_columns[size_t(column)].decimals : kPlain;
}

std::optional<double> DataTable::number(int row, int column, const NumberFormat &fmt) const
{
    if (row < 1 || column < 0 || column >= int(m_columns.size()))
        return fmt.toNumber(text(row, column));
    const int s = stored(row);
    if (s < 0)
        return std::nullopt;
    const Column &col = m_columns[size_t(column)];
    const Kind kind = col.kinds[size_t(s)];
    const quint64 v = col.values[size_t(s)];
    // A stored number read in another decimal mark than the one it is written with: as the text
    // reads there.
    if (kind == Kind::Null)
        return std::nullopt;
    if (kind == Kind::Text || fmt.decimal != m_numbers.decimal)
        return fmt.toNumber(cellText(col, s));
    // The value of the text the number is written as, without the text: the same digits,
    // read back.
    char buf[64];
    if (kind == Kind::Integer) {
        const qint64 i = qint64(v);
        if (col.decimals < 0 || std::llabs(i) < 1'000'000'000'000'000LL)
            return double(i);
        thread_local std::string t;
        roundedDecimalTo(t, double(i), col.decimals);
        return readDecimal(t.data(), t.data() + t.size());
    }
    const double d = std::bit_cast<double>(v);
    if (!std::isfinite(d))
        return std::nullopt; // written as empty text (fixed) or as "inf"/"nan", neither a number
    if (col.decimals >= 0) {
        thread_local std::string t;
        roundedDecimalTo(t, d, col.decimals);
        return readDecimal(t.data(), t.data() + t.size());
    }
    const auto [end, ec] = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::general, 15);
    return ec == std::errc() ? readDecimal(buf, end) : fmt.toNumber(cellText(col, s));
}

bool DataTable::isBlank(int row, int column) const
{
    if (row < 1 || column < 0 || column >= int(m_columns.size()))
        return text(row, column).trimmed().isEmpty();
    const int s = stored(row);
    if (s < 0)
        return true;
    const Column &col = m_columns[size_t(column)];
    switch (col.kinds[size_t(s)]) {
    case Kind::Null:
        return true;
    case Kind::Integer:
        return false;
    case Kind::Real:
        return col.decimals >= 0 && !std::isfinite(std::bit_cast<double>(col.values[size_t(s)]));
    case Kind::Text:
        return col.texts[size_t(col.values[size_t(s)])].trimmed().isEmpty();
    }
    return true;
}

bool DataTable::isNumeric(int row, int column) const
{
    const int s = stored(row);
    if (s < 0 || column < 0 || column >= int(m_columns.size()))
        return false;
    const Kind k = m_columns[size_t(column)].kinds[size_t(s)];
    return k == Kind::Integer || k == Kind::Real;
}

std::optional<double> DataTable::value(int row, int column) const
{
    const int s = stored(row);
    if (s < 0 || column < 0 || column >= int(m_columns.size()))
        return std::nullopt;
    const Column &col = m_columns[size_t(column)];
    const quint64 v = col.values[size_t(s)];
    switch (col.kinds[size_t(s)]) {
    case Kind::Integer:
        return double(qint64(v));
    case Kind::Real:
        return std::bit_cast<double>(v);
    default:
        return std::nullopt;
    }
}

int DataTable::columnOf(const QString &header) const
{
    if (!m_hasHeader)
        return -1;
    for (size_t c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].header == header)
            return int(c);
    return -1;
}

void DataTable::appendColumn(const QString &header, const QStringList &cells)
{
    m_hasHeader = true;
    Column col;
    col.header = header;
    col.kinds.assign(size_t(m_storedRows), Kind::Null);
    col.values.assign(size_t(m_storedRows), 0);
    for (int r = 1; r < rowCount(); ++r) {
        const QString t = cells.value(r - 1);
        if (t.isEmpty())
            continue;
        const int s = stored(r);
        col.texts.push_back(t);
        col.kinds[size_t(s)] = Kind::Text;
        col.values[size_t(s)] = quint64(col.texts.size() - 1);
    }
    m_columns.push_back(std::move(col));
}

void DataTable::removeLastColumn()
{
    if (m_columns.empty())
        return;
    m_columns.pop_back();
    const int columns = int(m_columns.size());
    current.column = std::min(current.column, std::max(0, columns - 1));
    selEnd.column = std::min(selEnd.column, std::max(0, columns - 1));
}

void DataTable::moveRow(int from, int to)
{
    const int n = int(m_order.size());
    if (from < 1 || from > n || to < 1 || to > n || from == to)
        return;
    auto at = [&](int r) { return m_order.begin() + (r - 1); };
    if (from < to)
        std::rotate(at(from), at(from) + 1, at(to) + 1);
    else
        std::rotate(at(to), at(from), at(from) + 1);
}

void DataTable::moveRowsToTop(const QList<int> &rows)
{
    if (rows.isEmpty() || m_order.empty())
        return;
    const int n = int(m_order.size());
    std::vector<char> listed(size_t(n) + 1, 0);
    for (int r : rows)
        if (r > 0 && r <= n)
            listed[size_t(r)] = 1;
    std::vector<int> order;
    order.reserve(size_t(n));
    for (int r : rows)
        if (r > 0 && r <= n && listed[size_t(r)] == 1) {
            listed[size_t(r)] = 2; // taken: a row listed twice moves once
            order.push_back(r);
        }
    for (int r = 1; r <= n; ++r)
        if (listed[size_t(r)] == 0)
            order.push_back(r);
    reorder(order);
}

void DataTable::reorder(const std::vector<int> &order)
{
    std::vector<int> next;
    next.reserve(m_order.size());
    for (int r : order)
        next.push_back(m_order[size_t(r - 1)]);
    m_order = std::move(next);
}

void DataTable::clear()
{
    *this = DataTable();
}

void DataTable::sortGeneric(int column, bool ascending, const NumberFormat &fmt)
{
    if (column < 0 || column >= columnCount() || rowCount() < 3)
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
    keys.reserve(m_order.size());
    for (int r = 1; r < rowCount(); ++r) {
        if (const std::optional<double> n = number(r, column, fmt))
            keys.push_back({1, *n, QString(), r});
        else if (isBlank(r, column))
            keys.push_back({0, 0.0, QString(), r});
        else
            keys.push_back({2, 0.0, text(r, column).toCaseFolded(), r});
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

QRgb DataTable::background(int row) const
{
    if (row == 0)
        return m_hasHeader ? m_headerColour : 0;
    const int s = stored(row);
    return s < 0 ? 0 : m_colours[size_t(s)];
}

void DataTable::setBackground(int row, QRgb colour)
{
    if (row == 0) {
        if (m_hasHeader)
            m_headerColour = colour;
        return;
    }
    const int s = stored(row);
    if (s >= 0)
        m_colours[size_t(s)] = colour;
}

void DataTable::colorStripes()
{
    for (int r = 1; r < rowCount(); ++r)
        m_colours[size_t(stored(r))] = (r % 2 == 0) ? kEvenRow : kOddRow;
}

void DataTable::colorTotals()
{
    for (int r = 1; r < rowCount(); ++r)
        m_colours[size_t(stored(r))] = (text(r, 3) == QLatin1String("TOTALE")) ? kTotalRow : kOddRow;
}

size_t DataTable::memoryBytes() const
{
    // A text's characters are UTF-16 behind a shared header, in a block of their own.
    constexpr size_t kTextHeader = 16 + 16;
    size_t bytes = m_order.capacity() * sizeof(int) + m_colours.capacity() * sizeof(QRgb);
    for (const Column &col : m_columns) {
        bytes += col.values.capacity() * sizeof(quint64) + col.kinds.capacity() * sizeof(Kind)
            + col.texts.capacity() * sizeof(QString);
        for (const QString &t : col.texts)
            bytes += t.isEmpty() ? 0 : kTextHeader + size_t(t.capacity()) * sizeof(QChar);
    }
    return bytes;
}

} // namespace qrn

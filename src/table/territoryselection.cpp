#include "table/territoryselection.h"

#include <algorithm>

namespace qrn {

namespace {
constexpr int kCodeColumn = 1;
}

TerritorySelection::TerritorySelection(QObject *parent) : QObject(parent) {}

QStringList TerritorySelection::sortedCodes() const
{
    QStringList out(m_codes.begin(), m_codes.end());
    std::sort(out.begin(), out.end());
    return out;
}

void TerritorySelection::replace(QSet<QString> codes, const QString &current)
{
    const QString now = codes.contains(current) ? current : QString();
    if (codes == m_codes && now == m_current)
        return;
    m_codes = std::move(codes);
    m_current = now;
    emit changed();
}

void TerritorySelection::set(const QStringList &codes)
{
    QSet<QString> next;
    QString first;
    for (const QString &c : codes) {
        const QString code = c.trimmed();
        if (code.isEmpty())
            continue;
        if (first.isEmpty())
            first = code;
        next.insert(code);
    }
    replace(std::move(next), first);
}

void TerritorySelection::add(const QString &code)
{
    const QString c = code.trimmed();
    if (c.isEmpty())
        return;
    QSet<QString> next = m_codes;
    next.insert(c);
    replace(std::move(next), c);
}

void TerritorySelection::remove(const QString &code)
{
    QSet<QString> next = m_codes;
    next.remove(code.trimmed());
    replace(std::move(next), m_current);
}

void TerritorySelection::toggle(const QString &code)
{
    if (contains(code))
        remove(code);
    else
        add(code);
}

void TerritorySelection::clear()
{
    replace({}, QString());
}

QStringList territoryCodesOfRows(const DataTable &table, const QList<int> &rows)
{
    QStringList out;
    QSet<QString> seen;
    for (int row : rows) {
        if (row < 1 || row >= table.rowCount())
            continue;
        const QString code = table.text(row, kCodeColumn).trimmed();
        if (code.isEmpty() || seen.contains(code))
            continue;
        seen.insert(code);
        out << code;
    }
    return out;
}

QList<int> rowsOfTerritories(const DataTable &table, const QSet<QString> &codes)
{
    QList<int> out;
    if (codes.isEmpty())
        return out;
    for (int row = 1; row < table.rowCount(); ++row)
        if (codes.contains(table.text(row, kCodeColumn).trimmed()))
            out << row;
    return out;
}

} // namespace qrn

#include "table/formula/derivedindicator.h"

namespace qrn::formula {

TableSnapshot::TableSnapshot(QList<QStringList> cells) : m_cells(std::move(cells))
{
    m_columns = m_cells.isEmpty() ? 0 : int(m_cells.first().size());
    m_headers.reserve(m_columns);
    for (int c = 0; c < m_columns; ++c)
        m_headers.append(c < firstDataColumn ? QString() : m_cells.first().at(c));
}

const QString &TableSnapshot::cell(int row, int column) const
{
    static const QString none;
    if (row < 0 || row >= m_cells.size() || column < 0)
        return none;
    const QStringList &r = m_cells.at(row);
    return column < r.size() ? r.at(column) : none;
}

QStringList TableSnapshot::dataHeaders() const
{
    return m_headers.mid(firstDataColumn);
}

bool isValidIndicatorName(const QString &name)
{
    for (QChar c : name) {
        const char16_t u = c.unicode();
        const bool ok = (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || (u >= '0' && u <= '9');
        if (!ok)
            return false;
    }
    return true;
}

QString nextDefaultName(DerivedMemory &memory)
{
    if (memory.counter < 32767)
        ++memory.counter;
    const qsizetype underscore = memory.lastColumnPicked.indexOf(QLatin1Char('_'));
    if (underscore >= 0)
        memory.lastColumnPicked = memory.lastColumnPicked.mid(underscore + 1);
    return QLatin1String("Funz") + QString::number(memory.counter) + memory.lastColumnPicked;
}

ExecuteOutcome executeText(const QString &expressionText, const QString &name, const TableSnapshot &snapshot,
                           const NumberFormat &fmt)
{
    ExecuteOutcome out;
    if (expressionText.trimmed().isEmpty())
        return out;
    out.header = name;
    const QList<Token> tokens = tokenize(expressionText, snapshot.headers(), firstDataColumn);
    const std::optional<CompiledFormula> formula = CompiledFormula::compile(tokens, fmt);
    if (!formula) {
        out.kind = ExecuteOutcome::Kind::SyntaxError;
        return out;
    }

    const int rows = snapshot.rowCount();
    out.cells.reserve(rows > 0 ? rows - 1 : 0);
    for (int r = 1; r < rows; ++r) {
        EvalResult res = formula->evaluate([&](int c) -> const QString & { return snapshot.cell(r, c); });
        out.cells.append(std::move(res.text));
    }
    out.kind = ExecuteOutcome::Kind::Added;
    out.column = snapshot.columnCount();
    return out;
}

} // namespace qrn::formula

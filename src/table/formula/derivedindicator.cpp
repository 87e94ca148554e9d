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

QString askIndicatorName(DerivedMemory &memory, Prompt &prompt)
{
    const QString defaultName = nextDefaultName(memory);
    for (;;) {
        const QString answer = prompt.input(namePrompt, nameTitle, defaultName).value_or(QString());
        if (isValidIndicatorName(answer))
            return answer;
        prompt.message(nameWarning, nameWarningTitle, Icon::Exclamation, Buttons::Ok);
    }
}

ExecuteOutcome execute(FormulaBuilder &builder, const TableSnapshot &snapshot, const NumberFormat &fmt, Prompt &prompt)
{
    if (builder.text().trimmed().isEmpty())
        return {};
    builder.endNumberEntry();
    return executeText(builder.text(), builder.memory(), snapshot, fmt, prompt);
}

ExecuteOutcome executeText(const QString &expressionText, DerivedMemory &memory, const TableSnapshot &snapshot,
                           const NumberFormat &fmt, Prompt &prompt)
{
    ExecuteOutcome out;
    if (expressionText.trimmed().isEmpty())
        return out;

    const QList<Token> tokens = tokenize(expressionText, snapshot.headers(), firstDataColumn);

    out.header = askIndicatorName(memory, prompt);
    if (out.header.isEmpty()) {
        out.kind = ExecuteOutcome::Kind::Cancelled;
        return out;
    }

    const std::optional<CompiledFormula> formula = CompiledFormula::compile(tokens, fmt);
    if (!formula) {
        prompt.message(syntaxMessage, syntaxTitle, Icon::Exclamation, Buttons::Ok);
        out.kind = ExecuteOutcome::Kind::SyntaxError;
        return out;
    }

    BusyPointer busy(&prompt);
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

#include "table/formula/formulabuilder.h"

namespace qrn::formula {

bool FormulaBuilder::numberPart(QChar c)
{
    if (m_last == LastKind::Column && !m_numberEntry)
        return false;
    m_text += c;
    m_last = LastKind::Column;
    m_numberEntry = true;
    return true;
}

bool FormulaBuilder::digit(int d)
{
    if (d < 0 || d > 9)
        return false;
    return numberPart(QChar(char16_t(u'0' + d)));
}

bool FormulaBuilder::decimalPoint()
{
    return numberPart(QLatin1Char('.'));
}

bool FormulaBuilder::op(char c)
{
    if (c != '+' && c != '-' && c != '*' && c != '/' && c != '^')
        return false;
    if (!operatorAllowed())
        return false;
    m_text += QLatin1Char(c);
    m_text += QLatin1Char(' ');
    m_last = LastKind::Operator;
    m_numberEntry = false;
    return true;
}

bool FormulaBuilder::percent()
{
    if (!operatorAllowed())
        return false;
    m_text += QLatin1String("* 100 ");
    m_numberEntry = false;
    return true;
}

bool FormulaBuilder::openParen()
{
    m_text += QLatin1String("( ");
    m_last = LastKind::Paren;
    return true;
}

bool FormulaBuilder::closeParen()
{
    m_text += QLatin1String(") ");
    m_last = LastKind::Paren;
    return true;
}

bool FormulaBuilder::column(const QString &header)
{
    if (m_last == LastKind::Column)
        return false;
    m_text += header;
    m_text += QLatin1Char(' ');
    m_last = LastKind::Column;
    m_numberEntry = false;
    m_memory.lastColumnPicked = header;
    return true;
}

void FormulaBuilder::reset()
{
    m_text.clear();
    m_last = LastKind::None;
    m_numberEntry = false;
}

} // namespace qrn::formula

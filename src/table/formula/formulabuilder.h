#pragma once
// The expression of the formula window as the keypad and the column list build it. Every input
// either appends its text and returns true, or is refused, changes nothing and returns false
// (the window ignores a refused input without a message).

#include <QString>

#include <cstdint>

namespace qrn::formula {

// Values that outlive one formula window and belong to the grid window: the number of derived
// indicators made so far (the grid window's "Chiudi" sets it back to 0) and the last column
// text picked from the column list, which the default name of the next indicator uses.
struct DerivedMemory {
    std::int16_t counter = 0;
    QString lastColumnPicked;

    void resetCounter() { counter = 0; }
};

// Kind of the last token entered.
enum class LastKind : std::uint8_t {
    None, // "" nothing yet
    Column, // "col" a column or a number
    Operator, // "ope"
    Paren, // "par"
};

class FormulaBuilder {
public:
    explicit FormulaBuilder(DerivedMemory &memory) : m_memory(memory) { }

    // cmdNumero 0 to 9: the digit, no blank. Refused after a column, or after a number whose
    // entry has ended ("%", an execution). Starts or continues number entry.
    bool digit(int d);
    // cmdVirgola ",": a decimal point "." with no blank, under the rule of the digits.
    bool decimalPoint();
    // cmdSomma, cmdDifferenza, cmdMoltiplica, cmdRapporto, cmdEleva: the operator ('+', '-',
    // '*', '/' or '^') and a blank. Accepted only after a column, a number or a parenthesis;
    // ends number entry. Any other character is refused.
    bool op(char c);
    // cmdPercentuale "%": "* 100" and a blank, under the operator rule; ends number entry and
    // leaves the last kind as it was, so an operator may follow.
    bool percent();
    // cmdParentesiAp "(" and cmdParentesiCh ")": the parenthesis and a blank, always accepted.
    bool openParen();
    bool closeParen();
    // Double click on lstColonne: the header and a blank. Refused right after a column or a
    // number; ends number entry and remembers the header as the last column picked.
    bool column(const QString &header);

    // Esegui ends number entry before it evaluates.
    void endNumberEntry() { m_numberEntry = false; }
    // Reset and the opening of the window: empty expression, no last kind, no number entry.
    // The last column picked is kept: it belongs to the grid window.
    void reset();

    const QString &text() const { return m_text; }
    LastKind lastKind() const { return m_last; }
    bool numberEntry() const { return m_numberEntry; }
    const QString &lastColumnPicked() const { return m_memory.lastColumnPicked; }
    DerivedMemory &memory() const { return m_memory; }

private:
    bool numberPart(QChar c);
    bool operatorAllowed() const { return m_last == LastKind::Column || m_last == LastKind::Paren; }

    DerivedMemory &m_memory;
    QString m_text;
    LastKind m_last = LastKind::None;
    bool m_numberEntry = false;
};

} // namespace qrn::formula

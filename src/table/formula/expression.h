#pragma once
// Derived-indicator expressions: the tokens of an expression text, the row expression built for
// one table row, and the evaluator of a row expression with the arithmetic of the Access (Jet)
// expression service: double precision, "^" binding tightest and grouping to the left,
// negation below "^" (so -2 ^ 2 is -4), then "*" "/", then "+" "-", and parentheses.
//
// The grammar of a row expression (blanks, tabs and line breaks between lexemes are ignored):
//   expression := term { ("+" | "-") term }
//   term       := factor { ("*" | "/") factor }
//   factor     := { "+" | "-" } power            -- a sign negates the whole power chain after it
//   power      := primary { "^" exponent }       -- left to right: 2 ^ 3 ^ 2 = (2 ^ 3) ^ 2 = 64
//   exponent   := primary | ("+" | "-") factor   -- 2 ^ -2 = 0,25; the sign again sits below "^"
//   primary    := number | "(" expression ")" | CDbl "(" (string | expression) ")"
//   number     := digits ["." [digits]] | "." digits  -- the keypad writes "." as decimal point
//   string     := "'" { any character, "''" for a quote } "'"
// CDbl is matched without regard to case, as the engine matches function names. A string reads
// as a number in the program's number format (decimal and group marks, signs, blanks around).

#include "shell/numberformat.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <optional>
#include <vector>

namespace qrn::formula {

// A token of the expression text at execution: kind "c" names a data column (column holds its
// index in the table), kind "a" is anything else, copied unchanged into the row expression.
struct Token {
    QString text;
    bool isColumn = false; // kind "c"
    int column = -1; // the column index when isColumn

    QChar kind() const { return isColumn ? QLatin1Char('c') : QLatin1Char('a'); }
    friend bool operator==(const Token &, const Token &) = default;
};

// Splits the expression text as the execution does: trims the blanks around it, replaces each
// pair of consecutive blanks by one blank in a single left-to-right pass, splits at blanks and
// classifies every token. headers is indexed by column; a token equal to the header of a column
// from dataColumnFrom on becomes kind "c" (the first such column by ascending index).
QList<Token> tokenize(const QString &expressionText, const QStringList &headers, int dataColumnFrom = 6);

// One row's expression: each "a" token's text and a blank; each "c" token gives
// "CDbl('" + cell text + "') ". When a referenced cell does not read as a number in fmt the
// whole row expression is empty. cell(column) returns the text of the row's cell.
template <typename CellFn> QString rowExpression(const QList<Token> &tokens, CellFn &&cell, const NumberFormat &fmt);

enum class ResultKind : std::uint8_t {
    Value, // text holds the cell text to write
    Blank, // the cell stays empty: division by zero, a value out of range, no number
    SyntaxError, // the expression cannot be evaluated: the "E" outcome
};

struct EvalResult {
    ResultKind kind = ResultKind::Blank;
    QString text;

    static EvalResult blank() { return {}; }
    static EvalResult syntaxError() { return {ResultKind::SyntaxError, {}}; }
    static EvalResult value(QString t) { return {ResultKind::Value, std::move(t)}; }
    friend bool operator==(const EvalResult &, const EvalResult &) = default;
};

// The result text of a computed value: four decimals, rounded as the table's values are
// (roundedDecimal), with the decimal mark of fmt and no group marks (1 / 3 gives "0,3333" with
// a decimal comma).
QString formatResult(double value, const NumberFormat &fmt);

// A cell text read as a number exactly as fmt.toNumber reads it; the common shape of a cell
// (an optional sign, digits, the decimal mark and digits) is read without going through text
// conversions.
std::optional<double> readCellNumber(const QString &text, const NumberFormat &fmt);

// Evaluates one row expression:
//  1. if the text reads as a number in fmt and holds no group mark of fmt, the result is the
//     text trimmed, unformatted (a constant with a group mark is evaluated like any other
//     expression: under a decimal comma "1.5" is the keypad's 1.5, not 15);
//  2. an empty (or all blank) text gives a blank result;
//  3. a text that does not follow the grammar, or nests deeper than maxNesting, is a syntax
//     error (checked for the whole text before any arithmetic);
//  4. otherwise the value: a division by zero anywhere, a value that overflows or is not a real
//     number (as (-8) ^ (1 / 3)) anywhere, or a CDbl string that does not read as a number gives
//     a blank result; a finite value is written as formatResult gives it.
EvalResult evaluateRowExpression(QStringView expression, const NumberFormat &fmt);

// How deep parentheses, CDbl calls and signed exponents may nest before the expression is
// refused as a syntax error (keeps the recursive parser far from the end of the stack).
inline constexpr int maxNesting = 200;

// A token list parsed once, evaluated for any number of rows: the same results as building each
// row's expression and evaluating it, without reading every cell twice and parsing every row.
class CompiledFormula {
public:
    // Parses the tokens. Returns nothing when the expression is a syntax error for every row
    // (the "c" tokens stand for numbers, which is what any row that gets evaluated has there).
    static std::optional<CompiledFormula> compile(const QList<Token> &tokens, const NumberFormat &fmt);

    // The columns read by the formula, one per "c" token, in token order.
    const std::vector<int> &columns() const { return m_columns; }

    // The result for one row. cell(column) returns the text of the row's cell.
    template <typename CellFn> EvalResult evaluate(CellFn &&cell) const;

    // The result for the values of the referenced columns (in the order of columns()).
    EvalResult evaluateValues(const double *values) const;

    // Internal program: a postfix list of operations.
    struct Op {
        enum Code : std::uint8_t { Number, Column, Negate, Add, Subtract, Multiply, Divide, Power, NotANumber };
        Code code;
        double number = 0; // Number
        int slot = 0; // Column: index into the values of columns()
    };

private:
    CompiledFormula() = default;

    std::vector<Op> m_program;
    std::vector<int> m_columns;
    int m_stackNeeded = 0;
    std::optional<QString> m_constantText; // the expression reads as a number: written as is
    bool m_empty = false; // nothing but blanks: every result is blank
    NumberFormat m_fmt;
};

// ---- templates -------------------------------------------------------------------------------

template <typename CellFn> QString rowExpression(const QList<Token> &tokens, CellFn &&cell, const NumberFormat &fmt)
{
    QString e;
    for (const Token &t : tokens) {
        if (!t.isColumn) {
            e += t.text;
            e += QLatin1Char(' ');
            continue;
        }
        const QString text = cell(t.column);
        if (!fmt.isNumber(text))
            return QString();
        e += QLatin1String("CDbl('");
        e += text;
        e += QLatin1String("') ");
    }
    return e;
}

template <typename CellFn> EvalResult CompiledFormula::evaluate(CellFn &&cell) const
{
    if (m_constantText)
        return EvalResult::value(*m_constantText);
    if (m_empty)
        return EvalResult::blank();
    // A row has at most a few dozen references; keep their values on the stack.
    constexpr std::size_t inlineSlots = 32;
    double local[inlineSlots];
    std::vector<double> heap;
    double *values = local;
    if (m_columns.size() > inlineSlots) {
        heap.resize(m_columns.size());
        values = heap.data();
    }
    for (std::size_t i = 0; i < m_columns.size(); ++i) {
        const std::optional<double> v = readCellNumber(cell(m_columns[i]), m_fmt);
        if (!v)
            return EvalResult::blank();
        values[i] = *v;
    }
    return evaluateValues(values);
}

} // namespace qrn::formula

// Keypad rules of the formula window and the tokens the execution makes of its text.

#include "table/formula/expression.h"
#include "table/formula/formulabuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qrn::formula;

namespace {

// Presses keys in order: digits, "." "+" "-" "*" "/" "^" "%" "(" ")", or a column header in
// brackets ("[A]"). Returns which presses were accepted, as a string of 1 and 0.
std::string press(FormulaBuilder &b, const std::vector<const char *> &keys)
{
    std::string accepted;
    for (const std::string k : keys) {
        bool ok;
        if (k.size() > 2 && k.front() == '[')
            ok = b.column(QString::fromStdString(k.substr(1, k.size() - 2)));
        else if (k == "%" || k == "(" || k == ")" || k == ".")
            ok = k == "%" ? b.percent() : k == "(" ? b.openParen() : k == ")" ? b.closeParen() : b.decimalPoint();
        else
            ok = std::isdigit(k[0]) ? b.digit(k[0] - '0') : b.op(k[0]);
        accepted += ok ? '1' : '0';
    }
    return accepted;
}

// The tokens as "text" for an operand or operator and "text=column" for a column, joined by "|".
std::string show(const QList<Token> &tokens)
{
    QStringList parts;
    for (const Token &t : tokens)
        parts << (t.isColumn ? t.text + "=" + QString::number(t.column) : t.text);
    return parts.join('|').toStdString();
}

} // namespace

// Which keys each sequence accepts, the text it writes and the kind of the last accepted key.
TEST(FormulaBuilder, KeySequences)
{
    const struct {
        std::vector<const char *> keys;
        const char *accepted;
        const char *text;
        LastKind last;
    } cases[] = {
        // An operator needs a column, a number or a parenthesis before it.
        {{"+", "*", "^", "%"}, "0000", "", LastKind::None},
        {{"5", "-", "+", "/", "%"}, "11000", "5- ", LastKind::Operator},
        {{"5", "-", "(", "-", "2", ")", "^", "2"}, "11111111", "5- ( - 2) ^ 2", LastKind::Column},
        // Digits and the point join into one number; the operator follows it without a blank.
        {{"1", "2", "+", "3", ".", "2", "5"}, "1111111", "12+ 3.25", LastKind::Column},
        // No column after a column or a number; after a parenthesis, yes.
        {{"[A]", "[B]", "7", "."}, "1000", "A ", LastKind::Column},
        {{"4", "2", "[A]"}, "110", "42", LastKind::Column},
        {{"(", "[A]", ")", "[B]"}, "1111", "( A ) B ", LastKind::Column},
        // "%" is times a hundred and keeps the last kind; after a number it ends its entry.
        {{"[A]", "%", "+", "[B]"}, "1111", "A * 100 + B ", LastKind::Column},
        {{"1", "2", "%", "3", "[A]", "%", "/", "4"}, "11100111", "12* 100 * 100 / 4", LastKind::Column},
        // Parentheses are always accepted.
        {{")", "(", "(", "[A]", "(", "-", ")", ")"}, "11111111", ") ( ( A ( - ) ) ", LastKind::Paren},
        {{"(", "%"}, "11", "( * 100 ", LastKind::Paren},
    };
    for (const auto &c : cases) {
        DerivedMemory m;
        FormulaBuilder b(m);
        EXPECT_EQ(press(b, c.keys), c.accepted) << c.text;
        EXPECT_EQ(b.text(), c.text);
        EXPECT_EQ(b.lastKind(), c.last) << c.text;
    }
    DerivedMemory m;
    FormulaBuilder b(m);
    press(b, {"(", "[A]", ")", "[B]", "/", "1"});
    EXPECT_FALSE(b.op('x') || b.digit(10) || b.digit(-1));
    // The column picked last is kept for the default name of the indicator.
    EXPECT_EQ(m.lastColumnPicked, "B");
    // An execution ends the number entry; Reset starts again but keeps the grid's last column.
    b.endNumberEntry();
    EXPECT_EQ(press(b, {"2", ".", "*"}), "001");
    b.reset();
    EXPECT_EQ(press(b, {"+", "9"}), "01");
    EXPECT_EQ(b.lastColumnPicked(), "B");
}

TEST(Tokenize, BlankPairsColumnsAndTerritoryHeaders)
{
    const QStringList h {"", "", "", "", "", "Territorio", "A", "B", "A", "12"};
    const QList<Token> t = tokenize(QStringLiteral("  ( A    / B )  "), h);
    // Four blanks become two in the single pass, so an empty "a" token remains between them.
    EXPECT_EQ(show(t), "(|6=6||/|7=7|)");
    EXPECT_TRUE(tokenize(QStringLiteral("   "), h).isEmpty());
    // A number against its operator is one token; the first data column of a header wins;
    // territory columns are never columns; a header of digits wins over the number; headers
    // match exactly, case included.
    EXPECT_EQ(show(tokenize(QStringLiteral("12+ A Territorio 12 a"), h)), "12+|6=6|Territorio|9=9|a");
}

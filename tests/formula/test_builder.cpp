// Keypad rules of the formula window and the tokens the execution makes of its text.

#include "table/formula/expression.h"
#include "table/formula/formulabuilder.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace qrn::formula;

namespace {

// Presses keys in order: "0".."9", ".", "+" "-" "*" "/" "^", "%", "(", ")", or a column header
// in brackets ("[AS013_2005]"). Returns which presses were accepted, as a string of 1 and 0.
std::string press(FormulaBuilder &b, const std::vector<const char *> &keys)
{
    std::string accepted;
    for (const char *k : keys) {
        const std::string key(k);
        bool ok;
        if (key.size() > 2 && key.front() == '[')
            ok = b.column(QString::fromStdString(key.substr(1, key.size() - 2)));
        else if (key == "%")
            ok = b.percent();
        else if (key == "(")
            ok = b.openParen();
        else if (key == ")")
            ok = b.closeParen();
        else if (key == ".")
            ok = b.decimalPoint();
        else if (key.size() == 1 && key[0] >= '0' && key[0] <= '9')
            ok = b.digit(key[0] - '0');
        else
            ok = b.op(key[0]);
        accepted += ok ? '1' : '0';
    }
    return accepted;
}

QStringList headers()
{
    return {QString(),
            QString(),
            QString(),
            QString(),
            QString(),
            QString(),
            QStringLiteral("AS013_2005"),
            QStringLiteral("AS014_2005")};
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
        {{"[AS013_2005]", "[AS014_2005]", "7", "."}, "1000", "AS013_2005 ", LastKind::Column},
        {{"4", "2", "[AS013_2005]"}, "110", "42", LastKind::Column},
        {{"(", "[AS013_2005]", ")", "[AS014_2005]"}, "1111", "( AS013_2005 ) AS014_2005 ", LastKind::Column},
        // "%" is times a hundred and keeps the last kind; after a number it ends its entry.
        {{"[AS013_2005]", "%", "+", "[AS014_2005]"}, "1111", "AS013_2005 * 100 + AS014_2005 ", LastKind::Column},
        {{"1", "2", "%", "3", "[AS013_2005]", "%", "/", "4"}, "11100111", "12* 100 * 100 / 4", LastKind::Column},
        // Parentheses are always accepted.
        {{")", "(", "(", "[AS013_2005]", "(", "-", ")", ")"}, "11111111", ") ( ( AS013_2005 ( - ) ) ", LastKind::Paren},
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
    EXPECT_EQ(press(b, {"(", "%"}), "11");
    EXPECT_EQ(b.lastKind(), LastKind::Paren);
    for (bool refused : {b.op('x'), b.op('%'), b.digit(10), b.digit(-1)})
        EXPECT_FALSE(refused);
    // The column picked last is kept for the default name of the indicator.
    FormulaBuilder p(m);
    press(p, {"(", "[AS013_2005]", ")", "[AS014_2005]"});
    EXPECT_EQ(p.lastColumnPicked(), "AS014_2005");
    EXPECT_EQ(m.lastColumnPicked, "AS014_2005");
}

TEST(FormulaBuilder, EndedNumberEntryRefusesDigitsAndResetStartsAgain)
{
    DerivedMemory m;
    FormulaBuilder b(m);
    press(b, {"[AS013_2005]", "/", "1"});
    b.endNumberEntry();
    EXPECT_EQ(press(b, {"2", ".", "*"}), "001");
    EXPECT_EQ(b.text(), "AS013_2005 / 1* ");

    b.reset();
    EXPECT_EQ(b.text(), "");
    EXPECT_EQ(b.lastKind(), LastKind::None);
    EXPECT_FALSE(b.numberEntry());
    EXPECT_FALSE(b.op('+'));
    // The last column picked belongs to the grid window and survives the reset.
    EXPECT_EQ(b.lastColumnPicked(), "AS013_2005");
    EXPECT_EQ(press(b, {"9"}), "1");
}

TEST(Tokenize, TrimsCollapsesBlankPairsOnceAndClassifiesColumns)
{
    const QList<Token> t = tokenize(QStringLiteral("  ( AS013_2005    / AS014_2005 )  "), headers());
    // Four blanks become two in the single pass, so an empty "a" token remains between them.
    ASSERT_EQ(t.size(), 6);
    EXPECT_EQ(t[0], (Token {"(", false, -1}));
    EXPECT_EQ(t[1], (Token {"6", true, 6}));
    EXPECT_EQ(t[2], (Token {"", false, -1}));
    EXPECT_EQ(t[3], (Token {"/", false, -1}));
    EXPECT_EQ(t[4], (Token {"7", true, 7}));
    EXPECT_EQ(t[5], (Token {")", false, -1}));

    EXPECT_TRUE(tokenize(QStringLiteral("   "), headers()).isEmpty());
    // A number written against its operator is one token.
    const QList<Token> n = tokenize(QStringLiteral("12+ "), headers());
    ASSERT_EQ(n.size(), 1);
    EXPECT_EQ(n[0].text, "12+");
    EXPECT_EQ(n[0].kind(), QLatin1Char('a'));
}

TEST(Tokenize, FirstDataColumnWinsAndTerritoryColumnsAreNeverColumns)
{
    QStringList h = headers();
    h[5] = QStringLiteral("Territorio");
    h.append(QStringLiteral("AS013_2005")); // a second column with the same header
    h.append(QStringLiteral("12"));
    const QList<Token> t = tokenize(QStringLiteral("AS013_2005 Territorio 12 as013_2005"), h);
    ASSERT_EQ(t.size(), 4);
    EXPECT_EQ(t[0].column, 6);
    EXPECT_FALSE(t[1].isColumn);
    EXPECT_EQ(t[1].text, "Territorio");
    // A derived column may be named with digits only; its header then wins over the number.
    EXPECT_TRUE(t[2].isColumn);
    EXPECT_EQ(t[2].column, 9);
    EXPECT_FALSE(t[3].isColumn); // headers match exactly, case included
}

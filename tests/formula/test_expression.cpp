// The row expression evaluator and the compiled formula: arithmetic, order of operations,
// number reading and writing in both conventions, blank results and syntax errors.

#include "table/formula/expression.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

using namespace qrn;
using namespace qrn::formula;

namespace {

const NumberFormat comma = NumberFormat::comma();
const NumberFormat point = NumberFormat::point();

EvalResult eval(const char *e, const NumberFormat &fmt = comma)
{
    return evaluateRowExpression(QString::fromUtf8(e), fmt);
}

// The text of a value result, "<blank>" or "<E>" otherwise.
QString show(const char *e, const NumberFormat &fmt = comma)
{
    const EvalResult r = eval(e, fmt);
    switch (r.kind) {
    case ResultKind::Value:
        return r.text;
    case ResultKind::Blank:
        return QStringLiteral("<blank>");
    default:
        return QStringLiteral("<E>");
    }
}

QStringList headers()
{
    return {QString(), QString(),           QString(),           QString(),          QString(),
            QString(), QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")};
}

} // namespace

// Values in either decimal mark: order of operations, cell texts read in the program's
// convention, rounding half away from zero without "-0", a text that is not a number.
TEST(Evaluate, ValuesOfExpressions)
{
    const struct {
        const char *expression;
        const NumberFormat &format;
        const char *expected;
    } cases[] = {
        {"1 / 3 ", comma, "0,3333"},
        {"CDbl('2') / CDbl('3') ", comma, "0,6667"},
        {"CDbl('1234567,5') * 2 ", comma, "2469135,0000"}, // no group marks written
        {"2 + 3 * 4 ", comma, "14,0000"},
        {"( 2 + 3 ) * 4 ", comma, "20,0000"},
        {"10 - 4 - 3 ", comma, "3,0000"}, // left to right
        {"2 * 3 ^ 2 ", comma, "18,0000"}, // ^ above *
        {"2 ^ 3 ^ 2 ", comma, "64,0000"}, // (2 ^ 3) ^ 2, not 2 ^ 9
        {"( - 2 ^ 2 ) ", comma, "-4,0000"}, // negation below ^
        {"( - 2 ) ^ 2 ", comma, "4,0000"},
        {"2 * - 3 ", comma, "-6,0000"},
        {"2 - - 3 ", comma, "5,0000"},
        {"2 ^ -2 ", comma, "0,2500"},
        {"2 ^ - 3 ^ 2 ", comma, "0,0020"}, // 2 ^ -(3 ^ 2) = 1/512
        {"12+ 3 ", comma, "15,0000"}, // a number written against its operator
        {"1.5+ .5* 2. ", comma, "2,5000"},
        {"cdbl( 2 * 3 ) + CDBL ( '1' ) ", comma, "7,0000"},
        {"CDbl('1.234,5') + 0 ", comma, "1234,5000"},
        {"CDbl('1,234.5') + 0 ", point, "1234.5000"},
        {"CDbl('1,5E3') / 1 ", comma, "1500,0000"},
        {"CDbl('1.5') * 1 ", comma, "15,0000"},
        {"CDbl('1,5') * 1 ", point, "15.0000"},
        {"CDbl('abc') + 1 ", comma, "<blank>"},
        {"1 + CDbl('') ", comma, "<blank>"},
        {"CDbl('-') ", comma, "<blank>"},
        {"1 / 32 ", comma, "0,0313"}, // 0.03125 exactly
        {"- 1 / 32 ", comma, "-0,0313"},
        {"- 1 / 100000 ", comma, "0,0000"},
        {"( 0 - 1 ) / 8 ", point, "-0.1250"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(show(c.expression, c.format), c.expected) << c.expression;
}

TEST(Evaluate, DivisionByZeroOfAnySpellingIsBlank)
{
    for (const char *e : {"1 / 0 ", "1 / .0 ", "CDbl('5') / CDbl('0,00') ", "CDbl('5') / CDbl('-0') ",
                          "CDbl('5') / CDbl('0e3') ", "5 / ( 2 - 2 ) ", "0 / 0 ", "( 1 / 0 ) * 0 + 7 "})
        EXPECT_EQ(show(e), "<blank>") << e;
    EXPECT_EQ(show("CDbl('5') / CDbl('0.00') ", point), "<blank>");
    EXPECT_EQ(show("0 / 5 "), "0,0000");
}

TEST(Evaluate, ValuesOutOfRangeAreBlank)
{
    EXPECT_EQ(show("10 ^ 400 "), "<blank>");
    EXPECT_EQ(show("1 / 10 ^ 400 "), "<blank>"); // overflow on the way, even if the end is finite
    EXPECT_EQ(show("0 ^ - 1 "), "<blank>");
    EXPECT_EQ(show("( 0 - 8 ) ^ ( 1 / 3 ) "), "<blank>"); // no real root
    EXPECT_EQ(show("CDbl('1,5E300') * CDbl('1,5E300') "), "<blank>");
    const std::string digits(400, '9');
    EXPECT_EQ(show((digits + " / 7 ").c_str()), "<blank>");
    EXPECT_EQ(show("0 ^ 0 "), "1,0000");

    // Large finite values are written out in full, to 15 significant digits.
    const QString big = show("10 ^ 300 ");
    EXPECT_EQ(big.size(), 301 + 5);
    EXPECT_TRUE(big.startsWith(QLatin1String("1000")));
    EXPECT_TRUE(big.endsWith(QLatin1String(",0000")));
    EXPECT_EQ(show("- 2 ^ 60 ", point), "-1152921504606850000.0000");
}

TEST(Evaluate, SyntaxErrors)
{
    for (const char *e : {"1 + ",        "( 1 ",    "1 ) ",    ") 1 ",     "* 2 ",
                          "1 2 ",        "1.2.3 ",  ". ",      "CDbl('1 ", "CDbl('1' ",
                          "CDbl 1 ",     "CDbl() ", "'1' ",    "' 1 + 2 ", "CDbl('1') '2' ",
                          "AS013_2005 ", "1 % 2 ",  "1 , 2 ",  "12abc ",   "( CDbl('1') ) CDbl('2') ",
                          "Sqr(4) ",     "\"1\" ",  "1 \\ 2 ", "1 / 0 + ", "CDbl('abc') + "})
        EXPECT_EQ(eval(e).kind, ResultKind::SyntaxError) << e;
}

TEST(Evaluate, NumberTextIsTakenAsItIsAndEmptyIsBlank)
{
    EXPECT_EQ(eval("12 "), EvalResult::value("12"));
    EXPECT_EQ(eval(" 3,5 "), EvalResult::value("3,5"));
    EXPECT_EQ(eval("1.5 ", point), EvalResult::value("1.5"));
    EXPECT_EQ(show("1.5 * 1 "), "1,5000");
    // The keypad writes "." as decimal point; under a decimal comma that is the group mark, so a
    // constant holding it is evaluated, never kept as a text that would read as 15 or 1000.
    EXPECT_EQ(show("1.5 "), "1,5000");
    EXPECT_EQ(show("1.000 "), "1,0000");
    EXPECT_EQ(show("1,5 ", point), "<E>");
    EXPECT_EQ(eval(""), EvalResult::blank());
    EXPECT_EQ(eval("   "), EvalResult::blank());
}

TEST(Evaluate, DeepAndLongInputsStayBounded)
{
    const auto nested = [](int depth) {
        return QString(depth, QLatin1Char('(')) + QLatin1String("1") + QString(depth, QLatin1Char(')'));
    };
    EXPECT_EQ(evaluateRowExpression(nested(maxNesting), comma).text, "1,0000");
    EXPECT_EQ(evaluateRowExpression(nested(maxNesting + 1), comma).kind, ResultKind::SyntaxError);
    EXPECT_EQ(evaluateRowExpression(nested(100000), comma).kind, ResultKind::SyntaxError);

    QString chain = QStringLiteral("2");
    for (int i = 0; i < 100000; ++i)
        chain += QLatin1String(" ^ -1");
    EXPECT_EQ(evaluateRowExpression(chain, comma).kind, ResultKind::SyntaxError);

    QString sum = QStringLiteral("0");
    for (int i = 0; i < 100000; ++i)
        sum += QLatin1String(" + 1");
    EXPECT_EQ(evaluateRowExpression(sum, comma).text, "100000,0000");

    QString signs = QString(200000, QLatin1Char('-')) + QLatin1String("3");
    EXPECT_EQ(evaluateRowExpression(signs, comma).text, "3,0000");
}

TEST(RowExpression, WrapsCellsAndGivesNothingForATextThatIsNotANumber)
{
    const QList<Token> t = tokenize(QStringLiteral("( A + B ) / C "), headers());
    QStringList cells {"", "", "", "", "", "", "1,5", "2", "0,00"};
    const auto cell = [&](int c) { return cells.at(c); };
    EXPECT_EQ(rowExpression(t, cell, comma), "( CDbl('1,5') + CDbl('2') ) / CDbl('0,00') ");
    EXPECT_EQ(evaluateRowExpression(rowExpression(t, cell, comma), comma), EvalResult::blank());

    for (const char *bad : {"", "-", "n.d.", "1,5'", "1 000"}) {
        cells[7] = QString::fromUtf8(bad);
        EXPECT_EQ(rowExpression(t, cell, comma), "") << bad;
    }
}

TEST(CompiledFormula, SameResultsAsEachRowsExpression)
{
    const char *formulas[] = {
        "A / B ",
        "( A + B ) / C * 100 ",
        "A * 100 + B ",
        "12+ A ",
        "- A ^ 2 ",
        "A ^ B ^ C ",
        "CDbl( A ) + 1 ",
        "A ",
        "( A ) B ",
        "A / ( B - C ) ",
        "2 ",
        "1.000 ",
        "A / 0 ",
        "CDbl(' A ') ",
        "  A    +    B ",
        "( A + ( B * ( C - 1 ) ) ) ",
        "A / ",
    };
    const QStringList values {"1,5", "0,00", "-2", "3", "10", "", "-", "1.234,5", "1E3", "0", " 7 ", "abc", "0,3333"};
    for (const char *formula : formulas) {
        const QList<Token> tokens = tokenize(QString::fromUtf8(formula), headers());
        const std::optional<CompiledFormula> f = CompiledFormula::compile(tokens, comma);
        for (const QString &a : values)
            for (const QString &b : {values[0], values[1], values[6], values[9]})
                for (const QString &c : {values[2], values[3], values[10]}) {
                    const QStringList cells {"", "", "", "", "", "", a, b, c};
                    const auto cell = [&](int i) -> const QString & { return cells.at(i); };
                    const QString e = rowExpression(tokens, cell, comma);
                    const EvalResult byText = evaluateRowExpression(e, comma);
                    if (f)
                        EXPECT_EQ(f->evaluate(cell), byText) << formula << " " << qPrintable(e);
                    else
                        EXPECT_TRUE(byText.kind == ResultKind::SyntaxError || e.isEmpty())
                            << formula << " " << qPrintable(e);
                }
    }
}

TEST(CompiledFormula, RejectsAMalformedFormulaOnceAndListsItsColumns)
{
    EXPECT_FALSE(CompiledFormula::compile(tokenize(QStringLiteral("( A ) B "), headers()), comma));
    EXPECT_FALSE(CompiledFormula::compile(tokenize(QStringLiteral("A + "), headers()), comma));
    const auto f = CompiledFormula::compile(tokenize(QStringLiteral("C / A + C "), headers()), point);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->columns(), (std::vector<int> {8, 6, 8}));
    const double v[] = {1.0, 4.0, 1.0};
    EXPECT_EQ(f->evaluateValues(v), EvalResult::value("1.2500"));
}

TEST(CellNumbers, TheQuickReaderAgreesWithTheNumberFormat)
{
    // Cells read by the compiled formula give the numbers the general reader gives.
    const char *texts[] = {"12,50",
                           "-7,25",
                           "+3,5",
                           "0,00",
                           "-0",
                           "007",
                           "1.234,5",
                           "12,",
                           ",5",
                           " 12,5",
                           "12,5 ",
                           "1e3",
                           "1,5E3",
                           "12.5",
                           "1,2,3",
                           "-",
                           "",
                           "+",
                           "12a",
                           "99999999999999999999999999999999999999999999999999999999999999,1",
                           "0,1000000000000000055511151231257827",
                           "١٢"};
    for (const NumberFormat &fmt : {comma, point})
        for (const char *t : texts) {
            const QString text = QString::fromUtf8(t);
            const auto quick = readCellNumber(text, fmt);
            const auto general = fmt.toNumber(text);
            ASSERT_EQ(quick.has_value(), general.has_value()) << t;
            if (quick) {
                EXPECT_EQ(std::signbit(*quick), std::signbit(*general)) << t;
                EXPECT_EQ(*quick, *general) << t;
            }
        }
}

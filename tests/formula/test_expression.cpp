// The row expression evaluator and the compiled formula: arithmetic, order of operations,
// number reading and writing in both conventions, blank results and syntax errors.

#include "table/formula/expression.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::formula;

namespace {

const NumberFormat comma = NumberFormat::comma();
const NumberFormat point = NumberFormat::point();

// The text of a value result, "<blank>" or "<E>" otherwise.
QString show(const QString &e, const NumberFormat &fmt = comma)
{
    const EvalResult r = evaluateRowExpression(e, fmt);
    return r.kind == ResultKind::Value ? r.text : r.kind == ResultKind::Blank ? "<blank>" : "<E>";
}

const QStringList headers {"", "", "", "", "", "", "A", "B", "C"};

} // namespace

// Values in either decimal mark: order of operations, cell texts read in the program's
// convention, rounding half away from zero without "-0", blanks for a text that is not a number,
// a division by zero of any spelling and a value out of range, syntax errors.
TEST(Evaluate, ResultsOfExpressions)
{
    const std::string digits(400, '9');
    const struct {
        std::string expression;
        const char *expected;
        const NumberFormat &format = comma;
    } cases[] = {
        {"1 / 3 ", "0,3333"},
        {"CDbl('1234567,5') * 2 ", "2469135,0000"}, // no group marks written
        {"10 - 4 - 3 * 2 ", "0,0000"}, // left to right, * above -
        {"2 * 3 ^ 2 ", "18,0000"}, // ^ above *
        {"2 ^ 3 ^ 2 ", "64,0000"}, // (2 ^ 3) ^ 2, not 2 ^ 9
        {"( - 2 ^ 2 ) ", "-4,0000"}, // negation below ^
        {"2 ^ - 3 ^ 2 ", "0,0020"}, // 2 ^ -(3 ^ 2) = 1/512
        {"12+ 3 ", "15,0000"}, // a number written against its operator
        {"cdbl( 2 * 3 ) + CDBL ( '1' ) ", "7,0000"},
        {"CDbl('1,234.5') + 0 ", "1234.5000", point},
        {"CDbl('1.5') * 1 ", "15,0000"},
        {"CDbl('1,5') * 1 ", "15.0000", point},
        {"1 / 32 ", "0,0313"}, // 0.03125 exactly
        {"- 1 / 32 ", "-0,0313"},
        {"- 1 / 100000 ", "0,0000"},
        {"- 2 ^ 60 ", "-1152921504606850000.0000", point}, // written out, 15 significant digits
        {"0 ^ 0 ", "1,0000"},
        // A number text is kept as it is; the keypad's "." under a decimal comma is evaluated,
        // never kept as a text that would read as 15 or 1000.
        {"12 ", "12"},
        {"1.5 ", "1.5", point},
        {"1.000 ", "1,0000"},
        {"1,5 ", "<E>", point},
        {"", "<blank>"},
        {"CDbl('abc') + 1 ", "<blank>"},
        {"CDbl('-') ", "<blank>"},
        {"CDbl('5') / CDbl('0,00') ", "<blank>"},
        {"CDbl('5') / CDbl('0e3') ", "<blank>"},
        {"5 / ( 2 - 2 ) ", "<blank>"},
        {"( 1 / 0 ) * 0 + 7 ", "<blank>"},
        {"10 ^ 400 ", "<blank>"},
        {"1 / 10 ^ 400 ", "<blank>"}, // overflow on the way, even if the end is finite
        {"( 0 - 8 ) ^ ( 1 / 3 ) ", "<blank>"}, // no real root
        {digits + " / 7 ", "<blank>"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(show(QString::fromStdString(c.expression), c.format), c.expected) << c.expression;
    for (const char *e : {"1 + ",        "( 1 ",    "1 ) ",    ") 1 ",     "* 2 ",
                          "1 2 ",        "1.2.3 ",  ". ",      "CDbl('1 ", "CDbl('1' ",
                          "CDbl 1 ",     "CDbl() ", "'1' ",    "' 1 + 2 ", "CDbl('1') '2' ",
                          "AS013_2005 ", "1 % 2 ",  "1 , 2 ",  "12abc ",   "( CDbl('1') ) CDbl('2') ",
                          "Sqr(4) ",     "\"1\" ",  "1 \\ 2 ", "1 / 0 + ", "CDbl('abc') + "})
        EXPECT_EQ(show(e), "<E>") << e;

    // Large finite values are written out in full.
    EXPECT_EQ(show("10 ^ 300 "), "1" + QString(300, '0') + ",0000");
}

TEST(Evaluate, DeepAndLongInputsStayBounded)
{
    const auto nested = [](int depth) { return QString(depth, '(') + "1" + QString(depth, ')'); };
    EXPECT_EQ(show(nested(maxNesting)), "1,0000");
    EXPECT_EQ(show(nested(maxNesting + 1)), "<E>");
    EXPECT_EQ(show(nested(100000)), "<E>");
    EXPECT_EQ(show("2" + QString(" ^ -1").repeated(100000)), "<E>");
    EXPECT_EQ(show("0" + QString(" + 1").repeated(100000)), "100000,0000");
    EXPECT_EQ(show(QString(200000, '-') + "3"), "3,0000");
}

TEST(RowExpression, WrapsCellsAndGivesNothingForATextThatIsNotANumber)
{
    const QList<Token> t = tokenize(QStringLiteral("( A + B ) / C "), headers);
    QStringList cells {"", "", "", "", "", "", "1,5", "2", "0,00"};
    const auto cell = [&](int c) { return cells.at(c); };
    EXPECT_EQ(rowExpression(t, cell, comma), "( CDbl('1,5') + CDbl('2') ) / CDbl('0,00') ");
    for (const char *bad : {"", "-", "n.d.", "1,5'", "1 000"}) {
        cells[7] = QString::fromUtf8(bad);
        EXPECT_EQ(rowExpression(t, cell, comma), "") << bad;
    }
}

// The compiled formula, with its quick reader of cells, gives what each row's expression text
// gives, in both conventions.
TEST(CompiledFormula, SameResultsAsEachRowsExpression)
{
    const QStringList formulas = QStringLiteral("A / B |( A + B ) / C * 100 |A * 100 + B |12+ A |- A ^ 2 |A ^ B ^ C "
                                                "|CDbl( A ) + 1 |A |( A ) B |A / ( B - C ) |2 |1.000 |A / 0 "
                                                "|CDbl(' A ') |  A    +    B |( A + ( B * ( C - 1 ) ) ) |A / ")
                                     .split('|');
    const QStringList values {
        "1,5", "0,00", "-2",      "3",    "10",
        "",    "-",    "1.234,5", "1E3",  "0",
        " 7 ", "abc",  "0,3333",  "+3,5", "-0",
        "007", "12,",  ",5",      "12.5", "1,2,3",
        "+",   "12a",  "1,5E3",   "١٢",   "99999999999999999999999999999999999999999999999999999999999999,1"};
    for (const NumberFormat &fmt : {comma, point})
        for (const QString &formula : formulas) {
            const QList<Token> tokens = tokenize(formula, headers);
            const std::optional<CompiledFormula> f = CompiledFormula::compile(tokens, fmt);
            for (const QString &a : values)
                for (const QString &b : {values[0], values[1], values[6], values[9]})
                    for (const QString &c : {values[2], values[3], values[10]}) {
                        const QStringList cells {"", "", "", "", "", "", a, b, c};
                        const auto cell = [&](int i) -> const QString & { return cells.at(i); };
                        const QString e = rowExpression(tokens, cell, fmt);
                        const EvalResult byText = evaluateRowExpression(e, fmt);
                        if (f)
                            EXPECT_EQ(f->evaluate(cell), byText) << qPrintable(formula) << " " << qPrintable(e);
                        else
                            EXPECT_TRUE(byText.kind == ResultKind::SyntaxError || e.isEmpty()) << qPrintable(formula);
                    }
        }
    const auto f = CompiledFormula::compile(tokenize(QStringLiteral("C / A + C "), headers), point);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->columns(), (std::vector<int> {8, 6, 8}));
    const double v[] = {1.0, 4.0, 1.0};
    EXPECT_EQ(f->evaluateValues(v), EvalResult::value("1.2500"));
}

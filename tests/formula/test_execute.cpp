// Naming of a derived indicator and the execution over a table snapshot.

#include "table/formula/derivedindicator.h"
#include "support/scriptedprompt.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::formula;

namespace {

// A prompt that answers the name box from a list and records the defaults it offered.
struct Dialogs : ScriptedPrompt {
    QStringList answers, defaults;

    std::optional<QString> input(const QString &, const QString &, const QString &def) override
    {
        defaults.append(def);
        const QString answer = answers.isEmpty() ? QString() : answers.takeFirst();
        return answer.isEmpty() ? std::nullopt : std::optional<QString>(answer); // empty: cancelled
    }
};

// Territory columns and two data columns, then one row per "a;b" pair of cells ("|" between rows).
TableSnapshot table(const QString &values)
{
    QList<QStringList> cells {
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "AS014_2005"}};
    for (const QString &row : values.split('|'))
        cells.append(QStringList {"P", "001", "", "", "", "T"} + row.split(';'));
    return TableSnapshot(cells);
}

// A plain division, a zero divisor with two decimals, a dash, an empty cell, a negative value.
const QString plain = "10,00;4,00|3,50;0,00|1,00;-|;2,00|-7,25;2,00";

} // namespace

TEST(Naming, DefaultNamesAndValidNames)
{
    DerivedMemory m;
    const std::pair<const char *, const char *> names[] = {{"AS013_2005", "Funz12005"},
                                                           {"", "Funz22005"}, // the text after "_" is what is kept
                                                           {"IAS013_2006_b", "Funz32006_b"},
                                                           {"Funz12005", "Funz4Funz12005"}};
    for (const auto &[picked, name] : names) {
        if (*picked)
            m.lastColumnPicked = picked;
        EXPECT_EQ(nextDefaultName(m), name);
    }
    m.resetCounter(); // "Chiudi" on the grid window
    m.lastColumnPicked.clear();
    EXPECT_EQ(nextDefaultName(m), "Funz1");

    for (const char *ok : {"", "Indice1", "2005", "abcXYZ09"})
        EXPECT_TRUE(isValidIndicatorName(QString::fromUtf8(ok))) << ok;
    for (const char *bad : {"a b", "AS013_2005", " x", "x-1", "perc%", "città", "a'b", "1,5"})
        EXPECT_FALSE(isValidIndicatorName(QString::fromUtf8(bad))) << bad;
}

TEST(Naming, AsksAgainAfterARejectedNameWithTheSameDefault)
{
    DerivedMemory m;
    m.lastColumnPicked = QStringLiteral("AS013_2005");
    Dialogs s;
    s.answers = {"con spazio", "con_trattino", "Buono"};
    EXPECT_EQ(askIndicatorName(m, s), "Buono");
    EXPECT_EQ(s.defaults, (QStringList {"Funz12005", "Funz12005", "Funz12005"}));
    EXPECT_EQ(s.messages(), QStringList(2, "Il nome non deve contenere spazi o caratteri speciali."));
    EXPECT_EQ(m.counter, 1);
}

// The execution reads each row's cells in the program's convention into the expression and adds
// the column under the name given; a malformed expression is reported whatever the rows hold; a
// cancelled name adds nothing but the count goes on. (The arithmetic is the evaluator's.)
TEST(Execute, OutcomesOfTheKeyedExpressions)
{
    using Kind = ExecuteOutcome::Kind;
    const struct {
        const char *name; // the answer to the name box; empty cancels it
        Kind kind;
        const char *expression;
        const char *cells; // joined by "|"
        TableSnapshot table;
        NumberFormat format = NumberFormat::comma();
    } cases[] = {
        {"Rapporto", Kind::Added, "AS013_2005 / AS014_2005 ", "2,5000||||-3,6250", table(plain)},
        {"Perc", Kind::Added, "AS013_2005 * 100 + AS014_2005 ", "123450.5000|", table("1,234.50;0.50|2.00;n.d."),
         NumberFormat::point()},
        {"Somma", Kind::Added, "12+ AS014_2005 ", "16,0000|12,0000||14,0000|14,0000", table(plain)},
        {"Errato", Kind::SyntaxError, "( AS013_2005 ) AS014_2005 ", "", table(plain)},
        {"X", Kind::SyntaxError, "AS014_2005 * ( ", "", table("1,00;-|2,00;")},
        {"", Kind::Cancelled, "AS013_2005 - 4", "", table(plain)},
        {"Vuoto", Kind::Nothing, "", "", table(plain)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        DerivedMemory m;
        m.lastColumnPicked = "AS014_2005";
        Dialogs s;
        s.answers = {c.name};
        const ExecuteOutcome out = executeText(c.expression, m, c.table, c.format, s);
        EXPECT_EQ(out.kind, c.kind);
        EXPECT_EQ(out.cells.join("|"), c.cells);
        EXPECT_EQ(out.column, c.kind == Kind::Added ? 8 : -1);
        if (c.kind == Kind::Added)
            EXPECT_EQ(out.header, c.name);
        EXPECT_EQ(s.defaults, c.kind == Kind::Nothing ? QStringList() : QStringList {"Funz12005"});
        EXPECT_EQ(m.counter, c.kind == Kind::Nothing ? 0 : 1);
        EXPECT_EQ(s.messages(),
                  c.kind == Kind::SyntaxError ? QStringList {"L'espressione contiene errori di sintassi."}
                                              : QStringList());
    }
}

// From the keypad: the expression stays for further editing and the number entry ends.
TEST(Execute, KeypadExpressionStaysForEditing)
{
    DerivedMemory m;
    FormulaBuilder b(m);
    b.column("AS013_2005"), b.op('/'), b.digit(2);
    Dialogs s;
    s.answers = {"Meta"};
    const ExecuteOutcome out = execute(b, table(plain), NumberFormat::comma(), s);
    ASSERT_EQ(out.kind, ExecuteOutcome::Kind::Added);
    EXPECT_EQ(b.text(), "AS013_2005 / 2");
    EXPECT_FALSE(b.digit(5));
    EXPECT_TRUE(b.op('+'));
}

TEST(Snapshot, ShortRowsAndTerritoryHeaders)
{
    const TableSnapshot t({{"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "X"}, {"P", "001"}});
    EXPECT_EQ(t.headers().at(5), "");
    EXPECT_EQ(t.dataHeaders(), QStringList {"X"});
    EXPECT_EQ(t.cell(1, 6) + t.cell(9, 0), "");
}

// Naming of a derived indicator and the execution over a table snapshot.

#include "table/formula/derivedindicator.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::formula;

namespace {

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

// The execution reads each row's cells in the program's convention into the expression and adds
// the column under the name given; a malformed expression is reported whatever the rows hold.
// (The arithmetic is the evaluator's.)
TEST(Execute, OutcomesOfTheKeyedExpressions)
{
    using Kind = ExecuteOutcome::Kind;
    const struct {
        const char *name;
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
        {"Vuoto", Kind::Nothing, "", "", table(plain)},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        const ExecuteOutcome out = executeText(c.expression, c.name, c.table, c.format);
        EXPECT_EQ(out.kind, c.kind);
        EXPECT_EQ(out.cells.join("|"), c.cells);
        EXPECT_EQ(out.column, c.kind == Kind::Added ? 8 : -1);
        EXPECT_EQ(out.header, c.kind == Kind::Nothing ? "" : c.name);
    }
}

TEST(Snapshot, ShortRowsAndTerritoryHeaders)
{
    const TableSnapshot t({{"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "X"}, {"P", "001"}});
    EXPECT_EQ(t.headers().at(5), "");
    EXPECT_EQ(t.dataHeaders(), QStringList {"X"});
    EXPECT_EQ(t.cell(1, 6) + t.cell(9, 0), "");
}

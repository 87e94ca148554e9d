// Naming of a derived indicator and the execution over a table snapshot.

#include "table/formula/derivedindicator.h"

#include <gtest/gtest.h>

#include <functional>
#include <utility>
#include <vector>

using namespace qrn;
using namespace qrn::formula;

namespace {

// A prompt that answers the name box from a list and records what was asked and shown.
struct ScriptedDialogs : ScriptedPrompt {
    QStringList answers;
    QStringList defaultsSeen;
    std::vector<std::pair<QString, QString>> warnings;
    int asked = 0;

    std::optional<QString> input(const QString &prompt, const QString &title, const QString &def) override
    {
        EXPECT_EQ(prompt, namePrompt);
        EXPECT_EQ(title, nameTitle);
        defaultsSeen.append(def);
        ++asked;
        return answers.isEmpty() ? QString() : answers.takeFirst();
    }
    Answer message(const QString &message, const QString &title, Icon icon, Buttons) override
    {
        EXPECT_EQ(icon, Icon::Exclamation);
        warnings.emplace_back(message, title);
        return Answer::Ok;
    }
    Prompt &dialogs() { return *this; }
};

QStringList row(const QString &terr, const QString &a, const QString &b)
{
    return {"P", terr, "", "", "", terr, a, b};
}

// Two data columns; the rows cover a plain division, a zero divisor written with two decimals,
// a dash, an empty cell and a negative value.
TableSnapshot sample()
{
    return TableSnapshot({
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "AS014_2005"},
        row("001", "10,00", "4,00"),
        row("002", "3,50", "0,00"),
        row("003", "1,00", "-"),
        row("004", "", "2,00"),
        row("005", "-7,25", "2,00"),
    });
}

} // namespace

TEST(Naming, DefaultNameCountsAndKeepsTheTextAfterTheFirstUnderscore)
{
    DerivedMemory m;
    m.lastColumnPicked = QStringLiteral("AS013_2005");
    EXPECT_EQ(nextDefaultName(m), "Funz12005");
    EXPECT_EQ(m.lastColumnPicked, "2005");
    EXPECT_EQ(nextDefaultName(m), "Funz22005");

    m.lastColumnPicked = QStringLiteral("IAS013_2006_b");
    EXPECT_EQ(nextDefaultName(m), "Funz32006_b");
    m.lastColumnPicked = QStringLiteral("Funz12005");
    EXPECT_EQ(nextDefaultName(m), "Funz4Funz12005");

    m.resetCounter(); // "Chiudi" on the grid window
    m.lastColumnPicked.clear();
    EXPECT_EQ(nextDefaultName(m), "Funz1");

    m.counter = 32767;
    EXPECT_EQ(nextDefaultName(m), "Funz32767");
}

TEST(Naming, OnlyAsciiLettersAndDigits)
{
    for (const char *ok : {"", "Indice1", "Funz12005", "2005", "abcXYZ09"})
        EXPECT_TRUE(isValidIndicatorName(QString::fromUtf8(ok))) << ok;
    for (const char *bad : {"a b", "AS013_2005", " x", "x-1", "perc%", "città", "a'b", "1,5"})
        EXPECT_FALSE(isValidIndicatorName(QString::fromUtf8(bad))) << bad;
}

TEST(Naming, AsksAgainAfterARejectedNameWithTheSameDefault)
{
    DerivedMemory m;
    m.lastColumnPicked = QStringLiteral("AS013_2005");
    ScriptedDialogs s;
    s.answers = {"con spazio", "con_trattino", "Buono"};
    EXPECT_EQ(askIndicatorName(m, s.dialogs()), "Buono");
    EXPECT_EQ(s.defaultsSeen, (QStringList {"Funz12005", "Funz12005", "Funz12005"}));
    ASSERT_EQ(s.warnings.size(), 2u);
    EXPECT_EQ(
        s.warnings[0],
        std::make_pair(QString("Il nome non deve contenere spazi o caratteri speciali."), QString("Attenzione!")));
    EXPECT_EQ(m.counter, 1);

    ScriptedDialogs cancel; // no answers: the box is cancelled
    EXPECT_EQ(askIndicatorName(m, cancel.dialogs()), "");
    EXPECT_TRUE(cancel.warnings.empty());
    EXPECT_EQ(m.counter, 2);
}

// The execution reads each row's cells in the program's convention into the expression and adds
// the column under the name given; a malformed expression is reported whatever the rows hold.
// (The arithmetic itself, blanks and division by zero included, is the evaluator's.)
TEST(Execute, OutcomesOfTheKeyedExpressions)
{
    const TableSnapshot pointTable({
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "AS014_2005"},
        row("001", "1,234.50", "0.50"),
        row("002", "2.00", "n.d."),
    });
    const TableSnapshot dashes({
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "AS014_2005"},
        row("001", "1,00", "-"),
        row("002", "2,00", ""),
    });
    const TableSnapshot plain = sample();
    using Keys = std::function<void(FormulaBuilder &)>;
    const struct {
        const char *name;
        Keys keys;
        const TableSnapshot &table;
        NumberFormat format;
        ExecuteOutcome::Kind kind;
        QStringList cells;
    } cases[] = {
        {"Rapporto",
         [](FormulaBuilder &b) { b.column("AS013_2005"), b.op('/'), b.column("AS014_2005"); },
         plain,
         NumberFormat::comma(),
         ExecuteOutcome::Kind::Added,
         {"2,5000", "", "", "", "-3,6250"}},
        {"Perc",
         [](FormulaBuilder &b) { b.column("AS013_2005"), b.percent(), b.op('+'), b.column("AS014_2005"); },
         pointTable,
         NumberFormat::point(),
         ExecuteOutcome::Kind::Added,
         {"123450.5000", ""}},
        {"Somma",
         [](FormulaBuilder &b) { b.digit(1), b.digit(2), b.op('+'), b.column("AS014_2005"); },
         plain,
         NumberFormat::comma(),
         ExecuteOutcome::Kind::Added,
         {"16,0000", "12,0000", "", "14,0000", "14,0000"}},
        {"Errato",
         [](FormulaBuilder &b) { b.openParen(), b.column("AS013_2005"), b.closeParen(), b.column("AS014_2005"); },
         plain,
         NumberFormat::comma(),
         ExecuteOutcome::Kind::SyntaxError,
         {}},
        {"X",
         [](FormulaBuilder &b) { b.column("AS014_2005"), b.op('*'), b.openParen(); },
         dashes,
         NumberFormat::comma(),
         ExecuteOutcome::Kind::SyntaxError,
         {}},
        {"Vuoto", [](FormulaBuilder &) {}, plain, NumberFormat::comma(), ExecuteOutcome::Kind::Nothing, {}},
    };
    for (const auto &c : cases) {
        DerivedMemory m;
        FormulaBuilder b(m);
        c.keys(b);
        const QString before = b.text();
        ScriptedDialogs s;
        s.answers = {c.name};
        const ExecuteOutcome out = execute(b, c.table, c.format, s.dialogs());
        EXPECT_EQ(out.kind, c.kind) << c.name;
        EXPECT_EQ(out.cells, c.cells) << c.name;
        EXPECT_EQ(b.text(), before) << c.name;
        if (c.kind == ExecuteOutcome::Kind::Added) {
            EXPECT_EQ(out.header, c.name);
            EXPECT_EQ(out.column, 8);
            EXPECT_EQ(s.defaultsSeen, QStringList {"Funz12005"}) << c.name;
            EXPECT_TRUE(s.warnings.empty()) << c.name;
        } else if (c.kind == ExecuteOutcome::Kind::SyntaxError) {
            ASSERT_EQ(s.warnings.size(), 1u) << c.name;
            EXPECT_EQ(s.warnings[0],
                      std::make_pair(QString("L'espressione contiene errori di sintassi."), QString("ATTENZIONE!")));
            EXPECT_TRUE(b.op('+')) << "the user may go on editing the same expression";
        } else {
            EXPECT_EQ(s.asked, 0);
            EXPECT_EQ(m.counter, 0);
        }
    }
}

TEST(Execute, CancelledNameChangesNothingAndEndsNumberEntry)
{
    DerivedMemory m;
    FormulaBuilder b(m);
    b.column("AS013_2005");
    b.op('-');
    b.digit(4);
    ScriptedDialogs s; // cancels
    const ExecuteOutcome out = execute(b, sample(), NumberFormat::comma(), s.dialogs());
    EXPECT_EQ(out.kind, ExecuteOutcome::Kind::Cancelled);
    EXPECT_TRUE(out.cells.isEmpty());
    EXPECT_EQ(out.column, -1);
    EXPECT_EQ(s.asked, 1);
    EXPECT_EQ(b.text(), "AS013_2005 - 4");
    EXPECT_FALSE(b.digit(5)); // number entry ended by the execution
    EXPECT_EQ(m.counter, 1); // the count goes on, as the default name showed it
}

TEST(Execute, DerivedColumnJoinsTheNextSnapshot)
{
    DerivedMemory m;
    FormulaBuilder b(m);
    b.column("AS013_2005");
    b.op('/');
    b.digit(2);
    ScriptedDialogs s;
    s.answers = {"Meta"};
    const TableSnapshot first = sample();
    const ExecuteOutcome out = execute(b, first, NumberFormat::comma(), s.dialogs());
    ASSERT_EQ(out.kind, ExecuteOutcome::Kind::Added);

    // What the grid shows afterwards, copied into the next snapshot.
    QList<QStringList> cells;
    for (int r = 0; r < first.rowCount(); ++r) {
        QStringList line;
        for (int c = 0; c < first.columnCount(); ++c)
            line.append(first.cell(r, c));
        line.append(r == 0 ? out.header : out.cells.at(r - 1));
        cells.append(line);
    }
    const TableSnapshot next(cells);
    EXPECT_EQ(next.dataHeaders(), (QStringList {"AS013_2005", "AS014_2005", "Meta"}));

    FormulaBuilder b2(m);
    b2.column("Meta");
    b2.op('-');
    b2.column("AS014_2005");
    s.answers = {"Scarto"};
    const ExecuteOutcome again = execute(b2, next, NumberFormat::comma(), s.dialogs());
    ASSERT_EQ(again.kind, ExecuteOutcome::Kind::Added);
    EXPECT_EQ(again.column, 9);
    EXPECT_EQ(again.cells, (QStringList {"1,0000", "1,7500", "", "", "-5,6250"}));
    // The default name follows the last column picked, AS014_2005.
    EXPECT_EQ(s.defaultsSeen.last(), "Funz22005");
}

TEST(Snapshot, ShortRowsAndTerritoryHeaders)
{
    const TableSnapshot t({{"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "X"}, {"P", "001"}});
    EXPECT_EQ(t.rowCount(), 2);
    EXPECT_EQ(t.columnCount(), 7);
    EXPECT_EQ(t.headers().at(5), "");
    EXPECT_EQ(t.dataHeaders(), QStringList {"X"});
    EXPECT_EQ(t.cell(1, 6), "");
    EXPECT_EQ(t.cell(9, 0), "");
    EXPECT_EQ(TableSnapshot().columnCount(), 0);
}

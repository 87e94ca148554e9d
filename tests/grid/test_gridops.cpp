// The grid operations without the window: loading a selection, sorting, the range and word
// search, the widths, the description and metadata lookups, and the table model.

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "shell/links.h"
#include "shell/store.h"
#include "support/testfolder.h"
#include "table/gridops.h"
#include "table/tablemodel.h"

#include <QColor>
#include <QFile>
#include <QFont>
#include <QFontMetrics>
#include <QRandomGenerator>
#include <algorithm>
#include <limits>
#include <gtest/gtest.h>
#include <random>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

struct Sample {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    explicit Sample(const NumberFormat &numbers = NumberFormat::comma())
    {
        ctx->DbFolder = tf.file("Databases/");
        EXPECT_TRUE(refreshLinkedTables(*ctx, *ctx));
        ctx->CurrentDb = "Variabili.mdb";
        ctx->CurrentTipo = "Variabili";
        ctx->numbers = numbers;
    }
    // CreaQuery on rows "code-year" and the named territories, into sql.
    bool select(const QStringList &items, const QStringList &names)
    {
        QStringList rows;
        for (const QString &i : items)
            rows << i + " - ";
        const Result<QString> built = CreaQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo, rows,
                                                BuildTerritoryFilter(names));
        if (built)
            sql = built.value();
        return bool(built);
    }
    grid::Loading load(DataTable &t, QString *ran = nullptr)
    {
        return grid::DoQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo, sql, t, ran);
    }
    QString sql;
};

// A small table in the shape of a result: six territory columns and two data columns.
DataTable resultTable(const NumberFormat &f)
{
    auto n = [&](const char *text) { return QString::fromLatin1(text).replace('.', f.decimal); };
    return DataTable({
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "TR001_2004"},
        {"2", "12", "", "12", "ITE4", "Lazio", n("10.50"), n("3.95")},
        {"1", "058", "58", "12", "ITE43", "Roma", n("9.99"), ""},
        {"2", "01", "", "01", "ITC1", "Piemonte", n("-0.50"), n("4.00")},
        {"1", "066", "66", "13", "ITF11", "L'Aquila", n("10.00"), "n.d."},
        {"2", "13", "", "13", "ITF1", "Abruzzo", n("1234.00"), n("-1.00")},
        {"4", "ITA", "", "ITA", "", "ROMA", n("10.99"), n("0.00")},
    });
}

QStringList column(const DataTable &t, int c)
{
    QStringList out;
    for (int r = 1; r < t.rowCount(); ++r)
        out << t.text(r, c);
    return out;
}

bool striped(const DataTable &t)
{
    for (int r = 1; r < t.rowCount(); ++r)
        if (t.background(r) != (r % 2 == 0 ? DataTable::kEvenRow : DataTable::kOddRow))
            return false;
    return true;
}

} // namespace

TEST(GridLoad, DoQueryLoadsTheSelectionOrderedByTerritoryCode)
{
    Sample s;
    ASSERT_TRUE(s.select({"TR001-2004", "AS013-2005"}, {"Valle d'Aosta/Vallée d'Aoste", "Torino", "L'Aquila"}));
    // Another menu command chose another database meanwhile: the query's own is restored when
    // asked, and only then.
    EXPECT_EQ(grid::queryDatabase("IndEconomici.mdb", true, "Variabili.mdb"), "Variabili.mdb");
    EXPECT_EQ(grid::queryDatabase("IndEconomici.mdb", false, "Variabili.mdb"), "IndEconomici.mdb");
    EXPECT_EQ(grid::queryDatabase("IndEconomici.mdb", true, ""), "IndEconomici.mdb");
    DataTable t;
    QString ran;
    ASSERT_EQ(s.load(t, &ran), grid::LoadOutcome::Loaded);
    EXPECT_EQ(ran, s.sql);
    EXPECT_EQ(column(t, 1), (QStringList {"001", "02", "066"}));
    EXPECT_TRUE(striped(t) && t.selEnd == (CellPos {1, 0}));
    EXPECT_TRUE(s.tf.prompt.shown().empty() && !s.tf.prompt.busy());
    // No territory matches: the header row only, whose widths can still be fitted.
    ASSERT_TRUE(s.select({"AS013-2005"}, {"Atlantide"}));
    ASSERT_EQ(s.load(t), grid::LoadOutcome::Loaded);
    EXPECT_TRUE(t.rowCount() == 1 && t.columnCount() == 7);
    EXPECT_EQ(grid::AutosizeCols(t, QFontMetrics(QFont()), 800).size(), 7);
}

// A long loading counts its rows through the prompt; stopped, it leaves the table as it was
// and tells or logs nothing.
TEST(GridLoad, ALongLoadingShowsProgressAndCanBeStopped)
{
    Sample s;
    // Every territory against every other: thousands of rows.
    s.sql = "SELECT land_Ind.COD_TERR, b.COD_TERR AS Altro FROM land_Ind, land_Ind AS b";
    DataTable t;
    ASSERT_EQ(s.load(t), grid::LoadOutcome::Loaded) << s.tf.prompt.messages().join('|').toStdString();
    ASSERT_GT(t.rowCount(), 1024);
    ASSERT_EQ(s.tf.prompt.progressShown().size(), 1u);
    const auto whole = s.tf.prompt.progressShown().front();
    EXPECT_TRUE(whole.ended && whole.steps.size() >= 4u);

    DataTable kept = resultTable(NumberFormat::comma());
    s.tf.prompt.cancelProgressAtStep(2);
    EXPECT_EQ(s.load(kept), grid::LoadOutcome::Cancelled);
    EXPECT_EQ(kept.rows(), resultTable(NumberFormat::comma()).rows());
    EXPECT_TRUE(s.tf.prompt.progressShown().back().ended && s.tf.prompt.messages().isEmpty());
    EXPECT_FALSE(QFile::exists(s.tf.file("Files/Error.log")));
}

// A failed loading leaves the table as it was and hands back the store's words for the log; a
// statement too large for the store empties the table and hands back the warning. Nothing is
// shown or logged by the loading itself.
TEST(GridLoad, FailuresComeBackInItalianForTheCaller)
{
    Sample s;
    ASSERT_TRUE(s.select({"AS013-2005"}, {"Torino"}));
    DataTable t = resultTable(NumberFormat::comma());
    s.sql.replace("AS_2005", "Nessuna");
    grid::Loading failed = s.load(t);
    EXPECT_EQ(failed.outcome, grid::LoadOutcome::Failed);
    EXPECT_EQ(t.rowCount(), 7);
    ASSERT_TRUE(failed.failure && failed.failure->logged());
    EXPECT_EQ(failed.failure->procedure, "DoQuery");
    EXPECT_EQ(failed.failure->number, "-2147467259");
    EXPECT_EQ(failed.failure->message, "Impossibile trovare la tabella o la query 'Nessuna'.");
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());
    EXPECT_FALSE(QFile::exists(s.tf.file("Files/Error.log")));

    // More tables than one statement may join: the warning and an empty table.
    s.tf.prompt.clear();
    Recordset rs = s.ctx->GetDbConnection("Variabili.mdb")
                       ->query("select min(Variabile) || '-' || Anno from IndVarAnno group by Tabella");
    QStringList items;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        items << rs.text(0);
    ASSERT_TRUE(s.select(items, {"Torino"}));
    grid::Loading tooLarge = s.load(t);
    EXPECT_EQ(tooLarge.outcome, grid::LoadOutcome::TooLarge);
    EXPECT_EQ(t.rowCount() + t.columnCount(), 0);
    ASSERT_TRUE(tooLarge.failure && !tooLarge.failure->logged());
    EXPECT_EQ(tooLarge.failure->message, "Numero di Variabili selezionate troppo elevato. Eliminarle alcune.");
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());
}

TEST(GridDeferredFormats, FixedPointFormatsOfTheSelectListAreLeftToTheTable)
{
    const grid::DeferredFormats d = grid::deferFormats(
        "SELECT a.X as TipoTerritorio, Format(T.C, '0.00') as C_2005, format(IIf(T.D > 0, T.D, 0), '0') as D, "
        "'a, FROM b' as Q, Format(T.E,'Standard') as E, Format(T.F, '0.0000') as F FROM T order by a.X");
    EXPECT_EQ(d.statement, "SELECT a.X as TipoTerritorio, T.C as C_2005, IIf(T.D > 0, T.D, 0) as D, "
                           "'a, FROM b' as Q, Format(T.E,'Standard') as E, T.F as F FROM T order by a.X");
    EXPECT_EQ(d.decimals, (QList<int> {DataTable::kPlain, 2, 0, DataTable::kPlain, DataTable::kPlain, 4}));
    // A list the table cannot count column by column is run as it is.
    for (const QString &sql : {QString("SELECT *, Format(T.C, '0.00') as C FROM T"), QString("Format(x, '0.00')"),
                               QString("SELECT Format(T.C, '0.00') as C")})
        EXPECT_TRUE(grid::deferFormats(sql).statement == sql && grid::deferFormats(sql).decimals.isEmpty());
}

// A store of awkward values: reals that round either way, a null, an infinity, whole numbers
// beyond fifteen digits, exact decimals kept as text, texts that are and are not numbers, a blob.
// Sorting, searching and the widths read a cell through its text, number and blankness, so a
// table of values behaves as the table of its texts when those three agree.
class GridValues : public ::testing::TestWithParam<bool> {
protected:
    NumberFormat numbers() const { return GetParam() ? NumberFormat::point() : NumberFormat::comma(); }
    Sample s {numbers()};
    void SetUp() override
    {
        s.ctx->CurrentDb = "Prova.mdb";
        auto cn = Connection::create(s.ctx->DbFolder + "Prova.sqlite", numbers());
        cn->execute("CREATE TABLE land_Ind (COD_TIPO_TERR INTEGER, COD_TERR TEXT, PROV TEXT, REG TEXT, COD_NUTS "
                    "TEXT, DES_TERR TEXT)");
        cn->execute("CREATE TABLE T_2005 (COD_TERR TEXT, VA001 REAL, VA002 INTEGER, VA003 TEXT, VA004)");
        const double inf = std::numeric_limits<double>::infinity();
        const QVariantList reals {8.325, -0.004, 1e20, 2.5, QVariant(), 1234567.891, -7.5, inf, 0.125, -2.675};
        const QVariantList wholes {7, -3, QVariant(), qlonglong(1234567890123456789LL), 0, 42, -999, 15, 1, 2};
        const QVariantList texts {"1234.5678", "12,5", "n.d.", "", "  ", "3.14159", "1.5e3", "-0,005", "x", "7"};
        const QVariantList mixed {1.005, 42, "abc", QByteArray("AB"), QVariant(), "12.345", -0.0, 3, "", 9.995};
        for (int r = 0; r < reals.size(); ++r) {
            const QString code = QString("%1").arg(r + 1, 3, 10, QChar('0'));
            cn->execute("INSERT INTO land_Ind VALUES (?, ?, ?, ?, ?, ?)",
                        {r % 3, code, QString::number(r), "01", "ITC1", QString("Comune %1").arg(r)});
            cn->execute("INSERT INTO T_2005 VALUES (?, ?, ?, ?, ?)", {code, reals[r], wholes[r], texts[r], mixed[r]});
        }
        QueryPlan plan = planQuery({"VA001-2005 - ", "VA002-2005 - ", "VA003-2005 - ", "VA004-2005 - "}, 2);
        for (QueryItem &g : plan.groups)
            g.table = "T_2005";
        for (QueryItem &it : plan.items)
            it.table = "T_2005";
        // Beside the formatted items, two read as they are.
        s.sql = buildSelect(plan, QString()).replace(" FROM ", ", T_2005.VA001 as Grezzo, T_2005.VA004 as "
                                                                          "Misto FROM ");
    }
};

TEST_P(GridValues, EveryTextIsTheOneTheStoreWritesAndNumbersReadAsTheTexts)
{
    DataTable t;
    ASSERT_EQ(s.load(t), grid::LoadOutcome::Loaded);
    // The table as the store itself writes it: every Format of the statement run by the store.
    EXPECT_EQ(t.rows(), grid::tableFromRecordset(
                            s.ctx->GetDbConnection("Prova.mdb")->query(grid::gridStatement(s.sql)), numbers())
                            .rows());
    int stored = 0;
    for (int r = 1; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c) {
            const QString text = t.text(r, c);
            SCOPED_TRACE(QString("%1,%2 '%3'").arg(r).arg(c).arg(text).toStdString());
            stored += t.isNumeric(r, c);
            EXPECT_EQ(t.number(r, c), numbers().toNumber(text));
            EXPECT_EQ(t.isBlank(r, c), text.trimmed().isEmpty());
        }
    EXPECT_GT(stored, 40) << "the numbers are kept as numbers";
}

INSTANTIATE_TEST_SUITE_P(BothMarks, GridValues, ::testing::Bool());

class GridMarks : public ::testing::TestWithParam<bool> {
protected:
    NumberFormat numbers() const { return GetParam() ? NumberFormat::point() : NumberFormat::comma(); }
    // A number written with "." for the decimal mark and "_" for the group mark, in this mark.
    QString n(const char *text) const
    {
        return QString::fromLatin1(text).replace('.', numbers().decimal).replace('_', numbers().group);
    }
    Sample s {numbers()};
    DataTable t = resultTable(numbers());
};

TEST_P(GridMarks, NumbersSortAsNumbersAndStripesFollow)
{
    t.colorStripes();
    ASSERT_TRUE(grid::sortByName(t, "AS013_2005", true, numbers()));
    EXPECT_EQ(column(t, 5), (QStringList {"Piemonte", "Roma", "L'Aquila", "Lazio", "ROMA", "Abruzzo"}));
    EXPECT_TRUE(t.current.column == 6 && t.selEnd.column == 6 && striped(t));
    ASSERT_TRUE(grid::sortByName(t, "AS013_2005", false, numbers()));
    EXPECT_EQ(column(t, 5), (QStringList {"Abruzzo", "ROMA", "Lazio", "L'Aquila", "Roma", "Piemonte"}));
    grid::sortColumn(t, 5, true, numbers());
    EXPECT_EQ(column(t, 5), (QStringList {"Abruzzo", "L'Aquila", "Lazio", "Piemonte", "ROMA", "Roma"}))
        << "equal texts keep their order";

    // A name that is no header sorts nothing.
    const QList<QStringList> before = t.rows();
    EXPECT_FALSE(grid::sortByName(t, "AS013_200", true, numbers()));
    EXPECT_EQ(t.rows(), before);
}

// The found rows come to the top, sorted, and are selected; no match selects the header cell.
TEST_P(GridMarks, SearchBringsTheMatchesToTheTopSelected)
{
    using K = grid::SearchOutcome::Kind;
    const struct {
        int ric;
        QString lower, upper, upperAfter;
        K kind;
        int matches;
        CellPos selEnd; // row -1: not checked
        QStringList top; // the first cells of the searched column afterwards
    } cases[] = {
        // One value: every row of its whole part; the upper box takes it.
        {7, "10", "", "10", K::Range, 3, {3, 6}, {n("10.00"), n("10.50"), n("10.99"), n("-0.50")}},
        // Bounds are cut to their whole part downwards: -0.5 acts as -1, 3.9 as 3; blank and
        // "n.d." never match.
        {8, n("-0.5"), n(" 3.9 "), n(" 3.9 "), K::Range, 3, {3, 7}, {n("-1.00"), n("0.00"), n("3.95")}},
        // A word: sorted on it, then each match moved to the top, the last one met first.
        {6, " roma ", "", "", K::Text, 2, {1, 5}, {"ROMA", "Roma", "Abruzzo"}},
        // The header row is not searched.
        {6, "territorio", "", "", K::Text, 0, {-1, 0}, {"Abruzzo"}},
        {7, "500", "600", "600", K::Range, 0, {0, 6}, {n("-0.50")}},
    };
    for (const auto &c : cases) {
        t = resultTable(numbers());
        const grid::SearchOutcome out = grid::searchTable(*s.ctx, t, c.ric, c.lower, c.upper);
        SCOPED_TRACE((c.lower + "|" + c.upper).toStdString());
        EXPECT_EQ(out.kind, c.kind);
        EXPECT_EQ(out.upper, c.upperAfter);
        EXPECT_EQ(column(t, c.ric - 1).mid(0, c.top.size()), c.top);
        EXPECT_EQ(out.matches, c.matches);
        EXPECT_TRUE(c.selEnd.row < 0 || t.selEnd == c.selEnd);
        EXPECT_EQ(t.current, (CellPos {c.matches ? 1 : 0, c.ric - 1}));
        EXPECT_TRUE(t.rowCount() == 7 && striped(t));
    }
    EXPECT_TRUE(s.tf.prompt.shown().empty());
}

TEST_P(GridMarks, WrongBoundsWarnAndLeaveTheTableAlone)
{
    const QList<QStringList> before = t.rows();
    using K = grid::SearchOutcome::Kind;
    // No column or no lower bound: nothing at all.
    const std::tuple<int, const char *, const char *, K> cases[] = {{7, "5", "3", K::ReversedBounds},
                                                                    {7, "abc", "7", K::NotNumbers},
                                                                    {7, "7", "abc", K::NotNumbers},
                                                                    {0, "10", "", K::Nothing},
                                                                    {7, "  ", "12", K::Nothing}};
    QStringList warnings;
    for (const auto &[ric, lower, upper, kind] : cases) {
        const grid::SearchOutcome out = grid::searchTable(*s.ctx, t, ric, lower, upper);
        EXPECT_EQ(out.kind, kind) << lower << "|" << upper;
        if (out.warning)
            warnings << out.warning->message;
    }
    EXPECT_EQ(t.rows(), before);
    EXPECT_EQ(warnings, (QStringList {"Il valore 'Da' non deve essere maggiore del valore 'a'!",
                                      "Per fare una ricerca da --- a inserire due numeri interi!",
                                      "Per fare una ricerca da --- a inserire due numeri interi!"}));
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());
    // 3.9 and 3.2 have the same whole part: not reversed.
    EXPECT_EQ(grid::searchTable(*s.ctx, t, 7, n("3.9"), n("3.2")).kind, K::Range);
}

// A bound with decimals is read whichever mark the user typed: the other mark is a group mark
// only where it groups thousands.
TEST_P(GridMarks, BoundsWithEitherMarkReadAsDecimals)
{
    const std::pair<QString, std::optional<double>> reads[] = {
        {"14,5", 14.5}, {"14.5", 14.5}, {" -0.25 ", -0.25}, {"16", 16.0},
        {n("1_333"), 1333.0}, {n("1_333_806.76"), 1333806.76}, {n("12_5.5"), std::nullopt},
        {n("1.5_2"), std::nullopt}, {n("1_2_3"), std::nullopt}, {"abc", std::nullopt}, {"", std::nullopt},
    };
    for (const auto &[text, value] : reads)
        EXPECT_EQ(grid::readBound(text, numbers()), value) << text.toStdString();

    // Da 10.5 in the other mark acts as 10 (the whole part), so 10.00 to 10.99 match.
    EXPECT_EQ(grid::searchTable(*s.ctx, t, 7, GetParam() ? "10,5" : "10.5", "11").matches, 3);
    EXPECT_TRUE(s.tf.prompt.shown().empty());
}


// A mixed column: blanks first, then numbers by value, then texts; the same order whatever
// order the rows come in, ascending and descending.
TEST(GridSortMixed, BlanksNumbersTextsInTheSameOrderFromAnyStart)
{
    QStringList cells {"9", "10", "1a", "", "-2,5", "b", "1a", " ", "100", "A", "0,5", "x9"};
    const QStringList ascending {"", "", "-2,5", "0,5", "9", "10", "100", "1a", "1a", "A", "b", "x9"};
    std::mt19937 rng(7);
    for (int start = 0; start < 50; ++start) {
        std::shuffle(cells.begin(), cells.end(), rng);
        QList<QStringList> rows {{"h"}};
        for (const QString &c : cells)
            rows.append({c});
        DataTable t(rows);
        t.sortGeneric(0, true, NumberFormat::comma());
        QStringList up = column(t, 0);
        ASSERT_EQ(up.replaceInStrings(" ", ""), ascending) << cells.join('|').toStdString();
        t.sortGeneric(0, false, NumberFormat::comma());
        QStringList down = column(t, 0).replaceInStrings(" ", "");
        std::reverse(down.begin(), down.end());
        ASSERT_EQ(down, ascending) << cells.join('|').toStdString();
    }
}

// The widest trimmed text of the column, header included, plus a "Q"; two thirds of the table
// when that would not fit. The widths come out as if every cell had been measured, in fonts
// with and without tabular digits and with texts that kerning shortens.
TEST(GridWidths, TheWidestTextOfEveryCellPlusAQ)
{
    EXPECT_EQ(grid::fittedWidth(100, 12, 900), 112);
    EXPECT_EQ(grid::fittedWidth(888, 12, 900), 900);
    EXPECT_EQ(grid::fittedWidth(889, 12, 900), 600);
    QRandomGenerator rng(7);
    const QStringList words {"AVA",  "  Torino ",    "L'Aquila", " Valle d'Aosta/Vallée d'Aoste ",
                             "WAVY", "Forlì-Cesena", "Tòkyō",    "Ελλάδα",
                             "ТТ",   "iiiiiiii",     "MMMM",     "n.d."};
    for (const QFont &font : {QFont(), QFont("DejaVu Serif", 13, QFont::Bold, true)}) {
        const QFontMetrics fm(font);
        QList<QStringList> rows {{"A", "B", "C", "Intestazione piuttosto lunga"}};
        for (int r = 0; r < 400; ++r) {
            const double v = (int(rng.bounded(20000000)) - 10000000) / 100.0;
            rows.append({NumberFormat::comma().fixed(v, 2), NumberFormat::point().fixed(v / 7, 2),
                         words[int(rng.bounded(words.size()))] + (rng.bounded(3) == 0 ? " AV" : ""),
                         rng.bounded(5) == 0 ? QString() : QString::number(rng.bounded(100000))});
        }
        const DataTable t(rows);
        const QList<int> got = grid::AutosizeCols(t, fm, 5000);
        for (int c = 0; c < t.columnCount(); ++c) {
            int w = 0;
            for (int r = 0; r < t.rowCount(); ++r)
                w = std::max(w, fm.horizontalAdvance(t.text(r, c).trimmed()));
            EXPECT_EQ(got[c], fm.horizontalAdvance('Q') + w) << font.family().toStdString() << " column " << c;
        }
        EXPECT_EQ(grid::AutosizeCols(t, fm, 60)[2], 40) << "a text wider than the table";
    }
}

// The description and the metadata sheet of a column: only data columns whose header names an
// item of the current type have them.
TEST(GridDescription, DataColumnsWithAnItemCodeHaveADescriptionAndASheet)
{
    Sample s;
    DataTable t({{"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005", "ITR001_2005",
                  "ZZ999_2005", "Funz12005"}});
    const QString indicator = s.ctx->GetDbConnection("Metadati.mdb")
                                  ->query("select DescIndicatore from MetadatiIndicatori where IdIndicatore = 'ITR001'")
                                  .text(0);
    ASSERT_FALSE(indicator.isEmpty());
    const struct {
        const char *tipo;
        int column;
        QString expected;
    } cases[] = {{"Indicatori", 7, indicator}, {"", 6, ""},          {"Variabili", 7, ""},
                 {"Variabili", 8, ""},         {"Variabili", 9, ""}, {"Variabili", 10, ""}};
    for (const auto &c : cases) {
        s.ctx->CurrentTipo = c.tipo;
        const Result<QString> description = grid::variableDescription(*s.ctx, *s.ctx, t, c.column);
        ASSERT_TRUE(description) << c.tipo << c.column;
        EXPECT_EQ(description.value(), c.expected) << c.tipo << c.column;
    }
    EXPECT_TRUE(s.tf.prompt.shown().empty());
    const QStringList codes {"", "", "", "", "", "", "AS013", "ITR001", "ZZ999", ""};
    for (int c = 0; c < t.columnCount(); ++c)
        EXPECT_EQ(grid::metadataCode(t, c), codes[c]) << c;

    // A metadata database that cannot be read: the failure goes back to the window.
    s.ctx->CurrentTipo = "Indicatori";
    s.ctx->DbFolder = s.tf.file("nessuna/");
    const Result<QString> unread = grid::variableDescription(*s.ctx, *s.ctx, t, 7);
    ASSERT_FALSE(unread);
    EXPECT_EQ(unread.failure().procedure, "datagrid_RowColChange");
}

TEST(GridModel, HeaderRowDataRowsAndColoursThatMoveWithTheirRows)
{
    DataTable t = resultTable(NumberFormat::comma());
    DataTableModel m(t);
    m.setCentredFrom(grid::kFirstCentredColumn);
    EXPECT_EQ(m.rowCount(), 6);
    EXPECT_EQ(m.headerData(6, Qt::Horizontal).toString(), "AS013_2005");
    EXPECT_EQ(m.data(m.index(0, 5), Qt::TextAlignmentRole).toInt(), int(Qt::AlignCenter));
    EXPECT_EQ(m.data(m.index(0, 4), Qt::TextAlignmentRole).toInt(), int(Qt::AlignLeft | Qt::AlignVCenter));

    t.setBackground(2, 0xFF123456);
    int changes = 0;
    QObject::connect(&m, &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex &, const QModelIndex &, const QList<int> &roles) {
                         changes += roles.contains(Qt::BackgroundRole);
                     });
    m.coloursChanged();
    EXPECT_EQ(changes, 1);
    // "Roma" (table row 2) goes to the end with its colour.
    t.moveRow(2, 6);
    m.reload();
    EXPECT_EQ(m.data(m.index(5, 5)).toString(), "Roma");
    EXPECT_EQ(m.data(m.index(5, 0), Qt::BackgroundRole).value<QColor>().rgba(), 0xFF123456u);
}

// The map hand-off colours the rows whose region column reads exactly "TOTALE" green, every
// other data row white; the header row keeps its colour.
TEST(GridColours, TotalRowsGreenOthersWhite)
{
    DataTable t({{"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005"},
                 {"2", "01", "", "TOTALE", "", "Piemonte", "1,00"},
                 {"2", "02", "", "totale", "", "Valle d'Aosta", "2,00"},
                 {"2", "03", "", "TOTALE ", "", "Lombardia", "3,00"},
                 {"1", "001", "1", "01", "", "TOTALE", "4,00"},
                 {"2", "04", "", "TOTALE", "", "Trentino", "5,00"}});
    t.colorStripes();
    t.setBackground(0, 0xFF123456);
    t.colorTotals();
    const QRgb green = qRgb(0, 255, 0), white = qRgb(255, 255, 255);
    const QList<QRgb> expected {green, white, white, white, green};
    for (int r = 1; r < t.rowCount(); ++r)
        EXPECT_EQ(t.background(r), expected[r - 1]) << r;
    EXPECT_EQ(t.background(0), 0xFF123456u);
}

// The numbers of the data columns show group marks in their whole part, in the table's own
// format; codes, texts, headers and numbers in another notation stay as they are.
TEST_P(GridMarks, GroupMarksShownInTheNumbersOfTheDataColumnsOnly)
{
    const std::pair<const char *, const char *> cases[] = {
        {"1333806.76", "1_333_806.76"}, {"-1234.5", "-1_234.5"}, {"999.99", "999.99"},
        {"1000", "1_000"}, {"123456", "123_456"}, {"1e+20", "1e+20"}, {"n.d.", "n.d."}, {"", ""},
        {" 12345", " 12345"}};
    for (const auto &[in, out] : cases)
        EXPECT_EQ(grid::withGroupMarks(n(in), numbers()), n(out)) << in;

    DataTable d({"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "V"},
                {DataTable::kPlain, DataTable::kPlain, DataTable::kPlain, DataTable::kPlain, DataTable::kPlain,
                 DataTable::kPlain, 2},
                numbers());
    d.setInteger(1, 10010);
    d.setReal(6, 1333806.764);
    d.endRow();
    EXPECT_EQ(grid::shownText(d, 1, 1), "10010") << "a territory column";
    EXPECT_EQ(d.text(1, 6), n("1333806.76")) << "the copied and exported text has none";
    EXPECT_EQ(DataTableModel(d).data(DataTableModel(d).index(0, 6)).toString(), n("1_333_806.76"));
    const QFontMetrics fm(QFont("DejaVu Sans", 10));
    EXPECT_EQ(grid::AutosizeCols(d, fm, 2000)[6], fm.horizontalAdvance(n("1_333_806.76")) + fm.horizontalAdvance('Q'));
}

INSTANTIATE_TEST_SUITE_P(BothMarks, GridMarks, ::testing::Bool());

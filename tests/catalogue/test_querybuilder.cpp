#include "catalogue/catalogue.h"
#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"

#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {
const QString kHead =
    "SELECT land_Ind.COD_TIPO_TERR as TipoTerritorio, land_Ind.COD_TERR, land_Ind.PROV, land_Ind.REG, "
    "land_Ind.COD_NUTS, land_Ind.DES_TERR as Territorio, ";

QueryPlan withTables(QueryPlan plan, int prefix)
{
    for (QueryItem &g : plan.groups)
        g.table = g.code.left(prefix) + "_" + g.year;
    for (QueryItem &it : plan.items)
        it.table = it.code.left(prefix) + "_" + it.year;
    return plan;
}
} // namespace

TEST(QueryBuilder, TwoYearsGiveTwoGroupsJoinedInSortedOrder)
{
    const QueryPlan plan = withTables(planQuery({"AS013-2005 - a", "TR001-2004 - b", "AS013-2004 - c"}, 2), 2);
    EXPECT_EQ(plan.lastCode, "AS013");
    EXPECT_EQ(buildSelect(plan, ""),
              kHead
                  + "Format(AS_2004.AS013, '0.00') as AS013_2004, Format(AS_2005.AS013, '0.00') as AS013_2005, "
                    "Format(TR_2004.TR001, '0.00') as TR001_2004 FROM ((AS_2004 INNER JOIN land_Ind  ON "
                    "AS_2004.COD_TERR = land_Ind.COD_TERR) INNER JOIN AS_2005 ON AS_2005.COD_TERR = AS_2004.COD_TERR) "
                    "INNER JOIN TR_2004 ON TR_2004.COD_TERR = AS_2005.COD_TERR");
}

TEST(QueryBuilder, IndicatorsGroupOnThreeLettersAndDescriptionsMayHoldDashes)
{
    const QStringList rows {"IAS020-2006 - x", "IAS013-2006 - y", "IIM001-2006 - z"};
    const QueryPlan plan = planQuery(rows, 3);
    ASSERT_EQ(plan.groups.size(), 2u);
    EXPECT_EQ(plan.groups[0].code + plan.groups[1].code + plan.items[1].code, "IAS013IIM001IAS020");
    EXPECT_EQ(planQuery(rows, 2).groups.size(), 2u) << "variables group on two letters: IA";
    const QueryPlan dashes = planQuery({"CO019-2007 - Linee - accessi ADSL (migliaia)"}, 2);
    ASSERT_EQ(dashes.items.size(), 1u);
    EXPECT_EQ(dashes.items[0].code + "-" + dashes.items[0].year, "CO019-2007");
}

// The sample's variables at the provincial level.
class Sample : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx->DbFolder = tf.file("Databases/");
        ASSERT_TRUE(refreshLinkedTables(*ctx, *ctx));
        ctx->CurrentDb = "Variabili.mdb";
        ctx->CurrentTipo = "Variabili";
        ctx->CurrentLevel = "P";
        cn = ctx->GetDbConnection("Variabili.mdb");
    }
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<Connection> cn;
};

TEST_F(Sample, TheBuiltStatementRunsAndMatchesADirectQuery)
{
    const Result<QString> built = CreaQuery(*ctx, "Variabili.mdb", "Variabili",
                                            {"AS013-2005 - a", "AS014-2005 - b", "TR001-2004 - c"},
                                            "land_Ind.DES_TERR IN( 'Valle d''Aosta/Vallée d''Aoste', 'Torino')");
    ASSERT_TRUE(built);
    Recordset rs = cn->query(built.value() + " order by land_Ind.COD_TERR");
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.text(6), cn->query("select Format(AS013, '0.00') from AS_2005 where COD_TERR = '001'").text(0));
}

// A year without a data table, or one that is no year at all, ends the build with the message
// and never reaches a statement (a statement that failed would be a logged failure). The core
// tells nobody: the failure comes back.
TEST_F(Sample, AYearWithoutATableOrMalformedIsAFailureToShow)
{
    const struct {
        const char *row, *year;
    } cases[] = {{"AS013-1990 - x", "1990"},
                 {"AS013-20O5 - x", "20O5"},
                 {"AS013- - x", ""},
                 {"AS013-2005; DROP TABLE IndVarAnno - x", "2005; DROP TABLE IndVarAnno"},
                 {"AS013-2005 OR 1=1 - x", "2005 OR 1=1"}};
    for (const auto &c : cases) {
        const Result<QString> built = CreaQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo, {"TR001-2004 - t", c.row},
                                                "land_Ind.DES_TERR IN( 'Torino')");
        ASSERT_FALSE(built) << c.row;
        EXPECT_FALSE(built.failure().logged()) << c.row;
        EXPECT_EQ(built.failure().message, QString("Nessuna tabella di dati trovata per AS013 nell'anno %1. "
                                                   "Controllare il catalogo (IndVarAnno) del database.")
                                               .arg(c.year))
            << c.row;
    }
    EXPECT_TRUE(tf.prompt.shown().empty());
    EXPECT_GT(cn->query("select count(*) from IndVarAnno").value(0).toInt(), 0);
}

TEST_F(Sample, ADatabaseErrorIsAFailureToLogUnderCreaQuery)
{
    const Result<QString> built = CreaQuery(*ctx, "Sparito.mdb", "Variabili", {"AS013-2005 - x"}, "x");
    ASSERT_FALSE(built);
    EXPECT_EQ(built.failure().procedure, "CreaQuery");
}

TEST(ChosenRows, SameRowOnceAndAtMost251Rows)
{
    ChosenRows rows;
    EXPECT_EQ(rows.add("AS013-2005", "Scuole"), ChosenRows::AddResult::Added);
    EXPECT_EQ(rows.add("AS013-2005", "Scuole"), ChosenRows::AddResult::AlreadyThere);
    for (int i = 1; i < 251; ++i)
        ASSERT_EQ(rows.add(QString("X%1-2000").arg(i, 4, 10, QChar('0')), "d"), ChosenRows::AddResult::Added);
    EXPECT_EQ(rows.counter(), 251);
    EXPECT_EQ(rows.add("TR001-2001", "d"), ChosenRows::AddResult::LimitReached);
    rows.removeAt(0);
    EXPECT_EQ(rows.add("TR001-2001", "d"), ChosenRows::AddResult::Added);
    EXPECT_EQ(ChosenRows::codeOf("IAS013-2006 - Indice - sintetico"), "IAS013");
}

TEST_F(Sample, TerritoryConditionsAreBuiltAsTextWithTheirPrecedence)
{
    EXPECT_EQ(territoryCondition(0, 0), " where COD_TIPO_TERR=2 or COD_TIPO_TERR=22");
    EXPECT_EQ(territoryCondition(2, 1), " where COD_TIPO_TERR <> 1");
    EXPECT_EQ(territoryCondition(1, 6), " where COD_TIPO_TERR=1 or COD_TIPO_TERR=6 and COD_TIPO_TERR <> 6");
    EXPECT_EQ(territoryCondition(7, 0), "");

    // "a or b and not b" reads as "a or (b and not b)": the type-6 areas stay out, type 1 stays in.
    int ones = 0, sixes = 0;
    for (const auto &t : FillTerritori(*ctx, 1, 6)) {
        ones += t.type == "1";
        sixes += t.type == "6";
    }
    EXPECT_TRUE(ones == 105 && sixes == 0);
    EXPECT_EQ(BuildTerritoryFilter({}), "");
    EXPECT_EQ(BuildTerritoryFilter({"Valle d'Aosta/Vallée d'Aoste", "L'Aquila"}),
              "land_Ind.DES_TERR IN( 'Valle d''Aosta/Vallée d''Aoste', 'L''Aquila')");
}

TEST(Territories, GroupsSelectOnlyTheirTypes)
{
    const std::vector<TerritoryEntry> e {{"Torino", "1", "001"},  {"Piemonte", "2", "01"},
                                         {"Bolzano", "6", "021"}, {"Trentino", "22", "04"},
                                         {"Italia", "4", "ITA"},  {"Mezzogiorno", "5", "FS1"}};
    EXPECT_EQ(groupRows(e, 1, "P"), (std::vector<int> {0, 2}));
    EXPECT_EQ(groupRows(e, 2, "P"), (std::vector<int> {1, 2}));
    EXPECT_EQ(groupRows(e, 6, "P"), (std::vector<int> {1, 3}));
    EXPECT_EQ(groupRows(e, 5, "P"), (std::vector<int> {0, 2, 1, 3, 4, 5}));
    EXPECT_EQ(groupRows(e, 5, "R"), (std::vector<int> {2, 1, 3, 4, 5}));
}

TEST(Territories, LevelOfTheTickedGroupsLastMatchingRuleWins)
{
    // (ticked boxes, level of the list shown, level); provinces and regions ({1, 6}) are mixed.
    const std::tuple<QSet<int>, qint16, qint16> cases[] = {
        {{}, 1, 1},           {{}, 3, 3},        {{1}, 3, 1},       {{6}, 3, 4},      {{3, 4}, 3, 0},
        {{5}, 1, 3},          {{6, 4}, 3, 2},    {{2, 6}, 3, 2},    {{1, 6}, 2, 3},   {{1, 2, 6, 3, 4}, 3, 3},
        {{2, 6, 3, 4}, 3, 2}, {{1, 3, 4}, 3, 3}, {{6, 3, 4}, 3, 2}, {{5, 6, 4}, 3, 2}};
    for (const auto &[ticked, listLevel, level] : cases)
        EXPECT_EQ(levelOfGroups(ticked, listLevel), level) << QList<int>(ticked.begin(), ticked.end()).size();
}

TEST(CatalogueTree, ClickRulesByKeyLength)
{
    const struct {
        int clicked, other;
        bool collapses;
    } cases[] = {{1, 1, true},  {1, 5, true}, {3, 1, false}, {3, 3, true},
                 {5, 3, false}, {6, 5, true}, {2, 5, false}, {10, 1, false}};
    for (const auto &c : cases)
        EXPECT_EQ(collapsesOnClick(c.clicked, c.other), c.collapses) << c.clicked << " " << c.other;
}

TEST_F(Sample, AreasTopicsAndItemsInOrderWithYearsAndNotes)
{
    MemoryTree tree;
    ASSERT_FALSE(fillsons(ctx->CurrentTipo, ctx->CurrentLevel, *cn, tree));
    const auto *as013 = tree.find("AS013");
    ASSERT_TRUE(as013);
    const auto *topic = tree.find(as013->parentKey);
    ASSERT_TRUE(topic && topic->key.size() == 3);
    EXPECT_EQ(tree.find(topic->parentKey)->parentKey, "");
    // Items with regional data only are not at the provincial level.
    MemoryTree regional;
    fillsons(ctx->CurrentTipo, "R", *cn, regional);
    EXPECT_GT(regional.nodes().size(), tree.nodes().size());
    // TR001 has a note for 2001 only.
    QStringList withNotes;
    for (const auto &y : loadYears(*cn, "Variabili", "TR001", "P"))
        if (y.hasNote)
            withNotes << y.key;
    EXPECT_EQ(withNotes, QStringList {"TR001-2001"});
}

TEST_F(Sample, ADuplicateKeyIsLoggedAndStopsFilling)
{
    MemoryTree tree;
    tree.addNode("", "AS013", "già presente", "close", "open");
    const std::optional<Failure> failure = fillsons(ctx->CurrentTipo, ctx->CurrentLevel, *cn, tree);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->procedure, "fillsons");
    EXPECT_FALSE(tree.find("TR001"));
}

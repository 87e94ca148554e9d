#include "catalogue/catalogue.h"
#include "catalogue/selection.h"

#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

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
    EXPECT_EQ(rows.rows().constLast(), "TR001-2001 - d");
    EXPECT_EQ(ChosenRows::codeOf("IAS013-2006 - Indice - sintetico"), "IAS013");
}

TEST(Territories, ConditionsAreBuiltAsTextWithTheirPrecedence)
{
    EXPECT_EQ(territoryCondition(0, 0), " where COD_TIPO_TERR=2 or COD_TIPO_TERR=22");
    EXPECT_EQ(territoryCondition(2, 1), " where COD_TIPO_TERR <> 1");
    EXPECT_EQ(territoryCondition(1, 6), " where COD_TIPO_TERR=1 or COD_TIPO_TERR=6 and COD_TIPO_TERR <> 6");
    EXPECT_EQ(territoryCondition(7, 0), "");

    TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    // "a or b and not b" reads as "a or (b and not b)": the type-6 areas stay out, type 1 stays in.
    int ones = 0, sixes = 0;
    for (const auto &t : FillTerritori(*ctx, 1, 6)) {
        ones += t.type == "1";
        sixes += t.type == "6";
    }
    EXPECT_EQ(ones, 105);
    EXPECT_EQ(sixes, 0);
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
    EXPECT_EQ(territoryGroup(6).levelCode, 4);
    EXPECT_EQ(territoryGroup(3).levelCode, 0);
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

class SampleTree : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx->DbFolder = tf.file("Databases/");
        ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
        ctx->CurrentTipo = "Variabili";
        ctx->CurrentLevel = "P";
        cn = ctx->GetDbConnection("Variabili.mdb");
    }
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<Connection> cn;
};

TEST_F(SampleTree, AreasTopicsAndItemsInOrderWithYearsAndNotes)
{
    MemoryTree tree;
    fillsons(*ctx, *cn, tree);
    ASSERT_TRUE(tf.prompt.shown().empty());
    const auto *as013 = tree.find("AS013");
    ASSERT_TRUE(as013);
    const auto *topic = tree.find(as013->parentKey);
    ASSERT_TRUE(topic);
    EXPECT_EQ(topic->key.size(), 3);
    EXPECT_EQ(topic->text, topic->text.toUpper());
    EXPECT_EQ(tree.find(topic->parentKey)->parentKey, "");
    // Items with regional data only are not at the provincial level.
    MemoryTree regional;
    ctx->CurrentLevel = "R";
    fillsons(*ctx, *cn, regional);
    EXPECT_GT(regional.nodes().size(), tree.nodes().size());
    // TR001 has a note for 2001 only.
    int notes = 0;
    for (const auto &y : loadYears(*cn, "Variabili", "TR001", "P")) {
        EXPECT_EQ(y.key, "TR001-" + y.year);
        EXPECT_EQ(y.hasNote, y.year == "2001") << y.year.toStdString();
        notes += y.year == "2001";
    }
    EXPECT_EQ(notes, 1);
}

TEST_F(SampleTree, ADuplicateKeyIsLoggedAndStopsFilling)
{
    MemoryTree tree;
    tree.addNode("", "AS013", "già presente", "close", "open");
    fillsons(*ctx, *cn, tree);
    EXPECT_TRUE(QString::fromLatin1(tf.read("Files/Error.log")).contains("Module:Utility Function: fillsons"));
    EXPECT_FALSE(tree.find("TR001"));
}

#include "catalogue/querybuilder.h"

#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"

#include <QFile>
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

TEST(QueryBuilder, OneGroupOneTableTwoColumns)
{
    const QueryPlan plan = withTables(planQuery({"AS025-2005 - Posti letto", "AS013-2005 - Scuole"}, 2), 2);
    ASSERT_EQ(plan.groups.size(), 1u);
    EXPECT_EQ(plan.lastCode, "AS013");
    EXPECT_EQ(buildSelect(plan, "land_Ind.DES_TERR IN( 'N1', 'N2')"),
              kHead
                  + "Format(AS_2005.AS013, '0.00') as AS013_2005, Format(AS_2005.AS025, '0.00') as AS025_2005 "
                    "FROM AS_2005 INNER JOIN land_Ind  ON AS_2005.COD_TERR = land_Ind.COD_TERR "
                    "WHERE land_Ind.DES_TERR IN( 'N1', 'N2')");
}

TEST(QueryBuilder, TwoYearsGiveTwoGroupsJoinedInSortedOrder)
{
    const QueryPlan plan = withTables(planQuery({"AS013-2005 - a", "TR001-2004 - b", "AS013-2004 - c"}, 2), 2);
    ASSERT_EQ(plan.groups.size(), 3u);
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
    EXPECT_EQ(plan.groups[0].code, "IAS013");
    EXPECT_EQ(plan.groups[1].code, "IIM001");
    ASSERT_EQ(plan.items.size(), 3u);
    EXPECT_EQ(plan.items[1].code, "IAS020");
    EXPECT_EQ(planQuery(rows, 2).groups.size(), 2u) << "variables group on two letters: IA";
    const QueryPlan dashes = planQuery({"CO019-2007 - Linee - accessi ADSL (migliaia)"}, 2);
    ASSERT_EQ(dashes.items.size(), 1u);
    EXPECT_EQ(dashes.items[0].code, "CO019");
    EXPECT_EQ(dashes.items[0].year, "2007");
}

class CreaQueryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx->DbFolder = tf.file("Databases/");
        ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
        ctx->CurrentDb = "Variabili.mdb";
        ctx->CurrentTipo = "Variabili";
    }
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
};

TEST_F(CreaQueryTest, TheBuiltStatementRunsAndMatchesADirectQuery)
{
    ASSERT_TRUE(CreaQuery(*ctx, {"AS013-2005 - a", "AS014-2005 - b", "TR001-2004 - c"},
                          "land_Ind.DES_TERR IN( 'Valle d''Aosta/Vallée d''Aoste', 'Torino')"));
    EXPECT_EQ(ctx->LastCode, "TR001");
    auto c = ctx->GetDbConnection(ctx->CurrentDb);
    Recordset rs = c->query(ctx->SelectQuery + " order by land_Ind.COD_TERR");
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.fieldName(8), "TR001_2004");
    EXPECT_EQ(rs.text(1), "001");
    EXPECT_EQ(rs.text(6), c->query("select Format(AS013, '0.00') from AS_2005 where COD_TERR = '001'").text(0));
    EXPECT_TRUE(tf.prompt.shown().empty());
}

// A year without a data table, or one that is no year at all, ends the build with the message
// and never reaches a statement (a statement that failed would be in the error log).
TEST_F(CreaQueryTest, AYearWithoutATableOrMalformedIsReportedAndLeavesTheQuery)
{
    const struct {
        const char *row, *year;
    } cases[] = {
        {"AS013-1990 - x", "1990"},
        {"AS013-20O5 - x", "20O5"},
        {"AS013- - x", ""},
        {"AS013-2005; DROP TABLE IndVarAnno - x", "2005; DROP TABLE IndVarAnno"},
        {"AS013-2005 OR 1=1 - x", "2005 OR 1=1"},
    };
    for (const auto &c : cases) {
        tf.prompt.clear();
        ctx->SelectQuery = "precedente";
        EXPECT_FALSE(CreaQuery(*ctx, {"TR001-2004 - t", c.row}, "land_Ind.DES_TERR IN( 'Torino')")) << c.row;
        EXPECT_EQ(ctx->SelectQuery, "precedente") << c.row;
        EXPECT_EQ(tf.prompt.messages(),
                  QStringList {QString("Nessuna tabella di dati trovata per AS013 nell'anno %1. "
                                       "Controllare il catalogo (IndVarAnno) del database.")
                                   .arg(c.year)})
            << c.row;
    }
    EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));
    EXPECT_GT(ctx->GetDbConnection(ctx->CurrentDb)->query("select count(*) from IndVarAnno").value(0).toInt(), 0);
}

TEST_F(CreaQueryTest, ADatabaseErrorIsLoggedUnderCreaQuery)
{
    ctx->CurrentDb = "Sparito.mdb";
    EXPECT_FALSE(CreaQuery(*ctx, {"AS013-2005 - x"}, "x"));
    EXPECT_TRUE(QString::fromLatin1(tf.read("Files/Error.log")).contains("Module:FormdatiTab Function: CreaQuery"));
}

#include "shell/menus.h"

#include "shell/context.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

// A metadata database holding only the given menu rows and two configured databases.
struct MenuFixture {
    TestFolder tf {false};
    std::unique_ptr<AppContext> ctx;
    struct Row {
        int id, parent, order;
        QString caption;
        int sep = 0, dis = 0, chk = 0;
        QString form = {}, db = {}, tipo = {};
        QVariant level = {};
    };
    explicit MenuFixture(const std::vector<Row> &rows)
    {
        ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        auto c = Connection::create(tf.file("Databases/Metadati.sqlite"), NumberFormat::comma());
        c->executeScript(
            "CREATE TABLE DBMainMenu (IdMenu INTEGER, IdMenuParent INTEGER, Orderb INTEGER, DescName TEXT, "
            "isSeparator INTEGER, isDisable INTEGER, isChecked INTEGER, FormToOpen TEXT, DBname TEXT, "
            "TipoDb TEXT, LivTerritoriale TEXT);"
            "CREATE TABLE DbConfigs (dbnames TEXT, dbdesc TEXT, c2, c3, c4, c5, c6, c7, c8, c9, caption TEXT);"
            "INSERT INTO DbConfigs VALUES ('A.mdb', 'a', 0,0,0,0,0,0,0,0, 'Didascalia A'),"
            "('B.mdb', 'b', 0,0,0,0,0,0,0,0, 'Didascalia B');");
        for (const Row &r : rows)
            c->execute("INSERT INTO DBMainMenu VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                       {r.id, r.parent, r.order, r.caption, r.sep, r.dis, r.chk, r.form, r.db, r.tipo, r.level});
    }
};

} // namespace

TEST(BuildMenus, DropDownsAreNumberedInCreationOrderAndItemsFillTheArrays)
{
    MenuFixture f({
        {2, -1, 2, "Dati"}, // drop-down 1 (after "File")
        {1, -1, 1, "File"}, // drop-down 0
        {0, 0, 1, "Info", 0, 0, 0, "FRMINFO"}, // item 1
        {5, 1, 1, "Annidato"}, // drop-down 2 inside "Dati"
        {6, 1, 2, "", 1}, // separator in "Dati"
        {7, 1, 3, "Spento", 0, 1}, // disabled text in "Dati"
        {0, 2, 1, "Tabella", 0, 0, 1, "FORMDATITAB", "A.mdb", "Variabili", "P"}, // item 3, checked
        {0, 1, 4, "Grigia", 0, 1, 1, "GLOSSARIO"}, // item 2 (parent 1 comes first), disabled
    });
    MenuBar bar;
    BuildMenus(*f.ctx, bar);
    ASSERT_EQ(bar.top.size(), 2u);
    EXPECT_EQ(bar.top[0]->caption, "File");
    EXPECT_EQ(bar.top[1]->caption, "Dati");
    ASSERT_EQ(bar.dropDowns.size(), 3u);
    const MenuNode &dati = *bar.top[1];
    ASSERT_EQ(dati.children.size(), 4u);
    EXPECT_EQ(dati.children[0]->kind, MenuNode::Kind::DropDown);
    EXPECT_EQ(dati.children[1]->kind, MenuNode::Kind::Separator);
    EXPECT_EQ(dati.children[2]->kind, MenuNode::Kind::DisabledText);
    EXPECT_EQ(dati.children[3]->kind, MenuNode::Kind::DisabledText);
    EXPECT_EQ(dati.children[3]->command, 2);
    EXPECT_FALSE(dati.children[3]->checked); // a disabled entry is never shown checked
    const MenuNode &item = *dati.children[0]->children.at(0);
    EXPECT_EQ(item.command, 3);
    EXPECT_TRUE(item.checked);
    EXPECT_EQ(bar.commandCount, 3);
    EXPECT_EQ(f.ctx->menu.form[2], "GLOSSARIO");
    EXPECT_EQ(f.ctx->menu.form[3], "FORMDATITAB");
    EXPECT_EQ(f.ctx->menu.db[3], "A.mdb");
    EXPECT_EQ(f.ctx->menu.level[3], "P");
    EXPECT_EQ(f.ctx->menu.level[1], "");
}

// A thirty-first item of a drop-down, or a row naming a missing drop-down, fails keeping the
// menus built so far.
TEST(BuildMenus, ABadRowFailsKeepingTheMenusBuilt)
{
    std::vector<MenuFixture::Row> rows {{1, -1, 1, "Molte"}};
    for (int i = 1; i <= 31; ++i)
        rows.push_back({0, 0, i, QString("Voce %1").arg(i), 0, 0, 0, "X"});
    MenuFixture f(rows);
    MenuBar bar;
    EXPECT_THROW(BuildMenus(*f.ctx, bar), DbError);
    EXPECT_EQ(bar.top.at(0)->children.size(), 30u);

    MenuFixture g({{1, -1, 1, "Uno"}, {0, 4, 1, "Orfana", 0, 0, 0, "X"}});
    MenuBar bar2;
    EXPECT_THROW(BuildMenus(*g.ctx, bar2), DbError);
    EXPECT_EQ(bar2.top.size(), 1u);
}

TEST(MenuDispatch, ContextRulesOfTheCommandItems)
{
    MenuFixture f({
        {1, -1, 1, "M"},
        {0, 0, 1, "Uno", 0, 0, 0, "formdatitab", "A.mdb", "Variabili", "P"},
        {0, 0, 2, "Due", 0, 0, 0, "FormDatiTab", "B.mdb", "Indicatori", QVariant()},
        {0, 0, 3, "Tre", 0, 0, 0, "glossario", "A.mdb", "Variabili", "R"},
        {0, 0, 4, "Quattro", 0, 0, 0, "SCONOSCIUTA", "nessuno", "Altro", "P"},
    });
    MenuBar bar;
    BuildMenus(*f.ctx, bar);
    AppContext &ctx = *f.ctx;

    // Item 1 never changes the database context, whatever its DBname.
    EXPECT_EQ(mnu_submnu_Click(ctx, 1), "FORMDATITAB");
    EXPECT_EQ(ctx.CurrentDb, "");
    EXPECT_EQ(ctx.RestoreQueryDb, "False");
    EXPECT_EQ(ctx.CurrentLevel, "P");

    // A null level becomes "T"; items 2 and 3 ask the grid to restore its database.
    EXPECT_EQ(mnu_submnu_Click(ctx, 2), "FORMDATITAB");
    EXPECT_EQ(ctx.CurrentDb, "B.mdb");
    EXPECT_EQ(ctx.CurrentTipo, "Indicatori");
    EXPECT_EQ(ctx.CurrentLevel, "T");
    EXPECT_EQ(ctx.DbCaption, "Didascalia B");
    EXPECT_EQ(ctx.RestoreQueryDb, "True");

    EXPECT_EQ(mnu_submnu_Click(ctx, 3), "GLOSSARIO");
    EXPECT_EQ(ctx.CurrentDb, "A.mdb");
    EXPECT_EQ(ctx.DbCaption, "Didascalia A");

    // A DBname without ".mdb" leaves the previous context; the keyword is answered as it is.
    EXPECT_EQ(mnu_submnu_Click(ctx, 4), "SCONOSCIUTA");
    EXPECT_EQ(ctx.CurrentDb, "A.mdb");
    EXPECT_EQ(ctx.CurrentTipo, "Variabili");
    EXPECT_EQ(ctx.RestoreQueryDb, "False");
    EXPECT_EQ(mnu_submnu_Click(ctx, 0), "");
    EXPECT_EQ(mnu_submnu_Click(ctx, 31), "");
}

TEST(MenuDispatch, DatabaseErrorsAreIgnored)
{
    MenuFixture f(
        {{1, -1, 1, "M"}, {0, 0, 1, "Uno", 0, 0, 0, "X"}, {0, 0, 2, "Due", 0, 0, 0, "frminfo", "B.mdb", "V", "R"}});
    MenuBar bar;
    BuildMenus(*f.ctx, bar);
    f.ctx->DbFolder = f.tf.file("NonEsiste/");
    EXPECT_EQ(mnu_submnu_Click(*f.ctx, 2), "FRMINFO");
    EXPECT_EQ(f.ctx->CurrentDb, "B.mdb");
    EXPECT_EQ(f.ctx->CurrentLevel, "R");
    EXPECT_TRUE(f.tf.prompt.shown().empty());
}

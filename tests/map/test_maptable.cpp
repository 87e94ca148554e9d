// The map data table tMappa in the user database and the classes handed to the map window.

#include "map/maptable.h"
#include "map/thematic.h"

#include "shell/context.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::map;
using qrn::test::TestFolder;

namespace {

MapRequest request(MapKind kind, const QString &header = "AS013_2005")
{
    MapRequest r;
    r.mapCase.kind = kind;
    r.header = header;
    r.rows = {{"1", "015", "15", "03", "Milano", ""},
              {"1", "001", "1", "01", "Torino", "4,25"},
              {"1", "058", "58", "12", "Roma", "1063905,09"}};
    return r;
}

struct UserDb {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<Connection> db() { return ctx->openDatabase(ctx->userDbFile(), ctx->FilesFolder); }
    QStringList columns()
    {
        QStringList out;
        Recordset rs = db()->queryNative("PRAGMA table_info(tMappa)");
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.text("name") + " " + rs.text("type");
        return out;
    }
};

} // namespace

TEST(MapTable, CodeFieldTypedByKind)
{
    UserDb u;
    const struct {
        MapKind kind;
        QStringList columns;
    } cases[] = {{MapKind::Provinces, {"N_TERCO DOUBLE", "AS013_2005 DOUBLE", "N4 SMALLINT"}},
                 {MapKind::Nuts2, {"N_TERCO TEXT", "AS013_2005 DOUBLE", "N4 SMALLINT"}},
                 {MapKind::Regions, {"N_TERCO TEXT", "AS013_2005 DOUBLE", "N4 SMALLINT"}},
                 {MapKind::None, {"AS013_2005 DOUBLE", "N4 SMALLINT"}}};
    for (const auto &c : cases) {
        SaveMapQuery(*u.db(), c.kind, "AS013_2005");
        EXPECT_EQ(u.columns(), c.columns) << int(c.kind);
    }
    // Text codes keep their leading zeros; a value without a class has no class number.
    const MapRequest req = request(MapKind::Regions);
    ASSERT_TRUE(saveMapTable(*u.ctx, req, mapRecords(req, {0, 0, 2}), "frm_Mappa"));
    Recordset rs = u.db()->queryNative("SELECT N_TERCO, typeof(N_TERCO), N4 FROM tMappa ORDER BY N_TERCO");
    rs.moveFirst();
    EXPECT_EQ(rs.text(0), "001");
    EXPECT_EQ(rs.text(1), "text");
    EXPECT_TRUE(rs.isNull(2));
}

TEST(MapTable, RecreatedForEveryDrawingValuesAsDoublesDroppedOnClose)
{
    UserDb u;
    // A derived column may carry any name, quotes included.
    const MapRequest req = request(MapKind::Provinces, "Rapporto \"A\"");
    const QList<MapRecord> records = mapRecords(req, {0, 1, 3});
    ASSERT_EQ(records.size(), 2) << "the row without a value is not written";
    ASSERT_TRUE(saveMapTable(*u.ctx, req, records, "frm_Mappa"));
    ASSERT_TRUE(saveMapTable(*u.ctx, req, records, "frm_Mappa"));

    Recordset rs = u.db()->queryNative("SELECT * FROM tMappa ORDER BY N_TERCO");
    ASSERT_EQ(rs.recordCount(), 2);
    rs.moveFirst();
    EXPECT_EQ(rs.value("N_TERCO").toDouble(), 1);
    EXPECT_EQ(rs.value("Rapporto \"A\"").toDouble(), 4.25);
    EXPECT_EQ(rs.value("N4").toInt(), 1);
    rs.moveNext();
    EXPECT_EQ(rs.value("Rapporto \"A\"").toDouble(), 1063905.09); // not 1063905.125
    EXPECT_EQ(rs.value("N4").toInt(), 3);
    // The identify query of the map window finds a province by its number.
    EXPECT_EQ(u.db()->query("Select * from tMappa where n_terco =58").recordCount(), 1);

    ASSERT_TRUE(dropMapTable(*u.ctx, "frm_Mappa"));
    EXPECT_TRUE(u.columns().isEmpty());
}

TEST(MapTable, SaveFailureIsLoggedUnderItsProcedure)
{
    UserDb u;
    u.ctx->FilesFolder = u.tf.path() + "missing/";
    EXPECT_FALSE(saveMapTable(*u.ctx, request(MapKind::Provinces), {}, "frm_Mappa"));
    ASSERT_EQ(u.tf.prompt.messages().size(), 1);
    EXPECT_TRUE(u.tf.prompt.messages().first().startsWith("Errore : "));
}

TEST(Drawing, QuartilesWarnOnceAndLegendClassesAreReadBackFromTheLabels)
{
    UserDb u;
    MapRequest req = request(MapKind::Provinces);
    req.rows.clear();
    for (const char *v : {"1", "2", "2", "4", "5", "6", "7", "8"})
        req.rows.append({"1", "", QString::number(req.rows.size() + 1), "", "", v});

    const Drawing q = quartileDrawing(*u.ctx, req, Qt::white, Qt::black, "frm_Mappa");
    EXPECT_TRUE(q.stored);
    EXPECT_EQ(u.tf.prompt.messages(), QStringList {kQuartileWarning});
    EXPECT_EQ(q.classes.legend.size(), 5);
    EXPECT_EQ(q.classes.colourOf("8"), QColor(Qt::black));
    EXPECT_EQ(u.db()->queryNative("SELECT N4 FROM tMappa WHERE N_TERCO = 3").row(0)[0].toInt(), 2);

    const QList<LegendRow> legend {{"Da 1 a 4", Qt::red}, {"Da 4,01 a 8", Qt::blue}, noDataRow(false)};
    const Drawing m = legendDrawing(*u.ctx, req, legend, "frm_Mappa");
    EXPECT_EQ(m.classes.legend, legend);
    EXPECT_EQ(m.classes.colourOf("4"), QColor(Qt::red));
    EXPECT_EQ(m.classes.colourOf("5"), QColor(Qt::blue));
    EXPECT_EQ(m.classes.colourOf("999"), QColor(Qt::white)) << "not in the table";
    EXPECT_EQ(u.db()->queryNative("SELECT count(*) FROM tMappa WHERE N4 = 2").row(0)[0].toInt(), 4);
}

// Territories without a value or outside the table are drawn in the no-data white.
TEST(ThematicClasses, NoValueIsWhite)
{
    const MapRequest req = request(MapKind::Provinces);
    const ThematicClasses t = thematicClasses(req, {{"4,25", "4,25"}, {"5", "1063905,09"}}, {0, 1, 2},
                                              {Qt::yellow, Qt::blue}, false);
    EXPECT_EQ(t.colourOf("58"), QColor(Qt::blue));
    EXPECT_EQ(t.colourOf("15"), QColor(Qt::white));
}

// The map data table tMappa in the user database, the classes handed to the map window,
// identify on the thematic map and the scale text of the map window.

#include "map/identify.h"
#include "map/maptable.h"
#include "map/scalebar.h"
#include "map/thematic.h"

#include "shell/context.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::map;
using qrn::test::TestFolder;

namespace {

MapRequest request(MapKind kind, const QString &header = "AS013_2005",
                   const QList<MapRow> &rows = {{"1", "015", "15", "03", "Milano", ""},
                                                {"1", "001", "1", "01", "Torino", "4,25"},
                                                {"1", "058", "58", "12", "Roma", "1063905,09"}})
{
    MapRequest r;
    r.mapCase.kind = kind;
    r.header = header;
    r.rows = rows;
    return r;
}

struct UserDb {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    UserDb() { ctx->DbFolder = tf.file("Databases/"); }
    std::unique_ptr<Connection> db() { return ctx->openDatabase(ctx->userDbFile(), ctx->FilesFolder); }
    QStringList columns()
    {
        QStringList out;
        Recordset rs = db()->queryNative("PRAGMA table_info(tMappa)");
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.text("name") + " " + rs.text("type");
        return out;
    }
    QStringList identify(const QString &geoName, const QString &code)
    {
        QStringList out;
        const Identification found = identifyTerritory(*ctx, geoName, code);
        EXPECT_FALSE(found.failure);
        for (const IdentifyField &f : found.fields)
            out << f.field + "=" + f.value;
        return out;
    }
};

} // namespace

TEST(MapTable, CodeFieldTypedByKind)
{
    UserDb u;
    const std::pair<MapKind, QStringList> cases[] = {
        {MapKind::Provinces, {"N_TERCO DOUBLE", "AS013_2005 DOUBLE", "N4 SMALLINT"}},
        {MapKind::Nuts2, {"N_TERCO TEXT", "AS013_2005 DOUBLE", "N4 SMALLINT"}},
        {MapKind::Regions, {"N_TERCO TEXT", "AS013_2005 DOUBLE", "N4 SMALLINT"}},
        {MapKind::None, {"AS013_2005 DOUBLE", "N4 SMALLINT"}}};
    for (const auto &[kind, columns] : cases) {
        SaveMapQuery(*u.db(), kind, "AS013_2005");
        EXPECT_EQ(u.columns(), columns) << int(kind);
    }
    // Text codes keep their leading zeros; a value without a class has no class number.
    const MapRequest req = request(MapKind::Regions);
    ASSERT_TRUE(saveMapTable(*u.ctx, req, mapRecords(req, {0, 0, 2})));
    const auto first = u.db()->queryNative("SELECT N_TERCO, typeof(N_TERCO), N4 FROM tMappa ORDER BY N_TERCO").row(0);
    EXPECT_EQ(first[0].toString() + " " + first[1].toString(), "001 text");
    EXPECT_TRUE(first[2].isNull());
}

TEST(MapTable, RecreatedForEveryDrawingAndDroppedOnClose)
{
    UserDb u;
    // A derived column may carry any name, quotes included.
    const MapRequest req = request(MapKind::Provinces, "Rapporto \"A\"");
    const QList<MapRecord> records = mapRecords(req, {0, 1, 3});
    ASSERT_EQ(records.size(), 2) << "the row without a value is not written";
    ASSERT_TRUE(saveMapTable(*u.ctx, req, records));
    ASSERT_TRUE(saveMapTable(*u.ctx, req, records));
    EXPECT_EQ(u.db()->queryNative("SELECT * FROM tMappa").recordCount(), 2);
    // The identify query of the map window finds a province by its number.
    EXPECT_EQ(u.db()->query("Select * from tMappa where n_terco =58").recordCount(), 1);
    ASSERT_TRUE(dropMapTable(*u.ctx));
    EXPECT_TRUE(u.columns().isEmpty());
}

TEST(MapTable, SaveAndDropFailuresComeBackWithTheirProcedure)
{
    UserDb u;
    u.ctx->FilesFolder = u.tf.path() + "missing/";
    // Writing and dropping hand their failures back for the window to report; nothing is shown meanwhile.
    const Status saved = saveMapTable(*u.ctx, request(MapKind::Provinces), {});
    ASSERT_FALSE(saved);
    EXPECT_EQ(saved.failure().procedure, "SaveMapQuery");
    const Status dropped = dropMapTable(*u.ctx);
    ASSERT_FALSE(dropped);
    EXPECT_EQ(dropped.failure().procedure, "SaveMapQuery");
    EXPECT_FALSE(dropped.failure().message.isEmpty());
    EXPECT_TRUE(u.tf.prompt.messages().isEmpty());
}

TEST(Drawing, QuartilesWarnOnceAndLegendClassesAreReadBackFromTheLabels)
{
    UserDb u;
    MapRequest req = request(MapKind::Provinces, "AS013_2005", {});
    for (const char *v : {"1", "2", "2", "4", "5", "6", "7", "8"})
        req.rows.append({"1", "", QString::number(req.rows.size() + 1), "", "", v});
    const Drawing q = quartileDrawing(*u.ctx, req, Qt::white, Qt::black);
    EXPECT_TRUE(q.stored && q.equalValuesWarning);
    EXPECT_TRUE(u.tf.prompt.messages().isEmpty()) << "the caller shows the warning";
    EXPECT_EQ(q.classes.legend.rows().size(), 5);
    EXPECT_EQ(q.classes.colourOf("8"), QColor(Qt::black));
    EXPECT_EQ(u.db()->queryNative("SELECT N4 FROM tMappa WHERE N_TERCO = 3").row(0)[0].toInt(), 2);

    const QList<LegendRow> legend {{"Da 1 a 4", Qt::red}, {"Da 4,01 a 8", Qt::blue}, noDataRow(false)};
    const Drawing m =
        legendDrawing(*u.ctx, req, makeLegend({{"1", "4"}, {"4,01", "8"}}, {Qt::red, Qt::blue}, false, u.ctx->numbers));
    EXPECT_EQ(m.classes.legend.rows(), legend);
    EXPECT_EQ(m.classes.colourOf("4"), QColor(Qt::red));
    EXPECT_EQ(m.classes.colourOf("5"), QColor(Qt::blue));
    EXPECT_EQ(m.classes.colourOf("999"), QColor(Qt::white)) << "not in the table";
    EXPECT_EQ(u.db()->queryNative("SELECT count(*) FROM tMappa WHERE N4 = 2").row(0)[0].toInt(), 4);
    // Territories without a value are drawn in the no-data white.
    const ThematicClasses t = thematicClasses(
        request(MapKind::Provinces),
        makeLegend({{"4,25", "4,25"}, {"5", "1063905,09"}}, {Qt::yellow, Qt::blue}, false, NumberFormat::comma()),
        {0, 1, 2});
    EXPECT_EQ(t.colourOf("58"), QColor(Qt::blue));
    EXPECT_EQ(t.colourOf("15"), QColor(Qt::white));
}

TEST(Identify, ProvinceRowAndTerritoryForEveryWayOfWritingTheCode)
{
    UserDb u;
    const MapRequest req = request(
        MapKind::Provinces, "AS013_2005",
        {{"1", "001", "1", "01", "Torino", "1063905,09"}, {"1", "002", "2", "01", "Vercelli", "12,50"}});
    ASSERT_TRUE(saveMapTable(*u.ctx, req, mapRecords(req, {3, 1})));
    const QStringList torino {"N_TERCO=1", "AS013_2005=1063905,09", "N4=3", "Provincia=Torino", "REGIONE=Piemonte"};
    const std::tuple<const char *, const char *, QStringList> cases[] = {
        {"province107", "1", torino},
        {"province107", "001", torino},
        {"Province103", "1.0", torino},
        {"province107", "2", {"N_TERCO=2", "AS013_2005=12,5", "N4=1", "Provincia=Vercelli", "REGIONE=Piemonte"}},
        // A province of the layer without a value: no data in the value's row, then its description.
        {"province107", "4", {"AS013_2005=Dato non presente", "Provincia=Cuneo", "REGIONE=Piemonte"}},
        {"province107", "999", {}},
        {"province107", "", {}},
        // A layer without a territory query lists the map row only.
        {"comuni", "1", {"N_TERCO=1", "AS013_2005=1063905,09", "N4=3"}},
    };
    for (const auto &[geoName, code, expected] : cases)
        EXPECT_EQ(u.identify(geoName, code), expected) << geoName << " " << code;

    // Regions and NUTS-2 areas by text code; without the map table (closed window) the
    // territory is still described.
    const MapRequest regions = request(MapKind::Regions, "AS013_2005", {{"2", "01", "", "01", "Piemonte", "7,25"}});
    ASSERT_TRUE(saveMapTable(*u.ctx, regions, mapRecords(regions, {0})));
    EXPECT_EQ(u.identify("regioni", "01"), (QStringList {"N_TERCO=01", "AS013_2005=7,25", "N4=", "DES_TERR=Piemonte"}));
    ASSERT_TRUE(dropMapTable(*u.ctx));
    EXPECT_EQ(u.identify("nuts2", "01"), QStringList {"NUTS2=ITC1"});
    EXPECT_EQ(u.identify("regioni", "1"), QStringList {});
    EXPECT_TRUE(u.tf.prompt.messages().isEmpty());

    // A missing territory database is the caller's failure to report.
    ASSERT_TRUE(QFile::remove(u.ctx->databasePath("territorio.mdb")));
    const Identification failed = identifyTerritory(*u.ctx, "regioni", "01");
    EXPECT_TRUE(failed.fields.isEmpty());
    ASSERT_TRUE(failed.failure);
    EXPECT_EQ(failed.failure->procedure, "DoIdentify");
}

TEST(ScaleText, KilometresPerCentimetre)
{
    const std::tuple<double, NumberFormat, const char *> cases[] = {
        {1000000, NumberFormat::comma(), "1 cm = 10 km"}, {250000, NumberFormat::comma(), "1 cm = 2,5 km"},
        {250000, NumberFormat::point(), "1 cm = 2.5 km"}, {123456, NumberFormat::comma(), "1 cm = 1,23 km"},
        {1001000, NumberFormat::comma(), "1 cm = 10 km"}, // above 10: whole kilometres
        {1150000, NumberFormat::comma(), "1 cm = 12 km"}, // 11.5: halves to the even neighbour
        {1250000, NumberFormat::comma(), "1 cm = 12 km"}, {12500, NumberFormat::comma(), "1 cm = 0,12 km"},
    };
    for (const auto &[denominator, fmt, text] : cases)
        EXPECT_EQ(scaleKmText(denominator, fmt), text) << denominator;
}

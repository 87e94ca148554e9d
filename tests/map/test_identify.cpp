// Identify on the thematic map and the scale text of the map window.

#include "map/identify.h"
#include "map/maptable.h"
#include "map/scalebar.h"

#include "shell/context.h"
#include "shell/errorlog.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::map;
using qrn::test::TestFolder;

namespace {

MapRequest request(MapKind kind, const QList<MapRow> &rows)
{
    MapRequest r;
    r.mapCase.kind = kind;
    r.header = "AS013_2005";
    r.rows = rows;
    return r;
}

QStringList texts(const QList<IdentifyField> &fields)
{
    QStringList out;
    for (const IdentifyField &f : fields)
        out << f.field + "=" + f.value;
    return out;
}

std::unique_ptr<AppContext> context(TestFolder &tf)
{
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    return ctx;
}

} // namespace

TEST(Identify, ProvinceRowAndTerritoryForEveryWayOfWritingTheCode)
{
    TestFolder tf;
    auto ctx = context(tf);
    const MapRequest req = request(
        MapKind::Provinces,
        {{"1", "001", "1", "01", "Torino", "1063905,09"}, {"1", "002", "2", "01", "Vercelli", "12,50"}});
    ASSERT_TRUE(saveMapTable(*ctx, req, mapRecords(req, {3, 1}), "test"));
    const QStringList torino {"N_TERCO=1", "AS013_2005=1063905,09", "N4=3", "Provincia=Torino", "REGIONE=Piemonte"};
    const struct {
        const char *geoName, *code;
        QStringList expected;
    } cases[] = {
        {"province107", "1", torino},
        {"province107", "001", torino},
        {"Province103", "1.0", torino},
        {"province107", "2", {"N_TERCO=2", "AS013_2005=12,5", "N4=1", "Provincia=Vercelli", "REGIONE=Piemonte"}},
        // A province of the layer without a value: only its own description.
        {"province107", "4", {"Provincia=Cuneo", "REGIONE=Piemonte"}},
        {"province107", "999", {}},
        {"province107", "", {}},
        // A layer without a territory query lists the map row only.
        {"comuni", "1", {"N_TERCO=1", "AS013_2005=1063905,09", "N4=3"}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(texts(identifyTerritory(*ctx, c.geoName, c.code, "test")), c.expected) << c.geoName << " " << c.code;
    EXPECT_TRUE(tf.prompt.messages().isEmpty());
}

TEST(Identify, RegionsAndNuts2ByTextCode)
{
    TestFolder tf;
    auto ctx = context(tf);
    const MapRequest req = request(MapKind::Regions, {{"2", "01", "", "01", "Piemonte", "7,25"}});
    ASSERT_TRUE(saveMapTable(*ctx, req, mapRecords(req, {0}), "test"));
    EXPECT_EQ(texts(identifyTerritory(*ctx, "regioni", "01", "test")),
              (QStringList {"N_TERCO=01", "AS013_2005=7,25", "N4=", "DES_TERR=Piemonte"}));
    // Without the map table (closed window) the territory is still described.
    ASSERT_TRUE(dropMapTable(*ctx, "test"));
    EXPECT_EQ(texts(identifyTerritory(*ctx, "nuts2", "01", "test")), QStringList {"NUTS2=ITC1"});
    EXPECT_EQ(texts(identifyTerritory(*ctx, "regioni", "1", "test")), QStringList {});
    EXPECT_TRUE(tf.prompt.messages().isEmpty());
}

TEST(Identify, MissingTerritoryDatabaseIsLogged)
{
    TestFolder tf;
    auto ctx = context(tf);
    ASSERT_TRUE(QFile::remove(ctx->databasePath("territorio.mdb")));
    EXPECT_TRUE(identifyTerritory(*ctx, "regioni", "01", "frm_Mappa").isEmpty());
    EXPECT_TRUE(tf.read("Files/Error.log").contains("DoIdentify"));
}

TEST(ScaleText, KilometresPerCentimetre)
{
    const struct {
        double denominator;
        NumberFormat fmt;
        const char *text;
    } cases[] = {
        {1000000, NumberFormat::comma(), "1 cm = 10 km"},
        {1500000, NumberFormat::comma(), "1 cm = 15 km"},
        {250000, NumberFormat::comma(), "1 cm = 2,5 km"},
        {250000, NumberFormat::point(), "1 cm = 2.5 km"},
        {123456, NumberFormat::comma(), "1 cm = 1,23 km"},
        {1001000, NumberFormat::comma(), "1 cm = 10 km"}, // above 10: whole kilometres
        {1150000, NumberFormat::comma(), "1 cm = 12 km"}, // 11.5: halves to the even neighbour
        {1250000, NumberFormat::comma(), "1 cm = 12 km"},
        {12500, NumberFormat::comma(), "1 cm = 0,12 km"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(scaleKmText(c.denominator, c.fmt), c.text) << c.denominator;
}

// Building blocks of the geography generator.

#include "geometry.h"
#include "projection.h"
#include "shapeconfig.h"
#include "shapefile.h"
#include "svgpath.h"
#include "territori.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <shapefil.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <sstream>

using namespace quarnaro::geogen;
namespace fs = std::filesystem;

namespace {

constexpr double kA = 6378137.0;
constexpr double kF = 1.0 / 298.257222101;
const double kE2 = kF * (2 - kF);

double rad(double deg)
{
    return deg * std::numbers::pi / 180.0;
}

fs::path scratch(const std::string &name)
{
    const fs::path dir = fs::path(GEO_SCRATCH_DIR) / name;
    fs::remove_all(dir);
    fs::create_directories(dir);
    return dir;
}

Ring square(double x0, double y0, double size)
{
    return {{x0, y0}, {x0 + size, y0}, {x0 + size, y0 + size}, {x0, y0 + size}};
}

const auto noOwner = [](const Geom &) { return -1; };

} // namespace

TEST(Projection, CentralMeridianNorthingIsScaledMeridianArc)
{
    // The meridian arc by Simpson integration of the meridian radius of curvature.
    auto rho = [](double phi) { return kA * (1 - kE2) / std::pow(1 - kE2 * std::sin(phi) * std::sin(phi), 1.5); };
    for (double lat : {36.0, 41.5, 47.1}) {
        const int n = 4000;
        const double h = rad(lat) / n;
        double s = rho(0) + rho(rad(lat));
        for (int i = 1; i < n; ++i)
            s += rho(i * h) * (i % 2 ? 4 : 2);
        const XY p = utm32Forward({lat, 9.0});
        EXPECT_NEAR(p.x, 500000.0, 1e-6) << lat;
        EXPECT_NEAR(p.y, 0.9996 * s * h / 3, 0.01) << lat;
    }
}

TEST(Projection, MercatorRoundTrip)
{
    const LatLon q = mercatorInverse(mercatorForward({35.5, 12.6}));
    EXPECT_NEAR(std::hypot(q.lat - 35.5, q.lon - 12.6), 0, 1e-12);
    EXPECT_NEAR(mercatorForward({45.0, 0}).y, std::log(std::tan(std::numbers::pi * 3 / 8)), 1e-12);
}

TEST(Affine, RecoversAKnownTransformFitsLeastSquaresAndRejectsTooFewPoints)
{
    const Affine truth {0.00034, 4e-7, 0.115, -5e-7, -0.00034, 0.934};
    std::vector<XY> from, to;
    for (XY p : {XY {0, 0}, XY {610, 0}, XY {0, 793}, XY {305, 400}, XY {88, 560}})
        from.push_back(p), to.push_back(truth.apply(p));
    const XY q = fitAffine(from, to).apply({500, 700}), t = truth.apply({500, 700});
    EXPECT_NEAR(std::hypot(q.x - t.x, q.y - t.y), 0, 1e-12);

    // Translation-only data with symmetric errors: the least-squares fit.
    const Affine fit = fitAffine({{0, 0}, {10, 0}, {0, 10}, {10, 10}}, {{6, 7}, {14, 7}, {6, 17}, {14, 17}});
    EXPECT_NEAR(fit.a, 0.8, 1e-12);

    EXPECT_THROW(fitAffine({{0, 0}, {1, 1}, {2, 2}, {3, 3}}, {{0, 0}, {1, 1}, {2, 2}, {3, 3}}), std::invalid_argument);
    EXPECT_THROW(fitAffine({{0, 0}, {1, 0}, {0, 1}}, {{0, 0}, {1, 0}}), std::invalid_argument);
}

// Absolute and relative commands (a relative moveto after z starts from the closed subpath's
// start) and the compact number syntax.
TEST(SvgPath, CommandsAndNumberSyntax)
{
    const struct {
        const char *data;
        std::vector<std::vector<XY>> rings;
    } cases[] = {
        {"m 10,10 10,0 0,10 z m 5,0 1,0 0,1 z", {{{10, 10}, {20, 10}, {20, 20}}, {{15, 10}, {16, 10}, {16, 11}}}},
        {"M0,0L1.5.5-1e1,2l+2-3E0z", {{{0, 0}, {1.5, 0.5}, {-10, 2}, {-8, -1}}}},
        {"M0 0H10V10h-10z", {{{0, 0}, {10, 0}, {10, 10}, {0, 10}}}}};
    for (const auto &c : cases) {
        const auto got = parsePathData(c.data);
        ASSERT_EQ(got.size(), c.rings.size()) << c.data;
        for (std::size_t r = 0; r < got.size(); ++r)
            EXPECT_TRUE(std::equal(got[r].begin(), got[r].end(), c.rings[r].begin(), c.rings[r].end(),
                                   [](XY a, XY b) { return a.x == b.x && a.y == b.y; }))
                << c.data << " " << r;
    }
}

TEST(SvgPath, CurvesAndMalformedData)
{
    // A cubic arch from (0,0) to (10,0) with controls at height 10 peaks at 7.5; the smooth
    // form reflects the previous control point, so a symmetric S-shape dips to -7.5.
    const auto s = parsePathData("M0 0 c 0 10 10 10 10 0 s 10 -10 10 0 L 20 -20 Z");
    ASSERT_EQ(s.size(), 1u);
    double top = 0, low = 0;
    for (const XY &p : s[0]) {
        if (p.x < 10)
            top = std::max(top, p.y);
        if (p.x > 10.5 && p.x < 19.5)
            low = std::min(low, p.y);
    }
    EXPECT_NEAR(top, 7.5, 0.05);
    EXPECT_NEAR(low, -7.5, 0.1);

    for (const char *bad : {"L 1 2 3 4 5 6", "M 1", "M 0 0 A 5 5 0 0 1 10 10 z", "M 0 0 X 1 1", "M 0 0 L 1 - 2"})
        EXPECT_THROW(parsePathData(bad), SvgPathError) << bad;
    // Degenerate subpaths (fewer than three distinct vertices) are dropped.
    EXPECT_TRUE(parsePathData("M 0 0 L 1 1 Z").empty());
}

TEST(Territori, ParsesRowsWithOptionalFields)
{
    std::istringstream in(std::string("\xEF\xBB\xBF") + kTerritoriHeader
                          + "\r\n"
                            "04;22;Trentino-Alto Adige/Südtirol;;04;;;46.0667;11.1167;940016;1;1\r\n"
                            "021;6;Bolzano/Bozen;21;04;ITD10;BZ;46.4983;11.3548;462999;1;1\r\n"
                            "FS1;5;Mezzogiorno;;TOTALE;;;;;20524160;1;1\r\n");
    const auto t = parseTerritori(in);
    ASSERT_EQ(t.size(), 3u);
    EXPECT_TRUE(t[0].isRegion() && !t[0].isNuts2() && t[1].isProvince() && t[1].isNuts2());
    EXPECT_TRUE(*t[1].prov == 21 && t[1].capital->lon == 11.3548 && t[1].desTerr == "Bolzano/Bozen");
    EXPECT_TRUE(!t[2].capital && t[2].pop2001 == 20524160);
}

TEST(Territori, RefusesBadRowsNamingTheLineAndABadHeader)
{
    const std::string good = "01;2;Piemonte;;01;ITC1;;45;7;1;1;1\n";
    const std::string bad[] = {"01;2;Piemonte;;01;ITC1;;45;7;1;1\n", // a field short
                               good + good, // a code twice
                               "001;1;Torino;1;01;ITC11;TO;;;100;1;1\n", // a province without capital
                               "01;2;Piemonte;;01;ITC1;;45;7;1;2;1\n", // a flag other than 0/1
                               "01;x;Piemonte;;01;ITC1;;45;7;1;1;1\n"}; // a malformed number
    for (const std::string &body : bad) {
        std::istringstream in(std::string(kTerritoriHeader) + "\n" + body);
        try {
            parseTerritori(in);
            ADD_FAILURE() << body;
        } catch (const std::runtime_error &e) {
            EXPECT_NE(std::string(e.what()).find("line "), std::string::npos) << e.what();
        }
    }
    std::istringstream badHeader("COD_TERR;DES_TERR\n");
    EXPECT_THROW(parseTerritori(badHeader), std::runtime_error);
}

TEST(Geometry, RingsBecomeShellsHolesAndIslands)
{
    Geos geos;
    // A square with a hole, an island inside the hole, and a separate island;
    // orientation of the input rings does not matter.
    Ring hole = square(2, 2, 6);
    std::reverse(hole.begin(), hole.end());
    const Geom g = geos.polygonsFromRings({square(4, 4, 2), square(0, 0, 10), hole, square(20, 0, 1)});
    EXPECT_NEAR(geos.area(g), 100 - 36 + 4 + 1, 1e-9);
    EXPECT_EQ(geos.polygonsBySize(g).size(), 3u);
    EXPECT_FALSE(geos.contains(g, geos.point({3, 3})));
    EXPECT_TRUE(geos.contains(g, geos.point({5, 5})));
}

TEST(Geometry, PartitionSplitsTheMainlandAndKeepsIslandsWhole)
{
    Geos geos;
    const Geom region = geos.polygonsFromRings({square(0, 0, 10), square(12, 4, 1)});
    const std::vector<XY> sites = {{2.5, 5}, {7.5, 5}};
    // Nearest-site rule: the island beside the eastern half goes to site 1; an owner given
    // for the island overrides it.
    for (int owner : {-1, 0}) {
        const auto parts = geos.partition(region, sites, [owner](const Geom &) { return owner; });
        ASSERT_EQ(parts.size(), 2u);
        EXPECT_NEAR(geos.area(parts[0]), owner == 0 ? 51 : 50, 1e-9);
        EXPECT_NEAR(geos.area(parts[1]), owner == 0 ? 50 : 51, 1e-9);
        EXPECT_TRUE(geos.contains(parts[0], geos.point(sites[0])));
    }
    EXPECT_NEAR(geos.area(geos.partition(region, {{1, 1}}, noOwner).at(0)), 101, 1e-9);

    // The parts follow their sites whatever their order; a duplicate site is refused.
    const Geom sq = geos.polygonsFromRings({square(0, 0, 10)});
    const auto pa = geos.partition(sq, {{1, 1}, {9, 2}, {5, 9}}, noOwner);
    const auto pb = geos.partition(sq, {{5, 9}, {1, 1}, {9, 2}}, noOwner);
    EXPECT_NEAR(geos.area(pa[0]), geos.area(pb[1]), 1e-9);
    EXPECT_NEAR(geos.area(pa[2]), geos.area(pb[0]), 1e-9);
    EXPECT_THROW(geos.partition(sq, {{1, 1}, {1, 1}, {8, 8}}, noOwner), std::runtime_error);
}

TEST(ShapeFile, WritesOrientedRingsAttributesAndCodePage)
{
    const fs::path dir = scratch("shapefile");
    // Shell given counter-clockwise, hole clockwise: both must be turned around.
    PolygonRings poly, island;
    poly.rings = {{{0, 0}, {10, 0}, {10, 10}, {0, 10}, {0, 0}}, {{2, 2}, {2, 4}, {4, 4}, {4, 2}, {2, 2}}};
    island.rings = {{{20, 0}, {21, 0}, {21, 1}, {20, 0}}};
    const std::vector<FieldDef> fields = {{"COD_PRO", FieldDef::Type::Integer, 3},
                                          {"DEN_TERR", FieldDef::Type::Text, 30}};
    writePolygonLayer(dir / "layer", fields, {Feature {{poly, island}, {107L, std::string("Forlì-Cesena")}}},
                      etrs89Utm32nWkt());

    SHPHandle shp = SHPOpen((dir / "layer").c_str(), "rb");
    ASSERT_NE(shp, nullptr);
    SHPObject *o = SHPReadObject(shp, 0);
    ASSERT_EQ(o->nParts, 3);
    std::vector<double> areas; // signed, by the shoelace formula
    for (int part = 0; part < o->nParts; ++part) {
        const int e = part + 1 < o->nParts ? o->panPartStart[part + 1] : o->nVertices;
        double a = 0;
        for (int i = o->panPartStart[part]; i + 1 < e; ++i)
            a += o->padfX[i] * o->padfY[i + 1] - o->padfX[i + 1] * o->padfY[i];
        areas.push_back(a / 2);
    }
    EXPECT_EQ(areas, (std::vector<double> {-100, 4, -0.5})); // shells clockwise, the hole not
    SHPDestroyObject(o);
    SHPClose(shp);

    DBFHandle dbf = DBFOpen((dir / "layer.dbf").c_str(), "rb");
    ASSERT_NE(dbf, nullptr);
    EXPECT_EQ(DBFReadIntegerAttribute(dbf, 0, 0), 107);
    EXPECT_STREQ(DBFReadStringAttribute(dbf, 0, 1), "Forlì-Cesena");
    DBFClose(dbf);
    std::ifstream cpg(dir / "layer.cpg");
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(cpg), {}), "UTF-8");
}

TEST(ShapeFile, RefusesValuesThatDoNotFit)
{
    const fs::path dir = scratch("shapefile_bad");
    PolygonRings poly;
    poly.rings.push_back({{0, 0}, {1, 0}, {1, 1}, {0, 0}});
    const std::vector<FieldDef> fields = {{"COD_REG", FieldDef::Type::Text, 2}};
    EXPECT_THROW(writePolygonLayer(dir / "a", fields, {Feature {{poly}, {std::string("012")}}}, ""),
                 std::runtime_error);
    EXPECT_THROW(writePolygonLayer(dir / "b", fields, {Feature {{poly}, {12L}}}, ""), std::runtime_error);
    EXPECT_THROW(writePolygonLayer(dir / "c", {{"TOO_LONG_NAME", FieldDef::Type::Text, 2}}, {}, ""),
                 std::runtime_error);
    EXPECT_THROW(writePolygonLayer(dir / "d", fields, {Feature {{}, {std::string("01")}}}, ""), std::runtime_error);
}

TEST(ShapeConfigWriter, WritesCasesAndShapesAndRefusesBadNames)
{
    const fs::path dir = scratch("shapeconfig");
    const std::vector<ShapeEntry> shapes = {
        {"regioni", "Regioni", "regioni", "COD_REG", "N_TERCO", "regioni", "DEN_TERR"}};
    const MapCase c {"regioni", winColor(1, 2, 3), {{"regioni", 255, 65280, true, false, true}}};
    writeShapeConfig(dir / "ShapeConfig.xml", {c}, shapes);

    pugi::xml_document doc;
    ASSERT_TRUE(doc.load_file((dir / "ShapeConfig.xml").c_str()));
    const pugi::xml_node cn = doc.select_node("Configs/LoadOrder/Case[@name ='regioni']").node();
    ASSERT_TRUE(cn);
    EXPECT_STREQ(cn.attribute("mapBackColor").value(), "197121"); // 0x030201
    EXPECT_STREQ(cn.first_child().attribute("Trasparenza").value(), "False");
    EXPECT_STREQ(cn.first_child().text().get(), "regioni");
    EXPECT_STREQ(doc.select_node("Configs/Shapes/Shape[@name='regioni']/FileName").node().text().get(), "Regioni");

    EXPECT_THROW(writeShapeConfig(dir / "x.xml", {MapCase {"Regioni", 0, {}}}, shapes), std::invalid_argument);
    EXPECT_THROW(writeShapeConfig(dir / "x.xml", {MapCase {"nuts2", 0, {{"nuts2", 0, 0, true, false, true}}}}, shapes),
                 std::invalid_argument);
}

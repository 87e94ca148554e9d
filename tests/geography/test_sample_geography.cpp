// The sample geography as the program receives it: the territory file, the four
// shape layers, ShapeConfig.xml and the background picture, read back with the
// same libraries the program uses (shapelib, pugixml, TurboJPEG, GEOS).

#include "geometry.h"
#include "projection.h"
#include "svgpath.h"
#include "territori.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <shapefil.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>

using namespace quarnaro::geogen;
namespace fs = std::filesystem;

namespace {

const fs::path kSample = GEO_SAMPLE_DIR;

const std::vector<Territorio>& territori()
{
    static const std::vector<Territorio> t = readTerritori(GEO_TERRITORI_CSV);
    return t;
}

const Territorio* byCode(const std::string& code)
{
    for (const Territorio& t : territori())
        if (t.codTerr == code)
            return &t;
    return nullptr;
}

struct LayerRecord {
    std::string code; // join value as text ("021", "7", "01")
    std::map<std::string, std::string> fields;
    std::vector<Ring> rings;
};

// Reads a layer with shapelib; join values come from `fieldId`.
std::vector<LayerRecord> readLayer(const std::string& fileName, const std::string& fieldId)
{
    const std::string base = (kSample / "Shape" / fileName).string();
    SHPHandle shp = SHPOpen(base.c_str(), "rb");
    DBFHandle dbf = DBFOpen(base.c_str(), "rb");
    if (!shp || !dbf) {
        if (shp)
            SHPClose(shp);
        if (dbf)
            DBFClose(dbf);
        ADD_FAILURE() << "shapelib cannot open " << base;
        return {};
    }
    int count = 0, type = 0;
    SHPGetInfo(shp, &count, &type, nullptr, nullptr);
    EXPECT_EQ(type, SHPT_POLYGON) << fileName;
    EXPECT_EQ(DBFGetRecordCount(dbf), count) << fileName;
    const int key = DBFGetFieldIndex(dbf, fieldId.c_str());
    EXPECT_GE(key, 0) << fileName << " has no field " << fieldId;

    std::vector<LayerRecord> out;
    for (int i = 0; i < count; ++i) {
        LayerRecord r;
        if (key >= 0)
            r.code = DBFReadStringAttribute(dbf, i, key);
        for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
            char name[12] = {};
            DBFGetFieldInfo(dbf, f, name, nullptr, nullptr);
            r.fields[name] = DBFReadStringAttribute(dbf, i, f);
        }
        SHPObject* o = SHPReadObject(shp, i);
        for (int p = 0; p < o->nParts; ++p) {
            const int s = o->panPartStart[p];
            const int e = p + 1 < o->nParts ? o->panPartStart[p + 1] : o->nVertices;
            Ring ring;
            for (int v = s; v < e - 1; ++v) // the closing vertex is not repeated in a Ring
                ring.push_back({o->padfX[v], o->padfY[v]});
            r.rings.push_back(std::move(ring));
        }
        SHPDestroyObject(o);
        out.push_back(std::move(r));
    }
    SHPClose(shp);
    DBFClose(dbf);
    return out;
}

pugi::xml_document& shapeConfig()
{
    static pugi::xml_document doc;
    static bool loaded = false;
    if (!loaded) {
        const pugi::xml_parse_result r = doc.load_file((kSample / "Files" / "ShapeConfig.xml").c_str());
        EXPECT_TRUE(r) << r.description();
        loaded = true;
    }
    return doc;
}

std::string shapeChild(const std::string& entry, const std::string& child)
{
    return shapeConfig()
        .select_node(("Configs/Shapes/Shape[@name='" + entry + "']/" + child).c_str())
        .node()
        .text()
        .get();
}

struct LayerCase {
    std::string caseName;
    std::size_t polygons;
};

// The join layer of a case: the Case child marked useToMatch.
std::string joinEntry(const std::string& caseName)
{
    const pugi::xml_node c = shapeConfig().select_node(("Configs/LoadOrder/Case[@name ='" + caseName + "']").c_str()).node();
    std::string entry;
    for (pugi::xml_node l : c.children())
        if (std::string(l.attribute("useToMatch").value()) == "True")
            entry = l.text().get();
    std::transform(entry.begin(), entry.end(), entry.begin(), ::tolower);
    return entry;
}

bool belongsToCase(const Territorio& t, const std::string& caseName)
{
    if (caseName == "regioni")
        return t.isRegion();
    if (caseName == "nuts2")
        return t.isNuts2();
    if (caseName == "provincia103")
        return t.isProvince() && t.in103;
    return t.isProvince() && t.in107;
}

std::string joinCodeOf(const Territorio& t, const std::string& caseName)
{
    // Provinces join on the province number, the other levels on COD_TERR.
    return caseName.rfind("provincia", 0) == 0 ? std::to_string(*t.prov) : t.codTerr;
}

std::string trimmed(std::string s)
{
    s.erase(0, s.find_first_not_of(' '));
    s.erase(s.find_last_not_of(' ') + 1);
    return s;
}

std::string fileBytes(const fs::path& p)
{
    std::ifstream in(p, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace

// ---------------------------------------------------------------- territori.csv

TEST(SampleTerritori, HoldsEveryKindOfTerritory)
{
    std::map<int, int> byType;
    int in103 = 0, in107 = 0;
    for (const Territorio& t : territori()) {
        ++byType[t.codTipoTerr];
        if (t.isProvince()) {
            in103 += t.in103;
            in107 += t.in107;
        } else {
            EXPECT_TRUE(t.in103 && t.in107) << t.codTerr;
        }
    }
    EXPECT_EQ(byType[kRegione] + byType[kRegioneSenzaNuts2], 20);
    EXPECT_EQ(byType[kRegioneSenzaNuts2], 1);
    EXPECT_EQ(byType[kProvincia] + byType[kProvinciaNuts2], 107);
    EXPECT_EQ(byType[kProvinciaNuts2], 2);
    EXPECT_EQ(byType[kRipartizione], 6);
    EXPECT_GE(byType[kFondiStrutturali], 4);
    EXPECT_EQ(in103, 103);
    EXPECT_EQ(in107, 107);

    EXPECT_EQ(byCode("04")->desTerr, "Trentino-Alto Adige/Südtirol");
    EXPECT_EQ(byCode("02")->desTerr, "Valle d'Aosta/Vallée d'Aoste");
    EXPECT_EQ(byCode("021")->codTipoTerr, kProvinciaNuts2);
    EXPECT_EQ(byCode("021")->codNuts, "ITD10");
    EXPECT_EQ(byCode("104")->codNuts, "ITG29");
    EXPECT_EQ(byCode("107")->codNuts, "ITG2C");
    EXPECT_EQ(byCode("022")->codTipoTerr, kProvinciaNuts2);
    EXPECT_EQ(byCode("066")->desTerr, "L'Aquila");
    EXPECT_EQ(byCode("040")->desTerr, "Forlì-Cesena");
    EXPECT_EQ(byCode("ITA")->codNuts, "IT");
    for (const char* code : {"RIP1", "RIP2", "RIP3", "RIP4", "RIP5", "ITA", "FS1", "FS2"}) {
        ASSERT_NE(byCode(code), nullptr) << code;
        EXPECT_EQ(byCode(code)->reg, "TOTALE") << code;
    }
    // The four provinces of 2005 belong to the 107 set only; the old Sardinian ones to both.
    for (const char* code : {"104", "105", "106", "107"})
        EXPECT_TRUE(!byCode(code)->in103 && byCode(code)->in107) << code;
    for (const char* code : {"090", "091", "092", "095"})
        EXPECT_TRUE(byCode(code)->in103 && byCode(code)->in107) << code;
}

TEST(SampleTerritori, CodesAreConsistentAcrossColumns)
{
    std::set<std::string> siglas, nuts;
    for (const Territorio& t : territori()) {
        if (t.isProvince()) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "%03d", *t.prov);
            EXPECT_EQ(t.codTerr, buf);
            const Territorio* region = byCode(t.reg);
            ASSERT_NE(region, nullptr) << t.codTerr;
            EXPECT_TRUE(region->isRegion());
            // A province's NUTS-3 code extends its region's NUTS-2 code
            // (Trentino-Alto Adige has none: its provinces are NUTS-2 areas).
            EXPECT_EQ(t.codNuts.size(), 5u) << t.codTerr;
            if (!region->codNuts.empty()) {
                EXPECT_EQ(t.codNuts.substr(0, 4), region->codNuts) << t.codTerr;
            }
            EXPECT_EQ(t.sigla.size(), 2u) << t.codTerr;
            EXPECT_TRUE(siglas.insert(t.sigla).second) << "sigla " << t.sigla << " twice";
            EXPECT_TRUE(nuts.insert(t.codNuts).second) << "NUTS " << t.codNuts << " twice";
        } else if (t.isRegion()) {
            EXPECT_EQ(t.reg, t.codTerr);
            EXPECT_FALSE(t.prov.has_value());
        } else {
            EXPECT_FALSE(t.capital.has_value()) << t.codTerr;
        }
        if (t.capital) {
            EXPECT_GT(t.capital->lat, 35.4);
            EXPECT_LT(t.capital->lat, 47.1);
            EXPECT_GT(t.capital->lon, 6.6);
            EXPECT_LT(t.capital->lon, 18.6);
        }
    }
}

TEST(SampleTerritori, PopulationsAddUp)
{
    std::map<std::string, long long> regionSum;
    long long sardinia107 = 0;
    for (const Territorio& t : territori()) {
        if (t.isProvince() && t.in103)
            regionSum[t.reg] += t.pop2001;
        if (t.isProvince() && t.reg == "20" && t.in107 && !t.in103)
            sardinia107 += t.pop2001;
    }
    long long italy = 0;
    for (const Territorio& t : territori())
        if (t.isRegion()) {
            EXPECT_EQ(t.pop2001, regionSum[t.codTerr]) << t.desTerr;
            italy += t.pop2001;
        }
    EXPECT_EQ(byCode("ITA")->pop2001, italy);
    // Census 2001: 56,995,744 residents.
    EXPECT_NEAR(double(italy), 56995744.0, 0.01 * 56995744.0);
    long long macro = 0;
    for (const char* code : {"RIP1", "RIP2", "RIP3", "RIP4", "RIP5"})
        macro += byCode(code)->pop2001;
    EXPECT_EQ(macro, italy);
    EXPECT_EQ(byCode("FS1")->pop2001 + byCode("FS2")->pop2001, italy);
    EXPECT_LT(sardinia107, byCode("20")->pop2001 / 2);
}

// ---------------------------------------------------------------- shape files

TEST(SampleShapes, EveryLayerJoinsExactlyTheTerritoriesOfItsCase)
{
    const std::vector<LayerCase> cases = {{"regioni", 20}, {"nuts2", 21}, {"provincia103", 103}, {"provincia107", 107}};
    for (const LayerCase& c : cases) {
        SCOPED_TRACE(c.caseName);
        const std::string entry = joinEntry(c.caseName);
        ASSERT_FALSE(entry.empty());
        const std::vector<LayerRecord> layer = readLayer(shapeChild(entry, "FileName"), shapeChild(entry, "FieldId"));
        EXPECT_EQ(layer.size(), c.polygons);

        std::map<std::string, int> expected; // join code -> matches found
        for (const Territorio& t : territori())
            if (belongsToCase(t, c.caseName))
                expected[joinCodeOf(t, c.caseName)] = 0;
        for (const LayerRecord& r : layer) {
            const std::string code = trimmed(r.code);
            ASSERT_TRUE(expected.count(code)) << "join code '" << code << "' matches no territory";
            ++expected[code];
            EXPECT_FALSE(r.rings.empty()) << code;
            EXPECT_FALSE(r.fields.at("DEN_TERR").empty()) << code;
            EXPECT_EQ(r.fields.at("COD_REG").size(), 2u) << code;
        }
        for (const auto& [code, n] : expected)
            EXPECT_EQ(n, 1) << "territory " << code << " has " << n << " polygons";
    }
}

TEST(SampleShapes, ProjectionFilesDeclareUtm32N)
{
    for (const char* layer : {"regioni", "nuts2", "province103", "province107"}) {
        const std::string prj = fileBytes(kSample / "Shape" / (std::string(layer) + ".prj"));
        EXPECT_NE(prj.find("PROJCS[\"ETRS_1989_UTM_Zone_32N\""), std::string::npos) << layer;
        EXPECT_NE(prj.find("PARAMETER[\"Central_Meridian\",9"), std::string::npos) << layer;
    }
}

class SampleGeometry : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        geos = new Geos;
        regions = new std::map<std::string, Geom>;
        for (const LayerRecord& r : readLayer("regioni", "COD_REG"))
            (*regions)[r.code] = geos->polygonsFromRings(r.rings);
    }
    static void TearDownTestSuite()
    {
        delete regions;
        delete geos;
    }
    static Geos* geos;
    static std::map<std::string, Geom>* regions;
};
Geos* SampleGeometry::geos = nullptr;
std::map<std::string, Geom>* SampleGeometry::regions = nullptr;

TEST_F(SampleGeometry, ItalyHasTheRightSizeAndExtent)
{
    double area = 0;
    Extent e{1e300, 1e300, -1e300, -1e300};
    for (const auto& [code, g] : *regions) {
        EXPECT_TRUE(geos->isValid(g)) << code;
        area += geos->area(g);
        const Extent r = geos->extent(g);
        e = {std::min(e.minX, r.minX), std::min(e.minY, r.minY), std::max(e.maxX, r.maxX), std::max(e.maxY, r.maxY)};
    }
    EXPECT_NEAR(area / 1e6, 302000.0, 0.05 * 302000.0);
    // Vetta d'Italia to Lampedusa; Sicily's southern tip alone is about 1,160 km.
    EXPECT_GT((e.maxY - e.minY) / 1000, 1150);
    EXPECT_LT((e.maxY - e.minY) / 1000, 1320);
    EXPECT_GT((e.maxX - e.minX) / 1000, 950);
    EXPECT_LT((e.maxX - e.minX) / 1000, 1060);
    // The northern tip lies near 47.09° N, 12.18° E.
    const XY north = utm32Forward({47.092, 12.178});
    EXPECT_NEAR(e.maxY, north.y, 5000);
}

TEST_F(SampleGeometry, RegionAreasMatchOfficialFigures)
{
    // Official surface areas in km² (ISTAT); the UTM plane adds up to about 1 % in the east.
    const std::map<std::string, double> official = {
        {"01", 25387}, {"02", 3261},  {"03", 23863}, {"04", 13606}, {"05", 18407}, {"06", 7862}, {"07", 5416},
        {"08", 22446}, {"09", 22987}, {"10", 8464},  {"11", 9401},  {"12", 17232}, {"13", 10832}, {"14", 4461},
        {"15", 13671}, {"16", 19541}, {"17", 10073}, {"18", 15222}, {"19", 25832}, {"20", 24100}};
    ASSERT_EQ(regions->size(), official.size());
    for (const auto& [code, km2] : official)
        EXPECT_NEAR(geos->area(regions->at(code)) / 1e6, km2, 0.05 * km2) << "region " << code;
}

TEST_F(SampleGeometry, ProvincesAndNuts2AreasLieInsideTheirRegions)
{
    for (const char* layer : {"province103", "province107"}) {
        SCOPED_TRACE(layer);
        std::map<std::string, double> sumByRegion;
        for (const LayerRecord& r : readLayer(layer, "COD_PRO")) {
            const Geom p = geos->polygonsFromRings(r.rings);
            const std::string reg = r.fields.at("COD_REG");
            ASSERT_TRUE(regions->count(reg)) << r.code;
            const double a = geos->area(p);
            EXPECT_GT(a, 0) << r.code;
            EXPECT_GE(geos->area(geos->intersection(p, regions->at(reg))), 0.99 * a) << "province " << r.code;
            sumByRegion[reg] += a;

            // The capital lies in (or, on a coast simplified by the drawing, close to) its province.
            char code[8];
            std::snprintf(code, sizeof code, "%03d", std::stoi(r.code));
            const Territorio* t = byCode(code);
            ASSERT_NE(t, nullptr);
            EXPECT_EQ(t->reg, reg) << code;
            EXPECT_LT(geos->distance(p, geos->point(utm32Forward(*t->capital))), 5000) << t->desTerr;
        }
        // Provinces cover their region without gaps or overlaps.
        for (const auto& [reg, g] : *regions)
            EXPECT_NEAR(sumByRegion[reg], geos->area(g), 1e-4 * geos->area(g)) << "region " << reg;
    }

    std::map<std::string, Geom> nuts;
    for (const LayerRecord& r : readLayer("nuts2", "COD_TERR"))
        nuts[r.code] = geos->polygonsFromRings(r.rings);
    // Bolzano and Trento split Trentino-Alto Adige, each with a real share.
    const double taa = geos->area(regions->at("04"));
    const double bz = geos->area(nuts.at("021"));
    const double tn = geos->area(nuts.at("022"));
    EXPECT_NEAR(bz + tn, taa, 1e-6 * taa);
    EXPECT_GT(std::min(bz, tn), 0.3 * taa);
    EXPECT_GE(geos->area(geos->intersection(nuts.at("021"), regions->at("04"))), 0.99 * bz);
    EXPECT_EQ(nuts.count("04"), 0u);
    EXPECT_NEAR(geos->area(nuts.at("19")), geos->area(regions->at("19")), 1.0);
}

TEST_F(SampleGeometry, SardiniaIsSplitDifferentlyInTheTwoSets)
{
    std::map<int, double> a103, a107;
    for (const LayerRecord& r : readLayer("province103", "COD_PRO"))
        a103[std::stoi(r.code)] = geos->area(geos->polygonsFromRings(r.rings));
    for (const LayerRecord& r : readLayer("province107", "COD_PRO"))
        a107[std::stoi(r.code)] = geos->area(geos->polygonsFromRings(r.rings));
    const double sardinia = geos->area(regions->at("20"));
    double sum = 0;
    for (int p : {90, 91, 92, 95, 104, 105, 106, 107}) {
        ASSERT_TRUE(a107.count(p)) << p;
        EXPECT_GT(a107[p], 0.03 * sardinia) << p;
        sum += a107[p];
    }
    EXPECT_NEAR(sum, sardinia, 1e-4 * sardinia);
    for (int p : {90, 91, 92})
        EXPECT_LT(a107[p], a103[p]) << p;
    // Outside Sardinia the two sets are the same provinces.
    for (const auto& [p, a] : a103)
        if (p != 90 && p != 91 && p != 92 && p != 95) {
            EXPECT_NEAR(a107.at(p), a, 1e-6 * a) << p;
        }
}

TEST_F(SampleGeometry, IslandsBelongWholeToTheirRealProvince)
{
    struct Island {
        const char* name;
        LatLon where;
        int prov103, prov107;
    };
    // Owners by the real administrative borders; several are not the province
    // with the nearest capital (Elba is nearer to Grosseto than to Livorno).
    const Island islands[] = {{"Elba", {42.78, 10.26}, 49, 49},           {"Giglio", {42.355, 10.905}, 53, 53},
                              {"Lampedusa", {35.51, 12.59}, 84, 84},       {"Pantelleria", {36.785, 11.99}, 81, 81},
                              {"Lipari", {38.48, 14.95}, 83, 83},          {"Alicudi", {38.54, 14.35}, 83, 83},
                              {"Ischia", {40.73, 13.905}, 63, 63},         {"La Maddalena", {41.22, 9.40}, 90, 104},
                              {"Sant'Antioco", {39.03, 8.42}, 92, 107},    {"Asinara", {41.06, 8.27}, 90, 90}};
    for (const char* layer : {"province103", "province107"}) {
        std::map<int, Geom> provs;
        for (const LayerRecord& r : readLayer(layer, "COD_PRO"))
            provs[std::stoi(r.code)] = geos->polygonsFromRings(r.rings);
        for (const Island& i : islands) {
            const int owner = std::string(layer) == "province103" ? i.prov103 : i.prov107;
            const Geom pt = geos->point(utm32Forward(i.where));
            EXPECT_LT(geos->distance(provs.at(owner), pt), 3000) << layer << " " << i.name;
            for (const auto& [num, g] : provs) {
                if (num != owner) {
                    EXPECT_GT(geos->distance(g, pt), 3000) << layer << " " << i.name << " also in " << num;
                }
            }
        }
    }
}

// ---------------------------------------------------------------- ShapeConfig.xml

TEST(SampleShapeConfig, EveryCaseResolvesAsTheMapWindowReadsIt)
{
    ASSERT_TRUE(shapeConfig().child("Configs"));
    const std::map<std::string, std::string> joinGeoName = {
        {"regioni", "regioni"}, {"nuts2", "nuts2"}, {"provincia103", "province103"}, {"provincia107", "province107"}};
    for (const auto& [caseName, geoName] : joinGeoName) {
        SCOPED_TRACE(caseName);
        const pugi::xml_node c =
            shapeConfig().select_node(("Configs/LoadOrder/Case[@name ='" + caseName + "']").c_str()).node();
        ASSERT_TRUE(c);
        ASSERT_TRUE(c.attribute("mapBackColor"));
        const unsigned long back = std::stoul(c.attribute("mapBackColor").value());
        EXPECT_LE(back, 0xFFFFFFul);
        // Pale: every channel of the sea colour is light.
        EXPECT_GT(back & 0xFF, 180u);
        EXPECT_GT((back >> 8) & 0xFF, 180u);
        EXPECT_GT((back >> 16) & 0xFF, 180u);

        int matches = 0;
        std::vector<std::string> entries;
        for (pugi::xml_node l : c.children()) {
            for (const char* a : {"OutlineColor", "BackColor", "Outline", "Trasparenza", "useToMatch"})
                ASSERT_TRUE(l.attribute(a)) << a;
            std::stoul(l.attribute("OutlineColor").value());
            std::stoul(l.attribute("BackColor").value());
            for (const char* a : {"Outline", "Trasparenza", "useToMatch"}) {
                const std::string v = l.attribute(a).value();
                EXPECT_TRUE(v == "True" || v == "False") << a << "=" << v;
            }
            std::string entry = l.text().get();
            std::transform(entry.begin(), entry.end(), entry.begin(), ::tolower);
            entries.push_back(entry);
            for (const char* child : {"FileName", "GeoName", "FieldId", "LandFields", "LandMatch", "Label"})
                ASSERT_TRUE(shapeConfig().select_node(("Configs/Shapes/Shape[@name='" + entry + "']/" + child).c_str()))
                    << entry << "/" << child;
            EXPECT_TRUE(fs::exists(kSample / "Shape" / (shapeChild(entry, "FileName") + ".shp"))) << entry;
            if (std::string(l.attribute("useToMatch").value()) == "True") {
                ++matches;
                EXPECT_EQ(shapeChild(entry, "GeoName"), geoName);
                EXPECT_EQ(shapeChild(entry, "LandMatch"), caseName);
                EXPECT_EQ(std::string(l.attribute("Trasparenza").value()), "False");
            }
        }
        EXPECT_EQ(matches, 1);
        ASSERT_FALSE(entries.empty());
        EXPECT_EQ(shapeChild(entries.front(), "GeoName"), geoName) << "the join layer is drawn first (bottom)";
        if (caseName.rfind("provincia", 0) == 0) {
            // Region borders drawn over the provinces, with a transparent fill.
            ASSERT_EQ(entries.size(), 2u);
            EXPECT_EQ(entries.back(), "regioni");
            EXPECT_EQ(std::string(c.last_child().attribute("Trasparenza").value()), "True");
            EXPECT_EQ(std::string(c.last_child().attribute("Outline").value()), "True");
        }
    }
    // A case written with capitals is not found: names are lower case.
    EXPECT_FALSE(shapeConfig().select_node("Configs/LoadOrder/Case[@name ='Regioni']"));
}

// ---------------------------------------------------------------- background picture

TEST(SampleBackground, IsAPaleRenderingOfTheCountry)
{
    const std::string jpeg = fileBytes(kSample / "Images" / "infra2.jpg");
    ASSERT_FALSE(jpeg.empty());
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    ASSERT_EQ(tjDecompressHeader3(tj, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &w, &h, &sub,
                                  &cs),
              0);
    EXPECT_EQ(w, 1024);
    EXPECT_EQ(h, 768);
    std::vector<unsigned char> rgb(std::size_t(w) * h * 3);
    ASSERT_EQ(tjDecompress2(tj, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), rgb.data(), w, 0, h,
                            TJPF_RGB, 0),
              0);
    tjDestroy(tj);

    double sum = 0, sum2 = 0;
    int darkest = 255;
    for (std::size_t i = 0; i < rgb.size(); i += 3) {
        const double y = 0.299 * rgb[i] + 0.587 * rgb[i + 1] + 0.114 * rgb[i + 2];
        sum += y;
        sum2 += y * y;
        darkest = std::min(darkest, int(y));
    }
    const double n = double(rgb.size() / 3);
    const double mean = sum / n;
    const double sd = std::sqrt(sum2 / n - mean * mean);
    EXPECT_GT(mean, 200);     // pale
    EXPECT_GT(darkest, 110);  // no harsh lines
    EXPECT_GT(sd, 2.0);       // not a blank picture: land stands out from the sea

    // The land is lighter and warmer than the sea: compare a pixel inside central
    // Italy with the open sea at the left edge.
    auto px = [&](int x, int y) { return &rgb[(std::size_t(y) * w + x) * 3]; };
    const unsigned char* sea = px(20, h / 2);
    EXPECT_GT(int(sea[2]), int(sea[0])); // bluish sea
}

// ---------------------------------------------------------------- determinism

TEST(SampleGeneration, TwoRunsGiveByteIdenticalFiles)
{
    const fs::path root = fs::path(GEO_SCRATCH_DIR) / "determinism";
    fs::remove_all(root);
    for (const char* run : {"a", "b"}) {
        const std::string cmd = std::string("\"") + GEO_TOOL + "\" --quiet --territori \"" + GEO_TERRITORI_CSV +
                                "\" --svg \"" + GEO_ITALY_SVG + "\" --out \"" + (root / run).string() + "\"";
        ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
    }
    std::size_t files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(root / "a")) {
        if (!entry.is_regular_file())
            continue;
        const fs::path rel = fs::relative(entry.path(), root / "a");
        ++files;
        EXPECT_EQ(fileBytes(entry.path()), fileBytes(root / "b" / rel)) << rel;
        // The build's own sample folder was made from the same inputs.
        EXPECT_EQ(fileBytes(entry.path()), fileBytes(kSample / rel)) << rel;
    }
    EXPECT_EQ(files, 4u * 5u + 2u);
}

TEST(SampleGeneration, FailsCleanlyOnBadInput)
{
    const fs::path root = fs::path(GEO_SCRATCH_DIR) / "badinput";
    fs::remove_all(root);
    fs::create_directories(root);
    // Territories without Sardinia's provinces: the tool must refuse, not write a partial map.
    {
        std::ifstream in(GEO_TERRITORI_CSV);
        std::ofstream out(root / "territori.csv");
        std::string line;
        while (std::getline(in, line))
            if (line.find(";20;ITG2") == std::string::npos || line.rfind("20;", 0) == 0)
                out << line << "\n";
    }
    const std::string cmd = std::string("\"") + GEO_TOOL + "\" --quiet --territori \"" + (root / "territori.csv").string() +
                            "\" --svg \"" + GEO_ITALY_SVG + "\" --out \"" + (root / "out").string() + "\" 2>/dev/null";
    EXPECT_NE(std::system(cmd.c_str()), 0);
    EXPECT_FALSE(fs::exists(root / "out" / "Files" / "ShapeConfig.xml"));
}

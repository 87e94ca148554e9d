// The sample geography as the program receives it, read back with the program's libraries.

#include "geometry.h"
#include "territori.h"

#include <gtest/gtest.h>
#include <pugixml.hpp>
#include <shapefil.h>
#include <turbojpeg.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

using namespace quarnaro::geogen;
namespace fs = std::filesystem;

namespace {

const fs::path kSample = GEO_SAMPLE_DIR;

const std::vector<Territorio> &territori()
{
    static const std::vector<Territorio> t = readTerritori(GEO_TERRITORI_CSV);
    return t;
}

struct LayerRecord {
    std::string code; // join value as text ("021", "7", "01")
    std::map<std::string, std::string> fields;
    std::vector<Ring> rings;
};

// A layer by shapelib, without the closing vertex of each ring.
std::vector<LayerRecord> readLayer(const std::string &fileName, const std::string &fieldId)
{
    const std::string base = (kSample / "Shape" / fileName).string();
    SHPHandle shp = SHPOpen(base.c_str(), "rb");
    DBFHandle dbf = DBFOpen(base.c_str(), "rb");
    if (!shp || !dbf) {
        ADD_FAILURE() << "shapelib cannot open " << base;
        return {};
    }
    int count = 0, type = 0;
    SHPGetInfo(shp, &count, &type, nullptr, nullptr);
    EXPECT_EQ(type, SHPT_POLYGON) << fileName;
    std::vector<LayerRecord> out(count);
    for (int i = 0; i < count; ++i) {
        for (int f = 0; f < DBFGetFieldCount(dbf); ++f) {
            char name[12] = {};
            DBFGetFieldInfo(dbf, f, name, nullptr, nullptr);
            out[i].fields[name] = DBFReadStringAttribute(dbf, i, f);
        }
        out[i].code = out[i].fields[fieldId];
        SHPObject *o = SHPReadObject(shp, i);
        for (int p = 0; p < o->nParts; ++p) {
            const int e = p + 1 < o->nParts ? o->panPartStart[p + 1] : o->nVertices;
            Ring &ring = out[i].rings.emplace_back();
            for (int v = o->panPartStart[p]; v < e - 1; ++v)
                ring.push_back({o->padfX[v], o->padfY[v]});
        }
        SHPDestroyObject(o);
    }
    SHPClose(shp);
    DBFClose(dbf);
    return out;
}

pugi::xml_document &shapeConfig()
{
    static pugi::xml_document doc;
    static const bool loaded = doc.load_file((kSample / "Files" / "ShapeConfig.xml").c_str());
    EXPECT_TRUE(loaded);
    return doc;
}

std::string shapeChild(const std::string &entry, const std::string &child)
{
    const std::string path = "Configs/Shapes/Shape[@name='" + entry + "']/" + child;
    return shapeConfig().select_node(path.c_str()).node().text().get();
}

// The join layer of a case: the Case child marked useToMatch.
std::string joinEntry(const std::string &caseName)
{
    const pugi::xml_node c =
        shapeConfig().select_node(("Configs/LoadOrder/Case[@name ='" + caseName + "']").c_str()).node();
    std::string entry;
    for (pugi::xml_node l : c.children())
        if (std::string(l.attribute("useToMatch").value()) == "True")
            entry = l.text().get();
    std::transform(entry.begin(), entry.end(), entry.begin(), ::tolower);
    return entry;
}

bool belongsToCase(const Territorio &t, const std::string &caseName)
{
    if (caseName == "regioni" || caseName == "nuts2")
        return caseName == "regioni" ? t.isRegion() : t.isNuts2();
    return t.isProvince() && (caseName == "provincia103" ? t.in103 : t.in107);
}

std::string fileBytes(const fs::path &p)
{
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

} // namespace

// One join layer per case, pointing at its level and joining each territory of the case once.
TEST(SampleShapes, EveryLayerJoinsExactlyTheTerritoriesOfItsCase)
{
    const std::map<std::string, std::string> geoNames = {{"regioni", "regioni"},
                                                         {"nuts2", "nuts2"},
                                                         {"provincia103", "province103"},
                                                         {"provincia107", "province107"}};
    for (const auto &[caseName, geoName] : geoNames) {
        SCOPED_TRACE(caseName);
        const std::string entry = joinEntry(caseName);
        EXPECT_EQ(shapeChild(entry, "GeoName"), geoName);
        EXPECT_EQ(shapeChild(entry, "LandMatch"), caseName);

        std::map<std::string, int> expected; // join code -> matches found
        for (const Territorio &t : territori())
            if (belongsToCase(t, caseName))
                // Provinces join on the province number, the other levels on COD_TERR.
                expected[caseName.rfind("provincia", 0) == 0 ? std::to_string(*t.prov) : t.codTerr] = 0;
        for (const LayerRecord &r : readLayer(shapeChild(entry, "FileName"), shapeChild(entry, "FieldId"))) {
            std::string code; // without the blanks of a numeric field
            std::istringstream(r.code) >> code;
            ASSERT_TRUE(expected.count(code)) << "join code '" << code << "' matches no territory";
            ++expected[code];
            EXPECT_FALSE(r.rings.empty() || r.fields.at("DEN_TERR").empty()) << code;
        }
        for (const auto &[code, n] : expected)
            EXPECT_EQ(n, 1) << "territory " << code << " has " << n << " polygons";
    }
}

class SampleGeometry : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        for (const LayerRecord &r : readLayer("regioni", "COD_REG"))
            regions[r.code] = geos.polygonsFromRings(r.rings);
    }
    static inline Geos geos;
    static inline std::map<std::string, Geom> regions;
};

TEST_F(SampleGeometry, RegionAreasMatchOfficialFigures)
{
    // ISTAT's areas in km²; the UTM plane adds up to about 1 % in the east.
    const std::map<std::string, double> official = {
        {"01", 25387}, {"02", 3261},  {"03", 23863}, {"04", 13606}, {"05", 18407}, {"06", 7862},  {"07", 5416},
        {"08", 22446}, {"09", 22987}, {"10", 8464},  {"11", 9401},  {"12", 17232}, {"13", 10832}, {"14", 4461},
        {"15", 13671}, {"16", 19541}, {"17", 10073}, {"18", 15222}, {"19", 25832}, {"20", 24100}};
    ASSERT_EQ(regions.size(), official.size());
    for (const auto &[code, km2] : official) {
        EXPECT_TRUE(geos.isValid(regions.at(code))) << code;
        EXPECT_NEAR(geos.area(regions.at(code)) / 1e6, km2, 0.05 * km2) << "region " << code;
    }
}

TEST_F(SampleGeometry, ProvincesAndNuts2AreasLieInsideTheirRegions)
{
    for (const char *layer : {"province103", "province107"}) {
        SCOPED_TRACE(layer);
        std::map<std::string, double> sumByRegion;
        for (const LayerRecord &r : readLayer(layer, "COD_PRO")) {
            const Geom p = geos.polygonsFromRings(r.rings);
            const std::string reg = r.fields.at("COD_REG");
            ASSERT_TRUE(regions.count(reg)) << r.code;
            const double a = geos.area(p);
            EXPECT_GT(a, 0) << r.code;
            EXPECT_GE(geos.area(geos.intersection(p, regions.at(reg))), 0.99 * a) << "province " << r.code;
            sumByRegion[reg] += a;
        }
        // Provinces cover their region without gaps or overlaps.
        for (const auto &[reg, g] : regions)
            EXPECT_NEAR(sumByRegion[reg], geos.area(g), 1e-4 * geos.area(g)) << "region " << reg;
    }

    std::map<std::string, Geom> nuts;
    for (const LayerRecord &r : readLayer("nuts2", "COD_TERR"))
        nuts[r.code] = geos.polygonsFromRings(r.rings);
    // Bolzano and Trento split Trentino-Alto Adige, each with a real share.
    const double taa = geos.area(regions.at("04"));
    const double bz = geos.area(nuts.at("021")), tn = geos.area(nuts.at("022"));
    EXPECT_NEAR(bz + tn, taa, 1e-6 * taa);
    EXPECT_GT(std::min(bz, tn), 0.3 * taa);
    EXPECT_GE(geos.area(geos.intersection(nuts.at("021"), regions.at("04"))), 0.99 * bz);
}

// The background of the splash and the main window: the country drawn pale on a plain sea.
TEST(SampleBackground, IsAPaleRenderingOfTheCountry)
{
    const std::string jpeg = fileBytes(kSample / "Images" / "infra2.jpg");
    tjhandle tj = tjInitDecompress();
    int w = 0, h = 0, sub = 0, cs = 0;
    const auto *bytes = reinterpret_cast<const unsigned char *>(jpeg.data());
    ASSERT_EQ(tjDecompressHeader3(tj, bytes, jpeg.size(), &w, &h, &sub, &cs), 0);
    std::vector<unsigned char> grey(std::size_t(w) * h);
    ASSERT_EQ(tjDecompress2(tj, bytes, jpeg.size(), grey.data(), w, 0, h, TJPF_GRAY, 0), 0);
    tjDestroy(tj);
    const auto [darkest, lightest] = std::minmax_element(grey.begin(), grey.end());
    EXPECT_EQ(std::pair(w, h), std::pair(1024, 768));
    EXPECT_GT(*darkest, 110); // pale, no harsh lines
    EXPECT_GT(*lightest - *darkest, 10); // not a blank picture: the land stands out from the sea
}

std::string toolCommand(const fs::path &territori, const fs::path &out)
{
    return std::string("\"") + GEO_TOOL + "\" --quiet --territori \"" + territori.string() + "\" --svg \""
        + GEO_ITALY_SVG + "\" --out \"" + out.string() + "\" 2>/dev/null";
}

// A second run gives the build's sample folder again, byte for byte.
TEST(SampleGeneration, RunsAreByteIdentical)
{
    const fs::path root = fs::path(GEO_SCRATCH_DIR) / "determinism";
    fs::remove_all(root);
    ASSERT_EQ(std::system(toolCommand(GEO_TERRITORI_CSV, root).c_str()), 0);
    std::size_t files = 0;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        if (!entry.is_regular_file())
            continue;
        const fs::path rel = fs::relative(entry.path(), root);
        ++files;
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
    EXPECT_NE(std::system(toolCommand(root / "territori.csv", root / "out").c_str()), 0);
    EXPECT_FALSE(fs::exists(root / "out" / "Files" / "ShapeConfig.xml"));
}

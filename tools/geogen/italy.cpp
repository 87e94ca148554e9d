#include "italy.h"

#include "background.h"
#include "shapeconfig.h"
#include "shapefile.h"
#include "svgpath.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <stdexcept>

namespace quarnaro::geogen {

namespace {

constexpr double kIslandMatchMetres = 8000.0;
constexpr double kMaxCapitalOffsetMetres = 25000.0;

struct RegionGeom {
    std::string code;
    const Territorio *territorio = nullptr;
    Geom geom;
};

} // namespace

std::string istatRegionForSvgId(const std::string &svgId)
{
    static const std::map<std::string, std::string> table = {
        {"piedmont", "01"},   {"aosta-valley", "02"},
        {"lombardy", "03"},   {"trentino-south-tyrol", "04"},
        {"veneto", "05"},     {"friuli-venezia-giulia", "06"},
        {"liguria", "07"},    {"emilia-romagna", "08"},
        {"tuscany", "09"},    {"umbria", "10"},
        {"marche", "11"},     {"lazio", "12"},
        {"abruzzo", "13"},    {"molise", "14"},
        {"campania", "15"},   {"apulia", "16"},
        {"basilicata", "17"}, {"calabria", "18"},
        {"sicily", "19"},     {"sardinia", "20"},
    };
    const auto it = table.find(svgId);
    return it == table.end() ? std::string() : it->second;
}

const std::vector<ControlPoint> &italyControlPoints()
{
    // Island centroids are located by the ring whose centroid is nearest the hint
    // (drawing units, read off the drawing); extremes by the outline vertex.
    static const std::vector<ControlPoint> points = {
        {"Lampedusa", {35.512, 12.585}, "sicily", Locator::RingCentroid, {305.7, 791.0}},
        {"Pantelleria", {36.785, 11.990}, "sicily", Locator::RingCentroid, {275.5, 710.3}},
        {"Ustica", {38.708, 13.180}, "sicily", Locator::RingCentroid, {336.2, 586.5}},
        {"Stromboli", {38.794, 15.213}, "sicily", Locator::RingCentroid, {440.7, 580.9}},
        {"Isola delle Correnti", {36.645, 15.080}, "sicily", Locator::Southmost, {}},
        {"Capo Boeo (Marsala)", {37.805, 12.423}, "sicily", Locator::Westmost, {}},
        {"Isola d'Elba", {42.780, 10.260}, "tuscany", Locator::RingCentroid, {188.0, 311.7}},
        {"Isola del Giglio", {42.355, 10.905}, "tuscany", Locator::RingCentroid, {219.5, 341.1}},
        {"Isola di Capraia", {43.040, 9.830}, "tuscany", Locator::RingCentroid, {164.0, 293.8}},
        {"Ischia", {40.730, 13.905}, "campania", Locator::RingCentroid, {373.4, 452.5}},
        {"Capri", {40.549, 14.237}, "campania", Locator::RingCentroid, {389.9, 464.3}},
        {"Tavolara", {40.905, 9.710}, "sardinia", Locator::RingCentroid, {158.7, 440.3}},
        {"Asinara", {41.060, 8.270}, "sardinia", Locator::RingCentroid, {85.2, 430.2}},
        {"Sant'Antioco", {39.030, 8.420}, "sardinia", Locator::RingCentroid, {91.8, 564.5}},
        {"Capo Teulada", {38.866, 8.645}, "sardinia", Locator::Southmost, {}},
        {"Vetta d'Italia", {47.092, 12.178}, "trentino-south-tyrol", Locator::Northmost, {}},
        {"Rocca Bernauda", {45.103, 6.627}, "piedmont", Locator::Westmost, {}},
        {"Punta Palascia (Otranto)", {40.107, 18.520}, "apulia", Locator::Eastmost, {}},
        {"Santa Maria di Leuca", {39.797, 18.360}, "apulia", Locator::Southmost, {}},
        {"Capo Spartivento", {37.925, 16.060}, "calabria", Locator::Southmost, {}},
    };
    return points;
}

const std::vector<IslandOwner> &italyIslandOwners()
{
    static const std::vector<IslandOwner> owners = {
        {"Isola d'Elba", {42.78, 10.26}, 49, 49},
        {"Isola di Capraia", {43.04, 9.83}, 49, 49},
        {"Pianosa", {42.585, 10.08}, 49, 49},
        {"Montecristo", {42.33, 10.31}, 49, 49},
        {"Isola del Giglio", {42.355, 10.905}, 53, 53},
        {"Ca' Raffaello (Badia Tedalda)", {43.79, 12.20}, 51, 51},
        {"Monte Ruperto (Città di Castello)", {43.60, 12.43}, 54, 54},
        {"Alicudi", {38.54, 14.35}, 83, 83},
        {"Filicudi", {38.57, 14.57}, 83, 83},
        {"Pantelleria", {36.785, 11.99}, 81, 81},
        {"Lampedusa", {35.51, 12.59}, 84, 84},
        {"La Maddalena", {41.22, 9.40}, 90, 104},
        {"Caprera", {41.21, 9.46}, 90, 104},
        {"Spargi", {41.24, 9.34}, 90, 104},
        {"Tavolara", {40.905, 9.71}, 90, 104},
        {"Asinara", {41.06, 8.27}, 90, 90},
        {"Sant'Antioco", {39.03, 8.42}, 92, 107},
        {"San Pietro", {39.14, 8.28}, 92, 107},
    };
    return owners;
}

namespace {

Feature featureOf(const Geos &geos, const Geom &g, std::vector<FieldValue> values)
{
    Feature f;
    f.polygons = geos.rings(g);
    f.values = std::move(values);
    return f;
}

double areaKm2(const Geos &geos, const Geom &g)
{
    return geos.area(g) / 1e6;
}

} // namespace

GenerationReport generateSampleGeography(const GenerationOptions &options)
{
    const std::vector<Territorio> territori = readTerritori(options.territoriCsv);
    const std::vector<SvgShape> shapes = readSvgShapes(options.svgMap);

    GenerationReport report;
    report.georeference = fitGeoreference(shapes, italyControlPoints());
    const Georeference &geo = report.georeference;

    Geos geos;

    // Regions, in ISTAT code order.
    std::map<std::string, const Territorio *> regionRows;
    for (const Territorio &t : territori)
        if (t.isRegion())
            regionRows[t.codTerr] = &t;

    std::map<std::string, RegionGeom> regions;
    for (const SvgShape &s : shapes) {
        const std::string code = istatRegionForSvgId(s.id);
        if (code.empty())
            throw std::runtime_error("the SVG map holds the unknown region '" + s.id + "'");
        const auto row = regionRows.find(code);
        if (row == regionRows.end())
            throw std::runtime_error("region " + code + " (" + s.id + ") is missing from the territories");
        if (regions.count(code))
            throw std::runtime_error("region " + code + " appears twice in the SVG map");
        std::vector<Ring> utm;
        for (const Ring &r : s.rings) {
            Ring u;
            u.reserve(r.size());
            for (const XY &p : r)
                u.push_back(geo.toUtm(p));
            utm.push_back(std::move(u));
        }
        regions[code] = RegionGeom {code, row->second, geos.polygonsFromRings(utm)};
    }
    for (const auto &[code, row] : regionRows)
        if (!regions.count(code))
            throw std::runtime_error("region " + code + " (" + row->desTerr + ") has no outline in the SVG map");

    // Provinces of each set, partitioned inside their region.
    struct ProvinceGeom {
        const Territorio *territorio;
        Geom geom;
    };
    std::map<int, std::map<int, ProvinceGeom>> provinceSets; // set (103/107) -> number -> geometry
    for (int set : {103, 107}) {
        for (const auto &[code, region] : regions) {
            std::vector<const Territorio *> provs;
            for (const Territorio &t : territori)
                if (t.isProvince() && t.reg == code && (set == 103 ? t.in103 : t.in107))
                    provs.push_back(&t);
            if (provs.empty())
                throw std::runtime_error("region " + code + " has no province in the " + std::to_string(set) + " set");
            std::sort(provs.begin(), provs.end(),
                      [](const Territorio *a, const Territorio *b) { return *a->prov < *b->prov; });

            std::vector<XY> sites;
            for (const Territorio *t : provs)
                sites.push_back(utm32Forward(*t->capital));

            const auto islandOwner = [&, &code = code](const Geom &piece) -> int {
                for (const IslandOwner &o : italyIslandOwners()) {
                    const Geom pt = geos.point(utm32Forward(o.where));
                    if (geos.distance(piece, pt) > kIslandMatchMetres)
                        continue;
                    const int owner = set == 103 ? o.prov103 : o.prov107;
                    for (std::size_t i = 0; i < provs.size(); ++i)
                        if (*provs[i]->prov == owner)
                            return int(i);
                    throw std::runtime_error("island " + o.name + " names province " + std::to_string(owner)
                                             + ", which is not in region " + code);
                }
                return -1;
            };
            std::vector<Geom> parts = geos.partition(region.geom, sites, islandOwner);
            for (std::size_t i = 0; i < provs.size(); ++i) {
                if (geos.isEmpty(parts[i]) || geos.area(parts[i]) <= 0)
                    throw std::runtime_error("province " + provs[i]->codTerr + " (" + provs[i]->desTerr
                                             + ") came out empty in the " + std::to_string(set) + " set");
                const double offset = geos.distance(parts[i], geos.point(sites[i]));
                if (offset > kMaxCapitalOffsetMetres)
                    throw std::runtime_error("the capital of " + provs[i]->desTerr + " lies "
                                             + std::to_string(int(offset / 1000)) + " km outside its province");
                if (offset / 1000.0 > report.worstCapitalOffsetKm) {
                    report.worstCapitalOffsetKm = offset / 1000.0;
                    report.worstCapital = provs[i]->desTerr;
                }
                provinceSets[set].emplace(*provs[i]->prov, ProvinceGeom {provs[i], std::move(parts[i])});
            }
        }
    }

    const std::filesystem::path shapeDir = options.outputDir / "Shape";
    const std::filesystem::path filesDir = options.outputDir / "Files";
    const std::filesystem::path imagesDir = options.outputDir / "Images";
    for (const auto &d : {shapeDir, filesDir, imagesDir})
        std::filesystem::create_directories(d);

    using T = FieldDef::Type;
    const FieldDef name {"DEN_TERR", T::Text, 60};
    const FieldDef reg {"COD_REG", T::Text, 2};
    const FieldDef nuts {"COD_NUTS", T::Text, 5};

    // Regions.
    {
        std::vector<Feature> features;
        double total = 0;
        for (const auto &[code, r] : regions) {
            features.push_back(featureOf(geos, r.geom, {code, r.territorio->desTerr, r.territorio->codNuts}));
            total += areaKm2(geos, r.geom);
        }
        writePolygonLayer(shapeDir / kLayerRegioni, {reg, name, nuts}, features, etrs89Utm32nWkt());
        report.layers.push_back({kLayerRegioni, features.size(), total});
        report.italyAreaKm2 = total;

        std::vector<const Geom *> all;
        for (const auto &[code, r] : regions)
            all.push_back(&r.geom);
        report.italyExtent = geos.extent(geos.unite(all));
    }

    // NUTS-2 areas: the regions that are NUTS-2 areas, and the provinces that are.
    {
        std::vector<std::pair<std::string, Feature>> byCode;
        double total = 0;
        for (const auto &[code, r] : regions)
            if (r.territorio->isNuts2()) {
                byCode.emplace_back(
                    code, featureOf(geos, r.geom, {code, r.territorio->desTerr, code, r.territorio->codNuts}));
                total += areaKm2(geos, r.geom);
            }
        for (const auto &[num, p] : provinceSets[103])
            if (p.territorio->isNuts2()) {
                byCode.emplace_back(p.territorio->codTerr,
                                    featureOf(geos, p.geom,
                                              {p.territorio->codTerr, p.territorio->desTerr, p.territorio->reg,
                                               p.territorio->codNuts}));
                total += areaKm2(geos, p.geom);
            }
        std::sort(byCode.begin(), byCode.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
        std::vector<Feature> features;
        for (auto &[code, f] : byCode)
            features.push_back(std::move(f));
        writePolygonLayer(shapeDir / kLayerNuts2, {{kFieldNuts2, T::Text, 3}, name, reg, nuts}, features,
                          etrs89Utm32nWkt());
        report.layers.push_back({kLayerNuts2, features.size(), total});
    }

    // Provinces of the two sets.
    for (const auto &[set, provs] : provinceSets) {
        std::vector<Feature> features;
        double total = 0;
        for (const auto &[num, p] : provs) {
            features.push_back(featureOf(
                geos, p.geom,
                {long(num), p.territorio->desTerr, p.territorio->reg, p.territorio->sigla, p.territorio->codNuts}));
            total += areaKm2(geos, p.geom);
        }
        const char *layer = set == 103 ? kLayerProvince103 : kLayerProvince107;
        writePolygonLayer(shapeDir / layer, {{kFieldProvince, T::Integer, 3}, name, reg, {"SIGLA", T::Text, 2}, nuts},
                          features, etrs89Utm32nWkt());
        report.layers.push_back({layer, features.size(), total});
    }

    // Map configuration. Colours: a pale sea, cream land, grey province borders
    // and darker region borders drawn over the provinces with a transparent fill.
    const std::uint32_t sea = winColor(214, 230, 242);
    const std::uint32_t land = winColor(250, 246, 232);
    const std::uint32_t thinBorder = winColor(150, 150, 150);
    const std::uint32_t regionBorder = winColor(70, 70, 70);
    const CaseLayer regionsOverlay {kLayerRegioni, regionBorder, land, true, true, false};
    const std::vector<MapCase> cases = {
        {"regioni", sea, {{kLayerRegioni, regionBorder, land, true, false, true}}},
        {"nuts2", sea, {{kLayerNuts2, regionBorder, land, true, false, true}}},
        {"provincia103", sea, {{kLayerProvince103, thinBorder, land, true, false, true}, regionsOverlay}},
        {"provincia107", sea, {{kLayerProvince107, thinBorder, land, true, false, true}, regionsOverlay}},
    };
    const std::vector<ShapeEntry> entries = {
        {kLayerRegioni, kLayerRegioni, kLayerRegioni, kFieldRegioni, "N_TERCO", "regioni", "DEN_TERR"},
        {kLayerNuts2, kLayerNuts2, kLayerNuts2, kFieldNuts2, "N_TERCO", "nuts2", "DEN_TERR"},
        {kLayerProvince103, kLayerProvince103, kLayerProvince103, kFieldProvince, "N_TERCO", "provincia103",
         "DEN_TERR"},
        {kLayerProvince107, kLayerProvince107, kLayerProvince107, kFieldProvince, "N_TERCO", "provincia107",
         "DEN_TERR"},
    };
    writeShapeConfig(filesDir / "ShapeConfig.xml", cases, entries);

    // Background picture.
    std::vector<Outline> regionOutlines, provinceOutlines;
    for (const auto &[code, r] : regions)
        regionOutlines.push_back(geos.rings(r.geom));
    for (const auto &[num, p] : provinceSets[107])
        provinceOutlines.push_back(geos.rings(p.geom));
    writeJpeg(renderBackground(regionOutlines, provinceOutlines, QSize(1024, 768)), imagesDir / "infra2.jpg", 90);

    return report;
}

} // namespace quarnaro::geogen

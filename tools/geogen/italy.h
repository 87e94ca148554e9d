// The sample geography of Italy: region outlines from the SVG map, schematic
// provinces and NUTS-2 areas derived inside them, the shape files, the map
// configuration and the background picture.
#pragma once

#include "geometry.h"
#include "georef.h"
#include "territori.h"

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace quarnaro::geogen {

// ISTAT region code of an SVG shape id of the @svg-maps/italy drawing, or an
// empty string for an id that is not one of its twenty regions.
std::string istatRegionForSvgId(const std::string &svgId);

// Control points used to georeference the drawing: small islands (area
// centroids) and extreme points of the outline, spread over the country.
const std::vector<ControlPoint> &italyControlPoints();

// An island that a nearest-capital rule would give to the wrong province.
struct IslandOwner {
    std::string name;
    LatLon where;
    int prov103 = 0; // owner in the 103-province set
    int prov107 = 0; // owner in the 107-province set
};
const std::vector<IslandOwner> &italyIslandOwners();

// Names of the four layers, used as Shape entry, FileName and GeoName.
inline constexpr const char *kLayerRegioni = "regioni";
inline constexpr const char *kLayerNuts2 = "nuts2";
inline constexpr const char *kLayerProvince103 = "province103";
inline constexpr const char *kLayerProvince107 = "province107";

// Join fields (FieldId) of the layers.
inline constexpr const char *kFieldRegioni = "COD_REG";
inline constexpr const char *kFieldNuts2 = "COD_TERR";
inline constexpr const char *kFieldProvince = "COD_PRO";

struct GenerationOptions {
    std::filesystem::path territoriCsv;
    std::filesystem::path svgMap;
    std::filesystem::path outputDir; // receives Shape/, Files/ShapeConfig.xml, Images/infra2.jpg
};

struct LayerSummary {
    std::string fileName;
    std::size_t features = 0;
    double areaKm2 = 0;
};

struct GenerationReport {
    Georeference georeference;
    double italyAreaKm2 = 0;
    Extent italyExtent;
    std::vector<LayerSummary> layers;
    // Largest distance of a capital city from the polygon of its province.
    double worstCapitalOffsetKm = 0;
    std::string worstCapital;
};

// Builds everything. Throws std::runtime_error on any inconsistency between the
// drawing and the territories (unknown or missing region, province without
// territory, empty province polygon, capital far outside its region).
GenerationReport generateSampleGeography(const GenerationOptions &options);

} // namespace quarnaro::geogen

// Writing polygon layers as ESRI shape files with shapelib.
#pragma once

#include "geometry.h"

#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace quarnaro::geogen {

struct FieldDef {
    enum class Type { Text, Integer };
    std::string name; // at most 10 characters (dBASE limit)
    Type type = Type::Text;
    int width = 0;
};

using FieldValue = std::variant<std::string, long>;

struct Feature {
    std::vector<PolygonRings> polygons; // one entry per part polygon (shell + holes)
    std::vector<FieldValue> values; // one per field, in field order
};

// Writes base.shp, base.shx, base.dbf (UTF-8 text, with a base.cpg saying so)
// and base.prj holding `prjWkt`. Shells are written clockwise and holes
// counter-clockwise, as the shape file format requires, whatever the input
// orientation. Throws std::runtime_error on any failure, including a value that
// does not fit its field.
void writePolygonLayer(const std::filesystem::path &base, const std::vector<FieldDef> &fields,
                       const std::vector<Feature> &features, const std::string &prjWkt);

} // namespace quarnaro::geogen

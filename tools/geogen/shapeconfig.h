// Writing Files/ShapeConfig.xml, the map-layer configuration read by the map window.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace quarnaro::geogen {

// A Windows colour value 0x00BBGGRR.
constexpr std::uint32_t winColor(std::uint8_t r, std::uint8_t g, std::uint8_t b)
{
    return std::uint32_t(r) | (std::uint32_t(g) << 8) | (std::uint32_t(b) << 16);
}

struct CaseLayer {
    std::string entry; // name of a ShapeEntry (lower case)
    std::uint32_t outlineColor = 0;
    std::uint32_t backColor = 0;
    bool outline = true;
    bool transparent = false;
    bool useToMatch = false;
};

struct MapCase {
    std::string name; // lower case: regioni, nuts2, provincia103, provincia107
    std::uint32_t mapBackColor = 0;
    std::vector<CaseLayer> layers; // bottom layer first
};

struct ShapeEntry {
    std::string name; // lower case
    std::string fileName;
    std::string geoName;
    std::string fieldId;
    std::string landFields;
    std::string landMatch;
    std::string label;
};

// Writes the configuration: Configs/LoadOrder/Case[@name] with one child per
// layer (text = entry name; attributes OutlineColor, BackColor, Outline,
// Trasparenza, useToMatch) and Configs/Shapes/Shape[@name] with the children
// FileName, GeoName, FieldId, LandFields, LandMatch, Label.
// Throws std::invalid_argument when a case names an unknown entry or a name is
// not lower case, std::runtime_error when the file cannot be written.
void writeShapeConfig(const std::filesystem::path &file, const std::vector<MapCase> &cases,
                      const std::vector<ShapeEntry> &shapes);

} // namespace quarnaro::geogen

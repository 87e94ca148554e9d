#include "shapeconfig.h"

#include <pugixml.hpp>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace quarnaro::geogen {

namespace {

bool isLowerCase(const std::string &s)
{
    return !s.empty() && std::none_of(s.begin(), s.end(), [](unsigned char c) { return std::isupper(c); });
}

const char *boolText(bool b)
{
    return b ? "True" : "False";
}

} // namespace

void writeShapeConfig(const std::filesystem::path &file, const std::vector<MapCase> &cases,
                      const std::vector<ShapeEntry> &shapes)
{
    for (const ShapeEntry &s : shapes)
        if (!isLowerCase(s.name))
            throw std::invalid_argument("shape entry name '" + s.name + "' must be lower case");

    pugi::xml_document doc;
    pugi::xml_node decl = doc.append_child(pugi::node_declaration);
    decl.append_attribute("version") = "1.0";
    decl.append_attribute("encoding") = "UTF-8";
    pugi::xml_node root = doc.append_child("Configs");

    pugi::xml_node order = root.append_child("LoadOrder");
    for (const MapCase &c : cases) {
        if (!isLowerCase(c.name))
            throw std::invalid_argument("case name '" + c.name + "' must be lower case");
        pugi::xml_node cn = order.append_child("Case");
        cn.append_attribute("name") = c.name.c_str();
        cn.append_attribute("mapBackColor") = std::to_string(c.mapBackColor).c_str();
        for (const CaseLayer &l : c.layers) {
            if (std::none_of(shapes.begin(), shapes.end(), [&](const ShapeEntry &s) { return s.name == l.entry; }))
                throw std::invalid_argument("case " + c.name + " names the unknown layer '" + l.entry + "'");
            pugi::xml_node ln = cn.append_child("Layer");
            ln.append_attribute("OutlineColor") = std::to_string(l.outlineColor).c_str();
            ln.append_attribute("BackColor") = std::to_string(l.backColor).c_str();
            ln.append_attribute("Outline") = boolText(l.outline);
            ln.append_attribute("Trasparenza") = boolText(l.transparent);
            ln.append_attribute("useToMatch") = boolText(l.useToMatch);
            ln.text() = l.entry.c_str();
        }
    }

    pugi::xml_node sn = root.append_child("Shapes");
    for (const ShapeEntry &s : shapes) {
        pugi::xml_node e = sn.append_child("Shape");
        e.append_attribute("name") = s.name.c_str();
        e.append_child("FileName").text() = s.fileName.c_str();
        e.append_child("GeoName").text() = s.geoName.c_str();
        e.append_child("FieldId").text() = s.fieldId.c_str();
        e.append_child("LandFields").text() = s.landFields.c_str();
        e.append_child("LandMatch").text() = s.landMatch.c_str();
        e.append_child("Label").text() = s.label.c_str();
    }

    if (!doc.save_file(file.c_str(), "  ", pugi::format_default, pugi::encoding_utf8))
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace quarnaro::geogen

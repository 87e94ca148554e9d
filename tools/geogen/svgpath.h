// Reading region outlines from an SVG map.
//
// Only what a map drawing needs is read: every <path> element with an id and a
// `d` attribute. The path data grammar is parsed here (moveto, lineto, horizontal
// and vertical lineto, cubic and quadratic Béziers with their smooth forms,
// closepath, absolute and relative); curves are flattened through QPainterPath.
// Elliptical arcs are rejected with an error, since no map drawing we read uses
// them and a silent approximation would distort borders.
#pragma once

#include "projection.h"

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace quarnaro::geogen {

// A closed ring in drawing units; the closing vertex is not repeated.
using Ring = std::vector<XY>;

struct SvgShape {
    std::string id; // the element's id, e.g. "trentino-south-tyrol"
    std::string label; // its aria-label (or name/title), e.g. "Trentino-South Tyrol"
    std::vector<Ring> rings;
};

class SvgPathError : public std::runtime_error {
public:
    SvgPathError(const std::string &what, std::size_t offset)
        : std::runtime_error(what + " (at character " + std::to_string(offset) + ")"), offset_(offset)
    {
    }
    std::size_t offset() const { return offset_; }

private:
    std::size_t offset_;
};

// Parses path data into closed rings, one per subpath with at least three
// distinct vertices. Throws SvgPathError on malformed data.
std::vector<Ring> parsePathData(std::string_view d);

// Reads every <path id=… d=…> of an SVG file, in document order.
// Throws std::runtime_error when the file cannot be read or parsed.
std::vector<SvgShape> readSvgShapes(const std::filesystem::path &file);

// Shoelace area, positive for counter-clockwise rings in a y-up frame.
double signedArea(const Ring &r);
// Area centroid of a ring (its vertex mean when the ring has no area).
XY ringCentroid(const Ring &r);

} // namespace quarnaro::geogen

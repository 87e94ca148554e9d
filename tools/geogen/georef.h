// Georeferencing of a map drawing from control points.
//
// The drawing is taken to be a Mercator map of unknown scale and placement: an
// affine transform from drawing units to the Mercator plane is fitted by least
// squares to control points whose latitude and longitude are known. Drawing
// coordinates are then carried to UTM zone 32N through latitude and longitude.
#pragma once

#include "projection.h"
#include "svgpath.h"

#include <string>
#include <vector>

namespace quarnaro::geogen {

// How a control point is found in the drawing.
enum class Locator {
    RingCentroid, // area centroid of the ring of the shape whose centroid is nearest `hint` (a small island)
    Northmost, // extreme vertex of the shape's largest ring in that direction
    Southmost,
    Westmost,
    Eastmost,
};

struct ControlPoint {
    std::string name;
    LatLon geo;
    std::string shapeId;
    Locator locator = Locator::RingCentroid;
    XY hint; // drawing units; only for RingCentroid
};

struct ControlResidual {
    std::string name;
    XY drawing; // where the point was found in the drawing
    XY expected; // UTM 32N of its known latitude and longitude
    XY fitted; // UTM 32N of the drawing point through the fitted transform
    double dx() const { return fitted.x - expected.x; }
    double dy() const { return fitted.y - expected.y; }
};

class Georeference {
public:
    Affine drawingToMercator;
    std::vector<ControlResidual> residuals;

    LatLon toLatLon(XY drawing) const { return mercatorInverse(drawingToMercator.apply(drawing)); }
    XY toUtm(XY drawing) const { return utm32Forward(toLatLon(drawing)); }
    double rmsMetres() const;
    double maxMetres() const;
};

// Finds a control point in the drawing. Throws std::runtime_error when its
// shape is missing or, for RingCentroid, no ring centroid lies within
// `maxHintDistance` drawing units of the hint.
XY locateControlPoint(const std::vector<SvgShape> &shapes, const ControlPoint &cp, double maxHintDistance = 3.0);

Georeference fitGeoreference(const std::vector<SvgShape> &shapes, const std::vector<ControlPoint> &points);

} // namespace quarnaro::geogen

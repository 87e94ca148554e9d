// Map projections used to georeference the sample geography.
//
// The region outlines come as a drawing in Mercator-like drawing units; the shape
// files are written in ETRS89 / UTM zone 32N (EPSG:25832, metres). There is no
// projection library in the stack, so the few formulas needed live here.
#pragma once

#include <string>
#include <vector>

namespace quarnaro::geogen {

struct XY {
    double x = 0;
    double y = 0;
};

struct LatLon {
    double lat = 0; // degrees, north positive
    double lon = 0; // degrees, east positive
};

// Transverse Mercator forward projection on the GRS80 ellipsoid (Krüger's series
// to third order in the third flattening, about a millimetre within 3000 km of the
// central meridian), with the parameters of UTM zone 32N:
// central meridian 9° E, scale 0.9996, false easting 500 000 m, no false northing.
XY utm32Forward(LatLon p);

// The same projection with any central meridian, scale and false origin.
XY transverseMercatorForward(LatLon p, double centralMeridianDeg, double scale, double falseEasting,
                             double falseNorthing);

// Spherical Mercator on a unit sphere: x = longitude in radians, y = asinh(tan φ).
XY mercatorForward(LatLon p);
LatLon mercatorInverse(XY m);

// Six-parameter affine transform: x' = a·x + b·y + c, y' = d·x + e·y + f.
struct Affine {
    double a = 1, b = 0, c = 0;
    double d = 0, e = 1, f = 0;
    XY apply(XY p) const { return {a * p.x + b * p.y + c, d * p.x + e * p.y + f}; }
};

// Least-squares affine transform taking `from[i]` as close as possible to `to[i]`.
// Throws std::invalid_argument with fewer than three pairs, with vectors of
// different length, or when the points are collinear.
Affine fitAffine(const std::vector<XY> &from, const std::vector<XY> &to);

// The .prj text (ESRI well-known text) of EPSG:25832.
const std::string &etrs89Utm32nWkt();

} // namespace quarnaro::geogen

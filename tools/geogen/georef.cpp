#include "georef.h"

#include <algorithm>
#include <cmath>
#include <stdexcept>

namespace quarnaro::geogen {

double Georeference::rmsMetres() const
{
    if (residuals.empty())
        return 0;
    double s = 0;
    for (const ControlResidual &r : residuals)
        s += r.dx() * r.dx() + r.dy() * r.dy();
    return std::sqrt(s / double(residuals.size()));
}

double Georeference::maxMetres() const
{
    double m = 0;
    for (const ControlResidual &r : residuals)
        m = std::max(m, std::hypot(r.dx(), r.dy()));
    return m;
}

XY locateControlPoint(const std::vector<SvgShape> &shapes, const ControlPoint &cp, double maxHintDistance)
{
    const auto shape = std::find_if(shapes.begin(), shapes.end(),
                                    [&](const SvgShape &s) { return s.id == cp.shapeId; });
    if (shape == shapes.end() || shape->rings.empty())
        throw std::runtime_error("control point " + cp.name + ": the drawing has no shape '" + cp.shapeId + "'");

    if (cp.locator == Locator::RingCentroid) {
        double best = INFINITY;
        XY where;
        for (const Ring &r : shape->rings) {
            const XY c = ringCentroid(r);
            const double d = std::hypot(c.x - cp.hint.x, c.y - cp.hint.y);
            if (d < best) {
                best = d;
                where = c;
            }
        }
        if (best > maxHintDistance)
            throw std::runtime_error("control point " + cp.name + ": no ring of '" + cp.shapeId
                                     + "' has its centroid near the expected place");
        return where;
    }

    const Ring &main = *std::max_element(shape->rings.begin(), shape->rings.end(), [](const Ring &a, const Ring &b) {
        return std::fabs(signedArea(a)) < std::fabs(signedArea(b));
    });
    // Drawing y grows downwards: north is the smallest y.
    const auto score = [&](const XY &p) {
        switch (cp.locator) {
        case Locator::Northmost:
            return -p.y;
        case Locator::Southmost:
            return p.y;
        case Locator::Westmost:
            return -p.x;
        case Locator::Eastmost:
            return p.x;
        case Locator::RingCentroid:
            break;
        }
        return 0.0;
    };
    return *std::max_element(main.begin(), main.end(), [&](const XY &a, const XY &b) { return score(a) < score(b); });
}

Georeference fitGeoreference(const std::vector<SvgShape> &shapes, const std::vector<ControlPoint> &points)
{
    std::vector<XY> drawing, mercator;
    for (const ControlPoint &cp : points) {
        drawing.push_back(locateControlPoint(shapes, cp));
        mercator.push_back(mercatorForward(cp.geo));
    }
    Georeference g;
    g.drawingToMercator = fitAffine(drawing, mercator);
    for (std::size_t i = 0; i < points.size(); ++i)
        g.residuals.push_back({points[i].name, drawing[i], utm32Forward(points[i].geo), g.toUtm(drawing[i])});
    return g;
}

} // namespace quarnaro::geogen

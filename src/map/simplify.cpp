#include "map/simplify.h"

#include "map/shapelayer.h"

#include <algorithm>
#include <cmath>

namespace qrn::map {

namespace {

// Squared distance of p from the segment a-b (from a when a == b).
double segmentDistance2(QPointF p, QPointF a, QPointF b)
{
    const double dx = b.x() - a.x(), dy = b.y() - a.y();
    double px = p.x() - a.x(), py = p.y() - a.y();
    const double len2 = dx * dx + dy * dy;
    if (len2 > 0) {
        const double t = std::clamp((px * dx + py * dy) / len2, 0.0, 1.0);
        px -= t * dx, py -= t * dy;
    }
    return px * px + py * py;
}

} // namespace

void simplifyPolyline(const QPointF *pts, int n, double radius, double tolerance, std::vector<QPointF> &out)
{
    if (n <= 2) {
        out.insert(out.end(), pts, pts + std::max(n, 0));
        return;
    }
    // The first pass costs one look per vertex and leaves Douglas–Peucker far fewer to split.
    // Working arrays are kept between calls: thinning a layer calls this once per ring.
    thread_local std::vector<QPointF> kept;
    thread_local std::vector<char> keep;
    thread_local std::vector<std::pair<int, int>> stack;
    kept.clear();
    kept.push_back(pts[0]);
    for (int i = 1; i < n - 1; ++i) {
        const QPointF d = pts[i] - kept.back();
        if (std::abs(d.x()) + std::abs(d.y()) >= radius)
            kept.push_back(pts[i]);
    }
    kept.push_back(pts[n - 1]);
    const int m = int(kept.size());
    const double tol2 = tolerance * tolerance;
    keep.assign(size_t(m), 0);
    keep[0] = keep[size_t(m) - 1] = 1;
    stack.assign(1, {0, m - 1});
    const QPointF *k = kept.data();
    while (!stack.empty()) {
        const auto [a, b] = stack.back();
        stack.pop_back();
        double worst = -1;
        int at = -1;
        for (int i = a + 1; i < b; ++i) {
            const double d = segmentDistance2(k[i], k[a], k[b]);
            if (d > worst)
                worst = d, at = i;
        }
        if (at < 0 || worst <= tol2)
            continue;
        keep[size_t(at)] = 1;
        stack.emplace_back(a, at);
        stack.emplace_back(at, b);
    }
    for (int i = 0; i < m; ++i)
        if (keep[size_t(i)])
            out.push_back(k[i]);
}

int SimplifiedParts::levelFor(double unitsPerPixel)
{
    if (!(unitsPerPixel > 0) || !std::isfinite(unitsPerPixel))
        return 0;
    return int(std::floor(std::log2(unitsPerPixel * kPixelFraction)));
}

double SimplifiedParts::tolerance(int level)
{
    return std::ldexp(1.0, level);
}

SimplifiedParts::Level &SimplifiedParts::level(const ShapeLayer &layer, int level)
{
    ++m_clock;
    for (Level &l : m_levels)
        if (l.level == level) {
            l.lastUse = m_clock;
            return l;
        }
    if (m_levels.size() >= kKeptLevels) // the level least recently drawn makes room
        m_levels.erase(std::min_element(m_levels.begin(), m_levels.end(),
                                        [](const Level &a, const Level &b) { return a.lastUse < b.lastUse; }));
    Level &l = m_levels.emplace_back();
    l.level = level;
    l.lastUse = m_clock;
    const int parts = layer.featureCount() > 0 ? layer.partEnd(layer.featureCount() - 1) : 0;
    l.start.assign(size_t(parts), -1);
    l.size.assign(size_t(parts), 0);
    return l;
}

std::span<const QPointF> SimplifiedParts::part(const ShapeLayer &layer, int part, int levelIndex)
{
    Level &l = level(layer, levelIndex);
    if (part < 0 || size_t(part) >= l.start.size())
        return {};
    if (l.start[size_t(part)] < 0) {
        const size_t from = l.points.size();
        simplifyPolyline(layer.partPoints(part), layer.partSize(part), kRadiusToTolerance * tolerance(levelIndex),
                         tolerance(levelIndex), l.points);
        l.start[size_t(part)] = int(from);
        l.size[size_t(part)] = int(l.points.size() - from);
    }
    return {l.points.data() + l.start[size_t(part)], size_t(l.size[size_t(part)])};
}

} // namespace qrn::map

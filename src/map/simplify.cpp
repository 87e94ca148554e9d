// Thinning of polylines and rings for drawing, and the per-layer cache of thinned parts. A part
// is thinned for a zoom level the first time that level draws it, and kept while the level is
// among the kKeptLevels most recently drawn; the layer's own points are never changed. A ring
// keeps its first and last vertex, so a closed ring stays closed.
#include "map/simplify.h"

#include "map/shapelayer.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

void rankPolyline(const QPointF *pts, int n, double *rank)
{
    if (n <= 0)
        return;
    constexpr double kAlways = std::numeric_limits<double>::infinity();
    std::fill(rank, rank + n, 0.0);
    rank[0] = rank[n - 1] = kAlways;
    // Each stretch carries the rank of the vertex that split it off: a vertex is only looked at
    // by Douglas–Peucker when that one is kept, so its own rank is at most that.
    struct Stretch {
        int a, b;
        double cap;
    };
    thread_local std::vector<Stretch> stack;
    stack.assign(1, {0, n - 1, kAlways});
    while (!stack.empty()) {
        const Stretch s = stack.back();
        stack.pop_back();
        double worst = -1;
        int at = -1;
        for (int i = s.a + 1; i < s.b; ++i) {
            const double d = segmentDistance2(pts[i], pts[s.a], pts[s.b]);
            if (d > worst)
                worst = d, at = i;
        }
        if (at < 0)
            continue;
        rank[at] = std::min(worst, s.cap);
        stack.push_back({s.a, at, rank[at]});
        stack.push_back({at, s.b, rank[at]});
    }
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
        thin(layer, part, levelIndex, l.points);
        l.start[size_t(part)] = int(from);
        l.size[size_t(part)] = int(l.points.size() - from);
    }
    return {l.points.data() + l.start[size_t(part)], size_t(l.size[size_t(part)])};
}

void SimplifiedParts::thin(const ShapeLayer &layer, int part, int levelIndex, std::vector<QPointF> &out)
{
    const QPointF *pts = layer.partPoints(part);
    const int n = layer.partSize(part);
    const double tol = tolerance(levelIndex);
    const size_t parts = layer.featureCount() > 0 ? size_t(layer.partEnd(layer.featureCount() - 1)) : 0;
    if (m_partState.size() != parts)
        m_partState.assign(parts, Untouched);
    char &state = m_partState[size_t(part)];
    if (state == Untouched) {
        state = ThinnedOnce;
        simplifyPolyline(pts, n, kRadiusToTolerance * tol, tol, out);
        return;
    }
    const size_t first = size_t(pts - layer.partPoints(0)); // the part's first vertex in the layer
    if (state == ThinnedOnce) {
        if (m_rank.size() != size_t(layer.vertexCount()))
            m_rank.assign(size_t(layer.vertexCount()), 0.0);
        rankPolyline(pts, n, m_rank.data() + first);
        state = Ranked;
    }
    const double tol2 = tol * tol;
    const double *rank = m_rank.data() + first;
    for (int i = 0; i < n; ++i)
        if (rank[i] > tol2)
            out.push_back(pts[i]);
}

} // namespace qrn::map

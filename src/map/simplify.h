#pragma once
// Thinning of a layer's parts for drawing. A part drawn with pixels of u map units cannot show a
// vertex that lies less than a fraction of u from the line through its neighbours, and on a
// municipal layer at full extent those vertices are nearly all of them. Level L thins with a
// tolerance of 2^L map units, L the largest with 2^L at most kPixelFraction of a pixel: vertices
// closer than kRadiusToTolerance tolerances to the last one kept go (at most half a pixel, as the
// drawing has always dropped them), then Douglas–Peucker at the tolerance. A zoom level's thinned
// parts are computed on first use, part by part (so a zoomed-in view thins only what it shows),
// and kept for the few levels last used.
// A part's first thinning takes the quick road above. Once a part is thinned at a second level its
// vertices are ranked (rankPolyline: the largest tolerance at which Douglas–Peucker keeps each
// one), and from then on any level of it is a filter over the ranks: exactly Douglas–Peucker at
// the level's tolerance, one comparison per vertex.
// Invariants: a thinned part keeps its first and last vertex and the order of the others.

#include <QPointF>

#include <cstdint>
#include <span>
#include <vector>

namespace qrn::map {

class ShapeLayer;

// Appends to out the vertices of pts[0..n) kept: a first pass drops every vertex closer than
// radius (|dx| + |dy|) to the last one it kept, then Douglas–Peucker keeps the first and the last
// and every vertex farther than tolerance from the chord of the stretch it splits (a closed ring,
// first == last, is split at its vertex farthest from the first). Every vertex dropped lies within
// radius + tolerance of the thinned line. Written here rather than taken from GEOS: drawing thins
// rings one by one, lazily, straight from the layer's arrays, where GEOS would copy every ring
// into and out of its geometries and may drop a ring that collapses.
void simplifyPolyline(const QPointF *pts, int n, double radius, double tolerance, std::vector<QPointF> &out);

// Writes rank[0..n) for pts[0..n): the square of the largest tolerance at which Douglas–Peucker
// (as above, without the radius pass) still keeps the vertex; infinite for the first and last.
// Keeping the vertices whose rank exceeds tolerance² gives what Douglas–Peucker gives.
void rankPolyline(const QPointF *pts, int n, double *rank);

class SimplifiedParts {
public:
    // The largest share of a pixel a dropped vertex may lie off the drawn line.
    static constexpr double kPixelFraction = 0.125;
    static constexpr double kRadiusToTolerance = 4.0;
    // The level of a view with pixels of unitsPerPixel map units, and its tolerance.
    static int levelFor(double unitsPerPixel);
    static double tolerance(int level);

    // The part of layer thinned at level. The span lasts until the next call.
    std::span<const QPointF> part(const ShapeLayer &layer, int part, int level);
    // Forgets everything: the layer's vertices changed.
    void clear()
    {
        m_levels.clear();
        m_rank.clear();
        m_partState.clear();
    }
    // Forgets the levels made, keeping the ranks of the vertices.
    void dropLevels() { m_levels.clear(); }

private:
    struct Level {
        int level = 0;
        std::uint64_t lastUse = 0;
        std::vector<int> start; // per part; -1 while not thinned yet
        std::vector<int> size;
        std::vector<QPointF> points;
    };
    static constexpr size_t kKeptLevels = 4;
    std::vector<Level> m_levels;
    std::uint64_t m_clock = 0;
    Level &level(const ShapeLayer &layer, int level);
    void thin(const ShapeLayer &layer, int part, int level, std::vector<QPointF> &out);

    enum PartState : char { Untouched, ThinnedOnce, Ranked };
    std::vector<char> m_partState; // per part
    std::vector<double> m_rank; // per vertex of the layer, valid for the Ranked parts
};

} // namespace qrn::map

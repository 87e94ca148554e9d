#include "geometry.h"

#include <algorithm>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <numeric>
#include <stdexcept>
#include <string>

namespace quarnaro::geogen {

namespace {

// GEOS reports errors through a callback; the last message is kept per context
// (one context per thread, so a thread_local buffer is enough).
thread_local std::string g_lastGeosError;

void geosMessage(const char *fmt, void *)
{
    g_lastGeosError = fmt ? fmt : "unknown GEOS error";
}

struct CoordSeqDeleter {
    GEOSContextHandle_t h;
    void operator()(GEOSCoordSequence *s) const { GEOSCoordSeq_destroy_r(h, s); }
};

std::vector<XY> closedRing(const Ring &r)
{
    std::vector<XY> c(r.begin(), r.end());
    if (!c.empty() && (c.front().x != c.back().x || c.front().y != c.back().y))
        c.push_back(c.front());
    return c;
}

bool ringInside(const Ring &inner, const Ring &outer)
{
    // Point-in-polygon (even-odd) on the first vertex, then on the centroid
    // when the first vertex lies on the outer outline (shared borders).
    auto inside = [&](XY p) {
        bool in = false;
        for (std::size_t i = 0, j = outer.size() - 1; i < outer.size(); j = i++) {
            const XY &a = outer[i];
            const XY &b = outer[j];
            if ((a.y > p.y) != (b.y > p.y) && p.x < (b.x - a.x) * (p.y - a.y) / (b.y - a.y) + a.x)
                in = !in;
        }
        return in;
    };
    std::size_t votes = 0;
    const std::size_t probes = std::min<std::size_t>(inner.size(), 7);
    for (std::size_t k = 0; k < probes; ++k)
        votes += inside(inner[k * inner.size() / probes]) ? 1 : 0;
    return votes * 2 > probes;
}

} // namespace

Geom &Geom::operator=(Geom &&o) noexcept
{
    if (this != &o) {
        if (g_)
            GEOSGeom_destroy_r(h_, g_);
        h_ = o.h_;
        g_ = o.g_;
        o.g_ = nullptr;
    }
    return *this;
}

Geom::~Geom()
{
    if (g_)
        GEOSGeom_destroy_r(h_, g_);
}

Geos::Geos() : h_(GEOS_init_r())
{
    GEOSContext_setErrorMessageHandler_r(h_, geosMessage, nullptr);
    GEOSContext_setNoticeMessageHandler_r(h_, nullptr, nullptr);
}

Geos::~Geos()
{
    GEOS_finish_r(h_);
}

Geom Geos::take(GEOSGeometry *g, const char *what) const
{
    if (!g)
        throw std::runtime_error(std::string("GEOS ") + what + " failed: " + g_lastGeosError);
    return Geom(h_, g);
}

Geom Geos::polygonsFromRings(const std::vector<Ring> &rings) const
{
    // Larger rings first: a ring can only be a hole of a larger one.
    std::vector<std::size_t> order(rings.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return std::fabs(signedArea(rings[a])) > std::fabs(signedArea(rings[b]));
    });

    // depth[i] = number of larger rings containing ring i; even depth → shell.
    struct Shell {
        std::size_t ring;
        std::vector<std::size_t> holes;
    };
    std::vector<Shell> shells;
    std::vector<int> depth(rings.size(), 0);
    std::vector<long> parentShell(rings.size(), -1);
    for (std::size_t oi = 0; oi < order.size(); ++oi) {
        const std::size_t i = order[oi];
        long innermost = -1;
        for (std::size_t oj = 0; oj < oi; ++oj) {
            const std::size_t j = order[oj];
            if (ringInside(rings[i], rings[j]) && (innermost < 0 || depth[j] >= depth[std::size_t(innermost)]))
                innermost = long(j);
        }
        depth[i] = innermost < 0 ? 0 : depth[std::size_t(innermost)] + 1;
        if (depth[i] % 2 == 0) {
            parentShell[i] = long(shells.size());
            shells.push_back({i, {}});
        } else {
            shells[std::size_t(parentShell[std::size_t(innermost)])].holes.push_back(i);
        }
    }

    auto makeRing = [&](const Ring &r) {
        const std::vector<XY> c = closedRing(r);
        GEOSCoordSequence *seq = GEOSCoordSeq_copyFromBuffer_r(h_, &c.front().x, unsigned(c.size()), 0, 0);
        if (!seq)
            throw std::runtime_error("GEOS coordinate sequence failed: " + g_lastGeosError);
        GEOSGeometry *ring = GEOSGeom_createLinearRing_r(h_, seq);
        if (!ring)
            throw std::runtime_error("GEOS ring failed: " + g_lastGeosError);
        return ring;
    };

    std::vector<GEOSGeometry *> polys;
    for (const Shell &s : shells) {
        GEOSGeometry *shell = makeRing(rings[s.ring]);
        std::vector<GEOSGeometry *> holes;
        for (std::size_t h : s.holes)
            holes.push_back(makeRing(rings[h]));
        polys.push_back(GEOSGeom_createPolygon_r(h_, shell, holes.data(), unsigned(holes.size())));
    }
    Geom multi = take(GEOSGeom_createCollection_r(h_, GEOS_MULTIPOLYGON, polys.data(), unsigned(polys.size())),
                      "multipolygon");
    if (!GEOSisValid_r(h_, multi.get()))
        multi = polygonal(take(GEOSMakeValid_r(h_, multi.get()), "make valid"));
    return multi;
}

Geom Geos::point(XY p) const
{
    return take(GEOSGeom_createPointFromXY_r(h_, p.x, p.y), "point");
}

Geom Geos::clone(const Geom &g) const
{
    return take(GEOSGeom_clone_r(h_, g.get()), "clone");
}

Geom Geos::intersection(const Geom &a, const Geom &b) const
{
    return polygonal(take(GEOSIntersection_r(h_, a.get(), b.get()), "intersection"));
}

Geom Geos::unite(const std::vector<const Geom *> &parts) const
{
    std::vector<GEOSGeometry *> clones;
    for (const Geom *g : parts)
        clones.push_back(GEOSGeom_clone_r(h_, g->get()));
    Geom coll = take(GEOSGeom_createCollection_r(h_, GEOS_GEOMETRYCOLLECTION, clones.data(), unsigned(clones.size())),
                     "collection");
    return take(GEOSUnaryUnion_r(h_, coll.get()), "union");
}

Geom Geos::polygonal(const Geom &g) const
{
    std::vector<GEOSGeometry *> polys;
    const auto collect = [&](const auto &self, const GEOSGeometry *x) -> void {
        const int type = GEOSGeomTypeId_r(h_, x);
        if (type == GEOS_POLYGON) {
            if (!GEOSisEmpty_r(h_, x))
                polys.push_back(GEOSGeom_clone_r(h_, x));
        } else if (type == GEOS_MULTIPOLYGON || type == GEOS_GEOMETRYCOLLECTION) {
            for (int i = 0, n = GEOSGetNumGeometries_r(h_, x); i < n; ++i)
                self(self, GEOSGetGeometryN_r(h_, x, i));
        }
    };
    collect(collect, g.get());
    return take(GEOSGeom_createCollection_r(h_, GEOS_MULTIPOLYGON, polys.data(), unsigned(polys.size())),
                "multipolygon");
}

double Geos::area(const Geom &g) const
{
    double a = 0;
    if (!GEOSArea_r(h_, g.get(), &a))
        throw std::runtime_error("GEOS area failed: " + g_lastGeosError);
    return a;
}

bool Geos::contains(const Geom &a, const Geom &b) const
{
    const char r = GEOSContains_r(h_, a.get(), b.get());
    if (r == 2)
        throw std::runtime_error("GEOS contains failed: " + g_lastGeosError);
    return r == 1;
}

double Geos::distance(const Geom &a, const Geom &b) const
{
    double d = 0;
    if (!GEOSDistance_r(h_, a.get(), b.get(), &d))
        throw std::runtime_error("GEOS distance failed: " + g_lastGeosError);
    return d;
}

Extent Geos::extent(const Geom &g) const
{
    Extent e;
    if (!GEOSGeom_getExtent_r(h_, g.get(), &e.minX, &e.minY, &e.maxX, &e.maxY))
        throw std::runtime_error("GEOS extent failed: " + g_lastGeosError);
    return e;
}

bool Geos::isEmpty(const Geom &g) const
{
    return GEOSisEmpty_r(h_, g.get()) == 1;
}

bool Geos::isValid(const Geom &g) const
{
    return GEOSisValid_r(h_, g.get()) == 1;
}

std::vector<Geom> Geos::polygonsBySize(const Geom &g) const
{
    const Geom poly = polygonal(g);
    struct Item {
        Geom g;
        double area;
        Extent e;
    };
    std::vector<Item> items;
    for (int i = 0, n = GEOSGetNumGeometries_r(h_, poly.get()); i < n; ++i) {
        Geom part = take(GEOSGeom_clone_r(h_, GEOSGetGeometryN_r(h_, poly.get(), i)), "clone");
        const double a = area(part);
        const Extent e = extent(part);
        items.push_back({std::move(part), a, e});
    }
    std::stable_sort(items.begin(), items.end(), [](const Item &a, const Item &b) {
        if (a.area != b.area)
            return a.area > b.area;
        if (a.e.minX != b.e.minX)
            return a.e.minX < b.e.minX;
        return a.e.minY < b.e.minY;
    });
    std::vector<Geom> out;
    for (Item &it : items)
        out.push_back(std::move(it.g));
    return out;
}

std::vector<PolygonRings> Geos::rings(const Geom &g) const
{
    const auto ringCoords = [&](const GEOSGeometry *ring) {
        const GEOSCoordSequence *seq = GEOSGeom_getCoordSeq_r(h_, ring);
        unsigned int n = 0;
        GEOSCoordSeq_getSize_r(h_, seq, &n);
        std::vector<XY> pts(n);
        if (n > 0 && !GEOSCoordSeq_copyToBuffer_r(h_, seq, &pts.front().x, 0, 0))
            throw std::runtime_error("GEOS coordinate copy failed: " + g_lastGeosError);
        return pts;
    };
    const Geom poly = polygonal(g);
    std::vector<PolygonRings> out;
    for (int i = 0, n = GEOSGetNumGeometries_r(h_, poly.get()); i < n; ++i) {
        const GEOSGeometry *p = GEOSGetGeometryN_r(h_, poly.get(), i);
        PolygonRings pr;
        pr.rings.push_back(ringCoords(GEOSGetExteriorRing_r(h_, p)));
        for (int k = 0, nh = GEOSGetNumInteriorRings_r(h_, p); k < nh; ++k)
            pr.rings.push_back(ringCoords(GEOSGetInteriorRingN_r(h_, p, k)));
        out.push_back(std::move(pr));
    }
    return out;
}

XY Geos::pointOnSurface(const Geom &g) const
{
    const Geom p = take(GEOSPointOnSurface_r(h_, g.get()), "point on surface");
    XY xy;
    if (!GEOSGeomGetX_r(h_, p.get(), &xy.x) || !GEOSGeomGetY_r(h_, p.get(), &xy.y))
        throw std::runtime_error("GEOS point coordinates failed: " + g_lastGeosError);
    return xy;
}

std::vector<Geom> Geos::voronoiCells(const Geom &region, const std::vector<XY> &sites) const
{
    std::vector<GEOSGeometry *> pts;
    for (const XY &s : sites)
        pts.push_back(GEOSGeom_createPointFromXY_r(h_, s.x, s.y));
    const Geom multi = take(GEOSGeom_createCollection_r(h_, GEOS_MULTIPOINT, pts.data(), unsigned(pts.size())),
                            "multipoint");

    // Clip frame: the region and every site, with a wide margin, so that every
    // cell covers its whole share of the region.
    Extent e = extent(region);
    for (const XY &s : sites) {
        e.minX = std::min(e.minX, s.x);
        e.minY = std::min(e.minY, s.y);
        e.maxX = std::max(e.maxX, s.x);
        e.maxY = std::max(e.maxY, s.y);
    }
    const double margin = std::max(e.maxX - e.minX, e.maxY - e.minY) + 1.0;
    const Geom frame = take(
        GEOSGeom_createRectangle_r(h_, e.minX - margin, e.minY - margin, e.maxX + margin, e.maxY + margin),
        "rectangle");
    const Geom diagram = take(GEOSVoronoiDiagram_r(h_, multi.get(), frame.get(), 0.0, 0), "Voronoi diagram");

    // GEOS does not promise the cells in site order: give each cell to the site
    // it holds (the nearest one, which is robust for a site on a cell border).
    std::vector<Geom> cells(sites.size());
    for (int i = 0, n = GEOSGetNumGeometries_r(h_, diagram.get()); i < n; ++i) {
        Geom cell = take(GEOSGeom_clone_r(h_, GEOSGetGeometryN_r(h_, diagram.get(), i)), "clone");
        std::size_t best = 0;
        double bestD = INFINITY;
        for (std::size_t s = 0; s < sites.size(); ++s) {
            const double d = distance(cell, point(sites[s]));
            if (d < bestD) {
                bestD = d;
                best = s;
            }
        }
        if (cells[best])
            throw std::runtime_error("Voronoi partition: two cells claim the same site (duplicate sites?)");
        cells[best] = std::move(cell);
    }
    for (const Geom &c : cells)
        if (!c)
            throw std::runtime_error("Voronoi partition: a site has no cell (duplicate sites?)");
    return cells;
}

} // namespace quarnaro::geogen

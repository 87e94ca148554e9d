// Polygon operations on top of the GEOS C API: building (multi)polygons from
// rings, areas, clipping and the Voronoi partition of a region among sites.
#pragma once

#include "projection.h"
#include "svgpath.h"

#include <geos_c.h>

#include <memory>
#include <vector>

namespace quarnaro::geogen {

class Geos;

// An owned GEOS geometry; it is destroyed through the context that made it.
class Geom {
public:
    Geom() = default;
    Geom(GEOSContextHandle_t h, GEOSGeometry *g) : h_(h), g_(g) { }
    Geom(const Geom &) = delete;
    Geom &operator=(const Geom &) = delete;
    Geom(Geom &&o) noexcept : h_(o.h_), g_(o.g_) { o.g_ = nullptr; }
    Geom &operator=(Geom &&o) noexcept;
    ~Geom();

    const GEOSGeometry *get() const { return g_; }
    explicit operator bool() const { return g_ != nullptr; }

private:
    GEOSContextHandle_t h_ = nullptr;
    GEOSGeometry *g_ = nullptr;
};

// One polygon as plain rings: rings[0] the shell, then the holes; every ring
// closed (last vertex equal to the first).
struct PolygonRings {
    std::vector<std::vector<XY>> rings;
};

struct Extent {
    double minX = 0, minY = 0, maxX = 0, maxY = 0;
};

// A GEOS context for one thread. Every operation throws std::runtime_error with
// the GEOS message when GEOS reports an error.
class Geos {
public:
    Geos();
    ~Geos();
    Geos(const Geos &) = delete;
    Geos &operator=(const Geos &) = delete;

    GEOSContextHandle_t handle() const { return h_; }

    // A MultiPolygon from loose rings: every ring inside a larger ring of the list
    // becomes a hole of the innermost such ring, the others are shells (islands).
    // Invalid results (self-touching outlines) are repaired with MakeValid.
    Geom polygonsFromRings(const std::vector<Ring> &rings) const;
    Geom point(XY p) const;
    Geom clone(const Geom &g) const;
    Geom intersection(const Geom &a, const Geom &b) const;
    Geom unite(const std::vector<const Geom *> &parts) const;
    // The polygonal part of a geometry as a MultiPolygon (points and lines dropped).
    Geom polygonal(const Geom &g) const;

    double area(const Geom &g) const;
    bool contains(const Geom &a, const Geom &b) const;
    double distance(const Geom &a, const Geom &b) const;
    Extent extent(const Geom &g) const;
    bool isEmpty(const Geom &g) const;
    bool isValid(const Geom &g) const;

    // The polygons of a (multi)polygon, largest area first, ties broken by
    // position so the order does not depend on how GEOS built the collection.
    std::vector<Geom> polygonsBySize(const Geom &g) const;
    // Plain rings of every polygon of g, in GEOS order.
    std::vector<PolygonRings> rings(const Geom &g) const;
    XY pointOnSurface(const Geom &g) const;

    // Partition of `region` among `sites` (Voronoi cells clipped to the region).
    // The largest polygon of the region is split among the cells; each smaller
    // polygon (an island) goes whole to one site: to `islandOwner(piece)` when it
    // returns a valid index, otherwise to the site whose cell holds the piece's
    // interior point. Result: one geometry per site, in site order, possibly empty.
    template <class IslandOwner>
    std::vector<Geom> partition(const Geom &region, const std::vector<XY> &sites, IslandOwner islandOwner) const;

private:
    std::vector<Geom> voronoiCells(const Geom &region, const std::vector<XY> &sites) const;
    Geom take(GEOSGeometry *g, const char *what) const;
    GEOSContextHandle_t h_;
};

template <class IslandOwner>
std::vector<Geom> Geos::partition(const Geom &region, const std::vector<XY> &sites, IslandOwner islandOwner) const
{
    std::vector<Geom> result;
    if (sites.size() == 1) {
        result.push_back(clone(region));
        return result;
    }
    const std::vector<Geom> cells = voronoiCells(region, sites);
    std::vector<Geom> pieces = polygonsBySize(region);
    std::vector<std::vector<Geom>> parts(sites.size());
    for (std::size_t i = 0; i < sites.size(); ++i)
        parts[i].push_back(intersection(cells[i], pieces.front()));
    for (std::size_t p = 1; p < pieces.size(); ++p) {
        int owner = islandOwner(pieces[p]);
        if (owner < 0 || std::size_t(owner) >= sites.size()) {
            const Geom inner = point(pointOnSurface(pieces[p]));
            owner = 0;
            for (std::size_t i = 0; i < sites.size(); ++i)
                if (contains(cells[i], inner)) {
                    owner = int(i);
                    break;
                }
        }
        parts[std::size_t(owner)].push_back(clone(pieces[p]));
    }
    for (auto &list : parts) {
        std::vector<const Geom *> ptrs;
        for (const Geom &g : list)
            ptrs.push_back(&g);
        result.push_back(polygonal(unite(ptrs)));
    }
    return result;
}

} // namespace quarnaro::geogen

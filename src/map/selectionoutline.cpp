// The selection on the map, from codes to features and back. Features and territories meet only
// through joinKey on the join layer's field, the same key the drawing joins by, so a territory is
// outlined exactly where its class is filled; a feature whose key has no row is never selected and
// names no territory. The outline is drawn from the layer's simplified parts at the view's level,
// only for the features in sight. The band search makes its GEOS context only once a feature's
// bounds meet the band. Nothing here changes the selection itself: the callers set it.

#include "map/selectionoutline.h"

#include "map/shapeconfig.h"
#include "map/simplify.h"
#include "map/thematicmap.h"

#include <QPainter>
#include <QLineF>
#include <QPen>
#include <QPolygonF>

#include <algorithm>
#include <cmath>
#include <span>
#include <geos_c.h>
#include <vector>

namespace qrn::map {

namespace {

// The join keys of the selected rows' map codes.
QSet<QString> selectedKeys(const MapRequest &req, const QSet<QString> &codTerrs)
{
    QSet<QString> keys;
    const MapKind kind = req.mapCase.kind;
    for (const MapRow &row : req.rows)
        if (codTerrs.contains(row.codTerr.trimmed()))
            keys.insert(joinKey(row.code(kind), kind));
    return keys;
}

// Whether two rectangles meet, edges included (QRectF::intersects ignores rectangles without
// area, as a point's bounds are).
bool meets(const QRectF &a, const QRectF &b)
{
    return a.left() <= b.right() && b.left() <= a.right() && a.top() <= b.bottom() && b.top() <= a.bottom();
}

// A GEOS context for one search; its geometries are destroyed with it.
struct GeosSearch {
    GEOSContextHandle_t ctx = GEOS_init_r();
    GEOSGeometry *band = nullptr;
    const GEOSPreparedGeometry *prepared = nullptr;
    explicit GeosSearch(const QRectF &r)
    {
        band = GEOSGeom_createRectangle_r(ctx, r.left(), r.top(), r.right(), r.bottom());
        prepared = band ? GEOSPrepare_r(ctx, band) : nullptr;
    }
    ~GeosSearch()
    {
        if (prepared)
            GEOSPreparedGeom_destroy_r(ctx, prepared);
        if (band)
            GEOSGeom_destroy_r(ctx, band);
        GEOS_finish_r(ctx);
    }
    GeosSearch(const GeosSearch &) = delete;
    GeosSearch &operator=(const GeosSearch &) = delete;

    // Whether the band meets the line through the points (closed back to the first when close).
    bool meetsLine(const QPointF *pts, int n, bool close) const
    {
        std::vector<double> xy;
        xy.reserve(size_t(n + 1) * 2);
        for (int i = 0; i < n; ++i)
            xy.push_back(pts[i].x()), xy.push_back(pts[i].y());
        if (close && pts[0] != pts[n - 1])
            xy.push_back(pts[0].x()), xy.push_back(pts[0].y());
        GEOSCoordSequence *seq = GEOSCoordSeq_copyFromBuffer_r(ctx, xy.data(), unsigned(xy.size() / 2), 0, 0);
        GEOSGeometry *line = seq ? GEOSGeom_createLineString_r(ctx, seq) : nullptr;
        const bool hit = line && GEOSPreparedIntersects_r(ctx, prepared, line) == 1;
        if (line)
            GEOSGeom_destroy_r(ctx, line);
        return hit;
    }
};

bool polygonTouches(const ShapeLayer &layer, int f, const QRectF &rect, const GeosSearch &geos)
{
    // A ring crossing the band, or lying in it, means the band meets the area next to that ring.
    // With no ring meeting it the band lies wholly inside or outside every ring, so one of its
    // points tells: inside an odd number of rings is inside the area.
    int inside = 0;
    for (int p = layer.partBegin(f); p < layer.partEnd(f); ++p) {
        const int n = layer.partSize(p);
        if (n < 3)
            continue;
        const QPointF *pts = layer.partPoints(p);
        if (geos.meetsLine(pts, n, true))
            return true;
        if (QPolygonF(QList<QPointF>(pts, pts + n)).containsPoint(rect.center(), Qt::OddEvenFill))
            ++inside;
    }
    return inside % 2 == 1;
}

bool lineTouches(const ShapeLayer &layer, int f, const QRectF &rect, const GeosSearch &geos)
{
    for (int p = layer.partBegin(f); p < layer.partEnd(f); ++p) {
        const int n = layer.partSize(p);
        const QPointF *pts = layer.partPoints(p);
        if (n == 1 ? meets(QRectF(pts[0], QSizeF()), rect) : n >= 2 && geos.meetsLine(pts, n, false))
            return true;
    }
    return false;
}

// The outlines of the features in the view's pixels: every ring (or line part) as the fills
// draw it, thinned for the zoom level with vertices closer than half a pixel to the last one
// kept dropped, as segments; points as small circles. Features outside the view are left out.
struct Outline {
    QList<QLineF> segments;
    QPainterPath points;
};
Outline outlineOf(const MapView &view, const ShapeLayer &layer, const QList<int> &features)
{
    Outline out;
    const QRectF v = view.visibleExtent();
    const double upp = view.mapUnitsPerPixel();
    if (!(upp > 0))
        return out;
    const double inv = 1.0 / upp;
    const QRectF shown = v.adjusted(0, 0, 1e-9, 1e-9);
    const int level = SimplifiedParts::levelFor(upp);
    for (int f : features) {
        if (f < 0 || f >= layer.featureCount() || !meets(layer.featureBounds(f), shown))
            continue;
        if (layer.kind() == ShapeKind::Point) {
            out.points.addPath(view.featurePath(layer, f));
            continue;
        }
        for (int p = layer.partBegin(f); p < layer.partEnd(f); ++p) {
            const std::span<const QPointF> pts = layer.simplified().part(layer, p, level);
            QPointF last;
            for (size_t i = 0; i < pts.size(); ++i) {
                const QPointF q((pts[i].x() - v.left()) * inv, (v.bottom() - pts[i].y()) * inv);
                if (i > 0 && i + 1 < pts.size() && std::abs(q.x() - last.x()) + std::abs(q.y() - last.y()) < 0.5)
                    continue;
                if (i > 0)
                    out.segments.append(QLineF(last, q));
                last = q;
            }
            if (layer.kind() == ShapeKind::Polygon && pts.size() > 2 && pts.front() != pts.back())
                out.segments.append(QLineF(last, QPointF((pts[0].x() - v.left()) * inv, (v.bottom() - pts[0].y()) * inv)));
        }
    }
    return out;
}

} // namespace

QList<int> featuresTouching(const ShapeLayer &layer, const QRectF &rect)
{
    QList<int> out;
    if (!layer.valid() || rect.isNull())
        return out;
    const QRectF band = rect.normalized();
    std::optional<GeosSearch> geos;
    for (int f = 0; f < layer.featureCount(); ++f) {
        if (layer.partBegin(f) == layer.partEnd(f) || !meets(layer.featureBounds(f), band))
            continue;
        bool hit = false;
        switch (layer.kind()) {
        case ShapeKind::Point:
            for (int p = layer.partBegin(f); p < layer.partEnd(f) && !hit; ++p)
                for (int i = 0; i < layer.partSize(p) && !hit; ++i)
                    hit = meets(QRectF(layer.partPoints(p)[i], QSizeF()), band);
            break;
        case ShapeKind::Line:
            if (!geos)
                geos.emplace(band);
            hit = lineTouches(layer, f, band, *geos);
            break;
        case ShapeKind::Polygon:
            if (!geos)
                geos.emplace(band);
            hit = polygonTouches(layer, f, band, *geos);
            break;
        }
        if (hit)
            out << f;
    }
    return out;
}

QStringList territoriesOfFeatures(const ShapeCase &sc, const MapRequest &req, const QList<int> &features)
{
    QStringList out;
    const ShapeLayer *layer = joinLayer(sc);
    if (!layer || features.isEmpty())
        return out;
    const int field = layer->fieldIndex(sc.layers[size_t(sc.matchIndex)].FieldId);
    if (field < 0)
        return out;
    const MapKind kind = req.mapCase.kind;
    QHash<QString, QString> codTerrOfKey;
    QSet<QString> seen;
    for (const MapRow &row : req.rows)
        codTerrOfKey.insert(joinKey(row.code(kind), kind), row.codTerr.trimmed());
    for (int f : features) {
        if (f < 0 || f >= layer->featureCount())
            continue;
        const QString codTerr = codTerrOfKey.value(joinKey(layer->value(f, field), kind));
        if (!codTerr.isEmpty() && !seen.contains(codTerr)) {
            seen.insert(codTerr);
            out << codTerr;
        }
    }
    return out;
}

QList<int> classesOfSelection(const MapRequest &req, const ThematicClasses &classes, const QSet<QString> &codTerrs)
{
    QList<int> out;
    for (const MapRow &row : req.rows)
        if (codTerrs.contains(row.codTerr.trimmed()))
            out << classes.classByCode.value(row.code(req.mapCase.kind));
    return out;
}

QList<int> selectedFeatures(const ShapeCase &sc, const MapRequest &req, const QSet<QString> &codTerrs)
{
    QList<int> out;
    const ShapeLayer *layer = joinLayer(sc);
    if (!layer || codTerrs.isEmpty())
        return out;
    const int field = layer->fieldIndex(sc.layers[size_t(sc.matchIndex)].FieldId);
    if (field < 0)
        return out;
    const QSet<QString> keys = selectedKeys(req, codTerrs);
    for (int f = 0; f < layer->featureCount(); ++f)
        if (keys.contains(joinKey(layer->value(f, field), req.mapCase.kind)))
            out << f;
    return out;
}

int selectedRowCount(const MapRequest &req, const QSet<QString> &codTerrs)
{
    return int(std::count_if(req.rows.begin(), req.rows.end(),
                             [&](const MapRow &r) { return codTerrs.contains(r.codTerr.trimmed()); }));
}

std::optional<QRectF> featuresExtent(const ShapeLayer &layer, const QList<int> &features)
{
    std::optional<QRectF> out;
    for (int f : features) {
        if (f < 0 || f >= layer.featureCount() || layer.partBegin(f) == layer.partEnd(f))
            continue;
        const QRectF b = layer.featureBounds(f);
        // A point's bounds have no size: united by hand, as QRectF::united drops empty rectangles.
        out = !out ? b
                   : QRectF(QPointF(std::min(out->left(), b.left()), std::min(out->top(), b.top())),
                            QPointF(std::max(out->right(), b.right()), std::max(out->bottom(), b.bottom())));
    }
    return out;
}

QRectF selectionZoomExtent(const ShapeLayer &layer, const QList<int> &features)
{
    const std::optional<QRectF> found = featuresExtent(layer, features);
    if (!found)
        return QRectF();
    const QRectF r = *found;
    const double side = std::max(r.width(), r.height());
    const double margin = std::max(side * 0.1, 1e-3);
    return r.adjusted(-margin, -margin, margin, margin);
}

void drawSelectionOutline(QPainter &painter, const QRectF &target, const MapView &view, const ShapeLayer &layer,
                          const QList<int> &features)
{
    if (features.isEmpty() || view.viewport().isEmpty())
        return;
    painter.save();
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    const double sx = target.width() / view.viewport().width(), sy = target.height() / view.viewport().height();
    painter.scale(sx, sy);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // The widths stay in the target's pixels whatever the scale.
    const double unit = 1.0 / std::max(1e-9, std::min(sx, sy));
    // Drawn as separate segments with square caps: each cap covers the corner a join would, and
    // the painter rasterizes such segments directly instead of stroking one long path, several
    // times faster on detailed boundaries.
    const Outline outline = outlineOf(view, layer, features);
    for (const auto &[colour, width] : {std::pair(kSelectionShadow, 5.0), std::pair(kSelectionColour, 3.0)}) {
        painter.setPen(QPen(colour, width * unit, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
        painter.drawLines(outline.segments);
        painter.drawPath(outline.points);
    }
    painter.restore();
}

TerritoryLookup lookUpTerritories(const MapRequest &req, const QStringList &entries)
{
    TerritoryLookup out;
    const MapKind kind = req.mapCase.kind;
    for (const QString &e : entries) {
        const QString entry = e.trimmed();
        if (entry.isEmpty())
            continue;
        const QString key = joinKey(entry, kind);
        bool found = false;
        for (const MapRow &row : req.rows) {
            if (row.name.trimmed().compare(entry, Qt::CaseInsensitive) == 0
                || row.codTerr.trimmed().compare(entry, Qt::CaseInsensitive) == 0
                || joinKey(row.code(kind), kind) == key) {
                found = true;
                if (!out.codTerrs.contains(row.codTerr.trimmed()))
                    out.codTerrs << row.codTerr.trimmed();
            }
        }
        if (!found)
            out.unknown << entry;
    }
    return out;
}

} // namespace qrn::map

// The map's extent arithmetic and its one drawing. draw() paints layers bottom to top, each
// feature filled then outlined before the next, so shared edges look the same at every zoom;
// features outside the painter's clip or smaller than a pixel are skipped, and a thinned drawing
// reads the parts of the zoom level's tolerance (SimplifiedParts), never the layer's own points.
// The view holds no picture of its own: reusing a drawn picture while panning is the widget's.
#include "map/mapview.h"

#include "map/legend.h"
#include "map/paintfile.h"
#include "map/scalebar.h"
#include "map/spanfill.h"

#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace qrn::map {

ShapeLayer *MapView::layer(int index) const
{
    if (index < 0 || index >= layerCount())
        return nullptr;
    return m_layers[size_t(index)].get();
}

ShapeLayer *MapView::layer(const QString &name) const
{
    for (const auto &l : m_layers)
        if (l->name().compare(name, Qt::CaseInsensitive) == 0)
            return l.get();
    return nullptr;
}

bool MapView::addLayer(std::shared_ptr<ShapeLayer> layer)
{
    if (!layer || !layer->valid())
        return false;
    m_layers.insert(m_layers.begin(), std::move(layer));
    return true;
}

void MapView::removeLayer(int index)
{
    if (index >= 0 && index < layerCount())
        m_layers.erase(m_layers.begin() + index);
}

void MapView::clearLayers()
{
    m_layers.clear();
    m_extent = QRectF();
}

QRectF MapView::fullExtent() const
{
    QRectF full;
    bool first = true;
    for (const auto &l : m_layers) {
        if (l->featureCount() == 0)
            continue;
        const QRectF e = l->extent();
        if (first) {
            full = e;
            first = false;
        } else {
            full.setLeft(std::min(full.left(), e.left()));
            full.setTop(std::min(full.top(), e.top()));
            full.setRight(std::max(full.right(), e.right()));
            full.setBottom(std::max(full.bottom(), e.bottom()));
        }
    }
    return full;
}

QRectF MapView::homeExtent() const
{
    const QRectF full = fullExtent();
    const double margin = std::max(full.width(), full.height()) * kFrameMargin;
    return full.adjusted(-margin, -margin, margin, margin);
}

QRectF MapView::extent() const
{
    return m_extent.isValid() ? m_extent : homeExtent();
}

void MapView::setExtent(const QRectF &r)
{
    m_extent = r.normalized();
    if (changed)
        changed();
}

void MapView::panByPixels(QPointF delta)
{
    const double u = mapUnitsPerPixel();
    setExtent(extent().translated(-delta.x() * u, delta.y() * u));
}

void MapView::zoomAbout(QPointF pixel, double factor)
{
    if (factor <= 0)
        return;
    // The shown extent has the viewport's shape, so it can become the extent as it is.
    const QRectF v = visibleExtent();
    const QPointF at = toMapPoint(pixel);
    setExtent(QRectF(at.x() - (at.x() - v.left()) * factor, at.y() - (at.y() - v.top()) * factor,
                     v.width() * factor, v.height() * factor));
}

QRectF scaleRect(const QRectF &r, double factor)
{
    const QPointF c = r.center();
    const double w = r.width() * factor, h = r.height() * factor;
    return QRectF(c.x() - w / 2, c.y() - h / 2, w, h);
}

double layoutPictureHimetric(double inches)
{
    return inches * 27092.0 / 1024.0;
}

QRectF MapView::visibleExtent() const
{
    QRectF e = extent();
    if (m_viewport.isEmpty())
        return e;
    if (e.width() <= 0 && e.height() <= 0) // one point, or nothing: a unit square around it
        return QRectF(e.center() - QPointF(0.5, 0.5), QSizeF(1, 1));
    const double aspect = double(m_viewport.width()) / m_viewport.height();
    if (e.width() < e.height() * aspect)
        return e.adjusted(-(e.height() * aspect - e.width()) / 2, 0, (e.height() * aspect - e.width()) / 2, 0);
    return e.adjusted(0, -(e.width() / aspect - e.height()) / 2, 0, (e.width() / aspect - e.height()) / 2);
}

double MapView::mapUnitsPerPixel() const
{
    if (m_viewport.width() <= 0)
        return 1.0;
    return visibleExtent().width() / m_viewport.width();
}

QPointF MapView::toMapPoint(QPointF pixel) const
{
    const QRectF v = visibleExtent();
    const double u = mapUnitsPerPixel();
    return {v.left() + pixel.x() * u, v.bottom() - pixel.y() * u};
}

QPointF MapView::toPixel(QPointF p) const
{
    const QRectF v = visibleExtent();
    const double u = mapUnitsPerPixel();
    return {(p.x() - v.left()) / u, (v.bottom() - p.y()) / u};
}

double MapView::metresPerUnit() const
{
    const bool degrees = !m_layers.empty()
        && std::all_of(m_layers.begin(), m_layers.end(), [](const auto &l) { return l->geographic(); });
    return degrees ? 6371008.8 * std::numbers::pi / 180.0 : 1.0;
}

double MapView::scaleDenominator(double dpi) const
{
    return map::scaleDenominator(extent(), QSizeF(m_viewport), dpi) * metresPerUnit();
}

namespace {

// Map-to-pixel conversion of the drawing loop, with the vertices closer than half a pixel to
// the last one kept dropped: they cannot change the picture and they dominate dense layers.
struct Projector {
    double left, bottom, inv;

    QPointF operator()(const QPointF &p) const { return {(p.x() - left) * inv, (bottom - p.y()) * inv}; }

    void ring(const QPointF *pts, int n, QPolygonF &out) const
    {
        out.clear();
        if (n <= 0)
            return;
        QPointF last = (*this)(pts[0]);
        out.append(last);
        for (int i = 1; i < n - 1; ++i) {
            const QPointF q = (*this)(pts[i]);
            if (std::abs(q.x() - last.x()) + std::abs(q.y() - last.y()) < 0.5)
                continue;
            out.append(q);
            last = q;
        }
        if (n > 1)
            out.append((*this)(pts[n - 1]));
    }
};

QPen penOf(const Symbol &s, ShapeKind kind)
{
    if (kind == ShapeKind::Line)
        return QPen(colorFromWin(s.color), 0);
    if (!s.outline)
        return Qt::NoPen;
    return QPen(colorFromWin(s.outlineColor), 0);
}

QBrush brushOf(const Symbol &s, ShapeKind kind)
{
    if (kind == ShapeKind::Line || s.style == FillStyle::Transparent)
        return Qt::NoBrush;
    return QBrush(colorFromWin(s.color));
}

} // namespace

void MapView::draw(QPainter &painter, const QRectF &target) const
{
    painter.save();
    const bool clipped = painter.hasClipping();
    painter.fillRect(target, colorFromWin(backColor));
    if (m_viewport.isEmpty() || m_layers.empty()) {
        painter.restore();
        return;
    }
    painter.setClipRect(target, clipped ? Qt::IntersectClip : Qt::ReplaceClip);
    painter.translate(target.topLeft());
    painter.scale(target.width() / m_viewport.width(), target.height() / m_viewport.height());

    const QRectF v = visibleExtent();
    const double upp = mapUnitsPerPixel();
    const Projector proj {v.left(), v.bottom(), 1.0 / upp};
    // What is drawn: the visible extent, or the part of it under the painter's clip, with a pixel
    // to spare for outlines and antialiasing.
    QRectF shown = v;
    if (clipped) {
        const QRectF c = painter.clipBoundingRect().adjusted(-1, -1, 1, 1);
        shown = QRectF(toMapPoint(c.bottomLeft()), toMapPoint(c.topRight())).normalized() & v;
    }
    shown.adjust(0, 0, 1e-9, 1e-9);
    const int level = SimplifiedParts::levelFor(upp);
    // Solid outlined polygons of a thinned drawing have their fill written straight into the
    // pixels where the painter allows it (SpanFiller), and only their outline drawn by the painter.
    SpanFiller direct(painter);
    std::vector<QPolygonF> rings;
    for (auto it = m_layers.rbegin(); it != m_layers.rend(); ++it) {
        const ShapeLayer &l = **it;
        const std::vector<const Symbol *> symbols = l.renderer ? l.renderer->resolve(l) : std::vector<const Symbol *>();
        const bool thin = simplify && l.kind() != ShapeKind::Point;
        // The parts of a feature as drawn, into rings: thinned for this zoom level, or whole.
        auto projectParts = [&](int f) {
            const int n = l.partEnd(f) - l.partBegin(f);
            if (rings.size() < size_t(n))
                rings.resize(size_t(n));
            for (int i = 0; i < n; ++i) {
                const int p = l.partBegin(f) + i;
                if (thin) {
                    const std::span<const QPointF> pts = l.simplified().part(l, p, level);
                    proj.ring(pts.data(), int(pts.size()), rings[size_t(i)]);
                } else {
                    proj.ring(l.partPoints(p), l.partSize(p), rings[size_t(i)]);
                }
            }
            return std::span<const QPolygonF>(rings.data(), size_t(n));
        };
        const Symbol *current = nullptr;
        bool fillDirect = false;
        for (int f = 0; f < l.featureCount(); ++f) {
            const QRectF &b = l.featureBounds(f);
            if (l.partBegin(f) == l.partEnd(f) || !b.intersects(shown))
                continue;
            if (thin && b.width() < upp && b.height() < upp) // within one pixel
                continue;
            const Symbol *s = symbols.empty() || !symbols[size_t(f)] ? &l.symbol : symbols[size_t(f)];
            if (s != current) {
                fillDirect = thin && direct.valid() && l.kind() == ShapeKind::Polygon && s->style == FillStyle::Solid
                    && s->outline;
                painter.setPen(penOf(*s, l.kind()));
                painter.setBrush(fillDirect ? QBrush(Qt::NoBrush) : brushOf(*s, l.kind()));
                current = s;
            }
            if (s->style == FillStyle::NoData && l.kind() != ShapeKind::Line) {
                // Hatched over white, then the boundary in the symbol's pen.
                const QPainterPath path = featurePath(l, f);
                fillNoData(painter, path, kNoDataSpacing, 1.0);
                painter.setBrush(Qt::NoBrush);
                painter.drawPath(path);
                current = nullptr;
            } else if (l.kind() == ShapeKind::Point) {
                for (int p = l.partBegin(f); p < l.partEnd(f); ++p)
                    painter.drawEllipse(proj(l.partPoints(p)[0]), 3.0, 3.0);
            } else if (l.kind() == ShapeKind::Line) {
                for (const QPolygonF &ring : projectParts(f))
                    painter.drawPolyline(ring);
            } else if (fillDirect) {
                const std::span<const QPolygonF> parts = projectParts(f);
                direct.fill(parts, colorFromWin(s->color).rgb());
                for (const QPolygonF &ring : parts)
                    painter.drawPolygon(ring);
            } else if (l.partEnd(f) - l.partBegin(f) == 1) {
                painter.drawPolygon(projectParts(f)[0], Qt::OddEvenFill);
            } else {
                QPainterPath path;
                path.setFillRule(Qt::OddEvenFill);
                for (const QPolygonF &ring : projectParts(f)) {
                    path.addPolygon(ring);
                    path.closeSubpath();
                }
                painter.drawPath(path);
            }
        }
    }
    painter.restore();
}

QPainterPath MapView::featurePath(const ShapeLayer &layer, int feature) const
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    if (feature < 0 || feature >= layer.featureCount())
        return path;
    const QRectF v = visibleExtent();
    const Projector proj {v.left(), v.bottom(), 1.0 / mapUnitsPerPixel()};
    QPolygonF ring;
    for (int p = layer.partBegin(feature); p < layer.partEnd(feature); ++p) {
        if (layer.kind() == ShapeKind::Point) {
            path.addEllipse(proj(layer.partPoints(p)[0]), 4.0, 4.0);
            continue;
        }
        proj.ring(layer.partPoints(p), layer.partSize(p), ring);
        path.addPolygon(ring);
        if (layer.kind() == ShapeKind::Polygon)
            path.closeSubpath();
    }
    return path;
}

WriteResult MapView::exportView(const QString &path, bool forLayout) const
{
    if (m_viewport.isEmpty())
        return WriteResult::failed(QStringLiteral("Dimensioni della mappa non valide"));
    const int dpi = forLayout ? int(std::lround(m_viewport.width() * 2540.0 / layoutPictureHimetric(10.0))) : 96;
    return paintToFile(
        path, m_viewport, [this](QPainter &p, const QRectF &target) { draw(p, target); }, dpi);
}

} // namespace qrn::map

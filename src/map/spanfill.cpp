#include "map/spanfill.h"

#include <QImage>
#include <QPaintEngine>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qrn::map {

namespace {

// The first pixel whose centre lies at or past c, kept within [lo, hi]: zoomed in, a coordinate
// may lie far beyond any pixel index.
int toPixel(double c, int lo, int hi)
{
    return int(std::ceil(std::clamp(c - 0.5, double(lo), double(hi))));
}

} // namespace

SpanFiller::SpanFiller(QPainter &painter)
{
    QPaintDevice *device = painter.device();
    if (!device || device->devType() != QInternal::Image || !painter.paintEngine()
        || painter.paintEngine()->type() != QPaintEngine::Raster || painter.opacity() != 1.0
        || painter.compositionMode() != QPainter::CompositionMode_SourceOver)
        return;
    auto *image = static_cast<QImage *>(device);
    const QImage::Format f = image->format();
    if (f != QImage::Format_RGB32 && f != QImage::Format_ARGB32 && f != QImage::Format_ARGB32_Premultiplied)
        return;
    const QTransform t = painter.deviceTransform();
    if (t.type() > QTransform::TxScale)
        return;
    m_sx = t.m11(), m_sy = t.m22(), m_dx = t.dx(), m_dy = t.dy();
    QRect clip = image->rect();
    if (painter.hasClipping()) {
        if (painter.clipRegion().rectCount() != 1)
            return;
        // The pixels whose centres lie in the clip rectangle, as the raster engine clips.
        const QRectF c = t.mapRect(painter.clipBoundingRect());
        const int left = int(std::ceil(c.left() - 0.5)), top = int(std::ceil(c.top() - 0.5));
        const int right = int(std::ceil(c.right() - 0.5)), bottom = int(std::ceil(c.bottom() - 0.5));
        clip &= QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
    }
    if (clip.isEmpty())
        return;
    m_clip = clip;
    m_stride = image->bytesPerLine();
    // The buffer the painter writes to: bits() would detach a shared image from it.
    m_bits = const_cast<uchar *>(image->constBits());
}

void SpanFiller::addEdge(QPointF a, QPointF b)
{
    if (a.y() == b.y() || !std::isfinite(a.x() + a.y() + b.x() + b.y()))
        return;
    if (a.y() > b.y())
        std::swap(a, b);
    // Rows whose centre y + 0.5 lies in [a.y, b.y), within the clip.
    const int y0 = toPixel(a.y(), m_clip.top(), m_clip.bottom() + 1);
    const int y1 = toPixel(b.y(), m_clip.top(), m_clip.bottom() + 1);
    if (y0 >= y1)
        return;
    const double dxdy = (b.x() - a.x()) / (b.y() - a.y());
    m_edges.push_back({a.x() + (y0 + 0.5 - a.y()) * dxdy, dxdy, y0, y1});
}

void SpanFiller::fill(std::span<const QPolygonF> rings, QRgb color)
{
    if (!valid())
        return;
    m_edges.clear();
    for (const QPolygonF &ring : rings) {
        const qsizetype n = ring.size();
        if (n < 3)
            continue;
        QPointF prev(ring[n - 1].x() * m_sx + m_dx, ring[n - 1].y() * m_sy + m_dy);
        for (qsizetype i = 0; i < n; ++i) {
            const QPointF p(ring[i].x() * m_sx + m_dx, ring[i].y() * m_sy + m_dy);
            addEdge(prev, p);
            prev = p;
        }
    }
    if (m_edges.empty())
        return;
    std::sort(m_edges.begin(), m_edges.end(), [](const Edge &a, const Edge &b) { return a.y0 < b.y0; });
    const quint32 value = 0xFF000000u | color;
    m_active.clear();
    size_t next = 0;
    int y = m_edges.front().y0;
    while (next < m_edges.size() || !m_active.empty()) {
        if (m_active.empty())
            y = m_edges[next].y0;
        while (next < m_edges.size() && m_edges[next].y0 == y)
            m_active.push_back(m_edges[next++]);
        m_xs.clear();
        for (const Edge &e : m_active)
            m_xs.push_back(e.x);
        std::sort(m_xs.begin(), m_xs.end());
        auto *row = reinterpret_cast<quint32 *>(m_bits + y * m_stride);
        for (size_t i = 0; i + 1 < m_xs.size(); i += 2) {
            // Pixels whose centre x + 0.5 lies in [from, to).
            const int x0 = toPixel(m_xs[i], m_clip.left(), m_clip.right() + 1);
            const int x1 = toPixel(m_xs[i + 1], m_clip.left(), m_clip.right() + 1);
            if (x0 < x1)
                std::fill(row + x0, row + x1, value);
        }
        ++y;
        std::erase_if(m_active, [y](const Edge &e) { return e.y1 <= y; });
        for (Edge &e : m_active)
            e.x += e.dxdy;
    }
}

} // namespace qrn::map

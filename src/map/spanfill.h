#pragma once
// Filling polygons without antialiasing straight into the pixels of a 32-bit image, under a
// QPainter that paints on it. The map draws thousands of small polygons, each filled and then
// outlined antialiased; through QPainter the antialiased fill costs more than the outline, and
// turning antialiasing off and on around every fill costs as much again in painter state changes.
// So the fill is written here, and QPainter draws the outline over it: the stepped edge of the
// fill lies under the antialiased outline.
// Rule: a pixel is filled when its centre lies inside the rings by the even-odd rule; a centre on
// a left edge is in, on a right edge out (and on a top edge in, on a bottom one out), so polygons
// sharing an edge fill each pixel once.

#include <QPolygonF>
#include <QRect>
#include <QRgb>

#include <span>
#include <vector>

class QPainter;

namespace qrn::map {

class SpanFiller {
public:
    // A filler for what painter paints, not valid() when its pixels cannot be written directly:
    // another engine than the raster one, an image not of 32 bits, a transform beyond scale and
    // translation, a clip other than one rectangle, opacity or another composition mode.
    explicit SpanFiller(QPainter &painter);
    bool valid() const { return m_bits != nullptr; }
    // The pixels that may be written, in device pixels.
    QRect clip() const { return m_clip; }
    // Fills the area of the rings (closed or not; points in the painter's logical coordinates)
    // with an opaque colour.
    void fill(std::span<const QPolygonF> rings, QRgb color);

private:
    struct Edge {
        double x, dxdy; // x at the centre of the current row, and its step per row
        int y0, y1; // rows [y0, y1) whose centres the edge crosses
    };
    uchar *m_bits = nullptr;
    qsizetype m_stride = 0;
    QRect m_clip;
    double m_sx = 1, m_sy = 1, m_dx = 0, m_dy = 0;
    std::vector<Edge> m_edges, m_active;
    std::vector<double> m_xs;
    void addEdge(QPointF a, QPointF b);
};

} // namespace qrn::map

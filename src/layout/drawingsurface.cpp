#include "layout/drawingsurface.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>
#include <QPicture>

namespace qrn {

PainterSurface::PainterSurface(QPainter &painter, double pixelsPerInch, QPointF pageOrigin, QSizeF pageInches)
    : m_painter(painter),
      m_ppi(pixelsPerInch),
      m_origin(pageOrigin),
      m_page(pageInches),
      m_fontName(painter.font().family())
{
}

void PainterSurface::setFontName(const QString &name)
{
    if (!name.isEmpty())
        m_fontName = name;
}

void PainterSurface::setFontSize(double points)
{
    // A size that cannot be drawn leaves the previous one.
    if (points > 0)
        m_points = points;
}

QFont PainterSurface::deviceFont() const
{
    QFont f(m_fontName);
    // Qt turns points into pixels at the device's resolution; scale so that a point is 1/72
    // of a page inch at this surface's pixels per inch.
    const int dpi = m_painter.device() ? m_painter.device()->logicalDpiY() : 72;
    f.setPointSizeF(m_points * m_ppi / (dpi > 0 ? dpi : 72));
    return f;
}

void PainterSurface::printText(const QString &text)
{
    if (text.isEmpty())
        return;
    const QFont f = deviceFont();
    const QFontMetricsF fm(f, m_painter.device());
    m_painter.setFont(f);
    m_painter.setPen(m_colour);
    const QPointF topLeft = toDevice(m_current);
    m_painter.drawText(QPointF(topLeft.x(), topLeft.y() + fm.ascent()), text);
}

void PainterSurface::drawRect(QPointF a, QPointF b, const QColor &colour, bool filled)
{
    const QRectF r = QRectF(toDevice(a), toDevice(b)).normalized();
    if (filled) {
        m_painter.fillRect(r, colour);
    } else {
        QPen pen(colour);
        pen.setWidthF(std::max(1.0, m_ppi / 96.0));
        pen.setJoinStyle(Qt::MiterJoin);
        m_painter.setPen(pen);
        m_painter.setBrush(Qt::NoBrush);
        m_painter.drawRect(r);
    }
}

void PainterSurface::hatchRect(QPointF a, QPointF b)
{
    // Grey lines rising to the right, four to the side, over the white the square is filled with.
    const QRectF r = QRectF(toDevice(a), toDevice(b)).normalized();
    const double spacing = std::max(2.0, r.height() / 4);
    m_painter.save();
    m_painter.setClipRect(r, Qt::IntersectClip);
    QPen pen(QColor(112, 112, 112), std::max(spacing / 4, 0.5));
    pen.setCapStyle(Qt::FlatCap);
    m_painter.setPen(pen);
    for (double c = r.left() + r.top() + spacing / 2; c < r.right() + r.bottom(); c += spacing)
        m_painter.drawLine(QPointF(c - r.bottom(), r.bottom()), QPointF(c - r.top(), r.top()));
    m_painter.restore();
}

void PainterSurface::drawPolygon(const QPolygonF &inches, const QColor &colour)
{
    QPolygonF device;
    for (const QPointF &p : inches)
        device << toDevice(p);
    QPen pen(Qt::black);
    pen.setWidthF(std::max(1.0, m_ppi / 96.0));
    pen.setJoinStyle(Qt::MiterJoin);
    m_painter.save();
    m_painter.setRenderHint(QPainter::Antialiasing);
    m_painter.setPen(pen);
    m_painter.setBrush(colour);
    m_painter.drawPolygon(device);
    m_painter.restore();
}

void PainterSurface::drawPicture(const QPicture &picture, const QRectF &dest, const QRectF &source)
{
    if (source.isEmpty() || dest.isEmpty())
        return;
    const QRectF target(toDevice(dest.topLeft()), dest.size() * m_ppi);
    m_painter.save();
    m_painter.setClipRect(target, Qt::IntersectClip);
    m_painter.translate(target.topLeft());
    m_painter.scale(target.width() / source.width(), target.height() / source.height());
    m_painter.translate(-source.topLeft());
    // A picture replays itself enlarged by the device's resolution over its own (a PDF at 1200
    // dots per inch would show a corner of the map twelve times too big); the target is
    // already in device pixels.
    if (const QPaintDevice *device = m_painter.device();
        device && device->logicalDpiX() > 0 && device->logicalDpiY() > 0)
        m_painter.scale(double(picture.logicalDpiX()) / device->logicalDpiX(),
                        double(picture.logicalDpiY()) / device->logicalDpiY());
    m_painter.drawPicture(QPointF(0, 0), picture);
    m_painter.restore();
}

double PainterSurface::textWidth(const QString &text)
{
    return QFontMetricsF(deviceFont(), m_painter.device()).horizontalAdvance(text) / m_ppi;
}

double PainterSurface::textHeight(const QString &)
{
    return QFontMetricsF(deviceFont(), m_painter.device()).height() / m_ppi;
}

void PainterSurface::clear()
{
    // The paper covers every device pixel the page touches. A page whose size is not a whole
    // number of pixels (A4 is 793.7 pixels wide at 96 per inch) filled antialiased would leave
    // the image's last column and row only partly white, a grey line down the page's edge.
    m_painter.fillRect(QRectF(m_origin, m_page * m_ppi).toAlignedRect(), Qt::white);
}

} // namespace qrn

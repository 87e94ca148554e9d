#pragma once
// DrawingSurface: where a page is drawn, in page inches (origin at the page's top-left corner,
// y downwards) with font sizes in points of the page. The preview, the printer and every page
// file draw through PainterSurface; tests record the calls.

#include <QColor>
#include <QFont>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QString>

class QPainter;
class QPicture;

namespace qrn {

class DrawingSurface {
public:
    virtual ~DrawingSurface() = default;
    virtual void setFontName(const QString &name) = 0;
    virtual void setFontSize(double points) = 0;
    virtual void setTextColor(const QColor &colour) = 0;
    // The top-left corner of the next printed text.
    virtual void setCurrentXY(double x, double y) = 0;
    virtual void printText(const QString &text) = 0;
    // A rectangle between two corners, in any order.
    virtual void drawRect(QPointF a, QPointF b, const QColor &colour, bool filled) = 0;
    // Hatches a rectangle as the map hatches territories without data (nothing where a surface
    // has no pen for it).
    virtual void hatchRect(QPointF, QPointF) {}
    // A closed polygon (inches) filled with colour and outlined in black.
    virtual void drawPolygon(const QPolygonF &inches, const QColor &colour) = 0;
    // source (picture coordinates) of the picture scaled into dest (inches).
    virtual void drawPicture(const QPicture &picture, const QRectF &dest, const QRectF &source) = 0;
    virtual double textWidth(const QString &text) = 0;
    virtual double textHeight(const QString &text) = 0;
    virtual void clear() = 0;
};

// Draws on a painter: page inches become device pixels at pixelsPerInch from the page's
// top-left corner at pageOrigin (device pixels). Font sizes are page points whatever the
// device's resolution, so the same page looks the same on every device.
class PainterSurface : public DrawingSurface {
public:
    PainterSurface(QPainter &painter, double pixelsPerInch, QPointF pageOrigin, QSizeF pageInches);

    void setFontName(const QString &name) override;
    void setFontSize(double points) override;
    void setTextColor(const QColor &colour) override { m_colour = colour; }
    void setCurrentXY(double x, double y) override { m_current = {x, y}; }
    void printText(const QString &text) override;
    void drawRect(QPointF a, QPointF b, const QColor &colour, bool filled) override;
    void hatchRect(QPointF a, QPointF b) override;
    void drawPolygon(const QPolygonF &inches, const QColor &colour) override;
    void drawPicture(const QPicture &picture, const QRectF &dest, const QRectF &source) override;
    double textWidth(const QString &text) override;
    double textHeight(const QString &text) override;
    void clear() override;

    QPointF toDevice(QPointF inches) const { return m_origin + inches * m_ppi; }

private:
    QFont deviceFont() const;

    QPainter &m_painter;
    double m_ppi;
    QPointF m_origin;
    QSizeF m_page;
    QString m_fontName;
    double m_points = 8;
    QColor m_colour = Qt::black;
    QPointF m_current;
};

} // namespace qrn

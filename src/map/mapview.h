#pragma once
// The map: an ordered collection of layers (index 0 on top), a background colour, the full and
// the current extent, and the conversions between window pixels and map units for a viewport of
// a given size. It draws onto any QPainter, so the widget, the command line, the export and the
// tests share one drawing.

#include "map/shapelayer.h"
#include "shell/filewrite.h"

#include <QColor>
#include <QPainterPath>
#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>
#include <memory>
#include <vector>

class QPainter;

namespace qrn::map {

class MapView {
public:
    // Layers, top first.
    int layerCount() const { return int(m_layers.size()); }
    ShapeLayer *layer(int index) const;
    ShapeLayer *layer(const QString &name) const; // case-insensitive, nullptr when absent
    // Puts a valid layer on top; false (and nothing added) for a missing or invalid one.
    bool addLayer(std::shared_ptr<ShapeLayer> layer);
    void removeLayer(int index);
    void clearLayers();

    quint32 backColor = 0xFFFFFF;

    // The union of the layers' extents (a null rectangle without layers).
    QRectF fullExtent() const;
    // The full extent with a margin of kFrameMargin of its larger side all round, so that no
    // feature lies on the frame (where its outline, or a small island, would be cut): what the
    // map shows when it is loaded and when it is asked for its whole.
    QRectF homeExtent() const;
    static constexpr double kFrameMargin = 0.03;
    // The current extent; before any other is set it is the home extent.
    QRectF extent() const;
    // Sets the current extent and tells the listener.
    void setExtent(const QRectF &r);
    // The one listener: the widget showing the view repaints through it; others listen to the
    // widget's extentChanged.
    std::function<void()> changed;

    // Moves the map by delta pixels of the viewport: what lay under a pixel p now lies under
    // p + delta (a drag by delta).
    void panByPixels(QPointF delta);
    // Scales the shown extent by factor (below 1 zooms in) about a pixel of the viewport: the map
    // point under it stays under it.
    void zoomAbout(QPointF pixel, double factor);

    // The viewport in pixels the conversions refer to.
    QSize viewport() const { return m_viewport; }
    void setViewport(QSize s) { m_viewport = s; }
    // The extent actually shown: the current one widened on one axis to the viewport's shape,
    // centred, as the map keeps its units square.
    QRectF visibleExtent() const;
    double mapUnitsPerPixel() const;
    QPointF toMapPoint(QPointF pixel) const;
    QPointF toPixel(QPointF mapPoint) const;
    double toMapDistance(double pixels) const { return pixels * mapUnitsPerPixel(); }

    // Metres per map unit: a degree of latitude on the mean sphere (111.2 km) when every layer is
    // in degrees, so scales of such maps hold along the meridians; otherwise 1.
    double metresPerUnit() const;
    // The scale denominator N of 1:N of the current extent in the viewport on a screen of dpi
    // dots per inch.
    double scaleDenominator(double dpi) const;

    // Paints background and layers (bottom first) into target, the viewport mapped onto it. A
    // feature of the NoData style is hatched kNoDataSpacing viewport pixels apart.
    // Parts are drawn thinned to the pixel (SimplifiedParts), features outside the view or
    // within one pixel left out, unless simplify is off. A painter that already clips is clipped
    // further, and only the features under its clip are drawn: redrawing the strip a pan uncovers
    // costs what that strip shows. In a thinned drawing on a 32-bit image the fill of a solid,
    // outlined polygon is written straight into the pixels (SpanFiller), without antialiasing:
    // its edge lies under the antialiased outline; only the outline goes through the painter.
    static constexpr double kNoDataSpacing = 6.0;
    bool simplify = true;
    void draw(QPainter &painter, const QRectF &target) const;
    // The outline of one feature in viewport pixels, for flashing a found shape.
    QPainterPath featurePath(const ShapeLayer &layer, int feature) const;

    // Writes the current view to a file by its extension: .svg or .pdf (vector), .png, .jpg or
    // .bmp (the viewport's pixels). A picture for the print layout (forLayout) is an SVG whose
    // physical size the layout's formula reads as a map 10 inches wide; otherwise the SVG has
    // the viewport's size at 96 dots per inch. The file is written whole or not at all; a
    // failure carries the reason (Italian) and the system's words.
    WriteResult exportView(const QString &path, bool forLayout = false) const;

private:
    std::vector<std::shared_ptr<ShapeLayer>> m_layers;
    QRectF m_extent;
    QSize m_viewport {1600, 1200};
};

// The rectangle r scaled about its centre by factor (1.5 gives a larger rectangle).
QRectF scaleRect(const QRectF &r, double factor);

// The width in HIMETRIC units (1/100 mm) of an exported picture whose width the print layout
// reads as inches through its formula himetric * 1024 / 27092.
double layoutPictureHimetric(double inches);

} // namespace qrn::map

#pragma once
// The scale bar: a bar of a round number of kilometres, drawn with its label.

#include <QRectF>
#include <QString>

class QPainter;

namespace qrn::map {

struct ScaleBarSpec {
    double kilometres = 0; // the length the bar stands for
    double pixels = 0;     // its length on screen
    QString label;         // "50 km"
};

// The longest round length (1, 2 or 5 times a power of ten, in km) that fits in maxPixels at
// metresPerPixel; kilometres 0 when nothing fits.
ScaleBarSpec scaleBarFor(double metresPerPixel, double maxPixels);

// Draws the bar at the bottom-left of area, black and white segments with the label above.
void drawScaleBar(QPainter &painter, const QRectF &area, const ScaleBarSpec &spec);

} // namespace qrn::map

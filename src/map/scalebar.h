#pragma once
// The scale bar: a bar of a round number of kilometres, drawn with its label.

#include "layout/scalelength.h"
#include "shell/numberformat.h"

#include <QRectF>
#include <QString>

class QPainter;

namespace qrn::map {

using qrn::ScaleBarLength;
using qrn::scaleBarFor;

// The scale denominator N of 1:N of a map extent (in metres) shown in a rectangle of the given
// pixels on a screen of dpi dots per inch; the axis that sets the scale is the one the extent
// fills (the other one is widened to the rectangle's shape). 0 for an empty rectangle.
double scaleDenominator(const QRectF &extent, const QSizeF &pixels, double dpi);

// The scale text of the map window for 1:N: "1 cm = " and the kilometres per centimetre
// (N / 100000) with two decimals at most up to 10 km and as a whole number above, halves to the
// even neighbour, in the decimal mark of fmt ("1 cm = 2,5 km", "1 cm = 15 km").
QString scaleKmText(double denominator, const NumberFormat &fmt);

// Draws the bar at the bottom-left of area, black and white segments with the label above.
void drawScaleBar(QPainter &painter, const QRectF &area, const ScaleBarLength &bar);

} // namespace qrn::map

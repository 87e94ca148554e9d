#include "map/scalebar.h"

#include "map/classify.h"

#include <QFontMetricsF>
#include <QLocale>
#include <QPainter>

#include <algorithm>
#include <cmath>

namespace qrn::map {

double scaleDenominator(const QRectF &extent, const QSizeF &pixels, double dpi)
{
    if (pixels.width() <= 0 || pixels.height() <= 0)
        return 0;
    const double metresPerPixel = std::max(extent.width() / pixels.width(), extent.height() / pixels.height());
    return metresPerPixel * dpi / 0.0254;
}

QString scaleKmText(double denominator, const NumberFormat &fmt)
{
    const double km = denominator / 100000.0;
    return QStringLiteral("1 cm = ") + numberText(roundHalfEven(km, km <= 10 ? 2 : 0), fmt) + QStringLiteral(" km");
}

void drawScaleBar(QPainter &painter, const QRectF &area, const ScaleBarLength &bar)
{
    if (bar.kilometres <= 0)
        return;
    painter.save();
    const QFontMetricsF fm(painter.font());
    const double h = 6.0;
    const QPointF origin(area.left() + 8, area.bottom() - 8 - h);
    const double half = bar.pixels / 2;
    // A light backdrop keeps bar and label readable over any fill.
    const double labelWidth = fm.horizontalAdvance(bar.label);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(255, 255, 255, 190));
    painter.drawRect(
        QRectF(origin.x() - 4, origin.y() - fm.height() - 4, bar.pixels + labelWidth / 2 + 8, fm.height() + h + 8));
    painter.setPen(QPen(Qt::black, 1));
    painter.setBrush(Qt::black);
    painter.drawRect(QRectF(origin, QSizeF(half, h)));
    painter.setBrush(Qt::white);
    painter.drawRect(QRectF(origin + QPointF(half, 0), QSizeF(bar.pixels - half, h)));
    painter.drawText(QPointF(origin.x(), origin.y() - fm.descent() - 2), QStringLiteral("0"));
    painter.drawText(QPointF(origin.x() + bar.pixels - labelWidth / 2, origin.y() - fm.descent() - 2), bar.label);
    painter.restore();
}

} // namespace qrn::map

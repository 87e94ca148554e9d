#include "layout/scalelength.h"

#include <QLocale>

#include <cmath>

namespace qrn {

ScaleBarLength scaleBarFor(double metresPerPixel, double maxPixels)
{
    ScaleBarLength bar;
    if (!(metresPerPixel > 0) || !(maxPixels > 0) || !std::isfinite(metresPerPixel))
        return bar;
    const double maxKm = maxPixels * metresPerPixel / 1000.0;
    const double decade = std::pow(10.0, std::floor(std::log10(maxKm)));
    for (double step : {5.0, 2.0, 1.0}) {
        if (step * decade <= maxKm) {
            bar.kilometres = step * decade;
            break;
        }
    }
    bar.pixels = bar.kilometres * 1000.0 / metresPerPixel;
    bar.label = QLocale().toString(bar.kilometres, 'g', 6) + QStringLiteral(" km");
    return bar;
}

} // namespace qrn

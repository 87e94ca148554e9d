#pragma once
// The length of a scale bar: the longest round length (1, 2 or 5 times a power of ten
// kilometres) that fits in a given room, whatever unit the room is measured in (screen pixels
// on the map, inches on the page).

#include <QString>

namespace qrn {

struct ScaleBarLength {
    double kilometres = 0; // the length the bar stands for
    double pixels = 0; // its length in the room's unit
    QString label; // "50 km"
};

// The longest round length that fits in maxPixels at metresPerPixel; kilometres 0 when nothing
// fits.
ScaleBarLength scaleBarFor(double metresPerPixel, double maxPixels);

} // namespace qrn

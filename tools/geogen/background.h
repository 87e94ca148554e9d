// The background picture of the splash and main window (Images/infra2.jpg):
// a soft, pale rendering of the country drawn from the generated geography.
#pragma once

#include "geometry.h"

#include <QImage>
#include <QSize>

#include <filesystem>
#include <vector>

namespace quarnaro::geogen {

// One territory to draw: its polygons in map metres.
using Outline = std::vector<PolygonRings>;

// Draws the regions (filled, with faint borders) and the province borders over
// a pale sea, fitted into `size` with the country towards the right so that the
// left part stays calm behind the splash texts. No text is drawn, so the result
// does not depend on the fonts of the machine.
QImage renderBackground(const std::vector<Outline> &regions, const std::vector<Outline> &provinces, QSize size);

// Encodes a picture as baseline JPEG with the TurboJPEG API.
// Throws std::runtime_error when encoding or writing fails.
void writeJpeg(const QImage &image, const std::filesystem::path &file, int quality = 90);

} // namespace quarnaro::geogen

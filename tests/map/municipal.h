#pragma once
// A municipal-like layer for the drawing tests and benchmarks: the polygons of a source layer cut
// by a square grid into cells, every boundary densified with small random wiggles (a fixed seed,
// so every run writes the same file), as real municipal boundaries are.

#include "map/shapelayer.h"

#include <QString>
#include <utility>

namespace qrn::test {

// Cuts every ring of the source polygons with a grid of cell x cell map units and writes the
// pieces, densified every step units with wiggles of a tenth of a step. Answers the number of
// features and vertices written.
std::pair<int, long> writeMunicipal(const qrn::map::ShapeLayer &src, const QString &stem, double cell, double step);

} // namespace qrn::test

#pragma once
// What the map window hands to the print layout: the map as a picture, the variable text and
// the legend rows.

#include "layout/layoutpage.h"
#include "map/legend.h"
#include "map/mapview.h"

#include <QList>
#include <QString>

namespace qrn::map {

// The width in inches of the map on the page at zoom 1 (it suits an A4 page).
inline constexpr double kMapPageWidthInches = 10.0;

// The hand-off to the print layout: the view drawn at its current extent into a QPicture whose
// size in inches keeps the viewport's proportions, about 10 inches wide (mapSize), the ground
// size it shows in metres (for the page's scale bar), the
// variable text, the rows of the legend in order (swatch colour, label; the no-data row when shown),
// printAtOnce for "Salva e Stampa".
MapPageRequest mapPageRequest(const MapView &view, const QString &variableText, const Legend &legend,
                              bool printAtOnce);

} // namespace qrn::map

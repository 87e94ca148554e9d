#pragma once
// One drawing of a thematic map without the map: the classes of the request's values, tMappa
// written again with every territory's class, and the legend and colours the map is drawn with.

#include "map/maptable.h"

namespace qrn::map {

struct Drawing {
    ThematicClasses classes;
    bool stored = false; // tMappa was written
};

// Quartiles (Cmd_cmdAutocolor): four classes coloured from start to end; the warning on equal
// values across a boundary is shown through ctx.prompt and the map is drawn all the same.
Drawing quartileDrawing(AppContext &ctx, const MapRequest &req, const QColor &start, const QColor &end,
                        const QString &module);
// The same with the four class colours given (a palette).
Drawing quartileDrawing(AppContext &ctx, const MapRequest &req, const QList<QColor> &colours, const QString &module);
// The classes of a legend made by the equal-amplitude, manual or natural-breaks method
// (cmd_GoMap): the bounds are read back from the labels, each class keeps its swatch; a no-data
// row ends the classes.
Drawing legendDrawing(AppContext &ctx, const MapRequest &req, const QList<LegendRow> &legend, const QString &module);

} // namespace qrn::map

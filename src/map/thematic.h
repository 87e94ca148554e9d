#pragma once
// One drawing of a thematic map without the map: the classes of the request's values, tMappa
// written again with every territory's class, and the legend and colours the map is drawn with.

#include "map/classifymethod.h"
#include "map/maptable.h"

namespace qrn::map {

struct Drawing {
    ThematicClasses classes;
    Status stored = Done {}; // whether tMappa was written, else why not (for the caller to report)
    // The quartiles put equal values on both sides of a boundary: the caller shows
    // kQuartileWarning before anything else (the map is drawn all the same).
    bool equalValuesWarning = false;
};

// The drawing of a legend (cmd_GoMap, Command2, and every method at once): each value takes
// its class by the legend's limits as numbers (or, for quartiles, by rank), tMappa is written,
// the classes count their territories and the legend shows its no-data row.
Drawing legendDrawing(Services &services, const MapRequest &req, Legend legend);
// The one road from a method's classes to the drawn colours, for the map window and the command
// line alike: the legend of the outcome in the colours given (class i colour i), then drawn.
// The quartile warning on equal values across a boundary is left to the caller
// (equalValuesWarning).
Drawing methodDrawing(Services &services, const MapRequest &req, const MethodOutcome &outcome,
                      const QList<QColor> &colours);
// Quartiles (Cmd_cmdAutocolor): four classes coloured from start to end, or in the four colours
// given (a palette).
Drawing quartileDrawing(Services &services, const MapRequest &req, const QColor &start, const QColor &end);
Drawing quartileDrawing(Services &services, const MapRequest &req, const QList<QColor> &colours);

} // namespace qrn::map

#pragma once
// What a thematic map tells its user besides the picture: how the territories of a request meet
// the join layer of the loaded case, how many of them got a class and how many have no data,
// and the refusal of a map that would colour nothing (no join layer, no field named as the
// case's FieldId, no territory with a value on the layer). The counts are taken once, here, so
// the map window, the command line and its CSV tell the same numbers.

#include "map/maptable.h"
#include "map/shapeconfig.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qrn::map {

// How the rows of a request meet the features of the join layer.
struct JoinCoverage {
    int rows = 0; // territories of the request
    int onMap = 0; // of them, those whose code is a feature of the join layer
    bool complete() const { return onMap == rows; }
};

// The coverage of the request on the loaded case, or the failure when the map would colour no
// territory: the case has no valid join layer, the layer has no field FieldId, or no territory
// with a value has its code on the layer. Codes are compared as the colouring compares them.
struct JoinCheck {
    JoinCoverage coverage;
    std::optional<MapFailure> failure;
};
JoinCheck checkJoin(const ShapeCase &sc, const MapRequest &req, const NumberFormat &numbers);

// "103 di 107 territori sulla mappa"; empty when every territory is on the map.
QString coverageText(const JoinCoverage &coverage);

// The territories of a drawing: those in a class, those without a value (empty or not a
// number) and those whose value falls in no class (between two hand-made classes).
struct MapCounts {
    int rows = 0;
    int classes = 0;
    int classified = 0;
    int noData = 0;
    int unclassified = 0;
    // Territories of class k (1-based), and those drawn as "Dato non presente".
    QList<int> perClass;
    int withoutClass() const { return noData + unclassified; }
};
MapCounts mapCounts(const MapRequest &req, const ThematicClasses &classes, const NumberFormat &numbers);

// "107 territori in 4 classi", or "107 territori: 105 in 4 classi, 1 senza dato, 1 fuori dalle
// classi" when some have no class.
QString countsText(const MapCounts &counts);

} // namespace qrn::map

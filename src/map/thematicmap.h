#pragma once
// The thematic colouring of a loaded map case: the join layer of the case coloured territory by
// territory with the classes of a drawing, and taken back to its own symbol.

#include "map/mapdata.h"
#include "map/maptable.h"
#include "map/mapview.h"
#include "map/shapeconfig.h"

#include <QList>
#include <QRectF>
#include <QString>

class QPainter;

namespace qrn::map {

// The map layer of the join entry of a loaded case (the entry at sc.matchIndex), nullptr when
// it is missing or not a valid layer.
ShapeLayer *joinLayer(const ShapeCase &sc);

// The form of a territory code the join compares: a whole number by its value (so "1", "001",
// "1.0" and "1,00" are one code, as shape files of every kind write numeric codes with or
// without zeros in front), any other code by its text without blanks around it.
QString joinKey(const QString &code, MapKind kind);
// The code of the request's row that a feature's code joins, in the table's own form ("01" for
// a field holding 1); the feature's code itself when no row joins it.
QString tableCode(const MapRequest &req, const QString &featureCode);

// The tip of a territory under the pointer: "name: value" for a row of the request, with
// "Dato non presente" for a row without a value or a territory the request has no row of (named
// by its code then).
QString territoryTip(const MapRequest &req, const QString &featureCode);

// Colours the join layer by the classes of a drawing: a value-map renderer on the entry's
// FieldId; every territory code with a class gets its class colour (the entry's outline kept),
// every other feature in the no-data look (white, hatched). Codes are matched the way the shape files write them for the
// kind (e.g. a province number "1" against a field "001" or 1.0).
void applyClasses(const ShapeCase &sc, const ThematicClasses &classes, MapKind kind);
// Takes the thematic colouring off again (the layer's own symbol).
void clearClasses(const ShapeCase &sc);

// A thematic map picture: the map on the left, its legend in a column on the right taking about
// a quarter of the width.
QRectF thematicMapArea(const QRectF &picture);
QRectF thematicLegendArea(const QRectF &picture);
// Paints the picture: a white ground, the view (its viewport mapped onto the map area) and the
// legend rows under the title, in a font sized to the picture.
void drawThematicPicture(QPainter &painter, const QRectF &picture, const MapView &view, const QList<LegendRow> &legend,
                         const QString &title);

} // namespace qrn::map

#pragma once
// The selected territories on a map: which features of the join layer they are, the outline
// that marks them over their class fill (the same drawing on the screen, in the pictures of the
// command line and in the tests), the extent to zoom to, the features a dragged band touches and
// the territories they are, the classes the selection falls in, and the names or codes a user
// types read as territories of a map request.
// The selection holds COD_TERR codes; a feature is selected when the code of its join field
// joins the map code of a request row whose COD_TERR is selected.

#include "map/mapdata.h"
#include "map/maptable.h"
#include "map/mapview.h"

#include <QColor>
#include <QList>
#include <QRectF>
#include <QSet>
#include <QString>
#include <QStringList>
#include <optional>

class QPainter;

namespace qrn::map {

struct ShapeCase;

// The outline's colours: a dark wide line under a strong narrow one, so it shows on every
// class colour.
inline const QColor kSelectionColour(255, 0, 200);
inline const QColor kSelectionShadow(0, 0, 0);

// The features of the join layer of a case whose territory is selected, in feature order.
QList<int> selectedFeatures(const ShapeCase &sc, const MapRequest &req, const QSet<QString> &codTerrs);
// How many rows of the request (territories of the map) are selected.
int selectedRowCount(const MapRequest &req, const QSet<QString> &codTerrs);
// The union of the features' bounds in map units (nothing when none of them has a shape).
std::optional<QRectF> featuresExtent(const ShapeLayer &layer, const QList<int> &features);
// The extent to show for a selection: the features' extent widened by a margin (a tenth of
// its larger side, at least a thousandth of a map unit), so the outline is not cut by the
// frame; a null rectangle when no feature has a shape.
QRectF selectionZoomExtent(const ShapeLayer &layer, const QList<int> &features);

// Outlines the features over what the view drew into target (the viewport mapped onto it as
// MapView::draw maps it).
void drawSelectionOutline(QPainter &painter, const QRectF &target, const MapView &view, const ShapeLayer &layer,
                          const QList<int> &features);

// The features of a layer a rectangle (map units, its edges included) touches, in feature
// order: a polygon when the rectangle meets its area (its rings read by the even-odd rule, so a
// rectangle wholly inside a hole touches nothing), a line when it crosses or lies in the
// rectangle, a point when it lies in it. A feature's bounds meeting the rectangle is not enough.
QList<int> featuresTouching(const ShapeLayer &layer, const QRectF &rect);
// The COD_TERR codes of the request's rows that the features of the case's join layer join, each
// once, in feature order; features joining no row are skipped.
QStringList territoriesOfFeatures(const ShapeCase &sc, const MapRequest &req, const QList<int> &features);
// The class (1-based, 0 for none) of every selected row of the request, in row order, as the
// drawing classes it.
QList<int> classesOfSelection(const MapRequest &req, const ThematicClasses &classes, const QSet<QString> &codTerrs);

// Reads a list of names or codes ("Torino, Roma, 058"): each entry is matched against the
// request's rows by territory name (without regard to case or surrounding blanks), by COD_TERR,
// or by the map code (as the join compares it). The COD_TERR codes found, and the entries
// matching no row.
struct TerritoryLookup {
    QStringList codTerrs;
    QStringList unknown;
};
TerritoryLookup lookUpTerritories(const MapRequest &req, const QStringList &entries);

} // namespace qrn::map

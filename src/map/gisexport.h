#pragma once
// A drawn thematic map out to GIS programs: the join layer of the case, one feature per
// territory with its code, name, value, class number, class label and fill colour, written as a
// GeoPackage, GeoJSON or shape file through OGR in the layer's reference system; beside it an OGC
// SLD style with one rule per class (and the no-data rule), which a GeoPackage also keeps in its
// layer_styles table together with the same style for QGIS, so the layer opens coloured as drawn.
// Every file appears whole or not at all: the layer is written in a temporary folder beside the
// target and renamed into place.

#include "map/mapdata.h"
#include "map/maptable.h"
#include "map/shapeconfig.h"
#include "shell/filewrite.h"

#include <QByteArray>
#include <QString>

namespace qrn {
struct NumberFormat;
}

namespace qrn::map {

// The field names of the exported layer (short enough for a shape file).
inline constexpr const char *kExportCode = "codice";
inline constexpr const char *kExportName = "nome";
inline constexpr const char *kExportValue = "valore";
inline constexpr const char *kExportClass = "classe";
inline constexpr const char *kExportLabel = "etichetta";
inline constexpr const char *kExportColour = "colore";

// Whether path names a format the export writes (.gpkg, .geojson, .json, .shp).
bool isGisExportPath(const QString &path);
// The style file written beside path: the same name with .sld.
QString sldPathFor(const QString &path);

// The OGC SLD 1.0 style of a legend for the layer layerName: one rule per class, selecting its
// class number, titled by its label, with its limits in the abstract and its fill colour, the
// entry's outline as stroke when drawn; then the no-data rule (no class) in white.
QByteArray thematicSld(const QString &layerName, const QString &title, const Legend &legend, const LayerConfig &entry);

// Writes the join layer of sc coloured by classes to path (format by extension) and its SLD to
// sldPathFor(path). Values are read in numbers. A failure carries the Italian reason and the
// words of GDAL or of the system.
WriteResult exportThematicLayer(const QString &path, const ShapeCase &sc, const MapRequest &req,
                                const ThematicClasses &classes, const NumberFormat &numbers);

} // namespace qrn::map

#pragma once
// The map layers of each map case, read from Files/ShapeConfig.xml, and the layer settings the
// user saves back into it.

#include "map/shapelayer.h"

#include <QLocale>
#include <QString>
#include <memory>
#include <stdexcept>
#include <vector>

namespace qrn::map {

class MapView;

// One layer entry of a case, in the order of the file.
struct LayerConfig {
    QString FileName;
    QString GeoName;
    QString FieldId;
    std::shared_ptr<ShapeLayer> layer; // null when the shape file could not be opened
    bool Outline = false;
    quint32 OutlineColor = 0;
    quint32 BackColor = 0;
    bool Trasparenza = false;
    QString LandFields;
    QString LandMatch;
    QString Label;
    bool matchesCase = false;
};

struct ShapeCase {
    QString name; // lower case
    // The reference system the case names in its <CRS> element ("EPSG:32632"), empty when none:
    // then the layers are drawn in the system of the first one that opens.
    QString crs;
    quint32 mapBackColor = 0;
    std::vector<LayerConfig> layers;
    // The entry that joins the data and answers identify: the last one marked useToMatch
    // (0 when none is).
    qint16 matchIndex = 0;
};

// A configuration that cannot be read or written; what() is the Italian description, detail()
// the words of the XML reader or of the system (for the error log, not for the user).
class ShapeConfigError : public std::runtime_error {
public:
    explicit ShapeConfigError(const QString &text, const QString &detail = QString())
        : std::runtime_error(text.toStdString()), m_detail(detail)
    {
    }
    QString text() const { return QString::fromStdString(what()); }
    QString detail() const { return m_detail; }

private:
    QString m_detail;
};

QString shapeConfigPath(const QString &filesFolder);

// Reads the entries of caseName (lower-cased before the look-up) from file. Throws
// ShapeConfigError for a missing or malformed file, an unknown case, a missing element or
// attribute, or an unconvertible number or boolean.
ShapeCase readShapeConfig(const QString &file, const QString &caseName);

// The file of an entry's FileName in shapeFolder: a name ending in the extension of a vector
// format GDAL reads (.shp, .gpkg, .geojson, .json, .fgb, .gml, .kml, .sqlite), possibly followed
// by "|layer", is taken as it is; any other name is a shape file without its ".shp".
QString layerFilePath(const QString &shapeFolder, const QString &fileName);

// Reads the case from filesFolder's ShapeConfig.xml and loads its layers from shapeFolder into
// map, each reprojected into the case's reference system (its <CRS>, else the system of the
// first layer that opens; a layer that names no system is taken as it is, and one that cannot be
// reprojected is not valid): the first entry at the bottom, the last on top, each with the symbol of its entry; a file
// that is not a valid layer is skipped (its entry stays, with a null or invalid layer). Then sets
// the background and the home extent (the full one with a margin). Throws as readShapeConfig,
// before touching the map.
ShapeCase LoadShapeConfig(const QString &filesFolder, const QString &shapeFolder, const QString &caseName,
                          MapView &map);

// The symbol an entry gives its layer.
Symbol symbolOf(const LayerConfig &entry);

// Writes back the settings of a case: mapBackColor always; Outline, OutlineColor, BackColor and
// Trasparenza of the first child whose text equals selectedText, from selected (none when
// selected is null). Booleans are written in the words of locale ("Vero" in Italian, else
// "True"). The new file is complete before it replaces the old one. Throws ShapeConfigError.
void saveShapeConfig(const QString &file, const QString &caseName, quint32 mapBackColor, const QString &selectedText,
                     const LayerConfig *selected, const QLocale &locale = QLocale());

} // namespace qrn::map

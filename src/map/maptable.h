#pragma once
// The map data table tMappa in the user database: one row per territory with a value, its
// territory code N_TERCO (a number for the provinces, text for NUTS-2 areas and regions), the
// value in a field named after the column header, and the class number N4. It is dropped and
// created again before every drawing and dropped when the map window closes. Beside it, the
// classes of a drawing as the map window needs them: the legend rows and the class of every
// territory code.

#include "map/legend.h"
#include "map/mapdata.h"
#include "shell/result.h"

#include <QHash>
#include <QList>
#include <QString>

namespace qrn {
struct Services;
class Connection;
struct NumberFormat;
} // namespace qrn

namespace qrn::map {

inline constexpr QLatin1String kMapTable {"tMappa"};

struct MapRecord {
    QString code; // N_TERCO
    QString value; // the value as the grid shows it
    int classNumber; // N4, 0 for none (stored as null)
};

// One record per row of the request with a value, in the order of the rows; classOf holds the
// class number of each row.
QList<MapRecord> mapRecords(const MapRequest &req, const QList<int> &classOf);

// SaveMapQuery: drops tMappa when present and creates it with the fields of the kind.
void SaveMapQuery(Connection &cn, MapKind kind, const QString &valueField);
// The drop-only variant (reset, closing the map window).
void dropMapQuery(Connection &cn);
// Appends the records (no transaction of its own), the value stored as a double read in the
// program's number format.
void writeMapRecords(Connection &cn, MapKind kind, const QString &valueField, const QList<MapRecord> &records,
                     const NumberFormat &numbers);

// The three on the user database in one transaction; a failure carries the procedure
// "SaveMapQuery" or "FillMapQuery" for the caller to report.
Status saveMapTable(Services &services, const MapRequest &req, const QList<MapRecord> &records);
// Drops the table; a failure carries the procedure "SaveMapQuery" for the caller to report.
Status dropMapTable(Services &services);

// The classes of a drawing: the legend (with its no-data row) and the class of every
// territory code of the request; codes without a class are drawn white.
struct ThematicClasses {
    Legend legend;
    QHash<QString, int> classByCode; // only codes with a class
    QColor colourOf(const QString &code) const;
};
// classOf holds the class number of each row of the request.
ThematicClasses thematicClasses(const MapRequest &req, const Legend &legend, const QList<int> &classOf);

} // namespace qrn::map

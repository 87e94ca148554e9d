#pragma once
// From a column of the data grid to a map request: the territorial level (the selection's, or
// asked), the map case of the shape configuration, the item code and year of
// the column, the refusals, and the rows to map sorted on the column. The map window is opened
// with the resulting MapRequest, a plain value.

#include "shell/prompt.h"
#include "shell/result.h"
#include "table/datatable.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

namespace qrn {
struct CommandContext;
struct NumberFormat;
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::map {

// The kind of map: decides the territory code of a row and the type of N_TERCO in tMappa.
enum class MapKind : qint16 { None = 0, Provinces = 2, Nuts2 = 3, Regions = 4 };

// The case of the shape configuration a map is drawn on, and the two territory types
// (column 0 of the grid) whose rows are mapped.
struct MapCase {
    MapKind kind = MapKind::None;
    QString name; // "regioni", "nuts2", "provincia103" or "provincia107"
    qint16 firstType = 0;
    qint16 secondType = 0;
    friend bool operator==(const MapCase &, const MapCase &) = default;
};
MapCase provincesCase(const QString &code, int year); // 103 or 107 provinces by year and item
MapCase nuts2Case();
MapCase regionsCase();

// The answers of the level window frmSelMappa.
enum class LevelChoice { Regions, Nuts2, Provinces, Cancel };
// Whether frmSelMappa offers the provinces: not for LevelCode 2 or 4, nor for 3 at level "R".
bool provincesOffered(qint16 levelCode, const QString &currentLevel);
// The LevelCode a choice leaves (0 when cancelled).
qint16 levelCodeOf(LevelChoice choice, qint16 levelCode);

// The item code and the year of a data column: "AS013_2005" gives "AS013" and "2005" for
// variables; an indicator's prefix has three letters ("IAS013_2005").
struct ColumnCode {
    QString lastCode;
    QString year;
};
ColumnCode columnCode(const QString &header, const QString &tipo);

// Column headers that name no numeric variable.
bool refusedColumnName(const QString &header);

// One row to map, as the grid shows it.
struct MapRow {
    QString territoryType; // column 0
    QString codTerr; // column 1
    QString prov; // column 2
    QString reg; // column 3
    QString name; // column 5
    QString value; // the mapped column, as the grid shows it
    // The territory code the map joins on: the province number for provinces, COD_TERR else.
    QString code(MapKind kind) const { return kind == MapKind::Provinces ? prov : codTerr; }
};

// The rows of the two territory types of a case, in the order of the table (which the map
// preparation sorts ascending on the column first).
QList<MapRow> mapRows(const DataTable &table, int column, qint16 firstType, qint16 secondType);

// What the map window is opened with.
struct MapRequest {
    MapCase mapCase;
    QString lastCode; // item code of the column
    QString year; // last four characters of the header
    QString header; // the column header, also the value field of tMappa
    QString description; // the item's description
    QList<MapRow> rows; // sorted ascending on the value
    // The territory filter of the selection the table came from (the WHERE of its query), for
    // reading the item's other years on the same territories; empty when not known.
    QString territoryFilter;
    // txtVariabile: header & ": " & description.
    QString variableText() const { return header + QStringLiteral(": ") + description; }
    // The values of the rows, in their order.
    QStringList values() const;
};

// A map refused by the core: the Italian message for the user (with the icon of its box), the
// detail for Error.log and the procedure it is logged under. A refusal that only asks the user
// for another input (no variable chosen, say) is not a failure and is not logged.
struct MapFailure {
    QString procedure;
    QString message;
    QString detail;
    Icon icon = Icon::Exclamation;
    bool logged = true;
};

// The messages of the preparation.
inline const QString kSelectVariable = QStringLiteral("Selezionare una variabile.");
inline const QString kSelectVariableBang = QStringLiteral("Selezionare una variabile!");
inline const QString kSelectNumeric = QStringLiteral("Selezionare una variabile numerica!");
inline const QString kNothingFound = QStringLiteral("Nessun territorio selezionato è stato trovato.");
QString noShapePathMessage();
QString noneOfLevelMessage(const QString &levelName);

// What the grid gives the preparation besides its table.
struct CreateMapInput {
    int column = -1; // the selected column
    QString sortColumnText; // the text of the sort-column box
    QString description; // the description label (computed when empty)
    // The level of the table's selection (levelOfGroups): 1 provinces, 4 regions, 2 and 3 ask
    // the level of the map, other levels find no territory.
    qint16 level = 0;
};

// Asks the level of the map (frmSelMappa) given LevelCode.
using LevelChooser = std::function<LevelChoice(qint16 levelCode)>;

// What the preparation gives: the request, or the refusal to show, or neither when the user
// cancelled the level window.
struct CreateMapOutcome {
    std::optional<MapRequest> request;
    std::optional<MapFailure> refusal;
    // The column's description could not be read (the request then has none): for the caller
    // to report before anything else.
    std::optional<Failure> descriptionFailure;
};

// mnu_createMap_Click without its window: the checks and refusals, the level (asked through
// chooseLevel when the selection's holds several), the item's type from command, the shapes
// folder from paths; then sorts the table ascending on the column and takes the rows of the
// case. The item code and the case go with the request; no shared state is written. A refused or
// cancelled request leaves the table as it was; on success the table's selected column is 1
// and its rows are coloured by ColorGridLinesToT. A column whose rows of the level hold no
// value is refused: its map would colour nothing.
CreateMapOutcome createMap(Services &services, const ProgramPaths &paths, const CommandContext &command,
                           DataTable &table, const CreateMapInput &in, const LevelChooser &chooseLevel);

// The refusal of a request whose rows hold no value at all.
std::optional<MapFailure> checkValues(const MapRequest &req, const NumberFormat &numbers);

} // namespace qrn::map

// createMap: from a grid column to a MapRequest. The level comes from the selection, or from the
// chooser for the levels that offer more than one map; a cancelled choice gives no request and no
// message. Every refusal is decided before the grid is touched, so a refused map leaves the table
// as it was; an accepted one sorts the table ascending on the column and takes its rows in that
// order. Refusals the user can correct are shown, not logged. The item code and the map case
// travel in the request; the program's shared state is only read.

#include "map/mapdata.h"

#include "map/provincecase.h"
#include "shell/context.h"
#include "shell/numberformat.h"
#include "table/gridops.h"

namespace qrn::map {

namespace {

const char *const kRefusedNames[] = {"N_TERCO", "COD_SEZ", "COMUNE_MIN", "COMUNI", "PIT4"};

bool isType(const QString &cell, qint16 type)
{
    bool ok = false;
    const int v = cell.trimmed().toInt(&ok);
    return ok && v == type;
}

} // namespace

MapCase provincesCase(const QString &code, int year)
{
    return {MapKind::Provinces, provinceCase(code, year), 1, 6};
}

MapCase nuts2Case()
{
    return {MapKind::Nuts2, QStringLiteral("nuts2"), 2, 6};
}

MapCase regionsCase()
{
    return {MapKind::Regions, QStringLiteral("regioni"), 2, 22};
}

bool provincesOffered(qint16 levelCode, const QString &currentLevel)
{
    return !(levelCode == 2 || levelCode == 4 || (levelCode == 3 && currentLevel == QLatin1String("R")));
}

qint16 levelCodeOf(LevelChoice choice, qint16 levelCode)
{
    switch (choice) {
    case LevelChoice::Regions:
        return 4;
    case LevelChoice::Nuts2:
        return 2;
    case LevelChoice::Provinces:
        return 1;
    case LevelChoice::Cancel:
        return 0;
    }
    return levelCode;
}

ColumnCode columnCode(const QString &header, const QString &tipo)
{
    const int prefix = tipo == QLatin1String("Indicatori") ? 3 : 2;
    return {header.left(prefix) + header.mid(prefix, 3), header.right(4)};
}

bool refusedColumnName(const QString &header)
{
    const QString upper = header.toUpper();
    for (const char *name : kRefusedNames)
        if (upper == QLatin1String(name))
            return true;
    return false;
}

QList<MapRow> mapRows(const DataTable &table, int column, qint16 firstType, qint16 secondType)
{
    QList<MapRow> rows;
    for (int r = 1; r < table.rowCount(); ++r) {
        const QString &type = table.text(r, 0);
        if (!isType(type, firstType) && !isType(type, secondType))
            continue;
        rows.append(
            {type, table.text(r, 1), table.text(r, 2), table.text(r, 3), table.text(r, 5), table.text(r, column)});
    }
    return rows;
}

QStringList MapRequest::values() const
{
    QStringList out;
    for (const MapRow &r : rows)
        out << r.value;
    return out;
}

QString noShapePathMessage()
{
    return QStringLiteral("Il Path dei file Shape non è stao impostato!\r\nSe si vuole vedere le mappe chiudere il "
                          "programma e riaprirlo, quindi selezionare una folder contenente i file delle cartine.");
}

QString noneOfLevelMessage(const QString &levelName)
{
    return QStringLiteral("Non c'è nessuna ") + levelName + QStringLiteral(" tra i territori selezionati.");
}

namespace {

CreateMapOutcome prepareMap(Services &services, const ProgramPaths &paths, const CommandContext &command,
                            DataTable &table, const CreateMapInput &in, const LevelChooser &chooseLevel,
                            std::optional<Failure> &descriptionFailure)
{
    const QString procedure = QStringLiteral("mnu_createMap_Click");
    // An input to correct: shown, not logged.
    auto ask = [&procedure](const QString &text, Icon icon = Icon::Exclamation) {
        return CreateMapOutcome {std::nullopt, MapFailure {procedure, text, QString(), icon, false}, std::nullopt};
    };
    if (in.column < DataTable::kFirstDataColumn || in.column >= table.columnCount())
        return ask(kSelectVariable);
    MapRequest req;
    req.header = table.header(in.column);
    req.description = in.description;
    if (req.description.isEmpty()) {
        if (Result<QString> d = grid::variableDescription(services, command, table, in.column))
            req.description = d.value();
        else
            descriptionFailure = d.failure();
    }

    qint16 level = in.level;
    const ColumnCode cc = columnCode(req.header, command.CurrentTipo);
    req.lastCode = cc.lastCode;
    req.year = cc.year;
    const int year = cc.year.toInt();

    switch (level) {
    case 1:
        req.mapCase = provincesCase(cc.lastCode, year);
        break;
    case 2:
    case 3: {
        const LevelChoice choice = chooseLevel ? chooseLevel(level) : LevelChoice::Cancel;
        level = levelCodeOf(choice, level);
        if (level == 0)
            return {};
        req.mapCase = choice == LevelChoice::Regions ? regionsCase()
            : choice == LevelChoice::Nuts2           ? nuts2Case()
                                                     : provincesCase(cc.lastCode, year);
        break;
    }
    case 4:
        req.mapCase = regionsCase();
        break;
    default:
        break; // aggregates only: no case, nothing will qualify
    }
    if (paths.ShapeFolder.isEmpty())
        return ask(noShapePathMessage(), Icon::Critical);
    if (in.sortColumnText.isEmpty())
        return ask(kSelectVariableBang);
    if (refusedColumnName(req.header))
        return ask(kSelectNumeric);

    // The refusals come before the sort: a refused map leaves the grid as it was.
    req.rows = mapRows(table, in.column, req.mapCase.firstType, req.mapCase.secondType);
    if (req.rows.isEmpty()) {
        // A table with rows of other levels only names the level that is missing; an empty
        // table, or a selection of aggregates without a level, finds nothing.
        const QString detail =
            QStringLiteral("colonna %1, %2 righe nella tabella").arg(req.header).arg(table.rowCount() - 1);
        if (table.rowCount() > 1 && req.mapCase.kind != MapKind::None)
            return {std::nullopt, MapFailure {procedure, noneOfLevelMessage(req.mapCase.name), detail, Icon::Information}, std::nullopt};
        return {std::nullopt, MapFailure {procedure, kNothingFound, detail}, std::nullopt};
    }
    if (std::optional<MapFailure> f = checkValues(req, services.numbers))
        return {std::nullopt, f, std::nullopt};
    grid::sortColumn(table, in.column, true, services.numbers);
    req.rows = mapRows(table, in.column, req.mapCase.firstType, req.mapCase.secondType);
    table.current.column = 1;
    table.selEnd.column = 1;
    table.colorTotals();
    return {std::move(req), std::nullopt, std::nullopt};
}

} // namespace

CreateMapOutcome createMap(Services &services, const ProgramPaths &paths, const CommandContext &command,
                           DataTable &table, const CreateMapInput &in, const LevelChooser &chooseLevel)
{
    std::optional<Failure> descriptionFailure;
    CreateMapOutcome out = prepareMap(services, paths, command, table, in, chooseLevel, descriptionFailure);
    out.descriptionFailure = std::move(descriptionFailure);
    return out;
}

std::optional<MapFailure> checkValues(const MapRequest &req, const NumberFormat &numbers)
{
    for (const MapRow &row : req.rows)
        if (numbers.toNumber(row.value))
            return std::nullopt;
    return MapFailure {QStringLiteral("mnu_createMap_Click"),
                       QStringLiteral("La colonna %1 non ha valori per i territori da rappresentare: la mappa non "
                                      "avrebbe nulla da colorare.")
                           .arg(req.header),
                       QStringLiteral("%1 territori, nessun valore numerico").arg(req.rows.size())};
}

} // namespace qrn::map

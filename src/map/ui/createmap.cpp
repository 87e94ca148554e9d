#include "map/ui/createmap.h"

#include "map/mapyears.h"
#include "map/ui/frmselmappa.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "table/ui/frm_dispdata.h"

#include <QPointer>

namespace qrn::ui {

std::optional<map::MapRequest> createMapFromGrid(frm_dispData &grid, const map::LevelChooser &chooseLevel)
{
    map::CreateMapInput in;
    in.column = grid.table().selEnd.column;
    in.sortColumnText = grid.sortColumnText();
    in.level = grid.level;
    Services &ctx = grid.services();
    SelectionState noted; // the case and item code the preparation notes; no window reads them
    map::CreateMapOutcome outcome = map::createMap(ctx, grid.paths(), grid.command(), noted, grid.table(), in,
                                                   chooseLevel);
    if (outcome.descriptionFailure)
        reportFailure(*outcome.descriptionFailure, ctx.log, ctx.prompt, grid.objectName());
    if (const std::optional<map::MapFailure> &f = outcome.refusal) {
        if (ctx.prompt)
            ctx.prompt->message(f->message, QString(), f->icon);
        if (f->logged)
            ctx.log.writeError(grid.objectName(), f->procedure, QString(), f->message, f->detail);
    }
    if (!outcome.request)
        return std::nullopt;
    // The item's other years are read on the territories of the grid's selection.
    outcome.request->territoryFilter = map::territoryFilterOf(grid.ranQuery());
    // The table is sorted on the column, its totals coloured.
    grid.refreshTable();
    return outcome.request;
}

void attachMapCommand(frm_dispData &grid, MapWindowOpener opener)
{
    QPointer<frm_dispData> g(&grid);
    grid.createMapHook = [g, opener = std::move(opener)] {
        if (!g)
            return;
        Services &ctx = g->services();
        const auto ask = [g](qint16 levelCode) { return frmSelMappa::ask(levelCode, g->command().CurrentLevel, g); };
        const std::optional<map::MapRequest> req = createMapFromGrid(*g, ask);
        if (req && opener) {
            BusyPointer busy(ctx.prompt); // the map window reads the layers and draws
            opener(*req);
        }
    };
}

} // namespace qrn::ui

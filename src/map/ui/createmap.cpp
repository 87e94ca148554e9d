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
    // The paths, services and command context are those of the grid the command runs on.
    Services &services = grid.services();
    map::CreateMapInput in;
    in.column = grid.table().selEnd.column;
    in.sortColumnText = grid.sortColumnText();
    in.level = grid.level;
    map::CreateMapOutcome outcome = map::createMap(services, grid.paths(), grid.command(), grid.table(), in, chooseLevel);
    if (outcome.descriptionFailure)
        reportFailure(*outcome.descriptionFailure, services.log, services.prompt, grid.objectName());
    if (const std::optional<map::MapFailure> &f = outcome.refusal) {
        if (services.prompt)
            services.prompt->message(f->message, QString(), f->icon);
        if (f->logged)
            services.log.writeError(grid.objectName(), f->procedure, QString(), f->message, f->detail);
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
        const auto ask = [g](qint16 levelCode) { return frmSelMappa::ask(levelCode, g->command().CurrentLevel, g); };
        const std::optional<map::MapRequest> req = createMapFromGrid(*g, ask);
        if (req && opener) {
            BusyPointer busy(g->services().prompt); // the map window reads the layers and draws
            opener(*req, g->command());
        }
    };
}

} // namespace qrn::ui

#pragma once
// The create-map command of the data grid window ("Crea cartogramma", button and pop-up):
// the preparation of the map data on the grid's table, and the hand-off of the resulting
// request to the map window.

#include "map/mapdata.h"

#include <functional>
#include <optional>

namespace qrn::ui {

class frm_dispData;

// Opens the map window on a request, with the command context of the grid it comes from (the
// database and kind of item the window reads the item's other years from). The map window
// registers one; without it the command prepares the map data and opens nothing.
using MapWindowOpener = std::function<void(const map::MapRequest &, const CommandContext &)>;

// mnu_createMap_Click on the grid window: prepares the request from its table, its selected
// column, its sort-column box and the level of its selection (the grid's own state: the
// selection window may be closed or hold other boxes by now). A refusal is shown and, when
// it is a failure, logged under the grid's name; a refused map leaves the table as it was. On
// success the grid shows its table again, sorted on the column with the totals coloured.
std::optional<map::MapRequest> createMapFromGrid(frm_dispData &grid, const map::LevelChooser &chooseLevel);

// Makes the grid's create-map command run createMapFromGrid with the level asked by
// frmSelMappa, and hand the request to opener.
void attachMapCommand(frm_dispData &grid, MapWindowOpener opener);

} // namespace qrn::ui

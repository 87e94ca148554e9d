#pragma once
// The create-map command of the data grid window ("Crea cartogramma", button and pop-up):
// the preparation of the map data on the grid's table, and the hand-off of the resulting
// request to the map window.

#include "map/mapdata.h"

#include <QSet>
#include <functional>
#include <optional>

namespace qrn::ui {

class MainWindow;
class frm_dispData;

// Opens the map window on a request. The map window registers one; without it the command
// prepares the map data and opens nothing.
using MapWindowOpener = std::function<void(const map::MapRequest &)>;

// The indexes of the ticked group boxes (Check1) of the selection window, when it is open.
QSet<int> tickedGroups(MainWindow &main);

// mnu_createMap_Click on the grid window: prepares the request from its table, its selected
// column and its sort-column box; on success the grid keeps the map state of the request
// (level, territory types, header, code, year) and shows its table again, sorted on the column
// with the totals coloured.
std::optional<map::MapRequest> createMapFromGrid(frm_dispData &grid, const QSet<int> &ticked,
                                                 const map::LevelChooser &chooseLevel);

// Makes the grid's create-map command run createMapFromGrid with the groups of main's
// selection window and the level asked by frmSelMappa, and hand the request to opener.
void attachMapCommand(frm_dispData &grid, MainWindow &main, MapWindowOpener opener);

} // namespace qrn::ui

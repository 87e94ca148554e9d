#pragma once
// One item of the current data database over all the years the catalogue holds for it, for
// chosen territories: the selection road (the catalogue's years, CreaQuery, DoQuery) run on the
// side, so that the query of the grid the chart starts from is left as it was.

#include "chart/chartdata.h"
#include "shell/result.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace qrn {
struct CommandContext;
struct Services;
} // namespace qrn

namespace qrn::chart {

struct ItemYearsOutcome {
    YearTable table;
    QString message; // not empty: nothing was read, for this reason (Italian)
    QString detail; // the store's words, when it failed
    // The failure of the years' lookup, for the caller to report before the message.
    std::optional<Failure> yearsFailure;
    bool ok() const { return message.isEmpty(); }
};

// The item's code of a grid column header ITEM_YEAR ("AS013_2005" gives "AS013"); "" when the
// header names no item and year.
QString itemOfHeader(const QString &header);

// The codes to read for a time series of chosen territories: each of them, the region of each
// (REG of the table's row when it is a region code other than its own) and the Italy total.
QStringList territoriesWithReferences(const DataTable &grid, const QStringList &chosenCodes);

// Reads item over its years (command's CurrentDb and CurrentTipo; the years map::itemYears
// finds, as the map's year bar offers them) for the territory codes.
// The query and item of the grid the chart starts from are not touched.
ItemYearsOutcome loadItemYears(Services &services, const CommandContext &command, const QString &item,
                               const QStringList &territoryCodes);

} // namespace qrn::chart

#include "map/ui/createmap.h"

#include "map/ui/frmselmappa.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/ui/mainwindow.h"
#include "table/ui/frm_dispdata.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPointer>

namespace qrn::ui {

QSet<int> tickedGroups(MainWindow &main)
{
    QSet<int> ticked;
    QWidget *sel = main.registry().existing(QStringLiteral("FORMDATITAB"));
    if (!sel)
        return ticked;
    for (int i = 1; i <= 6; ++i)
        if (auto *box = sel->findChild<QCheckBox *>(QStringLiteral("Check1_%1").arg(i)); box && box->isChecked())
            ticked.insert(i);
    return ticked;
}

std::optional<map::MapRequest> createMapFromGrid(frm_dispData &grid, const QSet<int> &ticked,
                                                 const map::LevelChooser &chooseLevel)
{
    map::CreateMapInput in;
    in.column = grid.table().selEnd.column;
    if (auto *sortBox = grid.findChild<QComboBox *>(QStringLiteral("cmb_Ordina")))
        in.sortColumnText = sortBox->currentText();
    in.tickedGroups = ticked;
    AppContext &ctx = grid.context();
    map::CreateMapOutcome outcome = map::createMap(ctx, grid.table(), in, chooseLevel);
    // The table may be sorted even when no territory of the level was found.
    grid.refreshTable();
    if (const std::optional<map::MapFailure> &f = outcome.refusal) {
        if (ctx.prompt)
            ctx.prompt->message(f->message, QString(), f->icon);
        if (f->logged)
            ctx.log.record(grid.objectName(), f->procedure, QString(), f->logText());
    }
    std::optional<map::MapRequest> &req = outcome.request;
    if (!req)
        return std::nullopt;
    grid.level = grid.context().LevelCode;
    grid.firstTerritoryType = req->mapCase.firstType;
    grid.secondTerritoryType = req->mapCase.secondType;
    grid.selectedHeader = req->header;
    const int digits = req->lastCode.size() - 3;
    grid.codePrefix = req->lastCode.left(digits);
    grid.codeNumber = req->lastCode.mid(digits);
    grid.year = req->year;
    return req;
}

void attachMapCommand(frm_dispData &grid, MainWindow &main, MapWindowOpener opener)
{
    QPointer<frm_dispData> g(&grid);
    grid.createMapHook = [g, &main, opener = std::move(opener)] {
        if (!g)
            return;
        AppContext &ctx = g->context();
        const auto ask = [&ctx, g](qint16 levelCode) { return frmSelMappa::ask(levelCode, ctx.CurrentLevel, g); };
        const std::optional<map::MapRequest> req = createMapFromGrid(*g, tickedGroups(main), ask);
        if (req && opener)
            opener(*req);
    };
}

} // namespace qrn::ui

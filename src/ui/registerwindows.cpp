#include "ui/registerwindows.h"

#include "catalogue/ui/formdatitab.h"
#include "map/ui/createmap.h"
#include "map/ui/frm_mappa.h"
#include "metadata/ui/frm_glossario.h"
#include "metadata/ui/frminfo.h"
#include "metadata/ui/frmmetadati.h"
#include "metadata/ui/sheets.h"
#include "shell/context.h"
#include "shell/ui/aboutbox.h"
#include "shell/ui/mainwindow.h"
#include "table/territoryselection.h"
#include "table/ui/frm_dispdata.h"
#include "table/ui/frmnota.h"

namespace qrn::ui {

void registerWindows(MainWindow &main)
{
    // A keyword without a window opens nothing.
    main.registry().add(QStringLiteral("FORMDATITAB"),
                        [&main] { return new FormdatiTab(main.context(), main.context(), main.context(), &main); });
    main.registry().add(QStringLiteral("FRM_DISPDATA"), [&main] {
        auto *grid = new frm_dispData(main.context(), main.context(), main.context(), &main);
        // The territories selected in the grid and in the maps opened from it: one selection,
        // which lives as long as the grid and which each window only observes and changes.
        auto *territories = new TerritorySelection(grid);
        grid->setTerritorySelection(territories);
        QPointer<TerritorySelection> shared(territories);
        attachMapCommand(*grid, [&main, shared](const map::MapRequest &r, const CommandContext &command) {
            frm_Mappa::open(main, r, command, shared.data());
        });
        return grid;
    });
    main.registry().add(
        QStringLiteral("FRMNOTA"), [&main] { return new frmNota(main.context(), main.context(), &main); }, WindowRegistry::Mode::Modal);
    main.registry().add(
        QStringLiteral("FRMINFO"), [&main] { return new frmInfo(main.context(), main.context(), &main); }, WindowRegistry::Mode::Modal);
    main.registry().add(
        QStringLiteral("FRMABOUT"), [&main] { return new frmAbout(&main); }, WindowRegistry::Mode::Modal);
    main.registry().add(QStringLiteral("FRMSCHEDAVARIABILI"),
                        [&main] { return new frmSchedaVariabili(main.context(), main.context(), &main); });
    main.registry().add(QStringLiteral("FRMSCHEDAINDICATORI"),
                        [&main] { return new frmSchedaIndicatori(main.context(), main.context(), &main); });
    main.registry().add(QStringLiteral("FRMMETADATI"),
                        [&main] { return new frmMetadati(main.context(), main.context(), &main); });
    main.registry().add(QStringLiteral("FRMLISTAMETADATI"),
                        [&main] { return new frmListaMetadati(main.context(), &main); });
    for (const char *keyword : {"GLOSSARIO", "FRM_GLOSSARIO"})
        main.registry().add(QString::fromLatin1(keyword),
                            [&main] { return new frm_Glossario(main.context(), main.context(), &main); });
}

} // namespace qrn::ui

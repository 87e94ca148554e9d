#pragma once
// frm_dispData: the data grid window. It shows the result of the current selection, sorts it,
// searches it and is where the derived indicators, the export, the map and the metadata sheets
// start from.

#include "table/territoryselection.h"
#include "shell/ui/windowregistry.h"
#include "table/datatable.h"
#include "table/formula/formulabuilder.h"

#include <QPointer>
#include <QString>
#include "chart/chartrender.h"

#include <QWidget>
#include <functional>
#include <memory>

class QAction;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace qrn {
class DataTableModel;
} // namespace qrn

namespace qrn::ui {

class FileOpener;

class MainWindow;
class frmFunzione;
class FrozenColumnsView;

// The word in the description label of a window whose first loading the user stopped.
inline constexpr QLatin1String kLoadingCancelled {"Caricamento annullato"};

class frm_dispData : public QWidget, public SelectionResultWindow {
    Q_OBJECT
public:
    // Empty until a selection is handed to it (showSelection). command is the opener's menu
    // context: the grid reads it when it loads rows, and keeps its own copy for them.
    frm_dispData(const ProgramPaths &paths, Services &services, const CommandContext &command, MainWindow *main);
    ~frm_dispData() override;

    // The map hand-off: the territorial level of the selection whose rows are shown, from which
    // the map of a column starts.
    qint16 level = 0;

    // The derived-indicator counter and the last column picked in the formula window.
    formula::DerivedMemory derived;

    // The territories selected here and in the map window: the rows selected in the grid go
    // into it, and the grid selects (and scrolls to) the rows of what others put there. Esc
    // empties it. The window does not own it.
    void setTerritorySelection(TerritorySelection *selection);
    TerritorySelection *territorySelection() const { return m_territories.data(); }

    // The map hand-off; nothing happens while it is empty.
    std::function<void()> createMapHook; // cmd_createmap, mnu_createMap
    // Opens an exported workbook with the desktop's application; tests put a fake here.
    FileOpener *fileOpener = nullptr;
    // The formula window while it is open.
    frmFunzione *formulaWindow() const;

    const ProgramPaths &paths() const { return m_paths; }
    Services &services() { return m_services; }
    // The command context of the rows shown: the database they were read from and the type,
    // level and caption of the menu command they were selected under. Taken when rows are
    // loaded, so a later menu command for another database leaves the grid's rows, and what
    // starts from them (description, time series, map, export), on their own database.
    const CommandContext &command() const { return m_rowsCommand; }
    const QString &database() const { return m_rowsCommand.CurrentDb; }
    // The column named in the sort box (cmb_Ordina).
    QString sortColumnText() const;
    DataTable &table() { return m_table; } // datagrid
    // The selection query this window ran (empty once it is closed).
    const QString &ranQuery() const override { return m_query; }
    // The selection whose rows are shown (empty once the window is closed).
    const SelectionQuery &selection() const override { return m_selection; }
    // Runs query and shows its rows, unless they are the rows shown already.
    void showSelection(const SelectionQuery &query) override;

    // After the table changed (new rows, columns or colours): the views re-read it, the combo
    // boxes list every header once, the widths are fitted again and the selection of the table
    // is shown.
    void refreshTable();
    // Appends a header to cmb_Ordina (and to cmb_ric) unless it is already listed.
    void addHeaderToOrdina(const QString &header);
    // Makes the cells from current to end (table rows) the selection, as a click and a
    // shift-click would; the description follows the selection end.
    void selectCells(CellPos current, CellPos end);

    // Operations of the window.
    void DoQuery();
    void ColorGridLines();
    void ColorGridLinesToT();
    void AutosizeCols();

    // Handlers, also driven by the tests and by other windows.
    void datagrid_Click();
    void datagrid_RowColChange();
    void cmd_ordinaA_Click();
    void cmd_ordinaD_Click();
    void mnu_asce_Click();
    void mnu_disce_Click();
    void cmd_ric_Click();
    void mnu_clipboard_Click();
    // Ctrl+C on the table: the selected block, as the grid shows it, as text and HTML.
    void copySelection();
    // A click on a column header: sorted ascending, descending when it was already ascending.
    void datagrid_HeaderClick(int column);
    // The column the table was last sorted on (-1 when its order is no sort's) and how.
    int sortedColumn() const { return m_sortColumn; }
    bool sortedAscending() const { return m_sortAscending; }
    void mnu_metadati_Click();
    void cmdFunzione_Click();
    void cmdEsportaXls_Click();
    void cmd_createmap_Click();
    void mnu_createMap_Click();
    // "Serie storica": the item of the current column over all its years for the selected
    // territories, in a chart window; "Grafico a barre": the current column in the grid's order.
    void cmdSerieStorica_Click();
    void cmdGraficoBarre_Click();
    void cmdInfo_Click();
    void cmdHelp_Click();
    void cmdChiudi_Click();

    QMenu *popupMenu() const { return mnu_ordinam; }
    QSize sizeHint() const override { return QSize(980, 640); }

protected:
    void closeEvent(QCloseEvent *e) override;
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The command context of the rows about to be loaded from a query on queryDb.
    void takeCommand(const QString &queryDb);
    void fillCombos();
    void sortByName(bool ascending, const QString &procedure);
    void sortBySelection(bool ascending, const QString &procedure);
    // The one road of every sort of the window: the buttons, the pop-up menu, the headers.
    void sortOn(int column, bool ascending);
    void setSortIndicator(int column, bool ascending);
    void showTableSelection();
    void takeViewSelection();
    void setRedraw(bool on);
    // The shared selection shown as whole selected rows, the current one brought into sight.
    void showTerritorySelection();
    // The territory codes the charts are drawn for: the shared selection (or, when it is empty,
    // the grid's selected rows), in the grid's order.
    QStringList chartTerritories() const;
    // The current column when it holds data; else -1, with the reason shown.
    int chartColumn();
    void openChart(const chart::ChartData &data);
    // The rows the user selected written into the shared selection.
    void takeTerritorySelection();

    const ProgramPaths &m_paths;
    Services &m_services;
    const CommandContext &m_command; // the opener's, read when rows are loaded
    CommandContext m_rowsCommand;
    MainWindow *m_main;
    DataTable m_table;
    DataTableModel *m_model;
    SelectionQuery m_selection; // the last one handed over
    QString m_query; // the statement that loaded m_table
    QPointer<frmFunzione> m_formula;
    QPointer<TerritorySelection> m_territories;
    std::unique_ptr<FileOpener> m_desktopOpener;
    bool m_syncing = false;
    bool m_pictured = false;
    int m_descColumn = -1;

    FrozenColumnsView *datagrid;
    int m_sortColumn = -1;
    bool m_sortAscending = true;
    QComboBox *cmb_Ordina, *cmb_ric;
    QLineEdit *txt_ricda, *txt_rica;
    QLabel *lblDescVar;
    QPushButton *cmd_ordinaA, *cmd_ordinaD, *cmd_ric, *cmdFunzione, *cmd_createmap, *cmdEsportaXls, *cmdInfo, *cmdHelp,
        *cmdChiudi, *cmdSerieStorica, *cmdGraficoBarre;
    QMenu *mnu_ordinam;
    QAction *mnu_asce, *mnu_disce, *mnu_createMap, *mnu_clipboard, *mnu_metadati;
};

} // namespace qrn::ui

// The data grid window's controls and handlers. m_table is loaded by grid::DoQuery alone and the
// view writes only the texts of the cells it shows; sorting, searching and the derived columns
// change m_table through the grid core and then reload the model. The shared TerritorySelection
// and the view's own selection follow each other without echo. The formula window works on a
// snapshot of the table, one at a time; the map and the charts start from the current column.
// The window never writes the opener's command context: the database and type of the rows are
// its own (m_rowsCommand), taken from that context and the selection whenever rows are loaded.

#include "table/ui/frm_dispdata.h"

#include "chart/itemyears.h"
#include "chart/ui/chartwindow.h"

#include "table/territoryselection.h"

#include "metadata/ui/sheets.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"
#include "table/export.h"
#include "table/ui/exportflow.h"
#include "table/gridops.h"
#include "table/tablemodel.h"
#include "table/ui/frmfunzione.h"
#include "table/ui/gridview.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {

constexpr int kHelpContext = 300;
const QString kModule = QStringLiteral("frm_dispData");

FrozenColumnsView *makeGrid(QWidget *parent, const char *name, DataTableModel *model)
{
    auto *v = new FrozenColumnsView(parent);
    v->setObjectName(QString::fromLatin1(name));
    v->setEditTriggers(QAbstractItemView::NoEditTriggers);
    v->setSelectionMode(QAbstractItemView::ContiguousSelection);
    v->setSelectionBehavior(QAbstractItemView::SelectItems);
    v->setWordWrap(false);
    v->setCornerButtonEnabled(false);
    v->verticalHeader()->hide();
    v->verticalHeader()->setDefaultSectionSize(v->fontMetrics().height() + 6);
    v->horizontalHeader()->setHighlightSections(false);
    // A click on a header sorts on its column, as in a spreadsheet's sorted list.
    v->horizontalHeader()->setSectionsClickable(true);
    v->setHorizontalScrollMode(QAbstractItemView::ScrollPerPixel);
    v->setModel(model);
    // The territory stays in sight while the data columns scroll.
    v->setFrozenCount(grid::kFirstDataColumn);
    return v;
}

} // namespace

frm_dispData::frm_dispData(const ProgramPaths &paths, Services &services, const CommandContext &command,
                           MainWindow *main)
    : QWidget(nullptr),
      m_paths(paths),
      m_services(services),
      m_command(command),
      m_main(main),
      m_model(new DataTableModel(m_table, this))
{
    setObjectName(kModule);
    takeCommand(QString());
    setWindowTitle(QStringLiteral("Visualizza ed esporta dati"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_model->setCentredFrom(grid::kFirstCentredColumn);

    auto *root = new QVBoxLayout(this);

    // Sorting and searching, above the table.
    auto *tools = new QHBoxLayout;
    auto *sortBox = new QGroupBox(QStringLiteral("Ordinamento"), this);
    sortBox->setObjectName(QStringLiteral("fraOrdina"));
    auto *sortLay = new QHBoxLayout(sortBox);
    cmb_Ordina = new QComboBox(sortBox);
    cmb_Ordina->setObjectName(QStringLiteral("cmb_Ordina"));
    cmb_Ordina->setEditable(true); // the user may type a column name
    cmb_Ordina->setInsertPolicy(QComboBox::NoInsert);
    cmb_Ordina->setMinimumContentsLength(14);
    cmb_Ordina->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    cmd_ordinaA = new QPushButton(QStringLiteral("Ordina ascendente"), sortBox);
    cmd_ordinaA->setObjectName(QStringLiteral("cmd_ordinaA"));
    cmd_ordinaD = new QPushButton(QStringLiteral("Ordina discendente"), sortBox);
    cmd_ordinaD->setObjectName(QStringLiteral("cmd_ordinaD"));
    sortLay->addWidget(cmb_Ordina, 1);
    sortLay->addWidget(cmd_ordinaA);
    sortLay->addWidget(cmd_ordinaD);
    tools->addWidget(sortBox, 1);

    auto *searchBox = new QGroupBox(QStringLiteral("Ricerca"), this);
    searchBox->setObjectName(QStringLiteral("fraRicerca"));
    auto *searchLay = new QHBoxLayout(searchBox);
    auto label = [&](const char *name, const char *text) {
        auto *l = new QLabel(QString::fromUtf8(text), searchBox);
        l->setObjectName(QString::fromLatin1(name));
        searchLay->addWidget(l);
    };
    label("lblCampo", "Campo :");
    cmb_ric = new QComboBox(searchBox);
    cmb_ric->setObjectName(QStringLiteral("cmb_ric"));
    cmb_ric->setMinimumContentsLength(14);
    cmb_ric->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    searchLay->addWidget(cmb_ric, 1);
    label("lblDa", "Da");
    // The bounds are sized for a whole value of the table: sign, nine digits and decimals.
    auto boundBox = [&](const char *name) {
        auto *box = new QLineEdit(searchBox);
        box->setObjectName(QString::fromLatin1(name));
        const int text = box->fontMetrics().horizontalAdvance(QStringLiteral("-000000000,00"));
        const int frame = 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, box);
        box->setMinimumWidth(text + frame + 8);
        box->setMaximumWidth(text + frame + 24);
        searchLay->addWidget(box);
        return box;
    };
    txt_ricda = boundBox("txt_ricda");
    label("lblA", "a");
    txt_rica = boundBox("txt_rica");
    cmd_ric = new QPushButton(QStringLiteral("Ricerca"), searchBox);
    cmd_ric->setObjectName(QStringLiteral("cmd_ric"));
    searchLay->addWidget(cmd_ric);
    tools->addWidget(searchBox, 1);
    root->addLayout(tools);

    // The table: a view over m_table, which writes only the texts of the cells shown.
    datagrid = makeGrid(this, "datagrid", m_model);
    datagrid->viewport()->installEventFilter(this);
    datagrid->frozenView()->viewport()->installEventFilter(this);
    root->addWidget(datagrid, 1);

    lblDescVar = new QLabel(this);
    lblDescVar->setObjectName(QStringLiteral("lblDescVar"));
    lblDescVar->setWordWrap(true);
    lblDescVar->setMinimumHeight(2 * lblDescVar->fontMetrics().height() + 6);
    lblDescVar->setFrameShape(QFrame::StyledPanel);
    lblDescVar->setAutoFillBackground(true);
    QFont df = lblDescVar->font();
    df.setBold(true);
    lblDescVar->setFont(df);
    root->addWidget(lblDescVar);

    auto *buttons = new QHBoxLayout;
    auto button = [&](QPushButton *&b, const char *name, const char *caption) {
        b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
    };
    button(cmdFunzione, "cmdFunzione", "Crea indicatore");
    button(cmd_createmap, "cmd_createmap", "Crea cartogramma");
    button(cmdSerieStorica, "cmdSerieStorica", "Serie storica");
    cmdSerieStorica->setToolTip(
        QStringLiteral("La voce della colonna corrente in tutti i suoi anni, per i territori selezionati"));
    button(cmdGraficoBarre, "cmdGraficoBarre", "Grafico a barre");
    cmdGraficoBarre->setToolTip(QStringLiteral("La colonna corrente nell'ordine della tabella"));
    button(cmdEsportaXls, "cmdEsportaXls", "Esporta in Excel");
    button(cmdInfo, "cmdInfo", "Note");
    buttons->addStretch(1);
    button(cmdHelp, "cmdHelp", "Help");
    button(cmdChiudi, "cmdChiudi", "Chiudi");
    root->addLayout(buttons);

    // The pop-up menu of the table.
    mnu_ordinam = new QMenu(this);
    mnu_ordinam->setObjectName(QStringLiteral("mnu_ordinam"));
    QMenu *sortMenu = mnu_ordinam->addMenu(QStringLiteral("Ordina"));
    sortMenu->setObjectName(QStringLiteral("mnu_ordina"));
    mnu_asce = sortMenu->addAction(QStringLiteral("Ascendente"));
    mnu_asce->setObjectName(QStringLiteral("mnu_asce"));
    mnu_disce = sortMenu->addAction(QStringLiteral("Discendente"));
    mnu_disce->setObjectName(QStringLiteral("mnu_disce"));
    mnu_createMap = mnu_ordinam->addAction(QStringLiteral("Crea cartogramma da questa colonna"));
    mnu_createMap->setObjectName(QStringLiteral("mnu_createMap"));
    QMenu *clipMenu = mnu_ordinam->addMenu(QStringLiteral("Appunti"));
    clipMenu->setObjectName(QStringLiteral("mnu_appunti"));
    mnu_clipboard = clipMenu->addAction(QStringLiteral("Copia negli Appunti"));
    mnu_clipboard->setObjectName(QStringLiteral("mnu_clipboard"));
    mnu_metadati = mnu_ordinam->addAction(QStringLiteral("Visualizza metadati"));
    mnu_metadati->setObjectName(QStringLiteral("mnu_metadati"));

    connect(cmd_ordinaA, &QPushButton::clicked, this, &frm_dispData::cmd_ordinaA_Click);
    connect(cmd_ordinaD, &QPushButton::clicked, this, &frm_dispData::cmd_ordinaD_Click);
    connect(cmd_ric, &QPushButton::clicked, this, &frm_dispData::cmd_ric_Click);
    connect(cmdFunzione, &QPushButton::clicked, this, &frm_dispData::cmdFunzione_Click);
    connect(cmd_createmap, &QPushButton::clicked, this, &frm_dispData::cmd_createmap_Click);
    connect(cmdEsportaXls, &QPushButton::clicked, this, &frm_dispData::cmdEsportaXls_Click);
    connect(cmdSerieStorica, &QPushButton::clicked, this, &frm_dispData::cmdSerieStorica_Click);
    connect(cmdGraficoBarre, &QPushButton::clicked, this, &frm_dispData::cmdGraficoBarre_Click);
    connect(cmdInfo, &QPushButton::clicked, this, &frm_dispData::cmdInfo_Click);
    connect(cmdHelp, &QPushButton::clicked, this, &frm_dispData::cmdHelp_Click);
    connect(cmdChiudi, &QPushButton::clicked, this, &frm_dispData::cmdChiudi_Click);
    connect(mnu_asce, &QAction::triggered, this, &frm_dispData::mnu_asce_Click);
    connect(mnu_disce, &QAction::triggered, this, &frm_dispData::mnu_disce_Click);
    connect(mnu_createMap, &QAction::triggered, this, &frm_dispData::mnu_createMap_Click);
    connect(mnu_clipboard, &QAction::triggered, this, &frm_dispData::mnu_clipboard_Click);
    connect(mnu_metadati, &QAction::triggered, this, &frm_dispData::mnu_metadati_Click);
    connect(datagrid, &QTableView::clicked, this, [this] { datagrid_Click(); });
    connect(datagrid->frozenView(), &QTableView::clicked, this, [this] { datagrid_Click(); });
    connect(datagrid, &FrozenColumnsView::copyRequested, this, &frm_dispData::copySelection);
    connect(datagrid, &FrozenColumnsView::headerClicked, this, &frm_dispData::datagrid_HeaderClick);
    connect(datagrid->selectionModel(), &QItemSelectionModel::currentChanged, this, [this](const QModelIndex &now) {
        if (m_syncing || !now.isValid())
            return;
        takeViewSelection();
        datagrid_RowColChange();
    });
    connect(datagrid->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (m_syncing)
            return;
        takeViewSelection();
        takeTerritorySelection();
    });
    auto *clearSelection = new QShortcut(QKeySequence(Qt::Key_Escape), datagrid);
    clearSelection->setContext(Qt::WidgetWithChildrenShortcut);
    connect(clearSelection, &QShortcut::activated, this, [this] {
        if (m_territories)
            m_territories->clear();
    });

    resize(sizeHint());
    if (QLayout *l = layout())
        l->activate();

    // The rows come with the selection handed over; the background follows when the window is
    // first shown.
    cmd_createmap->setEnabled(true);
    mnu_createMap->setEnabled(true);
}

void frm_dispData::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    // The background picture goes on once the main window has placed and coloured the window,
    // which it does right after showing it.
    if (!m_pictured) {
        m_pictured = true;
        QTimer::singleShot(0, this, [this] {
            CaricaSfondoForm(m_paths, m_services, this, nullptr);
            // The picture is the window's; the table (whose grid lines the style derives from the
            // window colour) and the label keep the plain colour.
            for (QWidget *w : {static_cast<QWidget *>(datagrid), static_cast<QWidget *>(lblDescVar)}) {
                QPalette pal = w->palette();
                pal.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
                w->setPalette(pal);
            }
        });
    }
}

frm_dispData::~frm_dispData() = default;

frmFunzione *frm_dispData::formulaWindow() const
{
    return m_formula.data();
}

void frm_dispData::setRedraw(bool on)
{
    datagrid->setUpdatesEnabled(on);
}

void frm_dispData::showSelection(const SelectionQuery &query)
{
    if (!m_query.isEmpty() && query.sql == m_query)
        return;
    m_selection = query;
    DoQuery();
}

void frm_dispData::DoQuery()
{
    // The level of the selection: the map of this table keeps it after the selection window
    // closes or changes its boxes.
    level = m_selection.level;
    cmb_Ordina->clear();
    setRedraw(false);
    takeCommand(m_selection.db);
    // Busy from the query on; the progress of a long load shows the arrow over it.
    BusyPointer busy(m_services.prompt);
    const grid::Loading loading = grid::DoQuery(
        m_services, m_rowsCommand.CurrentDb, m_rowsCommand.CurrentTipo, m_selection.sql, m_table, &m_query,
        [] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });
    if (loading.failure)
        reportFailure(*loading.failure, m_services.log, m_services.prompt, kModule);
    m_model->reload();
    fillCombos();
    AutosizeCols();
    datagrid->hideColumnEverywhere(0, true);
    showTableSelection();
    // The statement orders the rows by territory code.
    setSortIndicator(m_table.columnCount() > 1 ? 1 : -1, true);
    setRedraw(true);
    // A first loading stopped by the user leaves nothing to show: the window says why it is empty.
    if (loading == grid::LoadOutcome::Cancelled && m_table.columnCount() == 0)
        lblDescVar->setText(QString(kLoadingCancelled));
}

void frm_dispData::takeCommand(const QString &queryDb)
{
    m_rowsCommand.CurrentDb = grid::queryDatabase(m_command.CurrentDb, m_command.restoresQueryDb, queryDb);
    m_rowsCommand.CurrentTipo = m_command.CurrentTipo;
    m_rowsCommand.CurrentLevel = m_command.CurrentLevel;
    m_rowsCommand.DbCaption = m_command.DbCaption;
    m_rowsCommand.restoresQueryDb = m_command.restoresQueryDb;
}

QString frm_dispData::sortColumnText() const
{
    return cmb_Ordina->currentText();
}

void frm_dispData::fillCombos()
{
    cmb_Ordina->clear();
    cmb_ric->clear();
    cmb_ric->addItem(QString());
    const QStringList headers = m_table.headers();
    cmb_ric->addItems(headers);
    cmb_Ordina->addItems(headers);
    cmb_ric->setCurrentIndex(0);
    cmb_Ordina->setCurrentIndex(headers.isEmpty() ? -1 : 0);
}

void frm_dispData::addHeaderToOrdina(const QString &header)
{
    if (cmb_Ordina->findText(header, Qt::MatchExactly) < 0)
        cmb_Ordina->addItem(header);
    if (cmb_ric->findText(header, Qt::MatchExactly) < 1)
        cmb_ric->addItem(header);
}

void frm_dispData::ColorGridLines()
{
    m_table.colorStripes();
    m_model->coloursChanged();
}

void frm_dispData::ColorGridLinesToT()
{
    m_table.colorTotals();
    m_model->coloursChanged();
}

void frm_dispData::AutosizeCols()
{
    const QList<int> widths = grid::AutosizeCols(m_table, datagrid->fontMetrics(), datagrid->width());
    QHeaderView *h = datagrid->horizontalHeader();
    // A header click shows the sort indicator beside the name: room for it, so the name is not
    // cut.
    const QStyle *st = h->style();
    const int indicator = st->pixelMetric(QStyle::PM_HeaderMarkSize, nullptr, h)
        + 4 * st->pixelMetric(QStyle::PM_HeaderMargin, nullptr, h);
    const QFontMetrics hfm = h->fontMetrics();
    for (int c = 0; c < widths.size(); ++c)
        h->resizeSection(c, std::max(widths[c], std::min(hfm.horizontalAdvance(m_table.header(c)) + indicator,
                                                         datagrid->width() * 2 / 3)));
}

void frm_dispData::refreshTable()
{
    setRedraw(false);
    m_model->reload();
    const QStringList headers = m_table.headers();
    if (cmb_ric->count() == 0)
        cmb_ric->addItem(QString());
    for (const QString &h : headers)
        addHeaderToOrdina(h);
    AutosizeCols();
    datagrid->hideColumnEverywhere(0, true);
    showTableSelection();
    setRedraw(true);
}

void frm_dispData::selectCells(CellPos current, CellPos end)
{
    m_table.current = current;
    m_table.selEnd = end;
    showTableSelection();
}

void frm_dispData::showTableSelection()
{
    QItemSelectionModel *sm = datagrid->selectionModel();
    const CellPos cur = m_table.current, end = m_table.selEnd;
    m_syncing = true;
    if (cur.row >= 1 && end.row >= 1 && end.row < m_table.rowCount() && end.column < m_table.columnCount()) {
        const QModelIndex a = m_model->indexOf(std::min(cur.row, end.row), std::min(cur.column, end.column));
        const QModelIndex b = m_model->indexOf(std::max(cur.row, end.row), std::max(cur.column, end.column));
        sm->setCurrentIndex(m_model->indexOf(end.row, end.column), QItemSelectionModel::NoUpdate);
        sm->select(QItemSelection(a, b), QItemSelectionModel::ClearAndSelect);
    } else {
        sm->clearSelection();
    }
    m_syncing = false;
    if (m_table.selEnd.column != m_descColumn)
        datagrid_RowColChange();
}

void frm_dispData::setTerritorySelection(TerritorySelection *selection)
{
    if (m_territories)
        disconnect(m_territories, nullptr, this, nullptr);
    m_territories = selection;
    if (selection)
        connect(selection, &TerritorySelection::changed, this, &frm_dispData::showTerritorySelection);
}

void frm_dispData::takeTerritorySelection()
{
    if (!m_territories)
        return;
    QList<int> rows;
    for (const QModelIndex &i : datagrid->selectionModel()->selectedIndexes())
        if (!rows.contains(DataTableModel::tableRow(i)))
            rows << DataTableModel::tableRow(i);
    std::sort(rows.begin(), rows.end());
    // The row the user moved to last comes first: it is the current territory.
    const int now = DataTableModel::tableRow(datagrid->selectionModel()->currentIndex());
    if (rows.removeOne(now))
        rows.prepend(now);
    m_territories->set(territoryCodesOfRows(m_table, rows));
}

void frm_dispData::showTerritorySelection()
{
    if (!m_territories)
        return;
    const QList<int> rows = rowsOfTerritories(m_table, m_territories->codes());
    QItemSelection selection;
    int current = -1;
    for (int row : rows) {
        selection.select(m_model->indexOf(row, 0), m_model->indexOf(row, m_table.columnCount() - 1));
        if (m_table.text(row, 1).trimmed() == m_territories->current())
            current = row;
    }
    QItemSelectionModel *sm = datagrid->selectionModel();
    // The rows the grid already shows selected stay as they are (the user's own block).
    QSet<int> shown;
    for (const QModelIndex &i : sm->selectedIndexes())
        shown.insert(DataTableModel::tableRow(i));
    if (shown == QSet<int>(rows.begin(), rows.end()))
        return;
    m_syncing = true;
    sm->select(selection, QItemSelectionModel::ClearAndSelect);
    if (current < 0 && !rows.isEmpty())
        current = rows.front();
    if (current >= 1) {
        const int column = std::max(m_table.selEnd.column, 0);
        const QModelIndex at = m_model->indexOf(current, column);
        sm->setCurrentIndex(at, QItemSelectionModel::NoUpdate);
        static_cast<QTableView *>(datagrid)->scrollTo(at); // through the public base
        m_table.current = {current, 0};
        m_table.selEnd = {current, m_table.columnCount() - 1};
    }
    m_syncing = false;
}

void frm_dispData::takeViewSelection()
{
    // The view's current index is the corner the user moved last: the selection end. The
    // current cell is the opposite corner of the selected block (the same cell after a plain
    // click).
    const QItemSelectionModel *sm = datagrid->selectionModel();
    const QModelIndex now = sm->currentIndex();
    if (!now.isValid())
        return;
    CellPos end {DataTableModel::tableRow(now), now.column()};
    CellPos start = end;
    for (const QItemSelectionRange &r : sm->selection()) {
        if (!r.contains(now))
            continue;
        start.row = (now.row() == r.top() ? r.bottom() : r.top()) + 1;
        start.column = now.column() == r.left() ? r.right() : r.left();
        break;
    }
    m_table.current = start;
    m_table.selEnd = end;
}

void frm_dispData::datagrid_Click()
{
    // Both boxes follow the column of the selection end (cmb_ric has the blank item first).
    const int c = m_table.selEnd.column;
    if (c + 1 < cmb_ric->count())
        cmb_ric->setCurrentIndex(c + 1);
    if (c < cmb_Ordina->count())
        cmb_Ordina->setCurrentIndex(c);
}

void frm_dispData::datagrid_RowColChange()
{
    m_descColumn = m_table.selEnd.column;
    lblDescVar->clear();
    const Result<QString> description = grid::variableDescription(m_services, m_rowsCommand, m_table,
                                                                  m_table.selEnd.column);
    if (!description)
        reportFailure(description.failure(), m_services.log, m_services.prompt, kModule);
    lblDescVar->setText(description ? description.value() : QString());
}

void frm_dispData::sortOn(int c, bool ascending)
{
    setRedraw(false);
    {
        BusyPointer busy(m_services.prompt);
        m_table.selEnd.column = c;
        grid::sortColumn(m_table, c, ascending, m_services.numbers);
    }
    m_model->reload();
    showTableSelection();
    setSortIndicator(c, ascending);
    setRedraw(true);
}

void frm_dispData::setSortIndicator(int column, bool ascending)
{
    m_sortColumn = column;
    m_sortAscending = ascending;
    datagrid->showSortIndicator(column, ascending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void frm_dispData::sortByName(bool ascending, const QString &procedure)
{
    const QString name = cmb_Ordina->currentText();
    const int c = m_table.columnOf(name);
    if (c < 0) {
        showTableSelection();
        m_services.log.logError(this, procedure, QStringLiteral("30009"),
                                QStringLiteral("Nessuna colonna si chiama '%1'.").arg(name));
        return;
    }
    m_table.current.column = c;
    sortOn(c, ascending);
}

void frm_dispData::sortBySelection(bool ascending, const QString &)
{
    const int c = m_table.selEnd.column;
    if (c < 0 || c >= m_table.columnCount())
        return;
    sortOn(c, ascending);
}

void frm_dispData::datagrid_HeaderClick(int column)
{
    if (column < 0 || column >= m_table.columnCount())
        return;
    const bool ascending = !(m_sortColumn == column && m_sortAscending);
    m_table.current.column = column;
    sortOn(column, ascending);
    datagrid_Click();
}

void frm_dispData::cmd_ordinaA_Click()
{
    sortByName(true, QStringLiteral("cmd_ordinaA_Click"));
}

void frm_dispData::cmd_ordinaD_Click()
{
    sortByName(false, QStringLiteral("cmd_ordinaD_Click"));
}

void frm_dispData::mnu_asce_Click()
{
    sortBySelection(true, QStringLiteral("mnu_asce_Click"));
}

void frm_dispData::mnu_disce_Click()
{
    sortBySelection(false, QStringLiteral("mnu_disce_Click"));
}

void frm_dispData::cmd_ric_Click()
{
    setRedraw(false);
    const grid::SearchOutcome out = grid::searchTable(m_services, m_table, cmb_ric->currentIndex(), txt_ricda->text(),
                                                      txt_rica->text());
    if (out.warning)
        reportFailure(*out.warning, m_services.log, m_services.prompt, kModule);
    txt_rica->setText(out.upper);
    if (out.kind == grid::SearchOutcome::Kind::Text || out.kind == grid::SearchOutcome::Kind::Range) {
        setSortIndicator(-1, true); // the matches stand above the sorted rest
        m_model->reload();
        showTableSelection();
        // The matches are at the top: bring row 1 into view when it is not.
        const QModelIndex first = m_model->indexOf(1, m_table.selEnd.column);
        if (first.isValid() && !datagrid->viewport()->rect().intersects(datagrid->visualRect(first)))
            datagrid->scrollToTop();
    }
    setRedraw(true);
}

void frm_dispData::mnu_clipboard_Click()
{
    CopiaNegliAppunti(m_table);
}

void frm_dispData::copySelection()
{
    // The block the view shows selected; the cell under the cursor when nothing is.
    const QItemSelectionModel *sm = datagrid->selectionModel();
    QModelIndex a = sm->currentIndex(), b = a;
    const QItemSelection selection = sm->selection();
    if (!selection.isEmpty()) {
        const QItemSelectionRange &r = selection.first();
        a = r.topLeft();
        b = r.bottomRight();
    }
    if (!a.isValid())
        return;
    QList<int> hidden;
    for (int c = 0; c < m_table.columnCount(); ++c)
        if (datagrid->isColumnHidden(c))
            hidden << c;
    copyToClipboard(copiedBlock(m_table, {DataTableModel::tableRow(a), a.column()},
                                {DataTableModel::tableRow(b), b.column()}, hidden));
}

void frm_dispData::mnu_metadati_Click()
{
    const QString code = grid::metadataCode(m_table, m_table.selEnd.column);
    if (code.isEmpty()) {
        m_services.prompt->message(QString(grid::kNoMetadataMessage), QString(), Icon::Information);
        return;
    }
    if (m_main)
        openMetadataSheet(*m_main, m_rowsCommand.CurrentTipo, code);
}

void frm_dispData::cmdFunzione_Click()
{
    // The formula window works on a snapshot of this table, so one at a time; it is modal for
    // the whole program without a nested event loop.
    if (m_formula) {
        m_formula->raise();
        m_formula->activateWindow();
        return;
    }
    m_formula = new frmFunzione(m_services, m_table, derived, this, [this](const QString &header) {
        addHeaderToOrdina(header);
        refreshTable();
    });
    m_formula->setAttribute(Qt::WA_DeleteOnClose);
    m_formula->setWindowModality(Qt::ApplicationModal);
    m_formula->show();
}

void frm_dispData::cmdEsportaXls_Click()
{
    FileOpener *opener = fileOpener;
    if (!opener) {
        if (!m_desktopOpener)
            m_desktopOpener = std::make_unique<DesktopFileOpener>();
        opener = m_desktopOpener.get();
    }
    if (const Result<ExportEnd> exported = EsportaInExcel(m_services, m_paths, m_rowsCommand, m_table, *opener);
        !exported)
        reportFailure(exported.failure(), m_services.log, m_services.prompt, kModule);
    // The table was sorted on the territory code before the save dialog, whatever came next.
    refreshTable();
    setSortIndicator(1, true);
}

void frm_dispData::cmd_createmap_Click()
{
    if (createMapHook)
        createMapHook();
}

void frm_dispData::mnu_createMap_Click()
{
    if (createMapHook)
        createMapHook();
}

QStringList frm_dispData::chartTerritories() const
{
    QList<int> rows;
    if (m_territories && !m_territories->isEmpty()) {
        rows = rowsOfTerritories(m_table, m_territories->codes());
    } else {
        for (const QModelIndex &i : datagrid->selectionModel()->selectedIndexes())
            if (!rows.contains(DataTableModel::tableRow(i)))
                rows << DataTableModel::tableRow(i);
        std::sort(rows.begin(), rows.end());
    }
    return territoryCodesOfRows(m_table, rows);
}

int frm_dispData::chartColumn()
{
    const int column = m_table.current.column;
    if (column < DataTable::kFirstDataColumn || column >= m_table.columnCount()) {
        if (m_services.prompt)
            m_services.prompt->message(QStringLiteral("Scegliere prima una colonna di dati della tabella."),
                                       QStringLiteral("Attenzione"), Icon::Exclamation);
        return -1;
    }
    return column;
}

void frm_dispData::openChart(const chart::ChartData &data)
{
    auto *w = new ChartWindow(m_paths, m_services, this);
    w->setData(data);
    w->show();
}

void frm_dispData::cmdSerieStorica_Click()
{
    const int column = chartColumn();
    if (column < 0)
        return;
    const QString item = chart::itemOfHeader(m_table.header(column));
    const QStringList chosen = chartTerritories();
    QString refusal;
    if (item.isEmpty())
        refusal = QStringLiteral("La colonna %1 non è una voce di un anno.").arg(m_table.header(column));
    else if (chosen.isEmpty())
        refusal = QStringLiteral("Selezionare nella tabella i territori della serie storica.");
    if (!refusal.isEmpty()) {
        if (m_services.prompt)
            m_services.prompt->message(refusal, QStringLiteral("Attenzione"), Icon::Exclamation);
        return;
    }
    BusyPointer busy(m_services.prompt);
    const chart::ItemYearsOutcome years = chart::loadItemYears(m_services, m_rowsCommand, item,
                                                               chart::territoriesWithReferences(m_table, chosen));
    if (years.yearsFailure)
        reportFailure(*years.yearsFailure, m_services.log, m_services.prompt, objectName());
    if (!years.ok()) {
        m_services.log.logError(this, QStringLiteral("cmdSerieStorica_Click"), QString(), years.message, years.detail);
        return;
    }
    openChart(chart::buildTimeSeries(years.table, chosen, m_services.numbers));
}

void frm_dispData::cmdGraficoBarre_Click()
{
    const int column = chartColumn();
    if (column >= 0)
        openChart(chart::buildBarChart(m_table, column, m_services.numbers));
}

void frm_dispData::cmdInfo_Click()
{
    if (m_main)
        m_main->openWindow(QStringLiteral("FRMNOTA"));
}

void frm_dispData::cmdHelp_Click()
{
    if (m_main)
        m_main->ShowHelp(kHelpContext);
}

void frm_dispData::cmdChiudi_Click()
{
    derived.resetCounter();
    frameOf(this)->close();
}

void frm_dispData::closeEvent(QCloseEvent *e)
{
    m_selection = {};
    m_query.clear();
    QWidget::closeEvent(e);
}

bool frm_dispData::eventFilter(QObject *watched, QEvent *event)
{
    // The right button opens the pop-up menu and leaves the selection as it was.
    if ((watched == datagrid->viewport() || watched == datagrid->frozenView()->viewport())
        && event->type() == QEvent::MouseButtonPress) {
        auto *me = static_cast<QMouseEvent *>(event);
        if (me->button() == Qt::RightButton) {
            mnu_ordinam->popup(me->globalPosition().toPoint());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qrn::ui

// The data grid window opened from the selection window on the sample data and driven as a
// user drives it: only what the window adds to the grid operations (the wiring of its controls,
// the prompts, the hand-offs to other windows).

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "catalogue/ui/formdatitab.h"
#include "chart/ui/chartwindow.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"
#include "table/export.h"
#include "table/ui/exportflow.h"
#include "table/ui/frm_dispdata.h"
#include "table/ui/frmfunzione.h"
#include "table/ui/gridview.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

template <class T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}

QStringList items(QComboBox *box)
{
    QStringList out;
    for (int i = 0; i < box->count(); ++i)
        out << box->itemText(i);
    return out;
}

QStringList columnOf(const DataTable &t, int column)
{
    QStringList out;
    for (int r = 1; r < t.rowCount(); ++r)
        out << t.text(r, column);
    return out;
}

// The selection window of the provincial and regional variables, with the grid it opens for the
// years given ("CODE-YEAR"), "Tutte le regioni", Torino and Valle d'Aosta.
struct Scenario {
    test::TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = test::startMainWindow(tf, *ctx);
    ui::FormdatiTab *sel = nullptr;
    ui::frm_dispData *w = nullptr;
    QTableView *v = nullptr;

    explicit Scenario(const QStringList &years)
    {
        main->runMenuCommand(2);
        sel = qobject_cast<ui::FormdatiTab *>(main->registry().existing("FORMDATITAB"));
        for (const QString &y : years)
            chooseYear(y.section('-', 0, 0), y.section('-', 1));
        if (years.isEmpty())
            return;
        child<QCheckBox>(sel, "Check1_6")->click();
        sel->selectTerritories({"Torino", "Valle d'Aosta/Vallée d'Aoste"});
        serie();
    }
    void chooseYear(const QString &code, const QString &year)
    {
        QTreeWidgetItem *item = sel->nodeByKey(code);
        ASSERT_TRUE(item) << code.toStdString();
        sel->objtree_NodeClick(item);
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == year)
                return sel->objtree_NodeClick(item->child(i));
        FAIL() << "no year " << year.toStdString() << " for " << code.toStdString();
    }
    void serie()
    {
        child<QPushButton>(sel, "serie")->click();
        w = qobject_cast<ui::frm_dispData *>(main->registry().existing("FRM_DISPDATA"));
        v = w ? child<QTableView>(w, "datagrid") : nullptr;
    }
    // Opens the grid on query, as the selection window's button would, without that window.
    ui::frm_dispData *openOnQuery(const SelectionQuery &query)
    {
        auto *grid = qobject_cast<ui::frm_dispData *>(main->registry().instance("FRM_DISPDATA"));
        if (grid)
            grid->showSelection(query);
        main->showChild(grid);
        return grid;
    }
    // Clicks the cell of a table row (1 = first data row) in the view.
    void clickCell(int row, int column, Qt::KeyboardModifiers mods = {})
    {
        const QModelIndex idx = v->model()->index(row - 1, column);
        v->scrollTo(idx);
        QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, v->visualRect(idx).center());
    }
};

} // namespace

TEST(GridWindow, VisualizzaDatiShowsTheTableWithItsControlsHeaderSortCopyAndFrozenColumns)
{
    Scenario s({"TR001-2004", "AS013-2005"});
    ui::frm_dispData *w = s.w;
    ASSERT_TRUE(w);
    EXPECT_TRUE(s.tf.prompt.shown().empty()) << s.tf.prompt.messages().join("|").toStdString();
    const QStringList headers = w->table().rows().value(0);
    EXPECT_EQ(items(child<QComboBox>(w, "cmb_Ordina")), headers);
    EXPECT_EQ(items(child<QComboBox>(w, "cmb_ric")), QStringList {""} + headers);

    // The description, the clipboard and the metadata follow the selection end.
    s.clickCell(2, 7);
    EXPECT_EQ(child<QLabel>(w, "lblDescVar")->text(),
              s.ctx->GetDbConnection("Metadati.mdb")
                  ->query("select DescVariabile from MetadatiVariabili where IdVariabile = 'TR001'")
                  .text(0));
    s.clickCell(2, 5);
    s.clickCell(4, 7, Qt::ShiftModifier);
    child<QAction>(w, "mnu_clipboard")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w->table().text(4, 7));

    // Metadata: a territory column has none (not even COD_TERR, whose name holds a "_").
    for (int column : {1, 6}) {
        s.clickCell(1, column);
        child<QAction>(w, "mnu_metadati")->trigger();
    }
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Informazioni per la variabile non disponibili!"});
    QWidget *sheet = s.main->registry().existing("FRMSCHEDAVARIABILI");
    ASSERT_TRUE(sheet && sheet->isVisible());
    EXPECT_TRUE(child<QLineEdit>(sheet, "txtVariabili")->text().startsWith("AS013 - "));

    // A header click sorts as the buttons do (again: descending) and shows the indicator, which the
    // search clears; Ctrl+A and Ctrl+C copy the block the user sees; the territory columns stay in
    // sight while the view scrolls right.
    w->resize(700, 500);
    w->show();
    QApplication::processEvents();
    QHeaderView *header = s.v->horizontalHeader();
    child<QComboBox>(w, "cmb_Ordina")->setCurrentText("AS013_2005");
    child<QPushButton>(w, "cmd_ordinaD")->click();
    const QStringList descending = columnOf(w->table(), 5);
    const int as013 = w->table().columnOf("AS013_2005");
    for (int d = 0; d < 2; ++d)
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(as013) + 4, header->height() / 2));
    EXPECT_EQ(columnOf(w->table(), 5), descending) << "the second click sorts descending";
    EXPECT_EQ(w->sortedColumn(), as013);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);

    s.v->setFocus();
    QTest::keyClick(s.v, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(s.v, Qt::Key_C, Qt::ControlModifier);
    const DataTable &t = w->table();
    EXPECT_EQ(QGuiApplication::clipboard()->text(),
              copiedBlock(t, {1, 0}, {t.rowCount() - 1, t.columnCount() - 1}, {0}).text);

    // The frozen view shows the territory columns 1 to 5 and stays put while the rest scrolls.
    QTableView *frozen = qobject_cast<ui::FrozenColumnsView *>(s.v)->frozenView();
    EXPECT_TRUE(frozen->isVisible() && frozen->isColumnHidden(0) && !frozen->isColumnHidden(5)
                && frozen->isColumnHidden(6));
    const QPoint place = frozen->pos();
    s.v->setColumnWidth(t.columnCount() - 1, 3000);
    QApplication::processEvents();
    s.v->horizontalScrollBar()->setValue(s.v->horizontalScrollBar()->maximum());
    QApplication::processEvents();
    EXPECT_GT(s.v->horizontalScrollBar()->value(), 0);
    EXPECT_EQ(frozen->pos(), place);
    EXPECT_EQ(frozen->indexAt(QPoint(2, 2)).column(), 1);

    child<QComboBox>(w, "cmb_ric")->setCurrentIndex(7);
    child<QLineEdit>(w, "txt_ricda")->setText("0");
    child<QPushButton>(w, "cmd_ric")->click();
    EXPECT_EQ(w->sortedColumn(), -1);
    EXPECT_FALSE(header->isSortIndicatorShown());
}

TEST(GridWindow, SortAndSearchFromTheButtonsAndThePopUpThenTheSameWindowServesTheNextQuery)
{
    Scenario s({"AS013-2005"});
    QPointer<ui::frm_dispData> w = s.w;
    ASSERT_TRUE(w);
    // The search boxes hold a whole value with its decimals as the window opens.
    QApplication::processEvents();
    QLineEdit *da = child<QLineEdit>(w, "txt_ricda"), *a = child<QLineEdit>(w, "txt_rica");
    da->setText("-1500000,25");
    da->setCursorPosition(0);
    EXPECT_GE(da->contentsRect().width() - 2 * da->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4,
              da->fontMetrics().horizontalAdvance(da->text()));

    // A name that is no header: logged, nothing sorted.
    QComboBox *ordina = child<QComboBox>(w, "cmb_Ordina");
    const QStringList before = columnOf(w->table(), 5);
    ordina->setCurrentText("AS013");
    child<QPushButton>(w, "cmd_ordinaA")->click();
    EXPECT_EQ(columnOf(w->table(), 5), before);
    EXPECT_TRUE(s.tf.read("Files/Error.log").contains("cmd_ordinaA_Click"));
    ordina->setCurrentText("Territorio");
    QTest::mouseClick(child<QPushButton>(w, "cmd_ordinaD"), Qt::LeftButton);
    EXPECT_EQ(columnOf(w->table(), 5).first(), "Veneto");

    // The pop-up: a click chooses the column, the right button opens the menu without moving
    // the selection, "Ascendente" sorts on that column.
    s.clickCell(3, 5);
    EXPECT_EQ(ordina->currentIndex(), 5);
    EXPECT_EQ(child<QComboBox>(w, "cmb_ric")->currentIndex(), 6);
    QTest::mousePress(s.v->viewport(), Qt::RightButton, {}, s.v->visualRect(s.v->model()->index(6, 6)).center());
    EXPECT_TRUE(w->popupMenu()->isVisible());
    w->popupMenu()->close();
    EXPECT_EQ(w->table().selEnd, (CellPos {3, 5}));
    child<QAction>(w, "mnu_asce")->trigger();
    EXPECT_EQ(columnOf(w->table(), 5).first(), "Abruzzo");

    // The search boxes reach the search; the rows it brings up are the view's selection; one
    // value goes to the upper box.
    s.tf.prompt.clear();
    auto search = [&](const char *lower, const char *upper) {
        da->setText(lower);
        a->setText(upper);
        child<QPushButton>(w, "cmd_ric")->click();
    };
    child<QComboBox>(w, "cmb_ric")->setCurrentIndex(7); // AS013_2005, after the blank item
    search("7000", "");
    EXPECT_EQ(a->text(), "7000");
    search("5000", "9999,5");
    const int k = w->table().selEnd.row;
    ASSERT_GT(k, 1);
    QSet<int> rows;
    for (const QModelIndex &i : s.v->selectionModel()->selectedIndexes())
        rows << i.row() + 1;
    EXPECT_TRUE(rows.size() == k && rows.contains(1) && rows.contains(k));
    // Reversed bounds: the window shows the search's warning.
    search("9000", "10");
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Il valore 'Da' non deve essere maggiore del valore 'a'!"});

    // "Visualizza Dati" for the same selection shows the window as it is, for another selection
    // the same window serves it; closing clears the selection query.
    w->table().setText(1, 5, "segno");
    s.serie();
    EXPECT_EQ(s.w, w.data());
    EXPECT_EQ(w->table().text(1, 5), "segno");
    s.chooseYear("TR001", "2004");
    s.serie();
    EXPECT_EQ(s.w, w.data());
    child<QPushButton>(w, "cmdChiudi")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
}

// A selection the store refuses for its size leaves an empty grid whose controls do no harm; a
// first loading stopped half-way leaves an empty grid that says so, without a message box.
TEST(GridWindow, ARefusedOrStoppedLoadingLeavesAnEmptyGridThatDoesNoHarm)
{
    {
        Scenario s({});
        Recordset rs = s.ctx->GetDbConnection("Variabili.mdb")
                           ->query("select min(Variabile) || '-' || Anno || ' - ' from IndVarAnno group by Tabella");
        QStringList rows;
        for (int r = 0; r < rs.recordCount(); ++r)
            rows << rs.row(r).at(0).toString();
        ui::frm_dispData *w = s.openOnQuery(
            {CreaQuery(*s.ctx, s.ctx->CurrentDb, s.ctx->CurrentTipo, rows, BuildTerritoryFilter({"Torino"})).value(),
             s.ctx->CurrentDb});
        ASSERT_TRUE(w);
        EXPECT_EQ(s.tf.prompt.messages().size(), 1);
        EXPECT_EQ(child<QComboBox>(w, "cmb_Ordina")->count(), 0);
        child<QPushButton>(w, "cmd_ordinaA")->click();
        child<QAction>(w, "mnu_asce")->trigger();
        child<QAction>(w, "mnu_clipboard")->trigger();
        EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
    }
    Scenario s({});
    s.tf.prompt.cancelProgressAtStep(2);
    ui::frm_dispData *w = s.openOnQuery(
        {"SELECT land_Ind.COD_TERR, b.COD_TERR AS Altro FROM land_Ind, land_Ind AS b", s.ctx->CurrentDb});
    ASSERT_TRUE(w);
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());
    EXPECT_EQ(child<QTableView>(w, "datagrid")->model()->columnCount(), 0);
    EXPECT_EQ(child<QLabel>(w, "lblDescVar")->text(), QString(ui::kLoadingCancelled));
}

TEST(GridWindow, FormulaExportAndNotesStartFromTheGrid)
{
    Scenario s({"TR001-2001", "TR003-2005"});
    ui::frm_dispData *w = s.w;
    ASSERT_TRUE(w);
    for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
        QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, s.tf.file(QString("Files/") + t));

    // "Crea indicatore": the new column is shown and listed in both boxes.
    child<QPushButton>(w, "cmdFunzione")->click();
    ui::frmFunzione *f = w->formulaWindow();
    ASSERT_TRUE(f && f->isVisible());
    EXPECT_EQ(f->windowModality(), Qt::ApplicationModal);
    f->lstColonne_DblClick(child<QListWidget>(f, "lstColonne")->findItems("TR001_2001", Qt::MatchExactly).first());
    s.tf.prompt.answerInput(QStringLiteral("Meta"));
    child<QPushButton>(f, "cmdEsegui")->click();
    QApplication::processEvents();
    EXPECT_EQ(s.v->model()->headerData(8, Qt::Horizontal).toString(), "Meta");
    EXPECT_EQ(items(child<QComboBox>(w, "cmb_Ordina")).value(8) + items(child<QComboBox>(w, "cmb_ric")).value(9),
              "MetaMeta");
    EXPECT_TRUE(s.v->isColumnHidden(0));

    // "Esporta in Excel" writes the workbook (not opened now).
    const QString file = s.tf.file("Excel/dati.xlsx");
    s.tf.prompt.answerFile(file);
    s.tf.prompt.answer(Answer::No);
    child<QPushButton>(w, "cmdEsportaXls")->click();
    EXPECT_GT(QFileInfo(file).size(), 0);

    // The notes window lists the notes of the table's columns.
    QString notes;
    QTimer::singleShot(0, [&] {
        if (auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            notes = dlg->findChild<QTextBrowser *>("txtNota")->toPlainText();
            dlg->accept();
        }
    });
    child<QPushButton>(w, "cmdInfo")->click();
    EXPECT_TRUE(notes.contains("Dal 2001 le strade statali")) << notes.toStdString();
}

// A later menu command for another database and type leaves the grid on those of its rows: the
// description and the time series of a column are still read from them.
TEST(GridWindow, AMenuCommandForAnotherDatabaseLeavesTheGridOnItsOwn)
{
    Scenario s({"TR001-2004"});
    ui::frm_dispData *w = s.w;
    ASSERT_TRUE(w);
    QLabel *desc = child<QLabel>(w, "lblDescVar");
    s.clickCell(2, 6);
    const QString description = desc->text();
    ASSERT_FALSE(description.isEmpty());
    s.main->runMenuCommand(9); // the indicators of IndEconomici.mdb
    ASSERT_EQ(s.ctx->CurrentDb + s.ctx->CurrentTipo, "IndEconomici.mdbIndicatori");
    ASSERT_EQ(s.main->registry().existing("FRM_DISPDATA"), w);

    s.clickCell(1, 6);
    EXPECT_EQ(desc->text(), description);
    s.tf.prompt.clear();
    child<QPushButton>(w, "cmdSerieStorica")->click();
    EXPECT_EQ(w->findChildren<ui::ChartWindow *>().size(), 1) << s.tf.prompt.messages().join("|").toStdString();

    // The map of the column reads the item's other years from the grid's database as well.
    s.tf.prompt.clear();
    ASSERT_TRUE(w->createMapHook);
    w->createMapHook();
    QWidget *map = s.main->findChild<QWidget *>("frm_Mappa");
    ASSERT_TRUE(map) << s.tf.prompt.messages().join("|").toStdString();
    auto *year = map->findChild<QLabel *>("lblAnno");
    const QString shown = year->text();
    QTest::mouseClick(map->findChild<QPushButton *>("cmdAnnoPrec"), Qt::LeftButton);
    EXPECT_NE(year->text(), shown);
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty()) << s.tf.prompt.messages().join("|").toStdString();
}

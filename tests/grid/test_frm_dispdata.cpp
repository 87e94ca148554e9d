// The data grid window opened from the selection window on the sample data and driven as a
// user drives it: what the window adds to the grid operations.

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "catalogue/ui/formdatitab.h"
#include "shell/links.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"
#include "table/export.h"
#include "table/gridops.h"
#include "table/tablemodel.h"
#include "table/ui/frm_dispdata.h"
#include "table/ui/frmfunzione.h"
#include "ui/registerwindows.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QStyle>
#include <QTableView>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

struct Scenario {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<ui::MainWindow> main;
    ui::FormdatiTab *sel = nullptr;

    explicit Scenario(const NumberFormat &numbers = NumberFormat::comma())
    {
        ctx = tf.context();
        ctx->numbers = numbers;
        main = qrn::test::startMainWindow(tf, *ctx);
        main->mnu_submnu_Click(2); // provincial and regional variables
        sel = qobject_cast<ui::FormdatiTab *>(main->registry().existing("FORMDATITAB"));
    }

    // Clicks the year of an item in the catalogue tree.
    void chooseYear(const QString &code, const QString &year)
    {
        QTreeWidgetItem *item = sel->nodeByKey(code);
        ASSERT_TRUE(item) << code.toStdString();
        sel->objtree_NodeClick(item);
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == year) {
                sel->objtree_NodeClick(item->child(i));
                return;
            }
        FAIL() << "no year " << year.toStdString() << " for " << code.toStdString();
    }

    // "Tutte le regioni" plus Torino and Valle d'Aosta by name, then "Visualizza Dati".
    ui::frm_dispData *show(const QStringList &extraNames = {"Torino", "Valle d'Aosta/Vallée d'Aoste"})
    {
        sel->findChild<QCheckBox *>("Check1_6")->click();
        sel->selectTerritories(extraNames);
        sel->findChild<QPushButton *>("serie")->click();
        return grid();
    }
    ui::frm_dispData *grid() const
    {
        return qobject_cast<ui::frm_dispData *>(main->registry().existing("FRM_DISPDATA"));
    }
};

template <class T> T *child(QWidget *w, const char *name)
{
    T *c = w->findChild<T *>(QString::fromLatin1(name));
    EXPECT_TRUE(c) << name;
    return c;
}

QTableView *view(ui::frm_dispData *w)
{
    return child<QTableView>(w, "datagrid");
}

// Clicks the cell of a table row (1 = first data row) in the view.
void clickCell(ui::frm_dispData *w, int row, int column, Qt::KeyboardModifiers mods = {})
{
    QTableView *v = view(w);
    const QModelIndex idx = v->model()->index(row - 1, column);
    v->scrollTo(idx);
    QTest::mouseClick(v->viewport(), Qt::LeftButton, mods, v->visualRect(idx).center());
}

QStringList viewColumn(QTableView *v, int column)
{
    QStringList out;
    for (int r = 0; r < v->model()->rowCount(); ++r)
        out << v->model()->index(r, column).data().toString();
    return out;
}

QList<double> numbersOf(const QStringList &texts, const NumberFormat &f)
{
    QList<double> out;
    for (const QString &t : texts)
        out << f.toNumber(t).value_or(-1e300);
    return out;
}

QList<int> selectedRows(QTableView *v)
{
    QList<int> rows;
    for (const QModelIndex &i : v->selectionModel()->selectedIndexes())
        if (!rows.contains(i.row() + 1))
            rows << i.row() + 1;
    std::sort(rows.begin(), rows.end());
    return rows;
}

} // namespace

// What the window adds to the loaded table: its names, the hidden column, the lists of headers.
TEST(GridWindow, VisualizzaDatiShowsTheTableWithItsControls)
{
    Scenario s;
    ASSERT_TRUE(s.sel);
    s.chooseYear("TR001", "2004");
    s.chooseYear("AS013", "2005");
    ui::frm_dispData *w = s.show();
    ASSERT_TRUE(w);
    EXPECT_TRUE(s.tf.prompt.shown().empty()) << s.tf.prompt.messages().join("|").toStdString();
    EXPECT_EQ(w->objectName(), "frm_dispData");
    EXPECT_EQ(w->windowTitle(), "Visualizza ed esporta dati");
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(w->ranQuery(), s.ctx->SelectQuery);
    EXPECT_FALSE(child<QTableView>(w, "datagrid2")->isVisible());

    QTableView *v = view(w);
    QAbstractItemModel *m = v->model();
    ASSERT_EQ(m->rowCount(), 21) << "20 regions and Torino";
    ASSERT_EQ(m->columnCount(), 8);
    EXPECT_EQ(m->headerData(6, Qt::Horizontal).toString(), "AS013_2005");
    EXPECT_EQ(m->index(0, 5).data().toString(), w->table().text(1, 5));
    EXPECT_TRUE(v->isColumnHidden(0));

    // The combo boxes list every header; the search box has a blank item first.
    QComboBox *ordina = child<QComboBox>(w, "cmb_Ordina");
    QComboBox *ric = child<QComboBox>(w, "cmb_ric");
    ASSERT_EQ(ordina->count(), 8);
    ASSERT_EQ(ric->count(), 9);
    EXPECT_EQ(ric->itemText(0), "");
    for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(ordina->itemText(c), w->table().header(c));
        EXPECT_EQ(ric->itemText(c + 1), w->table().header(c));
    }
}

TEST(GridWindow, SortFromTheButtonsAndFromThePopUp)
{
    Scenario s;
    s.chooseYear("AS013", "2005");
    ui::frm_dispData *w = s.show();
    ASSERT_TRUE(w);
    QTableView *v = view(w);
    QComboBox *ordina = child<QComboBox>(w, "cmb_Ordina");
    ordina->setCurrentText("AS013_2005");
    QTest::mouseClick(child<QPushButton>(w, "cmd_ordinaD"), Qt::LeftButton);
    const QList<double> values = numbersOf(viewColumn(v, 6), s.ctx->numbers);
    EXPECT_TRUE(std::is_sorted(values.rbegin(), values.rend()));

    // A name that is no header: logged, nothing sorted.
    s.tf.prompt.clear();
    const QStringList before = viewColumn(v, 5);
    ordina->setCurrentText("AS013");
    child<QPushButton>(w, "cmd_ordinaA")->click();
    EXPECT_EQ(viewColumn(v, 5), before);
    ASSERT_EQ(s.tf.prompt.messages().size(), 1);
    EXPECT_TRUE(s.tf.prompt.messages()[0].startsWith("Errore : "));
    EXPECT_TRUE(s.tf.read("Files/Error.log").contains("cmd_ordinaA_Click"));

    // The pop-up: a click chooses the column, the right button opens the menu without moving
    // the selection, "Ascendente" sorts on that column.
    clickCell(w, 3, 5);
    EXPECT_EQ(w->table().selEnd, (CellPos {3, 5}));
    EXPECT_EQ(ordina->currentIndex(), 5);
    EXPECT_EQ(child<QComboBox>(w, "cmb_ric")->currentIndex(), 6);
    QTest::mousePress(v->viewport(), Qt::RightButton, {}, v->visualRect(v->model()->index(6, 6)).center());
    QMenu *menu = w->popupMenu();
    EXPECT_TRUE(menu->isVisible());
    menu->close();
    EXPECT_EQ(w->table().selEnd, (CellPos {3, 5}));
    child<QAction>(w, "mnu_asce")->trigger();
    EXPECT_EQ(viewColumn(v, 5).first(), "Abruzzo");
    child<QAction>(w, "mnu_disce")->trigger();
    EXPECT_EQ(viewColumn(v, 5).first(), "Veneto");
}

// The search boxes reach the search, and the rows it brings up are the view's selection.
TEST(GridWindow, SearchBoxesDriveTheSearchAndSelectTheRows)
{
    Scenario s;
    s.chooseYear("AS013", "2005");
    ui::frm_dispData *w = s.show();
    ASSERT_TRUE(w);
    QTableView *v = view(w);
    QComboBox *ric = child<QComboBox>(w, "cmb_ric");
    QLineEdit *da = child<QLineEdit>(w, "txt_ricda");
    QLineEdit *a = child<QLineEdit>(w, "txt_rica");
    QPushButton *go = child<QPushButton>(w, "cmd_ric");

    ric->setCurrentIndex(7); // AS013_2005, after the blank item
    da->setText("5000");
    a->setText("9999,5");
    go->click();
    EXPECT_TRUE(s.tf.prompt.shown().empty());
    const int k = w->table().selEnd.row;
    ASSERT_GT(k, 1);
    EXPECT_EQ(w->table().current, (CellPos {1, 6}));
    EXPECT_EQ(w->table().selEnd.column, 6);
    QList<int> top;
    for (int i = 1; i <= k; ++i)
        top << i;
    EXPECT_EQ(selectedRows(v), top);

    // One value: the upper box takes it.
    da->setText("7000");
    a->clear();
    go->click();
    EXPECT_EQ(a->text(), "7000");

    // The blank column item does nothing.
    const QStringList before = viewColumn(v, 5);
    ric->setCurrentIndex(0);
    da->setText("Roma");
    go->click();
    EXPECT_EQ(viewColumn(v, 5), before);
    EXPECT_TRUE(s.tf.prompt.shown().empty());
}

TEST(GridWindowActions, DescriptionClipboardAndMetadataFollowTheSelectionEnd)
{
    Scenario s;
    s.chooseYear("AS013", "2005");
    s.chooseYear("TR001", "2004");
    ui::frm_dispData *w = s.show();
    ASSERT_TRUE(w);
    QLabel *desc = child<QLabel>(w, "lblDescVar");
    auto cn = s.ctx->GetDbConnection("Metadati.mdb");
    Recordset rs = cn->query("select DescVariabile from MetadatiVariabili where IdVariabile = 'TR001'");
    ASSERT_FALSE(rs.eof());

    clickCell(w, 2, 7);
    EXPECT_EQ(desc->text(), rs.text(0));
    clickCell(w, 2, 5);
    EXPECT_EQ(desc->text(), "");

    // A block from (2, 5) to (4, 7): the clipboard gets the one cell at its far corner.
    clickCell(w, 4, 7, Qt::ShiftModifier);
    EXPECT_EQ(w->table().current, (CellPos {2, 5}));
    EXPECT_EQ(w->table().selEnd, (CellPos {4, 7}));
    QGuiApplication::clipboard()->setText("prima");
    child<QAction>(w, "mnu_clipboard")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), w->table().text(4, 7));
    EXPECT_FALSE(QGuiApplication::clipboard()->mimeData()->hasHtml());
    EXPECT_FALSE(QGuiApplication::clipboard()->text().isEmpty());

    // Metadata: a territory column has none (not even COD_TERR, whose name holds a "_").
    s.tf.prompt.clear();
    clickCell(w, 1, 1);
    child<QAction>(w, "mnu_metadati")->trigger();
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Informazioni per la variabile non disponibili!"});
    EXPECT_EQ(s.tf.prompt.shown()[0].icon, Icon::Information);
    clickCell(w, 1, 6);
    child<QAction>(w, "mnu_metadati")->trigger();
    EXPECT_EQ(s.tf.prompt.shown().size(), 1u);
    QWidget *sheet = s.main->registry().existing("FRMSCHEDAVARIABILI");
    ASSERT_TRUE(sheet) << "the sheet of the column opens";
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_TRUE(child<QLineEdit>(sheet, "txtVariabili")->text().startsWith("AS013 - "));
}

// The search boxes hold a whole value with its decimals as the window opens.
TEST(GridWindowActions, TheSearchBoxesShowTheirValuesWhole)
{
    Scenario s;
    s.chooseYear("AS013", "2005");
    ui::frm_dispData *w = s.show();
    ASSERT_TRUE(w);
    QApplication::processEvents();
    for (const char *name : {"txt_ricda", "txt_rica"}) {
        QLineEdit *box = child<QLineEdit>(w, name);
        box->setText("-1500000,25");
        box->setCursorPosition(0);
        const int needed = box->fontMetrics().horizontalAdvance(box->text());
        EXPECT_GE(box->contentsRect().width() - 2 * box->style()->pixelMetric(QStyle::PM_DefaultFrameWidth) - 4, needed)
            << name << " is " << box->width() << " wide";
    }
}

TEST(GridWindowActions, TheWindowIsLoadedOnceAndClosingClearsTheQuery)
{
    Scenario s;
    s.chooseYear("AS013", "2005");
    QPointer<ui::frm_dispData> w = s.show();
    ASSERT_TRUE(w);
    const int rows = w->table().rowCount();

    // "Visualizza Dati" for the same selection shows the window as it is; for another
    // selection the same window runs the new query.
    w->table().setText(1, 5, "segno");
    s.sel->findChild<QPushButton *>("serie")->click();
    EXPECT_EQ(s.grid(), w.data());
    EXPECT_EQ(w->table().text(1, 5), "segno");
    s.chooseYear("TR001", "2004");
    s.sel->findChild<QPushButton *>("serie")->click();
    EXPECT_EQ(s.grid(), w.data());
    EXPECT_EQ(w->table().rowCount(), rows);
    EXPECT_EQ(w->table().columnCount(), 8);
    EXPECT_EQ(w->ranQuery(), s.ctx->SelectQuery);

    // "Chiudi" resets the counter of derived indicators and closes; here the frame refuses
    // to close so the counter can be read afterwards.
    w->derived.counter = 4;
    struct Refuse : QObject {
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Close) {
                e->ignore();
                return true;
            }
            return false;
        }
    } refuse;
    QWidget *frame = w->parentWidget();
    frame->installEventFilter(&refuse);
    child<QPushButton>(w, "cmdChiudi")->click();
    EXPECT_EQ(w->derived.counter, 0);
    frame->removeEventFilter(&refuse);

    // Closing for real clears the selection query; the next "Visualizza Dati" loads anew.
    child<QPushButton>(w, "cmdChiudi")->click();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(w.isNull());
    EXPECT_TRUE(s.ctx->SelectQuery.isEmpty());
    s.sel->findChild<QPushButton *>("serie")->click();
    ASSERT_TRUE(s.grid());
    EXPECT_EQ(s.grid()->table().columnCount(), 8);
}

TEST(GridWindowActions, ASelectionTooLargeForTheStoreLeavesAnEmptyGridThatDoesNoHarm)
{
    Scenario s;
    // One item of every data table: more tables than one statement can join.
    auto cn = s.ctx->GetDbConnection("Variabili.mdb");
    Recordset rs = cn->query("select min(Variabile), Anno from IndVarAnno group by Tabella");
    QStringList rows;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        rows << rs.text(0) + "-" + rs.text(1) + " - ";
    s.ctx->QueryDb = s.ctx->CurrentDb;
    ASSERT_TRUE(CreaQuery(*s.ctx, rows, BuildTerritoryFilter({"Torino"})));
    s.main->showChild(s.main->registry().instance("FRM_DISPDATA"));
    ui::frm_dispData *w = s.grid();
    ASSERT_TRUE(w);
    EXPECT_EQ(s.tf.prompt.messages(),
              QStringList {"Numero di Variabili selezionate troppo elevato. Eliminarle alcune."});
    EXPECT_TRUE(w->isVisible());
    EXPECT_EQ(view(w)->model()->rowCount(), 0);
    EXPECT_EQ(view(w)->model()->columnCount(), 0);
    EXPECT_EQ(child<QComboBox>(w, "cmb_Ordina")->count(), 0);
    EXPECT_FALSE(s.tf.prompt.busy());
    // The buttons do no harm on the empty table.
    child<QPushButton>(w, "cmd_ordinaA")->click();
    child<QAction>(w, "mnu_asce")->trigger();
    child<QAction>(w, "mnu_clipboard")->trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "");
}

namespace {

// Opens the files it is asked to open in nobody's application: records them.
struct RecordingOpener : FileOpener {
    QStringList opened;
    Outcome open(const QString &path) override
    {
        opened << path;
        return Outcome::Opened;
    }
};

} // namespace

TEST(GridWindowActions, FormulaExportAndNotesStartFromTheGrid)
{
    Scenario s;
    for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
        QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, s.tf.file(QString("Files/") + t));
    s.chooseYear("TR001", "2001");
    s.chooseYear("TR003", "2005");
    ui::frm_dispData *w = s.show();
    ASSERT_TRUE(w);
    QTableView *v = view(w);
    ASSERT_EQ(v->model()->columnCount(), 8);

    // "Crea indicatore": TR001_2001 / 2 named Meta, computed for every row.
    child<QPushButton>(w, "cmdFunzione")->click();
    ui::frmFunzione *f = w->formulaWindow();
    ASSERT_TRUE(f);
    EXPECT_TRUE(f->isVisible());
    EXPECT_EQ(f->windowModality(), Qt::ApplicationModal);
    auto *list = child<QListWidget>(f, "lstColonne");
    ASSERT_EQ(list->count(), 2);
    f->lstColonne_DblClick(list->findItems("TR001_2001", Qt::MatchExactly).first());
    child<QPushButton>(f, "cmdRapporto")->click();
    child<QPushButton>(f, "cmdNumero_2")->click();
    s.tf.prompt.answerInput(QStringLiteral("Meta"));
    child<QPushButton>(f, "cmdEsegui")->click();
    QApplication::processEvents();
    EXPECT_FALSE(w->formulaWindow() && w->formulaWindow()->isVisible());
    ASSERT_EQ(v->model()->columnCount(), 9);
    EXPECT_EQ(v->model()->headerData(8, Qt::Horizontal).toString(), "Meta");
    EXPECT_FALSE(w->table().text(1, 8).isEmpty());
    // The new column is listed in both boxes and fitted once, the first column still hidden.
    EXPECT_EQ(child<QComboBox>(w, "cmb_Ordina")->itemText(8), "Meta");
    EXPECT_EQ(child<QComboBox>(w, "cmb_ric")->itemText(9), "Meta");
    EXPECT_TRUE(v->isColumnHidden(0));
    int widest = v->fontMetrics().horizontalAdvance("Meta");
    for (const QString &cell : viewColumn(v, 8))
        widest = std::max(widest, v->fontMetrics().horizontalAdvance(cell));
    EXPECT_EQ(v->columnWidth(8), v->fontMetrics().horizontalAdvance('Q') + widest);

    // "Esporta in Excel" writes the workbook and offers it for opening.
    RecordingOpener opener;
    w->fileOpener = &opener;
    const QString file = s.tf.file("Excel/dati.xlsx");
    s.tf.prompt.answerFile(file);
    s.tf.prompt.answer(Answer::Yes); // open it now
    child<QPushButton>(w, "cmdEsportaXls")->click();
    EXPECT_TRUE(QFile::exists(file));
    EXPECT_EQ(opener.opened, QStringList {file});

    // The notes window lists the notes of the table's columns.
    QString notes;
    QTimer::singleShot(0, [&] {
        if (auto *dlg = qobject_cast<QDialog *>(QApplication::activeModalWidget())) {
            notes = dlg->findChild<QTextBrowser *>("txtNota")->toPlainText();
            dlg->accept();
        }
    });
    child<QPushButton>(w, "cmdInfo")->click();
    EXPECT_TRUE(notes.contains("TR001")) << notes.toStdString();
    EXPECT_TRUE(notes.contains("Dal 2001 le strade statali")) << notes.toStdString();
}

// The level window, the grid's "Crea cartogramma" and the map window on the sample data: what the
// window adds to the core (controls, legend grid, colours, identify, zoom, reset, layers, print, close).

#include "map/ui/frm_mappa.h"

#include "catalogue/ui/formdatitab.h"
#include "map/thematicmap.h"
#include "map/ui/frmselmappa.h"
#include "map/ui/mapwidget.h"
#include "shapewriter.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"
#include "table/territoryselection.h"
#include "table/ui/frm_dispdata.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;
using qrn::ui::frm_Mappa;

TEST(frmSelMappa, ControlsAndTheChoiceOfEachButton)
{
    const std::pair<const char *, map::LevelChoice> buttons[] = {{"cmdReg", map::LevelChoice::Regions},
                                                                 {"Cmdnut2", map::LevelChoice::Nuts2},
                                                                 {"cmdProv", map::LevelChoice::Provinces},
                                                                 {"cmdAnnulla", map::LevelChoice::Cancel}};
    for (const auto &[name, choice] : buttons) {
        ui::frmSelMappa dlg(3, "T");
        dlg.show();
        QTest::mouseClick(dlg.findChild<QPushButton *>(name), Qt::LeftButton);
        EXPECT_EQ(dlg.choice(), choice) << name;
        EXPECT_FALSE(dlg.isVisible()) << name;
    }
    EXPECT_FALSE(ui::frmSelMappa(2, "T").findChild<QPushButton *>("cmdProv")->isEnabled()); // NUTS-2
    ui::frmSelMappa closed(3, "T");
    closed.show();
    closed.close();
    EXPECT_EQ(closed.choice(), map::LevelChoice::Cancel);
}

namespace {

struct Scenario {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = qrn::test::startMainWindow(tf, *ctx);
    ui::frm_dispData *grid = nullptr;
    frm_Mappa *w = nullptr;

    // AS013 2005 for the provinces, in the grid, and its map.
    Scenario()
    {
        main->resize(1366, 768);
        main->runMenuCommand(2);
        auto *sel = qobject_cast<ui::FormdatiTab *>(main->registry().existing("FORMDATITAB"));
        QTreeWidgetItem *item = sel->nodeByKey("AS013");
        sel->objtree_NodeClick(item);
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == "2005")
                sel->objtree_NodeClick(item->child(i));
        sel->findChild<QCheckBox *>("Check1_1")->click();
        sel->findChild<QPushButton *>("serie")->click();
        grid = qobject_cast<ui::frm_dispData *>(main->registry().existing("FRM_DISPDATA"));
        openMap();
    }
    // The grid's button (or its pop-up) on the value column; the map window it opens.
    void openMap(bool popUp = false)
    {
        grid->selectCells({1, 6}, {1, 6});
        if (popUp)
            grid->findChild<QAction *>("mnu_createMap")->trigger();
        else
            grid->findChild<QPushButton *>("cmd_createmap")->click();
        QApplication::processEvents();
        w = main->area()->findChild<frm_Mappa *>("frm_Mappa");
        if (w) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(w));
            tf.prompt.clear();
        }
    }
    bool mapTableExists()
    {
        auto cn = ctx->openDatabase(ctx->userDbFile(), ctx->FilesFolder);
        return cn->queryNative("SELECT name FROM sqlite_master WHERE name = 'tMappa'").recordCount() == 1;
    }
    QColor colourAt(QPoint p) { return w->mapView->grab().toImage().pixelColor(p); }
    // A pixel well inside the province with this number, on the map as it is now.
    QPoint insideProvince(const QString &prov)
    {
        const map::ShapeLayer *layer = map::joinLayer(w->shapeCase());
        const QString field = w->shapeCase().layers[size_t(w->shapeCase().matchIndex)].FieldId;
        for (int f = 0; layer && f < layer->featureCount(); ++f)
            if (map::joinKey(layer->value(f, field), map::MapKind::Provinces) == prov)
                return qrn::test::pointWellInside(w->mapView->view().featurePath(*layer, f));
        return {-1, -1};
    }
};

} // namespace

TEST(frm_Mappa, QuartileMapOfTheProvincesIdentifyZoomResetClose)
{
    Scenario s;
    ASSERT_TRUE(s.w);
    frm_Mappa &w = *s.w;
    // In a main window of 1366 by 768 the buttons under the map are inside it (the controls
    // beside the map scroll instead), and the window can be maximised.
    for (QWidget *b : std::initializer_list<QWidget *> {w.cmd_reset, w.cmd_export, w.cmdHelp, w.cmd_close}) {
        const QRect r(b->mapTo(s.main.get(), QPoint(0, 0)), b->size());
        EXPECT_TRUE(s.main->rect().contains(r)) << b->objectName().toStdString();
    }
    EXPECT_TRUE(w.parentWidget()->windowFlags() & Qt::WindowMaximizeButtonHint);
    const map::MapRequest &req = w.request();
    EXPECT_FALSE(w.GridIndici->isVisible() || w.cmd_Stampa->isVisible());
    QTest::mouseClick(w.cmdHelp, Qt::LeftButton);
    EXPECT_TRUE(s.main->findChild<QTextBrowser *>("txtHelp")); // the pages are MainWindow's test

    // Before any drawing there is nothing to export, and identify does nothing.
    auto *esporta = w.findChild<QPushButton *>("cmd_esportaLayer");
    esporta->click();
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Disegnare prima il cartogramma."});
    const map::MapRow &lowest = *std::find_if(req.rows.begin(), req.rows.end(),
                                              [](const map::MapRow &r) { return !r.value.isEmpty(); });
    const QPoint low = s.insideProvince(lowest.prov), high = s.insideProvince(req.rows.last().prov);
    ASSERT_TRUE(low.x() >= 0 && high.x() >= 0);
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::NoModifier, low);
    EXPECT_EQ(w.territoryInfoList->topLevelItemCount(), 0);

    // The lowest province in the first class's colour, the highest in the last one's.
    QTest::mouseClick(w.Cmd_cmdAutocolor, Qt::LeftButton);
    EXPECT_TRUE(s.mapTableExists());
    EXPECT_TRUE(w.GridIndici->isVisible() && w.cmd_Stampa->isVisible());
    const QList<map::LegendRow> legend = w.legendRows();
    ASSERT_EQ(legend.size(), 5);
    EXPECT_EQ(s.colourAt(low), legend[0].colour);
    EXPECT_EQ(s.colourAt(high), legend[3].colour);
    EXPECT_TRUE(w.lblStato->text().startsWith(QStringLiteral("%1 territori: ").arg(req.rows.size())));
    // The drawn map is exported with its style beside it.
    s.tf.prompt.clear();
    s.tf.prompt.answerFile(s.tf.file("province.gpkg"));
    esporta->click();
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty()) << s.tf.prompt.messages().join('|').toStdString();
    EXPECT_TRUE(QFile::exists(s.tf.file("province.gpkg")) && QFile::exists(s.tf.file("province.sld")));

    // Identify lists the territory and outlines it; an empty spot (the sea) clears both.
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::NoModifier, low);
    EXPECT_EQ(w.territoryInfoList->findItems(lowest.name, Qt::MatchExactly, 1).size(), 1);
    EXPECT_GE(w.mapView->highlightedFeature(), 0);
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::NoModifier, QPoint(2, 2));
    EXPECT_EQ(w.territoryInfoList->topLevelItemCount(), 0);
    EXPECT_EQ(w.mapView->highlightedFeature(), -1);

    // A drag pans without identifying; the button shows it all again.
    const QRectF before = w.mapView->view().extent();
    QTest::mousePress(w.mapView, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(w.mapView, QPoint(160, 130));
    QTest::mouseRelease(w.mapView, Qt::LeftButton, Qt::NoModifier, QPoint(160, 130));
    EXPECT_NE(w.mapView->view().extent(), before);
    EXPECT_EQ(w.territoryInfoList->topLevelItemCount(), 0);
    QTest::mouseClick(w.cmdEstensione, Qt::LeftButton);
    EXPECT_EQ(w.mapView->view().extent(), w.mapView->view().homeExtent());

    // Zoom: Shift+click enlarges the extent by 1.5, a drawn rectangle becomes it, the right
    // button goes back to the full extent; the scale text follows.
    w.chk_zoom->click();
    EXPECT_FALSE(w.chk_inform->isChecked());
    const QRectF full = w.mapView->view().extent();
    const QString fullScale = w.lblScalaKm->text();
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::ShiftModifier, QPoint(100, 100));
    EXPECT_NEAR(w.mapView->view().extent().width(), full.width() * 1.5, 1e-6 * full.width());
    EXPECT_NE(w.lblScalaKm->text(), fullScale);
    QTest::mousePress(w.mapView, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    QTest::mouseMove(w.mapView, QPoint(200, 180));
    QTest::mouseRelease(w.mapView, Qt::LeftButton, Qt::NoModifier, QPoint(200, 180));
    EXPECT_LT(w.mapView->view().extent().width(), full.width() / 2);
    QTest::mouseClick(w.mapView, Qt::RightButton, Qt::NoModifier, QPoint(100, 100));
    EXPECT_EQ(w.lblScalaKm->text(), fullScale);

    // "Salva e Stampa" hands the map on to print at once.
    QList<MapPageRequest> handed;
    w.printOpener = [&handed](const MapPageRequest &r) { handed << r; };
    QTest::mouseClick(w.cmd_Stampa, Qt::LeftButton);
    ASSERT_EQ(handed.size(), 1);
    EXPECT_TRUE(handed[0].printAtOnce);

    // Reset: the legend and the table go, the layers are loaded again without the classes.
    QTest::mouseClick(w.cmd_reset, Qt::LeftButton);
    EXPECT_FALSE(w.GridIndici->isVisible());
    EXPECT_FALSE(s.mapTableExists());
    EXPECT_EQ(w.mapView->view().layerCount(), 2);
    EXPECT_FALSE(map::joinLayer(w.shapeCase())->renderer);
    EXPECT_TRUE(w.Cmd_cmdAutocolor->isEnabled());

    // A second map from the grid's pop-up replaces the window and its table; closing drops it.
    w.optionOf(map::Method::Quartiles)->click();
    QTest::mouseClick(w.Cmd_cmdAutocolor, Qt::LeftButton);
    QPointer<frm_Mappa> first = s.w;
    s.openMap(true);
    ASSERT_TRUE(s.w);
    EXPECT_FALSE(first);
    EXPECT_FALSE(s.mapTableExists());
    QTest::mouseClick(s.w->Cmd_cmdAutocolor, Qt::LeftButton);
    EXPECT_TRUE(s.mapTableExists());
    QTest::mouseClick(s.w->cmd_close, Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_FALSE(s.mapTableExists());
    EXPECT_FALSE(s.main->area()->findChild<frm_Mappa *>("frm_Mappa"));
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty()) << s.tf.prompt.messages().join('|').toStdString();
}

// Each method's controls reach its classifier and the drawing; the classes themselves are the
// classifiers' own tests.
TEST(frm_Mappa, MethodsKeyFiltersAndLegendColours)
{
    Scenario s;
    ASSERT_TRUE(s.w);
    frm_Mappa &w = *s.w;
    const QPoint high = s.insideProvince(w.request().rows.last().prov);
    const NumberFormat &fmt = s.ctx->numbers;
    // Equal amplitude asks for the class count, whose box takes one digit; the classes wait
    // for "Applica" before they reach the map.
    w.optionOf(map::Method::EqualAmplitude)->click();
    EXPECT_TRUE(w.madeClassesFrame->isVisible() && !w.quartileFrame->isVisible());
    QTest::mouseClick(w.cmdSelClassiUgualeAmp, Qt::LeftButton);
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Inserire il numero delle classi."});
    QTest::keyClicks(w.txtClassi, "a45");
    EXPECT_EQ(w.txtClassi->text(), "4");
    QTest::mouseClick(w.cmdSelClassiUgualeAmp, Qt::LeftButton);
    EXPECT_EQ(w.GridIndici->rowCount(), 4);
    EXPECT_TRUE(w.lblLegendaDaApplicare->isVisible());
    EXPECT_FALSE(w.drawn());
    QTest::mouseClick(w.drawMadeClassesButton, Qt::LeftButton);
    EXPECT_FALSE(w.lblLegendaDaApplicare->isVisible());
    ASSERT_EQ(w.GridIndici->rowCount(), 5);
    EXPECT_EQ(s.colourAt(high), w.legendRows()[3].colour);

    // A legend swatch opens the colour dialog and recolours the drawn map at once; the no-data
    // row keeps its white: no dialog.
    const auto clickSwatch = [&w](int row) {
        QTest::mouseClick(w.GridIndici->viewport(), Qt::LeftButton, {},
                          w.GridIndici->visualItemRect(w.GridIndici->item(row, 0)).center());
    };
    s.tf.prompt.answerColor(QColor(0, 128, 0));
    clickSwatch(3);
    EXPECT_EQ(s.colourAt(high), QColor(0, 128, 0));
    clickSwatch(3); // a cancelled dialog changes nothing
    EXPECT_EQ(w.legendRows()[3].colour, QColor(0, 128, 0));
    const size_t asked = s.tf.prompt.shown().size();
    clickSwatch(4);
    EXPECT_EQ(s.tf.prompt.shown().size(), asked);

    // Manual classes start from the column's range (not from what equal amplitude left), one
    // class per click in the colour of lbl_colore.
    w.optionOf(map::Method::Manual)->click();
    EXPECT_EQ(std::pair(w.txt_min->text(), w.txt_Max->text()),
              std::pair(map::numberText(w.stats().minValue, fmt), map::numberText(w.stats().maxValue, fmt)));
    w.txt_min->clear();
    QTest::keyClicks(w.txt_min, "x-1a,5"); // digits, the decimal mark and the minus sign
    EXPECT_EQ(w.txt_min->text(), "-1,5");
    w.txt_min->setText(map::numberText(w.stats().minValue, fmt));
    w.txt_Max->setText("2000");
    for (const QColor &colour : {QColor(10, 20, 30), QColor(200, 0, 200)}) {
        EXPECT_FALSE(w.cmd_GoMap->isEnabled());
        s.tf.prompt.answerColor(colour);
        QTest::mouseClick(w.lbl_colore, Qt::LeftButton);
        QTest::mouseClick(w.cmd_Select, Qt::LeftButton);
    }
    QTest::mouseClick(w.cmd_GoMap, Qt::LeftButton);
    ASSERT_EQ(w.legendRows().size(), 3);
    EXPECT_EQ(w.legendRows()[0].colour, QColor(10, 20, 30));
    EXPECT_EQ(s.colourAt(high), QColor(200, 0, 200));

    // A palette recolours the legend and the drawn map at once.
    w.cmb_palette->setCurrentText("Reds");
    EXPECT_EQ(w.legendRows()[1].colour, map::sequentialPalette("Reds", 2)[1]);
    EXPECT_EQ(s.colourAt(high), w.legendRows()[1].colour);
    w.cmb_palette->setCurrentIndex(0);

    w.optionOf(map::Method::Quartiles)->click();
    QTest::mouseClick(w.Cmd_cmdAutocolor, Qt::LeftButton);
    s.tf.prompt.clear();
    QTest::mouseClick(w.cmdNota, Qt::LeftButton);
    EXPECT_EQ(s.tf.prompt.messages(), QStringList {"Le classi comprendono gli estremi superiori."});

    // The box map: no class count, the hinge box, the palette list off.
    w.optionOf(map::Method::BoxMap)->click();
    EXPECT_TRUE(w.wideFencesCheck->isVisible() && !w.cmb_palette->isEnabled());
    w.txtClassi->clear();
    QTest::mouseClick(w.cmdSelClassiUgualeAmp, Qt::LeftButton);
    ASSERT_EQ(w.GridIndici->rowCount(), 7) << s.tf.prompt.messages().join('|').toStdString();
    QTest::mouseClick(w.drawMadeClassesButton, Qt::LeftButton);
    EXPECT_EQ(s.colourAt(high), w.legendRows()[5].colour) << "the highest province is an upper outlier";
    const QString fence = w.legendRows()[5].label;
    w.optionOf(map::Method::BoxMap)->click();
    w.wideFencesCheck->setChecked(true); // the wide hinge moves the fences
    QTest::mouseClick(w.cmdSelClassiUgualeAmp, Qt::LeftButton);
    EXPECT_NE(w.legendRows()[5].label, fence);
    w.optionOf(map::Method::Quartiles)->click();
    EXPECT_TRUE(w.cmb_palette->isEnabled());
}

// The grid and the map share one selection: the outline, the zoom to it, clicks and bands on the
// map, Esc; the year bar keeps it. What is outlined and counted is the core's test.
TEST(LinkedSelection, GridRowsAreOutlinedOnTheMapAMapClickSelectsTheirRowAndTheYearBarKeepsThem)
{
    Scenario s;
    ASSERT_TRUE(s.w);
    frm_Mappa &w = *s.w;
    QTest::mouseClick(w.Cmd_cmdAutocolor, Qt::LeftButton);
    TerritorySelection *shared = w.territorySelection();
    ASSERT_TRUE(shared && shared == s.grid->territorySelection());
    auto *view = s.grid->findChild<QTableView *>("datagrid");
    const DataTable &table = s.grid->table();
    const map::MapRequest &req = w.request();
    // The grid holds the provinces only: its first two rows are on the map.
    const int first = 1;
    const auto provOf = [&](int row) { return table.text(row, 2).trimmed(); };

    // A click on one row and a Shift+click on the next, in the grid.
    const auto cellCentre = [&](int row) {
        const QModelIndex at = view->model()->index(row - 1, DataTable::kFirstDataColumn);
        view->scrollTo(at);
        return view->visualRect(at).center();
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::NoModifier, cellCentre(first));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ShiftModifier, cellCentre(first + 1));
    EXPECT_EQ(rowsOfTerritories(table, shared->codes()), (QList<int> {first, first + 1}));
    EXPECT_EQ(w.mapView->selectionOutline().size(), 2);
    EXPECT_TRUE(w.lblStato->text().contains("2 territori selezionati")) << w.lblStato->text().toStdString();

    // The outline stays through another drawing of the classes; the zoom to the selection.
    QTest::mouseClick(w.Cmd_cmdAutocolor, Qt::LeftButton);
    EXPECT_EQ(w.mapView->selectionOutline().size(), 2);
    const QRectF home = w.mapView->view().extent();
    QTest::mouseClick(w.cmdZoomSelezione, Qt::LeftButton);
    EXPECT_LT(w.mapView->view().extent().width(), home.width() / 2);
    w.mapView->zoomFull();

    // A click on a province of the map selects its row alone, brought into sight; Ctrl+click
    // adds one and takes it away again.
    const map::MapRow &far = req.rows.last();
    const int farRow = rowsOfTerritories(table, {far.codTerr}).value(0);
    view->scrollToTop();
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::NoModifier, s.insideProvince(far.prov));
    EXPECT_EQ(shared->sortedCodes(), QStringList {far.codTerr});
    const auto selectedRows = [&] {
        QSet<int> rows;
        for (const QModelIndex &i : view->selectionModel()->selectedIndexes())
            rows.insert(i.row() + 1);
        return rows;
    };
    EXPECT_EQ(selectedRows(), QSet<int> {farRow});
    EXPECT_TRUE(view->viewport()->rect().intersects(view->visualRect(view->model()->index(farRow - 1, 1))));
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::ControlModifier, s.insideProvince(provOf(first)));
    EXPECT_EQ(selectedRows(), (QSet<int> {farRow, first}));
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::ControlModifier, s.insideProvince(provOf(first)));
    EXPECT_EQ(selectedRows(), QSet<int> {farRow});

    // A Shift band replaces the selection with what it touches, with Ctrl it adds, and the
    // legend counts them; Esc empties the selection.
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::ShiftModifier, s.insideProvince(provOf(first)));
    EXPECT_EQ(selectedRows(), QSet<int> {first});
    QTest::mouseClick(w.mapView, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier, s.insideProvince(far.prov));
    EXPECT_EQ(selectedRows(), (QSet<int> {farRow, first}));
    const auto legendText = [&] {
        QStringList out;
        for (int r = 0; r < w.GridIndici->rowCount(); ++r)
            out << w.GridIndici->item(r, 1)->text();
        return out.join('|');
    };
    EXPECT_TRUE(legendText().contains("selezionat")) << legendText().toStdString();
    w.mapView->setFocus();
    QTest::keyClick(w.mapView, Qt::Key_Escape);
    EXPECT_TRUE(shared->isEmpty());
    EXPECT_TRUE(selectedRows().isEmpty());
    EXPECT_TRUE(w.mapView->selectionOutline().isEmpty());
    EXPECT_FALSE(legendText().contains("selezionat"));

    // The year bar: another year of the item redrawn in its own classes or in classes fixed over the
    // years, the zoom and the linked selection kept (2004 lies on the 103 provinces, 2005 on the
    // 107), and the playback stopping at the last year.
    auto *slider = w.findChild<QSlider *>("sldAnno");
    auto *previous = w.findChild<QPushButton *>("cmdAnnoPrec");
    auto *next = w.findChild<QPushButton *>("cmdAnnoSucc");
    auto *play = w.findChild<QPushButton *>("cmdRiproduci");
    auto *fixed = w.findChild<QCheckBox *>("chkClassiFisse");
    ASSERT_TRUE(slider && previous && next && play && fixed);
    const QList<map::ClassBounds> own2005 = w.legend().bounds();
    shared->set({w.request().rows.first().codTerr});
    w.mapView->view().setExtent(w.mapView->view().extent().adjusted(50000, 50000, -50000, -50000));
    const QRectF extent = w.mapView->view().extent();

    QTest::mouseClick(previous, Qt::LeftButton);
    EXPECT_EQ(w.findChild<QLabel *>("lblAnno")->text(), "2004");
    EXPECT_TRUE(w.txtVariabile->text().startsWith("AS013_2004: "));
    EXPECT_EQ(w.request().mapCase.name, "provincia103");
    EXPECT_EQ(w.mapView->view().extent(), extent);
    EXPECT_EQ(w.territorySelection()->codes().size(), 1);
    EXPECT_NE(w.legend().bounds(), own2005);
    EXPECT_EQ(s.tf.prompt.messages().size(), 0);

    // Fixed classes: the same limits on 2004 and 2005, and the page of the map says so.
    fixed->click();
    const QList<map::ClassBounds> fixed2004 = w.legend().bounds();
    EXPECT_EQ(w.lblClassiAnni->text(), "Classi fisse 1997–2008");
    QTest::mouseClick(next, Qt::LeftButton);
    EXPECT_EQ(w.request().year, "2005");
    EXPECT_EQ(w.legend().bounds(), fixed2004);
    QList<MapPageRequest> handed;
    w.printOpener = [&handed](const MapPageRequest &r) { handed << r; };
    QTest::mouseClick(w.cmd_export, Qt::LeftButton);
    ASSERT_EQ(handed.size(), 1);
    EXPECT_TRUE(handed[0].variableText.endsWith(" (Classi fisse 1997–2008)")) << handed[0].variableText.toStdString();

    // The playback: from the year before the last, one step reaches the last and stops.
    slider->setValue(slider->maximum() - 1);
    QTest::mouseClick(play, Qt::LeftButton);
    QTRY_COMPARE_WITH_TIMEOUT(w.request().year, QString("2008"), 3000);
    QTRY_COMPARE_WITH_TIMEOUT(play->text(), QString("Riproduci"), 3000);
    EXPECT_FALSE(next->isEnabled());
}

TEST(frm_Mappa, LayerSettingsApplySaveResetAndConfigurationsThatCannotServe)
{
    Scenario s;
    ASSERT_TRUE(s.w);
    frm_Mappa &w = *s.w;
    const QPoint inside = s.insideProvince(w.request().rows.last().prov);
    QTest::mouseClick(w.Avanz, Qt::LeftButton);
    EXPECT_TRUE(w.layerSettingsFrame->isVisible());
    w.cmb_namelayers->setCurrentText("province107");
    w.chk_outline->click();
    EXPECT_FALSE(w.pic_colorSep->isEnabled());
    s.tf.prompt.answerColor(QColor(0, 200, 0));
    QTest::mouseClick(w.pic_colorsfondo, Qt::LeftButton);
    s.tf.prompt.answerColor(QColor(0, 0, 90));
    QTest::mouseClick(w.pic_mapbackcolor, Qt::LeftButton);
    QTest::mouseClick(w.cmd_applica, Qt::LeftButton);
    EXPECT_EQ(s.colourAt(inside), QColor(0, 200, 0));
    EXPECT_EQ(s.colourAt({2, 2}), QColor(0, 0, 90));
    // Applied but not saved: a reset loads the file's settings again.
    QTest::mouseClick(w.cmd_reset, Qt::LeftButton);
    EXPECT_NE(s.colourAt(inside), QColor(0, 200, 0));
    EXPECT_TRUE(w.chk_outline->isChecked());

    // Saved: the file keeps them, and the layer shows them after a reset.
    s.tf.prompt.answerColor(QColor(0, 200, 0));
    QTest::mouseClick(w.pic_colorsfondo, Qt::LeftButton);
    QTest::mouseClick(w.cmd_salva, Qt::LeftButton);
    const map::ShapeCase saved = map::readShapeConfig(map::shapeConfigPath(s.ctx->FilesFolder), "provincia107");
    EXPECT_EQ(saved.layers[0].BackColor, map::winFromColor(QColor(0, 200, 0)));
    QTest::mouseClick(w.cmd_reset, Qt::LeftButton);
    EXPECT_EQ(s.colourAt(inside), QColor(0, 200, 0));

    // A transparent layer shows what lies below it, here the map's background.
    w.chk_Trasparent->click();
    EXPECT_FALSE(w.pic_colorsfondo->isEnabled());
    QTest::mouseClick(w.cmd_applica, Qt::LeftButton);
    EXPECT_EQ(s.colourAt(inside), s.colourAt({2, 2}));

    // The layer loses the field that joins it to the data: drawing is refused with a message,
    // in the status line and logged under the window's name, and nothing is coloured.
    s.tf.write("Files/ShapeConfig.xml",
               s.tf.read("Files/ShapeConfig.xml").replace("<FieldId>COD_PRO</FieldId>", "<FieldId>CODICE</FieldId>"));
    QTest::mouseClick(w.cmd_reset, Qt::LeftButton);
    w.optionOf(map::Method::Quartiles)->click();
    QTest::mouseClick(w.Cmd_cmdAutocolor, Qt::LeftButton);
    EXPECT_FALSE(w.drawn());
    ASSERT_EQ(s.tf.prompt.messages().size(), 1);
    EXPECT_EQ(w.lblStato->text(), s.tf.prompt.messages()[0]);
    EXPECT_TRUE(s.tf.read("Files/Error.log").contains("Module:frm_Mappa Function: BuildValueRenderer"));

    // A configuration that cannot be read leaves an empty map, an empty layer list, and is logged.
    s.tf.write("Files/ShapeConfig.xml", "<Configs>");
    QTest::mouseClick(w.cmd_reset, Qt::LeftButton);
    EXPECT_EQ(w.mapView->view().layerCount(), 0);
    EXPECT_EQ(w.cmb_namelayers->count(), 0);
    EXPECT_TRUE(s.tf.read("Files/Error.log").contains("cmd_reset_Click"));
}

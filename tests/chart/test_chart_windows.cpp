// The chart windows as the map window and the grid window open them: the histogram follows the
// classes, the time series charts the selected territories, the bars the grid's rows.

#include "catalogue/ui/formdatitab.h"
#include "chart/chartrender.h"
#include "chart/ui/chartwindow.h"
#include "map/ui/frm_mappa.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"
#include "table/territoryselection.h"
#include "table/ui/frm_dispdata.h"

#include <QApplication>
#include <QChart>
#include <QChartView>
#include <QLegendMarker>
#include <QLineSeries>
#include <QCheckBox>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

// AS013 2005 for the provinces, in the grid.
struct GridOfProvinces {
    test::TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = test::startMainWindow(tf, *ctx);
    ui::frm_dispData *grid = nullptr;

    GridOfProvinces()
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
    }
    // The chart window the grid opened last.
    ui::ChartWindow *lastChart() const
    {
        const QList<ui::ChartWindow *> all = grid->findChildren<ui::ChartWindow *>();
        return all.isEmpty() ? nullptr : all.last();
    }
};

} // namespace

// The grid charts the selected territories and its column in its row order; the histogram of the
// map made from the grid follows the map's classes.
TEST(ChartWindows, TheGridChartsItsSelectionAndColumnAndTheMapsHistogramItsClasses)
{
    GridOfProvinces s;
    ASSERT_TRUE(s.grid);
    DataTable &t = s.grid->table();
    // Rows 1 and 2 selected, the value column current.
    ASSERT_TRUE(s.grid->territorySelection());
    s.grid->territorySelection()->set({t.text(2, 1), t.text(1, 1)});
    s.grid->selectCells({1, 6}, {1, 6});
    const QString gridQuery = s.grid->ranQuery();
    s.grid->findChild<QPushButton *>("cmdSerieStorica")->click();
    ui::ChartWindow *series = s.lastChart();
    ASSERT_TRUE(series) << s.tf.prompt.messages().join(" / ").toStdString();
    const auto &lines = std::get<chart::TimeSeriesData>(series->data()).lines;
    ASSERT_GE(lines.size(), 3);
    EXPECT_EQ(lines[0].name, t.text(1, 5).trimmed());
    EXPECT_EQ(lines[1].name, t.text(2, 5).trimmed());
    EXPECT_TRUE(lines.last().reference);
    // The grid keeps its own query.
    EXPECT_EQ(s.grid->ranQuery(), gridQuery);

    s.grid->findChild<QPushButton *>("cmdGraficoBarre")->click();
    ui::ChartWindow *bars = s.lastChart();
    ASSERT_NE(bars, series);
    const auto &b = std::get<chart::BarChartData>(bars->data());
    EXPECT_EQ(b.bars.size() + b.missing, t.rowCount() - 1);

    s.grid->selectCells({1, 6}, {1, 6});
    s.grid->findChild<QPushButton *>("cmd_createmap")->click();
    QApplication::processEvents();
    auto *map = s.main->area()->findChild<ui::frm_Mappa *>("frm_Mappa");
    ASSERT_TRUE(map);
    map->findChild<QPushButton *>("cmdIstogramma")->click();
    ui::ChartWindow *w = map->histogramWindow();
    ASSERT_TRUE(w);
    EXPECT_TRUE(w->isVisible());
    EXPECT_TRUE(std::get<chart::HistogramData>(w->data()).classLimits.isEmpty());
    // "Visualizza cartogramma" draws the quartiles: three limits between four classes.
    QTest::mouseClick(map->findChild<QPushButton *>("Cmd_cmdAutocolor"), Qt::LeftButton);
    const auto &h = std::get<chart::HistogramData>(w->data());
    EXPECT_EQ(h.classLimits.size(), 3);
    EXPECT_EQ(h.classColours,
              QList<QColor>({map->legend().colourOf(1), map->legend().colourOf(2), map->legend().colourOf(3),
                             map->legend().colourOf(4)}));
}

// A year without a value breaks the territory's line instead of bridging it: two runs, one name
// in the legend.
TEST(ChartDrawing, AYearWithoutAValueBreaksTheLine)
{
    chart::TimeSeriesData s;
    s.title = "Serie";
    s.years = {"2000", "2001", "2002", "2003"};
    s.yAxis.max = 5;
    s.lines = {{"Torino", {1.0, std::nullopt, 3.0, 4.0}, false, 0}, {"Italia", {2.0, 2.0, 2.0, 2.0}, true, -1}};
    QChart *c = chart::makeChart(chart::ChartData(s));
    QChartView view(c); // the legend lays out its markers in a shown view
    view.resize(600, 400);
    view.show();
    QApplication::processEvents();
    const QList<QAbstractSeries *> series = c->series();
    ASSERT_EQ(series.size(), 3);
    EXPECT_EQ(static_cast<QLineSeries *>(series[0])->count(), 1);
    EXPECT_EQ(static_cast<QLineSeries *>(series[1])->count(), 2);
    EXPECT_EQ(static_cast<QLineSeries *>(series[2])->count(), 4);
    int shown = 0;
    for (QLegendMarker *m : c->legend()->markers())
        shown += m->isVisible();
    EXPECT_EQ(shown, 2);
}

// The chart data: histogram bins and colours by class, the axis labels in the program's format,
// the references of a time series, the bar order, and an item read over its years.

#include "chart/chartdata.h"
#include "chart/itemyears.h"
#include "map/legend.h"
#include "shell/links.h"
#include "support/testfolder.h"
#include "table/datatable.h"

#include <gtest/gtest.h>

using namespace qrn;
using namespace qrn::chart;

namespace {

const NumberFormat comma = NumberFormat::comma();
const QColor red(Qt::red), blue(Qt::blue);

// Two classes: 1 to 5 red, 5,01 to 10 blue.
map::Legend twoClasses()
{
    map::Legend legend;
    legend.classes = {map::legendClass({"1", "5"}, red, comma), map::legendClass({"5,01", "10"}, blue, comma)};
    return legend;
}

QStringList labels(const Axis &a)
{
    QStringList out;
    for (const Tick &t : a.ticks)
        out << t.label;
    return out;
}

// A grid table: the six territory columns, then the given data columns.
DataTable grid(const QStringList &dataHeaders, const QList<QStringList> &rows)
{
    QList<QStringList> all {QStringList {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio"}
                            + dataHeaders};
    all += rows;
    return DataTable(all);
}

} // namespace

TEST(ChartLabels, GroupThousandsWithTheProgramsMarks)
{
    EXPECT_EQ(numberLabel(1234567.5, comma), "1.234.567,5");
    EXPECT_EQ(numberLabel(1234567.5, NumberFormat::point()), "1,234,567.5");
    EXPECT_EQ(numberLabel(-1234, comma), "-1.234");
    EXPECT_EQ(numberLabel(999.999, comma), "1.000");
    EXPECT_EQ(numberLabel(0.125, comma, 2), "0,13");
    EXPECT_EQ(numberLabel(12, comma, 0), "12");
    EXPECT_EQ(numberLabel(std::nan(""), comma), "");

    const Axis thousands = niceAxis(0, 12000, comma, "v");
    EXPECT_EQ(labels(thousands), QStringList({"0", "5.000", "10.000", "15.000"}));
    EXPECT_EQ(thousands.max, 15000);
    EXPECT_EQ(labels(niceAxis(0.1, 0.9, comma, "v")), QStringList({"0", "0,2", "0,4", "0,6", "0,8", "1"}));
    // Counts step by whole numbers, and an empty range still has a width.
    EXPECT_EQ(labels(niceAxis(0, 2, comma, "n", 1)), QStringList({"0", "1", "2"}));
    const Axis flat = niceAxis(50, 50, comma, "v");
    EXPECT_LT(flat.min, 50);
    EXPECT_GT(flat.max, 50);
}

TEST(Histogram, CountsBinsAndColoursThemByTheClassOfMostValues)
{
    // Each bin as "low-high: count, class, colour".
    const auto bins = [](const HistogramData &h) {
        QStringList out;
        for (const auto &b : h.bins)
            out << QString("%1-%2: %3, %4, %5")
                       .arg(b.low)
                       .arg(b.high)
                       .arg(b.count)
                       .arg(b.classIndex)
                       .arg(b.colour.name());
        return out;
    };
    const QStringList values {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "", "n.d."};
    const HistogramData h = buildHistogram(values, twoClasses(), "AS013_2005", comma, 3);
    EXPECT_EQ(h.title, "Istogramma di AS013_2005");
    // Width 3 from 1: [1, 4) [4, 7) [7, 10], the maximum in the last bin. The middle bin holds 4
    // and 5 (red) and 6 (blue); its bar stacks its parts class by class, those of no class last.
    EXPECT_EQ(bins(h), QStringList({"1-4: 3, 0, #ff0000", "4-7: 3, 0, #ff0000", "7-10: 4, 1, #0000ff"}));
    EXPECT_EQ(h.bins[1].perClass, QList<int>({2, 1, 0}));
    EXPECT_EQ(h.classColours, QList<QColor>({red, blue}));
    EXPECT_EQ(h.classLimits, QList<double>({5}));
    EXPECT_EQ(h.yAxis.max, 4);

    // Sturges: 1 + log2 10 rounded up gives five bins.
    EXPECT_EQ(buildHistogram(values, twoClasses(), "c", comma).bins.size(), 5);

    // An empty bin takes the class of its middle (5,5: blue); a tie the lower class; a value in
    // no class is grey.
    EXPECT_EQ(bins(buildHistogram({"1", "1", "10"}, twoClasses(), "c", comma, 3))[1], "4-7: 0, 1, #0000ff");
    const HistogramData tie = buildHistogram({"4", "5", "5,5", "6", "0", "12"}, twoClasses(), "c", comma, 3);
    EXPECT_EQ(std::tuple(tie.bins[1].count, tie.bins[1].classIndex, tie.bins[0].classIndex), std::tuple(4, 0, -1));
    EXPECT_EQ(tie.bins[0].perClass, QList<int>({0, 0, 1}));
    EXPECT_TRUE(tie.bins[0].colour != red && tie.bins[0].colour != blue);

    // One value: one bin around it.
    const HistogramData one = buildHistogram({"7"}, twoClasses(), "c", comma);
    ASSERT_EQ(one.bins.size(), 1);
    EXPECT_EQ(one.bins[0].count, 1);
    EXPECT_LT(one.bins[0].low, 7);
}

TEST(TimeSeries, ReadsTheYearColumnsAndAddsTheRegionOrItalyAsDashedReference)
{
    const DataTable table = grid({"AS013_1997", "AS013_1996", "TR001_1996"},
                                 {{"1", "001", "1", "01", "ITC11", "Torino", "2", "1", "9"},
                                  {"2", "01", "", "01", "ITC1", "Piemonte", "20", "", "9"},
                                  {"4", "ITA", "", "TOTALE", "IT", "Italia", "200", "100", "9"},
                                  {"1", "015", "15", "03", "ITC45", "Milano", "3,5", "3", "9"}});
    const YearTable years = yearTableOf(table, "AS013");
    EXPECT_EQ(years.years, QStringList({"1996", "1997"}));
    ASSERT_EQ(years.rows.size(), 4);
    EXPECT_EQ(years.rows[0].values, (QList<std::optional<double>> {1.0, 2.0}));
    EXPECT_EQ(years.rows[1].values[0], std::nullopt);
    EXPECT_EQ(years.rows[3].values[1], 3.5);

    // Each line as its name, "*" for a reference, and its colour.
    auto names = [](const TimeSeriesData &s) {
        QStringList out;
        for (const SeriesLine &l : s.lines)
            out << l.name + (l.reference ? "* " : " ") + QString::number(l.colourIndex);
        return out;
    };
    // Torino's region is there; Milano's (03) is not, so Italy stands for it. A region is drawn
    // in the colour of its territory, Italy in a neutral one.
    const TimeSeriesData both = buildTimeSeries(years, {"001", "015"}, comma);
    EXPECT_EQ(names(both), QStringList({"Torino 0", "Milano 1", "Piemonte* 0", "Italia* -1"}));
    EXPECT_EQ(both.title, "Serie storica di AS013 dal 1996 al 1997");
    // A chosen reference is drawn once, as chosen; a region's reference is Italy.
    EXPECT_EQ(names(buildTimeSeries(years, {"001", "01", "001"}, comma)),
              QStringList({"Torino 0", "Piemonte 1", "Italia* -1"}));
    // No reference in the data: no dashed line.
    YearTable noItaly = years;
    noItaly.rows.removeAt(2);
    EXPECT_EQ(names(buildTimeSeries(noItaly, {"015"}, comma)), QStringList({"Milano 0"}));

    EXPECT_EQ(territoriesWithReferences(table, {"001"}), QStringList({"001", "01", "ITA"}));
    EXPECT_EQ(itemOfHeader("AS013_2005"), "AS013");
    EXPECT_EQ(itemOfHeader("Territorio"), "");
}

TEST(BarChart, FollowsTheGridsRowOrderAndLeavesOutBlanks)
{
    DataTable table = grid({"AS013_2005"}, {{"1", "001", "", "01", "", "Torino", "5"},
                                            {"1", "002", "", "01", "", "Vercelli", ""},
                                            {"1", "003", "", "01", "", "Novara", "1.250,5"},
                                            {"1", "004", "", "01", "", "Torino", "7"}});
    table.sortGeneric(6, false, comma);
    const BarChartData b = buildBarChart(table, 6, comma);
    QStringList bars;
    for (const auto &bar : b.bars)
        bars << bar.name + " " + QString::number(bar.value);
    EXPECT_EQ(bars, QStringList({"Novara 1250.5", "Torino 7", "Torino (001) 5"}));
    EXPECT_EQ(b.missing, 1);
    EXPECT_EQ(b.title, "AS013_2005 per territorio (1 senza dato)");
    EXPECT_EQ(b.yAxis.ticks.last().label, "1.500");
}

TEST(ItemYears, ReadsEveryYearOfTheItemAndKeepsTheGridsQuery)
{
    test::TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    ASSERT_TRUE(refreshLinkedTables(*ctx, *ctx));
    ctx->CurrentDb = "Variabili.mdb";
    ctx->CurrentTipo = "Variabili";
    ctx->CurrentLevel = "T";
    const ItemYearsOutcome out = loadItemYears(*ctx, *ctx, "AS013", {"001", "ITA"});
    ASSERT_TRUE(out.ok()) << out.message.toStdString() << out.detail.toStdString();
    EXPECT_EQ(out.table.years.join(' '), "1997 1998 1999 2000 2001 2002 2003 2004 2005 2006 2007 2008");
    ASSERT_EQ(out.table.rows.size(), 2);
    EXPECT_TRUE(out.table.find("ITA"));
    EXPECT_TRUE(out.table.find("001")->values.first().has_value());

    EXPECT_FALSE(loadItemYears(*ctx, *ctx, "ZZ999", {"001"}).ok());
}

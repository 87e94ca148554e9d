#pragma once
// The data of the program's charts as plain values, ready to be drawn: the histogram of a mapped
// column with its classes, the time series of territories for one item over its years, and the
// bar chart of a grid column. Every text a chart shows (title, axis titles, tick labels) is made
// here, in Italian, with the program's decimal mark and thousands separator, so that the drawing
// only places what it is given.
// Invariants: a histogram's bins are contiguous, equal in width and count every number exactly
// once; a bar chart keeps the grid's row order and unique category names; a time series has its
// territory lines first, then the dashed reference lines, each territory at most once.

#include "shell/numberformat.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace qrn {
class DataTable;
namespace map {
struct Legend;
}
} // namespace qrn

namespace qrn::chart {

// A number as a chart label: rounded to decimals, thousands grouped with fmt.group, the decimal
// mark of fmt ("1.234.567,5" with the comma format and one decimal). Trailing zeros of the
// decimals are dropped ("12,5", "3"); "" for an infinity or NaN.
QString numberLabel(double value, const NumberFormat &fmt, int decimals = 2);

struct Tick {
    double value = 0;
    QString label;
};

// A value axis: its range and the ticks labelled along it.
struct Axis {
    QString title;
    double min = 0, max = 1;
    QList<Tick> ticks;
};
// An axis from about five round steps (1, 2 or 5 times a power of ten) covering low to high,
// labelled in fmt with as many decimals as the step needs; the step is at least minStep (1 for
// counts).
Axis niceAxis(double low, double high, const NumberFormat &fmt, const QString &title, double minStep = 0);

struct HistogramBin {
    double low = 0, high = 0;
    int count = 0;
    int classIndex = -1; // the class (0-based) most of its values belong to; -1 for none
    QColor colour;
    // How many of its values each class holds (index k for class k), then those of no class:
    // the bar is drawn as these parts stacked in class order, each in its class colour.
    QList<int> perClass;
};

struct HistogramData {
    QString title;
    QList<HistogramBin> bins;
    QList<double> classLimits; // where one class ends and the next begins: a vertical line each
    QList<QColor> classColours; // the colour of each class, in class order
    Axis xAxis, yAxis;
};

// The colour of the values and of the parts of a bar that belong to no class.
inline const QColor kNoClassColour {190, 190, 190};

// The histogram of the numbers of values (texts in fmt; blanks and non-numbers are left out) in
// binCount equal bins from the least to the greatest (0: Sturges' rule, 1 + log2 n, at most 30).
// A bin takes the colour of the class of the legend that holds most of its values (the lowest
// such class on a tie), an empty bin the class holding its middle; a bin of no class is grey.
// The class limits are the upper limits of every class but the last.
HistogramData buildHistogram(const QStringList &values, const map::Legend &legend, const QString &column,
                             const NumberFormat &fmt, int binCount = 0);

// The values of one item over its years for some territories, as read from the data tables.
struct YearTable {
    QString item; // the item's code
    QStringList years; // ascending
    struct Row {
        QString code, name, region; // COD_TERR, the name, REG (the region's code, or TOTALE)
        QList<std::optional<double>> values; // one per year
    };
    QList<Row> rows;
    const Row *find(const QString &code) const;
};
// The year table of item in a table holding its columns ITEM_YEAR (any order, other columns
// ignored), one row per data row.
YearTable yearTableOf(const DataTable &table, const QString &item);

// The code of the Italy total among the territories.
inline const QString kItalyCode = QStringLiteral("ITA");

struct SeriesLine {
    QString name;
    QList<std::optional<double>> values; // one per year of the chart
    bool reference = false; // drawn dashed
    // The line's colour among the chart's colours: a territory's by its place, a region's that
    // of the first territory it stands beside; -1 for the Italy total (a neutral colour).
    int colourIndex = -1;
};
struct TimeSeriesData {
    QString title;
    QStringList years;
    QList<SeriesLine> lines;
    Axis yAxis;
};
// The reference of a territory: its region when it lies in one (REG is a code other than its
// own) and the region is in the table, else the Italy total when it is in the table; "" when
// neither is.
QString referenceOf(const YearTable &table, const YearTable::Row &row);
// One line per chosen territory found in the table (in the order chosen), then the reference of
// each, dashed, once, unless it is chosen itself; a region's line takes the colour of the first
// territory it is the reference of.
TimeSeriesData buildTimeSeries(const YearTable &table, const QStringList &chosenCodes, const NumberFormat &fmt);

struct Bar {
    QString name;
    double value = 0;
};
struct BarChartData {
    QString title;
    QList<Bar> bars; // in the grid's row order; a repeated name gets its code in brackets
    int missing = 0; // rows without a number, left out
    Axis yAxis;
};
// The bars of a table column (0-based) in the order of the table's data rows.
BarChartData buildBarChart(const DataTable &table, int column, const NumberFormat &fmt);

} // namespace qrn::chart

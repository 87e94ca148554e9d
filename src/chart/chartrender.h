#pragma once
// The drawing of the chart data with Qt Charts: the chart itself (for a chart view or a file),
// its picture, and its files (PNG, SVG, PDF), each written whole to a temporary file and put in
// place at the end, so that a failed save leaves the old file as it was.
// The axes show the ticks and labels the data carries, never Qt's own number formatting.

#include "chart/chartdata.h"

#include <QImage>
#include <QSize>
#include <QString>
#include <optional>
#include <variant>

class QChart;

namespace qrn::chart {

using ChartData = std::variant<HistogramData, TimeSeriesData, BarChartData>;

QString titleOf(const ChartData &data);

// A new chart of the data, owned by the caller (or by the view or scene it is given to).
QChart *makeChart(const ChartData &data);

// The size a chart is saved and copied at when none is given.
inline constexpr QSize kDefaultChartSize {1000, 700};

// The chart drawn on a white picture of size pixels.
QImage chartImage(const ChartData &data, QSize size = kDefaultChartSize);

enum class ChartFormat { Png, Svg, Pdf };
// The format of a file by its extension (any case); nullopt for another one.
std::optional<ChartFormat> formatOfFile(const QString &file);

struct SaveOutcome {
    QString message; // not empty: the file was not written, for this reason (Italian)
    QString detail;
    bool ok() const { return message.isEmpty(); }
};
// Writes the chart to file in the format of its extension, size pixels (the PDF page and the SVG
// view box have the same proportions).
SaveOutcome saveChart(const ChartData &data, const QString &file, QSize size = kDefaultChartSize);

} // namespace qrn::chart

// The chart data: bins, classes, series, bars and the labels of their axes.
#include "chart/chartdata.h"

#include "map/classify.h"
#include "map/legend.h"
#include "table/datatable.h"

#include <QRegularExpression>
#include <QSet>
#include <algorithm>
#include <cmath>
#include <map>

namespace qrn::chart {

namespace {

// The round step (1, 2 or 5 times a power of ten) nearest above raw.
double roundStep(double raw)
{
    const double power = std::pow(10.0, std::floor(std::log10(raw)));
    const double f = raw / power;
    return (f <= 1 ? 1 : f <= 2 ? 2 : f <= 5 ? 5 : 10) * power;
}

// The class of the legend holding v, -1 for none.
int classOf(const map::Legend &legend, double v)
{
    for (int k = 0; k < legend.classes.size(); ++k)
        if (legend.classes[k].holds(v))
            return k;
    return -1;
}

} // namespace

QString numberLabel(double value, const NumberFormat &fmt, int decimals)
{
    QString text = roundedDecimal(value, decimals);
    if (text.isEmpty())
        return text;
    QString sign;
    if (text.startsWith(QLatin1Char('-'))) {
        sign = QStringLiteral("-");
        text.remove(0, 1);
    }
    QString whole = text, fraction;
    const qsizetype point = text.indexOf(QLatin1Char('.'));
    if (point >= 0) {
        whole = text.left(point);
        fraction = text.mid(point + 1);
        while (fraction.endsWith(QLatin1Char('0')))
            fraction.chop(1);
    }
    for (qsizetype i = whole.size() - 3; i > 0; i -= 3)
        whole.insert(i, fmt.group);
    return sign + whole + (fraction.isEmpty() ? QString() : fmt.decimal + fraction);
}

Axis niceAxis(double low, double high, const NumberFormat &fmt, const QString &title, double minStep)
{
    Axis axis;
    axis.title = title;
    if (!std::isfinite(low) || !std::isfinite(high))
        low = high = 0;
    if (low > high)
        std::swap(low, high);
    if (high - low < 1e-12 * std::max(1.0, std::abs(high))) {
        const double pad = low == 0 ? 1 : std::abs(low) / 10;
        low -= pad;
        high += pad;
    }
    const double step = std::max(roundStep((high - low) / 5), minStep);
    const double first = std::floor(low / step + 1e-9);
    const double last = std::ceil(high / step - 1e-9);
    const int decimals = std::max(0, int(-std::floor(std::log10(step) + 1e-9)));
    axis.min = first * step;
    axis.max = last * step;
    for (double i = first; i <= last; ++i)
        axis.ticks.append({i * step, numberLabel(i * step, fmt, decimals)});
    return axis;
}

HistogramData buildHistogram(const QStringList &values, const map::Legend &legend, const QString &column,
                             const NumberFormat &fmt, int binCount)
{
    HistogramData h;
    h.title = QStringLiteral("Istogramma di %1").arg(column);
    const std::vector<double> numbers = map::sortedNumbers(values, fmt);
    const int n = int(numbers.size());
    if (binCount <= 0)
        binCount = n == 0 ? 1 : std::min(30, 1 + int(std::ceil(std::log2(double(std::max(n, 1))))));
    double low = n ? numbers.front() : 0, high = n ? numbers.back() : 1;
    if (high <= low) {
        // One value (or none): one bin around it.
        const double pad = low == 0 ? 0.5 : std::abs(low) / 10;
        low -= pad;
        high += pad;
        binCount = 1;
    }
    const double width = (high - low) / binCount;
    // Per bin, how many of its values each class holds (index classes + 1 for no class).
    QList<QList<int>> perClass(binCount, QList<int>(legend.classes.size() + 1, 0));
    for (int b = 0; b < binCount; ++b)
        h.bins.append({low + b * width, b == binCount - 1 ? high : low + (b + 1) * width, 0, -1, kNoClassColour, {}});
    for (double v : numbers) {
        const int b = std::clamp(int((v - low) / width), 0, binCount - 1);
        ++h.bins[b].count;
        ++perClass[b][classOf(legend, v) + 1];
    }
    int maxCount = 0;
    for (int b = 0; b < binCount; ++b) {
        HistogramBin &bin = h.bins[b];
        maxCount = std::max(maxCount, bin.count);
        if (bin.count == 0) {
            bin.classIndex = classOf(legend, (bin.low + bin.high) / 2);
        } else {
            const QList<int> &counts = perClass[b];
            const auto most = std::max_element(counts.begin(), counts.end());
            bin.classIndex = int(most - counts.begin()) - 1;
        }
        if (bin.classIndex >= 0)
            bin.colour = legend.classes[bin.classIndex].colour;
        // The values of no class are counted first; the bar stacks them last.
        bin.perClass = perClass[b].mid(1) << perClass[b].first();
    }
    for (const map::LegendClass &c : legend.classes)
        h.classColours << c.colour;
    for (int k = 0; k + 1 < legend.classes.size(); ++k)
        if (std::isfinite(legend.classes[k].high))
            h.classLimits.append(legend.classes[k].high);
    h.xAxis = niceAxis(low, high, fmt, QStringLiteral("Valore di %1").arg(column));
    h.yAxis = niceAxis(0, std::max(1, maxCount), fmt, QStringLiteral("Numero di territori"), 1);
    return h;
}

const YearTable::Row *YearTable::find(const QString &code) const
{
    for (const Row &r : rows)
        if (r.code == code)
            return &r;
    return nullptr;
}

YearTable yearTableOf(const DataTable &table, const QString &item)
{
    YearTable t;
    t.item = item;
    const QRegularExpression header(QStringLiteral("^%1_(\\d{4})$").arg(QRegularExpression::escape(item)),
                                    QRegularExpression::CaseInsensitiveOption);
    std::map<QString, int> columnOfYear;
    for (int c = DataTable::kFirstDataColumn; c < table.columnCount(); ++c) {
        const QRegularExpressionMatch m = header.match(table.header(c));
        if (m.hasMatch())
            columnOfYear.emplace(m.captured(1), c);
    }
    for (const auto &[year, column] : columnOfYear)
        t.years << year;
    for (int r = 1; r < table.rowCount(); ++r) {
        YearTable::Row row {table.text(r, 1).trimmed(), table.text(r, 5).trimmed(), table.text(r, 3).trimmed(), {}};
        for (const auto &[year, column] : columnOfYear)
            row.values << table.number(r, column);
        t.rows << row;
    }
    return t;
}

QString referenceOf(const YearTable &table, const YearTable::Row &row)
{
    const bool inRegion = !row.region.isEmpty() && row.region.compare(QLatin1String("TOTALE"), Qt::CaseInsensitive) != 0
        && row.region != row.code;
    if (inRegion && table.find(row.region))
        return row.region;
    if (row.code != kItalyCode && table.find(kItalyCode))
        return kItalyCode;
    return QString();
}

TimeSeriesData buildTimeSeries(const YearTable &table, const QStringList &chosenCodes, const NumberFormat &fmt)
{
    TimeSeriesData s;
    s.years = table.years;
    s.title = table.years.isEmpty()
        ? QStringLiteral("Serie storica di %1").arg(table.item)
        : QStringLiteral("Serie storica di %1 dal %2 al %3").arg(table.item, table.years.first(), table.years.last());
    QStringList chosen, references;
    QList<int> referenceColours;
    for (const QString &code : chosenCodes) {
        const YearTable::Row *row = table.find(code.trimmed());
        if (!row || chosen.contains(row->code))
            continue;
        const int colour = int(chosen.size());
        chosen << row->code;
        s.lines.append({row->name, row->values, false, colour});
        const QString ref = referenceOf(table, *row);
        if (!ref.isEmpty() && !references.contains(ref)) {
            references << ref;
            referenceColours << (ref == kItalyCode ? -1 : colour);
        }
    }
    for (int i = 0; i < references.size(); ++i)
        if (!chosen.contains(references[i])) {
            const YearTable::Row *row = table.find(references[i]);
            s.lines.append({row->name, row->values, true, referenceColours[i]});
        }
    double low = INFINITY, high = -INFINITY;
    for (const SeriesLine &line : std::as_const(s.lines))
        for (const std::optional<double> &v : line.values)
            if (v) {
                low = std::min(low, *v);
                high = std::max(high, *v);
            }
    if (low > high)
        low = high = 0;
    s.yAxis = niceAxis(low, high, fmt, QStringLiteral("Valore"));
    return s;
}

BarChartData buildBarChart(const DataTable &table, int column, const NumberFormat &fmt)
{
    BarChartData b;
    const QString header = table.header(column);
    b.title = QStringLiteral("%1 per territorio").arg(header);
    QSet<QString> names;
    double low = 0, high = 0;
    for (int r = 1; r < table.rowCount(); ++r) {
        const std::optional<double> v = table.number(r, column);
        if (!v) {
            ++b.missing;
            continue;
        }
        QString name = table.text(r, 5).trimmed();
        if (names.contains(name))
            name += QStringLiteral(" (%1)").arg(table.text(r, 1).trimmed());
        names.insert(name);
        b.bars.append({name, *v});
        low = std::min(low, *v);
        high = std::max(high, *v);
    }
    if (b.missing > 0)
        b.title += QStringLiteral(" (%1 senza dato)").arg(b.missing);
    b.yAxis = niceAxis(low, high, fmt, header);
    return b;
}

} // namespace qrn::chart

// The charts drawn with Qt Charts, and their pictures and files.
#include "chart/chartrender.h"

#include <QAreaSeries>
#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QCoreApplication>
#include <QFileInfo>
#include <QGraphicsLayout>
#include <QGraphicsScene>
#include <QLegendMarker>
#include <QLineSeries>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <QSvgGenerator>

namespace qrn::chart {

namespace {

// The colours of the lines of a time series, one per territory (ColorBrewer's Set1 and Dark2).
const QList<QColor> kLineColours {QColor(0x37, 0x7e, 0xb8), QColor(0xe4, 0x1a, 0x1c), QColor(0x4d, 0xaf, 0x4a),
                                  QColor(0x98, 0x4e, 0xa3), QColor(0xff, 0x7f, 0x00), QColor(0xa6, 0x56, 0x28),
                                  QColor(0xf7, 0x81, 0xbf), QColor(0x1b, 0x9e, 0x77), QColor(0x66, 0x66, 0x66),
                                  QColor(0xe6, 0xab, 0x02)};

// The most lines a time series names in its legend.
constexpr int kMaxLegendLines = 24;

// A value axis that shows exactly the ticks of the data, with their labels.
QCategoryAxis *valueAxis(const Axis &a)
{
    auto *axis = new QCategoryAxis;
    axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    axis->setRange(a.min, a.max);
    axis->setStartValue(a.min);
    for (const Tick &t : a.ticks)
        axis->append(t.label, t.value);
    axis->setTitleText(a.title);
    return axis;
}

void attach(QChart *chart, QAbstractSeries *series, QAbstractAxis *x, QAbstractAxis *y)
{
    chart->addSeries(series);
    series->attachAxis(x);
    series->attachAxis(y);
}

QChart *histogramChart(const HistogramData &h)
{
    const QList<QColor> &legendColours = h.classColours;
    auto *chart = new QChart;
    QCategoryAxis *x = valueAxis(h.xAxis);
    QCategoryAxis *y = valueAxis(h.yAxis);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (const HistogramBin &bin : h.bins) {
        // The parts of the bar, class by class, stacked.
        double base = 0;
        for (int k = 0; k < bin.perClass.size(); ++k) {
            if (bin.perClass[k] == 0)
                continue;
            const double top = base + bin.perClass[k];
            auto *upper = new QLineSeries;
            auto *lower = new QLineSeries;
            upper->append({{bin.low, top}, {bin.high, top}});
            lower->append({{bin.low, base}, {bin.high, base}});
            auto *part = new QAreaSeries(upper, lower);
            upper->setParent(part);
            lower->setParent(part);
            part->setBrush(k < legendColours.size() ? legendColours[k] : kNoClassColour);
            part->setPen(QPen(QColor(60, 60, 60), 1));
            attach(chart, part, x, y);
            base = top;
        }
    }
    for (double limit : h.classLimits) {
        auto *line = new QLineSeries;
        line->append({{limit, h.yAxis.min}, {limit, h.yAxis.max}});
        line->setPen(QPen(QColor(200, 30, 30), 2, Qt::DashLine));
        attach(chart, line, x, y);
    }
    chart->legend()->hide();
    return chart;
}

QChart *timeSeriesChart(const TimeSeriesData &s)
{
    auto *chart = new QChart;
    auto *x = new QCategoryAxis;
    x->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
    const double first = s.years.isEmpty() ? 0 : s.years.first().toDouble();
    const double last = s.years.isEmpty() ? 1 : s.years.last().toDouble();
    x->setRange(first, std::max(last, first + 1));
    x->setStartValue(first);
    for (const QString &year : s.years)
        x->append(year, year.toDouble());
    x->setTitleText(QStringLiteral("Anno"));
    QCategoryAxis *y = valueAxis(s.yAxis);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    for (const SeriesLine &line : s.lines) {
        QPen pen(line.colourIndex < 0 ? QColor(70, 70, 70) : kLineColours[line.colourIndex % kLineColours.size()], 2,
                 line.reference ? Qt::DashLine : Qt::SolidLine);
        // A year without a value breaks the line: each run of years with values is a series of
        // its own, in the same pen, and only the first one is named in the legend.
        QLineSeries *series = nullptr;
        bool named = false;
        for (int i = 0; i < line.values.size() && i < s.years.size(); ++i) {
            if (!line.values[i]) {
                series = nullptr;
                continue;
            }
            if (!series) {
                series = new QLineSeries;
                series->setPen(pen);
                series->setColor(pen.color());
                series->setPointsVisible(true);
                series->setName(line.reference ? QStringLiteral("%1 (riferimento)").arg(line.name) : line.name);
                attach(chart, series, x, y);
                if (named)
                    for (QLegendMarker *marker : chart->legend()->markers(series))
                        marker->setVisible(false);
                named = true;
            }
            series->append(s.years[i].toDouble(), *line.values[i]);
        }
    }
    // A legend of more names than fit under the chart would take the chart's room and say
    // nothing.
    chart->legend()->setAlignment(Qt::AlignBottom);
    chart->legend()->setVisible(s.lines.size() <= kMaxLegendLines);
    return chart;
}

QChart *barChart(const BarChartData &b)
{
    auto *chart = new QChart;
    auto *set = new QBarSet(b.yAxis.title);
    QStringList names;
    for (const Bar &bar : b.bars) {
        *set << bar.value;
        names << bar.name;
    }
    set->setColor(QColor(70, 110, 180));
    auto *series = new QBarSeries;
    series->append(set);
    series->setBarWidth(0.8);
    auto *x = new QBarCategoryAxis;
    x->append(names);
    x->setTitleText(QStringLiteral("Territorio"));
    // Many names stand upright, small, and whole.
    if (names.size() > 12) {
        x->setLabelsAngle(-90);
        x->setTruncateLabels(false);
        QFont font = x->labelsFont();
        font.setPointSizeF(names.size() > 60 ? 6 : names.size() > 30 ? 7 : font.pointSizeF());
        x->setLabelsFont(font);
    }
    QCategoryAxis *y = valueAxis(b.yAxis);
    chart->addAxis(x, Qt::AlignBottom);
    chart->addAxis(y, Qt::AlignLeft);
    attach(chart, series, x, y);
    chart->legend()->hide();
    return chart;
}

// Draws the chart of the data into target on the painter.
void paintChart(const ChartData &data, QPainter &painter, const QRectF &target, QSize size)
{
    QGraphicsScene scene;
    QChart *chart = makeChart(data);
    scene.addItem(chart); // the scene owns it
    chart->setGeometry(QRectF(QPointF(0, 0), QSizeF(size)));
    // The chart lays itself out on a posted request: carry it out now.
    chart->layout()->activate();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    scene.setSceneRect(chart->geometry());
    scene.render(&painter, target, chart->geometry());
}

SaveOutcome writeFailed(const QString &file, const QString &detail)
{
    return {QStringLiteral("Impossibile salvare il grafico in %1.").arg(QFileInfo(file).fileName()), detail};
}

} // namespace

QString titleOf(const ChartData &data)
{
    return std::visit([](const auto &d) { return d.title; }, data);
}

QChart *makeChart(const ChartData &data)
{
    QChart *chart = std::visit(
        [](const auto &d) -> QChart * {
            using T = std::decay_t<decltype(d)>;
            if constexpr (std::is_same_v<T, HistogramData>)
                return histogramChart(d);
            else if constexpr (std::is_same_v<T, TimeSeriesData>)
                return timeSeriesChart(d);
            else
                return barChart(d);
        },
        data);
    chart->setTitle(titleOf(data));
    QFont font = chart->titleFont();
    font.setPointSizeF(font.pointSizeF() * 1.3);
    font.setBold(true);
    chart->setTitleFont(font);
    chart->setBackgroundBrush(Qt::white);
    chart->setAnimationOptions(QChart::NoAnimation);
    return chart;
}

QImage chartImage(const ChartData &data, QSize size)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paintChart(data, painter, QRectF(QPointF(0, 0), QSizeF(size)), size);
    return image;
}

std::optional<ChartFormat> formatOfFile(const QString &file)
{
    const QString ext = QFileInfo(file).suffix().toLower();
    if (ext == QLatin1String("png"))
        return ChartFormat::Png;
    if (ext == QLatin1String("svg"))
        return ChartFormat::Svg;
    if (ext == QLatin1String("pdf"))
        return ChartFormat::Pdf;
    return std::nullopt;
}

SaveOutcome saveChart(const ChartData &data, const QString &file, QSize size)
{
    const std::optional<ChartFormat> format = formatOfFile(file);
    if (!format)
        return {QStringLiteral("Il grafico si salva in un file .png, .svg oppure .pdf."), file};
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return writeFailed(file, out.errorString());
    const QRectF target(QPointF(0, 0), QSizeF(size));
    switch (*format) {
    case ChartFormat::Png:
        if (!chartImage(data, size).save(&out, "PNG"))
            return writeFailed(file, out.errorString());
        break;
    case ChartFormat::Svg: {
        QSvgGenerator svg;
        svg.setOutputDevice(&out);
        svg.setSize(size);
        svg.setViewBox(target);
        svg.setTitle(titleOf(data));
        QPainter painter(&svg);
        paintChart(data, painter, target, size);
        break;
    }
    case ChartFormat::Pdf: {
        QPdfWriter pdf(&out);
        pdf.setTitle(titleOf(data));
        pdf.setCreator(QStringLiteral("Quarnaro"));
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter painter(&pdf);
        paintChart(data, painter, target, size);
        break;
    }
    }
    if (!out.commit())
        return writeFailed(file, out.errorString());
    return {};
}

} // namespace qrn::chart

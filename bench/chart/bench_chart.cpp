// The charts of 107 territories over 13 years, each built from its data and drawn into a
// 1000 x 700 picture (the size they are saved and copied at):
// TimeSeries: 107 lines of 13 years (the references found for each);
// Histogram: the 1,391 values in quartile classes, bars stacked by class;
// Bars: one year's column of the 107 territories in a grid table.
// TimeSeriesFromDatabase: AS013 read over its years for the 107 provinces of the sample (with
// their regions and Italy), then built and drawn.

#include "chart/chartrender.h"
#include "chart/itemyears.h"
#include "map/classifymethod.h"
#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"
#include "table/datatable.h"

#include <QApplication>
#include <benchmark/benchmark.h>

using namespace qrn;

namespace {

constexpr int kTerritories = 107, kYears = 13;
const NumberFormat kFmt = NumberFormat::comma();

// A grid table of 107 provinces in 4 regions, with Italy, over 13 years of one item.
DataTable provinces()
{
    QStringList headers {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio"};
    for (int y = 0; y < kYears; ++y)
        headers << QStringLiteral("AS013_%1").arg(1996 + y);
    QList<QStringList> rows {headers};
    auto row = [&](const QString &code, const QString &region, const QString &name, double base) {
        QStringList r {"1", code, "", region, "", name};
        for (int y = 0; y < kYears; ++y)
            r << kFmt.fixed(base * (1 + 0.03 * y), 2);
        rows << r;
    };
    for (int i = 0; i < kTerritories; ++i)
        row(QStringLiteral("%1").arg(i + 1, 3, 10, QLatin1Char('0')), QStringLiteral("%1").arg(i % 4 + 1, 2, 10, QLatin1Char('0')),
            QStringLiteral("Provincia %1").arg(i + 1), 500 + (i * 7919) % 9000);
    for (int r = 1; r <= 4; ++r)
        row(QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0')), QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0')),
            QStringLiteral("Regione %1").arg(r), 40000 + r * 1000);
    row(chart::kItalyCode, "TOTALE", "Italia", 200000);
    return DataTable(rows);
}

QStringList codes(const DataTable &t)
{
    QStringList out;
    for (int r = 1; r <= kTerritories; ++r)
        out << t.text(r, 1);
    return out;
}

void BM_TimeSeries(benchmark::State &state)
{
    const DataTable table = provinces();
    const QStringList chosen = codes(table);
    for (auto _ : state) {
        const chart::YearTable years = chart::yearTableOf(table, "AS013");
        const QImage image = chart::chartImage(chart::buildTimeSeries(years, chosen, kFmt));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_TimeSeries)->Unit(benchmark::kMillisecond);

void BM_Histogram(benchmark::State &state)
{
    const DataTable table = provinces();
    QStringList values;
    for (int r = 1; r <= kTerritories; ++r)
        for (int c = DataTable::kFirstDataColumn; c < table.columnCount(); ++c)
            values << table.text(r, c);
    std::sort(values.begin(), values.end(),
              [](const QString &a, const QString &b) { return *kFmt.toNumber(a) < *kFmt.toNumber(b); });
    for (auto _ : state) {
        map::ClassRequest request;
        request.values = values;
        request.stats = map::columnStats(values, kFmt);
        const map::MethodOutcome out = map::methodOf(map::Method::Quartiles).classes(request, kFmt);
        const map::Legend legend = map::makeMethodLegend(
            out, map::colourRamp(Qt::yellow, Qt::blue, out.colourCount()), kFmt);
        const QImage image = chart::chartImage(chart::buildHistogram(values, legend, "AS013", kFmt));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Histogram)->Unit(benchmark::kMillisecond);

void BM_Bars(benchmark::State &state)
{
    const DataTable table = provinces();
    for (auto _ : state) {
        const QImage image = chart::chartImage(chart::buildBarChart(table, DataTable::kFirstDataColumn, kFmt));
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_Bars)->Unit(benchmark::kMillisecond);

void BM_TimeSeriesFromDatabase(benchmark::State &state)
{
    test::TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    refreshLinkedTables(*ctx, *ctx);
    ctx->CurrentDb = "Variabili.mdb";
    ctx->CurrentTipo = "Variabili";
    ctx->CurrentLevel = "P";
    QStringList provinces;
    for (int i = 1; i <= 111; ++i)
        provinces << QStringLiteral("%1").arg(i, 3, 10, QLatin1Char('0'));
    QStringList withReferences = provinces;
    for (int r = 1; r <= 20; ++r)
        withReferences << QStringLiteral("%1").arg(r, 2, 10, QLatin1Char('0'));
    withReferences << chart::kItalyCode;
    for (auto _ : state) {
        const chart::ItemYearsOutcome years = chart::loadItemYears(*ctx, *ctx, "AS013", withReferences);
        if (!years.ok()) {
            state.SkipWithError(years.message.toUtf8().constData());
            break;
        }
        const QImage image = chart::chartImage(chart::buildTimeSeries(years.table, provinces, kFmt));
        state.counters["territori"] = double(years.table.rows.size());
        benchmark::DoNotOptimize(image.constBits());
    }
}
BENCHMARK(BM_TimeSeriesFromDatabase)->Unit(benchmark::kMillisecond);

} // namespace

// The thematic map's preparation and classification on the 107 provinces of the sample data.
//
// CreateMapToClasses: "Crea cartogramma" on the grid's column AS013_2005 (the table loaded
// once): the request (sort and rows), then tMappa written and the quartile classes with their
// legend and colours, as the first drawing does.
// Reclassify: a drawing with new classes (equal amplitude in 5 classes from the legend):
// tMappa written again and the classes of every province.
// CreateMapToDrawnMap: the same road on to the map: the layers of the case loaded, the join
// layer coloured and the map drawn into a 1000 x 800 image.
// RedrawWithNewClasses: on the open map, new classes (equal amplitude, 5 classes), tMappa
// written, the join layer coloured again and the map drawn.
// YearChange: on the open map, another year of the item (2006 and 2007 in turn, both on the 107
// provinces): its rows read through the selection (not from the years already read), its own
// quartile classes, tMappa written, the join layer coloured and the map drawn.
// YearChangeFixedClasses: the same with the classes fixed over the twelve years: computed once,
// before the changes, each change only classifying the year's values by their limits.

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "map/classify.h"
#include "map/legend.h"
#include "map/mapdata.h"
#include "map/mapyears.h"
#include "map/thematic.h"
#include "map/thematicmap.h"
#include "shell/context.h"
#include "shell/links.h"
#include "shell/prompt.h"
#include "support/testfolder.h"
#include "table/gridops.h"

#include <QImage>
#include <QPainter>
#include <benchmark/benchmark.h>

using namespace qrn;

namespace {

struct Provinces {
    qrn::test::TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    DataTable table;
    QString gridQuery; // the statement that loaded table
    Provinces()
    {
        ctx->DbFolder = tf.path() + QStringLiteral("Databases/");
        ctx->ShapeFolder = tf.path() + QStringLiteral("Shape/");
        refreshLinkedTables(*ctx, *ctx);
        ctx->CurrentDb = QStringLiteral("Variabili.mdb");
        ctx->CurrentTipo = QStringLiteral("Variabili");
        QStringList names;
        for (const TerritoryEntry &t : FillTerritori(*ctx, 1, 0))
            names << t.name;
        const Result<QString> built = CreaQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo,
                                                {QStringLiteral("AS013-2005 - ")}, BuildTerritoryFilter(names));
        gridQuery = built ? built.value() : QString();
        grid::DoQuery(*ctx, ctx->CurrentDb, ctx->CurrentTipo, gridQuery, table);
    }
    // The request of the grid's column; the benchmark stops when it does not hold the 107.
    std::optional<map::MapRequest> request(benchmark::State &state)
    {
        std::optional<map::MapRequest> req =
            map::createMap(*ctx, *ctx, *ctx, table, {6, QStringLiteral("AS013_2005"), QStringLiteral("Scuole"), 1}, {}).request;
        if (!req || req->rows.size() != 107) {
            state.SkipWithError("no request of 107 provinces");
            return std::nullopt;
        }
        return req;
    }
    // A drawing of 5 classes of equal amplitude, as "Seleziona" and "Visualizza mappa" make it.
    map::Drawing fiveClasses(const map::MapRequest &req, const map::ColumnStats &stats)
    {
        const map::BoundsOutcome classes = map::EqualAmplitudeClassifier().build(
            QStringLiteral("5"), map::numberText(stats.minValue, ctx->numbers),
            map::numberText(stats.maxValue, ctx->numbers), stats, ctx->numbers);
        const map::Legend legend = map::makeLegend(
            classes.classes,
            map::colourRamp(map::fromWindowsColour(map::kAmplitudeStart), map::fromWindowsColour(map::kAmplitudeEnd),
                            5),
            false, ctx->numbers);
        return map::legendDrawing(*ctx, req, legend);
    }
};

void CreateMapToClasses(benchmark::State &state)
{
    Provinces p;
    for (auto _ : state) {
        const std::optional<map::MapRequest> req = p.request(state);
        if (!req)
            return;
        const map::Drawing d = map::quartileDrawing(*p.ctx, *req, Qt::yellow, Qt::red);
        benchmark::DoNotOptimize(d.classes.classByCode.size());
    }
}
BENCHMARK(CreateMapToClasses)->Unit(benchmark::kMillisecond);

void Reclassify(benchmark::State &state)
{
    Provinces p;
    const std::optional<map::MapRequest> req = p.request(state);
    if (!req)
        return;
    const map::ColumnStats stats = map::columnStats(req->values(), p.ctx->numbers);
    for (auto _ : state)
        benchmark::DoNotOptimize(p.fiveClasses(*req, stats).classes.classByCode.size());
}
BENCHMARK(Reclassify)->Unit(benchmark::kMillisecond);

void NaturalBreaks107(benchmark::State &state)
{
    Provinces p;
    const std::optional<map::MapRequest> req = p.request(state);
    if (!req)
        return;
    for (auto _ : state)
        benchmark::DoNotOptimize(
            map::NaturalBreaksClassifier().build(QStringLiteral("9"), req->values(), p.ctx->numbers));
}
BENCHMARK(NaturalBreaks107)->Unit(benchmark::kMillisecond);

// The map of a drawing as the map window shows it, in a 1000 x 800 image.
void drawMap(const map::MapView &view, QImage &image)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    view.draw(p, QRectF(QPointF(0, 0), QSizeF(image.size())));
}

void CreateMapToDrawnMap(benchmark::State &state)
{
    Provinces p;
    QImage image(1000, 800, QImage::Format_RGB32);
    for (auto _ : state) {
        const std::optional<map::MapRequest> req = p.request(state);
        if (!req)
            return;
        const map::Drawing d = map::quartileDrawing(*p.ctx, *req, Qt::yellow, Qt::red);
        map::MapView view;
        view.setViewport(image.size());
        const map::ShapeCase sc = map::LoadShapeConfig(p.ctx->FilesFolder, p.ctx->ShapeFolder, req->mapCase.name, view);
        if (!map::joinLayer(sc) || view.layerCount() != 2) {
            state.SkipWithError("the layers of the case were not loaded");
            return;
        }
        map::applyClasses(sc, d.classes, req->mapCase.kind);
        drawMap(view, image);
    }
}
BENCHMARK(CreateMapToDrawnMap)->Unit(benchmark::kMillisecond);

void RedrawWithNewClasses(benchmark::State &state)
{
    Provinces p;
    const std::optional<map::MapRequest> req = p.request(state);
    if (!req)
        return;
    QImage image(1000, 800, QImage::Format_RGB32);
    map::MapView view;
    view.setViewport(image.size());
    const map::ShapeCase sc = map::LoadShapeConfig(p.ctx->FilesFolder, p.ctx->ShapeFolder, req->mapCase.name, view);
    const map::ColumnStats stats = map::columnStats(req->values(), p.ctx->numbers);
    for (auto _ : state) {
        const map::Drawing d = p.fiveClasses(*req, stats);
        map::applyClasses(sc, d.classes, req->mapCase.kind);
        drawMap(view, image);
    }
}
BENCHMARK(RedrawWithNewClasses)->Unit(benchmark::kMillisecond);

// A year change of the open map, with the classes fixed over the years or of the year.
void yearChange(benchmark::State &state, bool fixedClasses)
{
    Provinces p;
    std::optional<map::MapRequest> base = p.request(state);
    if (!base)
        return;
    base->territoryFilter = map::territoryFilterOf(p.gridQuery);
    QImage image(1000, 800, QImage::Format_RGB32);
    map::MapView view;
    view.setViewport(image.size());
    const map::ShapeCase sc = map::LoadShapeConfig(p.ctx->FilesFolder, p.ctx->ShapeFolder, base->mapCase.name, view);
    const QList<QColor> colours = map::colourRamp(Qt::yellow, Qt::red, 4);
    const map::ClassificationMethod &quartiles = map::methodOf(map::Method::Quartiles);
    std::optional<map::Legend> fixed;
    if (fixedClasses) {
        map::MapYears years(*p.ctx, *p.ctx, *base);
        if (years.years().size() < 12) {
            state.SkipWithError("the item has not its twelve years");
            return;
        }
        const map::MethodOutcome out = map::pooledClasses(quartiles, {}, years.pooledValues(p.ctx->numbers), p.ctx->numbers);
        fixed = map::fixedLegend(out, colours, p.ctx->numbers);
    }
    const QString years[] = {QStringLiteral("2006"), QStringLiteral("2007")};
    int turn = 0;
    for (auto _ : state) {
        const map::YearRead read = map::readYear(*p.ctx, *base, years[turn++ % 2], p.ctx->CurrentDb, p.ctx->CurrentTipo);
        if (!read.request || read.request->rows.size() != 107) {
            state.SkipWithError("the year was not read");
            return;
        }
        map::ClassRequest r;
        r.values = read.request->values();
        const map::Legend legend =
            fixed ? *fixed : map::makeMethodLegend(quartiles.classes(r, p.ctx->numbers), colours, p.ctx->numbers);
        const map::Drawing d = map::legendDrawing(*p.ctx, *read.request, legend);
        map::applyClasses(sc, d.classes, read.request->mapCase.kind);
        drawMap(view, image);
    }
}

void YearChange(benchmark::State &state)
{
    yearChange(state, false);
}
BENCHMARK(YearChange)->Unit(benchmark::kMillisecond);

void YearChangeFixedClasses(benchmark::State &state)
{
    yearChange(state, true);
}
BENCHMARK(YearChangeFixedClasses)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();

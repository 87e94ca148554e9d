// Reading, drawing and identify of the map component.
//
// On every .shp of the folder named by QUARNARO_BENCH_SHAPES (default: the sample Shape folder)
// and a municipal-like layer generated here at start, drawn into a 1600 x 1200 image, filled,
// outlined and antialiased:
// BM_OpenShapeFile/<name>: the file read whole.
// BM_DrawShapeFile/<name>: a redraw at full extent (BM_DrawShapeFileUnthinned: every vertex).
// BM_DrawAfterPan/<name>, BM_DrawAfterZoomStep/<name>: a redraw after a drag or a wheel step;
// BM_DrawAfterZoomStepNewLevel: a wheel step into a zoom level not thinned yet.
// BM_OpenAndFirstDraw/<name>: reading the file and its first drawing at the home extent.
//
// BM_IdentifyAtPoint/<name>: the search of the features at a point of the same layers, at
// points spread over the extent.
//
// The municipal-like layer: the sample provinces cut by a grid into about 8,000 cells, every
// boundary densified with small wiggles to about 850,000 vertices (tests/map/municipal.h);
// written to a temporary folder and removed at the end.

#include "map/mapview.h"
#include "map/shapelayer.h"
#include "municipal.h"
#include "support/testfolder.h"

#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <geos_c.h>
#include <shapefil.h>

#include <cmath>
#include <cstdio>
#include <vector>

using namespace qrn::map;

namespace {

constexpr QSize kSize(1600, 1200);

// Reading the whole file: geometry, bounds and every attribute in its code page.
void openLayer(benchmark::State &state, QString path)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ShapeLayer::open(path)->valid());
}

// A view of the layer alone at its full extent, filled, outlined and antialiased.
void setUp(MapView &view, const std::shared_ptr<ShapeLayer> &layer)
{
    view.setViewport(kSize);
    layer->symbol = Symbol {0xE8F5FA, 0x464646, true, FillStyle::Solid};
    view.addLayer(layer);
    view.setExtent(view.fullExtent());
}

void drawInto(const MapView &view, QImage &image)
{
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    view.draw(p, image.rect());
    p.end();
    benchmark::DoNotOptimize(image.constBits());
}

// A redraw at full extent (the thinned parts of this zoom level already made), or with thinning
// off when thin is false: every vertex, as the map drew before.
void drawLayer(benchmark::State &state, std::shared_ptr<ShapeLayer> layer, bool thin)
{
    MapView view;
    setUp(view, layer);
    view.simplify = thin;
    QImage image(kSize, QImage::Format_ARGB32_Premultiplied);
    drawInto(view, image);
    for (auto _ : state)
        drawInto(view, image);
    state.counters["features"] = layer->featureCount();
    state.counters["vertices"] = double(layer->vertexCount());
}

// A redraw after a drag of 80 x 60 pixels, back and forth from the full extent.
void drawAfterPan(benchmark::State &state, std::shared_ptr<ShapeLayer> layer)
{
    MapView view;
    setUp(view, layer);
    QImage image(kSize, QImage::Format_ARGB32_Premultiplied);
    drawInto(view, image);
    int sign = 1;
    for (auto _ : state) {
        view.panByPixels(QPointF(80, 60) * sign);
        sign = -sign;
        drawInto(view, image);
    }
}

// A redraw after one wheel step in towards a point off centre, from the full extent drawn. With
// cold, the zoom level's thinned parts are thrown away first, so every step thins what it shows
// (the first step into a level; the vertex ranks made on the first such step stay, as they do
// while the window is open); else the two levels stay made (stepping in and out again).
void drawAfterZoom(benchmark::State &state, std::shared_ptr<ShapeLayer> layer, bool cold)
{
    MapView view;
    setUp(view, layer);
    const QRectF home = view.extent();
    QImage image(kSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        state.PauseTiming();
        if (cold)
            layer->simplified().dropLevels();
        view.setExtent(home);
        drawInto(view, image);
        state.ResumeTiming();
        view.zoomAbout(QPointF(700, 500), 1 / 1.25);
        drawInto(view, image);
    }
}

// Reading the file and drawing it the first time, at the home extent, as the map window does.
void openAndDraw(benchmark::State &state, QString path)
{
    QImage image(kSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        MapView view;
        view.setViewport(kSize);
        view.addLayer(ShapeLayer::open(path));
        drawInto(view, image);
    }
}

void identify(benchmark::State &state, std::shared_ptr<ShapeLayer> layer)
{
    const QRectF e = layer->extent();
    QRandomGenerator rng(1);
    std::vector<QPointF> points;
    for (int i = 0; i < 256; ++i)
        points.emplace_back(e.left() + rng.generateDouble() * e.width(), e.top() + rng.generateDouble() * e.height());
    layer->search(points[0]); // the spatial index is built on the first search
    size_t i = 0, found = 0;
    for (auto _ : state) {
        found += layer->search(points[i++ % points.size()]).size();
        benchmark::DoNotOptimize(found);
    }
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QString folder = qEnvironmentVariable("QUARNARO_BENCH_SHAPES");
    if (folder.isEmpty())
        folder = qrn::test::sampleDir() + QStringLiteral("/Shape");
    std::vector<std::shared_ptr<ShapeLayer>> layers;
    for (const QString &f : QDir(folder).entryList({QStringLiteral("*.shp")}, QDir::Files, QDir::Name))
        layers.push_back(ShapeLayer::open(folder + QLatin1Char('/') + f));

    QTemporaryDir tmp;
    auto provinces = ShapeLayer::open(qrn::test::sampleDir() + QStringLiteral("/Shape/province107.shp"));
    if (provinces->valid()) {
        const QString stem = tmp.filePath(QStringLiteral("comuni_sintetici"));
        const auto [features, vertices] = qrn::test::writeMunicipal(*provinces, stem, 7100.0, 230.0);
        std::fprintf(stderr, "comuni_sintetici: %d features, %ld vertices\n", features, vertices);
        layers.push_back(ShapeLayer::open(stem + QStringLiteral(".shp")));
    }
    for (const auto &l : layers) {
        if (!l->valid()) {
            std::fprintf(stderr, "%s: %s\n", qPrintable(l->path()), qPrintable(l->error()));
            continue;
        }
        benchmark::RegisterBenchmark(("BM_OpenShapeFile/" + l->name()).toUtf8().constData(), openLayer, l->path())
            ->Unit(benchmark::kMillisecond);
        const QByteArray name = l->name().toUtf8();
        benchmark::RegisterBenchmark(("BM_DrawShapeFile/" + name).constData(), drawLayer, l, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DrawShapeFileUnthinned/" + name).constData(), drawLayer, l, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DrawAfterPan/" + name).constData(), drawAfterPan, l)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DrawAfterZoomStep/" + name).constData(), drawAfterZoom, l, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_DrawAfterZoomStepNewLevel/" + name).constData(), drawAfterZoom, l, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_OpenAndFirstDraw/" + name).constData(), openAndDraw, l->path())
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_IdentifyAtPoint/" + l->name()).toUtf8().constData(), identify, l)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

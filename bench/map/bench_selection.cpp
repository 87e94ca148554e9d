// The linked selection on the map: 20 rows selected in the grid to the map redrawn with their
// outlines, as the map window does it on every change of the selection.
//
// BM_SelectRowsToOutline/<layer>: the shared selection set to 20 territories spread over the
// layer; its listener finds their features and counts them by class for the legend, then the
// widget's paint: the picture of the fills, cached since the last drawing, copied onto the
// screen and the outlines drawn over it (1600 x 1200, antialiased).
// BM_SelectRowsFullRedraw/<layer>: the same with the fills drawn anew, for comparison: what a
// selection would cost if it dropped the cached picture.
// BM_BandTouching/<layer>: the territories a Shift band over the middle quarter of the map
// touches, found by their shapes.
//
// Layers: the 107 provinces of the sample data and a municipal-like layer of about 8,000
// polygons generated at start (tests/map/municipal.h), written to a temporary folder.

#include "map/maptable.h"
#include "map/mapview.h"
#include "map/selectionoutline.h"
#include "map/shapeconfig.h"
#include "municipal.h"
#include "support/testfolder.h"
#include "table/territoryselection.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>

using namespace qrn::map;

namespace {

constexpr QSize kSize(1600, 1200);
constexpr int kSelected = 20;

// A layer joined on one of its fields, a request with one row per feature (COD_TERR the
// feature's code), and the classes of a drawing: four by feature order.
struct Joined {
    ShapeCase sc;
    MapRequest req;
    ThematicClasses classes;
    QStringList twenty; // COD_TERR of 20 features spread over the layer

    Joined(std::shared_ptr<ShapeLayer> layer, const QString &field)
    {
        LayerConfig entry;
        entry.FileName = layer->name();
        entry.FieldId = field;
        entry.layer = std::move(layer);
        sc.layers = {entry};
        sc.matchIndex = 0;
        const ShapeLayer &l = *entry.layer;
        req.mapCase.kind = MapKind::Regions; // joined on COD_TERR itself
        const int n = l.featureCount();
        for (int f = 0; f < n; ++f) {
            MapRow row;
            row.codTerr = l.value(f, field).trimmed();
            row.value = QString::number(f);
            req.rows.append(row);
            classes.classByCode.insert(row.codTerr, 1 + 4 * f / n);
        }
        for (int i = 0; i < kSelected; ++i)
            twenty << req.rows[int(qint64(i) * n / kSelected)].codTerr;
    }
};

void selectRows(benchmark::State &state, std::shared_ptr<ShapeLayer> layer, QString field, bool redrawFills)
{
    if (!layer->valid() || layer->fieldIndex(field) < 0) {
        state.SkipWithError("layer or field missing");
        return;
    }
    const Joined j(layer, field);
    MapView view;
    view.setViewport(kSize);
    layer->symbol = Symbol {0xE8F5FA, 0x464646, true, FillStyle::Solid};
    view.addLayer(layer);
    view.setExtent(view.homeExtent());
    QImage cache(kSize, QImage::Format_RGB32), screen(kSize, QImage::Format_RGB32);
    {
        QPainter p(&cache);
        p.setRenderHint(QPainter::Antialiasing);
        view.draw(p, cache.rect());
    }

    qrn::TerritorySelection selection;
    QList<int> features;
    QList<int> classOf;
    QObject::connect(&selection, &qrn::TerritorySelection::changed, [&] {
        features = selectedFeatures(j.sc, j.req, selection.codes());
        classOf = classesOfSelection(j.req, j.classes, selection.codes());
    });
    for (auto _ : state) {
        state.PauseTiming();
        selection.clear();
        state.ResumeTiming();
        selection.set(j.twenty);
        if (redrawFills) {
            QPainter p(&cache);
            p.setRenderHint(QPainter::Antialiasing);
            view.draw(p, cache.rect());
        }
        QPainter p(&screen);
        p.drawImage(0, 0, cache);
        drawSelectionOutline(p, screen.rect(), view, *layer, features);
        p.end();
        benchmark::DoNotOptimize(screen.constBits());
    }
    if (features.size() != kSelected || classOf.size() != kSelected)
        state.SkipWithError("the selection did not find its 20 features");
    state.counters["features"] = layer->featureCount();
}

void bandTouching(benchmark::State &state, std::shared_ptr<ShapeLayer> layer, QString field)
{
    const Joined j(layer, field);
    const QRectF e = layer->extent();
    const QRectF band(e.center() - QPointF(e.width(), e.height()) / 4, e.size() / 2);
    qsizetype found = 0;
    for (auto _ : state) {
        found = territoriesOfFeatures(j.sc, j.req, featuresTouching(*layer, band)).size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["touched"] = double(found);
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QGuiApplication app(argc, argv);
    QTemporaryDir tmp;
    auto provinces = ShapeLayer::open(qrn::test::sampleDir() + QStringLiteral("/Shape/province107.shp"));
    std::vector<std::pair<std::shared_ptr<ShapeLayer>, QString>> layers {{provinces, QStringLiteral("COD_PRO")}};
    if (provinces->valid()) {
        const QString stem = tmp.filePath(QStringLiteral("comuni_sintetici"));
        const auto [count, vertices] = qrn::test::writeMunicipal(*provinces, stem, 7100.0, 230.0);
        std::fprintf(stderr, "comuni_sintetici: %d features, %ld vertices\n", count, vertices);
        layers.emplace_back(ShapeLayer::open(stem + QStringLiteral(".shp")), QStringLiteral("COD_COM"));
    }
    for (const auto &[layer, field] : layers) {
        const QByteArray name = layer->name().toUtf8();
        benchmark::RegisterBenchmark(("BM_SelectRowsToOutline/" + name).constData(), selectRows, layer, field, false)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_SelectRowsFullRedraw/" + name).constData(), selectRows, layer, field, true)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_BandTouching/" + name).constData(), bandTouching, layer, field)
            ->Unit(benchmark::kMillisecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

// Reading, drawing and identify of the map component.
//
// BM_OpenShapeFile/<name>, BM_DrawShapeFile/<name>: every .shp of the folder named by
// QUARNARO_BENCH_SHAPES (default: the sample Shape folder) and a municipal-like layer generated
// here at start, read whole, or drawn at full extent into a 1600 x 1200 image, filled, outlined
// and antialiased.
//
// BM_IdentifyAtPoint/<name>: the search of the features at a point of the same layers, at
// points spread over the extent.
//
// The municipal-like layer: the sample provinces cut by a grid into about 8,000 cells, every
// boundary densified with small wiggles to about 850,000 vertices, as real municipal
// boundaries are; written to a temporary folder and removed at the end.

#include "map/mapview.h"
#include "map/shapelayer.h"
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

// Cuts every ring of the source polygons with a grid of cell x cell map units and writes the
// pieces, densified every step units with wiggles of a tenth of a step. Answers the number of
// features and vertices written.
std::pair<int, long> writeMunicipal(const ShapeLayer &src, const QString &stem, double cell, double step)
{
    GEOSContextHandle_t ctx = GEOS_init_r();
    SHPHandle shp = SHPCreate(QFile::encodeName(stem).constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreateEx(QFile::encodeName(stem + QStringLiteral(".dbf")).constData(), "UTF-8");
    DBFAddField(dbf, "COD_COM", FTInteger, 6, 0);
    DBFAddField(dbf, "DEN_TERR", FTString, 30, 0);
    QRandomGenerator rng(8000);
    int features = 0;
    long vertices = 0;
    for (int f = 0; f < src.featureCount(); ++f) {
        for (int p = src.partBegin(f); p < src.partEnd(f); ++p) {
            if (src.partSize(p) < 4)
                continue;
            GEOSCoordSequence *seq = GEOSCoordSeq_create_r(ctx, unsigned(src.partSize(p)), 2);
            for (int i = 0; i < src.partSize(p); ++i)
                GEOSCoordSeq_setXY_r(ctx, seq, unsigned(i), src.partPoints(p)[i].x(), src.partPoints(p)[i].y());
            GEOSGeometry *ring = GEOSGeom_createPolygon_r(ctx, GEOSGeom_createLinearRing_r(ctx, seq), nullptr, 0);
            GEOSGeometry *poly = GEOSMakeValid_r(ctx, ring);
            GEOSGeom_destroy_r(ctx, ring);
            double x0, y0, x1, y1;
            GEOSGeom_getXMin_r(ctx, poly, &x0), GEOSGeom_getYMin_r(ctx, poly, &y0);
            GEOSGeom_getXMax_r(ctx, poly, &x1), GEOSGeom_getYMax_r(ctx, poly, &y1);
            for (double x = std::floor(x0 / cell) * cell; x < x1; x += cell) {
                for (double y = std::floor(y0 / cell) * cell; y < y1; y += cell) {
                    GEOSGeometry *box = GEOSGeom_createRectangle_r(ctx, x, y, x + cell, y + cell);
                    GEOSGeometry *piece = GEOSIntersection_r(ctx, poly, box);
                    GEOSGeom_destroy_r(ctx, box);
                    GEOSGeometry *dense = piece ? GEOSDensify_r(ctx, piece, step) : nullptr;
                    const int n = dense ? GEOSGetNumGeometries_r(ctx, dense) : 0;
                    std::vector<double> xs, ys;
                    std::vector<int> starts;
                    for (int g = 0; g < n; ++g) {
                        const GEOSGeometry *part = GEOSGetGeometryN_r(ctx, dense, g);
                        if (GEOSGeomTypeId_r(ctx, part) != GEOS_POLYGON)
                            continue;
                        const GEOSCoordSequence *cs = GEOSGeom_getCoordSeq_r(ctx, GEOSGetExteriorRing_r(ctx, part));
                        unsigned size = 0;
                        GEOSCoordSeq_getSize_r(ctx, cs, &size);
                        starts.push_back(int(xs.size()));
                        for (unsigned i = 0; i < size; ++i) {
                            double cx, cy;
                            GEOSCoordSeq_getXY_r(ctx, cs, i, &cx, &cy);
                            const bool end = i == 0 || i + 1 == size;
                            xs.push_back(cx + (end ? 0 : (rng.generateDouble() - 0.5) * step / 5));
                            ys.push_back(cy + (end ? 0 : (rng.generateDouble() - 0.5) * step / 5));
                        }
                    }
                    if (!xs.empty()) {
                        SHPObject *o = SHPCreateObject(SHPT_POLYGON, -1, int(starts.size()), starts.data(), nullptr,
                                                       int(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
                        SHPWriteObject(shp, -1, o);
                        SHPDestroyObject(o);
                        DBFWriteIntegerAttribute(dbf, features, 0, features + 1);
                        DBFWriteStringAttribute(dbf, features, 1,
                                                QStringLiteral("Comune %1").arg(features + 1).toUtf8().constData());
                        ++features;
                        vertices += long(xs.size());
                    }
                    if (dense)
                        GEOSGeom_destroy_r(ctx, dense);
                    if (piece)
                        GEOSGeom_destroy_r(ctx, piece);
                }
            }
            GEOSGeom_destroy_r(ctx, poly);
        }
    }
    SHPClose(shp);
    DBFClose(dbf);
    GEOS_finish_r(ctx);
    return {features, vertices};
}

// Reading the whole file: geometry, bounds and every attribute in its code page.
void openLayer(benchmark::State &state, QString path)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(ShapeLayer::open(path)->valid());
}

void drawLayer(benchmark::State &state, std::shared_ptr<ShapeLayer> layer)
{
    MapView view;
    view.setViewport(kSize);
    layer->symbol = Symbol {0xE8F5FA, 0x464646, true, FillStyle::Solid};
    view.addLayer(layer);
    view.setExtent(view.fullExtent());
    QImage image(kSize, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        view.draw(p, image.rect());
        p.end();
        benchmark::DoNotOptimize(image.constBits());
    }
    state.counters["features"] = layer->featureCount();
    state.counters["vertices"] = double(layer->vertexCount());
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
        const auto [features, vertices] = writeMunicipal(*provinces, stem, 7100.0, 230.0);
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
        benchmark::RegisterBenchmark(("BM_DrawShapeFile/" + l->name()).toUtf8().constData(), drawLayer, l)
            ->Unit(benchmark::kMillisecond);
        benchmark::RegisterBenchmark(("BM_IdentifyAtPoint/" + l->name()).toUtf8().constData(), identify, l)
            ->Unit(benchmark::kMicrosecond);
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}

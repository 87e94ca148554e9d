// The map view: layer order, extents, conversions, scale, drawing and export.

#include "map/mapview.h"
#include "map/scalebar.h"
#include "map/simplify.h"
#include "municipal.h"
#include "shapewriter.h"
#include "support/testfolder.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <QRegularExpression>
#include <algorithm>
#include <cmath>
#include <gtest/gtest.h>
#include <shapefil.h>

using namespace qrn::map;
using qrn::test::square;

namespace {

// The view drawn antialiased on an image of its viewport.
QImage render(const MapView &view)
{
    QImage img(view.viewport(), QImage::Format_RGB32);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    view.draw(p, img.rect());
    return img;
}

// Two 10 x 10 squares side by side, the first with a 2 x 2 hole, coded "A" and "B"; a view of
// 240 x 120 pixels at 0.1 units a pixel whose map edges fall on pixel centres.
struct TwoSquares {
    qrn::test::TestFolder tf {false};
    MapView view;
    std::shared_ptr<ShapeLayer> layer;

    TwoSquares()
    {
        qrn::test::Ring hole = square(4, 4, 2);
        std::reverse(hole.begin(), hole.end());
        qrn::test::writeShapes(tf.file(QStringLiteral("sq")), SHPT_POLYGON,
                               {{{square(0, 0, 10), hole}, "A"}, {{square(12, 0, 10)}, "B"}});
        layer = ShapeLayer::open(tf.file(QStringLiteral("sq.shp")));
        view.addLayer(layer);
        view.backColor = 0x0000FF; // red
        view.setViewport(QSize(240, 120));
        view.setExtent(QRectF(-1.05, -0.95, 24, 12));
    }
};

// The pixel at a map point within 8 of a Windows colour.
::testing::AssertionResult near(const QImage &img, const MapView &v, QPointF at, quint32 bgr)
{
    const QPointF p = v.toPixel(at);
    const QColor got = img.pixelColor(int(std::floor(p.x())), int(std::floor(p.y()))), want = colorFromWin(bgr);
    if (std::abs(got.red() - want.red()) <= 8 && std::abs(got.green() - want.green()) <= 8
        && std::abs(got.blue() - want.blue()) <= 8)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << got.name().toStdString() << " instead of " << want.name().toStdString();
}

} // namespace

TEST(MapView, ExtentsConversionsAndScale)
{
    TwoSquares s;
    int changes = 0;
    s.view.changed = [&] { ++changes; };
    EXPECT_EQ(s.view.fullExtent(), QRectF(0, 0, 22, 10));
    EXPECT_EQ(s.view.layer(QStringLiteral("SQ")), s.layer.get()); // names in any case
    EXPECT_EQ(s.view.layer(QStringLiteral("none")), nullptr);
    EXPECT_FALSE(s.view.addLayer(ShapeLayer::open(s.tf.file(QStringLiteral("none.shp"))))); // no such file
    // Zoom out by 1.5 about the centre, then back to the full extent.
    const QRectF before = s.view.extent();
    s.view.setExtent(scaleRect(before, 1.5));
    EXPECT_DOUBLE_EQ(s.view.extent().width(), before.width() * 1.5);
    EXPECT_EQ(s.view.extent().center(), before.center());
    s.view.setExtent(s.view.fullExtent());
    EXPECT_EQ(changes, 2);
    // The full extent is wider than the viewport's shape: widened vertically, centred.
    EXPECT_DOUBLE_EQ(s.view.visibleExtent().height(), 11.0);
    EXPECT_DOUBLE_EQ(s.view.mapUnitsPerPixel(), 22.0 / 240);
    EXPECT_EQ(s.view.toMapPoint(QPointF(0, 0)), QPointF(0, 10.5));
    const QPointF m = s.view.toMapPoint(QPointF(17, 93));
    EXPECT_LT(QLineF(s.view.toPixel(m), QPointF(17, 93)).length(), 1e-9);
    EXPECT_DOUBLE_EQ(s.view.toMapDistance(100), 100 * 22.0 / 240);
    // 1000 pixels over 100 km at 96 dpi: 100 m a pixel of 1/96 inch.
    s.view.setViewport(QSize(1000, 500));
    s.view.setExtent(QRectF(0, 0, 100000, 50000));
    EXPECT_NEAR(s.view.scaleDenominator(96), 100 * 96 / 0.0254, 1e-6);
    // The axis the extent fills sets the scale; no pixels, no scale.
    EXPECT_NEAR(scaleDenominator(QRectF(0, 0, 1000, 4000), QSizeF(100, 100), 254), 40 * 254 / 0.0254, 1e-6);
    EXPECT_EQ(scaleDenominator(QRectF(0, 0, 1000, 1000), QSizeF(0, 100), 96), 0);
}

TEST(MapView, TheHomeExtentFramesEveryFeatureWithAMargin)
{
    // A tall mainland and a small island at its southern tip, as the southernmost islands lie
    // on the map; a square viewport, so the height of the layers fills the picture.
    qrn::test::TestFolder tf {false};
    qrn::test::writeShapes(tf.file(QStringLiteral("isole")), SHPT_POLYGON,
                           {{{square(0, 10, 10)}, "A"}, {{square(4, 0, 0.5)}, "B"}});
    MapView view;
    view.addLayer(ShapeLayer::open(tf.file(QStringLiteral("isole.shp"))));
    view.layer(0)->symbol = {0x00FF00, 0x000000, true, FillStyle::Solid};
    view.setViewport(QSize(200, 200));
    EXPECT_EQ(view.extent(), view.homeExtent()); // before any extent is set
    view.setExtent(view.homeExtent());

    // Every corner of every feature at least two pixels inside the frame.
    const QRectF inner = QRectF(QPointF(0, 0), QSizeF(view.viewport())).adjusted(2, 2, -2, -2);
    for (int f = 0; f < view.layer(0)->featureCount(); ++f) {
        const QRectF b = view.layer(0)->featureBounds(f);
        for (const QPointF corner : {b.topLeft(), b.topRight(), b.bottomLeft(), b.bottomRight()})
            EXPECT_TRUE(inner.contains(view.toPixel(corner))) << f << " " << view.toPixel(corner).y();
    }
    // The island is whole: its outline closes above the bottom edge, the last rows are ground.
    const QImage img = render(view);
    const QPointF southTip = view.toPixel(QPointF(4.25, 0));
    EXPECT_EQ(img.pixelColor(int(southTip.x()), img.height() - 1), QColor(Qt::white));
    EXPECT_EQ(img.pixelColor(view.toPixel(QPointF(4.25, 0.25)).toPoint()), QColor(Qt::green));
}

TEST(MapView, ScaleBarTakesARoundLength)
{
    const double cases[][4] = {{1000, 400, 200, 200}, {1000, 99, 50, 50}, {250, 400, 100, 400}, {10, 90, 0.5, 50}};
    for (const auto &[metresPerPixel, maxPixels, km, pixels] : cases) {
        const ScaleBarLength s = scaleBarFor(metresPerPixel, maxPixels);
        EXPECT_EQ(std::pair(s.kilometres, s.pixels), std::pair(km, pixels)) << metresPerPixel << " " << maxPixels;
    }
    EXPECT_EQ(scaleBarFor(0, 100).kilometres, 0);
}

TEST(MapView, DrawsFillOutlineAndBackground)
{
    TwoSquares s;
    const QPointF inside(2, 2), hole(5, 5), outside(-0.5, 5), border(0, 5), second(15, 5);
    // The outline is drawn exactly when the symbol has one; the transparent fill shows the ground.
    const std::pair<Symbol, quint32> cases[] = {{{0x00FF00, 0x000000, true, FillStyle::Solid}, 0x00FF00},
                                                {{0x00FF00, 0x000000, false, FillStyle::Solid}, 0x00FF00},
                                                {{0x00FF00, 0xFF0000, true, FillStyle::Transparent}, 0x0000FF}};
    for (const auto &[symbol, fill] : cases) {
        s.layer->symbol = symbol;
        const QImage img = render(s.view);
        EXPECT_TRUE(near(img, s.view, inside, fill));
        EXPECT_EQ(bool(near(img, s.view, border, symbol.outlineColor)), symbol.outline);
        EXPECT_TRUE(near(img, s.view, hole, 0x0000FF));
        EXPECT_TRUE(near(img, s.view, outside, 0x0000FF));
    }
    // A value map colours the listed code and leaves the other feature in the default colour, or
    // undrawn without one; a value listed twice keeps its first symbol. Field names match in any case.
    auto vm = std::make_shared<ValueMapRenderer>();
    vm->field = QStringLiteral("code");
    vm->defaultSymbol = Symbol {0xFFFFFF, 0, true, FillStyle::Solid};
    vm->addValue(QStringLiteral("B"), Symbol {0xFF0000, 0, true, FillStyle::Solid});
    vm->addValue(QStringLiteral("B"), Symbol {0x00FF00, 0, true, FillStyle::Solid});
    s.layer->renderer = vm;
    for (const auto &[useDefault, first] : {std::pair {true, 0xFFFFFFu}, {false, 0x0000FFu}}) {
        vm->useDefault = useDefault;
        const QImage img = render(s.view);
        EXPECT_TRUE(near(img, s.view, second, 0xFF0000));
        EXPECT_TRUE(near(img, s.view, inside, first));
        EXPECT_TRUE(near(img, s.view, hole, 0x0000FF));
    }
}

TEST(MapView, ExportsTheViewAsVectorOrPixels)
{
    TwoSquares s;
    s.layer->symbol = Symbol {0x00FF00, 0, true, FillStyle::Solid};
    const QString svg = s.tf.file(QStringLiteral("v.svg")), layout = s.tf.file(QStringLiteral("l.svg")),
                  png = s.tf.file(QStringLiteral("v.png"));
    ASSERT_TRUE(s.view.exportView(svg));
    ASSERT_TRUE(s.view.exportView(layout, true));
    ASSERT_TRUE(s.view.exportView(png));
    auto widthMm = [&](const QString &file) {
        const auto m = QRegularExpression(QStringLiteral("<svg width=\"([0-9.]+)mm\""))
                           .match(QString::fromUtf8(s.tf.read(QFileInfo(file).fileName())));
        return m.hasMatch() ? m.captured(1).toDouble() : -1.0;
    };
    EXPECT_NEAR(widthMm(svg), 240 * 25.4 / 96, 0.5);
    // The print layout reads HIMETRIC * 1024 / 27092 as the map's width in inches.
    EXPECT_NEAR(widthMm(layout) * 100 * 1024 / 27092, 10.0, 0.05);
    const QImage img(png);
    EXPECT_EQ(img.size(), QSize(240, 120));
    EXPECT_TRUE(near(img, s.view, QPointF(2, 2), 0x00FF00));
    const qrn::WriteResult refused = s.view.exportView(s.tf.file(QStringLiteral("v.xyz")));
    EXPECT_FALSE(refused);
    EXPECT_TRUE(refused.message.startsWith(QStringLiteral("Formato di file non gestito")))
        << refused.message.toStdString();
}

// Layers in degrees (by their .prj) give scales along the meridians; projected ones stay metres,
// and so does a view mixing both.
TEST(MapView, ScaleOfLayersInDegrees)
{
    const double degree = 6371008.8 * M_PI / 180.0;
    const std::pair<const char *, double> cases[] = {
        {R"(GEOGCS["GCS_WGS_1984",DATUM["D_WGS_1984",SPHEROID["WGS_1984",6378137.0,298.257223563]]])", degree},
        {R"(GEOGCRS["ETRS89",DATUM["European Terrestrial Reference System 1989"]])", degree},
        {R"(PROJCS["WGS_1984_UTM_Zone_32N",GEOGCS["GCS_WGS_1984"],PROJECTION["Transverse_Mercator"]])", 1},
        {"", 1}};
    for (const auto &[wkt, metresPerUnit] : cases) {
        TwoSquares s;
        s.tf.write(QStringLiteral("sq.prj"), wkt);
        s.view.clearLayers();
        s.view.addLayer(ShapeLayer::open(s.tf.file(QStringLiteral("sq.shp"))));
        EXPECT_DOUBLE_EQ(s.view.scaleDenominator(96),
                         scaleDenominator(s.view.extent(), QSizeF(240, 120), 96) * metresPerUnit)
            << wkt;
        if (metresPerUnit != 1) {
            s.view.addLayer(s.layer); // opened before the .prj was written: metres
            EXPECT_DOUBLE_EQ(s.view.metresPerUnit(), 1);
        }
    }
}

TEST(MapView, PanFollowsTheDragAndZoomKeepsThePointUnderThePointer)
{
    MapView v;
    v.setViewport(QSize(200, 100));
    v.setExtent(QRectF(0, 0, 20, 10)); // 0.1 units a pixel
    const QPointF grabbed = v.toMapPoint(QPointF(50, 40));
    v.panByPixels(QPointF(30, -20));
    EXPECT_LT(QLineF(v.toPixel(grabbed), QPointF(80, 20)).length(), 1e-9);

    const QPointF pointer(150, 25);
    const QPointF under = v.toMapPoint(pointer);
    const double width = v.visibleExtent().width();
    v.zoomAbout(pointer, 0.8);
    EXPECT_NEAR(v.visibleExtent().width(), width * 0.8, 1e-9);
    EXPECT_LT(QLineF(v.toPixel(under), pointer).length(), 1e-9);
    v.zoomAbout(pointer, 1.25);
    EXPECT_NEAR(v.visibleExtent().width(), width, 1e-9);
}

// Thinning to the pixel keeps the picture: on the municipal-like layer at full extent (about
// 8,600 cells, 890,000 vertices), drawn filled (in a mid tone, so a misplaced fill edge shows against
// the white around), outlined and antialiased at 1600 x 1200, at most
// 0.5 % of the pixels differ visibly (by more than an eighth of the range in a channel) from the
// drawing of every vertex; a pan and a zoom step draw from the thinned parts as well.
TEST(MapView, ThinnedDrawingLooksLikeTheWholeOne)
{
    qrn::test::TestFolder tf {false};
    auto provinces = ShapeLayer::open(qrn::test::sampleDir() + QStringLiteral("/Shape/province107.shp"));
    ASSERT_TRUE(provinces->valid());
    const QString stem = tf.file(QStringLiteral("comuni"));
    qrn::test::writeMunicipal(*provinces, stem, 7100.0, 230.0);
    auto layer = ShapeLayer::open(stem + QStringLiteral(".shp"));
    ASSERT_TRUE(layer->valid());
    layer->symbol = Symbol {0x3C8CD2, 0x464646, true, FillStyle::Solid};
    MapView view;
    view.setViewport(QSize(1600, 1200));
    view.addLayer(layer);
    view.setExtent(view.fullExtent());
    auto drawn = [&](bool thin) {
        view.simplify = thin;
        return render(view);
    };
    auto differing = [](const QImage &a, const QImage &b) {
        long n = 0;
        for (int y = 0; y < a.height(); ++y) {
            const QRgb *pa = reinterpret_cast<const QRgb *>(a.constScanLine(y));
            const QRgb *pb = reinterpret_cast<const QRgb *>(b.constScanLine(y));
            for (int x = 0; x < a.width(); ++x)
                n += std::abs(qRed(pa[x]) - qRed(pb[x])) > 32 || std::abs(qGreen(pa[x]) - qGreen(pb[x])) > 32
                    || std::abs(qBlue(pa[x]) - qBlue(pb[x])) > 32;
        }
        return double(n) / (double(a.width()) * a.height());
    };
    EXPECT_LE(differing(drawn(false), drawn(true)), 0.005);
    // Zoomed in and panned, the thinned drawing still matches the whole one.
    view.zoomAbout(QPointF(700, 500), 1 / 1.25 / 1.25);
    view.panByPixels(QPointF(120, -80));
    EXPECT_LE(differing(drawn(false), drawn(true)), 0.005);
}

// Thinning a closed ring: a square of side 100 whose sides, with a vertex every 2 units, wiggle by
// up to 0.4 keeps its corners and its closing vertex, and drops the wiggles at tolerance 1 but not
// at 0.1; with a radius of 3 every other vertex goes first. Every dropped vertex lies within
// radius + tolerance of the thinned ring.
TEST(SimplifyPolyline, KeepsCornersAndEndsAndStaysWithinTolerance)
{
    std::vector<QPointF> ring;
    const QPointF corners[] = {{0, 0}, {100, 0}, {100, 100}, {0, 100}, {0, 0}};
    for (int c = 0; c < 4; ++c)
        for (int i = 0; i < 50; ++i) {
            const QPointF a = corners[c], b = corners[c + 1];
            const QPointF along = a + (b - a) * (i / 50.0);
            const QPointF normal(-(b - a).y() / 100, (b - a).x() / 100);
            ring.push_back(along + normal * (i == 0 ? 0.0 : 0.4 * std::sin(i)));
        }
    ring.push_back(ring.front());
    auto distanceToLine = [](QPointF p, const std::vector<QPointF> &line) {
        double best = 1e300;
        for (size_t i = 0; i + 1 < line.size(); ++i) {
            const QPointF a = line[i], d = line[i + 1] - a;
            const double t = std::clamp(QPointF::dotProduct(p - a, d) / QPointF::dotProduct(d, d), 0.0, 1.0);
            const QPointF q = a + d * t;
            best = std::min(best, std::hypot(p.x() - q.x(), p.y() - q.y()));
        }
        return best;
    };
    for (const auto [radius, tolerance] : {std::pair {0.0, 1.0}, {0.0, 0.1}, {3.0, 0.1}}) {
        std::vector<QPointF> out {QPointF(-1, -1)}; // appended after what is there
        simplifyPolyline(ring.data(), int(ring.size()), radius, tolerance, out);
        ASSERT_GE(out.size(), 6u);
        EXPECT_EQ(out[0], QPointF(-1, -1));
        out.erase(out.begin());
        EXPECT_EQ(out.front(), ring.front());
        EXPECT_EQ(out.back(), ring.back());
        for (const QPointF &c : corners)
            EXPECT_NE(std::find(out.begin(), out.end(), c), out.end()) << c.x() << "," << c.y();
        if (tolerance == 1.0)
            EXPECT_EQ(out.size(), 5u);
        else if (radius == 0)
            EXPECT_GT(out.size(), 50u);
        else { // the radius leaves every other vertex at most, the wiggles of those stay
            EXPECT_LT(out.size(), 110u);
            EXPECT_GT(out.size(), 20u);
        }
        for (const QPointF &p : ring)
            EXPECT_LE(distanceToLine(p, out), radius + tolerance + 1e-9);
    }
    // Two vertices or fewer are kept as they are.
    std::vector<QPointF> two;
    simplifyPolyline(ring.data(), 2, 1000, 1000, two);
    EXPECT_EQ(two, std::vector<QPointF>(ring.begin(), ring.begin() + 2));
}

// The ranks of a ring's vertices give, at any tolerance, exactly what Douglas–Peucker keeps: a
// level of a ranked part is a filter. A ring of a spiral (so that splits nest deeply), closed.
TEST(SimplifyPolyline, RanksFilterToWhatDouglasPeuckerKeeps)
{
    std::vector<QPointF> ring;
    for (int i = 0; i < 400; ++i) {
        const double a = i * 0.11, r = 10 + i * 0.2 + 1.5 * std::sin(i * 1.7);
        ring.emplace_back(r * std::cos(a), r * std::sin(a));
    }
    ring.push_back(ring.front());
    std::vector<double> rank(ring.size());
    rankPolyline(ring.data(), int(ring.size()), rank.data());
    EXPECT_TRUE(std::isinf(rank.front()) && std::isinf(rank.back()));
    for (const double tolerance : {0.01, 0.3, 1.0, 2.5, 8.0, 40.0}) {
        std::vector<QPointF> expected, filtered;
        simplifyPolyline(ring.data(), int(ring.size()), 0.0, tolerance, expected);
        for (size_t i = 0; i < ring.size(); ++i)
            if (rank[i] > tolerance * tolerance)
                filtered.push_back(ring[i]);
        EXPECT_EQ(filtered, expected) << tolerance;
    }
}

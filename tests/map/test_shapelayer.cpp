// Shape layers: reading, code pages, bad files, search at a point, the class-breaks renderer.

#include "map/renderer.h"
#include "map/shapelayer.h"
#include "shapewriter.h"
#include "support/testfolder.h"

#include <QFile>
#include <algorithm>
#include <geos_c.h>
#include <gtest/gtest.h>
#include <shapefil.h>

using namespace qrn::map;
using qrn::test::square;
using qrn::test::TestFeature;
using qrn::test::writeShapes;

namespace {

QString sampleShape(const QString &name)
{
    return qrn::test::sampleDir() + QStringLiteral("/Shape/") + name + QStringLiteral(".shp");
}

// A point inside the feature's largest ring, found by GEOS independently of the layer's search.
QPointF interiorPoint(const ShapeLayer &l, int f)
{
    GEOSContextHandle_t ctx = GEOS_init_r();
    int p = l.partBegin(f);
    for (int q = p + 1; q < l.partEnd(f); ++q)
        if (l.partSize(q) > l.partSize(p))
            p = q;
    GEOSCoordSequence *seq = GEOSCoordSeq_create_r(ctx, unsigned(l.partSize(p)), 2);
    for (int i = 0; i < l.partSize(p); ++i)
        GEOSCoordSeq_setXY_r(ctx, seq, unsigned(i), l.partPoints(p)[i].x(), l.partPoints(p)[i].y());
    GEOSGeometry *poly = GEOSGeom_createPolygon_r(ctx, GEOSGeom_createLinearRing_r(ctx, seq), nullptr, 0);
    GEOSGeometry *pt = GEOSPointOnSurface_r(ctx, poly);
    double x = 0, y = 0;
    GEOSGeomGetX_r(ctx, pt, &x);
    GEOSGeomGetY_r(ctx, pt, &y);
    GEOSGeom_destroy_r(ctx, pt);
    GEOSGeom_destroy_r(ctx, poly);
    GEOS_finish_r(ctx);
    return {x, y};
}

} // namespace

TEST(ShapeLayer, DecodesAttributesInTheirCodePage)
{
    struct Case {
        const char *codePage;
        QByteArray bytes;
        const char *expectCodePage;
    };
    const QByteArray latin = QByteArray("Forl\xEC-Cesena \x80");
    const Case cases[] = {
        {"UTF-8", QString::fromUtf8("Forlì-Cesena €").toUtf8(), "UTF-8"},
        {"1252", latin, "windows-1252"}, // .cpg file
        {"LDID/87", latin, "windows-1252"}, // language mark of the .dbf
        {nullptr, QByteArray("Forl\xEC-Cesena \xA4"), "ISO-8859-1"}, // neither: Latin-1
    };
    qrn::test::TestFolder tf(false);
    int n = 0;
    for (const Case &c : cases) {
        const QString stem = tf.file(QStringLiteral("cp%1").arg(n++));
        writeShapes(stem, SHPT_POLYGON, {{{square(0, 0, 1)}, c.bytes}}, c.codePage);
        auto l = ShapeLayer::open(stem + QStringLiteral(".shp"));
        ASSERT_TRUE(l->valid()) << n;
        EXPECT_EQ(l->codePage(), QString::fromLatin1(c.expectCodePage)) << n;
        const QString expected = QString::fromUtf8(c.codePage ? "Forlì-Cesena €" : "Forlì-Cesena ¤");
        EXPECT_EQ(l->value(0, 0), expected) << n;
    }
    for (const auto &[mark, name] : {std::pair {"ANSI 1250", "windows-1250"}, std::pair {"88591", "ISO-8859-1"},
                                     std::pair {"ISO 8859-15", "ISO-8859-15"}, std::pair {"LDID/2", "IBM850"}})
        EXPECT_EQ(codePageName(mark), name) << mark;
}

TEST(ShapeLayer, BadFilesGiveAnInvalidLayerWithAReason)
{
    qrn::test::TestFolder tf(false);
    writeShapes(tf.file(QStringLiteral("good")), SHPT_POLYGON, {{{square(0, 0, 1)}, "1"}, {{square(2, 0, 1)}, "2"}});
    writeShapes(tf.file(QStringLiteral("fewer")), SHPT_POLYGON, {{{square(0, 0, 1)}, "1"}}); // one record, two shapes
    const QByteArray shp = tf.read(QStringLiteral("good.shp"));
    QByteArray corrupt = shp;
    corrupt[100 + 8 + 36] = char(0x7F); // the first record's part count
    const std::pair<QString, QByteArray> cases[] = {
        {"missing", QByteArray()}, {"empty", ""}, {"truncated", shp.left(shp.size() - 30)}, {"nodbf", shp},
        {"corrupt", corrupt},      {"fewer", shp}};
    for (const auto &[stem, bytes] : cases) {
        if (!bytes.isNull()) {
            tf.write(stem + ".shp", bytes);
            QFile::remove(tf.file(stem + ".shx"));
            QFile::copy(tf.file("good.shx"), tf.file(stem + ".shx"));
            if (stem != "nodbf" && stem != "fewer")
                QFile::copy(tf.file("good.dbf"), tf.file(stem + ".dbf"));
        }
        auto l = ShapeLayer::open(tf.file(stem + ".shp"));
        EXPECT_FALSE(l->valid()) << stem.toStdString();
        EXPECT_FALSE(l->error().isEmpty()) << stem.toStdString();
        EXPECT_EQ(l->featureCount(), 0);
        EXPECT_TRUE(l->search(QPointF(0.5, 0.5)).empty());
    }
}

TEST(ShapeLayer, ReadsTheSampleProvincesAndFindsEachAtAnInteriorPoint)
{
    auto l = ShapeLayer::open(sampleShape(QStringLiteral("province107")));
    ASSERT_TRUE(l->valid()) << l->error().toStdString();
    EXPECT_EQ(std::tuple(l->featureCount(), l->shapeType(), l->name(), l->fieldIndex(QStringLiteral("den_terr"))),
              std::tuple(107, 23, QStringLiteral("province107"), 1));
    EXPECT_EQ(l->value(0, QStringLiteral("COD_PRO")), QStringLiteral("1")); // "   1" in the file
    EXPECT_EQ(l->value(0, QStringLiteral("DEN_TERR")), QStringLiteral("Torino"));
    EXPECT_TRUE(l->value(107, 0).isEmpty());
    for (int f = 0; f < l->featureCount(); ++f)
        EXPECT_EQ(l->search(interiorPoint(*l, f)), std::vector<int> {f}) << f;
    const QRectF e = l->extent();
    EXPECT_TRUE(l->search(e.topLeft() - QPointF(1000, 1000)).empty());
    EXPECT_TRUE(l->search(QPointF(e.left() + 1, e.top() + 1)).empty()); // open sea in a corner
}

TEST(ShapeLayer, SearchHonoursHolesAndDistances)
{
    qrn::test::TestFolder tf(false);
    qrn::test::Ring hole = square(4, 4, 2);
    std::reverse(hole.begin(), hole.end());
    writeShapes(tf.file(QStringLiteral("holed")), SHPT_POLYGON, {{{square(0, 0, 10), hole}, "A"}});
    writeShapes(tf.file(QStringLiteral("lines")), SHPT_ARC, {{{{{0, 0}, {10, 0}}}, "L1"}, {{{{0, 5}, {10, 5}}}, "L2"}});
    writeShapes(tf.file(QStringLiteral("points")), SHPT_POINT, {{{{{3, 3}}}, "P"}});
    auto holed = ShapeLayer::open(tf.file(QStringLiteral("holed.shp")));
    auto lines = ShapeLayer::open(tf.file(QStringLiteral("lines.shp")));
    auto points = ShapeLayer::open(tf.file(QStringLiteral("points.shp")));
    EXPECT_EQ(lines->shapeType(), 22);
    EXPECT_EQ(points->shapeType(), 21);
    struct Case {
        const ShapeLayer *layer;
        QPointF at;
        double distance;
        std::vector<int> expected;
    };
    const Case cases[] = {{holed.get(), {1, 1}, 0, {0}},   {holed.get(), {5, 5}, 0, {}}, // inside the hole
                          {holed.get(), {11, 5}, 100, {}}, // a polygon ignores the distance
                          {lines.get(), {5, 1}, 1.5, {0}}, {lines.get(), {5, 2.5}, 3, {0, 1}},
                          {lines.get(), {5, 2.5}, 2, {}},  {points.get(), {3, 4}, 1, {0}},
                          {points.get(), {3, 4.5}, 1, {}}};
    for (const Case &c : cases)
        EXPECT_EQ(c.layer->search(c.at, c.distance), c.expected) << c.at.x() << "," << c.at.y();
}

TEST(Renderers, ClassBreaksRampAndClasses)
{
    ClassBreaksRenderer r;
    r.setBreakCount(3);
    for (int i = 0; i < 3; ++i)
        r.setBreakValue(i, i + 2);
    r.setColorRamp(0x0000FF, 0xFF0000); // red to blue
    ASSERT_EQ(r.symbolCount(), 4);
    EXPECT_EQ((std::vector {r.symbol(0).color, r.symbol(1).color, r.symbol(2).color, r.symbol(3).color}),
              (std::vector<quint32> {0x0000FF, 0x5500AA, 0xAA0055, 0xFF0000}));
    EXPECT_EQ((std::vector {r.classOf(1), r.classOf(2), r.classOf(3), r.classOf(4)}), (std::vector {0, 1, 2, 3}));
    r.symbol(1).outlineColor = 7;
    r.setBreakCount(4); // the symbols already set stay
    EXPECT_EQ(r.symbol(1).outlineColor, 7u);
    EXPECT_EQ(r.symbolCount(), 5);
}

// The thematic colouring of the join layer, the hand-off to the print layout and the legend
// drawn beside a map.

#include "map/mappage.h"
#include "map/thematicmap.h"
#include "shapewriter.h"
#include "support/testfolder.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>
#include <shapefil.h>

using namespace qrn::map;
using qrn::test::square;
using qrn::test::writeShapes;

namespace {

const QColor kFirst(255, 255, 128), kSecond(85, 85, 255);

// Three unit squares side by side with the codes given, a case whose join entry is the second
// one (the first names a missing file).
struct JoinCase {
    qrn::test::TestFolder tf {false};
    ShapeCase sc;
    explicit JoinCase(const std::vector<QByteArray> &codes)
    {
        std::vector<qrn::test::TestFeature> features;
        for (size_t i = 0; i < codes.size(); ++i)
            features.push_back({{square(double(i) * 2, 0, 1)}, codes[i]});
        writeShapes(tf.file(QStringLiteral("terr")), SHPT_POLYGON, features, "UTF-8", "COD_PRO");
        LayerConfig missing;
        missing.FileName = QStringLiteral("nessuno");
        LayerConfig join;
        join.FileName = QStringLiteral("terr");
        join.FieldId = QStringLiteral("cod_pro");
        join.layer = ShapeLayer::open(tf.file(QStringLiteral("terr.shp")));
        join.Outline = true;
        join.OutlineColor = 0x123456;
        join.BackColor = 0x00FF00;
        join.layer->symbol = symbolOf(join);
        sc.layers = {missing, join};
        sc.matchIndex = 1;
    }
    // The fill of every feature as the layer draws it.
    std::vector<QColor> fills() const
    {
        const ShapeLayer &l = *sc.layers[1].layer;
        std::vector<QColor> out;
        const std::vector<const Symbol *> s = l.renderer ? l.renderer->resolve(l) : std::vector<const Symbol *>();
        for (int f = 0; f < l.featureCount(); ++f)
            out.push_back(colorFromWin(s.empty() || !s[size_t(f)] ? l.symbol.color : s[size_t(f)]->color));
        return out;
    }
};

ThematicClasses twoClasses(const QHash<QString, int> &classByCode)
{
    ThematicClasses c;
    c.legend = legendRows({{QStringLiteral("1"), QStringLiteral("5")}, {QStringLiteral("6"), QStringLiteral("9")}},
                          {kFirst, kSecond}, false);
    c.classByCode = classByCode;
    return c;
}

} // namespace

TEST(ThematicMap, JoinKeysFollowTheMapKind)
{
    struct Case {
        const char *code;
        MapKind kind;
        const char *key;
    };
    const Case cases[] = {
        {"001", MapKind::Provinces, "1"},  {" 1 ", MapKind::Provinces, "1"},   {"1.0", MapKind::Provinces, "1"},
        {"1,00", MapKind::Provinces, "1"}, {"1,5", MapKind::Provinces, "1,5"}, {"01", MapKind::Regions, "1"},
        {" 01 ", MapKind::Nuts2, "1"},     {"X", MapKind::Provinces, "X"},      {"ITC1 ", MapKind::Nuts2, "ITC1"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(joinKey(QString::fromLatin1(c.code), c.kind), QString::fromLatin1(c.key)) << c.code;
    // A feature's code found back in the table's own form.
    MapRequest req;
    req.mapCase = regionsCase();
    for (const char *code : {"01", "02", "ITC1"})
        req.rows.append({QString(), QString::fromLatin1(code), QString(), QString(), QString(), QStringLiteral("1")});
    for (const auto &[feature, table] : {std::pair {"1", "01"}, {"2.0", "02"}, {"ITC1", "ITC1"}, {"7", "7"}})
        EXPECT_EQ(tableCode(req, QString::fromLatin1(feature)), QString::fromLatin1(table)) << feature;
}

TEST(ThematicMap, ClassesColourTheJoinLayerByItsCodes)
{
    struct Case {
        const char *name;
        std::vector<QByteArray> fieldCodes;
        QHash<QString, int> classByCode;
        MapKind kind;
        std::vector<QColor> fills;
    };
    const QColor white(Qt::white);
    const Case cases[] = {
        {"province numbers against padded codes",
         {"001", "002", "003"},
         {{"1", 1}, {"3", 2}},
         MapKind::Provinces,
         {kFirst, white, kSecond}},
        {"province numbers against decimals",
         {"1.0", "2", "10"},
         {{"10", 2}, {"2", 1}},
         MapKind::Provinces,
         {white, kFirst, kSecond}},
        {"region codes written as numbers", {"1", "02", "3"}, {{"01", 2}, {"02", 1}}, MapKind::Regions,
         {kSecond, kFirst, white}},
        {"NUTS-2 codes as text", {"ITC1", "ITC2"}, {{"ITC2", 1}}, MapKind::Nuts2, {white, kFirst}},
        {"a code twice in the layer", {"7", "7", "8"}, {{"7", 1}}, MapKind::Provinces, {kFirst, kFirst, white}},
        {"no class at all", {"1", "2"}, {}, MapKind::Provinces, {white, white}},
    };
    for (const Case &c : cases) {
        JoinCase j(c.fieldCodes);
        applyClasses(j.sc, twoClasses(c.classByCode), c.kind);
        EXPECT_EQ(j.fills(), c.fills) << c.name;
    }
}

TEST(ThematicMap, ColouringKeepsTheOutlineAndComesOffAgain)
{
    JoinCase j({"1", "2"});
    applyClasses(j.sc, twoClasses({{"1", 1}}), MapKind::Provinces);
    const ShapeLayer &l = *j.sc.layers[1].layer;
    ASSERT_TRUE(l.renderer);
    for (const Symbol *s : l.renderer->resolve(l)) {
        ASSERT_TRUE(s);
        EXPECT_EQ(s->outlineColor, 0x123456u);
        EXPECT_TRUE(s->outline);
        EXPECT_EQ(s->style, FillStyle::Solid);
    }
    clearClasses(j.sc);
    EXPECT_EQ(j.fills(), (std::vector<QColor> {QColor(0, 255, 0), QColor(0, 255, 0)}));
}

TEST(ThematicMap, NoJoinLayerNoColouring)
{
    JoinCase j({"1"});
    for (qint16 index : {qint16(0), qint16(2), qint16(-1)}) {
        j.sc.matchIndex = index;
        EXPECT_EQ(joinLayer(j.sc), nullptr) << index;
        applyClasses(j.sc, twoClasses({{"1", 1}}), MapKind::Provinces);
        EXPECT_FALSE(j.sc.layers[1].layer->renderer) << index;
    }
    j.sc.matchIndex = 1;
    EXPECT_EQ(joinLayer(j.sc), j.sc.layers[1].layer.get());
}

TEST(MapPage, TheViewAtItsExtentWithTheLegendRows)
{
    JoinCase j({"1", "2", "3"});
    applyClasses(j.sc, twoClasses({{"1", 1}, {"3", 2}}), MapKind::Provinces);
    MapView view;
    view.backColor = 0xFFFFFF;
    view.addLayer(j.sc.layers[1].layer);
    view.setViewport(QSize(400, 200));
    const QList<LegendRow> legend = twoClasses({}).legend;

    struct Case {
        QRectF extent;
        QColor centre;
    };
    // The whole layer centres on the white middle square; zoomed on the first, it fills the view.
    const Case cases[] = {{view.fullExtent(), Qt::white}, {QRectF(0.2, 0.2, 0.6, 0.6), kFirst}};
    for (const Case &c : cases) {
        view.setExtent(c.extent);
        const qrn::MapPageRequest r = mapPageRequest(view, QStringLiteral("AS013_2005: Scuole"), legend, true);
        EXPECT_DOUBLE_EQ(r.mapSize.width(), 10.0);
        EXPECT_DOUBLE_EQ(r.mapSize.height(), 5.0);
        QImage img(400, 200, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        p.setWindow(r.mapFrame.toRect());
        p.drawPicture(0, 0, r.map);
        p.end();
        EXPECT_EQ(img.pixelColor(200, 100), c.centre);
        EXPECT_EQ(r.variableText, QStringLiteral("AS013_2005: Scuole"));
        EXPECT_TRUE(r.printAtOnce);
        ASSERT_EQ(r.legend.size(), 3u);
        for (size_t i = 0; i < 3; ++i) {
            EXPECT_EQ(r.legend[i].colour, legend[int(i)].colour);
            EXPECT_EQ(r.legend[i].text, legend[int(i)].label);
        }
    }
}

TEST(MapLegend, RowsTopDownWithinTheArea)
{
    // Text needs the fonts of a GUI application.
    int argc = 1;
    char name[] = "test_thematicmap", *argv[] = {name, nullptr};
    QGuiApplication app(argc, argv);
    // Down a line through the swatches: the swatch colours in row order, between black borders,
    // on a grey ground. A swatch is a block of one colour (the letters of the title are not).
    const QColor ground(128, 128, 128);
    auto swatchesDown = [&](const QImage &img, int x) {
        std::vector<QColor> seen;
        for (int y = 1; y + 1 < img.height(); ++y) {
            const QColor c = img.pixelColor(x, y);
            bool block = true;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx)
                    block = block && img.pixelColor(x + dx, y + dy) == c;
            if (block && c != ground && c != QColor(Qt::black) && (seen.empty() || seen.back() != c))
                seen.push_back(c);
        }
        return seen;
    };
    struct Case {
        int rows;
        int height;
        QString title;
    };
    const Case cases[] = {{3, 400, QString()},
                          {5, 400, QStringLiteral("AS013_2005: Lunghezza della rete stradale")},
                          {9, 120, QString()},
                          {2, 60, QStringLiteral("Titolo")}};
    for (const Case &c : cases) {
        QList<QColor> colours = colourRamp(kFirst, kSecond, c.rows - 1);
        QList<ClassBounds> bounds;
        for (int i = 0; i < c.rows - 1; ++i)
            bounds.append({QString::number(i * 10), QString::number(i * 10 + 9)});
        const QList<LegendRow> rows = legendRows(bounds, colours, false);
        QImage img(300, c.height + 40, QImage::Format_RGB32);
        img.fill(ground);
        QPainter p(&img);
        const QRectF area(10, 20, 280, c.height);
        const double used = drawLegend(p, area, rows, c.title);
        p.end();
        EXPECT_GT(used, 0) << c.rows;
        EXPECT_LE(used, area.height() + 0.5) << c.rows;
        std::vector<QColor> expected;
        for (const LegendRow &r : rows)
            expected.push_back(r.colour);
        EXPECT_EQ(swatchesDown(img, 13), expected) << c.rows;
        for (int y : {0, 19, c.height + 21})
            EXPECT_EQ(img.pixelColor(13, y), ground) << c.rows << " y " << y;
    }
}

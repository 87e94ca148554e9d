// The thematic colouring of the join layer, the hand-off to the print layout and the legend
// drawn beside a map.

#include "map/mappage.h"
#include "map/mapreport.h"
#include "map/selectionoutline.h"
#include "map/thematicmap.h"
#include "shapewriter.h"
#include "shell/numberformat.h"
#include "support/testfolder.h"

#include <QImage>
#include <QPainter>
#include <QSet>
#include <gtest/gtest.h>
#include <shapefil.h>

using namespace qrn::map;

namespace {

const QColor kFirst(255, 255, 128), kSecond(85, 85, 255);

// Unit squares side by side with the codes given, a case whose join entry is the second one
// (the first names a missing file).
struct JoinCase {
    qrn::test::TestFolder tf {false};
    ShapeCase sc;
    explicit JoinCase(const std::vector<QByteArray> &codes)
    {
        std::vector<qrn::test::TestFeature> features;
        for (size_t i = 0; i < codes.size(); ++i)
            features.push_back({{qrn::test::square(double(i) * 2, 0, 1)}, codes[i]});
        qrn::test::writeShapes(tf.file("terr"), SHPT_POLYGON, features, "UTF-8", "COD_PRO");
        LayerConfig missing, join;
        missing.FileName = "nessuno";
        join.FileName = "terr";
        join.FieldId = "cod_pro";
        join.layer = ShapeLayer::open(tf.file("terr.shp"));
        join.Outline = true;
        join.OutlineColor = 0x123456;
        join.BackColor = 0x00FF00;
        join.layer->symbol = symbolOf(join);
        sc.layers = {missing, join};
        sc.matchIndex = 1;
    }
    // The fill of every feature as the layer draws it: '1' and '2' for the classes, '.' white,
    // 'g' the layer's own green.
    QString fills() const
    {
        const ShapeLayer &l = *sc.layers[1].layer;
        const std::vector<const Symbol *> s = l.renderer ? l.renderer->resolve(l) : std::vector<const Symbol *>();
        QString out;
        for (int f = 0; f < l.featureCount(); ++f) {
            const QColor c = colorFromWin(s.empty() || !s[size_t(f)] ? l.symbol.color : s[size_t(f)]->color);
            out += c == kFirst ? '1' : c == kSecond ? '2' : c == Qt::white ? '.' : c == QColor(0, 255, 0) ? 'g' : '?';
        }
        return out;
    }
};

ThematicClasses twoClasses(const QHash<QString, int> &classByCode)
{
    ThematicClasses c;
    c.legend = makeLegend({{"1", "5"}, {"6", "9"}}, {kFirst, kSecond}, false, qrn::NumberFormat::comma());
    c.legend.noDataRow = true;
    c.classByCode = classByCode;
    return c;
}

} // namespace

TEST(ThematicMap, JoinKeysFollowTheMapKind)
{
    const std::tuple<const char *, MapKind, const char *> cases[] = {
        {"001", MapKind::Provinces, "1"},  {" 1 ", MapKind::Provinces, "1"},   {"1.0", MapKind::Provinces, "1"},
        {"1,00", MapKind::Provinces, "1"}, {"1,5", MapKind::Provinces, "1,5"}, {"01", MapKind::Regions, "1"},
        {" 01 ", MapKind::Nuts2, "1"},     {"X", MapKind::Provinces, "X"},      {"ITC1 ", MapKind::Nuts2, "ITC1"},
    };
    for (const auto &[code, kind, key] : cases)
        EXPECT_EQ(joinKey(code, kind), key) << code;
    // A feature's code found back in the table's own form.
    MapRequest req;
    req.mapCase = regionsCase();
    for (const char *code : {"01", "02", "ITC1"})
        req.rows.append({QString(), code, QString(), QString(), QString(), "1"});
    for (const auto &[feature, table] : {std::pair {"1", "01"}, {"2.0", "02"}, {"ITC1", "ITC1"}, {"7", "7"}})
        EXPECT_EQ(tableCode(req, feature), table) << feature;
}

TEST(ThematicMap, ClassesColourTheJoinLayerByItsCodes)
{
    const struct {
        std::vector<QByteArray> fieldCodes;
        QHash<QString, int> classByCode;
        MapKind kind;
        const char *fills;
    } cases[] = {
        {{"001", "002", "003"}, {{"1", 1}, {"3", 2}}, MapKind::Provinces, "1.2"}, // padded codes
        {{"1.0", "2", "10"}, {{"10", 2}, {"2", 1}}, MapKind::Provinces, ".12"}, // decimals
        {{"1", "02", "3"}, {{"01", 2}, {"02", 1}}, MapKind::Regions, "21."}, // region codes written as numbers
        {{"ITC1", "ITC2"}, {{"ITC2", 1}}, MapKind::Nuts2, ".1"}, // NUTS-2 codes as text
        {{"7", "7", "8"}, {{"7", 1}}, MapKind::Provinces, "11."}, // a code twice in the layer
        {{"1", "2"}, {}, MapKind::Provinces, ".."},
    };
    for (const auto &c : cases) {
        JoinCase j(c.fieldCodes);
        applyClasses(j.sc, twoClasses(c.classByCode), c.kind);
        EXPECT_EQ(j.fills(), c.fills);
    }
}

TEST(ThematicMap, ColouringKeepsTheOutlineComesOffAgainAndNeedsTheJoinLayer)
{
    JoinCase j({"1", "2"});
    applyClasses(j.sc, twoClasses({{"1", 1}}), MapKind::Provinces);
    const ShapeLayer &l = *j.sc.layers[1].layer;
    ASSERT_TRUE(l.renderer);
    // The territory with a class in its colour, the one without in the no-data look; both
    // keep the outline.
    const std::vector<const Symbol *> symbols = l.renderer->resolve(l);
    ASSERT_EQ(symbols.size(), 2u);
    ASSERT_TRUE(symbols[0] && symbols[1]);
    EXPECT_EQ(*symbols[0], (Symbol {symbols[0]->color, 0x123456u, true, FillStyle::Solid}));
    EXPECT_EQ(*symbols[1], (Symbol {0xFFFFFF, 0x123456u, true, FillStyle::NoData}));
    clearClasses(j.sc);
    EXPECT_EQ(j.fills(), "gg");

    for (qint16 index : {qint16(0), qint16(2), qint16(-1)}) {
        j.sc.matchIndex = index;
        EXPECT_EQ(joinLayer(j.sc), nullptr) << index;
        applyClasses(j.sc, twoClasses({{"1", 1}}), MapKind::Provinces);
        EXPECT_FALSE(l.renderer) << index;
    }
}

TEST(MapReport, AMapThatColoursNothingIsRefusedAndTheTerritoriesAreCounted)
{
    // Provinces 1 to 4 in the table; 3 without a value, 4 not on the layer.
    MapRequest req;
    req.mapCase = provincesCase("AS013", 2005);
    req.header = "AS013_2005";
    for (const auto &[code, value] : {std::pair {"1", "2,5"}, {"2", "7"}, {"3", ""}, {"4", "9"}})
        req.rows.append({"1", QString(), code, QString(), QString(), value});
    const qrn::NumberFormat fmt = qrn::NumberFormat::comma();

    {
        JoinCase j({"001", "002", "003"});
        const JoinCheck c = checkJoin(j.sc, req, fmt);
        EXPECT_FALSE(c.failure);
        EXPECT_EQ(coverageText(c.coverage), "3 di 4 territori sulla mappa");
        // Two classes: 1 in the first, 2 and 4 in the second; 3 has no data.
        const MapCounts n = mapCounts(req, twoClasses({{"1", 1}, {"2", 2}, {"4", 2}}), fmt);
        EXPECT_EQ(n.perClass, (QList<int> {1, 2}));
        EXPECT_EQ(countsText(n), "4 territori: 3 in 2 classi, 1 senza dato");
        EXPECT_EQ(countsText(mapCounts(req, twoClasses({{"1", 1}, {"4", 2}}), fmt)),
                  "4 territori: 2 in 2 classi, 1 senza dato, 1 fuori dalle classi");
    }
    // A layer without the FieldId field, one whose codes meet only the territory without a
    // value, and a case without a valid join layer: nothing could be coloured.
    JoinCase noField({"1", "2"});
    noField.sc.layers[1].FieldId = "COD_REG";
    JoinCase noneJoins({"3", "5"});
    JoinCase noLayer({"1"});
    noLayer.sc.matchIndex = 0;
    const std::pair<const JoinCase *, const char *> refused[] = {
        {&noField, "Il layer terr non ha il campo COD_REG che unisce i territori ai dati"},
        {&noneJoins, "Nessuno dei 4 territori della tabella con un valore si trova sul layer terr"},
        {&noLayer, "La mappa provincia107 non ha un layer che unisca i territori ai dati"}};
    for (const auto &[j, message] : refused) {
        const JoinCheck c = checkJoin(j->sc, req, fmt);
        ASSERT_TRUE(c.failure) << message;
        EXPECT_TRUE(c.failure->message.startsWith(QString::fromUtf8(message))) << c.failure->message.toStdString();
        EXPECT_TRUE(c.failure->logged && !c.failure->detail.isEmpty()) << message;
    }
}

TEST(MapPage, TheViewAtItsExtentWithTheLegendRows)
{
    JoinCase j({"1", "2", "3"});
    applyClasses(j.sc, twoClasses({{"1", 1}, {"3", 2}}), MapKind::Provinces);
    MapView view;
    view.backColor = 0xFFFFFF;
    view.addLayer(j.sc.layers[1].layer);
    view.setViewport(QSize(400, 200));
    const Legend model = twoClasses({}).legend;
    const QList<LegendRow> legend = model.rows();
    // The whole layer centres on the middle square without data (hatched over white); zoomed
    // on the first, it fills the view.
    for (const auto &[extent, centre] :
         {std::pair {view.fullExtent(), QColor()}, std::pair {QRectF(0.2, 0.2, 0.6, 0.6), kFirst}}) {
        view.setExtent(extent);
        const qrn::MapPageRequest r = mapPageRequest(view, "AS013_2005: Scuole", model, true);
        EXPECT_EQ(r.mapSize, QSizeF(10, 5));
        // The ground the picture shows goes with it, for the page's scale bar.
        EXPECT_EQ(r.mapMetres, view.visibleExtent().size() * view.metresPerUnit());
        EXPECT_GT(r.mapMetres.width(), 0);
        QImage img(400, 200, QImage::Format_RGB32);
        img.fill(Qt::black);
        QPainter p(&img);
        p.setWindow(r.mapFrame.toRect());
        p.drawPicture(0, 0, r.map);
        p.end();
        if (centre.isValid()) {
            EXPECT_EQ(img.pixelColor(200, 100), centre);
        } else {
            QSet<QRgb> seen;
            for (int x = 190; x < 210; ++x)
                seen.insert(img.pixel(x, 100));
            EXPECT_TRUE(seen.contains(qRgb(255, 255, 255)));
            EXPECT_TRUE(std::any_of(seen.begin(), seen.end(), [](QRgb c) {
                return qRed(c) == qGreen(c) && qGreen(c) == qBlue(c) && qRed(c) < 200;
            })) << "no hatch";
        }
        EXPECT_EQ(r.variableText, "AS013_2005: Scuole");
        EXPECT_TRUE(r.printAtOnce);
        ASSERT_EQ(r.legend.size(), 3u);
        for (size_t i = 0; i < 3; ++i)
            EXPECT_EQ(std::pair(r.legend[i].colour, r.legend[i].text),
                      std::pair(legend[int(i)].colour, legend[int(i)].label));
    }
}

TEST(MapLegend, RowsTopDownWithinTheArea)
{
    // Down a line through the swatches: the swatch colours in row order, between black borders,
    // on a grey ground. A swatch is a block of one colour (the letters of the title are not).
    const QColor ground(128, 128, 128);
    auto swatchesDown = [&](const QImage &img, int x) {
        QList<QColor> seen;
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
    const std::tuple<int, int, const char *> cases[] = {{3, 400, ""},
                                                        {5, 400, "AS013_2005: Lunghezza della rete stradale"},
                                                        {9, 120, ""},
                                                        {2, 60, "Titolo"}};
    for (const auto &[n, height, title] : cases) {
        QList<ClassBounds> bounds;
        for (int i = 0; i < n - 1; ++i)
            bounds.append({QString::number(i * 10), QString::number(i * 10 + 9)});
        const QList<LegendRow> rows = legendRows(bounds, colourRamp(kFirst, kSecond, n - 1), false);
        QImage img(300, height + 40, QImage::Format_RGB32);
        img.fill(ground);
        QPainter p(&img);
        const double used = drawLegend(p, QRectF(10, 20, 280, height), rows, title);
        p.end();
        EXPECT_GT(used, 0) << n;
        EXPECT_LE(used, height + 0.5) << n;
        // The classes' swatches in row order (the no-data swatch is Legend.NoDataSwatch...'s test).
        EXPECT_EQ(swatchesDown(img, 13).mid(0, n - 1), colourRamp(kFirst, kSecond, n - 1)) << n;
        for (int y : {0, 19, height + 21})
            EXPECT_EQ(img.pixelColor(13, y), ground) << n << " y " << y;
    }
}

TEST(ThematicMap, TipNamesTheTerritoryWithItsValueOrNoData)
{
    MapRequest req;
    req.mapCase.kind = MapKind::Provinces;
    req.rows = {{"1", "", "4", "", "Cuneo", ""}, {"1", "", "001", "", "Torino", "7,25"}};
    EXPECT_EQ(territoryTip(req, "1.0"), "Torino: 7,25");
    EXPECT_EQ(territoryTip(req, "004"), "Cuneo: Dato non presente");
    EXPECT_EQ(territoryTip(req, "26"), "26: Dato non presente");
}

namespace {

// A province request over the codes of JoinCase: COD_TERR "0NN" for province NN.
MapRequest provinceRequest(const QList<std::pair<const char *, const char *>> &provinces)
{
    MapRequest req;
    req.mapCase.kind = MapKind::Provinces;
    for (const auto &[prov, name] : provinces)
        req.rows.append({"2", QString("0%1").arg(prov, 2, QLatin1Char('0')), prov, "01", name, "5"});
    return req;
}

} // namespace

TEST(MapSelection, TerritoriesFromTypedNamesToTheirFeaturesAndExtent)
{
    JoinCase j({"001", "2", "3.0"}); // codes as shape files write them
    const MapRequest req = provinceRequest({{"1", "Torino"}, {"2", "Vercelli"}, {"3", "Novara"}, {"4", "Cuneo"}});
    EXPECT_EQ(selectedFeatures(j.sc, req, {"003", "001", "099"}), QList<int>({0, 2}));
    EXPECT_EQ(selectedRowCount(req, {"003", "001", "099", "004"}), 3); // Cuneo has a row, not a shape
    EXPECT_TRUE(selectedFeatures(j.sc, req, {}).isEmpty());
    ShapeCase none = j.sc;
    none.matchIndex = 0; // the missing layer
    EXPECT_TRUE(selectedFeatures(none, req, {"001"}).isEmpty());
    // Names and codes typed by the user are looked up in the request.
    const TerritoryLookup found = lookUpTerritories(
        provinceRequest({{"1", "Torino"}, {"58", "Roma"}, {"15", "Milano"}}),
        {" torino ", "058", "15", "Atlantide", "", "Roma", "1.0"});
    EXPECT_EQ(found.codTerrs, QStringList({"001", "058", "015"}));
    EXPECT_EQ(found.unknown, QStringList({"Atlantide"}));

    const ShapeLayer &layer = *j.sc.layers[1].layer;
    // Squares of side 1 at x = 0, 2, 4: the first and the third span 0..5.
    EXPECT_EQ(featuresExtent(layer, {0, 2}), QRectF(0, 0, 5, 1));
    EXPECT_FALSE(featuresExtent(layer, {}).has_value());
    EXPECT_FALSE(featuresExtent(layer, {7}).has_value());
    EXPECT_EQ(selectionZoomExtent(layer, {1}), QRectF(1.9, -0.1, 1.2, 1.2));
    EXPECT_TRUE(selectionZoomExtent(layer, {}).isNull());
}

TEST(MapSelection, TheOutlineLiesOnTheSelectedTerritoriesOverTheirFill)
{
    JoinCase j({"1", "2", "3"});
    applyClasses(j.sc, twoClasses({{"1", 1}, {"2", 1}, {"3", 2}}), MapKind::Provinces);
    MapView view;
    view.addLayer(j.sc.layers[1].layer);
    view.setViewport(QSize(500, 100));
    view.setExtent(QRectF(0, 0, 5, 1)); // 100 pixels a unit: the squares at x 0-100, 200-300, 400-500
    // Drawn at twice the viewport's size, as a picture larger than the screen would be.
    QImage img(1000, 200, QImage::Format_RGB32);
    QPainter p(&img);
    view.draw(p, img.rect());
    drawSelectionOutline(p, img.rect(), view, *j.sc.layers[1].layer, {1});
    p.end();
    const auto outlined = [&](int x) {
        // The left edge of a square, half way up: the strong colour within a few pixels of it.
        for (int dx = -4; dx <= 4; ++dx)
            if (img.pixelColor(x + dx, 100) == kSelectionColour)
                return true;
        return false;
    };
    EXPECT_FALSE(outlined(0 + 4));
    EXPECT_TRUE(outlined(400));
    EXPECT_FALSE(outlined(800));
    // The fills stay: the outline is drawn over them, not instead of them.
    EXPECT_EQ(img.pixelColor(500, 100), kFirst);
    EXPECT_EQ(img.pixelColor(900, 100), kSecond);
}

TEST(MapSelection, ABandTouchesTheShapesItMeetsNotJustTheirBounds)
{
    using qrn::test::Ring;
    qrn::test::TestFolder tf {false};
    const auto reversed = [](Ring r) { return Ring(r.rbegin(), r.rend()); };
    // An L whose bounds are 0..4 both ways, a frame of side 4 at x 10 with a hole of side 2, a
    // unit square at x 20.
    const Ring ell {{0, 0}, {0, 4}, {1, 4}, {1, 1}, {4, 1}, {4, 0}, {0, 0}};
    qrn::test::writeShapes(tf.file("poly"), SHPT_POLYGON,
                           {{{ell}, "L"},
                            {{qrn::test::square(10, 0, 4), reversed(qrn::test::square(11, 1, 2))}, "frame"},
                            {{qrn::test::square(20, 0, 1)}, "small"}});
    const auto polygons = ShapeLayer::open(tf.file("poly.shp"));
    ASSERT_TRUE(polygons->valid());
    const auto touching = [&](const ShapeLayer &l, QRectF r) { return featuresTouching(l, r); };
    EXPECT_EQ(touching(*polygons, QRectF(2, 2, 1, 1)), QList<int>()); // in the L's bounds, off its shape
    EXPECT_EQ(touching(*polygons, QRectF(0.2, 2, 0.5, 1)), QList<int>({0})); // wholly inside the L
    EXPECT_EQ(touching(*polygons, QRectF(4, 0.2, 1, 0.2)), QList<int>({0})); // on its edge
    EXPECT_EQ(touching(*polygons, QRectF(11.5, 1.5, 1, 1)), QList<int>()); // inside the hole
    EXPECT_EQ(touching(*polygons, QRectF(10.2, 0.2, 0.3, 0.3)), QList<int>({1}));
    EXPECT_EQ(touching(*polygons, QRectF(19, -1, 3, 3)), QList<int>({2})); // the square wholly inside
    EXPECT_EQ(touching(*polygons, QRectF(QPointF(11.5, 3.5), QPointF(0.5, 0.5))), QList<int>({0, 1}));
    EXPECT_TRUE(touching(*polygons, QRectF()).isEmpty());

    qrn::test::writeShapes(tf.file("line"), SHPT_ARC, {{{{{0, 0}, {4, 4}}}, "d"}});
    qrn::test::writeShapes(tf.file("point"), SHPT_POINT, {{{{{5, 5}}}, "p"}});
    const auto line = ShapeLayer::open(tf.file("line.shp")), point = ShapeLayer::open(tf.file("point.shp"));
    ASSERT_TRUE(line->valid() && point->valid());
    EXPECT_EQ(touching(*line, QRectF(3, 0, 1, 1)), QList<int>()); // a corner of its bounds
    EXPECT_EQ(touching(*line, QRectF(1.5, 1.5, 0.3, 0.3)), QList<int>({0}));
    EXPECT_EQ(touching(*point, QRectF(4, 4, 1, 1)), QList<int>({0}));
    EXPECT_EQ(touching(*point, QRectF(4, 4, 0.9, 0.9)), QList<int>());

    // The territories of the features found: each once, in feature order, unjoined ones left out.
    JoinCase j({"001", "2", "9"});
    const MapRequest req = provinceRequest({{"1", "Torino"}, {"2", "Vercelli"}});
    const QList<int> found = featuresTouching(*j.sc.layers[1].layer, QRectF(0.5, 0.5, 4, 0.2));
    EXPECT_EQ(found, QList<int>({0, 1, 2}));
    EXPECT_EQ(territoriesOfFeatures(j.sc, req, {1, 2, 0, 1, 7}), QStringList({"002", "001"}));
}

TEST(MapSelection, TheLegendCountsTheSelectedTerritoriesOfEachClass)
{
    const MapRequest req = provinceRequest({{"1", "Torino"}, {"2", "Vercelli"}, {"3", "Novara"}, {"4", "Cuneo"}});
    ThematicClasses c = twoClasses({{"1", 1}, {"2", 1}, {"3", 2}});
    EXPECT_EQ(classesOfSelection(req, c, {"004", "001", "003", "099"}), QList<int>({1, 2, 0})); // row order
    Legend &legend = c.legend;
    const QList<LegendRow> uncounted = legend.rows(true);
    legend.countSelected({1});
    EXPECT_EQ(legend.rows(true), uncounted); // no counts before the territories are classified

    legend.classify({"2", "3", "7", ""}, qrn::NumberFormat::comma());
    legend.countSelected({1, 2, 0});
    const auto labels = [&](bool withCounts) {
        QStringList out;
        for (const LegendRow &r : legend.rows(withCounts))
            out << r.label;
        return out;
    };
    EXPECT_EQ(labels(true), QStringList({"Da 1 a 5 (2, di cui 1 selezionato)", "Da 6 a 9 (1, di cui 1 selezionato)",
                                         "Dato non presente (1, di cui 1 selezionato)"}));
    legend.countSelected({1, 1});
    EXPECT_EQ(labels(true), QStringList({"Da 1 a 5 (2, di cui 2 selezionati)", "Da 6 a 9 (1)", "Dato non presente (1)"}));
    EXPECT_EQ(labels(false), QStringList({"Da 1 a 5", "Da 6 a 9", "Dato non presente"}));
    legend.countSelected({});
    EXPECT_EQ(labels(true), QStringList({"Da 1 a 5 (2)", "Da 6 a 9 (1)", "Dato non presente (1)"}));
}

#include "layout/drawingsurface.h"
#include "layout/drawpage.h"
#include "layout/layoutpage.h"
#include "layout/pagegeometry.h"
#include "layout/pagememory.h"
#include "mappicture.h"

#include <QImage>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

// Records the calls of a drawing, with fixed text sizes: 0.1 inch a character, 0.2 high.
class RecordingSurface : public DrawingSurface {
public:
    struct Rect {
        QPointF a, b;
        QColor colour;
        bool filled;
    };
    QStringList calls;
    std::vector<Rect> rects;
    std::vector<std::pair<QPointF, QString>> texts;
    std::vector<double> fontSizes;
    QRectF pictureDest;
    QPointF current;
    std::vector<QPolygonF> polygons;

    void setFontName(const QString &) override { calls << "font"; }
    void setFontSize(double points) override { calls << "size", fontSizes.push_back(points); }
    void setTextColor(const QColor &) override { calls << "colour"; }
    void setCurrentXY(double x, double y) override { calls << "xy", current = {x, y}; }
    void printText(const QString &text) override { calls << "print", texts.emplace_back(current, text); }
    void drawRect(QPointF a, QPointF b, const QColor &c, bool filled) override
    {
        calls << "rect", rects.push_back({a, b, c, filled});
    }
    void drawPolygon(const QPolygonF &inches, const QColor &) override
    {
        calls << "polygon", polygons.push_back(inches);
    }
    void drawPicture(const QPicture &, const QRectF &dest, const QRectF &) override
    {
        calls << "picture", pictureDest = dest;
    }
    double textWidth(const QString &text) override { return 0.1 * text.size(); }
    double textHeight(const QString &) override { return 0.2; }
    void clear() override { calls << "clear"; }
};

LayoutPage samplePage(const MapPageRequest &request = test::sampleMapRequest())
{
    PageDefaults d;
    d.pageSize = a4PageInches();
    d.titleFont = d.legendFont = d.descriptionFont = QStringLiteral("DejaVu Sans");
    return makeLayoutPage(request, d);
}

} // namespace

TEST(LayoutPage, StartingFontIsTheFourteenthFamilyAndLandscapeSwapsThePaper)
{
    EXPECT_EQ(paperInches(Paper::Letter, true), QSizeF(11, 8.5));
    QStringList many;
    for (int i = 0; i < 20; ++i)
        many << QStringLiteral("Font%1").arg(i);
    EXPECT_EQ(defaultFontEntry(many, QStringLiteral("Sans")), QStringLiteral("Font13"));
    EXPECT_EQ(defaultFontEntry(many.mid(0, 13), QStringLiteral("Sans")), QStringLiteral("Sans"));
}

TEST(DrawPage, LegendRowSquareLeftOfItsTextRight)
{
    LayoutPage page = samplePage();
    RecordingSurface s;
    PageItems legendOnly {false, false, false, true, false};
    DrawPage(s, page, legendOnly);
    ASSERT_EQ(s.texts.size(), 3u);
    const QPointF row0(page.legend[0].left, page.legend[0].top);
    EXPECT_EQ(s.texts[0], std::pair(row0 + QPointF(0.2, 0), QStringLiteral("Classe 1")));
    ASSERT_EQ(s.rects.size(), 6u);
    // The swatch filled, then outlined in black, on the same square.
    for (const auto &[rect, colour, filled] :
         {std::tuple {s.rects[0], page.legend[0].boxColour, true}, std::tuple {s.rects[1], QColor(Qt::black), false}}) {
        EXPECT_EQ(std::pair(rect.colour, rect.filled), std::pair(colour, filled));
        EXPECT_EQ(QRectF(rect.a, rect.b).normalized(), QRectF(row0 - QPointF(0.3, 0), QSizeF(0.3, 0.3)));
    }
}

TEST(DrawPage, SwitchesDecideWhatIsDrawn)
{
    const LayoutPage page = samplePage();
    struct Case {
        PageItems items;
        QStringList expect;
    };
    const Case cases[] = {{{false, false, false, false, false}, {}},
                          {{true, false, false, false, false}, {"picture"}},
                          {{false, true, false, false, false}, {"rect"}},
                          // the title: measured for its lines, then drawn
                          {{false, false, true, false, false},
                           {"font", "size", "font", "size", "colour", "xy", "print"}}};
    for (const Case &c : cases) {
        RecordingSurface s;
        DrawPage(s, page, c.items);
        EXPECT_EQ(s.calls, c.expect);
    }
}

TEST(DrawPage, OutputFactorScalesMapAndFontsNotPositions)
{
    LayoutPage page = samplePage();
    RecordingSurface one, two;
    DrawPage(one, page, PageItems());
    page.outputFactor = 2.0;
    DrawPage(two, page, PageItems());
    EXPECT_NEAR(one.pictureDest.width(), page.mapWidth * page.zoom, 1e-9);
    EXPECT_NEAR(two.pictureDest.width(), 2 * one.pictureDest.width(), 1e-9);
    EXPECT_EQ(two.pictureDest.topLeft(), one.pictureDest.topLeft());
    // The title's size as drawn, after its measure.
    EXPECT_DOUBLE_EQ(two.fontSizes.at(1), 2 * one.fontSizes.at(1));
    EXPECT_EQ(two.texts.front().first, one.texts.front().first);
}

TEST(EditorOps, DragKeepsTheGrabOffsetAndLegendEntryZeroIsEveryRow)
{
    LayoutPage page = samplePage();
    RecordingSurface measure;
    // Grabbed anywhere inside, the item moves by the pointer's movement: a vertical drag is a
    // vertical move.
    for (int tab : {TabTitle, TabMap, TabDescription}) {
        const QRectF before = itemBox(page, tab, 0, measure);
        const QPointF grab = before.center(), to = grab + QPointF(0, -0.4);
        const DragGrip grip = gripItem(page, tab, 0, grab);
        dragItem(page, grip, grab + QPointF(0.1, -0.1), measure); // a move on the way
        dragItem(page, grip, to, measure);
        const QRectF after = itemBox(page, tab, 0, measure);
        EXPECT_NEAR(after.left(), before.left(), 1e-9) << tab;
        EXPECT_NEAR(after.top(), before.top() - 0.4, 1e-9) << tab;
    }
    // The border is not dragged.
    const PageFrame frame = page.frame;
    dragItem(page, gripItem(page, TabFrame, 0, QPointF(1, 1)), QPointF(7, 7), measure);
    EXPECT_EQ(QPointF(page.frame.left, page.frame.top), QPointF(frame.left, frame.top));

    // Entry 0 moves the whole legend as a block; entry k moves row k - 1 alone.
    const double pitch = page.legend[1].top - page.legend[0].top;
    const QPointF row0(page.legend[0].left, page.legend[0].top);
    dragItem(page, gripItem(page, TabLegend, kAllLegendRows, row0 + QPointF(0.5, 0.1)),
             row0 + QPointF(0.5 + 1.0, 0.1 - 2.0), measure);
    EXPECT_EQ(QPointF(page.legend[0].left, page.legend[0].top), row0 + QPointF(1.0, -2.0));
    EXPECT_NEAR(page.legend[1].top - page.legend[0].top, pitch, 1e-9);
    const QPointF row1(page.legend[1].left, page.legend[1].top), row2(page.legend[2].left, page.legend[2].top);
    dragItem(page, gripItem(page, TabLegend, 2, row1), row1 + QPointF(0.5, 0.5), measure);
    EXPECT_EQ(QPointF(page.legend[1].left, page.legend[1].top), row1 + QPointF(0.5, 0.5));
    EXPECT_EQ(QPointF(page.legend[2].left, page.legend[2].top), row2);

    // Entry 0 of the legend is every row.
    forLegendEntry(page, kAllLegendRows, [](LegendRow &r) { r.fontSize = 12; });
    forLegendEntry(page, 3, [](LegendRow &r) { r.fontSize = 20; });
    forLegendEntry(page, 4, [](LegendRow &r) { r.fontSize = 30; }); // no such row
    EXPECT_EQ(std::vector<int>({page.legend[0].fontSize, page.legend[1].fontSize, page.legend[2].fontSize}),
              std::vector<int>({12, 12, 20}));
}

// However far the pointer goes, every item stays whole on the paper.
TEST(EditorOps, DraggedItemsStayOnThePaper)
{
    LayoutPage page = samplePage();
    RecordingSurface measure;
    const QRectF paper(QPointF(0, 0), page.pageSize);
    for (int tab : {TabTitle, TabMap, TabLegend, TabDescription, ItemScaleBar, ItemNorthArrow}) {
        ASSERT_FALSE(itemBox(page, tab, 0, measure).isEmpty()) << tab;
        for (QPointF far : {QPointF(-20, -20), QPointF(30, 40), QPointF(-5, 50), QPointF(40, 2)}) {
            const QPointF grab = itemBox(page, tab, 0, measure).center();
            dragItem(page, gripItem(page, tab, 0, grab), far, measure);
            const QRectF box = itemBox(page, tab, 0, measure);
            EXPECT_TRUE(paper.adjusted(-1e-9, -1e-9, 1e-9, 1e-9).contains(box))
                << tab << " at " << far.x() << "," << far.y();
        }
    }
}

// The scale bar stands for a round length that fits a third of the map item as it lies on the
// page, and is drawn that long.
TEST(MapMarks, ScaleBarLengthFollowsTheGroundAndTheMapItemsSize)
{
    MapPageRequest request = test::sampleMapRequest();
    // The map keeps its units square: the axis the ground fills sets the scale.
    for (const auto &[ground, metresPerInch] :
         {std::pair {QSizeF(1000000, 600000), 100000.0}, {QSizeF(500000, 1200000), 100000.0}, {QSizeF(), 0.0}}) {
        request.mapMetres = ground;
        EXPECT_DOUBLE_EQ(mapMetresPerInch(request), metresPerInch) << ground.width();
    }

    LayoutPage page = samplePage(); // 10 inches of map for 1000 km
    // 5 inches on the page: 200 km an inch; 8 inches: 125 km an inch; room for 333 km in both.
    for (const auto &[zoom, inches] : {std::pair {0.5, 1.0}, {0.8, 1.6}}) {
        page.zoom = zoom;
        const ScaleBarLength bar = pageScaleBar(page);
        EXPECT_EQ(bar.kilometres, 200) << zoom;
        EXPECT_DOUBLE_EQ(bar.pixels, inches) << zoom;
    }

    // Drawn from its corner below its labels, black then white halves.
    RecordingSurface s;
    PageItems items;
    items.map = items.frame = items.title = items.legend = items.description = false;
    items.scaleBar = true;
    DrawPage(s, page, items);
    ASSERT_EQ(s.rects.size(), 3u);
    EXPECT_EQ(s.rects[0].colour, QColor(Qt::black));
    EXPECT_EQ(s.rects[1].colour, QColor(Qt::white));
    EXPECT_DOUBLE_EQ(s.rects[2].a.x(), page.scaleBarAt.x());
    EXPECT_DOUBLE_EQ(s.rects[2].b.x() - s.rects[2].a.x(), 1.6);
    ASSERT_EQ(s.texts.size(), 2u);
    EXPECT_TRUE(s.texts[1].second.endsWith(QStringLiteral(" km")));

    // A map without a known ground size has no bar; the north arrow needs none.
    page.mapMetresPerInch = 0;
    items.northArrow = true;
    RecordingSurface t;
    DrawPage(t, page, items);
    EXPECT_TRUE(t.rects.empty());
    EXPECT_EQ(t.polygons.size(), 2u);
}

// The page opens with the scale bar and the north arrow inside the map's corners.
TEST(MapMarks, OpeningPagePutsTheMarksInsideTheMap)
{
    const LayoutPage page = samplePage();
    RecordingSurface measure;
    const QRectF map = mapBox(page);
    const QRectF bar = scaleBarBox(page, measure), arrow = northArrowBox(page, measure);
    EXPECT_TRUE(map.contains(bar));
    EXPECT_TRUE(map.contains(arrow));
    EXPECT_LT(bar.center().x(), map.center().x());
    EXPECT_GT(bar.center().y(), map.center().y());
    EXPECT_GT(arrow.center().x(), map.center().x());
    EXPECT_LT(arrow.center().y(), map.center().y());
    PageItems items;
    items.northArrow = true;
    EXPECT_EQ(markUnder(page, items, arrow.center(), measure), ItemNorthArrow);
    EXPECT_EQ(markUnder(page, items, bar.center(), measure), -1); // hidden
    items.scaleBar = true;
    EXPECT_EQ(markUnder(page, items, bar.center(), measure), ItemScaleBar);
}

TEST(EditorOps, HitTestNamesTheItemsUnderThePointerEdgesExcluded)
{
    LayoutPage page = samplePage();
    // Title "Inserire un Titolo" (1.8 x 0.2 on the recording surface) at (2.948, 0.493); map
    // from (0.578, 1.007), 6.5 x 7.8; legend rows at left 1.3 from top 8.0.
    page.title.top = 8.0;
    page.title.left = 1.0;
    page.mapLeft = 0.578, page.mapTop = 1.007, page.zoom = 0.65;
    for (int i = 0; i < page.legend.count(); ++i)
        page.legend[i].left = 1.3, page.legend[i].top = 8.0 + page.rowOffset(i);
    struct Case {
        QPointF at;
        QStringList names;
        int row;
    };
    const Case cases[] = {{{1.2, 8.1}, {"Leggenda", "Titolo", "Mappa"}, 0},
                          {{1.2, 8.4}, {"Leggenda", "Mappa"}, 1},
                          {{3.0, 3.0}, {"Mappa"}, -1},
                          {{0.578, 3.0}, {}, -1}, // on the map's left edge
                          {{1.3 - 0.2, 8.5}, {"Mappa"}, -1}, // on the legend's left bound
                          {{2.0, 8.0}, {"Mappa"}, -1}, // on the first row's and the title's top
                          {{7.0, 10.0}, {}, -1}};
    for (const Case &c : cases) {
        RecordingSurface measure;
        const PageHit hit = hitTest(page, c.at, measure);
        EXPECT_EQ(hit.names, c.names) << c.at.x() << "," << c.at.y();
        EXPECT_EQ(hit.legendRow, c.row) << c.at.x() << "," << c.at.y();
    }
}

// A picture replays itself scaled by the device's dots per inch, which the surface undoes.
TEST(PictureScale, MapKeepsItsPlaceAndSizeAtEveryDeviceResolution)
{
    QPicture picture;
    {
        QPainter p(&picture);
        p.fillRect(QRectF(0, 0, 1000, 1000), QColor(200, 220, 240));
        p.setClipRect(QRectF(0, 0, 1000, 1000)); // as a map view draws: clipped to its frame
        p.fillRect(QRectF(400, 400, 200, 200), Qt::red);
    }
    for (int dpi : {96, 300, 1200}) {
        QImage device(400, 400, QImage::Format_RGB32);
        device.setDotsPerMeterX(qRound(dpi / 0.0254));
        device.setDotsPerMeterY(qRound(dpi / 0.0254));
        device.fill(Qt::white);
        {
            QPainter painter(&device);
            PainterSurface surface(painter, 100, QPointF(), QSizeF(4, 4));
            // 3 inches at 100 pixels per inch from (50, 50): the red square at 170..230.
            surface.drawPicture(picture, QRectF(0.5, 0.5, 3, 3), QRectF(0, 0, 1000, 1000));
        }
        int x0 = 400, x1 = -1;
        for (int x = 0; x < 400; ++x)
            if (device.pixelColor(x, 200) == QColor(Qt::red))
                x0 = std::min(x0, x), x1 = std::max(x1, x);
        EXPECT_NEAR(x0, 170, 1) << dpi << " dpi";
        EXPECT_NEAR(x1, 229, 1) << dpi << " dpi";
        EXPECT_EQ(device.pixelColor(60, 60), QColor(200, 220, 240)) << dpi << " dpi";
    }
}

namespace {

// Text sizes as the page draws them, with the fonts of this system.
struct FontMeasure {
    QImage image {1, 1, QImage::Format_RGB32};
    QPainter painter {&image};
    PainterSurface surface {painter, 300, QPointF(), a4PageInches()};
};

QRectF innerBorder(const LayoutPage &page)
{
    return QRectF(QPointF(page.frame.left, page.frame.top), QPointF(page.frame.right, page.frame.bottom))
        .adjusted(kItemGap - 1e-9, kItemGap - 1e-9, 1e-9 - kItemGap, 1e-9 - kItemGap);
}

// The four items lie inside the border and none overlaps another.
void expectTidy(const LayoutPage &page, DrawingSurface &measure, const std::string &what)
{
    const int tabs[] = {TabTitle, TabMap, TabLegend, TabDescription};
    for (int a : tabs) {
        const QRectF box = itemBox(page, a, kAllLegendRows, measure);
        EXPECT_TRUE(innerBorder(page).contains(box)) << what << ": item " << a;
        for (int b : tabs) {
            if (a < b) {
                EXPECT_FALSE(box.intersects(itemBox(page, b, kAllLegendRows, measure)))
                    << what << ": items " << a << " and " << b;
            }
        }
    }
}

} // namespace

TEST(Arrangement, OpeningPageStacksTheItemsInsideTheBorder)
{
    FontMeasure m;
    struct Case {
        std::string what;
        QSizeF mapSize;
        int rows;
    };
    for (const Case &c : {Case {"tall map", {10, 12}, 3}, Case {"wide map", {10, 5}, 3},
                          Case {"very tall map", {10, 25}, 3}, Case {"eight classes", {10, 12}, 8}}) {
        MapPageRequest request = test::sampleMapRequest();
        request.mapSize = c.mapSize;
        while (int(request.legend.size()) < c.rows)
            request.legend.push_back({Qt::gray, QStringLiteral("Da 1.000,00 a 2.000,00")});
        const LayoutPage page = samplePage(request);
        expectTidy(page, m.surface, c.what);
        // The largest whole-percent zoom: one percent more would not fit beside or above.
        EXPECT_NEAR(page.zoom * 100, std::round(page.zoom * 100), 1e-9) << c.what;
        LayoutPage bigger = page;
        bigger.zoom += 0.011;
        bigger.mapLeft = page.frame.left + kItemGap;
        const QRectF map = mapBox(bigger);
        EXPECT_TRUE(map.right() > innerBorder(page).right()
                    || map.bottom() > legendBox(page, kAllLegendRows, m.surface).top() - kItemGap)
            << c.what;
    }

    // Another paper is arranged anew, the border as far from the edges as before.
    LayoutPage page = samplePage();
    const QSizeF landscapeA3(16.54, 11.69);
    changePaper(page, landscapeA3, m.surface);
    EXPECT_EQ(page.pageSize, landscapeA3);
    EXPECT_NEAR(page.frame.right, landscapeA3.width() - 0.5, 1e-9);
    EXPECT_NEAR(page.frame.bottom, landscapeA3.height() - 0.5, 1e-9);
    expectTidy(page, m.surface, "A3 landscape");
}

TEST(Arrangement, LargerTextsStayInsideTheBorderAndClearOfTheLegend)
{
    FontMeasure m;
    LayoutPage page = samplePage();
    // A 24 pt title moves left to end inside the border; one longer than the border wraps.
    page.title.fontSize = QStringLiteral("24");
    page.title.text = QStringLiteral("Rete stradale delle province");
    settleTexts(page, m.surface);
    EXPECT_LE(textBox(page, page.title, m.surface).right(), page.frame.right - kItemGap + 1e-9);
    EXPECT_EQ(textLines(page, page.title, m.surface).size(), 1);
    page.title.text = QStringLiteral("Lunghezza della rete stradale per provincia, in chilometri, nel 2005");
    settleTexts(page, m.surface);
    EXPECT_GT(textLines(page, page.title, m.surface).size(), 1);
    EXPECT_TRUE(innerBorder(page).contains(textBox(page, page.title, m.surface)));
    // Its second line pushed the map down, and the map stays clear of the legend.
    expectTidy(page, m.surface, "wrapped title");

    // A description grown onto the legend moves below it, and stays on the paper.
    page.description.fontSize = QStringLiteral("10");
    page.description.top = page.legend[1].top;
    settleTexts(page, m.surface);
    const QRectF desc = textBox(page, page.description, m.surface);
    EXPECT_FALSE(desc.intersects(legendBox(page, kAllLegendRows, m.surface)));
    EXPECT_TRUE(QRectF(QPointF(0, 0), page.pageSize).contains(desc));
}

// The page kept for a map comes back for the same map with the picture handed over now; new
// classes take new legend rows in the kept rows' place and style.
TEST(PageMemory, SameMapBringsBackItsPage)
{
    PageMemory memory;
    const MapPageRequest request = test::sampleMapRequest();
    EXPECT_FALSE(memory.recall(request));
    LayoutPage page = samplePage();
    page.title.text = QStringLiteral("Strade");
    page.legend[0].text = QStringLiteral("Basso");
    forLegendEntry(page, kAllLegendRows, [](LegendRow &r) { r.fontSize = 11, r.left = 5.0; });
    PageItems items;
    items.frame = false;
    memory.keep(request, page, items);

    std::optional<KeptPage> kept = memory.recall(request);
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->page.title.text, QStringLiteral("Strade"));
    EXPECT_EQ(kept->page.legend[0].text, QStringLiteral("Basso"));
    EXPECT_FALSE(kept->items.frame);
    EXPECT_EQ(kept->page.map.size(), request.map.size());

    // Four classes now: the texts and colours of the map, the kept legend's place and style.
    MapPageRequest reclassed = request;
    reclassed.legend.push_back({Qt::darkRed, QStringLiteral("Classe 4")});
    kept = memory.recall(reclassed);
    ASSERT_TRUE(kept);
    ASSERT_EQ(kept->page.legend.count(), 4);
    EXPECT_EQ(kept->page.legend[0].text, QStringLiteral("Classe 1"));
    EXPECT_EQ(kept->page.legend[3].boxColour, QColor(Qt::darkRed));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(kept->page.legend[i].fontSize, 11) << i;
        EXPECT_DOUBLE_EQ(kept->page.legend[i].left, 5.0) << i;
        EXPECT_NEAR(kept->page.legend[i].top - kept->page.legend[0].top, page.rowOffset(i), 1e-9) << i;
    }

    MapPageRequest other = request;
    other.variableText = QStringLiteral("altra variabile");
    EXPECT_FALSE(memory.recall(other));
}

#include "layout/drawingsurface.h"
#include "layout/drawpage.h"
#include "layout/layoutpage.h"
#include "mappicture.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QPicture>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

// Fonts and their measures need a GUI application; one for the whole run.
class GuiEnvironment : public ::testing::Environment {
    int m_argc = 1;
    char m_name[12] = "test_layout", *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_app;
    void SetUp() override { qputenv("QT_QPA_PLATFORM", "offscreen"), m_app.reset(new QGuiApplication(m_argc, m_argv)); }
    void TearDown() override { m_app.reset(); }
};
[[maybe_unused]] ::testing::Environment *const kGui = ::testing::AddGlobalTestEnvironment(new GuiEnvironment);

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

    void setFontName(const QString &) override { calls << "font"; }
    void setFontSize(double points) override { calls << "size", fontSizes.push_back(points); }
    void setTextColor(const QColor &) override { calls << "colour"; }
    void setCurrentXY(double x, double y) override { calls << "xy", current = {x, y}; }
    void printText(const QString &text) override { calls << "print", texts.emplace_back(current, text); }
    void drawRect(QPointF a, QPointF b, const QColor &c, bool filled) override
    {
        calls << "rect", rects.push_back({a, b, c, filled});
    }
    void drawPicture(const QPicture &, const QRectF &dest, const QRectF &) override
    {
        calls << "picture", pictureDest = dest;
    }
    double textWidth(const QString &text) override { return 0.1 * text.size(); }
    double textHeight(const QString &) override { return 0.2; }
    void clear() override { calls << "clear"; }
};

LayoutPage samplePage()
{
    PageDefaults d;
    d.pageSize = a4PageInches();
    d.titleFont = d.legendFont = d.descriptionFont = QStringLiteral("DejaVu Sans");
    return makeLayoutPage(test::sampleMapRequest(), d);
}

} // namespace

// The map keeps the page: at the starting zoom it ends inside the border.
TEST(LayoutPage, MapStartsInsideTheBorder)
{
    const LayoutPage page = samplePage();
    EXPECT_LT(page.mapLeft + page.mapWidth * page.zoom, page.frame.right);
}

TEST(LayoutPage, StartingFontIsTheFourteenthFamilyWhenThereIsOne)
{
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
    EXPECT_EQ(s.texts[0], std::pair(QPointF(1.5, 8.0), QStringLiteral("Classe 1")));
    ASSERT_EQ(s.rects.size(), 6u);
    const auto &fill = s.rects[0], &outline = s.rects[1];
    EXPECT_TRUE(fill.filled && !outline.filled);
    EXPECT_EQ(fill.colour, page.legend[0].boxColour);
    EXPECT_EQ(outline.colour, QColor(Qt::black));
    EXPECT_EQ(QRectF(fill.a, fill.b).normalized(), QRectF(1.0, 8.0, 0.3, 0.3));
    EXPECT_EQ(QRectF(outline.a, outline.b).normalized(), QRectF(1.0, 8.0, 0.3, 0.3));
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
                          {{false, false, true, false, false}, {"font", "xy", "size", "colour", "print"}}};
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
    EXPECT_DOUBLE_EQ(two.fontSizes.front(), 2 * one.fontSizes.front());
    EXPECT_EQ(two.texts.front().first, one.texts.front().first);
}

TEST(EditorOps, DragMovesWhatTheTabSelectsAndLegendEntryZeroIsEveryRow)
{
    const QPointF at(2.0, 3.0);
    LayoutPage page = samplePage();
    for (auto [tab, x, y] : {std::tuple {TabTitle, &page.title.left, &page.title.top},
                             {TabMap, &page.mapLeft, &page.mapTop},
                             {TabDescription, &page.description.left, &page.description.top}}) {
        dragItem(page, tab, 0, at);
        EXPECT_EQ(QPointF(*x, *y), at) << tab;
    }

    const PageFrame before = page.frame;
    dragItem(page, TabFrame, 0, QPointF(7, 7));
    EXPECT_EQ(QPointF(page.frame.left, page.frame.top), QPointF(before.left, before.top));

    // Entry 0 moves the whole legend keeping its spacing; entry k moves row k - 1 alone.
    dragItem(page, TabLegend, kAllLegendRows, at);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(page.legend[i].top, 3.0 + i / 3.0, 1e-9);
    dragItem(page, TabLegend, 2, QPointF(5, 6));
    EXPECT_EQ(QPointF(page.legend[1].left, page.legend[1].top), QPointF(5, 6));
    EXPECT_EQ(QPointF(page.legend[0].left, page.legend[0].top), at);
    EXPECT_NEAR(page.legend[2].top, 3.0 + 2 / 3.0, 1e-9);

    // Entry 0 of the legend is every row.
    forLegendEntry(page, kAllLegendRows, [](LegendRow &r) { r.fontSize = 12; });
    forLegendEntry(page, 3, [](LegendRow &r) { r.fontSize = 20; });
    forLegendEntry(page, 4, [](LegendRow &r) { r.fontSize = 30; }); // no such row
    EXPECT_EQ(std::vector<int>({page.legend[0].fontSize, page.legend[1].fontSize, page.legend[2].fontSize}),
              std::vector<int>({12, 12, 20}));
}

TEST(EditorOps, HitTestNamesTheItemsUnderThePointerEdgesExcluded)
{
    LayoutPage page = samplePage();
    // Title "Inserire un Titolo" (1.8 x 0.2 on the recording surface) at (2.948, 0.493); map
    // from (0.578, 1.007), 6.5 x 7.8; legend rows at left 1.3 from top 8.0.
    page.title.top = 8.0;
    page.title.left = 1.0;
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

#include "layout/drawingsurface.h"
#include "layout/drawpage.h"
#include "layout/layoutpage.h"
#include "mappicture.h"

#include <QGuiApplication>
#include <gtest/gtest.h>
#include <memory>
#include <vector>

using namespace qrn;

namespace {

// Fonts and their measures need a GUI application; one for the whole run.
class GuiEnvironment : public ::testing::Environment {
public:
    void SetUp() override
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        m_app = std::make_unique<QGuiApplication>(m_argc, m_argv);
    }
    void TearDown() override { m_app.reset(); }

private:
    int m_argc = 1;
    char m_name[12] = "test_layout";
    char *m_argv[2] = {m_name, nullptr};
    std::unique_ptr<QGuiApplication> m_app;
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
    std::vector<QString> calls;
    std::vector<Rect> rects;
    std::vector<std::pair<QPointF, QString>> texts;
    std::vector<double> fontSizes;
    QRectF pictureDest;
    QPointF current;

    void setFontName(const QString &) override { calls.push_back(QStringLiteral("font")); }
    void setFontSize(double points) override
    {
        calls.push_back(QStringLiteral("size"));
        fontSizes.push_back(points);
    }
    void setTextColor(const QColor &) override { calls.push_back(QStringLiteral("colour")); }
    void setCurrentXY(double x, double y) override
    {
        calls.push_back(QStringLiteral("xy"));
        current = {x, y};
    }
    void printText(const QString &text) override
    {
        calls.push_back(QStringLiteral("print"));
        texts.emplace_back(current, text);
    }
    void drawRect(QPointF a, QPointF b, const QColor &colour, bool filled) override
    {
        calls.push_back(QStringLiteral("rect"));
        rects.push_back({a, b, colour, filled});
    }
    void drawPicture(const QPicture &, const QRectF &dest, const QRectF &) override
    {
        calls.push_back(QStringLiteral("picture"));
        pictureDest = dest;
    }
    double textWidth(const QString &text) override { return 0.1 * text.size(); }
    double textHeight(const QString &) override { return 0.2; }
    void clear() override { calls.push_back(QStringLiteral("clear")); }
};

PageDefaults testDefaults()
{
    PageDefaults d;
    d.pageSize = a4PageInches();
    d.titleFont = d.legendFont = d.descriptionFont = QStringLiteral("DejaVu Sans");
    return d;
}

LayoutPage samplePage()
{
    return makeLayoutPage(test::sampleMapRequest(), testDefaults());
}

} // namespace

TEST(LayoutPage, StartsWithTheRequestsTextsAndLegendInsideTheBorder)
{
    const LayoutPage page = samplePage();
    EXPECT_EQ(page.description.text, test::sampleMapRequest().variableText);
    ASSERT_EQ(page.legend.count(), 3);
    for (int r = 0; r < 3; ++r) {
        EXPECT_DOUBLE_EQ(page.legend[r].top, 8.0 + r / 3.0) << r;
        EXPECT_EQ(page.legend[r].text, QStringLiteral("Classe %1").arg(r + 1));
    }
    // The map keeps the page: at the starting zoom it ends inside the border.
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
    EXPECT_EQ(s.texts[0].first, QPointF(1.5, 8.0));
    ASSERT_EQ(s.rects.size(), 6u);
    const auto &fill = s.rects[0], &outline = s.rects[1];
    EXPECT_TRUE(fill.filled);
    EXPECT_EQ(fill.colour, page.legend[0].boxColour);
    const QRectF square = QRectF(fill.a, fill.b).normalized();
    EXPECT_NEAR(square.left(), 1.0, 1e-9);
    EXPECT_NEAR(square.right(), 1.3, 1e-9);
    EXPECT_NEAR(square.top(), 8.0, 1e-9);
    EXPECT_NEAR(square.bottom(), 8.3, 1e-9);
    EXPECT_FALSE(outline.filled);
    EXPECT_EQ(outline.colour, QColor(Qt::black));
    EXPECT_EQ(QRectF(outline.a, outline.b).normalized(), square);
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
        EXPECT_EQ(QStringList(s.calls.begin(), s.calls.end()), c.expect);
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

TEST(EditorOps, DragMovesWhatTheTabSelects)
{
    const QPointF at(2.0, 3.0);
    LayoutPage page = samplePage();
    dragItem(page, TabTitle, 0, at);
    EXPECT_EQ(QPointF(page.title.left, page.title.top), at);
    dragItem(page, TabMap, 0, at);
    EXPECT_EQ(QPointF(page.mapLeft, page.mapTop), at);
    dragItem(page, TabDescription, 0, at);
    EXPECT_EQ(QPointF(page.description.left, page.description.top), at);

    const PageFrame before = page.frame;
    dragItem(page, TabFrame, 0, QPointF(7, 7));
    EXPECT_EQ(page.frame.left, before.left);
    EXPECT_EQ(page.frame.top, before.top);

    // Entry 0 moves the whole legend keeping its spacing; entry k moves row k - 1 alone.
    dragItem(page, TabLegend, kAllLegendRows, at);
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(page.legend[i].top, 3.0 + i / 3.0, 1e-9);
    dragItem(page, TabLegend, 2, QPointF(5, 6));
    EXPECT_EQ(QPointF(page.legend[1].left, page.legend[1].top), QPointF(5, 6));
    EXPECT_EQ(QPointF(page.legend[0].left, page.legend[0].top), at);
    EXPECT_NEAR(page.legend[2].top, 3.0 + 2 / 3.0, 1e-9);
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

TEST(EditorOps, LegendEntryZeroIsEveryRow)
{
    LayoutPage page = samplePage();
    forLegendEntry(page, kAllLegendRows, [](LegendRow &r) { r.fontSize = 12; });
    forLegendEntry(page, 3, [](LegendRow &r) { r.fontSize = 20; });
    forLegendEntry(page, 4, [](LegendRow &r) { r.fontSize = 30; }); // no such row
    EXPECT_EQ(page.legend[0].fontSize, 12);
    EXPECT_EQ(page.legend[1].fontSize, 12);
    EXPECT_EQ(page.legend[2].fontSize, 20);
}

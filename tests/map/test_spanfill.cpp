// The filler writing polygon fills straight into an image's pixels under a painter.

#include "map/spanfill.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <gtest/gtest.h>

using namespace qrn::map;

namespace {

constexpr QRgb kWhite = 0xFFFFFFFF, kRed = 0xFFFF0000, kBlue = 0xFF0000FF;

QImage white(int w, int h, QImage::Format f = QImage::Format_RGB32)
{
    QImage img(w, h, f);
    img.fill(kWhite);
    return img;
}

int count(const QImage &img, QRgb c)
{
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            n += img.pixel(x, y) == c;
    return n;
}

QPolygonF rect(double l, double t, double r, double b)
{
    return QPolygonF({{l, t}, {r, t}, {r, b}, {l, b}, {l, t}});
}

// A white image of w x h whose rings the filler fills in red under a plain painter.
QImage filled(int w, int h, const std::vector<QPolygonF> &rings)
{
    QImage img = white(w, h);
    QPainter p(&img);
    SpanFiller filler(p);
    EXPECT_TRUE(filler.valid());
    filler.fill(rings, kRed);
    p.end();
    return img;
}

} // namespace

// A pixel is filled when its centre lies inside by the even-odd rule: a rectangle from 1.2 to 5.7
// across and 1.2 to 3.7 down covers the centres of columns 1 to 5 and rows 1 to 3; a hole stays
// empty; two triangles sharing a slanted edge fill every pixel of their square once, no gap; a
// ring far larger than any pixel index fills the whole image; and
// a star with fractional corners gets the pixels Qt's own aliased fill gives it, but for a
// centre lying all but on an edge.
TEST(SpanFiller, FillsThePixelsWhoseCentresLieInside)
{
    QImage img = filled(10, 10, {rect(1.2, 1.2, 5.7, 3.7)});
    EXPECT_EQ(count(img, kRed), 15);
    for (const auto &[x, y, colour] : {std::tuple {1, 1, kRed}, {5, 3, kRed}, {6, 3, kWhite}, {5, 4, kWhite}})
        EXPECT_EQ(img.pixel(x, y), colour) << x << "," << y;

    img = filled(10, 10, {rect(0, 0, 8, 8), rect(2, 2, 6, 6)});
    EXPECT_EQ(count(img, kRed), 64 - 16);
    EXPECT_EQ(img.pixel(3, 3), kWhite);

    img = white(20, 20);
    {
        QPainter p(&img);
        SpanFiller filler(p);
        const QPolygonF a({{2, 2}, {17, 2}, {2.3, 17}}), b({{17, 2}, {17, 17}, {2.3, 17}});
        filler.fill({&a, 1}, kRed);
        filler.fill({&b, 1}, kBlue);
    }
    EXPECT_EQ(count(img, kRed) + count(img, kBlue), 15 * 15);

    // A feature reaching far beyond the view when zoomed in: coordinates past any pixel index.
    EXPECT_EQ(count(filled(10, 10, {rect(-1e12, -1e12, 1e12, 1e12)}), kRed), 100);

    const QPolygonF star({{20.3, 1.7}, {25.1, 14.2}, {38.6, 14.9}, {27.4, 23.3}, {31.8, 37.2},
                          {20.2, 29.1}, {8.7, 37.4}, {12.9, 23.6}, {1.6, 15.2}, {15.3, 14.1}});
    const QImage mine = filled(40, 40, {star});
    QImage qt = white(40, 40);
    {
        QPainter p(&qt);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(kRed));
        p.drawPolygon(star, Qt::OddEvenFill);
    }
    EXPECT_GT(count(mine, kRed), 400);
    int differing = 0;
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 40; ++x)
            differing += mine.pixel(x, y) != qt.pixel(x, y);
    EXPECT_LE(differing, 2); // a centre within Qt's fixed-point step of an edge may go either way
}

// The painter's scale and translation, and the image's pixel ratio, place the fill, and the
// painter's clip rectangle bounds it.
TEST(SpanFiller, FollowsThePaintersTransformAndClip)
{
    QImage img = white(12, 12);
    {
        QPainter p(&img);
        p.setClipRect(QRect(0, 0, 5, 12));
        p.translate(1, 0);
        p.scale(2, 2);
        SpanFiller filler(p);
        ASSERT_TRUE(filler.valid());
        EXPECT_EQ(filler.clip(), QRect(0, 0, 5, 12));
        const QPolygonF r = rect(0.5, 1, 3.5, 3); // device pixels 2 to 8 across, 2 to 6 down
        filler.fill({&r, 1}, kRed);
    }
    EXPECT_EQ(count(img, kRed), 3 * 4); // columns 2 to 4, rows 2 to 5
    EXPECT_EQ(img.pixel(2, 2), kRed);
    EXPECT_EQ(img.pixel(4, 5), kRed);

    // On an image of two device pixels a logical one (the map window's picture on a dense
    // screen) the fill covers the device pixels of its logical area.
    QImage dense = white(12, 12);
    dense.setDevicePixelRatio(2);
    {
        QPainter p(&dense);
        const QPolygonF r = rect(1, 1, 3, 4);
        SpanFiller(p).fill({&r, 1}, kRed);
    }
    EXPECT_EQ(count(dense, kRed), 4 * 6);
    EXPECT_EQ(dense.pixel(2, 2), kRed);
}

// Where the painter does more than write plain pixels the filler stands aside.
TEST(SpanFiller, StandsAsideWhereThePixelsCannotBeWrittenPlainly)
{
    QImage rgb = white(10, 10);
    QImage packed = white(10, 10, QImage::Format_RGB888);
    auto validWith = [](QImage &img, const std::function<void(QPainter &)> &set) {
        QPainter p(&img);
        set(p);
        return SpanFiller(p).valid();
    };
    EXPECT_TRUE(validWith(rgb, [](QPainter &) {}));
    EXPECT_FALSE(validWith(packed, [](QPainter &) {}));
    EXPECT_FALSE(validWith(rgb, [](QPainter &p) { p.rotate(10); }));
    EXPECT_FALSE(validWith(rgb, [](QPainter &p) { p.setOpacity(0.5); }));
    EXPECT_FALSE(validWith(rgb, [](QPainter &p) { p.setCompositionMode(QPainter::CompositionMode_Multiply); }));
    EXPECT_FALSE(validWith(rgb, [](QPainter &p) {
        QPainterPath round;
        round.addEllipse(QRectF(0, 0, 10, 10));
        p.setClipPath(round);
    }));
    EXPECT_FALSE(validWith(rgb, [](QPainter &p) { p.setClipRect(QRect(20, 20, 5, 5)); }));
}

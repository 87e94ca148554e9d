// A page drawn straight into the bitmap section: the same pixels as the picture drawn on its own,
// blue-green-red and bottom-up, with zeroed padding, for every row length.

#include "imaging/dibsection.h"

#include <QPainter>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

// Every pixel different, so that a shifted, swapped or flipped byte shows.
QImage noisy(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 7 + y * 53 + 1) % 256, (x * y + 200) % 256));
    return img;
}

} // namespace

TEST(DibPainting, SamePixelsAsThePictureForEveryRowLength)
{
    for (int w : {1, 2, 3, 4, 5, 7, 8, 9, 12, 13, 31, 64}) {
        const int h = 5;
        const QImage picture = noisy(w, h);
        cDIBSection dib;
        ASSERT_TRUE(dib.CreateByPainting(w, h, [&](QPainter &p) { p.drawImage(0, 0, picture); })) << w;
        ASSERT_EQ(dib.Width(), w);
        EXPECT_EQ(dib.toImage(), picture.convertToFormat(QImage::Format_BGR888)) << "larghezza " << w;
        // The memory itself: the bottom row first, blue first; padding zeroed.
        const QRgb bottomLeft = picture.pixel(0, h - 1);
        EXPECT_EQ(dib.DIBSectionBitsPtr()[0], qBlue(bottomLeft)) << w;
        EXPECT_EQ(dib.DIBSectionBitsPtr()[2], qRed(bottomLeft)) << w;
        for (int y = 0; y < h; ++y)
            for (int i = 0; i < dib.PadBytes(); ++i)
                EXPECT_EQ(dib.DIBSectionBitsPtr()[y * dib.BytesPerScanLine() + w * 3 + i], 0) << w;
    }
}

TEST(DibPainting, StartsWhiteAndRefusesAnEmptySize)
{
    cDIBSection dib;
    ASSERT_TRUE(dib.CreateByPainting(6, 2, [](QPainter &p) { p.fillRect(0, 0, 3, 1, Qt::red); }));
    const QImage img = dib.toImage();
    EXPECT_EQ(img.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(img.pixelColor(5, 1), QColor(Qt::white));

    bool painted = false;
    EXPECT_FALSE(dib.CreateByPainting(0, 4, [&](QPainter &) { painted = true; }));
    EXPECT_FALSE(painted);
    EXPECT_TRUE(dib.isEmpty());
}

// The bitmap section and the JPEG writer.
#include "imaging/dibsection.h"
#include "imaging/jpegwriter.h"

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

// Four quadrants of distinct colours, so that a flipped or mirrored image shows.
QImage quadrants(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    QPainter p(&img);
    p.fillRect(0, 0, w / 2, h / 2, QColor(220, 20, 20));
    p.fillRect(w / 2, 0, w - w / 2, h / 2, QColor(20, 200, 20));
    p.fillRect(0, h / 2, w / 2, h - h / 2, QColor(20, 20, 220));
    p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(230, 230, 30));
    return img;
}

// Every pixel different, so that a shifted, swapped or flipped byte shows.
QImage noisy(int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            img.setPixel(x, y, qRgb((x * 37 + y * 11) % 256, (x * 7 + y * 53 + 1) % 256, (x * y + 200) % 256));
    return img;
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance
        && std::abs(a.blue() - b.blue()) <= tolerance;
}

} // namespace

TEST(DibSection, RowLengthPaddingAndEmptyCreate)
{
    cDIBSection dib;
    for (auto [width, bytes, pad] : {std::array {1, 4, 1}, {4, 12, 0}, {5, 16, 1}}) {
        ASSERT_TRUE(dib.Create(width, 2));
        EXPECT_EQ(std::pair(dib.BytesPerScanLine(), dib.PadBytes()), std::pair(bytes, pad)) << width;
    }
    EXPECT_FALSE(dib.Create(0, 5)); // the earlier image is released too
    EXPECT_TRUE(dib.isEmpty());
}

TEST(DibSection, BlockCopyWithDefaultSizesUsesTheSectionSize)
{
    const QImage source = quadrants(8, 8);
    cDIBSection dib;
    ASSERT_TRUE(dib.Create(4, 4));
    dib.LoadPictureBlt(source); // -1, -1: the section's 4 x 4, not the source's 8 x 8
    EXPECT_EQ(dib.toImage(), source.copy(0, 0, 4, 4).convertToFormat(QImage::Format_BGR888));
    dib.LoadPictureBlt(source, 4, 4, 2, 2); // an offset source block
    EXPECT_EQ(dib.toImage().pixelColor(0, 0), QColor(230, 230, 30));
    // A source smaller than the section fills only its own part.
    ASSERT_TRUE(dib.Create(4, 4));
    dib.LoadPictureBlt(quadrants(2, 2));
    EXPECT_EQ(dib.toImage().pixelColor(1, 1), QColor(230, 230, 30));
    EXPECT_EQ(dib.toImage().pixelColor(3, 3), QColor(0, 0, 0));
}

TEST(JpegWriter, WritesThePictureTheRightWayUpOverALongerFile)
{
    QTemporaryDir dir;
    const QImage source = quadrants(64, 48);
    cDIBSection dib;
    dib.CreateFromPicture(source);
    // Over a longer file: nothing of the old file may stay after the JPEG's end.
    const QString name = dir.filePath(QStringLiteral("pagina.jpg"));
    QFile file(name);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(QByteArray(200000, 'x')));
    file.close();
    ASSERT_TRUE(WriteJpegFile(dib, name, 90));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.size() < 10000 && bytes.endsWith("\xFF\xD9"));
    const QImage back(name);
    ASSERT_EQ(back.size(), source.size());
    for (QPoint p : {QPoint(2, 2), QPoint(61, 2), QPoint(2, 45), QPoint(61, 45)})
        EXPECT_TRUE(near(back.pixelColor(p), source.pixelColor(p), 12)) << p.x() << "," << p.y();

    // The quality reaches the encoder: a low one gives a smaller file on a detailed picture.
    dib.CreateFromPicture(noisy(200, 200));
    const QString low = dir.filePath(QStringLiteral("q10.jpg")), high = dir.filePath(QStringLiteral("q95.jpg"));
    ASSERT_TRUE(WriteJpegFile(dib, low, 10));
    ASSERT_TRUE(WriteJpegFile(dib, high, 95));
    EXPECT_LT(QFile(low).size() * 2, QFile(high).size());
}

// The file declares the resolution it was drawn at, in dots per inch, not a bare aspect ratio.
TEST(JpegWriter, DeclaresItsResolutionInDotsPerInch)
{
    QTemporaryDir dir;
    cDIBSection dib;
    dib.CreateFromPicture(quadrants(16, 16));
    for (double dpi : {96.0, 61.4, 300.0}) {
        const QString name = dir.filePath(QStringLiteral("r%1.jpg").arg(dpi));
        ASSERT_TRUE(WriteJpegFile(dib, name, 90, dpi));
        QFile file(name);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QByteArray head = file.read(18);
        ASSERT_EQ(head.mid(6, 5), QByteArray("JFIF", 5));
        const int density = std::lround(dpi);
        EXPECT_EQ(head.mid(13, 5),
                  QByteArray::fromRawData("\x01", 1) + QByteArray(1, char(density >> 8)) + char(density & 0xFF)
                      + char(density >> 8) + char(density & 0xFF))
            << dpi;
        EXPECT_NEAR(QImage(name).dotsPerMeterX() * 0.0254, density, 0.5) << dpi;
    }
}

TEST(JpegWriter, FailuresAreReportedAndFalse)
{
    QTemporaryDir dir;
    cDIBSection dib, empty;
    dib.CreateFromPicture(quadrants(8, 8));
    // A folder that is not there (the writer's own words stay in the detail), and an empty section.
    const QString missing = dir.filePath(QStringLiteral("manca/pagina.jpg")),
                  none = dir.filePath(QStringLiteral("vuota.jpg"));
    const WriteResult unwritten = WriteJpegFile(dib, missing, 90), blank = WriteJpegFile(empty, none, 90);
    EXPECT_TRUE(!unwritten && !blank && !unwritten.detail.isEmpty());
    EXPECT_EQ(unwritten.message, QStringLiteral("Impossibile scrivere il file %1.").arg(missing));
    EXPECT_EQ(blank.message, QStringLiteral("Nessuna immagine da scrivere in %1.").arg(none));
    EXPECT_FALSE(QFile::exists(missing) || QFile::exists(none));
}

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

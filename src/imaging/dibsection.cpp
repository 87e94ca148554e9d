// The pixel buffer of cDIBSection. A section either holds width x height padded 24-bit rows or
// nothing (a failed Create leaves it empty, never half made); buffers are limited to 2 GiB and
// allocated without throwing. CreateByPainting paints upside down into the same memory as 32-bit
// pixels and packs each row down in place, so a page is never held twice; copies in and out clip
// to both images, and the padding bytes are always zero.

#include "imaging/dibsection.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <new>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

// Packing 32-bit pixels into 24-bit ones below relies on their byte order in memory.
static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN);

namespace qrn {

namespace {

// Packs a row of 32-bit pixels (blue, green, red, unused in memory) to 24-bit ones, in place or
// towards lower addresses (dst <= src): each group is read before anything is written over it.
// Qt's own conversion writes a second image and takes over twice as long as this.
void packRowPlain(const unsigned char *src, unsigned char *dst, int width)
{
    int x = 0;
    // Four pixels make three 32-bit words.
    for (; x + 4 <= width; x += 4, src += 16, dst += 12) {
        quint32 p[4];
        std::memcpy(p, src, 16);
        const quint32 w0 = (p[0] & 0xFFFFFFu) | (p[1] << 24);
        const quint32 w1 = ((p[1] >> 8) & 0xFFFFu) | (p[2] << 16);
        const quint32 w2 = ((p[2] >> 16) & 0xFFu) | (p[3] << 8);
        std::memcpy(dst, &w0, 4);
        std::memcpy(dst + 4, &w1, 4);
        std::memcpy(dst + 8, &w2, 4);
    }
    for (; x < width; ++x, src += 4, dst += 3) {
        quint32 p;
        std::memcpy(&p, src, 4);
        dst[0] = quint8(p);
        dst[1] = quint8(p >> 8);
        dst[2] = quint8(p >> 16);
    }
}

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
// The same with one byte shuffle per four pixels. The 16-byte store reaches 4 bytes into the
// next group's place, so it is used only while a next group follows (whose source lies further on).
__attribute__((target("ssse3"))) void packRowSsse3(const unsigned char *src, unsigned char *dst, int width)
{
    const __m128i order = _mm_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
    int x = 0;
    for (; x + 8 <= width; x += 4, src += 16, dst += 12) {
        const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i *>(src));
        _mm_storeu_si128(reinterpret_cast<__m128i *>(dst), _mm_shuffle_epi8(p, order));
    }
    packRowPlain(src, dst, width - x);
}

void packRow(const unsigned char *src, unsigned char *dst, int width)
{
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3)
        packRowSsse3(src, dst, width);
    else
        packRowPlain(src, dst, width);
}
#else
void packRow(const unsigned char *src, unsigned char *dst, int width)
{
    packRowPlain(src, dst, width);
}
#endif

} // namespace

bool cDIBSection::Create(int width, int height)
{
    ClearUp();
    if (width <= 0 || height <= 0)
        return false;
    const qint64 stride = (qint64(width) * 3 + 3) & ~qint64(3);
    const qint64 size = stride * height;
    if (size > qint64(1) << 31)
        return false;
    m_bits.reset(new (std::nothrow) unsigned char[size_t(size)]());
    if (!m_bits)
        return false;
    m_width = width;
    m_height = height;
    return true;
}

void cDIBSection::CreateFromPicture(const QImage &picture)
{
    if (!Create(picture.width(), picture.height()))
        return;
    LoadPictureBlt(picture);
}

bool cDIBSection::CreateByPainting(int width, int height, const std::function<void(QPainter &)> &paint)
{
    ClearUp();
    if (width <= 0 || height <= 0)
        return false;
    // The painter draws 32-bit pixels, its fast format; the memory has room for them (four
    // bytes a pixel is never less than a padded 24-bit row).
    const qint64 paintStride = qint64(width) * 4;
    const qint64 size = paintStride * height;
    if (size > qint64(1) << 31)
        return false;
    m_bits.reset(new (std::nothrow) unsigned char[size_t(size)]);
    if (!m_bits)
        return false;
    m_width = width;
    m_height = height;
    {
        QImage canvas(m_bits.get(), width, height, qsizetype(paintStride), QImage::Format_RGB32);
        canvas.fill(Qt::white);
        QPainter painter(&canvas);
        // Drawn upside down, so that the first row in memory is the bottom of the image.
        painter.translate(0, height);
        painter.scale(1, -1);
        paint(painter);
    }
    const int stride = BytesPerScanLine();
    for (int y = 0; y < height; ++y) {
        unsigned char *row = m_bits.get() + qint64(y) * stride;
        packRow(m_bits.get() + y * paintStride, row, width);
        std::memset(row + width * 3, 0, size_t(PadBytes()));
    }
    return true;
}

void cDIBSection::LoadPictureBlt(const QImage &source, int srcLeft, int srcTop, int srcWidth, int srcHeight)
{
    if (!m_bits || source.isNull())
        return;
    const int w = srcWidth < 0 ? m_width : srcWidth;
    const int h = srcHeight < 0 ? m_height : srcHeight;
    // The copied block: inside the section, and inside the source.
    const int x0 = std::max(0, -srcLeft), y0 = std::max(0, -srcTop);
    const int x1 = std::min({w, m_width, source.width() - srcLeft});
    const int y1 = std::min({h, m_height, source.height() - srcTop});
    if (x1 <= x0 || y1 <= y0)
        return;
    const QImage block =
        source.copy(srcLeft + x0, srcTop + y0, x1 - x0, y1 - y0).convertToFormat(QImage::Format_BGR888);
    const int stride = BytesPerScanLine();
    for (int y = y0; y < y1; ++y) {
        unsigned char *row = m_bits.get() + qint64(m_height - 1 - y) * stride + x0 * 3;
        std::memcpy(row, block.constScanLine(y - y0), size_t(x1 - x0) * 3);
    }
}

void cDIBSection::ClearUp()
{
    m_bits.reset();
    m_width = m_height = 0;
}

QImage cDIBSection::toImage() const
{
    if (!m_bits)
        return QImage();
    QImage img(m_width, m_height, QImage::Format_BGR888);
    const int stride = BytesPerScanLine();
    for (int y = 0; y < m_height; ++y)
        std::memcpy(img.scanLine(y), m_bits.get() + qint64(m_height - 1 - y) * stride, size_t(m_width) * 3);
    return img;
}

} // namespace qrn

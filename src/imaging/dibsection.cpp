#include "imaging/dibsection.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace qrn {

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

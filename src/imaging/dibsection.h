#pragma once
// cDIBSection: an off-screen 24-bit bitmap held as a plain pixel buffer. Pixels are three bytes
// in blue, green, red order; rows run bottom-up (the first row in memory is the bottom row of the
// image) and each row takes BytesPerScanLine bytes, width x 3 rounded up to a multiple of 4.

#include <QImage>
#include <functional>
#include <memory>

class QPainter;

namespace qrn {

class cDIBSection {
public:
    cDIBSection() = default;
    ~cDIBSection() { ClearUp(); }
    cDIBSection(const cDIBSection &) = delete;
    cDIBSection &operator=(const cDIBSection &) = delete;

    // Releases any earlier image and makes a zeroed one of this size; false (and empty) when the
    // size is not positive or the memory cannot be had.
    bool Create(int width, int height);
    // Makes an image of the picture's size and copies the picture into it.
    void CreateFromPicture(const QImage &picture);
    // Makes an image of this size drawn by paint straight into the section's own memory (which
    // starts white), the right way up; false (and empty) as Create. No second image is made and
    // the pixels are not copied.
    bool CreateByPainting(int width, int height, const std::function<void(QPainter &)> &paint);
    // Copies the source from (srcLeft, srcTop) into the image at (0, 0); a negative width or
    // height means the image's own width or height. Pixels the source does not cover are left as they are.
    void LoadPictureBlt(const QImage &source, int srcLeft = 0, int srcTop = 0, int srcWidth = -1, int srcHeight = -1);
    void ClearUp();

    int Width() const { return m_width; }
    int Height() const { return m_height; }
    int BytesPerScanLine() const { return (m_width * 3 + 3) & ~3; }
    // Bytes at the end of each row beyond the pixels.
    int PadBytes() const { return BytesPerScanLine() - m_width * 3; }
    unsigned char *DIBSectionBitsPtr() { return m_bits.get(); }
    const unsigned char *DIBSectionBitsPtr() const { return m_bits.get(); }
    bool isEmpty() const { return !m_bits; }

    // The image as a top-down picture (a copy), for showing and checking.
    QImage toImage() const;

private:
    std::unique_ptr<unsigned char[]> m_bits;
    int m_width = 0;
    int m_height = 0;
};

} // namespace qrn

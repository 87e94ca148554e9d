#include "imaging/jpegwriter.h"

#include "imaging/dibsection.h"
#include "shell/prompt.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <turbojpeg.h>

namespace qrn {

JpegJob jpegJob(const cDIBSection &section, int quality)
{
    JpegJob job;
    job.bits = section.DIBSectionBitsPtr();
    job.width = section.Width();
    job.pitch = section.BytesPerScanLine();
    job.height = section.Height();
    job.pixelFormat = TJPF_BGR;
    job.flags = TJFLAG_BOTTOMUP;
    job.quality = quality;
    return job;
}

bool setJfifDensity(unsigned char *jpeg, unsigned long size, double dotsPerInch)
{
    // Start of image, then the APP0 segment: FF E0, its length, "JFIF" and a zero byte, the
    // version (two bytes), the units, the horizontal and the vertical density (two bytes each,
    // high byte first).
    static const unsigned char head[] = {0xFF, 0xD8, 0xFF, 0xE0};
    if (!jpeg || size < 18 || std::memcmp(jpeg, head, 4) != 0 || std::memcmp(jpeg + 6, "JFIF", 5) != 0)
        return false;
    const long density = std::clamp(std::lround(dotsPerInch), 1L, 65535L);
    jpeg[13] = 1; // dots per inch
    jpeg[14] = jpeg[16] = static_cast<unsigned char>(density >> 8);
    jpeg[15] = jpeg[17] = static_cast<unsigned char>(density & 0xFF);
    return true;
}

bool WriteJpegFile(const cDIBSection &section, const QString &fileName, int quality, Prompt *prompt,
                   double dotsPerInch)
{
    auto warn = [prompt](const QString &text) {
        if (prompt)
            prompt->message(text, QString(), Icon::Exclamation);
    };
    tjhandle handle = tjInitCompress();
    if (!handle) {
        warn(QStringLiteral("Failed to initialise the IJL library: %1").arg(tjGetErrorCode(nullptr)));
        return false;
    }
    const JpegJob job = jpegJob(section, quality);
    // The output buffer made once at its largest possible size, rather than grown and copied
    // while the encoder writes.
    unsigned long size = job.bits ? tjBufSize(job.width, job.height, TJSAMP_420) : 0;
    unsigned char *jpeg = size && size <= (1ul << 31) - 1 ? tjAlloc(int(size)) : nullptr;
    bool ok = jpeg
        && tjCompress2(handle, job.bits, job.width, job.pitch, job.height, job.pixelFormat, &jpeg, &size, TJSAMP_420,
                       job.quality, job.flags | TJFLAG_NOREALLOC)
            == 0;
    if (ok && dotsPerInch > 0)
        setJfifDensity(jpeg, size, dotsPerInch);
    if (ok) {
        // An existing file is written over and then cut to the new length, not emptied first:
        // a file emptied and written again is sent to the disk on closing (ext4 does so to
        // protect replaced files), which costs more than the compression itself.
        // A file that may be written but not read is emptied after all.
        QFile out(fileName);
        const bool opened = out.open(QIODevice::ReadWrite | QIODevice::Unbuffered)
            || out.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
        ok = opened && out.write(reinterpret_cast<const char *>(jpeg), qint64(size)) == qint64(size)
            && out.resize(qint64(size));
        out.close();
        // A partly written file is not left behind.
        if (opened && !ok)
            out.remove();
    }
    tjFree(jpeg);
    tjDestroy(handle);
    if (!ok)
        warn(QStringLiteral("Failed to save to JPG"));
    return ok;
}

} // namespace qrn

#include "imaging/jpegwriter.h"

#include "imaging/dibsection.h"

#include <QIODevice>
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

WriteResult WriteJpegFile(const cDIBSection &section, const QString &fileName, int quality, double dotsPerInch)
{
    const JpegJob job = jpegJob(section, quality);
    if (!job.bits)
        return WriteResult::failed(QStringLiteral("Nessuna immagine da scrivere in %1.").arg(fileName));
    tjhandle handle = tjInitCompress();
    if (!handle)
        return WriteResult::failed(QStringLiteral("Impossibile avviare la compressione JPEG."),
                                   QString::fromLocal8Bit(tjGetErrorStr2(nullptr)));
    // The output buffer made once at its largest possible size, rather than grown and copied
    // while the encoder writes.
    unsigned long size = tjBufSize(job.width, job.height, TJSAMP_420);
    unsigned char *jpeg = size && size <= (1ul << 31) - 1 ? tjAlloc(int(size)) : nullptr;
    WriteResult result;
    if (!jpeg) {
        result = WriteResult::failed(QStringLiteral("Memoria insufficiente per l'immagine JPEG %1.").arg(fileName));
    } else if (tjCompress2(handle, job.bits, job.width, job.pitch, job.height, job.pixelFormat, &jpeg, &size,
                           TJSAMP_420, job.quality, job.flags | TJFLAG_NOREALLOC)
               != 0) {
        result = WriteResult::failed(QStringLiteral("Compressione JPEG non riuscita per %1.").arg(fileName),
                                     QString::fromLocal8Bit(tjGetErrorStr2(handle)));
    } else {
        if (dotsPerInch > 0)
            setJfifDensity(jpeg, size, dotsPerInch);
        result = writeWholeFile(fileName, [&](QIODevice &out, QString &) {
            return out.write(reinterpret_cast<const char *>(jpeg), qint64(size)) == qint64(size);
        });
    }
    tjFree(jpeg);
    tjDestroy(handle);
    return result;
}

} // namespace qrn

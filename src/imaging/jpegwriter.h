#pragma once
// WriteJpegFile: writes a cDIBSection as a JPEG file through TurboJPEG, reading the pixel memory
// in place (blue-green-red, rows bottom-up, padded to 4 bytes), so the file comes out the right
// way up without a copy of the image.

#include "shell/filewrite.h"

#include <QString>

namespace qrn {

class cDIBSection;

// What the encoder is handed: the section's own memory and layout and the quality.
struct JpegJob {
    const unsigned char *bits = nullptr;
    int width = 0;
    int pitch = 0; // bytes per row, padding included
    int height = 0;
    int pixelFormat = 0;
    int flags = 0;
    int quality = 0;
};
JpegJob jpegJob(const cDIBSection &section, int quality);

// Writes the file whole (through a file beside it renamed at the end) or leaves the earlier file
// as it was. The result tells the caller what to say: an encoder that cannot start, a section
// with no image or a file that cannot be written, each in Italian, with the encoder's or the
// system's words as detail. dotsPerInch, when positive, is written as the image's resolution
// (JFIF density in dots per inch); otherwise the file declares none.
WriteResult WriteJpegFile(const cDIBSection &section, const QString &fileName, int quality, double dotsPerInch = 0);

// Writes the resolution into the JFIF header at the start of a JPEG in memory: units dots per
// inch, both densities dotsPerInch rounded into 1..65535. False (nothing changed) when the data
// do not start with a JFIF header.
bool setJfifDensity(unsigned char *jpeg, unsigned long size, double dotsPerInch);

} // namespace qrn

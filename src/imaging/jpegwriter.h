#pragma once
// WriteJpegFile: writes a cDIBSection as a JPEG file through TurboJPEG, reading the pixel memory
// in place (blue-green-red, rows bottom-up, padded to 4 bytes), so the file comes out the right
// way up without a copy of the image.

#include <QString>

namespace qrn {

class cDIBSection;
class Prompt;

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

// True only when the file was written. An encoder that cannot start shows "Failed to initialise
// the IJL library: " and its code, any other failure "Failed to save to JPG", both as
// exclamation messages through prompt (when given).
// dotsPerInch, when positive, is written as the image's resolution (JFIF density in dots per
// inch); otherwise the file declares none.
bool WriteJpegFile(const cDIBSection &section, const QString &fileName, int quality, Prompt *prompt,
                   double dotsPerInch = 0);

// Writes the resolution into the JFIF header at the start of a JPEG in memory: units dots per
// inch, both densities dotsPerInch rounded into 1..65535. False (nothing changed) when the data
// do not start with a JFIF header.
bool setJfifDensity(unsigned char *jpeg, unsigned long size, double dotsPerInch);

} // namespace qrn

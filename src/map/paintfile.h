#pragma once
// A drawing written to a file chosen by its extension: .svg or .pdf as vectors, .png, .jpg or
// .bmp as pixels.

#include "shell/filewrite.h"

#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>

class QPainter;

namespace qrn::map {

// paint draws into the rectangle it is given, which has size pixels (the PDF page and the SVG
// canvas are size at svgDpi / 96 dots per inch, antialiased). The file is written whole or not
// at all; a failure says why in Italian (a size or a format not handled, a file that cannot be
// written) with the system's words as detail.
WriteResult paintToFile(const QString &path, QSize size, const std::function<void(QPainter &, const QRectF &)> &paint,
                        int svgDpi = 96);

} // namespace qrn::map

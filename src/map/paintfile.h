#pragma once
// A drawing written to a file chosen by its extension: .svg or .pdf as vectors, .png, .jpg or
// .bmp as pixels.

#include <QRectF>
#include <QSize>
#include <QString>
#include <functional>

class QPainter;

namespace qrn::map {

// paint draws into the rectangle it is given, which has size pixels (the PDF page and the SVG
// canvas are size at svgDpi / 96 dots per inch, antialiased). False with the reason in error
// (Italian) when the format is not handled or the file cannot be written.
bool paintToFile(const QString &path, QSize size, const std::function<void(QPainter &, const QRectF &)> &paint,
                 QString *error = nullptr, int svgDpi = 96);

} // namespace qrn::map

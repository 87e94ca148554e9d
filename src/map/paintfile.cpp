#include "map/paintfile.h"

#include "layout/svgtext.h"

#include <QFileInfo>
#include <QIODevice>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace qrn::map {

WriteResult paintToFile(const QString &path, QSize size, const std::function<void(QPainter &, const QRectF &)> &paint,
                        int svgDpi)
{
    if (size.isEmpty())
        return WriteResult::failed(QStringLiteral("Dimensioni della mappa non valide"));
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("svg"))
        return writeWholeFile(path, [&](QIODevice &out, QString &) {
            QSvgGenerator svg;
            svg.setOutputDevice(&out);
            svg.setSize(size);
            svg.setViewBox(QRect(QPoint(0, 0), size));
            svg.setResolution(svgDpi);
            setSvgTexts(svg, QStringLiteral("Mappa"), QString());
            QPainter p;
            if (!p.begin(&svg))
                return false;
            p.setRenderHint(QPainter::Antialiasing);
            paint(p, QRectF(QPointF(0, 0), size));
            return p.end();
        });
    if (ext == QLatin1String("pdf"))
        return writeWholeFile(path, [&](QIODevice &out, QString &) {
            QPdfWriter pdf(&out);
            pdf.setResolution(96);
            pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96), QPageSize::Point));
            pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
            QPainter p;
            if (!p.begin(&pdf))
                return false;
            p.setRenderHint(QPainter::Antialiasing);
            paint(p, QRectF(0, 0, pdf.width(), pdf.height()));
            return p.end();
        });
    if (ext != QLatin1String("png") && ext != QLatin1String("jpg") && ext != QLatin1String("jpeg")
        && ext != QLatin1String("bmp"))
        return WriteResult::failed(QStringLiteral("Formato di file non gestito: %1").arg(path));
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(QPointF(0, 0), size));
    }
    const QByteArray format = ext == QLatin1String("jpeg") ? QByteArray("JPG") : ext.toUpper().toLatin1();
    return writeWholeFile(path, [&](QIODevice &out, QString &) { return image.save(&out, format.constData()); });
}

} // namespace qrn::map

#include "map/paintfile.h"

#include "layout/svgtext.h"

#include <QFileInfo>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>

namespace qrn::map {

bool paintToFile(const QString &path, QSize size, const std::function<void(QPainter &, const QRectF &)> &paint,
                 QString *error, int svgDpi)
{
    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        return false;
    };
    if (size.isEmpty())
        return fail(QStringLiteral("Dimensioni della mappa non valide"));
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("svg")) {
        QSvgGenerator svg;
        svg.setFileName(path);
        svg.setSize(size);
        svg.setViewBox(QRect(QPoint(0, 0), size));
        svg.setResolution(svgDpi);
        setSvgTexts(svg, QStringLiteral("Mappa"), QString());
        QPainter p;
        if (!p.begin(&svg))
            return fail(QStringLiteral("Impossibile scrivere il file %1").arg(path));
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(QPointF(0, 0), size));
        p.end();
        return QFileInfo::exists(path) ? true : fail(QStringLiteral("Impossibile scrivere il file %1").arg(path));
    }
    if (ext == QLatin1String("pdf")) {
        QPdfWriter pdf(path);
        pdf.setResolution(96);
        pdf.setPageSize(QPageSize(QSizeF(size.width() * 72.0 / 96, size.height() * 72.0 / 96), QPageSize::Point));
        pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
        QPainter p;
        if (!p.begin(&pdf))
            return fail(QStringLiteral("Impossibile scrivere il file %1").arg(path));
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(0, 0, pdf.width(), pdf.height()));
        p.end();
        return true;
    }
    if (ext != QLatin1String("png") && ext != QLatin1String("jpg") && ext != QLatin1String("jpeg")
        && ext != QLatin1String("bmp"))
        return fail(QStringLiteral("Formato di file non gestito: %1").arg(path));
    QImage image(size, QImage::Format_RGB32);
    {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        paint(p, QRectF(QPointF(0, 0), size));
    }
    if (!image.save(path))
        return fail(QStringLiteral("Impossibile scrivere il file %1").arg(path));
    return true;
}

} // namespace qrn::map

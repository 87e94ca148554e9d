#include "background.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>

#include <turbojpeg.h>

#include <algorithm>
#include <fstream>
#include <memory>
#include <stdexcept>

namespace quarnaro::geogen {

namespace {

struct Frame {
    double scale = 1, offX = 0, offY = 0;
    QPointF map(const XY &p) const { return {offX + p.x * scale, offY - p.y * scale}; }
};

QPainterPath toPath(const Outline &o, const Frame &f)
{
    QPainterPath path;
    path.setFillRule(Qt::OddEvenFill);
    for (const PolygonRings &poly : o)
        for (const auto &ring : poly.rings) {
            if (ring.empty())
                continue;
            path.moveTo(f.map(ring.front()));
            for (std::size_t i = 1; i < ring.size(); ++i)
                path.lineTo(f.map(ring[i]));
            path.closeSubpath();
        }
    return path;
}

} // namespace

QImage renderBackground(const std::vector<Outline> &regions, const std::vector<Outline> &provinces, QSize size)
{
    QImage img(size, QImage::Format_RGB32);
    if (img.isNull())
        throw std::runtime_error("cannot allocate the background picture");

    // Extent of the country.
    double minX = 1e300, minY = 1e300, maxX = -1e300, maxY = -1e300;
    for (const Outline &o : regions)
        for (const PolygonRings &poly : o)
            for (const XY &p : poly.rings.front()) {
                minX = std::min(minX, p.x);
                maxX = std::max(maxX, p.x);
                minY = std::min(minY, p.y);
                maxY = std::max(maxY, p.y);
            }
    if (minX > maxX)
        throw std::runtime_error("nothing to draw in the background picture");

    const double margin = size.height() * 0.05;
    const double availH = size.height() - 2 * margin;
    const double availW = size.width() * 0.62 - margin;
    Frame f;
    f.scale = std::min(availH / (maxY - minY), availW / (maxX - minX));
    const double drawnW = (maxX - minX) * f.scale;
    const double drawnH = (maxY - minY) * f.scale;
    const double left = size.width() - margin - availW + (availW - drawnW) / 2.0;
    const double top = (size.height() - drawnH) / 2.0;
    f.offX = left - minX * f.scale;
    f.offY = top + maxY * f.scale;

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);

    // Sea: a pale vertical gradient with a lighter glow behind the country.
    QLinearGradient sea(0, 0, 0, size.height());
    sea.setColorAt(0.0, QColor(233, 240, 245));
    sea.setColorAt(1.0, QColor(220, 232, 240));
    p.fillRect(img.rect(), sea);
    QRadialGradient glow(QPointF(left + drawnW / 2, top + drawnH / 2), drawnH * 0.75);
    glow.setColorAt(0.0, QColor(246, 249, 251, 200));
    glow.setColorAt(1.0, QColor(246, 249, 251, 0));
    p.fillRect(img.rect(), glow);

    QPainterPath land;
    land.setFillRule(Qt::WindingFill);
    std::vector<QPainterPath> regionPaths;
    for (const Outline &o : regions) {
        regionPaths.push_back(toPath(o, f));
        land.addPath(regionPaths.back());
    }

    // Soft shadow: the land drawn a few times, slightly offset, very transparent.
    p.setPen(Qt::NoPen);
    for (int k = 6; k >= 1; --k) {
        p.setBrush(QColor(150, 170, 185, 10));
        p.drawPath(land.translated(k * 1.2, k * 1.6));
    }

    // Coastal halo: a wide, faint stroke of the coastline.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(255, 255, 255, 120), 7.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(land);

    // Land with a gentle north-south warmth.
    QLinearGradient earth(0, top, 0, top + drawnH);
    earth.setColorAt(0.0, QColor(244, 245, 238));
    earth.setColorAt(1.0, QColor(250, 245, 232));
    p.setPen(Qt::NoPen);
    p.setBrush(earth);
    for (const QPainterPath &rp : regionPaths)
        p.drawPath(rp);

    // Province borders, then region borders, both light.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(222, 222, 212), 0.6));
    for (const Outline &o : provinces)
        p.drawPath(toPath(o, f));
    p.setPen(QPen(QColor(200, 206, 204), 1.0));
    for (const QPainterPath &rp : regionPaths)
        p.drawPath(rp);
    p.setPen(QPen(QColor(176, 194, 206), 1.1));
    p.drawPath(land);
    p.end();
    return img;
}

void writeJpeg(const QImage &image, const std::filesystem::path &file, int quality)
{
    const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
    std::unique_ptr<void, int (*)(tjhandle)> tj(tjInitCompress(), tjDestroy);
    if (!tj)
        throw std::runtime_error("cannot start the JPEG encoder");
    unsigned char *buf = nullptr;
    unsigned long size = 0;
    // Format_RGB32 holds 0xffRRGGBB words: B, G, R, X in memory on little-endian
    // machines, X, R, G, B on big-endian ones.
    const int pixelFormat = (QSysInfo::ByteOrder == QSysInfo::LittleEndian) ? TJPF_BGRX : TJPF_XRGB;
    if (tjCompress2(tj.get(), rgb.constBits(), rgb.width(), int(rgb.bytesPerLine()), rgb.height(), pixelFormat, &buf,
                    &size, TJSAMP_420, quality, TJFLAG_ACCURATEDCT)
        != 0) {
        const std::string msg = tjGetErrorStr2(tj.get());
        tjFree(buf);
        throw std::runtime_error("JPEG encoding failed: " + msg);
    }
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char *>(buf), std::streamsize(size));
    tjFree(buf);
    if (!out)
        throw std::runtime_error("cannot write " + file.string());
}

} // namespace quarnaro::geogen

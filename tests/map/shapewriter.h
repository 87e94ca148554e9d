#pragma once
// Writes small shape files for the map tests: polygons, lines or points with one text field.

#include <QByteArray>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <vector>

namespace qrn::test {

using Ring = std::vector<QPointF>;

struct TestFeature {
    std::vector<Ring> parts; // rings of a polygon, parts of a line, or one point
    QByteArray code; // raw bytes of the text field
};

// shpType: a shapelib type (SHPT_POLYGON, SHPT_ARC, SHPT_POINT). codePage as DBFCreateEx takes
// it: "UTF-8" or "1252" write a .cpg file, "LDID/87" a language mark, "" neither.
void writeShapes(const QString &stem, int shpType, const std::vector<TestFeature> &features,
                 const char *codePage = "UTF-8", const char *field = "CODE");

// An axis-aligned square ring, clockwise as shape files keep outer rings.
Ring square(double x, double y, double side);

// The WKT of an EPSG reference system, as a .prj file holds it.
QByteArray epsgWkt(int epsg);

// A pixel of the path with the 10-pixel square around it inside the path, or (-1, -1).
inline QPoint pointWellInside(const QPainterPath &path)
{
    const QRect box = path.boundingRect().toRect();
    for (int y = box.top(); y <= box.bottom(); y += 2)
        for (int x = box.left(); x <= box.right(); x += 2)
            if (path.contains(QRectF(x - 5, y - 5, 10, 10)))
                return {x, y};
    return {-1, -1};
}

} // namespace qrn::test

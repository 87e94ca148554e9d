#include "shapewriter.h"

#include <QFile>
#include <cpl_conv.h>
#include <ogr_spatialref.h>
#include <shapefil.h>
#include <stdexcept>

namespace qrn::test {

Ring square(double x, double y, double side)
{
    return {{x, y}, {x, y + side}, {x + side, y + side}, {x + side, y}, {x, y}};
}

QByteArray epsgWkt(int epsg)
{
    OGRSpatialReference srs;
    srs.importFromEPSG(epsg);
    char *wkt = nullptr;
    srs.exportToWkt(&wkt);
    const QByteArray text(wkt);
    CPLFree(wkt);
    return text;
}

void writeShapes(const QString &stem, int shpType, const std::vector<TestFeature> &features, const char *codePage,
                 const char *field)
{
    const QByteArray s = QFile::encodeName(stem);
    SHPHandle shp = SHPCreate(s.constData(), shpType);
    DBFHandle dbf = DBFCreateEx((s + ".dbf").constData(), codePage);
    if (!shp || !dbf)
        throw std::runtime_error("cannot create test shapes");
    DBFAddField(dbf, field, FTString, 40, 0);
    int record = 0;
    for (const TestFeature &f : features) {
        std::vector<double> x, y;
        std::vector<int> starts;
        for (const Ring &r : f.parts) {
            starts.push_back(int(x.size()));
            for (const QPointF &p : r)
                x.push_back(p.x()), y.push_back(p.y());
        }
        SHPObject *o = SHPCreateObject(shpType, -1, int(starts.size()), starts.data(), nullptr, int(x.size()), x.data(),
                                       y.data(), nullptr, nullptr);
        SHPWriteObject(shp, -1, o);
        SHPDestroyObject(o);
        DBFWriteStringAttribute(dbf, record++, 0, f.code.constData());
    }
    SHPClose(shp);
    DBFClose(dbf);
}

} // namespace qrn::test

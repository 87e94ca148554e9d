#include "municipal.h"

#include <QFile>
#include <QRandomGenerator>
#include <geos_c.h>
#include <shapefil.h>

#include <cmath>
#include <vector>

namespace qrn::test {

using qrn::map::ShapeLayer;

std::pair<int, long> writeMunicipal(const ShapeLayer &src, const QString &stem, double cell, double step)
{
    GEOSContextHandle_t ctx = GEOS_init_r();
    SHPHandle shp = SHPCreate(QFile::encodeName(stem).constData(), SHPT_POLYGON);
    DBFHandle dbf = DBFCreateEx(QFile::encodeName(stem + QStringLiteral(".dbf")).constData(), "UTF-8");
    DBFAddField(dbf, "COD_COM", FTInteger, 6, 0);
    DBFAddField(dbf, "DEN_TERR", FTString, 30, 0);
    QRandomGenerator rng(8000);
    int features = 0;
    long vertices = 0;
    for (int f = 0; f < src.featureCount(); ++f) {
        for (int p = src.partBegin(f); p < src.partEnd(f); ++p) {
            if (src.partSize(p) < 4)
                continue;
            GEOSCoordSequence *seq = GEOSCoordSeq_create_r(ctx, unsigned(src.partSize(p)), 2);
            for (int i = 0; i < src.partSize(p); ++i)
                GEOSCoordSeq_setXY_r(ctx, seq, unsigned(i), src.partPoints(p)[i].x(), src.partPoints(p)[i].y());
            GEOSGeometry *ring = GEOSGeom_createPolygon_r(ctx, GEOSGeom_createLinearRing_r(ctx, seq), nullptr, 0);
            GEOSGeometry *poly = GEOSMakeValid_r(ctx, ring);
            GEOSGeom_destroy_r(ctx, ring);
            double x0, y0, x1, y1;
            GEOSGeom_getXMin_r(ctx, poly, &x0), GEOSGeom_getYMin_r(ctx, poly, &y0);
            GEOSGeom_getXMax_r(ctx, poly, &x1), GEOSGeom_getYMax_r(ctx, poly, &y1);
            for (double x = std::floor(x0 / cell) * cell; x < x1; x += cell) {
                for (double y = std::floor(y0 / cell) * cell; y < y1; y += cell) {
                    GEOSGeometry *box = GEOSGeom_createRectangle_r(ctx, x, y, x + cell, y + cell);
                    GEOSGeometry *piece = GEOSIntersection_r(ctx, poly, box);
                    GEOSGeom_destroy_r(ctx, box);
                    GEOSGeometry *dense = piece ? GEOSDensify_r(ctx, piece, step) : nullptr;
                    const int n = dense ? GEOSGetNumGeometries_r(ctx, dense) : 0;
                    std::vector<double> xs, ys;
                    std::vector<int> starts;
                    for (int g = 0; g < n; ++g) {
                        const GEOSGeometry *part = GEOSGetGeometryN_r(ctx, dense, g);
                        if (GEOSGeomTypeId_r(ctx, part) != GEOS_POLYGON)
                            continue;
                        const GEOSCoordSequence *cs = GEOSGeom_getCoordSeq_r(ctx, GEOSGetExteriorRing_r(ctx, part));
                        unsigned size = 0;
                        GEOSCoordSeq_getSize_r(ctx, cs, &size);
                        starts.push_back(int(xs.size()));
                        for (unsigned i = 0; i < size; ++i) {
                            double cx, cy;
                            GEOSCoordSeq_getXY_r(ctx, cs, i, &cx, &cy);
                            const bool end = i == 0 || i + 1 == size;
                            xs.push_back(cx + (end ? 0 : (rng.generateDouble() - 0.5) * step / 5));
                            ys.push_back(cy + (end ? 0 : (rng.generateDouble() - 0.5) * step / 5));
                        }
                    }
                    if (!xs.empty()) {
                        SHPObject *o = SHPCreateObject(SHPT_POLYGON, -1, int(starts.size()), starts.data(), nullptr,
                                                       int(xs.size()), xs.data(), ys.data(), nullptr, nullptr);
                        SHPWriteObject(shp, -1, o);
                        SHPDestroyObject(o);
                        DBFWriteIntegerAttribute(dbf, features, 0, features + 1);
                        DBFWriteStringAttribute(dbf, features, 1,
                                                QStringLiteral("Comune %1").arg(features + 1).toUtf8().constData());
                        ++features;
                        vertices += long(xs.size());
                    }
                    if (dense)
                        GEOSGeom_destroy_r(ctx, dense);
                    if (piece)
                        GEOSGeom_destroy_r(ctx, piece);
                }
            }
            GEOSGeom_destroy_r(ctx, poly);
        }
    }
    SHPClose(shp);
    DBFClose(dbf);
    GEOS_finish_r(ctx);
    return {features, vertices};
}

} // namespace qrn::test

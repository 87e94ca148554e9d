// Reading a layer into plain vertex arrays: shape files through shapelib with in-memory file hooks
// (each file read once on opening; a file opened for writing is refused), every other vector
// format through GDAL/OGR, registered once per process with its messages kept for error(). A
// layer that fails to load or reproject is invalidated whole (no partial vertices stay), and a
// reprojection drops the spatial index and the simplified copies, which are rebuilt on first use.
// Nothing here writes a file.

#include "map/shapelayer.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <cpl_conv.h>
#include <cpl_error.h>
#include <gdal.h>
#include <geos_c.h>
#include <ogr_spatialref.h>
#include <ogrsf_frmts.h>
#include <shapefil.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <mutex>

namespace qrn::map {

int shapeTypeCode(ShapeKind kind)
{
    switch (kind) {
    case ShapeKind::Point:
        return 21;
    case ShapeKind::Line:
        return 22;
    case ShapeKind::Polygon:
        return 23;
    }
    return 0;
}

namespace {

// The text of the .prj of the layer at stem, empty when there is none.
QByteArray prjText(const QString &stem)
{
    for (const char *ext : {".prj", ".PRJ", ".Prj"}) {
        QFile f(stem + QLatin1String(ext));
        if (f.open(QIODevice::ReadOnly))
            return f.read(1 << 16).trimmed();
    }
    return {};
}

// Whether a WKT describes a geographic system. The WKT of a projected system (version 1 or 2)
// names its geographic base inside, so it is told apart first.
bool wktIsGeographic(const QByteArray &text)
{
    const QByteArray wkt = text.toUpper();
    for (const char *projected : {"PROJCS[", "PROJCRS[", "PROJECTEDCRS["})
        if (wkt.contains(projected))
            return false;
    for (const char *geographic : {"GEOGCS[", "GEOGCRS[", "GEOGRAPHICCRS[", "GEODCRS[", "GEODETICCRS["})
        if (wkt.contains(geographic))
            return true;
    return false;
}

} // namespace

QString codePageName(const QString &cpgOrMark)
{
    const QString t = cpgOrMark.trimmed().toUpper();
    static const QRegularExpression ldid(QStringLiteral("^LDID/(\\d+)$"));
    if (const auto m = ldid.match(t); m.hasMatch()) {
        switch (m.captured(1).toInt()) {
        case 0x01:
            return QStringLiteral("IBM437");
        case 0x02:
            return QStringLiteral("IBM850");
        case 0x03:
        case 0x57:
        case 0x58:
        case 0x59:
            return QStringLiteral("windows-1252");
        case 0x64:
            return QStringLiteral("IBM852");
        case 0x65:
            return QStringLiteral("IBM866");
        case 0xC8:
            return QStringLiteral("windows-1250");
        case 0xC9:
            return QStringLiteral("windows-1251");
        case 0xCA:
            return QStringLiteral("windows-1254");
        case 0xCB:
            return QStringLiteral("windows-1253");
        default:
            return QStringLiteral("ISO-8859-1");
        }
    }
    if (t.isEmpty())
        return QStringLiteral("ISO-8859-1");
    if (t == QLatin1String("UTF-8") || t == QLatin1String("UTF8"))
        return QStringLiteral("UTF-8");
    QString n = t;
    for (const char *prefix : {"ANSI ", "CP", "WINDOWS-", "WINDOWS "})
        if (n.startsWith(QLatin1String(prefix)))
            n = n.mid(int(qstrlen(prefix))).trimmed();
    static const QRegularExpression digits(QStringLiteral("^\\d+$"));
    if (digits.match(n).hasMatch()) {
        const int cp = n.toInt();
        if (cp >= 1250 && cp <= 1258)
            return QStringLiteral("windows-%1").arg(cp);
        if (cp == 88591)
            return QStringLiteral("ISO-8859-1");
        if (cp == 65001)
            return QStringLiteral("UTF-8");
        return QStringLiteral("IBM%1").arg(cp);
    }
    static const QRegularExpression iso(QStringLiteral("^(?:ISO)?[ -]?8859[ -]?(\\d+)$"));
    if (const auto m = iso.match(n); m.hasMatch())
        return QStringLiteral("ISO-8859-%1").arg(m.captured(1));
    if (QStringDecoder(cpgOrMark.trimmed().toLatin1().constData()).isValid())
        return cpgOrMark.trimmed();
    return QStringLiteral("ISO-8859-1");
}

namespace {

// shapelib reads a record with a seek and a read of its own, two system calls for every shape
// and every attribute row. These hooks read the whole file once on opening and serve the seeks
// and reads from memory. Only reading is served: a file opened to be written is refused.
struct MemoryFile {
    QByteArray bytes;
    SAOffset position = 0;
};

SAFile memoryOpen(const char *filename, const char *access)
{
    if (!access || access[0] != 'r' || std::strchr(access, '+'))
        return nullptr;
    QFile f(QFile::decodeName(filename));
    if (!f.open(QIODevice::ReadOnly))
        return nullptr;
    auto *file = new MemoryFile;
    file->bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        delete file;
        return nullptr;
    }
    return reinterpret_cast<SAFile>(file);
}

SAOffset memoryRead(void *p, SAOffset size, SAOffset count, SAFile handle)
{
    auto *file = reinterpret_cast<MemoryFile *>(handle);
    const SAOffset total = SAOffset(file->bytes.size());
    if (size == 0 || file->position >= total)
        return 0;
    // As fread: a last item cut short is copied as far as it goes, and not counted.
    const SAOffset bytes = std::min(count * size, total - file->position);
    std::memcpy(p, file->bytes.constData() + file->position, bytes);
    file->position += bytes;
    return bytes / size;
}

SAOffset memoryWrite(void *, SAOffset, SAOffset, SAFile)
{
    return 0;
}

SAOffset memorySeek(SAFile handle, SAOffset offset, int whence)
{
    auto *file = reinterpret_cast<MemoryFile *>(handle);
    const SAOffset base = whence == SEEK_CUR ? file->position : whence == SEEK_END ? SAOffset(file->bytes.size()) : 0;
    file->position = base + offset;
    return 0;
}

SAOffset memoryTell(SAFile handle)
{
    return reinterpret_cast<MemoryFile *>(handle)->position;
}

int memoryFlush(SAFile)
{
    return 0;
}

int memoryClose(SAFile handle)
{
    delete reinterpret_cast<MemoryFile *>(handle);
    return 0;
}

int memoryRemove(const char *)
{
    return -1;
}

void setUpMemoryHooks(SAHooks &hooks)
{
    SASetupDefaultHooks(&hooks);
    hooks.FOpen = memoryOpen;
    hooks.FRead = memoryRead;
    hooks.FWrite = memoryWrite;
    hooks.FSeek = memorySeek;
    hooks.FTell = memoryTell;
    hooks.FFlush = memoryFlush;
    hooks.FClose = memoryClose;
    hooks.Remove = memoryRemove;
}

struct ShpCloser {
    void operator()(SHPInfo *h) const { SHPClose(h); }
};
struct DbfCloser {
    void operator()(DBFInfo *h) const { DBFClose(h); }
};
struct ObjDestroyer {
    void operator()(SHPObject *o) const { SHPDestroyObject(o); }
};

bool kindOf(int shpType, ShapeKind &kind)
{
    switch (shpType) {
    case SHPT_POINT:
    case SHPT_POINTZ:
    case SHPT_POINTM:
    case SHPT_MULTIPOINT:
    case SHPT_MULTIPOINTZ:
    case SHPT_MULTIPOINTM:
        kind = ShapeKind::Point;
        return true;
    case SHPT_ARC:
    case SHPT_ARCZ:
    case SHPT_ARCM:
        kind = ShapeKind::Line;
        return true;
    case SHPT_POLYGON:
    case SHPT_POLYGONZ:
    case SHPT_POLYGONM:
        kind = ShapeKind::Polygon;
        return true;
    default:
        return false;
    }
}

// A number field in its plain form, so that codes compare as the data tables write them.
QString plainNumber(const QString &text, DBFFieldType type)
{
    if (text.isEmpty())
        return text;
    bool ok = false;
    if (type == FTInteger) {
        const qlonglong v = text.toLongLong(&ok);
        if (ok)
            return QString::number(v);
    }
    const double d = text.toDouble(&ok);
    if (ok && std::isfinite(d))
        return QString::number(d, 'g', 15);
    return text;
}

} // namespace

// GEOS handles for the search: a context, the tree of feature bounds, the boxes it holds.
struct ShapeLayer::Index {
    GEOSContextHandle_t ctx = nullptr;
    GEOSSTRtree *tree = nullptr;
    std::vector<GEOSGeometry *> boxes;

    Index() : ctx(GEOS_init_r()) { }
    ~Index()
    {
        if (tree)
            GEOSSTRtree_destroy_r(ctx, tree);
        for (GEOSGeometry *g : boxes)
            GEOSGeom_destroy_r(ctx, g);
        GEOS_finish_r(ctx);
    }
};

ShapeLayer::ShapeLayer() = default;
ShapeLayer::~ShapeLayer() = default;

std::pair<QString, QString> splitLayerPath(const QString &path)
{
    const qsizetype bar = path.lastIndexOf(QLatin1Char('|'));
    if (bar < 0)
        return {path, QString()};
    return {path.left(bar), path.mid(bar + 1).trimmed()};
}

std::shared_ptr<ShapeLayer> ShapeLayer::open(const QString &path)
{
    auto layer = std::make_shared<ShapeLayer>();
    layer->m_path = path;
    const auto [file, layerName] = splitLayerPath(path);
    layer->m_name = layerName.isEmpty() ? QFileInfo(file).completeBaseName() : layerName;
    const bool shapeFile = layerName.isEmpty() && QFileInfo(file).suffix().compare(QLatin1String("shp"), Qt::CaseInsensitive) == 0;
    layer->m_valid = shapeFile ? layer->load(file) : layer->loadOgr(file, layerName);
    if (!layer->m_valid)
        layer->invalidate(layer->m_error);
    return layer;
}

void ShapeLayer::invalidate(const QString &reason)
{
    m_valid = false;
    m_error = reason;
    m_featureParts.assign(1, 0);
    m_partStart.assign(1, 0);
    m_points.clear();
    m_bounds.clear();
    m_values.clear();
    m_extent = QRectF();
    m_index.reset();
    m_simplified.clear();
}

bool ShapeLayer::load(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    // The reasons go into error(); shapelib's own messages are not printed.
    SAHooks hooks;
    setUpMemoryHooks(hooks);
    hooks.Error = [](const char *) {};
    std::unique_ptr<SHPInfo, ShpCloser> shp(SHPOpenLL(file.constData(), "rb", &hooks));
    if (!shp) {
        m_error = QStringLiteral("Impossibile aprire il file %1 o il suo indice .shx").arg(path);
        return false;
    }
    int count = 0, type = 0;
    double minB[4] = {}, maxB[4] = {};
    SHPGetInfo(shp.get(), &count, &type, minB, maxB);
    if (!kindOf(type, m_kind)) {
        m_error = QStringLiteral("Tipo di forma %1 non gestito in %2").arg(type).arg(path);
        return false;
    }
    QString stem = path;
    if (stem.endsWith(QLatin1String(".shp"), Qt::CaseInsensitive))
        stem.chop(4);
    std::unique_ptr<DBFInfo, DbfCloser> dbf(
        DBFOpenLL(QFile::encodeName(stem + QStringLiteral(".dbf")).constData(), "rb", &hooks));
    if (!dbf) {
        m_error = QStringLiteral("Impossibile aprire il file %1.dbf").arg(stem);
        return false;
    }
    const int records = DBFGetRecordCount(dbf.get());
    if (records < count) {
        m_error = QStringLiteral("Il file %1.dbf ha %2 record per %3 forme").arg(stem).arg(records).arg(count);
        return false;
    }

    m_featureParts.reserve(size_t(count) + 1);
    // A vertex takes 16 bytes of the file: its size bounds the vertices, read without regrowing.
    m_points.reserve(size_t(std::max<qint64>(QFileInfo(path).size(), 0) / 16));
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<SHPObject, ObjDestroyer> obj(SHPReadObject(shp.get(), i));
        if (!obj) {
            m_error = QStringLiteral("Forma %1 illeggibile in %2").arg(i).arg(path);
            return false;
        }
        if (obj->nVertices < 0 || obj->nParts < 0) {
            m_error = QStringLiteral("Forma %1 illeggibile in %2").arg(i).arg(path);
            return false;
        }
        auto addPart = [&](int from, int to) {
            for (int v = from; v < to; ++v) {
                const QPointF p(obj->padfX[v], obj->padfY[v]);
                if (!std::isfinite(p.x()) || !std::isfinite(p.y()))
                    continue;
                m_points.push_back(p);
            }
            m_partStart.push_back(int(m_points.size()));
        };
        if (obj->nSHPType != SHPT_NULL && obj->nVertices > 0) {
            if (m_kind == ShapeKind::Point) {
                for (int v = 0; v < obj->nVertices; ++v)
                    addPart(v, v + 1);
            } else if (obj->nParts <= 0) {
                addPart(0, obj->nVertices);
            } else {
                for (int p = 0; p < obj->nParts; ++p) {
                    const int from = std::clamp(obj->panPartStart[p], 0, obj->nVertices);
                    const int to = p + 1 < obj->nParts ? std::clamp(obj->panPartStart[p + 1], from, obj->nVertices)
                                                       : obj->nVertices;
                    addPart(from, to);
                }
            }
        }
        m_featureParts.push_back(int(m_partStart.size()) - 1);
    }
    computeBounds();
    const QByteArray prj = prjText(stem);
    m_geographic = wktIsGeographic(prj);
    m_crs = QString::fromUtf8(prj);

    const char *cp = DBFGetCodePage(dbf.get());
    m_codePage = codePageName(cp ? QString::fromLatin1(cp) : QString());
    QStringDecoder decode(m_codePage.toLatin1().constData());
    if (!decode.isValid()) {
        m_codePage = QStringLiteral("ISO-8859-1");
        decode = QStringDecoder(QStringDecoder::Latin1);
    }
    const int fields = DBFGetFieldCount(dbf.get());
    std::vector<DBFFieldType> types;
    for (int f = 0; f < fields; ++f) {
        char name[XBASE_FLDNAME_LEN_READ + 1] = {};
        int width = 0, decimals = 0;
        types.push_back(DBFGetFieldInfo(dbf.get(), f, name, &width, &decimals));
        m_fields << QString(decode(QByteArray(name))).trimmed();
    }
    m_values.reserve(size_t(count) * size_t(fields));
    for (int i = 0; i < count; ++i) {
        for (int f = 0; f < fields; ++f) {
            const char *raw = DBFIsAttributeNULL(dbf.get(), i, f) ? nullptr : DBFReadStringAttribute(dbf.get(), i, f);
            QString text = raw ? QString(decode(QByteArray(raw))).trimmed() : QString();
            if (types[size_t(f)] == FTInteger || types[size_t(f)] == FTDouble)
                text = plainNumber(text, types[size_t(f)]);
            m_values.push_back(std::move(text));
        }
    }
    return true;
}

void ShapeLayer::computeBounds()
{
    const int count = featureCount();
    m_bounds.assign(size_t(count), QRectF());
    bool first = true;
    double ex0 = 0, ey0 = 0, ex1 = 0, ey1 = 0;
    for (int i = 0; i < count; ++i) {
        const size_t from = size_t(m_partStart[size_t(partBegin(i))]), to = size_t(m_partStart[size_t(partEnd(i))]);
        if (from == to) // no vertices
            continue;
        double x0 = m_points[from].x(), x1 = x0, y0 = m_points[from].y(), y1 = y0;
        for (size_t v = from + 1; v < to; ++v) {
            const QPointF &p = m_points[v];
            x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x());
            y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
        }
        m_bounds[size_t(i)] = QRectF(QPointF(x0, y0), QPointF(x1, y1));
        if (first) {
            ex0 = x0, ey0 = y0, ex1 = x1, ey1 = y1;
            first = false;
        } else {
            ex0 = std::min(ex0, x0), ey0 = std::min(ey0, y0);
            ex1 = std::max(ex1, x1), ey1 = std::max(ey1, y1);
        }
    }
    m_extent = QRectF(QPointF(ex0, ey0), QPointF(ex1, ey1));
}

namespace {

// GDAL's drivers are registered once per process; its messages go to the caller's error(), not
// to standard error.
void ensureGdal()
{
    static std::once_flag once;
    std::call_once(once, [] {
        GDALAllRegister();
        CPLSetErrorHandler(CPLQuietErrorHandler);
    });
}

struct DatasetCloser {
    void operator()(GDALDataset *d) const { GDALClose(d); }
};

// The last message of GDAL or PROJ, for the detail of a refusal.
QString gdalMessage()
{
    const char *m = CPLGetLastErrorMsg();
    return m && *m ? QStringLiteral(" (%1)").arg(QString::fromUtf8(m)) : QString();
}

// Appends the parts of a geometry of the layer's dimension: each ring of a polygon, each line,
// each point; curves as OGR approximates them; collections part by part.
void appendParts(const OGRGeometry *g, int dimension, std::vector<QPointF> &points, std::vector<int> &partStart)
{
    if (!g || g->IsEmpty())
        return;
    auto addCurve = [&](const OGRSimpleCurve *c) {
        for (int i = 0; i < c->getNumPoints(); ++i) {
            const QPointF p(c->getX(i), c->getY(i));
            if (std::isfinite(p.x()) && std::isfinite(p.y()))
                points.push_back(p);
        }
        partStart.push_back(int(points.size()));
    };
    switch (wkbFlatten(g->getGeometryType())) {
    case wkbPoint:
        if (dimension == 0) {
            const auto *p = g->toPoint();
            if (std::isfinite(p->getX()) && std::isfinite(p->getY()))
                points.emplace_back(p->getX(), p->getY());
            partStart.push_back(int(points.size()));
        }
        return;
    case wkbLineString:
    case wkbLinearRing:
        if (dimension == 1)
            addCurve(g->toSimpleCurve());
        return;
    case wkbPolygon:
        if (dimension == 2)
            for (const OGRLinearRing *ring : *g->toPolygon())
                addCurve(ring);
        return;
    case wkbMultiPoint:
    case wkbMultiLineString:
    case wkbMultiPolygon:
    case wkbGeometryCollection:
    case wkbMultiCurve:
    case wkbMultiSurface:
        for (const OGRGeometry *part : *g->toGeometryCollection())
            appendParts(part, dimension, points, partStart);
        return;
    default:
        if (g->getDimension() == dimension && g->hasCurveGeometry()) {
            std::unique_ptr<OGRGeometry> linear(g->getLinearGeometry());
            appendParts(linear.get(), dimension, points, partStart);
        }
        return;
    }
}

} // namespace

bool ShapeLayer::loadOgr(const QString &file, const QString &layerName)
{
    ensureGdal();
    CPLErrorReset();
    std::unique_ptr<GDALDataset, DatasetCloser> ds(GDALDataset::FromHandle(
        GDALOpenEx(QFile::encodeName(file).constData(), GDAL_OF_VECTOR | GDAL_OF_READONLY, nullptr, nullptr, nullptr)));
    if (!ds) {
        m_error = QStringLiteral("Impossibile aprire il file %1 come layer vettoriale%2").arg(file, gdalMessage());
        return false;
    }
    OGRLayer *layer = layerName.isEmpty() ? ds->GetLayer(0) : ds->GetLayerByName(layerName.toUtf8().constData());
    if (!layer) {
        m_error = layerName.isEmpty() ? QStringLiteral("Il file %1 non contiene layer vettoriali").arg(file)
                                      : QStringLiteral("Il file %1 non contiene il layer %2").arg(file, layerName);
        return false;
    }

    // The kind is the layer's geometry type, or, where the format does not declare one (GeoJSON),
    // the dimension of its first geometry.
    int dimension = -1;
    const OGRwkbGeometryType declared = wkbFlatten(layer->GetGeomType());
    if (declared != wkbUnknown && declared != wkbNone && declared != wkbGeometryCollection)
        dimension = OGR_GT_IsSurface(declared) || OGR_GT_IsSubClassOf(declared, wkbMultiSurface) ? 2
            : OGR_GT_IsCurve(declared) || OGR_GT_IsSubClassOf(declared, wkbMultiCurve)            ? 1
                                                                                                  : 0;
    layer->ResetReading();
    if (dimension < 0) {
        for (auto &f : *layer)
            if (const OGRGeometry *g = f->GetGeometryRef(); g && !g->IsEmpty()) {
                dimension = g->getDimension();
                break;
            }
        layer->ResetReading();
    }
    if (dimension < 0) {
        m_error = QStringLiteral("Il layer %1 di %2 non ha geometrie").arg(m_name, file);
        return false;
    }
    m_kind = dimension == 0 ? ShapeKind::Point : dimension == 1 ? ShapeKind::Line : ShapeKind::Polygon;

    const OGRFeatureDefn *defn = layer->GetLayerDefn();
    const int fields = defn->GetFieldCount();
    for (int f = 0; f < fields; ++f)
        m_fields << QString::fromUtf8(defn->GetFieldDefn(f)->GetNameRef()).trimmed();
    const GIntBig count = layer->GetFeatureCount(FALSE);
    if (count > 0) {
        m_featureParts.reserve(size_t(count) + 1);
        m_values.reserve(size_t(count) * size_t(fields));
    }
    for (auto &feature : *layer) {
        appendParts(feature->GetGeometryRef(), dimension, m_points, m_partStart);
        m_featureParts.push_back(int(m_partStart.size()) - 1);
        for (int f = 0; f < fields; ++f) {
            QString text;
            if (feature->IsFieldSetAndNotNull(f)) {
                switch (defn->GetFieldDefn(f)->GetType()) {
                case OFTInteger:
                case OFTInteger64:
                    text = QString::number(feature->GetFieldAsInteger64(f));
                    break;
                case OFTReal: {
                    const double d = feature->GetFieldAsDouble(f);
                    text = std::isfinite(d) ? QString::number(d, 'g', 15) : QString();
                    break;
                }
                default:
                    text = QString::fromUtf8(feature->GetFieldAsString(f)).trimmed();
                }
            }
            m_values.push_back(std::move(text));
        }
    }
    computeBounds();
    m_codePage = QStringLiteral("UTF-8"); // OGR hands every text over in UTF-8
    if (const OGRSpatialReference *srs = layer->GetSpatialRef()) {
        char *wkt = nullptr;
        const char *const options[] = {"FORMAT=WKT2_2019", nullptr};
        if (srs->exportToWkt(&wkt, options) == OGRERR_NONE && wkt)
            m_crs = QString::fromUtf8(wkt);
        CPLFree(wkt);
        m_geographic = srs->IsGeographic();
    }
    return true;
}

bool ShapeLayer::reproject(const QString &target)
{
    if (!m_valid || m_crs.isEmpty() || target.isEmpty() || m_crs == target)
        return m_valid;
    ensureGdal();
    CPLErrorReset();
    OGRSpatialReference from, to;
    if (from.SetFromUserInput(m_crs.toUtf8().constData()) != OGRERR_NONE) {
        invalidate(QStringLiteral("Sistema di riferimento di %1 non riconosciuto%2").arg(m_path, gdalMessage()));
        return false;
    }
    if (to.SetFromUserInput(target.toUtf8().constData()) != OGRERR_NONE) {
        invalidate(QStringLiteral("Sistema di riferimento della mappa non riconosciuto: %1%2").arg(target, gdalMessage()));
        return false;
    }
    // Longitude before latitude, as the files keep them, whatever the authority's axis order.
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    to.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    if (!from.IsSame(&to)) {
        std::unique_ptr<OGRCoordinateTransformation> transform(OGRCreateCoordinateTransformation(&from, &to));
        if (!transform) {
            invalidate(QStringLiteral("Impossibile riproiettare %1 nel sistema di riferimento della mappa%2")
                           .arg(m_path, gdalMessage()));
            return false;
        }
        const size_t n = m_points.size();
        std::vector<double> x(n), y(n);
        std::vector<int> ok(n, FALSE);
        for (size_t i = 0; i < n; ++i)
            x[i] = m_points[i].x(), y[i] = m_points[i].y();
        transform->Transform(n, x.data(), y.data(), nullptr, ok.data());
        for (size_t i = 0; i < n; ++i)
            if (!ok[i] || !std::isfinite(x[i]) || !std::isfinite(y[i])) {
                invalidate(QStringLiteral("Impossibile riproiettare il punto (%1, %2) di %3 nel sistema di "
                                          "riferimento della mappa")
                               .arg(m_points[i].x())
                               .arg(m_points[i].y())
                               .arg(m_path));
                return false;
            }
        for (size_t i = 0; i < n; ++i)
            m_points[i] = QPointF(x[i], y[i]);
        computeBounds();
        m_index.reset();
        m_simplified.clear();
    }
    m_crs = target;
    m_geographic = to.IsGeographic();
    return true;
}

int ShapeLayer::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QString ShapeLayer::value(int feature, int field) const
{
    if (feature < 0 || feature >= featureCount() || field < 0 || field >= m_fields.size())
        return {};
    return m_values[size_t(feature) * size_t(m_fields.size()) + size_t(field)];
}

void ShapeLayer::buildIndex() const
{
    m_index = std::make_unique<Index>();
    Index &ix = *m_index;
    ix.tree = GEOSSTRtree_create_r(ix.ctx, 10);
    for (int i = 0; i < featureCount(); ++i) {
        const QRectF &b = m_bounds[size_t(i)];
        if (partBegin(i) == partEnd(i))
            continue;
        GEOSGeometry *box = GEOSGeom_createRectangle_r(ix.ctx, b.left(), b.top(), b.right(), b.bottom());
        if (!box) // a degenerate box (a point or an axis-parallel line): its corner point
            box = GEOSGeom_createPointFromXY_r(ix.ctx, b.left(), b.top());
        if (!box)
            continue;
        ix.boxes.push_back(box);
        GEOSSTRtree_insert_r(ix.ctx, ix.tree, box, reinterpret_cast<void *>(qintptr(i)));
    }
}

namespace {

GEOSCoordSequence *sequence(GEOSContextHandle_t ctx, const QPointF *pts, int n, bool close)
{
    const bool reopen = close && n > 0 && pts[0] != pts[n - 1];
    if (n <= 0 || (close && n + (reopen ? 1 : 0) < 4))
        return nullptr;
    std::vector<double> xy;
    xy.reserve(size_t(n + 1) * 2);
    for (int i = 0; i < n; ++i)
        xy.push_back(pts[i].x()), xy.push_back(pts[i].y());
    if (reopen)
        xy.push_back(pts[0].x()), xy.push_back(pts[0].y());
    return GEOSCoordSeq_copyFromBuffer_r(ctx, xy.data(), unsigned(xy.size() / 2), 0, 0);
}

} // namespace

std::vector<int> ShapeLayer::search(QPointF mapPoint, double distance) const
{
    std::vector<int> found;
    if (!m_valid || featureCount() == 0)
        return found;
    if (!m_index)
        buildIndex();
    GEOSContextHandle_t ctx = m_index->ctx;
    const double d = m_kind == ShapeKind::Polygon ? 0.0 : std::max(0.0, distance);
    GEOSGeometry *probe = d > 0
        ? GEOSGeom_createRectangle_r(ctx, mapPoint.x() - d, mapPoint.y() - d, mapPoint.x() + d, mapPoint.y() + d)
        : GEOSGeom_createPointFromXY_r(ctx, mapPoint.x(), mapPoint.y());
    GEOSGeometry *point = GEOSGeom_createPointFromXY_r(ctx, mapPoint.x(), mapPoint.y());
    std::vector<int> candidates;
    GEOSSTRtree_query_r(
        ctx, m_index->tree, probe,
        [](void *item, void *data) {
            static_cast<std::vector<int> *>(data)->push_back(int(reinterpret_cast<qintptr>(item)));
        },
        &candidates);
    std::sort(candidates.begin(), candidates.end());
    for (int f : candidates) {
        bool hit = false;
        if (m_kind == ShapeKind::Polygon) {
            // Rings and holes by the even-odd rule: inside an odd number of rings.
            int inside = 0;
            for (int p = partBegin(f); p < partEnd(f); ++p) {
                if (partSize(p) < 3)
                    continue;
                GEOSCoordSequence *seq = sequence(ctx, partPoints(p), partSize(p), true);
                GEOSGeometry *ring = seq ? GEOSGeom_createLinearRing_r(ctx, seq) : nullptr;
                GEOSGeometry *poly = ring ? GEOSGeom_createPolygon_r(ctx, ring, nullptr, 0) : nullptr;
                if (poly && GEOSContains_r(ctx, poly, point) == 1)
                    ++inside;
                if (poly)
                    GEOSGeom_destroy_r(ctx, poly);
            }
            hit = inside % 2 == 1;
        } else {
            for (int p = partBegin(f); p < partEnd(f) && !hit; ++p) {
                GEOSCoordSequence *seq = sequence(ctx, partPoints(p), partSize(p), false);
                GEOSGeometry *g = nullptr;
                if (seq)
                    g = partSize(p) >= 2 ? GEOSGeom_createLineString_r(ctx, seq) : GEOSGeom_createPoint_r(ctx, seq);
                double dist = 0;
                if (g && GEOSDistance_r(ctx, g, point, &dist) == 1 && dist <= d)
                    hit = true;
                if (g)
                    GEOSGeom_destroy_r(ctx, g);
            }
        }
        if (hit)
            found.push_back(f);
    }
    GEOSGeom_destroy_r(ctx, probe);
    GEOSGeom_destroy_r(ctx, point);
    return found;
}

} // namespace qrn::map

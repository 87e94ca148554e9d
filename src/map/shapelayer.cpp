#include "map/shapelayer.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>

#include <geos_c.h>
#include <shapefil.h>

#include <algorithm>
#include <cmath>

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

// Whether the coordinate system in the .prj of the layer at stem is geographic. The WKT of a
// projected system (version 1 or 2) names its geographic base inside, so it is told apart first.
bool prjIsGeographic(const QString &stem)
{
    for (const char *ext : {".prj", ".PRJ", ".Prj"}) {
        QFile f(stem + QLatin1String(ext));
        if (!f.open(QIODevice::ReadOnly))
            continue;
        const QByteArray wkt = f.read(1 << 16).toUpper();
        for (const char *projected : {"PROJCS[", "PROJCRS[", "PROJECTEDCRS["})
            if (wkt.contains(projected))
                return false;
        for (const char *geographic : {"GEOGCS[", "GEOGCRS[", "GEOGRAPHICCRS[", "GEODCRS[", "GEODETICCRS["})
            if (wkt.contains(geographic))
                return true;
        return false;
    }
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

std::shared_ptr<ShapeLayer> ShapeLayer::open(const QString &path)
{
    auto layer = std::make_shared<ShapeLayer>();
    layer->m_path = path;
    layer->m_name = QFileInfo(path).completeBaseName();
    layer->m_valid = layer->load(path);
    if (!layer->m_valid) {
        layer->m_featureParts.assign(1, 0);
        layer->m_partStart.assign(1, 0);
        layer->m_points.clear();
        layer->m_bounds.clear();
        layer->m_values.clear();
    }
    return layer;
}

bool ShapeLayer::load(const QString &path)
{
    const QByteArray file = QFile::encodeName(path);
    // The reasons go into error(); shapelib's own messages are not printed.
    SAHooks hooks;
    SASetupDefaultHooks(&hooks);
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
    m_bounds.reserve(size_t(count));
    bool first = true;
    for (int i = 0; i < count; ++i) {
        std::unique_ptr<SHPObject, ObjDestroyer> obj(SHPReadObject(shp.get(), i));
        if (!obj) {
            m_error = QStringLiteral("Forma %1 illeggibile in %2").arg(i).arg(path);
            return false;
        }
        QRectF bounds;
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
        const int firstPoint = m_partStart[size_t(m_featureParts[size_t(i)])];
        double x0 = 0, y0 = 0, x1 = 0, y1 = 0;
        for (size_t v = size_t(firstPoint); v < m_points.size(); ++v) {
            const QPointF &p = m_points[v];
            if (v == size_t(firstPoint)) {
                x0 = x1 = p.x();
                y0 = y1 = p.y();
            } else {
                x0 = std::min(x0, p.x()), x1 = std::max(x1, p.x());
                y0 = std::min(y0, p.y()), y1 = std::max(y1, p.y());
            }
        }
        if (size_t(firstPoint) < m_points.size())
            bounds = QRectF(QPointF(x0, y0), QPointF(x1, y1));
        m_bounds.push_back(bounds);
    }
    double ex0 = 0, ey0 = 0, ex1 = 0, ey1 = 0;
    for (int i = 0; i < count; ++i) {
        if (m_partStart[size_t(partEnd(i))] == m_partStart[size_t(partBegin(i))]) // no vertices
            continue;
        const QRectF &b = m_bounds[size_t(i)];
        if (first) {
            ex0 = b.left(), ey0 = b.top(), ex1 = b.right(), ey1 = b.bottom();
            first = false;
        } else {
            ex0 = std::min(ex0, b.left()), ey0 = std::min(ey0, b.top());
            ex1 = std::max(ex1, b.right()), ey1 = std::max(ey1, b.bottom());
        }
    }
    m_extent = QRectF(QPointF(ex0, ey0), QPointF(ex1, ey1));
    m_geographic = prjIsGeographic(stem);

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

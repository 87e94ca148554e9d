#pragma once
// A map layer read from a vector file: a shape file (.shp, .shx, .dbf, read with shapelib, its
// attributes decoded in the file's code page) or any other vector file GDAL/OGR reads
// (GeoPackage, GeoJSON, ...; "file.gpkg|layer" names one layer of a file holding several). It
// keeps its features with every part (the rings and holes of polygons, the parts of lines,
// points) as plain vertex arrays, whatever the format, their attributes as text, its reference
// system, its symbol and renderer, and the search of features at a point through a spatial index.
// Reprojection transforms every vertex once, so drawing and searching never convert.

#include "map/renderer.h"
#include "map/simplify.h"
#include "map/symbol.h"

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

namespace qrn::map {

enum class ShapeKind { Point, Line, Polygon };

// The shape type codes of the map windows: 21 points, 22 lines, 23 polygons.
int shapeTypeCode(ShapeKind kind);

class ShapeLayer {
public:
    ShapeLayer();
    ~ShapeLayer();
    ShapeLayer(const ShapeLayer &) = delete;
    ShapeLayer &operator=(const ShapeLayer &) = delete;

    // Reads path: a .shp (the .shx and .dbf beside it) through shapelib, any other file through
    // OGR, "file|layer" for a named layer of a file (else its first layer). On failure the layer
    // is not valid and error() tells why; a bad file never crashes or hangs the reader.
    static std::shared_ptr<ShapeLayer> open(const QString &path);

    bool valid() const { return m_valid; }
    const QString &error() const { return m_error; }
    const QString &path() const { return m_path; }
    QString name() const { return m_name; }
    void setName(const QString &n) { m_name = n; }

    ShapeKind kind() const { return m_kind; }
    int shapeType() const { return shapeTypeCode(m_kind); }
    QRectF extent() const { return m_extent; }
    // The code page the attributes were decoded from ("UTF-8", "windows-1252", ...).
    const QString &codePage() const { return m_codePage; }
    // True when the .prj beside the file describes a geographic system: the coordinates are
    // longitudes and latitudes in degrees. Without a .prj the coordinates are taken as metres.
    bool geographic() const { return m_geographic; }
    // The reference system of the coordinates as the file gives it (the .prj's WKT, or OGR's
    // WKT); empty when the file names none.
    const QString &crs() const { return m_crs; }
    // Transforms every vertex into the reference system target (WKT or "EPSG:n", as PROJ reads
    // them) and takes it as the layer's. Nothing changes when the layer or target names no
    // system or both name the same. False, the layer no longer valid (a layer in another system
    // than the map's would draw in the wrong place) and the reason in error(), when a system is
    // unknown or a vertex cannot be transformed.
    bool reproject(const QString &target);

    int featureCount() const { return int(m_featureParts.size()) - 1; }
    // Parts of a feature: index range [partBegin, partEnd) into part().
    int partBegin(int feature) const { return m_featureParts[size_t(feature)]; }
    int partEnd(int feature) const { return m_featureParts[size_t(feature) + 1]; }
    // Vertices of a part: pointer and count.
    const QPointF *partPoints(int part) const { return m_points.data() + m_partStart[size_t(part)]; }
    int partSize(int part) const { return m_partStart[size_t(part) + 1] - m_partStart[size_t(part)]; }
    const QRectF &featureBounds(int feature) const { return m_bounds[size_t(feature)]; }
    qsizetype vertexCount() const { return qsizetype(m_points.size()); }

    const QStringList &fieldNames() const { return m_fields; }
    // Index of a field by name (case-insensitive), -1 when absent.
    int fieldIndex(const QString &name) const;
    // The text of a field; numbers in their plain form ("12", "3.5"). Empty when out of range.
    QString value(int feature, int field) const;
    QString value(int feature, const QString &field) const { return value(feature, fieldIndex(field)); }

    Symbol symbol;
    std::shared_ptr<Renderer> renderer;

    // Features containing the point (polygons; a point on a boundary counts as inside) or within
    // distance of it (points and lines), in feature order.
    std::vector<int> search(QPointF mapPoint, double distance = 0.0) const;

    // The parts thinned for drawing, per zoom level (see SimplifiedParts); emptied whenever the
    // vertices change.
    SimplifiedParts &simplified() const { return m_simplified; }

private:
    bool load(const QString &path);
    bool loadOgr(const QString &file, const QString &layerName);
    // Leaves the layer not valid and empty, with reason as its error.
    void invalidate(const QString &reason);
    // The bounds of every feature and the extent, from the vertices.
    void computeBounds();
    void buildIndex() const;

    bool m_valid = false;
    bool m_geographic = false;
    QString m_error, m_path, m_name, m_codePage, m_crs;
    ShapeKind m_kind = ShapeKind::Polygon;
    QRectF m_extent;
    std::vector<int> m_featureParts {0};
    std::vector<int> m_partStart {0};
    std::vector<QPointF> m_points;
    std::vector<QRectF> m_bounds;
    QStringList m_fields;
    std::vector<QString> m_values; // featureCount x fieldCount

    struct Index;
    mutable std::unique_ptr<Index> m_index;
    mutable SimplifiedParts m_simplified;
};

// Splits "file|layer" into the file and the layer name (empty when none is named).
std::pair<QString, QString> splitLayerPath(const QString &path);

// The code page of a .dbf: the text of its .cpg file, else its language mark, else Latin-1,
// given as a name the text decoders know.
QString codePageName(const QString &cpgOrMark);

} // namespace qrn::map

#include "map/selectionoutline.h"

#include "map/shapeconfig.h"
#include "map/thematicmap.h"

#include <QPainter>
#include <QPen>

#include <algorithm>

namespace qrn::map {

namespace {

// The join keys of the selected rows' map codes.
QSet<QString> selectedKeys(const MapRequest &req, const QSet<QString> &codTerrs)
{
    QSet<QString> keys;
    const MapKind kind = req.mapCase.kind;
    for (const MapRow &row : req.rows)
        if (codTerrs.contains(row.codTerr.trimmed()))
            keys.insert(joinKey(row.code(kind), kind));
    return keys;
}

} // namespace

QList<int> selectedFeatures(const ShapeCase &sc, const MapRequest &req, const QSet<QString> &codTerrs)
{
    QList<int> out;
    const ShapeLayer *layer = joinLayer(sc);
    if (!layer || codTerrs.isEmpty())
        return out;
    const int field = layer->fieldIndex(sc.layers[size_t(sc.matchIndex)].FieldId);
    if (field < 0)
        return out;
    const QSet<QString> keys = selectedKeys(req, codTerrs);
    for (int f = 0; f < layer->featureCount(); ++f)
        if (keys.contains(joinKey(layer->value(f, field), req.mapCase.kind)))
            out << f;
    return out;
}

int selectedRowCount(const MapRequest &req, const QSet<QString> &codTerrs)
{
    return int(std::count_if(req.rows.begin(), req.rows.end(),
                             [&](const MapRow &r) { return codTerrs.contains(r.codTerr.trimmed()); }));
}

std::optional<QRectF> featuresExtent(const ShapeLayer &layer, const QList<int> &features)
{
    std::optional<QRectF> out;
    for (int f : features) {
        if (f < 0 || f >= layer.featureCount() || layer.partBegin(f) == layer.partEnd(f))
            continue;
        const QRectF b = layer.featureBounds(f);
        // A point's bounds have no size: united by hand, as QRectF::united drops empty rectangles.
        out = !out ? b
                   : QRectF(QPointF(std::min(out->left(), b.left()), std::min(out->top(), b.top())),
                            QPointF(std::max(out->right(), b.right()), std::max(out->bottom(), b.bottom())));
    }
    return out;
}

QRectF selectionZoomExtent(const ShapeLayer &layer, const QList<int> &features)
{
    const std::optional<QRectF> found = featuresExtent(layer, features);
    if (!found)
        return QRectF();
    const QRectF r = *found;
    const double side = std::max(r.width(), r.height());
    const double margin = std::max(side * 0.1, 1e-3);
    return r.adjusted(-margin, -margin, margin, margin);
}

void drawSelectionOutline(QPainter &painter, const QRectF &target, const MapView &view, const ShapeLayer &layer,
                          const QList<int> &features)
{
    if (features.isEmpty() || view.viewport().isEmpty())
        return;
    painter.save();
    painter.setClipRect(target);
    painter.translate(target.topLeft());
    const double sx = target.width() / view.viewport().width(), sy = target.height() / view.viewport().height();
    painter.scale(sx, sy);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    // The widths stay in the target's pixels whatever the scale.
    const double unit = 1.0 / std::max(1e-9, std::min(sx, sy));
    QPainterPath all;
    all.setFillRule(Qt::OddEvenFill);
    const QRectF shown = view.visibleExtent();
    for (int f : features)
        if (f >= 0 && f < layer.featureCount() && layer.featureBounds(f).intersects(shown.adjusted(0, 0, 1e-9, 1e-9)))
            all.addPath(view.featurePath(layer, f));
    painter.setPen(QPen(kSelectionShadow, 5 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(all);
    painter.setPen(QPen(kSelectionColour, 3 * unit, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawPath(all);
    painter.restore();
}

TerritoryLookup lookUpTerritories(const MapRequest &req, const QStringList &entries)
{
    TerritoryLookup out;
    const MapKind kind = req.mapCase.kind;
    for (const QString &e : entries) {
        const QString entry = e.trimmed();
        if (entry.isEmpty())
            continue;
        const QString key = joinKey(entry, kind);
        bool found = false;
        for (const MapRow &row : req.rows) {
            if (row.name.trimmed().compare(entry, Qt::CaseInsensitive) == 0
                || row.codTerr.trimmed().compare(entry, Qt::CaseInsensitive) == 0
                || joinKey(row.code(kind), kind) == key) {
                found = true;
                if (!out.codTerrs.contains(row.codTerr.trimmed()))
                    out.codTerrs << row.codTerr.trimmed();
            }
        }
        if (!found)
            out.unknown << entry;
    }
    return out;
}

} // namespace qrn::map

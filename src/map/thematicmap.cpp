#include "map/thematicmap.h"

#include "map/identify.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QSet>

#include <algorithm>
#include <cmath>

namespace qrn::map {

ShapeLayer *joinLayer(const ShapeCase &sc)
{
    if (sc.matchIndex < 0 || size_t(sc.matchIndex) >= sc.layers.size())
        return nullptr;
    ShapeLayer *layer = sc.layers[size_t(sc.matchIndex)].layer.get();
    return layer && layer->valid() ? layer : nullptr;
}

QString joinKey(const QString &code, MapKind)
{
    const QString text = code.trimmed();
    bool ok = false;
    const double n = QString(text).replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
    if (!ok || !std::isfinite(n) || n != std::floor(n) || std::abs(n) > 1e15)
        return text;
    return QString::number(qint64(n));
}

QString tableCode(const MapRequest &req, const QString &featureCode)
{
    const MapKind kind = req.mapCase.kind;
    const QString key = joinKey(featureCode, kind);
    for (const MapRow &row : req.rows)
        if (joinKey(row.code(kind), kind) == key)
            return row.code(kind);
    return featureCode.trimmed();
}

QString territoryTip(const MapRequest &req, const QString &featureCode)
{
    const MapKind kind = req.mapCase.kind;
    const QString key = joinKey(featureCode, kind);
    for (const MapRow &row : req.rows)
        if (joinKey(row.code(kind), kind) == key) {
            const QString name = row.name.trimmed().isEmpty() ? row.code(kind) : row.name.trimmed();
            const QString value = row.value.trimmed();
            return name + QStringLiteral(": ") + (value.isEmpty() ? QString(kNoDataText) : value);
        }
    return featureCode.trimmed() + QStringLiteral(": ") + QString(kNoDataText);
}

void applyClasses(const ShapeCase &sc, const ThematicClasses &classes, MapKind kind)
{
    ShapeLayer *layer = joinLayer(sc);
    if (!layer)
        return;
    const LayerConfig &entry = sc.layers[size_t(sc.matchIndex)];
    auto renderer = std::make_shared<ValueMapRenderer>();
    renderer->field = entry.FieldId;
    renderer->useDefault = true;
    renderer->defaultSymbol.color = 0xFFFFFF;
    renderer->defaultSymbol.style = FillStyle::NoData;
    renderer->defaultSymbol.outline = entry.Outline;
    renderer->defaultSymbol.outlineColor = entry.OutlineColor;

    QHash<QString, QString> codeByKey; // join key -> the code as the table gives it
    for (auto it = classes.classByCode.constBegin(); it != classes.classByCode.constEnd(); ++it)
        codeByKey.insert(joinKey(it.key(), kind), it.key());

    // The renderer matches the field's text exactly: every text the layer holds whose code has a
    // class becomes one value of it.
    const int field = layer->fieldIndex(entry.FieldId);
    QSet<QString> added;
    for (int f = 0; field >= 0 && f < layer->featureCount(); ++f) {
        const QString text = layer->value(f, field).trimmed();
        if (added.contains(text))
            continue;
        added.insert(text);
        const auto found = codeByKey.constFind(joinKey(text, kind));
        if (found == codeByKey.constEnd())
            continue;
        Symbol s = renderer->defaultSymbol;
        s.style = FillStyle::Solid;
        s.color = toWindowsColour(classes.colourOf(*found));
        renderer->addValue(text, s);
    }
    layer->renderer = std::move(renderer);
}

void clearClasses(const ShapeCase &sc)
{
    if (ShapeLayer *layer = joinLayer(sc))
        layer->renderer.reset();
}

QRectF thematicMapArea(const QRectF &picture)
{
    return QRectF(picture.topLeft(), QSizeF(std::round(picture.width() * 0.75), picture.height()));
}

QRectF thematicLegendArea(const QRectF &picture)
{
    const QRectF map = thematicMapArea(picture);
    const double margin = std::max(4.0, std::round(picture.height() * 0.03));
    return QRectF(map.right() + margin, picture.top() + margin, picture.right() - map.right() - 2 * margin,
                  picture.height() - 2 * margin);
}

void drawThematicPicture(QPainter &painter, const QRectF &picture, const MapView &view, const QList<LegendRow> &legend,
                         const QString &title)
{
    painter.save();
    painter.fillRect(picture, Qt::white);
    view.draw(painter, thematicMapArea(picture));
    // A fiftieth of the height, smaller when the longest label would not fit beside its swatch.
    const QRectF area = thematicLegendArea(picture);
    QFont font = painter.font();
    for (int size = std::max(9, int(picture.height() / 50)); size >= 9; --size) {
        font.setPixelSize(size);
        const QFontMetricsF fm(font, painter.device());
        double widest = 0;
        for (const LegendRow &row : legend)
            widest = std::max(widest, fm.horizontalAdvance(row.label));
        if (widest + fm.height() * 2 <= area.width())
            break;
    }
    painter.setFont(font);
    drawLegend(painter, area, legend, title);
    painter.restore();
}

} // namespace qrn::map

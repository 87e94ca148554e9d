#include "map/thematic.h"

#include "shell/context.h"
#include "shell/prompt.h"

namespace qrn::map {

namespace {

Drawing store(AppContext &ctx, const MapRequest &req, const QList<ClassBounds> &classes, const QList<int> &classOf,
              const QList<QColor> &colours, bool quartiles, const QString &module)
{
    Drawing d;
    d.stored = saveMapTable(ctx, req, mapRecords(req, classOf), module);
    d.classes = thematicClasses(req, classes, classOf, colours, quartiles);
    return d;
}

} // namespace

Drawing quartileDrawing(AppContext &ctx, const MapRequest &req, const QColor &start, const QColor &end,
                        const QString &module)
{
    return quartileDrawing(ctx, req, colourRamp(start, end, QuartileClassifier::kClasses), module);
}

Drawing quartileDrawing(AppContext &ctx, const MapRequest &req, const QList<QColor> &colours, const QString &module)
{
    const Classification c = QuartileClassifier().classify(req.values(), ctx.numbers);
    if (c.equalValuesWarning && ctx.prompt)
        ctx.prompt->message(kQuartileWarning, QString(), Icon::Exclamation);
    return store(ctx, req, c.classes, c.classOf, colours, true, module);
}

Drawing legendDrawing(AppContext &ctx, const MapRequest &req, const QList<LegendRow> &legend, const QString &module)
{
    QList<ClassBounds> classes;
    QList<QColor> colours;
    for (const LegendRow &row : legend) {
        if (row.label == noDataRow(false).label || row.label == noDataRow(true).label)
            break;
        classes.append(boundsOfLabel(row.label));
        colours.append(row.colour);
    }
    return store(ctx, req, classes, classifyByBounds(req.values(), classes, ctx.numbers), colours, false, module);
}

} // namespace qrn::map

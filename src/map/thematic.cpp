#include "map/thematic.h"

#include "shell/context.h"
#include "shell/prompt.h"

namespace qrn::map {

Drawing legendDrawing(AppContext &ctx, const MapRequest &req, Legend legend, const QString &module)
{
    const QList<int> classOf = legend.classify(req.values(), ctx.numbers);
    legend.noDataRow = true;
    Drawing d;
    d.stored = saveMapTable(ctx, req, mapRecords(req, classOf), module);
    d.classes = thematicClasses(req, legend, classOf);
    return d;
}

Drawing methodDrawing(AppContext &ctx, const MapRequest &req, const MethodOutcome &outcome,
                      const QList<QColor> &colours, const QString &module)
{
    if (outcome.equalValuesWarning && ctx.prompt)
        ctx.prompt->message(kQuartileWarning, QString(), Icon::Exclamation);
    return legendDrawing(ctx, req, makeMethodLegend(outcome, colours, ctx.numbers), module);
}

Drawing quartileDrawing(AppContext &ctx, const MapRequest &req, const QColor &start, const QColor &end,
                        const QString &module)
{
    return quartileDrawing(ctx, req, colourRamp(start, end, QuartileClassifier::kClasses), module);
}

Drawing quartileDrawing(AppContext &ctx, const MapRequest &req, const QList<QColor> &colours, const QString &module)
{
    ClassRequest r;
    r.values = req.values();
    return methodDrawing(ctx, req, methodOf(Method::Quartiles).classes(r, ctx.numbers), colours, module);
}

} // namespace qrn::map

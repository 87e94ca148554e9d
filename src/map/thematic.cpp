#include "map/thematic.h"

#include "shell/context.h"

namespace qrn::map {

Drawing legendDrawing(Services &services, const MapRequest &req, Legend legend)
{
    const QList<int> classOf = legend.classify(req.values(), services.numbers);
    legend.noDataRow = true;
    Drawing d;
    d.stored = saveMapTable(services, req, mapRecords(req, classOf));
    d.classes = thematicClasses(req, legend, classOf);
    return d;
}

Drawing methodDrawing(Services &services, const MapRequest &req, const MethodOutcome &outcome,
                      const QList<QColor> &colours)
{
    Drawing d = legendDrawing(services, req, makeMethodLegend(outcome, colours, services.numbers));
    d.equalValuesWarning = outcome.equalValuesWarning;
    return d;
}

Drawing quartileDrawing(Services &services, const MapRequest &req, const QColor &start, const QColor &end)
{
    return quartileDrawing(services, req, colourRamp(start, end, QuartileClassifier::kClasses));
}

Drawing quartileDrawing(Services &services, const MapRequest &req, const QList<QColor> &colours)
{
    ClassRequest r;
    r.values = req.values();
    return methodDrawing(services, req, methodOf(Method::Quartiles).classes(r, services.numbers), colours);
}

} // namespace qrn::map

#include "map/mappage.h"

#include <QPainter>

namespace qrn::map {

MapPageRequest mapPageRequest(const MapView &view, const QString &variableText, const Legend &legend,
                              bool printAtOnce)
{
    MapPageRequest r;
    const QSize viewport = view.viewport().isEmpty() ? QSize(1000, 800) : view.viewport();
    // The picture is drawn in viewport pixels; mapFrame tells the layout which part is the map,
    // whatever the bounding rectangle of the strokes near the edges.
    r.mapFrame = QRectF(QPointF(0, 0), QSizeF(viewport));
    {
        MapView sized = view;
        sized.setViewport(viewport);
        sized.changed = nullptr;
        QPainter p(&r.map);
        p.setRenderHint(QPainter::Antialiasing);
        sized.draw(p, r.mapFrame);
        r.mapMetres = sized.visibleExtent().size() * sized.metresPerUnit();
    }
    r.mapSize = QSizeF(kMapPageWidthInches, kMapPageWidthInches * viewport.height() / viewport.width());
    r.variableText = variableText;
    for (const LegendRow &row : legend.rows(true))
        r.legend.push_back({row.colour, row.label, row.noData});
    r.printAtOnce = printAtOnce;
    return r;
}

} // namespace qrn::map

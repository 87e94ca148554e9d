#pragma once
// A small map for the page tests: a sea-blue rectangle filling the map's frame with three
// coloured territories on it, and a three-class legend; it stands for 1000 x 1200 km of ground.

#include "layout/layoutpage.h"

#include <QPainter>
#include <QPicture>

namespace qrn::test {

inline const QColor kMapColour(0, 140, 200);

inline MapPageRequest sampleMapRequest()
{
    MapPageRequest r;
    QPainter p(&r.map);
    p.setPen(Qt::NoPen);
    p.fillRect(QRectF(0, 0, 1000, 1200), kMapColour);
    const QColor classes[3] = {QColor(255, 255, 178), QColor(253, 141, 60), QColor(189, 0, 38)};
    const QPolygonF shapes[3] = {QPolygonF({QPointF(100, 100), QPointF(500, 150), QPointF(300, 500)}),
                                 QPolygonF({QPointF(500, 500), QPointF(900, 600), QPointF(600, 900)}),
                                 QPolygonF({QPointF(200, 800), QPointF(450, 1100), QPointF(100, 1150)})};
    for (int i = 0; i < 3; ++i) {
        p.setBrush(classes[i]);
        p.drawPolygon(shapes[i]);
        r.legend.push_back({classes[i], QStringLiteral("Classe %1").arg(i + 1)});
    }
    p.end();
    r.mapFrame = QRectF(0, 0, 1000, 1200);
    r.mapSize = QSizeF(10, 12);
    r.mapMetres = QSizeF(1000000, 1200000); // 100 km an inch at zoom 1
    r.variableText = QStringLiteral("AS013 - Lunghezza della rete stradale (2005)");
    return r;
}

} // namespace qrn::test

#pragma once
// The map on screen: paints the map view, keeps its viewport the widget's size, reports mouse
// presses, tracks a dragged rectangle with a rubber band and flashes a found shape. Everything
// else (layers, extents, conversions, drawing) is the view's.

#include "map/mapview.h"

#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QWidget>

class QRubberBand;
class QTimer;

namespace qrn::ui {

class MapWidget : public QWidget {
    Q_OBJECT
public:
    explicit MapWidget(QWidget *parent = nullptr);
    ~MapWidget() override;

    map::MapView &view() { return m_view; }
    const map::MapView &view() const { return m_view; }

    // Redraws with the current layers, renderers, symbols and background.
    void refresh();
    // While on, a left-button drag without Shift draws a rubber band and ends in
    // rectangleTracked.
    void setRectangleTracking(bool on) { m_tracking = on; }
    bool rectangleTracking() const { return m_tracking; }
    // Highlights a feature a few times over about half a second.
    void flash(const map::ShapeLayer &layer, int feature);
    bool flashing() const;

    void setScaleBarVisible(bool on);
    // 1:N for this widget on its screen.
    double scaleDenominator() const;

signals:
    // A press of a mouse button at a point of the widget (pixels).
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pixel);
    // The rectangle dragged, in map units; a null rectangle when the drag was too small to be one.
    void rectangleTracked(QRectF mapRect);
    // The map was redrawn at a new extent or size.
    void extentChanged();

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;

private:
    map::MapView m_view;
    QImage m_cache;
    bool m_tracking = false;
    bool m_dragging = false;
    bool m_scaleBar = true;
    QPoint m_origin;
    QRubberBand *m_band = nullptr;
    QTimer *m_flashTimer = nullptr;
    QPainterPath m_flashPath;
    int m_flashSteps = 0;
};

} // namespace qrn::ui

#pragma once
// The map on screen: paints the map view, keeps its viewport the widget's size, reports mouse
// presses and clicks, tracks a dragged rectangle with a rubber band (and, with Shift, a band
// that selects what it touches), flashes a found shape and
// keeps one outlined. It moves as a GIS map does: a drag pans (the middle button always, the
// left one unless a rectangle is being tracked; the drawn picture follows the pointer, and on
// release only the strips it uncovers are drawn), the wheel zooms about the pointer, + and -
// zoom about the centre; a tip names what lies under the pointer. Everything else (layers,
// extents, conversions, drawing) is the view's.

#include "map/mapview.h"

#include <QImage>
#include <QPainterPath>
#include <QPoint>
#include <QWidget>
#include <functional>

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

    // Outlines feature of the layer named layerName until the next call or clearHighlight.
    void setHighlight(const QString &layerName, int feature);
    void clearHighlight();
    int highlightedFeature() const { return m_highlightFeature; }
    // Outlines the selected features of the layer named layerName (map::drawSelectionOutline)
    // over every redraw, zoom and pan, until they are set again.
    void setSelectionOutline(const QString &layerName, const QList<int> &features);
    const QList<int> &selectionOutline() const { return m_selectedFeatures; }
    // The whole map again (the home extent).
    void zoomFull();
    // One step of the wheel or of the + and - keys scales the extent by this (or its inverse).
    static constexpr double kZoomStep = 1.25;
    // The tip for a pixel of the widget (empty: none).
    std::function<QString(QPointF)> tipAt;

    void setScaleBarVisible(bool on);
    // 1:N for this widget on its screen.
    double scaleDenominator() const;

signals:
    // A press of a mouse button at a point of the widget (pixels).
    void mousePressed(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pixel);
    // A press and release at one spot (no drag, no pan), at the press's pixel.
    void clicked(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pixel);
    // The rectangle dragged, in map units; a null rectangle when the drag was too small to be one.
    void rectangleTracked(QRectF mapRect);
    // A left-button drag with Shift while no rectangle is tracked: the band in map units, at least a
    // pixel wide (a Shift+click gives the pixel under the pointer); add when Ctrl was held too,
    // so the band adds to the selection instead of replacing it.
    void bandSelected(QRectF mapRect, bool add);
    // The map was redrawn at a new extent or size.
    void extentChanged();

protected:
    void paintEvent(QPaintEvent *) override;
    void resizeEvent(QResizeEvent *) override;
    void mousePressEvent(QMouseEvent *) override;
    void mouseMoveEvent(QMouseEvent *) override;
    void mouseReleaseEvent(QMouseEvent *) override;
    void wheelEvent(QWheelEvent *) override;
    void keyPressEvent(QKeyEvent *) override;
    bool event(QEvent *) override;

private:
    // The picture moved by offset pixels with the strips it uncovers drawn anew.
    QImage shifted(const QImage &picture, QPoint offset) const;

    map::MapView m_view;
    QImage m_cache;
    bool m_tracking = false;
    bool m_dragging = false;
    bool m_selectingBand = false; // the band being dragged selects (Shift) rather than zooms
    bool m_scaleBar = true;
    QPoint m_origin;
    QRubberBand *m_band = nullptr;
    QTimer *m_flashTimer = nullptr;
    QPainterPath m_flashPath;
    int m_flashSteps = 0;
    QString m_highlightLayer;
    int m_highlightFeature = -1;
    QString m_selectionLayer;
    QList<int> m_selectedFeatures;
    // A press under way: where, with which button, and whether it has become a pan.
    Qt::MouseButton m_pressButton = Qt::NoButton;
    Qt::KeyboardModifiers m_pressModifiers;
    QPoint m_pressPos;
    bool m_panning = false;
    QPoint m_panOffset; // the picture's shift while panning
};

} // namespace qrn::ui

// The map widget's painting and mouse handling. The view is drawn into m_cache only when the
// cache is missing or of another size; refresh drops it. While panning only the cached picture
// moves, and the release draws just the strips it uncovered; the selection outline, the
// highlight, the scale bar and the flash are painted over the cache on every paint and never
// into it, so they change without a redraw of the layers.

#include "map/ui/mapwidget.h"

#include "map/scalebar.h"
#include "map/selectionoutline.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWheelEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace qrn::ui {

namespace {
constexpr int kFlashSteps = 6; // three on, three off
constexpr int kFlashStepMs = 90;
constexpr int kMinDragPixels = 3;
} // namespace

MapWidget::MapWidget(QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("Map2"));
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(50, 50);
    setFocusPolicy(Qt::WheelFocus);
    m_view.changed = [this] {
        refresh();
        emit extentChanged();
    };
    m_band = new QRubberBand(QRubberBand::Rectangle, this);
    m_flashTimer = new QTimer(this);
    m_flashTimer->setInterval(kFlashStepMs);
    connect(m_flashTimer, &QTimer::timeout, this, [this] {
        if (--m_flashSteps <= 0)
            m_flashTimer->stop();
        update();
    });
}

MapWidget::~MapWidget() = default;

void MapWidget::refresh()
{
    m_cache = QImage();
    update();
}

void MapWidget::setScaleBarVisible(bool on)
{
    m_scaleBar = on;
    update();
}

double MapWidget::scaleDenominator() const
{
    const QScreen *s = screen();
    return m_view.scaleDenominator(s ? s->physicalDotsPerInchX() : 96.0);
}

void MapWidget::flash(const map::ShapeLayer &layer, int feature)
{
    m_flashPath = m_view.featurePath(layer, feature);
    m_flashSteps = kFlashSteps;
    m_flashTimer->start();
    update();
}

void MapWidget::setHighlight(const QString &layerName, int feature)
{
    m_highlightLayer = layerName;
    m_highlightFeature = feature;
    update();
}

void MapWidget::setSelectionOutline(const QString &layerName, const QList<int> &features)
{
    m_selectionLayer = layerName;
    m_selectedFeatures = features;
    update();
}

void MapWidget::clearHighlight()
{
    setHighlight(QString(), -1);
}

void MapWidget::zoomFull()
{
    m_view.setExtent(m_view.homeExtent());
}

bool MapWidget::flashing() const
{
    return m_flashTimer->isActive();
}

void MapWidget::paintEvent(QPaintEvent *)
{
    const qreal dpr = devicePixelRatioF();
    if (m_cache.isNull() || m_cache.size() != size() * dpr) {
        m_cache = QImage(size() * dpr, QImage::Format_RGB32);
        m_cache.setDevicePixelRatio(dpr);
        QPainter cp(&m_cache);
        cp.setRenderHint(QPainter::Antialiasing);
        m_view.draw(cp, QRectF(QPointF(0, 0), QSizeF(size())));
    }
    QPainter p(this);
    if (!m_panOffset.isNull())
        p.fillRect(rect(), map::colorFromWin(m_view.backColor));
    p.drawImage(m_panOffset, m_cache);
    if (const map::ShapeLayer *layer = m_view.layer(m_selectionLayer); layer && !m_selectedFeatures.isEmpty())
        map::drawSelectionOutline(p, QRectF(QPointF(m_panOffset), QSizeF(size())), m_view, *layer, m_selectedFeatures);
    if (m_panning)
        return;
    if (const map::ShapeLayer *layer = m_view.layer(m_highlightLayer);
        layer && m_highlightFeature >= 0 && !m_highlightLayer.isEmpty()) {
        // A dark wide line under a light narrow one shows on every class colour.
        const QPainterPath path = m_view.featurePath(*layer, m_highlightFeature);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(Qt::black, 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
        p.setPen(QPen(QColor(0, 255, 255), 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.drawPath(path);
    }
    if (m_scaleBar)
        map::drawScaleBar(p, rect(),
                          map::scaleBarFor(m_view.mapUnitsPerPixel() * m_view.metresPerUnit(), width() / 4.0));
    if (m_flashSteps > 0 && m_flashSteps % 2 == 0) {
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(Qt::red, 2));
        p.setBrush(QColor(255, 255, 0, 160));
        p.drawPath(m_flashPath);
    }
}

QImage MapWidget::shifted(const QImage &picture, QPoint offset) const
{
    // The map moved by whole pixels, so the old picture is the new one shifted; only the strips
    // it uncovers are drawn, each alone so the view draws just the features under it.
    QImage out(picture.size(), picture.format());
    out.setDevicePixelRatio(picture.devicePixelRatio());
    QPainter cp(&out);
    cp.drawImage(offset, picture);
    cp.setRenderHint(QPainter::Antialiasing);
    const QRect all = rect();
    const QRect columns = offset.x() > 0 ? QRect(0, 0, offset.x(), height())
                                         : QRect(width() + offset.x(), 0, -offset.x(), height());
    const QRect rows = offset.y() > 0 ? QRect(0, 0, width(), offset.y())
                                      : QRect(0, height() + offset.y(), width(), -offset.y());
    for (const QRect &strip : {columns & all, rows & all}) {
        if (strip.isEmpty())
            continue;
        cp.setClipRect(strip);
        m_view.draw(cp, QRectF(QPointF(0, 0), QSizeF(size())));
    }
    return out;
}

void MapWidget::resizeEvent(QResizeEvent *)
{
    m_view.setViewport(size());
    m_cache = QImage();
    emit extentChanged();
}

void MapWidget::mousePressEvent(QMouseEvent *e)
{
    setFocus(Qt::MouseFocusReason);
    emit mousePressed(e->button(), e->modifiers(), e->position());
    m_pressButton = e->button();
    m_pressModifiers = e->modifiers();
    m_pressPos = e->position().toPoint();
    m_panning = false;
    // Shift picks the other band: with tracking on a Shift+press is the caller's (a zoom out).
    const bool shift = e->modifiers() & Qt::ShiftModifier;
    if (e->button() == Qt::LeftButton && shift != m_tracking) {
        m_dragging = true;
        m_selectingBand = shift;
        m_origin = e->position().toPoint();
        m_band->setGeometry(QRect(m_origin, QSize()));
        m_band->show();
    }
}

void MapWidget::mouseMoveEvent(QMouseEvent *e)
{
    if (m_dragging) {
        m_band->setGeometry(QRect(m_origin, e->position().toPoint()).normalized());
        return;
    }
    const bool canPan = m_pressButton == Qt::MiddleButton || (m_pressButton == Qt::LeftButton && !m_tracking);
    if (!canPan || !(e->buttons() & m_pressButton))
        return;
    const QPoint offset = e->position().toPoint() - m_pressPos;
    if (!m_panning && offset.manhattanLength() < kMinDragPixels)
        return;
    if (!m_panning)
        setCursor(Qt::ClosedHandCursor);
    m_panning = true;
    m_panOffset = offset;
    update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent *e)
{
    if (e->button() == m_pressButton && !m_dragging) {
        m_pressButton = Qt::NoButton;
        if (m_panning) {
            m_panning = false;
            unsetCursor();
            const QPoint offset = e->position().toPoint() - m_pressPos;
            m_panOffset = QPoint();
            const QImage before = m_cache;
            m_view.panByPixels(offset); // drops the picture
            if (!before.isNull() && before.size() == size() * devicePixelRatioF())
                m_cache = shifted(before, offset);
        } else {
            emit clicked(e->button(), m_pressModifiers, m_pressPos);
        }
        return;
    }
    if (!m_dragging || e->button() != Qt::LeftButton)
        return;
    m_pressButton = Qt::NoButton;
    m_dragging = false;
    m_band->hide();
    const QRect r = QRect(m_origin, e->position().toPoint()).normalized();
    if (m_selectingBand) {
        // The pixels the band covers, edges included: a Shift+click covers the one clicked.
        const QPoint end = e->position().toPoint();
        const QPointF a = m_view.toMapPoint(QPointF(std::min(m_origin.x(), end.x()), std::min(m_origin.y(), end.y())));
        const QPointF b =
            m_view.toMapPoint(QPointF(std::max(m_origin.x(), end.x()) + 1, std::max(m_origin.y(), end.y()) + 1));
        emit bandSelected(QRectF(a, b).normalized(), m_pressModifiers & Qt::ControlModifier);
        return;
    }
    if (r.width() < kMinDragPixels || r.height() < kMinDragPixels) {
        emit rectangleTracked(QRectF());
        return;
    }
    const QPointF a = m_view.toMapPoint(r.topLeft()), b = m_view.toMapPoint(r.bottomRight());
    emit rectangleTracked(QRectF(a, b).normalized());
}

void MapWidget::wheelEvent(QWheelEvent *e)
{
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0 || m_panning) {
        e->ignore();
        return;
    }
    // Forward (away from the user) zooms in, as every map program does.
    m_view.zoomAbout(e->position(), std::pow(kZoomStep, -steps));
    e->accept();
}

void MapWidget::keyPressEvent(QKeyEvent *e)
{
    const QPointF centre(width() / 2.0, height() / 2.0);
    switch (e->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: // + without Shift on many keyboards
        m_view.zoomAbout(centre, 1 / kZoomStep);
        break;
    case Qt::Key_Minus:
        m_view.zoomAbout(centre, kZoomStep);
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    e->accept();
}

bool MapWidget::event(QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        auto *help = static_cast<QHelpEvent *>(e);
        const QString tip = tipAt && !m_panning ? tipAt(help->pos()) : QString();
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, this);
        return true;
    }
    return QWidget::event(e);
}

} // namespace qrn::ui

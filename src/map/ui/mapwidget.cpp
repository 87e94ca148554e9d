#include "map/ui/mapwidget.h"

#include "map/scalebar.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QTimer>

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
    p.drawImage(0, 0, m_cache);
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

void MapWidget::resizeEvent(QResizeEvent *)
{
    m_view.setViewport(size());
    m_cache = QImage();
    emit extentChanged();
}

void MapWidget::mousePressEvent(QMouseEvent *e)
{
    emit mousePressed(e->button(), e->modifiers(), e->position());
    if (m_tracking && e->button() == Qt::LeftButton && !(e->modifiers() & Qt::ShiftModifier)) {
        m_dragging = true;
        m_origin = e->position().toPoint();
        m_band->setGeometry(QRect(m_origin, QSize()));
        m_band->show();
    }
}

void MapWidget::mouseMoveEvent(QMouseEvent *e)
{
    if (m_dragging)
        m_band->setGeometry(QRect(m_origin, e->position().toPoint()).normalized());
}

void MapWidget::mouseReleaseEvent(QMouseEvent *e)
{
    if (!m_dragging || e->button() != Qt::LeftButton)
        return;
    m_dragging = false;
    m_band->hide();
    const QRect r = QRect(m_origin, e->position().toPoint()).normalized();
    if (r.width() < kMinDragPixels || r.height() < kMinDragPixels) {
        emit rectangleTracked(QRectF());
        return;
    }
    const QPointF a = m_view.toMapPoint(r.topLeft()), b = m_view.toMapPoint(r.bottomRight());
    emit rectangleTracked(QRectF(a, b).normalized());
}

} // namespace qrn::ui

#include "layout/ui/pagepreview.h"

#include "layout/drawingsurface.h"
#include "layout/pageoutput.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace qrn::ui {

namespace {
constexpr int kMarginPx = 6; // grey border around the paper
}

PagePreview::PagePreview(LayoutPage &page, PageItems &items, QWidget *parent)
    : QWidget(parent), m_page(page), m_items(items)
{
    setObjectName(QStringLiteral("Picture1"));
    setMinimumSize(220, 310);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFocusPolicy(Qt::StrongFocus); // for the arrow keys
}

double PagePreview::setupPage()
{
    const double dpi = logicalDpiX() > 0 ? logicalDpiX() : 96;
    const QSizeF inner(std::max(1, width() - 2 * kMarginPx) / dpi, std::max(1, height() - 2 * kMarginPx) / dpi);
    const double ratio = PageSetup(inner, m_page.pageSize);
    m_ppi = ratio * dpi;
    const QSizeF paper = m_page.pageSize * m_ppi;
    m_origin = QPointF((width() - paper.width()) / 2.0, (height() - paper.height()) / 2.0);
    return ratio;
}

void PagePreview::redraw()
{
    if (m_image.size() != size())
        m_image = QImage(size(), QImage::Format_RGB32);
    m_image.fill(palette().color(QPalette::Mid));
    QPainter painter(&m_image);
    paintPage(painter, m_page, m_items, m_ppi, m_origin);
    painter.end();
    update();
}

PageHit PagePreview::hit(QPointF inches) const
{
    PageHit answer;
    withMeasure([&](DrawingSurface &measure) { answer = hitTest(m_page, inches, measure); });
    return answer;
}

void PagePreview::withMeasure(const std::function<void(DrawingSurface &)> &f) const
{
    QImage scratch(1, 1, QImage::Format_RGB32);
    QPainter painter(&scratch);
    PainterSurface measure(painter, m_ppi, m_origin, m_page.pageSize);
    f(measure);
}

void PagePreview::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    if (m_image.size() == size())
        p.drawImage(0, 0, m_image);
    else
        p.fillRect(rect(), palette().color(QPalette::Mid));
}

void PagePreview::resizeEvent(QResizeEvent *e)
{
    QWidget::resizeEvent(e);
    setupPage();
    redraw();
}

void PagePreview::mousePressEvent(QMouseEvent *e)
{
    emit pressed(e->button(), toPage(e->position()));
}
void PagePreview::mouseMoveEvent(QMouseEvent *e)
{
    emit moved(e->buttons(), toPage(e->position()));
}
void PagePreview::mouseReleaseEvent(QMouseEvent *e)
{
    emit released(e->button(), toPage(e->position()));
}

void PagePreview::keyPressEvent(QKeyEvent *e)
{
    // A twentieth of an inch, a hundredth with Shift.
    const double step = e->modifiers() & Qt::ShiftModifier ? 0.01 : 0.05;
    QPointF d;
    switch (e->key()) {
    case Qt::Key_Left:
        d = {-step, 0};
        break;
    case Qt::Key_Right:
        d = {step, 0};
        break;
    case Qt::Key_Up:
        d = {0, -step};
        break;
    case Qt::Key_Down:
        d = {0, step};
        break;
    default:
        QWidget::keyPressEvent(e);
        return;
    }
    emit nudged(d);
}

} // namespace qrn::ui

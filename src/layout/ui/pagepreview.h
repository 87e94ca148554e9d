#pragma once
// The page preview of the layout editor: the whole page, scaled to fit, drawn into a kept image
// by redraw() and shown from it. Pointer positions are reported in page inches.

#include "layout/layoutpage.h"

#include <QImage>
#include <QWidget>
#include <functional>

namespace qrn {
class DrawingSurface;
}

namespace qrn::ui {

class PagePreview : public QWidget {
    Q_OBJECT
public:
    PagePreview(LayoutPage &page, PageItems &items, QWidget *parent = nullptr);

    // Maps the page onto the widget (page inches to pixels); returns the preview length per
    // page inch, in inches of the screen.
    double setupPage();
    // Clears the kept image and draws the page into it.
    void redraw();

    double pixelsPerInch() const { return m_ppi; }
    QPointF toPage(QPointF pixel) const { return (pixel - m_origin) / m_ppi; }
    QPointF toPixel(QPointF inches) const { return m_origin + inches * m_ppi; }
    const QImage &image() const { return m_image; }
    // Text sizes in page inches for the hit test, measured as the preview draws them.
    PageHit hit(QPointF inches) const;
    // Runs f with a surface that measures texts as the preview draws them.
    void withMeasure(const std::function<void(DrawingSurface &)> &f) const;

    QSize sizeHint() const override { return {440, 620}; }

signals:
    void pressed(Qt::MouseButton button, QPointF inches);
    void moved(Qt::MouseButtons buttons, QPointF inches);
    void released(Qt::MouseButton button, QPointF inches);
    // An arrow key: the direction, one step of the item moved (shorter with Shift), in inches.
    void nudged(QPointF step);

protected:
    void paintEvent(QPaintEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
    void mouseMoveEvent(QMouseEvent *e) override;
    void mouseReleaseEvent(QMouseEvent *e) override;
    void keyPressEvent(QKeyEvent *e) override;

private:
    LayoutPage &m_page;
    PageItems &m_items;
    QImage m_image;
    double m_ppi = 1;
    QPointF m_origin;
};

} // namespace qrn::ui

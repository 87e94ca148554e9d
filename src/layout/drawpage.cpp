#include "layout/drawpage.h"

#include "layout/drawingsurface.h"
#include "layout/layoutpage.h"
#include "layout/pagegeometry.h"

namespace qrn {

namespace {

// A text on the lines that fit inside the border, one below the other.
void drawText(DrawingSurface &s, const LayoutPage &page, const PageText &t, double factor)
{
    const QStringList lines = textLines(page, t, s);
    s.setFontName(t.fontName);
    // A size that is not a number leaves the surface's previous size.
    bool ok = false;
    const double size = t.fontSize.toDouble(&ok);
    if (ok)
        s.setFontSize(size * factor);
    s.setTextColor(t.colour);
    const double pitch = s.textHeight(t.text);
    for (int i = 0; i < lines.size(); ++i) {
        s.setCurrentXY(t.left, t.top + i * pitch);
        s.printText(lines[i]);
    }
}

// The scale bar: black and white halves with "0" over the left end and the length over the
// right one.
void drawScaleBar(DrawingSurface &s, const LayoutPage &page, double factor)
{
    const ScaleBarLength bar = pageScaleBar(page);
    if (bar.kilometres <= 0)
        return;
    const QRectF box = scaleBarBox(page, s); // sets the marks' font
    s.setFontSize(page.legend.count() > 0 ? page.legend[0].fontSize * factor : 8 * factor);
    s.setTextColor(Qt::black);
    const double barTop = box.bottom() - kScaleBarHeight;
    const QPointF at = page.scaleBarAt;
    s.setCurrentXY(at.x(), at.y());
    s.printText(QStringLiteral("0"));
    s.setCurrentXY(at.x() + bar.pixels - s.textWidth(bar.label) / 2.0, at.y());
    s.printText(bar.label);
    const double half = bar.pixels / 2.0;
    s.drawRect({at.x(), barTop}, {at.x() + half, box.bottom()}, Qt::black, true);
    s.drawRect({at.x() + half, barTop}, {at.x() + bar.pixels, box.bottom()}, Qt::white, true);
    s.drawRect({at.x(), barTop}, {at.x() + bar.pixels, box.bottom()}, Qt::black, false);
}

// The north arrow: an arrowhead pointing up, its left half black and its right half white,
// under an "N".
void drawNorthArrow(DrawingSurface &s, const LayoutPage &page, double factor)
{
    const QRectF box = northArrowBox(page, s); // sets the marks' font
    s.setFontSize(page.legend.count() > 0 ? page.legend[0].fontSize * factor : 8 * factor);
    s.setTextColor(Qt::black);
    const QString n = QStringLiteral("N");
    const double cx = box.center().x();
    s.setCurrentXY(cx - s.textWidth(n) / 2.0, box.top());
    s.printText(n);
    const double top = box.bottom() - page.northArrowSize;
    const double halfWidth = page.northArrowSize * 0.3;
    const QPointF tip(cx, top), notch(cx, box.bottom() - page.northArrowSize * 0.25);
    s.drawPolygon(QPolygonF({tip, QPointF(cx - halfWidth, box.bottom()), notch}), Qt::black);
    s.drawPolygon(QPolygonF({tip, QPointF(cx + halfWidth, box.bottom()), notch}), Qt::white);
}

} // namespace

void DrawPage(DrawingSurface &surface, const LayoutPage &page, const PageItems &items)
{
    const double factor = page.outputFactor;
    if (items.map)
        surface.drawPicture(
            page.map,
            QRectF(page.mapLeft, page.mapTop, page.mapWidth * page.zoom * factor, page.mapHeight * page.zoom * factor),
            page.mapFrame);
    if (items.frame) {
        const PageFrame &f = page.frame;
        surface.drawRect({f.left, f.top}, {f.right, f.bottom}, f.colour, false);
    }
    if (items.title)
        drawText(surface, page, page.title, factor);
    if (items.legend) {
        for (int i = 0; i < page.legend.count(); ++i) {
            const LegendRow &row = page.legend[i];
            surface.setFontName(row.fontName);
            surface.setCurrentXY(row.left + 0.2, row.top);
            surface.setFontSize(row.fontSize * factor);
            surface.setTextColor(row.textColour);
            surface.printText(row.text);
            const QPointF a(row.left, row.top), b(row.left - page.boxSize, row.top + page.boxSize);
            surface.drawRect(a, b, row.boxColour, true);
            if (row.noData)
                surface.hatchRect(a, b);
            surface.drawRect(a, b, Qt::black, false);
        }
    }
    if (items.description)
        drawText(surface, page, page.description, factor);
    if (items.scaleBar)
        drawScaleBar(surface, page, factor);
    if (items.northArrow)
        drawNorthArrow(surface, page, factor);
}

} // namespace qrn

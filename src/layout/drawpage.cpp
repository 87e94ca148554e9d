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
}

} // namespace qrn

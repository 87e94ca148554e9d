// The geometry of the page's items, in page inches. A drag or a nudge ends with the moved item
// brought back onto the paper (its top-left corner wins when it is larger than the paper); a new
// paper keeps the border's margins and arranges the page afresh. Text boxes are measured through
// the DrawingSurface given, the one that also draws them, so a box is where its text is drawn.
// Nothing here paints.

#include "layout/pagegeometry.h"

#include "layout/drawingsurface.h"

#include <algorithm>
#include <cmath>

namespace qrn {

namespace {

void measureFont(DrawingSurface &measure, const PageText &text)
{
    measure.setFontName(text.fontName);
    bool ok = false;
    const double size = text.fontSize.toDouble(&ok);
    if (ok)
        measure.setFontSize(size);
}

double textWidthAt(const PageText &text, DrawingSurface &measure)
{
    measureFont(measure, text);
    return measure.textWidth(text.text);
}

QRectF paperRect(const LayoutPage &page)
{
    return QRectF(QPointF(0, 0), page.pageSize);
}

// The corner a drag or a nudge moves.
QPointF itemCorner(const LayoutPage &page, int tab, int legendEntry)
{
    switch (tab) {
    case TabTitle:
        return {page.title.left, page.title.top};
    case TabMap:
        return {page.mapLeft, page.mapTop};
    case TabDescription:
        return {page.description.left, page.description.top};
    case ItemScaleBar:
        return page.scaleBarAt;
    case ItemNorthArrow:
        return page.northArrowAt;
    case TabLegend: {
        const int row = legendEntry == kAllLegendRows ? 0 : legendEntry - 1;
        if (row >= 0 && row < page.legend.count())
            return {page.legend[row].left, page.legend[row].top};
        return {};
    }
    default:
        return {};
    }
}

void translate(LayoutPage &page, int tab, int legendEntry, QPointF d)
{
    switch (tab) {
    case TabTitle:
        page.title.left += d.x(), page.title.top += d.y();
        break;
    case TabMap:
        page.mapLeft += d.x(), page.mapTop += d.y();
        break;
    case TabDescription:
        page.description.left += d.x(), page.description.top += d.y();
        break;
    case ItemScaleBar:
        page.scaleBarAt += d;
        break;
    case ItemNorthArrow:
        page.northArrowAt += d;
        break;
    case TabLegend:
        forLegendEntry(page, legendEntry, [d](LegendRow &r) { r.left += d.x(), r.top += d.y(); });
        break;
    default:
        break;
    }
}

// The shift that brings box onto the paper: its top-left corner wins when it is larger.
QPointF shiftOnto(const QRectF &box, const QRectF &paper)
{
    if (box.isEmpty())
        return {};
    auto axis = [](double lo, double hi, double min, double max) {
        if (hi > max)
            return std::max(max - hi, min - lo);
        if (lo < min)
            return min - lo;
        return 0.0;
    };
    return {axis(box.left(), box.right(), paper.left(), paper.right()),
            axis(box.top(), box.bottom(), paper.top(), paper.bottom())};
}

void keepOnPaper(LayoutPage &page, int tab, int legendEntry, DrawingSurface &measure)
{
    const QPointF shift = shiftOnto(itemBox(page, tab, legendEntry, measure), paperRect(page));
    if (!shift.isNull())
        translate(page, tab, legendEntry, shift);
}

} // namespace

double textRoom(const LayoutPage &page, const PageText &text)
{
    const double borderRight = page.frame.right - kItemGap;
    const double right = text.left < borderRight ? borderRight : page.pageSize.width();
    return std::max(0.0, right - text.left);
}

QStringList textLines(const LayoutPage &page, const PageText &text, DrawingSurface &measure)
{
    if (text.text.isEmpty())
        return {};
    measureFont(measure, text);
    const double room = textRoom(page, text);
    if (measure.textWidth(text.text) <= room)
        return {text.text};
    QStringList lines;
    QString line;
    for (const QString &word : text.text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
        const QString longer = line.isEmpty() ? word : line + QLatin1Char(' ') + word;
        if (!line.isEmpty() && measure.textWidth(longer) > room) {
            lines << line;
            line = word;
        } else {
            line = longer;
        }
    }
    if (!line.isEmpty())
        lines << line;
    return lines;
}

QRectF mapBox(const LayoutPage &page)
{
    return QRectF(page.mapLeft, page.mapTop, page.mapWidth * page.zoom, page.mapHeight * page.zoom);
}

QRectF textBox(const LayoutPage &page, const PageText &text, DrawingSurface &measure)
{
    const QStringList lines = textLines(page, text, measure);
    if (lines.isEmpty())
        return {};
    double width = 0;
    for (const QString &l : lines)
        width = std::max(width, measure.textWidth(l));
    return QRectF(text.left, text.top, width, lines.size() * measure.textHeight(text.text));
}

QRectF legendRowBox(const LayoutPage &page, int i, DrawingSurface &measure)
{
    const LegendRow &row = page.legend[i];
    measure.setFontName(row.fontName);
    measure.setFontSize(row.fontSize);
    const QRectF square(row.left - page.boxSize, row.top, page.boxSize, page.boxSize);
    const QRectF text(row.left + 0.2, row.top, measure.textWidth(row.text), measure.textHeight(row.text));
    return square.united(text);
}

QRectF legendBox(const LayoutPage &page, int legendEntry, DrawingSurface &measure)
{
    if (legendEntry != kAllLegendRows)
        return legendEntry >= 1 && legendEntry <= page.legend.count() ? legendRowBox(page, legendEntry - 1, measure)
                                                                       : QRectF();
    QRectF box;
    for (int i = 0; i < page.legend.count(); ++i)
        box = box.united(legendRowBox(page, i, measure));
    return box;
}

QRectF itemBox(const LayoutPage &page, int tab, int legendEntry, DrawingSurface &measure)
{
    switch (tab) {
    case TabTitle:
        return textBox(page, page.title, measure);
    case TabMap:
        return mapBox(page);
    case TabDescription:
        return textBox(page, page.description, measure);
    case TabLegend:
        return legendBox(page, legendEntry, measure);
    case ItemScaleBar:
        return scaleBarBox(page, measure);
    case ItemNorthArrow:
        return northArrowBox(page, measure);
    default:
        return {};
    }
}

ScaleBarLength pageScaleBar(const LayoutPage &page)
{
    if (!(page.zoom > 0))
        return {};
    return scaleBarFor(page.mapMetresPerInch / page.zoom, page.mapWidth * page.zoom / 3.0);
}

void markFont(const LayoutPage &page, DrawingSurface &measure)
{
    if (page.legend.count() > 0) {
        measure.setFontName(page.legend[0].fontName);
        measure.setFontSize(page.legend[0].fontSize);
    } else {
        measure.setFontName(page.description.fontName);
        measure.setFontSize(8);
    }
}

QRectF scaleBarBox(const LayoutPage &page, DrawingSurface &measure)
{
    const ScaleBarLength bar = pageScaleBar(page);
    if (bar.kilometres <= 0)
        return {};
    markFont(page, measure);
    const double labelWidth = measure.textWidth(bar.label);
    const double height = measure.textHeight(bar.label) + kScaleBarHeight;
    return QRectF(page.scaleBarAt, QSizeF(bar.pixels + labelWidth / 2.0, height));
}

QRectF northArrowBox(const LayoutPage &page, DrawingSurface &measure)
{
    markFont(page, measure);
    const QString n = QStringLiteral("N");
    const double width = std::max(page.northArrowSize * 0.6, measure.textWidth(n));
    return QRectF(page.northArrowAt, QSizeF(width, measure.textHeight(n) + page.northArrowSize));
}

int markUnder(const LayoutPage &page, const PageItems &items, QPointF at, DrawingSurface &measure)
{
    if (items.northArrow && northArrowBox(page, measure).contains(at))
        return ItemNorthArrow;
    if (items.scaleBar && scaleBarBox(page, measure).contains(at))
        return ItemScaleBar;
    return -1;
}

void arrangePage(LayoutPage &page, DrawingSurface &measure)
{
    const QRectF inner = QRectF(QPointF(page.frame.left, page.frame.top), QPointF(page.frame.right, page.frame.bottom))
                             .normalized()
                             .adjusted(kItemGap, kItemGap, -kItemGap, -kItemGap);

    // The title, centred on one line when it fits.
    page.title.top = inner.top();
    page.title.left = inner.left();
    const double titleWidth = std::min(textWidthAt(page.title, measure), inner.width());
    page.title.left = inner.center().x() - titleWidth / 2.0;
    const double titleBottom = page.title.text.isEmpty() ? inner.top() : textBox(page, page.title, measure).bottom();

    // The description at the foot of the border.
    page.description.left = inner.left();
    page.description.top = inner.bottom() - textBox(page, page.description, measure).height();

    // The legend above it, its squares against the border's inner edge.
    const QPointF legendCorner(inner.left() + page.boxSize, 0);
    for (int i = 0; i < page.legend.count(); ++i) {
        page.legend[i].left = legendCorner.x();
        page.legend[i].top = page.rowOffset(i);
    }
    const QRectF legend = legendBox(page, kAllLegendRows, measure);
    const double legendTop = page.description.top - (legend.isEmpty() ? 0.0 : kItemGap + legend.height());
    for (int i = 0; i < page.legend.count(); ++i)
        page.legend[i].top += legendTop - legend.top();

    // The map in the room left between title and legend.
    const double top = titleBottom + kItemGap;
    const double room = legendTop - kItemGap - top;
    double zoom = 1.0;
    if (page.mapWidth > 0 && page.mapHeight > 0)
        zoom = std::min(inner.width() / page.mapWidth, room / page.mapHeight);
    page.zoom = std::max(0.1, std::floor(zoom * 100.0 + 1e-9) / 100.0);
    page.mapTop = top;
    page.mapLeft = inner.center().x() - page.mapWidth * page.zoom / 2.0;

    // The marks inside the map's corners, clear of its edge.
    const QRectF map = mapBox(page);
    page.scaleBarAt = {map.left() + kItemGap, 0};
    page.scaleBarAt.setY(map.bottom() - kItemGap - scaleBarBox(page, measure).height());
    page.northArrowAt = {0, map.top() + kItemGap};
    page.northArrowAt.setX(map.right() - kItemGap - northArrowBox(page, measure).width());
}

void moveItem(LayoutPage &page, int tab, int legendEntry, QPointF delta, DrawingSurface &measure)
{
    translate(page, tab, legendEntry, delta);
    keepOnPaper(page, tab, legendEntry, measure);
}

DragGrip gripItem(const LayoutPage &page, int tab, int legendEntry, QPointF at)
{
    return {tab, legendEntry, itemCorner(page, tab, legendEntry) - at};
}

void dragItem(LayoutPage &page, const DragGrip &grip, QPointF at, DrawingSurface &measure)
{
    const QPointF target = at + grip.offset;
    moveItem(page, grip.tab, grip.legendEntry, target - itemCorner(page, grip.tab, grip.legendEntry), measure);
}

void settleTexts(LayoutPage &page, DrawingSurface &measure)
{
    // A title too long for the room right of it starts further left.
    const double borderLeft = std::min(page.frame.left, page.frame.right) + kItemGap;
    const double borderRight = std::max(page.frame.left, page.frame.right) - kItemGap;
    const double titleWidth = textWidthAt(page.title, measure);
    if (page.title.left < borderRight && page.title.left + titleWidth > borderRight)
        page.title.left = std::max(borderLeft, borderRight - titleWidth);

    const QRectF legend = legendBox(page, kAllLegendRows, measure);

    // A title grown onto the map pushes the map down, smaller when it would reach the legend.
    const QRectF title = textBox(page, page.title, measure);
    if (!title.isEmpty() && title.intersects(mapBox(page))) {
        page.mapTop = title.bottom() + kItemGap;
        const QRectF map = mapBox(page);
        if (!legend.isEmpty() && map.intersects(legend) && page.mapHeight > 0) {
            const double room = legend.top() - kItemGap - page.mapTop;
            const double zoom = std::max(0.1, std::floor(room / page.mapHeight * 100.0 + 1e-9) / 100.0);
            // Shrunk about its centre line, as the page was arranged.
            page.mapLeft += page.mapWidth * (page.zoom - zoom) / 2.0;
            page.zoom = zoom;
        }
    }

    // The description clear of the legend.
    const QRectF desc = textBox(page, page.description, measure);
    if (!legend.isEmpty() && !desc.isEmpty() && legend.intersects(desc)) {
        if (legend.bottom() + kItemGap + desc.height() <= page.pageSize.height())
            page.description.top = legend.bottom() + kItemGap;
        else
            page.description.top = legend.top() - kItemGap - desc.height();
    }
    for (int tab : {TabTitle, TabMap, TabLegend, TabDescription, ItemScaleBar, ItemNorthArrow})
        keepOnPaper(page, tab, kAllLegendRows, measure);
}

void changePaper(LayoutPage &page, QSizeF paper, DrawingSurface &measure)
{
    const double rightMargin = page.pageSize.width() - page.frame.right;
    const double bottomMargin = page.pageSize.height() - page.frame.bottom;
    page.pageSize = paper;
    page.frame.right = paper.width() - rightMargin;
    page.frame.bottom = paper.height() - bottomMargin;
    arrangePage(page, measure);
}

} // namespace qrn

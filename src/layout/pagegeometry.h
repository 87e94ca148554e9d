#pragma once
// Where the items of a page lie and the rules that keep them tidy: the boxes of the items as they
// are drawn (texts wrapped inside the border), the opening arrangement (title, map, legend and
// description stacked inside the border without overlapping), the drag that keeps the offset at
// which the item was grabbed, and the rule that no item leaves the paper.
// Every length is in page inches; text sizes come from a DrawingSurface, as drawn.

#include "layout/layoutpage.h"
#include "layout/scalelength.h"

#include <QRectF>
#include <QStringList>

namespace qrn {

class DrawingSurface;

// Space kept inside the border and between stacked items.
inline constexpr double kItemGap = 0.15;

// The lines a text item is drawn on: its words wrapped so that each line fits in the room from
// its left edge to the border (a single word longer than the room keeps a line of its own).
QStringList textLines(const LayoutPage &page, const PageText &text, DrawingSurface &measure);
// Width a text item may take: from its left edge to the border's inner edge, or to the paper's
// edge for a text placed right of the border.
double textRoom(const LayoutPage &page, const PageText &text);

QRectF mapBox(const LayoutPage &page);
// The scale bar of the map as it lies on the page: the round length that fits in a third of the
// map item's width, its length in page inches (kilometres 0 without a known ground size).
ScaleBarLength pageScaleBar(const LayoutPage &page);
// Height of the bar itself below its labels, inches.
inline constexpr double kScaleBarHeight = 0.08;
// The scale bar with its labels ("0" over its left end, the length over its right end), and the
// north arrow with the "N" over it; empty when there is nothing to draw.
QRectF scaleBarBox(const LayoutPage &page, DrawingSurface &measure);
QRectF northArrowBox(const LayoutPage &page, DrawingSurface &measure);
// The font of the two map marks: the legend's, at its size.
void markFont(const LayoutPage &page, DrawingSurface &measure);
// The scale bar or the north arrow under the pointer when shown (ItemScaleBar, ItemNorthArrow),
// -1 for neither.
int markUnder(const LayoutPage &page, const PageItems &items, QPointF at, DrawingSurface &measure);
QRectF textBox(const LayoutPage &page, const PageText &text, DrawingSurface &measure);
// A legend row: its square (left of row.left) and its text.
QRectF legendRowBox(const LayoutPage &page, int row, DrawingSurface &measure);
// The whole legend, or one row for entry k >= 1; empty without rows.
QRectF legendBox(const LayoutPage &page, int legendEntry, DrawingSurface &measure);
// The box of what the tab selects; empty for the border and for a missing item.
QRectF itemBox(const LayoutPage &page, int tab, int legendEntry, DrawingSurface &measure);

// The opening arrangement: the title centred at the top of the border, the description at its
// foot, the legend above the description, and the map between title and legend, at the largest
// whole-percent zoom that fits the border (never below 10 %).
void arrangePage(LayoutPage &page, DrawingSurface &measure);

// Moves what the tab selects by delta, then back onto the paper if it left it. The whole legend
// moves as a block.
void moveItem(LayoutPage &page, int tab, int legendEntry, QPointF delta, DrawingSurface &measure);

// A drag: the item keeps the offset between its corner and the pointer at which it was grabbed.
struct DragGrip {
    int tab = -1;
    int legendEntry = 0;
    QPointF offset; // item corner minus pointer
};
DragGrip gripItem(const LayoutPage &page, int tab, int legendEntry, QPointF at);
void dragItem(LayoutPage &page, const DragGrip &grip, QPointF at, DrawingSurface &measure);

// After a text, font or size changed: a title that would run past the border moves left (as far
// as the border's inner edge; longer titles wrap), a title grown onto the map pushes the map
// down (smaller, when it would reach the legend), a description that now overlaps the legend
// moves below it (above it when there is no room below), and every item stays on the paper.
void settleTexts(LayoutPage &page, DrawingSurface &measure);

// A new paper (inches): the border keeps its distances from the edges and the page is arranged
// anew for the paper.
void changePaper(LayoutPage &page, QSizeF paper, DrawingSurface &measure);

} // namespace qrn

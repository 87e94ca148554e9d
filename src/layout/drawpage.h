#pragma once
// DrawPage: the one drawing of the page, on the preview, the printer and every page file.

namespace qrn {

class DrawingSurface;
struct LayoutPage;
struct PageItems;

// Draws the switched-on items in the order map, frame, title, legend, description, scale bar,
// north arrow. The map and
// the font sizes are scaled by the page's outputFactor; positions are page inches.
void DrawPage(DrawingSurface &surface, const LayoutPage &page, const PageItems &items);

} // namespace qrn

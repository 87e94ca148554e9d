#include "layout/pagememory.h"

namespace qrn {

namespace {

bool sameClasses(const std::vector<LegendEntry> &a, const std::vector<LegendEntry> &b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const LegendEntry &x, const LegendEntry &y) {
        return x.colour == y.colour && x.text == y.text;
    });
}

} // namespace

void PageMemory::keep(const MapPageRequest &request, const LayoutPage &page, const PageItems &items)
{
    Entry e {request.legend, {page, items}};
    e.kept.page.map = QPicture(); // the picture comes with every opening
    m_pages[request.variableText] = std::move(e);
}

std::optional<KeptPage> PageMemory::recall(const MapPageRequest &request) const
{
    const auto found = m_pages.find(request.variableText);
    if (found == m_pages.end())
        return std::nullopt;
    KeptPage k = found->second.kept;
    LayoutPage &page = k.page;
    page.map = request.map;
    page.mapFrame = request.mapFrame.isEmpty() ? QRectF(request.map.boundingRect()) : request.mapFrame;
    page.mapWidth = request.mapSize.width();
    page.mapHeight = request.mapSize.height();
    page.mapMetresPerInch = mapMetresPerInch(request);
    if (!sameClasses(found->second.legend, request.legend)) {
        const PageLegend old = page.legend;
        page.legend = PageLegend();
        for (size_t r = 0; r < request.legend.size(); ++r) {
            LegendRow row;
            if (old.count() > 0) {
                row = old[std::min(int(r), old.count() - 1)];
                row.left = old[0].left;
                row.top = old[0].top + page.rowOffset(int(r));
            }
            row.text = request.legend[r].text;
            row.boxColour = request.legend[r].colour;
            page.legend.add(row);
        }
    }
    return k;
}

} // namespace qrn

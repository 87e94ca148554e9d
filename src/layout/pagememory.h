#pragma once
// The pages the layout editor was closed on, one a map, so that opening the editor again for
// the same map brings back what the user did to its page: places, texts, fonts, colours, the
// border, the zoom, the paper, the switches. A map is the same map when its variable text is the
// same; its picture is always the one handed over now. The legend keeps its edited rows while
// the map's classes are the same; new classes take the new rows in the kept legend's place and
// style.

#include "layout/layoutpage.h"

#include <QString>
#include <map>
#include <optional>

namespace qrn {

struct KeptPage {
    LayoutPage page;
    PageItems items;
};

class PageMemory {
public:
    void keep(const MapPageRequest &request, const LayoutPage &page, const PageItems &items);
    std::optional<KeptPage> recall(const MapPageRequest &request) const;

private:
    struct Entry {
        std::vector<LegendEntry> legend; // the classes the page was made for
        KeptPage kept;
    };
    std::map<QString, Entry> m_pages;
};

} // namespace qrn

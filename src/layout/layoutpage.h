#pragma once
// The printable map page: a map picture, a title, a description, a legend and a border, all
// placed in inches on the page (origin at the top-left corner, y downwards), with the editing
// operations of the layout editor that do not need a window.

#include <QColor>
#include <QPicture>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

class DrawingSurface;

struct PageText {
    double top = 0;
    double left = 0;
    QString fontSize; // whole points, as the size list shows them
    QString fontName;
    QString text;
    QColor colour = Qt::black;
};

struct PageFrame {
    double top = 0;
    double bottom = 0;
    double right = 0;
    double left = 0;
    QColor colour = Qt::black;
};

// One legend row: its coloured square lies left of `left`, its text starts 0.2 inch right of it.
struct LegendRow {
    QString fontName;
    qint16 fontSize = 8;
    QString text;
    double left = 0;
    double top = 0;
    QColor textColour = Qt::black;
    QColor boxColour = Qt::white;
    bool noData = false; // the square is hatched as the map draws territories without data
};

class PageLegend {
public:
    void add(const LegendRow &row) { m_rows.push_back(row); }
    int count() const { return int(m_rows.size()); }
    LegendRow &operator[](int i) { return m_rows.at(size_t(i)); }
    const LegendRow &operator[](int i) const { return m_rows.at(size_t(i)); }

private:
    std::vector<LegendRow> m_rows;
};

// Which items are drawn: the editor's switches. The scale bar and the north arrow start hidden.
struct PageItems {
    bool map = true;
    bool frame = true;
    bool title = true;
    bool legend = true;
    bool description = true;
    bool scaleBar = false;
    bool northArrow = false;
};

// The scale of the map and of the texts on the printer relative to the preview. The preview
// already draws in page inches with fonts sized in page points, so the print matches it at 1.
inline constexpr double kPrintOutputFactor = 1.0;

struct LayoutPage {
    QPicture map;
    QRectF mapFrame; // the part of the picture that is the map, in picture coordinates
    double mapWidth = 0; // size of the map item at zoom 1, inches
    double mapHeight = 0;
    double mapLeft = 0.578;
    double mapTop = 1.007;
    double zoom = 1.0;
    double outputFactor = 1.0;
    double previewRatio = 1.0;
    double legendTop = 8.0;
    double legendPitch = 0.5;
    double boxSize = 0.3;
    QSizeF pageSize; // inches
    PageText title;
    PageText description;
    PageFrame frame;
    PageLegend legend;
    // Ground metres one inch of the map item stands for at zoom 1 (0: unknown, no scale bar).
    double mapMetresPerInch = 0;
    QPointF scaleBarAt; // top-left corner of the scale bar with its labels, inches
    QPointF northArrowAt; // top-left corner of the north arrow with its "N", inches
    double northArrowSize = 0.5; // height of the arrow, inches

    // Distance of legend row i below the first row.
    double rowOffset(int i) const { return 2.0 * i * legendPitch / 3.0; }
};

// What the map window hands to the layout editor.
struct LegendEntry {
    QColor colour; // the class colour (the square)
    QString text; // the class text
    bool noData = false; // the no-data row: its square is hatched
};
struct MapPageRequest {
    QPicture map;
    QRectF mapFrame; // empty: the picture's bounding rectangle
    QSizeF mapSize; // inches at zoom 1 (about 10 inches wide suits an A4 page)
    QSizeF mapMetres; // ground size mapFrame shows, metres (empty: unknown, no scale bar)
    QString variableText; // becomes the description
    std::vector<LegendEntry> legend;
    bool printAtOnce = false; // "Salva e Stampa"
};

// The editor's starting choices.
struct PageDefaults {
    QSizeF pageSize;
    QString titleFont, legendFont, descriptionFont;
    QString titleSize = QStringLiteral("14");
    QString legendSize = QStringLiteral("8");
    QString descriptionSize = QStringLiteral("6");
    int zoomPercent = 65;
};

// The font lists offer the families in this order; the editor starts on the fourteenth, or on
// fallback when the list is shorter.
inline constexpr int kDefaultFontEntry = 13;
QString defaultFontEntry(const QStringList &families, const QString &fallback);
// The defaults on this system: its font families and the A4 page unless another is given.
PageDefaults editorDefaults(QSizeF pageSize = QSizeF());
QSizeF a4PageInches();

// The papers the editor offers, in the order of its list, and their size in inches.
enum class Paper { A4, A3, Letter };
QStringList paperNames(); // "A4", "A3", "Letter"
QSizeF paperInches(Paper paper, bool landscape);

// The page as the editor lays it out when it opens: the items arranged inside the border without
// overlapping (arrangePage), measured with the fonts of this system.
LayoutPage makeLayoutPage(const MapPageRequest &request, const PageDefaults &defaults);
// Ground metres per inch of the handed map at zoom 1; 0 when its ground size is unknown.
double mapMetresPerInch(const MapPageRequest &request);

// Preview length per page inch for a preview of that size showing the whole page.
double PageSetup(const QSizeF &previewInches, const QSizeF &pageInches);

// The tabs of the editor, which also name what a drag moves; the scale bar and the north arrow
// have no tab of their own: a drag that starts on them moves them.
enum EditorTab {
    TabTitle = 0,
    TabMap = 1,
    TabFrame = 2,
    TabLegend = 3,
    TabDescription = 4,
    ItemScaleBar = 5,
    ItemNorthArrow = 6
};

// The legend list starts with an entry for all rows; entry k >= 1 is row k - 1.
inline constexpr int kAllLegendRows = 0;
template <class F> void forLegendEntry(LayoutPage &page, int entry, F &&f)
{
    if (entry == kAllLegendRows) {
        for (int i = 0; i < page.legend.count(); ++i)
            f(page.legend[i]);
    } else if (entry >= 1 && entry <= page.legend.count()) {
        f(page.legend[entry - 1]);
    }
}

// Names under a right-click, in the order "Leggenda", "Titolo", "Mappa" (edges excluded), and
// the legend row that was hit (-1 for none). measure supplies the text sizes.
struct PageHit {
    QStringList names;
    int legendRow = -1;
};
PageHit hitTest(const LayoutPage &page, QPointF at, DrawingSurface &measure);
// The tab a chosen name selects (case-insensitive), -1 for anything else.
int tabForSelection(const QString &selection);

} // namespace qrn

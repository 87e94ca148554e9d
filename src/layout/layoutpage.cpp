#include "layout/layoutpage.h"

#include "layout/drawingsurface.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QPageSize>

namespace qrn {

QString defaultFontEntry(const QStringList &families, const QString &fallback)
{
    return families.size() > kDefaultFontEntry ? families.at(kDefaultFontEntry) : fallback;
}

QSizeF a4PageInches()
{
    return QPageSize(QPageSize::A4).size(QPageSize::Inch);
}

PageDefaults editorDefaults(QSizeF pageSize)
{
    PageDefaults d;
    d.pageSize = pageSize.isEmpty() ? a4PageInches() : pageSize;
    const QString font = defaultFontEntry(QFontDatabase::families(), QGuiApplication::font().family());
    d.titleFont = d.legendFont = d.descriptionFont = font;
    return d;
}

LayoutPage makeLayoutPage(const MapPageRequest &request, const PageDefaults &defaults)
{
    LayoutPage page;
    page.pageSize = defaults.pageSize;
    page.map = request.map;
    page.mapFrame = request.mapFrame.isEmpty() ? QRectF(request.map.boundingRect()) : request.mapFrame;
    page.mapWidth = request.mapSize.width();
    page.mapHeight = request.mapSize.height();

    page.title = {0.493,    2.948, defaults.titleSize, defaults.titleFont, QStringLiteral("Inserire un Titolo"),
                  Qt::black};
    page.description = {10.0, 1.0, defaults.descriptionSize, defaults.descriptionFont, request.variableText, Qt::black};
    const qint16 legendSize = qint16(defaults.legendSize.toInt());
    for (size_t r = 0; r < request.legend.size(); ++r) {
        LegendRow row;
        row.fontName = defaults.legendFont;
        row.fontSize = legendSize;
        row.text = request.legend[r].text;
        row.boxColour = request.legend[r].colour;
        row.noData = request.legend[r].noData;
        row.left = 1.3;
        row.top = page.legendTop + page.rowOffset(int(r));
        page.legend.add(row);
    }
    page.frame = {0.5, page.pageSize.height() - 0.5, page.pageSize.width() - 0.5, 0.5, Qt::black};
    page.zoom = defaults.zoomPercent / 100.0;
    return page;
}

double PageSetup(const QSizeF &previewInches, const QSizeF &pageInches)
{
    if (pageInches.isEmpty())
        return 1.0;
    const double ratioH = previewInches.height() / pageInches.height();
    const double ratioW = previewInches.width() / pageInches.width();
    return ratioH < ratioW ? ratioH : ratioW;
}

void dragItem(LayoutPage &page, int tab, int legendEntry, QPointF at)
{
    switch (tab) {
    case TabTitle:
        page.title.left = at.x();
        page.title.top = at.y();
        break;
    case TabMap:
        page.mapLeft = at.x();
        page.mapTop = at.y();
        break;
    case TabLegend:
        if (legendEntry == kAllLegendRows) {
            for (int i = 0; i < page.legend.count(); ++i) {
                page.legend[i].left = at.x();
                page.legend[i].top = at.y() + page.rowOffset(i);
            }
        } else {
            forLegendEntry(page, legendEntry, [at](LegendRow &row) {
                row.left = at.x();
                row.top = at.y();
            });
        }
        break;
    case TabDescription:
        page.description.left = at.x();
        page.description.top = at.y();
        break;
    default:
        break;
    }
}

PageHit hitTest(const LayoutPage &page, QPointF at, DrawingSurface &measure)
{
    const double x = at.x(), y = at.y();
    PageHit hit;
    for (int i = 0; i < page.legend.count(); ++i) {
        const LegendRow &row = page.legend[i];
        measure.setFontName(row.fontName);
        measure.setFontSize(row.fontSize);
        const double w1 = measure.textWidth(QStringLiteral("QQ"));
        const double w2 = measure.textWidth(row.text);
        if (row.left - 0.2 < x && x < row.left + w1 + w2 && row.top < y && y < row.top + 0.3) {
            hit.names << QStringLiteral("Leggenda");
            hit.legendRow = i;
            break;
        }
    }
    measure.setFontName(page.title.fontName);
    measure.setFontSize(page.title.fontSize.toDouble());
    const double w = measure.textWidth(page.title.text), h = measure.textHeight(page.title.text);
    if (page.title.left < x && x < page.title.left + w && page.title.top < y && y < page.title.top + h)
        hit.names << QStringLiteral("Titolo");
    if (page.mapLeft < x && x < page.mapLeft + page.mapWidth * page.zoom && page.mapTop < y
        && y < page.mapTop + page.mapHeight * page.zoom)
        hit.names << QStringLiteral("Mappa");
    return hit;
}

int tabForSelection(const QString &selection)
{
    if (selection.compare(QLatin1String("leggenda"), Qt::CaseInsensitive) == 0)
        return TabLegend;
    if (selection.compare(QLatin1String("titolo"), Qt::CaseInsensitive) == 0)
        return TabTitle;
    if (selection.compare(QLatin1String("mappa"), Qt::CaseInsensitive) == 0)
        return TabMap;
    return -1;
}

} // namespace qrn

#include "layout/layoutpage.h"

#include "layout/drawingsurface.h"
#include "layout/pagegeometry.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>

#include <algorithm>

namespace qrn {

QString defaultFontEntry(const QStringList &families, const QString &fallback)
{
    return families.size() > kDefaultFontEntry ? families.at(kDefaultFontEntry) : fallback;
}

QSizeF a4PageInches()
{
    return QPageSize(QPageSize::A4).size(QPageSize::Inch);
}

QStringList paperNames()
{
    return {QStringLiteral("A4"), QStringLiteral("A3"), QStringLiteral("Letter")};
}

QSizeF paperInches(Paper paper, bool landscape)
{
    const QPageSize::PageSizeId id = paper == Paper::A3       ? QPageSize::A3
                                     : paper == Paper::Letter ? QPageSize::Letter
                                                              : QPageSize::A4;
    const QSizeF portrait = QPageSize(id).size(QPageSize::Inch);
    return landscape ? portrait.transposed() : portrait;
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
    page.mapMetresPerInch = mapMetresPerInch(request);

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
    // Measured as a 300 dpi device draws; text sizes in inches hardly depend on the resolution.
    QImage scratch(1, 1, QImage::Format_RGB32);
    scratch.setDotsPerMeterX(11811), scratch.setDotsPerMeterY(11811);
    QPainter painter(&scratch);
    PainterSurface measure(painter, 300, QPointF(), page.pageSize);
    arrangePage(page, measure);
    return page;
}

double mapMetresPerInch(const MapPageRequest &request)
{
    if (request.mapSize.isEmpty() || request.mapMetres.isEmpty())
        return 0;
    // The map keeps its units square: the axis the ground fills sets the scale.
    return std::max(request.mapMetres.width() / request.mapSize.width(),
                    request.mapMetres.height() / request.mapSize.height());
}

double PageSetup(const QSizeF &previewInches, const QSizeF &pageInches)
{
    if (pageInches.isEmpty())
        return 1.0;
    const double ratioH = previewInches.height() / pageInches.height();
    const double ratioW = previewInches.width() / pageInches.width();
    return ratioH < ratioW ? ratioH : ratioW;
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
    const QRectF title = textBox(page, page.title, measure);
    if (title.left() < x && x < title.right() && title.top() < y && y < title.bottom())
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

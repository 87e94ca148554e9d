// Painting a page onto a printer, an image, a PDF or an SVG, and writing page files. Every file
// is written under another name and renamed into place only when complete (a series of year pages
// is renamed together after the last page, or after a page that failed), so a target holds the
// old page or the new one, never a part. Progress steps may stop the work only before the renames.
// Nothing here asks the user or logs: the outcome is a WriteResult.

#include "layout/pageoutput.h"

#include "imaging/dibsection.h"
#include "imaging/jpegwriter.h"
#include "layout/drawingsurface.h"
#include "layout/drawpage.h"
#include "layout/svgtext.h"
#include "shell/filewrite.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <cmath>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace qrn {

namespace {

constexpr double kPdfResolution = 1200;
constexpr double kSvgResolution = 96;

// Hands a step on; an empty function never stops.
bool stepDone(const PageSteps &steps, std::size_t done, std::size_t total)
{
    return !steps || steps(done, total);
}

double dotsPerMeter(double ppi)
{
    return ppi / 0.0254;
}

QSize pagePixels(const LayoutPage &page, double pixelsPerInch)
{
    return QSize(int(std::lround(page.pageSize.width() * pixelsPerInch)),
                 int(std::lround(page.pageSize.height() * pixelsPerInch)));
}

// A page in a format of Qt's image writers, written whole: step 1 once painted, step 2 once
// encoded, the last word before the file replaces an earlier one.
WriteResult writeImage(const LayoutPage &page, const PageItems &items, double pixelsPerInch, const QString &name,
                       const char *format, const PageSteps &steps)
{
    const QImage image = renderPageImage(page, items, pixelsPerInch);
    if (!stepDone(steps, 1, 2))
        return WriteResult::failed(pageOutputStoppedText());
    bool stopped = false;
    const WriteResult written = writeWholeFile(name, [&](QIODevice &out, QString &) {
        if (!image.save(&out, format))
            return false;
        stopped = !stepDone(steps, 2, 2);
        return !stopped;
    });
    return stopped ? WriteResult::failed(pageOutputStoppedText()) : written;
}

// The page is drawn straight into the bitmap section that the JPEG writer reads in place: no
// temporary bitmap file, no second image, no conversion of a copy.
WriteResult writeJpeg(const LayoutPage &page, const PageItems &items, double pixelsPerInch, const QString &name,
                      const PageSteps &steps)
{
    const QSize px = pagePixels(page, pixelsPerInch);
    cDIBSection dib;
    if (!dib.CreateByPainting(px.width(), px.height(),
                              [&](QPainter &painter) { paintPage(painter, page, items, pixelsPerInch); }))
        return WriteResult::failed(QStringLiteral("Memoria insufficiente per l'immagine della pagina."));
    if (!stepDone(steps, 1, 1))
        return WriteResult::failed(pageOutputStoppedText());
    return WriteJpegFile(dib, name, kJpegQuality, pixelsPerInch);
}

// One step per page drawn; stopped is set when a step answers false.
bool writePdf(const std::vector<LayoutPage> &pages, const PageItems &items, QIODevice &out, const PageSteps &steps,
              bool &stopped)
{
    QPdfWriter pdf(&out);
    pdf.setResolution(int(kPdfResolution));
    pdf.setCreator(QStringLiteral("Quarnaro"));
    bool first = true;
    QPainter painter;
    for (const LayoutPage &page : pages) {
        pdf.setPageLayout(QPageLayout(QPageSize(page.pageSize, QPageSize::Inch), QPageLayout::Portrait, QMarginsF()));
        if (first) {
            if (!painter.begin(&pdf))
                return false;
            first = false;
        } else if (!pdf.newPage()) {
            return false;
        }
        paintPage(painter, page, items, kPdfResolution);
        if (!stepDone(steps, std::size_t(&page - pages.data()) + 1, pages.size())) {
            stopped = true;
            return false;
        }
    }
    return painter.isActive() ? painter.end() : false;
}

bool writeSvg(const LayoutPage &original, const PageItems &items, QIODevice &out)
{
    // The generator writes family names between quotes as they are, and keeps in the texts it
    // draws the characters XML does not allow.
    LayoutPage page = original;
    for (PageText *t : {&page.title, &page.description}) {
        t->fontName = svgFontFamily(t->fontName);
        t->text = svgCharacters(t->text);
    }
    for (int i = 0; i < page.legend.count(); ++i) {
        page.legend[i].fontName = svgFontFamily(page.legend[i].fontName);
        page.legend[i].text = svgCharacters(page.legend[i].text);
    }
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setResolution(int(kSvgResolution));
    const QSize px = (page.pageSize * kSvgResolution).toSize();
    svg.setSize(px);
    svg.setViewBox(QRect(QPoint(0, 0), px));
    setSvgTexts(svg, page.title.text, page.description.text);
    QPainter painter;
    if (!painter.begin(&svg))
        return false;
    paintPage(painter, page, items, kSvgResolution);
    return painter.end();
}

} // namespace

QString pageSaveFilter()
{
    return QStringLiteral("BMP|*.bmp|Jpg|*.jpg|PDF|*.pdf|SVG|*.svg|PNG|*.png");
}

PageFormat pageFormatForName(const QString &name)
{
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("pdf"))
        return PageFormat::Pdf;
    if (suffix == QLatin1String("svg"))
        return PageFormat::Svg;
    if (suffix == QLatin1String("png"))
        return PageFormat::Png;
    if (name.contains(QLatin1String(".jpg"), Qt::CaseInsensitive))
        return PageFormat::Jpeg;
    return PageFormat::Bmp;
}

void paintPage(QPainter &painter, const LayoutPage &page, const PageItems &items, double pixelsPerInch, QPointF origin)
{
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    PainterSurface surface(painter, pixelsPerInch, origin, page.pageSize);
    surface.clear();
    DrawPage(surface, page, items);
}

QImage renderPageImage(const LayoutPage &page, const PageItems &items, double pixelsPerInch)
{
    const QSize px = pagePixels(page, pixelsPerInch);
    // Painted at the image's own resolution, which a replayed picture assumes; the file's
    // resolution is set afterwards.
    QImage image(px, QImage::Format_RGB32);
    QPainter painter(&image);
    paintPage(painter, page, items, pixelsPerInch);
    painter.end();
    image.setDotsPerMeterX(int(std::lround(dotsPerMeter(pixelsPerInch))));
    image.setDotsPerMeterY(int(std::lround(dotsPerMeter(pixelsPerInch))));
    return image;
}

bool PrintPage(LayoutPage &page, const PageItems &items, QPagedPaintDevice &device)
{
    QPainter painter;
    if (!painter.begin(&device))
        return false;
    const int dpi = device.logicalDpiX();
    // The painter starts at the printable area; the page's corner lies the margins before it.
    const QPointF origin = -QPointF(device.pageLayout().paintRectPixels(dpi).topLeft());
    page.outputFactor = kPrintOutputFactor;
    PainterSurface surface(painter, dpi, origin, page.pageSize);
    DrawPage(surface, page, items);
    page.outputFactor = 1.0;
    return painter.end();
}

WriteResult writePageFile(const std::vector<LayoutPage> &pages, const PageItems &items, const QString &name,
                          double rasterPixelsPerInch, const PageSteps &steps)
{
    if (pages.empty() || name.isEmpty())
        return WriteResult::failed(QStringLiteral("Nessuna pagina da scrivere."));
    const LayoutPage &page = pages.front();
    bool stopped = false;
    WriteResult written;
    switch (pageFormatForName(name)) {
    case PageFormat::Pdf:
        written = writeWholeFile(name,
                                 [&](QIODevice &out, QString &) { return writePdf(pages, items, out, steps, stopped); });
        break;
    case PageFormat::Svg:
        written = writeWholeFile(name, [&](QIODevice &out, QString &) {
            if (!writeSvg(page, items, out))
                return false;
            stopped = !stepDone(steps, 1, 1);
            return !stopped;
        });
        break;
    case PageFormat::Png:
        return writeImage(page, items, rasterPixelsPerInch, name, "PNG", steps);
    case PageFormat::Jpeg:
        return writeJpeg(page, items, rasterPixelsPerInch, name, steps);
    case PageFormat::Bmp:
        return writeImage(page, items, rasterPixelsPerInch, name, "BMP", steps);
    }
    return stopped ? WriteResult::failed(pageOutputStoppedText()) : written;
}

QString pageOutputStoppedText()
{
    return QStringLiteral("Scrittura annullata.");
}

WriteResult SavePage(const LayoutPage &page, const PageItems &items, const QString &name, double rasterPixelsPerInch,
                     const PageSteps &steps)
{
    const WriteResult written = writePageFile({page}, items, name, rasterPixelsPerInch, steps);
    QString what = QStringLiteral("Immagine %1 %2salvata correttamente.");
    if (pageFormatForName(name) == PageFormat::Pdf)
        what = QStringLiteral("Documento PDF %1 %2salvato correttamente.");
    else if (pageFormatForName(name) == PageFormat::Svg)
        what = QStringLiteral("Disegno SVG %1 %2salvato correttamente.");
    if (written)
        return WriteResult::done(what.arg(name, QString()));
    return WriteResult::failed(what.arg(name, QStringLiteral("non ")),
                               written.message
                                   + (written.detail.isEmpty() ? QString() : QStringLiteral(" ") + written.detail));
}

WriteResult writeMapPage(const MapPageRequest &request, const QString &title, const QString &name)
{
    const std::vector<PageFile> files = writeMapPages({{QString(), request}}, {title, QString()}, name);
    if (files.empty())
        return WriteResult::failed(QStringLiteral("Nessuna pagina da scrivere."));
    return files.back().result;
}

QString yearFileName(const QString &name, const QString &year)
{
    const QString suffix = QFileInfo(name).suffix();
    if (suffix.isEmpty())
        return name + QLatin1Char('-') + year;
    return name.left(name.size() - suffix.size() - 1) + QLatin1Char('-') + year + QLatin1Char('.') + suffix;
}

std::vector<PageFile> writeMapPages(const std::vector<YearPage> &pages, const PageTexts &texts, const QString &name,
                                    const PageItems &items, const PageSteps &steps)
{
    std::vector<PageFile> files;
    if (pages.empty())
        return files;
    const PageDefaults defaults = editorDefaults();
    std::vector<LayoutPage> laid;
    for (const YearPage &p : pages) {
        LayoutPage page = makeLayoutPage(p.request, defaults);
        // On the pages of an atlas the title given once says which year each page shows.
        if (!texts.title.isEmpty())
            page.title.text = p.year.isEmpty() ? texts.title : texts.title + QStringLiteral(" - ") + p.year;
        if (!texts.description.isEmpty())
            page.description.text = texts.description;
        laid.push_back(std::move(page));
    }
    if (pageFormatForName(name) == PageFormat::Pdf) {
        const WriteResult written = writePageFile(laid, items, name, kDefaultRasterPixelsPerInch, steps);
        if (!written && written.message == pageOutputStoppedText())
            return files;
        files.push_back({name, 0, int(laid.size()), written});
        return files;
    }
    // Every page goes first to a hidden name beside its file (keeping the extension that tells
    // the format); the renames come only after the last page, or after a page that failed.
    std::vector<QString> temporary;
    auto discard = [&] {
        for (const QString &t : temporary)
            QFile::remove(t);
    };
    for (size_t i = 0; i < laid.size(); ++i) {
        const QString file = pages[i].year.isEmpty() ? name : yearFileName(name, pages[i].year);
        const QFileInfo info(file);
        temporary.push_back(info.dir().filePath(QStringLiteral(".~") + info.fileName()));
        files.push_back({file, int(i), 1, writePageFile({laid[i]}, items, temporary.back(), kDefaultRasterPixelsPerInch)});
        if (!files.back().result) {
            temporary.pop_back();
            break;
        }
        if (!stepDone(steps, i + 1, laid.size())) {
            discard();
            return {};
        }
    }
    for (size_t i = 0; i < temporary.size(); ++i) {
        // rename replaces an earlier file in one move, so each target holds the old or the new page.
        if (std::rename(QFile::encodeName(temporary[i]).constData(), QFile::encodeName(files[i].name).constData()) != 0) {
            files[i].result = WriteResult::failed(notWrittenText(files[i].name), QString::fromLocal8Bit(std::strerror(errno)));
            files.resize(i + 1);
            temporary.erase(temporary.begin(), temporary.begin() + std::ptrdiff_t(i));
            discard();
            break;
        }
    }
    return files;
}

} // namespace qrn

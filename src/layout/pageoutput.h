#pragma once
// The ways a page leaves the program: the printer (any paged device), and the page files: BMP,
// JPEG and PNG at the resolution chosen (300 dpi unless told), PDF and SVG as vector drawings.

#include "layout/layoutpage.h"
#include "shell/filewrite.h"

#include <QImage>
#include <QString>
#include <cstddef>
#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace qrn {

enum class PageFormat { Bmp, Jpeg, Pdf, Svg, Png };

// The progress of a page file being written: done steps of total; answers false to stop. A stop
// is obeyed only before the file takes the place of an earlier one, so a stopped write leaves
// the earlier file (or none) exactly as it was. An empty function never stops.
using PageSteps = std::function<bool(std::size_t done, std::size_t total)>;

// The save dialog's filter.
QString pageSaveFilter();
// PDF, SVG and PNG by their extension; otherwise a name containing ".jpg" in any case is a
// JPEG and anything else a bitmap (so "x.jpeg" is a bitmap named x.jpeg).
PageFormat pageFormatForName(const QString &name);

// The resolution of the raster files (BMP, JPEG, PNG) unless the user chooses another.
inline constexpr double kDefaultRasterPixelsPerInch = 300;
inline constexpr int kMinRasterPixelsPerInch = 72;
inline constexpr int kMaxRasterPixelsPerInch = 1200;
inline constexpr int kJpegQuality = 90;
// The pixels per inch of a bitmap made without a preview (one screen pixel per 1/96 inch).
inline constexpr double kScreenPixelsPerInch = 96;

// Draws the page (white paper, then the items) with its top-left corner at origin (pixels).
void paintPage(QPainter &painter, const LayoutPage &page, const PageItems &items, double pixelsPerInch,
               QPointF origin = QPointF());
// The page as an image at that resolution.
QImage renderPageImage(const LayoutPage &page, const PageItems &items, double pixelsPerInch);

// Prints the page on a paged device (a printer, a PDF writer) at the device's resolution, at
// the same page positions as the preview. outputFactor holds kPrintOutputFactor while the page
// is drawn and 1.0 afterwards.
bool PrintPage(LayoutPage &page, const PageItems &items, QPagedPaintDevice &device);

// Writes a file of one of the formats, whole or not at all (an earlier file of that name stays
// as it was on failure); pages after the first go on further PDF pages (other formats take the
// first). rasterPixelsPerInch is the resolution of BMP, JPEG and PNG, written into the file as well.
// steps: a PDF or SVG counts its pages; BMP and PNG count the painting and the encoding, JPEG
// the painting only (its encoder writes the file). A stop answers a failed result with
// pageOutputStoppedText.
WriteResult writePageFile(const std::vector<LayoutPage> &pages, const PageItems &items, const QString &name,
                          double rasterPixelsPerInch, const PageSteps &steps = {});
// "Scrittura annullata."
QString pageOutputStoppedText();

// The editor's save: writes the page under name; the message, for the editor to show, names
// what was written: "Immagine <name> salvata correttamente." for BMP, JPEG and PNG, "Documento
// PDF <name> salvato correttamente.", "Disegno SVG <name> salvato correttamente.", and "... non
// salvata/salvato correttamente." on failure (the reason and the system's words then in the
// detail, for the log).
WriteResult SavePage(const LayoutPage &page, const PageItems &items, const QString &name,
                     double rasterPixelsPerInch = kDefaultRasterPixelsPerInch, const PageSteps &steps = {});

// The page of a map as the editor lays it out when it opens, with this title, written to a file
// without any window (for the command line).
WriteResult writeMapPage(const MapPageRequest &request, const QString &title, const QString &name);

// The map of one year, for a page of an atlas (year empty: a page on its own).
struct YearPage {
    QString year;
    MapPageRequest request;
};
// What the command line writes over the editor's texts on every page; an empty text keeps the
// editor's (the title "Inserire un Titolo", the description the map's variable text).
// A title on the page of a year ends with " - " and the year.
struct PageTexts {
    QString title;
    QString description;
};
// The file of one year's page: "atlante.png" and 1999 give "atlante-1999.png".
QString yearFileName(const QString &name, const QString &year);
// A file written by writeMapPages: pageCount pages from firstPage on.
struct PageFile {
    QString name;
    int firstPage = 0;
    int pageCount = 0;
    WriteResult result;
};
// Writes the pages as the editor lays them out when it opens, with the texts: every page into the
// one PDF of name, or one file per page for the other formats (yearFileName for a page with a
// year, name itself for one without). Answers the files in order, up to the first that could not
// be written (its result failed); nothing for no pages. items: what every page shows.
// steps counts the pages. The files of the years are written under temporary names beside
// their targets and put in place together once the last is written, so a stop at any page
// leaves the folder as it was and answers nothing; a page that cannot be written still puts
// the pages before it in place, as their results say.
std::vector<PageFile> writeMapPages(const std::vector<YearPage> &pages, const PageTexts &texts, const QString &name,
                                    const PageItems &items = PageItems(), const PageSteps &steps = {});

} // namespace qrn

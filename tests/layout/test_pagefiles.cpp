#include "layout/pageoutput.h"
#include "layout/pagegeometry.h"
#include "mappicture.h"
#include "shell/prompt.h"

#include <QDir>
#include <QFile>
#include <QPdfWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <QXmlStreamReader>
#include <cmath>
#include <gtest/gtest.h>

using namespace qrn;

namespace {

QString run(const QString &program, const QStringList &args, int *exitCode = nullptr)
{
    QProcess p;
    p.start(program, args);
    p.waitForFinished(60000);
    if (exitCode)
        *exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    return QString::fromUtf8(p.readAllStandardOutput());
}

LayoutPage samplePage()
{
    return makeLayoutPage(test::sampleMapRequest(), editorDefaults(a4PageInches()));
}

bool near(QColor a, QColor b, int tolerance)
{
    return std::max({std::abs(a.red() - b.red()), std::abs(a.green() - b.green()), std::abs(a.blue() - b.blue())})
        <= tolerance;
}

bool isMapColour(QColor c)
{
    return near(c, test::kMapColour, 39);
}

// Bounding box, as fractions of the image, of the pixels that pass the test.
QRectF fractionBox(const QImage &img, const std::function<bool(QColor)> &pass, QRect within = QRect())
{
    if (within.isNull())
        within = img.rect();
    int x0 = INT_MAX, y0 = INT_MAX, x1 = -1, y1 = -1;
    for (int y = within.top(); y <= within.bottom(); ++y)
        for (int x = within.left(); x <= within.right(); ++x)
            if (pass(img.pixelColor(x, y))) {
                x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
            }
    if (x1 < 0)
        return QRectF();
    return QRectF(double(x0) / img.width(), double(y0) / img.height(), double(x1 + 1 - x0) / img.width(),
                  double(y1 + 1 - y0) / img.height());
}

// How far apart two boxes' edges are; infinite when a box is empty.
double boxDistance(const QRectF &a, const QRectF &b)
{
    if (a.isNull() || b.isNull())
        return INFINITY;
    return std::max({std::abs(a.left() - b.left()), std::abs(a.top() - b.top()), std::abs(a.right() - b.right()),
                     std::abs(a.bottom() - b.bottom())});
}

} // namespace

TEST(PageFiles, FormatFromTheName)
{
    const std::pair<const char *, PageFormat> cases[] = {
        {"pagina.jpg", PageFormat::Jpeg}, {"PAGINA.JPG", PageFormat::Jpeg}, {"pagina.jpeg", PageFormat::Bmp},
        {"pagina.bmp", PageFormat::Bmp},  {"pagina", PageFormat::Bmp},      {"a.jpg.bmp", PageFormat::Jpeg},
        {"pagina.pdf", PageFormat::Pdf},  {"pagina.SVG", PageFormat::Svg},  {"pagina.png", PageFormat::Png}};
    for (const auto &[name, format] : cases)
        EXPECT_EQ(pageFormatForName(QString::fromLatin1(name)), format) << name;
    EXPECT_TRUE(pageSaveFilter().startsWith(QStringLiteral("BMP|*.bmp|Jpg|*.jpg|")));
}

TEST(PageFiles, PrintedPageHasThePreviewsLayout)
{
    QTemporaryDir dir;
    LayoutPage page = samplePage();
    page.title.fontSize = QStringLiteral("28");
    const PageItems mapAndTitle {true, false, true, false, false};
    const QString pdf = dir.filePath(QStringLiteral("stampa.pdf"));
    {
        QPdfWriter printer(pdf);
        printer.setResolution(600);
        printer.setPageSize(QPageSize(page.pageSize, QPageSize::Inch));
        printer.setPageMargins(QMarginsF(10, 10, 10, 10)); // the painter starts inside the margins
        ASSERT_TRUE(PrintPage(page, mapAndTitle, printer));
    }
    EXPECT_EQ(page.outputFactor, 1.0);

    const double ppi = 40;
    int code = -1;
    run(QStringLiteral("pdftoppm"), {"-r", QString::number(ppi), "-png", "-singlefile", pdf, dir.filePath("stampa")},
        &code);
    ASSERT_EQ(code, 0);
    const QImage printed(dir.filePath(QStringLiteral("stampa.png")));
    const QImage preview = renderPageImage(page, mapAndTitle, ppi);
    ASSERT_FALSE(printed.isNull());
    const double pixel = 2.0 / printed.width();
    EXPECT_LE(boxDistance(fractionBox(printed, isMapColour), fractionBox(preview, isMapColour)), pixel);
    // The title: the dark pixels above the map.
    auto dark = [](QColor c) { return c.lightness() < 100; };
    const QRect aboveMap(0, 0, preview.width(), int(page.mapTop * ppi) - 1);
    EXPECT_LE(boxDistance(fractionBox(printed, dark, aboveMap), fractionBox(preview, dark, aboveMap)), 3 * pixel);
}

TEST(PageFiles, SvgOpensInAnotherReader)
{
    QTemporaryDir dir;
    const QString svg = dir.filePath(QStringLiteral("pagina.svg"));
    ASSERT_TRUE(writeMapPage(test::sampleMapRequest(), QStringLiteral("Rete stradale"), svg));
    QFile file(svg); // the title given, the variable's text below
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray content = file.readAll();
    EXPECT_TRUE(content.contains("Rete stradale") && content.contains("AS013 - Lunghezza"));
    int code = -1;
    const QString png = dir.filePath(QStringLiteral("da_svg.png"));
    run(QStringLiteral("rsvg-convert"), {QStringLiteral("-o"), png, svg}, &code);
    ASSERT_EQ(code, 0);
    EXPECT_FALSE(fractionBox(QImage(png), isMapColour).isNull());
}

// Every text of the page, the document's title and description among them, reaches a strict
// XML reader as typed, whatever characters it holds.
TEST(PageFiles, SvgTextsAreEscaped)
{
    QTemporaryDir dir;
    const QString title = QStringLiteral("Strade & ferrovie <1996> \"rete\" l'Italia");
    const QString description = QStringLiteral("Fonte: A&B <ISTAT> \"x\" 'y'\x01");
    const QString legendText = QStringLiteral("0 & < 10 \"a\" 'b'");
    LayoutPage page = samplePage();
    page.title.text = title;
    page.description.text = description;
    ASSERT_GT(page.legend.count(), 0);
    page.legend[0].text = legendText;
    page.legend[0].fontName = QStringLiteral("Sans\" & <b>");
    const QString svg = dir.filePath(QStringLiteral("pagina.svg"));
    ASSERT_TRUE(writePageFile({page}, PageItems(), svg, kScreenPixelsPerInch));

    QFile file(svg);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QStringList texts;
    QString docTitle, docDescription;
    int depth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            ++depth;
            // The document's own title and description are the root's children.
            const QString name = xml.name().toString();
            if (depth == 2 && (name == QLatin1String("title") || name == QLatin1String("desc"))) {
                (name == QLatin1String("title") ? docTitle : docDescription) = xml.readElementText();
                --depth;
            }
        } else if (xml.isEndElement()) {
            --depth;
        } else if (xml.isCharacters() && !xml.isWhitespace()) {
            texts << xml.text().toString();
        }
    }
    ASSERT_FALSE(xml.hasError()) << xml.errorString().toStdString() << " riga " << xml.lineNumber();
    EXPECT_EQ(docTitle, title);
    EXPECT_EQ(docDescription, description.chopped(1)); // without the control character
    EXPECT_TRUE(texts.contains(title)) << texts.join(QLatin1Char('|')).toStdString();
    EXPECT_TRUE(texts.contains(legendText)) << texts.join(QLatin1Char('|')).toStdString();
}

// A page with nothing on it is white up to its last pixel, whether its size is a whole number of
// pixels or not (A4 at 96 per inch is 793.7 pixels wide).
TEST(PageFiles, BlankPageIsWhiteToItsEdges)
{
    const LayoutPage page = samplePage();
    const PageItems nothing {false, false, false, false, false};
    for (double ppi : {96.0, 50.0, 61.3}) {
        const QImage img = renderPageImage(page, nothing, ppi);
        ASSERT_FALSE(img.isNull());
        for (int y = 0; y < img.height(); ++y)
            for (int x : {0, img.width() - 2, img.width() - 1})
                ASSERT_EQ(img.pixel(x, y), qRgb(255, 255, 255)) << ppi << " ppi, " << x << "," << y;
        for (int x = 0; x < img.width(); ++x)
            ASSERT_EQ(img.pixel(x, img.height() - 1), qRgb(255, 255, 255)) << ppi << " ppi, " << x;
    }
}

namespace {
// Qt's own warnings, which would reach the user's terminal in English.
QStringList g_qtWarnings;
} // namespace

// Every format: the failure in Italian with the system's words as detail, no file, and no
// warning of the drawing library on the way.
TEST(PageFiles, FailedSaveIsReported)
{
    QTemporaryDir dir;
    g_qtWarnings.clear();
    const QtMessageHandler previous = qInstallMessageHandler(
        [](QtMsgType, const QMessageLogContext &, const QString &text) { g_qtWarnings << text; });
    for (const char *name :
         {"manca/pagina.bmp", "manca/pagina.pdf", "manca/pagina.jpg", "manca/pagina.svg", "manca/pagina.png"}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        const WriteResult saved = SavePage(samplePage(), PageItems(), path, 40);
        EXPECT_FALSE(saved) << name;
        const QString what = path.endsWith(QLatin1String(".pdf"))   ? QStringLiteral("Documento PDF %1 non salvato")
                             : path.endsWith(QLatin1String(".svg")) ? QStringLiteral("Disegno SVG %1 non salvato")
                                                                    : QStringLiteral("Immagine %1 non salvata");
        EXPECT_EQ(saved.message, what.arg(path) + QStringLiteral(" correttamente."));
        EXPECT_TRUE(saved.detail.startsWith(QStringLiteral("Impossibile scrivere il file %1.").arg(path)))
            << saved.detail.toStdString();
        EXPECT_GT(saved.detail.size(), notWrittenText(path).size()) << name; // the system's words follow
        EXPECT_FALSE(QFile::exists(path));
    }
    qInstallMessageHandler(previous);
    EXPECT_EQ(g_qtWarnings, QStringList());
}

// Every raster file comes out in its format at the resolution chosen, 300 dpi unless told, and
// the message names what was saved. The JPEG, written by way of a bitmap, leaves no temporary file
// and a file of the user's with the bitmap's name as it was, and is the preview's picture the
// right way up.
TEST(PageFiles, SavedFilesInTheirFormatAtTheChosenResolution)
{
    QTemporaryDir dir;
    const LayoutPage page = samplePage();
    auto pixels = [&](double ppi) { return (page.pageSize * ppi).toSize(); };
    QFile mine(dir.filePath(QStringLiteral("p.bmp")));
    ASSERT_TRUE(mine.open(QIODevice::WriteOnly) && mine.write("dati dell'utente"));
    mine.close();
    // A temporary folder of this test alone, so that saves of tests running beside it do not count.
    const QByteArray tmpdir = qgetenv("TMPDIR");
    QDir(dir.path()).mkdir(QStringLiteral("tmp"));
    qputenv("TMPDIR", QFile::encodeName(dir.filePath(QStringLiteral("tmp"))));
    const QStringList tempBefore = QDir::temp().entryList({QStringLiteral("quarnaro_pagina_*")});
    for (const auto &[file, magic] : {std::pair {"q.bmp", "BM"}, {"p.JPG", "\xFF\xD8"}, {"p.png", "\x89PNG"}}) {
        for (double ppi : {kDefaultRasterPixelsPerInch, 120.0}) {
            const QString name = dir.filePath(QString::fromLatin1(file));
            const WriteResult saved = ppi == kDefaultRasterPixelsPerInch ? SavePage(page, PageItems(), name)
                                                                          : SavePage(page, PageItems(), name, ppi);
            ASSERT_TRUE(saved) << file;
            EXPECT_EQ(saved.message, QStringLiteral("Immagine %1 salvata correttamente.").arg(name));
            QFile f(name);
            EXPECT_TRUE(f.open(QIODevice::ReadOnly) && f.read(qstrlen(magic)) == magic) << file;
            const QImage image(name);
            EXPECT_LE(std::abs(image.width() - pixels(ppi).width()), 1) << file << " " << ppi;
            EXPECT_LE(std::abs(image.height() - pixels(ppi).height()), 1) << file << " " << ppi;
            EXPECT_NEAR(image.dotsPerMeterX() * 0.0254, ppi, 0.5) << file << " " << ppi;
        }
    }
    EXPECT_EQ(QDir::temp().entryList({QStringLiteral("quarnaro_pagina_*")}), tempBefore);
    if (tmpdir.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", tmpdir);
    ASSERT_TRUE(mine.open(QIODevice::ReadOnly));
    EXPECT_EQ(mine.readAll(), QByteArray("dati dell'utente"));

    const QImage jpeg(dir.filePath(QStringLiteral("p.JPG")), "JPG");
    const QImage preview = renderPageImage(page, PageItems(), 120);
    ASSERT_EQ(jpeg.size(), preview.size());
    const QPoint mapCentre = (mapBox(page).center() * 120).toPoint();
    for (QPoint p : {QPoint(3, 3), QPoint(preview.width() - 4, preview.height() - 4), mapCentre})
        EXPECT_TRUE(near(jpeg.pixelColor(p), preview.pixelColor(p), 16)) << p.x() << "," << p.y();

    const QString pdf = dir.filePath(QStringLiteral("p.pdf")), svg = dir.filePath(QStringLiteral("p.svg"));
    EXPECT_EQ(SavePage(page, PageItems(), pdf).message,
              QStringLiteral("Documento PDF %1 salvato correttamente.").arg(pdf));
    EXPECT_EQ(SavePage(page, PageItems(), svg).message,
              QStringLiteral("Disegno SVG %1 salvato correttamente.").arg(svg));
    // The pages of the command line too.
    const QString atlas = dir.filePath(QStringLiteral("atlante.bmp"));
    ASSERT_TRUE(writeMapPage(test::sampleMapRequest(), QString(), atlas));
    EXPECT_NEAR(QImage(atlas).width(), pixels(kDefaultRasterPixelsPerInch).width(), 1);
}

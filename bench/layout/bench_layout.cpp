// The map page with the map of the 107 provinces, read from the sample shape file with shapelib
// and drawn into a vector picture as the map window hands it over.
//
// JpegWriteJpegFile / JpegBareTjCompress2: the JPEG writer against bare tjCompress2 on the same
// pixels (the page at 96 pixels per inch, quality 90); the writer also writes the file.
// JpegSavePage: the whole save of a JPEG page (drawing, bitmap section, JPEG file).
// JpegSaveAgainstBare: the save less the drawing against bare tjCompress2, in one loop.
// EditorOpenFirstPreview: the layout editor from its creation to its first preview on screen.
// DragRedraw: one mouse move with the left button held over the preview: the map follows the
// pointer and the page is drawn again.

#include "imaging/dibsection.h"
#include "imaging/jpegwriter.h"
#include "layout/layoutpage.h"
#include "layout/pageoutput.h"
#include "layout/ui/pagepreview.h"
#include "layout/ui/printmappa.h"
#include "shell/context.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTabWidget>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <shapefil.h>
#include <turbojpeg.h>

#include <cstdio>
#include <ctime>

using namespace qrn;

namespace {

MapPageRequest provinceRequest()
{
    static MapPageRequest request = [] {
        MapPageRequest r;
        const QByteArray path = QByteArray(QUARNARO_SAMPLE_DIR) + "/Shape/province107.shp";
        SHPHandle shp = SHPOpen(path.constData(), "rb");
        if (!shp) {
            std::fprintf(stderr, "Manca %s\n", path.constData());
            std::exit(1);
        }
        int count = 0, type = 0;
        double minB[4], maxB[4];
        SHPGetInfo(shp, &count, &type, minB, maxB);
        const QColor classes[4] = {QColor(255, 255, 178), QColor(254, 204, 92), QColor(253, 141, 60),
                                   QColor(227, 26, 28)};
        QPainter p(&r.map);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(90, 90, 90), 0));
        for (int i = 0; i < count; ++i) {
            SHPObject *o = SHPReadObject(shp, i);
            if (!o)
                continue;
            QPainterPath path;
            path.setFillRule(Qt::OddEvenFill);
            for (int part = 0; part < o->nParts; ++part) {
                const int from = o->panPartStart[part];
                const int to = part + 1 < o->nParts ? o->panPartStart[part + 1] : o->nVertices;
                QPolygonF ring;
                for (int v = from; v < to; ++v)
                    ring << QPointF(o->padfX[v], -o->padfY[v]); // north up
                path.addPolygon(ring);
                path.closeSubpath();
            }
            p.setBrush(classes[i % 4]);
            p.drawPath(path);
            SHPDestroyObject(o);
        }
        p.end();
        SHPClose(shp);
        r.mapFrame = QRectF(QPointF(minB[0], -maxB[1]), QPointF(maxB[0], -minB[1]));
        r.mapSize = QSizeF(10, 10 * r.mapFrame.height() / r.mapFrame.width());
        for (int c = 0; c < 4; ++c)
            r.legend.push_back({classes[c], QStringLiteral("Classe %1").arg(c + 1)});
        r.variableText = QStringLiteral("AS013 - Lunghezza della rete stradale (2008)");
        return r;
    }();
    return request;
}

// Milliseconds of process CPU time (every thread) and of wall time, summed over intervals.
struct Clock {
    double cpu = 0, wall = 0;
    timespec c0 {}, w0 {};
    static double ms(const timespec &a, const timespec &b)
    {
        return (b.tv_sec - a.tv_sec) * 1e3 + (b.tv_nsec - a.tv_nsec) / 1e6;
    }
    void start()
    {
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c0);
        clock_gettime(CLOCK_MONOTONIC, &w0);
    }
    void stop()
    {
        timespec c1, w1;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &c1);
        clock_gettime(CLOCK_MONOTONIC, &w1);
        cpu += ms(c0, c1);
        wall += ms(w0, w1);
    }
};

cDIBSection &pageSection()
{
    static cDIBSection dib;
    if (dib.isEmpty()) {
        const LayoutPage page = makeLayoutPage(provinceRequest(), editorDefaults());
        dib.CreateFromPicture(renderPageImage(page, PageItems(), kScreenPixelsPerInch));
    }
    return dib;
}

void JpegWriteJpegFile(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("pagina.jpg"));
    const cDIBSection &dib = pageSection();
    for (auto _ : state)
        if (!WriteJpegFile(dib, name, kJpegQuality))
            state.SkipWithError("scrittura non riuscita");
}
BENCHMARK(JpegWriteJpegFile)->Unit(benchmark::kMillisecond);

void JpegBareTjCompress2(benchmark::State &state)
{
    const cDIBSection &dib = pageSection();
    tjhandle h = tjInitCompress();
    for (auto _ : state) {
        unsigned char *out = nullptr;
        unsigned long size = 0;
        tjCompress2(h, dib.DIBSectionBitsPtr(), dib.Width(), dib.BytesPerScanLine(), dib.Height(), TJPF_BGR, &out,
                    &size, TJSAMP_420, kJpegQuality, TJFLAG_BOTTOMUP);
        benchmark::DoNotOptimize(out);
        tjFree(out);
    }
    tjDestroy(h);
}
BENCHMARK(JpegBareTjCompress2)->Unit(benchmark::kMillisecond);

void JpegSavePage(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("pagina.jpg"));
    const LayoutPage page = makeLayoutPage(provinceRequest(), editorDefaults());
    for (auto _ : state)
        writePageFile({page}, PageItems(), name, kScreenPixelsPerInch);
}
BENCHMARK(JpegSavePage)->Unit(benchmark::kMillisecond);

// The save against bare tjCompress2 in the same loop, so that both see the same load of the
// machine: each round draws the page as the preview does, saves it as JPEG, and compresses the
// section's pixels with WriteJpegFile and with tjCompress2. save_vs_bare is (save - drawing) /
// bare, write_vs_bare WriteJpegFile / bare, in the CPU time of the whole process and in wall time.
void JpegSaveAgainstBare(benchmark::State &state)
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("pagina.jpg"));
    const LayoutPage page = makeLayoutPage(provinceRequest(), editorDefaults());
    const cDIBSection &dib = pageSection();
    tjhandle h = tjInitCompress();
    Clock drawing, save, write, bare;
    for (auto _ : state) {
        drawing.start();
        const QImage image = renderPageImage(page, PageItems(), kScreenPixelsPerInch);
        drawing.stop();
        benchmark::DoNotOptimize(image.constBits());
        save.start();
        writePageFile({page}, PageItems(), name, kScreenPixelsPerInch);
        save.stop();
        write.start();
        WriteJpegFile(dib, name, kJpegQuality);
        write.stop();
        bare.start();
        unsigned char *out = nullptr;
        unsigned long size = 0;
        tjCompress2(h, dib.DIBSectionBitsPtr(), dib.Width(), dib.BytesPerScanLine(), dib.Height(), TJPF_BGR, &out,
                    &size, TJSAMP_420, kJpegQuality, TJFLAG_BOTTOMUP);
        tjFree(out);
        bare.stop();
    }
    tjDestroy(h);
    const double n = double(state.iterations());
    state.counters["drawing_ms"] = drawing.cpu / n;
    state.counters["save_ms"] = save.cpu / n;
    state.counters["bare_ms"] = bare.cpu / n;
    state.counters["save_vs_bare_cpu"] = (save.cpu - drawing.cpu) / bare.cpu;
    state.counters["save_vs_bare_wall"] = (save.wall - drawing.wall) / bare.wall;
    state.counters["write_vs_bare_cpu"] = write.cpu / bare.cpu;
    state.counters["write_vs_bare_wall"] = write.wall / bare.wall;
}
BENCHMARK(JpegSaveAgainstBare)->Unit(benchmark::kMillisecond)->MinTime(3);

void EditorOpenFirstPreview(benchmark::State &state)
{
    test::TestFolder folder(false);
    auto ctx = folder.context();
    const MapPageRequest request = provinceRequest();
    for (auto _ : state) {
        auto *w = new ui::PrintMappa(*ctx, *ctx, request);
        w->show();
        w->preview()->repaint();
        state.PauseTiming();
        delete w;
        QApplication::processEvents();
        state.ResumeTiming();
    }
}
BENCHMARK(EditorOpenFirstPreview)->Unit(benchmark::kMillisecond);

void DragRedraw(benchmark::State &state)
{
    test::TestFolder folder(false);
    auto ctx = folder.context();
    ui::PrintMappa w(*ctx, *ctx, provinceRequest());
    w.show();
    QApplication::processEvents();
    w.findChild<QTabWidget *>(QStringLiteral("SSTab1"))->setCurrentIndex(TabMap);
    ui::PagePreview *preview = w.preview();
    int step = 0;
    for (auto _ : state) {
        const QPointF at = preview->toPixel(QPointF(0.5 + 0.01 * (step++ % 50), 1.0));
        QMouseEvent move(QEvent::MouseMove, at, preview->mapToGlobal(at), Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(preview, &move);
        preview->repaint();
    }
    state.counters["ppi"] = preview->pixelsPerInch();
}
BENCHMARK(DragRedraw)->Unit(benchmark::kMillisecond);

} // namespace

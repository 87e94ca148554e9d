// libFuzzer target of the shape-file loader. The input: two little-endian 16-bit lengths (of the
// .shp and the .shx), then the .shp, the .shx and, taking the rest, the .dbf. Besides the
// sanitizers it aborts when a failed layer gives no reason or has features, when parts, vertices
// or feature bounds leave their arrays or the extent, or when a search answers other features.

#include "fuzzcheck.h"
#include "map/shapelayer.h"

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <cmath>

using namespace qrn::map;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // In memory where there is a memory file system: the files are written every run.
    static QTemporaryDir dir(QFile::exists(QStringLiteral("/dev/shm")) ? QStringLiteral("/dev/shm/fuzz_shape-XXXXXX")
                                                                       : QString());
    if (size < 4)
        return 0;
    size_t shpLen = data[0] | (size_t(data[1]) << 8), shxLen = data[2] | (size_t(data[3]) << 8);
    data += 4, size -= 4;
    shpLen = std::min(shpLen, size);
    shxLen = std::min(shxLen, size - shpLen);
    const QString stem = dir.path() + QStringLiteral("/f");
    for (auto [ext, length] : {std::pair {".shp", shpLen}, {".shx", shxLen}, {".dbf", size - shpLen - shxLen}}) {
        QFile f(stem + QLatin1String(ext));
        if (f.open(QIODevice::WriteOnly))
            f.write(reinterpret_cast<const char *>(data), qint64(length));
        data += length;
    }
    QFile::remove(stem + QStringLiteral(".cpg"));

    auto layer = ShapeLayer::open(stem + QStringLiteral(".shp"));
    if (!layer->valid()) {
        check(!layer->error().isEmpty(), "an invalid layer without a reason");
        check(layer->featureCount() == 0, "an invalid layer with features");
        return 0;
    }
    const QRectF e = layer->extent();
    QPointF vertex = e.center();
    for (int f = 0; f < layer->featureCount(); ++f) {
        check(layer->partBegin(f) <= layer->partEnd(f), "parts out of order");
        for (int p = layer->partBegin(f); p < layer->partEnd(f); ++p) {
            check(layer->partSize(p) >= 0, "a part of negative size");
            const QPointF *pts = layer->partPoints(p);
            check(pts >= layer->partPoints(0)
                      && pts + layer->partSize(p) <= layer->partPoints(0) + layer->vertexCount(),
                  "a part outside the vertices");
            if (layer->partSize(p) > 0)
                vertex = pts[0];
        }
        const QRectF &b = layer->featureBounds(f);
        // Rectangles keep a corner and a size, so far-flung coordinates round: a relative slack.
        const double slack = 1e-9
            * std::max({1.0, std::abs(e.left()), std::abs(e.right()), std::abs(e.top()), std::abs(e.bottom())});
        if (layer->partBegin(f) != layer->partEnd(f)
            && layer->partPoints(layer->partEnd(f) - 1) + layer->partSize(layer->partEnd(f) - 1)
                > layer->partPoints(layer->partBegin(f)))
            check(b.left() >= e.left() - slack && b.right() <= e.right() + slack && b.top() >= e.top() - slack
                      && b.bottom() <= e.bottom() + slack,
                  "a feature outside the extent");
        for (int c = 0; c < layer->fieldNames().size(); ++c)
            (void)layer->value(f, c);
    }
    for (const QPointF &at : {e.center(), vertex}) {
        const std::vector<int> found = layer->search(at, e.width() / 10);
        for (size_t i = 0; i < found.size(); ++i) {
            check(found[i] >= 0 && found[i] < layer->featureCount(), "a found feature out of range");
            check(i == 0 || found[i - 1] < found[i], "found features out of order");
        }
    }
    return 0;
}

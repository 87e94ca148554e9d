// The legend model and the colour schemes. Legend::classify is the one place that counts the
// territories of each class and of the no-data row, recounting from zero each time; a class
// number outside the legend is no data and shows white. Counts appear in the rows only once
// counted, and the selected share only when the selection was counted against these classes.
// The ColorBrewer sequences are the published colours for each class count; only the diverging
// RdBu sides of more than five classes are interpolated between published colours.

#include "map/legend.h"

#include <QFontMetricsF>
#include <QImage>
#include <QPainterPath>
#include <QPainter>
#include <QRectF>

#include <algorithm>
#include <cmath>
#include <limits>

namespace qrn::map {

namespace {

// The sequential schemes of ColorBrewer 2.0 (Cynthia Brewer, colorbrewer2.org, Apache-style
// licence): every scheme has thirteen colours, A to M from light to dark, and each class count
// takes its own letters of them.
struct Scheme {
    const char *name;
    quint32 colours[13]; // 0xRRGGBB, A to M
};

const Scheme kSchemes[] = {
    {"Blues",
     {0xf7fbff, 0xeff3ff, 0xdeebf7, 0xc6dbef, 0xbdd7e7, 0x9ecae1, 0x6baed6, 0x4292c6, 0x3182bd, 0x2171b5, 0x08519c,
      0x084594, 0x08306b}},
    {"YlOrRd",
     {0xffffcc, 0xffffb2, 0xffeda0, 0xfed976, 0xfecc5c, 0xfeb24c, 0xfd8d3c, 0xfc4e2a, 0xf03b20, 0xe31a1c, 0xbd0026,
      0xb10026, 0x800026}},
    {"Greys",
     {0xffffff, 0xf7f7f7, 0xf0f0f0, 0xd9d9d9, 0xcccccc, 0xbdbdbd, 0x969696, 0x737373, 0x636363, 0x525252, 0x252525,
      0x252525, 0x000000}},
    {"Reds",
     {0xfff5f0, 0xfee5d9, 0xfee0d2, 0xfcbba1, 0xfcae91, 0xfc9272, 0xfb6a4a, 0xef3b2c, 0xde2d26, 0xcb181d, 0xa50f15,
      0x99000d, 0x67000d}},
    {"Greens",
     {0xf7fcf5, 0xedf8e9, 0xe5f5e0, 0xc7e9c0, 0xbae4b3, 0xa1d99b, 0x74c476, 0x41ab5d, 0x31a354, 0x238b45, 0x006d2c,
      0x005a32, 0x00441b}},
    {"OrRd",
     {0xfff7ec, 0xfef0d9, 0xfee8c8, 0xfdd49e, 0xfdcc8a, 0xfdbb84, 0xfc8d59, 0xef6548, 0xe34a33, 0xd7301f, 0xb30000,
      0x990000, 0x7f0000}},
    {"PuBu",
     {0xfff7fb, 0xf1eef6, 0xece7f2, 0xd0d1e6, 0xbdc9e1, 0xa6bddb, 0x74a9cf, 0x3690c0, 0x2b8cbe, 0x0570b0, 0x045a8d,
      0x034e7b, 0x023858}},
    {"BuGn",
     {0xf7fcfd, 0xedf8fb, 0xe5f5f9, 0xccece6, 0xb2e2e2, 0x99d8c9, 0x66c2a4, 0x41ae76, 0x2ca25f, 0x238b45, 0x006d2c,
      0x005824, 0x00441b}},
    {"YlGn",
     {0xffffe5, 0xffffcc, 0xf7fcb9, 0xd9f0a3, 0xc2e699, 0xaddd8e, 0x78c679, 0x41ab5d, 0x31a354, 0x238443, 0x006837,
      0x005a32, 0x004529}},
    {"YlGnBu",
     {0xffffd9, 0xffffcc, 0xedf8b1, 0xc7e9b4, 0xa1dab4, 0x7fcdbb, 0x41b6c4, 0x1d91c0, 0x2c7fb8, 0x225ea8, 0x253494,
      0x0c2c84, 0x081d58}},
    {"YlOrBr",
     {0xffffe5, 0xffffd4, 0xfff7bc, 0xfee391, 0xfed98e, 0xfec44f, 0xfe9929, 0xec7014, 0xd95f0e, 0xcc4c02, 0x993404,
      0x8c2d04, 0x662506}},
};

// The letters of each class count, 3 to 9.
const char *const kLetters[] = {"CFI", "BEGJ", "BEGIK", "BDFGIK", "BDFGHJL", "ACDFGHJL", "ACDFGHJKM"};

} // namespace

QString classLabel(const ClassBounds &bounds, bool quartiles)
{
    return (quartiles ? QStringLiteral(" Da ") : QStringLiteral("Da ")) + bounds.low + QStringLiteral(" a ")
        + bounds.high;
}


LegendRow noDataRow(bool quartiles)
{
    return {quartiles ? QStringLiteral(" Dato non presente") : QStringLiteral("Dato non presente"), QColor(Qt::white),
            true};
}

QList<LegendRow> legendRows(const QList<ClassBounds> &classes, const QList<QColor> &colours, bool quartiles)
{
    QList<LegendRow> rows;
    for (int i = 0; i < classes.size(); ++i)
        rows.append({classLabel(classes[i], quartiles), colours.value(i)});
    rows.append(noDataRow(quartiles));
    return rows;
}

LegendClass legendClass(const ClassBounds &bounds, const QColor &colour, const NumberFormat &fmt)
{
    constexpr double none = std::numeric_limits<double>::quiet_NaN();
    LegendClass c;
    c.bounds = bounds;
    c.low = fmt.toNumber(bounds.low).value_or(none);
    c.high = fmt.toNumber(bounds.high).value_or(none);
    c.colour = colour;
    return c;
}

QList<LegendRow> Legend::rows(bool withCounts) const
{
    const bool counts = withCounts && counted;
    const bool selection = counts && selectedCounts.size() == classes.size() + 1;
    auto counting = [&](QString label, int n, qsizetype k) {
        if (!counts)
            return label;
        const int sel = selection ? selectedCounts[k] : 0;
        if (sel == 0)
            return label + QStringLiteral(" (%1)").arg(n);
        return label
            + (sel == 1 ? QStringLiteral(" (%1, di cui 1 selezionato)").arg(n)
                        : QStringLiteral(" (%1, di cui %2 selezionati)").arg(n).arg(sel));
    };
    QList<LegendRow> out;
    for (qsizetype k = 0; k < classes.size(); ++k) {
        const LegendClass &c = classes[k];
        out.append(
            {counting(c.caption.isEmpty() ? classLabel(c.bounds, quartiles) : c.caption, c.count, k), c.colour});
    }
    if (noDataRow) {
        LegendRow row = map::noDataRow(quartiles);
        row.label = counting(row.label, noDataCount, classes.size());
        out.append(row);
    }
    return out;
}

QList<ClassBounds> Legend::bounds() const
{
    QList<ClassBounds> out;
    for (const LegendClass &c : classes)
        out.append(c.bounds);
    return out;
}

QColor Legend::colourOf(int k) const
{
    return k > 0 && k <= classes.size() ? classes[k - 1].colour : QColor(Qt::white);
}

QList<int> Legend::classify(const QStringList &values, const NumberFormat &fmt)
{
    QList<int> out(values.size(), 0);
    for (qsizetype i = 0; i < values.size(); ++i) {
        if (!rankedClassOf.isEmpty()) {
            out[i] = rankedClassOf.value(i);
            continue;
        }
        const std::optional<double> v = fmt.toNumber(values[i]);
        if (!v)
            continue;
        for (qsizetype j = 0; j < classes.size(); ++j)
            if (classes[j].holds(*v)) {
                out[i] = int(j + 1);
                break;
            }
    }
    for (LegendClass &c : classes)
        c.count = 0;
    noDataCount = 0;
    for (int k : out) {
        if (k > 0 && k <= classes.size())
            ++classes[k - 1].count;
        else
            ++noDataCount;
    }
    counted = true;
    return out;
}

void Legend::countSelected(const QList<int> &classOfSelected)
{
    selectedCounts.clear();
    if (classOfSelected.isEmpty())
        return;
    selectedCounts = QList<int>(classes.size() + 1, 0);
    for (int k : classOfSelected)
        ++selectedCounts[k > 0 && k <= classes.size() ? k - 1 : classes.size()];
}

void Legend::setColours(const QList<QColor> &colours)
{
    for (qsizetype i = 0; i < classes.size(); ++i)
        classes[i].colour = colours.value(i);
}

bool drawsAlike(const Legend &a, const Legend &b)
{
    if (a.classes.size() != b.classes.size() || a.rankedClassOf != b.rankedClassOf)
        return false;
    for (qsizetype i = 0; i < a.classes.size(); ++i) {
        const LegendClass &x = a.classes[i], &y = b.classes[i];
        if (x.bounds != y.bounds || x.colour != y.colour || x.caption != y.caption)
            return false;
    }
    return true;
}

Legend makeLegend(const QList<ClassBounds> &classes, const QList<QColor> &colours, bool quartiles,
                  const NumberFormat &fmt)
{
    Legend legend;
    legend.quartiles = quartiles;
    for (qsizetype i = 0; i < classes.size(); ++i)
        legend.classes.append(legendClass(classes[i], colours.value(i), fmt));
    return legend;
}

QColor fromWindowsColour(quint32 bgr)
{
    return QColor(int(bgr & 0xFF), int((bgr >> 8) & 0xFF), int((bgr >> 16) & 0xFF));
}

quint32 toWindowsColour(const QColor &c)
{
    return quint32(c.red()) | (quint32(c.green()) << 8) | (quint32(c.blue()) << 16);
}

QList<QColor> colourRamp(const QColor &start, const QColor &end, int count)
{
    QList<QColor> out;
    for (int i = 0; i < count; ++i) {
        const double t = count == 1 ? 0.0 : double(i) / (count - 1);
        auto mix = [t](int a, int b) { return int(std::lround(a + (b - a) * t)); };
        out.append(QColor(mix(start.red(), end.red()), mix(start.green(), end.green()), mix(start.blue(), end.blue())));
    }
    return out;
}

QList<QColor> divergingColours(int below, int above)
{
    // RdBu from the centre outwards on each side, as published for 10 classes (its 8-class
    // scheme takes the first four); fewer classes a side take steps of the same colours, more
    // take colours evenly spaced along them.
    static const quint32 kBlues[] = {0xd1e5f0, 0x92c5de, 0x4393c3, 0x2166ac, 0x053061};
    static const quint32 kReds[] = {0xfddbc7, 0xf4a582, 0xd6604d, 0xb2182b, 0x67001f};
    static const int kSteps[5][5] = {{1}, {1, 3}, {0, 2, 3}, {0, 1, 2, 3}, {0, 1, 2, 3, 4}};
    const int side = std::max({below, above, 1});
    auto rgb = [](quint32 c) { return QColor(QRgb(0xFF000000u | c)); };
    auto sideColour = [&](const quint32 *ramp, int distance) {
        if (side <= 5)
            return rgb(ramp[kSteps[side - 1][distance]]);
        const double at = double(distance) * 4 / (side - 1);
        const int i = std::min(3, int(at));
        const double t = at - i;
        const QColor a = rgb(ramp[i]), b = rgb(ramp[i + 1]);
        auto mix = [t](int x, int y) { return int(std::lround(x + (y - x) * t)); };
        return QColor(mix(a.red(), b.red()), mix(a.green(), b.green()), mix(a.blue(), b.blue()));
    };
    QList<QColor> out;
    for (int i = 0; i < below; ++i)
        out.append(sideColour(kBlues, below - 1 - i));
    for (int i = 0; i < above; ++i)
        out.append(sideColour(kReds, i));
    return out;
}

QStringList sequentialPaletteNames()
{
    QStringList names;
    for (const Scheme &s : kSchemes)
        names << QString::fromLatin1(s.name);
    return names;
}

QList<QColor> sequentialPalette(const QString &name, int count)
{
    for (const Scheme &s : kSchemes) {
        if (name != QLatin1String(s.name))
            continue;
        auto colourOf = [&s](char letter) { return QColor(QRgb(0xFF000000u | s.colours[letter - 'A'])); };
        auto published = [&](int n) {
            QList<QColor> out;
            for (const char *l = kLetters[n - 3]; *l; ++l)
                out.append(colourOf(*l));
            return out;
        };
        if (count >= 3 && count <= 9)
            return published(count);
        const QList<QColor> three = published(3);
        return count == 2 ? QList<QColor> {three[0], three[2]}
            : count == 1  ? QList<QColor> {three[2]}
                          : QList<QColor> {};
    }
    return {};
}

QList<QColor> classColours(const QString &palette, int count, const QColor &start, const QColor &end)
{
    return palette.isEmpty() ? colourRamp(start, end, count) : sequentialPalette(palette, count);
}

void fillNoData(QPainter &painter, const QPainterPath &area, double spacing, double lineWidth)
{
    if (area.isEmpty() || spacing <= 0)
        return;
    painter.save();
    painter.fillPath(area, Qt::white);
    painter.setClipPath(area, painter.hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
    // Only the part of the area that can show is hatched (a zoomed-in territory may be many
    // thousand pixels wide).
    QRectF box = area.boundingRect();
    if (painter.hasClipping())
        box &= painter.clipBoundingRect();
    QPen pen(kNoDataHatch, lineWidth);
    pen.setCapStyle(Qt::FlatCap);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    // Lines rising to the right, anchored on a grid of spacing so that neighbours line up.
    const double first = std::floor((box.left() + box.top()) / spacing) * spacing;
    for (double c = first; c <= box.right() + box.bottom() + spacing; c += spacing)
        painter.drawLine(QPointF(c - box.bottom(), box.bottom()), QPointF(c - box.top(), box.top()));
    painter.restore();
}

void drawSwatch(QPainter &painter, const QRectF &box, const LegendRow &row)
{
    painter.save();
    if (row.noData) {
        QPainterPath path;
        path.addRect(box);
        const double spacing = std::max(2.0, box.height() / 4);
        fillNoData(painter, path, spacing, std::max(spacing / 4, 0.5));
    } else {
        painter.fillRect(box, row.colour);
    }
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(box);
    painter.restore();
}

QImage swatchImage(const LegendRow &row, int width, int height)
{
    QImage img(std::max(1, width), std::max(1, height), QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    QPainter p(&img);
    drawSwatch(p, QRectF(0.5, 0.5, img.width() - 1, img.height() - 1), row);
    return img;
}

double drawLegend(QPainter &painter, const QRectF &area, const QList<LegendRow> &rows, const QString &title)
{
    if (area.isEmpty())
        return 0;
    painter.save();
    const QFontMetricsF fm(painter.font(), painter.device());
    double top = area.top();
    painter.setPen(Qt::black);
    if (!title.isEmpty()) {
        const QRectF box = fm.boundingRect(QRectF(area.left(), top, area.width(), area.height()),
                                           Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, title);
        painter.drawText(QRectF(area.left(), top, area.width(), std::min(box.height(), area.height())),
                         Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, title);
        top += box.height() + fm.height() * 0.5;
    }
    const double room = area.bottom() - top;
    if (rows.isEmpty() || room <= 0) {
        painter.restore();
        return std::min(top, area.bottom()) - area.top();
    }
    const double pitch = std::min(room / rows.size(), fm.height() * 1.8);
    const double side = pitch * 0.7;
    const double textLeft = area.left() + side + fm.height() * 0.5;
    for (int i = 0; i < rows.size(); ++i) {
        const double y = top + i * pitch;
        drawSwatch(painter, QRectF(area.left(), y + (pitch - side) / 2, side, side), rows[i]);
        painter.setPen(Qt::black);
        const QString label = fm.elidedText(rows[i].label, Qt::ElideRight, std::max(0.0, area.right() - textLeft));
        painter.drawText(QRectF(textLeft, y, std::max(0.0, area.right() - textLeft), pitch),
                         Qt::AlignLeft | Qt::AlignVCenter, label);
    }
    painter.restore();
    return top + rows.size() * pitch - area.top();
}

} // namespace qrn::map

#pragma once
// The legend of a thematic map and the colours of its classes. The legend model holds each
// class's limits as numbers (what territories are classified by), their text (what the labels
// show), its colour and how many territories it holds, then the white no-data row; the map
// window's grid GridIndici, the page and the command line all show its rows, and the drawing
// reads its limits. The colours are a ramp between two colours or a ColorBrewer palette.

#include "map/classify.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QImage;
class QPainter;
class QPainterPath;
class QRectF;

namespace qrn::map {

struct LegendRow {
    QString label;
    QColor colour;
    bool noData = false; // the "Dato non presente" row: drawn hatched, whatever its colour
    friend bool operator==(const LegendRow &, const LegendRow &) = default;
};

// "Da low a high"; the quartile labels start with a blank (" Da low a high").
QString classLabel(const ClassBounds &bounds, bool quartiles);
// The no-data row: white and hatched, " Dato non presente" after quartiles, "Dato non presente"
// else.
LegendRow noDataRow(bool quartiles);
// One row per class with the colour of the same index, then the no-data row.
QList<LegendRow> legendRows(const QList<ClassBounds> &classes, const QList<QColor> &colours, bool quartiles);

// One class of a legend. low and high are the limits as numbers (NaN when the text is no
// number, so that no value falls in the class); bounds their text as the label writes it.
struct LegendClass {
    ClassBounds bounds;
    double low = 0;
    double high = 0;
    QColor colour;
    int count = 0; // territories in the class, once drawn
    bool highExcluded = false; // a value equal to high belongs to a later class
    QString caption; // the label, when the method writes its own instead of "Da low a high"
    // Whether the class holds v (the first class that holds a value is its class).
    bool holds(double v) const { return low <= v && (highExcluded ? v < high : v <= high); }
};
// A class from the texts a method has just written for its limits, read in fmt.
LegendClass legendClass(const ClassBounds &bounds, const QColor &colour, const NumberFormat &fmt);

// The legend model: its classes in order, then (once a map is drawn) the no-data row.
struct Legend {
    QList<LegendClass> classes;
    bool quartiles = false; // quartile labels (with a leading blank)
    bool noDataRow = false; // the "Dato non presente" row is shown
    int noDataCount = 0; // territories without a class, once drawn
    bool counted = false; // the counts are those of the values last classified
    // For a method that assigns classes by rank (quartiles): the class of every value to map,
    // as the method made it. Empty: a value takes the first class whose limits hold it.
    QList<int> rankedClassOf;
    // While territories are selected: how many of them each class holds, then how many have no
    // class. Empty without a selection.
    QList<int> selectedCounts;

    // The rows shown: one per class, then the no-data row when shown. With withCounts, a legend
    // that has counted its territories ends every label with their number: "Da 1 a 2 (27)";
    // with a selection counted too, a row holding selected territories says how many:
    // "Da 1 a 2 (27, di cui 3 selezionati)".
    QList<LegendRow> rows(bool withCounts = false) const;
    // Counts the selection by class: classOfSelected holds the class (1-based, 0 for none) of
    // every selected territory. An empty list means no selection.
    void countSelected(const QList<int> &classOfSelected);
    QList<ClassBounds> bounds() const;
    // The colour of class k (1-based); white for no class.
    QColor colourOf(int k) const;
    // The class of every value (0 for none) and the counts of the classes and of no data.
    QList<int> classify(const QStringList &values, const NumberFormat &fmt);
    // Class i takes colour i.
    void setColours(const QList<QColor> &colours);
};
// Whether a map drawn with one legend looks as the other says: the same limits in the same
// colours.
bool drawsAlike(const Legend &a, const Legend &b);
// The legend of classes made by a method: class i takes colour i.
Legend makeLegend(const QList<ClassBounds> &classes, const QList<QColor> &colours, bool quartiles,
                  const NumberFormat &fmt);

// Colours are kept in the program's files as Windows colour values 0x00BBGGRR.
QColor fromWindowsColour(quint32 bgr);
quint32 toWindowsColour(const QColor &c);
// The colours the equal-amplitude classes start from.
inline constexpr quint32 kAmplitudeStart = 0x80FFFF;
inline constexpr quint32 kAmplitudeEnd = 0xFF5555;

// count colours from start (the first class) to end (the last), evenly spaced in RGB; one
// class gets the start colour.
QList<QColor> colourRamp(const QColor &start, const QColor &end, int count);

// A diverging palette centred between class below - 1 and class below (ColorBrewer's RdBu):
// the classes under the centre in blues, the others in reds, each the darker the farther from
// the centre, equal distances in mirrored colours whatever the count on either side.
QList<QColor> divergingColours(int below, int above);

// The ColorBrewer sequential palettes offered beside the two colour swatches.
QStringList sequentialPaletteNames();
// The palette for count classes (3 to 9 as published; 1 and 2 take colours of the 3-class
// one). Empty for an unknown name or more than 9 classes.
QList<QColor> sequentialPalette(const QString &name, int count);
// The colours of count classes: the named palette when one is named, else the ramp from start
// to end. Empty when the palette has no such count.
QList<QColor> classColours(const QString &palette, int count, const QColor &start, const QColor &end);

// No data looks like no class under any palette: white crossed by grey diagonal lines spacing
// apart, lineWidth wide (both in the painter's units), filling area; the outline is the caller's.
inline const QColor kNoDataHatch {112, 112, 112};
void fillNoData(QPainter &painter, const QPainterPath &area, double spacing, double lineWidth);
// A legend swatch: the row's colour (hatched for the no-data row) inside a black border.
void drawSwatch(QPainter &painter, const QRectF &box, const LegendRow &row);
// An image of a swatch of side pixels, for lists and grids that show one beside a label.
QImage swatchImage(const LegendRow &row, int width, int height);

// Draws a legend into area with the painter's font: the title (wrapped, when not empty), then
// one line per row, top down, a swatch square (drawSwatch) and the label beside it
// (elided to the area). The rows share the height left, at most 1.8 lines each. Answers the
// height used.
double drawLegend(QPainter &painter, const QRectF &area, const QList<LegendRow> &rows,
                  const QString &title = QString());

} // namespace qrn::map

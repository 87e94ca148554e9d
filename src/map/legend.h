#pragma once
// The legend rows of a thematic map (the grid GridIndici: a colour swatch and a label per
// class, then the white no-data row) and the colours of the classes: a ramp between two
// colours or a ColorBrewer sequential palette.

#include "map/classify.h"

#include <QColor>
#include <QList>
#include <QString>
#include <QStringList>

class QPainter;
class QRectF;

namespace qrn::map {

struct LegendRow {
    QString label;
    QColor colour;
    friend bool operator==(const LegendRow &, const LegendRow &) = default;
};

// "Da low a high"; the quartile labels start with a blank (" Da low a high").
QString classLabel(const ClassBounds &bounds, bool quartiles);
// The bounds read back from a label: the second and the fourth word.
ClassBounds boundsOfLabel(const QString &label);
// The no-data row: white, " Dato non presente" after quartiles, "Dato non presente" else.
LegendRow noDataRow(bool quartiles);
// One row per class with the colour of the same index, then the no-data row.
QList<LegendRow> legendRows(const QList<ClassBounds> &classes, const QList<QColor> &colours, bool quartiles);

// Colours are kept in the program's files as Windows colour values 0x00BBGGRR.
QColor fromWindowsColour(quint32 bgr);
quint32 toWindowsColour(const QColor &c);
// The colours the equal-amplitude classes start from.
inline constexpr quint32 kAmplitudeStart = 0x80FFFF;
inline constexpr quint32 kAmplitudeEnd = 0xFF5555;

// count colours from start (the first class) to end (the last), evenly spaced in RGB; one
// class gets the start colour.
QList<QColor> colourRamp(const QColor &start, const QColor &end, int count);

// The ColorBrewer sequential palettes offered beside the two colour swatches.
QStringList sequentialPaletteNames();
// The palette for count classes (3 to 9 as published; 1 and 2 take colours of the 3-class
// one). Empty for an unknown name or more than 9 classes.
QList<QColor> sequentialPalette(const QString &name, int count);

// Draws a legend into area with the painter's font: the title (wrapped, when not empty), then
// one line per row, top down, a swatch square with a black border and the label beside it
// (elided to the area). The rows share the height left, at most 1.8 lines each. Answers the
// height used.
double drawLegend(QPainter &painter, const QRectF &area, const QList<LegendRow> &rows,
                  const QString &title = QString());

} // namespace qrn::map

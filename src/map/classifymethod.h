#pragma once
// The classification methods behind one registry: each method is a small class with its word on
// the command line (--metodo), its caption and option button in the map window, and the classes
// it makes of a column's values. The map window's method list and `mappa --metodo` both read the
// registry, and both go from a method's classes to a legend through makeMethodLegend, so the two
// colour the same classes alike. Methods never throw and never show anything: a refusal is an
// Italian message in the outcome.

#include "map/classify.h"
#include "map/classifystate.h"
#include "map/legend.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qrn::map {

// What a method classifies: the texts of the rows to map (sorted ascending on the column, as
// the map window gets them), their statistics, and the inputs some methods take.
struct ClassRequest {
    QStringList values;
    ColumnStats stats;
    QString classCount; // txtClassi or --classi
    QString txtMin, txtMax; // the bound boxes of equal amplitude
    QStringList limits; // the upper bounds of the manual classes, in order
    bool wideHinge = false; // box map: fences at 3 interquartile ranges instead of 1.5
};

// The limits of a class as a method computed them, for the methods whose limits are not the
// texts of values or of the boxes: the numbers the values are classified by, and the label.
struct ClassLimits {
    double low = 0, high = 0;
    bool highExcluded = false;
    QString caption;
};

// The classes made, or the refusal (BoundsOutcome's message), with what the legend needs.
struct MethodOutcome : BoundsOutcome {
    bool quartileLabels = false;
    bool equalValuesWarning = false; // quartiles: equal values across a boundary
    QList<int> rankedClassOf; // quartiles: the class of every value by rank
    // How many colours the classes are coloured from: the quartiles always take four, even
    // when fewer values make fewer classes.
    int colourCount() const { return quartileLabels ? QuartileClassifier::kClasses : int(classes.size()); }
    QList<ClassLimits> limits; // one per class, or none: the limits are read from the texts
    QList<QColor> ownColours; // the colours of a method with a palette of its own
};

// The colours asked for: a ColorBrewer palette by name, or else the ramp from start to end.
struct ColourChoice {
    QString palette;
    QColor start, end;
};

class ClassificationMethod {
public:
    virtual ~ClassificationMethod() = default;
    virtual Method kind() const = 0;
    // The word of --metodo.
    virtual QString id() const = 0;
    // The caption of the window's option button, and its object name.
    virtual QString label() const = 0;
    virtual QString optionName() const = 0;
    // Whether the method reads the class count, and the minimum and maximum boxes.
    virtual bool takesClassCount() const { return false; }
    virtual bool takesBounds() const { return false; }
    // Whether the method offers the wider hinge (the box map).
    virtual bool takesHinge() const { return false; }
    // Whether the method colours its classes itself (a diverging palette), whatever is chosen.
    virtual bool ownPalette() const { return false; }
    // The classes of the request's values, all at once.
    virtual MethodOutcome classes(const ClassRequest &request, const NumberFormat &fmt) const = 0;
};

// The methods in the order the window lists them.
const QList<const ClassificationMethod *> &classificationMethods();
// The method of a --metodo word, nullptr for none; the method of a kind.
const ClassificationMethod *methodById(const QString &id);
const ClassificationMethod &methodOf(Method kind);
// "quartili, ampiezza, manuale, naturali, devstd oppure boxmap".
QString methodIdList();

// The colours of an outcome's classes, the one road from a method to its colours for the window
// and the command line: the method's own palette, else the choice for colourCount() classes
// (empty when the palette has no such count).
QList<QColor> methodColours(const MethodOutcome &outcome, const ColourChoice &choice);

// The legend of an outcome, class i coloured with colour i.
Legend makeMethodLegend(const MethodOutcome &outcome, const QList<QColor> &colours, const NumberFormat &fmt);

} // namespace qrn::map

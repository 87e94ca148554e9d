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
};

// The classes made, or the refusal (BoundsOutcome's message), with what the legend needs.
struct MethodOutcome : BoundsOutcome {
    bool quartileLabels = false;
    bool equalValuesWarning = false; // quartiles: equal values across a boundary
    QList<int> rankedClassOf; // quartiles: the class of every value by rank
    // How many colours the classes are coloured from: the quartiles always take four, even
    // when fewer values make fewer classes.
    int colourCount() const { return quartileLabels ? QuartileClassifier::kClasses : int(classes.size()); }
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
    // The classes of the request's values, all at once.
    virtual MethodOutcome classes(const ClassRequest &request, const NumberFormat &fmt) const = 0;
};

// The methods in the order the window lists them.
const QList<const ClassificationMethod *> &classificationMethods();
// The method of a --metodo word, nullptr for none; the method of a kind.
const ClassificationMethod *methodById(const QString &id);
const ClassificationMethod &methodOf(Method kind);
// "quartili, ampiezza, manuale oppure naturali".
QString methodIdList();

// The legend of an outcome, class i coloured with colour i.
Legend makeMethodLegend(const MethodOutcome &outcome, const QList<QColor> &colours, const NumberFormat &fmt);

} // namespace qrn::map

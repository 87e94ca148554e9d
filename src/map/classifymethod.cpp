#include "map/classifymethod.h"

namespace qrn::map {

namespace {

MethodOutcome outcomeOf(const BoundsOutcome &b)
{
    MethodOutcome out;
    static_cast<BoundsOutcome &>(out) = b;
    return out;
}

// Four classes by rank (the runs of the sorted values); with equal values across a boundary
// the value's class is its rank's, which no pair of limits could say.
class Quartiles final : public ClassificationMethod {
public:
    Method kind() const override { return Method::Quartiles; }
    QString id() const override { return QStringLiteral("quartili"); }
    QString label() const override { return QStringLiteral("Quartili"); }
    QString optionName() const override { return QStringLiteral("Option1"); }
    MethodOutcome classes(const ClassRequest &r, const NumberFormat &fmt) const override
    {
        const Classification c = QuartileClassifier().classify(r.values, fmt);
        MethodOutcome out;
        out.classes = c.classes;
        out.rankedClassOf = c.classOf;
        out.equalValuesWarning = c.equalValuesWarning;
        out.quartileLabels = true;
        out.finished = true;
        return out;
    }
};

class EqualAmplitude final : public ClassificationMethod {
public:
    Method kind() const override { return Method::EqualAmplitude; }
    QString id() const override { return QStringLiteral("ampiezza"); }
    QString label() const override { return QStringLiteral("Classi di uguale ampiezza"); }
    QString optionName() const override { return QStringLiteral("Option2"); }
    bool takesClassCount() const override { return true; }
    bool takesBounds() const override { return true; }
    MethodOutcome classes(const ClassRequest &r, const NumberFormat &fmt) const override
    {
        if (!r.stats.valid) {
            MethodOutcome out;
            out.message = kMinEqualsMax;
            return out;
        }
        return outcomeOf(EqualAmplitudeClassifier().build(r.classCount, r.txtMin, r.txtMax, r.stats, fmt));
    }
};

// All the classes at once from their upper bounds, as "Seleziona" makes them one click at a
// time from the minimum. Limits that stop short of the maximum get a last class up to it, as
// one more click does with the maximum the window leaves in its box.
class Manual final : public ClassificationMethod {
public:
    Method kind() const override { return Method::Manual; }
    QString id() const override { return QStringLiteral("manuale"); }
    QString label() const override { return QStringLiteral("Manuale"); }
    QString optionName() const override { return QStringLiteral("Option3"); }
    bool takesBounds() const override { return true; }
    MethodOutcome classes(const ClassRequest &r, const NumberFormat &fmt) const override
    {
        MethodOutcome out;
        if (!r.stats.valid) {
            out.message = kMinEqualsMax;
            return out;
        }
        ManualClassifier manual;
        QString low = numberText(r.stats.minValue, fmt);
        for (const QString &high : r.limits) {
            if (out.finished) {
                out.message = kAssignmentDone;
                return out;
            }
            const BoundsOutcome step = manual.addClass(low, high, r.stats, fmt);
            if (step.refused())
                return outcomeOf(step);
            out.finished = step.finished;
            low = step.txtMin;
        }
        if (!out.finished) {
            const BoundsOutcome last = manual.addClass(low, numberText(r.stats.maxValue, fmt), r.stats, fmt);
            if (last.refused())
                return outcomeOf(last);
            out.finished = last.finished;
        }
        out.classes = manual.classes();
        return out;
    }
};

class NaturalBreaks final : public ClassificationMethod {
public:
    Method kind() const override { return Method::NaturalBreaks; }
    QString id() const override { return QStringLiteral("naturali"); }
    QString label() const override { return QStringLiteral("Interruzioni naturali"); }
    QString optionName() const override { return QStringLiteral("Option4"); }
    bool takesClassCount() const override { return true; }
    MethodOutcome classes(const ClassRequest &r, const NumberFormat &fmt) const override
    {
        return outcomeOf(NaturalBreaksClassifier().build(r.classCount, r.values, fmt));
    }
};

} // namespace

const QList<const ClassificationMethod *> &classificationMethods()
{
    static const Quartiles quartiles;
    static const EqualAmplitude amplitude;
    static const Manual manual;
    static const NaturalBreaks natural;
    static const QList<const ClassificationMethod *> all {&quartiles, &amplitude, &manual, &natural};
    return all;
}

const ClassificationMethod *methodById(const QString &id)
{
    for (const ClassificationMethod *m : classificationMethods())
        if (m->id() == id)
            return m;
    return nullptr;
}

const ClassificationMethod &methodOf(Method kind)
{
    for (const ClassificationMethod *m : classificationMethods())
        if (m->kind() == kind)
            return *m;
    return *classificationMethods().first();
}

QString methodIdList()
{
    QStringList ids;
    for (const ClassificationMethod *m : classificationMethods())
        ids << m->id();
    const QString last = ids.takeLast();
    return ids.join(QStringLiteral(", ")) + QStringLiteral(" oppure ") + last;
}

Legend makeMethodLegend(const MethodOutcome &outcome, const QList<QColor> &colours, const NumberFormat &fmt)
{
    Legend legend = makeLegend(outcome.classes, colours, outcome.quartileLabels, fmt);
    legend.rankedClassOf = outcome.rankedClassOf;
    return legend;
}

} // namespace qrn::map

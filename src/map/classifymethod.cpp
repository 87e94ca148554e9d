// The six methods of the registry, each a stateless object made once: the registry's order is the
// order of the option buttons and of `--metodo`, and Option1..Option6 keep that order. A method
// turns the window's inputs into classes through the classifiers of map/classify and adds nothing
// but its labels and colours: the diverging methods carry their own palette, the others take the
// chosen one. A legend takes computed limits as computed, never read back from their rounded text.

#include "map/classifymethod.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

// A computed limit as the legend writes it: rounded to two significant decimals of scale (the
// width of a class, say), so that the labels do not carry fifteen digits.
QString limitText(double value, double scale, const NumberFormat &fmt)
{
    const double decimals = std::clamp(2 - std::floor(std::log10(scale)), 0.0, 300.0);
    return numberText(roundHalfEven(value, int(decimals)), fmt);
}

const QString kNoSpread = QStringLiteral(
    "I valori sono tutti uguali (o uno solo): non è possibile dividere i dati in classi.");

// Classes of half a standard deviation either side of the mean, in a diverging palette.
class StandardDeviation final : public ClassificationMethod {
public:
    Method kind() const override { return Method::StandardDeviation; }
    QString id() const override { return QStringLiteral("devstd"); }
    QString label() const override { return QStringLiteral("Deviazione standard"); }
    QString optionName() const override { return QStringLiteral("Option5"); }
    bool ownPalette() const override { return true; }
    MethodOutcome classes(const ClassRequest &r, const NumberFormat &fmt) const override
    {
        MethodOutcome out;
        const std::optional<DeviationClasses> d = StandardDeviationClassifier().classify(sortedNumbers(r.values, fmt));
        if (!d) {
            out.message = kNoSpread;
            return out;
        }
        const double halfStep = d->spread.deviation / 2;
        auto steps = [&fmt](int halfSteps) { return numberText(halfSteps / 2.0, fmt); };
        for (const DeviationClass &c : d->classes) {
            const ClassBounds bounds {limitText(c.low, halfStep, fmt), limitText(c.high, halfStep, fmt)};
            QString where;
            if (c.openEnded && c.toHalfSteps <= 0)
                where = QStringLiteral("meno di %1 dev. std.").arg(steps(c.toHalfSteps));
            else if (c.openEnded)
                where = QStringLiteral("oltre %1 dev. std.").arg(steps(c.fromHalfSteps));
            else
                where = QStringLiteral("da %1 a %2 dev. std.").arg(steps(c.fromHalfSteps), steps(c.toHalfSteps));
            out.classes.append(bounds);
            out.limits.append({c.low, c.high, false, classLabel(bounds, false) + QStringLiteral(" (") + where + ')'});
        }
        out.ownColours = divergingColours(d->classesBelow, int(d->classes.size()) - d->classesBelow);
        out.finished = true;
        return out;
    }
};

// GeoDa's box map: six classes from the quartiles and the fences, in a diverging palette.
class BoxMap final : public ClassificationMethod {
public:
    Method kind() const override { return Method::BoxMap; }
    QString id() const override { return QStringLiteral("boxmap"); }
    QString label() const override { return QStringLiteral("Box map"); }
    QString optionName() const override { return QStringLiteral("Option6"); }
    bool takesHinge() const override { return true; }
    bool ownPalette() const override { return true; }
    MethodOutcome classes(const ClassRequest &r, const NumberFormat &fmt) const override
    {
        MethodOutcome out;
        const std::vector<double> sorted = sortedNumbers(r.values, fmt);
        const std::optional<BoxLimits> b = BoxMapClassifier().limits(
            sorted, r.wideHinge ? BoxMapClassifier::kWideHinge : BoxMapClassifier::kHinge);
        if (!b) {
            out.message = kNoSpread;
            return out;
        }
        const double scale = sorted.back() / 10 - sorted.front() / 10;
        auto text = [&](double v) { return limitText(v, scale, fmt); };
        const QString f1 = text(b->lowerFence), q1 = text(b->quartiles[0]), q2 = text(b->quartiles[1]),
                      q3 = text(b->quartiles[2]), f2 = text(b->upperFence);
        constexpr double inf = std::numeric_limits<double>::infinity();
        const struct {
            ClassBounds bounds;
            ClassLimits limits;
        } rows[] = {
            {{text(sorted.front()), f1}, {-inf, b->lowerFence, true, QStringLiteral("Anomali inferiori: meno di ") + f1}},
            {{f1, q1}, {b->lowerFence, b->quartiles[0], true, QStringLiteral("< 25%: da %1 a meno di %2").arg(f1, q1)}},
            {{q1, q2}, {b->quartiles[0], b->quartiles[1], false, QStringLiteral("25% - 50%: da %1 a %2").arg(q1, q2)}},
            {{q2, q3}, {b->quartiles[1], b->quartiles[2], false, QStringLiteral("50% - 75%: da %1 a %2").arg(q2, q3)}},
            {{q3, f2}, {b->quartiles[2], b->upperFence, false, QStringLiteral("> 75%: da %1 a %2").arg(q3, f2)}},
            {{f2, text(sorted.back())}, {b->upperFence, inf, false, QStringLiteral("Anomali superiori: oltre ") + f2}},
        };
        for (const auto &row : rows) {
            out.classes.append(row.bounds);
            out.limits.append(row.limits);
        }
        out.ownColours = divergingColours(3, 3);
        out.finished = true;
        return out;
    }
};

} // namespace

const QList<const ClassificationMethod *> &classificationMethods()
{
    static const Quartiles quartiles;
    static const EqualAmplitude amplitude;
    static const Manual manual;
    static const NaturalBreaks natural;
    static const StandardDeviation deviation;
    static const BoxMap box;
    static const QList<const ClassificationMethod *> all {&quartiles, &amplitude, &manual, &natural, &deviation, &box};
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

QList<QColor> methodColours(const MethodOutcome &outcome, const ColourChoice &choice)
{
    if (!outcome.ownColours.isEmpty())
        return outcome.ownColours;
    return classColours(choice.palette, outcome.colourCount(), choice.start, choice.end);
}

Legend makeMethodLegend(const MethodOutcome &outcome, const QList<QColor> &colours, const NumberFormat &fmt)
{
    Legend legend = makeLegend(outcome.classes, colours, outcome.quartileLabels, fmt);
    legend.rankedClassOf = outcome.rankedClassOf;
    // Computed limits are taken as computed, not read back from their rounded texts.
    if (outcome.limits.size() == legend.classes.size())
        for (qsizetype i = 0; i < legend.classes.size(); ++i) {
            LegendClass &c = legend.classes[i];
            const ClassLimits &l = outcome.limits[i];
            c.low = l.low;
            c.high = l.high;
            c.highExcluded = l.highExcluded;
            c.caption = l.caption;
        }
    return legend;
}

} // namespace qrn::map

// libFuzzer target of the classification methods. The first byte picks the decimal mark, whether
// the values are sorted (as the map window gives them) and the class count; then come the values,
// each from a pool of extremes (the largest doubles, denormals, zeros, texts that are no number)
// or any finite double. Every method of the registry classifies them (the manual one from limits
// taken among the values) and its legend classifies them again by its limits. Besides the
// sanitizers it aborts when a property fails: a refusal carries a message and no classes,
// classes stay within the count asked for, every class number names a class, the class counts
// add up, and natural breaks, standard deviations and the box map give every number a class;
// the box map's legend agrees with its own rule, value by value.

#include "fuzzcheck.h"
#include "map/classifymethod.h"
#include "map/legend.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <vector>

using namespace qrn;
using namespace qrn::map;

namespace {

double pooled(FuzzedDataProvider &in)
{
    using L = std::numeric_limits<double>;
    static const double pool[] = {L::max(), -L::max(), L::min(), -L::min(), L::denorm_min(), -L::denorm_min(),
                                  0.0,      -0.0,      1e308,    -1e308,    1e155,           -1e155,
                                  1e-310,   0.01,      1.0,      100.0,     1333806.76,      4.25};
    return in.PickValueInArray(pool);
}

QString textOf(double v, const NumberFormat &fmt)
{
    return QString::number(v, 'g', 17).replace(QLatin1Char('.'), fmt.decimal);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzedDataProvider in(data, size);
    const uint8_t mode = in.ConsumeIntegral<uint8_t>();
    const NumberFormat fmt = (mode & 1) ? NumberFormat::point() : NumberFormat::comma();
    const bool sorted = !(mode & 2);
    // Counts 0 to 100 mostly, now and then an absurd one.
    const int count = (mode & 4) ? in.ConsumeIntegralInRange<int>(-3, 1 << 30) : in.ConsumeIntegralInRange<int>(0, 100);

    struct Entry {
        QString text;
        std::optional<double> number;
    };
    std::vector<Entry> entries;
    while (in.remaining_bytes() > 0 && entries.size() < 200) {
        const uint8_t kind = in.ConsumeIntegralInRange<uint8_t>(0, 3);
        if (kind == 0) {
            entries.push_back({QString::fromLatin1(in.PickValueInArray({"", "n.d.", "-", "1e999", ","})), {}});
            continue;
        }
        double v = kind == 1 ? pooled(in) : in.ConsumeFloatingPoint<double>();
        if (!std::isfinite(v))
            v = 0;
        entries.push_back({textOf(v, fmt), v});
    }
    // An ascending sort of the grid: texts that are no number first.
    if (sorted)
        std::stable_sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return a.number.has_value() != b.number.has_value() ? !a.number : a.number && *a.number < *b.number;
        });
    QStringList values;
    for (const Entry &e : entries)
        values << e.text;

    const QString countText = QString::number(count);
    const ColumnStats stats = columnStats(values, fmt);
    check(!stats.valid || std::isfinite(stats.meanValue), "a mean that is not finite");

    // The manual limits: a few of the values, in their order.
    QStringList limits;
    for (qsizetype i = 0; i < values.size() && limits.size() < 6; i += 3)
        limits << values[i];
    ClassRequest request {values,
                          stats,
                          countText,
                          numberText(stats.minValue, fmt),
                          numberText(stats.maxValue, fmt),
                          limits,
                          (mode & 8) != 0};
    const std::vector<double> numbers = sortedNumbers(values, fmt);
    const std::optional<BoxLimits> box = BoxMapClassifier().limits(
        numbers, request.wideHinge ? BoxMapClassifier::kWideHinge : BoxMapClassifier::kHinge);
    for (const ClassificationMethod *method : classificationMethods()) {
        const MethodOutcome out = method->classes(request, fmt);
        if (method->kind() == Method::Quartiles) {
            check(out.classes.size() <= QuartileClassifier::kClasses, "more than four quartiles");
            check(out.rankedClassOf.size() == values.size(), "a quartile class list of another length");
        } else {
            check(out.refused() == out.classes.isEmpty(), "a refusal with classes, or no classes and no message");
            if (method->takesClassCount())
                check(out.classes.size() <= std::max(count, 1), "more classes than asked for");
        }
        const bool spreads = numbers.size() > 1 && numbers.front() != numbers.back();
        const bool everyNumber = method->kind() == Method::NaturalBreaks
            || method->kind() == Method::StandardDeviation || method->kind() == Method::BoxMap;
        if (method->ownPalette()) {
            check(out.refused() != spreads, "values that spread refused, or equal values classified");
            check(out.ownColours.size() == out.classes.size(), "own colours that are not one a class");
            check(out.limits.size() == out.classes.size(), "computed limits that are not one a class");
            check(out.classes.size() <= 2 * StandardDeviationClassifier::kMaxPerSide, "too many classes");
            for (qsizetype i = 1; i < out.limits.size(); ++i)
                check(out.limits[i - 1].high <= out.limits[i].high, "limits out of order");
        }
        if (method->kind() == Method::BoxMap)
            check(out.refused() || out.classes.size() == BoxMapClassifier::kClasses, "a box map without six classes");
        if (out.refused())
            continue;
        Legend legend = makeMethodLegend(out, methodColours(out, {QString(), Qt::yellow, Qt::red}), fmt);
        const QList<int> classOf = legend.classify(values, fmt);
        check(classOf.size() == values.size(), "a class list of another length");
        int counted = legend.noDataCount;
        for (const LegendClass &c : legend.classes)
            counted += c.count;
        check(counted == values.size(), "class counts that do not add up to the values");
        for (qsizetype i = 0; i < values.size(); ++i) {
            check(classOf[i] >= 0 && classOf[i] <= legend.classes.size(), "a class number outside the classes");
            const std::optional<double> v = fmt.toNumber(values[i]);
            if (everyNumber)
                check(classOf[i] > 0 || !v, "a number without a class");
            if (method->kind() == Method::BoxMap && v && box)
                check(classOf[i] == BoxMapClassifier::classOf(*box, *v), "a box-map legend against its rule");
        }
        check(legend.rows().size() == legend.classes.size(), "legend rows that are not the classes");
    }

    // Manual classes click by click, as the window makes them.
    if (stats.valid) {
        ManualClassifier manual;
        QString low = numberText(stats.minValue, fmt);
        for (const QString &high : limits) {
            const BoundsOutcome step = manual.addClass(low, high, stats, fmt);
            check(step.refused() == step.classes.isEmpty(), "a manual click with classes and a refusal");
            if (step.refused() || step.finished)
                break;
            low = step.txtMin;
        }
    }
    return 0;
}

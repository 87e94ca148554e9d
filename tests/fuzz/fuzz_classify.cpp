// libFuzzer target of the classification methods. The first byte picks the decimal mark, whether
// the values are sorted (as the map window gives them) and the class count; then come the values,
// each from a pool of extremes (the largest doubles, denormals, zeros, texts that are no number)
// or any finite double. Every method of the registry classifies them, the manual one from limits
// taken among the values. Besides the sanitizers it aborts when a property fails: a refusal
// carries a message and no classes, classes stay within the count asked for, every class number
// names a class, and natural breaks give every number a class.

#include "map/classify.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>
#include <vector>

using namespace qrn;
using namespace qrn::map;

namespace {

void check(bool ok, const char *what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_classify: %s\n", what);
        std::abort();
    }
}

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

void checkClassOf(const QList<int> &classOf, qsizetype classes)
{
    for (int k : classOf)
        check(k >= 0 && k <= classes, "a class number outside the classes");
}

void checkOutcome(const BoundsOutcome &out, int count)
{
    check(out.refused() == out.classes.isEmpty(), "a refusal with classes, or no classes and no message");
    check(out.classes.size() <= std::max(count, 1), "more classes than asked for");
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
    while (in.remaining_bytes() > 0 && entries.size() < 400) {
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

    const Classification q = QuartileClassifier().classify(values, fmt);
    check(q.classes.size() <= QuartileClassifier::kClasses, "more than four quartiles");
    checkClassOf(q.classOf, q.classes.size());

    const BoundsOutcome natural = NaturalBreaksClassifier().build(countText, values, fmt);
    checkOutcome(natural, count);
    if (!natural.refused()) {
        const QList<int> classOf = classifyByBounds(values, natural.classes, fmt);
        checkClassOf(classOf, natural.classes.size());
        for (qsizetype i = 0; i < values.size(); ++i)
            check(classOf[i] > 0 || !fmt.toNumber(values[i]), "a number without a natural-breaks class");
    }

    if (stats.valid) {
        const BoundsOutcome amplitude = EqualAmplitudeClassifier().build(
            countText, numberText(stats.minValue, fmt), numberText(stats.maxValue, fmt), stats, fmt);
        checkOutcome(amplitude, count);
        checkClassOf(classifyByBounds(values, amplitude.classes, fmt), amplitude.classes.size());

        // Manual classes up to a few of the values, one click each, as the window makes them.
        ManualClassifier manual;
        QString low = numberText(stats.minValue, fmt);
        for (qsizetype i = 0; i < values.size() && i < 12; i += 3) {
            const BoundsOutcome step = manual.addClass(low, values[i], stats, fmt);
            check(step.refused() == step.classes.isEmpty(), "a manual click with classes and a refusal");
            if (step.refused() || step.finished)
                break;
            low = step.txtMin;
        }
        checkClassOf(classifyByBounds(values, manual.classes(), fmt), manual.classes().size());
    }
    return 0;
}

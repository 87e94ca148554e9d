// The arithmetic of the classification methods on the mapped column's values. Every method works
// on the texts read in the program's number format; a text that is not a number is in no class
// (0). Sums, squares and differences are taken on values scaled by a power of two, so no input
// within the double range overflows, and the outermost classes always reach the extreme values.
// The refusals are returned in BoundsOutcome with their focus; nothing here shows or logs them.

#include "map/classify.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <optional>

namespace qrn::map {

namespace {

// A bound typed in a text box: empty means "0".
QString orZero(const QString &text)
{
    return text.isEmpty() ? QStringLiteral("0") : text;
}

bool outside(const std::optional<double> &v, const ColumnStats &s)
{
    return !v || *v < s.minValue || *v > s.maxValue;
}

// The bounds of the two text boxes (an empty one reads "0") and the refusals shared by the
// equal-amplitude and the manual method; a lower bound out of range gets lowOutside. Returns
// the upper bound read.
std::optional<double> checkBounds(BoundsOutcome &out, const QString &txtMin, const QString &txtMax,
                                  const ColumnStats &stats, const NumberFormat &fmt, const QString &lowOutside)
{
    out.txtMin = orZero(txtMin);
    out.txtMax = orZero(txtMax);
    const std::optional<double> lo = fmt.toNumber(out.txtMin), hi = fmt.toNumber(out.txtMax);
    if (lo && hi && *hi < *lo) {
        out.message = kReversedBounds;
    } else if (outside(lo, stats)) {
        out.message = lowOutside;
    } else if (outside(hi, stats)) {
        out.message = boundsRangeMessage(stats, fmt);
        out.focus = BoundsOutcome::Focus::Max;
    }
    return hi;
}

int classCountOf(const QString &text, BoundsOutcome &out)
{
    if (text.trimmed().isEmpty()) {
        out.message = kNoClassCount;
        out.title = kNoClassCountTitle;
        out.focus = BoundsOutcome::Focus::Classes;
        return 0;
    }
    bool ok = false;
    const qlonglong c = text.trimmed().toLongLong(&ok);
    if (!ok || c <= 0) {
        out.message = kZeroClasses;
        out.focus = BoundsOutcome::Focus::Classes;
        return 0;
    }
    if (c > kMaxClasses) {
        out.message = kTooManyClasses;
        out.focus = BoundsOutcome::Focus::Classes;
        return 0;
    }
    return int(c);
}

} // namespace

QString numberText(double value, const NumberFormat &fmt)
{
    if (value == 0)
        value = 0; // no "-0"
    QString s = QString::number(value, 'g', 15);
    s.replace(QLatin1Char('.'), fmt.decimal);
    return s;
}

double roundHalfEven(double value, int decimals)
{
    const double scale = std::pow(10.0, decimals);
    // A value too large to scale has no decimals left to round.
    if (!std::isfinite(value * scale))
        return value;
    // The 15-digit form of the value decides whether it lies exactly half-way.
    const double scaled = QString::number(value * scale, 'g', 15).toDouble();
    // Within 15 digits of the largest double the form reads back as infinite.
    if (!std::isfinite(scaled))
        return value;
    const double floor = std::floor(scaled);
    const double diff = scaled - floor;
    double whole;
    if (std::fabs(diff - 0.5) <= 1e-9 * std::max(1.0, std::fabs(scaled)))
        whole = std::fmod(floor, 2.0) == 0 ? floor : floor + 1;
    else
        whole = std::round(scaled);
    return whole / scale;
}

ColumnStats columnStats(const QStringList &values, const NumberFormat &fmt)
{
    ColumnStats s;
    double sum = 0;
    int count = 0;
    for (const QString &t : values) {
        const std::optional<double> v = fmt.toNumber(t);
        if (!v)
            continue;
        if (!s.valid)
            s.minValue = *v;
        s.valid = true;
        s.maxValue = *v;
        sum += *v;
        ++count;
    }
    if (count > 0)
        s.meanValue = sum / count;
    if (!std::isfinite(s.meanValue)) {
        // The sum overflowed (values near the largest double): add them scaled down by a power
        // of two, which loses only what is negligible beside them, and scale the mean back.
        constexpr int kShift = 20;
        double scaledSum = 0;
        for (const QString &t : values)
            if (const std::optional<double> v = fmt.toNumber(t))
                scaledSum += std::ldexp(*v, -kShift);
        constexpr double kLargest = std::numeric_limits<double>::max();
        s.meanValue = std::clamp(std::ldexp(scaledSum / count, kShift), -kLargest, kLargest);
    }
    return s;
}

QString statText(double value, const NumberFormat &fmt)
{
    return QLatin1Char('(') + numberText(value, fmt) + QLatin1Char(')');
}

QString roundedStatText(double value, const NumberFormat &fmt)
{
    return statText(roundHalfEven(value, 2), fmt);
}

int MakeQuantile(int k, int r, int q, int n, int c)
{
    if (r == 0)
        return k * q;
    if (k < 1 || k > 3 || r > 3 || r < 0 || c == 0)
        return 0;
    auto R = [](double x) { return int(roundHalfEven(x, 0)); };
    switch (k) {
    case 1:
        return R(1 + double(n - r) / c);
    case 2:
        return r == 2 ? R(n / 2.0) : R((n + 1) / 2.0);
    default:
        return R(double(3 * n + r) / c);
    }
}

Classification QuartileClassifier::classify(const QStringList &values, const NumberFormat &fmt) const
{
    constexpr int c = kClasses;
    Classification out;
    out.classOf = QList<int>(values.size(), 0);
    const ColumnStats stats = columnStats(values, fmt);
    if (!stats.valid)
        return out;
    // Grid rows: value i is row i + 1; iMin the first row holding the minimum, iMax the row count.
    int iMin = 1;
    while (iMin <= values.size() && fmt.toNumber(values[iMin - 1]) != stats.minValue)
        ++iMin;
    const int iMax = int(values.size()) + 1;
    const int n = iMax - iMin, q = n / c, r = n - q * c;
    auto text = [&](int row) { return values[row - 1]; };

    QList<ClassBounds> bounds(c);
    int k = 1;
    int next = iMin + MakeQuantile(1, r, q, n, c);
    auto boundary = [&](int i) {
        if (k >= c)
            return;
        bounds[k - 1].high = text(i - 1);
        ++k;
        next = iMin + MakeQuantile(k, r, q, n, c);
        bounds[k - 1].low = text(i);
    };
    for (int i = iMin; i < iMax; ++i) {
        if (text(i).isEmpty())
            continue;
        if (i == iMin)
            bounds[0].low = text(i);
        if (i == iMax - 1) {
            // With fewer than eight values the last one is the start of the last class.
            if (n < 8 && i != iMin)
                boundary(i);
            bounds[k - 1].high = text(i);
        } else if (i != iMin && i == next) {
            boundary(i);
        }
        out.classOf[i - 1] = k;
    }
    bounds.resize(k);
    out.classes = bounds;
    for (int j = 0; j + 1 < out.classes.size() && j <= c - 3; ++j)
        if (out.classes[j].high == out.classes[j + 1].low) {
            out.equalValuesWarning = true;
            break;
        }
    return out;
}

QList<int> classifyByBounds(const QStringList &values, const QList<ClassBounds> &classes, const NumberFormat &fmt)
{
    struct Range {
        std::optional<double> low, high;
    };
    QList<Range> ranges;
    for (const ClassBounds &b : classes)
        ranges.append({fmt.toNumber(b.low), fmt.toNumber(b.high)});
    QList<int> out(values.size(), 0);
    for (int i = 0; i < values.size(); ++i) {
        const std::optional<double> v = fmt.toNumber(values[i]);
        if (!v)
            continue;
        for (int j = 0; j < ranges.size(); ++j)
            if (ranges[j].low && ranges[j].high && *ranges[j].low <= *v && *v <= *ranges[j].high) {
                out[i] = j + 1;
                break;
            }
    }
    return out;
}

QString boundsRangeMessage(const ColumnStats &stats, const NumberFormat &fmt)
{
    return QStringLiteral("Scrivere un numero compreso tra ") + numberText(stats.minValue, fmt) + QStringLiteral(" e ")
        + numberText(stats.maxValue, fmt);
}

BoundsOutcome EqualAmplitudeClassifier::build(const QString &classCount, const QString &txtMin, const QString &txtMax,
                                              const ColumnStats &stats, const NumberFormat &fmt) const
{
    BoundsOutcome out;
    out.txtMin = txtMin;
    out.txtMax = txtMax;
    const int c = classCountOf(classCount, out);
    if (out.refused())
        return out;
    checkBounds(out, txtMin, txtMax, stats, fmt, kAssignmentDone);
    if (!out.refused() && stats.minValue == stats.maxValue)
        out.message = kMinEqualsMax;
    if (out.refused())
        return out;

    // The difference of two extreme values may overflow; their shares of it cannot.
    const double span = stats.maxValue - stats.minValue;
    const double amplitude =
        roundHalfEven(std::isfinite(span) ? span / c : stats.maxValue / c - stats.minValue / c, 2);
    double nextLow = *fmt.toNumber(out.txtMin); // read by checkBounds
    for (int i = 0; i < c && !out.finished; ++i) {
        // The boxes hold texts; every step reads them back, as typed numbers would be. Near the
        // largest double the 15-digit text may not read back: the number itself stands for it.
        const double low = fmt.toNumber(out.txtMin).value_or(nextLow);
        double high = i == 0 ? low + amplitude : low + amplitude - 0.01;
        if (i == c - 1 || !std::isfinite(high))
            high = stats.maxValue;
        out.txtMax = numberText(high, fmt);
        out.classes.append({out.txtMin, out.txtMax});
        const double shown = fmt.toNumber(out.txtMax).value_or(high);
        if (shown < stats.maxValue) {
            nextLow = shown + 0.01;
            out.txtMin = numberText(nextLow, fmt);
            out.txtMax = numberText(stats.maxValue, fmt);
        } else {
            out.finished = true;
        }
    }
    return out;
}

BoundsOutcome ManualClassifier::addClass(const QString &txtMin, const QString &txtMax, const ColumnStats &stats,
                                         const NumberFormat &fmt)
{
    BoundsOutcome out;
    const std::optional<double> hi = checkBounds(out, txtMin, txtMax, stats, fmt, boundsRangeMessage(stats, fmt));
    if (out.refused())
        return out;
    out.classes.append({out.txtMin, out.txtMax});
    m_classes.append(out.classes);
    if (*hi < stats.maxValue) {
        out.txtMin = numberText(*hi + 0.01, fmt);
        out.txtMax = numberText(stats.maxValue, fmt);
    } else {
        out.finished = true;
        out.txtMin = QStringLiteral("0");
        out.txtMax = numberText(stats.maxValue, fmt);
    }
    return out;
}

QList<int> NaturalBreaksClassifier::breaks(const std::vector<double> &sorted, int classes)
{
    const int n = int(sorted.size());
    if (n == 0 || classes <= 1)
        return {};
    // A class may start only where the value changes, so equal values share their class.
    std::vector<bool> canStart(size_t(n + 1), true);
    int distinct = 1;
    for (int i = 1; i < n; ++i) {
        canStart[size_t(i)] = sorted[size_t(i)] != sorted[size_t(i - 1)];
        distinct += canStart[size_t(i)] ? 1 : 0;
    }
    const int k = std::min(classes, distinct);
    if (k <= 1)
        return {};
    // The costs are computed on the values scaled by a power of two into [-1, 1]: the scaling is
    // exact (it changes no comparison), and no difference, square or sum of them can overflow,
    // whatever the magnitude of the values (1e308 squared would be infinite).
    double largest = 0;
    for (double v : sorted)
        largest = std::max(largest, std::fabs(v));
    int exponent = 0;
    std::frexp(largest, &exponent);
    std::vector<double> scaled(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        scaled[size_t(i)] = std::ldexp(sorted[size_t(i)], -exponent);
    // Sums of the values shifted by their mean, for the squared deviations of any run.
    double mean = 0;
    for (double v : scaled)
        mean += v / n;
    std::vector<double> s1(size_t(n + 1), 0), s2(size_t(n + 1), 0);
    for (int i = 0; i < n; ++i) {
        const double d = scaled[size_t(i)] - mean;
        s1[size_t(i + 1)] = s1[size_t(i)] + d;
        s2[size_t(i + 1)] = s2[size_t(i)] + d * d;
    }
    auto cost = [&](int a, int b) {
        const double sum = s1[size_t(b)] - s1[size_t(a)];
        return s2[size_t(b)] - s2[size_t(a)] - sum * sum / (b - a);
    };
    constexpr double inf = std::numeric_limits<double>::infinity();
    // best[j][e]: the least cost of the first e values in j + 1 classes; from[j][e] the start
    // of the last of them (-1 while no split is known).
    std::vector<std::vector<double>> best(size_t(k), std::vector<double>(size_t(n + 1), inf));
    std::vector<std::vector<int>> from(size_t(k), std::vector<int>(size_t(n + 1), -1));
    for (int e = 1; e <= n; ++e)
        best[0][size_t(e)] = cost(0, e);
    for (int j = 1; j < k; ++j)
        for (int e = j + 1; e <= n; ++e)
            for (int s = j; s < e; ++s) {
                if (!canStart[size_t(s)] || !(best[size_t(j - 1)][size_t(s)] < inf))
                    continue;
                const double c = best[size_t(j - 1)][size_t(s)] + cost(s, e);
                if (from[size_t(j)][size_t(e)] < 0 || c < best[size_t(j)][size_t(e)]) {
                    best[size_t(j)][size_t(e)] = c;
                    from[size_t(j)][size_t(e)] = s;
                }
            }
    // Back from the last value: every start lies strictly between the one before and the end,
    // since k is at most the number of distinct values.
    QList<int> starts;
    for (int j = k - 1, e = n; j > 0; --j) {
        const int s = from[size_t(j)][size_t(e)];
        if (s <= 0 || s >= e)
            return {};
        starts.prepend(s);
        e = s;
    }
    return starts;
}

BoundsOutcome NaturalBreaksClassifier::build(const QString &classCount, const QStringList &values,
                                             const NumberFormat &fmt) const
{
    BoundsOutcome out;
    const int c = classCountOf(classCount, out);
    if (out.refused())
        return out;
    struct Value {
        double number;
        QString text;
    };
    std::vector<Value> numbers;
    for (const QString &t : values)
        if (const std::optional<double> v = fmt.toNumber(t))
            numbers.push_back({*v, t});
    std::stable_sort(numbers.begin(), numbers.end(),
                     [](const Value &a, const Value &b) { return a.number < b.number; });
    if (numbers.empty() || numbers.front().number == numbers.back().number) {
        out.message = kMinEqualsMax;
        return out;
    }
    std::vector<double> sorted;
    for (const Value &v : numbers)
        sorted.push_back(v.number);
    QList<int> starts = breaks(sorted, c);
    starts.prepend(0);
    starts.append(int(sorted.size()));
    for (int j = 0; j + 1 < starts.size(); ++j)
        out.classes.append({numbers[size_t(starts[j])].text, numbers[size_t(starts[j + 1] - 1)].text});
    out.finished = true;
    return out;
}

} // namespace qrn::map

namespace qrn::map {

namespace {

constexpr double kLargest = std::numeric_limits<double>::max();

double finite(double v)
{
    return std::clamp(v, -kLargest, kLargest);
}

// The values scaled by 2^-exponent into [-1, 1] (exactly, but for what underflows beside the
// largest), their mean and their sample standard deviation: no sum or square of them overflows.
struct ScaledSpread {
    int exponent = 0;
    double mean = 0;
    double deviation = 0;
    double scaled(double v) const { return std::ldexp(v, -exponent); }
    double unscaled(double s) const { return finite(std::ldexp(s, exponent)); }
};

std::optional<ScaledSpread> scaledSpread(const std::vector<double> &sorted)
{
    const size_t n = sorted.size();
    if (n < 2 || sorted.front() == sorted.back())
        return std::nullopt;
    ScaledSpread s;
    std::frexp(std::max(std::fabs(sorted.front()), std::fabs(sorted.back())), &s.exponent);
    for (double v : sorted)
        s.mean += s.scaled(v);
    s.mean /= double(n);
    double squares = 0;
    for (double v : sorted) {
        const double d = s.scaled(v) - s.mean;
        squares += d * d;
    }
    s.deviation = std::sqrt(squares / double(n - 1));
    if (!(s.deviation > 0) || !std::isfinite(s.deviation))
        return std::nullopt;
    return s;
}

// How many half deviations it takes from the mean to reach a value steps away: at least one
// class on each side, at most kMaxPerSide. A value a rounding error beyond a limit does not
// open a class of its own (the outermost class reaches the extreme value in any case).
int sideClasses(double steps)
{
    const double whole = std::ceil(steps - 1e-9);
    if (!(whole > 1))
        return 1;
    return int(std::min<double>(StandardDeviationClassifier::kMaxPerSide, whole));
}

} // namespace

std::vector<double> sortedNumbers(const QStringList &values, const NumberFormat &fmt)
{
    std::vector<double> out;
    out.reserve(size_t(values.size()));
    for (const QString &t : values)
        if (const std::optional<double> v = fmt.toNumber(t); v && std::isfinite(*v))
            out.push_back(*v);
    std::sort(out.begin(), out.end());
    return out;
}

std::optional<MeanAndDeviation> meanAndDeviation(const std::vector<double> &sorted)
{
    const std::optional<ScaledSpread> s = scaledSpread(sorted);
    if (!s)
        return std::nullopt;
    return MeanAndDeviation {s->unscaled(s->mean), s->unscaled(s->deviation)};
}

std::optional<DeviationClasses> StandardDeviationClassifier::classify(const std::vector<double> &sorted) const
{
    const std::optional<ScaledSpread> s = scaledSpread(sorted);
    if (!s)
        return std::nullopt;
    const double half = s->deviation / 2;
    const double stepsBelow = (s->mean - s->scaled(sorted.front())) / half;
    const double stepsAbove = (s->scaled(sorted.back()) - s->mean) / half;
    DeviationClasses out;
    out.spread = {s->unscaled(s->mean), s->unscaled(s->deviation)};
    out.classesBelow = sideClasses(stepsBelow);
    const int above = sideClasses(stepsAbove);
    auto limit = [&](int k) { return s->unscaled(s->mean + k * half); };
    for (int k = -out.classesBelow; k < above; ++k)
        out.classes.append({limit(k), limit(k + 1), k, k + 1, false});
    // The outermost classes reach the extreme values, however far they lie.
    DeviationClass &first = out.classes.first(), &last = out.classes.last();
    first.openEnded = stepsBelow > kMaxPerSide;
    last.openEnded = stepsAbove > kMaxPerSide;
    first.low = first.openEnded ? sorted.front() : std::min(first.low, sorted.front());
    last.high = last.openEnded ? sorted.back() : std::max(last.high, sorted.back());
    return out;
}

std::optional<BoxLimits> BoxMapClassifier::limits(const std::vector<double> &sorted, double hinge) const
{
    const int n = int(sorted.size());
    if (n < 2 || sorted.front() == sorted.back())
        return std::nullopt;
    const int q = n / 4, r = n - 4 * q;
    BoxLimits out;
    for (int k = 1; k <= 3; ++k) {
        const int start = MakeQuantile(k, r, q, n, 4); // the first value of quartile class k + 1
        const double last = sorted[size_t(std::clamp(start - 1, 0, n - 1))];
        const double next = sorted[size_t(std::clamp(start, 0, n - 1))];
        out.quartiles[size_t(k - 1)] = std::midpoint(last, next);
    }
    // The range and the fences may lie beyond the largest double: the fences stop at it.
    const double range = out.quartiles[2] - out.quartiles[0];
    out.lowerFence = finite(out.quartiles[0] - hinge * range);
    out.upperFence = finite(out.quartiles[2] + hinge * range);
    return out;
}

int BoxMapClassifier::classOf(const BoxLimits &l, double value)
{
    if (value < l.lowerFence)
        return 1;
    if (value < l.quartiles[0])
        return 2;
    if (value <= l.quartiles[1])
        return 3;
    if (value <= l.quartiles[2])
        return 4;
    return value <= l.upperFence ? 5 : 6;
}

} // namespace qrn::map

// The statistics, the classification methods, the legend rows and colours and the
// controls of the classification frames.

#include "map/classify.h"
#include "map/classifymethod.h"
#include "map/classifystate.h"
#include "map/legend.h"

#include <QImage>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>

using namespace qrn;
using namespace qrn::map;

namespace {

// "1", "2", ... "n" as the grid shows values.
QStringList counting(int n)
{
    QStringList v;
    for (int i = 1; i <= n; ++i)
        v << QString::number(i);
    return v;
}

QList<int> sizesOf(const QList<int> &classOf)
{
    QList<int> sizes;
    for (int k : classOf) {
        if (k == 0)
            continue;
        while (sizes.size() < k)
            sizes << 0;
        ++sizes[k - 1];
    }
    return sizes;
}

QStringList labels(const QList<ClassBounds> &classes, bool quartiles)
{
    QStringList out;
    for (const ClassBounds &b : classes)
        out << classLabel(b, quartiles);
    return out;
}

QStringList rowLabels(const Legend &legend)
{
    QStringList out;
    for (const LegendRow &row : legend.rows())
        out << row.label;
    return out;
}

// The colour names and the counts of the classes of a legend.
QStringList colourNames(const Legend &legend)
{
    QStringList out;
    for (const LegendClass &c : legend.classes)
        out << c.colour.name();
    return out;
}

QList<int> counts(const Legend &legend)
{
    QList<int> out;
    for (const LegendClass &c : legend.classes)
        out << c.count;
    return out;
}

// The legend of a method's classes of the values, in the method's own colours.
Legend methodLegend(Method kind, const QStringList &values, bool wideHinge = false)
{
    ClassRequest r;
    r.values = values;
    r.wideHinge = wideHinge;
    const MethodOutcome out = methodOf(kind).classes(r, NumberFormat::comma());
    EXPECT_FALSE(out.refused()) << out.message.toStdString();
    return makeMethodLegend(out, methodColours(out, {"Blues", Qt::white, Qt::black}), NumberFormat::comma());
}

} // namespace

TEST(Quartiles, ClassSizesLabelsAndTheEqualValuesWarning)
{
    // Fewer than eight values: the last one is a class of its own.
    const std::pair<int, QList<int>> sizes[] = {{8, {2, 2, 2, 2}},  {9, {3, 2, 2, 2}},       {10, {3, 2, 3, 2}},
                                                {11, {3, 3, 3, 2}}, {107, {27, 27, 27, 26}}, {7, {2, 2, 2, 1}},
                                                {5, {2, 1, 1, 1}},  {3, {1, 1, 1}}};
    for (const auto &[n, expected] : sizes) {
        const Classification r = QuartileClassifier().classify(counting(n), NumberFormat::comma());
        EXPECT_EQ(sizesOf(r.classOf), expected) << n;
        EXPECT_EQ(r.classes.size(), expected.size()) << n;
    }
    // Empty cells sort first and belong to no class; the labels are the texts of each class run.
    const Classification r = QuartileClassifier().classify(
        {"", "1,50", "2,00", "3,25", "4,00", "5,00", "6,00", "7,00", "8,00", "9,75"}, NumberFormat::comma());
    EXPECT_EQ(r.classOf, (QList<int> {0, 1, 1, 1, 2, 2, 3, 3, 4, 4}));
    EXPECT_EQ(labels(r.classes, true),
              (QStringList {" Da 1,50 a 3,25", " Da 4,00 a 5,00", " Da 6,00 a 7,00", " Da 8,00 a 9,75"}));
    // Equal values across the first two boundaries warn; the last boundary is not compared.
    const std::pair<QStringList, bool> warns[] = {{{"1", "2", "2", "4", "5", "6", "7", "8"}, true},
                                                  {{"1", "2", "3", "4", "4", "6", "7", "8"}, true},
                                                  {{"1", "2", "3", "4", "5", "6", "6", "8"}, false},
                                                  {{"1", "2", "3", "4", "5", "6", "7", "8"}, false}};
    for (const auto &[values, warning] : warns)
        EXPECT_EQ(QuartileClassifier().classify(values, NumberFormat::point()).equalValuesWarning, warning)
            << values.join(' ').toStdString();
}

TEST(Statistics, MinimumMaximumMeanAndHalfEvenRounding)
{
    const ColumnStats s = columnStats({"", "2,5", "n.d.", "3", "10,25"}, NumberFormat::comma());
    ASSERT_TRUE(s.valid);
    EXPECT_EQ(QList<double>({s.minValue, s.maxValue, s.meanValue}), QList<double>({2.5, 10.25, 15.75 / 3}));
    EXPECT_FALSE(columnStats({"", "-"}, NumberFormat::comma()).valid);

    const std::tuple<double, int, double> cases[] = {{2.345, 2, 2.34}, {2.355, 2, 2.36}, {2.5, 0, 2},
                                                     {3.5, 0, 4},      {-2.5, 0, -2},    {5.2551, 2, 5.26}};
    for (const auto &[value, decimals, rounded] : cases)
        EXPECT_DOUBLE_EQ(roundHalfEven(value, decimals), rounded) << value;

    EXPECT_EQ(statText(1063905.09, NumberFormat::comma()), "(1063905,09)");
    EXPECT_EQ(roundedStatText(15.75 / 3, NumberFormat::point()), "(5.25)");
    EXPECT_EQ(numberText(0.1 + 0.2, NumberFormat::comma()), "0,3");
}

TEST(EqualAmplitude, ZeroToHundredInFourClassesInBothDecimalMarks)
{
    for (const NumberFormat &fmt : {NumberFormat::comma(), NumberFormat::point()}) {
        const ColumnStats stats = columnStats({"0", "40", "100"}, fmt);
        const BoundsOutcome out = EqualAmplitudeClassifier().build("4", "0", "100", stats, fmt);
        ASSERT_FALSE(out.refused()) << out.message.toStdString();
        const QString d(fmt.decimal);
        EXPECT_EQ(
            labels(out.classes, false),
            (QStringList {"Da 0 a 25", "Da 25" + d + "01 a 50", "Da 50" + d + "01 a 75", "Da 75" + d + "01 a 100"}));
        EXPECT_TRUE(out.finished);
        // Every value of the range lies in one class.
        EXPECT_EQ(classifyByBounds({"0", "25", "25" + d + "01", "75", "100"}, out.classes, fmt),
                  (QList<int> {1, 1, 2, 3, 4}));
    }
}

TEST(EqualAmplitude, RefusalsLeaveNoClasses)
{
    const NumberFormat fmt = NumberFormat::comma();
    const ColumnStats stats = columnStats({"10", "20"}, fmt);
    const ColumnStats flat = columnStats({"7", "7"}, fmt);
    const struct {
        QString count, min, max;
        ColumnStats stats;
        QString message;
        BoundsOutcome::Focus focus;
    } cases[] = {
        {"", "10", "20", stats, "Inserire il numero delle classi.", BoundsOutcome::Focus::Classes},
        {"0", "10", "20", stats, "Il numero delle classi deve essere almeno 1.", BoundsOutcome::Focus::Classes},
        {"3", "15", "12", stats, "Il valore minimo non può essere maggiore del valore massimo!",
         BoundsOutcome::Focus::None},
        {"3", "", "20", stats, "l'assegnazione dei colori alle classi è terminata", BoundsOutcome::Focus::None},
        {"3", "10", "25", stats, "Scrivere un numero compreso tra 10 e 20", BoundsOutcome::Focus::Max},
        {"3", "7", "7", flat, QString(kMinEqualsMax), BoundsOutcome::Focus::None}};
    for (const auto &c : cases) {
        const BoundsOutcome out = EqualAmplitudeClassifier().build(c.count, c.min, c.max, c.stats, fmt);
        EXPECT_EQ(out.message, c.message);
        EXPECT_EQ(out.focus, c.focus) << c.message.toStdString();
        EXPECT_TRUE(out.classes.isEmpty());
    }
}

TEST(ManualClasses, OneClassPerClickUpToTheMaximumAndTheGapHasNoClass)
{
    const NumberFormat fmt = NumberFormat::comma();
    const QStringList values {"0", "40", "40,005", "70", "100"};
    const ColumnStats stats = columnStats(values, fmt);
    ManualClassifier manual;

    BoundsOutcome out = manual.addClass("0", "40", stats, fmt);
    EXPECT_EQ(std::tuple(out.finished, out.txtMin, out.txtMax), std::tuple(false, QString("40,01"), QString("100")));
    EXPECT_EQ(manual.addClass("50", "30", stats, fmt).message, QString(kReversedBounds));
    EXPECT_EQ(manual.addClass("40,01", "120", stats, fmt).message, "Scrivere un numero compreso tra 0 e 100");
    out = manual.addClass(out.txtMin, out.txtMax, stats, fmt);
    EXPECT_TRUE(out.finished);
    EXPECT_EQ(out.txtMin, "0");

    EXPECT_EQ(labels(manual.classes(), false), (QStringList {"Da 0 a 40", "Da 40,01 a 100"}));
    EXPECT_EQ(classifyByBounds(values, manual.classes(), fmt), (QList<int> {1, 1, 0, 2, 2}));
}

TEST(NaturalBreaks, OptimalSplitOfHandComputedExamples)
{
    // {1,2,4,5 | 9,10}: squared deviations 10 + 0.5, against 18.67 for {1,2,4 | 5,9,10} and
    // 26.5 for {1,2 | 4,5,9,10}.
    EXPECT_EQ(NaturalBreaksClassifier::breaks({1, 2, 4, 5, 9, 10}, 2), (QList<int> {4}));
    EXPECT_EQ(NaturalBreaksClassifier::breaks({1, 2, 3, 10, 11, 12, 20, 21, 22}, 3), (QList<int> {3, 6}));
    // Equal values stay together: two distinct values give two classes.
    EXPECT_EQ(NaturalBreaksClassifier::breaks({1, 1, 1, 5}, 3), (QList<int> {3}));

    const NumberFormat fmt = NumberFormat::comma();
    const BoundsOutcome out = NaturalBreaksClassifier().build(
        "2", {"", "1,00", "2,00", "4,00", "5,00", "9,00", "10,00"}, fmt);
    EXPECT_EQ(labels(out.classes, false), (QStringList {"Da 1,00 a 5,00", "Da 9,00 a 10,00"}));
    EXPECT_EQ(NaturalBreaksClassifier().build("0", {"1", "2"}, fmt).message, QString(kZeroClasses));
    EXPECT_EQ(NaturalBreaksClassifier().build("3", {"4", "4"}, fmt).message, QString(kMinEqualsMax));
}

TEST(Classification, AnyFiniteValuesGiveClassesOrAMessage)
{
    // Extreme magnitudes (their squares and differences overflow), denormals, equal values and
    // very short lists, through every method and class count: classes or a refusal, never a
    // crash, and natural breaks give every value a class.
    const NumberFormat fmt = NumberFormat::comma();
    const double big = std::numeric_limits<double>::max(), tiny = std::numeric_limits<double>::denorm_min();
    const QList<QList<double>> lists {{1e155},           {1, 2, 1e155},      {-1e308, 1e308},   {-big, 0, big},
                                      {tiny, 2 * tiny},  {0, tiny, 1e-310}, {7, 7, 7},         {3},
                                      {-5, 5},           {1e300, 1e300, -1e300, 4, 1e-300}};
    for (const QList<double> &list : lists) {
        QList<double> sorted = list;
        std::sort(sorted.begin(), sorted.end());
        QStringList values;
        for (double v : sorted)
            values << QString::number(v, 'g', 17).replace('.', ',');
        const ColumnStats stats = columnStats(values, fmt);
        ASSERT_TRUE(stats.valid);
        EXPECT_TRUE(std::isfinite(stats.meanValue)) << values.join(' ').toStdString();
        const Classification q = QuartileClassifier().classify(values, fmt);
        EXPECT_FALSE(q.classes.isEmpty());
        for (const QString &count : QStringList {"1", "2", "3", "5", "9", "99", "100", "99999999999"}) {
            const std::string where = (values.join(' ') + " / " + count).toStdString();
            const BoundsOutcome natural = NaturalBreaksClassifier().build(count, values, fmt);
            EXPECT_NE(natural.refused(), !natural.classes.isEmpty()) << where;
            if (!natural.refused()) {
                EXPECT_LE(natural.classes.size(), count.toInt()) << where;
                EXPECT_FALSE(classifyByBounds(values, natural.classes, fmt).contains(0)) << where;
            }
            const BoundsOutcome amplitude = EqualAmplitudeClassifier().build(
                count, numberText(stats.minValue, fmt), numberText(stats.maxValue, fmt), stats, fmt);
            EXPECT_NE(amplitude.refused(), !amplitude.classes.isEmpty()) << where;
            EXPECT_LE(amplitude.classes.size(), std::max(1, count.toInt())) << where;
        }
        EXPECT_EQ(NaturalBreaksClassifier().build("100", values, fmt).message, QString(kTooManyClasses));
        // Standard deviations and the box map (both hinges): refused only when the values do
        // not spread; else finite limits in order and a class for every value.
        const bool spread = sorted.first() != sorted.last();
        for (const auto &[kind, wide] : {std::pair(Method::StandardDeviation, false), std::pair(Method::BoxMap, false),
                                         std::pair(Method::BoxMap, true)}) {
            ClassRequest r;
            r.values = values;
            r.wideHinge = wide;
            const MethodOutcome out = methodOf(kind).classes(r, fmt);
            const std::string where = (methodOf(kind).id() + ": " + values.join(' ')).toStdString();
            ASSERT_EQ(out.refused(), !spread) << where;
            if (!spread)
                continue;
            Legend legend = makeMethodLegend(out, methodColours(out, {}), fmt);
            EXPECT_EQ(legend.classes.size(), out.ownColours.size()) << where;
            EXPECT_FALSE(legend.classify(values, fmt).contains(0)) << where;
            for (qsizetype i = 1; i < legend.classes.size(); ++i)
                EXPECT_LE(legend.classes[i - 1].high, legend.classes[i].high) << where;
            for (const LegendClass &c : legend.classes)
                EXPECT_FALSE(c.bounds.low.contains("inf") || c.bounds.high.contains("nan")) << where << c.bounds.low.toStdString() << " " << c.bounds.high.toStdString();
        }
    }
}

TEST(StandardDeviationClasses, HalfDeviationsAroundTheMeanInADivergingPalette)
{
    // Mean 20; deviations -6, -2, 0 (x5), 4, 4: squares 72 over 8, sample deviation 3. The
    // limits lie every 1,5 from 20: 14 is 4 half deviations below, 24 is 2,67 above, so 4
    // classes below the mean and 3 above, the last reaching 24,5; one class is empty.
    const NumberFormat fmt = NumberFormat::comma();
    const QStringList values {"", "14", "18", "20", "20", "20", "20", "20", "24", "24"};
    const std::optional<MeanAndDeviation> spread = meanAndDeviation(sortedNumbers(values, fmt));
    ASSERT_TRUE(spread);
    EXPECT_DOUBLE_EQ(spread->mean, 20);
    EXPECT_DOUBLE_EQ(spread->deviation, 3);

    Legend legend = methodLegend(Method::StandardDeviation, values);
    EXPECT_EQ(legend.classify(values, fmt), (QList<int> {0, 1, 3, 4, 4, 4, 4, 4, 7, 7}));
    EXPECT_EQ(rowLabels(legend),
              (QStringList {"Da 14 a 15,5 (da -2 a -1,5 dev. std.)", "Da 15,5 a 17 (da -1,5 a -1 dev. std.)",
                            "Da 17 a 18,5 (da -1 a -0,5 dev. std.)", "Da 18,5 a 20 (da -0,5 a 0 dev. std.)",
                            "Da 20 a 21,5 (da 0 a 0,5 dev. std.)", "Da 21,5 a 23 (da 0,5 a 1 dev. std.)",
                            "Da 23 a 24,5 (da 1 a 1,5 dev. std.)"}));
    EXPECT_EQ(counts(legend), (QList<int> {1, 0, 1, 5, 0, 0, 2}));
    // RdBu centred on the mean, whatever palette is asked for: blues below, reds above, the
    // palest beside the mean, equal distances in mirrored steps.
    EXPECT_EQ(colourNames(legend),
              (QStringList {"#2166ac", "#4393c3", "#92c5de", "#d1e5f0", "#fddbc7", "#f4a582", "#d6604d"}));

    // One value far out among many equal ones (31,6 deviations): 49 classes above the mean,
    // the last stretched to hold it.
    ClassRequest r;
    r.values = QStringList(1000, "0") << "1";
    const MethodOutcome wide = methodOf(Method::StandardDeviation).classes(r, fmt);
    ASSERT_EQ(wide.classes.size(), 1 + StandardDeviationClassifier::kMaxPerSide);
    EXPECT_TRUE(wide.limits.last().caption.endsWith("(oltre 24 dev. std.)")) << wide.limits.last().caption.toStdString();
    EXPECT_EQ(wide.limits.last().high, 1.0);

    // No spread, no classes.
    for (const QStringList &flat : {QStringList {"5", "5", "5"}, QStringList {"5"}, QStringList {"", "x"}}) {
        r.values = flat;
        EXPECT_EQ(methodOf(Method::StandardDeviation).classes(r, fmt).message,
                  "I valori sono tutti uguali (o uno solo): non è possibile dividere i dati in classi.");
    }
}

TEST(BoxMap, QuartilesOfTheQuartileMethodAndFencesAtTheHinge)
{
    const NumberFormat fmt = NumberFormat::comma();
    auto classesOf = [&fmt](const QStringList &values, bool wide) {
        return methodLegend(Method::BoxMap, values, wide).classify(values, fmt);
    };
    // Nine values: quartile classes of 3, 2, 2, 2 rows, cut at 2,5, 4,5 and 6,5 (the midpoints
    // of 2|3, 4|5, 6|7); the range between is 4, the fences at 2,5 - 6 and 6,5 + 6.
    const QStringList nine {"-10", "1", "2", "3", "4", "5", "6", "7", "15"};
    Legend legend = methodLegend(Method::BoxMap, nine);
    EXPECT_EQ(legend.classify(nine, fmt), (QList<int> {1, 2, 2, 3, 3, 4, 4, 5, 6}));
    EXPECT_EQ(
        rowLabels(legend),
        (QStringList {"Anomali inferiori: meno di -3,5", "< 25%: da -3,5 a meno di 2,5", "25% - 50%: da 2,5 a 4,5",
                      "50% - 75%: da 4,5 a 6,5", "> 75%: da 6,5 a 12,5", "Anomali superiori: oltre 12,5"}));
    EXPECT_EQ(colourNames(legend), (QStringList {"#2166ac", "#4393c3", "#d1e5f0", "#fddbc7", "#d6604d", "#b2182b"}));
    // Hinge 3: fences at -9,5 and 18,5; 15 is no longer an outlier, -10 still is.
    EXPECT_EQ(classesOf(nine, true), (QList<int> {1, 2, 2, 3, 3, 4, 4, 5, 5}));

    // As in GeoDa, Q1 itself is not below Q1, while Q2 and Q3 close their classes: with the
    // 2s across the first cut (Q1 = 2, Q2 = 2,5, Q3 = 4,5, fences -1,75 and 8,25).
    EXPECT_EQ(classesOf({"1", "2", "2", "2", "3", "4", "5", "6"}, false), (QList<int> {2, 3, 3, 3, 4, 4, 5, 5}));

    // Without outliers the four middle classes are the program's quartile classes.
    for (int n = 8; n <= 21; ++n) {
        const QStringList values = counting(n);
        const QList<int> quartile = QuartileClassifier().classify(values, fmt).classOf;
        QList<int> box = classesOf(values, false);
        for (int &k : box)
            --k;
        EXPECT_EQ(box, quartile) << n;
    }
}

TEST(ClassificationMethods, OneRegistryAndALegendWithNumericLimitsAndCounts)
{
    QStringList ids;
    for (const ClassificationMethod *m : classificationMethods()) {
        ids << m->id() + "=" + m->optionName(); // the CLI's name and the window's object name
        EXPECT_EQ(methodById(m->id()), m);
        EXPECT_EQ(&methodOf(m->kind()), m);
    }
    EXPECT_EQ(ids, (QStringList {"quartili=Option1", "ampiezza=Option2", "manuale=Option3", "naturali=Option4",
                                 "devstd=Option5", "boxmap=Option6"}));
    EXPECT_EQ(methodById("jenks"), nullptr);
    EXPECT_EQ(methodIdList(), "quartili, ampiezza, manuale, naturali, devstd oppure boxmap");

    // Every method's legend classifies the values by its limits (quartiles by rank) and counts
    // the territories of each class and those without a value.
    const NumberFormat fmt = NumberFormat::comma();
    const QStringList values {"", "1", "2", "2", "4", "5", "6", "7", "8"};
    ClassRequest r {values, columnStats(values, fmt), "2", "1", "8", {"4"}};
    const std::pair<Method, QList<int>> expected[] = {{Method::Quartiles, {2, 2, 2, 2}},
                                                      {Method::EqualAmplitude, {4, 4}},
                                                      {Method::Manual, {4, 4}},
                                                      {Method::NaturalBreaks, {4, 4}}};
    for (const auto &[kind, expectedCounts] : expected) {
        const MethodOutcome out = methodOf(kind).classes(r, fmt);
        ASSERT_FALSE(out.refused()) << out.message.toStdString();
        Legend legend = makeMethodLegend(out, colourRamp(Qt::white, Qt::black, out.colourCount()), fmt);
        const QList<int> classOf = legend.classify(values, fmt);
        EXPECT_EQ(counts(legend), expectedCounts) << methodOf(kind).id().toStdString();
        EXPECT_EQ(legend.noDataCount, 1);
        if (kind == Method::Quartiles) { // the second 2 starts class 2, by rank
            EXPECT_EQ(classOf.mid(1, 3), (QList<int> {1, 1, 2}));
        }
    }
    // The limits are numbers read once from the texts the method wrote; a text that is no number
    // holds no value. The rows keep the texts.
    Legend legend = makeLegend({{"1,5", "2"}, {"n.d.", "9"}}, {Qt::red, Qt::blue}, false, fmt);
    EXPECT_EQ(std::pair(legend.classes[0].low, legend.classes[0].high), std::pair(1.5, 2.0));
    EXPECT_EQ(legend.classify({"1,5", "3", "2,5"}, fmt), (QList<int> {1, 0, 0}));
    EXPECT_EQ(legend.rows(), (QList<LegendRow> {{"Da 1,5 a 2", Qt::red}, {"Da n.d. a 9", Qt::blue}}));
    legend.noDataRow = true;
    EXPECT_EQ(legend.rows().last(), noDataRow(false));
}

TEST(Legend, RowsLabelsNoDataRowAndCounts)
{
    const QList<ClassBounds> classes {{"1,5", "2"}, {"2,01", "9"}};
    const QList<QColor> colours {Qt::red, Qt::blue};
    EXPECT_EQ(
        legendRows(classes, colours, true),
        (QList<LegendRow> {
            {" Da 1,5 a 2", Qt::red}, {" Da 2,01 a 9", Qt::blue}, {" Dato non presente", Qt::white, true}}));
    EXPECT_EQ(legendRows(classes, colours, false).last(), (LegendRow {"Dato non presente", Qt::white, true}));

    // The counts end the labels once the territories are counted.
    const NumberFormat fmt {QLatin1Char(',')};
    Legend legend = makeLegend({{"1", "2"}, {"3", "9"}}, {Qt::red, Qt::blue}, false, fmt);
    legend.noDataRow = true;
    // Not counted yet (classes just made): no counts, whatever is asked.
    EXPECT_EQ(legend.rows(true), legend.rows());
    legend.classify({"1,5", "", "4", "8", "2,5", "x"}, fmt);
    EXPECT_EQ(legend.rows(true),
              (QList<LegendRow> {{"Da 1 a 2 (1)", Qt::red}, {"Da 3 a 9 (2)", Qt::blue}, {"Dato non presente (3)", Qt::white, true}}));
    EXPECT_EQ(legend.rows().first().label, "Da 1 a 2");
}

TEST(Legend, NoDataSwatchIsHatchedAndBorderedUnlikeAnyClass)
{
    // Under a palette whose lightest class is white, that class and no data must still differ.
    const LegendRow lightest {"Da 1 a 2", QColor(Qt::white)}, none = noDataRow(false);
    const QImage a = swatchImage(lightest, 24, 16), b = swatchImage(none, 24, 16);
    int hatch = 0, border = 0;
    for (int y = 1; y < 15; ++y)
        for (int x = 1; x < 23; ++x) {
            const QColor c = b.pixelColor(x, y);
            hatch += c.red() == c.green() && c.green() == c.blue() && c.red() < 200 ? 1 : 0;
            EXPECT_EQ(a.pixelColor(x, y), QColor(Qt::white)) << x << "," << y;
        }
    for (int x = 0; x < 24; ++x)
        border += b.pixelColor(x, 0).lightness() < 64 && a.pixelColor(x, 0).lightness() < 64 ? 1 : 0;
    EXPECT_GT(hatch, 20); // grey lines across the white
    EXPECT_GT(border, 20); // both framed
    EXPECT_NE(a, b);
}

TEST(Colours, RampWindowsValuesAndPalettes)
{
    // Windows colour values are 0x00BBGGRR.
    EXPECT_EQ(fromWindowsColour(0x8000FF), QColor(255, 0, 128));
    EXPECT_EQ(toWindowsColour(QColor(0x55, 0x66, 0xFF)), 0xFF6655u);

    EXPECT_EQ(colourRamp(QColor(0, 0, 0), QColor(200, 100, 50), 5),
              (QList<QColor> {QColor(0, 0, 0), QColor(50, 25, 13), QColor(100, 50, 25), QColor(150, 75, 38),
                              QColor(200, 100, 50)}));
    EXPECT_EQ(colourRamp(Qt::red, Qt::blue, 1), QList<QColor> {QColor(Qt::red)});

    // Published values of Reds in 5 classes.
    EXPECT_EQ(sequentialPalette("Reds", 5),
              (QList<QColor> {QColor("#fee5d9"), QColor("#fcae91"), QColor("#fb6a4a"), QColor("#de2d26"),
                              QColor("#a50f15")}));
    for (const QString &name : sequentialPaletteNames())
        for (int n = 1; n <= 9; ++n)
            EXPECT_EQ(sequentialPalette(name, n).size(), n) << name.toStdString() << n;
    EXPECT_TRUE(sequentialPalette("Rainbow", 5).isEmpty());
}

TEST(Controls, KeyFiltersOfTheTextBoxes)
{
    // Accepted by the class count, by a bound with the decimal comma, with the decimal point.
    const std::tuple<QChar, bool, bool, bool> cases[] = {{'7', true, true, true},   {QChar(0x08), false, true, true},
                                                         {',', false, true, false}, {'.', false, false, true},
                                                         {'-', false, true, true},  {'a', false, false, false}};
    for (const auto &[key, classCount, boundComma, boundPoint] : cases)
        EXPECT_EQ(std::tuple(classCountKeyAccepted(key), boundKeyAccepted(key, QLatin1Char(',')),
                             boundKeyAccepted(key, QLatin1Char('.'))),
                  std::tuple(classCount, boundComma, boundPoint))
            << int(key.unicode());
}

TEST(Controls, AfterAResetTheChosenMethodCanStartAgain)
{
    ClassifyControls c;
    c.quartilesDrawn();
    c.reset();
    EXPECT_FALSE(c.canDrawQuartiles || c.canAddManualClass || c.canMakeClasses || c.canEditMin || c.legendShown);
    c.selectMethod(Method::Manual);
    EXPECT_TRUE(c.canAddManualClass && c.canEditMin && c.canEditMax && !c.legendCaption.isEmpty());
    c.manualClassAdded(true);
    EXPECT_TRUE(c.canDrawManualClasses);
    EXPECT_FALSE(c.canAddManualClass || c.canEditMin);
    c.selectMethod(Method::Quartiles);
    EXPECT_TRUE(c.canDrawQuartiles && c.noteShown);
    EXPECT_TRUE(c.legendCaption.isEmpty());
}

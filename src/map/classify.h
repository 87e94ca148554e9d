#pragma once
// The classification of a mapped column: its statistics, the class bounds of each method
// (quartiles, equal amplitude, manual classes one at a time, natural breaks, standard
// deviations, box map) and the class number of every value. The values are the texts of the rows to map, sorted ascending on the
// column, index i being grid row i + 1; a class number is 1-based, 0 meaning no class.

#include "shell/numberformat.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>
#include <vector>

namespace qrn::map {

// A double in the program's default text form: up to 15 significant digits, no trailing
// zeros, the decimal mark of fmt ("25,01", "100", "-3,5").
QString numberText(double value, const NumberFormat &fmt);
// value rounded to the given decimals, halves to the even neighbour (2,345 -> 2,34;
// 2,355 -> 2,36), judged on the value's 15-digit decimal form.
double roundHalfEven(double value, int decimals);

struct ColumnStats {
    bool valid = false; // false when no value is a number
    double minValue = 0;
    double maxValue = 0;
    double meanValue = 0;
};
// minValue the first numeric value, maxValue the last one, meanValue the mean of the numeric
// values (texts that are empty or not numbers count for nothing).
ColumnStats columnStats(const QStringList &values, const NumberFormat &fmt);
// "(" & value & ")" in the default text form, and the same rounded to two decimals.
QString statText(double value, const NumberFormat &fmt);
QString roundedStatText(double value, const NumberFormat &fmt);

// The 0-based offset of the first row of class k + 1 (k = 1, 2, 3) among n sorted values in
// c classes, q = n / c, r = n - q c; 0 for any other k or r.
int MakeQuantile(int k, int r, int q, int n, int c);

// One class: its bounds as the legend writes them.
struct ClassBounds {
    QString low;
    QString high;
    friend bool operator==(const ClassBounds &, const ClassBounds &) = default;
};

struct Classification {
    QList<ClassBounds> classes; // in class order
    QList<int> classOf; // one class number per value, 0 for none
    bool equalValuesWarning = false;
};

// Quartiles (FillMapQuery on four classes): the values from the first one equal to the
// minimum split into four classes of sizes given by MakeQuantile; each class is the run of its
// rows, so its bounds are the texts of its first and last value. With fewer than eight values
// the last one starts a class of its own. The warning is set when the last value of class 1
// or 2 equals the first value of the next class.
class QuartileClassifier {
public:
    static constexpr int kClasses = 4;
    Classification classify(const QStringList &values, const NumberFormat &fmt) const;
};
inline const QString kQuartileWarning = QStringLiteral(
    "ATTENZIONE!\r\nPer una corretta rappresentazione di questi dati si consiglia di non utilizzare i "
    "quartili;\r\nutilizzare una delle altre opzioni presenti (classi manuali o classi di uguale ampiezza).");

// The class of every value from class bounds: the first class with low <= value <= high;
// values between two classes, empty or not numbers get none.
QList<int> classifyByBounds(const QStringList &values, const QList<ClassBounds> &classes, const NumberFormat &fmt);

// What a click on "Seleziona" of the equal-amplitude or manual method leaves.
struct BoundsOutcome {
    QString message; // not empty: the action was refused with this message
    QString title; // the title of that message
    enum class Focus { None, Classes, Min, Max } focus = Focus::None;
    QList<ClassBounds> classes; // the classes made by this click
    QString txtMin, txtMax; // the two text boxes afterwards
    bool finished = false; // the classes reach the maximum: ready to draw
    bool refused() const { return !message.isEmpty(); }
};

inline const QString kNoClassCount = QStringLiteral("Inserire il numero delle classi.");
inline const QString kNoClassCountTitle = QStringLiteral("Attenzione!");
inline const QString kZeroClasses = QStringLiteral("Il numero delle classi deve essere almeno 1.");
// The most classes a method makes: a legend of more rows says nothing more.
inline constexpr int kMaxClasses = 99;
inline const QString kTooManyClasses = QStringLiteral("Il numero delle classi non può superare 99.");
inline const QString kMinEqualsMax = QStringLiteral(
    "Il valore minimo e il valore massimo coincidono: non è possibile dividere i dati in classi.");
// Said when the minimum typed is above the maximum.
inline const QString kReversedBounds = QStringLiteral("Il valore minimo non può essere maggiore del valore massimo!");
inline const QString kAssignmentDone = QStringLiteral("l'assegnazione dei colori alle classi è terminata");
// "Scrivere un numero compreso tra " & minValue & " e " & maxValue
QString boundsRangeMessage(const ColumnStats &stats, const NumberFormat &fmt);

// Classes of equal amplitude: round((max - min) / c, 2) wide, from txt_min; each class after
// the first starts 0.01 above the previous upper bound, the last ends at the maximum.
class EqualAmplitudeClassifier {
public:
    BoundsOutcome build(const QString &classCount, const QString &txtMin, const QString &txtMax,
                        const ColumnStats &stats, const NumberFormat &fmt) const;
};

// Manual classes, one per click from the two text boxes; the next class starts 0.01 above.
class ManualClassifier {
public:
    BoundsOutcome addClass(const QString &txtMin, const QString &txtMax, const ColumnStats &stats,
                           const NumberFormat &fmt);
    const QList<ClassBounds> &classes() const { return m_classes; }
    void clear() { m_classes.clear(); }

private:
    QList<ClassBounds> m_classes;
};

// Natural breaks (Jenks): the split of the sorted values into c classes with the least sum of
// squared deviations from the class means (the optimal Fisher-Jenks computation). Equal values
// stay in one class, so there are at most as many classes as distinct values.
class NaturalBreaksClassifier {
public:
    BoundsOutcome build(const QString &classCount, const QStringList &values, const NumberFormat &fmt) const;
    // The first index of every class after the first, for sorted numbers.
    static QList<int> breaks(const std::vector<double> &sorted, int classes);
};

// The numbers of a column that are numbers, ascending.
std::vector<double> sortedNumbers(const QStringList &values, const NumberFormat &fmt);

// The mean and the sample standard deviation (n - 1 in the denominator) of sorted numbers,
// computed on the values scaled by a power of two so that no sum or square overflows, whatever
// their magnitude. nullopt for fewer than two distinct values (the deviation is 0).
struct MeanAndDeviation {
    double mean = 0;
    double deviation = 0;
};
std::optional<MeanAndDeviation> meanAndDeviation(const std::vector<double> &sorted);

// Classes of half a standard deviation: limits at the mean and at mean +- 0.5, 1, 1.5 ...
// sample standard deviations, as many on each side as it takes to hold every value (at most
// kMaxPerSide; the outermost class then reaches the extreme value). Each class knows its
// distance from the mean in half deviations, for its caption and its diverging colour.
struct DeviationClass {
    double low = 0, high = 0;
    int fromHalfSteps = 0, toHalfSteps = 0; // the limits in half deviations from the mean
    bool openEnded = false; // the outermost class stretched to the extreme value
};
struct DeviationClasses {
    MeanAndDeviation spread;
    QList<DeviationClass> classes; // ascending; the first classesBelow lie under the mean
    int classesBelow = 0;
};
class StandardDeviationClassifier {
public:
    static constexpr int kMaxPerSide = 49;
    // nullopt when the values do not spread (none, one, or all equal).
    std::optional<DeviationClasses> classify(const std::vector<double> &sorted) const;
};

// The box map: six classes from the quartiles and the fences at hinge x the interquartile
// range beyond them (lower outliers, < 25%, 25% - 50%, 50% - 75%, > 75%, upper outliers).
// Quartile k is the cut of the program's quartile classes (MakeQuantile): the midpoint between
// the last value of quartile class k and the first of the next. As in GeoDa, a value is a lower
// outlier below the lower fence, in "< 25%" below Q1, then in the first class whose upper limit
// (Q2, Q3, the upper fence) it does not exceed, else an upper outlier.
struct BoxLimits {
    std::array<double, 3> quartiles {};
    double lowerFence = 0, upperFence = 0; // within the finite doubles
};
class BoxMapClassifier {
public:
    static constexpr int kClasses = 6;
    static constexpr double kHinge = 1.5;
    static constexpr double kWideHinge = 3.0;
    // nullopt when the values do not spread (none, one, or all equal).
    std::optional<BoxLimits> limits(const std::vector<double> &sorted, double hinge) const;
    // The class (1 to 6) of a value.
    static int classOf(const BoxLimits &limits, double value);
};

} // namespace qrn::map

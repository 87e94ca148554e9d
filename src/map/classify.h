#pragma once
// The classification of a mapped column: its statistics, the class bounds of each method
// (quartiles, equal amplitude, manual classes one at a time, natural breaks) and the class
// number of every value. The values are the texts of the rows to map, sorted ascending on the
// column, index i being grid row i + 1; a class number is 1-based, 0 meaning no class.

#include "shell/numberformat.h"

#include <QList>
#include <QString>
#include <QStringList>

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

} // namespace qrn::map

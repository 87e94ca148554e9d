#pragma once
// How the program reads and writes numbers: the decimal mark of the system locale by default
// (a comma on an Italian system), or one pinned by a test or a command-line option.

#include <QChar>
#include <QString>
#include <optional>
#include <string>

namespace qrn {

struct NumberFormat {
    QChar decimal = QLatin1Char(',');
    QChar group = QLatin1Char('.');

    // The format of the system locale.
    static NumberFormat system();
    static NumberFormat comma() { return {QLatin1Char(','), QLatin1Char('.')}; }
    static NumberFormat point() { return {QLatin1Char('.'), QLatin1Char(',')}; }

    // Reads text as a number the way a desktop spreadsheet user expects: blanks around it are
    // ignored, a leading sign is allowed, the decimal mark is this format's, group marks are
    // accepted between digits before the decimal mark, an exponent is allowed. Empty text or
    // anything else is not a number.
    std::optional<double> toNumber(const QString &text) const;
    bool isNumber(const QString &text) const { return toNumber(text).has_value(); }

    // Fixed-point text with the given number of decimals, rounded as roundedDecimal rounds,
    // with this format's decimal mark and no group marks ("0.00" and "0.0000" patterns).
    QString fixed(double value, int decimals) const;
};

// The one rounding of the program's fixed-point numbers (the two decimals of the table, the
// four of derived indicators): the decimal value of the number to 15 significant digits, then
// rounded half away from zero to the given decimals. 8.325 gives "8.33" although the nearest
// double lies below it. A decimal point, no group marks, no "-0.00"; "" for an infinity or NaN.
QString roundedDecimal(double value, int decimals);
// The same text written into out (its earlier content replaced, its storage reused), for
// callers that round many numbers in a row.
void roundedDecimalTo(std::string &out, double value, int decimals);

} // namespace qrn

#pragma once
// How the program reads and writes numbers: the decimal mark of the system locale by default
// (a comma on an Italian system), or one pinned by a test or a command-line option.

#include <QChar>
#include <QString>
#include <optional>

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

    // Fixed-point text with the given number of decimals, rounding half away from zero, with
    // this format's decimal mark and no group marks ("0.00" and "0.0000" patterns).
    QString fixed(double value, int decimals) const;
};

} // namespace qrn

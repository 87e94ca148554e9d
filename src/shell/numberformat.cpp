#include "shell/numberformat.h"

#include <QLocale>
#include <charconv>
#include <cmath>
#include <string>
#include <string_view>

namespace qrn {

NumberFormat NumberFormat::system()
{
    const QLocale loc = QLocale::system();
    NumberFormat f;
    const QString dp = loc.decimalPoint();
    const QString gp = loc.groupSeparator();
    f.decimal = dp.isEmpty() ? QLatin1Char('.') : dp.at(0);
    f.group = gp.isEmpty() ? (f.decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',')) : gp.at(0);
    if (f.group == f.decimal)
        f.group = f.decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(',');
    return f;
}

std::optional<double> NumberFormat::toNumber(const QString &text) const
{
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    QByteArray plain;
    plain.reserve(t.size());
    int i = 0;
    const int n = t.size();
    if (t[i] == QLatin1Char('+') || t[i] == QLatin1Char('-'))
        plain.append(char(t[i++].unicode()));
    bool digitsBefore = false, digitsAfter = false, seenDecimal = false;
    for (; i < n; ++i) {
        const QChar c = t[i];
        if (c.isDigit() && c.unicode() < 128) {
            plain.append(char(c.unicode()));
            (seenDecimal ? digitsAfter : digitsBefore) = true;
        } else if (c == decimal && !seenDecimal) {
            seenDecimal = true;
            plain.append('.');
        } else if (c == group && !seenDecimal && digitsBefore && i + 1 < n && t[i + 1].isDigit()) {
            // group mark between digits of the whole part: skipped
        } else {
            break;
        }
    }
    if (!digitsBefore && !digitsAfter)
        return std::nullopt;
    if (i < n && (t[i] == QLatin1Char('e') || t[i] == QLatin1Char('E'))) {
        QByteArray exp("e");
        int j = i + 1;
        if (j < n && (t[j] == QLatin1Char('+') || t[j] == QLatin1Char('-')))
            exp.append(char(t[j++].unicode()));
        bool expDigits = false;
        while (j < n && t[j].isDigit() && t[j].unicode() < 128) {
            exp.append(char(t[j++].unicode()));
            expDigits = true;
        }
        if (!expDigits)
            return std::nullopt;
        plain += exp;
        i = j;
    }
    if (i != n)
        return std::nullopt;
    bool ok = false;
    const double v = QByteArray(plain).toDouble(&ok);
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString NumberFormat::fixed(double value, int decimals) const
{
    QString s = roundedDecimal(value, decimals);
    if (decimal != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), decimal);
    return s;
}

void roundedDecimalTo(std::string &out, double value, int decimals)
{
    out.clear();
    if (!std::isfinite(value) || decimals < 0)
        return;
    // The decimal value of the number to 15 significant digits: "d.dddddddddddddde+XX".
    char sci[40];
    const auto [end, ec] = std::to_chars(sci, sci + sizeof sci, std::fabs(value), std::chars_format::scientific, 14);
    if (ec != std::errc())
        return;
    char digits[16];
    int count = 0;
    const char *p = sci;
    for (; p < end && *p != 'e'; ++p)
        if (*p != '.' && count < 16)
            digits[count++] = *p;
    int exponent = 0;
    const char *expText = p + 1;
    if (expText < end && *expText == '+')
        ++expText;
    std::from_chars(expText, end, exponent);
    // The first digit stands for 10^exponent; keep the digits down to 10^-decimals. Their
    // count can be negative (the value is below a tenth of the last kept place: zero). The
    // value times 10^decimals, rounded, goes into out after a leading '0' kept for a carry.
    const int keep = exponent + 1 + decimals;
    out.push_back('0');
    bool up = false;
    if (keep >= count) {
        out.append(digits, size_t(count));
        out.append(size_t(keep - count), '0');
    } else if (keep >= 0) {
        out.append(digits, size_t(keep));
        up = digits[keep] >= '5'; // half away from zero, on the magnitude
    }
    if (up) {
        size_t i = out.size() - 1;
        for (; i > 0 && out[i] == '9'; --i)
            out[i] = '0';
        ++out[i];
    }
    const size_t first = out.find_first_not_of('0');
    out.erase(0, first == std::string::npos ? out.size() : first);
    const bool negative = value < 0 && !out.empty(); // no "-0.00"
    if (out.size() < size_t(decimals) + 1)
        out.insert(size_t(0), size_t(decimals) + 1 - out.size(), '0');
    if (decimals > 0)
        out.insert(out.size() - size_t(decimals), 1, '.');
    if (negative)
        out.insert(size_t(0), 1, '-');
}

QString roundedDecimal(double value, int decimals)
{
    std::string text;
    roundedDecimalTo(text, value, decimals);
    return QString::fromLatin1(text.data(), qsizetype(text.size()));
}

} // namespace qrn

#include "shell/numberformat.h"

#include <QLocale>
#include <cmath>

namespace qrn {

NumberFormat NumberFormat::system()
{
    const QLocale loc = QLocale::system();
    NumberFormat f;
    const QString dp = loc.decimalPoint();
    const QString gp = loc.groupSeparator();
    f.decimal = dp.isEmpty() ? QLatin1Char('.') : dp.at(0);
    f.group = gp.isEmpty() ? (f.decimal == QLatin1Char(',') ? QLatin1Char('.') : QLatin1Char(','))
                           : gp.at(0);
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
    if (!std::isfinite(value))
        return QString();
    const double scale = std::pow(10.0, decimals);
    double r = std::round(value * scale); // half away from zero
    if (r == 0.0)
        r = 0.0; // no "-0,00"
    QString s = QString::number(r / scale, 'f', decimals);
    if (decimal != QLatin1Char('.'))
        s.replace(QLatin1Char('.'), decimal);
    return s;
}

} // namespace qrn

#include "shell/sqltext.h"

namespace qrn {

namespace {
bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}
} // namespace

QString translateJetSql(const QString &sql)
{
    QString out;
    out.reserve(sql.size() + sql.size() / 4);
    const int n = sql.size();
    int i = 0;
    while (i < n) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'')) {
            // copy the literal, doubled quotes included
            int j = i + 1;
            while (j < n) {
                if (sql[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && sql[j + 1] == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            const bool closed = j < n;
            out += QStringView(sql).mid(i, (closed ? j + 1 : n) - i);
            if (closed)
                out += QLatin1String(" COLLATE NOCASE");
            i = closed ? j + 1 : n;
            continue;
        }
        if (c == QLatin1Char('[')) {
            const int j = sql.indexOf(QLatin1Char(']'), i + 1);
            const int end = j < 0 ? n : j + 1;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (c == QLatin1Char('"')) {
            int j = sql.indexOf(QLatin1Char('"'), i + 1);
            const int end = j < 0 ? n : j + 1;
            out += QStringView(sql).mid(i, end - i);
            i = end;
            continue;
        }
        if (isIdentChar(c) && (i == 0 || !isIdentChar(sql[i - 1]))) {
            int j = i;
            while (j < n && isIdentChar(sql[j]))
                ++j;
            const QStringView word = QStringView(sql).mid(i, j - i);
            int k = j;
            while (k < n && sql[k].isSpace())
                ++k;
            const bool call = k < n && sql[k] == QLatin1Char('(');
            const bool qualified = i > 0 && sql[i - 1] == QLatin1Char('.');
            if (call && !qualified
                && (word.compare(QLatin1String("left"), Qt::CaseInsensitive) == 0
                    || word.compare(QLatin1String("right"), Qt::CaseInsensitive) == 0)) {
                out += QLatin1String("jet_");
                out += word.toString().toLower();
            } else {
                out += word;
            }
            i = j;
            continue;
        }
        out += c;
        ++i;
    }
    return out;
}

} // namespace qrn

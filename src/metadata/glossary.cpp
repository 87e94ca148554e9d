#include "metadata/glossary.h"

#include "shell/sqltext.h"
#include "shell/store.h"

#include <QCollator>
#include <QLocale>
#include <algorithm>

namespace qrn {

GlossaryControls glossaryControls(GlossaryMode mode)
{
    switch (mode) {
    case GlossaryMode::Contains:
        return {false, true, false, true};
    case GlossaryMode::Letter:
        return {true, false, false, false};
    case GlossaryMode::StartsWith:
        return {false, false, true, true};
    case GlossaryMode::All:
        break;
    }
    return {};
}

QString glossaryModeCaption(GlossaryMode mode)
{
    switch (mode) {
    case GlossaryMode::Contains:
        return QStringLiteral("Il termine contiene :");
    case GlossaryMode::Letter:
        return QStringLiteral("Ricerca per lettera");
    case GlossaryMode::StartsWith:
        return QStringLiteral("Il termine inizia per :");
    case GlossaryMode::All:
        break;
    }
    return QStringLiteral("Visualizza tutti i termini");
}

QString likeText(const QString &text)
{
    QString out;
    out.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            out += QLatin1Char('\\');
        out += c;
    }
    return sqlEscape(out);
}

QString glossaryLetterQuery(const QString &letter)
{
    return QStringLiteral("Select nome from glossario where left(nome,1) ='") + sqlEscape(letter) + QLatin1Char('\'');
}

QString glossarySectorQuery(const QString &sectorCode)
{
    return QStringLiteral("Select nome from glossario where idsettore ='") + sqlEscape(sectorCode) + QLatin1Char('\'');
}

QString glossaryContainsQuery(const QString &text)
{
    return QStringLiteral("select nome from glossario where nome like '%") + likeText(text)
        + QStringLiteral("%' ESCAPE '\\'");
}

QString glossaryStartsQuery(const QString &text)
{
    return QStringLiteral("select nome from glossario where nome like '") + likeText(text)
        + QStringLiteral("%' ESCAPE '\\'");
}

QString glossaryAllQuery()
{
    return QStringLiteral("select nome from glossario order by 1;");
}

QString glossaryDefinitionQuery(const QString &term)
{
    return QStringLiteral("select definizione from glossario where nome = '") + sqlEscape(term) + QLatin1Char('\'');
}

QStringList glossaryTerms(Connection &cn, const QString &statement)
{
    QStringList out;
    Recordset rs = cn.query(statement);
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out << rs.text(0);
    // The store compares bytes (capitals before small letters, accented letters last); a
    // reader expects the dictionary's order, whatever the system's locale.
    QCollator collator {QLocale(QLocale::Italian, QLocale::Italy)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::stable_sort(out.begin(), out.end(),
                     [&collator](const QString &a, const QString &b) { return collator.compare(a, b) < 0; });
    return out;
}

std::optional<QString> glossaryDefinition(Connection &cn, const QString &term)
{
    Recordset rs = cn.query(glossaryDefinitionQuery(term));
    if (rs.eof())
        return std::nullopt;
    return rs.text(0);
}

QStringList glossaryLetters()
{
    QStringList out;
    for (char c = 'a'; c <= 'z'; ++c)
        out << QString(QLatin1Char(c)).toUpper();
    return out;
}

} // namespace qrn

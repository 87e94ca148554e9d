#include "table/tablenotes.h"

#include "shell/context.h"
#include "shell/itemkind.h"

#include <QMap>

namespace qrn {

namespace {

// The item code and year of a data column header (AS013_2005), or empty when it is not one.
std::pair<QString, QString> codeAndYear(const QString &header)
{
    const int us = int(header.indexOf(QLatin1Char('_')));
    if (us <= 0)
        return {};
    const QString year = header.mid(us + 1);
    bool ok = false;
    const int y = year.toInt(&ok);
    if (!ok || year.size() != 4 || y < 1900 || y > 2100)
        return {};
    return {header.left(us), year};
}

} // namespace

TableNotes readTableNotes(const Services &services, const QString &tipo, const QStringList &headers)
{
    TableNotes notes;
    auto cn = services.openDatabase(QStringLiteral("Metadati.mdb"));
    const Recordset info = cn->queryNative(QStringLiteral("SELECT Etichetta, Nota FROM InfoAggiornamento"));
    if (info.recordCount() > 0) {
        notes.updateLabel = info.row(0).at(0).toString();
        notes.updateNote = info.row(0).at(1).toString();
    }

    // Codes in column order, each with the years of its columns.
    QStringList codes;
    QMap<QString, QStringList> years;
    for (const QString &h : headers) {
        const auto [code, year] = codeAndYear(h);
        if (code.isEmpty())
            continue;
        if (!years.contains(code))
            codes << code;
        years[code] << year;
    }

    const bool variables = itemKind(tipo) == ItemKind::Variables;
    const auto [table, key, desc] = metadataNames(itemKind(tipo));
    const QString series = variables ? QStringLiteral("NoteSerie") : QStringLiteral("NoteTecniche");
    for (const QString &code : codes) {
        // The code is bound, not spliced into the text: a header is whatever the user named a
        // derived column.
        const Recordset rs = cn->queryNative(
            QStringLiteral("SELECT * FROM %1 WHERE %2 = ? COLLATE NOCASE").arg(table, key), {code});
        if (rs.recordCount() == 0)
            continue;
        const auto &row = rs.row(0);
        auto field = [&](const QString &name) {
            const int i = rs.fieldIndex(name);
            return i < 0 ? QString() : row.at(size_t(i)).toString().trimmed();
        };
        TableNote n {code, field(desc), field(series), {}};
        if (variables) {
            for (const QString &y : years.value(code)) {
                const QString t = field(QStringLiteral("Note_") + y);
                if (!t.isEmpty())
                    n.years << y + QStringLiteral(": ") + t;
            }
        }
        if (!n.series.isEmpty() || !n.years.isEmpty())
            notes.items.push_back(std::move(n));
    }
    return notes;
}

QString tableNotesHtml(const TableNotes &notes)
{
    QString html;
    if (!notes.updateLabel.isEmpty() || !notes.updateNote.isEmpty())
        html += QStringLiteral("<h3>Dati: %1</h3><p>%2</p>")
                    .arg(notes.updateLabel.toHtmlEscaped(), notes.updateNote.toHtmlEscaped());
    html += QStringLiteral("<p>I valori sono mostrati con due decimali; una cella vuota indica un dato non "
                           "disponibile per quel territorio e quell'anno.</p>");
    if (notes.items.empty()) {
        html += QStringLiteral("<p>Per le colonne di questa tabella non ci sono note.</p>");
        return html;
    }
    html += QStringLiteral("<h3>Note sulle colonne della tabella</h3>");
    for (const TableNote &n : notes.items) {
        html += QStringLiteral("<p><b>%1</b> %2").arg(n.code.toHtmlEscaped(), n.title.toHtmlEscaped());
        if (!n.series.isEmpty())
            html += QStringLiteral("<br>%1").arg(n.series.toHtmlEscaped());
        for (const QString &y : n.years)
            html += QStringLiteral("<br><i>Anno %1</i>").arg(y.toHtmlEscaped());
        html += QStringLiteral("</p>");
    }
    return html;
}

} // namespace qrn

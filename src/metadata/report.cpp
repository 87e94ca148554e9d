// The metadata reports as text documents. A report is built from one record of Metadati, read
// only; a key without a record gives no report (nothing is printed), a database error is logged
// and gives none either. Year series list only the years with something to say, and notes typed
// with hard line breaks flow on as sentences. A PDF is written whole through writeWholeFile.

#include "metadata/report.h"

#include "metadata/sheet.h"
#include "shell/context.h"
#include "shell/sqltext.h"
#include "shell/store.h"

#include <QFont>
#include <algorithm>
#include <QPageLayout>
#include <QPageSize>
#include <QPdfWriter>
#include <QTextDocument>

namespace qrn {

namespace {

// A line break typed inside a sentence (the catalogue's notes were entered with hard breaks,
// "in concessione\ne quelle gestite") flows on as a blank; a break after the end of a
// sentence, before a capital or a list mark, and a blank line stay breaks.
QString flowing(const QString &text)
{
    QString t = text;
    t.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (qsizetype i = 1; i + 1 < t.size(); ++i) {
        if (t[i] != QLatin1Char('\n') || t[i - 1] == QLatin1Char('\n') || t[i + 1] == QLatin1Char('\n'))
            continue;
        const QString before = t.left(i).trimmed();
        const QChar last = before.isEmpty() ? QChar() : before.back();
        const QChar next = t[i + 1];
        if (!QStringLiteral(".:;!?").contains(last) && next.isLower())
            t[i] = QLatin1Char(' ');
    }
    return t;
}

QString html(const QString &text)
{
    return text.toHtmlEscaped().replace(QLatin1Char('\n'), QLatin1String("<br>"));
}

// The thirteen rows 1996 to 2008 of the fields prefix + year.
std::vector<std::pair<QString, QString>> yearRows(const Recordset &rs, const QString &prefix)
{
    std::vector<std::pair<QString, QString>> rows;
    for (int i = 0; i < kSheetYearCount; ++i) {
        const QString year = QString::number(kFirstSheetYear + i);
        rows.emplace_back(year, rs.text(prefix + year));
    }
    return rows;
}

QString joined(const QString &a, const QString &b)
{
    return a + QStringLiteral(" - ") + b;
}

} // namespace

ReportWriter::ReportWriter(const QString &title, const QString &pageHeader)
{
    if (!pageHeader.isEmpty())
        m_html += QStringLiteral("<p style=\"font-size:9pt; color:#555555;\">%1</p>").arg(html(pageHeader));
    m_html += QStringLiteral("<h1 style=\"font-size:16pt;\">%1</h1>").arg(html(title));
}

void ReportWriter::field(const QString &label, const QString &value)
{
    m_html +=
        QStringLiteral("<h3 style=\"font-size:10pt; margin-top:10px;\">%1</h3><p>%2</p>").arg(html(label), html(flowing(value)));
}

void ReportWriter::series(const QString &label, const std::vector<std::pair<QString, QString>> &rows)
{
    // Only the years with something to say; a series with none is left out.
    const auto said = [](const std::pair<QString, QString> &row) { return !isEmptyValue(row.second); };
    if (std::none_of(rows.begin(), rows.end(), said))
        return;
    m_html += QStringLiteral("<h3 style=\"font-size:10pt; margin-top:10px;\">%1</h3>"
                             "<table cellspacing=\"0\" cellpadding=\"1\">")
                  .arg(html(label));
    for (const auto &[year, value] : rows)
        if (!isEmptyValue(value))
            m_html += QStringLiteral("<tr><td width=\"60\">%1</td><td>%2</td></tr>").arg(html(year), html(flowing(value)));
    m_html += QStringLiteral("</table>");
}

std::unique_ptr<QTextDocument> ReportWriter::document() const
{
    auto doc = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("Arial"), 10);
    font.setStyleHint(QFont::SansSerif);
    doc->setDefaultFont(font);
    // Sizes in points, so the page shows them alike whatever the resolution of the device.
    doc->setHtml(QStringLiteral("<body style=\"font-family:Arial; font-size:10pt;\">") + m_html
                 + QStringLiteral("</body>"));
    return doc;
}

QString variableReportQuery(const QString &code)
{
    return QStringLiteral("SELECT MetadatiVariabili.*, Argomento.[Desc argomento] as descArg FROM Argomento INNER JOIN "
                          "MetadatiVariabili ON Argomento.[Codice argomento] = MetadatiVariabili.CodiceArgomento "
                          "where idvariabile = '")
        + sqlEscape(code) + QStringLiteral("';");
}

QString indicatorReportQuery(const QString &code)
{
    // An evaluation code missing from Valutazioni leaves the aspect empty instead of losing
    // the whole record.
    return QStringLiteral("SELECT MetadatiIndicatori.*, Argomento.[Desc argomento] as DescArg, Valutazioni.Descrizione "
                          "FROM (Argomento INNER JOIN MetadatiIndicatori ON Argomento.[Codice argomento] = "
                          "MetadatiIndicatori.Argomento) LEFT JOIN Valutazioni ON Valutazioni.Valutazione = "
                          "MetadatiIndicatori.Valutazione where  idindicatore = '")
        + sqlEscape(code) + QLatin1Char('\'');
}

QString glossaryReportQuery(const QString &term)
{
    return QStringLiteral("SELECT Nome, Definizione FROM Glossario where nome = '") + sqlEscape(term)
        + QLatin1Char('\'');
}

std::optional<Report> buildReport(Connection &cn, ReportKind kind, const QString &key)
{
    switch (kind) {
    case ReportKind::Variabili: {
        Recordset rs = cn.query(variableReportQuery(key));
        if (rs.eof())
            return std::nullopt;
        ReportWriter w(QStringLiteral("Scheda variabile"));
        w.field(QStringLiteral("Variabile"),
                joined(rs.text(QStringLiteral("idvariabile")), rs.text(QStringLiteral("descvariabile"))));
        w.field(QStringLiteral("Argomento"),
                joined(rs.text(QStringLiteral("CodiceArgomento")), rs.text(QStringLiteral("descArg"))));
        w.series(QStringLiteral("Anni disponibili"), yearRows(rs, QString()));
        w.field(QStringLiteral("Unità di misura"), rs.text(QStringLiteral("unitamisura")));
        w.field(QStringLiteral("Periodo di riferimento dei dati"), rs.text(QStringLiteral("periodorif")));
        w.field(QStringLiteral("Note sull'intera serie"), rs.text(QStringLiteral("noteserie")));
        w.series(QStringLiteral("Note sui singoli anni"), yearRows(rs, QStringLiteral("note_")));
        w.series(QStringLiteral("Fonte"), yearRows(rs, QStringLiteral("Fonte_")));
        w.series(QStringLiteral("Pubblicazione"), yearRows(rs, QStringLiteral("Pubblicazione_")));
        w.series(QStringLiteral("Ente"), yearRows(rs, QStringLiteral("Ente_")));
        return Report {QStringLiteral("rptVariabili"), QStringLiteral("Stampa Scheda Variabile"), w.document()};
    }
    case ReportKind::Indicatori: {
        Recordset rs = cn.query(indicatorReportQuery(key));
        if (rs.eof())
            return std::nullopt;
        ReportWriter w(QStringLiteral("Scheda indicatore"));
        w.field(QStringLiteral("Indicatore"),
                joined(rs.text(QStringLiteral("IdIndicatore")), rs.text(QStringLiteral("DescIndicatore"))));
        w.field(QStringLiteral("Argomento"),
                joined(rs.text(QStringLiteral("Argomento")), rs.text(QStringLiteral("descarg"))));
        w.field(QStringLiteral("Aspetto"), rs.text(QStringLiteral("Descrizione")));
        w.field(QStringLiteral("Modalità di calcolo"), rs.text(QStringLiteral("ModalitaCalcolo")));
        w.field(QStringLiteral("Id varibili associate"), rs.text(QStringLiteral("IdVariabilAssociate")));
        w.series(QStringLiteral("Anni disponibili"), yearRows(rs, QString()));
        w.field(QStringLiteral("Note tecniche"), rs.text(QStringLiteral("NoteTecniche")));
        return Report {QStringLiteral("rptIndicatori"), QStringLiteral("Stampa Scheda Indicatore"), w.document()};
    }
    case ReportKind::Glossario: {
        Recordset rs = cn.query(glossaryReportQuery(key));
        if (rs.eof())
            return std::nullopt;
        ReportWriter w(QStringLiteral("Glossario"), QStringLiteral("Quarnaro"));
        w.field(QStringLiteral("DENOMINAZIONE:"), rs.text(QStringLiteral("Nome")));
        w.field(QStringLiteral("DESCRIZIONE:"), rs.text(QStringLiteral("Definizione")));
        return Report {QStringLiteral("rptGlossario"), QStringLiteral("Stampa Glossario"), w.document()};
    }
    }
    return std::nullopt;
}

Result<std::optional<Report>> InitReport(Services &services, ReportKind kind, const QString &key)
{
    try {
        auto cn = services.openDatabase(QStringLiteral("Metadati.mdb"));
        return buildReport(*cn, kind, key);
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("InitReport"), QString::number(e.number()), e.description());
    }
}

void printReport(QTextDocument &doc, QPagedPaintDevice &device)
{
    doc.print(&device);
}

WriteResult writeReportPdf(QTextDocument &doc, const QString &path)
{
    return writeWholeFile(path, [&](QIODevice &out, QString &) {
        QPdfWriter pdf(&out);
        pdf.setPageLayout(QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(20, 20, 20, 20),
                                      QPageLayout::Millimeter));
        pdf.setCreator(QStringLiteral("Quarnaro"));
        printReport(doc, pdf);
        return true;
    });
}

QString reportFailedMessage()
{
    return QStringLiteral("Impossibile eseguire la stampa");
}

} // namespace qrn

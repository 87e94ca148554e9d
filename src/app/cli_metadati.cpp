// The commands "scheda" and "glossario": a metadata sheet as text or as its printed report, and
// the terms and definitions of the glossary.
#include "app/clicommand.h"

#include "metadata/glossary.h"
#include "metadata/report.h"
#include "metadata/sheet.h"
#include "shell/context.h"
#include "shell/itemkind.h"

#include <QTextDocument>

namespace qrn::cli {

namespace {

void line(QString &out, const QString &label, const QString &value)
{
    out += label + QStringLiteral(": ") + value + QLatin1Char('\n');
}

// A box of several lines: the label, then each line indented.
void block(QString &out, const QString &label, const QString &text)
{
    out += label + QStringLiteral(":\n");
    for (const QString &l : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        out += QStringLiteral("  ") + l + QLatin1Char('\n');
}

QString years(const YearBoxes &marks)
{
    QStringList parts;
    for (int i = 0; i < kSheetYearCount; ++i)
        if (!marks[size_t(i)].isEmpty())
            parts << QStringLiteral("%1 %2").arg(kFirstSheetYear + i).arg(marks[size_t(i)]);
    return parts.join(QStringLiteral(", "));
}

QString yesNo(bool b)
{
    return b ? QStringLiteral("sì") : QStringLiteral("no");
}

int runScheda(AppContext &ctx, const QCommandLineParser &p, const QStringList &args, QString &out, QString &err)
{
    if (args.size() != 1 || args[0].trimmed().isEmpty())
        return err += QStringLiteral("uso: scheda CODICE [--pdf FILE]\n"), 2;
    const QString code = args[0].trimmed(), pdf = p.value(QStringLiteral("pdf"));
    const QString tipo = sheetTipoOfCode(code);
    auto cn = ctx.openDatabase(QStringLiteral("Metadati.mdb"));
    if (!pdf.isEmpty()) {
        const auto report = buildReport(
            *cn, itemKind(tipo) == ItemKind::Variables ? ReportKind::Variabili : ReportKind::Indicatori, code);
        if (!report)
            return err += reportFailedMessage() + QLatin1Char('\n'), 1;
        if (const WriteResult written = writeReportPdf(*report->document, pdf); !written) {
            ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("scheda"), QStringLiteral("0"), written.message, written.detail);
            return err += written.message + QLatin1Char('\n'), 1;
        }
        return 0;
    }
    if (itemKind(tipo) == ItemKind::Variables) {
        const auto s = loadVariableSheet(*cn, code);
        if (!s)
            return err += sheetMissingMessage(tipo) + QLatin1Char('\n'), 1;
        line(out, QStringLiteral("Variabile"), s->variabile);
        line(out, QStringLiteral("Area"), s->settore);
        line(out, QStringLiteral("Sottoarea"), s->argomento);
        block(out, QStringLiteral("Fonte"), s->fonti);
        block(out, QStringLiteral("Pubblicazione"), s->pubblicazioni);
        block(out, QStringLiteral("Ente che pubblica"), s->enti);
        block(out, QStringLiteral("Note sui singoli anni"), s->noteAnni);
        line(out, QStringLiteral("Livello territoriale"), s->livello);
        line(out, QStringLiteral("Numero province"), s->numProvince);
        line(out, QStringLiteral("Unità di misura"), s->unita);
        line(out, QStringLiteral("Periodo di riferimento"), s->periodo);
        line(out, QStringLiteral("Note sull' intera serie"), s->noteSerie);
        line(out, QStringLiteral("Anni disponibili"), years(s->anni));
        return 0;
    }
    const auto s = loadIndicatorSheet(*cn, code);
    if (!s)
        return err += sheetMissingMessage(tipo) + QLatin1Char('\n'), 1;
    line(out, QStringLiteral("Indicatore"), s->indicatore);
    line(out, QStringLiteral("Area"), s->settore);
    line(out, QStringLiteral("Sottoarea"), s->argomento);
    line(out, QStringLiteral("Aspetto valutato"), s->valutazione);
    line(out, QStringLiteral("Modalità di calcolo"), s->modalitaCalcolo);
    line(out, QStringLiteral("Variabili associate"), s->variabiliAssociate);
    line(out, QStringLiteral("Note tecniche"), s->noteTecniche);
    line(out, QStringLiteral("Destinazione"), s->destinazione);
    line(out, QStringLiteral("PSM"), s->psm);
    line(out, QStringLiteral("BdQuid"), s->bdquid);
    line(out, QStringLiteral("Provinciale"), yesNo(s->prov));
    line(out, QStringLiteral("Sistema locale del lavoro"), yesNo(s->sll));
    line(out, QStringLiteral("Comunale"), yesNo(s->comune));
    line(out, QStringLiteral("Dato puntuale"), yesNo(s->datoPuntuale));
    line(out, QStringLiteral("Utilizzabile per la sintesi"), yesNo(s->sintesi));
    line(out, QStringLiteral("Anni disponibili"), years(s->anni));
    return 0;
}

int runGlossario(AppContext &ctx, const QCommandLineParser &p, const QStringList &args, QString &out, QString &err)
{
    const QString usage = QStringLiteral("uso: glossario --lettera L | --contiene TESTO | --inizia TESTO | --tutti "
                                         "| --definizione TERMINE\n");
    const int modes = int(p.isSet(QStringLiteral("lettera"))) + int(p.isSet(QStringLiteral("contiene")))
        + int(p.isSet(QStringLiteral("inizia"))) + int(p.isSet(QStringLiteral("tutti")));
    const bool definition = p.isSet(QStringLiteral("definizione"));
    if (!args.isEmpty() || modes > 1 || (modes == 0 && !definition))
        return err += usage, 2;
    QString statement;
    const QString term = p.value(QStringLiteral("definizione"));
    if (p.isSet(QStringLiteral("tutti"))) {
        statement = glossaryAllQuery();
    } else if (p.isSet(QStringLiteral("lettera"))) {
        const QString letter = p.value(QStringLiteral("lettera")).trimmed();
        if (letter.size() != 1 || !letter[0].isLetter())
            return err += QStringLiteral("--lettera vuole una sola lettera.\n"), 2;
        statement = glossaryLetterQuery(letter.toUpper());
    } else if (p.isSet(QStringLiteral("contiene"))) {
        statement = glossaryContainsQuery(p.value(QStringLiteral("contiene")));
    } else if (p.isSet(QStringLiteral("inizia"))) {
        statement = glossaryStartsQuery(p.value(QStringLiteral("inizia")));
    }
    auto cn = ctx.openDatabase(QStringLiteral("Metadati.mdb"));
    if (!statement.isEmpty())
        for (const QString &t : glossaryTerms(*cn, statement))
            out += t + QLatin1Char('\n');
    if (definition) {
        const auto text = glossaryDefinition(*cn, term);
        if (!text)
            return err += QStringLiteral("Termine non trovato nel glossario: %1\n").arg(term), 1;
        out += *text + QLatin1Char('\n');
    }
    return 0;
}

} // namespace

std::vector<Command> metadataCommands()
{
    return {{QStringLiteral("scheda"),
             [](QCommandLineParser &p) { p.addOption(valueOption(QStringLiteral("pdf"), QStringLiteral("FILE"))); },
             [](Session &s, const QCommandLineParser &p, const QStringList &args) {
                 return runScheda(s.ctx, p, args, s.out, s.err);
             }},
            {QStringLiteral("glossario"),
             [](QCommandLineParser &p) {
                 for (const char *name : {"lettera", "contiene", "inizia", "definizione"})
                     p.addOption(valueOption(QLatin1String(name), QStringLiteral("TESTO")));
                 p.addOption(flagOption(QStringLiteral("tutti")));
             },
             [](Session &s, const QCommandLineParser &p, const QStringList &args) {
                 return runGlossario(s.ctx, p, args, s.out, s.err);
             }}};
}

} // namespace qrn::cli

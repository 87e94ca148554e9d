#include "app/cli_metadati.h"

#include "metadata/glossary.h"
#include "metadata/report.h"
#include "metadata/sheet.h"
#include "shell/context.h"

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

} // namespace

int runScheda(AppContext &ctx, const QStringList &args, QString &out, QString &err)
{
    QString code, pdf;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--pdf") && i + 1 < args.size())
            pdf = args[++i];
        else if (code.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            code = args[i].trimmed();
        else
            return err += QStringLiteral("uso: scheda CODICE [--pdf FILE]\n"), 2;
    }
    if (code.isEmpty())
        return err += QStringLiteral("uso: scheda CODICE [--pdf FILE]\n"), 2;
    const QString tipo = sheetTipoOfCode(code);
    auto cn = ctx.openDatabase(QStringLiteral("Metadati.mdb"));
    if (!pdf.isEmpty()) {
        const auto report =
            buildReport(*cn, tipo == QLatin1String("Variabili") ? ReportKind::Variabili : ReportKind::Indicatori, code);
        if (!report)
            return err += reportFailedMessage() + QLatin1Char('\n'), 1;
        QString error;
        if (!writeReportPdf(*report->document, pdf, &error))
            return err += error + QLatin1Char('\n'), 1;
        return 0;
    }
    if (tipo == QLatin1String("Variabili")) {
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

int runGlossario(AppContext &ctx, const QStringList &args, QString &out, QString &err)
{
    const QString usage = QStringLiteral("uso: glossario --lettera L | --contiene TESTO | --inizia TESTO | --tutti "
                                         "| --definizione TERMINE\n");
    QString statement, term;
    bool definition = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        const bool hasValue = i + 1 < args.size();
        if (a == QLatin1String("--tutti") && statement.isEmpty()) {
            statement = glossaryAllQuery();
        } else if (!hasValue || (!statement.isEmpty() && a != QLatin1String("--definizione"))) {
            return err += usage, 2;
        } else if (a == QLatin1String("--lettera")) {
            const QString letter = args[++i].trimmed();
            if (letter.size() != 1 || !letter[0].isLetter())
                return err += QStringLiteral("--lettera vuole una sola lettera.\n"), 2;
            statement = glossaryLetterQuery(letter.toUpper());
        } else if (a == QLatin1String("--contiene")) {
            statement = glossaryContainsQuery(args[++i]);
        } else if (a == QLatin1String("--inizia")) {
            statement = glossaryStartsQuery(args[++i]);
        } else if (a == QLatin1String("--definizione") && !definition) {
            term = args[++i];
            definition = true;
        } else {
            return err += usage, 2;
        }
    }
    if (statement.isEmpty() && !definition)
        return err += usage, 2;
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

} // namespace qrn::cli

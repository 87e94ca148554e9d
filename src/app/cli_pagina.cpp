// quarnaro-cli pagina: the thematic map of a table column laid out on the page of the layout
// editor (title, description, legend, border) and written to a file; with --anni, one page per
// year: an atlas of the item over time.

#include "app/cli_thematic.h"
#include "app/clicommand.h"

#include "catalogue/querybuilder.h"
#include "layout/pageoutput.h"
#include "map/mappage.h"
#include "map/mapyears.h"
#include "shell/prompt.h"

#include <QFileInfo>
#include <algorithm>

namespace qrn::cli {

namespace {

const QStringList kPageSuffixes = {QStringLiteral("pdf"), QStringLiteral("svg"), QStringLiteral("png"),
                                   QStringLiteral("jpg"), QStringLiteral("bmp")};

// The item codes of --voce ("AS013-2005" gives AS013).
QStringList itemCodes(const QCommandLineParser &p)
{
    QStringList codes;
    for (const QString &v : p.values(QStringLiteral("voce")))
        for (const QString &item : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
            codes << item.trimmed().section(QLatin1Char('-'), 0, 0);
    codes.removeDuplicates();
    return codes;
}

// Whether the messages of a failed year say that the data have no table for it.
bool yearMissing(const QString &messages, const QStringList &codes, const QString &year)
{
    for (const QString &code : codes)
        if (messages.contains(missingTableMessage(code, year)))
            return true;
    return false;
}

// Each line of text with "Anno YEAR: " before it.
QString yearLines(const QString &text, const QString &year)
{
    QString out;
    for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        out += QStringLiteral("Anno %1: %2\n").arg(year, line);
    return out;
}

// One page of the map of a year (or of the years of the options when year is empty); the
// messages of the core go to messages instead of the session's error text.
struct YearOutcome {
    int exitCode = 0;
    QString messages;
    std::optional<YearPage> page;
    QString header;
};
YearOutcome buildYearPage(Session &s, const QCommandLineParser &p, const QString &year,
                          const map::Legend *fixedClasses, const QString &caption)
{
    YearOutcome o;
    CollectingPrompt prompt(o.messages);
    Session yearSession {s.ctx, prompt, s.menus, s.separator, s.out, o.messages, s.cacheFolder, {}};
    s.ctx.setPrompt(&prompt);
    struct Restore {
        AppContext &ctx;
        Prompt *prompt;
        ~Restore() { ctx.setPrompt(prompt); }
    } restore {s.ctx, &s.prompt};
    std::optional<ThematicMapResult> r = buildThematicMap(yearSession, p, o.exitCode, QStringLiteral("pagina"),
                                                          year.isEmpty() ? std::nullopt : std::optional<QString>(year),
                                                          fixedClasses);
    if (r) {
        o.header = r->request.header;
        // Territories of the table missing from the map are told, as mappa tells them.
        if (!r->coverage.complete())
            o.messages += r->summary() + QLatin1Char('\n');
        const QString text = caption.isEmpty() ? r->request.variableText()
                                               : r->request.variableText() + QStringLiteral(" (") + caption + QLatin1Char(')');
        o.page = YearPage {year, map::mapPageRequest(r->view, text, r->drawing.classes.legend, false)};
    }
    return o;
}

int runPage(Session &s, const QCommandLineParser &p, const QStringList &args)
{
    if (!args.isEmpty())
        return s.usage(QStringLiteral("Argomento inatteso per pagina: %1").arg(args.first()));
    const QString file = p.value(QStringLiteral("out"));
    if (file.isEmpty() || !kPageSuffixes.contains(QFileInfo(file).suffix().toLower()))
        return s.usage(QStringLiteral("Indicare il file della pagina con --out FILE (.pdf, .svg, .png, .jpg o .bmp)."));
    if (p.isSet(QStringLiteral("caso")))
        return s.usage(QStringLiteral("--caso non va con pagina: il caso viene dal livello dei territori."));
    if (p.isSet(QStringLiteral("classi-csv")))
        return s.usage(QStringLiteral("--classi-csv vale solo per mappa."));
    QStringList years {QString()};
    if (p.isSet(QStringLiteral("anni"))) {
        const std::optional<QStringList> asked = parseYears(p.value(QStringLiteral("anni")), s.err);
        if (!asked)
            return 2;
        years = *asked;
    }

    const QStringList codes = itemCodes(p);
    // --classi-fisse: one set of classes over the years the item has, for every page.
    std::optional<map::Legend> fixed;
    QString caption;
    if (p.isSet(QStringLiteral("classi-fisse"))) {
        if (!p.isSet(QStringLiteral("anni")))
            return s.usage(QStringLiteral("--classi-fisse va con --anni."));
        QString code;
        const std::optional<QStringList> held = yearsOfItem(s, p, code);
        if (!held)
            return 2;
        QStringList present;
        for (const QString &year : std::as_const(years))
            if (held->contains(year))
                present << year;
        if (!present.isEmpty()) {
            int rc = 0;
            fixed = fixedYearClasses(s, p, present, rc, QStringLiteral("pagina"));
            if (!fixed)
                return rc;
            QStringList ordered = present;
            std::sort(ordered.begin(), ordered.end());
            caption = map::legendCaption(true, ordered, QString());
        }
    }
    std::vector<YearPage> pages;
    QStringList headers, missing;
    for (const QString &year : years) {
        YearOutcome o = buildYearPage(s, p, year, fixed ? &*fixed : nullptr, caption);
        if (o.page) {
            // What the core told along the way (a layer not drawn, say).
            s.err += year.isEmpty() ? o.messages : yearLines(o.messages, year);
            pages.push_back(std::move(*o.page));
            headers << o.header;
        } else if (year.isEmpty() || o.exitCode == 2) {
            // A wrong command line is wrong for every year.
            s.err += o.messages;
            return o.exitCode;
        } else if (yearMissing(o.messages, codes, year)) {
            missing << year;
        } else {
            s.err += yearLines(o.messages, year);
        }
    }
    if (!missing.isEmpty())
        s.err += QStringLiteral("Anni senza dati per %1, pagine non scritte: %2.\n")
                     .arg(codes.join(QStringLiteral(", ")), missing.join(QStringLiteral(", ")));
    if (pages.empty())
        return s.fail(QStringLiteral("Nessuna pagina scritta."));

    const PageTexts texts {p.value(QStringLiteral("titolo")).trimmed(),
                           p.value(QStringLiteral("descrizione")).trimmed()};
    PageItems items;
    items.scaleBar = p.isSet(QStringLiteral("scala"));
    items.northArrow = p.isSet(QStringLiteral("nord"));
    ProgressReport report(&s.prompt,
                          QStringLiteral("Scrittura delle pagine in %1").arg(QFileInfo(file).fileName()),
                          int(pages.size()));
    const std::vector<PageFile> written = writeMapPages(pages, texts, file, items, report.part(0, int(pages.size())));
    report.finish();
    if (report.cancelled())
        return s.fail(pageOutputStoppedText());
    for (const PageFile &f : written) {
        if (!f.result) {
            s.ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("pagina"), QStringLiteral("0"), f.result.message,
                             f.result.detail);
            return s.fail(QStringLiteral("Errore: impossibile scrivere la pagina in %1.").arg(f.name));
        }
        s.out += QStringLiteral("%1: %2 in %3\n")
                     .arg(headers.mid(f.firstPage, f.pageCount).join(QStringLiteral(", ")),
                          f.pageCount == 1 ? QStringLiteral("pagina") : QStringLiteral("%1 pagine").arg(f.pageCount),
                          f.name);
    }
    return 0;
}

} // namespace

std::vector<Command> pageCommands()
{
    return {{QStringLiteral("pagina"),
             [](QCommandLineParser &p) {
                 declareThematicOptions(p);
                 for (const char *name : {"titolo", "descrizione", "anni"})
                     p.addOption(valueOption(QLatin1String(name), QStringLiteral("VALORE")));
                 p.addOption(QCommandLineOption(QStringList {QStringLiteral("scala")}));
                 p.addOption(QCommandLineOption(QStringList {QStringLiteral("nord")}));
             },
             runPage}};
}

} // namespace qrn::cli

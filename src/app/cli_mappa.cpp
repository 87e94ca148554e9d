// quarnaro-cli mappa: the thematic map of a table column with its legend, or the layers of a map
// case as the map window loads them, drawn to a file.

#include "app/cli_thematic.h"
#include "map/selectionoutline.h"
#include "app/clicommand.h"

#include "map/gisexport.h"
#include "map/maptable.h"
#include "map/mapyears.h"
#include "map/paintfile.h"
#include "map/thematicmap.h"
#include "shell/context.h"
#include "shell/store.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>

namespace qrn::cli {

namespace {

// The layers of --caso.
int runCase(const AppContext &ctx, const QCommandLineParser &p, QString &out, QString &err)
{
    const QString caseName = p.value(QStringLiteral("caso")), file = p.value(QStringLiteral("out"));
    const std::optional<QSize> size = pictureSize(p, err);
    if (!size)
        return 2;
    if (caseName.isEmpty() || file.isEmpty()) {
        err += QStringLiteral("uso: mappa --caso CASO --out FILE [--larghezza N] [--altezza N], oppure mappa "
                              "--colonna COLONNA con le opzioni di tabella (vedere --help)\n");
        return 2;
    }
    if (ctx.ShapeFolder.isEmpty()) {
        err += QStringLiteral("Errore: nessuna cartella di file shape.\n");
        return 1;
    }
    map::MapView view;
    view.setViewport(*size);
    map::ShapeCase sc;
    try {
        sc = map::LoadShapeConfig(ctx.FilesFolder, ctx.ShapeFolder, caseName, view);
    } catch (const map::ShapeConfigError &e) {
        ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("LoadShapeConfig"), QStringLiteral("0"), e.text(), e.detail());
        err += QStringLiteral("Errore: ") + e.text() + QLatin1Char('\n');
        return 1;
    }
    for (const map::LayerConfig &e : sc.layers)
        if (!e.layer || !e.layer->valid())
            err +=
                QStringLiteral("Layer %1 non disegnato: %2\n").arg(e.FileName, e.layer ? e.layer->error() : QString());
    if (const WriteResult drawn = view.exportView(file); !drawn) {
        ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("mappa"), QStringLiteral("0"), drawn.message, drawn.detail);
        err += QStringLiteral("Errore: ") + drawn.message + QLatin1Char('\n');
        return 1;
    }
    out += QStringLiteral("%1: %2 layer disegnati in %3\n").arg(caseName).arg(view.layerCount()).arg(file);
    return 0;
}

// --classi-csv: the rows of tMappa as stored (territory code, value, class number: the
// territories with a value), an empty line, then the legend rows (swatch colour, label, and the
// territories drawn so: the class's, and on the no-data row those without a class), so the
// counts add up to the territories of the message.
bool writeClassesCsv(Session &s, const QString &file, const QList<map::LegendRow> &legend, const map::MapCounts &counts)
{
    QString text;
    Session csv {s.ctx, s.prompt, s.menus, s.separator, text, s.err, s.cacheFolder, {}};
    {
        auto cn = s.ctx.openDatabase(s.ctx.userDbFile(), s.ctx.FilesFolder);
        csv.printCsv(cn->query(QStringLiteral("SELECT * FROM ") + QString(map::kMapTable)));
    }
    text += QLatin1Char('\n') + QStringLiteral("Colore") + s.separator + QStringLiteral("Legenda") + s.separator
        + QStringLiteral("Territori") + QLatin1Char('\n');
    for (int i = 0; i < legend.size(); ++i) {
        const int territories = i < counts.perClass.size() ? counts.perClass[i] : counts.withoutClass();
        text += legend[i].colour.name() + s.separator + csvField(legend[i].label, s.separator) + s.separator
            + QString::number(territories) + QLatin1Char('\n');
    }
    const QByteArray bytes = text.toUtf8();
    const WriteResult written =
        writeWholeFile(file, [&](QIODevice &out, QString &) { return out.write(bytes) == bytes.size(); });
    if (written)
        return true;
    s.ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("mappa"), QStringLiteral("0"), written.message, written.detail);
    s.err += QStringLiteral("Errore: ") + written.message + QLatin1Char('\n');
    return false;
}

// The map of --colonna into file: of the column's own year, or of another year; with fixed
// classes given, coloured by them.
int drawThematic(Session &s, const QCommandLineParser &p, const QString &file, const std::optional<QString> &year,
                 const map::Legend *fixedClasses, const QString &caption, const QString &csv);

int runYears(Session &s, const QCommandLineParser &p);

// The thematic map of --colonna.
int runThematic(Session &s, const QCommandLineParser &p)
{
    if (p.isSet(QStringLiteral("anni")))
        return runYears(s, p);
    if (p.isSet(QStringLiteral("classi-fisse")))
        return s.usage(QStringLiteral("--classi-fisse va con --anni."));
    const QString file = p.value(QStringLiteral("out"));
    const QString ext = QFileInfo(file).suffix().toLower();
    const bool layerOut = map::isGisExportPath(file);
    if (file.isEmpty()
        || (!layerOut && ext != QLatin1String("png") && ext != QLatin1String("svg") && ext != QLatin1String("pdf")))
        return s.usage(QStringLiteral(
            "Indicare il file della mappa con --out FILE (.png, .svg o .pdf; .gpkg, .geojson o .shp per il layer)."));
    if (p.isSet(QStringLiteral("caso")))
        return s.usage(QStringLiteral("--caso non va con --colonna: il caso viene dal livello dei territori."));
    if (layerOut && p.isSet(QStringLiteral("evidenzia")))
        return s.usage(QStringLiteral("--evidenzia vale solo per le immagini (.png, .svg o .pdf)."));
    return drawThematic(s, p, file, std::nullopt, nullptr, QString(), p.value(QStringLiteral("classi-csv")));
}

int drawThematic(Session &s, const QCommandLineParser &p, const QString &file, const std::optional<QString> &year,
                 const map::Legend *fixedClasses, const QString &caption, const QString &csv)
{
    const bool layerOut = map::isGisExportPath(file);
    int rc = 0;
    std::optional<ThematicMapResult> r = buildThematicMap(s, p, rc, QStringLiteral("mappa"), year, fixedClasses);
    if (!r)
        return rc;
    const std::optional<QSize> size = pictureSize(p, s.err);
    if (!size)
        return 2;
    // --evidenzia: the territories outlined as the map window outlines its selection.
    QList<int> outlined;
    if (p.isSet(QStringLiteral("evidenzia"))) {
        const map::TerritoryLookup found =
            map::lookUpTerritories(r->request, p.value(QStringLiteral("evidenzia")).split(QLatin1Char(',')));
        if (!found.unknown.isEmpty())
            return s.usage(QStringLiteral("--evidenzia: territori non presenti nella mappa: %1.")
                               .arg(found.unknown.join(QStringLiteral(", "))));
        if (found.codTerrs.isEmpty())
            return s.usage(QStringLiteral("--evidenzia: indicare almeno un territorio, per nome o per codice."));
        outlined = map::selectedFeatures(r->shapeCase, r->request,
                                         QSet<QString>(found.codTerrs.begin(), found.codTerrs.end()));
    }
    const QList<map::LegendRow> legend = r->drawing.classes.legend.rows();
    const WriteResult drawn = layerOut
        ? map::exportThematicLayer(file, r->shapeCase, r->request, r->drawing.classes, s.ctx.numbers)
        : map::paintToFile(file, *size, [&](QPainter &painter, const QRectF &picture) {
              map::drawThematicPicture(painter, picture, r->view, r->drawing.classes.legend.rows(true),
                                       caption.isEmpty() ? r->request.variableText()
                                                         : r->request.variableText() + QStringLiteral(" (") + caption
                                                             + QLatin1Char(')'));
              if (const map::ShapeLayer *layer = map::joinLayer(r->shapeCase))
                  map::drawSelectionOutline(painter, map::thematicMapArea(picture), r->view, *layer, outlined);
          });
    if (!drawn) {
        s.ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("mappa"), QStringLiteral("0"), drawn.message, drawn.detail);
        return s.fail(QStringLiteral("Errore: ") + drawn.message);
    }
    if (!csv.isEmpty() && !writeClassesCsv(s, csv, legend, r->counts))
        return 1;
    s.out += QStringLiteral("%1, mappa %2 in %3").arg(r->summary(), r->request.mapCase.name, file);
    s.out += layerOut ? QStringLiteral(" (stile in %1)\n").arg(map::sldPathFor(file)) : QStringLiteral("\n");
    return 0;
}

// --anni: one picture per year in the folder of --out, named after the year's column
// (AS013_1997.png); --classi-csv FILE.csv gives FILE-ANNO.csv per year. Every year must be one
// the item has. With --classi-fisse the classes are computed once over all the years.
int runYears(Session &s, const QCommandLineParser &p)
{
    const QString folder = p.value(QStringLiteral("out"));
    if (folder.isEmpty() || (!folder.endsWith(QLatin1Char('/')) && !QFileInfo(folder).isDir()))
        return s.usage(QStringLiteral("Con --anni indicare con --out la cartella delle mappe, che finisce con / (es. "
                                      "--out mappe/): vi si scrive un'immagine .png per anno."));
    if (p.isSet(QStringLiteral("caso")))
        return s.usage(QStringLiteral("--caso non va con --colonna: il caso viene dal livello dei territori."));
    const std::optional<QStringList> years = parseYears(p.value(QStringLiteral("anni")), s.err);
    if (!years)
        return 2;
    QString code;
    const std::optional<QStringList> held = yearsOfItem(s, p, code);
    if (!held)
        return 2;
    QStringList missing;
    for (const QString &year : *years)
        if (!held->contains(year))
            missing << year;
    if (!missing.isEmpty())
        return s.fail(QStringLiteral("La voce %1 non ha dati per %2 %3 (anni presenti: %4).")
                          .arg(code, missing.size() == 1 ? QStringLiteral("l'anno") : QStringLiteral("gli anni"),
                               missing.join(QStringLiteral(", ")),
                               held->isEmpty() ? QStringLiteral("nessuno") : held->join(QStringLiteral(", "))));
    if (!QDir().mkpath(folder))
        return s.fail(QStringLiteral("Errore: impossibile creare la cartella %1.").arg(folder));

    std::optional<map::Legend> fixed;
    QString caption;
    if (p.isSet(QStringLiteral("classi-fisse"))) {
        int rc = 0;
        fixed = fixedYearClasses(s, p, *years, rc, QStringLiteral("mappa"));
        if (!fixed)
            return rc;
        QStringList ordered = *years;
        std::sort(ordered.begin(), ordered.end());
        caption = map::legendCaption(true, ordered, QString());
    }
    const QString csv = p.value(QStringLiteral("classi-csv"));
    const QFileInfo csvInfo(csv);
    const QString column = p.value(QStringLiteral("colonna")).trimmed();
    for (const QString &year : *years) {
        const QString header = column.left(column.lastIndexOf(QLatin1Char('_')) + 1) + year;
        const QString file = QDir(folder).filePath(header + QStringLiteral(".png"));
        const QString yearCsv = csv.isEmpty()
            ? QString()
            : csvInfo.dir().filePath(csvInfo.completeBaseName() + QLatin1Char('-') + year + QLatin1Char('.')
                                     + (csvInfo.suffix().isEmpty() ? QStringLiteral("csv") : csvInfo.suffix()));
        if (const int rc = drawThematic(s, p, file, year, fixed ? &*fixed : nullptr, caption, yearCsv))
            return rc;
    }
    return 0;
}

} // namespace

std::vector<Command> mapCommands()
{
    return {{QStringLiteral("mappa"),
             [](QCommandLineParser &p) {
                 declareThematicOptions(p);
                 p.addOption(valueOption(QStringLiteral("evidenzia"), QStringLiteral("TERRITORI")));
                 p.addOption(valueOption(QStringLiteral("anni"), QStringLiteral("ANNI")));
             },
             [](Session &s, const QCommandLineParser &p, const QStringList &args) {
                 if (!args.isEmpty())
                     return s.usage(QStringLiteral("Argomento inatteso per mappa: %1").arg(args.first()));
                 if (p.isSet(QStringLiteral("colonna")))
                     return runThematic(s, p);
                 return runCase(s.ctx, p, s.out, s.err);
             }}};
}

} // namespace qrn::cli

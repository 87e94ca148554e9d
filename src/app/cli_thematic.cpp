// The thematic map of a table column on the command line: the road of "Crea cartogramma" and of
// the classification frames of the map window, without the windows.
#include "app/cli_thematic.h"

#include "app/cli_table.h"
#include "map/classify.h"
#include "map/classifystate.h"
#include "map/legend.h"
#include "map/thematicmap.h"
#include "table/datatable.h"

#include <QRegularExpression>

namespace qrn::cli {

namespace {

const QString kModule = QStringLiteral("quarnaro-cli");

// The options read before anything is loaded.
struct ThematicOptions {
    QString column;
    map::Method method = map::Method::Quartiles;
    QString classCount; // the text of --classi
    QStringList limits;
    std::optional<std::pair<QColor, QColor>> ramp;
    QString palette;
    std::optional<map::LevelChoice> level;
};

// The value named by the word of an option.
template <class T> std::optional<T> wordOf(const QString &word, std::initializer_list<std::pair<const char *, T>> words)
{
    for (const auto &[name, value] : words)
        if (word == QLatin1String(name))
            return value;
    return std::nullopt;
}

std::optional<QColor> hexColour(const QString &text)
{
    static const QRegularExpression hex(QStringLiteral("^#[0-9A-Fa-f]{6}$"));
    if (!hex.match(text.trimmed()).hasMatch())
        return std::nullopt;
    return QColor::fromString(text.trimmed());
}

// Reads the thematic options; false with the reason on err.
bool parseThematicOptions(const QCommandLineParser &p, ThematicOptions &o, QString &err)
{
    auto fail = [&err](const QString &reason) {
        err += reason + QLatin1Char('\n');
        return false;
    };
    o.column = p.value(QStringLiteral("colonna")).trimmed();
    if (o.column.isEmpty())
        return fail(QStringLiteral("Indicare la colonna da rappresentare con --colonna (es. AS013_2005)."));
    if (p.isSet(QStringLiteral("metodo"))) {
        const auto method = wordOf<map::Method>(p.value(QStringLiteral("metodo")),
                                                {{"quartili", map::Method::Quartiles},
                                                 {"ampiezza", map::Method::EqualAmplitude},
                                                 {"manuale", map::Method::Manual},
                                                 {"naturali", map::Method::NaturalBreaks}});
        if (!method)
            return fail(QStringLiteral("--metodo vuole quartili, ampiezza, manuale oppure naturali."));
        o.method = *method;
    }

    const bool counted = o.method == map::Method::EqualAmplitude || o.method == map::Method::NaturalBreaks;
    if (p.isSet(QStringLiteral("classi"))) {
        if (!counted)
            return fail(QStringLiteral("--classi va con --metodo ampiezza o naturali."));
        o.classCount = p.value(QStringLiteral("classi")).trimmed();
        bool ok = false;
        o.classCount.toInt(&ok);
        if (!ok)
            return fail(QStringLiteral("--classi vuole un numero intero di classi."));
    } else if (counted) {
        return fail(QStringLiteral("Indicare il numero delle classi con --classi N."));
    }
    if (p.isSet(QStringLiteral("limiti"))) {
        if (o.method != map::Method::Manual)
            return fail(QStringLiteral("--limiti va con --metodo manuale."));
        for (const QString &l : p.value(QStringLiteral("limiti")).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!l.trimmed().isEmpty())
                o.limits << l.trimmed();
    }
    if (o.method == map::Method::Manual && o.limits.isEmpty())
        return fail(QStringLiteral("Indicare i limiti superiori delle classi con --limiti \"a;b;c\"."));

    if (p.isSet(QStringLiteral("colori")) && p.isSet(QStringLiteral("palette")))
        return fail(QStringLiteral("--colori e --palette non vanno insieme."));
    if (p.isSet(QStringLiteral("colori"))) {
        const QStringList c = p.value(QStringLiteral("colori")).split(QLatin1Char(','));
        const std::optional<QColor> start = hexColour(c.value(0)), end = hexColour(c.value(1));
        if (c.size() != 2 || !start || !end)
            return fail(QStringLiteral("--colori vuole due colori INIZIO,FINE nella forma #rrggbb."));
        o.ramp = std::pair {*start, *end};
    }
    if (p.isSet(QStringLiteral("palette"))) {
        o.palette = p.value(QStringLiteral("palette"));
        if (!map::sequentialPaletteNames().contains(o.palette))
            return fail(QStringLiteral("Palette sconosciuta: %1 (si può scegliere tra %2).")
                            .arg(o.palette, map::sequentialPaletteNames().join(QStringLiteral(", "))));
    }
    if (p.isSet(QStringLiteral("livello-mappa"))) {
        o.level = wordOf<map::LevelChoice>(p.value(QStringLiteral("livello-mappa")),
                                           {{"regioni", map::LevelChoice::Regions},
                                            {"nuts2", map::LevelChoice::Nuts2},
                                            {"province", map::LevelChoice::Provinces}});
        if (!o.level)
            return fail(QStringLiteral("--livello-mappa vuole regioni, nuts2 oppure province."));
    }
    return true;
}

// The colours of count classes: --colori, --palette, or the ramp the equal-amplitude classes
// start from. Empty (the reason on err) when the palette has no such count.
QList<QColor> classColours(const ThematicOptions &o, int count, QString &err)
{
    if (!o.palette.isEmpty()) {
        QList<QColor> colours = map::sequentialPalette(o.palette, count);
        if (colours.isEmpty())
            err += QStringLiteral("La palette %1 ha da 1 a 9 classi, non %2.\n").arg(o.palette).arg(count);
        return colours;
    }
    if (o.ramp)
        return map::colourRamp(o.ramp->first, o.ramp->second, count);
    return map::colourRamp(map::fromWindowsColour(map::kAmplitudeStart), map::fromWindowsColour(map::kAmplitudeEnd),
                           count);
}

// The classes of the manual method, one per upper bound, as "Seleziona" makes them one click at
// a time. Limits that stop short of the maximum get a last class up to it, as one more click
// does with the maximum the window leaves in its box.
map::BoundsOutcome manualClasses(const QStringList &limits, const map::ColumnStats &stats, const NumberFormat &fmt)
{
    map::ManualClassifier manual;
    map::BoundsOutcome out;
    QString low = map::numberText(stats.minValue, fmt);
    for (const QString &high : limits) {
        if (out.finished) {
            out.message = map::kAssignmentDone;
            return out;
        }
        const map::BoundsOutcome step = manual.addClass(low, high, stats, fmt);
        if (step.refused())
            return step;
        out.finished = step.finished;
        low = step.txtMin;
    }
    if (!out.finished) {
        const map::BoundsOutcome last = manual.addClass(low, map::numberText(stats.maxValue, fmt), stats, fmt);
        if (last.refused())
            return last;
        out.finished = last.finished;
    }
    out.classes = manual.classes();
    return out;
}

// The drawing of the method: tMappa written, the classes and their legend. nullopt after a
// refusal, whose message is on err.
std::optional<map::Drawing> drawClasses(AppContext &ctx, const map::MapRequest &req, const ThematicOptions &o,
                                        QString &err)
{
    if (o.method == map::Method::Quartiles) {
        const QList<QColor> colours = classColours(o, map::QuartileClassifier::kClasses, err);
        if (colours.isEmpty())
            return std::nullopt;
        return map::quartileDrawing(ctx, req, colours, kModule);
    }
    const map::ColumnStats stats = map::columnStats(req.values(), ctx.numbers);
    map::BoundsOutcome classes;
    if (!stats.valid)
        classes.message = map::kMinEqualsMax;
    else if (o.method == map::Method::EqualAmplitude)
        classes = map::EqualAmplitudeClassifier().build(o.classCount, map::numberText(stats.minValue, ctx.numbers),
                                                        map::numberText(stats.maxValue, ctx.numbers), stats,
                                                        ctx.numbers);
    else if (o.method == map::Method::Manual)
        classes = manualClasses(o.limits, stats, ctx.numbers);
    else
        classes = map::NaturalBreaksClassifier().build(o.classCount, req.values(), ctx.numbers);
    if (classes.refused()) {
        err += classes.message + QLatin1Char('\n');
        return std::nullopt;
    }
    const QList<QColor> colours = classColours(o, int(classes.classes.size()), err);
    if (colours.isEmpty())
        return std::nullopt;
    return map::legendDrawing(ctx, req, map::legendRows(classes.classes, colours, false), kModule);
}

// An item "AS013-2005" or a header "AS013_2005" with another year after its last separator.
QString withYear(const QString &text, QChar separator, const QString &year)
{
    const int at = text.lastIndexOf(separator);
    return at < 0 ? text : text.left(at + 1) + year;
}

} // namespace

void declareThematicOptions(QCommandLineParser &p)
{
    p.addOptions(tableOptions());
    for (const char *name : {"colonna", "metodo", "classi", "limiti", "colori", "palette", "livello-mappa",
                             "classi-csv", "out", "larghezza", "altezza", "caso"})
        p.addOption(valueOption(QLatin1String(name), QStringLiteral("VALORE")));
}

std::optional<QSize> pictureSize(const QCommandLineParser &p, QString &err)
{
    QSize size(1600, 1200);
    for (auto [name, target] : {std::pair {"larghezza", &size.rwidth()}, std::pair {"altezza", &size.rheight()}}) {
        if (!p.isSet(QLatin1String(name)))
            continue;
        bool ok = false;
        *target = p.value(QLatin1String(name)).toInt(&ok);
        if (!ok) {
            err += QStringLiteral("--%1 vuole un numero intero di pixel.\n").arg(QLatin1String(name));
            return std::nullopt;
        }
    }
    if (size.width() < 1 || size.height() < 1 || size.width() > 20000 || size.height() > 20000) {
        err += QStringLiteral("Dimensioni non valide: larghezza e altezza vanno da 1 a 20000 pixel.\n");
        return std::nullopt;
    }
    return size;
}

std::optional<ThematicMapResult> buildThematicMap(Session &s, const QCommandLineParser &p, int &exitCode,
                                                  const std::optional<QString> &year)
{
    AppContext &ctx = s.ctx;
    exitCode = 2;
    TableRequest table;
    ThematicOptions o;
    if (!parseTableRequest(p, {}, table, s.err) || !parseThematicOptions(p, o, s.err))
        return std::nullopt;
    const std::optional<QSize> size = pictureSize(p, s.err);
    if (!size)
        return std::nullopt;
    if (year) {
        for (QString &item : table.items)
            item = withYear(item, QLatin1Char('-'), *year);
        o.column = withYear(o.column, QLatin1Char('_'), *year);
    }

    exitCode = 1;
    if (const int rc = selectTable(s, table))
        return exitCode = rc, std::nullopt;
    // Territories named one by one leave the level open: it is asked, as for a mixed selection.
    if (table.groups.isEmpty())
        ctx.LevelCode = 3;
    DataTable grid;
    if (const int rc = loadTable(s, table, grid))
        return exitCode = rc, std::nullopt;
    const int column = grid.columnOf(o.column);
    if (column < 0) {
        s.err += QStringLiteral("Nessuna colonna si chiama '%1'.\n").arg(o.column);
        return std::nullopt;
    }

    // frmSelMappa answered by --livello-mappa.
    bool levelAsked = false, provincesRefused = false;
    auto chooseLevel = [&](qint16 levelCode) {
        levelAsked = true;
        if (!o.level)
            return map::LevelChoice::Cancel;
        if (*o.level == map::LevelChoice::Provinces && !map::provincesOffered(levelCode, ctx.CurrentLevel)) {
            provincesRefused = true;
            return map::LevelChoice::Cancel;
        }
        return *o.level;
    };
    QSet<int> ticked(table.groups.begin(), table.groups.end());
    std::optional<map::MapRequest> req = map::createMap(ctx, grid, {column, o.column, QString(), ticked}, chooseLevel);
    if (!req) {
        if (levelAsked && !o.level) {
            s.err += QStringLiteral("La selezione ha più livelli territoriali: scegliere quello della mappa con "
                                    "--livello-mappa regioni, nuts2 oppure province.\n");
            exitCode = 2;
        } else if (provincesRefused) {
            s.err += QStringLiteral("Le province non si possono scegliere per questa selezione: usare --livello-mappa "
                                    "regioni oppure nuts2.\n");
            exitCode = 2;
        }
        return std::nullopt;
    }

    std::optional<map::Drawing> drawing = drawClasses(ctx, *req, o, s.err);
    if (!drawing)
        return std::nullopt;
    if (!drawing->stored) {
        s.err += QStringLiteral("Errore: la tabella %1 non è stata scritta.\n").arg(QString(map::kMapTable));
        return std::nullopt;
    }

    ThematicMapResult r {*req, *drawing, {}, {}};
    r.view.setViewport(map::thematicMapArea(QRectF(QPointF(0, 0), QSizeF(*size))).size().toSize());
    try {
        r.shapeCase = map::LoadShapeConfig(ctx.FilesFolder, ctx.ShapeFolder, req->mapCase.name, r.view);
    } catch (const map::ShapeConfigError &e) {
        s.ctx.log.record(QStringLiteral("quarnaro-cli"), QStringLiteral("LoadShapeConfig"), e.text(), e.detail());
        s.err += QStringLiteral("Errore: ") + e.text() + QLatin1Char('\n');
        return std::nullopt;
    }
    if (!map::joinLayer(r.shapeCase)) {
        s.err += QStringLiteral("Errore: il caso %1 non ha un layer di unione con i dati.\n").arg(req->mapCase.name);
        return std::nullopt;
    }
    map::applyClasses(r.shapeCase, r.drawing.classes, req->mapCase.kind);
    exitCode = 0;
    return r;
}

} // namespace qrn::cli

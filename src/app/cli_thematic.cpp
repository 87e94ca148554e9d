// The thematic map of a table column on the command line: the road of "Crea cartogramma" and of
// the classification frames of the map window, without the windows.
#include "app/cli_thematic.h"

#include "app/cli_table.h"
#include "map/classify.h"
#include "map/classifymethod.h"
#include "map/legend.h"
#include "map/mapyears.h"
#include "map/thematicmap.h"
#include "table/datatable.h"

#include <QRegularExpression>
#include <QSet>

namespace qrn::cli {

namespace {

const QString kModule = QStringLiteral("quarnaro-cli");

// The options read before anything is loaded.
struct ThematicOptions {
    QString column;
    const map::ClassificationMethod *method = &map::methodOf(map::Method::Quartiles);
    QString classCount; // the text of --classi
    QStringList limits;
    std::optional<std::pair<QColor, QColor>> ramp;
    QString palette;
    bool wideHinge = false; // --cardine 3
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
        o.method = map::methodById(p.value(QStringLiteral("metodo")));
        if (!o.method)
            return fail(QStringLiteral("--metodo vuole %1.").arg(map::methodIdList()));
    }

    const bool counted = o.method->takesClassCount();
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
        if (o.method->kind() != map::Method::Manual)
            return fail(QStringLiteral("--limiti va con --metodo manuale."));
        for (const QString &l : p.value(QStringLiteral("limiti")).split(QLatin1Char(';'), Qt::SkipEmptyParts))
            if (!l.trimmed().isEmpty())
                o.limits << l.trimmed();
    }
    if (o.method->kind() == map::Method::Manual && o.limits.isEmpty())
        return fail(QStringLiteral("Indicare i limiti superiori delle classi con --limiti \"a;b;c\"."));

    if (p.isSet(QStringLiteral("cardine"))) {
        if (!o.method->takesHinge())
            return fail(QStringLiteral("--cardine va con --metodo boxmap."));
        const QString hinge = p.value(QStringLiteral("cardine")).trimmed();
        if (QStringList {"3", "3.0", "3,0"}.contains(hinge))
            o.wideHinge = true;
        else if (!QStringList {"1.5", "1,5"}.contains(hinge))
            return fail(QStringLiteral("--cardine vuole 1,5 oppure 3."));
    }

    if (o.method->ownPalette() && (p.isSet(QStringLiteral("colori")) || p.isSet(QStringLiteral("palette"))))
        return fail(QStringLiteral("--colori e --palette non valgono per --metodo %1, che ha una palette divergente "
                                   "propria.")
                        .arg(o.method->id()));
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

// The colours of the classes: the method's own, --colori, --palette, or the ramp the
// equal-amplitude classes start from. Empty (the reason on err) when the palette has no such
// count.
QList<QColor> classColours(const ThematicOptions &o, const map::MethodOutcome &classes, QString &err)
{
    const map::ColourChoice choice {o.palette, o.ramp ? o.ramp->first : map::fromWindowsColour(map::kAmplitudeStart),
                                    o.ramp ? o.ramp->second : map::fromWindowsColour(map::kAmplitudeEnd)};
    const QList<QColor> colours = map::methodColours(classes, choice);
    if (colours.isEmpty())
        err += QStringLiteral("La palette %1 ha da 1 a 9 classi, non %2.\n").arg(o.palette).arg(classes.colourCount());
    return colours;
}

// The drawing of the method: tMappa written, the classes and their legend. nullopt after a
// refusal, whose message is on err.
std::optional<map::Drawing> drawClasses(AppContext &ctx, const map::MapRequest &req, const ThematicOptions &o,
                                        QString &err)
{
    map::ClassRequest r;
    r.values = req.values();
    r.stats = map::columnStats(r.values, ctx.numbers);
    r.classCount = o.classCount;
    r.txtMin = map::numberText(r.stats.minValue, ctx.numbers);
    r.txtMax = map::numberText(r.stats.maxValue, ctx.numbers);
    r.limits = o.limits;
    r.wideHinge = o.wideHinge;
    const map::MethodOutcome classes = o.method->classes(r, ctx.numbers);
    if (classes.refused()) {
        err += classes.message + QLatin1Char('\n');
        return std::nullopt;
    }
    const QList<QColor> colours = classColours(o, classes, err);
    if (colours.isEmpty())
        return std::nullopt;
    map::Drawing drawing = map::methodDrawing(ctx, req, classes, colours);
    if (drawing.equalValuesWarning && ctx.prompt)
        ctx.prompt->message(map::kQuartileWarning, QString(), Icon::Exclamation);
    return drawing;
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
    for (const char *name : {"colonna", "metodo", "classi", "limiti", "cardine", "colori", "palette", "livello-mappa",
                             "classi-csv", "out", "larghezza", "altezza", "caso"})
        p.addOption(valueOption(QLatin1String(name), QStringLiteral("VALORE")));
    p.addOption(QCommandLineOption(QStringList {QStringLiteral("classi-fisse")}));
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

QString ThematicMapResult::summary() const
{
    QString text = request.header + QStringLiteral(": ") + map::countsText(counts);
    if (!coverage.complete())
        text += QStringLiteral("; ") + map::coverageText(coverage);
    return text;
}

namespace {

// The road of buildThematicMap up to the map request: the options read, the table of the
// selection loaded and the map prepared on the column. The options and the picture size are
// left in o and size.
std::optional<map::MapRequest> prepareRequest(Session &s, const QCommandLineParser &p, int &exitCode,
                                              const QString &command, const std::optional<QString> &year,
                                              ThematicOptions &o, QSize &pictureSizeOut)
{
    AppContext &ctx = s.ctx;
    exitCode = 2;
    TableRequest table;
    if (!parseTableRequest(p, {}, table, s.err) || !parseThematicOptions(p, o, s.err))
        return std::nullopt;
    const std::optional<QSize> size = pictureSize(p, s.err);
    if (!size)
        return std::nullopt;
    pictureSizeOut = *size;
    if (year) {
        for (QString &item : table.items)
            item = withYear(item, QLatin1Char('-'), *year);
        o.column = withYear(o.column, QLatin1Char('_'), *year);
    }

    exitCode = 1;
    if (const int rc = selectTable(s, table))
        return exitCode = rc, std::nullopt;
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
    // A failed map: the message on standard error, the message and its detail in Error.log.
    auto failed = [&](const map::MapFailure &f) {
        s.err += f.message + QLatin1Char('\n');
        if (f.logged)
            ctx.log.writeError(command, f.procedure, QString(), f.message, f.detail);
        return std::nullopt;
    };
    // The level of the selection (territories named one by one leave it open: it is asked).
    map::CreateMapOutcome prepared = map::createMap(ctx, ctx, ctx, grid, {column, o.column, QString(), s.query.level},
                                                    chooseLevel);
    if (prepared.descriptionFailure)
        reportFailure(*prepared.descriptionFailure, ctx.log, ctx.prompt, kModule);
    if (prepared.refusal)
        return failed(*prepared.refusal);
    std::optional<map::MapRequest> &req = prepared.request;
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
    req->territoryFilter = map::territoryFilterOf(s.query.sql);
    exitCode = 0;
    return std::move(*req);
}

} // namespace

std::optional<ThematicMapResult> buildThematicMap(Session &s, const QCommandLineParser &p, int &exitCode,
                                                  const QString &command, const std::optional<QString> &year,
                                                  const map::Legend *fixedClasses)
{
    AppContext &ctx = s.ctx;
    ThematicOptions o;
    QSize pictureSize;
    const std::optional<map::MapRequest> req = prepareRequest(s, p, exitCode, command, year, o, pictureSize);
    if (!req)
        return std::nullopt;
    const std::optional<QSize> size = pictureSize;
    exitCode = 1;
    auto failed = [&](const map::MapFailure &f) {
        s.err += f.message + QLatin1Char('\n');
        if (f.logged)
            ctx.log.writeError(command, f.procedure, QString(), f.message, f.detail);
        return std::nullopt;
    };

    // Classes fixed over the years classify this year's values by their limits.
    std::optional<map::Drawing> drawing =
        fixedClasses ? std::optional<map::Drawing>(map::legendDrawing(ctx, *req, *fixedClasses))
                     : drawClasses(ctx, *req, o, s.err);
    if (!drawing)
        return std::nullopt;
    if (!drawing->stored) {
        reportFailure(drawing->stored.failure(), ctx.log, ctx.prompt, kModule);
        s.err += QStringLiteral("Errore: la tabella %1 non è stata scritta.\n").arg(QString(map::kMapTable));
        return std::nullopt;
    }

    ThematicMapResult r {*req, *drawing, {}, {}, {}, {}};
    r.view.setViewport(map::thematicMapArea(QRectF(QPointF(0, 0), QSizeF(*size))).size().toSize());
    try {
        r.shapeCase = map::LoadShapeConfig(ctx.FilesFolder, ctx.ShapeFolder, req->mapCase.name, r.view);
    } catch (const map::ShapeConfigError &e) {
        return failed({QStringLiteral("LoadShapeConfig"), QStringLiteral("Errore: ") + e.text(), e.detail()});
    }
    const map::JoinCheck join = map::checkJoin(r.shapeCase, *req, ctx.numbers);
    if (join.failure)
        return failed(*join.failure);
    r.coverage = join.coverage;
    r.counts = map::mapCounts(*req, r.drawing.classes, ctx.numbers);
    map::applyClasses(r.shapeCase, r.drawing.classes, req->mapCase.kind);
    exitCode = 0;
    return r;
}

std::optional<QStringList> parseYears(const QString &text, QString &err)
{
    static const QRegularExpression part(QStringLiteral("^\\s*(\\d{4})\\s*(?:-\\s*(\\d{4})\\s*)?$"));
    QStringList years;
    const QStringList parts = text.split(QLatin1Char(','));
    for (const QString &p : parts) {
        const QRegularExpressionMatch m = part.match(p);
        const int from = m.captured(1).toInt(), to = m.hasCaptured(2) ? m.captured(2).toInt() : from;
        if (!m.hasMatch() || to < from) {
            err += QStringLiteral("--anni vuole un intervallo di anni (es. 1996-2008) o un elenco (es. "
                                  "1999,2001,2005), non \"%1\".\n")
                       .arg(text);
            return std::nullopt;
        }
        for (int y = from; y <= to; ++y)
            if (!years.contains(QString::number(y)))
                years << QString::number(y);
    }
    return years;
}

std::optional<QStringList> yearsOfItem(Session &s, const QCommandLineParser &p, QString &code)
{
    TableRequest table;
    ThematicOptions o;
    if (!parseTableRequest(p, {}, table, s.err) || !parseThematicOptions(p, o, s.err))
        return std::nullopt;
    s.ctx.CurrentDb = table.db;
    s.ctx.CurrentTipo = table.tipo;
    code = map::columnCode(o.column, table.tipo).lastCode;
    const Result<QStringList> years = map::itemYears(s.ctx, s.ctx, code);
    if (!years) {
        reportFailure(years.failure(), s.ctx.log, s.ctx.prompt, kModule);
        return QStringList();
    }
    return years.value();
}

std::optional<map::Legend> fixedYearClasses(Session &s, const QCommandLineParser &p, const QStringList &years,
                                            int &exitCode, const QString &command)
{
    AppContext &ctx = s.ctx;
    ThematicOptions o;
    QSize size;
    const std::optional<map::MapRequest> base = prepareRequest(s, p, exitCode, command, years.first(), o, size);
    if (!base)
        return std::nullopt;
    exitCode = 1;
    map::MapYears series(ctx, ctx, *base);
    if (const std::optional<Failure> &failed = series.yearsFailure())
        reportFailure(*failed, ctx.log, ctx.prompt, kModule);
    QList<const map::MapRequest *> requests;
    for (const QString &year : years) {
        const map::MapRequest *req = series.request(year);
        if (!req) {
            s.err += series.failure()->message + QLatin1Char('\n');
            return std::nullopt;
        }
        requests << req;
    }
    map::ClassRequest r;
    r.classCount = o.classCount;
    r.limits = o.limits;
    r.wideHinge = o.wideHinge;
    const map::MethodOutcome classes =
        map::pooledClasses(*o.method, r, map::pooledValues(requests, ctx.numbers), ctx.numbers);
    if (classes.refused()) {
        s.err += classes.message + QLatin1Char('\n');
        return std::nullopt;
    }
    const QList<QColor> colours = classColours(o, classes, s.err);
    if (colours.isEmpty())
        return std::nullopt;
    exitCode = 0;
    return map::fixedLegend(classes, colours, ctx.numbers);
}

} // namespace qrn::cli

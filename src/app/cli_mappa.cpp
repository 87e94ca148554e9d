// quarnaro-cli mappa: the layers of a map case drawn as the map window loads them, to a file.

#include "app/clicommand.h"

#include "map/mapview.h"
#include "map/shapeconfig.h"
#include "shell/context.h"

namespace qrn::cli {

namespace {

int runMap(const AppContext &ctx, const QCommandLineParser &p, const QStringList &args, QString &out, QString &err)
{
    if (!args.isEmpty()) {
        err += QStringLiteral("Argomento inatteso per mappa: %1\n").arg(args.first());
        return 2;
    }
    const QString caseName = p.value(QStringLiteral("caso")), file = p.value(QStringLiteral("out"));
    int width = 1600, height = 1200;
    for (auto [name, target] : {std::pair {"larghezza", &width}, std::pair {"altezza", &height}}) {
        if (!p.isSet(QLatin1String(name)))
            continue;
        bool ok = false;
        *target = p.value(QLatin1String(name)).toInt(&ok);
        if (!ok) {
            err += QStringLiteral("--%1 vuole un numero intero di pixel.\n").arg(QLatin1String(name));
            return 2;
        }
    }
    if (caseName.isEmpty() || file.isEmpty()) {
        err += QStringLiteral("uso: mappa --caso CASO --out FILE [--larghezza N] [--altezza N]\n");
        return 2;
    }
    if (width < 1 || height < 1 || width > 20000 || height > 20000) {
        err += QStringLiteral("Dimensioni non valide: larghezza e altezza vanno da 1 a 20000 pixel.\n");
        return 2;
    }
    if (ctx.ShapeFolder.isEmpty()) {
        err += QStringLiteral("Errore: nessuna cartella di file shape.\n");
        return 1;
    }
    map::MapView view;
    view.setViewport(QSize(width, height));
    map::ShapeCase sc;
    try {
        sc = map::LoadShapeConfig(ctx.FilesFolder, ctx.ShapeFolder, caseName, view);
    } catch (const map::ShapeConfigError &e) {
        err += QStringLiteral("Errore: ") + e.text() + QLatin1Char('\n');
        return 1;
    }
    for (const map::LayerConfig &e : sc.layers)
        if (!e.layer || !e.layer->valid())
            err +=
                QStringLiteral("Layer %1 non disegnato: %2\n").arg(e.FileName, e.layer ? e.layer->error() : QString());
    QString why;
    if (!view.exportView(file, &why)) {
        err += QStringLiteral("Errore: ") + why + QLatin1Char('\n');
        return 1;
    }
    out += QStringLiteral("%1: %2 layer disegnati in %3\n").arg(caseName).arg(view.layerCount()).arg(file);
    return 0;
}

} // namespace

std::vector<Command> mapCommands()
{
    return {{QStringLiteral("mappa"),
             [](QCommandLineParser &p) {
                 for (const char *name : {"caso", "out", "larghezza", "altezza"})
                     p.addOption(valueOption(QLatin1String(name), QStringLiteral("VALORE")));
             },
             [](Session &s, const QCommandLineParser &p, const QStringList &args) {
                 return runMap(s.ctx, p, args, s.out, s.err);
             }}};
}

} // namespace qrn::cli

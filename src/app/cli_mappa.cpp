// quarnaro-cli mappa: the layers of a map case drawn as the map window loads them, to a file.

#include "app/climain.h"

#include "map/mapview.h"
#include "map/shapeconfig.h"
#include "shell/context.h"

namespace qrn::cli {

int runMap(const AppContext &ctx, const QStringList &args, QString &out, QString &err)
{
    QString caseName, file;
    int width = 1600, height = 1200;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        if (i + 1 >= args.size()) {
            err += QStringLiteral("Manca il valore dopo %1.\n").arg(a);
            return 2;
        }
        const QString v = args[++i];
        bool ok = true;
        if (a == QLatin1String("--caso"))
            caseName = v;
        else if (a == QLatin1String("--out"))
            file = v;
        else if (a == QLatin1String("--larghezza"))
            width = v.toInt(&ok);
        else if (a == QLatin1String("--altezza"))
            height = v.toInt(&ok);
        else {
            err += QStringLiteral("Opzione sconosciuta per mappa: %1\n").arg(a);
            return 2;
        }
        if (!ok) {
            err += QStringLiteral("%1 vuole un numero intero di pixel.\n").arg(a);
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
            err += QStringLiteral("Layer %1 non disegnato: %2\n").arg(e.FileName, e.layer ? e.layer->error() : QString());
    QString why;
    if (!view.exportView(file, &why)) {
        err += QStringLiteral("Errore: ") + why + QLatin1Char('\n');
        return 1;
    }
    out += QStringLiteral("%1: %2 layer disegnati in %3\n").arg(caseName).arg(view.layerCount()).arg(file);
    return 0;
}

} // namespace qrn::cli

#include "app/cli_aggiorna.h"

#include "metadata/update.h"
#include "shell/context.h"

#include <QFileInfo>

namespace qrn::cli {

int runAggiorna(AppContext &ctx, const QStringList &args, QString &out, QString &err)
{
    if (args.size() != 2 || (args[0] != QLatin1String("--banca-dati") && args[0] != QLatin1String("--mappe"))) {
        err += QStringLiteral("uso: aggiorna --banca-dati FILE.zip | --mappe FILE.zip\n");
        return 2;
    }
    const UpdateKind kind = args[0] == QLatin1String("--mappe") ? UpdateKind::Maps : UpdateKind::Databases;
    const UpdateResult r = installUpdate(ctx, kind, QFileInfo(args[1]).absoluteFilePath());
    QString text = r.message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    if (r.outcome == UpdateResult::Outcome::Done) {
        out += text + QLatin1Char('\n');
        return 0;
    }
    err += text + QLatin1Char('\n');
    return 1;
}

} // namespace qrn::cli

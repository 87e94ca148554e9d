#pragma once
// The commands "scheda" and "glossario" of quarnaro-cli.
#include <QString>
#include <QStringList>

namespace qrn {
struct AppContext;
}

namespace qrn::cli {

int runScheda(AppContext &ctx, const QStringList &args, QString &out, QString &err);
int runGlossario(AppContext &ctx, const QStringList &args, QString &out, QString &err);

} // namespace qrn::cli

#pragma once
#include <QString>
#include <QStringList>

namespace qrn {
struct AppContext;
}

namespace qrn::cli {

// "aggiorna --banca-dati FILE.zip | --mappe FILE.zip": installs an update as the information
// window does. Answers the exit status (0, 1 on a refused or failed update, 2 on a wrong
// command line).
int runAggiorna(AppContext &ctx, const QStringList &args, QString &out, QString &err);

} // namespace qrn::cli

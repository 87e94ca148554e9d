#pragma once
#include <QString>
#include <QStringList>

namespace qrn {
struct AppContext;
}

namespace qrn::cli {

// Runs one command line of quarnaro-cli; what it prints goes to out and err. Answers the exit
// status: 0 on success, 1 on an error, 2 on a wrong command line.
int run(const QStringList &args, const QString &defaultHome, QString &out, QString &err);

// The command "mappa": draws a map case to a picture file (cli_mappa.cpp).
int runMap(const AppContext &ctx, const QStringList &args, QString &out, QString &err);

// A field for the CSV output: quoted when it holds the separator, a quote or a line end.
QString csvField(const QString &text, QChar separator);

} // namespace qrn::cli

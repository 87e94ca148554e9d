#pragma once
#include <QString>
#include <QStringList>

namespace qrn::cli {

// Runs one command line of quarnaro-cli, in the program folder of --home, else of the installed
// layout beside executableFolder (the user's data folder), else executableFolder itself; what it
// prints goes to out and err. Answers the exit status: 0 on success, 1 on an error, 2 on a wrong
// command line.
int run(const QStringList &args, const QString &executableFolder, QString &out, QString &err);

// A field for the CSV output: quoted when it holds the separator, a quote or a line end.
QString csvField(const QString &text, QChar separator);

} // namespace qrn::cli

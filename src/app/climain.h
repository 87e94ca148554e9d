#pragma once
#include <QString>
#include <QStringList>

namespace qrn::cli {

// Runs one command line of quarnaro-cli; what it prints goes to out and err. Answers the exit
// status: 0 on success, 1 on an error, 2 on a wrong command line.
int run(const QStringList &args, const QString &defaultHome, QString &out, QString &err);

// The command "importa" (cli_importa.cpp): args are what follows the command word.
int runImport(const QStringList &args, const QString &cacheFolder, QString &out, QString &err);
// Makes the data store read Access files through the cache in cacheFolder ("" for the user's).
void installAccessReader(const QString &cacheFolder);

// A field for the CSV output: quoted when it holds the separator, a quote or a line end.
QString csvField(const QString &text, QChar separator);

} // namespace qrn::cli

// quarnaro-cli importa: the import of an Access file into SQLite, as the program does it.

#include "access/accesscache.h"
#include "app/clicommand.h"
#include "shell/dberror.h"

#include <QFileInfo>

namespace qrn::cli {

namespace {

// The import is shown through prompt as it goes (on a terminal only, see ConsolePrompt).
int runImport(const QCommandLineParser &p, const QStringList &args, const QString &cacheFolder, Prompt &prompt,
              QString &out, QString &err)
{
    const QString file = args.size() == 1 ? args[0] : QString(), outFile = p.value(QStringLiteral("out"));
    if (file.isEmpty()) {
        err += QStringLiteral("uso: importa FILE.mdb|FILE.accdb [--out FILE.sqlite]\n");
        return 2;
    }
    try {
        access::ImportSummary summary;
        QString written;
        if (outFile.isEmpty()) {
            const access::AccessCache cache(cacheFolder);
            written = cache.storeFor(file, &summary, true, &prompt);
        } else {
            if (!QFileInfo(file).isFile())
                throw DbError(DbError::Kind::NotFound,
                              QStringLiteral("Impossibile trovare il file di database '%1'.").arg(file), -1);
            summary = access::importToSqlite(QFileInfo(file).absoluteFilePath(), outFile, &prompt);
            written = outFile;
        }
        if (summary.cancelled)
            throw DbError(DbError::Kind::Generic, QString::fromUtf8(access::kImportCancelledMessage));
        for (const access::ImportedTable &t : summary.tables)
            out += QStringLiteral("%1: %2 righe\n").arg(t.name).arg(t.rows);
        out += QStringLiteral("%1 tabelle, %2 righe in %3\n")
                   .arg(summary.tables.size())
                   .arg(summary.totalRows())
                   .arg(QFileInfo(written).absoluteFilePath());
        return 0;
    } catch (const DbError &e) {
        err += QStringLiteral("Errore: ") + e.description() + QLatin1Char('\n');
        return 1;
    }
}

} // namespace

std::vector<Command> accessCommands()
{
    Command importa {
        QStringLiteral("importa"),
        [](QCommandLineParser &p) { p.addOption(valueOption(QStringLiteral("out"), QStringLiteral("FILE"))); },
        [](Session &s, const QCommandLineParser &p, const QStringList &args) {
            return runImport(p, args, s.cacheFolder, s.prompt, s.out, s.err);
        }};
    importa.needsStartup = false;
    return {importa};
}

} // namespace qrn::cli

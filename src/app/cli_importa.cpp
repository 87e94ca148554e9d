// quarnaro-cli importa: the import of an Access file into SQLite, as the program does it.

#include "access/accesscache.h"
#include "app/climain.h"
#include "shell/dberror.h"

#include <QFileInfo>

namespace qrn::cli {

void installAccessReader(const QString &cacheFolder)
{
    access::AccessCache(cacheFolder).install();
}

int runImport(const QStringList &args, const QString &cacheFolder, QString &out, QString &err)
{
    QString file, outFile;
    for (int i = 0; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--out") && i + 1 < args.size())
            outFile = args[++i];
        else if (file.isEmpty() && !args[i].startsWith(QLatin1String("--")))
            file = args[i];
        else
            file.clear(), i = int(args.size());
    }
    if (file.isEmpty()) {
        err += QStringLiteral("uso: importa FILE.mdb|FILE.accdb [--out FILE.sqlite]\n");
        return 2;
    }
    try {
        access::ImportSummary summary;
        QString written;
        if (outFile.isEmpty()) {
            const access::AccessCache cache(cacheFolder);
            written = cache.storeFor(file, &summary, true);
        } else {
            if (!QFileInfo(file).isFile())
                throw DbError(DbError::Kind::NotFound,
                              QStringLiteral("Impossibile trovare il file di database '%1'.").arg(file), -1);
            summary = access::importToSqlite(QFileInfo(file).absoluteFilePath(), outFile);
            written = outFile;
        }
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

} // namespace qrn::cli

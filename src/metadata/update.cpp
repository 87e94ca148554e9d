#include "metadata/update.h"

#include "shell/context.h"
#include "shell/programfolders.h"
#include "shell/prompt.h"
#include "shell/startup.h"

#include <QDir>

#include <algorithm>

namespace qrn {

UpdateInfo readUpdateInfo(Services &services)
{
    UpdateInfo info;
    auto cn = services.GetDbConnection(QStringLiteral("Metadati.mdb"));
    Recordset rs = cn->query(QStringLiteral("select * from InfoAggiornamento"));
    if (!rs.eof() && rs.fieldCount() >= 2) {
        info.found = true;
        info.label = rs.text(0);
        info.note = rs.text(1);
    }
    return info;
}

QString updateTargetFolder(const ProgramPaths &paths, UpdateKind kind)
{
    const bool db = kind == UpdateKind::Databases;
    // The folder in use first: DBPath.dbc may name a folder the program no longer reads.
    const QString inUse = db ? paths.DbFolder : paths.ShapeFolder;
    if (!inUse.isEmpty())
        return inUse;
    const QString remembered = ReadFolderFile(paths.FilesFolder
                                              + (db ? QStringLiteral("DBPath.dbc") : QStringLiteral("SHPath.dbc")));
    if (!remembered.isEmpty())
        return remembered;
    return withSeparator(paths.programFolder + (db ? QStringLiteral("Databases") : QStringLiteral("Shape")));
}

QString updateQuestion(UpdateKind kind, const QString &zipFile)
{
    return (kind == UpdateKind::Databases ? QStringLiteral("Si desidera aggiornare la banca dati con il file: ")
                                          : QStringLiteral("Si desidera aggiornare le mappe con il file: "))
        + zipFile + QStringLiteral(" ?");
}

QString updateDoneText(UpdateKind kind)
{
    return kind == UpdateKind::Databases ? QStringLiteral("Aggiornamento Banca Dati effettuato.")
                                         : QStringLiteral("Aggiornamento mappe effettuato.");
}

QString UpdateResult::logText() const
{
    QString text = message;
    text.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    return detail.isEmpty() ? text : text + QStringLiteral(" (") + detail + QLatin1Char(')');
}

QString updatePasswordQuestion()
{
    return QStringLiteral("L'archivio è protetto da una password. Inserire la password:");
}

UpdateResult installUpdate(ProgramPaths &paths, Services &services, UpdateKind kind, const QString &zipFile, const QString &password,
                           const UnzipLimits &limits)
{
    // Installed, an update goes into the user's copy of the read-only folder in use.
    const QString target = WritableDataFolder(paths, updateTargetFolder(paths, kind));
    UnzipPolicy policy;
    policy.limits = limits;
    policy.password = password;
    policy.journal = UpdateJournalPath(paths);
    ProgressReport report(services.prompt,
                          kind == UpdateKind::Databases ? QStringLiteral("Aggiornamento della banca dati")
                                                        : QStringLiteral("Aggiornamento delle mappe"),
                          1000);
    const auto steps = report.part(0, 1000);
    policy.progress = [&](std::int64_t done, std::int64_t total) {
        return steps(std::size_t(std::max<std::int64_t>(done, 0)), std::size_t(std::max<std::int64_t>(total, 0)));
    };
    CGUnzipFiles unzip(policy);
    UpdateResult r;
    r.code = unzip.Unzip(zipFile, target);
    report.finish();
    if (r.code == PK_OK) {
        r.outcome = UpdateResult::Outcome::Done;
        r.message = updateDoneText(kind);
        return r;
    }
    r.outcome = r.code == IZ_CTRLC   ? UpdateResult::Outcome::Cancelled
        : unzip.needsPassword()      ? UpdateResult::Outcome::NeedsPassword
                                     : UpdateResult::Outcome::Failed;
    r.detail = unzip.lastDetail();
    r.message = (kind == UpdateKind::Databases ? QStringLiteral("Aggiornamento Banca Dati non effettuato.")
                                               : QStringLiteral("Aggiornamento mappe non effettuato."))
        + QStringLiteral("\r\n") + unzip.lastError() + QStringLiteral("\r\n")
        + QStringLiteral("La cartella %1 non è stata modificata.").arg(QDir::toNativeSeparators(target));
    return r;
}

} // namespace qrn

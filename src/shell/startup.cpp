// The start-up steps in their order: the instance lock, the recovery of an interrupted update,
// the databases, the linked tables, the shape folder, the area queries, the menus, the splash.
// A step that cannot go on ends the program (StartupOutcome::Exit) after the host has shown its
// message; any other failure is reported by the host and the program runs with what was set up.
// The start asks and tells the user nothing itself: folders and messages go through the host.
// The remembered folders are written whole, and a folder that cannot be remembered is still used
// in this run.

#include "shell/startup.h"

#include "shell/context.h"
#include "shell/filewrite.h"
#include "shell/links.h"
#include "shell/updatejournal.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>

namespace qrn {

QString ReadFolderFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QString();
    QString text = QString::fromLocal8Bit(f.readAll());
    text.remove(QStringLiteral("\r\n"));
    text = text.trimmed();
    if (text.isEmpty())
        return QString();
    return withSeparator(text);
}

WriteResult WriteFolderFile(const QString &path, const QString &folder)
{
    // Written whole: a remembered folder cut short would send the next start to a wrong folder.
    return writeWholeFile(path, [&](QIODevice &out, QString &) {
        const QByteArray line = folder.toLocal8Bit() + "\r\n";
        return out.write(line) == line.size();
    });
}

namespace {

// The folder is used in this run all the same; the next start asks again.
void rememberFolder(const ProgramPaths &paths, const Services &services, const QString &file, const QString &folder,
                    const QString &procedure)
{
    if (const WriteResult r = WriteFolderFile(paths.FilesFolder + file, folder); !r)
        services.log.writeError(QStringLiteral("Utility"), procedure, QStringLiteral("0"), r.message, r.detail);
}

} // namespace

bool FolderHasFile(const QString &folder, const QString &fileName)
{
    return QFileInfo(folder + fileName).isFile();
}

bool FolderHasFiles(const QString &folder, const QString &pattern)
{
    if (folder.isEmpty())
        return false;
    QDir dir(folder);
    return dir.exists() && !dir.entryList({pattern}, QDir::Files).isEmpty();
}

bool FolderHasDatabase(const QString &folder, const QString &logicalName)
{
    return !folder.isEmpty() && StoreLocator::exists(folder, logicalName);
}

InstanceLock::InstanceLock(const QString &programFolder)
{
    const QByteArray key =
        QCryptographicHash::hash(QDir::cleanPath(programFolder).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    m_path = QDir::tempPath() + QStringLiteral("/quarnaro-") + QString::fromLatin1(key) + QStringLiteral(".lock");
    m_lock = std::make_unique<QLockFile>(m_path);
    // A lock is stale only when its process is gone, however old it is.
    m_lock->setStaleLockTime(0);
}

InstanceLock::~InstanceLock() = default;

bool InstanceLock::tryLock()
{
    return m_lock->isLocked() || m_lock->tryLock(0);
}

Status FindDatabases(ProgramPaths &paths, Services &services, const FolderChooser &chooseFolder)
{
    const QString defaultFolder = paths.programFolder + QStringLiteral("Databases/");
    if (FolderHasDatabase(defaultFolder, QStringLiteral("Metadati.mdb"))) {
        paths.DbFolder = defaultFolder;
        return Done {};
    }
    const QString remembered = ReadFolderFile(paths.FilesFolder + QStringLiteral("DBPath.dbc"));
    if (FolderHasDatabase(remembered, QStringLiteral("Metadati.mdb"))) {
        paths.DbFolder = remembered;
        return Done {};
    }
    // Installed, the sample databases come with the program.
    const QString installed =
        paths.installedFolder.isEmpty() ? QString() : paths.installedFolder + QStringLiteral("Databases/");
    if (FolderHasDatabase(installed, QStringLiteral("Metadati.mdb"))) {
        paths.DbFolder = installed;
        return Done {};
    }
    const QString chosen = chooseFolder(QStringLiteral("Selezionare la cartella contenente i Databases"));
    if (chosen.isEmpty() || !FolderHasDatabase(chosen, QStringLiteral("Metadati.mdb")))
        return Failure::shown(QStringLiteral("Impossibile trovare i Databases\r\nL'Applicazione sarà chiusa."),
                              QStringLiteral("Attenzione"), Icon::Critical);
    rememberFolder(paths, services, QStringLiteral("DBPath.dbc"), chosen, QStringLiteral("FindDatabases"));
    paths.DbFolder = chosen;
    return Done {};
}

std::optional<Failure> FindShapeFiles(ProgramPaths &paths, Services &services, const FolderChooser &chooseFolder)
{
    const QString defaultFolder = paths.programFolder + QStringLiteral("Shape/");
    if (FolderHasFiles(defaultFolder, QStringLiteral("*.shp"))) {
        paths.ShapeFolder = defaultFolder;
        return std::nullopt;
    }
    const QString remembered = ReadFolderFile(paths.FilesFolder + QStringLiteral("SHPath.dbc"));
    if (FolderHasFiles(remembered, QStringLiteral("*.shp"))) {
        paths.ShapeFolder = remembered;
        return std::nullopt;
    }
    const QString installed =
        paths.installedFolder.isEmpty() ? QString() : paths.installedFolder + QStringLiteral("Shape/");
    if (FolderHasFiles(installed, QStringLiteral("*.shp"))) {
        paths.ShapeFolder = installed;
        return std::nullopt;
    }
    const QString chosen = chooseFolder(QStringLiteral("Selezionare la cartella contenente i File delle cartine"));
    if (chosen.isEmpty() || !FolderHasFiles(chosen, QStringLiteral("*.shp"))) {
        // No usable folder: the map commands then report that none is configured.
        paths.ShapeFolder.clear();
        return Failure::shown(QStringLiteral("Nessun File delle cartine trovato. In questa sessione non sarà "
                                             "possibile vedere le cartine!"),
                              QStringLiteral("Attenzione"), Icon::Information);
    }
    rememberFolder(paths, services, QStringLiteral("SHPath.dbc"), chosen, QStringLiteral("FindShapeFiles"));
    paths.ShapeFolder = chosen;
    return std::nullopt;
}

QString UpdateJournalPath(const ProgramPaths &paths)
{
    return paths.FilesFolder + QStringLiteral("Aggiornamento.giornale");
}

std::optional<Failure> RecoverInterruptedUpdate(const ProgramPaths &paths)
{
    // Every folder an update may have gone into: the default ones, the remembered ones and
    // those in use.
    QStringList folders {paths.programFolder + QStringLiteral("Databases/"), paths.programFolder + QStringLiteral("Shape/"),
                         ReadFolderFile(paths.FilesFolder + QStringLiteral("DBPath.dbc")),
                         ReadFolderFile(paths.FilesFolder + QStringLiteral("SHPath.dbc")), paths.DbFolder,
                         paths.ShapeFolder};
    folders.removeAll(QString());
    folders.removeDuplicates();
    QString detail;
    const QString proc = QStringLiteral("RecoverInterruptedUpdate");
    switch (recoverInterruptedUpdate(UpdateJournalPath(paths), folders, &detail)) {
    case UpdateRecovery::RolledBack:
        return Failure::toLog(proc, QStringLiteral("0"),
                              QStringLiteral("Un aggiornamento interrotto è stato annullato: "
                                             "la cartella è tornata com'era prima."));
    case UpdateRecovery::RolledForward:
        return Failure::toLog(proc, QStringLiteral("0"), QStringLiteral("Un aggiornamento interrotto è stato completato."));
    case UpdateRecovery::Failed:
        return Failure::toLog(proc, QStringLiteral("-1"),
                              QStringLiteral("Impossibile completare o annullare un aggiornamento interrotto (%1).")
                                  .arg(detail));
    case UpdateRecovery::Nothing:
    case UpdateRecovery::Busy: // another process is updating: it finishes its own work
        break;
    }
    return std::nullopt;
}

StartupOutcome RunStartup(AppContext &ctx, StartupHost &host, InstanceLock *lock, MenuBar &bar)
{
    const QString module = host.mainWindowName();
    const QString proc = QStringLiteral("Mdi_Load");
    auto trace = [&](const char *step) { ctx.log.debug(module, proc, QString::fromLatin1(step)); };
    try {
        trace("001");
        host.formatMainWindow();

        trace("002");
        if (lock && !lock->tryLock()) {
            host.report(Failure::shown(QStringLiteral("Programma già aperto! La nuova istanza sarà chiusa."), QString(),
                                       Icon::Critical),
                        module);
            return StartupOutcome::Exit;
        }
        ctx.setProgramFolder(ctx.programFolder);
        if (const std::optional<Failure> recovered = RecoverInterruptedUpdate(ctx))
            ctx.log.writeError(module, recovered->procedure, recovered->number, recovered->message);

        const FolderChooser chooseFolder = [&host](const QString &caption) { return host.chooseFolder(caption); };
        trace("003");
        if (const Status found = FindDatabases(ctx, ctx, chooseFolder); !found) {
            host.report(found.failure(), module);
            return StartupOutcome::Exit;
        }

        trace("004");
        if (const LinkRefresh links = refreshLinkedTables(ctx, ctx); !links) {
            host.report(*links.message, module);
            host.report(*links.logLine, QStringLiteral("Utility"));
            return StartupOutcome::Exit;
        }

        trace("005");
        if (const std::optional<Failure> noMaps = FindShapeFiles(ctx, ctx, chooseFolder))
            host.report(*noMaps, module);
        ctx.HelpFile = ctx.readOnlyFolder() + QStringLiteral("Files/Help/");

        trace("006");
        ctx.areaQuery.setFilesFolder(ctx.FilesFolder);
        ctx.areaQuery.start();

        trace("007");
        try {
            BuildMenus(ctx, ctx, bar);
        } catch (...) {
            host.buildMenuBar(bar); // what was built before the failure stays
            throw;
        }
        host.buildMenuBar(bar);

        trace("008");
        host.showSplash();
    } catch (const DbError &e) {
        host.report(Failure::toLog(QStringLiteral("Form_Load"), QString::number(e.number()), e.description()), module);
    } catch (const std::exception &e) {
        host.report(Failure::toLog(QStringLiteral("Form_Load"), QStringLiteral("-1"), QString::fromLocal8Bit(e.what())),
                    module);
    }
    return StartupOutcome::Running;
}

} // namespace qrn

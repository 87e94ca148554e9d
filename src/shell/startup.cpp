// The start-up steps in their order: the instance lock, the recovery of an interrupted update,
// the databases, the linked tables, the shape folder, the area queries, the menus, the splash.
// A step that cannot go on ends the program (StartupOutcome::Exit) after its own message; any
// other failure is logged and the program runs with what was set up. The remembered folders are
// written whole, and a folder that cannot be remembered is still used in this run.

#include "shell/startup.h"

#include "shell/context.h"
#include "shell/filewrite.h"
#include "shell/links.h"
#include "shell/prompt.h"
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
void rememberFolder(AppContext &ctx, const QString &file, const QString &folder, const QString &procedure)
{
    if (const WriteResult r = WriteFolderFile(ctx.FilesFolder + file, folder); !r)
        ctx.log.writeError(QStringLiteral("Utility"), procedure, QStringLiteral("0"), r.message, r.detail);
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

bool FindDatabases(AppContext &ctx)
{
    const QString defaultFolder = ctx.programFolder + QStringLiteral("Databases/");
    if (FolderHasDatabase(defaultFolder, QStringLiteral("Metadati.mdb"))) {
        ctx.DbFolder = defaultFolder;
        return true;
    }
    const QString remembered = ReadFolderFile(ctx.FilesFolder + QStringLiteral("DBPath.dbc"));
    if (FolderHasDatabase(remembered, QStringLiteral("Metadati.mdb"))) {
        ctx.DbFolder = remembered;
        return true;
    }
    // Installed, the sample databases come with the program.
    const QString installed =
        ctx.installedFolder.isEmpty() ? QString() : ctx.installedFolder + QStringLiteral("Databases/");
    if (FolderHasDatabase(installed, QStringLiteral("Metadati.mdb"))) {
        ctx.DbFolder = installed;
        return true;
    }
    const QString chosen = ctx.prompt
        ? ctx.prompt->browseFolder(QStringLiteral("Selezionare la cartella contenente i Databases"))
        : QString();
    if (chosen.isEmpty() || !FolderHasDatabase(chosen, QStringLiteral("Metadati.mdb"))) {
        if (ctx.prompt)
            ctx.prompt->message(QStringLiteral("Impossibile trovare i Databases\r\nL'Applicazione sarà chiusa."),
                                QStringLiteral("Attenzione"), Icon::Critical);
        return false;
    }
    rememberFolder(ctx, QStringLiteral("DBPath.dbc"), chosen, QStringLiteral("FindDatabases"));
    ctx.DbFolder = chosen;
    return true;
}

void FindShapeFiles(AppContext &ctx)
{
    const QString defaultFolder = ctx.programFolder + QStringLiteral("Shape/");
    if (FolderHasFiles(defaultFolder, QStringLiteral("*.shp"))) {
        ctx.ShapeFolder = defaultFolder;
        return;
    }
    const QString remembered = ReadFolderFile(ctx.FilesFolder + QStringLiteral("SHPath.dbc"));
    if (FolderHasFiles(remembered, QStringLiteral("*.shp"))) {
        ctx.ShapeFolder = remembered;
        return;
    }
    const QString installed =
        ctx.installedFolder.isEmpty() ? QString() : ctx.installedFolder + QStringLiteral("Shape/");
    if (FolderHasFiles(installed, QStringLiteral("*.shp"))) {
        ctx.ShapeFolder = installed;
        return;
    }
    const QString chosen = ctx.prompt
        ? ctx.prompt->browseFolder(QStringLiteral("Selezionare la cartella contenente i File delle cartine"))
        : QString();
    if (chosen.isEmpty() || !FolderHasFiles(chosen, QStringLiteral("*.shp"))) {
        if (ctx.prompt)
            ctx.prompt->message(QStringLiteral("Nessun File delle cartine trovato. In questa sessione non sarà "
                                               "possibile vedere le cartine!"),
                                QStringLiteral("Attenzione"), Icon::Information);
        // No usable folder: the map commands then report that none is configured.
        ctx.ShapeFolder.clear();
        return;
    }
    rememberFolder(ctx, QStringLiteral("SHPath.dbc"), chosen, QStringLiteral("FindShapeFiles"));
    ctx.ShapeFolder = chosen;
}

QString UpdateJournalPath(const AppContext &ctx)
{
    return ctx.FilesFolder + QStringLiteral("Aggiornamento.giornale");
}

void RecoverInterruptedUpdate(AppContext &ctx, const QString &module)
{
    // Every folder an update may have gone into: the default ones, the remembered ones and
    // those in use.
    QStringList folders {ctx.programFolder + QStringLiteral("Databases/"), ctx.programFolder + QStringLiteral("Shape/"),
                         ReadFolderFile(ctx.FilesFolder + QStringLiteral("DBPath.dbc")),
                         ReadFolderFile(ctx.FilesFolder + QStringLiteral("SHPath.dbc")), ctx.DbFolder, ctx.ShapeFolder};
    folders.removeAll(QString());
    folders.removeDuplicates();
    QString detail;
    const QString proc = QStringLiteral("RecoverInterruptedUpdate");
    switch (recoverInterruptedUpdate(UpdateJournalPath(ctx), folders, &detail)) {
    case UpdateRecovery::RolledBack:
        ctx.log.writeError(module, proc, QStringLiteral("0"),
                           QStringLiteral("Un aggiornamento interrotto è stato annullato: "
                                          "la cartella è tornata com'era prima."));
        break;
    case UpdateRecovery::RolledForward:
        ctx.log.writeError(module, proc, QStringLiteral("0"),
                           QStringLiteral("Un aggiornamento interrotto è stato completato."));
        break;
    case UpdateRecovery::Failed:
        ctx.log.writeError(module, proc, QStringLiteral("-1"),
                           QStringLiteral("Impossibile completare o annullare un aggiornamento interrotto (%1).")
                               .arg(detail));
        break;
    case UpdateRecovery::Nothing:
    case UpdateRecovery::Busy: // another process is updating: it finishes its own work
        break;
    }
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
            if (ctx.prompt)
                ctx.prompt->message(QStringLiteral("Programma già aperto! La nuova istanza sarà chiusa."), QString(),
                                    Icon::Critical);
            return StartupOutcome::Exit;
        }
        ctx.setProgramFolder(ctx.programFolder);
        RecoverInterruptedUpdate(ctx, module);

        trace("003");
        if (!FindDatabases(ctx))
            return StartupOutcome::Exit;

        trace("004");
        if (!RefreshLinkOnDB_2(ctx))
            return StartupOutcome::Exit;

        trace("005");
        FindShapeFiles(ctx);
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
        ctx.log.logError(module, QStringLiteral("Form_Load"), e.number(), e.description());
    } catch (const std::exception &e) {
        ctx.log.logError(module, QStringLiteral("Form_Load"), QStringLiteral("-1"), QString::fromLocal8Bit(e.what()));
    }
    return StartupOutcome::Running;
}

} // namespace qrn

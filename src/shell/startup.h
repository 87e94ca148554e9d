#pragma once
// The start-up sequence of the main window, without the windows: what the windows do at each
// step is asked of a StartupHost.

#include "shell/filewrite.h"
#include "shell/menus.h"
#include "shell/result.h"

#include <QString>
#include <functional>
#include <memory>
#include <optional>

class QLockFile;

namespace qrn {

struct AppContext;
struct ProgramPaths;
struct Services;

// Remembered folders (DBPath.dbc, SHPath.dbc): the whole content without line ends, trimmed,
// with a separator appended; "" when the file is missing or empty.
QString ReadFolderFile(const QString &path);
// Writes the folder as one line ended by CR LF (the file is created or replaced, whole).
WriteResult WriteFolderFile(const QString &path, const QString &folder);

bool FolderHasFile(const QString &folder, const QString &fileName);
// True when the folder holds a file matching a wildcard pattern such as "*.shp".
bool FolderHasFiles(const QString &folder, const QString &pattern);
// True when the folder holds the logical database (a store file under its name).
bool FolderHasDatabase(const QString &folder, const QString &logicalName);

// One running program per program folder. A lock left by a run that crashed is taken over.
class InstanceLock {
public:
    explicit InstanceLock(const QString &programFolder);
    ~InstanceLock();
    bool tryLock();
    QString path() const { return m_path; }

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

class StartupHost {
public:
    virtual ~StartupHost() = default;
    virtual void formatMainWindow() = 0; // step 001
    virtual void buildMenuBar(const MenuBar &bar) = 0; // step 007, after the bar is read
    virtual void showSplash() = 0; // step 008
    virtual QString mainWindowName() const { return QStringLiteral("frmMainMDI"); }
    // Asked for a folder when none of the known ones holds what the start looks for; "" when
    // none is given (the command line never asks).
    virtual QString chooseFolder(const QString &caption) = 0;
    // Tells what stopped or limited the start: shown, and logged under module when the failure
    // carries a log line (the main window's name, or "Utility" for the linked tables).
    virtual void report(const Failure &failure, const QString &module) = 0;
};

// Asks for a folder; answers "" when none is given.
using FolderChooser = std::function<QString(const QString &caption)>;

// The journal of updates (Files/Aggiornamento.giornale): see updatejournal.h.
QString UpdateJournalPath(const ProgramPaths &paths);

// An update interrupted by a kill or a power cut is finished or undone, and what older
// interrupted updates left beside the databases and shapes folders is removed. The window and
// every command of quarnaro-cli run it first, before the databases are looked for. What it did
// comes back as the Error.log line for the caller to write under its own name with
// ErrorLog::writeError (nothing is shown); nothing when there was nothing to recover.
std::optional<Failure> RecoverInterruptedUpdate(const ProgramPaths &paths);

enum class StartupOutcome { Running, Exit };

// FindDatabases and FindShapeFiles set the folder in paths: the program's own, the remembered
// one, the installed one, else the one chooseFolder gives (then remembered; a folder that cannot
// be remembered is logged through services and still used). FindDatabases fails, with the
// message that ends the program, when no folder holds the databases. FindShapeFiles answers the
// notice to show when there are no maps: the start goes on without them.
Status FindDatabases(ProgramPaths &paths, Services &services, const FolderChooser &chooseFolder);
std::optional<Failure> FindShapeFiles(ProgramPaths &paths, Services &services, const FolderChooser &chooseFolder);

// Runs steps 001 to 008. Exit means the program must end now (second instance, no databases,
// a missing linked database); Running means the main window stays, possibly with the later
// steps skipped after a logged error. Every question and message of the start goes through the
// host.
// Without a lock (the command-line tool) there is no single-instance check. It lays out every
// piece of the context, so it takes the whole of it.
StartupOutcome RunStartup(AppContext &ctx, StartupHost &host, InstanceLock *lock, MenuBar &bar);

} // namespace qrn

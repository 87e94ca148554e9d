// The program folder of a run: --home, an installed copy (read-only data in share/quarnaro, the
// written files in the user's data folder) or the executable's folder. Copies into the user's
// folder are made file by file through a temporary name renamed when complete, and never
// replace a file the user already has.
#include "shell/programfolders.h"

#include "shell/context.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qrn {

namespace {

const QString kInstalledName = QStringLiteral("quarnaro");
const QString kUserName = QStringLiteral("Quarnaro");

QString cleanFolder(const QString &folder)
{
    return withSeparator(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
}

// Copies one file through a temporary name; false when it cannot.
bool copyFile(const QString &from, const QString &to)
{
    const QString part = to + QStringLiteral(".part");
    QFile::remove(part);
    if (!QFile::copy(from, part))
        return false;
    // The installed copy is read-only; the user's copy is the user's to change.
    QFile::setPermissions(part, QFile::permissions(part) | QFile::WriteOwner | QFile::ReadOwner);
    if (!QFile::rename(part, to)) {
        QFile::remove(part);
        return false;
    }
    return true;
}

// Copies the files of `from` (recursively unless `flat`, skipping the folders in `skip`) that
// `to` does not hold; answers the first path that could not be written, or "".
QString copyMissing(const QString &from, const QString &to, bool flat, const QStringList &skip = {})
{
    if (!QDir().mkpath(to))
        return to;
    const QDir source(from);
    for (const QFileInfo &fi : source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
        const QString target = QDir(to).filePath(fi.fileName());
        if (fi.isDir()) {
            if (flat || skip.contains(fi.fileName()))
                continue;
            const QString failed = copyMissing(fi.filePath(), target, false);
            if (!failed.isEmpty())
                return failed;
        } else if (!QFileInfo::exists(target) && !copyFile(fi.filePath(), target)) {
            return target;
        }
    }
    return QString();
}

} // namespace

QString InstalledDataFolder(const QString &executableFolder)
{
    const QDir bin(QDir::cleanPath(QFileInfo(executableFolder).absoluteFilePath()));
    if (bin.dirName() != QLatin1String("bin") || bin.exists(QStringLiteral("Files")))
        return QString();
    const QString share = QDir::cleanPath(bin.absoluteFilePath(QStringLiteral("../share/")) + kInstalledName);
    if (!QFileInfo(share + QStringLiteral("/Files")).isDir())
        return QString();
    return withSeparator(share);
}

QString UserDataFolder()
{
    // GenericDataLocation is $XDG_DATA_HOME, or ~/.local/share when it is unset or not absolute.
    return withSeparator(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation)) + kUserName
        + QLatin1Char('/');
}

ProgramFolders LocateProgramFolders(const QString &executableFolder, const QString &home)
{
    if (!home.isEmpty())
        return {cleanFolder(home), QString()};
    const QString installed = InstalledDataFolder(executableFolder);
    if (!installed.isEmpty())
        return {UserDataFolder(), installed};
    return {cleanFolder(executableFolder), QString()};
}

QString SeedUserFolder(const ProgramFolders &folders)
{
    if (!folders.installed())
        return QString();
    const QString failed = copyMissing(folders.installedFolder + QStringLiteral("Files"),
                                       folders.programFolder + QStringLiteral("Files"), true);
    if (failed.isEmpty())
        return QString();
    return QStringLiteral("Impossibile preparare la cartella dei dati dell'utente: non si può scrivere %1.")
        .arg(QDir::toNativeSeparators(failed));
}

void ApplyProgramFolders(AppContext &ctx, const ProgramFolders &folders)
{
    ctx.installedFolder = folders.installedFolder;
    ctx.setProgramFolder(folders.programFolder);
}

QString WritableDataFolder(ProgramPaths &paths, const QString &folder)
{
    if (paths.installedFolder.isEmpty() || folder.isEmpty())
        return folder;
    const QString clean = cleanFolder(folder);
    if (!clean.startsWith(paths.installedFolder))
        return folder;
    const QString copy = paths.programFolder + clean.mid(paths.installedFolder.size());
    // Without a copy the folder in use stays the target, whose writing then fails and is reported.
    if (!copyMissing(clean, copy, false).isEmpty())
        return folder;
    if (!paths.DbFolder.isEmpty() && cleanFolder(paths.DbFolder) == clean)
        paths.DbFolder = copy;
    if (!paths.ShapeFolder.isEmpty() && cleanFolder(paths.ShapeFolder) == clean)
        paths.ShapeFolder = copy;
    return copy;
}

} // namespace qrn

#pragma once
// Where the program keeps its folders. Three layouts:
//  - a program folder (the executable's folder, as the build lays it out, or --home DIR): every
//    folder, read-only or written, lives under it;
//  - installed (the executable in PREFIX/bin beside PREFIX/share/quarnaro): the read-only data
//    (help, images, sample databases and maps) stay in share/quarnaro, and the program folder
//    the rest of the program writes into (Files/, remembered folders, logs, the scratch
//    database, ShapeConfig.xml, updates of databases and maps) is the user's data folder
//    ($XDG_DATA_HOME/Quarnaro, else ~/.local/share/Quarnaro), seeded from share/quarnaro/Files
//    at the first start. Nothing is ever written under the installed folder.

#include <QString>

namespace qrn {

struct AppContext;
struct ProgramPaths;

struct ProgramFolders {
    // The folder of Files/ and Excel/; each folder ends with a separator.
    QString programFolder;
    // The installed read-only copy (PREFIX/share/quarnaro/); empty unless installed.
    QString installedFolder;
    bool installed() const { return !installedFolder.isEmpty(); }
};

// The installed data folder beside an executable folder PREFIX/bin (PREFIX/share/quarnaro/),
// or "" when the executable is not installed that way. An executable folder that holds a
// program folder of its own (Files/) is never taken as installed.
QString InstalledDataFolder(const QString &executableFolder);

// The user's data folder of the program: $XDG_DATA_HOME/Quarnaro, else ~/.local/share/Quarnaro.
QString UserDataFolder();

// The layout of a run: --home (when given) wins, then an installed executable, then the
// executable's folder.
ProgramFolders LocateProgramFolders(const QString &executableFolder, const QString &home = QString());

// Copies into the program folder's Files/ every file of the installed Files/ it does not hold
// yet (the help stays where it is), and makes Excel/'s parent. Files already there are the
// user's and are kept. Answers "" on success, else an Italian reason.
QString SeedUserFolder(const ProgramFolders &folders);

// Sets the context's folders from the layout (and points its error log at the files folder).
void ApplyProgramFolders(AppContext &ctx, const ProgramFolders &folders);

// A folder the program can write into in place of a data folder in use (databases or maps):
// the folder itself, or, when it is the installed read-only copy, its copy under the program
// folder (made once, file by file), which the context then uses. When the copy cannot be made
// the folder itself comes back.
QString WritableDataFolder(ProgramPaths &paths, const QString &folder);

} // namespace qrn

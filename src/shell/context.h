#pragma once
// The program's state, split by what it means:
//  - ProgramPaths: the fixed folders, laid out once at start from the program folder;
//  - Services: the ways out of the program (store connections, error log, prompt, number
//    format, linked tables, the saved area queries);
//  - CommandContext: the database, type and level chosen by the last menu command, and the
//    menu commands themselves.
// A selection is not shared state: the selection window hands what it built to the grid as a
// SelectionQuery, and the grid keeps its own copy of the command it shows.
// AppContext gathers the three pieces; it is created by main (or by a test on a temporary
// program folder) and handed by openers to the windows. Functions take only the piece they
// read, so a signature shows which state a call can touch.

#include "shell/errorlog.h"
#include "shell/numberformat.h"
#include "shell/store.h"

#include <QString>
#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace qrn {

class Prompt;

// The saved area queries: a list of (prefix, suffix) pairs whose concatenations name saved
// queries that may be deleted, kept in Files/AreaQuery.txt, one pair a line as
// "prefix;suffix"; the list is empty when the file is absent.
class AreaQueryList {
public:
    void setFilesFolder(const QString &folder) { m_filesFolder = folder; }
    void start();
    const std::vector<std::pair<QString, QString>> &list() const { return m_pairs; }
    bool started() const { return m_started; }
    QString filesFolder() const { return m_filesFolder; }

private:
    QString m_filesFolder;
    std::vector<std::pair<QString, QString>> m_pairs;
    bool m_started = false;
};

// Command items of the menu bar: window keyword, database, type and level, numbered from 1.
struct MenuCommands {
    static constexpr int kMax = 30;
    std::array<QString, kMax + 1> form, db, tipo, level; // index 0 unused
};

// The fixed folders; each ends with a separator.
struct ProgramPaths {
    QString programFolder;
    QString DbFolder;
    QString FilesFolder;
    QString ExcelFolder;
    QString ShapeFolder;
    QString HelpFile;
    // The installed read-only data (help, images, sample databases and maps) when the program
    // runs installed; empty when every folder is under the program folder.
    QString installedFolder;

    // Lays out the fixed folders from the program folder.
    void setProgramFolder(const QString &folder);
    // The folder of the read-only data: the installed one, else the program folder.
    QString readOnlyFolder() const { return installedFolder.isEmpty() ? programFolder : installedFolder; }
    QString userDbFile() const { return QStringLiteral("bdc_utente.mdb"); }
};

// The services every part of the program reaches the outside through. The store access reads
// the databases folder from the paths it was made with.
struct Services {
    explicit Services(const ProgramPaths &paths) : m_paths(paths) {}
    Services(const Services &) = delete;
    Services &operator=(const Services &) = delete;

    NumberFormat numbers = NumberFormat::system();
    ErrorLog log;
    Prompt *prompt = nullptr;
    // The linked tables of the databases, made from tablelink at start (refreshLinkedTables).
    LinkRegistry links;
    AreaQueryList areaQuery;

    void setPrompt(Prompt *p)
    {
        prompt = p;
        log.setPrompt(p);
    }

    // The one way to a database: file under folder (DbFolder when empty). On failure the
    // error is logged under GetDbConnection / Utility and a closed connection comes back,
    // whose first operation fails into the caller's own handler.
    std::unique_ptr<Connection> GetDbConnection(const QString &file, const QString &folder = QString());
    // The same without the log: throws DbError (for code that reports errors itself).
    std::unique_ptr<Connection> openDatabase(const QString &file, const QString &folder = QString(),
                                             Connection::Access access = Connection::Access::ReadWrite) const;
    // The store file of a logical database under folder (DbFolder when empty); throws DbError
    // when there is none.
    QString databasePath(const QString &file, const QString &folder = QString()) const;
    // The user's own database (the map tables) in the files folder; throws DbError.
    std::unique_ptr<Connection> openUserDatabase(Connection::Access access = Connection::Access::ReadWrite) const
    {
        return openDatabase(m_paths.userDbFile(), m_paths.FilesFolder, access);
    }

private:
    const ProgramPaths &m_paths;
};

// The context a menu command sets before it opens its window: the database, its caption, the
// type of item and the territorial level.
struct CommandContext {
    QString CurrentDb;
    QString CurrentTipo;
    QString CurrentLevel;
    QString DbCaption;
    // Whether the grid reopens the database of the selection's query (the menu commands that
    // show the results of an earlier selection ask it).
    bool restoresQueryDb = false;
    MenuCommands menu;
};

// The statement a selection built, the database it was built on and the territorial level of
// its territories: what the selection window hands to the grid that shows its rows.
struct SelectionQuery {
    QString sql;
    QString db;
    qint16 level = 0;
    bool isEmpty() const { return sql.isEmpty(); }
};

struct AppContext : ProgramPaths, Services, CommandContext {
    AppContext() : Services(static_cast<const ProgramPaths &>(*this)) {}

    ProgramPaths &paths() { return *this; }
    const ProgramPaths &paths() const { return *this; }
    Services &services() { return *this; }
    const Services &services() const { return *this; }
    CommandContext &command() { return *this; }
    const CommandContext &command() const { return *this; }

    // Lays out the fixed folders and points the error log at the new files folder.
    void setProgramFolder(const QString &folder);
};

// Appends the platform separator unless the text already ends with one; "" stays "".
QString withSeparator(const QString &folder);

} // namespace qrn

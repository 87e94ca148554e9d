#pragma once
// The program-wide state: folders, connection pieces, the context set by the menus, the
// current query and the outside components. One object, created by main (or by a test on a
// temporary program folder) and passed to everything that needs it.

#include "shell/errorlog.h"
#include "shell/numberformat.h"
#include "shell/store.h"

#include <QString>
#include <QStringList>
#include <array>
#include <memory>
#include <utility>
#include <vector>

namespace qrn {

class Prompt;

// The area-query component: a list of (prefix, suffix) pairs whose concatenations name saved
// queries that may be deleted. This stand-in keeps the pairs in Files/AreaQuery.txt, one pair a
// line as "prefix;suffix"; the list is empty when the file is absent.
class AreaQueryComponent {
public:
    void setConnection(const QString &odbcPrefixAndFolder) { m_connection = odbcPrefixAndFolder; }
    void setFilesFolder(const QString &folder) { m_filesFolder = folder; }
    void start();
    const std::vector<std::pair<QString, QString>> &list() const { return m_pairs; }
    bool started() const { return m_started; }
    QString connection() const { return m_connection; }
    QString filesFolder() const { return m_filesFolder; }

private:
    QString m_connection, m_filesFolder;
    std::vector<std::pair<QString, QString>> m_pairs;
    bool m_started = false;
};

// The catalogue component used by the metadata browser: it is given the connection pieces at
// start-up and a database file name on every database choice; nothing it answers is used.
class CatalogueComponent {
public:
    void init(const QString &odbcPrefix, const QString &dbFolder, const QString &metadataDb)
    {
        m_args = {odbcPrefix, dbFolder, metadataDb};
    }
    void chooseDatabase(const QString &file) { m_chosen << file; }
    const QStringList &initArgs() const { return m_args; }
    const QStringList &chosen() const { return m_chosen; }

private:
    QStringList m_args, m_chosen;
};

// Command items of the menu bar: window keyword, database, type and level, numbered from 1.
struct MenuCommands {
    static constexpr int kMax = 30;
    std::array<QString, kMax + 1> form, db, tipo, level; // index 0 unused
};

struct AppContext {
    // Folders; each ends with a separator.
    QString programFolder;
    QString DbFolder;
    QString FilesFolder;
    QString ExcelFolder;
    QString ShapeFolder;
    QString HelpFile;
    // The installed read-only data (help, images, sample databases and maps) when the program
    // runs installed; empty when every folder is under the program folder.
    QString installedFolder;

    // Connection pieces.
    QString DbPassword = QStringLiteral("girasoleb2718");
    QString OdbcPrefix;
    QString DaoConnect;

    // The context set by a menu command.
    QString CurrentDb;
    QString CurrentTipo;
    QString CurrentLevel;
    QString DbCaption;
    QString RestoreQueryDb = QStringLiteral("False");
    QString QueryDb;

    // The current selection.
    QString SelectQuery;
    QString LastCode;
    QString LevelName;
    qint16 LevelCode = 0;

    MenuCommands menu;

    NumberFormat numbers = NumberFormat::system();
    ErrorLog log;
    Prompt *prompt = nullptr;

    // The linked tables of the databases, made from tablelink at start (RefreshLinkOnDB_2).
    LinkRegistry links;

    AreaQueryComponent areaQuery;
    std::unique_ptr<CatalogueComponent> catalogue;

    // Lays out the fixed folders and connection strings from the program folder.
    void setProgramFolder(const QString &folder);
    // The folder of the read-only data: the installed one, else the program folder.
    QString readOnlyFolder() const { return installedFolder.isEmpty() ? programFolder : installedFolder; }
    void setPrompt(Prompt *p)
    {
        prompt = p;
        log.setPrompt(p);
    }

    // The one way to a database: file under folder (DbFolder when empty), or, with useAsIs,
    // file is a complete connection string "Driver={...};Pwd=...;Dbq= <path>". On failure the
    // error is logged under GetDbConnection / Utility and a closed connection comes back,
    // whose first operation fails into the caller's own handler.
    std::unique_ptr<Connection> GetDbConnection(const QString &file, const QString &folder = QString(),
                                                bool useAsIs = false);
    // The same without the log: throws DbError (for code that reports errors itself).
    std::unique_ptr<Connection> openDatabase(const QString &file, const QString &folder = QString(),
                                             Connection::Access access = Connection::Access::ReadWrite) const;
    // The store file of a logical database under folder (DbFolder when empty); throws DbError
    // when there is none.
    QString databasePath(const QString &file, const QString &folder = QString()) const;
    QString userDbFile() const { return QStringLiteral("bdc_utente.mdb"); }
};

// Appends the platform separator unless the text already ends with one; "" stays "".
QString withSeparator(const QString &folder);

} // namespace qrn

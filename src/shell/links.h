#pragma once
// Maintenance of linked tables and saved area queries.

#include "shell/result.h"

#include <QString>
#include <optional>

namespace qrn {

struct CommandContext;
struct ProgramPaths;
struct Services;

// The connect string of a link to a source database in the databases folder.
QString linkConnectString(const ProgramPaths &paths, const QString &sourceFile);

// Makes sure the database targetFile (in the databases folder) has a link named table, to the
// table of the same name in sourceFile; a link of that name with another connect string
// (compared without regard to case) is replaced. The links are the program's own, in
// services.links: the database file is only read. Throws DbError when either database is missing.
void RecreateRelatedTables(Services &services, const ProgramPaths &paths, const QString &targetFile,
                           const QString &sourceFile, const QString &table);

// What became of the links of tablelink: true when every link was made. Otherwise (typically a
// database named there that does not exist) the program must end: message is what the user is
// told, logLine the store's error for the log (under "Utility", where it has always gone).
struct LinkRefresh {
    std::optional<Failure> message;
    std::optional<Failure> logLine;
    explicit operator bool() const { return !message; }
};

// Makes the links of every row of tablelink. The links made before a failing row stay. Writes
// into no database.
LinkRefresh refreshLinkedTables(Services &services, const ProgramPaths &paths);

// Deletes from the command's CurrentDb the saved queries whose names the area-query list holds.
// A failure comes back as the error-log line "DeleteAreaQuery", logged under "Utility".
std::optional<Failure> DeleteAreaQuery(Services &services, const ProgramPaths &paths, const CommandContext &command);

} // namespace qrn

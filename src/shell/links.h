#pragma once
// Maintenance of linked tables and saved area queries.

#include <QString>

namespace qrn {

struct AppContext;
class Connection;

// The connect string of a link to a source database in the databases folder.
QString linkConnectString(const AppContext &ctx, const QString &sourceFile);

// Makes sure db holds a link named table, to the table of the same name in sourceFile; a
// table definition of that name with another connect string (compared without regard to case)
// is replaced. Throws DbError.
void RecreateRelatedTables(const AppContext &ctx, Connection &db, const QString &sourceFile,
                           const QString &table);

// Checks and repairs every row of tablelink. On a failure (typically a database named there
// that does not exist) shows the fatal message, logs the error and answers false: the program
// must end. The links made before the failing row stay.
bool RefreshLinkOnDB_2(AppContext &ctx);

// Deletes from CurrentDb the saved queries whose names the area-query component lists.
void DeleteAreaQuery(AppContext &ctx);

} // namespace qrn

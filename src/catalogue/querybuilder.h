#pragma once
// The query builder: the chosen rows and the territory filter become one SELECT over the yearly
// data tables of the current data database, joined on COD_TERR to land_Ind.

#include "shell/result.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qrn {

struct Services;

struct QueryItem {
    QString code;
    QString year;
    QString table;
};

struct QueryPlan {
    std::vector<QueryItem> items; // sorted by code + year
    std::vector<QueryItem> groups; // one per (prefix, year): representative code, year, table
    QString lastCode;
};

// Splits the rows and sorts and groups them; prefixLength is 2 for variables, 3 for indicators.
QueryPlan planQuery(const QStringList &rows, int prefixLength);

// The SQL text of a plan whose groups have their tables.
QString buildSelect(const QueryPlan &plan, const QString &territoryFilter);

// CreaQuery: the statement of the chosen rows ("code-year - description") of items of type tipo
// in database db, restricted by territoryFilter.
// The table of every group is looked up in IndVarAnno of db. A group whose lookup finds no
// table ends the build with the message naming the code and year (shown, not logged); a
// database error is a failure logged under "CreaQuery".
Result<QString> CreaQuery(Services &services, const QString &db, const QString &tipo, const QStringList &rows,
                          const QString &territoryFilter);

// The message shown for a group without a data table.
QString missingTableMessage(const QString &code, const QString &year);

} // namespace qrn

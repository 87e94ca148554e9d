#pragma once
// The query builder: the chosen rows and the territory filter become one SELECT over the yearly
// data tables of the current data database, joined on COD_TERR to land_Ind.

#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace qrn {

struct AppContext;

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

// CreaQuery: writes ctx.SelectQuery and ctx.LastCode. The table of every group is looked up in
// IndVarAnno of ctx.CurrentDb. A group whose lookup finds no table ends the build with the
// message naming the code and year (SelectQuery unchanged, answer false); a database error is
// logged under "CreaQuery" with module as the window.
bool CreaQuery(AppContext &ctx, const QStringList &rows, const QString &territoryFilter,
               const QString &module = QStringLiteral("FormdatiTab"));

// The message shown for a group without a data table.
QString missingTableMessage(const QString &code, const QString &year);

} // namespace qrn

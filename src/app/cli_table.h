#pragma once
// The road of the command "tabella" (the selection window and the data grid), shared with the
// commands that start from its table.

#include "app/clicommand.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace qrn {
class DataTable;
}

namespace qrn::cli {

// The options of the command "tabella".
struct TableRequest {
    QString db, tipo = QStringLiteral("Variabili"), level = QStringLiteral("T");
    QStringList items, names;
    QList<int> groups;
    QString sortColumn, searchColumn, lower, upper;
    QString formula, name, exportFile;
    bool descending = false, sql = false, selectionOnly = false, search = false;
};

QList<QCommandLineOption> tableOptions();

// Reads the options of "tabella"; false with the reason in err when they are wrong. The values
// of --tipo in otherTipoWords belong to the command (the chart types of "grafico") and are
// skipped.
bool parseTableRequest(const QCommandLineParser &p, const QStringList &args, TableRequest &req, QString &err,
                       const QStringList &otherTipoWords = {});

// The selection window's road: the chosen rows, the territories by name and by group (which set
// the level of s.query), then CreaQuery into s.query. Answers 0, or the exit status of a failure
// whose reason is on s.err.
int selectTable(Session &s, const TableRequest &req);

// The data grid's road on that selection: DoQuery, the derived column and the sort. Answers 0,
// or the exit status of a failure whose reason is on s.err.
int loadTable(Session &s, const TableRequest &req, DataTable &table);

} // namespace qrn::cli

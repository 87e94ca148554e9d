// The command "tabella": the road of the selection window and of the data grid.
#include "app/cli_table.h"

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "shell/itemkind.h"
#include "table/datatable.h"
#include "table/export.h"
#include "table/formula/derivedindicator.h"
#include "table/gridops.h"

#include <QFileInfo>

namespace qrn::cli {

QList<QCommandLineOption> tableOptions()
{
    QList<QCommandLineOption> o;
    for (const char *name : {"db", "tipo", "livello", "voce", "territori", "territorio", "gruppi", "ordina", "cerca",
                             "da", "a", "formula", "name", "export"})
        o << valueOption(QLatin1String(name), QStringLiteral("VALORE"));
    for (const char *name : {"discendente", "sql", "selezione"})
        o << flagOption(QLatin1String(name));
    return o;
}

bool parseTableRequest(const QCommandLineParser &p, const QStringList &args, TableRequest &req, QString &err,
                       const QStringList &otherTipoWords)
{
    if (!args.isEmpty()) {
        err += QStringLiteral("Argomento inatteso per tabella: %1\n").arg(args.first());
        return false;
    }
    auto value = [&](const char *name) { return p.value(QLatin1String(name)); };
    req.db = value("db");
    for (const QString &tipo : p.values(QStringLiteral("tipo"))) {
        if (otherTipoWords.contains(tipo))
            continue;
        req.tipo = tipo;
        if (!isItemKindName(req.tipo)) {
            err += QStringLiteral("--tipo vuole Variabili oppure Indicatori.\n");
            return false;
        }
    }
    if (p.isSet(QStringLiteral("livello")))
        req.level = value("livello");
    for (const QString &v : p.values(QStringLiteral("voce")))
        for (const QString &item : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
            req.items << item.trimmed();
    for (const QString &v : p.values(QStringLiteral("territori")))
        for (const QString &name : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
            req.names << name.trimmed();
    req.names << p.values(QStringLiteral("territorio"));
    for (const QString &v : p.values(QStringLiteral("gruppi")))
        for (const QString &g : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
            bool ok = false;
            const int n = g.trimmed().toInt(&ok);
            if (!ok || n < 1 || n > 6) {
                err += QStringLiteral("--gruppi vuole numeri da 1 a 6 separati da virgole.\n");
                return false;
            }
            req.groups << n;
        }
    req.sortColumn = value("ordina");
    req.descending = p.isSet(QStringLiteral("discendente"));
    req.search = p.isSet(QStringLiteral("cerca"));
    req.searchColumn = value("cerca");
    req.lower = value("da");
    req.upper = value("a");
    if (p.isSet(QStringLiteral("formula"))) {
        req.formula = value("formula");
        if (req.formula.trimmed().isEmpty()) {
            err += QStringLiteral("--formula vuole un'espressione.\n");
            return false;
        }
    }
    req.name = value("name");
    req.exportFile = value("export");
    req.sql = p.isSet(QStringLiteral("sql"));
    req.selectionOnly = p.isSet(QStringLiteral("selezione"));
    if (req.db.isEmpty()) {
        err += QStringLiteral("Indicare il database dei dati con --db.\n");
        return false;
    }
    if (req.items.isEmpty()) {
        err += QStringLiteral("Indicare almeno una voce con --voce CODICE-ANNO.\n");
        return false;
    }
    for (const QString &item : std::as_const(req.items)) {
        const int dash = item.indexOf(QLatin1Char('-'));
        if (dash <= 0 || dash == item.size() - 1) {
            err += QStringLiteral("Voce non valida: %1 (si scrive CODICE-ANNO, es. AS013-2005).\n").arg(item);
            return false;
        }
    }
    if (req.names.isEmpty() && req.groups.isEmpty()) {
        err += QStringLiteral("Indicare i territori con --territori, --territorio o --gruppi.\n");
        return false;
    }
    if (!req.search && (!req.lower.isEmpty() || !req.upper.isEmpty())) {
        err += QStringLiteral("--da e --a vanno con --cerca.\n");
        return false;
    }
    if (!req.name.isEmpty() && req.formula.isEmpty()) {
        err += QStringLiteral("--name va con --formula.\n");
        return false;
    }
    if (!req.exportFile.isEmpty()) {
        const QString ext = QFileInfo(req.exportFile).suffix().toLower();
        if (ext != QLatin1String("xls") && ext != QLatin1String("xlsx") && ext != QLatin1String("csv")) {
            err += QStringLiteral("--export vuole un file .xlsx, .xls oppure .csv.\n");
            return false;
        }
    }
    if (req.descending && req.sortColumn.isEmpty()) {
        err += QStringLiteral("--discendente va con --ordina.\n");
        return false;
    }
    return true;
}

namespace {

// "Crea indicatore" on the loaded table: the expression given whole, the name from --name (a
// refused name is reported and ends the command) or the default one.
bool addFormulaColumn(AppContext &ctx, DataTable &table, const TableRequest &req, QString &err)
{
    const formula::TableSnapshot snapshot(table.rows());
    formula::DerivedMemory memory;
    // The default name follows the last column of the expression, as if picked from the list.
    for (const formula::Token &t : formula::tokenize(req.formula, snapshot.headers()))
        if (t.isColumn)
            memory.lastColumnPicked = snapshot.headers().at(t.column);
    const QString name = req.name.isEmpty() ? formula::nextDefaultName(memory) : req.name;
    if (!formula::isValidIndicatorName(name)) {
        err += QStringLiteral("%1: %2\nNessun indicatore aggiunto.\n")
                   .arg(QString(formula::nameWarningTitle), QString(formula::nameWarning));
        return false;
    }
    const formula::ExecuteOutcome outcome = formula::executeText(req.formula, name, snapshot, ctx.numbers);
    if (outcome.kind == formula::ExecuteOutcome::Kind::SyntaxError)
        err += QStringLiteral("%1: %2\n").arg(QString(formula::syntaxTitle), QString(formula::syntaxMessage));
    if (outcome.kind != formula::ExecuteOutcome::Kind::Added)
        return false;
    table.appendColumn(outcome.header, outcome.cells);
    table.colorStripes();
    return true;
}

// The workbook of --export as "Esporta in Excel" writes it (the rows in territory-code order, the
// kind from the file's extension), to the file named: nothing to ask, and it is not opened.
bool exportTable(AppContext &ctx, DataTable &table, const TableRequest &req, QString &err)
{
    if (table.rowCount() < 2) {
        err += QStringLiteral("Attenzione: %1\n").arg(QString(kNothingToExport));
        return false;
    }
    table.sortGeneric(1, true, ctx.numbers);
    const Result<ExportEnd> exported =
        CreateExcelFile(ctx, ctx, ctx, table, exportFileName(QFileInfo(req.exportFile).absoluteFilePath()));
    if (!exported)
        reportFailure(exported.failure(), ctx.log, ctx.prompt, QStringLiteral("quarnaro-cli"));
    return exported && exported.value() == ExportEnd::Written;
}

// The lines of the table after the sort and the search, then the workbook or CSV of --export.
int runTable(Session &s, const TableRequest &req)
{
    AppContext &ctx = s.ctx;
    QString &err = s.err;
    if (const int rc = selectTable(s, req))
        return rc;
    if (req.sql) {
        s.out += s.query.sql + QLatin1Char('\n');
        return 0;
    }
    DataTable table;
    if (const int rc = loadTable(s, req, table))
        return rc;
    bool selectionOnly = false;
    if (req.search) {
        const int c = table.columnOf(req.searchColumn);
        if (c < 0) {
            err += QStringLiteral("Nessuna colonna si chiama '%1'.\n").arg(req.searchColumn);
            return 1;
        }
        const grid::SearchOutcome found = grid::searchTable(ctx, table, c + 1, req.lower, req.upper);
        if (found.warning)
            reportFailure(*found.warning, ctx.log, ctx.prompt, QStringLiteral("quarnaro-cli"));
        if (found.kind == grid::SearchOutcome::Kind::ReversedBounds
            || found.kind == grid::SearchOutcome::Kind::NotNumbers)
            return 1;
        selectionOnly = req.selectionOnly;
    } else if (req.selectionOnly) {
        err += QStringLiteral("--selezione va con --cerca.\n");
        return 2;
    }

    int firstRow = 1, lastRow = table.rowCount() - 1;
    if (selectionOnly) {
        firstRow = std::max(1, std::min(table.current.row, table.selEnd.row));
        lastRow = std::max(table.current.row, table.selEnd.row);
        if (table.current.row < 1 || table.selEnd.row < 1)
            lastRow = 0; // nothing found: the header only
    }
    s.printCsv(table, firstRow, lastRow);
    // Last, since the export puts the rows in territory-code order: what is printed is the
    // table as the sort and the search left it.
    if (!req.exportFile.isEmpty() && !exportTable(ctx, table, req, s.err))
        return 1;
    return 0;
}

} // namespace

int selectTable(Session &s, const TableRequest &req)
{
    AppContext &ctx = s.ctx;
    QString &err = s.err;
    ctx.CurrentDb = req.db;
    ctx.CurrentTipo = req.tipo;
    ctx.CurrentLevel = req.level;

    ChosenRows rows;
    for (const QString &item : req.items) {
        if (rows.add(item, QString()) == ChosenRows::AddResult::LimitReached) {
            err += ChosenRows::limitMessage(ctx.CurrentTipo) + QLatin1Char('\n');
            return 1;
        }
    }

    // The territory list as the selection window first shows it ("Tutto"), without the
    // provinces at the regional level.
    const std::vector<TerritoryEntry> entries = FillTerritori(ctx, 2, req.level == QLatin1String("R") ? 1 : 0);
    std::vector<bool> chosen(entries.size(), false);
    // The level of the selection as the window gives it: that of the list shown ("Tutto"),
    // changed by the group boxes.
    const qint16 levelCode = levelOfGroups(QSet<int>(req.groups.begin(), req.groups.end()),
                                           req.level == QLatin1String("R") ? 2 : 3);
    for (int g : req.groups) {
        for (int r : groupRows(entries, g, req.level))
            chosen[size_t(r)] = true;
    }
    for (const QString &name : req.names) {
        bool found = false;
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].name == name) {
                chosen[i] = true;
                found = true;
            }
        if (!found) {
            err += QStringLiteral("Territorio non trovato: %1\n").arg(name);
            return 1;
        }
    }
    QStringList names;
    for (size_t i = 0; i < entries.size(); ++i)
        if (chosen[i])
            names << entries[i].name;
    const QString filter = BuildTerritoryFilter(names);
    if (filter.isEmpty()) {
        err += QStringLiteral("Selezionare un territorio!\n");
        return 1;
    }
    Result<QString> built = CreaQuery(ctx, ctx.CurrentDb, ctx.CurrentTipo, rows.rows(), filter);
    if (!built) {
        reportFailure(built.failure(), ctx.log, ctx.prompt, QStringLiteral("quarnaro-cli"));
        return 1;
    }
    s.query = {built.value(), ctx.CurrentDb, levelCode};
    return 0;
}

int loadTable(Session &s, const TableRequest &req, DataTable &table)
{
    AppContext &ctx = s.ctx;
    QString &err = s.err;
    const grid::Loading loading = grid::DoQuery(ctx, ctx.CurrentDb, ctx.CurrentTipo, s.query.sql, table);
    if (loading.failure)
        reportFailure(*loading.failure, ctx.log, ctx.prompt, QStringLiteral("quarnaro-cli"));
    if (loading != grid::LoadOutcome::Loaded)
        return 1;
    if (!req.formula.isEmpty() && !addFormulaColumn(ctx, table, req, err))
        return 1;
    if (!req.sortColumn.isEmpty() && !grid::sortByName(table, req.sortColumn, !req.descending, ctx.numbers)) {
        err += QStringLiteral("Nessuna colonna si chiama '%1'.\n").arg(req.sortColumn);
        return 1;
    }
    return 0;
}

std::vector<Command> tableCommands()
{
    return {{QStringLiteral("tabella"), [](QCommandLineParser &p) { p.addOptions(tableOptions()); },
             [](Session &s, const QCommandLineParser &p, const QStringList &args) {
                 TableRequest req;
                 if (!parseTableRequest(p, args, req, s.err))
                     return 2;
                 return runTable(s, req);
             }}};
}

} // namespace qrn::cli

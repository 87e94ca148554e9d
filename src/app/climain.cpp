#include "app/climain.h"

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/startup.h"
#include "table/export.h"
#include "table/formula/derivedindicator.h"
#include "table/gridops.h"

#include <QFileInfo>
#include <QTextStream>
#include <functional>
#include <optional>
#include <utility>

namespace qrn::cli {

namespace {

const char *kHelp =
    "uso: quarnaro-cli [opzioni] COMANDO [argomenti]\n"
    "\n"
    "Opzioni:\n"
    "  --home CARTELLA     cartella del programma (Files/, Databases/, Shape/); predefinita: quella\n"
    "                      dell'eseguibile\n"
    "  --separator C       separatore dei campi CSV (predefinito ';')\n"
    "  --decimal C         separatore decimale ',' o '.' (predefinito ',')\n"
    "  --help              questo testo\n"
    "\n"
    "Comandi:\n"
    "  menu                elenca le voci del menu costruite da DBMainMenu, con il loro contesto\n"
    "  databases           elenca i database configurati (DbConfigs)\n"
    "  query DB SQL        esegue una SELECT (sintassi Access) sul database DB (es. Metadati.mdb)\n"
    "                      e stampa il risultato in CSV, riga di intestazione compresa\n"
    "  tabella OPZIONI     la tabella dei dati di una selezione, come la mostra la finestra\n"
    "                      \"Visualizza ed esporta dati\", in CSV (riga di intestazione compresa)\n"
    "\n"
    "Opzioni del comando tabella:\n"
    "  --db FILE           database dei dati (es. Variabili.mdb); obbligatorio\n"
    "  --tipo T            Variabili (predefinito) o Indicatori\n"
    "  --livello L         livello territoriale del menu: R regionale, T (predefinito) tutti\n"
    "  --voce CODICE-ANNO  una voce e un anno (es. AS013-2005); ripetibile, anche separate da\n"
    "                      virgole; al massimo 251\n"
    "  --territori NOMI    territori per nome, separati da virgole (es. \"Torino,Roma\")\n"
    "  --territorio NOME   un territorio per nome; ripetibile\n"
    "  --gruppi N,N        partizioni predefinite della finestra di selezione: 1 province - nuts3,\n"
    "                      2 nuts2, 3 ripartizioni / Italia, 4 aree Fondi strutturali,\n"
    "                      5 tutto, 6 regioni\n"
    "  --ordina COLONNA    ordina per la colonna con questa intestazione (es. AS013_2005)\n"
    "  --discendente       ordine discendente (con --ordina)\n"
    "  --cerca COLONNA     ricerca nella colonna: con --da X --a Y le righe la cui parte intera è\n"
    "                      tra X e Y; con il solo --da un numero cerca quel valore intero, un\n"
    "                      testo le righe uguali al testo (senza distinguere maiuscole)\n"
    "  --da X, --a Y       i limiti della ricerca\n"
    "  --selezione         stampa solo le righe trovate dalla ricerca\n"
    "  --sql               stampa il testo SQL della selezione invece della tabella\n"
    "  --formula \"ESPR\"    aggiunge un indicatore calcolato con l'espressione, come \"Crea\n"
    "                      indicatore\": colonne, numeri (col punto decimale), + - * / ^ e\n"
    "                      parentesi separati da spazi (es. \"( AS013_2005 + 1 ) / AS014_2005\")\n"
    "  --name N            il nome del nuovo indicatore (lettere e cifre); predefinito Funz1 e\n"
    "                      l'anno dell'ultima colonna dell'espressione\n"
    "  --export FILE       scrive la tabella e i metadati in una cartella di lavoro .xls o .xlsx\n"
    "                      (riordinata per codice del territorio, come \"Esporta in Excel\");\n"
    "                      un file esistente è sostituito\n"
    "Le righe sono ordinate per codice del territorio; i valori hanno due decimali con il\n"
    "separatore di --decimal. Esempio:\n"
    "  quarnaro-cli tabella --db Variabili.mdb --voce AS013-2005 --gruppi 6 --ordina AS013_2005\n"
    "\n"
    "Gli errori sono scritti sullo standard error; lo stato di uscita è 0 se tutto va bene,\n"
    "1 per un errore, 2 per una riga di comando non valida.\n";

// A start-up host without windows.
class NoWindows : public StartupHost {
public:
    void formatMainWindow() override {}
    void buildMenuBar(const MenuBar &) override {}
    void showSplash() override {}
};

// Collects the messages the core shows, to print them on standard error.
class CollectingPrompt : public ConsolePrompt {
public:
    explicit CollectingPrompt(QString &err) : m_err(err) {}
    Answer message(const QString &text, const QString &title, Icon, Buttons buttons) override
    {
        // The export is not followed by opening the workbook.
        if (text == kOpenQuestion)
            return Answer::No;
        m_err += (title.isEmpty() ? QString() : title + QStringLiteral(": ")) + QString(text).replace(QStringLiteral("\r\n"), QStringLiteral(" ")) + QLatin1Char('\n');
        ++m_count;
        return (buttons == Buttons::YesNo || buttons == Buttons::YesNoCancel) ? Answer::Yes : Answer::Ok;
    }
    int count() const { return m_count; }

    // The name of the indicator (--name): given once; asked again, the box is cancelled.
    std::optional<QString> input(const QString &, const QString &, const QString &defaultText) override
    {
        if (!indicatorName)
            return defaultText;
        return std::exchange(indicatorName, QString());
    }
    // The workbook of --export, as the save dialog would answer.
    QString saveFile(const QString &, const QString &, const QString &) override { return exportFile; }

    std::optional<QString> indicatorName;
    QString exportFile;

private:
    QString &m_err;
    int m_count = 0;
};

void printMenu(const MenuNode &n, const AppContext &ctx, int depth, QString &out)
{
    const QString indent(depth * 2, QLatin1Char(' '));
    switch (n.kind) {
    case MenuNode::Kind::Separator:
        out += indent + QStringLiteral("----\n");
        break;
    case MenuNode::Kind::DisabledText:
        out += indent + n.caption + QStringLiteral(" (disattivata)\n");
        break;
    case MenuNode::Kind::Command: {
        const size_t i = size_t(n.command);
        out += indent + QStringLiteral("[%1] %2%3 -> %4 %5 %6 %7\n")
                            .arg(n.command)
                            .arg(n.caption, n.checked ? QStringLiteral(" (spuntata)") : QString(),
                                 ctx.menu.form[i], ctx.menu.db[i], ctx.menu.tipo[i],
                                 ctx.menu.level[i].isEmpty() ? QStringLiteral("T") : ctx.menu.level[i]);
        break;
    }
    case MenuNode::Kind::DropDown:
        out += indent + n.caption + QStringLiteral(" >\n");
        for (const auto &c : n.children)
            printMenu(*c, ctx, depth + 1, out);
        break;
    }
}

// The options of the command "tabella".
struct TableRequest {
    QString db, tipo = QStringLiteral("Variabili"), level = QStringLiteral("T");
    QStringList items, names;
    QList<int> groups;
    QString sortColumn, searchColumn, lower, upper;
    QString formula, name, exportFile;
    bool descending = false, sql = false, selectionOnly = false, search = false;
};

// Writes the header row and rows firstRow to lastRow of a table as CSV lines.
void printCsv(const DataTable &table, int firstRow, int lastRow, QChar separator, QString &out)
{
    auto line = [&](int r) {
        QStringList fields;
        for (int c = 0; c < table.columnCount(); ++c)
            fields << csvField(table.text(r, c), separator);
        out += fields.join(separator) + QLatin1Char('\n');
    };
    if (table.rowCount() > 0)
        line(0);
    for (int r = firstRow; r <= lastRow; ++r)
        line(r);
}

// Reads the options of "tabella"; false with the reason in err when they are wrong.
bool parseTableRequest(const QStringList &args, TableRequest &req, QString &err)
{
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args[i];
        auto value = [&](QString &target) {
            if (i + 1 >= args.size()) {
                err += QStringLiteral("Manca il valore dopo %1.\n").arg(a);
                return false;
            }
            target = args[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--db")) {
            if (!value(req.db))
                return false;
        } else if (a == QLatin1String("--tipo")) {
            if (!value(req.tipo))
                return false;
            if (req.tipo != QLatin1String("Variabili") && req.tipo != QLatin1String("Indicatori")) {
                err += QStringLiteral("--tipo vuole Variabili oppure Indicatori.\n");
                return false;
            }
        } else if (a == QLatin1String("--livello")) {
            if (!value(req.level))
                return false;
        } else if (a == QLatin1String("--voce")) {
            if (!value(v))
                return false;
            for (const QString &item : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
                req.items << item.trimmed();
        } else if (a == QLatin1String("--territori")) {
            if (!value(v))
                return false;
            for (const QString &name : v.split(QLatin1Char(','), Qt::SkipEmptyParts))
                req.names << name.trimmed();
        } else if (a == QLatin1String("--territorio")) {
            if (!value(v))
                return false;
            req.names << v;
        } else if (a == QLatin1String("--gruppi")) {
            if (!value(v))
                return false;
            for (const QString &g : v.split(QLatin1Char(','), Qt::SkipEmptyParts)) {
                bool ok = false;
                const int n = g.trimmed().toInt(&ok);
                if (!ok || n < 1 || n > 6) {
                    err += QStringLiteral("--gruppi vuole numeri da 1 a 6 separati da virgole.\n");
                    return false;
                }
                req.groups << n;
            }
        } else if (a == QLatin1String("--ordina")) {
            if (!value(req.sortColumn))
                return false;
        } else if (a == QLatin1String("--discendente")) {
            req.descending = true;
        } else if (a == QLatin1String("--cerca")) {
            if (!value(req.searchColumn))
                return false;
            req.search = true;
        } else if (a == QLatin1String("--da")) {
            if (!value(req.lower))
                return false;
        } else if (a == QLatin1String("--a")) {
            if (!value(req.upper))
                return false;
        } else if (a == QLatin1String("--formula")) {
            if (!value(req.formula))
                return false;
            if (req.formula.trimmed().isEmpty()) {
                err += QStringLiteral("--formula vuole un'espressione.\n");
                return false;
            }
        } else if (a == QLatin1String("--name")) {
            if (!value(req.name))
                return false;
        } else if (a == QLatin1String("--export")) {
            if (!value(req.exportFile))
                return false;
        } else if (a == QLatin1String("--sql")) {
            req.sql = true;
        } else if (a == QLatin1String("--selezione")) {
            req.selectionOnly = true;
        } else {
            err += QStringLiteral("Opzione sconosciuta per tabella: %1\n").arg(a);
            return false;
        }
    }
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
        if (ext != QLatin1String("xls") && ext != QLatin1String("xlsx")) {
            err += QStringLiteral("--export vuole un file .xls oppure .xlsx.\n");
            return false;
        }
    }
    if (req.descending && req.sortColumn.isEmpty()) {
        err += QStringLiteral("--discendente va con --ordina.\n");
        return false;
    }
    return true;
}

// "Crea indicatore" on the loaded table: the expression given whole, the name from --name (a
// refused name is reported and ends the command) or the default one.
bool addFormulaColumn(AppContext &ctx, DataTable &table, const TableRequest &req, CollectingPrompt &prompt,
                      QString &err)
{
    const formula::TableSnapshot snapshot(table.rows());
    formula::DerivedMemory memory;
    // The default name follows the last column of the expression, as if picked from the list.
    for (const formula::Token &t : formula::tokenize(req.formula, snapshot.headers()))
        if (t.isColumn)
            memory.lastColumnPicked = snapshot.headers().at(t.column);
    if (!req.name.isEmpty())
        prompt.indicatorName = req.name;
    const formula::ExecuteOutcome outcome = formula::executeText(req.formula, memory, snapshot, ctx.numbers, prompt);
    prompt.indicatorName.reset();
    if (outcome.kind != formula::ExecuteOutcome::Kind::Added) {
        if (outcome.kind == formula::ExecuteOutcome::Kind::Cancelled)
            err += QStringLiteral("Nessun indicatore aggiunto.\n");
        return false;
    }
    table.appendColumn(outcome.header, outcome.cells);
    table.colorStripes();
    return true;
}

// The workbook of --export through the flow of "Esporta in Excel", without opening it.
bool exportTable(AppContext &ctx, DataTable &table, const TableRequest &req, CollectingPrompt &prompt)
{
    struct NoOpener : FileOpener {
        Outcome open(const QString &) override { return Outcome::Failed; }
    } opener;
    prompt.exportFile = QFileInfo(req.exportFile).absoluteFilePath();
    const bool ok = EsportaInExcel(ctx, table, opener, QStringLiteral("quarnaro-cli"));
    prompt.exportFile.clear();
    return ok;
}

// The road of the selection window and of the data grid: the chosen rows, the territories by
// name and by group, CreaQuery, DoQuery, the derived column, then the sort and the search of
// the grid, and the export.
int runTable(AppContext &ctx, const TableRequest &req, QChar separator, CollectingPrompt &prompt, QString &out,
             QString &err)
{
    ctx.CurrentDb = req.db;
    ctx.QueryDb = req.db;
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
    for (int g : req.groups) {
        ctx.LevelCode = territoryGroup(g).levelCode;
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
    if (!CreaQuery(ctx, rows.rows(), filter, QStringLiteral("quarnaro-cli")))
        return 1;
    if (req.sql) {
        out += ctx.SelectQuery + QLatin1Char('\n');
        return 0;
    }

    DataTable table;
    if (grid::DoQuery(ctx, table) != grid::LoadOutcome::Loaded)
        return 1;
    if (!req.formula.isEmpty() && !addFormulaColumn(ctx, table, req, prompt, err))
        return 1;
    if (!req.sortColumn.isEmpty() && !grid::sortByName(table, req.sortColumn, !req.descending, ctx.numbers)) {
        err += QStringLiteral("Nessuna colonna si chiama '%1'.\n").arg(req.sortColumn);
        return 1;
    }
    bool selectionOnly = false;
    if (req.search) {
        const int c = table.columnOf(req.searchColumn);
        if (c < 0) {
            err += QStringLiteral("Nessuna colonna si chiama '%1'.\n").arg(req.searchColumn);
            return 1;
        }
        const grid::SearchOutcome found = grid::searchTable(ctx, table, c + 1, req.lower, req.upper);
        if (found.kind == grid::SearchOutcome::Kind::ReversedBounds || found.kind == grid::SearchOutcome::Kind::NotNumbers)
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
    printCsv(table, firstRow, lastRow, separator, out);
    // Last, since the export puts the rows in territory-code order: what is printed is the
    // table as the sort and the search left it.
    if (!req.exportFile.isEmpty() && !exportTable(ctx, table, req, prompt))
        return 1;
    return 0;
}

} // namespace

QString csvField(const QString &text, QChar separator)
{
    if (!text.contains(separator) && !text.contains(QLatin1Char('"')) && !text.contains(QLatin1Char('\n'))
        && !text.contains(QLatin1Char('\r')))
        return text;
    QString s = text;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

int run(const QStringList &argsIn, const QString &defaultHome, QString &out, QString &err)
{
    QString home = defaultHome;
    QChar separator = QLatin1Char(';');
    NumberFormat numbers = NumberFormat::comma();
    QStringList rest;
    for (int i = 0; i < argsIn.size(); ++i) {
        const QString &a = argsIn[i];
        auto value = [&](QString &target) {
            if (i + 1 >= argsIn.size())
                return false;
            target = argsIn[++i];
            return true;
        };
        QString v;
        if (a == QLatin1String("--help") || a == QLatin1String("-h")) {
            out += QString::fromUtf8(kHelp);
            return 0;
        } else if (a == QLatin1String("--home")) {
            if (!value(home))
                return err += QStringLiteral("Manca la cartella dopo --home.\n"), 2;
        } else if (a == QLatin1String("--separator")) {
            if (!value(v) || v.size() != 1)
                return err += QStringLiteral("--separator vuole un solo carattere.\n"), 2;
            separator = v[0];
        } else if (a == QLatin1String("--decimal")) {
            if (!value(v) || (v != QLatin1String(",") && v != QLatin1String(".")))
                return err += QStringLiteral("--decimal vuole ',' oppure '.'.\n"), 2;
            numbers = v == QLatin1String(".") ? NumberFormat::point() : NumberFormat::comma();
        } else {
            rest << a;
        }
    }
    if (rest.isEmpty()) {
        err += QStringLiteral("Nessun comando. Usare --help per l'elenco dei comandi.\n");
        return 2;
    }

    AppContext ctx;
    ctx.setProgramFolder(home);
    ctx.numbers = numbers;
    CollectingPrompt prompt(err);
    ctx.setPrompt(&prompt);
    NoWindows host;
    MenuBar bar;
    if (RunStartup(ctx, host, nullptr, bar) == StartupOutcome::Exit)
        return 1;

    const QString cmd = rest.takeFirst();
    auto printRecordset = [&](const Recordset &rs) {
        const DataTable table = grid::tableFromRecordset(rs, numbers);
        printCsv(table, 1, table.rowCount() - 1, separator, out);
    };
    try {
        if (cmd == QLatin1String("menu")) {
            for (const auto &n : bar.top)
                printMenu(*n, ctx, 0, out);
            return 0;
        }
        if (cmd == QLatin1String("databases")) {
            auto cn = ctx.openDatabase(QStringLiteral("Metadati.mdb"));
            printRecordset(cn->query(QStringLiteral("Select dbnames, dbdesc from DbConfigs")));
            return 0;
        }
        if (cmd == QLatin1String("tabella")) {
            TableRequest req;
            if (!parseTableRequest(rest, req, err))
                return 2;
            return runTable(ctx, req, separator, prompt, out, err);
        }
        if (cmd == QLatin1String("query")) {
            if (rest.size() != 2) {
                err += QStringLiteral("uso: query DATABASE \"SELECT ...\"\n");
                return 2;
            }
            // The command reads: its connection is read-only and refuses any statement that
            // would write.
            auto cn = ctx.openDatabase(rest[0], QString(), Connection::Access::ReadOnly);
            printRecordset(cn->query(rest[1]));
            return 0;
        }
    } catch (const DbError &e) {
        err += QStringLiteral("Errore: ") + e.description() + QLatin1Char('\n');
        return 1;
    }
    err += QStringLiteral("Comando sconosciuto: %1. Usare --help per l'elenco dei comandi.\n").arg(cmd);
    return 2;
}

} // namespace qrn::cli

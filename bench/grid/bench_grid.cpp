// The data grid's work on the largest tables it meets.
//
// LargestSelection: the widest selection the store accepts on the sample data (251 item-years
// over as many data tables as one statement may join, every territory): CreaQuery, DoQuery
// (which stripes the rows) and the column widths.
//
// Synthetic*: a municipal-scale table of 8,000 territories and 251 items (257 columns) in a
// store of its own: the statement read with bare sqlite3_step calls into plain values (the
// floor of any load), the load (DoQuery, with the memory the table takes, and the whole window
// as it opens), the widths, a sort, a range search and the export to both workbook formats.

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "shell/context.h"
#include "shell/links.h"
#include "shell/prompt.h"
#include "shell/sqltext.h"
#include "shell/store.h"
#include "table/export.h"
#include "table/gridops.h"
#include "table/ui/frm_dispdata.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontMetrics>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sqlite3.h>

#include "support/testfolder.h"

#include <cmath>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

using namespace qrn;

namespace {

constexpr int kTableWidth = 940; // the width of the grid in the window as it opens

// A program folder with the sample data and a context on it.
struct SampleFolder {
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    AppContext ctx;
    SelectionQuery query; // the selection's, as the selection window hands it to the grid
    SampleFolder()
    {
        qrn::test::copyTree(QStringLiteral(QUARNARO_SAMPLE_DIR), dir.path());
        ctx.setProgramFolder(dir.path() + QLatin1Char('/'));
        ctx.DbFolder = dir.path() + QStringLiteral("/Databases/");
        ctx.numbers = NumberFormat::comma();
        ctx.setPrompt(&prompt);
        refreshLinkedTables(ctx, ctx);
        ctx.CurrentDb = QStringLiteral("Variabili.mdb");
        ctx.CurrentTipo = QStringLiteral("Variabili");
    }
};

// Up to 251 rows from the first `tables` data tables (largest first) of the sample.
QStringList rowsOver(AppContext &ctx, int tables)
{
    auto cn = ctx.openDatabase(ctx.CurrentDb);
    Recordset rs = cn->query(QStringLiteral(
        "select Variabile, Anno, Tabella from IndVarAnno where LivTerritoriale = 'R' order by Tabella, Variabile"));
    std::map<QString, QStringList> byTable;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        byTable[rs.text(2)] << rs.text(0) + QLatin1Char('-') + rs.text(1) + QStringLiteral(" - ");
    std::vector<QStringList> lists;
    for (auto &[t, rows] : byTable)
        lists.push_back(rows);
    std::stable_sort(lists.begin(), lists.end(),
                     [](const QStringList &a, const QStringList &b) { return a.size() > b.size(); });
    QStringList rows;
    // Round robin over the chosen tables, so every table is in the selection.
    for (int i = 0; rows.size() < 251; ++i) {
        bool any = false;
        for (int t = 0; t < tables && t < int(lists.size()) && rows.size() < 251; ++t)
            if (i < lists[size_t(t)].size()) {
                rows << lists[size_t(t)][i];
                any = true;
            }
        if (!any)
            break;
    }
    return rows;
}

QString everyTerritory(AppContext &ctx)
{
    QStringList names;
    for (const TerritoryEntry &t : FillTerritori(ctx, 2, 0))
        names << t.name;
    return BuildTerritoryFilter(names);
}

// CreaQuery into query, as the selection window does; false when refused.
bool selectRows(AppContext &ctx, SelectionQuery &query, const QStringList &rows, const QString &filter)
{
    const Result<QString> built = CreaQuery(ctx, ctx.CurrentDb, ctx.CurrentTipo, rows, filter);
    if (!built)
        return false;
    query = {built.value(), ctx.CurrentDb, 0}; // the level stays open: nothing is mapped here
    return true;
}

grid::LoadOutcome loadQuery(AppContext &ctx, const SelectionQuery &query, DataTable &t)
{
    return grid::DoQuery(ctx, ctx.CurrentDb, ctx.CurrentTipo, query.sql, t).outcome;
}

void BM_LargestSelection(benchmark::State &state)
{
    SampleFolder f;
    const QString filter = everyTerritory(f.ctx);
    // The most tables the store joins in one statement.
    int tables = 1;
    QStringList rows;
    for (int n = 1; n <= 89; ++n) {
        const QStringList r = rowsOver(f.ctx, n);
        DataTable probe;
        if (!selectRows(f.ctx, f.query, r, filter) || loadQuery(f.ctx, f.query, probe) != grid::LoadOutcome::Loaded)
            break;
        tables = n;
        rows = r;
    }
    f.prompt.clear();
    const QFontMetrics fm {QFont()};
    DataTable t;
    for (auto _ : state) {
        selectRows(f.ctx, f.query, rows, filter);
        loadQuery(f.ctx, f.query, t);
        benchmark::DoNotOptimize(grid::AutosizeCols(t, fm, kTableWidth));
    }
    state.counters["tables"] = tables;
    state.counters["items"] = double(rows.size());
    state.counters["rows"] = t.rowCount() - 1;
    state.counters["columns"] = t.columnCount();
    if (!f.prompt.shown().empty())
        state.SkipWithError("the selection was refused");
}

// A store of 8,000 territories with 251 items for one year.
struct SyntheticFolder {
    QTemporaryDir dir;
    ScriptedPrompt prompt;
    AppContext ctx;
    SelectionQuery query; // the selection's, as the selection window hands it to the grid
    SyntheticFolder()
    {
        const QString db = dir.path() + QStringLiteral("/Databases/");
        QDir().mkpath(db);
        ctx.setProgramFolder(dir.path() + QLatin1Char('/'));
        ctx.DbFolder = db;
        ctx.numbers = NumberFormat::comma();
        ctx.setPrompt(&prompt);
        ctx.CurrentDb = QStringLiteral("Comuni.mdb");
        ctx.CurrentTipo = QStringLiteral("Variabili");
        // The export reads the metadata (which know none of these items) and a template.
        QFile::copy(QStringLiteral(QUARNARO_SAMPLE_DIR "/Databases/Metadati.sqlite"), db + QStringLiteral("Metadati.sqlite"));
        QDir().mkpath(ctx.FilesFolder);
        QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/DatiTemplateVar"),
                    ctx.FilesFolder + QStringLiteral("DatiTemplateVar"));
        auto cn = Connection::create(db + QStringLiteral("Comuni.sqlite"), ctx.numbers);
        QStringList cols {QStringLiteral("COD_TERR TEXT")};
        QStringList marks {QStringLiteral("?")};
        for (int i = 1; i <= 251; ++i) {
            cols << QStringLiteral("CM%1 REAL").arg(i, 3, 10, QLatin1Char('0'));
            marks << QStringLiteral("?");
        }
        cn->beginTransaction();
        cn->execute(QStringLiteral("CREATE TABLE land_Ind (COD_TIPO_TERR INTEGER, COD_TERR TEXT, PROV TEXT, REG TEXT, "
                                   "COD_NUTS TEXT, DES_TERR TEXT)"));
        cn->execute(QStringLiteral("CREATE TABLE CM_2005 (%1)").arg(cols.join(QStringLiteral(", "))));
        QRandomGenerator rng(2005);
        for (int r = 0; r < 8000; ++r) {
            const QString code = QStringLiteral("%1").arg(r + 1, 6, 10, QLatin1Char('0'));
            cn->execute(QStringLiteral("INSERT INTO land_Ind VALUES (?, ?, ?, ?, ?, ?)"),
                        {7, code, QString::number(r % 107 + 1), QString::number(r % 20 + 1),
                         QStringLiteral("ITC%1").arg(r % 9), QStringLiteral("Comune di Località %1").arg(r + 1)});
            QVariantList values {code};
            for (int i = 1; i <= 251; ++i)
                values << (rng.bounded(40) == 0 ? QVariant() : QVariant(rng.bounded(10000000) / 100.0));
            cn->execute(QStringLiteral("INSERT INTO CM_2005 VALUES (%1)").arg(marks.join(QLatin1Char(','))), values);
        }
        cn->commit();
        // The statement CreaQuery writes for these 251 items, every territory.
        QStringList rows;
        for (int i = 1; i <= 251; ++i)
            rows << QStringLiteral("CM%1-2005 - ").arg(i, 3, 10, QLatin1Char('0'));
        QueryPlan plan = planQuery(rows, 2);
        for (QueryItem &g : plan.groups)
            g.table = QStringLiteral("CM_2005");
        for (QueryItem &it : plan.items)
            it.table = QStringLiteral("CM_2005");
        query.sql = buildSelect(plan, QString());
    }
};

SyntheticFolder &synthetic()
{
    static SyntheticFolder f;
    return f;
}

const DataTable &syntheticTable()
{
    static DataTable t = [] {
        DataTable loaded;
        loadQuery(synthetic().ctx, synthetic().query, loaded);
        return loaded;
    }();
    return t;
}

// The statement the grid runs, read with bare sqlite3_step calls: every number into a double
// (a null as NaN), every text into a std::string. Nothing can load the table faster.
void BM_SyntheticBareSqlite(benchmark::State &state)
{
    SyntheticFolder &f = synthetic();
    const QByteArray sql =
        translateJetSql(grid::deferFormats(grid::gridStatement(f.query.sql)).statement).toUtf8();
    const QByteArray path = (f.ctx.DbFolder + QStringLiteral("Comuni.sqlite")).toUtf8();
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        state.SkipWithError("the synthetic store did not open");
        sqlite3_close(db);
        return;
    }
    size_t rows = 0, columns = 0;
    for (auto _ : state) {
        std::vector<double> numbers;
        std::vector<std::string> texts;
        sqlite3_stmt *st = nullptr;
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &st, nullptr) != SQLITE_OK) {
            state.SkipWithError(sqlite3_errmsg(db));
            break;
        }
        const int n = sqlite3_column_count(st);
        rows = 0;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (int i = 0; i < n; ++i) {
                switch (sqlite3_column_type(st, i)) {
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    numbers.push_back(sqlite3_column_double(st, i));
                    break;
                case SQLITE_TEXT:
                    texts.emplace_back(reinterpret_cast<const char *>(sqlite3_column_text(st, i)),
                                       size_t(sqlite3_column_bytes(st, i)));
                    break;
                default:
                    numbers.push_back(std::nan(""));
                }
            }
            ++rows;
        }
        sqlite3_finalize(st);
        columns = size_t(n);
        benchmark::DoNotOptimize(numbers.data());
        benchmark::DoNotOptimize(texts.data());
    }
    sqlite3_close(db);
    state.counters["rows"] = double(rows);
    state.counters["columns"] = double(columns);
}

// The bytes of the C heap in use.
size_t heapInUse()
{
    return mallinfo2().uordblks;
}

void BM_SyntheticLoad(benchmark::State &state)
{
    SyntheticFolder &f = synthetic();
    DataTable t;
    for (auto _ : state)
        loadQuery(f.ctx, f.query, t);
    state.counters["rows"] = t.rowCount() - 1;
    state.counters["columns"] = t.columnCount();
    if (t.rowCount() != 8001 || t.columnCount() != 257) {
        state.SkipWithError("the synthetic table did not load");
        return;
    }
    // The memory of the loaded table, against twice its plain size: 8 bytes a cell and the
    // bytes of its texts in UTF-8.
    t.clear();
    const size_t before = heapInUse();
    loadQuery(f.ctx, f.query, t);
    const size_t heap = heapInUse() - before;
    double textBytes = 0;
    for (int r = 1; r < t.rowCount(); ++r)
        for (int c = 0; c < t.columnCount(); ++c)
            if (!t.isNumeric(r, c))
                textBytes += double(t.text(r, c).toUtf8().size());
    const double cells = double(t.rowCount() - 1) * t.columnCount();
    state.counters["heap_MB"] = double(heap) / 1e6;
    state.counters["table_MB"] = double(t.memoryBytes()) / 1e6;
    state.counters["limit_MB"] = 2 * (8 * cells + textBytes) / 1e6;
}

void BM_SyntheticWidths(benchmark::State &state)
{
    const DataTable &t = syntheticTable();
    const QFontMetrics fm {QFont()};
    for (auto _ : state)
        benchmark::DoNotOptimize(grid::AutosizeCols(t, fm, kTableWidth));
}

void BM_SyntheticSort(benchmark::State &state)
{
    const NumberFormat numbers = NumberFormat::comma();
    const int column = int(state.range(0));
    for (auto _ : state) {
        state.PauseTiming();
        DataTable t = syntheticTable();
        state.ResumeTiming();
        grid::sortColumn(t, column, false, numbers);
        benchmark::DoNotOptimize(t.text(1, column));
    }
}

void BM_SyntheticRangeSearch(benchmark::State &state)
{
    SyntheticFolder &f = synthetic();
    int matches = 0;
    for (auto _ : state) {
        state.PauseTiming();
        DataTable t = syntheticTable();
        state.ResumeTiming();
        // Values from 25,000 to 74,999: about half of the rows move to the top.
        matches = grid::searchTable(f.ctx, t, 7 + 100, QStringLiteral("25000"), QStringLiteral("74999,99")).matches;
    }
    state.counters["matches"] = matches;
}

// The window as it opens on the synthetic table: DoQuery, the view, the boxes and the widths,
// then its first picture (the cells in view are the only ones written as text).
void BM_SyntheticWindowLoad(benchmark::State &state)
{
    SyntheticFolder &f = synthetic();
    int rows = 0;
    for (auto _ : state) {
        auto *w = new ui::frm_dispData(f.ctx, f.ctx, f.ctx, nullptr);
        w->showSelection(f.query);
        benchmark::DoNotOptimize(w->grab());
        rows = w->table().rowCount() - 1;
        state.PauseTiming();
        delete w;
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}

// "Esporta in Excel" of the synthetic table, once to each format: the workbook with its
// metadata sheet, as CreateExcelFile writes it.
void BM_SyntheticExport(benchmark::State &state)
{
    SyntheticFolder &f = synthetic();
    const DataTable &t = syntheticTable();
    const QString file = f.dir.path() + (state.range(0) == 0 ? QStringLiteral("/dati.xlsx") : QStringLiteral("/dati.xls"));
    for (auto _ : state)
        if (const Result<ExportEnd> written = CreateExcelFile(f.ctx, f.ctx, f.ctx, t, file);
            !written || written.value() != ExportEnd::Written)
            state.SkipWithError("the workbook was not written");
    state.counters["MB"] = double(QFileInfo(file).size()) / 1e6;
    state.SetLabel(state.range(0) == 0 ? "xlsx" : "xls");
}

} // namespace

BENCHMARK(BM_LargestSelection)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_SyntheticBareSqlite)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SyntheticLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SyntheticWindowLoad)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SyntheticWidths)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_SyntheticSort)->Arg(100)->Arg(5)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SyntheticRangeSearch)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_SyntheticExport)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

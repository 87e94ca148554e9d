// Timings of the derived indicators and of the workbook export, each the median of several
// runs:
//  - "Esegui" over 8,000 rows with 6 column references (target: at most 20 ms), and the same
//    rows evaluated the old way, one statement per row on the scratch store, in the same run;
//  - CreateExcelFile of a 257-column x 170-row table (6 territory columns, 251 item columns)
//    with its metadata sheet, to .xls and to .xlsx (target: at most 0.5 s each).

#include "shell/context.h"
#include "shell/links.h"
#include "shell/store.h"
#include "support/testfolder.h"
#include "table/datatable.h"
#include "table/export.h"
#include "table/formula/derivedindicator.h"

#include <QCoreApplication>
#include <QFile>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

using namespace qrn;
using Clock = std::chrono::steady_clock;

namespace {

double medianMs(int runs, const std::function<void()> &work)
{
    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
        const auto t0 = Clock::now();
        work();
        ms.push_back(std::chrono::duration<double, std::milli>(Clock::now() - t0).count());
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

QString value(int r, int c)
{
    // Two decimals with a decimal comma, as the query writes them; now and then a zero or a
    // missing value.
    const int v = (r * 7919 + c * 104729) % 100000;
    if ((r + c) % 97 == 0)
        return QStringLiteral("-");
    if ((r + c) % 89 == 0)
        return QStringLiteral("0,00");
    return QStringLiteral("%1,%2").arg(v / 100).arg(v % 100, 2, 10, QLatin1Char('0'));
}

QList<QStringList> table(int rows, int dataColumns)
{
    QList<QStringList> t;
    QStringList header {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio"};
    for (int c = 0; c < dataColumns; ++c)
        header << QStringLiteral("AS%1_%2").arg(c % 40 + 1, 3, 10, QLatin1Char('0')).arg(1996 + c / 40 % 13);
    t << header;
    for (int r = 1; r <= rows; ++r) {
        const QString code = QStringLiteral("%1").arg(r, 3, 10, QLatin1Char('0'));
        QStringList row {
            "P", code, code, QString::number(r % 20 + 1), "ITC" + QString::number(r % 9), "Territorio " + code};
        for (int c = 0; c < dataColumns; ++c)
            row << value(r, c);
        t << row;
    }
    return t;
}

void formulaBench()
{
    const formula::TableSnapshot snap(table(8000, 6));
    formula::DerivedMemory memory;
    formula::FormulaBuilder b(memory);
    // ( A + B * C ) / ( D - E ) ^ 2 + F * 100
    const QStringList h = snap.dataHeaders();
    b.openParen();
    b.column(h[0]);
    b.op('+');
    b.column(h[1]);
    b.op('*');
    b.column(h[2]);
    b.closeParen();
    b.op('/');
    b.openParen();
    b.column(h[3]);
    b.op('-');
    b.column(h[4]);
    b.closeParen();
    b.op('^');
    b.digit(2);
    b.op('+');
    b.column(h[5]);
    b.percent();
    const QString name = QStringLiteral("Indice");
    const NumberFormat fmt = NumberFormat::comma();

    formula::ExecuteOutcome out;
    const double ours = medianMs(21, [&] { out = formula::executeText(b.text(), name, snap, fmt); });
    // The whole of "Esegui" as the window runs it: the evaluation and the new column.
    DataTable grid(table(8000, 6));
    const double withColumn = medianMs(11, [&] {
        out = formula::executeText(b.text(), name, snap, fmt);
        grid.appendColumn(out.header, out.cells);
        grid.colorStripes();
        grid.removeLastColumn();
    });

    // One statement per row on the scratch store, as the engine was asked row by row.
    test::TestFolder tf(false);
    auto cn = Connection::create(tf.file("Files/bdc_utente.sqlite"), fmt);
    cn->execute(QStringLiteral("CREATE TABLE tabope (x INTEGER)"));
    cn->execute(QStringLiteral("INSERT INTO tabope VALUES (1)"));
    const QList<formula::Token> tokens = formula::tokenize(b.text(), snap.headers());
    QStringList perRow;
    int mismatches = 0;
    const double sql = medianMs(3, [&] {
        perRow.clear();
        for (int r = 1; r < snap.rowCount(); ++r) {
            const QString e = formula::rowExpression(
                tokens, [&](int c) { return snap.cell(r, c); }, fmt);
            if (e.isEmpty()) {
                perRow << QString();
                continue;
            }
            try {
                Recordset rs = cn->query(QStringLiteral("Select Format(CDbl(") + e
                                         + QStringLiteral("), '0.0000') as exp1 from tabope"));
                perRow << (rs.recordCount() > 0 ? rs.text(0) : QStringLiteral("0"));
            } catch (const DbError &) {
                perRow << QStringLiteral("E");
            }
        }
    });
    for (int i = 0; i < perRow.size() && i < out.cells.size(); ++i)
        mismatches += perRow[i] != out.cells[i] && !perRow[i].isEmpty() && perRow[i] != QLatin1String("E");

    std::printf("formula, 8000 rows x 6 column references: %.2f ms (target <= 20 ms); with the new column "
                "and stripes: %.2f ms\n",
                ours, withColumn);
    std::printf("one statement per row on the store:       %.2f ms; ratio %.1fx (%d of %lld rows written "
                "differently by the store)\n",
                sql, sql / ours, mismatches, static_cast<long long>(perRow.size()));
}

void exportBench()
{
    test::TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    if (!refreshLinkedTables(*ctx, *ctx)) {
        std::printf("export: the sample databases are missing\n");
        return;
    }
    for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
        QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, tf.file(QString("Files/") + t));
    ctx->CurrentTipo = QStringLiteral("Variabili");
    const DataTable grid(table(170, 251));
    for (const char *ext : {"xls", "xlsx"}) {
        const QString file = tf.file(QStringLiteral("Excel/bench.") + QLatin1String(ext));
        bool ok = true;
        const double ms = medianMs(7, [&] {
            const Result<ExportEnd> written = CreateExcelFile(*ctx, *ctx, *ctx, grid, file);
            ok = ok && written && written.value() == ExportEnd::Written;
        });
        std::printf("export 257 columns x 170 rows to .%-4s: %.1f ms (target <= 500 ms)%s, %lld bytes\n", ext, ms,
                    ok ? "" : " FAILED", static_cast<long long>(QFile(file).size()));
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    formulaBench();
    exportBench();
    return 0;
}

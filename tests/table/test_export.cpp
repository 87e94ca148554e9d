// The table export on the sample data, read back by independent readers.

#include "table/datatable.h"
#include "table/export.h"
#include "table/ui/exportflow.h"

#include "ReadBack.h"
#include "catalogue/querybuilder.h"
#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <gtest/gtest.h>
#include <map>

using namespace qrn;
using qrn::ui::DesktopFileOpener;
using qrn::ui::EsportaInExcel;
using qrn::ui::FileOpener;
using qrn::ui::OpenFileExcel;
using qrn::test::TestFolder;

TEST(ExportNames, YearsAreCutOnceTerritoryHeadersStayAndTheFileTakesAKnownExtension)
{
    // The last five characters go whenever the last four read as a number: a derived column
    // named Funz12005 becomes "Funz", which names no catalogue entry.
    EXPECT_EQ(exportCodeList({"TipoTerritorio", "COD_TERR", "PROV", "AS013_2004", "AS013_2005", "IAS020_2006",
                              "Funz12005", "2005"}),
              QStringList({"TipoTerritorio", "COD_TERR", "PROV", "AS013", "IAS020", "Funz", "2005"}));
    const QString q = exportMetadataQuery("Variabili", {"AS013", "TR001"});
    EXPECT_TRUE(q.endsWith("WHERE  IdVariabile ='AS013' OR  IdVariabile ='TR001'")) << q.toStdString();
    EXPECT_TRUE(exportMetadataQuery("Indicatori", {"IAS013"}).contains("INNER JOIN Settore ON Argomento.idSettore"));
    // A file name with no extension and the three known ones are exported below; any other
    // ending gets the first filter's.
    EXPECT_EQ(exportFileName("/a.b/dati.2005"), "/a.b/dati.2005.xlsx");
    EXPECT_EQ(exportFileName("/a/dati.CSV"), "/a/dati.CSV");
}

// Numbers from column 5 on take the CSV's decimal mark and lose their group marks, whatever the
// program's mark; codes and texts stay as they are, quoted where they must be; UTF-8 with its
// byte-order mark, records ending in CR LF.
TEST(ExportCsv, NumbersTakeTheCsvMarkAndFieldsAreQuotedWhereNeeded)
{
    const DataTable t(QList<QStringList> {
        {"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "V_2005", "Nota"},
        {"1", "001", "1", "01", "ITC11", "Torino", "1.333.806,76", "a;b \"c\""},
        {"1", "0,5", "", "", "", "Riga\ndue", "-0,5", "n.d."},
    });
    EXPECT_EQ(csvText(t, NumberFormat::comma()),
              "\xEF\xBB\xBFTipoTerritorio;COD_TERR;PROV;REG;COD_NUTS;Territorio;V_2005;Nota\r\n"
              "1;001;1;01;ITC11;Torino;1333806,76;\"a;b \"\"c\"\"\"\r\n"
              "1;0,5;;;;\"Riga\ndue\";-0,5;n.d.\r\n");
    const DataTable p(QList<QStringList> {{"COD_TERR", "a", "b", "c", "d", "V"}, {"001", "", "", "", "", "1,234.5"}});
    EXPECT_TRUE(csvText(p, NumberFormat::point()).endsWith(";1234,5\r\n"));
    EXPECT_TRUE(csvText(p, NumberFormat::point(), {',', '.'}).endsWith(",1234.5\r\n"));
}

// The copied block: the cells between the corners in the order the rows stand, hidden columns
// left out, numbers with the table's decimal mark and no group marks; the headers only when
// every data row is in it.
TEST(ExportClipboard, TheBlockAsTheGridShowsIt)
{
    DataTable t({"TipoTerritorio", "COD_TERR", "Territorio", "AS013_2005", "Nota"}, {-1, -1, -1, 2, -1},
                NumberFormat::comma());
    const struct {
        const char *code, *name;
        double value;
        const char *note;
    } rows[] = {{"001", "Torino", 1333806.764, "a\tb"}, {"002", "Vercelli", -0.5, "<x & y>"}, {"007", "Aosta", 12, ""}};
    for (const auto &r : rows) {
        t.setInteger(0, 1);
        t.setTextValue(1, r.code);
        t.setTextValue(2, r.name);
        t.setReal(3, r.value);
        t.setTextValue(4, r.note);
        t.endRow();
    }
    t.sortGeneric(3, true, t.numbers()); // Vercelli, Aosta, Torino

    // Two rows, corners given bottom-right first: the rows as they stand, no headers.
    CopiedBlock b = copiedBlock(t, {2, 4}, {1, 2});
    EXPECT_EQ(b.text, "Vercelli\t-0,50\t<x & y>\nAosta\t12,00\t\n");
    EXPECT_TRUE(b.html.contains("<td>Vercelli</td><td align=\"right\">-0,50</td><td>&lt;x &amp; y&gt;</td>"))
        << b.html.toStdString();

    // Every row and column (Ctrl+A), the hidden first column left out: headers first.
    b = copiedBlock(t, {1, 0}, {3, 4}, {0});
    EXPECT_EQ(b.text, "COD_TERR\tTerritorio\tAS013_2005\tNota\n"
                      "002\tVercelli\t-0,50\t<x & y>\n"
                      "007\tAosta\t12,00\t\n"
                      "001\tTorino\t1333806,76\ta b\n");
    EXPECT_TRUE(b.html.count("<tr>") == 4 && b.html.contains("<th>COD_TERR</th>"));

    // Corners outside the table are clipped to it; a block of hidden columns is nothing.
    EXPECT_EQ(copiedBlock(t, {3, 3}, {9, 9}).text, "1333806,76\ta b\n");
    EXPECT_TRUE(copiedBlock(t, {1, 0}, {2, 0}, {0}).text.isEmpty());
}

namespace {

// How an export ended: "written", "not written" or the procedure of its failure.
std::string ended(const Result<ExportEnd> &r)
{
    if (!r)
        return "failed in " + r.failure().procedure.toStdString();
    return r.value() == ExportEnd::Written ? "written" : "not written";
}

// An opener that records the files it is asked to open and answers a scripted outcome.
struct FakeOpener : FileOpener {
    Outcome answer = Outcome::Opened;
    QStringList opened;
    Outcome open(const QString &path) override
    {
        opened << path;
        return answer;
    }
};

const QString kOpenNow = "Si desidera aprire il file adesso per consultarlo?";

} // namespace

// The result of AS013 (2004, 2005) and TR001 (2005) for Torino, Valle d'Aosta and Italia in
// territory-code order, with a derived column.
class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx->DbFolder = tf.file("Databases/");
        ASSERT_TRUE(refreshLinkedTables(*ctx, *ctx));
        for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
            QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, tf.file(QString("Files/") + t));
        ctx->CurrentDb = "Variabili.mdb";
        ctx->CurrentTipo = "Variabili";
        const Result<QString> built = CreaQuery(
            *ctx, ctx->CurrentDb, ctx->CurrentTipo, {"AS013-2004 - a", "AS013-2005 - b", "TR001-2005 - c"},
            "land_Ind.DES_TERR IN( 'Torino', 'Valle d''Aosta/Vallée d''Aoste', 'Italia')");
        ASSERT_TRUE(built);
        Recordset rs = ctx->GetDbConnection("Variabili.mdb")->query(built.value() + " order by land_Ind.COD_TERR");
        table.push_back(rs.fieldNames() + QStringList {"Funz12005"});
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList row;
            for (const QVariant &v : rs.row(r))
                row << (v.isNull() ? QString() : v.toString());
            table.push_back(row << (r == 0 ? "0,3333" : ""));
        }
        grid = DataTable(QList<QStringList>(table.begin(), table.end()));
    }
    // The export command of the grid window on the grid.
    std::string esporta() { return ended(EsportaInExcel(*ctx, *ctx, *ctx, grid, opener)); }
    wbtest::ReadSheet sheet(const QString &file, int index)
    {
        std::string why;
        const auto sheets = wbtest::readBack(file.toStdString(), &why);
        EXPECT_TRUE(sheets && int(sheets->size()) > index) << why;
        return sheets && int(sheets->size()) > index ? (*sheets)[size_t(index)] : wbtest::ReadSheet {};
    }
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    TextTable table;
    DataTable grid;
    FakeOpener opener;
};

TEST_F(ExportTest, BothFormatsHoldTheTableAndOneMetadataRowPerItem)
{
    for (const char *name : {"dati.xls", "dati.xlsx"}) {
        const QString file = tf.file(QString("Excel/") + name);
        ASSERT_EQ(ended(CreateExcelFile(*ctx, *ctx, *ctx, table, file)), "written") << tf.prompt.messages().join("|").toStdString();
        const wbtest::ReadSheet data = sheet(file, 0), meta = sheet(file, 1);
        EXPECT_EQ(data.name + "|" + meta.name, "Dati|Metadati variabili");
        EXPECT_EQ(data.rows, 4);
        // The code columns are texts, even "1" and "001" (Torino); the data columns are numbers;
        // blanks are no cell.
        EXPECT_EQ(data.cells.at({1, 0}).text + data.cells.at({1, 1}).text, "1001");
        EXPECT_EQ(data.cells.at({1, 6}).type, 'n');
        EXPECT_DOUBLE_EQ(data.cells.at({1, 9}).number, 0.3333);
        EXPECT_TRUE(!data.cells.count({2, 9}) || data.cells.at({2, 9}).text.empty());
        EXPECT_EQ(meta.rows, 3) << "header, AS013 once for two years, TR001; the derived column has none";
    }
}

// The table is put in territory order for the workbook (the CSV test reads the order written)
// and left so, each row keeping its colour; the dialog offers .xlsx first, and the default
// answer opens the file.
TEST_F(ExportTest, EsportaInExcelWritesInTerritoryOrderAndLeavesTheTableSo)
{
    grid.colorStripes();
    grid.sortGeneric(6, false, ctx->numbers); // the user's last sort
    std::map<QString, QRgb> colours;
    for (int r = 1; r < grid.rowCount(); ++r)
        colours[grid.text(r, 1)] = grid.background(r);
    const QStringList codes {"001", "02", "ITA"};
    ASSERT_NE(grid.text(1, 1), "001") << "the sort before the export must have something to do";
    const QString file = tf.file("Excel/ordine"); // no extension: the first filter's, .xlsx
    tf.prompt.answerFile(file);
    ASSERT_EQ(esporta(), "written") << tf.prompt.messages().join("|").toStdString();
    const QStringList filter = tf.prompt.shown().front().text.split('|');
    EXPECT_EQ(QStringList({filter.value(1), filter.value(3), filter.value(5)}),
              QStringList({"*.xlsx", "*.xls", "*.csv"}));
    EXPECT_EQ(opener.opened, QStringList {file + ".xlsx"});
    for (int r = 1; r < grid.rowCount(); ++r) {
        EXPECT_EQ(grid.text(r, 1), codes.at(r - 1));
        EXPECT_EQ(grid.background(r), colours[grid.text(r, 1)]);
    }
}

// The CSV takes the workbook's road: the rows in territory-code order, the derived column
// included; a file that cannot be written fails in Italian, the system's words in the failure's detail.
TEST_F(ExportTest, TheCsvTakesTheWorkbooksRoad)
{
    grid.sortGeneric(6, false, ctx->numbers);
    tf.prompt.answer(Answer::No); // do not open it
    tf.prompt.answerFile(tf.file("Excel/dati.csv"));
    ASSERT_EQ(esporta(), "written") << tf.prompt.messages().join("|").toStdString();
    const QStringList lines = QString::fromUtf8(tf.read("Excel/dati.csv")).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), grid.rowCount());
    EXPECT_TRUE(lines[0].endsWith(";Funz12005"));
    EXPECT_TRUE(lines[1].startsWith("1;001;")) << "territory-code order";

    tf.prompt.clear();
    const QString missing = tf.file("manca/dati.csv");
    const Result<ExportEnd> refused = CreateExcelFile(*ctx, *ctx, *ctx, grid, missing);
    ASSERT_EQ(ended(refused), "failed in CreateExcelFile");
    EXPECT_FALSE(QFile::exists(missing));
    EXPECT_EQ(refused.failure().message, "Impossibile scrivere il file " + missing + ".");
    EXPECT_GT(refused.failure().detail.trimmed().size(), 3) << "the system's words";
    EXPECT_TRUE(tf.prompt.messages().isEmpty());
}

TEST_F(ExportTest, DecliningTheOverwriteOrTheDialogLeavesEverythingAsItWas)
{
    const QString file = tf.file("Excel/vecchio.XLSX");
    tf.write("Excel/vecchio.XLSX", "contenuto di prima");
    tf.prompt.answerFile(file);
    tf.prompt.answer(Answer::No);
    EXPECT_EQ(esporta(), "not written");
    EXPECT_EQ(tf.read("Excel/vecchio.XLSX"), "contenuto di prima");
    EXPECT_EQ(tf.prompt.shown().back().buttons, Buttons::YesNo);

    // Yes replaces it with a workbook in the format of its extension, whatever its case.
    tf.prompt.answerFile(file);
    tf.prompt.answer(Answer::Yes);
    tf.prompt.answer(Answer::No); // do not open it
    EXPECT_EQ(esporta(), "written");
    EXPECT_EQ(sheet(file, 0).rows, grid.rowCount());
    EXPECT_TRUE(opener.opened.isEmpty());

    // No name chosen: nothing at all.
    tf.prompt.clear();
    EXPECT_EQ(esporta(), "not written");
    EXPECT_EQ(tf.prompt.shown().size(), 1u);
}

// A grid without data rows (a query with no rows, or the empty table left by a statement
// refused for its size) has nothing to export: no file is asked for, none written, nothing logged;
// nor is anything offered when the template is missing.
TEST_F(ExportTest, ATableWithoutDataRowsOrTemplateIsNotExported)
{
    for (const DataTable &empty : {DataTable(), DataTable(QList<QStringList> {table.front()})}) {
        grid = empty;
        tf.prompt.clear();
        tf.prompt.answerFile(tf.file("Excel/vuota.xls"));
        EXPECT_EQ(esporta(), "not written");
        EXPECT_EQ(tf.prompt.messages(), QStringList {"La tabella non contiene dati da esportare."});
        EXPECT_FALSE(QFile::exists(tf.file("Excel/vuota.xls")));
        EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));
    }

    QFile::remove(tf.file("Files/DatiTemplateVar"));
    grid = DataTable(QList<QStringList>(table.begin(), table.end()));
    tf.prompt.answerFile(tf.file("Excel/x.xls"));
    EXPECT_EQ(esporta(), "failed in CreateExcelFile");
    EXPECT_FALSE(QFile::exists(tf.file("Excel/x.xls")));
    EXPECT_FALSE(tf.prompt.messages().contains(kOpenNow));
}

TEST_F(ExportTest, OpenFileExcelReportsWhatTheOpenerCouldNotDo)
{
    const QString file = tf.file("Excel/x.xls");
    using O = FileOpener::Outcome;
    // The message after the question, if any.
    const std::pair<O, QString> cases[] = {
        {O::NoApplication, "Non si dispone di un'applicazione che possa aprire il file!"},
        {O::NotFound, "File non trovato o rovinato."},
        {O::Opened, ""},
        {O::Failed, ""}};
    for (const auto &[outcome, message] : cases) {
        tf.prompt.clear();
        opener.answer = outcome;
        EXPECT_EQ(OpenFileExcel(*ctx, file, opener), outcome);
        EXPECT_EQ(tf.prompt.messages(), QStringList({kOpenNow, message}).filter(QRegularExpression(".")));
        EXPECT_TRUE(message.isEmpty() || tf.prompt.shown().back().icon == Icon::Critical);
    }

    // The desktop opener finds a missing or empty file before asking the desktop.
    DesktopFileOpener desktop;
    tf.write("Excel/vuoto.xls", "");
    for (const char *name : {"Excel/manca.xls", "Excel/vuoto.xls"})
        EXPECT_EQ(desktop.open(tf.file(name)), O::NotFound) << name;
}

// Long exports report their progress; a stop at any step, the last one before the file is
// replaced included, leaves the earlier file as it was and no scrap beside it, and is neither
// logged nor told as an error.
TEST_F(ExportTest, CancellingAnExportLeavesTheEarlierFileIntact)
{
    // 400 rows: enough for the writers to report along the way.
    QList<QStringList> rows {table.front()};
    for (int i = 0; i < 400; ++i) {
        QStringList row = table[1 + size_t(i) % (table.size() - 1)];
        row[1] = QString::number(1000 + i);
        rows << row;
    }
    grid = DataTable(rows);
    const QDir excel(tf.file("Excel"));
    for (const char *name : {"vecchio.xlsx", "vecchio.xls", "vecchio.csv"}) {
        SCOPED_TRACE(name);
        const QString file = excel.filePath(name);
        // A complete export first, to learn how many steps it reports.
        tf.prompt.clear();
        const QString fresh = excel.filePath(QString("nuovo.") + QFileInfo(file).suffix());
        ASSERT_EQ(ended(CreateExcelFile(*ctx, *ctx, *ctx, grid, fresh)), "written");
        ASSERT_FALSE(tf.prompt.progressShown().empty());
        const auto whole = tf.prompt.progressShown().back();
        ASSERT_GE(whole.steps.size(), 4u);
        EXPECT_TRUE(whole.ended && whole.steps.back() == whole.total);

        const int n = int(whole.steps.size());
        for (int stopAt : {n / 2, n}) {
            tf.write(QString("Excel/") + name, "contenuto di prima");
            tf.prompt.cancelProgressAtStep(stopAt);
            EXPECT_EQ(ended(CreateExcelFile(*ctx, *ctx, *ctx, grid, file)), "not written") << stopAt;
            EXPECT_EQ(tf.read(QString("Excel/") + name), "contenuto di prima") << stopAt;
            EXPECT_EQ(tf.prompt.progressShown().back().steps.size(), size_t(stopAt)) << "no step after the stop";
            tf.prompt.cancelProgressAtStep(0);
        }
        EXPECT_EQ(excel.entryList(QDir::Files).size(), excel.entryList({"nuovo.*", "vecchio.*"}, QDir::Files).size())
            << excel.entryList(QDir::Files).join(' ').toStdString();
        EXPECT_TRUE(tf.prompt.messages().isEmpty()) << tf.prompt.messages().join('|').toStdString();
    }
    EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));

    // Through the window's command: no offer to open a file that was not written.
    tf.prompt.clear();
    tf.prompt.answerFile(excel.filePath("vecchio.xlsx"));
    tf.prompt.answer(Answer::Yes); // overwrite
    tf.prompt.cancelProgressAtStep(2);
    EXPECT_EQ(esporta(), "not written");
    EXPECT_EQ(tf.read("Excel/vecchio.xlsx"), "contenuto di prima");
    EXPECT_FALSE(tf.prompt.messages().contains(kOpenNow));
}

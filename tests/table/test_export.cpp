// The table export on the sample data, read back by independent readers.

#include "table/datatable.h"
#include "table/export.h"

#include "ReadBack.h"
#include "catalogue/querybuilder.h"
#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <map>

using namespace qrn;
using qrn::test::TestFolder;

TEST(ExportCodes, YearsAreCutOnceAndTerritoryHeadersStay)
{
    // The last five characters go whenever the last four read as a number: a derived column
    // named Funz12005 becomes "Funz", which names no catalogue entry.
    EXPECT_EQ(exportCodeList({"TipoTerritorio", "COD_TERR", "PROV", "AS013_2004", "AS013_2005", "IAS020_2006",
                              "Funz12005", "2005"}),
              QStringList({"TipoTerritorio", "COD_TERR", "PROV", "AS013", "IAS020", "Funz", "2005"}));
    const QString q = exportMetadataQuery("Variabili", {"AS013", "TR001"});
    EXPECT_TRUE(q.endsWith("WHERE  IdVariabile ='AS013' OR  IdVariabile ='TR001'")) << q.toStdString();
    EXPECT_TRUE(q.contains("[2008], UnitaMisura"));
    EXPECT_TRUE(exportMetadataQuery("Indicatori", {"IAS013"}).contains("INNER JOIN Settore ON Argomento.idSettore"));
}

class ExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
        for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
            QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, tf.file(QString("Files/") + t));
        ctx->CurrentDb = "Variabili.mdb";
        ctx->CurrentTipo = "Variabili";
        ASSERT_TRUE(CreaQuery(*ctx, {"AS013-2004 - a", "AS013-2005 - b", "TR001-2005 - c"},
                              "land_Ind.DES_TERR IN( 'Torino', 'Valle d''Aosta/Vallée d''Aoste', 'Italia')"));
        auto c = ctx->GetDbConnection("Variabili.mdb");
        Recordset rs = c->query(ctx->SelectQuery + " order by land_Ind.COD_TERR");
        table.push_back(rs.fieldNames() + QStringList {"Funz12005"});
        for (int r = 0; r < rs.recordCount(); ++r) {
            QStringList row;
            for (const QVariant &v : rs.row(r))
                row << (v.isNull() ? QString() : v.toString());
            row << (r == 0 ? "0,3333" : "");
            table.push_back(row);
        }
    }
    TestFolder tf;
    std::unique_ptr<AppContext> ctx;
    TextTable table;
};

TEST_F(ExportTest, BothFormatsHoldTheTableAndOneMetadataRowPerItem)
{
    for (const char *name : {"dati.xls", "dati.xlsx"}) {
        const QString file = tf.file(QString("Excel/") + name);
        ASSERT_TRUE(CreateExcelFile(*ctx, table, file)) << tf.prompt.messages().join("|").toStdString();
        std::string why;
        const auto sheets = wbtest::readBack(file.toStdString(), &why);
        ASSERT_TRUE(sheets) << why;
        ASSERT_GE(sheets->size(), 2u);
        const auto &data = (*sheets)[0];
        EXPECT_EQ(data.name, "Dati");
        EXPECT_EQ(data.rows, int(table.size()));
        // The header row and the code columns are texts, even "1" and "001"; every value of the
        // data columns is a number; blanks are no cell.
        for (size_t r = 0; r < table.size(); ++r) {
            for (int c = 0; c < table[r].size(); ++c) {
                const QString t = table[r][c];
                const auto it = data.cells.find({int(r), c});
                if (t.isEmpty()) {
                    EXPECT_TRUE(it == data.cells.end() || it->second.text.empty()) << r << "," << c;
                    continue;
                }
                ASSERT_NE(it, data.cells.end()) << name << " " << r << "," << c;
                EXPECT_EQ(it->second.type, r == 0 || c < 6 ? 't' : 'n') << r << "," << c << " " << t.toStdString();
                if (it->second.type == 't')
                    EXPECT_EQ(QString::fromStdString(it->second.text), t);
            }
        }
        EXPECT_DOUBLE_EQ(data.cells.at({1, 9}).number, 0.3333);
        EXPECT_EQ(data.cells.at({1, 0}).text, "1");
        // "001" stays text with its zeros.
        bool torino = false;
        for (const auto &[pos, cell] : data.cells)
            torino = torino || (pos.second == 1 && cell.text == "001");
        EXPECT_TRUE(torino);
        const auto &meta = (*sheets)[1];
        EXPECT_EQ(meta.name, "Metadati variabili");
        EXPECT_EQ(meta.rows, 3) << "header, AS013 once for two years, TR001; the derived column has none";
        EXPECT_EQ(meta.cells.at({0, 0}).text, "Variabile");
        // The rows come in the order the database returns them.
        QStringList codes {QString::fromStdString(meta.cells.at({1, 0}).text),
                           QString::fromStdString(meta.cells.at({2, 0}).text)};
        codes.sort();
        EXPECT_EQ(codes, QStringList({"AS013", "TR001"}));
    }
}

namespace {

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

// The number of message boxes with this text.
int shownCount(const ScriptedPrompt &p, const QString &text)
{
    return int(p.messages().count(text));
}

} // namespace

TEST_F(ExportTest, EsportaInExcelWritesInTerritoryOrderAndLeavesTheTableSo)
{
    DataTable grid(QList<QStringList>(table.begin(), table.end()));
    ASSERT_EQ(grid.rowCount(), 4);
    grid.colorStripes();
    // The user's last sort: descending on a data column.
    grid.sortGeneric(6, false, ctx->numbers);
    std::map<QString, QRgb> colours;
    QStringList sorted;
    for (int r = 1; r < grid.rowCount(); ++r) {
        colours[grid.text(r, 1)] = grid.background(r);
        sorted << grid.text(r, 1);
    }
    const QStringList codes {"001", "02", "ITA"}; // Torino, Valle d'Aosta, Italia
    ASSERT_NE(sorted, codes) << "the sort before the export must have something to do";

    const QString file = tf.file("Excel/ordine"); // no extension: the first filter's, .xls
    tf.prompt.answerFile(file);
    FakeOpener opener;
    ASSERT_TRUE(EsportaInExcel(*ctx, grid, opener)) << tf.prompt.messages().join("|").toStdString();

    // The dialog: its title and the .xls filter first, .xlsx beside it.
    const auto &dialog = tf.prompt.shown().front();
    EXPECT_EQ(dialog.kind, ScriptedPrompt::Shown::Kind::SaveFile);
    EXPECT_EQ(dialog.title, "Selezionare un file...");
    EXPECT_TRUE(dialog.text.startsWith("File di Microsoft Excel.|*.xls|")) << dialog.text.toStdString();
    EXPECT_TRUE(dialog.text.endsWith("|*.xlsx"));
    // The default answer of the open question is Yes: the fake was asked to open the workbook.
    EXPECT_EQ(opener.opened, QStringList {file + ".xls"});
    EXPECT_EQ(tf.prompt.shown().back().text, "Si desidera aprire il file adesso per consultarlo?");
    EXPECT_EQ(tf.prompt.shown().back().icon, Icon::Question);
    EXPECT_FALSE(tf.prompt.busy());

    // The window's table is in territory-code order now, each row with the colour it had.
    for (int r = 1; r < grid.rowCount(); ++r) {
        EXPECT_EQ(grid.text(r, 1), codes.at(r - 1));
        EXPECT_EQ(grid.background(r), colours[grid.text(r, 1)]);
    }
    std::string why;
    const auto sheets = wbtest::readBack((file + ".xls").toStdString(), &why);
    ASSERT_TRUE(sheets) << why;
    for (int r = 1; r < grid.rowCount(); ++r)
        EXPECT_EQ(QString::fromStdString((*sheets)[0].cells.at({r, 1}).text), codes.at(r - 1));
}

TEST_F(ExportTest, DecliningTheOverwriteOrTheDialogLeavesEverythingAsItWas)
{
    DataTable grid(QList<QStringList>(table.begin(), table.end()));
    const QString file = tf.file("Excel/vecchio.XLSX");
    tf.write("Excel/vecchio.XLSX", "contenuto di prima");
    tf.prompt.answerFile(file);
    tf.prompt.answer(Answer::No);
    FakeOpener opener;
    EXPECT_FALSE(EsportaInExcel(*ctx, grid, opener));
    EXPECT_EQ(tf.read("Excel/vecchio.XLSX"), "contenuto di prima");
    const auto &question = tf.prompt.shown().back();
    EXPECT_EQ(question.text, "Il File esiste si vuole sovrascriverlo?");
    EXPECT_EQ(question.title, "Creazione File Excel");
    EXPECT_EQ(question.icon, Icon::Question);
    EXPECT_EQ(question.buttons, Buttons::YesNo);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_FALSE(tf.prompt.busy());

    // Yes replaces it with a workbook in the format of its extension, whatever its case.
    tf.prompt.clear();
    tf.prompt.answerFile(file);
    tf.prompt.answer(Answer::Yes);
    tf.prompt.answer(Answer::No); // do not open it
    EXPECT_TRUE(EsportaInExcel(*ctx, grid, opener));
    std::string why;
    const auto sheets = wbtest::readBack(file.toStdString(), &why);
    ASSERT_TRUE(sheets) << why;
    EXPECT_EQ((*sheets)[0].rows, grid.rowCount());
    EXPECT_TRUE(opener.opened.isEmpty());

    // No name chosen: nothing at all.
    tf.prompt.clear();
    EXPECT_FALSE(EsportaInExcel(*ctx, grid, opener));
    EXPECT_EQ(tf.prompt.shown().size(), 1u);
    EXPECT_FALSE(tf.prompt.busy());
}

// A grid without data rows (a query with no rows, or the empty table left by a statement
// refused for its size) has nothing to export: no file is asked for, none written, nothing logged.
TEST_F(ExportTest, ATableWithoutDataRowsIsNotExported)
{
    for (const DataTable &empty : {DataTable(), DataTable(QList<QStringList> {table.front()})}) {
        DataTable grid = empty;
        tf.prompt.clear();
        tf.prompt.answerFile(tf.file("Excel/vuota.xls"));
        FakeOpener opener;
        EXPECT_FALSE(EsportaInExcel(*ctx, grid, opener));
        ASSERT_EQ(tf.prompt.shown().size(), 1u);
        EXPECT_EQ(tf.prompt.shown()[0].kind, ScriptedPrompt::Shown::Kind::Message);
        EXPECT_EQ(tf.prompt.shown()[0].text, "La tabella non contiene dati da esportare.");
        EXPECT_EQ(tf.prompt.shown()[0].title, "Attenzione");
        EXPECT_FALSE(QFile::exists(tf.file("Excel/vuota.xls")));
        EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));
    }
}

TEST_F(ExportTest, OpenFileExcelReportsWhatTheOpenerCouldNotDo)
{
    const QString file = tf.file("Excel/x.xls");
    FakeOpener opener;
    opener.answer = FileOpener::Outcome::NoApplication;
    EXPECT_EQ(OpenFileExcel(*ctx, file, opener), FileOpener::Outcome::NoApplication);
    ASSERT_EQ(shownCount(tf.prompt, "Non si dispone di un'applicazione che possa aprire il file!"), 1);
    EXPECT_EQ(tf.prompt.shown().back().title, "Attenzione");
    EXPECT_EQ(tf.prompt.shown().back().icon, Icon::Critical);

    opener.answer = FileOpener::Outcome::NotFound;
    OpenFileExcel(*ctx, file, opener);
    EXPECT_EQ(shownCount(tf.prompt, "File non trovato o rovinato."), 1);
    EXPECT_EQ(tf.prompt.shown().back().icon, Icon::Critical);

    tf.prompt.clear();
    for (auto other : {FileOpener::Outcome::Opened, FileOpener::Outcome::Failed}) {
        opener.answer = other;
        OpenFileExcel(*ctx, file, opener);
    }
    EXPECT_EQ(tf.prompt.messages(), QStringList(2, "Si desidera aprire il file adesso per consultarlo?"));

    tf.prompt.answer(Answer::No);
    opener.opened.clear();
    EXPECT_EQ(OpenFileExcel(*ctx, file, opener), FileOpener::Outcome::Failed);
    EXPECT_TRUE(opener.opened.isEmpty());

    // The desktop opener finds a missing or empty file before asking the desktop.
    DesktopFileOpener desktop;
    EXPECT_EQ(desktop.open(tf.file("Excel/manca.xls")), FileOpener::Outcome::NotFound);
    tf.write("Excel/vuoto.xls", "");
    EXPECT_EQ(desktop.open(tf.file("Excel/vuoto.xls")), FileOpener::Outcome::NotFound);
}

TEST_F(ExportTest, AMissingTemplateOffersNoFile)
{
    QFile::remove(tf.file("Files/DatiTemplateVar"));
    DataTable grid(QList<QStringList>(table.begin(), table.end()));
    tf.prompt.answerFile(tf.file("Excel/x.xls"));
    FakeOpener opener;
    EXPECT_FALSE(EsportaInExcel(*ctx, grid, opener));
    EXPECT_FALSE(QFile::exists(tf.file("Excel/x.xls")));
    EXPECT_TRUE(QString::fromLatin1(tf.read("Files/Error.log")).contains("Function: CreateExcelFile"));
    EXPECT_EQ(shownCount(tf.prompt, "Si desidera aprire il file adesso per consultarlo?"), 0);
    EXPECT_TRUE(opener.opened.isEmpty());
    EXPECT_FALSE(tf.prompt.busy());
}

TEST(ExportNames, ExtensionOfTheChosenName)
{
    EXPECT_EQ(exportFileName("/a/dati"), "/a/dati.xls");
    EXPECT_EQ(exportFileName("/a/dati.xls"), "/a/dati.xls");
    EXPECT_EQ(exportFileName("/a/dati.Xlsx"), "/a/dati.Xlsx");
    EXPECT_EQ(exportFileName("/a/dati.2005"), "/a/dati.2005.xls");
    EXPECT_EQ(exportFileName("/a.b/dati"), "/a.b/dati.xls");
}

TEST(Clipboard, OnlyTheCellAtTheSelectionEnd)
{
    DataTable t({{"COD_TERR", "Territorio", "AS013_2005"}, {"001", "Torino", "12,50"}, {"002", "Vercelli", "3,00"}});
    t.current = {1, 0};
    t.selEnd = {2, 2};
    EXPECT_EQ(clipboardCellText(t), "3,00");
    t.selEnd = {0, 1};
    EXPECT_EQ(clipboardCellText(t), "Territorio");
}

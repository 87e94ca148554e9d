// The table export on the sample data, read back by independent readers.

#include "table/export.h"

#include "ReadBack.h"
#include "catalogue/querybuilder.h"
#include "shell/context.h"
#include "shell/links.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

TEST(ExportCodes, YearsAreCutOnceAndTerritoryHeadersStay)
{
    // The last five characters go whenever the last four read as a number: a derived column
    // named Funz12005 becomes "Funz", which names no catalogue entry.
    EXPECT_EQ(exportCodeList({"TipoTerritorio", "COD_TERR", "PROV", "AS013_2004", "AS013_2005", "IAS020_2006", "Funz12005", "2005"}),
              QStringList({"TipoTerritorio", "COD_TERR", "PROV", "AS013", "IAS020", "Funz", "2005"}));
    const QString q = exportMetadataQuery("Variabili", {"AS013", "TR001"});
    EXPECT_TRUE(q.endsWith("WHERE  IDVariabile ='AS013' OR  IDVariabile ='TR001'")) << q.toStdString();
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
        table.push_back(rs.fieldNames() + QStringList{"Funz12005"});
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
        for (size_t r = 0; r < table.size(); ++r) {
            for (int c = 0; c < table[r].size(); ++c) {
                const QString t = table[r][c];
                const auto it = data.cells.find({int(r), c});
                if (t.isEmpty()) {
                    EXPECT_TRUE(it == data.cells.end() || it->second.text.empty()) << r << "," << c;
                    continue;
                }
                ASSERT_NE(it, data.cells.end()) << name << " " << r << "," << c;
                const auto n = ctx->numbers.toNumber(t);
                if (r == 0 || c <= 4 || !n) {
                    EXPECT_EQ(it->second.type, 't') << r << "," << c;
                    EXPECT_EQ(QString::fromStdString(it->second.text), t);
                } else {
                    EXPECT_EQ(it->second.type, 'n') << r << "," << c << " " << t.toStdString();
                    EXPECT_DOUBLE_EQ(it->second.number, *n);
                }
            }
        }
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
        QStringList codes{QString::fromStdString(meta.cells.at({1, 0}).text),
                          QString::fromStdString(meta.cells.at({2, 0}).text)};
        codes.sort();
        EXPECT_EQ(codes, QStringList({"AS013", "TR001"}));
    }
}

TEST_F(ExportTest, AMissingTemplateEndsTheExportThroughTheLog)
{
    QFile::remove(tf.file("Files/DatiTemplateVar"));
    const QString file = tf.file("Excel/x.xlsx");
    EXPECT_FALSE(CreateExcelFile(*ctx, table, file));
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(QString::fromLatin1(tf.read("Files/Error.log")).contains("Function: CreateExcelFile"));
    EXPECT_EQ(tf.prompt.messages().size(), 1);
}

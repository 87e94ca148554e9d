// Export templates: the shipped files and the errors of malformed ones.
#include "ReadBack.h"
#include "Workbook.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace qrn::workbook;

TEST(Template, ShippedAndWrittenTemplates)
{
    std::string error;
    const auto ind = loadTemplate(std::string(QRN_WB_TEMPLATE_DIR) + "/DatiTemplateInd", &error);
    ASSERT_TRUE(ind) << error;
    EXPECT_EQ(ind->metaSheetName, "Metadati indicatori");

    wbtest::TempDir dir;
    const auto load = [&](const std::string &content) {
        std::ofstream(dir / "tpl", std::ios::binary) << content;
        return loadTemplate((dir / "tpl").string(), &error);
    };
    // A byte-order mark, CR LF, comments, blanks around keys and values; optional keys.
    auto t = load("\xEF\xBB\xBF# commento\r\n\r\n  dataSheet = Dati 2008 \r\nmetaSheet=Metà\r\n"
                  "headerFill=#0a0B0c\r\nheaderBold=TRUE\r\n");
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->dataSheetName, "Dati 2008");
    EXPECT_EQ(t->metaSheetName, "Metà");
    EXPECT_TRUE(t->header.bold);
    EXPECT_EQ(t->header.fill, 0x0A0B0Cu);
    t = load("dataSheet=A\nmetaSheet=B\n");
    EXPECT_TRUE(t && !t->header.bold && !t->header.fill) << error;

    // Malformed files: the error names the file and what is wrong.
    const std::string ok = "dataSheet=Dati\nmetaSheet=Metadati\n";
    const std::pair<std::string, std::string> cases[] = {
        {"dataSheet=Dati\n", "metaSheet"},
        {"", "dataSheet"},
        {ok + "headerColour=#FFFFFF\n", "headerColour"},
        {ok + "headerFill=DDEBF7\n", "DDEBF7"},
        {ok + "headerFill=#GGEBF7\n", "#GGEBF7"},
        {ok + "headerBold=yes\n", "yes"},
        {"dataSheet=Dati[1]\nmetaSheet=M\n", "Dati[1]"},
        {"dataSheet=" + std::string(32, 'd') + "\nmetaSheet=M\n", std::string(32, 'd')},
        {"dataSheet=\nmetaSheet=M\n", "dataSheet"},
        {"dataSheet='Dati'\nmetaSheet=M\n", "'Dati'"},
        {"dataSheet=Dati\nmetaSheet=DATI\n", "stesso nome"},
    };
    for (const auto &[content, mentions] : cases) {
        error.clear();
        EXPECT_FALSE(load(content)) << content;
        EXPECT_NE(error.find(mentions), std::string::npos) << content << " -> " << error;
        EXPECT_NE(error.find((dir / "tpl").string()), std::string::npos) << error;
    }
    EXPECT_FALSE(loadTemplate((dir / "nessuno").string(), &error));
    EXPECT_NE(error.find("nessuno"), std::string::npos) << error;
    EXPECT_FALSE(loadTemplate(dir.path().string(), &error)); // a folder, not a file
}

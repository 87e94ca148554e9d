// Export templates: the shipped files and the errors of malformed ones.
#include "ReadBack.h"
#include "Workbook.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace qrn::workbook;

namespace {

std::string templatePath(const char *name)
{
    return std::string(QRN_WB_TEMPLATE_DIR) + "/" + name;
}

TEST(Template, ShippedTemplatesLoad)
{
    const std::pair<const char *, const char *> shipped[] = {{"DatiTemplateVar", "Metadati variabili"},
                                                             {"DatiTemplateInd", "Metadati indicatori"}};
    for (const auto &[name, metaSheet] : shipped) {
        std::string error;
        const auto t = loadTemplate(templatePath(name), &error);
        ASSERT_TRUE(t) << error;
        EXPECT_EQ(t->dataSheetName, "Dati");
        EXPECT_EQ(t->metaSheetName, metaSheet);
        EXPECT_TRUE(t->header.bold && t->header.fill) << name;
    }
}

class TemplateFile : public ::testing::Test {
protected:
    std::optional<Template> load(const std::string &content, std::string *error)
    {
        const auto path = dir / "tpl";
        std::ofstream(path, std::ios::binary) << content;
        return loadTemplate(path.string(), error);
    }
    wbtest::TempDir dir;
};

TEST_F(TemplateFile, BomCrLfCommentsAndOptionalKeys)
{
    std::string error;
    auto t = load("\xEF\xBB\xBF# commento\r\n\r\n  dataSheet = Dati 2008 \r\nmetaSheet=Metà\r\n"
                  "headerFill=#0a0B0c\r\nheaderBold=TRUE\r\n",
                  &error);
    ASSERT_TRUE(t) << error;
    EXPECT_EQ(t->dataSheetName, "Dati 2008");
    EXPECT_EQ(t->metaSheetName, "Metà");
    EXPECT_TRUE(t->header.bold);
    EXPECT_EQ(t->header.fill, 0x0A0B0Cu);

    t = load("dataSheet=A\nmetaSheet=B\n", &error);
    ASSERT_TRUE(t) << error;
    EXPECT_FALSE(t->header.bold);
    EXPECT_FALSE(t->header.fill);
}

TEST_F(TemplateFile, MalformedFilesAreErrors)
{
    const std::string ok = "dataSheet=Dati\nmetaSheet=Metadati\n";
    const struct {
        std::string content;
        std::string mentions;
    } cases[] = {
        {"dataSheet=Dati\n", "metaSheet"},
        {"metaSheet=Metadati\n", "dataSheet"},
        {"", "dataSheet"},
        {ok + "headerColour=#FFFFFF\n", "headerColour"},
        {ok + "headerFill=DDEBF7\n", "DDEBF7"},
        {ok + "headerFill=#GGEBF7\n", "#GGEBF7"},
        {ok + "headerFill=#DDEBF\n", "#DDEBF"},
        {ok + "headerBold=yes\n", "yes"},
        {"dataSheet=Dati[1]\nmetaSheet=M\n", "Dati[1]"},
        {"dataSheet=" + std::string(32, 'd') + "\nmetaSheet=M\n", std::string(32, 'd')},
        {"dataSheet=\nmetaSheet=M\n", "dataSheet"},
        {"dataSheet='Dati'\nmetaSheet=M\n", "'Dati'"},
        {"dataSheet=Dati\nmetaSheet=DATI\n", "stesso nome"},
    };
    for (const auto &c : cases) {
        std::string error;
        EXPECT_FALSE(load(c.content, &error)) << c.content;
        EXPECT_NE(error.find(c.mentions), std::string::npos) << c.content << " -> " << error;
        EXPECT_NE(error.find((dir / "tpl").string()), std::string::npos) << error;
    }
}

TEST_F(TemplateFile, MissingFileIsAnError)
{
    std::string error;
    EXPECT_FALSE(loadTemplate((dir / "nessuno").string(), &error));
    EXPECT_NE(error.find("nessuno"), std::string::npos) << error;
    EXPECT_FALSE(loadTemplate(dir.path().string(), &error)); // a folder, not a file
}

} // namespace

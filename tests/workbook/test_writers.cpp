// Workbooks written by both writers and read back by independent readers.
#include "ReadBack.h"
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <limits>
#include <set>

using namespace qrn::workbook;
using wbtest::ReadSheet;
using wbtest::TempDir;

namespace {

Cell T(std::string s)
{
    return Cell::ofText(std::move(s));
}
Cell N(double v)
{
    return Cell::ofNumber(v);
}

std::vector<ReadSheet> mustRead(const std::filesystem::path &file)
{
    std::string why;
    auto sheets = wbtest::readBack(file, &why);
    if (!sheets)
        ADD_FAILURE() << why;
    return sheets.value_or(std::vector<ReadSheet> {});
}

// Every cell of `source` is what the reader found, and the reader found nothing else.
void expectSameCells(const Sheet &source, const ReadSheet &read)
{
    std::size_t expectedCells = 0;
    for (std::size_t r = 0; r < source.rows.size(); ++r) {
        for (std::size_t c = 0; c < source.rows[r].size(); ++c) {
            const auto want = wbtest::expectedOf(source.rows[r][c]);
            const auto it = read.cells.find({static_cast<int>(r), static_cast<int>(c)});
            if (!want) {
                EXPECT_TRUE(it == read.cells.end()) << read.name << " R" << r << "C" << c;
                continue;
            }
            ++expectedCells;
            ASSERT_TRUE(it != read.cells.end()) << read.name << " R" << r << "C" << c << " missing";
            EXPECT_EQ(it->second.type, want->type) << read.name << " R" << r << "C" << c;
            if (want->type == 't') {
                EXPECT_EQ(it->second.text, want->text) << " R" << r << "C" << c;
            } else {
                EXPECT_EQ(it->second.number, want->number) << " R" << r << "C" << c;
            }
        }
    }
    EXPECT_EQ(read.cells.size(), expectedCells) << read.name;
}

// A table shaped like the program's result table, and a metadata sheet.
Workbook sampleWorkbook()
{
    Sheet data;
    data.name = "Dati";
    data.rows = {
        {T("TipoTerritorio"), T("COD_TERR"), T("PROV"), T("REG"), T("COD_NUTS"), T("Territorio"), T("AS013_2005"),
         T("IAS013_2006")},
        {T("R"), T("001"), T("000"), T("01"), T("ITC1"), T("Piemonte"), N(12.5), N(-3.75)},
        {T("R"), T("002"), T("000"), T("02"), T("ITC2"), T("Valle d'Aosta/Vallée d'Aoste"), N(0.01), T("n.d.")},
        {T("P"), T("021"), T("021"), T("04"), T("ITD1"), T("Provincia autonoma di Bolzano/Bozen"), N(1234567.89),
         Cell {}},
        {T("R"), T("006"), T("000"), T("06"), T("ITD4"), T("Friuli-Venezia Giulia"), N(0), T("12,50")},
    };
    Sheet meta;
    meta.name = "Metadati";
    meta.rows = {
        {T("Variabile"), T("Area"), T("DescVariabile"), T("Note_1996")},
        {T("AS013"), T("Servizi"), T("Posti letto per 1.000 abitanti — “ospedalieri” € ½"),
         T(std::string(500, 'x') + "\nseconda riga 🙂")},
        {T("AS014"), T("Servizi"), T("Scuole dell'infanzia"), N(1e-7)},
    };
    Workbook wb;
    wb.sheets = {data, meta};
    return wb;
}

class BothFormats : public ::testing::TestWithParam<const char *> {
protected:
    std::filesystem::path file(const std::string &stem) const { return dir / (stem + GetParam()); }
    bool isXls() const { return std::string(GetParam()) == ".xls"; }
    TempDir dir;
};

INSTANTIATE_TEST_SUITE_P(Workbook, BothFormats, ::testing::Values(".xls", ".xlsx"),
                         [](const auto &info) { return std::string(info.param + 1); });

TEST_P(BothFormats, KeepsTextsNumbersAndSheets)
{
    const Workbook wb = sampleWorkbook();
    std::string error;
    ASSERT_TRUE(write(wb, file("out").string(), &error)) << error;
    const auto read = mustRead(file("out"));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, "Dati");
    EXPECT_EQ(read[1].name, "Metadati");
    expectSameCells(wb.sheets[0], read[0]);
    expectSameCells(wb.sheets[1], read[1]); // codes among them stay text with their leading zeros
}

TEST_P(BothFormats, RepairsTextsAndNumbersSpreadsheetsCannotHold)
{
    Workbook wb;
    Sheet s;
    s.name = "Prova";
    const std::string tooLong = std::string(detail::kMaxCellText - 1, 'a') + "🙂🙂";
    s.rows = {{T("abc\xFF"
                 "def"),
               N(std::numeric_limits<double>::quiet_NaN()), N(std::numeric_limits<double>::infinity()), T(tooLong),
               T("")}};
    wb.sheets = {s};
    std::string error;
    ASSERT_TRUE(write(wb, file("fix").string(), &error)) << error;
    const auto read = mustRead(file("fix"));
    ASSERT_EQ(read.size(), 1u);
    const auto &cells = read[0].cells;
    EXPECT_EQ(cells.at({0, 0}).text,
              "abc\xEF\xBF\xBD"
              "def"); // U+FFFD for the bad byte
    EXPECT_EQ(cells.at({0, 1}).text, "NaN");
    EXPECT_EQ(cells.at({0, 2}).text, "Inf");
    // Cut at 32767 UTF-16 units: the first smiley would need units 32767 and 32768.
    EXPECT_EQ(cells.at({0, 3}).text, std::string(detail::kMaxCellText - 1, 'a'));
    EXPECT_EQ(cells.count({0, 4}), 0u);
}

TEST_P(BothFormats, HeaderStyleFromTemplate)
{
    std::string error;
    const auto tpl = loadTemplate(std::string(QRN_WB_TEMPLATE_DIR) + "/DatiTemplateVar", &error);
    ASSERT_TRUE(tpl) << error;
    ASSERT_TRUE(tpl->header.fill);
    Workbook wb = sampleWorkbook();
    wb.sheets[0].rows[0].push_back(Cell {}); // an empty header cell still gets the style
    applyTemplate(*tpl, wb);
    ASSERT_TRUE(write(wb, file("style").string(), &error)) << error;
    const auto read = mustRead(file("style"));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name, tpl->dataSheetName);
    EXPECT_EQ(read[1].name, tpl->metaSheetName);
    char rgb[8];
    std::snprintf(rgb, sizeof rgb, "%06X", *tpl->header.fill);
    for (const auto &sheet : read) {
        int headerCells = 0;
        for (const auto &[at, style] : sheet.styles) {
            if (at.first == 0) {
                ++headerCells;
                EXPECT_TRUE(style.bold) << sheet.name << " C" << at.second;
                EXPECT_EQ(style.fill, rgb) << sheet.name << " C" << at.second;
            } else {
                EXPECT_FALSE(style.bold) << sheet.name << " C" << at.second;
                EXPECT_EQ(style.fill, "-") << sheet.name << " C" << at.second;
            }
        }
        EXPECT_GE(headerCells, 4) << sheet.name;
    }
    EXPECT_EQ(read[0].styles.count({0, 8}), 1u);
}

TEST_P(BothFormats, ColumnsFittedToLongestText)
{
    Workbook wb;
    Sheet s;
    s.name = "Larghezze";
    s.rows = {{T("ab"), T("Codice"), T(std::string(300, 'w')), N(1234567.891)},
              {T("c"), T("Valle d'Aosta/Vallée d'Aoste"), T("x"), N(1)}};
    Sheet unfitted = s;
    unfitted.name = "Non adattato";
    unfitted.fitColumns = false;
    wb.sheets = {s, unfitted};
    std::string error;
    ASSERT_TRUE(write(wb, file("widths").string(), &error)) << error;
    const auto read = mustRead(file("widths"));
    ASSERT_EQ(read.size(), 2u);
    const auto &w = read[0].widths;
    ASSERT_EQ(w.size(), 4u);
    const double name = std::string("Valle d'Aosta/Vallée d'Aoste").size() - 1; // é is one char
    EXPECT_GE(w.at(1), name);
    EXPECT_LE(w.at(1), name + 4);
    EXPECT_LT(w.at(0), w.at(1));
    EXPECT_GE(w.at(2), detail::kMaxColumnWidth - 1); // capped, not 300
    EXPECT_LE(w.at(2), detail::kMaxColumnWidth + 1);
    EXPECT_GE(w.at(3), 11);
    EXPECT_TRUE(read[1].widths.empty());
}

TEST_P(BothFormats, SheetNamesMadeValidAndUnique)
{
    Workbook wb;
    for (const char *name : {"Dati:2005/2006?", "Nome di foglio decisamente troppo lungo", "dati:2005/2006?", "",
                             "'Citato'", "Città [é]"}) {
        Sheet s;
        s.name = name;
        s.rows = {{T("x")}};
        wb.sheets.push_back(s);
    }
    std::string error;
    ASSERT_TRUE(write(wb, file("names").string(), &error)) << error;
    const auto read = mustRead(file("names"));
    ASSERT_EQ(read.size(), 6u);
    EXPECT_EQ(read[0].name, "Dati_2005_2006_");
    EXPECT_EQ(read[1].name, "Nome di foglio decisamente trop");
    EXPECT_EQ(read[2].name, "dati_2005_2006_ (2)");
    EXPECT_EQ(read[3].name, "Foglio4");
    EXPECT_EQ(read[4].name, "Citato");
    EXPECT_EQ(read[5].name, "Città _é_");
}

TEST_P(BothFormats, FailureNamesTheFileAndLeavesNothing)
{
    const auto missingDir = dir / "manca" / ("out" + std::string(GetParam()));
    std::string error;
    EXPECT_FALSE(write(sampleWorkbook(), missingDir.string(), &error));
    EXPECT_NE(error.find(missingDir.string()), std::string::npos) << error;
    EXPECT_FALSE(std::filesystem::exists(missingDir.parent_path()));

    Workbook empty;
    error.clear();
    EXPECT_FALSE(write(empty, file("empty").string(), &error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(std::filesystem::exists(file("empty")));
}

TEST(WorkbookWrite, FormatFollowsExtensionInAnyCase)
{
    TempDir dir;
    auto head = [](const std::filesystem::path &p) {
        std::ifstream in(p, std::ios::binary);
        std::string s(8, '\0');
        in.read(s.data(), 8);
        return s;
    };
    std::string error;
    ASSERT_TRUE(write(sampleWorkbook(), (dir / "A.XLS").string(), &error)) << error;
    ASSERT_TRUE(write(sampleWorkbook(), (dir / "b.XlsX").string(), &error)) << error;
    EXPECT_EQ(head(dir / "A.XLS"), std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
    EXPECT_EQ(head(dir / "b.XlsX").substr(0, 4), std::string("PK\x03\x04", 4));
    for (const char *bad : {"c.csv", "noext", "dir.xls/file"}) {
        error.clear();
        EXPECT_FALSE(write(sampleWorkbook(), (dir / bad).string(), &error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 2);
}

// ---- .xls specifics ----

// The table reassembled from a read-back workbook whose sheet `first` was split at 256 columns
// into continuation sheets starting at index `firstContinuation`, `keep` key columns repeated.
std::map<std::pair<int, int>, wbtest::ReadCell> reassemble(const std::vector<ReadSheet> &read, std::size_t first,
                                                           std::size_t firstContinuation, int keep)
{
    auto cells = read[first].cells;
    int base = 256;
    for (std::size_t i = firstContinuation; i < read.size(); ++i) {
        for (const auto &[at, cell] : read[i].cells) {
            if (at.second < keep) {
                EXPECT_EQ(cell.text, cells.at({at.first, at.second}).text) << "key column repeated";
                continue;
            }
            cells[{at.first, base + at.second - keep}] = cell;
        }
        base += read[i].cols - keep;
    }
    return cells;
}

Sheet wideSheet(int cols, int rows)
{
    Sheet s;
    s.name = "Dati";
    s.repeatColumns = 6;
    for (int r = 0; r < rows; ++r) {
        std::vector<Cell> row;
        for (int c = 0; c < cols; ++c) {
            if (r == 0)
                row.push_back(T(c < 6 ? "K" + std::to_string(c) : "AS" + std::to_string(c) + "_2005"));
            else if (c < 6)
                row.push_back(T(std::to_string(r) + "/" + std::to_string(c)));
            else
                row.push_back(N(r * 1000 + c + 0.25));
        }
        s.rows.push_back(row);
    }
    return s;
}

TEST(XlsWriter, WideTableGoesOnInContinuationSheetsAfterTheOthers)
{
    TempDir dir;
    for (int cols : {257, 700}) {
        Workbook wb;
        wb.sheets = {wideSheet(cols, 4), sampleWorkbook().sheets[1]};
        const auto path = dir / ("wide" + std::to_string(cols) + ".xls");
        std::string error;
        ASSERT_TRUE(writeXls(wb, path.string(), &error)) << error;
        const auto read = mustRead(path);
        const std::size_t parts = 1 + (cols - 256 + 249) / 250;
        ASSERT_EQ(read.size(), parts + 1) << cols;
        EXPECT_EQ(read[0].name, "Dati");
        EXPECT_EQ(read[0].cols, 256);
        EXPECT_EQ(read[1].name, "Metadati"); // the second sheet stays the metadata sheet
        for (std::size_t i = 2; i < read.size(); ++i) {
            EXPECT_EQ(read[i].name, "Dati (" + std::to_string(i) + ")");
            EXPECT_LE(read[i].cols, 256);
        }
        ReadSheet whole;
        whole.name = "reassembled";
        whole.cells = reassemble(read, 0, 2, 6);
        expectSameCells(wb.sheets[0], whole);
    }
}

TEST(XlsxWriter, WideTableStaysOnOneSheet)
{
    TempDir dir;
    Workbook wb;
    wb.sheets = {wideSheet(257, 3)};
    std::string error;
    ASSERT_TRUE(writeXlsx(wb, (dir / "wide.xlsx").string(), &error)) << error;
    const auto read = mustRead(dir / "wide.xlsx");
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].cols, 257);
    expectSameCells(wb.sheets[0], read[0]);
}

// Record types of the stream, with every record body within the BIFF8 limit.
std::vector<uint16_t> recordTypes(const std::vector<uint8_t> &s)
{
    std::vector<uint16_t> types;
    std::size_t at = 0;
    while (at + 4 <= s.size()) {
        const uint16_t type = s[at] | (s[at + 1] << 8);
        const std::size_t len = s[at + 2] | (s[at + 3] << 8);
        EXPECT_LE(len, 8224u);
        types.push_back(type);
        at += 4 + len;
    }
    EXPECT_EQ(at, s.size());
    return types;
}

// No reader used here looks at EXTSST, Excel's index into the string table: check that every
// entry points at the start of the right string and gives its offset in the right record.
void checkExtSst(const std::vector<uint8_t> &s, const Sheet &sheet)
{
    std::vector<std::u16string> strings; // in order of first use, as the table holds them
    std::set<std::string> seen;
    for (const auto &row : sheet.rows)
        for (const auto &cell : row)
            if (cell.kind == Cell::Kind::Text && seen.insert(cell.text).second)
                strings.push_back(detail::toUtf16(cell.text));
    auto u16 = [&](std::size_t at) -> std::size_t { return s[at] | (s[at + 1] << 8); };
    std::set<std::size_t> sstRecords;
    std::size_t at = 0, ext = 0;
    while (at + 4 <= s.size()) {
        const std::size_t type = u16(at);
        if (type == 0x00FC || (type == 0x003C && !sstRecords.empty() && ext == 0))
            sstRecords.insert(at);
        if (type == 0x00FF)
            ext = at;
        at += 4 + u16(at + 2);
    }
    ASSERT_NE(ext, 0u);
    const std::size_t perBucket = u16(ext + 4);
    const std::size_t buckets = u16(ext + 2) / 8;
    ASSERT_EQ(buckets, (strings.size() + perBucket - 1) / perBucket);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t e = ext + 6 + 8 * b;
        const std::size_t pos = u16(e) | (u16(e + 2) << 16);
        const std::size_t offset = u16(e + 4);
        ASSERT_TRUE(sstRecords.count(pos - offset)) << "bucket " << b;
        EXPECT_EQ(u16(pos), strings[b * perBucket].size()) << "bucket " << b;
    }
}

TEST(XlsWriter, LargeStringTableSplitsCorrectlyAcrossContinueRecords)
{
    // Lengths and character widths vary so that string headers and characters of both widths,
    // and surrogate pairs, fall at every kind of record boundary.
    Sheet s;
    s.name = "Stringhe";
    const char *pieces[] = {"a", "ő", "🙂", "é"};
    for (int i = 0; i < 3000; ++i) {
        std::string text = std::to_string(i) + ":";
        const int len = 1 + (i * 37) % 400;
        for (int k = 0; k < len; ++k)
            text += i % 4 == 1 ? (k % 7 == 0 ? "ő" : "a") : pieces[i % 4];
        s.rows.push_back({T(text), N(i)});
    }
    s.rows.push_back({T(std::string(20000, 'L')), T(std::string(9000, 'x') + "€")});
    s.rows.push_back({T(s.rows[5][0].text), T("0:a")}); // repeated texts share one entry
    // Thousands of short strings: record boundaries land inside and just before string headers.
    for (int i = 0; i < 20000; ++i)
        s.rows.push_back({T(std::string(i % 3, 's') + std::to_string(i))});
    Workbook wb;
    wb.sheets = {s};

    const auto stream = detail::buildXlsStream(wb, nullptr);
    ASSERT_TRUE(stream);
    const auto types = recordTypes(*stream);
    const auto sst = std::find(types.begin(), types.end(), 0x00FC);
    ASSERT_NE(sst, types.end());
    int continues = 0;
    for (auto it = sst + 1; it != types.end() && *it == 0x003C; ++it)
        ++continues;
    EXPECT_GT(continues, 50); // the test really exercises CONTINUE records
    checkExtSst(*stream, s);

    TempDir dir;
    std::string error;
    ASSERT_TRUE(writeXls(wb, (dir / "sst.xls").string(), &error)) << error;
    const auto read = mustRead(dir / "sst.xls");
    ASSERT_EQ(read.size(), 1u);
    expectSameCells(s, read[0]);
}

TEST(XlsWriter, FullSheetOfRowsAndTheRowLimit)
{
    TempDir dir;
    Sheet s;
    s.name = "Righe";
    s.fitColumns = false;
    for (std::size_t r = 0; r < detail::kXlsMaxRows; ++r) {
        char code[16];
        std::snprintf(code, sizeof code, "%06zu", r);
        s.rows.push_back({T(code), N(r + 0.5)});
    }
    Workbook wb;
    wb.sheets = {s};
    const auto path = dir / "rows.xls";
    std::string error;
    ASSERT_TRUE(writeXls(wb, path.string(), &error)) << error;
    const auto read = mustRead(path);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].rows, 65536);
    expectSameCells(s, read[0]);

    // One row too many: refused with a clear message, and the earlier file is left intact.
    wb.sheets[0].rows.push_back({T("troppe")});
    error.clear();
    EXPECT_FALSE(writeXls(wb, path.string(), &error));
    EXPECT_NE(error.find("65536"), std::string::npos) << error;
    EXPECT_NE(error.find(".xlsx"), std::string::npos) << error;
    const auto again = mustRead(path);
    ASSERT_EQ(again.size(), 1u);
    EXPECT_EQ(again[0].rows, 65536);
}

} // namespace

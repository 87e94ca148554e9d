// Workbooks written by both writers and read back by independent readers.
#include "ReadBack.h"
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <gtest/gtest.h>

#include <limits>
#include <set>
#include <tuple>

using namespace qrn::workbook;
using wbtest::ReadSheet;
using wbtest::TempDir;

namespace {

const auto T = [](std::string s) { return Cell::ofText(std::move(s)); };
const auto N = [](double v) { return Cell::ofNumber(v); };

Sheet sheet(std::string name, std::vector<std::vector<Cell>> rows = {})
{
    Sheet s;
    s.name = std::move(name);
    s.rows = std::move(rows);
    return s;
}

// Writes the workbook and reads it back (nothing when either fails).
std::vector<ReadSheet> roundTrip(const Workbook &wb, const std::filesystem::path &file)
{
    std::string why;
    if (!write(wb, file.string(), &why)) {
        ADD_FAILURE() << why;
        return {};
    }
    auto sheets = wbtest::readBack(file, &why);
    if (!sheets)
        ADD_FAILURE() << why;
    return sheets.value_or(std::vector<ReadSheet> {});
}

// Every cell of `source` is what the reader found, and the reader found nothing else.
void expectSameCells(const Sheet &source, const std::map<std::pair<int, int>, wbtest::ReadCell> &read)
{
    std::size_t expectedCells = 0;
    for (std::size_t r = 0; r < source.rows.size(); ++r) {
        for (std::size_t c = 0; c < source.rows[r].size(); ++c) {
            const auto want = wbtest::expectedOf(source.rows[r][c]);
            const auto it = read.find({int(r), int(c)});
            if (!want) {
                EXPECT_TRUE(it == read.end()) << source.name << " R" << r << "C" << c;
                continue;
            }
            ++expectedCells;
            ASSERT_TRUE(it != read.end()) << source.name << " R" << r << "C" << c << " missing";
            EXPECT_EQ(std::tie(it->second.type, it->second.text, it->second.number),
                      std::tie(want->type, want->text, want->number))
                << " R" << r << "C" << c;
        }
    }
    EXPECT_EQ(read.size(), expectedCells) << source.name;
}

// A table shaped like the program's result table, and a metadata sheet.
Workbook sampleWorkbook()
{
    return Workbook {{
        sheet(
            "Dati",
            {
                {T("TipoTerritorio"), T("COD_TERR"), T("PROV"), T("REG"), T("COD_NUTS"), T("Territorio"),
                 T("AS013_2005"), T("IAS013_2006")},
                {T("R"), T("001"), T("000"), T("01"), T("ITC1"), T("Piemonte"), N(12.5), N(-3.75)},
                {T("R"), T("002"), T("000"), T("02"), T("ITC2"), T("Valle d'Aosta/Vallée d'Aoste"), N(0.01), T("n.d.")},
                {T("P"), T("021"), T("021"), T("04"), T("ITD1"), T("Bolzano/Bozen"), N(1234567.89), Cell {}},
            }),
        sheet("Metadati",
              {
                  {T("Variabile"), T("DescVariabile"), T("Note_1996")},
                  {T("AS013"), T("Posti letto per 1.000 abitanti — “ospedalieri” € ½"),
                   T(std::string(500, 'x') + "\nseconda riga 🙂")},
                  {T("AS014"), T("Scuole dell'infanzia"), N(1e-7)},
              }),
    }};
}

class BothFormats : public ::testing::TestWithParam<const char *> {
protected:
    std::filesystem::path file(const std::string &stem) const { return dir / (stem + GetParam()); }
    TempDir dir;
};

INSTANTIATE_TEST_SUITE_P(Workbook, BothFormats, ::testing::Values(".XLS", ".XlsX"),
                         [](const auto &info) { return std::string(info.param + 1); });

// Texts (codes with their leading zeros among them), numbers and sheets as written; the header
// row styled as the template says, an empty header cell too.
TEST_P(BothFormats, KeepsCellsSheetsAndTheTemplatesHeaderStyle)
{
    std::string error;
    const auto tpl = loadTemplate(std::string(QRN_WB_TEMPLATE_DIR) + "/DatiTemplateVar", &error);
    ASSERT_TRUE(tpl && tpl->header.fill) << error;
    Workbook wb = sampleWorkbook();
    applyTemplate(*tpl, wb);
    wb.sheets[0].rows[0].push_back(Cell {});
    const auto read = roundTrip(wb, file("out"));
    ASSERT_EQ(read.size(), 2u);
    EXPECT_EQ(read[0].name + "|" + read[1].name, "Dati|Metadati variabili");
    expectSameCells(wb.sheets[0], read[0].cells);
    expectSameCells(wb.sheets[1], read[1].cells);
    char rgb[8];
    std::snprintf(rgb, sizeof rgb, "%06X", *tpl->header.fill);
    for (const auto &sheet : read) {
        for (const auto &[at, style] : sheet.styles) {
            EXPECT_EQ(style.bold, at.first == 0) << sheet.name << " C" << at.second;
            EXPECT_EQ(style.fill, at.first == 0 ? rgb : "-") << sheet.name << " C" << at.second;
        }
    }
    EXPECT_EQ(read[0].styles.count({0, 8}), 1u);
}

TEST_P(BothFormats, RepairsWhatSpreadsheetsCannotHoldAndFitsColumns)
{
    const std::string name = "Valle d'Aosta/Vallée d'Aoste";
    Workbook wb {{sheet("Dati:2005/2006?",
                        {{T("abc\xFF"
                            "def"),
                          N(std::numeric_limits<double>::quiet_NaN()), N(std::numeric_limits<double>::infinity()),
                          T(std::string(32766, 'a') + "🙂🙂"), T(""), N(1234567.891)},
                         {T("c"), T(name), T(std::string(300, 'w'))}}),
                  sheet("Nome di foglio decisamente troppo lungo", {{T(name)}})}};
    for (const char *other : {"dati:2005/2006?", "", "'Citato'", "Città [é]"})
        wb.sheets.push_back(sheet(other, {{T("x")}}));
    wb.sheets[1].fitColumns = false;
    const auto read = roundTrip(wb, file("fix"));
    ASSERT_EQ(read.size(), 6u);
    const auto &cells = read[0].cells;
    EXPECT_EQ(cells.at({0, 0}).text,
              "abc\xEF\xBF\xBD"
              "def"); // U+FFFD for the bad byte
    EXPECT_EQ(cells.at({0, 1}).text, "NaN");
    EXPECT_EQ(cells.at({0, 2}).text, "Inf");
    // Cut at 32767 UTF-16 units: the first smiley would need units 32767 and 32768.
    EXPECT_EQ(cells.at({0, 3}).text, std::string(32766, 'a'));
    EXPECT_EQ(cells.count({0, 4}), 0u);

    // Columns fitted to their longest text (é is one character), capped at 60.
    const auto &w = read[0].widths;
    ASSERT_EQ(w.size(), 5u); // none for the column without text
    EXPECT_NEAR(w.at(1), name.size() + 1, 2);
    EXPECT_NEAR(w.at(2), 60, 1);
    EXPECT_TRUE(read[1].widths.empty());

    // Sheet names made valid and unique.
    std::string names;
    for (const auto &sheet : read)
        names += sheet.name + "|";
    EXPECT_EQ(names, "Dati_2005_2006_|Nome di foglio decisamente trop|dati_2005_2006_ (2)|Foglio4|Citato|Città _é_|");
}

TEST_P(BothFormats, FailureNamesTheFileAndLeavesNothing)
{
    const auto missingDir = dir / "manca" / ("out" + std::string(GetParam()));
    std::string error, reason;
    EXPECT_FALSE(write(sampleWorkbook(), missingDir.string(), &error, &reason));
    // The user reads an Italian message naming the file; the system's words are for the log.
    EXPECT_EQ(error, "Impossibile scrivere il file \"" + missingDir.string() + "\".");
    EXPECT_FALSE(reason.empty());
    EXPECT_FALSE(std::filesystem::exists(missingDir.parent_path()));
    // No sheet, or a name whose extension names no format (the case does not matter, as the
    // file names of these tests show).
    error.clear();
    EXPECT_FALSE(write(Workbook {}, file("empty").string(), &error));
    for (const char *bad : {"c.csv", "noext", "dir.xls/file"})
        EXPECT_FALSE(write(sampleWorkbook(), (dir / bad).string(), &error)) << bad;
    EXPECT_FALSE(error.empty());
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

// ---- .xls specifics ----

Sheet wideSheet(int cols, int rows)
{
    Sheet s = sheet("Dati");
    s.repeatColumns = 6;
    for (int r = 0; r < rows; ++r) {
        std::vector<Cell> row;
        for (int c = 0; c < cols; ++c) {
            if (r == 0)
                row.push_back(T(c < 6 ? "K" + std::to_string(c) : "AS" + std::to_string(c) + "_2005"));
            else
                row.push_back(c < 6 ? T(std::to_string(r) + "/" + std::to_string(c)) : N(r * 1000 + c + 0.25));
        }
        s.rows.push_back(row);
    }
    return s;
}

// .xls splits a table wider than 256 columns into continuation sheets after the others, the
// six key columns repeated; .xlsx keeps it on one sheet.
TEST(XlsWriter, WideTableGoesOnInContinuationSheetsAfterTheOthers)
{
    TempDir dir;
    for (int cols : {257, 700}) {
        const Workbook wb {{wideSheet(cols, 4), sampleWorkbook().sheets[1]}};
        const auto read = roundTrip(wb, dir / ("wide" + std::to_string(cols) + ".xls"));
        const std::size_t parts = 1 + (cols - 256 + 249) / 250;
        ASSERT_EQ(read.size(), parts + 1) << cols;
        EXPECT_EQ(read[0].cols, 256);
        EXPECT_EQ(read[1].name, "Metadati"); // the second sheet stays the metadata sheet
        auto cells = read[0].cells;
        int base = 256;
        for (std::size_t i = 2; i < read.size(); ++i) {
            EXPECT_EQ(read[i].name, "Dati (" + std::to_string(i) + ")");
            EXPECT_LE(read[i].cols, 256);
            for (const auto &[at, cell] : read[i].cells) {
                if (at.second < 6)
                    EXPECT_EQ(cell.text, cells.at(at).text) << "key column repeated";
                else
                    cells[{at.first, base + at.second - 6}] = cell;
            }
            base += read[i].cols - 6;
        }
        expectSameCells(wb.sheets[0], cells);
    }
    const Workbook wb {{wideSheet(257, 3)}};
    const auto read = roundTrip(wb, dir / "wide.xlsx");
    ASSERT_EQ(read.size(), 1u);
    expectSameCells(wb.sheets[0], read[0].cells);
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
        EXPECT_LE(u16(at + 2), 8224u); // the BIFF8 limit of a record body
        if (type == 0x00FC || (type == 0x003C && !sstRecords.empty() && ext == 0))
            sstRecords.insert(at);
        if (type == 0x00FF)
            ext = at;
        at += 4 + u16(at + 2);
    }
    EXPECT_EQ(at, s.size());
    EXPECT_GT(sstRecords.size(), 50u); // the test really exercises CONTINUE records
    ASSERT_NE(ext, 0u);
    const std::size_t perBucket = u16(ext + 4);
    const std::size_t buckets = u16(ext + 2) / 8;
    ASSERT_EQ(buckets, (strings.size() + perBucket - 1) / perBucket);
    for (std::size_t b = 0; b < buckets; ++b) {
        const std::size_t e = ext + 6 + 8 * b;
        const std::size_t pos = u16(e) | (u16(e + 2) << 16);
        ASSERT_TRUE(sstRecords.count(pos - u16(e + 4))) << "bucket " << b;
        EXPECT_EQ(u16(pos), strings[b * perBucket].size()) << "bucket " << b;
    }
}

TEST(XlsWriter, LargeStringTableSplitsCorrectlyAcrossContinueRecords)
{
    // Lengths and character widths vary so that string headers and characters of both widths,
    // and surrogate pairs, fall at every kind of record boundary.
    Sheet s = sheet("Stringhe");
    const char *pieces[] = {"a", "ő", "🙂", "é"};
    for (int i = 0; i < 3000; ++i) {
        std::string text = std::to_string(i) + ":";
        for (int k = 0; k < 1 + (i * 37) % 400; ++k)
            text += i % 4 == 1 ? (k % 7 == 0 ? "ő" : "a") : pieces[i % 4];
        s.rows.push_back({T(text), N(i)});
    }
    s.rows.push_back({T(std::string(20000, 'L')), T(std::string(9000, 'x') + "€")});
    s.rows.push_back({T(s.rows[5][0].text), T("0:a")}); // repeated texts share one entry
    // Thousands of short strings: record boundaries land inside and just before string headers.
    for (int i = 0; i < 20000; ++i)
        s.rows.push_back({T(std::string(i % 3, 's') + std::to_string(i))});
    const Workbook wb {{s}};
    const auto stream = detail::buildXlsStream(wb, nullptr);
    ASSERT_TRUE(stream);
    checkExtSst(*stream, s);
    TempDir dir;
    const auto read = roundTrip(wb, dir / "sst.xls");
    ASSERT_EQ(read.size(), 1u);
    expectSameCells(s, read[0].cells);
}

TEST(XlsWriter, FullSheetOfRowsAndTheRowLimit)
{
    TempDir dir;
    Sheet s = sheet("Righe");
    s.fitColumns = false;
    for (std::size_t r = 0; r < 65536; ++r) {
        char code[16];
        std::snprintf(code, sizeof code, "%06zu", r);
        s.rows.push_back({T(code), N(r + 0.5)});
    }
    Workbook wb {{s}};
    const auto path = dir / "rows.xls";
    const auto read = roundTrip(wb, path);
    ASSERT_EQ(read.size(), 1u);
    EXPECT_EQ(read[0].rows, 65536);
    expectSameCells(s, read[0].cells);

    // One row too many: refused with a clear message, and the earlier file is left intact.
    wb.sheets[0].rows.push_back({T("troppe")});
    std::string error;
    EXPECT_FALSE(writeXls(wb, path.string(), &error));
    EXPECT_NE(error.find("65536"), std::string::npos) << error;
    EXPECT_NE(error.find(".xlsx"), std::string::npos) << error;
    const auto again = wbtest::readBack(path, &error);
    ASSERT_TRUE(again && again->size() == 1u) << error;
    EXPECT_EQ((*again)[0].rows, 65536);
}

} // namespace

// Cells whose texts differ but store the same text (a bad byte becomes U+FFFD) share one entry of
// the string table, and each cell still finds its own; a non-finite number reads as its text.
TEST(XlsWriter, CellsFindTheirStringsWhenTextsCleanToTheSame)
{
    TempDir dir;
    Workbook wb {{sheet("Dati",
                        {{T("a\xFF"), T("a\xFE"), T("b"), N(std::numeric_limits<double>::quiet_NaN()), T("NaN")},
                         {T("b"), T("a\xFE"), N(-std::numeric_limits<double>::infinity()), T("-Inf"), N(2.5)}})}};
    const auto read = roundTrip(wb, dir / "shared.xls");
    ASSERT_EQ(read.size(), 1u);
    const std::string bad = "a\xEF\xBF\xBD";
    const std::vector<std::vector<std::string>> expected {{bad, bad, "b", "NaN", "NaN"}, {"b", bad, "-Inf", "-Inf", ""}};
    for (int r = 0; r < 2; ++r)
        for (int c = 0; c < 5; ++c)
            EXPECT_EQ(read[0].cells.at({r, c}).text, expected[r][c]) << r << "," << c;
    EXPECT_EQ(read[0].cells.at({1, 4}).number, 2.5);
}

// A number is as wide as "%.10g" writes it, at most 11 characters, plus the margin of two.
TEST(Workbook, FittedWidthOfNumbersFollowsTheGeneralFormat)
{
    const Sheet s = sheet("Dati", {{N(0.5), N(1e-7), N(1234567.891), N(-123456789012.0), N(42)}});
    // "0.5", "1e-07", "1234567.891", "-1.23456789e+11" capped, "42"
    EXPECT_EQ(detail::fittedWidths(s), (std::vector<double> {3 + 2.0, 5 + 2.0, 11 + 2.0, 11 + 2.0, 2 + 2.0}));
}

// Excel 97-2003 workbook: a BIFF8 record stream named "Workbook" inside an OLE2 compound file.
//
// Stream layout written here:
//   globals: BOF, CODEPAGE (1200 = UTF-16), WINDOW1, DATEMODE, FONT x5, XF (16 style XFs, the
//            default cell XF 15, one XF per header style), STYLE, [PALETTE], BOUNDSHEET per sheet,
//            SST (+ CONTINUE), EXTSST, EOF
//   per sheet: BOF, DEFCOLWIDTH, COLINFO per fitted column, DIMENSIONS, blocks of up to 32 ROW
//            records each followed by the block's cells (LABELSST, NUMBER, BLANK), WINDOW2, EOF
// Record bodies are at most 8224 bytes; only the SST can be longer and goes on in CONTINUE records.
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-output.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <stdexcept>
#include <string_view>
#include <unordered_map>

namespace qrn::workbook {
namespace detail {
namespace {

constexpr std::size_t kMaxRecordData = 8224;

enum Rec : uint16_t {
    kEof = 0x000A,
    kDateMode = 0x0022,
    kFont = 0x0031,
    kContinue = 0x003C,
    kWindow1 = 0x003D,
    kCodePage = 0x0042,
    kDefColWidth = 0x0055,
    kColInfo = 0x007D,
    kBoundSheet = 0x0085,
    kPalette = 0x0092,
    kXf = 0x00E0,
    kSst = 0x00FC,
    kLabelSst = 0x00FD,
    kExtSst = 0x00FF,
    kDimensions = 0x0200,
    kBlank = 0x0201,
    kNumber = 0x0203,
    kRow = 0x0208,
    kWindow2 = 0x023E,
    kStyle = 0x0293,
    kBof = 0x0809,
};

constexpr uint16_t kDefaultCellXf = 15;
constexpr uint16_t kFirstHeaderXf = 16;
constexpr uint16_t kBoldFont = 5; // font index 4 does not exist in BIFF

// Excel's built-in colour palette, indices 8 to 63.
constexpr std::array<uint32_t, 56> kDefaultPalette = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0x800000, 0x008000,
    0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, 0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF,
    0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, 0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000,
    0x008080, 0x0000FF, 0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99,
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, 0x003366, 0x339966,
    0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

class Stream {
public:
    std::vector<uint8_t> bytes;

    std::size_t size() const { return bytes.size(); }
    void u8(uint8_t v) { bytes.push_back(v); }
    void u16(uint16_t v) { little(v, 2); }
    void u32(uint32_t v) { little(v, 4); }
    void f64(double v)
    {
        uint64_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        little(bits, 8);
    }
    void patch32(std::size_t at, uint32_t v)
    {
        for (int i = 0; i < 4; ++i)
            bytes[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }

    void begin(uint16_t type)
    {
        start_ = bytes.size();
        u16(type);
        u16(0);
    }
    void end()
    {
        const std::size_t len = bytes.size() - start_ - 4;
        if (len > kMaxRecordData)
            throw std::logic_error("BIFF record body over 8224 bytes");
        bytes[start_ + 2] = static_cast<uint8_t>(len);
        bytes[start_ + 3] = static_cast<uint8_t>(len >> 8);
    }
    std::size_t recordStart() const { return start_; }
    std::size_t room() const { return kMaxRecordData - (bytes.size() - start_ - 4); }

private:
    // The low `count` bytes of v, least significant first, in one append.
    void little(uint64_t v, int count)
    {
        uint8_t b[8];
        for (int i = 0; i < count; ++i)
            b[i] = static_cast<uint8_t>(v >> (8 * i));
        bytes.insert(bytes.end(), b, b + count);
    }
    std::size_t start_ = 0;
};

bool isLatin1(std::u16string_view s)
{
    return std::all_of(s.begin(), s.end(), [](char16_t c) { return c < 0x100; });
}

void chars(Stream &s, std::u16string_view text, bool high)
{
    for (char16_t c : text) {
        if (high)
            s.u16(c);
        else
            s.u8(static_cast<uint8_t>(c));
    }
}

// Short unicode string: 8-bit length, option flags, characters.
void shortString(Stream &s, std::u16string_view text)
{
    const bool high = !isLatin1(text);
    s.u8(static_cast<uint8_t>(text.size()));
    s.u8(high ? 1 : 0);
    chars(s, text, high);
}

// What a cell becomes in the file.
// The text views the cell's own string (or a constant): valid while the cell lives.
struct Value {
    enum Kind { None, Text, Number } kind = None;
    std::string_view text;
    double number = 0;
};

Value valueOf(const Cell &cell)
{
    switch (cell.kind) {
    case Cell::Kind::Empty:
        return {};
    case Cell::Kind::Text:
        if (cell.text.empty())
            return {};
        return {Value::Text, cell.text, 0};
    case Cell::Kind::Number:
        if (std::isnan(cell.number))
            return {Value::Text, "NaN", 0};
        if (std::isinf(cell.number))
            return {Value::Text, cell.number > 0 ? "Inf" : "-Inf", 0};
        return {Value::Number, {}, cell.number};
    }
    return {};
}

bool isStyled(const HeaderStyle &h)
{
    return h.bold || h.fill.has_value();
}

// The distinct header styles and the palette slots of their fill colours.
struct Styles {
    std::vector<HeaderStyle> headers; // XF kFirstHeaderXf + i
    std::map<uint32_t, uint8_t> fillIndex; // RGB -> palette index
    std::array<uint32_t, 56> palette = kDefaultPalette;

    explicit Styles(const Workbook &wb)
    {
        uint8_t nextSlot = 63;
        for (const auto &sheet : wb.sheets) {
            const HeaderStyle &h = sheet.header;
            if (!isStyled(h))
                continue;
            if (h.fill && !fillIndex.count(*h.fill)) {
                if (nextSlot >= 8) {
                    palette[nextSlot - 8] = *h.fill & 0xFFFFFF;
                    fillIndex[*h.fill] = nextSlot--;
                } else {
                    fillIndex[*h.fill] = nearest(*h.fill);
                }
            }
            if (xfOf(h) == kDefaultCellXf)
                headers.push_back(h);
        }
    }

    uint16_t xfOf(const HeaderStyle &h) const
    {
        for (std::size_t i = 0; i < headers.size(); ++i)
            if (headers[i].bold == h.bold && headers[i].fill == h.fill)
                return static_cast<uint16_t>(kFirstHeaderXf + i);
        return kDefaultCellXf;
    }

    bool customPalette() const { return !fillIndex.empty(); }

private:
    // Palette all used up: the closest colour already in it.
    uint8_t nearest(uint32_t rgb) const
    {
        auto ch = [](uint32_t c, int shift) { return static_cast<int>((c >> shift) & 0xFF); };
        int best = 8;
        long bestDist = -1;
        for (int i = 0; i < 56; ++i) {
            long d = 0;
            for (int shift : {0, 8, 16}) {
                const long diff = ch(rgb, shift) - ch(palette[i], shift);
                d += diff * diff;
            }
            if (bestDist < 0 || d < bestDist)
                bestDist = d, best = i + 8;
        }
        return static_cast<uint8_t>(best);
    }
};

void writeFont(Stream &s, bool bold)
{
    s.begin(kFont);
    s.u16(200); // height in twentieths of a point: 10 pt
    s.u16(bold ? 0x0001 : 0); // the old bold flag, still read by some readers; no italic, ...
    s.u16(0x7FFF); // automatic colour
    s.u16(bold ? 700 : 400);
    s.u16(0); // no super/subscript
    s.u8(0); // no underline
    s.u8(2); // swiss family
    s.u8(0); // ANSI character set
    s.u8(0);
    shortString(s, u"Arial");
    s.end();
}

void writeXf(Stream &s, uint16_t font, uint16_t flags, uint8_t used, uint32_t pattern, uint16_t colours)
{
    s.begin(kXf);
    s.u16(font);
    s.u16(0); // "General" number format
    s.u16(flags); // bit 0 locked, bit 2 style XF, bits 4-15 parent style
    s.u8(0x20); // general horizontal alignment, bottom vertical alignment
    s.u8(0); // no rotation
    s.u8(0); // no indent
    s.u8(used);
    s.u32(0); // no borders
    s.u32(pattern);
    s.u16(colours);
    s.end();
}

void writeGlobals(Stream &s, const Workbook &wb, const Styles &styles, std::vector<std::size_t> &boundSheetPos,
                  const std::vector<std::u16string> &strings, uint32_t totalRefs)
{
    s.begin(kBof);
    s.u16(0x0600); // BIFF8
    s.u16(0x0005); // workbook globals
    s.u16(0x0DBB);
    s.u16(0x07CC);
    s.u32(0);
    s.u32(6);
    s.end();

    s.begin(kCodePage);
    s.u16(1200);
    s.end();

    s.begin(kWindow1);
    s.u16(0);
    s.u16(0);
    s.u16(0x4000);
    s.u16(0x2000);
    s.u16(0x0038); // horizontal and vertical scroll bars, sheet tabs
    s.u16(0); // active sheet
    s.u16(0); // first visible tab
    s.u16(1); // selected sheets
    s.u16(0x0258); // tab bar width ratio
    s.end();

    s.begin(kDateMode);
    s.u16(0); // 1900 date system
    s.end();

    for (int i = 0; i < 4; ++i)
        writeFont(s, false);
    writeFont(s, true); // index 5

    constexpr uint16_t kDefaultColours = 0x40 | (0x41 << 7); // system foreground/background
    writeXf(s, 0, 0xFFF5, 0x00, 0, kDefaultColours);
    for (int i = 1; i < 15; ++i)
        writeXf(s, 0, 0xFFF5, 0xF4, 0, kDefaultColours);
    writeXf(s, 0, 0x0001, 0x00, 0, kDefaultColours);
    for (const HeaderStyle &h : styles.headers) {
        uint8_t used = 0;
        uint32_t pattern = 0;
        uint16_t colours = kDefaultColours;
        if (h.bold)
            used |= 0x08;
        if (h.fill) {
            used |= 0x40;
            pattern = 1u << 26; // solid
            colours = static_cast<uint16_t>(styles.fillIndex.at(*h.fill) | (0x41 << 7));
        }
        writeXf(s, h.bold ? kBoldFont : 0, 0x0001, used, pattern, colours);
    }

    s.begin(kStyle);
    s.u16(0x8000); // built-in style on XF 0
    s.u8(0); // "Normal"
    s.u8(0xFF);
    s.end();

    if (styles.customPalette()) {
        s.begin(kPalette);
        s.u16(56);
        for (uint32_t rgb : styles.palette)
            s.u32(((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16));
        s.end();
    }

    for (const Sheet &sheet : wb.sheets) {
        s.begin(kBoundSheet);
        boundSheetPos.push_back(s.size());
        s.u32(0); // stream position of the sheet's BOF, filled in later
        s.u8(0); // visible
        s.u8(0); // worksheet
        shortString(s, toUtf16(sheet.name, kMaxSheetName));
        s.end();
    }

    // Shared strings. A string's 3-byte header (length, flags) never straddles two records, and
    // its characters are split only between whole characters (never inside a UTF-16 unit or a
    // surrogate pair); the part in a CONTINUE record starts with its own flags byte.
    const std::size_t perBucket = std::max<std::size_t>(8, strings.size() / 128 + 1);
    std::vector<std::pair<uint32_t, uint16_t>> buckets;
    s.begin(kSst);
    s.u32(totalRefs);
    s.u32(static_cast<uint32_t>(strings.size()));
    auto nextRecord = [&] {
        s.end();
        s.begin(kContinue);
    };
    for (std::size_t i = 0; i < strings.size(); ++i) {
        const std::u16string &str = strings[i];
        const bool high = !isLatin1(str);
        const std::size_t unit = high ? 2 : 1;
        if (s.room() < 3 + (str.empty() ? 0 : unit))
            nextRecord();
        if (i % perBucket == 0)
            buckets.emplace_back(static_cast<uint32_t>(s.size()), static_cast<uint16_t>(s.size() - s.recordStart()));
        s.u16(static_cast<uint16_t>(str.size()));
        s.u8(high ? 1 : 0);
        std::size_t k = 0;
        while (k < str.size()) {
            std::size_t take = std::min(str.size() - k, s.room() / unit);
            if (take > 0 && take < str.size() - k && str[k + take - 1] >= 0xD800 && str[k + take - 1] <= 0xDBFF)
                --take;
            if (take == 0) {
                nextRecord();
                s.u8(high ? 1 : 0);
                continue;
            }
            chars(s, std::u16string_view(str).substr(k, take), high);
            k += take;
        }
    }
    s.end();

    s.begin(kExtSst);
    s.u16(static_cast<uint16_t>(perBucket));
    for (const auto &[pos, offset] : buckets) {
        s.u32(pos);
        s.u16(offset);
        s.u16(0);
    }
    s.end();

    s.begin(kEof);
    s.end();
}

// The shared strings by the texts of the cells: views into the workbook's own strings (or
// constants), so the workbook must outlive it. Two texts that clean to the same stored text
// share one entry.
struct SstIndex {
    std::unordered_map<std::string_view, uint32_t> byCellText;
    uint32_t at(std::string_view text) const { return byCellText.at(text); }
};

// false when progress said stop (the stream is then left unfinished).
bool writeSheet(Stream &s, const Sheet &sheet, bool first, uint16_t headerXf,
                const SstIndex &sstIndex, RowProgress &progress)
{
    s.begin(kBof);
    s.u16(0x0600);
    s.u16(0x0010); // worksheet
    s.u16(0x0DBB);
    s.u16(0x07CC);
    s.u32(0);
    s.u32(6);
    s.end();

    s.begin(kDefColWidth);
    s.u16(8);
    s.end();

    const std::vector<double> widths = fittedWidths(sheet);
    for (std::size_t c = 0; c < widths.size(); ++c) {
        if (widths[c] <= 0)
            continue;
        s.begin(kColInfo);
        s.u16(static_cast<uint16_t>(c));
        s.u16(static_cast<uint16_t>(c));
        s.u16(static_cast<uint16_t>(std::lround(widths[c] * 256)));
        s.u16(kDefaultCellXf);
        s.u16(0x0002); // width set explicitly
        s.u16(0);
        s.end();
    }

    const std::size_t cols = columnCount(sheet);
    s.begin(kDimensions);
    s.u32(0);
    s.u32(cols ? static_cast<uint32_t>(sheet.rows.size()) : 0);
    s.u16(0);
    s.u16(static_cast<uint16_t>(cols));
    s.u16(0);
    s.end();

    const bool styledHeader = headerXf != kDefaultCellXf;
    auto written = [&](std::size_t r, const Cell &cell) {
        return valueOf(cell).kind != Value::None || (r == 0 && styledHeader);
    };
    for (std::size_t block = 0; block < sheet.rows.size(); block += 32) {
        const std::size_t end = std::min(sheet.rows.size(), block + 32);
        for (std::size_t r = block; r < end; ++r) {
            const auto &row = sheet.rows[r];
            std::size_t lo = row.size(), hi = 0;
            for (std::size_t c = 0; c < row.size(); ++c)
                if (written(r, row[c]))
                    lo = std::min(lo, c), hi = c + 1;
            if (hi == 0)
                continue;
            s.begin(kRow);
            s.u16(static_cast<uint16_t>(r));
            s.u16(static_cast<uint16_t>(lo));
            s.u16(static_cast<uint16_t>(hi));
            s.u16(0x00FF); // default height
            s.u16(0);
            s.u16(0);
            s.u16(0x0100);
            s.u16(kDefaultCellXf);
            s.end();
        }
        for (std::size_t r = block; r < end; ++r) {
            const auto &row = sheet.rows[r];
            const uint16_t xf = r == 0 ? headerXf : kDefaultCellXf;
            for (std::size_t c = 0; c < row.size(); ++c) {
                const Value v = valueOf(row[c]);
                if (v.kind == Value::None && !(r == 0 && styledHeader))
                    continue;
                s.begin(v.kind == Value::Text ? kLabelSst : v.kind == Value::Number ? kNumber : kBlank);
                s.u16(static_cast<uint16_t>(r));
                s.u16(static_cast<uint16_t>(c));
                s.u16(xf);
                if (v.kind == Value::Text)
                    s.u32(sstIndex.at(v.text));
                if (v.kind == Value::Number)
                    s.f64(v.number);
                s.end();
            }
            if (!progress.row())
                return false;
        }
    }

    s.begin(kWindow2);
    // Gridlines, headings, zeros, automatic grid colour, outline symbols; the first sheet is
    // the selected and shown one.
    s.u16(first ? 0x06B6 : 0x00B6);
    s.u16(0);
    s.u16(0);
    s.u32(0x40);
    s.u16(0);
    s.u16(0);
    s.u32(0);
    s.end();

    s.begin(kEof);
    s.end();
    return true;
}

} // namespace

std::optional<std::vector<uint8_t>> buildXlsStream(const Workbook &wb, std::string *error, const Progress &progress)
{
    for (const Sheet &sheet : wb.sheets) {
        if (sheet.rows.size() > kXlsMaxRows || columnCount(sheet) > kXlsMaxColumns) {
            if (error)
                *error = "Il foglio \"" + sheet.name + "\" supera i limiti del formato .xls ("
                    + std::to_string(kXlsMaxRows) + " righe, " + std::to_string(kXlsMaxColumns) + " colonne).";
            return std::nullopt;
        }
    }
    if (wb.sheets.empty()) {
        if (error)
            *error = "La cartella di lavoro non contiene alcun foglio.";
        return std::nullopt;
    }

    // Shared string table, in order of first use; keys are the stored (cleaned) texts.
    SstIndex sstIndex;
    std::unordered_map<std::string, uint32_t> byStoredText;
    std::vector<std::u16string> strings;
    uint32_t totalRefs = 0;
    std::size_t cells = 0;
    for (const Sheet &sheet : wb.sheets) {
        for (const auto &row : sheet.rows) {
            cells += row.size();
            for (const Cell &cell : row) {
                const Value v = valueOf(cell);
                if (v.kind != Value::Text)
                    continue;
                ++totalRefs;
                if (sstIndex.byCellText.count(v.text))
                    continue;
                std::string stored = cellText(v.text);
                const auto [it, added] = byStoredText.try_emplace(std::move(stored), uint32_t(strings.size()));
                if (added)
                    strings.push_back(toUtf16(it->first));
                sstIndex.byCellText.emplace(v.text, it->second);
            }
        }
    }
    const std::vector<Sheet> &sheets = wb.sheets;

    const Styles styles(wb);
    Stream s;
    // A number record takes 18 bytes, the others less: room for every cell, once.
    s.bytes.reserve(64 * 1024 + 18 * cells);
    std::vector<std::size_t> boundSheetPos;
    RowProgress rows(progress, rowCount(wb));
    try {
        writeGlobals(s, wb, styles, boundSheetPos, strings, totalRefs);
        for (std::size_t i = 0; i < sheets.size(); ++i) {
            s.patch32(boundSheetPos[i], static_cast<uint32_t>(s.size()));
            const HeaderStyle &h = sheets[i].header;
            if (!writeSheet(s, sheets[i], i == 0, isStyled(h) ? styles.xfOf(h) : kDefaultCellXf, sstIndex, rows)) {
                if (error)
                    *error = kCancelledMessage;
                return std::nullopt;
            }
        }
    } catch (const std::exception &e) {
        if (error)
            *error = std::string("Errore interno nella scrittura del file .xls: ") + e.what();
        return std::nullopt;
    }
    if (s.size() > 0xFFFFFFFFu) {
        if (error)
            *error = "Cartella di lavoro troppo grande per il formato .xls.";
        return std::nullopt;
    }
    return std::move(s.bytes);
}

} // namespace detail

namespace {

std::string gerrorText(const GError *err)
{
    return err && err->message ? err->message : "errore sconosciuto";
}

// The bytes of a compound file whose one stream "Workbook" holds `data`.
std::optional<QByteArray> compoundFile(const std::vector<uint8_t> &data, std::string *why)
{
    GsfOutput *sink = gsf_output_memory_new();
    GsfOutfile *ole = gsf_outfile_msole_new(sink);
    GsfOutput *stream = gsf_outfile_new_child(ole, "Workbook", FALSE);
    bool ok = stream && gsf_output_write(stream, data.size(), data.data());
    if (!ok)
        *why = stream && gsf_output_error(stream) ? gerrorText(gsf_output_error(stream)) : "scrittura non riuscita";
    if (stream) {
        if (!gsf_output_close(stream) && ok)
            ok = false, *why = gerrorText(gsf_output_error(stream));
        g_object_unref(stream);
    }
    if (!gsf_output_close(GSF_OUTPUT(ole)) && ok)
        ok = false, *why = gerrorText(gsf_output_error(GSF_OUTPUT(ole)));
    g_object_unref(ole);
    if (!gsf_output_is_closed(sink) && !gsf_output_close(sink) && ok)
        ok = false, *why = gerrorText(gsf_output_error(sink));
    std::optional<QByteArray> bytes;
    if (ok) {
        auto *memory = GSF_OUTPUT_MEMORY(sink);
        bytes = QByteArray(reinterpret_cast<const char *>(gsf_output_memory_get_bytes(memory)),
                           static_cast<qsizetype>(gsf_output_size(sink)));
    }
    g_object_unref(sink);
    return bytes;
}

} // namespace

bool writeXls(const Workbook &workbook, const std::string &path, std::string *error, std::string *reason,
              const Progress &progress)
{
    const auto laidOut = detail::layoutForXls(workbook, error);
    if (!laidOut)
        return false;
    // The compound file and the saving take little beside the rows: they are not counted.
    const auto data = detail::buildXlsStream(*laidOut, error, progress);
    if (!data)
        return false;
    std::string why;
    const auto bytes = compoundFile(*data, &why);
    if (!bytes) {
        if (error)
            *error = detail::notWrittenMessage(path);
        if (reason)
            *reason = why;
        return false;
    }
    if (progress && !progress(detail::rowCount(*laidOut), detail::rowCount(*laidOut))) {
        if (error)
            *error = kCancelledMessage;
        return false;
    }
    return detail::saveFile(path, *bytes, error, reason);
}

} // namespace qrn::workbook

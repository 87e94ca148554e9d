// What both workbook writers share: the choice of writer by extension, sheet names made valid
// and unique (31 UTF-16 units, no forbidden characters, never "History"), the fitted column
// widths, and the .xls layout, which refuses a sheet of more rows than the format holds and
// splits a wider one into continuation sheets that repeat its key columns. Files are written
// through QSaveFile, so a failed write leaves an earlier file as it was.

#include "Workbook.h"
#include "WorkbookDetail.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <unordered_set>

#include <QByteArray>
#include <QSaveFile>
#include <QString>

namespace qrn::workbook {
namespace detail {

namespace {

bool isForbiddenInSheetName(char16_t c)
{
    return c < 0x20 || c == ':' || c == '\\' || c == '/' || c == '?' || c == '*' || c == '[' || c == ']';
}

std::u16string lowerAscii(std::u16string s)
{
    for (auto &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char16_t>(c - 'A' + 'a');
    return s;
}

// Cuts a UTF-16 string to `limit` units without leaving half a surrogate pair.
void truncateUnits(std::u16string &s, std::size_t limit)
{
    if (s.size() <= limit)
        return;
    s.resize(limit);
    if (!s.empty() && s.back() >= 0xD800 && s.back() <= 0xDBFF)
        s.pop_back();
}

double displayLength(const Cell &cell)
{
    if (cell.kind == Cell::Kind::Text) {
        // Characters, not bytes: count every byte that does not continue a UTF-8 sequence.
        std::size_t n = 0;
        const std::size_t len = std::min(cell.text.size(), 4 * kMaxCellText);
        for (std::size_t i = 0; i < len; ++i)
            if ((static_cast<unsigned char>(cell.text[i]) & 0xC0) != 0x80)
                ++n;
        return static_cast<double>(n);
    }
    if (cell.kind == Cell::Kind::Number) {
        if (auto t = nonFiniteText(cell.number))
            return static_cast<double>(t->size());
        // The "General" format shows at most about 11 characters. to_chars writes what "%.10g"
        // writes, without the locale and many times faster.
        char buf[32];
        const auto written = std::to_chars(buf, buf + sizeof buf, cell.number, std::chars_format::general, 10);
        return std::min(11.0, static_cast<double>(written.ptr - buf));
    }
    return 0;
}

} // namespace

std::u16string toUtf16(std::string_view utf8, std::size_t limit)
{
    // Longer input cannot fit in `limit` units: each unit takes at least one byte.
    const auto bytes = static_cast<qsizetype>(std::min(utf8.size(), 4 * limit + 4));
    std::u16string out = QString::fromUtf8(utf8.data(), bytes).toStdU16String();
    truncateUnits(out, limit);
    return out;
}

std::string toUtf8(std::u16string_view s)
{
    return QString::fromUtf16(s.data(), static_cast<qsizetype>(s.size())).toStdString();
}

std::string cellText(std::string_view utf8)
{
    // Fast path: short plain ASCII is already what the cell stores.
    if (utf8.size() <= kMaxCellText && std::all_of(utf8.begin(), utf8.end(), [](char c) { return (c & 0x80) == 0; }))
        return std::string(utf8);
    return toUtf8(toUtf16(utf8));
}

std::optional<std::string> nonFiniteText(double v)
{
    if (std::isnan(v))
        return "NaN";
    if (std::isinf(v))
        return v > 0 ? "Inf" : "-Inf";
    return std::nullopt;
}

std::string sanitizeSheetName(std::string_view name, std::size_t position)
{
    std::u16string s = toUtf16(name, 4 * kMaxSheetName);
    for (auto &c : s)
        if (isForbiddenInSheetName(c))
            c = u'_';
    while (!s.empty() && s.front() == u'\'')
        s.erase(s.begin());
    truncateUnits(s, kMaxSheetName);
    while (!s.empty() && s.back() == u'\'')
        s.pop_back();
    // Excel keeps the name "History" for itself.
    if (lowerAscii(s) == u"history")
        s += u'_';
    if (s.empty())
        return "Foglio" + std::to_string(position + 1);
    return toUtf8(s);
}

std::vector<std::string> uniqueSheetNames(const std::vector<std::string> &names)
{
    std::vector<std::string> out;
    std::unordered_set<std::u16string> used;
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::u16string base = toUtf16(sanitizeSheetName(names[i], i));
        std::u16string candidate = base;
        for (int n = 2; used.count(lowerAscii(candidate)); ++n) {
            const std::u16string suffix = toUtf16(" (" + std::to_string(n) + ")");
            std::u16string stem = base;
            truncateUnits(stem, kMaxSheetName - suffix.size());
            candidate = stem + suffix;
        }
        used.insert(lowerAscii(candidate));
        out.push_back(toUtf8(candidate));
    }
    return out;
}

std::size_t columnCount(const Sheet &sheet)
{
    std::size_t n = 0;
    for (const auto &row : sheet.rows)
        n = std::max(n, row.size());
    return n;
}

std::size_t rowCount(const Workbook &workbook)
{
    std::size_t n = 0;
    for (const Sheet &sheet : workbook.sheets)
        n += sheet.rows.size();
    return n;
}

std::vector<double> fittedWidths(const Sheet &sheet)
{
    std::vector<double> widths(columnCount(sheet), 0.0);
    if (!sheet.fitColumns)
        return widths;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        const auto &row = sheet.rows[r];
        // Bold header text is about a tenth wider than the normal font.
        const double scale = (r == 0 && sheet.header.bold) ? 1.1 : 1.0;
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], displayLength(row[c]) * scale);
    }
    for (auto &w : widths)
        if (w > 0)
            w = std::min(kMaxColumnWidth, std::ceil(w) + 2.0);
    return widths;
}

std::optional<Workbook> layoutForXls(const Workbook &workbook, std::string *error)
{
    Workbook out;
    std::vector<Sheet> continuations;
    for (const Sheet &sheet : workbook.sheets) {
        if (sheet.rows.size() > kXlsMaxRows) {
            if (error)
                *error = "Il foglio \"" + sheet.name + "\" ha " + std::to_string(sheet.rows.size())
                    + " righe, ma il formato .xls ne ammette al massimo " + std::to_string(kXlsMaxRows)
                    + ": salvare il file in formato .xlsx.";
            return std::nullopt;
        }
        const std::size_t cols = columnCount(sheet);
        if (cols <= kXlsMaxColumns) {
            out.sheets.push_back(sheet);
            continue;
        }
        const std::size_t keep = static_cast<std::size_t>(
            std::clamp(sheet.repeatColumns, 0, static_cast<int>(kXlsMaxColumns) - 1));
        const std::size_t perPart = kXlsMaxColumns - keep;
        auto part = [&](std::size_t from, std::size_t count, bool withKeys) {
            Sheet s;
            s.fitColumns = sheet.fitColumns;
            s.header = sheet.header;
            s.repeatColumns = sheet.repeatColumns;
            s.rows.reserve(sheet.rows.size());
            for (const auto &row : sheet.rows) {
                std::vector<Cell> r;
                r.reserve(withKeys ? keep + count : count);
                if (withKeys)
                    for (std::size_t c = 0; c < keep && c < row.size(); ++c)
                        r.push_back(row[c]);
                for (std::size_t c = from; c < from + count && c < row.size(); ++c)
                    r.push_back(row[c]);
                s.rows.push_back(std::move(r));
            }
            return s;
        };
        Sheet first = part(0, kXlsMaxColumns, false);
        first.name = sheet.name;
        out.sheets.push_back(std::move(first));
        int n = 2;
        for (std::size_t from = kXlsMaxColumns; from < cols; from += perPart, ++n) {
            Sheet next = part(from, std::min(perPart, cols - from), true);
            // Leave room for the suffix so it survives the 31-character limit.
            const std::string suffix = " (" + std::to_string(n) + ")";
            std::u16string stem = toUtf16(sanitizeSheetName(sheet.name, 0));
            truncateUnits(stem, kMaxSheetName - suffix.size());
            next.name = toUtf8(stem) + suffix;
            continuations.push_back(std::move(next));
        }
    }
    for (auto &s : continuations)
        out.sheets.push_back(std::move(s));

    std::vector<std::string> names;
    for (const auto &s : out.sheets)
        names.push_back(s.name);
    names = uniqueSheetNames(names);
    for (std::size_t i = 0; i < names.size(); ++i)
        out.sheets[i].name = names[i];
    return out;
}

std::string notWrittenMessage(const std::string &path)
{
    return "Impossibile scrivere il file \"" + path + "\".";
}

bool saveFile(const std::string &path, const QByteArray &bytes, std::string *error, std::string *reason)
{
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error)
            *error = notWrittenMessage(path);
        if (reason)
            *reason = file.errorString().toStdString();
        return false;
    }
    return true;
}

} // namespace detail

namespace {

std::string lowerExtension(const std::string &path)
{
    const auto slash = path.find_last_of("/\\");
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    std::string ext = path.substr(dot);
    for (auto &c : ext)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

bool write(const Workbook &workbook, const std::string &path, std::string *error, std::string *reason,
           const Progress &progress)
{
    const std::string ext = lowerExtension(path);
    if (ext == ".xls")
        return writeXls(workbook, path, error, reason, progress);
    if (ext == ".xlsx")
        return writeXlsx(workbook, path, error, reason, progress);
    if (error)
        *error = "Formato del file \"" + path + "\" non riconosciuto: l'estensione deve essere .xls oppure .xlsx.";
    return false;
}

void applyTemplate(const Template &tpl, Workbook &workbook)
{
    if (workbook.sheets.size() > 0) {
        workbook.sheets[0].name = tpl.dataSheetName;
        workbook.sheets[0].header = tpl.header;
    }
    if (workbook.sheets.size() > 1) {
        workbook.sheets[1].name = tpl.metaSheetName;
        workbook.sheets[1].header = tpl.header;
    }
}

} // namespace qrn::workbook

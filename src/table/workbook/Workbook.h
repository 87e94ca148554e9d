// Spreadsheet workbook writers used by the table export: Excel 97-2003 (.xls, a BIFF8 stream in
// an OLE2 compound file) and Office Open XML (.xlsx), plus the small text templates that give the
// names and the header style of the data and metadata sheets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qrn::workbook {

struct Cell {
    enum class Kind { Empty, Text, Number };
    Kind kind = Kind::Empty;
    std::string text; // UTF-8, used when kind == Text
    double number = 0; // used when kind == Number

    static Cell ofText(std::string t) { return {Kind::Text, std::move(t), 0}; }
    static Cell ofNumber(double v) { return {Kind::Number, {}, v}; }
};

// Style of a sheet's first row (the header row).
struct HeaderStyle {
    bool bold = false;
    std::optional<uint32_t> fill; // solid background, 0xRRGGBB
};

struct Sheet {
    std::string name; // made valid and unique when written (31 characters, no : \ / ? * [ ])
    std::vector<std::vector<Cell>> rows; // rows may have different lengths
    bool fitColumns = true; // size every column to its longest content
    HeaderStyle header;
    // .xls only: a sheet wider than 256 columns goes on in continuation sheets "<name> (2)", ...
    // placed after all the workbook's own sheets; each repeats these leading key columns.
    int repeatColumns = 0;
};

struct Workbook {
    std::vector<Sheet> sheets;
};

// Told how far a writer is (done of total, rising to total just before the file is saved);
// answering false stops the writing.
using Progress = std::function<bool(std::size_t done, std::size_t total)>;
// The message of a writing stopped by its progress.
inline constexpr const char *kCancelledMessage = "Operazione annullata.";

// Writes the workbook in the format the extension of `path` names (".xls" or ".xlsx", any case).
// On failure returns false, leaves no partial file behind and sets *error (when not null) to a
// message in Italian for the user, and *reason (when not null) to the words of the system or
// of the library that failed, for the error log (empty when the message says it all). Stopped
// by progress, it is the same failure with kCancelledMessage: the file at path stays as it was.
bool write(const Workbook &workbook, const std::string &path, std::string *error, std::string *reason = nullptr,
           const Progress &progress = {});
bool writeXls(const Workbook &workbook, const std::string &path, std::string *error, std::string *reason = nullptr,
              const Progress &progress = {});
bool writeXlsx(const Workbook &workbook, const std::string &path, std::string *error, std::string *reason = nullptr,
               const Progress &progress = {});

// Template file: an INI file without sections, one "key=value" per line (# or ; comments):
//   dataSheet=Dati
//   metaSheet=Metadati variabili
//   headerBold=true            (true/false, optional, default false)
//   headerFill=#DDEBF7         (#RRGGBB, optional, default none)
struct Template {
    std::string dataSheetName;
    std::string metaSheetName;
    HeaderStyle header;
};

// A missing, unreadable or malformed file is an error: nullopt and *error set.
std::optional<Template> loadTemplate(const std::string &path, std::string *error);

// Names sheets[0] and sheets[1] (when present) after the template and gives them its header style.
void applyTemplate(const Template &tpl, Workbook &workbook);

} // namespace qrn::workbook

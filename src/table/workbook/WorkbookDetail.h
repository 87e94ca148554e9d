// Pieces shared by the two writers; not part of the library's public interface.
#pragma once

#include "Workbook.h"

#include <QByteArray>

#include <algorithm>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qrn::workbook::detail {

// Longest text a cell holds in either format, in UTF-16 code units.
inline constexpr std::size_t kMaxCellText = 32767;
// Longest sheet name, in UTF-16 code units.
inline constexpr std::size_t kMaxSheetName = 31;
// Widest a fitted column gets, in characters.
inline constexpr double kMaxColumnWidth = 60.0;

inline constexpr std::size_t kXlsMaxRows = 65536;
inline constexpr std::size_t kXlsMaxColumns = 256;
inline constexpr std::size_t kXlsxMaxRows = 1048576;
inline constexpr std::size_t kXlsxMaxColumns = 16384;

// UTF-8 to UTF-16; malformed sequences become U+FFFD. Stops after `limit` code units without
// splitting a surrogate pair.
std::u16string toUtf16(std::string_view utf8, std::size_t limit = kMaxCellText);
std::string toUtf8(std::u16string_view utf16);

// The text as it is stored in a cell: valid UTF-8, at most kMaxCellText UTF-16 units.
std::string cellText(std::string_view utf8);

// Text written for a number that has no spreadsheet value (NaN, infinities).
std::optional<std::string> nonFiniteText(double v);

// A valid sheet name: forbidden characters : \ / ? * [ ] and control characters become '_',
// leading/trailing apostrophes are dropped, at most 31 UTF-16 units, "Foglio<n>" when empty.
std::string sanitizeSheetName(std::string_view name, std::size_t position);
// Sanitized names made unique (case-insensitively) by appending " (2)", " (3)", ...
std::vector<std::string> uniqueSheetNames(const std::vector<std::string> &names);

// Width in characters for every column of the sheet (0 = leave the default width).
std::vector<double> fittedWidths(const Sheet &sheet);

std::size_t columnCount(const Sheet &sheet);

// The sheets as the .xls writer lays them out: over-wide sheets split into continuation sheets,
// names made valid and unique. Fails (message in *error) when a sheet has too many rows.
std::optional<Workbook> layoutForXls(const Workbook &workbook, std::string *error);

// The complete BIFF8 "Workbook" stream of the workbook (laid out by layoutForXls first). Its
// rows are reported to progress as done of total (every row of every sheet); a false answer
// stops it with kCancelledMessage.
std::optional<std::vector<uint8_t>> buildXlsStream(const Workbook &workbook, std::string *error,
                                                   const Progress &progress = {});

// Counts rows written against the rows of every sheet and hands the count on to a progress
// every `every` rows; remembers a stop.
class RowProgress {
public:
    RowProgress(const Progress &progress, std::size_t rows, std::size_t extra = 0)
        : m_progress(progress), m_total(rows + extra)
    {
    }
    // One more row; false once the work is to stop.
    bool row()
    {
        ++m_done;
        if (m_stopped || !m_progress || (m_done % 32 != 0))
            return !m_stopped;
        return report(m_done);
    }
    // The whole is done (false: stop before saving).
    bool finished() { return m_stopped ? false : (m_progress ? report(m_total) : true); }
    bool stopped() const { return m_stopped; }

private:
    bool report(std::size_t done)
    {
        if (!m_progress(std::min(done, m_total), m_total))
            m_stopped = true;
        return !m_stopped;
    }
    const Progress &m_progress;
    std::size_t m_total;
    std::size_t m_done = 0;
    bool m_stopped = false;
};
// Rows of every sheet of the workbook.
std::size_t rowCount(const Workbook &workbook);

// Writes the bytes to `path` through a temporary file that replaces it only once complete, so a
// failed write leaves neither a partial file nor a damaged earlier file.
bool saveFile(const std::string &path, const QByteArray &bytes, std::string *error, std::string *reason);
// "Impossibile scrivere il file \"<path>\"."
std::string notWrittenMessage(const std::string &path);

} // namespace qrn::workbook::detail

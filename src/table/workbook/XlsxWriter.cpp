// Office Open XML workbook through libxlsxwriter.
#include "Workbook.h"
#include "WorkbookDetail.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <map>
#include <utility>

namespace qrn::workbook {
namespace {

// libxlsxwriter reads colour 0 as "not set"; black has its own value.
lxw_color_t lxwColour(uint32_t rgb)
{
    rgb &= 0xFFFFFF;
    return rgb == 0 ? static_cast<lxw_color_t>(LXW_COLOR_BLACK) : rgb;
}

// false with an empty *why when progress said stop.
bool fill(lxw_workbook *book, const Workbook &wb, const std::vector<std::string> &names, std::string *why,
          detail::RowProgress &progress)
{
    std::map<std::pair<bool, uint32_t>, lxw_format *> formats; // (bold, fill + 1 or 0)
    auto headerFormat = [&](const HeaderStyle &h) -> lxw_format * {
        if (!h.bold && !h.fill)
            return nullptr;
        const auto key = std::make_pair(h.bold, h.fill ? (*h.fill & 0xFFFFFF) + 1 : 0u);
        auto it = formats.find(key);
        if (it != formats.end())
            return it->second;
        lxw_format *f = workbook_add_format(book);
        if (h.bold)
            format_set_bold(f);
        if (h.fill) {
            format_set_pattern(f, LXW_PATTERN_SOLID);
            format_set_bg_color(f, lxwColour(*h.fill));
        }
        formats.emplace(key, f);
        return f;
    };

    for (std::size_t i = 0; i < wb.sheets.size(); ++i) {
        const Sheet &sheet = wb.sheets[i];
        lxw_worksheet *ws = workbook_add_worksheet(book, names[i].c_str());
        if (!ws) {
            *why = "nome di foglio non valido \"" + names[i] + "\"";
            return false;
        }
        if (i == 0)
            worksheet_activate(ws);
        const std::vector<double> widths = detail::fittedWidths(sheet);
        for (std::size_t c = 0; c < widths.size(); ++c)
            if (widths[c] > 0)
                worksheet_set_column(ws, static_cast<lxw_col_t>(c), static_cast<lxw_col_t>(c), widths[c], nullptr);

        lxw_format *header = headerFormat(sheet.header);
        for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
            lxw_format *fmt = r == 0 ? header : nullptr;
            const auto row = static_cast<lxw_row_t>(r);
            for (std::size_t c = 0; c < sheet.rows[r].size(); ++c) {
                const Cell &cell = sheet.rows[r][c];
                const auto col = static_cast<lxw_col_t>(c);
                lxw_error err = LXW_NO_ERROR;
                if (cell.kind == Cell::Kind::Number && !detail::nonFiniteText(cell.number)) {
                    err = worksheet_write_number(ws, row, col, cell.number, fmt);
                } else {
                    std::string text = cell.kind == Cell::Kind::Number ? *detail::nonFiniteText(cell.number)
                        : cell.kind == Cell::Kind::Text                ? detail::cellText(cell.text)
                                                                       : std::string();
                    if (!text.empty())
                        err = worksheet_write_string(ws, row, col, text.c_str(), fmt);
                    else if (fmt)
                        err = worksheet_write_blank(ws, row, col, fmt);
                }
                if (err != LXW_NO_ERROR) {
                    *why = "foglio \"" + names[i] + "\", riga " + std::to_string(r + 1) + ", colonna "
                        + std::to_string(c + 1) + ": " + lxw_strerror(err);
                    return false;
                }
            }
            if (!progress.row())
                return false;
        }
    }
    return true;
}

} // namespace

bool writeXlsx(const Workbook &workbook, const std::string &path, std::string *error, std::string *reason,
               const Progress &progress)
{
    if (workbook.sheets.empty()) {
        if (error)
            *error = "La cartella di lavoro non contiene alcun foglio.";
        return false;
    }
    std::vector<std::string> names;
    for (const Sheet &sheet : workbook.sheets) {
        if (sheet.rows.size() > detail::kXlsxMaxRows || detail::columnCount(sheet) > detail::kXlsxMaxColumns) {
            if (error)
                *error = "Il foglio \"" + sheet.name + "\" supera i limiti del formato .xlsx ("
                    + std::to_string(detail::kXlsxMaxRows) + " righe, " + std::to_string(detail::kXlsxMaxColumns)
                    + " colonne).";
            return false;
        }
        names.push_back(sheet.name);
    }
    names = detail::uniqueSheetNames(names);

    // libxlsxwriter writes to a file of its own: a private temporary folder, whose file is then
    // saved to `path` as a whole.
    const QTemporaryDir scratch;
    const std::string tmp = QDir(scratch.path()).filePath(QStringLiteral("book.xlsx")).toStdString();
    const auto fail = [&](const std::string &why) {
        if (error)
            *error = detail::notWrittenMessage(path);
        if (reason)
            *reason = why;
        return false;
    };
    if (!scratch.isValid())
        return fail(scratch.errorString().toStdString());
    lxw_workbook_options options {};
    // Rows are written in order, so each goes to the sheet's temporary file as soon as the next
    // one starts, texts inline: no cell tree kept for the whole sheet. Zip64 is left off: the
    // parts of a table the formats' limits allow stay far below 4 GB.
    options.constant_memory = LXW_TRUE;
    QByteArray tmpdir = QFile::encodeName(scratch.path());
    options.tmpdir = tmpdir.data();
    lxw_workbook *book = workbook_new_opt(tmp.c_str(), &options);
    if (!book)
        return fail("workbook_new_opt failed (out of memory)");
    std::string why;
    // Packing the file takes about half as long as filling the sheets: it counts as half the rows.
    const std::size_t rows = detail::rowCount(workbook);
    detail::RowProgress rowProgress(progress, rows, rows / 2);
    const auto cancelled = [&] {
        if (error)
            *error = kCancelledMessage;
        return false;
    };
    if (!fill(book, workbook, names, &why, rowProgress)) {
        lxw_workbook_free(book);
        return rowProgress.stopped() ? cancelled() : fail(why);
    }
    const lxw_error closed = workbook_close(book); // writes the file and frees the workbook
    if (closed != LXW_NO_ERROR)
        return fail(lxw_strerror(closed));
    if (!rowProgress.finished())
        return cancelled();
    QFile written(QString::fromStdString(tmp));
    if (!written.open(QIODevice::ReadOnly))
        return fail(written.errorString().toStdString());
    return detail::saveFile(path, written.readAll(), error, reason);
}

} // namespace qrn::workbook

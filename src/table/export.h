#pragma once
// Export of the data table to a workbook (the table on sheet 1, the metadata of its items on
// sheet 2) or to a CSV text (the table alone), and of cells to the clipboard. Every format
// takes the same road: the table in territory-code order, every column (the hidden type of
// territory and the derived indicators included), columns 0 to 4 and the header row as text,
// from column 5 on a cell that reads as a number as a number.

#include "shell/result.h"

#include <QByteArray>
#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

struct CommandContext;
struct ProgramPaths;
struct Services;
class DataTable;
struct NumberFormat;
struct CellPos;

// A table as text: row 0 the headers, every row as long as the header row.
using TextTable = std::vector<QStringList>;

// The item codes of the table's headers: a header ending in "_" and a four-digit year loses
// them; every code once, in column order. Territory headers stay in and simply match nothing.
QStringList exportCodeList(const QStringList &headers);

// The metadata statement of the codes for a type ("Variabili" or "Indicatori").
QString exportMetadataQuery(const QString &tipo, const QStringList &codes);

// The template of a type: Files/DatiTemplateVar for variables, Files/DatiTemplateInd otherwise.
QString exportTemplatePath(const ProgramPaths &paths, const CommandContext &command);

// How a CSV text is written: the field separator and the decimal mark of its numbers. Numbers
// carry no group marks; the text is UTF-8 with a byte-order mark (so that spreadsheets that
// guess the encoding read accents right), lines end in CR LF, and a field holding the
// separator, a quote or a line end is quoted, its quotes doubled.
struct CsvFormat {
    QChar separator = QLatin1Char(';');
    QChar decimal = QLatin1Char(',');
};

// The CSV text of a table whose texts read as numbers in `numbers`, by the rules above.
QByteArray csvText(const DataTable &table, const NumberFormat &numbers, const CsvFormat &format = {});

// How an export ended without a failure: the file written, or none (stopped or declined by the
// user, or nothing to export), with nothing to report.
enum class ExportEnd { Written, NotWritten };

// CreateExcelFile: writes the workbook or the CSV text (format by the extension, .xls, .xlsx or
// .csv). A failure carries the procedure "CreateExcelFile" (or "CopyRecordsMeta"), the words of
// the library or the system as the detail, for the caller to report; no file is left at
// fileName then, nor after a stop (an earlier file there is kept).
Result<ExportEnd> CreateExcelFile(Services &services, const ProgramPaths &paths, const CommandContext &command,
                                  const TextTable &table, const QString &fileName);

// The same for the data table (every row, the header row first).
Result<ExportEnd> CreateExcelFile(Services &services, const ProgramPaths &paths, const CommandContext &command,
                                  const DataTable &table, const QString &fileName);

// Makes sure the export folder exists.
bool CreateExcelFileDir(const ProgramPaths &paths);

inline constexpr QLatin1String kExportDialogTitle {"Selezionare un file..."};
inline constexpr QLatin1String kOverwriteQuestion {"Il File esiste si vuole sovrascriverlo?"};
inline constexpr QLatin1String kOverwriteTitle {"Creazione File Excel"};
inline constexpr QLatin1String kOpenQuestion {"Si desidera aprire il file adesso per consultarlo?"};
inline constexpr QLatin1String kNoApplication {"Non si dispone di un'applicazione che possa aprire il file!"};
inline constexpr QLatin1String kNotFound {"File non trovato o rovinato."};
// "Esporta in Excel" on a table without data rows.
inline constexpr QLatin1String kNothingToExport {"La tabella non contiene dati da esportare."};

// The filter of the save dialog: the .xlsx workbook first (read natively by Calc and Excel),
// then the Excel 97-2003 workbook and the CSV text.
QString exportFileFilter();
// The name the table is saved under: a name that does not end in .xlsx, .xls or .csv (any case)
// gets ".xlsx", the format of the dialog's first filter.
QString exportFileName(const QString &chosen);

// "Copia negli Appunti": the text of the one cell at the selection's end corner.
QString clipboardCellText(const DataTable &table);
// Clears the clipboard and puts that text on it as plain text (needs a GUI application).
void CopiaNegliAppunti(const DataTable &table);

// A block of the grid as a spreadsheet takes it from the clipboard: tab-separated lines, and
// the same cells as an HTML table.
struct CopiedBlock {
    QString text;
    QString html;
};
// The cells from one corner to the other (table rows from 1, columns; either corner first), in
// the order the rows stand, leaving out the hidden columns. Every cell is its text as copied
// and exported: numbers with the table's decimal mark and no group marks, so a spreadsheet in
// the same locale reads them as numbers. When the block takes every data row, the headers of
// its columns come first. Tabs and line ends inside a cell become blanks.
CopiedBlock copiedBlock(const DataTable &table, CellPos from, CellPos to, const QList<int> &hiddenColumns = {});
// Puts the block on the clipboard as plain text and as HTML (needs a GUI application).
void copyToClipboard(const CopiedBlock &block);

} // namespace qrn

#pragma once
// Export of the data table to a workbook (the table on sheet 1, the metadata of its items on
// sheet 2) and of one cell to the clipboard.

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

struct AppContext;
class DataTable;
struct CellPos;

// A table as text: row 0 the headers, every row as long as the header row.
using TextTable = std::vector<QStringList>;

// The item codes of the table's headers: a header ending in "_" and a four-digit year loses
// them; every code once, in column order. Territory headers stay in and simply match nothing.
QStringList exportCodeList(const QStringList &headers);

// The metadata statement of the codes for a type ("Variabili" or "Indicatori").
QString exportMetadataQuery(const QString &tipo, const QStringList &codes);

// The template of a type: Files/DatiTemplateVar for variables, Files/DatiTemplateInd otherwise.
QString exportTemplatePath(const AppContext &ctx);

// CreateExcelFile: writes the workbook (format by the extension, .xls or .xlsx). Errors are
// logged under "CreateExcelFile" (or "CopyRecordsMeta") with module as the window; the answer
// is false then and no file is left at fileName.
bool CreateExcelFile(AppContext &ctx, const TextTable &table, const QString &fileName,
                     const QString &module = QStringLiteral("frm_dispData"));

// The same for the data table (every row, the header row first).
bool CreateExcelFile(AppContext &ctx, const DataTable &table, const QString &fileName,
                     const QString &module = QStringLiteral("frm_dispData"));

// Makes sure the export folder exists.
bool CreateExcelFileDir(const AppContext &ctx);

// Opens a document with the application the desktop associates with it.
class FileOpener {
public:
    enum class Outcome {
        Opened,
        NoApplication, // no application is associated with the file's type
        NotFound, // the file is missing, unreadable or empty
        Failed, // anything else
    };
    virtual ~FileOpener() = default;
    virtual Outcome open(const QString &path) = 0;
};

// The desktop's opener: the file's type and its default application through xdg-mime when
// it is installed, then QDesktopServices.
class DesktopFileOpener : public FileOpener {
public:
    Outcome open(const QString &path) override;
};

inline constexpr QLatin1String kExportDialogTitle {"Selezionare un file..."};
inline constexpr QLatin1String kOverwriteQuestion {"Il File esiste si vuole sovrascriverlo?"};
inline constexpr QLatin1String kOverwriteTitle {"Creazione File Excel"};
inline constexpr QLatin1String kOpenQuestion {"Si desidera aprire il file adesso per consultarlo?"};
inline constexpr QLatin1String kNoApplication {"Non si dispone di un'applicazione che possa aprire il file!"};
inline constexpr QLatin1String kNotFound {"File non trovato o rovinato."};
// "Esporta in Excel" on a table without data rows.
inline constexpr QLatin1String kNothingToExport {"La tabella non contiene dati da esportare."};

// The filter of the save dialog: the Excel 97-2003 workbook first, the .xlsx workbook beside it.
QString exportFileFilter();
// The name the workbook is saved under: a name that does not end in .xls or .xlsx (any case)
// gets ".xls", the format of the dialog's first filter.
QString exportFileName(const QString &chosen);

// OpenFileExcel: asks whether to open the file now and, on Yes, opens it, reporting an opener
// that cannot. Returns the outcome (Failed when the user said No).
FileOpener::Outcome OpenFileExcel(AppContext &ctx, const QString &fileName, FileOpener &opener);

// "Esporta in Excel": sorts the table on COD_TERR (generic ascending order; the table stays in
// that order, its colours as they were), makes the export folder, asks for the file (and
// whether to overwrite it), writes the workbook and offers to open it. Returns true when a
// workbook was written. A table without data rows is not exported: the user is told so and no
// file is asked for. Errors go to the error log under module.
bool EsportaInExcel(AppContext &ctx, DataTable &table, FileOpener &opener,
                    const QString &module = QStringLiteral("frm_dispData"));

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

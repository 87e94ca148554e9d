#pragma once
// Export of the data table to a workbook (the table on sheet 1, the metadata of its items on
// sheet 2) and of one cell to the clipboard.

#include <QString>
#include <QStringList>
#include <vector>

namespace qrn {

struct AppContext;

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

// Makes sure the export folder exists.
bool CreateExcelFileDir(const AppContext &ctx);

} // namespace qrn

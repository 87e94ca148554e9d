#pragma once
// "Esporta in Excel" as the grid window runs it: the save dialog, the overwrite question, the
// workbook written by the export core, and the offer to open it with the desktop's application.
// Only the asking lives here; what is written and how is the export core's (table/export.h).

#include "table/export.h"

#include <QString>

namespace qrn::ui {

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

// OpenFileExcel: asks whether to open the file now and, on Yes, opens it, reporting an opener
// that cannot. Returns the outcome (Failed when the user said No).
FileOpener::Outcome OpenFileExcel(Services &services, const QString &fileName, FileOpener &opener);

// "Esporta in Excel": sorts the table on COD_TERR (generic ascending order; the table stays in
// that order, its colours as they were), makes the export folder, asks for the file (and
// whether to overwrite it), writes the workbook and offers to open it. Written when a workbook
// was written. A table without data rows is not exported: the user is told so and no file is
// asked for. A failure comes back for the caller to report.
Result<ExportEnd> EsportaInExcel(Services &services, const ProgramPaths &paths, const CommandContext &command, DataTable &table,
                                 FileOpener &opener);

} // namespace qrn::ui

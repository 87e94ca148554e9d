#pragma once
// The preview window of a report, from which it is printed or saved as a PDF file.

#include "metadata/report.h"

#include <QDialog>
#include <functional>

class QPrintPreviewWidget;
class QPushButton;

namespace qrn {
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(const ProgramPaths &paths, Services &services, Report report, QWidget *parent);

    void cmdStampa_Click();
    void cmdSalvaPdf_Click();
    QTextDocument &document() const { return *m_report.document; }

    // Whether a printer is installed; the installed printers of the system unless replaced.
    std::function<bool()> printersInstalled;

private:
    const ProgramPaths &m_paths;
    Services &m_services;
    Report m_report;
    QPrintPreviewWidget *m_preview;
    QPushButton *cmdStampa, *cmdSalvaPdf, *cmdChiudi;
};

// Binds the report of key and shows its preview, modal, deleted when closed; when the report
// cannot be bound, shows "Impossibile eseguire la stampa" and answers null.
ReportPreview *showReport(const ProgramPaths &paths, Services &services, ReportKind kind, const QString &key,
                          QWidget *owner);

} // namespace qrn::ui

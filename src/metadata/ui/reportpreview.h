#pragma once
// The preview window of a report, from which it is printed or saved as a PDF file.

#include "metadata/report.h"

#include <QDialog>
#include <functional>

class QPrintPreviewWidget;
class QPushButton;

namespace qrn {
struct AppContext;
}

namespace qrn::ui {

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(AppContext &ctx, Report report, QWidget *parent);

    void cmdStampa_Click();
    void cmdSalvaPdf_Click();
    QTextDocument &document() const { return *m_report.document; }

    // Whether a printer is installed; the installed printers of the system unless replaced.
    std::function<bool()> printersInstalled;

private:
    AppContext &m_ctx;
    Report m_report;
    QPrintPreviewWidget *m_preview;
    QPushButton *cmdStampa, *cmdSalvaPdf, *cmdChiudi;
};

// Binds the report of key and shows its preview, modal, deleted when closed; when the report
// cannot be bound, shows "Impossibile eseguire la stampa" and answers null.
ReportPreview *showReport(AppContext &ctx, ReportKind kind, const QString &key, QWidget *owner);

} // namespace qrn::ui

#include "metadata/ui/reportpreview.h"

#include "shell/context.h"
#include "shell/prompt.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace qrn::ui {

ReportPreview::ReportPreview(const ProgramPaths &paths, Services &services, Report report, QWidget *parent)
    : QDialog(parent), m_paths(paths), m_services(services), m_report(std::move(report))
{
    setObjectName(m_report.name);
    setWindowTitle(m_report.caption);
    setAttribute(Qt::WA_DeleteOnClose);
    printersInstalled = [] { return !QPrinterInfo::availablePrinterNames().isEmpty(); };

    auto *root = new QVBoxLayout(this);
    auto *bar = new QHBoxLayout;
    auto button = [&](QPushButton *&b, const char *name, const QString &text) {
        b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        bar->addWidget(b);
    };
    button(cmdStampa, "cmdStampa", QStringLiteral("Stampa"));
    button(cmdSalvaPdf, "cmdSalvaPdf", QStringLiteral("Salva PDF"));
    bar->addStretch(1);
    button(cmdChiudi, "cmdChiudi", QStringLiteral("Chiudi"));
    root->addLayout(bar);

    m_preview = new QPrintPreviewWidget(this);
    m_preview->setObjectName(QStringLiteral("Anteprima"));
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this,
            [this](QPrinter *printer) { printReport(*m_report.document, *printer); });
    root->addWidget(m_preview, 1);

    connect(cmdStampa, &QPushButton::clicked, this, &ReportPreview::cmdStampa_Click);
    connect(cmdSalvaPdf, &QPushButton::clicked, this, &ReportPreview::cmdSalvaPdf_Click);
    connect(cmdChiudi, &QPushButton::clicked, this, &QDialog::close);
    resize(720, 820);
    m_preview->fitInView();
}

void ReportPreview::cmdStampa_Click()
{
    if (!printersInstalled()) {
        m_services.prompt->message(QStringLiteral("Stampante non installata!"), QString(), Icon::Exclamation);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_report.caption);
    if (!m_services.prompt->choosePrinter(printer))
        return;
    {
        BusyPointer busy(m_services.prompt);
        printReport(*m_report.document, printer);
    }
    if (printer.printerState() == QPrinter::Error)
        m_services.log.logError(this, QStringLiteral("DataReport_Error"), QStringLiteral("0"),
                                QStringLiteral("Errore di stampa su %1").arg(printer.printerName()));
}

void ReportPreview::cmdSalvaPdf_Click()
{
    QString path = m_services.prompt->saveFile(QStringLiteral("Salva PDF"), m_paths.ExcelFolder,
                                               QStringLiteral("Documento PDF|*.pdf"));
    if (path.isEmpty())
        return;
    if (QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".pdf");
    const WriteResult written = [&] {
        BusyPointer busy(m_services.prompt);
        return writeReportPdf(*m_report.document, path);
    }();
    if (!written) {
        m_services.log.writeError(objectName(), QStringLiteral("cmdSalvaPdf_Click"), QStringLiteral("0"),
                                  written.message, written.detail);
        m_services.prompt->message(written.message, QString(), Icon::Exclamation);
    }
}

ReportPreview *showReport(const ProgramPaths &paths, Services &services, ReportKind kind, const QString &key,
                          QWidget *owner)
{
    BusyPointer busy(services.prompt);
    Result<std::optional<Report>> report = InitReport(services, kind, key);
    if (!report)
        reportFailure(report.failure(), services.log, services.prompt, owner ? owner->objectName() : QString());
    if (!report || !report.value()) {
        busy.release();
        services.prompt->message(reportFailedMessage(), QString(), Icon::Exclamation);
        return nullptr;
    }
    auto *preview = new ReportPreview(paths, services, std::move(*report.value()), owner ? owner->window() : nullptr);
    preview->setWindowModality(Qt::ApplicationModal);
    preview->show();
    return preview;
}

} // namespace qrn::ui

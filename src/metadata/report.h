#pragma once
// The printed reports of the metadata sheets and of the glossary: one record laid out as a
// text document of headings and fields, previewed, printed or written to PDF.

#include "shell/filewrite.h"
#include "shell/result.h"

#include <QString>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

class QPagedPaintDevice;
class QTextDocument;

namespace qrn {

struct Services;
class Connection;

// Builds the text of one report: a page header, a title, then labelled fields and year
// series, in the Arial typeface.
class ReportWriter {
public:
    explicit ReportWriter(const QString &title, const QString &pageHeader = QString());
    // A labelled paragraph; line breaks typed inside a sentence flow on as blanks.
    void field(const QString &label, const QString &value);
    // A heading followed by one row per (label, value) whose value is not empty ("" or "-");
    // nothing when every value is empty.
    void series(const QString &label, const std::vector<std::pair<QString, QString>> &rows);
    std::unique_ptr<QTextDocument> document() const;

private:
    QString m_html;
};

enum class ReportKind { Variabili, Indicatori, Glossario };

struct Report {
    QString name; // rptVariabili, rptIndicatori, rptGlossario
    QString caption; // of the preview window
    std::shared_ptr<QTextDocument> document;
};

// The statements the reports are bound to.
QString variableReportQuery(const QString &code);
QString indicatorReportQuery(const QString &code);
QString glossaryReportQuery(const QString &term);

// The report of one record, or nothing when there is none. Throws DbError.
std::optional<Report> buildReport(Connection &cn, ReportKind kind, const QString &key);
// Binds the report of key on a connection of its own to Metadati.mdb: the report, nothing when
// there is no record, or the store's failure (procedure "InitReport") for the caller to report.
Result<std::optional<Report>> InitReport(Services &services, ReportKind kind, const QString &key);

// Lays the document out on the device's pages and paints it there.
void printReport(QTextDocument &doc, QPagedPaintDevice &device);
// Writes the document as an A4 PDF file, whole or not at all; a failure says so in Italian with
// the system's words as detail.
WriteResult writeReportPdf(QTextDocument &doc, const QString &path);

// "Impossibile eseguire la stampa"
QString reportFailedMessage();

} // namespace qrn

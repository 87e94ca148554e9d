// The export writers shared by the grid window and the command-line tool; neither asks anything
// (the window's dialogs are its own). The cells are made first (the first part of the
// progress), then the writer packs the file. The file is written whole through writeWholeFile, so
// an earlier file of the same name is replaced only by a complete one; a stop asked for before
// the last step writes nothing and logs nothing. Workbook cells from column 5 on that read as
// numbers go as numbers, everything else as text.

#include "table/export.h"

#include "shell/context.h"
#include "shell/filewrite.h"
#include "shell/itemkind.h"
#include "shell/prompt.h"
#include "shell/sqltext.h"
#include "table/datatable.h"
#include "table/workbook/Workbook.h"

#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMimeData>

#include <algorithm>
#include <exception>
#include <functional>
#include <optional>

namespace qrn {

QStringList exportCodeList(const QStringList &headers)
{
    QStringList codes;
    for (const QString &h : headers) {
        QString code = h;
        if (h.size() > 4) {
            bool isYear = false;
            h.right(4).toInt(&isYear);
            if (isYear)
                code = h.left(h.size() - 5);
        }
        if (!codes.contains(code))
            codes << code;
    }
    return codes;
}

QString exportMetadataQuery(const QString &tipo, const QStringList &codes)
{
    auto years = [](const QString &prefix) {
        QStringList cols;
        for (int y = 1996; y <= 2008; ++y)
            cols << prefix + QString::number(y);
        return cols.join(QStringLiteral(", "));
    };
    QString q;
    const ItemKind kind = itemKind(tipo);
    if (kind == ItemKind::Variables) {
        q = QStringLiteral(
                "SELECT IdVariabile as Variabile, Settore.[Descrizione Settore] as Area, Argomento.[Codice argomento] "
                "as [Codice Sottoarea], Argomento.[Desc argomento] as Sottoarea, DescVariabile, Fonte, PubblRecente, "
                "Ente, UltimoAnnoDisponibile, ")
            + years(QStringLiteral("[")).replace(QStringLiteral(", "), QStringLiteral("], ")) + QStringLiteral("], ")
            + QStringLiteral("UnitaMisura, PeriodoRif, NoteSerie, ") + years(QStringLiteral("Note_"))
            + QStringLiteral(", ") + years(QStringLiteral("Fonte_")) + QStringLiteral(", ")
            + years(QStringLiteral("Pubblicazione_")) + QStringLiteral(", ") + years(QStringLiteral("Ente_"))
            + QStringLiteral(" ")
            + QStringLiteral(
                "FROM Settore INNER JOIN (Argomento INNER JOIN MetadatiVariabili ON Argomento.[Codice argomento] = "
                "MetadatiVariabili.CodiceArgomento) ON Settore.idSettore = Argomento.idSettore ");
    } else {
        q = QStringLiteral(
                "SELECT IdIndicatore as Indicatore, Settore.[Descrizione Settore] as Area, Argomento.[Codice "
                "argomento] as [Codice Sottoarea], Argomento.[Desc argomento] as Sottoarea, DescIndicatore, "
                "ModalitaCalcolo, IdVariabilAssociate, ")
            + years(QStringLiteral("[")).replace(QStringLiteral(", "), QStringLiteral("], ")) + QStringLiteral("], ")
            + QStringLiteral("NoteTecniche ")
            + QStringLiteral("FROM (Argomento INNER JOIN MetadatiIndicatori ON Argomento.[Codice argomento] = "
                             "MetadatiIndicatori.Argomento) ")
            + QStringLiteral("INNER JOIN Settore ON Argomento.idSettore = Settore.idSettore ");
    }
    const QString key = metadataNames(kind).key;
    QString where = QStringLiteral("WHERE ");
    for (const QString &c : codes)
        where += QLatin1Char(' ') + key + QStringLiteral(" ='") + sqlEscape(c) + QStringLiteral("' OR ");
    QString statement = (q + where).trimmed();
    if (statement.endsWith(QLatin1String("OR")))
        statement.chop(2);
    return statement.trimmed();
}

QString exportTemplatePath(const ProgramPaths &paths, const CommandContext &command)
{
    return paths.FilesFolder
        + (itemKind(command.CurrentTipo) == ItemKind::Variables ? QStringLiteral("DatiTemplateVar")
                                                            : QStringLiteral("DatiTemplateInd"));
}

bool CreateExcelFileDir(const ProgramPaths &paths)
{
    return QDir().mkpath(paths.ExcelFolder);
}

namespace {

workbook::Cell textCell(const QString &t)
{
    if (t.isEmpty())
        return {};
    return workbook::Cell::ofText(t.toStdString());
}

workbook::Cell valueCell(const QVariant &v)
{
    if (v.isNull())
        return {};
    switch (v.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
        return workbook::Cell::ofNumber(v.toDouble());
    default:
        return textCell(v.toString());
    }
}

} // namespace

namespace {

// The steps of an export as the user sees them: making the cells of the table counts for the
// first part, the writer's own work (sheets, packing) for the rest.
constexpr int kExportSteps = 1000;
constexpr int kExportCellsDone = 300;

QString exportProgressText(const QString &fileName)
{
    return QStringLiteral("Esportazione della tabella in %1").arg(QFileInfo(fileName).fileName());
}

// Hands the rows made so far to the report every 64 rows; false once the user stopped.
bool rowsMade(ProgressReport &report, int done, int total)
{
    if (done % 64 != 0 && done != total)
        return !report.cancelled();
    return report.part(0, kExportCellsDone)(std::size_t(done), std::size_t(total));
}

// Sheet 1 and sheet 2 around the data rows: the metadata of the headers' items, the template,
// the file. A stop asked for through the report writes nothing and logs nothing.
Result<ExportEnd> writeWorkbook(Services &services, const ProgramPaths &paths, const CommandContext &command, workbook::Sheet data, const QStringList &headers,
                                const QString &fileName, ProgressReport &report)
{
    std::string error;
    const auto tpl = workbook::loadTemplate(exportTemplatePath(paths, command).toStdString(), &error);
    if (!tpl)
        return Failure::toLog(QStringLiteral("CreateExcelFile"), QStringLiteral("1004"), QString::fromStdString(error));
    workbook::Workbook book;
    data.repeatColumns = 6;
    book.sheets.push_back(std::move(data));

    // Sheet 2: the metadata of the table's items (CopyRecordsMeta).
    workbook::Sheet meta;
    try {
        auto cn = services.GetDbConnection(QStringLiteral("metadati.mdb"));
        Recordset rs = cn->query(exportMetadataQuery(command.CurrentTipo, exportCodeList(headers)));
        std::vector<workbook::Cell> head;
        for (const QString &n : rs.fieldNames())
            head.push_back(workbook::Cell::ofText(n.toStdString()));
        meta.rows.push_back(std::move(head));
        for (int r = 0; r < rs.recordCount(); ++r) {
            std::vector<workbook::Cell> cells;
            for (const QVariant &v : rs.row(r))
                cells.push_back(valueCell(v));
            meta.rows.push_back(std::move(cells));
        }
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("CopyRecordsMeta"), QString::number(e.number()), e.description());
    }
    book.sheets.push_back(std::move(meta));
    workbook::applyTemplate(*tpl, book);
    std::string reason;
    if (!workbook::write(book, fileName.toStdString(), &error, &reason, report.part(kExportCellsDone, kExportSteps))) {
        if (report.cancelled())
            return ExportEnd::NotWritten;
        return Failure::toLog(QStringLiteral("CreateExcelFile"), QStringLiteral("1004"), QString::fromStdString(error),
                              QString::fromStdString(reason));
    }
    return ExportEnd::Written;
}

bool isCsvName(const QString &fileName)
{
    return QFileInfo(fileName).suffix().compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0;
}

// The CSV text, row by row through rowDone(done, total); nullopt once rowDone answers false.
std::optional<QByteArray> csvRows(const DataTable &table, const NumberFormat &numbers, const CsvFormat &format,
                                  const std::function<bool(int, int)> &rowDone)
{
    auto field = [&](QString t) {
        if (t.contains(format.separator) || t.contains(QLatin1Char('"')) || t.contains(QLatin1Char('\n'))
            || t.contains(QLatin1Char('\r'))) {
            t.replace(QLatin1String("\""), QLatin1String("\"\""));
            return QLatin1Char('"') + t + QLatin1Char('"');
        }
        return t;
    };
    QString out;
    for (int r = 0; r < table.rowCount(); ++r) {
        for (int c = 0; c < table.columnCount(); ++c) {
            if (c > 0)
                out += format.separator;
            QString t = table.text(r, c);
            if (r > 0 && c > 4 && table.number(r, c, numbers)) {
                // The number as its text writes it, without group marks, with the CSV's mark.
                t = t.trimmed();
                t.remove(numbers.group);
                t.replace(numbers.decimal, format.decimal);
            }
            out += field(t);
        }
        out += QLatin1String("\r\n");
        if (rowDone && !rowDone(r + 1, table.rowCount()))
            return std::nullopt;
    }
    return QByteArray("\xEF\xBB\xBF") + out.toUtf8();
}

Result<ExportEnd> writeCsvFile(const Services &services, const DataTable &table, const QString &fileName,
                               ProgressReport &report)
{
    const auto text = csvRows(table, services.numbers, CsvFormat {},
                              [&](int done, int total) { return rowsMade(report, done, total); });
    // The last word before the file is replaced: after it the export runs to its end.
    if (!text || !report.step(kExportSteps))
        return ExportEnd::NotWritten;
    const WriteResult written = writeWholeFile(fileName, [&](QIODevice &out, QString &detail) {
        if (out.write(*text) == text->size())
            return true;
        detail = out.errorString();
        return false;
    });
    if (!written)
        return Failure::toLog(QStringLiteral("CreateExcelFile"), QStringLiteral("1004"), written.message, written.detail);
    return ExportEnd::Written;
}

} // namespace

Result<ExportEnd> CreateExcelFile(Services &services, const ProgramPaths &paths, const CommandContext &command, const TextTable &table, const QString &fileName)
{
    ProgressReport report(services.prompt, exportProgressText(fileName), kExportSteps);
    if (isCsvName(fileName))
        return writeCsvFile(services, DataTable(QList<QStringList>(table.begin(), table.end())), fileName, report);
    workbook::Sheet data;
    for (size_t r = 0; r < table.size(); ++r) {
        const QStringList &row = table[r];
        std::vector<workbook::Cell> cells;
        cells.reserve(size_t(row.size()));
        for (int c = 0; c < row.size(); ++c) {
            const QString &t = row[c];
            if (r == 0 || c <= 4) {
                cells.push_back(textCell(t));
            } else if (const auto n = services.numbers.toNumber(t)) {
                cells.push_back(workbook::Cell::ofNumber(*n));
            } else {
                cells.push_back(textCell(t));
            }
        }
        data.rows.push_back(std::move(cells));
        if (!rowsMade(report, int(r + 1), int(table.size())))
            return ExportEnd::NotWritten;
    }
    return writeWorkbook(services, paths, command, std::move(data), table.empty() ? QStringList() : table.front(), fileName, report);
}

Result<ExportEnd> CreateExcelFile(Services &services, const ProgramPaths &paths, const CommandContext &command, const DataTable &table, const QString &fileName)
{
    ProgressReport report(services.prompt, exportProgressText(fileName), kExportSteps);
    if (isCsvName(fileName))
        return writeCsvFile(services, table, fileName, report);
    // The same cells as the table's texts would give, without writing the stored numbers as
    // text: a number of column 5 on goes as the number its text reads as.
    workbook::Sheet data;
    data.rows.reserve(size_t(table.rowCount()));
    for (int r = 0; r < table.rowCount(); ++r) {
        std::vector<workbook::Cell> cells;
        cells.reserve(size_t(table.columnCount()));
        for (int c = 0; c < table.columnCount(); ++c) {
            if (r == 0 || c <= 4) {
                cells.push_back(textCell(table.text(r, c)));
            } else if (const auto n = table.number(r, c, services.numbers)) {
                cells.push_back(workbook::Cell::ofNumber(*n));
            } else {
                cells.push_back(textCell(table.text(r, c)));
            }
        }
        data.rows.push_back(std::move(cells));
        if (!rowsMade(report, r + 1, table.rowCount()))
            return ExportEnd::NotWritten;
    }
    return writeWorkbook(services, paths, command, std::move(data), table.headers(), fileName, report);
}

QString exportFileFilter()
{
    return QStringLiteral("Cartella di lavoro di Excel 2007 e successivi.|*.xlsx|File di Microsoft Excel.|*.xls|"
                          "Testo CSV (campi separati da punto e virgola).|*.csv");
}

QString exportFileName(const QString &chosen)
{
    const QString suffix = QFileInfo(chosen).suffix().toLower();
    if (suffix == QLatin1String("xls") || suffix == QLatin1String("xlsx") || suffix == QLatin1String("csv"))
        return chosen;
    return chosen + QStringLiteral(".xlsx");
}

QByteArray csvText(const DataTable &table, const NumberFormat &numbers, const CsvFormat &format)
{
    return *csvRows(table, numbers, format, {});
}

QString clipboardCellText(const DataTable &table)
{
    return table.text(table.selEnd.row, table.selEnd.column);
}

void CopiaNegliAppunti(const DataTable &table)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    clipboard->clear();
    clipboard->setText(clipboardCellText(table));
}

CopiedBlock copiedBlock(const DataTable &table, CellPos from, CellPos to, const QList<int> &hiddenColumns)
{
    CopiedBlock block;
    const int top = std::max(1, std::min(from.row, to.row));
    const int bottom = std::min(table.rowCount() - 1, std::max(from.row, to.row));
    const int left = std::max(0, std::min(from.column, to.column));
    const int right = std::min(table.columnCount() - 1, std::max(from.column, to.column));
    if (top > bottom || left > right)
        return block;
    QList<int> columns;
    for (int c = left; c <= right; ++c)
        if (!hiddenColumns.contains(c))
            columns << c;
    if (columns.isEmpty())
        return block;

    const bool withHeaders = top == 1 && bottom == table.rowCount() - 1;
    auto cellText = [](QString t) {
        t.replace(QLatin1Char('\t'), QLatin1Char(' '));
        t.replace(QLatin1Char('\r'), QLatin1Char(' '));
        t.replace(QLatin1Char('\n'), QLatin1Char(' '));
        return t;
    };
    block.html = QStringLiteral("<html><head><meta charset=\"utf-8\"></head><body><table>\n");
    for (int r = withHeaders ? 0 : top; r <= bottom; ++r) {
        QStringList line;
        block.html += QStringLiteral("<tr>");
        for (int c : columns) {
            const QString t = cellText(table.text(r, c));
            line << t;
            const bool number = r > 0
                && (table.isNumeric(r, c) || (c >= DataTable::kFirstDataColumn && table.number(r, c).has_value()));
            block.html += (r == 0 ? QStringLiteral("<th>") : number ? QStringLiteral("<td align=\"right\">")
                                                                     : QStringLiteral("<td>"))
                + t.toHtmlEscaped() + (r == 0 ? QStringLiteral("</th>") : QStringLiteral("</td>"));
        }
        block.html += QStringLiteral("</tr>\n");
        block.text += line.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    block.html += QStringLiteral("</table></body></html>\n");
    return block;
}

void copyToClipboard(const CopiedBlock &block)
{
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (!clipboard)
        return;
    auto *data = new QMimeData;
    data->setText(block.text);
    data->setHtml(block.html);
    clipboard->setMimeData(data);
}

} // namespace qrn

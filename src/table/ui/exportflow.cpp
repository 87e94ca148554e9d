#include "table/ui/exportflow.h"

#include "shell/context.h"
#include "shell/prompt.h"
#include "table/datatable.h"

#include <QDesktopServices>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QUrl>

#include <exception>

namespace qrn::ui {

namespace {

// Runs a short command and returns its first line of output, empty on any failure.
QString firstLineOf(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args, QIODevice::ReadOnly);
    if (!p.waitForFinished(5000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        p.kill();
        p.waitForFinished(1000);
        return QString();
    }
    return QString::fromLocal8Bit(p.readAllStandardOutput()).section(QLatin1Char('\n'), 0, 0).trimmed();
}

} // namespace

FileOpener::Outcome DesktopFileOpener::open(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable() || info.size() == 0)
        return Outcome::NotFound;
    const QString xdgMime = QStandardPaths::findExecutable(QStringLiteral("xdg-mime"));
    if (!xdgMime.isEmpty()) {
        const QString type = firstLineOf(
            xdgMime, {QStringLiteral("query"), QStringLiteral("filetype"), info.absoluteFilePath()});
        if (!type.isEmpty()
            && firstLineOf(xdgMime, {QStringLiteral("query"), QStringLiteral("default"), type}).isEmpty())
            return Outcome::NoApplication;
    }
    // Without a desktop helper Qt cannot hand the file to any application.
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(info.absoluteFilePath())))
        return Outcome::NoApplication;
    return Outcome::Opened;
}

FileOpener::Outcome OpenFileExcel(Services &services, const QString &fileName, FileOpener &opener)
{
    if (services.prompt->message(kOpenQuestion, QString(), Icon::Question, Buttons::YesNo) != Answer::Yes)
        return FileOpener::Outcome::Failed;
    const FileOpener::Outcome outcome = opener.open(fileName);
    switch (outcome) {
    case FileOpener::Outcome::NoApplication:
        services.prompt->message(kNoApplication, QStringLiteral("Attenzione"), Icon::Critical, Buttons::Ok);
        break;
    case FileOpener::Outcome::NotFound:
        services.prompt->message(kNotFound, QString(), Icon::Critical, Buttons::Ok);
        break;
    default:
        break;
    }
    return outcome;
}

Result<ExportEnd> EsportaInExcel(Services &services, const ProgramPaths &paths, const CommandContext &command, DataTable &table, FileOpener &opener)
{
    Prompt &prompt = *services.prompt;
    if (table.rowCount() < 2) {
        prompt.message(QString(kNothingToExport), QStringLiteral("Attenzione"), Icon::Information);
        return ExportEnd::NotWritten;
    }
    BusyPointer busy(&prompt);
    try {
        // Territory-code order whatever the user's sort was; the stripes stay as they were.
        table.sortGeneric(1, true, services.numbers);

        if (!CreateExcelFileDir(paths))
            return Failure::toLog(QStringLiteral("CreateExcelFileDir"), QStringLiteral("75"),
                                  QStringLiteral("Impossibile creare la cartella ") + paths.ExcelFolder);

        const QString chosen = prompt.saveFile(kExportDialogTitle, paths.ExcelFolder, exportFileFilter());
        if (chosen.trimmed().isEmpty())
            return ExportEnd::NotWritten;
        const QString fileName = exportFileName(chosen);
        if (QFileInfo::exists(fileName)) {
            if (prompt.message(kOverwriteQuestion, kOverwriteTitle, Icon::Question, Buttons::YesNo) != Answer::Yes)
                return ExportEnd::NotWritten;
            // The earlier file is replaced only once the new workbook is complete, so a failed
            // export leaves it as it was.
        }

        const Result<ExportEnd> written = CreateExcelFile(services, paths, command, table, fileName);
        busy.release(); // the question to open the file comes with the normal pointer
        if (written && written.value() == ExportEnd::Written)
            OpenFileExcel(services, fileName, opener);
        return written;
    } catch (const std::exception &e) {
        return Failure::toLog(QStringLiteral("cmdEsportaXls_Click"), QStringLiteral("0"), QString::fromLocal8Bit(e.what()));
    }
}

} // namespace qrn::ui

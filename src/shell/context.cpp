#include "shell/context.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTextStream>

namespace qrn {

QString withSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\')))
        return folder;
    return folder + QLatin1Char('/');
}

void AreaQueryList::start()
{
    m_started = true;
    m_pairs.clear();
    QFile f(m_filesFolder + QStringLiteral("AreaQuery.txt"));
    if (!f.open(QIODevice::ReadOnly | QIODevice::Text))
        return;
    QTextStream in(&f);
    while (!in.atEnd()) {
        const QString line = in.readLine();
        if (line.trimmed().isEmpty()) {
            m_pairs.emplace_back(QString(), QString());
            continue;
        }
        const int sep = line.indexOf(QLatin1Char(';'));
        if (sep < 0)
            m_pairs.emplace_back(line.trimmed(), QString());
        else
            m_pairs.emplace_back(line.left(sep).trimmed(), line.mid(sep + 1).trimmed());
    }
}

void ProgramPaths::setProgramFolder(const QString &folder)
{
    programFolder = withSeparator(QDir::cleanPath(QFileInfo(folder).absoluteFilePath()));
    FilesFolder = programFolder + QStringLiteral("Files/");
    ExcelFolder = programFolder + QStringLiteral("Excel/");
    if (!installedFolder.isEmpty()) {
        // Installed, exported workbooks are the user's documents rather than the program's state.
        const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
        if (!documents.isEmpty())
            ExcelFolder = withSeparator(documents);
    }
}

void AppContext::setProgramFolder(const QString &folder)
{
    ProgramPaths::setProgramFolder(folder);
    log.setFilesFolder(FilesFolder);
}

QString Services::databasePath(const QString &file, const QString &folder) const
{
    const QString dir = folder.isEmpty() ? m_paths.DbFolder : folder;
    const QString store = StoreLocator::resolve(dir, file);
    if (store.isEmpty())
        throw DbError(DbError::Kind::NotFound,
                      QStringLiteral("Impossibile trovare il database '%1' nella cartella '%2'.").arg(file, dir), -1);
    return store;
}

std::unique_ptr<Connection> Services::openDatabase(const QString &file, const QString &folder,
                                                   Connection::Access access) const
{
    const QString store = databasePath(file, folder);
    return Connection::open(store, numbers, links.of(store), access);
}

std::unique_ptr<Connection> Services::GetDbConnection(const QString &file, const QString &folder)
{
    try {
        return openDatabase(file, folder);
    } catch (const DbError &e) {
        log.logError(QStringLiteral("Utility"), QStringLiteral("GetDbConnection"), e.number(), e.description());
        return Connection::closed(e.description());
    }
}

} // namespace qrn

// Finding the store file of a logical database name in a folder: the store beside it, made from
// the Access file when only that exists (through the importer the program installs), and
// matched without regard to case, as the files come from a system that ignores it.

#include "shell/storefiles.h"

#include "shell/dberror.h"

#include <QDir>
#include <QFileInfo>
#include <QMutex>

namespace qrn {

namespace {

QMutex g_importerMutex;
AccessImporter g_importer;

QString folderWithSeparator(const QString &folder)
{
    if (folder.isEmpty() || folder.endsWith(QLatin1Char('/')) || folder.endsWith(QDir::separator()))
        return folder;
    return folder + QLatin1Char('/');
}

QString findCaseInsensitive(const QString &folder, const QString &fileName)
{
    const QString f = folder.isEmpty() ? QStringLiteral(".") : folder;
    QDir dir(f);
    if (!dir.exists())
        return QString();
    const QString exact = dir.filePath(fileName);
    if (QFileInfo(exact).isFile())
        return QDir::cleanPath(exact);
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden);
    for (const QString &e : entries) {
        if (e.compare(fileName, Qt::CaseInsensitive) == 0)
            return QDir::cleanPath(dir.filePath(e));
    }
    return QString();
}
} // namespace

// ---- StoreLocator -----------------------------------------------------------------------------

QString StoreLocator::storeFileName(const QString &logicalName)
{
    QString base = QFileInfo(logicalName).fileName();
    if (base.endsWith(QLatin1String(".sqlite"), Qt::CaseInsensitive))
        return base;
    if (base.endsWith(QLatin1String(".mdb"), Qt::CaseInsensitive))
        base.chop(4);
    return base + QLatin1String(".sqlite");
}

QString StoreLocator::accessFile(const QString &folder, const QString &logicalName)
{
    if (logicalName.trimmed().isEmpty())
        return QString();
    const QString f = folderWithSeparator(folder);
    QString base = QFileInfo(logicalName).fileName();
    for (const char *ext : {".mdb", ".accdb"})
        if (base.endsWith(QLatin1String(ext), Qt::CaseInsensitive))
            base.chop(int(std::strlen(ext)));
    for (const char *ext : {".mdb", ".accdb"}) {
        const QString found = findCaseInsensitive(f, base + QLatin1String(ext));
        if (!found.isEmpty())
            return found;
    }
    return QString();
}

bool StoreLocator::exists(const QString &folder, const QString &logicalName)
{
    if (logicalName.trimmed().isEmpty())
        return false;
    return !findCaseInsensitive(folderWithSeparator(folder), storeFileName(logicalName)).isEmpty()
        || !accessFile(folder, logicalName).isEmpty();
}

QString StoreLocator::resolve(const QString &folder, const QString &logicalName)
{
    if (logicalName.trimmed().isEmpty())
        return QString();
    const QString f = folderWithSeparator(folder);
    const QString store = findCaseInsensitive(f, storeFileName(logicalName));
    if (!store.isEmpty())
        return store;
    // A real Access file under the same name (.mdb or .accdb): read when a reader is installed.
    const QString mdb = accessFile(folder, logicalName);
    if (mdb.isEmpty())
        return QString();
    AccessImporter importer;
    {
        QMutexLocker lock(&g_importerMutex);
        importer = g_importer;
    }
    if (!importer)
        return QString();
    QString err;
    const QString converted = importer(mdb, &err);
    if (converted.isEmpty())
        throw DbError(DbError::Kind::NotDatabase,
                      err.isEmpty() ? QStringLiteral("Il file '%1' non è un database valido.").arg(mdb) : err, -1);
    return converted;
}

void StoreLocator::setAccessImporter(AccessImporter importer)
{
    QMutexLocker lock(&g_importerMutex);
    g_importer = std::move(importer);
}
} // namespace qrn

#include "access/accesscache.h"

#include "shell/dberror.h"
#include "shell/store.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace qrn::access {

namespace {

// The part of a cache file name that names the Access file's path.
QString pathKey(const QFileInfo &fi)
{
    const QByteArray hash =
        QCryptographicHash::hash(fi.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return fi.completeBaseName() + QLatin1Char('-') + QString::fromLatin1(hash);
}

} // namespace

AccessCache::AccessCache(const QString &folder) : m_folder(folder.isEmpty() ? defaultFolder() : folder)
{
}

QString AccessCache::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericCacheLocation) + QStringLiteral("/Quarnaro/access");
}

QString AccessCache::cacheFileFor(const QString &mdbPath) const
{
    const QFileInfo fi(mdbPath);
    return QDir(m_folder).filePath(
        QStringLiteral("%1-%2-%3.sqlite").arg(pathKey(fi)).arg(fi.size()).arg(fi.lastModified().toMSecsSinceEpoch()));
}

QString AccessCache::storeFor(const QString &mdbPath, ImportSummary *summary, bool reimport, Prompt *prompt) const
{
    const QFileInfo fi(mdbPath);
    if (!fi.isFile())
        throw DbError(DbError::Kind::NotFound,
                      QStringLiteral("Impossibile trovare il file di database '%1'.").arg(mdbPath), -1);
    const QString cache = cacheFileFor(mdbPath);
    if (!reimport && QFileInfo::exists(cache))
        return cache;
    if (!QDir().mkpath(m_folder))
        throw DbError(DbError::Kind::Generic,
                      QStringLiteral("Impossibile creare la cartella della cache '%1'.").arg(m_folder));
    const ImportSummary s = importToSqlite(fi.absoluteFilePath(), cache, prompt);
    if (summary)
        *summary = s;
    if (s.cancelled)
        return QString();
    // The caches of earlier versions of the same file.
    const QDir dir(m_folder);
    const QString name = QFileInfo(cache).fileName();
    for (const QString &old : dir.entryList({pathKey(fi) + QStringLiteral("-*.sqlite")}, QDir::Files))
        if (old != name)
            QFile::remove(dir.filePath(old));
    return cache;
}

void AccessCache::install(Prompt *prompt) const
{
    const AccessCache self = *this;
    StoreLocator::setAccessImporter([self, prompt](const QString &mdb, QString *error) {
        try {
            ImportSummary summary;
            const QString store = self.storeFor(mdb, &summary, false, prompt);
            if (summary.cancelled && error)
                *error = QString::fromUtf8(kImportCancelledMessage);
            return store;
        } catch (const DbError &e) {
            if (error)
                *error = e.description();
            return QString();
        }
    });
}

} // namespace qrn::access

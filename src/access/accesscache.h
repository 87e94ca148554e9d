#pragma once
// The cache of imported Access files: one SQLite file per Access file, in a folder of its own
// outside the databases folder, named after the Access file's path, size and modification
// time, so that a changed file (or the same name elsewhere) is imported again and an unchanged
// one is opened as it is.

#include "access/mdbimport.h"

#include <QString>

namespace qrn::access {

class AccessCache {
public:
    // folder: where the cache files are kept; "" for the user's cache folder.
    explicit AccessCache(const QString &folder = QString());

    QString folder() const { return m_folder; }
    // The cache file the Access file has now (it may not exist yet).
    QString cacheFileFor(const QString &mdbPath) const;
    // The cache file of the Access file, imported first when it is missing or out of date
    // (older cache files of the same Access file are removed). Throws DbError when the file
    // cannot be read. summary, when given, receives what an import read (left empty when the
    // cache was reused). reimport: import even when the cache file is up to date. An import is
    // reported through prompt; stopped there, the answer is "" (summary->cancelled set) and the
    // cache is as it was.
    QString storeFor(const QString &mdbPath, ImportSummary *summary = nullptr, bool reimport = false,
                     Prompt *prompt = nullptr) const;

    // Makes the data store read Access files through this cache, reporting an import through
    // prompt (which must outlive the installation, or be replaced by a later one); an import
    // stopped there is a failure with kImportCancelledMessage.
    void install(Prompt *prompt = nullptr) const;

    static QString defaultFolder();

private:
    QString m_folder;
};

} // namespace qrn::access

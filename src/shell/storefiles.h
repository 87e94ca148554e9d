#pragma once
// Finding the store file of a logical database name in a folder, and the reader that turns an
// Access file into one when only that exists.

#include <QString>
#include <functional>

namespace qrn {

// Converts a real Access-format file found under a logical name into a store file; the
// program installs one when it can read such files. Returns the path of the store file made,
// or an empty string when it cannot.
using AccessImporter = std::function<QString(const QString &mdbPath, QString *error)>;

class StoreLocator {
public:
    // The store file for a logical database name in a folder (which ends with a separator or
    // not), found without regard to case; empty when there is none. A logical name that is
    // itself a store file name ("x.sqlite") is looked up as it is. Without a store file, an
    // Access file of that name (.mdb or .accdb) is handed to the installed reader, and the
    // store file it made comes back; a file the reader cannot read throws DbError.
    static QString resolve(const QString &folder, const QString &logicalName);
    // The Access file (.mdb or .accdb) of a logical name in a folder; empty when there is none.
    static QString accessFile(const QString &folder, const QString &logicalName);
    // The store file name for a logical name ("Metadati.mdb" -> "Metadati.sqlite").
    static QString storeFileName(const QString &logicalName);
    // Whether the folder holds a store file or an Access file of that name (nothing is read).
    static bool exists(const QString &folder, const QString &logicalName);
    static void setAccessImporter(AccessImporter importer);
};

} // namespace qrn

#pragma once
// Reading Access-format (Jet 3, Jet 4, ACE) database files into SQLite.
//
// Every user table is copied with its columns in order and its names as they are; the Jet
// types become: texts and memos TEXT, whole numbers and booleans (0/1) INTEGER, single and
// double REAL, currency and decimal numbers TEXT with their exact digits ("1234.5678"), dates
// ISO text "yyyy-MM-dd hh:mm:ss", OLE objects and binary fields BLOB. Nulls stay null.
// The Access file is only read.

#include <QByteArray>
#include <QString>
#include <chrono>
#include <optional>
#include <vector>

struct sqlite3;

namespace qrn {
class Prompt;
}

namespace qrn::access {

struct ImportedTable {
    QString name;
    qint64 rows = 0;
};

struct ImportSummary {
    std::vector<ImportedTable> tables;
    // The user stopped the import: nothing was written (tables is empty).
    bool cancelled = false;
    qint64 totalRows() const;
};

// The message of an import the user stopped.
inline constexpr const char *kImportCancelledMessage = "Importazione annullata.";

// Checks the first bytes and the size of a file against the Jet/ACE header and page layout.
// Answers an Italian reason when the file cannot be an Access database, "" when it may be.
QString headerProblem(const QByteArray &firstPage, qint64 fileSize);

// Copies every user table of the Access database held in memory into db (an open SQLite
// database), inside one transaction. Throws DbError when libmdb cannot read it. Runs libmdb in
// this process: meant for data already checked by headerProblem, and for the fuzz target.
ImportSummary importBuffer(const QByteArray &content, sqlite3 *db);

// The same from a file.
ImportSummary importFile(const QString &mdbPath, sqlite3 *db);

// Imports the Access file into a new SQLite file at outPath (replacing one that is there).
// The reading runs in a child process, so that a file that makes the reader fail, however
// it fails, gives a DbError (an unreadable database) and never ends the program. The SQLite
// file is written under a temporary name and renamed when complete. A reading that goes on
// beyond timeLimit (by default two minutes and a second per megabyte of the file) is stopped
// and reported the same way, since a damaged file can keep the reader going round for ever.
// The reading is reported through prompt as it goes (the tables, and the rows of each), once
// the child has read the catalogue; when the user stops it the child is ended, its file
// removed, and the summary comes back cancelled with the file at outPath as it was.
ImportSummary importToSqlite(const QString &mdbPath, const QString &outPath, Prompt *prompt = nullptr,
                             std::optional<std::chrono::milliseconds> timeLimit = std::nullopt);
// The default limit for a file of that size.
std::chrono::milliseconds importTimeLimit(qint64 fileSize);

// The ISO text of a Jet date value (days since 1899-12-30, the fraction the time of day);
// "" when it is outside the dates Jet can hold (years 100 to 9999).
QString jetDateText(double value);

} // namespace qrn::access

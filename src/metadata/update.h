#pragma once
// Installing new databases and new maps from zip archives, and the date and note of the last
// data update, as the information window and the command line use them.

#include "metadata/unzip.h"

#include <QString>

namespace qrn {

struct ProgramPaths;
struct Services;

enum class UpdateKind { Databases, Maps };

// The first record of InfoAggiornamento; found is false when the table is empty. Throws
// DbError when the metadata database cannot be read.
struct UpdateInfo {
    bool found = false;
    QString label, note;
};
UpdateInfo readUpdateInfo(Services &services);

// The folder an update of that kind goes into: the folder the program uses now, else the one
// remembered in DBPath.dbc / SHPath.dbc, else Databases/ or Shape/ under the program folder.
QString updateTargetFolder(const ProgramPaths &paths, UpdateKind kind);

QString updateQuestion(UpdateKind kind, const QString &zipFile);
QString updateDoneText(UpdateKind kind);

// What an update did. The window shows the message through the prompt and logs refusals
// under its name; the command line prints it.
struct UpdateResult {
    enum class Outcome {
        Cancelled, // nothing done: not asked for, or stopped by the user
        Done,
        Failed,
        NeedsPassword, // the archive is encrypted and the password is missing or wrong: ask, try again
    } outcome = Outcome::Cancelled;
    QString message; // Italian: the success text or an account of the failure
    QString detail; // the library's or the system's own words, for Error.log
    std::int32_t code = PK_OK;

    // The line for Error.log: the message on one line, then the detail.
    QString logText() const;
};

// Extracts the archive into the folder of the kind, all or nothing, through the update journal
// of the files folder. Never asks the user anything; the extraction reports its progress through
// the prompt, and a stop there is Outcome::Cancelled with the folder as it was.
UpdateResult installUpdate(ProgramPaths &paths, Services &services, UpdateKind kind, const QString &zipFile,
                           const QString &password = QString(), const UnzipLimits &limits = UnzipLimits());

// The question the window asks for the password of an encrypted archive.
QString updatePasswordQuestion();

} // namespace qrn

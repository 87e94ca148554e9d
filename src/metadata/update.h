#pragma once
// Installing new databases and new maps from zip archives, and the date and note of the last
// data update, as the information window and the command line use them.

#include "metadata/unzip.h"

#include <QString>
#include <functional>

namespace qrn {

struct AppContext;

enum class UpdateKind { Databases, Maps };

// The first record of InfoAggiornamento; found is false when the table is empty. Throws
// DbError when the metadata database cannot be read.
struct UpdateInfo {
    bool found = false;
    QString label, note;
};
UpdateInfo readUpdateInfo(AppContext &ctx);

// The folder an update of that kind goes into: the folder the program uses now, else the one
// remembered in DBPath.dbc / SHPath.dbc, else Databases/ or Shape/ under the program folder.
QString updateTargetFolder(const AppContext &ctx, UpdateKind kind);

QString updateQuestion(UpdateKind kind, const QString &zipFile);
QString updateDoneText(UpdateKind kind);

struct UpdateResult {
    enum class Outcome { Cancelled, Done, Failed } outcome = Outcome::Cancelled;
    QString message; // the text shown at the end
    std::int32_t code = PK_OK;
};

// Extracts the archive into the folder of the kind, all or nothing; the message is the
// success text or an Italian account of the failure. Password and overwrite questions go to
// ctx.prompt.
UpdateResult installUpdate(AppContext &ctx, UpdateKind kind, const QString &zipFile,
                           const UnzipLimits &limits = UnzipLimits());

// The update command of the window: the archive chosen in the open dialog, the question, the
// installation, reload() after a database update, and the final message.
UpdateResult runUpdateCommand(AppContext &ctx, UpdateKind kind, const std::function<void()> &reload,
                              const UnzipLimits &limits = UnzipLimits());

} // namespace qrn

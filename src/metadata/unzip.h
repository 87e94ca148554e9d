#pragma once
// CGUnzipFiles: extracts a zip archive into a folder through libzip, as an UnzipPolicy says.
// It never asks the user: a missing password is a result the caller answers.
//
// An extraction is all or nothing: the archive is checked first (paths, links, duplicates,
// sizes, entry count), extracted into a staging folder beside the target, and only then moved
// into place through an UpdateJournal, so that a failure, a kill or a power cut leaves the
// target folder as it was or as the whole archive makes it; a failure is described in Italian
// by lastError().

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <utility>

namespace qrn {

// Results, numbered as the unzip library numbers them.
enum UnzipResult : std::int32_t {
    PK_OK = 0,
    PK_ERR = 2, // a damaged archive or a refused entry
    PK_MEM = 4, // the archive passes the size or entry limits
    PK_NOZIP = 9, // not a zip archive, or missing
    PK_FIND = 11, // no file to extract: the archive is empty or holds only folders
    PK_PARAM = 10, // no archive or no folder given
    PK_DISK = 50, // the disk is full or a file cannot be written
    IZ_CTRLC = 80, // cancelled by the user
    IZ_UNSUP = 81, // an unsupported compression or encryption
    IZ_BADPWD = 82, // no password, or a wrong one
};

// Limits against archive bombs.
struct UnzipLimits {
    std::int64_t maxTotalBytes = std::int64_t(2) << 30; // sum of the extracted sizes
    int maxEntries = 2000;
    // An entry larger than ratioFloor bytes may not expand more than maxRatio times.
    double maxRatio = 250.0;
    std::int64_t ratioFloor = std::int64_t(16) << 20;
};

// What an extraction does with the archive and with the files already in the folder. The
// updates use the defaults.
struct UnzipPolicy {
    enum class Mode {
        Extract,
        Test, // reads every entry to its end, writes nothing
        List, // lists the entries, writes nothing
    } mode = Mode::Extract;
    // A file of the archive that is already in the folder is...
    enum class Existing {
        Replace, // replaced
        Keep, // left as it is
        Newer, // replaced when the archive's copy is newer
        Freshen, // replaced when the archive's copy is newer; files not there are not added
    } existing = Existing::Replace;
    bool keepFolders = true; // recreate the archive's folders; false: every file at the top
    bool spacesToUnderscores = false; // in the names of the extracted files
    // For encrypted entries. Without it (or with a wrong one) the extraction answers
    // IZ_BADPWD and changes nothing: the caller asks the user and tries again.
    QString password;
    // The journal of the update (see shell/updatejournal.h); "" for one beside the folder.
    QString journal;
    // Told the steps done of the whole: a step per byte extracted, and a last one just before
    // the folder is changed (so total is the archive's bytes plus one). Answering false stops
    // the extraction with IZ_CTRLC and the folder as it was. Not called when listing or testing.
    std::function<bool(std::int64_t done, std::int64_t total)> progress;
    UnzipLimits limits;
};

class CGUnzipFiles {
public:
    explicit CGUnzipFiles(UnzipPolicy policy = {}) : m_policy(std::move(policy)) { }

    UnzipPolicy &policy() { return m_policy; }

    // Extracts (or tests, or lists) the archive into the folder. Answers one of UnzipResult.
    std::int32_t Unzip(const QString &zipFileName, const QString &extractDir = QString());

    // The text of the last listing or test.
    QString GetLastMessage() const { return m_message; }
    // Why the last extraction failed, in Italian; empty after a success.
    QString lastError() const { return m_error; }
    // The words of the library or of the system behind lastError(), for Error.log; may be empty.
    QString lastDetail() const { return m_detail; }
    // True when the last extraction stopped for want of the right password.
    bool needsPassword() const { return m_code == IZ_BADPWD; }
    // The files the last extraction placed, relative to the folder, in archive order.
    const QStringList &extracted() const { return m_extracted; }

private:
    struct Run;
    void resetState();
    std::int32_t fail(std::int32_t code, const QString &message, const QString &detail = QString());

    UnzipPolicy m_policy;
    QString m_zipFileName;

    // The state of one extraction, reset when the next one starts.
    QString m_message, m_error, m_detail;
    std::int32_t m_code = PK_OK;
    QStringList m_extracted;
};

// The relative path an archive entry name stands for, with "/" separators; empty when the
// name is unsafe (absolute, a drive letter, "..", a colon, a control character) or empty.
QString safeEntryPath(const QString &entryName);

} // namespace qrn

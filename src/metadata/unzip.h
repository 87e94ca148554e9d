#pragma once
// CGUnzipFiles: extracts a zip archive into a folder through libzip, with the option set of the
// program's unzip wrapper, its password and overwrite questions asked through the program's
// prompt, and the messages of the extraction collected as text.
//
// An extraction is all or nothing: the archive is checked first (paths, links, duplicates,
// sizes, entry count), extracted into a staging folder beside the target, and only then moved
// into place through an UpdateJournal, so that a failure, a kill or a power cut leaves the
// target folder as it was or as the whole archive makes it; a failure is described in Italian
// by lastError().

#include <QString>
#include <QStringList>
#include <cstdint>

namespace qrn {

class Prompt;

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

class CGUnzipFiles {
public:
    explicit CGUnzipFiles(Prompt *prompt = nullptr);

    // The options; booleans are kept as 16-bit 1 or 0 values.
    qint16 ExtractNewer() const { return m_extractNewer; }
    void setExtractNewer(qint16 v) { m_extractNewer = v ? 1 : 0; }
    qint16 SpaceToUnderScore() const { return m_spaceToUnderScore; }
    void setSpaceToUnderScore(qint16 v) { m_spaceToUnderScore = v ? 1 : 0; }
    qint16 PromptOverwrite() const { return m_promptOverwrite; }
    void setPromptOverwrite(qint16 v) { m_promptOverwrite = v ? 1 : 0; }
    qint32 MessageLevel() const { return m_messageLevel; }
    void setMessageLevel(qint32 v) { m_messageLevel = v; }
    qint16 WriteToStdOut() const { return m_writeToStdOut; }
    void setWriteToStdOut(qint16 v) { m_writeToStdOut = v ? 1 : 0; }
    qint16 TestZip() const { return m_testZip; }
    void setTestZip(qint16 v) { m_testZip = v ? 1 : 0; }
    qint32 ExtractList() const { return m_extractList; }
    void setExtractList(qint32 v) { m_extractList = v; }
    qint16 ExtractOnlyNewer() const { return m_extractOnlyNewer; }
    void setExtractOnlyNewer(qint16 v) { m_extractOnlyNewer = v ? 1 : 0; }
    qint16 DisplayComment() const { return m_displayComment; }
    void setDisplayComment(qint16 v) { m_displayComment = v ? 1 : 0; }
    qint16 HonorDirectories() const { return m_honorDirectories; }
    void setHonorDirectories(qint16 v) { m_honorDirectories = v ? 1 : 0; }
    qint16 OverWriteFiles() const { return m_overWriteFiles; }
    void setOverWriteFiles(qint16 v) { m_overWriteFiles = v ? 1 : 0; }
    qint16 ConvertCRtoCRLF() const { return m_convertCRtoCRLF; }
    void setConvertCRtoCRLF(qint16 v) { m_convertCRtoCRLF = v ? 1 : 0; }
    qint16 Verbose() const { return m_verbose; }
    void setVerbose(qint16 v) { m_verbose = v ? 1 : 0; }
    qint16 CaseSensitive() const { return m_caseSensitive; }
    void setCaseSensitive(qint16 v) { m_caseSensitive = v ? 1 : 0; }
    qint32 Privilege() const { return m_privilege; }
    void setPrivilege(qint32 v) { m_privilege = v; }
    QString ZipFileName() const { return m_zipFileName; }
    void setZipFileName(const QString &v) { m_zipFileName = v; }
    QString ExtractDir() const { return m_extractDir; }
    void setExtractDir(const QString &v) { m_extractDir = v; }

    // The journal of the update (see shell/updatejournal.h); "" for one beside the folder.
    void setJournal(const QString &path) { m_journal = path; }

    void setLimits(const UnzipLimits &limits) { m_limits = limits; }
    const UnzipLimits &limits() const { return m_limits; }

    // Extracts (or, with TestZip or ExtractList, only tests or lists) the archive; a non-empty
    // argument replaces the property first. Answers one of UnzipResult.
    std::int32_t Unzip(const QString &zipFileName = QString(), const QString &extractDir = QString());

    // The text printed during the last extraction (listing lines, tested entries, comment).
    QString GetLastMessage() const { return m_message; }
    // Why the last extraction failed, in Italian; empty after a success.
    QString lastError() const { return m_error; }
    // The files the last extraction placed, relative to the folder, in archive order.
    const QStringList &extracted() const { return m_extracted; }

    // The two questions of the extraction, through the prompt.
    // Password: 1 after an empty answer (remembered until the next extraction), else the
    // answer in buffer (cleared, then NUL-terminated) and 0.
    int passwordCallback(char *buffer, int size);
    // Overwrite question: 102 yes, 100 no, 104 cancel.
    int replaceCallback(const char *name);

private:
    struct Run;
    void resetState();
    std::int32_t fail(std::int32_t code, const QString &message);

    Prompt *m_prompt;
    UnzipLimits m_limits;
    qint16 m_extractNewer = 0, m_spaceToUnderScore = 0, m_promptOverwrite = 0, m_writeToStdOut = 0, m_testZip = 0,
           m_extractOnlyNewer = 0, m_displayComment = 0, m_honorDirectories = 1, m_overWriteFiles = 1,
           m_convertCRtoCRLF = 0, m_verbose = 0, m_caseSensitive = 1;
    qint32 m_messageLevel = 2, m_extractList = 0, m_privilege = 0;
    QString m_zipFileName, m_extractDir, m_journal;

    // The state of one extraction, reset when the next one starts.
    QString m_message, m_error;
    bool m_emptyPassword = false;
    QStringList m_extracted;
};

// The relative path an archive entry name stands for, with "/" separators; empty when the
// name is unsafe (absolute, a drive letter, "..", a colon, a control character) or empty.
QString safeEntryPath(const QString &entryName);

} // namespace qrn

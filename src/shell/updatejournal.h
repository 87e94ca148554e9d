#pragma once
// UpdateJournal: the replacement of files in a folder by an update, made all or nothing against
// a kill or a power cut.
//
// An update is a list of renames (old files aside into a backup folder, new files from a staging
// folder into place) plus the folders it creates. The journal file records it before anything in
// the folder changes:
//   "prepara"    the staging and backup folders, written before they are created;
//   "pronto"     the whole plan, written (and synced, with its folder) before the first rename;
//   "confermato" written only after every rename is done and synced.
// Recovery reads the journal: "confermato" rolls forward (every rename is done; the clean-up is
// finished), anything else rolls back: the renames done are undone in reverse (a rename counts
// as done when its source is gone and its destination is there, so undoing is idempotent) and
// the folders the update created are removed. Then the staging and backup folders and the
// journal go. The folder is thus
// always found either as before the update or as after it.
//
// A lock file beside the journal keeps a second process (the window and quarnaro-cli may run
// together) from starting an update or recovering one that is still running; a lock left by a
// killed process is taken over.

#include <QString>
#include <QStringList>
#include <memory>
#include <utility>
#include <vector>

class QLockFile;

namespace qrn {

struct UpdatePlan {
    QStringList workFolders; // staging and backup: removed when the update ends, either way
    QStringList newFolders; // created by the update, parents first; removed again on a roll back
    std::vector<std::pair<QString, QString>> renames; // from -> to, in order
};

enum class UpdateRecovery { Nothing, RolledBack, RolledForward, Busy, Failed };

class UpdateJournal {
public:
    explicit UpdateJournal(const QString &path);
    ~UpdateJournal();

    QString path() const { return m_path; }

    // Takes the lock of the journal; false while another process holds it.
    bool lock();
    // Finishes or undoes what an interrupted update left (the lock must be held).
    UpdateRecovery recover(QString *detail = nullptr);

    // Records the work folders, then creates them.
    bool prepare(const QStringList &workFolders);
    // Records the whole plan (with the work folders of prepare()); nothing in the folder has
    // changed yet.
    bool begin(const UpdatePlan &plan);
    // Creates the new folders and does the renames, then marks the journal committed and
    // cleans up. On a failure everything done is undone and false is answered, with the
    // library's words in detail.
    bool commit(QString *detail);
    // Drops an update that did not reach commit(): work folders and journal removed.
    void discard();

private:
    bool write(const QString &state);
    bool read();
    bool rollForward(QString *detail);
    void rollBack();
    void finish();
    void step();

    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
    QString m_state;
    UpdatePlan m_plan;
};

// What every start of the program runs first, and every update before it starts: the update
// recorded in the journal is finished or undone, and the staging and backup folders an older
// interrupted update left beside the given folders are removed. Busy while another process
// is updating.
UpdateRecovery recoverInterruptedUpdate(const QString &journalPath, const QStringList &folders,
                                        QString *detail = nullptr);

// Removes ".<name>-aggiornamento-*" and ".<name>-sostituiti-*" beside the folder (and
// ".aggiornamento-*", ".sostituiti-*" inside it). Call with the journal's lock held.
void removeUpdateLeftovers(const QString &folder);

// Flushes a file's content, or a folder's entries, to the disk. False when it fails.
bool syncPath(const QString &path);

} // namespace qrn

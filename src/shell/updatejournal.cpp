// The journal's steps on disk. Each state is written through QSaveFile and its folder synced
// before the step it announces starts; the renames of a plan are plain rename(2) calls onto names
// that do not exist yet, so none of them replaces a file the journal has not set aside. Recovery
// decides by the last state written alone and can run any number of times. The fault-injection
// hook (QUARNARO_UPDATE_STOP_AFTER) counts the durable steps of the whole process.

#include "shell/updatejournal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLockFile>
#include <QSaveFile>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace qrn {

namespace {

const QString kPrepare = QStringLiteral("prepara");
const QString kBegun = QStringLiteral("pronto");
const QString kCommitted = QStringLiteral("confermato");

QString parentOf(const QString &path)
{
    return QFileInfo(path).absolutePath();
}

bool exists(const QString &path)
{
    return QFileInfo::exists(path);
}

// rename(2): atomic, and it replaces nothing here since every destination is new.
bool renamePath(const QString &from, const QString &to, QString *detail)
{
    QDir().mkpath(parentOf(to));
    if (::rename(QFile::encodeName(from).constData(), QFile::encodeName(to).constData()) == 0)
        return true;
    if (detail)
        *detail = QStringLiteral("%1 -> %2: %3").arg(from, to, QString::fromLocal8Bit(std::strerror(errno)));
    return false;
}

QJsonArray toJson(const QStringList &list)
{
    return QJsonArray::fromStringList(list);
}

QStringList fromJson(const QJsonValue &v)
{
    QStringList list;
    for (const QJsonValue &e : v.toArray())
        list << e.toString();
    return list;
}

} // namespace

bool syncPath(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}

UpdateJournal::UpdateJournal(const QString &path) : m_path(path)
{
}

UpdateJournal::~UpdateJournal() = default;

bool UpdateJournal::lock()
{
    if (m_lock && m_lock->isLocked())
        return true;
    QDir().mkpath(parentOf(m_path));
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    // Stale only when the process that took it is gone, however long the update lasts.
    m_lock->setStaleLockTime(0);
    return m_lock->tryLock(0);
}

// Fault injection for the tests: with QUARNARO_UPDATE_STOP_AFTER=N in the environment, the
// process ends at once (_exit(77), as a kill would: no clean-up, no destructors) after the N-th
// durable step of the updates it runs. Steps are counted over the whole process.
void UpdateJournal::step()
{
    static const long stopAfter = [] {
        const char *v = std::getenv("QUARNARO_UPDATE_STOP_AFTER");
        return v ? std::strtol(v, nullptr, 10) : 0L;
    }();
    static long done = 0;
    if (stopAfter > 0 && ++done == stopAfter)
        ::_exit(77);
}

bool UpdateJournal::write(const QString &state)
{
    QJsonArray renames;
    for (const auto &[from, to] : m_plan.renames)
        renames.append(QJsonArray {from, to});
    const QJsonObject o {{QStringLiteral("stato"), state},
                         {QStringLiteral("cartelle-di-lavoro"), toJson(m_plan.workFolders)},
                         {QStringLiteral("nuove-cartelle"), toJson(m_plan.newFolders)},
                         {QStringLiteral("spostamenti"), renames}};
    QDir().mkpath(parentOf(m_path));
    // QSaveFile syncs the file before it takes the journal's name; the folder is synced after.
    QSaveFile f(m_path);
    if (!f.open(QIODevice::WriteOnly) || f.write(QJsonDocument(o).toJson()) < 0 || !f.commit())
        return false;
    syncPath(parentOf(m_path));
    m_state = state;
    step();
    return true;
}

bool UpdateJournal::read()
{
    QFile f(m_path);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    const QJsonObject o = QJsonDocument::fromJson(f.readAll()).object();
    m_state = o.value(QStringLiteral("stato")).toString();
    m_plan = {};
    m_plan.workFolders = fromJson(o.value(QStringLiteral("cartelle-di-lavoro")));
    m_plan.newFolders = fromJson(o.value(QStringLiteral("nuove-cartelle")));
    for (const QJsonValue &r : o.value(QStringLiteral("spostamenti")).toArray())
        m_plan.renames.emplace_back(r.toArray().at(0).toString(), r.toArray().at(1).toString());
    return m_state == kPrepare || m_state == kBegun || m_state == kCommitted;
}

bool UpdateJournal::prepare(const QStringList &workFolders)
{
    m_plan = {};
    m_plan.workFolders = workFolders;
    if (!write(kPrepare))
        return false;
    for (const QString &folder : workFolders) {
        if (!QDir().mkpath(folder)) {
            finish();
            return false;
        }
        syncPath(parentOf(folder));
        step();
    }
    return true;
}

bool UpdateJournal::begin(const UpdatePlan &plan)
{
    const QStringList work = m_plan.workFolders; // those of prepare()
    m_plan = plan;
    m_plan.workFolders << work;
    m_plan.workFolders.removeDuplicates();
    return write(kBegun);
}

// Runs once, in commit(), right after begin(): each rename is done when its source is there.
bool UpdateJournal::rollForward(QString *detail)
{
    for (const QString &folder : std::as_const(m_plan.newFolders)) {
        if (!QDir().mkpath(folder)) {
            if (detail)
                *detail = QStringLiteral("mkdir %1").arg(folder);
            return false;
        }
        syncPath(parentOf(folder));
        step();
    }
    for (const auto &[from, to] : m_plan.renames) {
        if (!renamePath(from, to, detail))
            return false;
        syncPath(parentOf(from));
        syncPath(parentOf(to));
        step();
    }
    return true;
}

void UpdateJournal::rollBack()
{
    for (auto r = m_plan.renames.crbegin(); r != m_plan.renames.crend(); ++r) {
        if (!exists(r->first) && exists(r->second)) {
            renamePath(r->second, r->first, nullptr);
            syncPath(parentOf(r->first));
            syncPath(parentOf(r->second));
        }
    }
    for (auto folder = m_plan.newFolders.crbegin(); folder != m_plan.newFolders.crend(); ++folder)
        if (QDir().rmdir(*folder)) // only when empty
            syncPath(parentOf(*folder));
}

void UpdateJournal::finish()
{
    for (const QString &folder : std::as_const(m_plan.workFolders)) {
        if (exists(folder)) {
            QDir(folder).removeRecursively();
            syncPath(parentOf(folder));
        }
        step();
    }
    QFile::remove(m_path);
    syncPath(parentOf(m_path));
    m_state.clear();
    m_plan = {};
    step();
}

bool UpdateJournal::commit(QString *detail)
{
    if (!rollForward(detail) || !write(kCommitted)) {
        rollBack();
        finish();
        return false;
    }
    finish();
    return true;
}

void UpdateJournal::discard()
{
    rollBack();
    finish();
}

UpdateRecovery UpdateJournal::recover(QString *detail)
{
    if (!exists(m_path))
        return UpdateRecovery::Nothing;
    if (!read()) {
        if (detail)
            *detail = QStringLiteral("%1: contenuto non valido").arg(m_path);
        return UpdateRecovery::Failed;
    }
    if (m_state == kCommitted) {
        // Every rename was done and synced before the journal said so; redoing one would be
        // wrong (a replaced file's name then holds the new file). What is left is the clean-up.
        for (const QString &folder : std::as_const(m_plan.newFolders))
            QDir().mkpath(folder);
        const auto setAside = [&](const QString &path) { // into a work folder, maybe gone already
            for (const QString &w : std::as_const(m_plan.workFolders))
                if (path.startsWith(w + QLatin1Char('/')))
                    return true;
            return false;
        };
        for (const auto &[from, to] : m_plan.renames)
            if (!setAside(to) && !exists(to)) {
                if (detail)
                    *detail = QStringLiteral("%1: %2").arg(to, QString::fromLocal8Bit(std::strerror(ENOENT)));
                return UpdateRecovery::Failed; // the journal stays for a look by hand
            }
        finish();
        return UpdateRecovery::RolledForward;
    }
    rollBack();
    finish();
    return UpdateRecovery::RolledBack;
}

void removeUpdateLeftovers(const QString &folder)
{
    const QFileInfo fi(QDir::cleanPath(folder));
    if (folder.isEmpty() || !fi.isDir())
        return;
    const auto sweep = [](const QString &dir, const QString &prefix) {
        QDir d(dir);
        const QStringList names =
            d.entryList({prefix + QStringLiteral("aggiornamento-*"), prefix + QStringLiteral("sostituiti-*")},
                        QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
        for (const QString &name : names)
            QDir(d.filePath(name)).removeRecursively();
        if (!names.isEmpty())
            syncPath(dir);
    };
    sweep(fi.absolutePath(), QLatin1Char('.') + fi.fileName() + QLatin1Char('-'));
    sweep(fi.absoluteFilePath(), QStringLiteral("."));
}

UpdateRecovery recoverInterruptedUpdate(const QString &journalPath, const QStringList &folders, QString *detail)
{
    UpdateJournal journal(journalPath);
    if (!journal.lock())
        return UpdateRecovery::Busy;
    const UpdateRecovery r = journal.recover(detail);
    for (const QString &folder : folders)
        removeUpdateLeftovers(folder);
    return r;
}

} // namespace qrn

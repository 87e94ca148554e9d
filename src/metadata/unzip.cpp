// CGUnzipFiles::Unzip in steps: check every entry (no write before the whole archive passes, entry
// paths made safe first), open encrypted entries with the policy's password, check the free disk,
// extract into a staging folder beside the target, and only then move the files into place
// through the update journal, each replaced file going aside to a backup folder. The target is
// touched in that last step alone; a stop or a failure before it discards the journal's work
// folders and leaves the target as it was. One update at a time: the journal is locked.

#include "metadata/unzip.h"

#include "shell/updatejournal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLocale>
#include <QSet>
#include <QStorageInfo>
#include <QRandomGenerator>
#include <algorithm>
#include <memory>
#include <optional>
#include <vector>
#include <unistd.h>
#include <zip.h>

namespace qrn {

namespace {

constexpr std::int64_t kDiskMargin = std::int64_t(1) << 20;

struct ZipCloser {
    void operator()(zip_t *z) const { zip_discard(z); }
};
struct EntryCloser {
    void operator()(zip_file_t *f) const { zip_fclose(f); }
};
using ZipPtr = std::unique_ptr<zip_t, ZipCloser>;
using EntryPtr = std::unique_ptr<zip_file_t, EntryCloser>;

// One entry of the archive, as checked before anything is written.
struct Entry {
    zip_uint64_t index = 0;
    QString name; // as stored
    QString path; // safe relative path under the folder
    bool dir = false;
    std::int64_t size = 0;
    bool encrypted = false;
    QDateTime mtime;
};

QString folderOf(const QString &path)
{
    const int slash = path.lastIndexOf(QLatin1Char('/'));
    return slash < 0 ? QString() : path.left(slash);
}

// A file of the folder with the same name apart from letter case; "" when none.
QString existingWithAnyCase(const QString &path)
{
    if (QFileInfo::exists(path))
        return path;
    const QFileInfo fi(path);
    const QDir dir = fi.absoluteDir();
    if (!dir.exists())
        return QString();
    for (const QString &e : dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot))
        if (e.compare(fi.fileName(), Qt::CaseInsensitive) == 0)
            return dir.filePath(e);
    return QString();
}

// Where the work folders and the default journal of an update of the target go: beside it
// (same disk, so files move by renaming), or inside it when its parent cannot be written.
QString workBase(const QString &target)
{
    const QFileInfo fi(QDir::cleanPath(target));
    const QString name = fi.fileName().isEmpty() ? QStringLiteral("cartella") : fi.fileName();
    if (QFileInfo(fi.absolutePath()).isWritable())
        return fi.absolutePath() + QStringLiteral("/.") + name + QLatin1Char('-');
    return QDir::cleanPath(target) + QStringLiteral("/.");
}

QString randomSuffix()
{
    return QString::number(QRandomGenerator::global()->generate64(), 36).left(8);
}

QString sizeText(std::int64_t bytes)
{
    return QLocale(QLocale::Italian).formattedDataSize(bytes, 0, QLocale::DataSizeTraditionalFormat);
}

} // namespace

QString safeEntryPath(const QString &entryName)
{
    QString name = entryName;
    name.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QLatin1Char(':')))
        return QString();
    QStringList segments;
    for (const QString &part : name.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        for (QChar c : part)
            if (c.unicode() < 0x20 || c.unicode() == 0x7f)
                return QString();
        if (part == QLatin1String(".."))
            return QString();
        if (part != QLatin1String("."))
            segments << part;
    }
    return segments.join(QLatin1Char('/'));
}

// The work of one call of Unzip.
// The account of an extraction the user stopped.
static QString stoppedText()
{
    return QStringLiteral("Operazione annullata dall'utente.");
}

struct CGUnzipFiles::Run {
    CGUnzipFiles &self;
    zip_t *za = nullptr;
    std::vector<Entry> entries;
    std::int64_t total = 0;
    std::int32_t code = PK_OK;

    bool failWith(std::int32_t c, const QString &message, const QString &detail = QString())
    {
        code = self.fail(c, message, detail);
        return false;
    }

    // Reads the entries and refuses the archive when one of them is unsafe or the whole
    // passes the limits.
    bool scan()
    {
        const UnzipLimits &lim = self.m_policy.limits;
        const zip_int64_t n = zip_get_num_entries(za, 0);
        if (n < 0)
            return failWith(PK_ERR, QStringLiteral("L'archivio è danneggiato."));
        if (n > lim.maxEntries)
            return failWith(PK_MEM,
                            QStringLiteral("L'archivio contiene %1 file, più dei %2 ammessi per un aggiornamento.")
                                .arg(n)
                                .arg(lim.maxEntries));
        QSet<QString> files, dirs;
        for (zip_uint64_t i = 0; i < zip_uint64_t(n); ++i) {
            zip_stat_t st;
            zip_stat_init(&st);
            if (zip_stat_index(za, i, ZIP_FL_ENC_GUESS, &st) != 0 || !st.name)
                return failWith(PK_ERR,
                                QStringLiteral("L'archivio è danneggiato: la voce %1 non si legge.").arg(i + 1));
            Entry e;
            e.index = i;
            e.name = QString::fromUtf8(st.name);
            QString name = e.name;
            if (self.m_policy.spacesToUnderscores)
                name.replace(QLatin1Char(' '), QLatin1Char('_'));
            e.dir = name.endsWith(QLatin1Char('/')) || name.endsWith(QLatin1Char('\\'));
            zip_uint8_t opsys = 0;
            zip_uint32_t attributes = 0;
            if (zip_file_get_external_attributes(za, i, 0, &opsys, &attributes) == 0 && opsys == ZIP_OPSYS_UNIX) {
                const zip_uint32_t type = (attributes >> 16) & 0170000u;
                if (type == 0120000u)
                    return failWith(PK_ERR,
                                    QStringLiteral("L'archivio contiene un collegamento simbolico (%1): "
                                                   "l'aggiornamento non è sicuro.")
                                        .arg(e.name));
                if (type == 0040000u)
                    e.dir = true;
                else if (type != 0 && type != 0100000u)
                    return failWith(PK_ERR,
                                    QStringLiteral("L'archivio contiene una voce che non è un file (%1).").arg(e.name));
            }
            e.path = safeEntryPath(name);
            if (e.path.isEmpty()) {
                if (e.dir && QDir::cleanPath(name) == QLatin1String("."))
                    continue;
                return failWith(PK_ERR,
                                QStringLiteral("L'archivio contiene un percorso non ammesso (%1): "
                                               "i file devono restare nella cartella di destinazione.")
                                    .arg(e.name));
            }
            if (!self.m_policy.keepFolders) {
                if (e.dir)
                    continue;
                e.path = e.path.section(QLatin1Char('/'), -1);
            }
            const QString key = e.path.toLower();
            if (e.dir) {
                if (files.contains(key))
                    return duplicate(e);
                dirs.insert(key);
                entries.push_back(e);
                continue;
            }
            if (files.contains(key) || dirs.contains(key))
                return duplicate(e);
            for (QString up = folderOf(key); !up.isEmpty(); up = folderOf(up)) {
                if (files.contains(up))
                    return duplicate(e);
                dirs.insert(up);
            }
            files.insert(key);
            if (!(st.valid & ZIP_STAT_SIZE) || st.size > zip_uint64_t(lim.maxTotalBytes))
                return tooLarge();
            e.size = std::int64_t(st.size);
            total += e.size;
            if (total > lim.maxTotalBytes)
                return tooLarge();
            const std::int64_t comp = (st.valid & ZIP_STAT_COMP_SIZE) ? std::int64_t(st.comp_size) : 0;
            if (e.size > lim.ratioFloor && double(e.size) > lim.maxRatio * double(comp))
                return failWith(PK_MEM,
                                QStringLiteral("Il file %1 dell'archivio si espande in modo anomalo (%2 byte da %3): "
                                               "l'archivio è stato rifiutato.")
                                    .arg(e.name)
                                    .arg(e.size)
                                    .arg(comp));
            if ((st.valid & ZIP_STAT_COMP_METHOD) && !zip_compression_method_supported(st.comp_method, 0))
                return failWith(IZ_UNSUP,
                                QStringLiteral("Il file %1 è compresso con un metodo non supportato.").arg(e.name));
            e.encrypted = (st.valid & ZIP_STAT_ENCRYPTION_METHOD) && st.encryption_method != ZIP_EM_NONE;
            if (e.encrypted && !zip_encryption_method_supported(st.encryption_method, 0))
                return failWith(IZ_UNSUP,
                                QStringLiteral("Il file %1 è cifrato con un metodo non supportato.").arg(e.name));
            if (st.valid & ZIP_STAT_MTIME)
                e.mtime = QDateTime::fromSecsSinceEpoch(st.mtime);
            entries.push_back(e);
        }
        return true;
    }

    bool duplicate(const Entry &e)
    {
        return failWith(PK_ERR, QStringLiteral("L'archivio contiene più volte lo stesso nome (%1).").arg(e.name));
    }
    bool tooLarge()
    {
        return failWith(PK_MEM,
                        QStringLiteral("L'archivio, estratto, supera i %1 ammessi per un aggiornamento.")
                            .arg(sizeText(self.m_policy.limits.maxTotalBytes)));
    }

    // Opens an entry, with the password of the policy when it is encrypted.
    EntryPtr open(const Entry &e)
    {
        const QString cannot = QStringLiteral("Il file %1 dell'archivio non si apre.").arg(e.name);
        if (!e.encrypted) {
            EntryPtr f(zip_fopen_index(za, e.index, 0));
            if (!f)
                failWith(PK_ERR, cannot, libzipError());
            return f;
        }
        const QString &password = self.m_policy.password;
        if (password.isEmpty()) {
            failWith(IZ_BADPWD, QStringLiteral("Il file %1 è protetto da una password che non è stata data.").arg(e.name));
            return nullptr;
        }
        EntryPtr f(zip_fopen_index_encrypted(za, e.index, 0, password.toUtf8().constData()));
        if (!f) {
            if (zip_error_code_zip(zip_get_error(za)) == ZIP_ER_WRONGPASSWD)
                failWith(IZ_BADPWD, QStringLiteral("La password del file %1 è errata.").arg(e.name), libzipError());
            else
                failWith(PK_ERR, cannot, libzipError());
        }
        return f;
    }

    QString libzipError() const { return QString::fromUtf8(zip_strerror(za)); }

    // Reads an entry whole, handing each piece to sink; false on a damaged entry.
    template <typename Sink> bool read(const Entry &e, Sink sink)
    {
        EntryPtr f = open(e);
        if (!f)
            return false;
        std::vector<char> buffer(1 << 16);
        std::int64_t got = 0;
        for (;;) {
            const zip_int64_t n = zip_fread(f.get(), buffer.data(), buffer.size());
            if (n < 0)
                return failWith(PK_ERR,
                                QStringLiteral("Il file %1 dell'archivio è danneggiato%2.")
                                    .arg(e.name, e.encrypted ? QStringLiteral(" o la password è errata") : QString()),
                                QString::fromUtf8(zip_file_strerror(f.get())));
            if (n == 0)
                break;
            got += n;
            if (got > e.size)
                return failWith(
                    PK_ERR, QStringLiteral("Il file %1 dell'archivio è più lungo di quanto dichiarato.").arg(e.name));
            if (!sink(buffer.data(), n))
                return false;
        }
        if (got != e.size)
            return failWith(PK_ERR, QStringLiteral("Il file %1 dell'archivio è troncato.").arg(e.name));
        return true;
    }

    void list()
    {
        for (const Entry &e : entries) {
            if (e.dir)
                continue;
            self.m_message += QStringLiteral("Filename: %1 Size %2 Date %3 Time %4\n")
                                  .arg(e.name, -40)
                                  .arg(e.size, 12)
                                  .arg(e.mtime.toString(QStringLiteral("dd/MM/yyyy")),
                                       e.mtime.toString(QStringLiteral("HH:mm")));
        }
    }

    // Reads every entry to its end; the first failure gives the result.
    void test()
    {
        std::int32_t first = PK_OK;
        for (const Entry &e : entries) {
            if (e.dir)
                continue;
            code = PK_OK;
            const bool ok = read(e, [](const char *, zip_int64_t) { return true; });
            self.m_message += QStringLiteral("    testing: %1 %2\n")
                                  .arg(e.name, ok ? QStringLiteral("OK") : QStringLiteral("errore"));
            if (!ok && first == PK_OK)
                first = code;
        }
        code = first;
    }

    // Extracts every entry into the staging folder, telling progress the bytes written.
    bool extract(const QString &stage, const std::function<bool(std::int64_t, std::int64_t)> &progress)
    {
        std::int64_t written = 0;
        for (const Entry &e : entries) {
            const QString to = stage + QLatin1Char('/') + e.path;
            if (e.dir) {
                if (!QDir().mkpath(to))
                    return failWith(PK_DISK, QStringLiteral("Impossibile creare la cartella %1.").arg(e.path));
                continue;
            }
            if (!QDir().mkpath(QFileInfo(to).absolutePath()))
                return failWith(PK_DISK, QStringLiteral("Impossibile creare la cartella di %1.").arg(e.path));
            QFile out(to);
            if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly))
                return failWith(PK_DISK, QStringLiteral("Impossibile scrivere il file %1.").arg(e.path));
            const bool ok = read(e, [&](const char *data, zip_int64_t n) {
                if (out.write(data, n) == n) {
                    written += n;
                    if (progress && !progress(std::min(written, total), total + 1))
                        return failWith(IZ_CTRLC, stoppedText());
                    return true;
                }
                return failWith(PK_DISK, QStringLiteral("Impossibile scrivere il file %1: disco pieno?").arg(e.path));
            });
            if (!ok)
                return false;
            // The content is on the disk before the journal lets the file take its place.
            if (!out.flush() || ::fsync(out.handle()) != 0)
                return failWith(PK_DISK, QStringLiteral("Impossibile scrivere il file %1: disco pieno?").arg(e.path));
            if (e.mtime.isValid())
                out.setFileTime(e.mtime, QFileDevice::FileModificationTime);
            out.close();
        }
        for (const QString &dir : foldersUnder(stage))
            syncPath(dir);
        return true;
    }

    static QStringList foldersUnder(const QString &root)
    {
        QStringList dirs {root};
        for (int i = 0; i < dirs.size(); ++i)
            for (const QString &d : QDir(dirs[i]).entryList(QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot))
                dirs << dirs[i] + QLatin1Char('/') + d;
        return dirs;
    }

    // One file to move into place: from the staging folder to the target, replacing old.
    struct Move {
        QString from, to, old;
        QStringList sidecars; // journals of a replaced database, moved aside with it
    };

    // Decides which files replace, join or skip the ones of the target.
    std::optional<std::vector<Move>> plan(const QString &stage, const QString &target)
    {
        std::vector<Move> moves;
        for (const Entry &e : entries) {
            if (e.dir)
                continue;
            Move m {stage + QLatin1Char('/') + e.path, target + e.path, existingWithAnyCase(target + e.path), {}};
            for (QString up = folderOf(e.path); !up.isEmpty(); up = folderOf(up))
                if (QFileInfo(target + up).isFile()) {
                    failWith(PK_ERR,
                             QStringLiteral("L'archivio contiene il file %1, ma nella cartella di destinazione "
                                            "%2 è un file, non una cartella.")
                                 .arg(e.path, up));
                    return std::nullopt;
                }
            if (!m.old.isEmpty()) {
                const QFileInfo old(m.old);
                if (old.isDir()) {
                    failWith(PK_ERR,
                             QStringLiteral("L'archivio contiene il file %1, ma nella cartella di destinazione "
                                            "c'è una cartella con lo stesso nome.")
                                 .arg(e.path));
                    return std::nullopt;
                }
                using Existing = UnzipPolicy::Existing;
                const Existing rule = self.m_policy.existing;
                if (rule == Existing::Keep)
                    continue;
                if ((rule == Existing::Newer || rule == Existing::Freshen) && e.mtime.isValid()
                    && e.mtime <= old.lastModified())
                    continue;
                for (const char *suffix : {"-journal", "-wal", "-shm"})
                    if (QFileInfo::exists(m.old + QLatin1String(suffix)))
                        m.sidecars << m.old + QLatin1String(suffix);
            } else if (self.m_policy.existing == UnzipPolicy::Existing::Freshen) {
                continue; // only files already present are refreshed
            }
            moves.push_back(m);
        }
        return moves;
    }

    // The renames of the update: each replaced file (and its database journals) aside into the
    // backup folder, then the new file into place; and the folders the update creates.
    UpdatePlan journalPlan(const std::vector<Move> &moves, const QString &backup, const QString &target) const
    {
        UpdatePlan plan;
        int n = 0;
        QStringList folders;
        const auto missingUpTo = [&](QString dir) {
            for (; !QFileInfo::exists(dir) && dir.startsWith(target) && dir.size() > target.size();
                 dir = QFileInfo(dir).absolutePath())
                folders << dir;
        };
        for (const Move &m : moves) {
            QStringList aside = m.sidecars;
            if (!m.old.isEmpty())
                aside << m.old;
            for (const QString &old : std::as_const(aside))
                plan.renames.emplace_back(old, backup + QLatin1Char('/') + QString::number(n++));
            plan.renames.emplace_back(m.from, m.to);
            missingUpTo(QFileInfo(m.to).absolutePath());
        }
        for (const Entry &e : entries)
            if (e.dir)
                missingUpTo(target + e.path);
        folders.removeDuplicates();
        // Parents before their folders.
        std::sort(folders.begin(), folders.end(),
                  [](const QString &a, const QString &b) { return a.size() != b.size() ? a.size() < b.size() : a < b; });
        plan.newFolders = folders;
        return plan;
    }
};

void CGUnzipFiles::resetState()
{
    m_message.clear();
    m_error.clear();
    m_detail.clear();
    m_code = PK_OK;
    m_extracted.clear();
}

std::int32_t CGUnzipFiles::fail(std::int32_t code, const QString &message, const QString &detail)
{
    if (m_error.isEmpty()) {
        m_error = message;
        m_detail = detail;
        m_code = code;
    }
    return code;
}

std::int32_t CGUnzipFiles::Unzip(const QString &zipFileName, const QString &extractDir)
{
    m_zipFileName = zipFileName;
    resetState();
    const bool onlyRead = m_policy.mode != UnzipPolicy::Mode::Extract;
    if (m_zipFileName.isEmpty() || (extractDir.isEmpty() && !onlyRead))
        return fail(PK_PARAM, QStringLiteral("Indicare l'archivio e la cartella in cui estrarlo."));
    if (!QFileInfo(m_zipFileName).isFile())
        return fail(PK_NOZIP, QStringLiteral("Impossibile trovare l'archivio %1.").arg(m_zipFileName));

    int err = 0;
    ZipPtr za(zip_open(QFile::encodeName(m_zipFileName).constData(), ZIP_RDONLY | ZIP_CHECKCONS, &err));
    if (!za && (err == ZIP_ER_INCONS || err == ZIP_ER_EXISTS))
        return fail(PK_NOZIP,
                    QStringLiteral("Il file %1 non è un archivio zip coerente: ha voci ripetute o danneggiate.")
                        .arg(QFileInfo(m_zipFileName).fileName()));
    if (!za)
        return fail(PK_NOZIP,
                    QStringLiteral("Il file %1 non è un archivio zip valido o è danneggiato.")
                        .arg(QFileInfo(m_zipFileName).fileName()));
    Run run {*this, za.get(), {}, 0, PK_OK};
    if (!run.scan())
        return run.code;
    if (m_policy.mode == UnzipPolicy::Mode::List) {
        run.list();
        return PK_OK;
    }
    if (m_policy.mode == UnzipPolicy::Mode::Test) {
        run.test();
        return run.code;
    }

    // An archive without files would change nothing, or add only empty folders: it cannot be
    // the update the user meant.
    if (std::none_of(run.entries.begin(), run.entries.end(), [](const Entry &e) { return !e.dir; }))
        return fail(PK_FIND,
                    QStringLiteral("L'archivio %1 non contiene alcun file da installare.")
                        .arg(QFileInfo(m_zipFileName).fileName()));

    // The password is asked before anything is written.
    for (const Entry &e : run.entries)
        if (e.encrypted && m_policy.password.isEmpty())
            return fail(IZ_BADPWD, QStringLiteral("L'archivio è protetto da una password."));

    QString target = QDir::cleanPath(QDir(extractDir).absolutePath()) + QLatin1Char('/');
    if (!QDir().mkpath(target))
        return fail(PK_DISK,
                    QStringLiteral("Impossibile creare la cartella %1.").arg(QDir::toNativeSeparators(target)));
    const QStorageInfo disk(target);
    if (disk.isValid() && disk.bytesAvailable() >= 0 && disk.bytesAvailable() < run.total + kDiskMargin)
        return fail(
            PK_DISK,
            QStringLiteral("Spazio su disco insufficiente: servono %1 liberi.").arg(sizeText(run.total + kDiskMargin)));
    // The journal makes the change of the folder all or nothing, also across a kill or a power
    // cut; an update it records as interrupted is finished or undone first.
    const QString base = workBase(target);
    UpdateJournal journal(m_policy.journal.isEmpty() ? base + QStringLiteral("aggiornamento.giornale")
                                                 : m_policy.journal);
    if (!journal.lock())
        return fail(PK_DISK, QStringLiteral("Un altro aggiornamento è in corso: riprovare quando sarà terminato."));
    QString detail;
    if (journal.recover(&detail) == UpdateRecovery::Failed)
        return fail(PK_DISK, QStringLiteral("Un aggiornamento interrotto non si può né completare né annullare."),
                    detail);
    removeUpdateLeftovers(target);
    const QString suffix = randomSuffix();
    const QString stage = base + QStringLiteral("aggiornamento-") + suffix;
    const QString backup = base + QStringLiteral("sostituiti-") + suffix;
    if (!journal.prepare({stage, backup}))
        return fail(PK_DISK,
                    QStringLiteral("Impossibile creare il giornale e le cartelle di lavoro dell'aggiornamento "
                                   "accanto a %1.")
                        .arg(QDir::toNativeSeparators(target)));
    const auto drop = [&](std::int32_t code) {
        journal.discard();
        return code;
    };
    if (!run.extract(stage, m_policy.progress))
        return drop(run.code);
    const auto moves = run.plan(stage, target);
    if (!moves)
        return drop(run.code);
    // The last moment the user may stop: from here on the folder changes, as a whole.
    if (m_policy.progress && !m_policy.progress(run.total + 1, run.total + 1))
        return drop(fail(IZ_CTRLC, stoppedText()));
    if (!journal.begin(run.journalPlan(*moves, backup, target)))
        return drop(fail(PK_DISK,
                         QStringLiteral("Impossibile scrivere il giornale dell'aggiornamento %1.")
                             .arg(QDir::toNativeSeparators(journal.path()))));
    if (!journal.commit(&detail))
        return fail(PK_DISK,
                    QStringLiteral("Impossibile sostituire i file della cartella %1.").arg(QDir::toNativeSeparators(target)),
                    detail);
    for (const Run::Move &m : *moves)
        m_extracted << m.to.mid(target.size());
    return PK_OK;
}

} // namespace qrn

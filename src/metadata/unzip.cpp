#include "metadata/unzip.h"

#include "shell/prompt.h"
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

constexpr int kPromptsPerEntry = 3;
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
struct CGUnzipFiles::Run {
    CGUnzipFiles &self;
    zip_t *za = nullptr;
    std::vector<Entry> entries;
    std::int64_t total = 0;
    QString password;
    std::int32_t code = PK_OK;

    bool failWith(std::int32_t c, const QString &message)
    {
        code = self.fail(c, message);
        return false;
    }

    // Reads the entries and refuses the archive when one of them is unsafe or the whole
    // passes the limits.
    bool scan()
    {
        const UnzipLimits &lim = self.m_limits;
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
            if (self.m_spaceToUnderScore)
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
            if (!self.m_honorDirectories) {
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
                            .arg(sizeText(self.m_limits.maxTotalBytes)));
    }

    // Opens an entry, asking the password while it is missing or wrong.
    EntryPtr open(const Entry &e)
    {
        if (!e.encrypted) {
            EntryPtr f(zip_fopen_index(za, e.index, 0));
            if (!f)
                failWith(PK_ERR, QStringLiteral("Il file %1 dell'archivio non si apre: %2").arg(e.name, libzipError()));
            return f;
        }
        for (int asked = 0;; ++asked) {
            if (!password.isEmpty()) {
                EntryPtr f(zip_fopen_index_encrypted(za, e.index, 0, password.toUtf8().constData()));
                if (f)
                    return f;
                if (zip_error_code_zip(zip_get_error(za)) != ZIP_ER_WRONGPASSWD) {
                    failWith(PK_ERR,
                             QStringLiteral("Il file %1 dell'archivio non si apre: %2").arg(e.name, libzipError()));
                    return nullptr;
                }
            }
            char buffer[256];
            if (asked == kPromptsPerEntry || self.passwordCallback(buffer, int(sizeof buffer)) != 0) {
                failWith(IZ_BADPWD,
                         password.isEmpty()
                             ? QStringLiteral("Il file %1 è protetto da una password che non è stata data.").arg(e.name)
                             : QStringLiteral("La password del file %1 è errata.").arg(e.name));
                return nullptr;
            }
            password = QString::fromUtf8(buffer);
        }
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
                                QStringLiteral("Il file %1 dell'archivio è danneggiato%2 (%3).")
                                    .arg(e.name, e.encrypted ? QStringLiteral(" o la password è errata") : QString(),
                                         QString::fromUtf8(zip_file_strerror(f.get()))));
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

    // Extracts every entry into the staging folder.
    bool extract(const QString &stage)
    {
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
                if (out.write(data, n) == n)
                    return true;
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
                if ((self.m_extractNewer || self.m_extractOnlyNewer) && e.mtime.isValid()
                    && e.mtime <= old.lastModified())
                    continue;
                if (!self.m_overWriteFiles) {
                    if (!self.m_promptOverwrite)
                        continue;
                    const int answer = self.replaceCallback(e.path.toUtf8().constData());
                    if (answer == 104) {
                        failWith(IZ_CTRLC, QStringLiteral("Aggiornamento annullato."));
                        return std::nullopt;
                    }
                    if (answer != 102)
                        continue;
                }
                for (const char *suffix : {"-journal", "-wal", "-shm"})
                    if (QFileInfo::exists(m.old + QLatin1String(suffix)))
                        m.sidecars << m.old + QLatin1String(suffix);
            } else if (self.m_extractNewer) {
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

CGUnzipFiles::CGUnzipFiles(Prompt *prompt) : m_prompt(prompt)
{
}

void CGUnzipFiles::resetState()
{
    m_message.clear();
    m_error.clear();
    m_emptyPassword = false;
    m_extracted.clear();
}

std::int32_t CGUnzipFiles::fail(std::int32_t code, const QString &message)
{
    if (m_error.isEmpty())
        m_error = message;
    return code;
}

int CGUnzipFiles::passwordCallback(char *buffer, int size)
{
    if (m_emptyPassword)
        return 1;
    std::optional<QString> answer;
    if (m_prompt)
        answer = m_prompt->input(QStringLiteral("Please Enter The Password!"), QStringLiteral("Password"), QString());
    const QByteArray text = answer ? answer->toUtf8() : QByteArray();
    if (text.isEmpty()) {
        m_emptyPassword = true;
        return 1;
    }
    std::fill(buffer, buffer + size, '\0');
    const int n = std::min(int(text.size()), size - 1);
    std::copy(text.constData(), text.constData() + n, buffer);
    return 0;
}

int CGUnzipFiles::replaceCallback(const char *name)
{
    const QString file = QString::fromUtf8(name, int(qstrnlen(name, 256)));
    if (!m_prompt)
        return 100;
    switch (m_prompt->message(QStringLiteral("Overwrite ") + file + QStringLiteral("?"),
                              QStringLiteral("VBUnZip32 - File Already Exists!"), Icon::Exclamation,
                              Buttons::YesNoCancel)) {
    case Answer::Yes:
        return 102;
    case Answer::Cancel:
        return 104;
    default:
        return 100;
    }
}

std::int32_t CGUnzipFiles::Unzip(const QString &zipFileName, const QString &extractDir)
{
    if (!zipFileName.isEmpty())
        m_zipFileName = zipFileName;
    if (!extractDir.isEmpty())
        m_extractDir = extractDir;
    resetState();
    const bool onlyRead = m_testZip || m_extractList;
    if (m_zipFileName.isEmpty() || (m_extractDir.isEmpty() && !onlyRead))
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
    Run run {*this, za.get(), {}, 0, {}, PK_OK};
    if (!run.scan())
        return run.code;
    if (m_displayComment) {
        int length = 0;
        if (const char *comment = zip_get_archive_comment(za.get(), &length, ZIP_FL_ENC_GUESS))
            m_message += QString::fromUtf8(comment, length) + QLatin1Char('\n');
    }
    if (m_extractList) {
        run.list();
        return PK_OK;
    }
    if (m_testZip) {
        run.test();
        return run.code;
    }

    // An archive without files would change nothing, or add only empty folders: it cannot be
    // the update the user meant.
    if (std::none_of(run.entries.begin(), run.entries.end(), [](const Entry &e) { return !e.dir; }))
        return fail(PK_FIND,
                    QStringLiteral("L'archivio %1 non contiene alcun file da installare.")
                        .arg(QFileInfo(m_zipFileName).fileName()));

    QString target = QDir::cleanPath(QDir(m_extractDir).absolutePath()) + QLatin1Char('/');
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
    UpdateJournal journal(m_journal.isEmpty() ? base + QStringLiteral("aggiornamento.giornale") : m_journal);
    if (!journal.lock())
        return fail(PK_DISK, QStringLiteral("Un altro aggiornamento è in corso: riprovare quando sarà terminato."));
    QString detail;
    if (journal.recover(&detail) == UpdateRecovery::Failed)
        return fail(PK_DISK,
                    QStringLiteral("Un aggiornamento interrotto non si può né completare né annullare (%1).").arg(detail));
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
    if (!run.extract(stage))
        return drop(run.code);
    const auto moves = run.plan(stage, target);
    if (!moves)
        return drop(run.code);
    if (!journal.begin(run.journalPlan(*moves, backup, target)))
        return drop(fail(PK_DISK,
                         QStringLiteral("Impossibile scrivere il giornale dell'aggiornamento %1.")
                             .arg(QDir::toNativeSeparators(journal.path()))));
    if (!journal.commit(&detail))
        return fail(PK_DISK,
                    QStringLiteral("Impossibile sostituire i file della cartella %1 (%2).")
                        .arg(QDir::toNativeSeparators(target), detail));
    for (const Run::Move &m : *moves)
        m_extracted << m.to.mid(target.size());
    if (m_messageLevel < 2)
        for (const QString &f : m_extracted)
            m_message += QStringLiteral("  inflating: %1\n").arg(f);
    return PK_OK;
}

} // namespace qrn

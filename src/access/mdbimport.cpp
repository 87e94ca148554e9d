// The Access import through libmdb. importToSqlite reads the file in a forked child under a time
// limit, so a damaged file that hangs or crashes libmdb ends only the child; the child writes a
// ".part-<pid>" SQLite file and reports "name<TAB>rows" lines on a pipe, and the parent renames
// that file into place only after the child exited cleanly (it is removed on every failure). The
// bind buffers are kept between tables and imports, and never resized while libmdb holds them.
// The Access file itself is never written.

#include "access/mdbimport.h"

#include "shell/dberror.h"
#include "shell/prompt.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <charconv>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <sys/time.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <mdbtools.h>

namespace qrn::access {

namespace {

// Longest text or memo value copied whole; libmdb cuts longer values at this size.
constexpr size_t kBindSize = 1 << 18;

[[noreturn]] void unreadable(const QString &what, const QString &why)
{
    throw DbError(DbError::Kind::NotDatabase,
                  QStringLiteral("Il file '%1' non è un database valido (%2).").arg(what, why), -1);
}

// ---- SQLite side ----------------------------------------------------------------------------

QString quoted(const QString &name)
{
    QString s = name;
    s.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + s + QLatin1Char('"');
}

[[noreturn]] void sqliteFailure(sqlite3 *db, const QString &what)
{
    throw DbError(DbError::Kind::Generic, what + QStringLiteral(": ") + QString::fromUtf8(sqlite3_errmsg(db)));
}

void exec(sqlite3 *db, const QString &sql)
{
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        sqliteFailure(db, sql.left(80));
}

struct StatementDeleter {
    void operator()(sqlite3_stmt *st) const { sqlite3_finalize(st); }
};
using Statement = std::unique_ptr<sqlite3_stmt, StatementDeleter>;

// ---- libmdb side ----------------------------------------------------------------------------

struct HandleCloser {
    void operator()(MdbHandle *h) const { mdb_close(h); }
};
using Handle = std::unique_ptr<MdbHandle, HandleCloser>;

struct TableFreer {
    void operator()(MdbTableDef *t) const { mdb_free_tabledef(t); }
};
using Table = std::unique_ptr<MdbTableDef, TableFreer>;

// How a Jet column is stored.
enum class Kind { Text, Integer, Boolean, Single, Double, Exact, Date, Ole, Binary };

Kind kindOf(int jetType)
{
    switch (jetType) {
    case MDB_BOOL:
        return Kind::Boolean;
    case MDB_BYTE:
    case MDB_INT:
    case MDB_LONGINT:
    case MDB_COMPLEX:
        return Kind::Integer;
    case MDB_FLOAT:
        return Kind::Single;
    case MDB_DOUBLE:
        return Kind::Double;
    case MDB_MONEY:
    case MDB_NUMERIC:
        return Kind::Exact;
    case MDB_DATETIME:
        return Kind::Date;
    case MDB_OLE:
        return Kind::Ole;
    case MDB_BINARY:
        return Kind::Binary;
    default: // text, memo, replication id
        return Kind::Text;
    }
}

const char *sqlType(Kind k)
{
    switch (k) {
    case Kind::Integer:
    case Kind::Boolean:
        return "INTEGER";
    case Kind::Single:
    case Kind::Double:
        return "REAL";
    case Kind::Ole:
    case Kind::Binary:
        return "BLOB";
    default:
        return "TEXT";
    }
}

// A single-precision value as the double its shortest decimal text names (0.05f -> 0.05), as
// Access shows it, rather than the binary widening 0.0500000007.
double widen(float f)
{
    char buf[32];
    const auto r = std::to_chars(buf, buf + sizeof buf, f);
    *r.ptr = '\0';
    return std::strtod(buf, nullptr);
}

// The buffer libmdb writes the value of column i into. They are large and kept between
// tables and imports: allocating them anew for every table was most of the time of a small
// import.
char *bindBuffer(size_t i)
{
    thread_local std::vector<std::unique_ptr<char[]>> pool;
    while (pool.size() <= i)
        pool.emplace_back(new char[kBindSize]);
    return pool[i].get();
}

struct Column {
    MdbColumn *col = nullptr;
    Kind kind = Kind::Text;
    char *buf = nullptr;
    int len = 0;
};

void bindValue(MdbHandle *mdb, sqlite3_stmt *st, int idx, Column &c)
{
    const bool present = c.kind == Kind::Boolean ? c.len > 0 : c.col->cur_value_len > 0 && c.len > 0;
    if (!present && c.kind != Kind::Ole) {
        sqlite3_bind_null(st, idx);
        return;
    }
    const int start = c.col->cur_value_start;
    const int size = c.col->cur_value_len;
    const auto fits = [&](int need) { return start >= 0 && size >= need && start + need <= int(mdb->fmt->pg_size); };
    switch (c.kind) {
    case Kind::Text:
    case Kind::Exact:
        sqlite3_bind_text(st, idx, c.buf, c.len, SQLITE_TRANSIENT);
        return;
    case Kind::Integer:
    case Kind::Boolean:
        sqlite3_bind_int64(st, idx, std::strtoll(c.buf, nullptr, 10));
        return;
    case Kind::Single:
        if (!fits(4))
            break;
        sqlite3_bind_double(st, idx, widen(mdb_get_single(mdb->pg_buf, start)));
        return;
    case Kind::Double:
        if (!fits(8))
            break;
        sqlite3_bind_double(st, idx, mdb_get_double(mdb->pg_buf, start));
        return;
    case Kind::Date: {
        if (!fits(8))
            break;
        const QByteArray iso = jetDateText(mdb_get_double(mdb->pg_buf, start)).toLatin1();
        if (iso.isEmpty())
            break;
        sqlite3_bind_text(st, idx, iso.constData(), int(iso.size()), SQLITE_TRANSIENT);
        return;
    }
    case Kind::Binary:
        sqlite3_bind_blob(st, idx, c.buf, c.len, SQLITE_TRANSIENT);
        return;
    case Kind::Ole: {
        if (size <= 0)
            break;
        size_t n = 0;
        void *data = mdb_ole_read_full(mdb, c.col, &n);
        if (!data)
            break;
        sqlite3_bind_blob64(st, idx, data, sqlite3_uint64(n), SQLITE_TRANSIENT);
        std::free(data);
        return;
    }
    }
    sqlite3_bind_null(st, idx);
}

// What the child of importToSqlite tells its parent while it copies, one line each:
//   "N\t<tables>"          the number of user tables, once the catalogue is read
//   "R\t<rows>\t<expected>" rows copied so far of the current table, every kRowsPerReport rows
//   "T\t<rows>\t<name>"    a table copied whole (the name last: it is the rest of the line)
//   "E\t<message>"         the import failed; the message runs to the end of the stream
// Without a reporter (an import in this process) nothing is told.
class ChildReporter {
public:
    explicit ChildReporter(int fd) : m_fd(fd) { }
    void tables(int n) { send("N\t" + QByteArray::number(n) + '\n'); }
    void rows(qint64 done, qint64 expected)
    {
        send("R\t" + QByteArray::number(done) + '\t' + QByteArray::number(expected) + '\n');
    }
    void table(const ImportedTable &t) { send("T\t" + QByteArray::number(t.rows) + '\t' + t.name.toUtf8() + '\n'); }
    void failure(const QByteArray &message) { send("E\t" + message + '\n'); }

private:
    void send(const QByteArray &line);
    int m_fd;
};

// Rows of a table between two reports of the child.
constexpr qint64 kRowsPerReport = 500;

ImportedTable copyTable(MdbHandle *mdb, MdbCatalogEntry *entry, sqlite3 *db, const QString &source,
                        ChildReporter *reporter)
{
    ImportedTable out;
    out.name = QString::fromUtf8(entry->object_name);
    Table table(mdb_read_table(entry));
    if (!table || !mdb_read_columns(table.get()))
        unreadable(source, QStringLiteral("tabella '%1' illeggibile").arg(out.name));
    mdb_rewind_table(table.get());

    // libmdb writes into the buffers and lengths bound here: the vector is not resized after.
    std::vector<Column> cols(table->num_cols);
    QStringList defs, marks;
    for (unsigned i = 0; i < table->num_cols; ++i) {
        Column &c = cols[i];
        c.col = static_cast<MdbColumn *>(g_ptr_array_index(table->columns, i));
        c.kind = kindOf(c.col->col_type);
        c.buf = bindBuffer(i);
        c.buf[0] = '\0';
        mdb_bind_column(table.get(), int(i + 1), c.buf, &c.len);
        defs << quoted(QString::fromUtf8(c.col->name)) + QLatin1Char(' ') + QLatin1String(sqlType(c.kind));
        marks << QStringLiteral("?");
    }
    if (cols.empty())
        unreadable(source, QStringLiteral("tabella '%1' senza colonne").arg(out.name));
    exec(db, QStringLiteral("CREATE TABLE %1 (%2)").arg(quoted(out.name), defs.join(QStringLiteral(", "))));

    const QByteArray insert =
        QStringLiteral("INSERT INTO %1 VALUES (%2)").arg(quoted(out.name), marks.join(QLatin1Char(','))).toUtf8();
    sqlite3_stmt *raw = nullptr;
    if (sqlite3_prepare_v2(db, insert.constData(), int(insert.size()), &raw, nullptr) != SQLITE_OK)
        sqliteFailure(db, out.name);
    Statement st(raw);
    while (mdb_fetch_row(table.get())) {
        for (size_t i = 0; i < cols.size(); ++i)
            bindValue(mdb, st.get(), int(i + 1), cols[i]);
        if (sqlite3_step(st.get()) != SQLITE_DONE)
            sqliteFailure(db, out.name);
        sqlite3_reset(st.get());
        if (++out.rows % kRowsPerReport == 0 && reporter)
            reporter->rows(out.rows, qint64(table->num_rows));
    }
    return out;
}

ImportSummary importHandle(MdbHandle *mdb, sqlite3 *db, const QString &source, ChildReporter *reporter = nullptr)
{
    mdb_set_bind_size(mdb, kBindSize);
    mdb_set_boolean_fmt_numbers(mdb);
    if (!mdb_read_catalog(mdb, MDB_TABLE))
        unreadable(source, QStringLiteral("catalogo delle tabelle illeggibile"));
    std::vector<MdbCatalogEntry *> userTables;
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto *entry = static_cast<MdbCatalogEntry *>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type == MDB_TABLE && mdb_is_user_table(entry))
            userTables.push_back(entry);
    }
    if (reporter)
        reporter->tables(int(userTables.size()));
    ImportSummary summary;
    exec(db, QStringLiteral("BEGIN"));
    try {
        for (MdbCatalogEntry *entry : userTables) {
            summary.tables.push_back(copyTable(mdb, entry, db, source, reporter));
            if (reporter)
                reporter->table(summary.tables.back());
        }
        exec(db, QStringLiteral("COMMIT"));
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
    return summary;
}

Handle openAccessFile(const QString &mdbPath)
{
    QFile f(mdbPath);
    if (!f.open(QIODevice::ReadOnly))
        throw DbError(DbError::Kind::NotFound,
                      QStringLiteral("Impossibile trovare il file di database '%1'.").arg(mdbPath), -1);
    const QString problem = headerProblem(f.read(4096), f.size());
    f.close();
    if (!problem.isEmpty())
        unreadable(mdbPath, problem);
    Handle mdb(mdb_open(QFile::encodeName(mdbPath).constData(), MDB_NOFLAGS));
    if (!mdb)
        unreadable(mdbPath, QStringLiteral("formato non riconosciuto"));
    return mdb;
}

// ---- the child process of importToSqlite ----------------------------------------------------

bool writeAll(int fd, const QByteArray &data)
{
    qsizetype done = 0;
    while (done < data.size()) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

void ChildReporter::send(const QByteArray &line)
{
    // A parent that stopped listening has given the import up: it ends the child itself.
    writeAll(m_fd, line);
}

// Runs in the child: imports into tmp and tells the parent how far it is (see ChildReporter).
[[noreturn]] void childImport(const QString &mdbPath, const QString &tmp, int fd)
{
    ChildReporter reporter(fd);
    QByteArray failure;
    sqlite3 *db = nullptr;
    try {
        if (sqlite3_open_v2(tmp.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
            != SQLITE_OK)
            throw DbError(DbError::Kind::Generic, QStringLiteral("Impossibile creare il file '%1'.").arg(tmp));
        exec(db, QStringLiteral("PRAGMA journal_mode = OFF"));
        exec(db, QStringLiteral("PRAGMA synchronous = NORMAL"));
        const Handle mdb = openAccessFile(mdbPath);
        importHandle(mdb.get(), db, mdbPath, &reporter);
    } catch (const DbError &e) {
        failure = e.description().toUtf8();
    } catch (const std::exception &e) {
        failure = QByteArray("errore di lettura: ") + e.what();
    }
    if (db && sqlite3_close(db) != SQLITE_OK && failure.isEmpty())
        failure = "impossibile chiudere il database temporaneo";
    if (!failure.isEmpty())
        reporter.failure(failure);
    ::close(fd);
    ::_exit(failure.isEmpty() ? 0 : 1);
}

// ---- the parent's side ----------------------------------------------------------------------

// Steps of the progress report for each table: a table's share moves with its rows.
constexpr int kStepsPerTable = 100;

// The child's lines as they arrive; the progress they make is handed to the report, which is
// begun once the child has told the number of tables.
class ChildListener {
public:
    ChildListener(Prompt *prompt, const QString &mdbPath) : m_prompt(prompt), m_mdbPath(mdbPath) { }

    // Takes the bytes read; false once the user asked to stop.
    bool take(const char *data, qsizetype size)
    {
        if (m_failed) {
            m_failure.append(data, size);
            return true;
        }
        m_pending.append(data, size);
        qsizetype end;
        while (!m_failed && (end = m_pending.indexOf('\n')) >= 0) {
            const QByteArray line = m_pending.left(end);
            m_pending.remove(0, end + 1);
            if (!handleLine(line))
                return false;
        }
        if (m_failed) {
            m_failure += m_pending;
            m_pending.clear();
        }
        return true;
    }
    const std::vector<ImportedTable> &tables() const { return m_tables; }
    // The child's own words of its failure; empty when it told none.
    QByteArray failure() const { return m_failed ? m_failure : QByteArray(); }

private:
    bool handleLine(const QByteArray &line)
    {
        if (line.startsWith("E\t")) {
            m_failed = true;
            m_failure = line.mid(2) + '\n';
            return true;
        }
        const QList<QByteArray> f = line.split('\t');
        if (f.size() < 2)
            return true;
        if (f[0] == "N") {
            m_report.emplace(m_prompt, QStringLiteral("Importazione di %1").arg(QFileInfo(m_mdbPath).fileName()),
                             f[1].toInt() * kStepsPerTable);
            return m_report->step(0);
        }
        if (f[0] == "T" && f.size() >= 3) {
            m_tables.push_back({QString::fromUtf8(line.mid(f[0].size() + f[1].size() + 2)), f[1].toLongLong()});
            return !m_report || m_report->step(int(m_tables.size()) * kStepsPerTable);
        }
        if (f[0] == "R" && f.size() >= 3 && m_report) {
            // The count in the table's definition may be behind: the share stops short of the end.
            const qint64 done = f[1].toLongLong(), expected = f[2].toLongLong();
            const int share = expected > 0 ? int(std::min<qint64>(done * kStepsPerTable / expected, kStepsPerTable - 1))
                                           : 0;
            return m_report->step(int(m_tables.size()) * kStepsPerTable + share);
        }
        return true;
    }

    Prompt *m_prompt;
    QString m_mdbPath;
    std::optional<ProgressReport> m_report;
    QByteArray m_pending;
    std::vector<ImportedTable> m_tables;
    bool m_failed = false;
    QByteArray m_failure;
};

} // namespace

qint64 ImportSummary::totalRows() const
{
    qint64 n = 0;
    for (const ImportedTable &t : tables)
        n += t.rows;
    return n;
}

QString headerProblem(const QByteArray &firstPage, qint64 fileSize)
{
    static const char kMagic[] = {0x00, 0x01, 0x00, 0x00};
    if (firstPage.size() < 0x20 || std::memcmp(firstPage.constData(), kMagic, 4) != 0
        || (std::memcmp(firstPage.constData() + 4, "Standard Jet DB", 16) != 0
            && std::memcmp(firstPage.constData() + 4, "Standard ACE DB", 16) != 0))
        return QStringLiteral("non è un file Access");
    const auto version = quint8(firstPage.at(0x14));
    if (version > 5)
        return QStringLiteral("versione del formato %1 sconosciuta").arg(version);
    const qint64 page = version == 0 ? 2048 : 4096;
    // The catalogue of a database starts on its third page.
    if (fileSize < 3 * page || fileSize % page != 0)
        return QStringLiteral("file troncato: %1 byte non sono un numero intero di pagine da %2")
            .arg(fileSize)
            .arg(page);
    return QString();
}

ImportSummary importBuffer(const QByteArray &content, sqlite3 *db)
{
    const QString source = QStringLiteral("(memoria)");
    const QString problem = headerProblem(content.left(4096), content.size());
    if (!problem.isEmpty())
        unreadable(source, problem);
    // libmdb reads the buffer in place; it is not written.
    Handle mdb(mdb_open_buffer(const_cast<char *>(content.constData()), size_t(content.size()), MDB_NOFLAGS));
    if (!mdb)
        unreadable(source, QStringLiteral("formato non riconosciuto"));
    return importHandle(mdb.get(), db, source);
}

ImportSummary importFile(const QString &mdbPath, sqlite3 *db)
{
    const Handle mdb = openAccessFile(mdbPath);
    return importHandle(mdb.get(), db, mdbPath);
}

std::chrono::milliseconds importTimeLimit(qint64 fileSize)
{
    return std::chrono::seconds(120 + fileSize / (1024 * 1024));
}

ImportSummary importToSqlite(const QString &mdbPath, const QString &outPath, Prompt *prompt,
                             std::optional<std::chrono::milliseconds> timeLimit)
{
    if (!QFileInfo(mdbPath).isFile())
        throw DbError(DbError::Kind::NotFound,
                      QStringLiteral("Impossibile trovare il file di database '%1'.").arg(mdbPath), -1);
    const QString tmp = outPath + QStringLiteral(".part-%1").arg(::getpid());
    QFile::remove(tmp);
    int fds[2];
    if (::pipe(fds) != 0)
        throw DbError(DbError::Kind::Generic, QStringLiteral("Impossibile avviare la lettura di '%1'.").arg(mdbPath));
    std::fflush(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        throw DbError(DbError::Kind::Generic, QStringLiteral("Impossibile avviare la lettura di '%1'.").arg(mdbPath));
    }
    if (pid == 0) {
        ::close(fds[0]);
        // The real-time timer ends the child with SIGALRM when the reading takes too long.
        const auto ms = (timeLimit ? *timeLimit : importTimeLimit(QFileInfo(mdbPath).size())).count();
        ::signal(SIGALRM, SIG_DFL);
        sigset_t alarm;
        sigemptyset(&alarm);
        sigaddset(&alarm, SIGALRM);
        ::sigprocmask(SIG_UNBLOCK, &alarm, nullptr);
        itimerval timer {};
        timer.it_value.tv_sec = ms / 1000;
        timer.it_value.tv_usec = (ms % 1000) * 1000 + (ms <= 0 ? 1 : 0);
        ::setitimer(ITIMER_REAL, &timer, nullptr);
        childImport(mdbPath, tmp, fds[1]);
    }
    ::close(fds[1]);
    // The lines are handled as they come, until the child closes its end or the user stops.
    ChildListener listener(prompt, mdbPath);
    bool stopped = false;
    char buf[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        if (!listener.take(buf, n)) {
            stopped = true;
            break;
        }
    }
    // Stopped by the user: the child ends here, whatever it was doing, and is waited for, and
    // its file goes; the target is never touched.
    if (stopped)
        ::kill(pid, SIGKILL);
    ::close(fds[0]);
    int status = 0;
    pid_t waited;
    while ((waited = ::waitpid(pid, &status, 0)) < 0 && errno == EINTR) { }
    if (stopped) {
        QFile::remove(tmp);
        ImportSummary cancelled;
        cancelled.cancelled = true;
        return cancelled;
    }
    if (waited != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        QFile::remove(tmp);
        if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
            unreadable(mdbPath, QStringLiteral("la lettura ha superato il tempo massimo"));
        if (WIFSIGNALED(status))
            unreadable(mdbPath, QStringLiteral("la lettura si è interrotta (segnale %1)").arg(WTERMSIG(status)));
        const QByteArray failure = listener.failure().trimmed();
        if (failure.isEmpty())
            unreadable(mdbPath, QStringLiteral("la lettura non si è conclusa"));
        throw DbError(DbError::Kind::NotDatabase, QString::fromUtf8(failure), -1);
    }
    ImportSummary summary;
    summary.tables = listener.tables();
    if (std::rename(QFile::encodeName(tmp).constData(), QFile::encodeName(outPath).constData()) != 0) {
        QFile::remove(tmp);
        throw DbError(DbError::Kind::Generic, QStringLiteral("Impossibile scrivere il file '%1'.").arg(outPath));
    }
    return summary;
}

QString jetDateText(double value)
{
    // 100-01-01 and 9999-12-31 23:59:59 as Jet values.
    if (!std::isfinite(value) || value < -657434.0 || value >= 2958466.0)
        return QString();
    double whole = std::trunc(value);
    // The fraction is the time of day also before 1899-12-30 (-1.25 is 1899-12-29 06:00).
    qint64 seconds = std::llround(std::fabs(value - whole) * 86400.0);
    if (seconds >= 86400) {
        // rounded up to midnight: the next day, whatever the sign
        seconds -= 86400;
        whole += 1;
    }
    const QDate d = QDate(1899, 12, 30).addDays(qint64(whole));
    if (d.year() > 9999)
        return QString();
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.year(), d.month(), d.day(), int(seconds / 3600),
                             int(seconds / 60 % 60), int(seconds % 60));
}

} // namespace qrn::access

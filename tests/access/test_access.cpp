// The import of real Access files checked against mdbtools' own tools, the cache, the data store.

#include "access/accesscache.h"
#include "access/mdbimport.h"
#include "app/climain.h"
#include "shell/links.h"
#include "support/scriptedprompt.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <csignal>
#include <mutex>
#include <sys/syscall.h>
#include <thread>
#include <unistd.h>

using namespace qrn;
using namespace qrn::access;
using qrn::test::TestFolder;

namespace {

QString fixture(const QString &name)
{
    return QStringLiteral(QUARNARO_ACCESS_FIXTURES "/") + name;
}

QByteArray contentOf(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Runs one of mdbtools' programs. They read their arguments through glib, which refuses a
// table name such as "Umsätze" under an ASCII locale (a session without LANG), so they run with
// a UTF-8 character set whatever the session has.
QByteArray run(const QString &program, const QStringList &args)
{
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.waitForFinished(60000);
    return p.readAllStandardOutput();
}

const auto openImported = [](const QString &path) { return Connection::open(path, NumberFormat::point()); };

// The rows of a table as mdb-json prints them, one object a row; a null is a missing key.
std::vector<QJsonObject> mdbJson(const QString &file, const QString &table)
{
    const QString iso = QStringLiteral("%Y-%m-%d %H:%M:%S");
    std::vector<QJsonObject> rows;
    for (const QByteArray &line : run("mdb-json", {"-D", iso, "-T", iso, fixture(file), table}).split('\n'))
        if (!line.isEmpty())
            rows.push_back(QJsonDocument::fromJson(line).object());
    return rows;
}

// An imported value against mdb-json's.
bool sameValue(const QVariant &ours, const QJsonValue &ref)
{
    if (ref.isUndefined())
        return ours.isNull();
    switch (ours.typeId()) {
    case QMetaType::LongLong:
        return ours.toLongLong() == ref.toInteger();
    case QMetaType::Double: // single-precision fields are printed with more digits than they hold
        return ours.toDouble() == ref.toDouble() || float(ours.toDouble()) == float(ref.toDouble());
    case QMetaType::QByteArray:
        return ours.toByteArray() == QByteArray::fromBase64(ref[QLatin1String("$binary")].toString().toLatin1());
    default: // currency is a number there, exact text here
        return ours.toString() == ref.toString() || (ref.isDouble() && ours.toString().toDouble() == ref.toDouble());
    }
}

// The reader the store uses, installed for one test.
struct InstalledCache {
    explicit InstalledCache(const QString &folder, Prompt *prompt = nullptr) : cache(folder) { cache.install(prompt); }
    ~InstalledCache() { StoreLocator::setAccessImporter(nullptr); }
    AccessCache cache;
};

class ImportedFixtures : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        ASSERT_TRUE(QFileInfo::exists(fixture("nwind.mdb"))) << "fixtures missing: " QUARNARO_ACCESS_FIXTURES;
        s_dir = new QTemporaryDir;
        // nwind with a prompt that records its progress.
        for (const char *f : {"nwind", "DateTestDatabase"})
            s_summary[f] = importToSqlite(fixture(QString::fromLatin1(f) + ".mdb"), path(f),
                                          f == QLatin1String("nwind") ? &s_prompt : nullptr);
    }
    static void TearDownTestSuite() { delete s_dir; }
    static QString path(const QString &name) { return s_dir->filePath(name + ".sqlite"); }

    static inline QTemporaryDir *s_dir = nullptr;
    static inline std::map<QString, ImportSummary> s_summary;
    static inline ScriptedPrompt s_prompt;
};

// The processes this thread has started and not yet waited for (a zombie among them).
QList<pid_t> childrenOfThisThread()
{
    QFile f(QStringLiteral("/proc/self/task/%1/children").arg(::syscall(SYS_gettid)));
    QList<pid_t> out;
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &pid : f.readAll().split(' '))
            if (!pid.trimmed().isEmpty())
                out << pid_t(pid.trimmed().toInt());
    return out;
}

// A user who presses "Annulla" once the import is half done. At that moment the reading child
// is frozen (SIGSTOP), as a child stuck in a damaged file would be: only a kill ends it then.
// A watchdog wakes it after a while, so that an importer that merely waits still comes back.
class StopHalfWay : public ScriptedPrompt {
public:
    ~StopHalfWay() override
    {
        {
            std::lock_guard lock(m_mutex);
            m_done = true;
        }
        m_wake.notify_all();
        if (m_watchdog.joinable())
            m_watchdog.join();
    }
    bool progress(int done) override
    {
        if (!ScriptedPrompt::progress(done) || done * 2 < progressShown().back().total)
            return !progressShown().back().cancelled;
        frozen = childrenOfThisThread();
        for (const pid_t pid : frozen)
            ::kill(pid, SIGSTOP);
        m_watchdog = std::thread([this] {
            std::unique_lock lock(m_mutex);
            if (!m_wake.wait_for(lock, std::chrono::seconds(10), [this] { return m_done; })) {
                watchdogWoke = true;
                for (const pid_t pid : frozen)
                    ::kill(pid, SIGCONT);
            }
        });
        return false;
    }
    QList<pid_t> frozen;
    std::atomic<bool> watchdogWoke = false;

private:
    std::thread m_watchdog;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_done = false;
};

} // namespace

TEST_F(ImportedFixtures, EveryTableAndTheRowsOfALargeOneAreStepsOfOneRisingReport)
{
    const ImportSummary &s = s_summary["nwind"];
    ASSERT_FALSE(s.cancelled || s.tables.empty());
    ASSERT_EQ(s_prompt.progressShown().size(), 1u);
    const ScriptedPrompt::Progress &p = s_prompt.progressShown()[0];
    EXPECT_EQ(p.text, "Importazione di nwind.mdb");
    EXPECT_TRUE(p.ended);
    ASSERT_EQ(p.total % int(s.tables.size()), 0) << p.total;
    const int perTable = p.total / int(s.tables.size());
    ASSERT_GT(perTable, 1);
    EXPECT_TRUE(std::is_sorted(p.steps.begin(), p.steps.end()));
    EXPECT_EQ(std::adjacent_find(p.steps.begin(), p.steps.end()), p.steps.end());
    // Each table's end is a step; "Order Details" (2155 rows) also moves on within itself.
    for (int t = 1; t <= int(s.tables.size()); ++t)
        EXPECT_NE(std::find(p.steps.begin(), p.steps.end(), t * perTable), p.steps.end()) << t;
    EXPECT_TRUE(std::any_of(p.steps.begin(), p.steps.end(), [&](int v) { return v % perTable != 0; }));
}

TEST(ImportProgress, AStopHalfWayKillsTheChildAndLeavesTheTargetAsItWas)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("ordini.sqlite");
    importToSqlite(fixture("DateTestDatabase.mdb"), target);
    const QByteArray before = contentOf(target);
    ASSERT_FALSE(before.isEmpty());
    StopHalfWay prompt;
    const ImportSummary s = importToSqlite(fixture("nwind.mdb"), target, &prompt);
    EXPECT_TRUE(s.cancelled);
    EXPECT_TRUE(s.tables.empty());
    ASSERT_FALSE(prompt.frozen.isEmpty()) << "the import was not stopped while its child ran";
    EXPECT_FALSE(prompt.watchdogWoke) << "the frozen child was waited for, not ended";
    EXPECT_TRUE(childrenOfThisThread().isEmpty()) << "the child was left unwaited";
    EXPECT_TRUE(prompt.progressShown().back().ended);
    EXPECT_EQ(contentOf(target), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).join(' '), "ordini.sqlite");
}

TEST_F(ImportedFixtures, TablesRowsAndValuesAreThoseOfMdbTools)
{
    // Names with blanks and accents, currency, singles, booleans, dates, memos, OLE, nulls; Jet 3 and 4.
    for (const QString file : {"nwind", "DateTestDatabase"}) {
        const QStringList tables =
            QString::fromUtf8(run("mdb-tables", {"-1", fixture(file + ".mdb")})).split('\n', Qt::SkipEmptyParts);
        const ImportSummary &s = s_summary[file];
        ASSERT_EQ(int(s.tables.size()), tables.size());
        auto db = openImported(path(file));
        for (int t = 0; t < tables.size(); ++t) {
            SCOPED_TRACE(tables[t].toStdString());
            EXPECT_EQ(s.tables[size_t(t)].name, tables[t]);
            const auto exported = mdbJson(file + ".mdb", tables[t]);
            const Recordset rs = db->queryNative(QStringLiteral("SELECT * FROM \"%1\"").arg(tables[t]));
            const QString header = QString::fromUtf8(run("mdb-export", {fixture(file + ".mdb"), tables[t]}));
            EXPECT_EQ(rs.fieldNames().join(','), header.section('\n', 0, 0)); // names in order
            ASSERT_EQ(rs.recordCount(), int(exported.size()));
            EXPECT_EQ(s.tables[size_t(t)].rows, rs.recordCount());
            // libmdb's own text of dates before 1900 or after 2100 is "1900-01-00": see CurrencyAndDates.
            for (int r = 0; r < rs.recordCount(); ++r)
                for (int c = 0; c < rs.fieldCount(); ++c) {
                    const QJsonValue ref = exported[size_t(r)].value(rs.fieldName(c));
                    EXPECT_TRUE(ref.toString().startsWith("1900-01-00") || sameValue(rs.row(r)[size_t(c)], ref))
                        << "row " << r << " " << rs.fieldName(c).toStdString() << ": "
                        << rs.row(r)[size_t(c)].toString().left(60).toStdString();
                }
        }
    }
}

// Currency keeps its exact digits as text, long integers are integers, singles reals, OLE a blob;
// dates are ISO text, those outside the usual range too.
TEST_F(ImportedFixtures, CurrencyAndDates)
{
    Recordset rs = openImported(path("nwind"))
                       ->queryNative("SELECT typeof(Freight), Freight, OrderDate, typeof(OrderID), (SELECT "
                                     "typeof(Discount) || typeof(Photo) FROM [Order Details], Employees WHERE "
                                     "Photo IS NOT NULL LIMIT 1) FROM Orders WHERE OrderID = 10331");
    EXPECT_EQ(rs.row(0), (std::vector<QVariant> {"text", "10.1900", "1994-11-16 00:00:00", "integer", "realblob"}));
    rs = openImported(path("DateTestDatabase"))
             ->queryNative("SELECT DateTimeCol FROM DateTest WHERE IDCol BETWEEN 2 AND 4 ORDER BY IDCol");
    ASSERT_EQ(rs.recordCount(), 3); // years 9999, before 1900, before 1000
    EXPECT_TRUE(rs.row(0)[0].toString().startsWith("9999-"));
    EXPECT_LT(rs.row(1)[0].toString().left(4).toInt(), 1900);
    EXPECT_EQ(rs.row(2)[0].toString().size(), 19);
}

TEST(JetDates, DaysFromTheEpochAndTheTimeOfDay)
{
    // Before the epoch the time of day counts forwards from the day's start.
    const std::vector<std::pair<double, QString>> cases = {
        {1.5, "1899-12-31 12:00:00"},           {-1.25, "1899-12-29 06:00:00"},
        {0.9999999999, "1899-12-31 00:00:00"},  {-1.9999999999, "1899-12-30 00:00:00"},
        {2958465.0, "9999-12-31 00:00:00"},     {-657434.0, "0100-01-01 00:00:00"}};
    for (const auto &[value, text] : cases)
        EXPECT_EQ(jetDateText(value), text) << value;
    for (const double outside : {2958466.0, -657435.0, std::nan("")})
        EXPECT_EQ(jetDateText(outside), "") << outside;
}

TEST(ImportRefusal, FilesThatAreNotWholeAccessDatabasesAreRefusedCleanly)
{
    TestFolder dir(false);
    const QByteArray nwind = contentOf(fixture("nwind.mdb"));
    ASSERT_FALSE(nwind.isEmpty());
    QByteArray random(64 * 1024, '\0');
    QRandomGenerator(12).fillRange(reinterpret_cast<quint32 *>(random.data()), random.size() / 4);
    // The header of a real file over pages of noise: libmdb itself has to give up.
    QByteArray noisyPages = nwind.left(2048) + random + random.left(2048 * 3);
    noisyPages.resize(noisyPages.size() / 2048 * 2048);
    const std::vector<std::pair<const char *, QByteArray>> cases = {{"empty", QByteArray()},
                                                                    {"random bytes", random},
                                                                    {"truncated", nwind.left(nwind.size() / 2 + 100)},
                                                                    {"header only", nwind.left(2048)},
                                                                    {"header over noise", noisyPages}};
    for (const auto &[name, content] : cases) {
        SCOPED_TRACE(name);
        const QString out = dir.file("rotto.sqlite");
        dir.write("rotto.mdb", content);
        try {
            importToSqlite(dir.file("rotto.mdb"), out);
            // A file libmdb reads as a database without tables is not an error.
            EXPECT_STREQ(name, "header over noise");
        } catch (const DbError &e) {
            EXPECT_EQ(e.kind(), DbError::Kind::NotDatabase);
            EXPECT_TRUE(e.description().contains("non è un database valido")) << e.description().toStdString();
            EXPECT_FALSE(QFile::exists(out));
        }
        EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).filter(".part").size(), 0);
    }
}

TEST(Import, AReadingBeyondItsTimeLimitIsStoppedAndReported)
{
    QTemporaryDir dir;
    const QString out = dir.filePath("lento.sqlite");
    try {
        importToSqlite(fixture("nwind.mdb"), out, nullptr, std::chrono::milliseconds(1));
        FAIL() << "an import of a whole database finished within a millisecond";
    } catch (const DbError &e) {
        EXPECT_EQ(e.kind(), DbError::Kind::NotDatabase);
        EXPECT_TRUE(e.description().contains("tempo massimo")) << e.description().toStdString();
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 0);
}

TEST(Cache, ReusedWhileTheFileIsUnchangedAndRebuiltWhenItChanges)
{
    QTemporaryDir dir;
    const QString mdb = dir.filePath("dati/Ordini.mdb");
    QDir().mkpath(dir.filePath("dati"));
    ASSERT_TRUE(QFile::copy(fixture("DateTestDatabase.mdb"), mdb));
    const AccessCache cache(dir.filePath("cache"));
    ImportSummary summary;
    const QString first = cache.storeFor(mdb, &summary);
    EXPECT_TRUE(first.startsWith(dir.filePath("cache/Ordini-")));
    // Unchanged: the same file, not imported again.
    summary = {};
    EXPECT_EQ(cache.storeFor(mdb, &summary), first);
    EXPECT_TRUE(summary.tables.empty());

    // A new modification time, then a new content: a new cache each time, the old one removed.
    QFile touched(mdb);
    touched.open(QIODevice::ReadWrite);
    touched.setFileTime(QFileInfo(mdb).lastModified().addSecs(60), QFileDevice::FileModificationTime);
    touched.close();
    EXPECT_NE(cache.storeFor(mdb, &summary), first);
    EXPECT_FALSE(summary.tables.empty());
    EXPECT_FALSE(QFile::exists(first));
    QFile::remove(mdb);
    ASSERT_TRUE(QFile::copy(fixture("nwind.mdb"), mdb));
    const QString third = cache.storeFor(mdb, &summary);
    EXPECT_EQ(summary.tables.size(), 9u);
    EXPECT_EQ(QDir(dir.filePath("cache")).entryList(QDir::Files), QStringList {QFileInfo(third).fileName()});
}

TEST(AccessStore, TheProgramReadsAnAccessDatabaseBesideItsOwnAndNeverWritesIt)
{
    TestFolder tf;
    QTemporaryDir cacheDir;
    InstalledCache installed(cacheDir.path());
    ASSERT_TRUE(QFile::copy(fixture("nwind.mdb"), tf.file("Databases/Ordini.MDB")));
    const QDateTime stamp = QFileInfo(tf.file("Databases/Ordini.MDB")).lastModified();
    // A table of the Access file linked into a data database.
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    ctx->openDatabase("Metadati.mdb")
        ->execute("INSERT INTO tablelink VALUES (?, 'Ordini.mdb', 'Variabili.mdb')", {QString::fromUtf8("Umsätze")});
    ASSERT_TRUE(refreshLinkedTables(*ctx, *ctx));

    auto data = ctx->GetDbConnection("Variabili.mdb");
    EXPECT_EQ(data->query(QString::fromUtf8("SELECT count(*) FROM [Umsätze]")).value(0).toInt(), 830);
    // Jet SQL on the Access file's own tables; what the program writes goes to the imported copy.
    auto orders = ctx->GetDbConnection("ordini.mdb");
    EXPECT_EQ(orders->query("SELECT Format(Discount, '0.00') FROM [Order Details] WHERE OrderID = 10250 "
                            "ORDER BY ProductID DESC")
                  .text(0),
              "0,15");
    orders->execute("CREATE TABLE tMappa (N_TERCO TEXT)");
    EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));

    EXPECT_EQ(contentOf(tf.file("Databases/Ordini.MDB")), contentOf(fixture("nwind.mdb")));
    EXPECT_EQ(QFileInfo(tf.file("Databases/Ordini.MDB")).lastModified(), stamp);
    EXPECT_FALSE(QFile::exists(tf.file("Databases/Ordini.sqlite")));
}

// The store reads an Access file through the prompt installed with the cache: stopped there,
// the opening fails with the stop's message and nothing is cached.
TEST(AccessStore, AnImportStoppedByTheUserIsNotCached)
{
    QTemporaryDir dir, cacheDir;
    ScriptedPrompt prompt;
    InstalledCache installed(cacheDir.path(), &prompt);
    ASSERT_TRUE(QFile::copy(fixture("DateTestDatabase.mdb"), dir.filePath("Ordini.mdb")));
    prompt.cancelProgressAtStep(1);
    try {
        StoreLocator::resolve(dir.path(), "Ordini.mdb");
        FAIL() << "a stopped import gave a store";
    } catch (const DbError &e) {
        EXPECT_EQ(e.description(), kImportCancelledMessage);
    }
    EXPECT_EQ(QDir(cacheDir.path()).entryList(QDir::Files), QStringList());
    // Not stopped, the next opening imports it.
    prompt.cancelProgressAtStep(0);
    EXPECT_TRUE(StoreLocator::resolve(dir.path(), "Ordini.mdb").startsWith(cacheDir.path()));
}

TEST(AccessStore, AnUnreadableAccessFileIsAnUnreadableDatabase)
{
    TestFolder tf;
    QTemporaryDir cacheDir;
    InstalledCache installed(cacheDir.path());
    tf.write("Databases/Rotto.accdb", QByteArray("Standard ACE DB").repeated(500));
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    EXPECT_TRUE(StoreLocator::exists(ctx->DbFolder, "Rotto.mdb"));
    EXPECT_FALSE(ctx->GetDbConnection("Rotto.mdb")->isOpen());
    const QString log = QString::fromLatin1(tf.read("Files/Error.log"));
    EXPECT_TRUE(log.contains("GetDbConnection") && log.contains("non è un database valido")) << log.toStdString();
    EXPECT_TRUE(QDir(cacheDir.path()).entryList(QDir::Files).isEmpty());
}

TEST(CliImport, PrintsTheTablesAndRowsReadAndReportsUnreadableFiles)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("date.sqlite");
    // Without --out the file goes to the cache of --cache; a SQLite file is not an Access file.
    const struct {
        QStringList args;
        int status;
        QString out; // or how the error begins
    } cases[] = {{{"importa", fixture("DateTestDatabase.mdb"), "--out", target},
                  0,
                  "DateTest: 6 righe\n1 tabelle, 6 righe in " + target + "\n"},
                 {{"--cache", dir.filePath("cache"), "importa", fixture("nwind.mdb")},
                  0,
                  "9 tabelle, 4032 righe in " + dir.filePath("cache/nwind-")},
                 {{"importa"}, 2, "uso: importa"},
                 {{"importa", target}, 1, "Errore: "}};
    for (const auto &c : cases) {
        QString out, err;
        EXPECT_EQ(cli::run(c.args, dir.path(), out, err), c.status) << err.toStdString();
        EXPECT_TRUE(c.status ? out.isEmpty() && err.startsWith(c.out) : out.contains(c.out)) << out.toStdString();
    }
}

// The tool reads and prints non-ASCII names under any locale of the session, and says nothing of
// the locale on standard error.
TEST(CliImport, NonAsciiNamesUnderEveryLocale)
{
    QTemporaryDir dir;
    const std::vector<std::pair<const char *, const char *>> sessions = {{nullptr, nullptr}, {"LC_ALL", "C"}};
    for (const auto &[name, value] : sessions) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char *v : {"LANG", "LC_ALL", "LC_CTYPE", "LANGUAGE"})
            env.remove(QLatin1String(v));
        if (name)
            env.insert(QLatin1String(name), QLatin1String(value));
        const QString label = name ? QStringLiteral("%1=%2").arg(name, value) : QStringLiteral("LANG unset");
        QProcess p;
        p.setProcessEnvironment(env);
        const QString target = dir.filePath(label + QStringLiteral(".sqlite"));
        p.start(QStringLiteral(QUARNARO_CLI), {"importa", fixture("nwind.mdb"), "--out", target});
        ASSERT_TRUE(p.waitForFinished(120000)) << label.toStdString();
        const QString out = QString::fromUtf8(p.readAllStandardOutput());
        EXPECT_EQ(p.exitCode(), 0) << label.toStdString();
        EXPECT_TRUE(out.contains(QStringLiteral("Umsätze: "))) << label.toStdString() << "\n" << out.toStdString();
        EXPECT_EQ(p.readAllStandardError(), QByteArray()) << label.toStdString();
        // The stored texts themselves.
        auto db = openImported(target);
        const Recordset rs = db->queryNative(
            QStringLiteral("SELECT COUNT(*) FROM \"Umsätze\" WHERE ShipAddress LIKE '%Bolívar%'"));
        ASSERT_EQ(rs.recordCount(), 1) << label.toStdString();
        EXPECT_GT(rs.row(0)[0].toInt(), 0) << label.toStdString();
    }
}

// The folders of an installed program: the installed read-only data beside PREFIX/bin, the
// user's data folder seeded from it, the start on that layout and the writable copy an update
// goes into.

#include "shell/programfolders.h"

#include "shell/context.h"
#include "shell/menus.h"
#include "shell/startup.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>

using namespace qrn;

namespace {

void writeFile(const QString &path, const QByteArray &content)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(content);
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<assente>");
}

// Sets an environment variable (unsets it for a null value) for the life of the object.
struct ScopedEnv {
    ScopedEnv(const char *name, const QByteArray &value) : name(name)
    {
        if (qEnvironmentVariableIsSet(name))
            old = qgetenv(name);
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    ~ScopedEnv() { old ? qputenv(name, *old) : qunsetenv(name); }
    const char *name;
    std::optional<QByteArray> old;
};

// A prefix with bin/ and share/quarnaro/ holding the sample data as an installation lays it
// out (help under Files/Help), and a home with its data folder.
struct Installation {
    QTemporaryDir dir;
    QString prefix = dir.path() + QStringLiteral("/prefix/");
    QString share = prefix + QStringLiteral("share/quarnaro/");
    QString data = dir.path() + QStringLiteral("/data/");
    ScopedEnv home {"HOME", (dir.path() + QStringLiteral("/home")).toLocal8Bit()};
    ScopedEnv xdg {"XDG_DATA_HOME", data.toLocal8Bit()};

    explicit Installation(bool withSample = true)
    {
        QDir().mkpath(prefix + QStringLiteral("bin"));
        QDir().mkpath(share + QStringLiteral("Files/Help"));
        if (withSample)
            test::copyTree(test::sampleDir(), share);
        writeFile(share + QStringLiteral("Files/Help/index.html"), "<html/>");
    }
    QString bin() const { return prefix + QStringLiteral("bin"); }
    QString user() const { return data + QStringLiteral("Quarnaro/"); }
};

} // namespace

// Installed means PREFIX/bin beside PREFIX/share/quarnaro/Files, and never a folder that holds
// a program folder of its own; --home wins over it.
TEST(ProgramFolders, InstalledOnlyBesideShareQuarnaro)
{
    Installation inst(false);
    EXPECT_EQ(InstalledDataFolder(inst.bin() + "/"), QDir::cleanPath(inst.share) + "/");
    QDir().mkpath(inst.prefix + "other");
    EXPECT_EQ(InstalledDataFolder(inst.prefix + "other"), "") << "not a bin folder";

    QDir().mkpath(inst.dir.path() + "/bare/bin");
    EXPECT_EQ(InstalledDataFolder(inst.dir.path() + "/bare/bin"), "") << "no share/quarnaro";

    QDir().mkpath(inst.bin() + "/Files");
    EXPECT_EQ(InstalledDataFolder(inst.bin()), "") << "a program folder named bin";
}

TEST(ProgramFolders, LayoutOfARun)
{
    Installation inst(false);
    const ProgramFolders installed = LocateProgramFolders(inst.bin());
    EXPECT_TRUE(installed.installed());
    EXPECT_EQ(installed.programFolder, inst.user());

    const ProgramFolders home = LocateProgramFolders(inst.bin(), inst.dir.path() + "/copia");
    EXPECT_TRUE(!home.installed() && home.programFolder == inst.dir.path() + "/copia/");
    const ProgramFolders build = LocateProgramFolders(inst.prefix);
    EXPECT_TRUE(!build.installed() && build.programFolder == inst.prefix);

    // Without XDG_DATA_HOME the user's folder is under ~/.local/share.
    ScopedEnv noXdg("XDG_DATA_HOME", QByteArray());
    EXPECT_EQ(LocateProgramFolders(inst.bin()).programFolder, inst.dir.path() + "/home/.local/share/Quarnaro/");
}

// The first start copies the installed Files/ (not the help); later starts keep what the user
// changed and add only what is new. Copies of read-only files are the user's to write.
TEST(ProgramFolders, SeedingKeepsTheUsersFiles)
{
    Installation inst(false);
    writeFile(inst.share + "Files/ShapeConfig.xml", "installato");
    writeFile(inst.share + "Files/bdc_utente.sqlite", "vuoto");
    QFile::setPermissions(inst.share + "Files/bdc_utente.sqlite", QFile::ReadOwner | QFile::ReadGroup);
    const ProgramFolders folders = LocateProgramFolders(inst.bin());

    ASSERT_EQ(SeedUserFolder(folders), "");
    EXPECT_EQ(readFile(inst.user() + "Files/ShapeConfig.xml"), "installato");
    EXPECT_TRUE(QFileInfo(inst.user() + "Files/bdc_utente.sqlite").isWritable());
    EXPECT_FALSE(QFileInfo::exists(inst.user() + "Files/Help")) << "the help is read where it is installed";

    writeFile(inst.user() + "Files/ShapeConfig.xml", "cambiato");
    writeFile(inst.share + "Files/InfoQrn.txt", "nuovo");
    ASSERT_EQ(SeedUserFolder(folders), "");
    EXPECT_EQ(readFile(inst.user() + "Files/ShapeConfig.xml"), "cambiato");
    EXPECT_EQ(readFile(inst.user() + "Files/InfoQrn.txt"), "nuovo");

    // A data folder that cannot be made is reported, in Italian.
    writeFile(inst.data + "blocco", "");
    ScopedEnv blocked("XDG_DATA_HOME", (inst.data + "blocco").toLocal8Bit());
    const QString failed = SeedUserFolder(LocateProgramFolders(inst.bin()));
    EXPECT_TRUE(failed.startsWith("Impossibile preparare la cartella dei dati dell'utente")) << failed.toStdString();
}

namespace {
struct NoWindows : StartupHost {
    void formatMainWindow() override { }
    void buildMenuBar(const MenuBar &) override { }
    void showSplash() override { }
    QString chooseFolder(const QString &) override { return QString(); }
    void report(const Failure &, const QString &) override { }
};

StartupOutcome startInstalled(const Installation &inst, AppContext &ctx)
{
    const ProgramFolders folders = LocateProgramFolders(inst.bin());
    EXPECT_EQ(SeedUserFolder(folders), "");
    ApplyProgramFolders(ctx, folders);
    NoWindows host;
    MenuBar bar;
    return RunStartup(ctx, host, nullptr, bar);
}
} // namespace

// Installed, the start reads the installed databases, maps and help and writes into the
// user's folder only; the user's own databases (an update) and DBPath.dbc win over the
// installed ones.
TEST(ProgramFolders, StartReadsTheInstalledDataAndWritesTheUsers)
{
    Installation inst;
    {
        AppContext ctx;
        ASSERT_EQ(startInstalled(inst, ctx), StartupOutcome::Running);
        EXPECT_EQ(ctx.DbFolder, inst.share + "Databases/");
        EXPECT_EQ(ctx.ShapeFolder, inst.share + "Shape/");
        EXPECT_EQ(ctx.HelpFile, inst.share + "Files/Help/");
        EXPECT_EQ(ctx.FilesFolder, inst.user() + "Files/");
        EXPECT_EQ(ctx.ExcelFolder, inst.dir.path() + "/home/Documents/");
        EXPECT_EQ(ctx.readOnlyFolder(), inst.share);
    }
    {
        test::TestFolder other;
        WriteFolderFile(inst.user() + "Files/DBPath.dbc", other.file("Databases/"));
        AppContext ctx;
        ASSERT_EQ(startInstalled(inst, ctx), StartupOutcome::Running);
        EXPECT_EQ(ctx.DbFolder, other.file("Databases/"));
        QFile::remove(inst.user() + "Files/DBPath.dbc");
    }
    test::copyTree(inst.share + "Databases", inst.user() + "Databases");
    AppContext ctx;
    ASSERT_EQ(startInstalled(inst, ctx), StartupOutcome::Running);
    EXPECT_EQ(ctx.DbFolder, inst.user() + "Databases/");
}

// An update of the installed databases goes into the user's copy, which the run then reads;
// the installed folder stays as it was. A folder of the user's own is its own target.
TEST(ProgramFolders, WritableCopyOfTheInstalledData)
{
    Installation inst;
    AppContext ctx;
    ASSERT_EQ(startInstalled(inst, ctx), StartupOutcome::Running);
    const QStringList installed = QDir(inst.share + "Databases").entryList(QDir::Files);

    const QString target = WritableDataFolder(ctx, ctx.DbFolder);
    EXPECT_TRUE(target == inst.user() + "Databases/" && ctx.DbFolder == target);
    EXPECT_EQ(ctx.ShapeFolder, inst.share + "Shape/") << "the maps stay until they are updated";
    EXPECT_EQ(QDir(target).entryList(QDir::Files), installed);

    writeFile(target + "Metadati.sqlite", "aggiornato");
    EXPECT_EQ(WritableDataFolder(ctx, ctx.DbFolder), target) << "made once";
    EXPECT_EQ(readFile(target + "Metadati.sqlite"), "aggiornato");
    EXPECT_NE(readFile(inst.share + "Databases/Metadati.sqlite"), "aggiornato");

    EXPECT_EQ(WritableDataFolder(ctx, inst.share + "Shape/"), inst.user() + "Shape/");

    test::TestFolder own;
    AppContext plain;
    plain.setProgramFolder(own.path());
    EXPECT_EQ(WritableDataFolder(plain, own.file("Databases/")), own.file("Databases/"));
}

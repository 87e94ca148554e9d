#include "shell/startup.h"

#include "shell/context.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QLockFile>
#include <QSysInfo>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

struct RecordingHost : StartupHost {
    int formatted = 0, menus = 0, splashes = 0;
    int menuNodes = 0;
    void formatMainWindow() override { ++formatted; }
    void buildMenuBar(const MenuBar &bar) override
    {
        ++menus;
        menuNodes = bar.countNodes();
    }
    void showSplash() override { ++splashes; }
};

} // namespace

TEST(FolderFiles, ReadingTrimsLineEndsAndEndsWithOneSeparator)
{
    TestFolder tf(false);
    tf.write("Files/DBPath.dbc", "  /dati/quarnaro  \r\n\r\n");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/DBPath.dbc")), "/dati/quarnaro/");
    tf.write("Files/DBPath.dbc", "/dati/quarnaro/\r\n");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/DBPath.dbc")), "/dati/quarnaro/");
    tf.write("Files/DBPath.dbc", " \r\n");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/DBPath.dbc")), "");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/Nessuno.dbc")), "");
    ASSERT_TRUE(WriteFolderFile(tf.file("Files/SHPath.dbc"), "/mappe/"));
    EXPECT_EQ(tf.read("Files/SHPath.dbc"), "/mappe/\r\n");
}

TEST(FindDatabases, TheProgramsOwnFolderWinsAndTheRememberedFileIsLeftAlone)
{
    TestFolder tf;
    tf.write("Files/DBPath.dbc", "/altrove\r\n");
    auto ctx = tf.context();
    ASSERT_TRUE(FindDatabases(*ctx));
    EXPECT_EQ(ctx->DbFolder, tf.file("Databases/"));
    EXPECT_EQ(tf.read("Files/DBPath.dbc"), "/altrove\r\n");
    EXPECT_TRUE(tf.prompt.shown().empty());
}

TEST(FindDatabases, RememberedThenChosenFolderAndCancelEndsTheProgram)
{
    TestFolder tf;
    QDir(tf.path()).rename("Databases", "Dati");
    auto ctx = tf.context();
    tf.write("Files/DBPath.dbc", tf.file("Dati").toLocal8Bit() + "\r\n");
    ASSERT_TRUE(FindDatabases(*ctx));
    EXPECT_EQ(ctx->DbFolder, tf.file("Dati/"));
    EXPECT_TRUE(tf.prompt.shown().empty());

    // Nothing remembered: the picker is asked and the answer remembered.
    QFile::remove(tf.file("Files/DBPath.dbc"));
    tf.prompt.answerFolder(tf.file("Dati/"));
    ASSERT_TRUE(FindDatabases(*ctx));
    ASSERT_EQ(tf.prompt.shown().size(), 1u);
    EXPECT_EQ(tf.prompt.shown()[0].title, "Selezionare la cartella contenente i Databases");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/DBPath.dbc")), tf.file("Dati/"));

    // A chosen folder without the metadata database, then a cancelled picker: the program ends.
    QFile::remove(tf.file("Files/DBPath.dbc"));
    for (const QString &answer : {tf.file("Files/"), QString()}) {
        tf.prompt.clear();
        tf.prompt.answerFolder(answer);
        EXPECT_FALSE(FindDatabases(*ctx));
        ASSERT_EQ(tf.prompt.messages().size(), 1);
        EXPECT_EQ(tf.prompt.messages()[0], "Impossibile trovare i Databases\r\nL'Applicazione sarà chiusa.");
        EXPECT_FALSE(QFile::exists(tf.file("Files/DBPath.dbc")));
    }
}

TEST(FindShapeFiles, MissingMapsAreReportedAndTheStartGoesOn)
{
    TestFolder tf(false);
    auto ctx = tf.context();
    FindShapeFiles(*ctx);
    EXPECT_EQ(ctx->ShapeFolder, "");
    ASSERT_EQ(tf.prompt.shown().size(), 2u);
    EXPECT_EQ(tf.prompt.shown()[0].title, "Selezionare la cartella contenente i File delle cartine");
    EXPECT_EQ(tf.prompt.shown()[1].text,
              "Nessun File delle cartine trovato. In questa sessione non sarà possibile vedere le cartine!");
    EXPECT_EQ(tf.prompt.shown()[1].icon, Icon::Information);

    tf.write("Mappe/regioni.shp", "x");
    tf.prompt.clear();
    tf.prompt.answerFolder(tf.file("Mappe/"));
    FindShapeFiles(*ctx);
    EXPECT_EQ(ctx->ShapeFolder, tf.file("Mappe/"));
    EXPECT_EQ(ReadFolderFile(tf.file("Files/SHPath.dbc")), tf.file("Mappe/"));

    tf.prompt.clear();
    FindShapeFiles(*ctx); // remembered now
    EXPECT_EQ(ctx->ShapeFolder, tf.file("Mappe/"));
    EXPECT_TRUE(tf.prompt.shown().empty());
}

TEST(InstanceLock, ASecondInstanceIsRefusedAndACrashedOneDoesNotBlock)
{
    TestFolder tf;
    QString path;
    {
        InstanceLock first(tf.path());
        ASSERT_TRUE(first.tryLock());
        path = first.path();
        // A second start from the same program folder.
        auto ctx = tf.context();
        InstanceLock second(tf.path());
        RecordingHost host;
        MenuBar bar;
        EXPECT_EQ(RunStartup(*ctx, host, &second, bar), StartupOutcome::Exit);
        ASSERT_EQ(tf.prompt.messages().size(), 1);
        EXPECT_EQ(tf.prompt.messages()[0], "Programma già aperto! La nuova istanza sarà chiusa.");
        EXPECT_EQ(host.menus, 0);
    }
    // A lock file left by a process that no longer runs.
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("2147480000\nquarnaro\n" + QSysInfo::machineHostName().toUtf8() + "\n");
    f.close();
    InstanceLock after(tf.path());
    EXPECT_TRUE(after.tryLock());
}

TEST(Startup, TheSampleStartsWithMenusAndSplashAndNoMessage)
{
    TestFolder tf;
    auto ctx = tf.context();
    InstanceLock lock(tf.path());
    RecordingHost host;
    MenuBar bar;
    ASSERT_EQ(RunStartup(*ctx, host, &lock, bar), StartupOutcome::Running);
    EXPECT_EQ(host.formatted, 1);
    EXPECT_EQ(host.menus, 1);
    EXPECT_EQ(host.splashes, 1);
    EXPECT_GT(host.menuNodes, 10);
    EXPECT_EQ(ctx->DbFolder, tf.file("Databases/"));
    EXPECT_EQ(ctx->FilesFolder, tf.file("Files/"));
    EXPECT_EQ(ctx->ExcelFolder, tf.file("Excel/"));
    EXPECT_TRUE(ctx->areaQuery.started());
    ASSERT_TRUE(ctx->catalogue);
    // The sample brings its map files only when the geography is built; without them the
    // start asks for the map folder and goes on.
    if (QFile::exists(tf.file("Shape/regioni.shp")) || !QDir(tf.file("Shape")).entryList({"*.shp"}).isEmpty()) {
        EXPECT_TRUE(tf.prompt.shown().empty());
        EXPECT_EQ(ctx->ShapeFolder, tf.file("Shape/"));
    }
    EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));
}

TEST(Startup, ALinkToAMissingDatabaseEndsTheStart)
{
    TestFolder tf;
    QFile::remove(tf.file("Databases/territorio.sqlite"));
    auto ctx = tf.context();
    RecordingHost host;
    MenuBar bar;
    EXPECT_EQ(RunStartup(*ctx, host, nullptr, bar), StartupOutcome::Exit);
    EXPECT_TRUE(tf.prompt.messages().value(0).startsWith("Sono mancanti alcuni Database!"));
    EXPECT_EQ(host.menus, 0);
}

TEST(Startup, AnErrorInAStepIsLoggedAsFormLoadAndSkipsTheRest)
{
    TestFolder tf;
    {
        auto ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        ctx->openDatabase("Metadati.mdb")->execute("DROP TABLE DBMainMenu");
    }
    auto ctx = tf.context();
    RecordingHost host;
    MenuBar bar;
    tf.prompt.answerFolder(QString()); // no map folder, if the sample has none
    EXPECT_EQ(RunStartup(*ctx, host, nullptr, bar), StartupOutcome::Running);
    EXPECT_EQ(host.splashes, 0);
    EXPECT_TRUE(
        QString::fromLatin1(tf.read("Files/Error.log")).contains("Module:frmMainMDI Function: Form_Load Error N."));
}

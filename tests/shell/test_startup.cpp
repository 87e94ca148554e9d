// The start of the program: its folders, the single instance, the menus and the error log.

#include "shell/startup.h"

#include "shell/context.h"
#include "shell/errorlog.h"
#include "shell/menus.h"
#include "shell/updatejournal.h"
#include "shell/utf8locale.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QObject>
#include <QProcess>
#include <QSysInfo>
#include <clocale>
#include <cstdlib>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

// Shows what the start reports through the folder's prompt and log, as the main window does.
struct RecordingHost : StartupHost {
    explicit RecordingHost(TestFolder &tf) : tf(tf) { }
    TestFolder &tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    int menus = 0, splashes = 0;
    void formatMainWindow() override { }
    void buildMenuBar(const MenuBar &) override { ++menus; }
    void showSplash() override { ++splashes; }
    QString chooseFolder(const QString &caption) override { return tf.prompt.browseFolder(caption); }
    void report(const Failure &failure, const QString &module) override
    {
        reportFailure(failure, ctx->log, &tf.prompt, module);
    }
};

// Runs the start on the folder; host counts the menu bars and splashes shown.
StartupOutcome start(RecordingHost &host, InstanceLock *lock = nullptr)
{
    MenuBar bar;
    return RunStartup(*host.ctx, host, lock, bar);
}

} // namespace

TEST(FolderFiles, ReadingTrimsLineEndsAndEndsWithOneSeparator)
{
    TestFolder tf(false);
    tf.write("Files/DBPath.dbc", "  /dati/quarnaro  \r\n\r\n");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/DBPath.dbc")), "/dati/quarnaro/");
    EXPECT_EQ(ReadFolderFile(tf.file("Files/Nessuno.dbc")), "");
    ASSERT_TRUE(WriteFolderFile(tf.file("Files/SHPath.dbc"), "/mappe/"));
    EXPECT_EQ(tf.read("Files/SHPath.dbc"), "/mappe/\r\n");
}

// An update left half way is undone, and the line saying so comes back for the caller's log.
TEST(RecoverInterruptedUpdate, AnUpdateLeftHalfWayIsUndoneAndSaidToTheCaller)
{
    TestFolder tf(false);
    ProgramPaths paths;
    paths.setProgramFolder(tf.path());
    EXPECT_FALSE(RecoverInterruptedUpdate(paths));
    const QString work = tf.file(".Databases-lavoro");
    {
        UpdateJournal journal(UpdateJournalPath(paths));
        ASSERT_TRUE(journal.lock());
        ASSERT_TRUE(journal.prepare({work}));
        ASSERT_TRUE(journal.begin({{work}, {}, {}}));
    }
    const std::optional<Failure> note = RecoverInterruptedUpdate(paths);
    ASSERT_TRUE(note);
    EXPECT_EQ(note->procedure, "RecoverInterruptedUpdate");
    EXPECT_EQ(note->number, "0");
    EXPECT_TRUE(note->message.contains("annullato")) << note->message.toStdString();
    EXPECT_FALSE(QFileInfo::exists(work));
    EXPECT_FALSE(QFile::exists(tf.file("Files/Error.log")));
}

// The program's own folder wins over the remembered one, which is left alone; without it the
// remembered folder serves, then the one the user picks; a cancelled or wrong pick ends the program.
TEST(FindDatabases, OwnThenRememberedThenChosenFolderAndCancelEndsTheProgram)
{
    TestFolder tf;
    auto ctx = tf.context();
    QStringList asked;
    QString answer;
    const FolderChooser choose = [&](const QString &caption) { return asked << caption, answer; };
    tf.write("Files/DBPath.dbc", "/altrove\r\n");
    ASSERT_TRUE(FindDatabases(*ctx, *ctx, choose));
    EXPECT_EQ(ctx->DbFolder, tf.file("Databases/"));
    EXPECT_EQ(tf.read("Files/DBPath.dbc"), "/altrove\r\n");
    QDir(tf.path()).rename("Databases", "Dati");
    tf.write("Files/DBPath.dbc", tf.file("Dati").toLocal8Bit() + "\r\n");
    ASSERT_TRUE(FindDatabases(*ctx, *ctx, choose));
    EXPECT_EQ(ctx->DbFolder, tf.file("Dati/"));
    EXPECT_TRUE(asked.isEmpty());

    // Nothing remembered: the picker is asked and the answer remembered.
    QFile::remove(tf.file("Files/DBPath.dbc"));
    answer = tf.file("Dati/");
    ASSERT_TRUE(FindDatabases(*ctx, *ctx, choose));
    EXPECT_EQ(asked, QStringList {"Selezionare la cartella contenente i Databases"});
    EXPECT_EQ(ReadFolderFile(tf.file("Files/DBPath.dbc")), tf.file("Dati/"));

    // A chosen folder without the metadata database, then a cancelled picker: the program ends.
    QFile::remove(tf.file("Files/DBPath.dbc"));
    for (const QString &wrong : {tf.file("Files/"), QString()}) {
        answer = wrong;
        const Status found = FindDatabases(*ctx, *ctx, choose);
        ASSERT_FALSE(found);
        EXPECT_EQ(found.failure().message, "Impossibile trovare i Databases\r\nL'Applicazione sarà chiusa.");
        EXPECT_EQ(found.failure().icon, Icon::Critical);
    }
    EXPECT_TRUE(tf.prompt.shown().empty()) << "the caller shows the failure";
}

TEST(FindShapeFiles, MissingMapsAreReportedAndTheStartGoesOn)
{
    TestFolder tf(false);
    auto ctx = tf.context();
    QStringList asked;
    QString answer;
    const FolderChooser choose = [&](const QString &caption) { return asked << caption, answer; };
    const std::optional<Failure> notice = FindShapeFiles(*ctx, *ctx, choose);
    EXPECT_EQ(ctx->ShapeFolder, "");
    EXPECT_EQ(asked, QStringList {"Selezionare la cartella contenente i File delle cartine"});
    ASSERT_TRUE(notice);
    EXPECT_EQ(notice->title + "|" + notice->message,
              "Attenzione|Nessun File delle cartine trovato. In questa sessione non sarà possibile vedere le cartine!");

    tf.write("Mappe/regioni.shp", "x");
    answer = tf.file("Mappe/");
    EXPECT_FALSE(FindShapeFiles(*ctx, *ctx, choose));
    EXPECT_EQ(ctx->ShapeFolder, tf.file("Mappe/"));
    asked.clear();
    ctx->ShapeFolder.clear();
    EXPECT_FALSE(FindShapeFiles(*ctx, *ctx, choose)); // remembered now
    EXPECT_EQ(ctx->ShapeFolder, tf.file("Mappe/"));
    EXPECT_TRUE(asked.isEmpty());
}

TEST(InstanceLock, ASecondInstanceIsRefusedAndACrashedOneDoesNotBlock)
{
    TestFolder tf;
    QString path;
    {
        InstanceLock first(tf.path());
        ASSERT_TRUE(first.tryLock());
        path = first.path();
        InstanceLock second(tf.path());
        RecordingHost host(tf);
        EXPECT_EQ(start(host, &second), StartupOutcome::Exit);
        EXPECT_EQ(tf.prompt.messages(), QStringList {"Programma già aperto! La nuova istanza sarà chiusa."});
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

// A link to a missing database ends the start; an error in a later step is logged as Form_Load
// and skips the rest.
TEST(Startup, AMissingDatabaseEndsTheStartAnErrorInAStepSkipsTheRest)
{
    {
        TestFolder tf;
        QFile::remove(tf.file("Databases/territorio.sqlite"));
        RecordingHost host(tf);
        EXPECT_EQ(start(host), StartupOutcome::Exit);
        EXPECT_EQ(host.menus, 0);
        // The fatal message first, then the store's error, logged where it always was.
        const QStringList shown = tf.prompt.messages();
        ASSERT_EQ(shown.size(), 2);
        EXPECT_TRUE(shown[0].startsWith("Sono mancanti alcuni Database!")) << shown[0].toStdString();
        EXPECT_TRUE(shown[1].startsWith("Errore : ")) << shown[1].toStdString();
        EXPECT_TRUE(tf.read("Files/Error.log").contains("Module:Utility Function: RefreshLinkOnDB_2"));
    }
    TestFolder tf;
    {
        auto ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        ctx->openDatabase("Metadati.mdb")->execute("DROP TABLE DBMainMenu");
    }
    RecordingHost host(tf);
    tf.prompt.answerFolder(QString()); // no map folder, if the sample has none
    EXPECT_EQ(start(host), StartupOutcome::Running);
    EXPECT_EQ(host.splashes, 0);
    EXPECT_TRUE(tf.read("Files/Error.log").contains("Module:frmMainMDI Function: Form_Load Error N."));
}

namespace {

// A metadata database holding only the given menu rows and two configured databases.
struct MenuFixture {
    TestFolder tf {false};
    std::unique_ptr<AppContext> ctx;
    MenuBar bar;
    void build() { BuildMenus(*ctx, *ctx, bar); }
    struct Row {
        int id, parent, order;
        QString caption;
        int sep = 0, dis = 0, chk = 0;
        QString form = {}, db = {}, tipo = {};
        QVariant level = {};
    };
    explicit MenuFixture(const std::vector<Row> &rows)
    {
        ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        auto c = Connection::create(tf.file("Databases/Metadati.sqlite"), NumberFormat::comma());
        c->executeScript(
            "CREATE TABLE DBMainMenu (IdMenu INTEGER, IdMenuParent INTEGER, Orderb INTEGER, DescName TEXT, "
            "isSeparator INTEGER, isDisable INTEGER, isChecked INTEGER, FormToOpen TEXT, DBname TEXT, "
            "TipoDb TEXT, LivTerritoriale TEXT);"
            "CREATE TABLE DbConfigs (dbnames TEXT, dbdesc TEXT, c2, c3, c4, c5, c6, c7, c8, c9, caption TEXT);"
            "INSERT INTO DbConfigs VALUES ('A.mdb', 'a', 0,0,0,0,0,0,0,0, 'Didascalia A'),"
            "('B.mdb', 'b', 0,0,0,0,0,0,0,0, 'Didascalia B');");
        for (const Row &r : rows)
            c->execute("INSERT INTO DBMainMenu VALUES (?,?,?,?,?,?,?,?,?,?,?)",
                       {r.id, r.parent, r.order, r.caption, r.sep, r.dis, r.chk, r.form, r.db, r.tipo, r.level});
    }
};

} // namespace

TEST(BuildMenus, DropDownsAreNumberedInCreationOrderAndItemsFillTheArrays)
{
    MenuFixture f({
        {2, -1, 2, "Dati"}, // drop-down 1 (after "File")
        {1, -1, 1, "File"}, // drop-down 0
        {0, 0, 1, "Info", 0, 0, 0, "FRMINFO"}, // item 1
        {5, 1, 1, "Annidato"}, // drop-down 2 inside "Dati"
        {6, 1, 2, "", 1}, // separator in "Dati"
        {7, 1, 3, "Spento", 0, 1}, // disabled text in "Dati"
        {0, 2, 1, "Tabella", 0, 0, 1, "FORMDATITAB", "A.mdb", "Variabili", "P"}, // item 3, checked
        {0, 1, 4, "Grigia", 0, 1, 1, "GLOSSARIO"}, // item 2 (parent 1 comes first), disabled
    });
    f.build();
    MenuBar &bar = f.bar;
    ASSERT_EQ(bar.top.size(), 2u);
    EXPECT_EQ(bar.top[0]->caption + "|" + bar.top[1]->caption, "File|Dati");
    using K = MenuNode::Kind;
    std::vector<std::tuple<K, int, bool>> dati; // kind, command, checked
    for (const auto &n : bar.top[1]->children)
        dati.emplace_back(n->kind, n->command, n->checked);
    // A disabled entry is never shown checked.
    EXPECT_EQ(dati,
              (decltype(dati) {{K::DropDown, 0, false},
                               {K::Separator, 0, false},
                               {K::DisabledText, 0, false},
                               {K::DisabledText, 2, false}}));
    const MenuNode &item = *bar.top[1]->children[0]->children.at(0);
    EXPECT_TRUE(item.command == 3 && item.checked);
    const auto &m = f.ctx->menu;
    EXPECT_EQ(QStringList({m.form[2], m.form[3], m.db[3], m.level[3], m.level[1]}),
              QStringList({"GLOSSARIO", "FORMDATITAB", "A.mdb", "P", ""}));
}

// A thirty-first item of a drop-down, or a row naming a missing drop-down.
TEST(BuildMenus, ABadRowFailsKeepingTheMenusBuilt)
{
    std::vector<MenuFixture::Row> rows {{1, -1, 1, "Molte"}};
    for (int i = 1; i <= 31; ++i)
        rows.push_back({0, 0, i, QString("Voce %1").arg(i), 0, 0, 0, "X"});
    MenuFixture f(rows);
    EXPECT_THROW(f.build(), DbError);
    EXPECT_EQ(f.bar.top.at(0)->children.size(), 30u);

    MenuFixture g({{1, -1, 1, "Uno"}, {0, 4, 1, "Orfana", 0, 0, 0, "X"}});
    EXPECT_THROW(g.build(), DbError);
    EXPECT_EQ(g.bar.top.size(), 1u);
}

TEST(MenuDispatch, ContextRulesOfTheCommandItems)
{
    MenuFixture f({
        {1, -1, 1, "M"},
        {0, 0, 1, "Uno", 0, 0, 0, "formdatitab", "A.mdb", "Variabili", "P"},
        {0, 0, 2, "Due", 0, 0, 0, "FormDatiTab", "B.mdb", "Indicatori", QVariant()},
        {0, 0, 3, "Tre", 0, 0, 0, "glossario", "A.mdb", "Variabili", "R"},
        {0, 0, 4, "Quattro", 0, 0, 0, "SCONOSCIUTA", "nessuno", "Altro", "P"},
    });
    f.build();
    AppContext &ctx = *f.ctx;
    // Item 1 never changes the database context, whatever its DBname; a null level becomes "T";
    // items 2 and 3 ask the grid to restore its database; a DBname without ".mdb" leaves the
    // previous context; the keyword is answered as it is.
    const struct {
        int item;
        QString keyword, db, tipo, level, restore, caption;
    } cases[] = {{1, "FORMDATITAB", "", "", "P", "no", ""},
                 {2, "FORMDATITAB", "B.mdb", "Indicatori", "T", "yes", "Didascalia B"},
                 {3, "GLOSSARIO", "A.mdb", "Variabili", "R", "yes", "Didascalia A"},
                 {4, "SCONOSCIUTA", "A.mdb", "Variabili", "P", "no", "Didascalia A"}};
    for (const auto &c : cases) {
        EXPECT_EQ(applyMenuCommand(ctx, ctx, c.item), c.keyword);
        EXPECT_EQ(QStringList({ctx.CurrentDb, ctx.CurrentTipo, ctx.CurrentLevel, ctx.restoresQueryDb ? "yes" : "no", ctx.DbCaption}),
                  QStringList({c.db, c.tipo, c.level, c.restore, c.caption}))
            << c.item;
    }
    EXPECT_EQ(applyMenuCommand(ctx, ctx, 31), "");
    // Without the metadata database no caption is read, and the command still goes on silently.
    ctx.DbFolder = f.tf.file("NonEsiste/");
    EXPECT_EQ(applyMenuCommand(ctx, ctx, 2), "FORMDATITAB");
    EXPECT_EQ(ctx.CurrentDb + ctx.CurrentLevel, "B.mdbT");
    EXPECT_TRUE(f.tf.prompt.shown().empty());
}

namespace {
ErrorLog fixedLog(TestFolder &tf)
{
    ErrorLog log;
    log.setFilesFolder(tf.file("Files/"));
    log.setPrompt(&tf.prompt);
    log.setLocale(QLocale(QLocale::Italian, QLocale::Italy));
    log.setClock([] { return QDateTime(QDate(2026, 12, 6), QTime(9, 5, 7)); });
    return log;
}
} // namespace

TEST(ErrorLog, LinesAreWrittenByteForByteInOrderWithOneMessageEach)
{
    TestFolder tf(false);
    ErrorLog log = fixedLog(tf);
    QObject window;
    window.setObjectName("FormdatiTab");
    log.logError("Utility", "GetDbConnection", "-2147467259", "Impossibile trovare il file.");
    log.logError(&window, "objtree_NodeClick", "3265", "Elemento non trovato; città");
    EXPECT_EQ(tf.read("Files/Error.log"),
              "06/12/26 09:05:07 - Module:Utility Function: GetDbConnection Error N.-2147467259 "
              "Description:Impossibile trovare il file.\r\n"
              "06/12/26 09:05:07 - Module:FormdatiTab Function: objtree_NodeClick Error N.3265 "
              "Description:Elemento non trovato; citt\xe0\r\n");
    ASSERT_EQ(tf.prompt.shown().size(), 2u);
    EXPECT_EQ(tf.prompt.shown()[0].title + tf.prompt.shown()[0].text,
              "Errore : Impossibile trovare il file. Il File Error.log è stato riempito.");

    // The map file is deleted before each line.
    tf.write("Files/MAPINFO.dbc", "stale");
    log.logError("Utility", "b", "2", "y");
    EXPECT_FALSE(QFile::exists(tf.file("Files/MAPINFO.dbc")));

    // A folder that cannot be written loses the line but still tells the user, pointer back to normal.
    log.setFilesFolder(tf.file("NonEsiste/Files/"));
    tf.prompt.setBusy(true);
    log.logError("Utility", "a", "1", "x");
    EXPECT_EQ(tf.prompt.messages().size(), 4);
    EXPECT_FALSE(QFile::exists(tf.file("NonEsiste/Files/Error.log")));
    EXPECT_FALSE(tf.prompt.busy());
}

// The words of a failing library go to the logs, never to the user; a failure the caller tells
// the user itself is only written down; the debug trace writes nothing while off.
TEST(ErrorLog, DetailIsLoggedNotShownAndRecordShowsNothing)
{
    TestFolder tf(false);
    ErrorLog log = fixedLog(tf);
    log.setDebugTrace(false);
    log.debug("frmMainMDI", "Mdi_Load", "001");
    EXPECT_FALSE(QFile::exists(tf.file("Files/Debug.log")));
    log.setDebugTrace(true);
    log.logError("frm_Mappa", "Form_Load", "0", "Impossibile leggere ShapeConfig.xml.",
                 "Error parsing element attribute");
    log.writeError("PrintMappa", "cmdSalva_Click", "0", "Immagine p.bmp non salvata correttamente.",
               "No such file or directory");
    EXPECT_EQ(tf.read("Files/Error.log"),
              "06/12/26 09:05:07 - Module:frm_Mappa Function: Form_Load Error N.0 "
              "Description:Impossibile leggere ShapeConfig.xml. [Error parsing element attribute]\r\n"
              "06/12/26 09:05:07 - Module:PrintMappa Function: cmdSalva_Click Error N.0 "
              "Description:Immagine p.bmp non salvata correttamente. [No such file or directory]\r\n");
    EXPECT_TRUE(tf.read("Files/Debug.log").contains("Debug:Immagine p.bmp non salvata correttamente. [No such"));
    EXPECT_EQ(tf.prompt.messages(),
              QStringList {"Errore : Impossibile leggere ShapeConfig.xml. Il File Error.log è stato riempito."});
}

// A file is replaced only when written whole: a writer that fails midway leaves the earlier
// file as it was and nothing beside it; a folder that cannot be written says so.
TEST(FileWrite, WholeOrNotAtAll)
{
    TestFolder tf(false);
    const QString file = tf.file("Files/SHPath.dbc");
    ASSERT_TRUE(WriteFolderFile(file, "/mappe/"));
    const WriteResult broken = writeWholeFile(file, [](QIODevice &out, QString &detail) {
        out.write("/mezza/cart");
        detail = QStringLiteral("disco pieno");
        return false;
    });
    EXPECT_EQ(broken.message + "|" + broken.detail, QStringLiteral("Impossibile scrivere il file %1.|disco pieno").arg(file));
    EXPECT_EQ(tf.read("Files/SHPath.dbc"), "/mappe/\r\n");
    EXPECT_EQ(QDir(tf.file("Files")).entryList(QDir::Files), QStringList {"SHPath.dbc"});

    const WriteResult noFolder = WriteFolderFile(tf.file("Manca/SHPath.dbc"), "/mappe/");
    EXPECT_TRUE(!noFolder && !noFolder.detail.isEmpty());
}

// A session in the C locale: the character set becomes UTF-8 for this process and for the
// programs it starts (mdbtools refuses non-ASCII table names otherwise), while the other
// categories keep the C locale the session asked for.
TEST(Utf8Locale, CharacterSetOfTheProcessAndItsChildren)
{
    QProcessEnvironment saved = QProcessEnvironment::systemEnvironment();
    for (const char *v : {"LANG", "LC_CTYPE", "LC_NUMERIC", "LANGUAGE"})
        unsetenv(v);
    setenv("LC_ALL", "C", 1);
    EXPECT_TRUE(useUtf8CharacterSet());
    EXPECT_EQ(qgetenv("LC_ALL"), QByteArray());
    EXPECT_EQ(qgetenv("LC_NUMERIC"), QByteArray("C"));
    EXPECT_EQ(QByteArray(std::setlocale(LC_NUMERIC, nullptr)), QByteArray("C"));
    QProcess charmap;
    charmap.start(QStringLiteral("locale"), {QStringLiteral("charmap")});
    ASSERT_TRUE(charmap.waitForFinished(10000));
    EXPECT_EQ(charmap.readAllStandardOutput().trimmed(), QByteArray("UTF-8"));
    for (const char *v : {"LANG", "LC_ALL", "LC_CTYPE", "LC_NUMERIC", "LANGUAGE"}) {
        const QString name = QString::fromLatin1(v);
        if (saved.contains(name))
            setenv(v, saved.value(name).toLocal8Bit().constData(), 1);
        else
            unsetenv(v);
    }
    std::setlocale(LC_ALL, "");
}

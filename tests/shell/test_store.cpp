#include "shell/context.h"
#include "shell/links.h"
#include "shell/sqltext.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

// A store file with the given statements, in the store's own dialect.
void makeStore(const QString &path, const QString &script)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    auto c = Connection::create(path, NumberFormat::comma());
    if (!script.isEmpty())
        c->executeScript(script);
}

} // namespace

TEST(StoreLocator, FindsTheStoreFileOfALogicalNameWithoutRegardToCase)
{
    TestFolder tf(false);
    makeStore(tf.file("Databases/territorio.sqlite"), QString());
    EXPECT_EQ(StoreLocator::resolve(tf.file("Databases"), "TERRITORIO.MDB"), tf.file("Databases/territorio.sqlite"));
    EXPECT_TRUE(StoreLocator::resolve(tf.file("Databases/"), "Metadati.mdb").isEmpty());
}

TEST(StoreLocator, AnAccessFileIsHandedToTheInstalledReader)
{
    TestFolder tf(false);
    tf.write("Databases/Vecchio.mdb", "not really access");
    QString seen;
    StoreLocator::setAccessImporter([&](const QString &mdb, QString *) {
        seen = mdb;
        return QStringLiteral("/converted.sqlite");
    });
    // An .accdb file answers the same logical name; asking whether it exists reads nothing.
    tf.write("Databases/Nuovo.ACCDB", "not really access either");
    seen.clear();
    EXPECT_TRUE(StoreLocator::exists(tf.file("Databases/"), "Nuovo.mdb"));
    EXPECT_FALSE(StoreLocator::exists(tf.file("Databases/"), "Altro.mdb"));
    EXPECT_TRUE(seen.isEmpty());
    EXPECT_EQ(StoreLocator::resolve(tf.file("Databases/"), "nuovo.mdb"), "/converted.sqlite");
    EXPECT_EQ(seen, tf.file("Databases/Nuovo.ACCDB"));
    // A store file of the same name is preferred, and the reader is not asked.
    makeStore(tf.file("Databases/Nuovo.sqlite"), QString());
    seen.clear();
    EXPECT_EQ(StoreLocator::resolve(tf.file("Databases/"), "Nuovo.mdb"), tf.file("Databases/Nuovo.sqlite"));
    EXPECT_TRUE(seen.isEmpty());
    // A file the reader cannot read is an unreadable database, with the reader's reason.
    StoreLocator::setAccessImporter([&](const QString &, QString *error) {
        *error = QStringLiteral("Il file non è un database valido (troncato).");
        return QString();
    });
    try {
        StoreLocator::resolve(tf.file("Databases/"), "Vecchio.mdb");
        ADD_FAILURE();
    } catch (const DbError &e) {
        EXPECT_EQ(e.kind(), DbError::Kind::NotDatabase);
        EXPECT_EQ(e.description(), "Il file non è un database valido (troncato).");
    }
    StoreLocator::setAccessImporter(nullptr);
}

TEST(Connection, MissingEmptyOrForeignFilesFailWithAClearMessage)
{
    TestFolder tf(false);
    tf.write("Databases/vuoto.sqlite", "");
    tf.write("Databases/testo.sqlite",
             QByteArray("Questo non è un database, ma un file di testo qualsiasi.\n").repeated(40));
    const struct {
        const char *file;
        DbError::Kind kind;
        const char *says;
    } cases[] = {
        {"nessuno.sqlite", DbError::Kind::NotFound, "Impossibile trovare"},
        {"vuoto.sqlite", DbError::Kind::NotDatabase, "vuoto"},
        {"testo.sqlite", DbError::Kind::NotDatabase, "non è un database valido"},
    };
    for (const auto &c : cases) {
        try {
            Connection::open(tf.file(QString("Databases/") + c.file), NumberFormat::comma());
            ADD_FAILURE() << c.file;
        } catch (const DbError &e) {
            EXPECT_EQ(e.kind(), c.kind) << c.file;
            EXPECT_TRUE(e.description().contains(QString::fromUtf8(c.says))) << e.description().toStdString();
        }
    }
    // Opening never creates a file.
    EXPECT_FALSE(QFile::exists(tf.file("Databases/nessuno.sqlite")));
}

TEST(Recordset, FieldsByIndexAndNameWithBofEofAndNulls)
{
    TestFolder tf(false);
    makeStore(tf.file("x.sqlite"),
              "CREATE TABLE t (a TEXT, b REAL); INSERT INTO t VALUES ('uno', 1.5);"
              "INSERT INTO t VALUES (NULL, 2);");
    auto c = Connection::open(tf.file("x.sqlite"), NumberFormat::comma());
    Recordset rs = c->query("select a, b from t order by b");
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_FALSE(rs.eof());
    EXPECT_EQ(rs.text("A"), "uno");
    EXPECT_DOUBLE_EQ(rs.value(1).toDouble(), 1.5);
    rs.moveNext();
    EXPECT_TRUE(rs.isNull(0));
    EXPECT_EQ(rs.text(0), "");
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.value(0), DbError);
    rs.moveFirst();
    EXPECT_THROW(rs.value("nessuno"), DbError);
    EXPECT_THROW(rs.value(7), DbError);
    Recordset none = c->query("select a from t where 1 = 0");
    EXPECT_TRUE(none.bof());
    EXPECT_TRUE(none.eof());
}

TEST(GetDbConnection, EmptyFolderMeansTheDatabasesFolderAndAFullStringIsUsedAsItIs)
{
    TestFolder tf(false);
    makeStore(tf.file("Databases/Dati.sqlite"), "CREATE TABLE t (x TEXT); INSERT INTO t VALUES ('db');");
    makeStore(tf.file("Altrove/Dati.sqlite"), "CREATE TABLE t (x TEXT); INSERT INTO t VALUES ('altrove');");
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    EXPECT_EQ(ctx->GetDbConnection("Dati.mdb")->query("select x from t").text(0), "db");
    EXPECT_EQ(ctx->GetDbConnection("Dati.mdb", tf.file("Altrove/"))->query("select x from t").text(0), "altrove");
    EXPECT_EQ(ctx->GetDbConnection(ctx->OdbcPrefix + tf.file("Altrove/Dati.mdb"), QString(), true)
                  ->query("select x from t")
                  .text(0),
              "altrove");
    EXPECT_TRUE(tf.prompt.shown().empty());
}

TEST(GetDbConnection, AFailureIsLoggedAndTheNextOperationFailsInTheCaller)
{
    TestFolder tf(false);
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    auto c = ctx->GetDbConnection("Mancante.mdb");
    ASSERT_TRUE(c);
    EXPECT_FALSE(c->isOpen());
    EXPECT_THROW(c->query("select 1"), DbError);
    const QString log = QString::fromLatin1(tf.read("Files/Error.log"));
    EXPECT_TRUE(log.contains(" - Module:Utility Function: GetDbConnection Error N.")) << log.toStdString();
    ASSERT_EQ(tf.prompt.messages().size(), 1);
    EXPECT_TRUE(tf.prompt.messages()[0].contains("Mancante.mdb"));
}

class LinksTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeStore(tf.file("Databases/territorio.sqlite"),
                  "CREATE TABLE land_Ind (COD_TERR TEXT COLLATE NOCASE, DES_TERR TEXT COLLATE NOCASE);"
                  "INSERT INTO land_Ind VALUES ('01', 'Piemonte'), ('13', 'Abruzzo');");
        makeStore(tf.file("Databases/Dati.sqlite"),
                  "CREATE TABLE AS_2005 (COD_TERR TEXT, AS013 REAL);"
                  "INSERT INTO AS_2005 VALUES ('01', 3.25);");
        makeStore(tf.file("Databases/Metadati.sqlite"),
                  "CREATE TABLE tablelink (a TEXT, b TEXT, c TEXT);"
                  "INSERT INTO tablelink VALUES ('land_Ind', 'Territorio.mdb', 'Dati.mdb');");
        ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
    }
    TestFolder tf {false};
    std::unique_ptr<AppContext> ctx;
};

TEST_F(LinksTest, ALinkedTableIsNamedDirectlyInQueries)
{
    ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
    auto c = ctx->GetDbConnection("Dati.mdb");
    Recordset rs = c->query(
        "SELECT land_Ind.DES_TERR, Format(AS_2005.AS013, '0.00') as AS013_2005 FROM AS_2005 "
        "INNER JOIN land_Ind  ON AS_2005.COD_TERR = land_Ind.COD_TERR WHERE land_Ind.DES_TERR IN( 'piemonte')");
    ASSERT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.text(0), "Piemonte");
    EXPECT_EQ(rs.text(1), "3,25");
}

TEST_F(LinksTest, ALinkDifferingOnlyInCaseStaysAndOneToAnotherFolderIsRemade)
{
    std::vector<LinkDef> &links = ctx->links.of(tf.file("Databases/Dati.sqlite"));
    links.push_back(
        {"LAND_IND", "MS ACCESS;PWD=GIRASOLEB2718;DATABASE=" + ctx->DbFolder + "Territorio.mdb", "land_Ind"});
    ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].name, "LAND_IND") << "untouched: the same connect string but for case";

    makeStore(tf.file("Altrove/territorio.sqlite"), "CREATE TABLE land_Ind (COD_TERR TEXT, DES_TERR TEXT);");
    links[0] = {"land_Ind", "ms access;pwd=x;DATABASE=" + tf.file("Altrove/territorio.mdb"), "land_Ind"};
    EXPECT_EQ(ctx->openDatabase("Dati.mdb")->query("select count(*) from land_Ind").value(0).toInt(), 0);
    ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].connect, linkConnectString(*ctx, "Territorio.mdb"));
    EXPECT_EQ(ctx->openDatabase("Dati.mdb")->query("select count(*) from land_Ind").value(0).toInt(), 2);
}

TEST_F(LinksTest, AMissingDatabaseEndsTheProgramKeepingTheLinksMadeBefore)
{
    ctx->openDatabase("Metadati.mdb")
        ->execute("INSERT INTO tablelink VALUES ('land_Ind', 'Territorio.mdb', 'Sparito.mdb')");
    EXPECT_FALSE(RefreshLinkOnDB_2(*ctx));
    ASSERT_GE(tf.prompt.shown().size(), 1u);
    const auto &fatal = tf.prompt.shown()[0];
    EXPECT_EQ(fatal.title, "Attenzione");
    EXPECT_EQ(fatal.icon, Icon::Critical);
    EXPECT_EQ(fatal.text,
              "Sono mancanti alcuni Database!\r\nControllare l'esistenza dei Database nella cartella : \r\n"
                  + ctx->DbFolder + " \r\n\r\nL'applicazione sarà chiusa.");
    EXPECT_TRUE(QString::fromLatin1(tf.read("Files/Error.log")).contains("Function: RefreshLinkOnDB_2"));
    EXPECT_EQ(ctx->openDatabase("Dati.mdb")->query("select count(*) from land_Ind").value(0).toInt(), 2);
    // A link whose source database is missing is refused the same way.
    ctx->openDatabase("Metadati.mdb")->execute("DELETE FROM tablelink WHERE c = 'Sparito.mdb'");
    ctx->openDatabase("Metadati.mdb")->execute("INSERT INTO tablelink VALUES ('Settore', 'Mancante.mdb', 'Dati.mdb')");
    EXPECT_FALSE(RefreshLinkOnDB_2(*ctx));
}

TEST_F(LinksTest, DeleteAreaQueryRemovesOnlyListedSavedQueries)
{
    ctx->openDatabase("Dati.mdb")
        ->executeScript(
            "CREATE VIEW qryAreaNord AS SELECT 1; CREATE VIEW qryAreaSud AS SELECT 2; CREATE VIEW Altra AS SELECT 3;");
    tf.write("Files/AreaQuery.txt", "qryArea;Nord\n\nqryArea;Sud\n");
    ctx->areaQuery.setFilesFolder(ctx->FilesFolder);
    ctx->areaQuery.start();
    ASSERT_EQ(ctx->areaQuery.list().size(), 3u);
    DeleteAreaQuery(*ctx); // no database chosen: nothing happens
    EXPECT_EQ(ctx->openDatabase("Dati.mdb")->queryDefs().size(), 3);
    ctx->CurrentDb = "Dati.mdb";
    DeleteAreaQuery(*ctx);
    EXPECT_EQ(ctx->openDatabase("Dati.mdb")->queryDefs(), QStringList {"Altra"});
}

TEST(ReadOnlyConnection, RefusesWhatWouldWriteAndReadsTheRest)
{
    TestFolder tf(false);
    makeStore(tf.file("x.sqlite"), "CREATE TABLE t (n TEXT); INSERT INTO t VALUES ('a');");
    auto c = Connection::open(tf.file("x.sqlite"), NumberFormat::comma(), {}, Connection::Access::ReadOnly);
    for (const char *sql : {"DELETE FROM t", "UPDATE t SET n = 'b'", "DROP TABLE t", "INSERT INTO t VALUES ('c')",
                            "CREATE TABLE u (a)", "select n from t; delete from t", "PRAGMA user_version = 7"}) {
        try {
            c->queryNative(sql);
            ADD_FAILURE() << sql;
        } catch (const DbError &e) {
            EXPECT_EQ(e.kind(), DbError::Kind::ReadOnly) << sql;
        }
        EXPECT_THROW(c->execute(sql), DbError) << sql;
    }
    EXPECT_EQ(c->query("select n from t;").text(0), "a");
}

// Failing statements come back with an Italian text that keeps the name the engine reported.
TEST(EngineMessages, FailingStatementsAreDescribedInItalian)
{
    TestFolder tf(false);
    makeStore(tf.file("x.sqlite"), "CREATE TABLE t (n TEXT); CREATE TABLE u (n TEXT);");
    auto c = Connection::open(tf.file("x.sqlite"), NumberFormat::comma());
    const struct {
        const char *sql, *description;
    } cases[] = {
        {"select * from CO_2005", "Impossibile trovare la tabella o la query 'CO_2005'."},
        {"select nessuno from t", "Campo sconosciuto: 'nessuno'."},
        {"select n from t, u", "Il campo 'n' è presente in più tabelle dell'istruzione."},
        {"select * from t where", "Istruzione SQL incompleta."},
        {"select * fro t", "Errore di sintassi nell'istruzione SQL vicino a \"fro\"."},
        {"select Boh(1)", "Funzione non definita nell'espressione: 'Boh'."},
    };
    for (const auto &k : cases) {
        try {
            c->queryNative(k.sql);
            ADD_FAILURE() << k.sql;
        } catch (const DbError &e) {
            EXPECT_EQ(e.description().toStdString(), k.description) << k.sql;
        }
    }
    EXPECT_EQ(engineMessage("disk I/O error"), "Errore del database (disk I/O error).");
}

TEST(SqlText, ApostrophesAreDoubledInLiterals)
{
    EXPECT_EQ(sqlQuote("L'Aquila d'Abruzzo"), "'L''Aquila d''Abruzzo'");
    TestFolder tf(false);
    makeStore(tf.file("x.sqlite"), "CREATE TABLE t (n TEXT COLLATE NOCASE); INSERT INTO t VALUES ('L''Aquila');");
    auto c = Connection::open(tf.file("x.sqlite"), NumberFormat::comma());
    EXPECT_EQ(c->query("select n from t where n = " + sqlQuote("l'aquila")).recordCount(), 1);
}

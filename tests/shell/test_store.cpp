// The store and its Access dialect, the links between databases and the number format.

#include "shell/context.h"
#include "shell/links.h"
#include "shell/numberformat.h"
#include "shell/sqltext.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cmath>
#include <gtest/gtest.h>
#include <limits>
#include <optional>

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

// The store error thrown by f, if any.
template <class F> std::optional<DbError> errorOf(F &&f)
{
    try {
        f();
    } catch (const DbError &e) {
        return e;
    }
    return std::nullopt;
}

int count(const std::unique_ptr<Connection> &c, const QString &table)
{
    return c->query("select count(*) from " + table).value(0).toInt();
}

} // namespace

// A logical name finds its store file without regard to case; an Access file of that name
// (.mdb or .accdb) is handed to the installed reader, unless a store file of the name is there.
TEST(StoreLocator, FindsTheStoreFileOrHandsAnAccessFileToTheReader)
{
    TestFolder tf(false);
    const QString dir = tf.file("Databases/"), store = tf.file("Databases/territorio.sqlite");
    makeStore(store, QString());
    EXPECT_EQ(StoreLocator::resolve(tf.file("Databases"), "TERRITORIO.MDB"), store);
    EXPECT_TRUE(StoreLocator::resolve(dir, "Metadati.mdb").isEmpty());
    QString seen;
    StoreLocator::setAccessImporter([&](const QString &mdb, QString *) {
        seen = mdb;
        return QStringLiteral("/converted.sqlite");
    });
    tf.write("Databases/Nuovo.ACCDB", "not really access");
    EXPECT_TRUE(StoreLocator::exists(dir, "Nuovo.mdb"));
    EXPECT_TRUE(seen.isEmpty()) << "asking whether it exists reads nothing";
    EXPECT_EQ(StoreLocator::resolve(dir, "nuovo.mdb"), "/converted.sqlite");
    EXPECT_EQ(seen, tf.file("Databases/Nuovo.ACCDB"));
    tf.write("Databases/Territorio.mdb", "not really access");
    EXPECT_EQ(StoreLocator::resolve(dir, "Territorio.mdb"), store);
    // A file the reader cannot read is an unreadable database, with the reader's reason.
    StoreLocator::setAccessImporter([&](const QString &, QString *error) {
        *error = QStringLiteral("Il file non è un database valido (troncato).");
        return QString();
    });
    const auto e = errorOf([&] { StoreLocator::resolve(dir, "Nuovo.mdb"); });
    StoreLocator::setAccessImporter(nullptr);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->description(), "Il file non è un database valido (troncato).");
}

TEST(Connection, MissingEmptyOrForeignFilesFailWithAClearMessage)
{
    TestFolder tf(false);
    tf.write("vuoto.sqlite", "");
    tf.write("testo.sqlite", QByteArray("Questo non è un database, ma un file di testo qualsiasi.\n").repeated(40));
    const struct {
        const char *file;
        DbError::Kind kind;
        const char *says;
    } cases[] = {{"nessuno.sqlite", DbError::Kind::NotFound, "Impossibile trovare"},
                 {"vuoto.sqlite", DbError::Kind::NotDatabase, "vuoto"},
                 {"testo.sqlite", DbError::Kind::NotDatabase, "non è un database valido"}};
    for (const auto &c : cases) {
        const auto e = errorOf([&] { Connection::open(tf.file(c.file), NumberFormat::comma()); });
        ASSERT_TRUE(e) << c.file;
        EXPECT_EQ(e->kind(), c.kind) << c.file;
        EXPECT_TRUE(e->description().contains(QString::fromUtf8(c.says))) << e->description().toStdString();
    }
    EXPECT_FALSE(QFile::exists(tf.file("nessuno.sqlite"))) << "opening never creates a file";
}

// A store with a few small tables.
class SmallStore : public ::testing::Test {
protected:
    void SetUp() override
    {
        makeStore(tf.file("x.sqlite"),
                  "CREATE TABLE t (n TEXT COLLATE NOCASE, b REAL); CREATE TABLE u (n TEXT);"
                  "INSERT INTO t VALUES ('L''Aquila', 1.5), (NULL, 2);"
                  "CREATE TABLE v (x REAL, s TEXT); INSERT INTO v VALUES (1234.5, 'Strada statale'),"
                  "(NULL, 'abc'), (-0.004, 'x'), (2.675, 'Vallée');");
        c = Connection::open(tf.file("x.sqlite"), NumberFormat::comma());
    }
    TestFolder tf {false};
    std::unique_ptr<Connection> c;
};

TEST_F(SmallStore, RecordsetFieldsByIndexAndNameWithBofEofAndNulls)
{
    Recordset rs = c->query("select n, b from t order by b");
    ASSERT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.text("N"), "L'Aquila");
    rs.moveNext();
    EXPECT_TRUE(rs.isNull(0) && rs.text(0).isEmpty());
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_THROW(rs.value(0), DbError);
    rs.moveFirst();
    EXPECT_THROW(rs.value("nessuno"), DbError);
    EXPECT_TRUE(c->query("select n from t where 1 = 0").bof());
    EXPECT_EQ(sqlQuote("L'Aquila d'Abruzzo"), "'L''Aquila d''Abruzzo'");
    EXPECT_EQ(c->query("select n from t where n = " + sqlQuote("l'aquila")).recordCount(), 1);
}

// An empty folder means the databases folder, another folder is used as given; a
// failure is logged and shown, and the next operation fails in the caller.
TEST(GetDbConnection, FoldersAndFailures)
{
    TestFolder tf(false);
    makeStore(tf.file("Databases/Dati.sqlite"), "CREATE TABLE t (x TEXT); INSERT INTO t VALUES ('db');");
    makeStore(tf.file("Altrove/Dati.sqlite"), "CREATE TABLE t (x TEXT); INSERT INTO t VALUES ('altrove');");
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    auto x = [](const std::unique_ptr<Connection> &c) { return c->query("select x from t").text(0); };
    EXPECT_EQ(x(ctx->GetDbConnection("Dati.mdb")), "db");
    EXPECT_EQ(x(ctx->GetDbConnection("Dati.mdb", tf.file("Altrove/"))), "altrove");
    EXPECT_TRUE(tf.prompt.shown().empty());

    EXPECT_THROW(ctx->GetDbConnection("Mancante.mdb")->query("select 1"), DbError);
    EXPECT_TRUE(tf.read("Files/Error.log").contains(" - Module:Utility Function: GetDbConnection Error N."));
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
                  "CREATE TABLE AS_2005 (COD_TERR TEXT, AS013 REAL); INSERT INTO AS_2005 VALUES ('01', 3.25);");
        makeStore(tf.file("Databases/Metadati.sqlite"),
                  "CREATE TABLE tablelink (a TEXT, b TEXT, c TEXT);"
                  "INSERT INTO tablelink VALUES ('land_Ind', 'Territorio.mdb', 'Dati.mdb');");
        ctx->DbFolder = tf.file("Databases/");
    }
    std::unique_ptr<Connection> db(const char *name) { return ctx->openDatabase(name); }
    TestFolder tf {false};
    std::unique_ptr<AppContext> ctx = tf.context();
};

TEST_F(LinksTest, ALinkDifferingOnlyInCaseStaysAndOneToAnotherFolderIsRemade)
{
    std::vector<LinkDef> &links = ctx->links.of(tf.file("Databases/Dati.sqlite"));
    links.push_back(
        {"LAND_IND", "MS ACCESS;PWD=GIRASOLEB2718;DATABASE=" + ctx->DbFolder + "Territorio.mdb", "land_Ind"});
    ASSERT_TRUE(refreshLinkedTables(*ctx, *ctx));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].name, "LAND_IND") << "untouched: the same connect string but for case";

    makeStore(tf.file("Altrove/territorio.sqlite"), "CREATE TABLE land_Ind (COD_TERR TEXT, DES_TERR TEXT);");
    links[0] = {"land_Ind", "ms access;pwd=x;DATABASE=" + tf.file("Altrove/territorio.mdb"), "land_Ind"};
    EXPECT_EQ(count(db("Dati.mdb"), "land_Ind"), 0);
    ASSERT_TRUE(refreshLinkedTables(*ctx, *ctx));
    ASSERT_EQ(links.size(), 1u);
    EXPECT_EQ(links[0].connect, linkConnectString(*ctx, "Territorio.mdb"));
    EXPECT_EQ(count(db("Dati.mdb"), "land_Ind"), 2);
}

TEST_F(LinksTest, AMissingDatabaseEndsTheProgramKeepingTheLinksMadeBefore)
{
    db("Metadati.mdb")->execute("INSERT INTO tablelink VALUES ('land_Ind', 'Territorio.mdb', 'Sparito.mdb')");
    const LinkRefresh refresh = refreshLinkedTables(*ctx, *ctx);
    ASSERT_FALSE(refresh);
    EXPECT_EQ(refresh.message->icon, Icon::Critical);
    EXPECT_EQ(refresh.message->message,
              "Sono mancanti alcuni Database!\r\nControllare l'esistenza dei Database nella cartella : \r\n"
                  + ctx->DbFolder + " \r\n\r\nL'applicazione sarà chiusa.");
    ASSERT_TRUE(refresh.logLine);
    EXPECT_EQ(refresh.logLine->procedure, "RefreshLinkOnDB_2");
    EXPECT_TRUE(refresh.logLine->message.contains("Sparito")) << refresh.logLine->message.toStdString();
    EXPECT_TRUE(tf.prompt.shown().empty()) << "the caller shows the failure";
    EXPECT_EQ(count(db("Dati.mdb"), "land_Ind"), 2);
    // A link whose source database is missing is refused the same way.
    db("Metadati.mdb")
        ->execute("UPDATE tablelink SET a = 'Settore', b = 'Mancante.mdb', c = 'Dati.mdb' "
                  "WHERE c = 'Sparito.mdb'");
    EXPECT_FALSE(refreshLinkedTables(*ctx, *ctx));
}

TEST_F(LinksTest, DeleteAreaQueryRemovesOnlyListedSavedQueries)
{
    db("Dati.mdb")
        ->executeScript(
            "CREATE VIEW qryAreaNord AS SELECT 1; CREATE VIEW qryAreaSud AS SELECT 2; CREATE VIEW Altra AS SELECT 3;");
    tf.write("Files/AreaQuery.txt", "qryArea;Nord\n\nqryArea;Sud\n");
    ctx->areaQuery.setFilesFolder(ctx->FilesFolder);
    ctx->areaQuery.start();
    EXPECT_FALSE(DeleteAreaQuery(*ctx, *ctx, *ctx)); // no database chosen: nothing happens
    EXPECT_EQ(db("Dati.mdb")->queryDefs().size(), 3);
    ctx->CurrentDb = "Dati.mdb";
    EXPECT_FALSE(DeleteAreaQuery(*ctx, *ctx, *ctx));
    EXPECT_EQ(db("Dati.mdb")->queryDefs(), QStringList {"Altra"});
    // A database that is not there comes back as the log line, shown by nobody here.
    ctx->CurrentDb = "Sparito.mdb";
    const std::optional<Failure> failure = DeleteAreaQuery(*ctx, *ctx, *ctx);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->procedure, "DeleteAreaQuery");
    EXPECT_TRUE(tf.prompt.shown().empty());
}

TEST_F(SmallStore, AReadOnlyConnectionRefusesWhatWouldWriteAndReadsTheRest)
{
    auto r = Connection::open(tf.file("x.sqlite"), NumberFormat::comma(), {}, Connection::Access::ReadOnly);
    for (const char *sql : {"DELETE FROM t", "UPDATE t SET n = 'b'", "DROP TABLE t", "INSERT INTO t VALUES ('c', 1)",
                            "CREATE TABLE w (a)", "select n from t; delete from t", "PRAGMA user_version = 7"}) {
        const auto e = errorOf([&] { r->queryNative(sql); });
        EXPECT_TRUE(e && e->kind() == DbError::Kind::ReadOnly) << sql;
        EXPECT_THROW(r->execute(sql), DbError) << sql;
    }
    EXPECT_EQ(r->query("select count(*) from t;").text(0), "2");
}

// Failing statements come back with an Italian text that keeps the name the engine reported.
TEST_F(SmallStore, FailingStatementsAreDescribedInItalian)
{
    const std::pair<const char *, const char *> cases[] = {
        {"select * from CO_2005", "Impossibile trovare la tabella o la query 'CO_2005'."},
        {"select nessuno from t", "Campo sconosciuto: 'nessuno'."},
        {"select n from t, u", "Il campo 'n' è presente in più tabelle dell'istruzione."},
        {"select * from t where", "Istruzione SQL incompleta."},
        {"select * fro t", "Errore di sintassi nell'istruzione SQL vicino a \"fro\"."},
        {"select Boh(1)", "Funzione non definita nell'espressione: 'Boh'."}};
    for (const auto &[sql, description] : cases) {
        const auto e = errorOf([&, &sql = sql] { c->queryNative(sql); });
        EXPECT_EQ(e ? e->description().toStdString() : "", description) << sql;
    }
    EXPECT_EQ(engineMessage("disk I/O error"), "Errore del database (disk I/O error).");
}

// Text literals compare without case; Left and Right become functions, but not in brackets, after
// a dot, inside a literal or in a LEFT JOIN; an unterminated literal is copied as it is.
TEST(JetTranslation, LiteralsCompareWithoutCaseAndLeftRightBecomeFunctions)
{
    const std::pair<const char *, const char *> cases[] = {
        {"select nome from glossario where left(nome,1) ='a'",
         "select nome from glossario where jet_left(nome,1) ='a' COLLATE NOCASE"},
        {"select [Left] , t.Left (x) from t where n = 'L''Aquila'",
         "select [Left] , t.Left (x) from t where n = 'L''Aquila' COLLATE NOCASE"},
        {"a LEFT JOIN (b) ON x", "a LEFT JOIN (b) ON x"},
        {"RIGHT ( s , 2)", "jet_right ( s , 2)"},
        {"select 'abc", "select 'abc"}};
    for (const auto &[sql, translated] : cases)
        EXPECT_EQ(translateJetSql(sql), translated);
}

// Format writes fixed decimals with the program's mark; CDbl reads the program's format (exact
// decimals kept as text, imported currency, are read with their point; three decimals after a
// point are a group of thousands); InStr, Left and text compares ignore case.
TEST_F(SmallStore, FunctionsFollowTheProgramsNumberFormat)
{
    const std::pair<const char *, const char *> cases[] = {
        {"select Format(x, '0.00') from v where s = 'strada statale'", "1234,50"},
        {"select Format(x, '0.0000') from v where s = 'strada statale'", "1234,5000"},
        {"select Format(x, '0.00') from v where s = 'x'", "0,00"}, // no "-0,00"
        {"select Format(CDbl('1,5') / 4, '0.0000')", "0,3750"},
        {"select Format(CDbl(' -1.234,5 '), '0.0')", "-1234,5"},
        {"select Format(CDbl('32.3800'), '0.0000')", "32,3800"},
        {"select Format(CDbl('1234.5678'), '0.0000')", "1234,5678"},
        {"select Format(CDbl('1.234'), '0.0')", "1234,0"},
        {"select Format('18.0000', '0.00')", "18,00"},
        {"select InStr('E01- NO', '- no')", "4"},
        {"select InStr(5, 'abcabc', 'A')", "0"},
        {"select InStr(2, 'abcabc', 'A')", "4"},
        {"select Left('Vallée', 3)", "Val"},
        {"select count(*) from v where left(s,1) = 's'", "1"},
        {"select count(*) from v where s = 'VALLÉE'", "0"}, // only ASCII letters fold, as documented
        {"select count(*) from v where s like 'str%'", "1"}};
    for (const auto &[sql, text] : cases)
        EXPECT_EQ(c->query(sql).text(0), text) << sql;
    EXPECT_TRUE(c->query("select Format(x, '0.00') from v where s = 'abc'").isNull(0));
    EXPECT_THROW(c->query("select CDbl('abc')"), DbError);
    EXPECT_THROW(c->query("select CDbl(NULL)"), DbError);
    auto p = Connection::open(tf.file("x.sqlite"), NumberFormat::point());
    EXPECT_EQ(p->query("select Format(x, '0.00') from v where s = 'strada statale'").text(0), "1234.50");
    EXPECT_EQ(p->query("select Format(CDbl('1.5'), '0.0')").text(0), "1.5");
}

TEST(NumberFormat, ReadsAndWritesNumbersInEitherConvention)
{
    const NumberFormat c = NumberFormat::comma(), p = NumberFormat::point();
    const std::pair<const char *, double> good[] = {{"12,50", 12.5}, {"  -0,5 ", -0.5}, {"1.234,5", 1234.5},
                                                    {"+3", 3.0},     {",5", 0.5},       {"1,5E3", 1500.0}};
    for (const auto &[text, value] : good)
        EXPECT_EQ(c.toNumber(text), value) << text;
    for (const char *bad : {"", " ", "-", ",", "abc", "12,5,3", "1e", "12 3", "--1", "1.", "Inf"})
        EXPECT_FALSE(c.toNumber(bad).has_value()) << bad;
    EXPECT_EQ(p.toNumber("1,234.5"), 1234.5);
    // Fixed decimals with the mark of the convention, no group marks.
    EXPECT_EQ(c.fixed(-2.5, 0), "-3");
    EXPECT_EQ(c.fixed(1234567.891, 2), "1234567,89");
    EXPECT_EQ(p.fixed(10, 2), "10.00");
    EXPECT_EQ(c.fixed(std::numeric_limits<double>::infinity(), 2), "");
}

// The doubles nearest to these halves lie below or above them; what is rounded is the number's
// decimal value to 15 significant digits.
TEST(NumberFormat, RoundsTheFifteenDigitDecimalValueHalfAwayFromZero)
{
    const struct {
        double value;
        int decimals;
        const char *text;
    } cases[] = {{8.325, 2, "8.33"},
                 {201.445, 2, "201.45"},
                 {-8.325, 2, "-8.33"},
                 {1.005, 2, "1.01"},
                 {0.00015, 4, "0.0002"},
                 {-0.00015, 4, "-0.0002"},
                 {0.000049999, 4, "0.0000"},
                 {9.995, 2, "10.00"},
                 {-0.004, 2, "0.00"},
                 {2.675, 2, "2.68"},
                 {1e20, 2, "100000000000000000000.00"},
                 {4503599627370497.0, 0, "4503599627370500"}};
    // The buffer form gives the same texts, whatever the buffer held before.
    std::string buffer = "leftover text longer than any of the cases";
    for (const auto &c : cases) {
        EXPECT_EQ(qrn::roundedDecimal(c.value, c.decimals), c.text) << c.value;
        qrn::roundedDecimalTo(buffer, c.value, c.decimals);
        EXPECT_EQ(buffer, c.text) << c.value;
    }
    EXPECT_EQ(qrn::roundedDecimal(std::nan(""), 2), "");
    qrn::roundedDecimalTo(buffer, std::nan(""), 2);
    EXPECT_EQ(buffer, "");
}

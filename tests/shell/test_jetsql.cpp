// The Access dialect on the embedded store: the translation, the registered functions, and the
// statements the windows run, against the sample databases.

#include "shell/context.h"
#include "shell/links.h"
#include "shell/sqltext.h"
#include "support/testfolder.h"

#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

TEST(JetTranslation, LiteralsCompareWithoutCaseAndLeftRightBecomeFunctions)
{
    EXPECT_EQ(translateJetSql("select nome from glossario where left(nome,1) ='a'"),
              "select nome from glossario where jet_left(nome,1) ='a' COLLATE NOCASE");
    // A quote inside a literal, brackets and qualified names are left alone.
    EXPECT_EQ(translateJetSql("select [Left] , t.Left (x) from t where n = 'L''Aquila'"),
              "select [Left] , t.Left (x) from t where n = 'L''Aquila' COLLATE NOCASE");
    // A LEFT JOIN is not a call.
    EXPECT_EQ(translateJetSql("a LEFT JOIN (b) ON x"), "a LEFT JOIN (b) ON x");
    EXPECT_EQ(translateJetSql("RIGHT ( s , 2)"), "jet_right ( s , 2)");
    // An unterminated literal is copied as it is (the store then reports the error).
    EXPECT_EQ(translateJetSql("select 'abc"), "select 'abc");
}

class JetFunctions : public ::testing::Test {
protected:
    void SetUp() override
    {
        c = Connection::create(tf.file("x.sqlite"), NumberFormat::comma());
        c->executeScript("CREATE TABLE v (x REAL, s TEXT); INSERT INTO v VALUES (1234.5, 'Strada statale'),"
                         "(NULL, 'abc'), (-0.004, 'x'), (2.675, 'Vallée');");
    }
    QString one(const QString &sql) { return c->query(sql).text(0); }
    TestFolder tf{false};
    std::unique_ptr<Connection> c;
};

TEST_F(JetFunctions, FormatWritesFixedDecimalsWithTheProgramsMark)
{
    EXPECT_EQ(one("select Format(x, '0.00') from v where s = 'strada statale'"), "1234,50");
    EXPECT_EQ(one("select Format(x, '0.0000') from v where s = 'strada statale'"), "1234,5000");
    EXPECT_TRUE(c->query("select Format(x, '0.00') from v where s = 'abc'").isNull(0));
    EXPECT_EQ(one("select Format(x, '0.00') from v where s = 'x'"), "0,00"); // no "-0,00"
    EXPECT_EQ(one("select Format(CDbl('1,5') / 4, '0.0000')"), "0,3750");
    auto p = Connection::open(tf.file("x.sqlite"), NumberFormat::point());
    EXPECT_EQ(p->query("select Format(x, '0.00') from v where s = 'strada statale'").text(0), "1234.50");
    EXPECT_EQ(p->query("select Format(CDbl('1.5'), '0.0')").text(0), "1.5");
}

TEST_F(JetFunctions, CDblReadsTheProgramsFormatAndRejectsOtherText)
{
    EXPECT_DOUBLE_EQ(c->query("select CDbl('12,50')").value(0).toDouble(), 12.5);
    EXPECT_DOUBLE_EQ(c->query("select CDbl(' -1.234,5 ')").value(0).toDouble(), -1234.5);
    EXPECT_THROW(c->query("select CDbl('abc')"), DbError);
    EXPECT_THROW(c->query("select CDbl(NULL)"), DbError);
    // Exact decimals kept as text (imported currency) are read with their point; three
    // decimals after a point are a group of thousands in the program's format.
    const std::vector<std::pair<const char *, double>> exact = {
        {"select CDbl('32.3800')", 32.38}, {"select CDbl('-0.5')", -0.5}, {"select CDbl('1234.5678')", 1234.5678},
        {"select CDbl('1.234')", 1234.0},  {"select CDbl('1.234,5')", 1234.5},
    };
    for (const auto &[sql, value] : exact)
        EXPECT_DOUBLE_EQ(c->query(sql).value(0).toDouble(), value) << sql;
    EXPECT_EQ(one("select Format('18.0000', '0.00')"), "18,00");
}

TEST_F(JetFunctions, InStrLeftAndTextComparesIgnoreCase)
{
    EXPECT_EQ(one("select InStr('E01- NO', '- no')"), "4");
    EXPECT_EQ(one("select InStr('E01', '-NO')"), "0");
    EXPECT_EQ(one("select InStr(5, 'abcabc', 'A')"), "0");
    EXPECT_EQ(one("select InStr(2, 'abcabc', 'A')"), "4");
    EXPECT_EQ(one("select Left('Vallée', 3)"), "Val");
    EXPECT_EQ(one("select count(*) from v where left(s,1) = 's'"), "1");
    EXPECT_EQ(one("select count(*) from v where s = 'VALLÉE'"), "0"); // only ASCII letters fold, as documented
    EXPECT_EQ(one("select count(*) from v where s like 'str%'"), "1");
}

// The statements of the windows, on the sample databases.
class SampleSql : public ::testing::Test {
protected:
    void SetUp() override
    {
        ctx = tf.context();
        ctx->DbFolder = tf.file("Databases/");
        ASSERT_TRUE(RefreshLinkOnDB_2(*ctx));
    }
    TestFolder tf;
    std::unique_ptr<AppContext> ctx;
};

TEST_F(SampleSql, CatalogueTreeQueryGivesOneRowPerItemInOrder)
{
    auto c = ctx->GetDbConnection("Variabili.mdb");
    const QString T = "Variabili", S = "Variabil";
    const QString q =
        "SELECT Settore.idSettore, Settore.[Descrizione Settore], Argomento.[Codice argomento], Argomento.[Desc argomento], Metadati" + T + ".Id" + S + "e, Metadati" + T + ".Desc" + S + "e, IndVarAnno.TipoVar "
        "FROM ((Settore INNER JOIN Argomento ON Settore.idSettore = Argomento.idSettore) INNER JOIN IndVarAnno ON (Settore.idSettore = IndVarAnno.Settore) AND (Argomento.[Codice argomento] = IndVarAnno.Argomento)) INNER JOIN Metadati" + T + " ON IndVarAnno.Variabile = Metadati" + T + ".Id" + S + "e "
        "Where (((IndVarAnno.TipoVar) = 'V') and (IndVarAnno.LivTerritoriale) = 'P') "
        "GROUP BY Settore.idSettore, Settore.[Descrizione Settore], Argomento.[Codice argomento], Argomento.[Desc argomento], Metadati" + T + ".Id" + S + "e, Metadati" + T + ".Desc" + S + "e, IndVarAnno.TipoVar "
        "ORDER BY Settore.idSettore, Argomento.[Codice argomento], Metadati" + T + ".Id" + S + "e;";
    Recordset rs = c->query(q);
    const Recordset direct = c->query("select count(distinct Variabile) from IndVarAnno where TipoVar = 'V' and "
                                      "LivTerritoriale = 'P' and Variabile in (select IdVariabile from MetadatiVariabili)");
    ASSERT_GT(rs.recordCount(), 10);
    // items of an excluded topic are still in the tree
    EXPECT_EQ(rs.recordCount(), direct.value(0).toInt());
    QString last;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const QString key = rs.text(0) + "|" + rs.text(2) + "|" + rs.text(4);
        EXPECT_LT(last, key);
        last = key;
        EXPECT_EQ(rs.text(4).size(), 5);
    }
}

TEST_F(SampleSql, TheQueryBuildersShapeRunsAndFormatsTwoDecimals)
{
    auto c = ctx->GetDbConnection("Variabili.mdb");
    Recordset look = c->query("SELECT Tabella, Settore From IndVarAnno WHERE Variabile = 'AS013' and anno = 2005");
    ASSERT_FALSE(look.eof());
    const QString t = look.text(0);
    const QString sql = "SELECT land_Ind.COD_TIPO_TERR as TipoTerritorio, land_Ind.COD_TERR, land_Ind.PROV, land_Ind.REG, "
                        "land_Ind.COD_NUTS, land_Ind.DES_TERR as Territorio, Format(" + t + ".AS013, '0.00') as AS013_2005"
                        " FROM " + t + " INNER JOIN land_Ind  ON " + t + ".COD_TERR = land_Ind.COD_TERR"
                        " WHERE land_Ind.DES_TERR IN( 'Valle d''Aosta/Vallée d''Aoste', 'L''Aquila', 'roma')"
                        " order by land_Ind.COD_TERR";
    Recordset rs = c->query(sql);
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(rs.fieldNames(), QStringList({"TipoTerritorio", "COD_TERR", "PROV", "REG", "COD_NUTS", "Territorio", "AS013_2005"}));
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const QString v = rs.text(6);
        if (!v.isEmpty()) {
            EXPECT_TRUE(QRegularExpression("^-?\\d+,\\d\\d$").match(v).hasMatch()) << v.toStdString();
        }
    }
}

TEST_F(SampleSql, MetadataListLeavesOutExcludedTopicsAndGlossaryFindsLowerCaseInitials)
{
    auto m = ctx->GetDbConnection("Metadati.mdb");
    const int listed = m->query("SELECT IdVariabile FROM MetadatiVariabili WHERE InStr([CodiceArgomento],'- NO')=0 AND "
                                "InStr([CodiceArgomento],'-NO')=0 order by IdVariabile;").recordCount();
    const int all = m->query("SELECT IdVariabile FROM MetadatiVariabili").recordCount();
    EXPECT_LT(listed, all);
    EXPECT_GT(listed, 0);
    Recordset ind = m->query("SELECT IdIndicatore FROM MetadatiIndicatori WHERE InStr([Argomento],'- NO')=0 AND "
                             "InStr([Argomento],'-NO')=0 order by IdIndicatore;");
    EXPECT_GT(ind.recordCount(), 0);

    // The sheet query of the metadata browser for one variable.
    Recordset sheet = m->query(
        "SELECT MetadatiVariabili.DescVariabile, Argomento.[Codice argomento], [Desc argomento], Settore.idSettore, "
        "[Descrizione Settore], [1996] , [1997], [1998], [1999], [2000], [2001], [2002], [2003], [2004], [2005], [2006], "
        "[2007], [2008] FROM (Argomento INNER JOIN MetadatiVariabili ON Argomento.[Codice argomento] = "
        "MetadatiVariabili.CodiceArgomento) INNER JOIN Settore ON Argomento.idSettore = Settore.idSettore WHERE "
        "IdVariabile ='AS013';");
    ASSERT_EQ(sheet.recordCount(), 1);
    EXPECT_FALSE(sheet.text(0).isEmpty());

    // Every glossary term whose initial is a lower-case letter is found by its letter in upper case.
    Recordset terms = m->query("select nome from glossario order by 1;");
    int lowerInitials = 0;
    for (terms.moveFirst(); !terms.eof(); terms.moveNext()) {
        const QString n = terms.text(0);
        if (!n.isEmpty() && n[0].isLower() && n[0].unicode() < 128) {
            ++lowerInitials;
            const QString letter = n.left(1).toUpper();
            Recordset byLetter = m->query("Select nome from glossario where left(nome,1) ='" + letter + "'");
            bool found = false;
            for (byLetter.moveFirst(); !byLetter.eof(); byLetter.moveNext())
                found = found || byLetter.text(0) == n;
            EXPECT_TRUE(found) << n.toStdString();
        }
    }
    EXPECT_GT(lowerInitials, 0);
    EXPECT_GE(m->query("select count(*) from glossario").value(0).toInt(), 40);
}

TEST_F(SampleSql, TerritoriesAreTypedAsTheSelectionWindowExpects)
{
    auto t = ctx->GetDbConnection("territorio.mdb");
    auto count = [&](const QString &where) {
        return t->query("SELECT count(*) From land_Ind where " + where).value(0).toInt();
    };
    EXPECT_EQ(count("COD_TIPO_TERR=2 or COD_TIPO_TERR=22"), 20);
    EXPECT_EQ(count("COD_TIPO_TERR=2 or COD_TIPO_TERR=6"), 21);
    EXPECT_EQ(count("COD_TIPO_TERR=1 or COD_TIPO_TERR=6"), 107);
    EXPECT_EQ(count("COD_TIPO_TERR=22"), 1);
    EXPECT_EQ(count("COD_TIPO_TERR=6"), 2);
    EXPECT_EQ(count("COD_TIPO_TERR=4"), 6);
    EXPECT_GE(count("COD_TIPO_TERR=5"), 2);
    EXPECT_EQ(count("DES_TERR = 'Valle d''Aosta/Vallée d''Aoste'"), 1);
    EXPECT_EQ(count("DES_TERR = 'L''Aquila'"), 1);
}

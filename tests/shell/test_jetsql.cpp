// The Access dialect on the embedded store: the translation and the registered functions.

#include "shell/context.h"
#include "shell/sqltext.h"
#include "support/testfolder.h"

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
    TestFolder tf {false};
    std::unique_ptr<Connection> c;
};

// Format writes fixed decimals with the program's mark; CDbl reads the program's format (exact
// decimals kept as text, imported currency, are read with their point; three decimals after a
// point are a group of thousands); InStr, Left and text compares ignore case.
TEST_F(JetFunctions, FunctionsFollowTheProgramsNumberFormat)
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
        {"select InStr('E01', '-NO')", "0"},
        {"select InStr(5, 'abcabc', 'A')", "0"},
        {"select InStr(2, 'abcabc', 'A')", "4"},
        {"select Left('Vallée', 3)", "Val"},
        {"select count(*) from v where left(s,1) = 's'", "1"},
        {"select count(*) from v where s = 'VALLÉE'", "0"}, // only ASCII letters fold, as documented
        {"select count(*) from v where s like 'str%'", "1"},
    };
    for (const auto &[sql, text] : cases)
        EXPECT_EQ(one(sql), text) << sql;
    EXPECT_TRUE(c->query("select Format(x, '0.00') from v where s = 'abc'").isNull(0));
    EXPECT_THROW(c->query("select CDbl('abc')"), DbError);
    EXPECT_THROW(c->query("select CDbl(NULL)"), DbError);
    auto p = Connection::open(tf.file("x.sqlite"), NumberFormat::point());
    EXPECT_EQ(p->query("select Format(x, '0.00') from v where s = 'strada statale'").text(0), "1234.50");
    EXPECT_EQ(p->query("select Format(CDbl('1.5'), '0.0')").text(0), "1.5");
}

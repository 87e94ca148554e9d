#include "app/climain.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using qrn::test::TestFolder;

TEST(Cli, QueryPrintsCsvWithTheChosenMarks)
{
    TestFolder tf;
    QString out, err;
    const int rc = qrn::cli::run({"--home", tf.path(), "query", "territorio.mdb",
                                  "select DES_TERR, Format(1.5, '0.00') as v from land_Ind where COD_TERR = '02'"},
                                 QString(), out, err);
    EXPECT_EQ(rc, 0) << err.toStdString();
    EXPECT_EQ(out, "DES_TERR;v\nValle d'Aosta/Vallée d'Aoste;1,50\n");
    out.clear();
    EXPECT_EQ(qrn::cli::run({"--home", tf.path(), "--decimal", ".", "--separator", ",", "query", "territorio.mdb",
                             "select 'a,b' as x, Format(1.5, '0.00') as v"}, QString(), out, err), 0);
    EXPECT_EQ(out, "x,v\n\"a,b\",1.50\n");
}

TEST(Cli, ErrorsGoToStandardErrorWithAStatus)
{
    TestFolder tf;
    QString out, err;
    EXPECT_EQ(qrn::cli::run({"--home", tf.path(), "query", "territorio.mdb", "select * from nessuna"}, QString(), out, err), 1);
    EXPECT_TRUE(err.contains("Errore: no such table: nessuna")) << err.toStdString();
    err.clear();
    EXPECT_EQ(qrn::cli::run({"--home", tf.path(), "boh"}, QString(), out, err), 2);
    EXPECT_TRUE(err.contains("Comando sconosciuto"));
    err.clear();
    EXPECT_EQ(qrn::cli::run({"--decimal", ";"}, QString(), out, err), 2);
    TestFolder empty(false);
    err.clear();
    EXPECT_EQ(qrn::cli::run({"--home", empty.path(), "menu"}, QString(), out, err), 1);
    EXPECT_TRUE(err.contains("Impossibile trovare i Databases"));
    out.clear();
    EXPECT_EQ(qrn::cli::run({"--help"}, QString(), out, err), 0);
    EXPECT_TRUE(out.contains("uso: quarnaro-cli"));
}

TEST(Cli, MenuListsTheCommandsWithTheirContext)
{
    TestFolder tf;
    QString out, err;
    ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "menu"}, QString(), out, err), 0) << err.toStdString();
    EXPECT_TRUE(out.contains("[2] Dati provinciali e regionali... -> FORMDATITAB Variabili.mdb Variabili P"))
        << out.toStdString();
    EXPECT_TRUE(out.contains("Indicatori comunali (non disponibili) (disattivata)"));
}

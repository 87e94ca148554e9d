// The command line itself: options, exit statuses and the form of the output. What the commands
// compute is tested on the core they run.

#include "app/climain.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using qrn::test::TestFolder;

namespace {

struct Outcome {
    int status;
    QString out, err;
};

Outcome cli(const QStringList &args)
{
    Outcome r;
    r.status = qrn::cli::run(args, QString(), r.out, r.err);
    return r;
}

} // namespace

TEST(Cli, QueryPrintsCsvWithTheChosenMarks)
{
    TestFolder tf;
    Outcome r = cli({"--home", tf.path(), "query", "territorio.mdb",
                     "select DES_TERR, Format(1.5, '0.00') as v from land_Ind where COD_TERR = '02'"});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "DES_TERR;v\nValle d'Aosta/Vallée d'Aoste;1,50\n");
    r = cli({"--home", tf.path(), "--decimal", ".", "--separator", ",", "query", "territorio.mdb",
             "select 'a,b' as x, Format(1.5, '0.00') as v"});
    EXPECT_EQ(r.out, "x,v\n\"a,b\",1.50\n");
}

TEST(Cli, MenuListsTheCommandsWithTheirContext)
{
    TestFolder tf;
    const Outcome r = cli({"--home", tf.path(), "menu"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains("[2] Dati provinciali e regionali... -> FORMDATITAB Variabili.mdb Variabili P"));
    EXPECT_TRUE(r.out.contains("Indicatori comunali (non disponibili) (disattivata)"));
}

// The sort and the range search themselves are the grid's; here only that the options reach
// them and that the output follows the chosen marks.
TEST(CliTable, OptionsReachTheSelectionAndTheGrid)
{
    TestFolder tf;
    const QStringList base {"--home", tf.path(),       "--decimal", ".",          "--separator", "\t", "tabella",
                            "--db",   "Variabili.mdb", "--voce",    "AS013-2005", "--gruppi",    "6"};
    const qrn::NumberFormat f = qrn::NumberFormat::point();
    Outcome r = cli(base + QStringList {"--ordina", "AS013_2005", "--discendente"});
    ASSERT_EQ(r.status, 0) << r.err.toStdString();
    QStringList lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 21) << "the header and the 20 regions";
    EXPECT_EQ(lines[0].split('\t').value(6), "AS013_2005");
    EXPECT_GE(*f.toNumber(lines[1].split('\t')[6]), *f.toNumber(lines[20].split('\t')[6]));

    r = cli(base + QStringList {"--cerca", "AS013_2005", "--da", "5000", "--a", "9999.9", "--selezione"});
    lines = r.out.split('\n', Qt::SkipEmptyParts);
    ASSERT_GT(lines.size(), 2);
    EXPECT_LT(lines.size(), 21) << "only the selected rows";
    EXPECT_GE(*f.toNumber(lines[1].split('\t')[6]), 5000);

    // --sql prints the statement of the chosen groups and names instead of running it.
    r = cli({"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "3",
             "--territorio", "L'Aquila", "--sql"});
    EXPECT_TRUE(r.out.startsWith("SELECT land_Ind.COD_TIPO_TERR")) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("'Nord-ovest'")) << "the partitions of group 3";
    EXPECT_TRUE(r.out.trimmed().endsWith("'L''Aquila')"));
}

TEST(Cli, ProblemsGoToStandardErrorInItalianWithAStatus)
{
    TestFolder tf, empty(false);
    const QStringList query {"--home", tf.path(), "query"};
    const QStringList table {"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005"};
    const struct {
        QStringList args;
        int status;
        QString err; // a part of standard error
    } cases[] = {
        {query + QStringList {"territorio.mdb", "select * from nessuna"}, 1,
         "Errore: Impossibile trovare la tabella o la query 'nessuna'."},
        // The command promises a SELECT: whatever would write is refused.
        {query + QStringList {"Metadati.mdb", "select 1; DELETE FROM tablelink"}, 1,
         "Errore: Sono ammesse solo istruzioni di lettura (SELECT)"},
        {{"--home", tf.path(), "boh"}, 2, "Comando sconosciuto"},
        {{"--decimal", ";"}, 2, ""},
        {{"--home", empty.path(), "menu"}, 1, "Impossibile trovare i Databases"},
        {table + QStringList {"--territori", "Atlantide"}, 1, "Territorio non trovato: Atlantide\n"},
        {table, 2, "--territori"},
        {table + QStringList {"--gruppi", "7"}, 2, ""},
        {table + QStringList {"--gruppi", "6", "--voce", "AS013"}, 2, "CODICE-ANNO"},
        {table + QStringList {"--gruppi", "6", "--cerca", "AS013_2005", "--da", "5", "--a", "3"}, 1,
         "Attenzione: Il valore 'Da' non deve essere maggiore del valore 'a'!\n"},
        {table + QStringList {"--gruppi", "6", "--ordina", "Nessuna"}, 1, "Nessuna"},
        {table + QStringList {"--gruppi", "6", "--voce", "AS013-1890"}, 1, "AS013"},
    };
    for (const auto &c : cases) {
        const Outcome r = cli(c.args);
        EXPECT_EQ(r.status, c.status) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(c.err)) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << c.args.join(' ').toStdString();
    }
    const Outcome help = cli({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_TRUE(help.out.contains("uso: quarnaro-cli"));
    EXPECT_TRUE(help.out.contains("--cerca COLONNA"));
}

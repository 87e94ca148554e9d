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
                             "select 'a,b' as x, Format(1.5, '0.00') as v"},
                            QString(), out, err),
              0);
    EXPECT_EQ(out, "x,v\n\"a,b\",1.50\n");
}

TEST(Cli, ErrorsGoToStandardErrorWithAStatus)
{
    TestFolder tf;
    QString out, err;
    EXPECT_EQ(
        qrn::cli::run({"--home", tf.path(), "query", "territorio.mdb", "select * from nessuna"}, QString(), out, err),
        1);
    EXPECT_TRUE(err.contains("Errore: Impossibile trovare la tabella o la query 'nessuna'.")) << err.toStdString();
    err.clear();
    EXPECT_EQ(qrn::cli::run({"--home", tf.path(), "boh"}, QString(), out, err), 2);
    EXPECT_TRUE(err.contains("Comando sconosciuto"));
    err.clear();
    EXPECT_EQ(qrn::cli::run({"--decimal", ";"}, QString(), out, err), 2);
    TestFolder empty(false);
    err.clear();
    EXPECT_EQ(qrn::cli::run({"--home", empty.path(), "menu"}, QString(), out, err), 1);
    EXPECT_TRUE(err.contains("Impossibile trovare i Databases"));
}

// The command promises a SELECT: whatever would write is refused and changes nothing.
TEST(Cli, QueryRefusesEveryStatementThatWrites)
{
    TestFolder tf;
    const struct {
        const char *db, *sql, *count;
    } cases[] = {
        {"Variabili.mdb", "DELETE FROM AS_2005", "select count(*) from AS_2005"},
        {"Variabili.mdb", "UPDATE AS_2005 SET AS013 = 0", "select count(*) from AS_2005 where AS013 = 0"},
        {"Variabili.mdb", "DROP TABLE AS_2005", "select count(*) from AS_2005"},
        {"Metadati.mdb", "DELETE FROM tablelink", "select count(*) from tablelink"},
        {"Metadati.mdb", "select 1; DELETE FROM tablelink", "select count(*) from tablelink"},
    };
    for (const auto &c : cases) {
        QString before, after, out, err;
        ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "query", c.db, c.count}, QString(), before, err), 0);
        EXPECT_EQ(qrn::cli::run({"--home", tf.path(), "query", c.db, c.sql}, QString(), out, err), 1) << c.sql;
        EXPECT_TRUE(err.contains("Errore: Sono ammesse solo istruzioni di lettura (SELECT)")) << err.toStdString();
        EXPECT_TRUE(out.isEmpty());
        ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "query", c.db, c.count}, QString(), after, err), 0);
        EXPECT_EQ(after, before) << c.sql;
        err.clear();
    }
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

namespace {

QList<QStringList> csvRows(const QString &out, QChar sep)
{
    QList<QStringList> rows;
    for (const QString &line : out.split('\n', Qt::SkipEmptyParts))
        rows << line.split(sep);
    return rows;
}

} // namespace

TEST(CliTable, GroupsAndNamesGiveTheSelectionWindowsStatement)
{
    TestFolder tf;
    QString out, err;
    ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "TR001-2004,AS013-2005",
                             "--gruppi", "3", "--territorio", "L'Aquila", "--sql"},
                            QString(), out, err),
              0)
        << err.toStdString();
    EXPECT_TRUE(out.startsWith("SELECT land_Ind.COD_TIPO_TERR as TipoTerritorio, "));
    EXPECT_TRUE(
        out.contains("Format(AS_2005.AS013, '0.00') as AS013_2005, Format(TR_2004.TR001, '0.00') as TR001_2004"))
        << out.toStdString();
    // The partitions (type 4) in list order, then the province by name, its apostrophe doubled.
    EXPECT_TRUE(out.contains("'Nord-ovest'")) << out.toStdString();
    EXPECT_TRUE(out.trimmed().endsWith("'L''Aquila')")) << out.toStdString();
    EXPECT_TRUE(err.isEmpty());
}

// The sort and the range search themselves are the grid's; here only that the options reach
// them and that the output follows the chosen marks.
TEST(CliTable, SortAndSearchOptionsWithTheChosenMarks)
{
    TestFolder tf;
    const QStringList base {"--home", tf.path(),       "--decimal", ".",          "--separator", "\t", "tabella",
                            "--db",   "Variabili.mdb", "--voce",    "AS013-2005", "--gruppi",    "6"};
    const qrn::NumberFormat f = qrn::NumberFormat::point();
    QString out, err;
    ASSERT_EQ(qrn::cli::run(base + QStringList {"--ordina", "AS013_2005", "--discendente"}, QString(), out, err), 0)
        << err.toStdString();
    QList<QStringList> rows = csvRows(out, '\t');
    ASSERT_EQ(rows.size(), 21);
    EXPECT_EQ(rows[0].value(6), "AS013_2005");
    EXPECT_GE(*f.toNumber(rows[1][6]), *f.toNumber(rows[20][6]));

    out.clear();
    ASSERT_EQ(
        qrn::cli::run(base + QStringList {"--cerca", "AS013_2005", "--da", "5000", "--a", "9999.9", "--selezione"},
                      QString(), out, err),
        0)
        << err.toStdString();
    rows = csvRows(out, '\t');
    ASSERT_GT(rows.size(), 2);
    EXPECT_LT(rows.size(), 21) << "only the selected rows";
    EXPECT_GE(*f.toNumber(rows[1][6]), 5000);
}

TEST(CliTable, ProblemsGoToStandardErrorInItalian)
{
    TestFolder tf;
    const QStringList base {"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005"};
    const struct {
        QStringList more;
        int status;
        QString err; // the whole text, or a part of it when it ends with "..."
    } cases[] = {
        {{"--territori", "Atlantide"}, 1, "Territorio non trovato: Atlantide\n"},
        {{}, 2, "--territori..."},
        {{"--gruppi", "7"}, 2, ""},
        {{"--gruppi", "6", "--voce", "AS013"}, 2, "CODICE-ANNO..."},
        {{"--gruppi", "6", "--cerca", "AS013_2005", "--da", "5", "--a", "3"},
         1,
         "Attenzione: Il valore 'Da' non deve essere maggiore del valore 'a'!\n"},
        {{"--gruppi", "6", "--ordina", "Nessuna"}, 1, "Nessuna..."},
        {{"--gruppi", "6", "--voce", "AS013-1890"}, 1, "AS013..."},
    };
    for (const auto &c : cases) {
        QString out, err;
        EXPECT_EQ(qrn::cli::run(base + c.more, QString(), out, err), c.status) << c.more.join(' ').toStdString();
        if (c.err.endsWith("...")) {
            EXPECT_TRUE(err.contains(c.err.chopped(3))) << err.toStdString();
        } else if (!c.err.isEmpty()) {
            EXPECT_EQ(err, c.err);
        }
    }
    QString out, err;
    EXPECT_EQ(qrn::cli::run({"--help"}, QString(), out, err), 0);
    EXPECT_TRUE(out.contains("uso: quarnaro-cli"));
    EXPECT_TRUE(out.contains("tabella OPZIONI"));
    EXPECT_TRUE(out.contains("--cerca COLONNA"));
}

#include "app/climain.h"
#include "support/testfolder.h"

#include "shell/store.h"

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
    out.clear();
    EXPECT_EQ(qrn::cli::run({"--help"}, QString(), out, err), 0);
    EXPECT_TRUE(out.contains("uso: quarnaro-cli"));
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
    EXPECT_TRUE(out.contains("Format(AS_2005.AS013, '0.00') as AS013_2005, Format(TR_2004.TR001, '0.00') as TR001_2004"))
        << out.toStdString();
    // The partitions (type 4) in list order, then the province by name, its apostrophe doubled.
    EXPECT_TRUE(out.contains("'Nord-ovest'")) << out.toStdString();
    EXPECT_TRUE(out.trimmed().endsWith("'L''Aquila')")) << out.toStdString();
    EXPECT_TRUE(err.isEmpty());
}

TEST(CliTable, SortAndRangeSearchWithEitherMark)
{
    TestFolder tf;
    for (const char *mark : {",", "."}) {
        QString out, err;
        ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "--decimal", mark, "--separator", "\t", "tabella", "--db",
                                 "Variabili.mdb", "--voce", "AS013-2005", "--gruppi", "6", "--ordina", "AS013_2005",
                                 "--discendente"},
                                QString(), out, err),
                  0)
            << err.toStdString();
        const qrn::NumberFormat f = *mark == ',' ? qrn::NumberFormat::comma() : qrn::NumberFormat::point();
        QList<QStringList> rows = csvRows(out, '\t');
        ASSERT_EQ(rows.size(), 21);
        EXPECT_EQ(rows[0].value(6), "AS013_2005");
        for (int r = 2; r < rows.size(); ++r)
            EXPECT_GE(*f.toNumber(rows[r - 1][6]), *f.toNumber(rows[r][6])) << r;

        // The rows whose whole part lies between 5000 and 9999, only those.
        out.clear();
        ASSERT_EQ(qrn::cli::run({"--home", tf.path(), "--decimal", mark, "tabella", "--db", "Variabili.mdb", "--voce",
                                 "AS013-2005", "--gruppi", "6", "--cerca", "AS013_2005", "--da", "5000", "--a",
                                 QString("9999") + mark + "9", "--selezione"},
                                QString(), out, err),
                  0)
            << err.toStdString();
        rows = csvRows(out, ';');
        int expected = 0;
        {
            QString all;
            qrn::cli::run({"--home", tf.path(), "--decimal", mark, "tabella", "--db", "Variabili.mdb", "--voce",
                           "AS013-2005", "--gruppi", "6"},
                          QString(), all, err);
            for (const QStringList &r : csvRows(all, ';').mid(1))
                expected += *f.toNumber(r[6]) >= 5000 && *f.toNumber(r[6]) < 10000;
        }
        ASSERT_GT(expected, 1);
        ASSERT_EQ(rows.size(), expected + 1);
        for (const QStringList &r : rows.mid(1)) {
            EXPECT_GE(*f.toNumber(r[6]), 5000);
            EXPECT_LT(*f.toNumber(r[6]), 10000);
        }
    }
}

TEST(CliTable, ProblemsGoToStandardErrorInItalian)
{
    TestFolder tf;
    const QStringList base{"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2005"};
    auto run = [&](const QStringList &more, QString &err) {
        QString out;
        err.clear();
        return qrn::cli::run(base + more, QString(), out, err);
    };
    QString err;
    EXPECT_EQ(run({"--territori", "Atlantide"}, err), 1);
    EXPECT_EQ(err, "Territorio non trovato: Atlantide\n");
    EXPECT_EQ(run({}, err), 2);
    EXPECT_TRUE(err.contains("--territori"));
    EXPECT_EQ(run({"--gruppi", "7"}, err), 2);
    EXPECT_EQ(run({"--gruppi", "6", "--voce", "AS013"}, err), 2);
    EXPECT_TRUE(err.contains("CODICE-ANNO"));
    EXPECT_EQ(run({"--gruppi", "6", "--cerca", "AS013_2005", "--da", "5", "--a", "3"}, err), 1);
    EXPECT_EQ(err, "Attenzione: Il valore 'Da' non deve essere maggiore del valore 'a'!\n");
    EXPECT_EQ(run({"--gruppi", "6", "--cerca", "AS013_2005", "--da", "abc", "--a", "7"}, err), 1);
    EXPECT_EQ(err, "Attenzione: Per fare una ricerca da --- a inserire due numeri interi!\n");
    EXPECT_EQ(run({"--gruppi", "6", "--ordina", "Nessuna"}, err), 1);
    EXPECT_TRUE(err.contains("Nessuna"));
    EXPECT_EQ(run({"--gruppi", "6", "--voce", "AS013-1890"}, err), 1);
    EXPECT_TRUE(err.contains("AS013")) << err.toStdString();

    // More data tables than one statement joins.
    auto cn = qrn::Connection::open(tf.file("Databases/Variabili.sqlite"), qrn::NumberFormat::comma());
    qrn::Recordset rs = cn->query("select min(Variabile), Anno from IndVarAnno group by Tabella");
    QStringList items;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        items << rs.text(0) + "-" + rs.text(1);
    EXPECT_EQ(run({"--gruppi", "6", "--voce", items.join(',')}, err), 1);
    EXPECT_EQ(err, "Attenzione: Numero di Variabili selezionate troppo elevato. Eliminarle alcune.\n");

    QString out;
    EXPECT_EQ(qrn::cli::run({"--help"}, QString(), out, err), 0);
    EXPECT_TRUE(out.contains("tabella OPZIONI"));
    EXPECT_TRUE(out.contains("--cerca COLONNA"));
}

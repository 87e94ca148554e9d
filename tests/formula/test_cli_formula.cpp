// quarnaro-cli tabella with --formula / --name and --export, on the sample data.

#include "app/climain.h"

#include "ReadBack.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

struct Cli {
    TestFolder tf;
    QString out, err;

    Cli()
    {
        for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
            QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, tf.file(QString("Files/") + t));
    }

    int run(QStringList extra)
    {
        out.clear();
        err.clear();
        QStringList args {"--home",   tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2004,AS013-2005",
                          "--gruppi", "6"};
        args += extra;
        return cli::run(args, QString(), out, err);
    }

    // The printed table, split into fields (no field of the sample holds the separator).
    QList<QStringList> table() const
    {
        QList<QStringList> rows;
        for (const QString &line : out.split('\n', Qt::SkipEmptyParts))
            rows << line.split(';');
        return rows;
    }
};

} // namespace

TEST(CliFormula, AddsTheDerivedColumnBeforePrinting)
{
    Cli c;
    ASSERT_EQ(c.run({"--formula", "( AS013_2005 - AS013_2004 ) * 2", "--name", "Doppio"}), 0) << c.err.toStdString();
    const QList<QStringList> t = c.table();
    ASSERT_GT(t.size(), 10);
    ASSERT_EQ(t[0].size(), 9);
    EXPECT_EQ(t[0][8], "Doppio");
    EXPECT_FALSE(t[1][8].isEmpty()) << "the values are the formula's own tests";

    // Without --name the default name: the count and the year of the last column.
    ASSERT_EQ(c.run({"--formula", "AS013_2004 / AS013_2005", "--ordina", "Funz12005"}), 0) << c.err.toStdString();
    EXPECT_EQ(c.table()[0].last(), "Funz12005");
}

TEST(CliFormula, RefusedNameAndSyntaxErrorAddNothing)
{
    Cli c;
    EXPECT_EQ(c.run({"--formula", "AS013_2005 * 2", "--name", "con spazio"}), 1);
    EXPECT_TRUE(c.err.contains("Il nome non deve contenere spazi o caratteri speciali.")) << c.err.toStdString();
    EXPECT_TRUE(c.out.isEmpty());

    EXPECT_EQ(c.run({"--formula", "( AS013_2005 ) AS013_2004", "--name", "Errato"}), 1);
    EXPECT_TRUE(c.err.contains("L'espressione contiene errori di sintassi.")) << c.err.toStdString();

    EXPECT_EQ(c.run({"--name", "Solo"}), 2);
    EXPECT_EQ(c.run({"--export", c.tf.file("Excel/dati.csv")}), 2);
    EXPECT_FALSE(QFile::exists(c.tf.file("Excel/dati.csv")));
}

TEST(CliFormula, ExportWritesTheTableWithItsDerivedColumn)
{
    Cli c;
    for (const char *name : {"dati.xls", "dati.xlsx"}) {
        const QString file = c.tf.file(QString("Excel/") + name);
        ASSERT_EQ(c.run({"--formula", "AS013_2005 / AS013_2004", "--name", "Rapporto", "--export", file}), 0)
            << c.err.toStdString();
        std::string why;
        const auto sheets = wbtest::readBack(file.toStdString(), &why);
        ASSERT_TRUE(sheets) << why;
        EXPECT_EQ((*sheets)[0].rows, int(c.table().size()));
        EXPECT_EQ((*sheets)[0].cells.at({0, 8}).text, "Rapporto");
    }
}

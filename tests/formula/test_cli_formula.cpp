// quarnaro-cli tabella with --formula / --name and --export, on the sample data.

#include "app/climain.h"

#include "ReadBack.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>

#include <cmath>

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
        QStringList args{"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce", "AS013-2004,AS013-2005",
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

double number(const QString &text)
{
    return QString(text).remove('.').replace(',', '.').toDouble();
}

} // namespace

TEST(CliFormula, AddsTheDerivedColumnBeforePrinting)
{
    Cli c;
    ASSERT_EQ(c.run({"--formula", "( AS013_2005 - AS013_2004 ) * 2", "--name", "Doppio"}), 0) << c.err.toStdString();
    const QList<QStringList> t = c.table();
    ASSERT_GT(t.size(), 10);
    ASSERT_EQ(t[0].size(), 9);
    EXPECT_EQ(t[0][8], "Doppio");
    int computed = 0;
    for (int r = 1; r < t.size(); ++r) {
        if (t[r][6].isEmpty() || t[r][7].isEmpty()) {
            EXPECT_EQ(t[r][8], "") << r;
            continue;
        }
        const double expected = (number(t[r][7]) - number(t[r][6])) * 2;
        EXPECT_NEAR(number(t[r][8]), expected, 1e-6) << r;
        EXPECT_EQ(t[r][8].section(',', 1).size(), 4) << "four decimals: " << t[r][8].toStdString();
        ++computed;
    }
    EXPECT_GT(computed, 10);

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

TEST(CliFormula, ExportWritesTheTableWithItsDerivedColumnInTerritoryOrder)
{
    Cli c;
    for (const char *name : {"dati.xls", "dati.xlsx"}) {
        const QString file = c.tf.file(QString("Excel/") + name);
        ASSERT_EQ(c.run({"--formula", "AS013_2005 / AS013_2004", "--name", "Rapporto", "--ordina", "Rapporto",
                         "--discendente", "--export", file}),
                  0)
            << c.err.toStdString();
        const QList<QStringList> printed = c.table();
        std::string why;
        const auto sheets = wbtest::readBack(file.toStdString(), &why);
        ASSERT_TRUE(sheets) << why;
        const auto &data = (*sheets)[0];
        ASSERT_EQ(data.rows, printed.size());
        EXPECT_EQ(data.cells.at({0, 8}).text, "Rapporto");
        // Printed in the order of the sort; written in territory-code order.
        QStringList printedCodes, writtenCodes;
        for (int r = 1; r < printed.size(); ++r) {
            printedCodes << printed[r][1];
            writtenCodes << QString::fromStdString(data.cells.at({r, 1}).text);
        }
        QStringList sorted = printedCodes;
        std::sort(sorted.begin(), sorted.end(), [](const QString &a, const QString &b) { return a.toInt() < b.toInt(); });
        EXPECT_EQ(writtenCodes, sorted);
        EXPECT_NE(printedCodes, sorted);
        for (int r = 1; r < data.rows; ++r) {
            const auto it = data.cells.find({r, 8});
            if (it != data.cells.end()) {
                EXPECT_EQ(it->second.type, 'n');
            }
        }
        // One metadata row for the two years of AS013; the derived column has none.
        EXPECT_EQ((*sheets)[1].rows, 2);
    }
}

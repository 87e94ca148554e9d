// quarnaro-cli tabella with --formula / --name and --export, on the sample data: the options,
// the statuses and the files written (their content is the export's, tested there).

#include "app/climain.h"

#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>

using qrn::test::TestFolder;

TEST(CliFormula, OptionsStatusesAndTheDerivedColumn)
{
    TestFolder tf;
    for (const char *t : {"DatiTemplateVar", "DatiTemplateInd"})
        QFile::copy(QStringLiteral(QUARNARO_SOURCE_DIR "/data/templates/") + t, tf.file(QString("Files/") + t));
    QString out, err;
    const auto run = [&](const QStringList &extra) {
        out.clear();
        err.clear();
        return qrn::cli::run(QStringList {"--home", tf.path(), "tabella", "--db", "Variabili.mdb", "--voce",
                                          "AS013-2004,AS013-2005", "--gruppi", "6"}
                                 + extra,
                             QString(), out, err);
    };
    const QString xlsx = tf.file("Excel/dati.xlsx"), csv = tf.file("Excel/dati.csv");
    const struct {
        QStringList args;
        int status;
        const char *header; // of the last printed column; or a part of the error
    } cases[] = {
        {{"--formula", "( AS013_2005 - AS013_2004 ) * 2", "--name", "Doppio"}, 0, "Doppio"},
        // Without --name the default name: the count and the year of the last column.
        {{"--formula", "AS013_2004 / AS013_2005", "--ordina", "Funz12005"}, 0, "Funz12005"},
        {{"--formula", "AS013_2005 * 2", "--name", "con spazio"}, 1, "caratteri speciali"},
        {{"--formula", "( AS013_2005 ) AS013_2004", "--name", "Errato"}, 1, "errori di sintassi"},
        {{"--name", "Solo"}, 2, ""},
        {{"--export", tf.file("Excel/dati.txt")}, 2, ""},
        {{"--formula", "AS013_2005 / AS013_2004", "--name", "Rapporto", "--export", xlsx}, 0, "Rapporto"},
        {{"--formula", "AS013_2005 / AS013_2004", "--name", "Rapporto", "--export", csv}, 0, "Rapporto"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        ASSERT_EQ(run(c.args), c.status) << err.toStdString();
        if (c.status == 0)
            EXPECT_EQ(out.section('\n', 0, 0).section(';', -1), c.header);
        else
            EXPECT_TRUE(out.isEmpty() && err.contains(c.header)) << err.toStdString();
        EXPECT_FALSE(QFile::exists(tf.file("Excel/dati.txt")));
    }
    // A workbook (a zip archive) and a CSV text with the derived column.
    EXPECT_TRUE(tf.read("Excel/dati.xlsx").startsWith("PK\x03\x04"));
    EXPECT_TRUE(tf.read("Excel/dati.csv").split('\n').value(0).trimmed().endsWith(";Rapporto"));
}

// quarnaro-cli aggiorna: the command line over the update installer.

#include "app/climain.h"
#include "makezip.h"
#include "support/testfolder.h"

#include <gtest/gtest.h>

using namespace qrn::test;

TEST(CliAggiorna, InstallsRefusesAndChecksItsArguments)
{
    TestFolder tf;
    makeZip(tf.file("mappe.zip"), {file("nuova.shp", "shp")});
    makeZip(tf.file("slip.zip"), {file("Metadati.sqlite", "rotto"), file("../../fuori.txt", "x")});
    const QString kept = "La cartella " + tf.file("Databases/") + " non è stata modificata.\n";
    const QString usage = "uso: aggiorna --banca-dati FILE.zip | --mappe FILE.zip [--password PASSWORD]\n";
    const struct {
        QStringList args;
        int status;
        QString out, err; // err: how the standard error ends
    } cases[] = {
        {{"--mappe", tf.file("mappe.zip")}, 0, "Aggiornamento mappe effettuato.\n", ""},
        {{"--banca-dati", tf.file("slip.zip")}, 1, "", kept},
        {{"--banca-dati", tf.file("slip.zip"), "--mappe", tf.file("mappe.zip")}, 2, "", usage},
        {{tf.file("mappe.zip")}, 2, "", usage},
        {{"--tutto", tf.file("mappe.zip")}, 2, "", "Opzione sconosciuta per aggiorna: --tutto\n"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QString out, err;
        EXPECT_EQ(qrn::cli::run(QStringList({"--home", tf.path(), "aggiorna"}) + c.args, QString(), out, err),
                  c.status);
        EXPECT_EQ(out, c.out);
        // What the start-up reports (a folder without maps) comes first.
        EXPECT_TRUE(c.err.isEmpty() || err.endsWith(c.err)) << err.toStdString();
        EXPECT_EQ(err.contains("Aggiornamento Banca Dati non effettuato.\n"), c.status == 1);
    }
    EXPECT_EQ(tf.read("Shape/nuova.shp"), "shp");
}

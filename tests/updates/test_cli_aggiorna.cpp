// quarnaro-cli aggiorna: the command line over the update installer.

#include "app/climain.h"
#include "makezip.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace qrn::test;

TEST(CliAggiorna, InstallsRefusesAndChecksItsArguments)
{
    TestFolder tf;
    makeZip(tf.file("mappe.zip"), {file("nuova.shp", "shp")});
    makeZip(tf.file("slip.zip"), {file("Metadati.sqlite", "rotto"), file("../../fuori.txt", "x")});
    const QByteArray metadati = tf.read("Databases/Metadati.sqlite");
    struct Case {
        QStringList args;
        int status;
        QString out, err;
    };
    const std::vector<Case> cases = {
        {{"aggiorna", "--mappe", tf.file("mappe.zip")}, 0, "Aggiornamento mappe effettuato.\n", ""},
        {{"aggiorna", "--banca-dati", tf.file("slip.zip")},
         1,
         "",
         "Aggiornamento Banca Dati non effettuato.\nL'archivio contiene un percorso non ammesso (../../fuori.txt): "
         "i file devono restare nella cartella di destinazione.\nLa cartella "
             + tf.file("Databases/") + " non è stata modificata.\n"},
        {{"aggiorna", "--banca-dati", tf.file("slip.zip"), "--mappe", tf.file("mappe.zip")},
         2,
         "",
         "uso: aggiorna --banca-dati FILE.zip | --mappe FILE.zip\n"},
        {{"aggiorna", tf.file("mappe.zip")}, 2, "", "uso: aggiorna --banca-dati FILE.zip | --mappe FILE.zip\n"},
        {{"aggiorna", "--tutto", tf.file("mappe.zip")}, 2, "", "Opzione sconosciuta per aggiorna: --tutto\n"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        QString out, err;
        EXPECT_EQ(qrn::cli::run(QStringList({"--home", tf.path()}) + c.args, QString(), out, err), c.status);
        EXPECT_EQ(out.toStdString(), c.out.toStdString());
        // What the start-up reports (a folder without maps) comes first.
        EXPECT_TRUE(c.err.isEmpty() || err.endsWith(c.err)) << err.toStdString();
        EXPECT_EQ(err.contains("Aggiornamento"), c.status == 1);
    }
    EXPECT_EQ(tf.read("Shape/nuova.shp"), "shp");
    EXPECT_EQ(tf.read("Databases/Metadati.sqlite"), metadati);
}

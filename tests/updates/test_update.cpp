// The update commands on a program folder with the sample data.

#include "makezip.h"
#include "metadata/update.h"
#include "shell/startup.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <zip.h>

using namespace qrn;
using namespace qrn::test;

TEST(Update, TargetFolders)
{
    TestFolder tf(false);
    auto ctx = tf.context();
    const auto both = [&] {
        return QStringList {updateTargetFolder(*ctx, UpdateKind::Databases),
                            updateTargetFolder(*ctx, UpdateKind::Maps)};
    };
    // Nothing in use, nothing remembered: the folders under the program folder.
    EXPECT_EQ(both(), (QStringList {tf.file("Databases/"), tf.file("Shape/")}));
    WriteFolderFile(ctx->FilesFolder + "DBPath.dbc", "/dati/qrn");
    WriteFolderFile(ctx->FilesFolder + "SHPath.dbc", "/dati/mappe");
    EXPECT_EQ(both(), (QStringList {"/dati/qrn/", "/dati/mappe/"}));
    // The folders the program reads win over stale remembered ones.
    ctx->DbFolder = "/usati/db/";
    ctx->ShapeFolder = "/usati/shape/";
    EXPECT_EQ(both(), (QStringList {"/usati/db/", "/usati/shape/"}));
}

// The result of an installation: what the window shows and the command line prints; a database
// replaced while the program runs is read at once.
TEST(Update, InstallationResults)
{
    TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    ctx->ShapeFolder = tf.file("Shape/");
    EXPECT_EQ(readUpdateInfo(*ctx).label, "Dicembre 2026 - dati di esempio");
    QFile::copy(tf.file("Databases/Metadati.sqlite"), tf.file("nuovo.sqlite"));
    Connection::open(tf.file("nuovo.sqlite"), NumberFormat::comma())
        ->execute("UPDATE InfoAggiornamento SET Etichetta = 'Gennaio 2027', Nota = 'Nuovi dati'");
    const QString dbz = tf.file("db.zip"), good = tf.file("buono.zip"), bad = tf.file("cattivo.zip"),
                  secret = tf.file("segreto.zip");
    makeZip(dbz, {file("Metadati.sqlite", tf.read("nuovo.sqlite"))});
    makeZip(good, {file("nuovo.dbf", "dbf")});
    makeZip(bad, {file("nuovo.dbf", "dbf"), file("../fuori.txt", "x")});
    makeZip(secret, {encrypted("segreto.dbf", "s", ZIP_EM_AES_256, "chiave")});
    using enum UpdateResult::Outcome;
    using enum UpdateKind;
    const struct {
        UpdateKind kind;
        QString file, password;
        UpdateResult::Outcome outcome;
        QString message; // its beginning
        QString placed; // a file of the archive that must (not) be in the target
    } cases[] = {
        {Databases, bad, "", Failed,
         "Aggiornamento Banca Dati non effettuato.\r\nL'archivio contiene un percorso non ammesso (../fuori.txt)",
         "Databases/nuovo.dbf"},
        {Maps, secret, "", NeedsPassword, "Aggiornamento mappe non effettuato.\r\nL'archivio è protetto",
         "Shape/segreto.dbf"},
        {Maps, secret, "chiave", Done, "Aggiornamento mappe effettuato.", "Shape/segreto.dbf"},
        {Maps, good, "", Done, "Aggiornamento mappe effettuato.", "Shape/nuovo.dbf"},
        {Databases, dbz, "", Done, "Aggiornamento Banca Dati effettuato.", ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE((c.file + " " + c.password).toStdString());
        const UpdateResult r = installUpdate(*ctx, *ctx, c.kind, c.file, c.password);
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_TRUE(r.message.startsWith(c.message)) << r.message.toStdString();
        if (c.outcome != Done)
            EXPECT_TRUE(r.message.endsWith("non è stata modificata."));
        if (!c.placed.isEmpty())
            EXPECT_EQ(QFile::exists(tf.file(c.placed)), c.outcome == Done);
    }
    EXPECT_EQ(readUpdateInfo(*ctx).note, "Nuovi dati");
}

// An update reports the bytes it extracts; stopped at any step, the last one before the folder
// changes included, it leaves the folder as it was, with nothing of its own work beside it.
TEST(Update, StoppingAnUpdateLeavesTheFolderAsItWas)
{
    TestFolder tf;
    auto ctx = tf.context();
    ctx->ShapeFolder = tf.file("Shape/");
    tf.write("Shape/vecchio.dbf", "di prima");
    const QString zip = tf.file("mappe.zip");
    makeZip(zip, {file("vecchio.dbf", QByteArray(300000, 'a')), file("nuovo.dbf", QByteArray(300000, 'b')),
                  file("altro/terzo.shp", QByteArray(300000, 'c'))});
    const QStringList shapeBefore = QDir(tf.file("Shape")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    const QStringList rootBefore = QDir(tf.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    // A stop at every step in turn, until the stop comes after the last step and the update ends.
    for (int stopAt = 1;; ++stopAt) {
        SCOPED_TRACE(stopAt);
        ASSERT_LT(stopAt, 100);
        tf.prompt.cancelProgressAtStep(stopAt);
        const UpdateResult r = installUpdate(*ctx, *ctx, UpdateKind::Maps, zip);
        const auto &shown = tf.prompt.progressShown();
        ASSERT_EQ(shown.size(), size_t(stopAt)) << "one report a run";
        if (r.outcome == UpdateResult::Outcome::Done) {
            EXPECT_TRUE(shown.back().ended && shown.back().steps.back() == shown.back().total);
            EXPECT_GE(stopAt - 1, 3) << "steps of a whole update";
            break;
        }
        EXPECT_EQ(r.outcome, UpdateResult::Outcome::Cancelled);
        EXPECT_TRUE(r.message.endsWith("non è stata modificata.")) << r.message.toStdString();
        EXPECT_EQ(tf.read("Shape/vecchio.dbf"), "di prima");
        EXPECT_EQ(QDir(tf.file("Shape")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), shapeBefore);
        EXPECT_EQ(QDir(tf.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), rootBefore);
        EXPECT_EQ(int(shown.back().steps.size()), stopAt);
    }
}

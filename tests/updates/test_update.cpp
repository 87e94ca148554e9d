// The update commands on a program folder with the sample data.

#include "makezip.h"
#include "metadata/update.h"
#include "shell/startup.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <optional>

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

// The open dialog, the question, the installation, the reload and the final message; a database
// replaced while the program runs is read at once.
TEST(Update, CommandRoads)
{
    TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    ctx->ShapeFolder = tf.file("Shape/");
    EXPECT_EQ(readUpdateInfo(*ctx).label, "Dicembre 2026 - dati di esempio");
    QFile::copy(tf.file("Databases/Metadati.sqlite"), tf.file("nuovo.sqlite"));
    Connection::open(tf.file("nuovo.sqlite"), NumberFormat::comma())
        ->execute("UPDATE InfoAggiornamento SET Etichetta = 'Gennaio 2027', Nota = 'Nuovi dati'");
    const QString dbz = tf.file("db.zip"), good = tf.file("buono.zip"), bad = tf.file("cattivo.zip");
    makeZip(dbz, {file("Metadati.sqlite", tf.read("nuovo.sqlite"))});
    makeZip(good, {file("nuovo.dbf", "dbf")});
    makeZip(bad, {file("nuovo.dbf", "dbf"), file("../fuori.txt", "x")});
    const QString db = "Si desidera aggiornare la banca dati con il file: ";
    const QString maps = "Si desidera aggiornare le mappe con il file: ";
    const QString refused = "Aggiornamento Banca Dati non effettuato.\r\nL'archivio contiene un percorso non ammesso "
                            "(../fuori.txt)";
    using enum UpdateResult::Outcome;
    using enum UpdateKind;
    const struct {
        UpdateKind kind;
        QString file; // answered by the open dialog
        std::optional<Answer> answer; // to the question
        UpdateResult::Outcome outcome;
        QStringList messages; // the message boxes, in order (prefixes)
        QString placed; // a file of the archive that must (not) be in the target
    } cases[] = {
        {Databases, "", std::nullopt, Cancelled, {}, ""},
        {Databases, good, Answer::No, Cancelled, {db}, "Databases/nuovo.dbf"},
        {Databases, bad, Answer::Yes, Failed, {db, refused}, "Databases/nuovo.dbf"},
        {Maps, good, Answer::Yes, Done, {maps + good + " ?", "Aggiornamento mappe effettuato."}, "Shape/nuovo.dbf"},
        {Databases, dbz, Answer::Yes, Done, {db + dbz + " ?", "Aggiornamento Banca Dati effettuato."}, ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.file.toStdString());
        tf.prompt.clear();
        tf.prompt.answerFile(c.file);
        if (c.answer)
            tf.prompt.answer(*c.answer);
        std::optional<UpdateInfo> reloaded;
        const UpdateResult r = runUpdateCommand(*ctx, c.kind, [&] { reloaded = readUpdateInfo(*ctx); });
        EXPECT_EQ(r.outcome, c.outcome);
        const QStringList shown = tf.prompt.messages();
        ASSERT_EQ(shown.size(), c.messages.size());
        for (int i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].startsWith(c.messages[i])) << shown[i].toStdString();
        if (!shown.isEmpty())
            EXPECT_EQ(tf.prompt.shown()[1].buttons, Buttons::YesNo); // after the open dialog
        if (c.outcome == Failed || (c.outcome == Done && c.kind == Databases))
            EXPECT_EQ(tf.prompt.shown().back().icon, c.outcome == Failed ? Icon::Exclamation : Icon::None);
        if (c.outcome == Failed)
            EXPECT_TRUE(shown.last().endsWith("non è stata modificata."));
        if (!c.placed.isEmpty())
            EXPECT_EQ(QFile::exists(tf.file(c.placed)), c.outcome == Done);
        EXPECT_EQ(reloaded.has_value(), c.kind == Databases && c.outcome == Done);
        if (reloaded)
            EXPECT_EQ(reloaded->note, "Nuovi dati");
        EXPECT_FALSE(tf.prompt.busy());
    }
    EXPECT_FALSE(QFile::exists(tf.file("fuori.txt")));
}

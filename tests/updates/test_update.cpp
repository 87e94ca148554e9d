// The update commands on a program folder with the sample data.

#include "makezip.h"
#include "metadata/update.h"
#include "shell/context.h"
#include "shell/startup.h"
#include "shell/store.h"
#include "support/testfolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <optional>

using namespace qrn;
using namespace qrn::test;

namespace {

// Metadati of the sample with another update label and note, as a new release would bring.
QByteArray newMetadati(TestFolder &tf, const QString &label)
{
    const QString copy = tf.file("nuovo.sqlite");
    QFile::copy(tf.file("Databases/Metadati.sqlite"), copy);
    {
        auto cn = Connection::open(copy, NumberFormat::comma());
        cn->execute(QStringLiteral("UPDATE InfoAggiornamento SET Etichetta = ?, Nota = 'Nuovi dati'"), {label});
    }
    QFile f(copy);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

TEST(Update, TargetFolders)
{
    TestFolder tf(false);
    auto ctx = tf.context();
    // Nothing in use, nothing remembered: the folders under the program folder.
    EXPECT_EQ(updateTargetFolder(*ctx, UpdateKind::Databases), tf.file("Databases/"));
    EXPECT_EQ(updateTargetFolder(*ctx, UpdateKind::Maps), tf.file("Shape/"));
    WriteFolderFile(ctx->FilesFolder + "DBPath.dbc", "/dati/qrn");
    WriteFolderFile(ctx->FilesFolder + "SHPath.dbc", "/dati/mappe");
    EXPECT_EQ(updateTargetFolder(*ctx, UpdateKind::Databases), "/dati/qrn/");
    EXPECT_EQ(updateTargetFolder(*ctx, UpdateKind::Maps), "/dati/mappe/");
    // The folders the program reads win over stale remembered ones.
    ctx->DbFolder = tf.file("Databases/");
    ctx->ShapeFolder = tf.file("Shape/");
    EXPECT_EQ(updateTargetFolder(*ctx, UpdateKind::Databases), tf.file("Databases/"));
    EXPECT_EQ(updateTargetFolder(*ctx, UpdateKind::Maps), tf.file("Shape/"));
}

// The database is replaced while the program runs: the next reading sees the new file.
TEST(Update, DatabaseUpdateIsReadAtOnce)
{
    TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    EXPECT_EQ(readUpdateInfo(*ctx).label, "Dicembre 2026 - dati di esempio");
    makeZip(tf.file("agg.zip"), {file("Metadati.sqlite", newMetadati(tf, "Gennaio 2027"))});

    tf.prompt.answerFile(tf.file("agg.zip"));
    tf.prompt.answer(Answer::Yes);
    UpdateInfo reloaded;
    const UpdateResult r = runUpdateCommand(*ctx, UpdateKind::Databases, [&] { reloaded = readUpdateInfo(*ctx); });
    ASSERT_EQ(r.outcome, UpdateResult::Outcome::Done) << r.message.toStdString();
    EXPECT_EQ(reloaded.label, "Gennaio 2027");
    EXPECT_EQ(reloaded.note, "Nuovi dati");
    ASSERT_EQ(tf.prompt.shown().size(), 3u);
    EXPECT_EQ(tf.prompt.shown()[1].text,
              "Si desidera aggiornare la banca dati con il file: " + tf.file("agg.zip") + " ?");
    EXPECT_EQ(tf.prompt.shown()[1].icon, Icon::Question);
    EXPECT_EQ(tf.prompt.shown()[1].buttons, Buttons::YesNo);
    EXPECT_EQ(tf.prompt.shown()[2].text, "Aggiornamento Banca Dati effettuato.");
    EXPECT_EQ(tf.prompt.shown()[2].icon, Icon::None);
    EXPECT_FALSE(tf.prompt.busy());
}

TEST(Update, CommandRoads)
{
    struct Case {
        const char *what;
        UpdateKind kind;
        QString file; // answered by the open dialog
        std::optional<Answer> answer; // to the question
        UpdateResult::Outcome outcome;
        QStringList messages; // the message boxes, in order (prefixes)
        bool reloaded;
        QString placed; // a file of the archive that must (not) be in the target
    };
    TestFolder tf;
    auto ctx = tf.context();
    ctx->DbFolder = tf.file("Databases/");
    ctx->ShapeFolder = tf.file("Shape/");
    makeZip(tf.file("buono.zip"), {file("nuovo.dbf", "dbf")});
    makeZip(tf.file("cattivo.zip"), {file("nuovo.dbf", "dbf"), file("../fuori.txt", "x")});
    const QString db = "Si desidera aggiornare la banca dati con il file: ";
    const QString maps = "Si desidera aggiornare le mappe con il file: ";
    const std::vector<Case> cases = {
        {"dialog cancelled", UpdateKind::Databases, "", std::nullopt, UpdateResult::Outcome::Cancelled, {}, false, ""},
        {"answered no",
         UpdateKind::Databases,
         tf.file("buono.zip"),
         Answer::No,
         UpdateResult::Outcome::Cancelled,
         {db},
         false,
         "Databases/nuovo.dbf"},
        {"refused archive",
         UpdateKind::Databases,
         tf.file("cattivo.zip"),
         Answer::Yes,
         UpdateResult::Outcome::Failed,
         {db, "Aggiornamento Banca Dati non effettuato.\r\nL'archivio contiene un percorso non ammesso (../fuori.txt)"},
         false,
         "Databases/nuovo.dbf"},
        {"maps",
         UpdateKind::Maps,
         tf.file("buono.zip"),
         Answer::Yes,
         UpdateResult::Outcome::Done,
         {maps, "Aggiornamento mappe effettuato."},
         false,
         "Shape/nuovo.dbf"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        tf.prompt.clear();
        tf.prompt.answerFile(c.file);
        if (c.answer)
            tf.prompt.answer(*c.answer);
        bool reloaded = false;
        const UpdateResult r = runUpdateCommand(*ctx, c.kind, [&] { reloaded = true; });
        EXPECT_EQ(r.outcome, c.outcome);
        EXPECT_EQ(reloaded, c.reloaded);
        const QStringList shown = tf.prompt.messages();
        ASSERT_EQ(shown.size(), c.messages.size());
        for (int i = 0; i < shown.size(); ++i)
            EXPECT_TRUE(shown[i].startsWith(c.messages[i])) << shown[i].toStdString();
        if (c.outcome == UpdateResult::Outcome::Failed) {
            EXPECT_TRUE(shown.last().endsWith("non è stata modificata."));
            EXPECT_EQ(tf.prompt.shown().back().icon, Icon::Exclamation);
            EXPECT_EQ(tf.prompt.shown().back().title, "Attenzione");
        }
        if (!c.placed.isEmpty())
            EXPECT_EQ(QFile::exists(tf.file(c.placed)), c.outcome == UpdateResult::Outcome::Done);
    }
    EXPECT_FALSE(QFile::exists(tf.file("fuori.txt")));
}

// The information window from its menu item: the update label and note, changed by an update.

#include "makezip.h"
#include "metadata/ui/frminfo.h"
#include "shell/store.h"
#include "support/startmain.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>
#include <zip.h>

using namespace qrn;
using namespace qrn::test;

TEST(FrmInfo, OpensFromTheMenuAndShowsTheNewDataAfterAnUpdate)
{
    TestFolder tf;
    auto ctx = tf.context();
    auto main = startMainWindow(tf, *ctx);
    QFile::copy(tf.file("Databases/Metadati.sqlite"), tf.file("nuovo.sqlite"));
    Connection::open(tf.file("nuovo.sqlite"), NumberFormat::comma())
        ->execute("UPDATE InfoAggiornamento SET Etichetta = 'Marzo 2027', Nota = 'Serie 2008 completa'");
    makeZip(tf.file("agg.zip"), {file("Metadati.sqlite", tf.read("nuovo.sqlite"))});
    tf.prompt.answerFile(tf.file("agg.zip"));
    tf.prompt.answer(Answer::Yes);

    // The item is modal: the window is driven while the menu command waits for it.
    QStringList labels;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<ui::frmInfo *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        labels << w->findChild<QLabel *>("lblVersioneBd")->text();
        QTest::mouseClick(w->findChild<QPushButton *>("cmdAggiornaBd"), Qt::LeftButton);
        labels << w->findChild<QLabel *>("lblVersioneBd")->text() << w->findChild<QLabel *>("lblNote")->text();
        QTest::mouseClick(w->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
    });
    main->findChild<QAction *>("mnu_submnu_1")->trigger();
    EXPECT_EQ(labels,
              (QStringList {"Ultimo aggiornamento dei dati: Dicembre 2026 - dati di esempio",
                            "Ultimo aggiornamento dei dati: Marzo 2027", "Note: Serie 2008 completa"}));
}

// The window asks what the core does not: the archive, the confirmation, the password (in
// Italian); a refusal is shown and written to Error.log under the window's name.
TEST(FrmInfo, AsksThePasswordAndLogsARefusal)
{
    TestFolder tf;
    auto ctx = tf.context();
    ctx->ShapeFolder = tf.file("Shape/");
    ui::frmInfo w(*ctx, *ctx, nullptr);
    makeZip(tf.file("segreto.zip"), {encrypted("segreto.dbf", "s", ZIP_EM_AES_256, "chiave")});
    makeZip(tf.file("cattivo.zip"), {file("../fuori.txt", "x")});
    struct Case {
        QString zip;
        std::vector<std::optional<QString>> passwords;
        UpdateResult::Outcome outcome;
    };
    using enum UpdateResult::Outcome;
    for (const Case &c : {Case {tf.file("segreto.zip"), {QString("sbagliata"), QString("chiave")}, Done},
                          Case {tf.file("segreto.zip"), {std::nullopt}, NeedsPassword},
                          Case {tf.file("cattivo.zip"), {}, Failed}}) {
        SCOPED_TRACE(c.zip.toStdString());
        QFile::remove(ctx->log.errorLogPath());
        tf.prompt.clear();
        tf.prompt.answerFile(c.zip);
        tf.prompt.answer(Answer::Yes);
        for (const auto &p : c.passwords)
            tf.prompt.answerInput(p);
        EXPECT_EQ(w.cmdAggiornaMappe_Click().outcome, c.outcome);
        const auto &shown = tf.prompt.shown();
        const auto asked = [](const auto &box) { return box.text == updatePasswordQuestion(); };
        EXPECT_EQ(std::count_if(shown.begin(), shown.end(), asked), qsizetype(c.passwords.size()));
        const QString log = QString::fromLocal8Bit(tf.read("Files/Error.log"));
        EXPECT_EQ(log.contains("Module:frmInfo Function: cmdAggiornaMappe_Click"), c.outcome != Done) << log.toStdString();
    }
}

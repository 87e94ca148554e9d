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
        EXPECT_TRUE(w->findChild<QPushButton *>("cmdAggiornaMappe") && w->findChild<QPushButton *>("cmdHelp"));
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

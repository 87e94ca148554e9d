// The information window opened from its menu item: the update label and note, and a
// database update that changes them.

#include "makezip.h"
#include "metadata/ui/frminfo.h"
#include "shell/context.h"
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

    // A new Metadati with another label, delivered in an archive.
    QFile::copy(tf.file("Databases/Metadati.sqlite"), tf.file("nuovo.sqlite"));
    Connection::open(tf.file("nuovo.sqlite"), NumberFormat::comma())
        ->execute("UPDATE InfoAggiornamento SET Etichetta = 'Marzo 2027', Nota = 'Serie 2008 completa'");
    QFile f(tf.file("nuovo.sqlite"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    makeZip(tf.file("agg.zip"), {file("Metadati.sqlite", f.readAll())});
    tf.prompt.answerFile(tf.file("agg.zip"));
    tf.prompt.answer(Answer::Yes);

    // The item is modal: the window is driven while the menu command waits for it.
    QString before, after, note;
    bool named = false;
    QTimer::singleShot(0, [&] {
        auto *w = qobject_cast<ui::frmInfo *>(QApplication::activeModalWidget());
        ASSERT_NE(w, nullptr);
        named = w->findChild<QPushButton *>("cmdAggiornaMappe") && w->findChild<QPushButton *>("cmdHelp");
        before = w->findChild<QLabel *>("lblVersioneBd")->text();
        QTest::mouseClick(w->findChild<QPushButton *>("cmdAggiornaBd"), Qt::LeftButton);
        after = w->findChild<QLabel *>("lblVersioneBd")->text();
        note = w->findChild<QLabel *>("lblNote")->text();
        QTest::mouseClick(w->findChild<QPushButton *>("cmdOK"), Qt::LeftButton);
    });
    QAction *item = main->findChild<QAction *>("mnu_submnu_1");
    ASSERT_NE(item, nullptr);
    item->trigger();

    EXPECT_TRUE(named);
    EXPECT_EQ(before, "Ultimo aggiornamento dei dati: Dicembre 2026 - dati di esempio");
    EXPECT_EQ(after, "Ultimo aggiornamento dei dati: Marzo 2027");
    EXPECT_EQ(note, "Note: Serie 2008 completa");
}

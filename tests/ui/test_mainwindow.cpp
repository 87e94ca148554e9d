// The main window started on the sample data, as a user sees it.

#include "shell/ui/mainwindow.h"
#include "shell/ui/splash.h"
#include "support/testfolder.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTest>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {
QApplication &app()
{
    return *qApp;
}

int countActions(const QList<QAction *> &actions)
{
    int n = 0;
    for (QAction *a : actions) {
        ++n;
        if (a->menu())
            n += countActions(a->menu()->actions());
    }
    return n;
}
} // namespace

TEST(MainWindow, StartsWithMenusFromTheTableAndTheSplash)
{
    app();
    TestFolder tf;
    auto ctx = tf.context();
    ui::MainWindow w(*ctx);
    InstanceLock lock(tf.path());
    w.show();
    ASSERT_EQ(w.startUp(lock), StartupOutcome::Running);
    EXPECT_EQ(w.windowTitle(), "Quarnaro");
    EXPECT_EQ(w.objectName(), "frmMainMDI");
    const QList<QAction *> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(top[2]->text(), "&Indicatori");
    // Every entry of the table is in the bar: nodes of the model = actions of the bar.
    EXPECT_EQ(countActions(top), w.menuModel().countNodes());
    QAction *disabled = nullptr;
    for (QAction *a : top[2]->menu()->actions())
        if (a->text() == "Indicatori comunali (non disponibili)")
            disabled = a;
    ASSERT_TRUE(disabled);
    EXPECT_FALSE(disabled->isEnabled());
    QAction *checked = w.findChild<QAction *>("mnu_submnu_7");
    ASSERT_TRUE(checked);
    EXPECT_TRUE(checked->isChecked());

    ASSERT_TRUE(w.splash());
    auto *info = w.splash()->findChild<QLabel *>("lblInfo");
    ASSERT_TRUE(info);
    EXPECT_TRUE(info->text().contains("sintetici")) << info->text().toStdString();
    QWidget *frame = w.splash()->parentWidget();
    EXPECT_EQ(frame->pos(), QPoint(0, 0));

    // A command whose window is not built opens nothing and says nothing.
    const int before = w.area()->subWindowList().size();
    w.findChild<QAction *>("mnu_submnu_2")->trigger();
    EXPECT_EQ(w.area()->subWindowList().size(), before);
    EXPECT_EQ(ctx->CurrentDb, "Variabili.mdb");
    EXPECT_EQ(ctx->CurrentLevel, "P");
    EXPECT_TRUE(tf.prompt.messages().isEmpty());
}

TEST(MainWindow, ChildWindowsAreCentredAtTheTopEvenWhenWider)
{
    app();
    TestFolder tf;
    auto ctx = tf.context();
    ui::MainWindow w(*ctx);
    w.resize(800, 600);
    w.show();
    auto *narrow = new QWidget;
    narrow->setObjectName("frmNarrow");
    narrow->resize(300, 200);
    w.showChild(narrow);
    QWidget *f1 = narrow->parentWidget();
    EXPECT_EQ(f1->y(), 0);
    EXPECT_NEAR(f1->x(), (w.area()->viewport()->width() - f1->width()) / 2, 1);
    auto *wide = new QWidget;
    wide->setObjectName("frmWide");
    wide->setMinimumWidth(1400);
    w.showChild(wide);
    EXPECT_LT(wide->parentWidget()->x(), 0);
}

TEST(MainWindow, HelpOpensThePageOfAContext)
{
    app();
    TestFolder tf;
    tf.write("Files/Help/index.html", "<html><body><h1>Indice della guida</h1></body></html>");
    tf.write("Files/Help/200.html", "<html><body><h1>Selezione dei dati</h1></body></html>");
    auto ctx = tf.context();
    ctx->HelpFile = tf.file("Files/Help/");
    ui::MainWindow w(*ctx);
    w.show();
    w.ShowHelp(200);
    auto *browser = w.findChild<QTextBrowser *>("txtHelp");
    ASSERT_TRUE(browser);
    EXPECT_TRUE(browser->toPlainText().contains("Selezione dei dati"));
    w.ShowHelp(999); // no page of its own: the index
    EXPECT_TRUE(browser->toPlainText().contains("Indice della guida"));
}

// A main window shown on an empty program folder, without the start-up.
struct BareMain {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    ui::MainWindow w {*ctx};
    BareMain()
    {
        ctx->HelpFile = tf.file("Files/Help/");
        w.show();
    }
};

// Help opens readable, in a window of its own at least half as wide as the main window, and
// from a modal window it opens above it, where it can be used.
TEST(MainWindow, HelpIsReadableAndUsableFromAModalWindow)
{
    BareMain m;
    ui::MainWindow &w = m.w;
    w.ShowHelp(300);
    QWidget *help = w.findChild<QTextBrowser *>("txtHelp")->window();
    EXPECT_EQ(help->objectName(), "frmHelp");
    EXPECT_TRUE(help->isVisible());
    EXPECT_GE(help->width(), w.width() / 2);
    EXPECT_GE(help->height(), w.height() / 2);
    EXPECT_TRUE(w.area()->subWindowList().isEmpty()) << "not inside the main window's area";
    help->close();

    QDialog modal(&w);
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    w.ShowHelp(310);
    auto *browser = modal.findChild<QTextBrowser *>("txtHelp");
    ASSERT_TRUE(browser) << "help belongs to the modal window, so it is not blocked by it";
    EXPECT_TRUE(browser->window()->isVisible());
    EXPECT_NE(browser->window(), &modal) << "a window of its own";
    EXPECT_GE(browser->window()->width(), w.width() / 2);
    modal.close();
}

// Closing a window gives the focus back to the one that was active before it, not to the
// window that was opened first.
TEST(MainWindow, ClosingAWindowReturnsToThePreviouslyActiveOne)
{
    BareMain m;
    ui::MainWindow &w = m.w;
    QApplication::setActiveWindow(&w);
    auto child = [&](const char *name) {
        auto *c = new QWidget;
        c->setObjectName(name);
        c->setAttribute(Qt::WA_DeleteOnClose);
        c->resize(300, 200);
        return w.showChild(c);
    };
    QMdiSubWindow *selection = child("FormdatiTab");
    QMdiSubWindow *grid = child("frm_dispData");
    ASSERT_EQ(w.area()->activeSubWindow(), grid);
    QMdiSubWindow *sheet = child("frmSchedaMetadati");
    ASSERT_EQ(w.area()->activeSubWindow(), sheet);
    sheet->close();
    EXPECT_EQ(w.area()->activeSubWindow(), grid);

    w.area()->setActiveSubWindow(selection);
    w.area()->setActiveSubWindow(grid);
    w.ShowHelp(300);
    QWidget *help = w.findChild<QTextBrowser *>("txtHelp")->window();
    QApplication::setActiveWindow(help);
    help->close();
    QApplication::setActiveWindow(&w);
    EXPECT_EQ(w.area()->activeSubWindow(), grid);
}

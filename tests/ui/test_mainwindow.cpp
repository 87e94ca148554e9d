// The main window on the sample data, as a user sees it.

#include "shell/ui/mainwindow.h"
#include "shell/ui/splash.h"
#include "support/testfolder.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QTextBrowser>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {

int countActions(const QList<QAction *> &actions)
{
    int n = 0;
    for (QAction *a : actions)
        n += 1 + (a->menu() ? countActions(a->menu()->actions()) : 0);
    return n;
}

// A main window shown on a program folder with the sample, without the start-up.
struct Main {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    ui::MainWindow w {*ctx};
    Main()
    {
        ctx->HelpFile = tf.file("Files/Help/");
        w.show();
    }
    QMdiSubWindow *child(const char *name)
    {
        auto *c = new QWidget;
        c->setObjectName(name);
        c->setAttribute(Qt::WA_DeleteOnClose);
        c->resize(300, 200);
        return w.showChild(c);
    }
};

} // namespace

TEST(MainWindow, StartsWithMenusFromTheTableAndTheSplash)
{
    Main m;
    ui::MainWindow &w = m.w;
    InstanceLock lock(m.tf.path());
    ASSERT_EQ(w.startUp(lock), StartupOutcome::Running);
    EXPECT_TRUE(m.ctx->areaQuery.started());
    EXPECT_FALSE(QFile::exists(m.tf.file("Files/Error.log")));
    // Every entry of the table is in the bar, and File > Esci (Ctrl+Q) after a separator.
    const QList<QAction *> top = w.menuBar()->actions();
    ASSERT_EQ(top.size(), 5);
    EXPECT_EQ(countActions(top), w.menuModel().countNodes() + 2);
    QAction *quit = top[0]->menu()->actions().last();
    EXPECT_EQ(quit->objectName() + "|" + quit->shortcut().toString(), "mnuEsci|Ctrl+Q");
    QAction *disabled = nullptr;
    for (QAction *a : top[2]->menu()->actions())
        disabled = a->text() == "Indicatori comunali (non disponibili)" ? a : disabled;
    ASSERT_TRUE(disabled);
    EXPECT_FALSE(disabled->isEnabled());
    ASSERT_TRUE(w.splash());
    EXPECT_EQ(w.splash()->parentWidget()->pos(), QPoint(0, 0));

    // A command whose window is not built opens nothing and says nothing.
    const int before = w.area()->subWindowList().size();
    w.findChild<QAction *>("mnu_submnu_2")->trigger();
    EXPECT_EQ(w.area()->subWindowList().size(), before);
    EXPECT_TRUE(m.tf.prompt.messages().isEmpty());
}

// A child window opens centred at the top, even one wider than the area; where the user left
// it, and the main window's size, are where the next main window on the folder shows them.
TEST(MainWindow, ChildWindowsOpenCentredAtTheTopThenWhereTheUserLeftThem)
{
    Main m;
    m.w.resize(900, 640);
    QMdiSubWindow *f1 = m.child("frmRicordata");
    EXPECT_EQ(f1->y(), 0);
    EXPECT_NEAR(f1->x(), (m.w.area()->viewport()->width() - f1->width()) / 2, 1);
    auto *wide = new QWidget;
    wide->setMinimumWidth(1400);
    EXPECT_LT(m.w.showChild(wide)->x(), 0);

    f1->setGeometry(40, 30, 420, 260);
    f1->close();
    m.w.close();
    ui::MainWindow again {*m.ctx};
    again.show();
    EXPECT_EQ(again.size(), QSize(900, 640));
    auto *c = new QWidget;
    c->setObjectName("frmRicordata");
    EXPECT_EQ(again.showChild(c)->geometry(), QRect(40, 30, 420, 260));
}

// Help shows the page of a context, or the index when it has none.
TEST(MainWindow, HelpIsReadableAndUsableFromAModalWindow)
{
    Main m;
    ui::MainWindow &w = m.w;
    m.tf.write("Files/Help/index.html", "<html><body><h1>Indice della guida</h1></body></html>");
    m.tf.write("Files/Help/200.html", "<html><body><h1>Selezione dei dati</h1></body></html>");
    // The help window of parent: visible, its own, at least half the main window.
    auto help = [&](QWidget *parent) {
        auto *browser = parent->findChild<QTextBrowser *>("txtHelp");
        QWidget *h = browser ? browser->window() : nullptr;
        EXPECT_TRUE(h && h != parent && h->isVisible() && h->objectName() == "frmHelp");
        EXPECT_TRUE(h && h->width() >= w.width() / 2 && h->height() >= w.height() / 2);
        return browser;
    };
    w.ShowHelp(200);
    EXPECT_TRUE(help(&w)->toPlainText().contains("Selezione dei dati"));
    w.ShowHelp(999);
    EXPECT_TRUE(help(&w)->toPlainText().contains("Indice della guida"));
    EXPECT_TRUE(w.area()->subWindowList().isEmpty()) << "not inside the main window's area";
    help(&w)->window()->close();

    QDialog modal(&w);
    modal.setWindowModality(Qt::ApplicationModal);
    modal.show();
    ASSERT_EQ(QApplication::activeModalWidget(), &modal);
    w.ShowHelp(310);
    help(&modal); // it belongs to the modal window, so it is not blocked by it
    modal.close();
}

TEST(MainWindow, ClosingAWindowReturnsToThePreviouslyActiveOne)
{
    Main m;
    ui::MainWindow &w = m.w;
    QApplication::setActiveWindow(&w);
    QMdiSubWindow *selection = m.child("FormdatiTab");
    QMdiSubWindow *grid = m.child("frm_dispData");
    ASSERT_EQ(w.area()->activeSubWindow(), grid);
    QMdiSubWindow *sheet = m.child("frmSchedaMetadati");
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

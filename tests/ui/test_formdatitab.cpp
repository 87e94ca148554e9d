// The selection window driven as a user drives it, on the sample data.

#include "catalogue/ui/formdatitab.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

namespace {
struct Scenario {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = qrn::test::startMainWindow(tf, *ctx);
    ui::FormdatiTab *w = nullptr;

    explicit Scenario(int command)
    {
        main->runMenuCommand(command);
        w = qobject_cast<ui::FormdatiTab *>(main->registry().existing("FORMDATITAB"));
    }
    template <class T> T *child(const char *name) { return w->findChild<T *>(QString::fromLatin1(name)); }
    // The grid the selection handed its query to, if open.
    ui::SelectionResultWindow *grid() const
    {
        return dynamic_cast<ui::SelectionResultWindow *>(main->registry().existing("FRM_DISPDATA"));
    }
    void click(QTreeWidgetItem *node)
    {
        QTreeWidget *tree = child<QTreeWidget>("objtree");
        tree->scrollToItem(node);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(node).center());
    }
};
} // namespace

TEST(FormdatiTab, YearsOpenOnDemandAndRowsAreAddedOnceUpToTheLimit)
{
    Scenario s(2);
    ASSERT_TRUE(s.w);
    EXPECT_FALSE(s.child<QPushButton>("serie")->isEnabled());
    EXPECT_FALSE(s.main->splash()) << "the splash closes when the selection window is activated";
    QTreeWidgetItem *item = s.w->nodeByKey("AS013");
    ASSERT_TRUE(item);
    // Open the area and the topic, then the item: its years arrive.
    s.click(item->parent()->parent());
    s.click(item->parent());
    s.click(item);
    ASSERT_GT(item->childCount(), 0);
    QTreeWidgetItem *year = item->child(0);
    s.click(year);
    s.click(year);
    QListWidget *list = s.child<QListWidget>("lst_allVar");
    ASSERT_EQ(list->count(), 1);
    EXPECT_EQ(list->item(0)->text(), "AS013-" + year->text(0) + " - " + item->text(0));
    EXPECT_EQ(s.child<QLineEdit>("txtCount")->text(), "1");
    EXPECT_TRUE(s.child<QPushButton>("serie")->isEnabled());

    // Every year of every item: the rows stop at the limit, with the message.
    for (QTreeWidgetItemIterator it(s.child<QTreeWidget>("objtree")); *it; ++it)
        s.w->objtree_NodeClick(*it); // an item opens its years as it is clicked, so they follow it
    EXPECT_EQ(list->count(), 251);
    EXPECT_EQ(s.tf.prompt.messages().value(0), "Raggiunto il limite massimo di Variabili selezionabili.");
    // A double click removes a row.
    const QString removed = list->item(3)->text();
    const QPoint at = list->visualItemRect(list->item(3)).center();
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(list->toolTip(), removed);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(s.child<QLineEdit>("txtCount")->text(), "250");
}

TEST(FormdatiTab, TerritoriesByGroupsByNameAndByKeyBuildTheQuery)
{
    Scenario s(2);
    ASSERT_TRUE(s.w);
    EXPECT_TRUE(s.child<QRadioButton>("OptVisualizza_2")->isChecked());
    QTreeWidgetItem *item = s.w->nodeByKey("AS013");
    s.w->objtree_NodeClick(item);
    s.w->objtree_NodeClick(item->child(item->childCount() - 1));

    // No territory: the warning, no query.
    s.w->serie_Click();
    EXPECT_EQ(s.tf.prompt.messages().value(0), "Selezionare un territorio!");
    EXPECT_FALSE(s.grid());

    // "Tutte le regioni" selects the 20 regions, L'Aquila is added by name: 21 rows at the regions' level.
    s.child<QCheckBox>("Check1_6")->click();
    s.w->selectTerritories({"L'Aquila"});
    s.tf.prompt.clear();
    s.w->serie_Click();
    EXPECT_TRUE(s.tf.prompt.shown().empty()) << s.tf.prompt.messages().join("|").toStdString();
    ASSERT_TRUE(s.grid());
    EXPECT_EQ(s.ctx->GetDbConnection("Variabili.mdb")->query(s.grid()->selection().sql).recordCount(), 21);
    EXPECT_EQ(s.grid()->selection().level, 4);
    // "Visualizza scheda metadati": the sheet of the chosen row's item.
    s.child<QPushButton>("cmdmetadati")->click();
    QWidget *sheet = s.main->registry().existing("FRMSCHEDAVARIABILI");
    EXPECT_TRUE(sheet && sheet->findChild<QLineEdit *>("txtVariabili")->text().startsWith("AS013 - "));

    // A letter typed in the territory list moves to the first name with it; the selection stays.
    QListWidget *terr = s.child<QListWidget>("lstDescTerr");
    s.w->selectTerritories({"Lombardia", "Lazio"});
    const QStringList chosen = s.w->selectedTerritories();
    ASSERT_TRUE(chosen.contains("Lombardia"));
    terr->setFocus();
    for (const char *keys : {"l", "lo", "m", "r"}) {
        QTest::keyClicks(terr, QString::fromLatin1(keys));
        EXPECT_EQ(s.w->selectedTerritories(), chosen) << keys;
        QTest::qWait(QApplication::keyboardInputInterval() + 50);
    }
    QTest::keyClicks(terr, "lo");
    EXPECT_TRUE(terr->currentItem()->text().startsWith("Lo")) << "the key search still moves the current row";

    // Reset clears the rows.
    s.child<QTabWidget>("SSTab1")->setCurrentIndex(1);
    s.child<QPushButton>("CmdNewric")->click();
    EXPECT_EQ(s.child<QListWidget>("lst_allVar")->count(), 0);
    EXPECT_FALSE(s.child<QPushButton>("serie")->isEnabled());
}

TEST(FormdatiTab, TheRegionalLevelLeavesProvincesOut)
{
    Scenario s(3);
    ASSERT_TRUE(s.w);
    EXPECT_FALSE(s.child<QRadioButton>("OptVisualizza_1")->isEnabled());
    EXPECT_FALSE(s.child<QCheckBox>("Check1_1")->isEnabled());
    s.child<QRadioButton>("OptVisualizza_2")->click();
    for (const auto &t : s.w->territories())
        EXPECT_NE(t.type, "1") << t.name.toStdString();
    s.child<QRadioButton>("OptVisualizza_0")->click();
    EXPECT_EQ(s.w->territories().size(), 20u);
    EXPECT_FALSE(s.child<QCheckBox>("Check1_5")->isEnabled());
}

// A menu command for another database, type or level gives the window of that context; the
// same command again keeps the window as the user left it; and "Visualizza Dati" shows the
// rows of the query just built, on its own database, in the grid that is already open.
TEST(FormdatiTab, AMenuCommandOfAnotherContextGivesTheWindowOfThatContext)
{
    Scenario s(2);
    auto current = [&] { return qobject_cast<ui::FormdatiTab *>(s.main->registry().existing("FORMDATITAB")); };
    auto pickFirstYear = [&](const char *code) {
        QTreeWidgetItem *item = current()->nodeByKey(code);
        ASSERT_TRUE(item) << code;
        current()->objtree_NodeClick(item);
        ASSERT_GT(item->childCount(), 0);
        current()->objtree_NodeClick(item->child(0));
        current()->selectTerritories({"Lazio"});
        current()->serie_Click();
    };
    auto ranQuery = [&] { return s.grid() ? s.grid()->ranQuery() : QString(); };
    auto command = [&](int n) {
        s.main->runMenuCommand(n);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    pickFirstYear("AS013");
    EXPECT_TRUE(ranQuery().contains("AS013_"));

    command(9); // the indicators of IndEconomici.mdb
    ASSERT_TRUE(current());
    EXPECT_EQ(s.main->findChildren<ui::FormdatiTab *>().size(), 1);
    EXPECT_EQ(current()->findChild<QTabWidget *>("SSTab1")->tabText(1), "Indicatori");
    EXPECT_FALSE(current()->nodeByKey("AS013"));
    pickFirstYear("ITR001");
    EXPECT_TRUE(ranQuery().contains("ITR001_")) << "the open grid ran the new query";
    EXPECT_EQ(s.grid()->selection().db, "IndEconomici.mdb");

    // The same context again: the same window, its chosen row still there.
    command(9);
    EXPECT_EQ(current()->findChild<QListWidget *>("lst_allVar")->count(), 1);

    // Back to the variables (a command that restores the database of the last query): the
    // new query runs on its own database.
    command(2);
    pickFirstYear("AS013");
    EXPECT_TRUE(s.tf.prompt.shown().empty()) << s.tf.prompt.messages().join("|").toStdString();
    EXPECT_TRUE(ranQuery().contains("AS013_"));
}

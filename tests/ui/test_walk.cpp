// The road an analyst walks, end to end: the selection window builds the query of a table of
// provinces and regions, the grid shows it, "Crea cartogramma" asks for the level and opens the
// map of the chosen one, and "Salva..." opens the page editor on that map and its legend. Each
// step checks only that a window got what the one before handed on.

#include "catalogue/ui/formdatitab.h"
#include "layout/ui/printmappa.h"
#include "map/mapyears.h"
#include "map/ui/frm_mappa.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"
#include "table/ui/frm_dispdata.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;

TEST(Walk, SelectionGridMapAndPageOfProvincesAndRegions)
{
    test::TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = test::startMainWindow(tf, *ctx);
    main->resize(1366, 768);

    // Selection: CO001 of 2005 for every province and every region.
    main->runMenuCommand(2);
    auto *sel = qobject_cast<ui::FormdatiTab *>(main->registry().existing("FORMDATITAB"));
    ASSERT_TRUE(sel);
    QTreeWidgetItem *item = sel->nodeByKey("CO001");
    ASSERT_TRUE(item);
    sel->objtree_NodeClick(item);
    for (int i = 0; i < item->childCount(); ++i)
        if (item->child(i)->text(0) == "2005")
            sel->objtree_NodeClick(item->child(i));
    sel->findChild<QCheckBox *>("Check1_1")->click(); // the provinces
    sel->findChild<QCheckBox *>("Check1_6")->click(); // the regions
    sel->findChild<QPushButton *>("serie")->click();

    // Grid: the query the selection built.
    auto *grid = qobject_cast<ui::frm_dispData *>(main->registry().existing("FRM_DISPDATA"));
    ASSERT_TRUE(grid);
    EXPECT_EQ(grid->ranQuery(), grid->selection().sql);
    EXPECT_EQ(grid->selection().level, sel->levelCode());
    // The grid keeps the level of the selection it shows: the selection window may be closed.
    sel->parentWidget()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_FALSE(main->registry().existing("FORMDATITAB"));

    // Map: the mixed table asks for the level; the provinces are mapped.
    QString asked;
    QTimer::singleShot(0, [&asked] {
        QWidget *dialog = QApplication::activeModalWidget();
        asked = dialog ? dialog->windowTitle() : QString();
        if (dialog)
            QTest::mouseClick(dialog->findChild<QPushButton *>("cmdProv"), Qt::LeftButton);
    });
    grid->selectCells({1, 6}, {1, 6});
    grid->findChild<QPushButton *>("cmd_createmap")->click();
    QApplication::processEvents();
    EXPECT_EQ(asked, "Selezione territorio");
    auto *map = main->area()->findChild<ui::frm_Mappa *>("frm_Mappa");
    ASSERT_TRUE(map);
    EXPECT_TRUE(tf.prompt.messages().isEmpty()) << tf.prompt.messages().join('|').toStdString();
    EXPECT_TRUE(map->request().mapCase.name.startsWith("provinc")) << map->request().mapCase.name.toStdString();
    EXPECT_EQ(map->request().territoryFilter, map::territoryFilterOf(grid->ranQuery()));

    // Page: "Salva..." hands the drawn map, its text and its legend to the editor.
    QTest::mouseClick(map->Cmd_cmdAutocolor, Qt::LeftButton);
    QTest::mouseClick(map->cmd_export, Qt::LeftButton);
    auto *page = main->area()->findChild<ui::PrintMappa *>();
    ASSERT_TRUE(page);
    EXPECT_FALSE(page->page().map.isNull());
    EXPECT_EQ(page->page().description.text, map->txtVariabile->text());
    const QList<map::LegendRow> legend = map->legend().rows(true);
    ASSERT_EQ(page->page().legend.count(), legend.size());
    for (int i = 0; i < legend.size(); ++i)
        EXPECT_EQ(page->page().legend[i].text, legend[i].label) << i;
}

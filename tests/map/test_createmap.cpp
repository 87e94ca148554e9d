// The level window and the grid's "Crea cartogramma" on the sample data, from the selection
// window through the grid to the map request.

#include "map/ui/createmap.h"
#include "map/ui/frmselmappa.h"

#include "catalogue/ui/formdatitab.h"
#include "shell/ui/mainwindow.h"
#include "support/startmain.h"
#include "support/testfolder.h"
#include "table/ui/frm_dispdata.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace qrn;
using qrn::test::TestFolder;

TEST(frmSelMappa, ControlsAndTheChoiceOfEachButton)
{
    const struct {
        const char *name, *caption;
        map::LevelChoice choice;
    } buttons[] = {{"cmdReg", "Regione", map::LevelChoice::Regions},
                   {"Cmdnut2", "Nuts2", map::LevelChoice::Nuts2},
                   {"cmdProv", "Provincia", map::LevelChoice::Provinces},
                   {"cmdAnnulla", "Annulla", map::LevelChoice::Cancel}};
    for (const auto &b : buttons) {
        ui::frmSelMappa dlg(3, "T");
        EXPECT_EQ(dlg.windowTitle(), "Selezione territorio");
        auto *button = dlg.findChild<QPushButton *>(b.name);
        ASSERT_TRUE(button) << b.name;
        EXPECT_EQ(button->text(), b.caption);
        dlg.show();
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_EQ(dlg.choice(), b.choice) << b.name;
        EXPECT_FALSE(dlg.isVisible()) << b.name;
    }
    // The provinces are not offered for NUTS-2 selections; the close box is a cancel.
    EXPECT_FALSE(ui::frmSelMappa(2, "T").findChild<QPushButton *>("cmdProv")->isEnabled());
    ui::frmSelMappa closed(3, "T");
    closed.show();
    closed.close();
    EXPECT_EQ(closed.choice(), map::LevelChoice::Cancel);
}

namespace {

struct Scenario {
    TestFolder tf;
    std::unique_ptr<AppContext> ctx = tf.context();
    std::unique_ptr<ui::MainWindow> main = qrn::test::startMainWindow(tf, *ctx);
    ui::FormdatiTab *sel = nullptr;
    ui::frm_dispData *grid = nullptr;
    QList<map::MapRequest> opened;

    // AS013 2005 for the territories of a group box.
    explicit Scenario(int groupBox)
    {
        main->mnu_submnu_Click(2);
        sel = qobject_cast<ui::FormdatiTab *>(main->registry().existing("FORMDATITAB"));
        QTreeWidgetItem *item = sel->nodeByKey("AS013");
        sel->objtree_NodeClick(item);
        for (int i = 0; i < item->childCount(); ++i)
            if (item->child(i)->text(0) == "2005")
                sel->objtree_NodeClick(item->child(i));
        sel->findChild<QCheckBox *>(QString("Check1_%1").arg(groupBox))->click();
        sel->findChild<QPushButton *>("serie")->click();
        grid = qobject_cast<ui::frm_dispData *>(main->registry().existing("FRM_DISPDATA"));
        ui::attachMapCommand(*grid, *main, [this](const map::MapRequest &r) { opened << r; });
        grid->selectCells({1, 6}, {1, 6});
        tf.prompt.clear();
    }
};

} // namespace

// The button and the pop-up of the grid both hand the selected column to the map.
TEST(CreateMapCommand, ProvincesFromTheButtonAndThePopUp)
{
    Scenario s(1);
    ASSERT_TRUE(s.grid);
    s.grid->findChild<QPushButton *>("cmd_createmap")->click();
    ASSERT_EQ(s.opened.size(), 1) << s.tf.prompt.messages().join('|').toStdString();
    EXPECT_EQ(s.opened.first().header, "AS013_2005");
    EXPECT_EQ(s.opened.first().rows.size(), 107);
    EXPECT_EQ(s.grid->year, "2005");
    s.grid->selectCells({1, 6}, {1, 6}); // the command left the selection on the codes
    s.grid->findChild<QAction *>("mnu_createMap")->trigger();
    EXPECT_EQ(s.opened.size(), 2);
}

TEST(CreateMapCommand, CancelledLevelWindowOpensNothing)
{
    Scenario s(5); // every territory: the level is asked
    ASSERT_TRUE(s.grid);
    QString asked;
    QTimer::singleShot(0, [&asked] {
        QWidget *w = QApplication::activeModalWidget();
        asked = w ? w->objectName() : QString();
        if (w)
            QTest::mouseClick(w->findChild<QPushButton *>("cmdAnnulla"), Qt::LeftButton);
    });
    s.grid->cmd_createmap_Click();
    EXPECT_EQ(asked, "frmSelMappa");
    EXPECT_TRUE(s.opened.isEmpty());
    EXPECT_TRUE(s.tf.prompt.messages().isEmpty());
}

#pragma once
// FormdatiTab: the selection window of items, years and territories.

#include "catalogue/catalogue.h"
#include "catalogue/selection.h"

#include <QHash>
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace qrn {
struct CommandContext;
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

class MainWindow;

class FormdatiTab : public QWidget {
    Q_OBJECT
public:
    // command is the context of the menu command that opened the window; the window restores its
    // type and level before it reads an item's years, since the grid it opens reads them.
    FormdatiTab(const ProgramPaths &paths, Services &services, CommandContext &command, MainWindow *main);
    ~FormdatiTab() override;

    // Operations of the window, also driven by the tests.
    void objtree_NodeClick(QTreeWidgetItem *node);
    void OptVisualizza_Click(int index);
    void territoryGroup_Click(int index);
    void serie_Click();
    void CmdNewric_Click();
    void lst_allVar_DblClick(int row);
    void cmdmetadati_Click();
    void showYearNote(QTreeWidgetItem *yearNode);

    QTreeWidgetItem *nodeByKey(const QString &key) const { return m_nodes.value(key); }
    const std::vector<TerritoryEntry> &territories() const { return m_territories; }
    // The rows of lstDescTerr whose names are given, selected (for scripting and tests).
    void selectTerritories(const QStringList &names);
    // The names selected in lstDescTerr, in list order.
    QStringList selectedTerritories() const;
    // The territorial level of the territories offered and ticked: the level of the query that
    // "Visualizza Dati" hands to the grid.
    qint16 levelCode() const { return m_levelCode; }

    // The hand-off to the data grid: set by the main window's registry of windows.
    static constexpr const char *kDataWindow = "FRM_DISPDATA";

protected:
    void showEvent(QShowEvent *e) override;
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    class TreeAdapter;
    void load();
    void fillTerritori(int set, int excluded);
    void collapseOthers(QTreeWidgetItem *clicked);
    void updateCount();
    void reset();
    // LevelCode from the ticked group boxes and the list shown (levelOfGroups).
    void updateLevel();

    const ProgramPaths &m_paths;
    Services &m_services;
    CommandContext &m_command;
    MainWindow *m_main;
    QString m_savedTipo, m_savedLevel;
    ChosenRows m_rows;
    std::vector<TerritoryEntry> m_territories;
    QString m_pTerr;
    qint16 m_listLevel = 3; // the level of the territory list shown, before any group box
    qint16 m_levelCode = 0;
    QHash<QString, QTreeWidgetItem *> m_nodes;
    QHash<QString, bool> m_yearsLoaded;

    QLabel *m_heading;
    QTabWidget *pageTabs;
    QTreeWidget *objtree;
    QListWidget *lst_allVar;
    QLineEdit *txtCount;
    QLabel *lblSelezionati;
    // The note under the catalogue: "Nota: ..." (Label2), the red folder (Image1), the rest (Label5).
    QLabel *noteLead, *noteFolderIcon, *noteTail;
    QListWidget *lstDescTerr, *lstCodTerr;
    QRadioButton *OptVisualizza[4];
    // The check boxes of the territory groups Check1_1 .. Check1_6, by group index (0 unused).
    QCheckBox *territoryGroupBoxes[7];
    QPushButton *serie, *CmdNewric, *cmdmetadati, *cmdChiudi, *cmdHelp;
    QMenu *m_noteMenu;
    QTreeWidgetItem *m_noteNode = nullptr;
    bool m_closing = false;
};

} // namespace qrn::ui

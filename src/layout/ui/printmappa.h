#pragma once
// PrintMappa: the layout editor of the map page. It composes one page from what the map window
// hands over (the map picture, the variable text, the legend rows): the user places the items
// by dragging in the preview (or with the arrow keys; a press on the scale bar or the north arrow
// takes that mark), picks one with a right-click or from its
// tab, styles them from the tabs, moves the border with the margin buttons, chooses the paper,
// and prints or saves the page. Every change is a step of its undo stack (Ctrl+Z, Ctrl+Y); the
// page is kept when the editor closes and comes back when it opens again for the same map.

#include "layout/layoutpage.h"
#include "layout/pagegeometry.h"
#include "layout/pagememory.h"

#include <QStringList>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QMenu;
class QPushButton;
class QSlider;
class QSpinBox;
class QTabWidget;
class QUndoStack;

namespace qrn {
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

class MainWindow;
class PagePreview;

class PrintMappa : public QWidget {
    Q_OBJECT
public:
    // memory: where the page is kept when the editor closes and found when it opens again for
    // the same map (none: every opening starts afresh).
    PrintMappa(const ProgramPaths &paths, Services &services, const MapPageRequest &request, MainWindow *main = nullptr,
               PageMemory *memory = nullptr);
    ~PrintMappa() override;

    LayoutPage &page() { return m_page; }
    const PageItems &items() const { return m_items; }
    PagePreview *preview() const { return m_preview; }
    // The choice among overlapping items; returns the chosen entry or -1 when the pop-up is
    // closed without a choice. The default shows mnu_sel at the pointer.
    void setPopupChooser(std::function<int(const QStringList &)> chooser) { m_chooser = std::move(chooser); }

    void Redraw();
    // The moves and edits, for Ctrl+Z and Ctrl+Y.
    QUndoStack *undoStack() const { return m_undo; }
    // Shows state in the preview and in every control (for undo and redo).
    void applyState(const KeptPage &state);
    void cmdStampa_Click();
    void cmdSalva_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *e) override;

private:
    void Form_Load(const MapPageRequest &request);
    void buildControls();
    void connectControls();
    void preview_MouseDown(Qt::MouseButton button, QPointF at);
    void preview_MouseMove(Qt::MouseButtons buttons, QPointF at);
    void applyItemSwitch(QCheckBox *check, QLineEdit *text, const QList<QWidget *> &controls,
                         const QString &placeholder);
    void chooseColour(QLabel *label);
    void lst_leggenda_DblClick();
    void cmdEditOk_Click();
    // After a text, font or size change: the texts kept inside the border and apart, redrawn.
    void settle();
    // The controls from the page, without their signals.
    void showPage();
    // Records the change since the last one as a step to undo; changes of one kind in a row
    // (typing in one box, one drag) make one step.
    void recordEdit();
    void choosePaper();
    void nudge(QPointF step);
    void clearPopup();
    int popupChoice(const QStringList &names);

    const ProgramPaths &m_paths;
    Services &m_services;
    MainWindow *m_main;
    LayoutPage m_page;
    PageItems m_items;
    bool m_printAtOnce = false;
    bool m_shownOnce = false;
    int m_editedEntry = -1;
    DragGrip m_grip; // the item the left button holds, and where it was grabbed
    int m_mark = -1; // the scale bar or north arrow last pressed on, until a tab is chosen
    PageMemory *m_memory = nullptr;
    MapPageRequest m_request;
    QUndoStack *m_undo = nullptr;
    KeptPage m_recorded; // the page as of the last step recorded
    const QObject *m_lastSource = nullptr; // what made the last step, to join steps of one kind
    int m_stepId = 0;
    bool m_applying = false;
    QString m_selection;
    std::function<int(const QStringList &)> m_chooser;

public:
    // The controls, under the names the program gives them.
    PagePreview *m_preview;
    QLabel *m_spareLabel;
    QTabWidget *m_tabs;
    QCheckBox *Chk_Titolo, *chk_Cartina, *chk_Bordo, *chk_Leggenda, *chkDesc, *chkScala, *chkNord;
    QLineEdit *txt_Titolo;
    QComboBox *cmb_Font, *cmb_Fontsize;
    QLabel *lbl_colore;
    QLineEdit *txtDesc;
    QComboBox *cmbDesc_TipoFont, *cmbDesc_DimFont;
    QLabel *lblDesc_Colore;
    QListWidget *lst_leggenda;
    QComboBox *cmb_LFont, *cmb_LFontSize;
    QLabel *lbl_coloreleggenda;
    QLineEdit *txtEditLegenda;
    QPushButton *cmdEditOk, *cmd_GrM, *cmd_GrP;
    QSlider *m_zoomSlider;
    QLabel *lbl_colorBordo;
    QPushButton *cmd_margSupmen, *cmd_margSuppiu, *cmd_marInfmen, *cmd_marInfpiu;
    QPushButton *cmd_marsinmen, *cmd_marsinpiu, *cmd_mardesmen, *cmd_mardespiu;
    QMenu *mnu_sel;
    QPushButton *cmdSalva, *cmdStampa, *m_helpButton, *cmd_close;
    QComboBox *cmbCarta, *cmbOrientamento;
    QSpinBox *spnRisoluzione;
};

// Opens the editor on a map as a child window of the main window: the map window's "Salva..."
// and "Salva e Stampa" commands come here.
// The pages are kept in the main window, for as long as the program runs.
PrintMappa *openPrintMappa(MainWindow &main, const MapPageRequest &request);

} // namespace qrn::ui

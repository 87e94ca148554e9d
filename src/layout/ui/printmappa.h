#pragma once
// PrintMappa: the layout editor of the map page. It composes one page from what the map window
// hands over (the map picture, the variable text, the legend rows): the user places the items
// by dragging in the preview, picks one with a right-click or from its tab, styles them from the
// tabs, moves the border with the margin buttons, and prints or saves the page.

#include "layout/layoutpage.h"
#include "layout/pagegeometry.h"

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
class QTabWidget;

namespace qrn {
struct AppContext;
}

namespace qrn::ui {

class MainWindow;
class PagePreview;

class PrintMappa : public QWidget {
    Q_OBJECT
public:
    PrintMappa(AppContext &ctx, const MapPageRequest &request, MainWindow *main = nullptr);

    LayoutPage &page() { return m_page; }
    const PageItems &items() const { return m_items; }
    PagePreview *preview() const { return Picture1; }
    // The choice among overlapping items; returns the chosen entry or -1 when the pop-up is
    // closed without a choice. The default shows mnu_sel at the pointer.
    void setPopupChooser(std::function<int(const QStringList &)> chooser) { m_chooser = std::move(chooser); }

    void Redraw();
    void cmdStampa_Click();
    void cmdSalva_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *e) override;

private:
    void Form_Load(const MapPageRequest &request);
    void buildControls();
    void connectControls();
    void Picture1_MouseDown(Qt::MouseButton button, QPointF at);
    void Picture1_MouseMove(Qt::MouseButtons buttons, QPointF at);
    void applyItemSwitch(QCheckBox *check, QLineEdit *text, const QList<QWidget *> &controls,
                         const QString &placeholder);
    void chooseColour(QLabel *label);
    void lst_leggenda_DblClick();
    void cmdEditOk_Click();
    // After a text, font or size change: the texts kept inside the border and apart, redrawn.
    void settle();
    void clearPopup();
    int popupChoice(const QStringList &names);

    AppContext &m_ctx;
    MainWindow *m_main;
    LayoutPage m_page;
    PageItems m_items;
    bool m_printAtOnce = false;
    bool m_shownOnce = false;
    int m_editedEntry = -1;
    DragGrip m_grip; // the item the left button holds, and where it was grabbed
    QString m_selection;
    std::function<int(const QStringList &)> m_chooser;

public:
    // The controls, under the names the program gives them.
    PagePreview *Picture1;
    QLabel *Picture2;
    QTabWidget *SSTab1;
    QCheckBox *Chk_Titolo, *chk_Cartina, *chk_Bordo, *chk_Leggenda, *chkDesc;
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
    QSlider *Slider1;
    QLabel *lbl_colorBordo;
    QPushButton *cmd_margSupmen, *cmd_margSuppiu, *cmd_marInfmen, *cmd_marInfpiu;
    QPushButton *cmd_marsinmen, *cmd_marsinpiu, *cmd_mardesmen, *cmd_mardespiu;
    QMenu *mnu_sel;
    QPushButton *cmdSalva, *cmdStampa, *cmdHelp, *cmd_close;
};

// Opens the editor on a map as a child window of the main window: the map window's "Salva..."
// and "Salva e Stampa" commands come here.
PrintMappa *openPrintMappa(MainWindow &main, const MapPageRequest &request);

} // namespace qrn::ui

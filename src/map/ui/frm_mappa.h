#pragma once
// frm_Mappa ("Modulo cartografico"): the thematic map of one column of the data grid. The user
// picks a method (quartiles, equal amplitude, manual classes, natural breaks), builds the
// classes and draws them on the join layer; the legend grid shows the classes, a click on the
// map identifies a territory or zooms, the settings frame changes the layers' colours, and
// "Salva..." / "Salva e Stampa" hand the map to the print layout.

#include "table/territoryselection.h"
#include "layout/layoutpage.h"
#include "map/classify.h"
#include "map/classifymethod.h"
#include "map/classifystate.h"
#include "map/legend.h"
#include "map/mapdata.h"
#include "map/mapyears.h"
#include "map/mapreport.h"
#include "map/maptable.h"
#include "map/shapeconfig.h"
#include "map/thematic.h"
#include "shell/ui/elidedlabel.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QTableWidget;
class QTreeWidget;

namespace qrn {
struct CommandContext;
struct ProgramPaths;
struct Services;
} // namespace qrn

namespace qrn::ui {

class ChartWindow;
class MainWindow;
class MapWidget;
class YearBar;

class frm_Mappa : public QWidget {
    Q_OBJECT
public:
    // The window keeps the paths and the services; command is read while the window opens
    // (the database and the kind of item the other years of the item come from).
    frm_Mappa(const ProgramPaths &paths, Services &services, const CommandContext &command,
              const map::MapRequest &request, MainWindow *main = nullptr);
    ~frm_Mappa() override;

    // The one map window of main: an open one closes (dropping its map table) and a new one
    // opens on the request as a child of the main window, with the paths and services of main
    // and the command context of the grid the map comes from.
    // The selection, when given, is the one that grid shares.
    static frm_Mappa *open(MainWindow &main, const map::MapRequest &request, const CommandContext &command,
                           TerritorySelection *selection = nullptr);

    // The territories selected here and in the grid: the map outlines them, a click selects
    // one (Ctrl+click adds or removes it), Esc empties it. The window does not own it.
    void setTerritorySelection(TerritorySelection *selection);
    TerritorySelection *territorySelection() const { return m_territories.data(); }

    const map::MapRequest &request() const { return m_request; }
    const map::ShapeCase &shapeCase() const { return m_case; }
    const map::ColumnStats &stats() const { return m_stats; }
    const map::ClassifyControls &controlStates() const { return m_state; }
    // Whether a thematic map is drawn (identify answers only then).
    bool drawn() const { return m_drawn.has_value(); }
    // The legend model GridIndici shows, and its rows (swatch colour and label).
    const map::Legend &legend() const { return m_legend; }
    QList<map::LegendRow> legendRows() const;
    // Where "Salva..." and "Salva e Stampa" send the map page; by default the print layout of
    // the main window.
    std::function<void(const MapPageRequest &)> printOpener;

    // The handlers, named after their controls.
    void Cmd_cmdAutocolor_Click();
    void cmdSelClassiUgualeAmp_Click();
    void cmd_Select_Click();
    void cmd_GoMap_Click();
    void drawMadeClasses_Click();
    void cmd_reset_Click();
    void cmd_applica_Click();
    void cmd_salva_Click();
    void cmd_export_Click();
    void cmd_Stampa_Click();
    void cmdNota_Click();
    void DoIdentify(QPointF pixel);
    void DoZoom(bool shift);
    void RefreshScale();
    // A left click on the map without zoom: the territory under it becomes the selection, or
    // with toggle is added or taken away; a click beside every territory empties it.
    void selectAt(QPointF pixel, bool toggle);
    // Selects the territories a band (map units) touches, or adds them to the selection.
    void selectInBand(const QRectF &band, bool add);
    void cmdZoomSelezione_Click();
    // "Istogramma": the chart window of the mapped values with the classes of the legend, kept
    // up to date while the classes change.
    void cmdIstogramma_Click();
    ChartWindow *histogramWindow() const;
    // The tip of Map2 at a pixel: the territory's name and value, or nothing.
    QString territoryTipAt(QPointF pixel) const;
    // The year bar: the map of the item in another year (the rows read once), redrawn with the
    // classes of that year or with those fixed over all the years; the zoom and the selection
    // stay. False, with the reason shown, when the year cannot be read.
    bool showYear(const QString &year);
    void chkClassiFisse_Click(bool fixed);
    // The option button of a method.
    QRadioButton *optionOf(map::Method kind) const;

protected:
    void closeEvent(QCloseEvent *e) override;
    void showEvent(QShowEvent *e) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildControls();
    void connectControls();
    void Form_Load(const CommandContext &command);
    void loadLayers(const QString &procedure);
    void selectMethod(map::Method m);
    void applyStates();
    void cmb_namelayers_Click(int index);
    void mapView_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pixel);
    void GridIndici_Click(int row, int column);
    void chooseColour(QLabel *swatch);
    // GridIndici shows the rows of the legend model again, with the note when they are not
    // yet on the map.
    void showLegend();
    bool legendPending() const;
    // The colours of a legend of the method: the palette's when one is chosen, else the
    // method's own (the swatches, the equal-amplitude ramp, the colours chosen class by class).
    void recolour(map::Legend &legend, map::Method kind) const;
    void cmb_palette_Click();
    void appendLegendRow(const map::LegendRow &row);
    // What the chosen method classifies: the values, their statistics and the boxes.
    map::ClassRequest classRequest() const;
    // The colours chosen for a method: the ColorBrewer palette of cmb_palette, else the ramp of
    // the quartile swatches or the one the equal-amplitude classes start from.
    map::ColourChoice colourChoice(map::Method kind) const;
    // The colours of count classes in that choice (the ramp when the palette has no such count).
    QList<QColor> choiceColours(map::Method kind, int count) const;
    // The colours of a method's classes (map::methodColours, with the ramp for a palette short
    // of classes).
    QList<QColor> outcomeColours(const map::MethodOutcome &out, map::Method kind) const;
    // Colours the join layer with a drawing and shows its legend and its counts.
    void showDrawing(const map::Drawing &drawing);
    // A map that would colour no territory: its message shown and logged; true when so.
    bool refusedMap();
    // Shows a refusal of the core through the prompt and, when it is a failure, logs it.
    void report(const map::MapFailure &f);
    // lblStato: the territories on the map, and after a drawing those in a class.
    void showStatus();
    // The outline of the shared selection on Map2, and the count in lblStato.
    void showSelection();
    void drawLegendClasses(bool madeAtOnce);
    void handOff(bool printAtOnce);
    // The texts and statistics of the mapped column.
    void showColumn();
    // The current year drawn again in the classes the map has (its own or the fixed ones).
    void redrawYear();
    // The caption of the legend's classes: fixed over the years or of the year.
    void showYearCaption();
    void dropTable();
    map::LayerConfig *selectedEntry();

    const ProgramPaths &m_paths;
    Services &m_services;
    MainWindow *m_main;
    map::MapRequest m_request;
    map::ShapeCase m_case;
    map::ColumnStats m_stats;
    map::ClassifyControls m_state;
    map::ManualClassifier m_manual;
    // The legend of the classes made or drawn; GridIndici shows it, the drawing reads its
    // limits, the page its rows.
    map::Legend m_legend;
    map::Method m_legendMethod = map::Method::Quartiles;
    QList<QColor> m_manualColours; // the colour chosen for each manual class
    std::optional<map::ThematicClasses> m_drawn;
    map::Method m_drawnMethod = map::Method::Quartiles;
    map::JoinCheck m_join; // the request on the join layer of the loaded case
    QPointer<TerritorySelection> m_territories;
    // The years of the item, and the classes fixed over them once computed.
    std::unique_ptr<map::MapYears> m_years;
    std::optional<map::Legend> m_fixedLegend;
    bool m_yearDrawing = false; // a drawing of the year bar, not of the classification frames
    QPointer<ChartWindow> m_histogram;
    // Shows the present classes in the histogram window, when it is open.
    void updateHistogram();
    bool m_tableDropped = false;
    bool m_shownOnce = false;
    const QString m_module = QStringLiteral("frm_Mappa");

public:
    // The controls, most under their object names; those whose object name is only a number
    // (Frame1, Label9, ...) under what they are, with the object name beside.
    QLineEdit *txtVariabile;
    QLabel *lbl_Ricfor;
    QSplitter *picSplitter;
    MapWidget *mapView; // Map2
    QPushButton *cmdEstensione; // the whole map again
    QPushButton *cmdZoomSelezione; // the selected territories
    QPushButton *cmdIstogramma;
    QScrollArea *scrollControlli; // the controls beside the map, scrolling when low
    QLabel *lblScalaKm;
    ElidedLabel *lblStato; // the territories on the map and in the classes, on one line
    QGroupBox *methodFrame; // Frame1 "Tipo rappresentazione"
    // One option button per method of the registry, in its order (Option1 quartiles ... Option6
    // box map); optionOf finds a method's.
    QList<std::pair<QRadioButton *, const map::ClassificationMethod *>> methodOptions;
    QPushButton *cmdNota;
    QComboBox *cmb_palette;
    QLabel *lblClassi, *lblMaxClassi;
    QLineEdit *txtClassi, *txt_min, *txt_Max;
    QLabel *lbl_mincon, *lbl_maxcon;
    QGroupBox *quartileFrame; // Frame5, quartiles
    QLabel *lbl_mincolor, *lbl_maxcolor;
    QPushButton *Cmd_cmdAutocolor;
    QGroupBox *madeClassesFrame; // Frame3, the methods that make all their classes at once
    QPushButton *cmdSelClassiUgualeAmp;
    QPushButton *drawMadeClassesButton; // Command2 "Visualizza mappa" of those methods
    QCheckBox *wideFencesCheck; // chkCardine3, box map: fences at 3 interquartile ranges
    QGroupBox *manualFrame; // Frame2, manual
    QLabel *lbl_colore;
    QPushButton *cmd_Select, *cmd_GoMap;
    QGroupBox *FrameStat; // "Statistiche"
    QLabel *statMinLabel, *statMaxLabel, *statMeanLabel; // Label9, Label11, Label12
    QGroupBox *fraCB;
    QTableWidget *GridIndici;
    QLabel *lblClassiAnni; // whether the classes are fixed over the years or of the year
    YearBar *yearBar; // shown when the item has other years
    QLabel *lblLegendaDaApplicare;
    QCheckBox *chk_inform, *chk_zoom;
    QTreeWidget *territoryInfoList; // ListView1, the fields of the identified territory
    QPushButton *Avanz;
    QGroupBox *layerSettingsFrame; // Frame4 "Impostazioni della Mappa"
    QComboBox *cmb_namelayers;
    QLabel *pic_colorsfondo, *lbl_colors, *pic_colorSep, *lbl_colorsep, *lbl_sep, *lbl_trasps;
    QCheckBox *chk_outline, *chk_Trasparent;
    QLabel *pic_mapbackcolor, *lbl_mapbackcolor;
    QPushButton *cmd_applica, *cmd_salva;
    QPushButton *cmd_reset, *cmd_export, *cmd_Stampa, *cmd_close, *cmdHelp;
};

} // namespace qrn::ui

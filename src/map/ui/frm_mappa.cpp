// The map window's controls and handlers. The window holds no classification rules of its own:
// the enabled and shown states of the buttons come from map::ClassifyControls (applyStates is the
// only place that copies them onto the widgets), the classes from the methods of the registry,
// the drawing and tMappa from map/thematic. m_legend is what GridIndici shows and m_drawn what the
// map shows; they differ only while lblLegendaDaApplicare is visible. tMappa is written by the
// core's drawings only, and dropped here on "Reset" and once when the window closes.

#include "map/ui/frm_mappa.h"

#include "map/selectionoutline.h"
#include "table/territoryselection.h"

#include "chart/ui/chartwindow.h"
#include "layout/ui/printmappa.h"
#include "map/identify.h"
#include "map/classifymethod.h"
#include "map/gisexport.h"
#include "map/mappage.h"
#include "map/scalebar.h"
#include "map/thematic.h"
#include "map/thematicmap.h"
#include "map/ui/mapwidget.h"
#include "map/ui/yearbar.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QPixmap>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QScopedValueRollback>
#include <QSplitter>
#include <QTableWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {

constexpr int kHelpContext = 400;
constexpr int kSwatchColumnWidth = 22; // a bordered swatch with a margin
constexpr double kTipPointPixels = 6; // how near a point or a line the pointer names it
constexpr int kLegendColumnWidth = 268; // each of the two columns left of the splitter, in pixels
const QString kPaletteOwn = QStringLiteral("Colori scelti");
const QString kNoteText = QStringLiteral("Le classi comprendono gli estremi superiori.");
const QString kLegendPending = QStringLiteral("Premere «Visualizza mappa» per applicare le nuove classi");
const QColor kStartColour(255, 255, 178);
const QColor kEndColour(189, 0, 38);
const QColor kClassColour(254, 178, 76);

template <class W> W *named(W *w, const char *name)
{
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QPushButton *button(const char *name, const char *caption)
{
    auto *b = named(new QPushButton(QString::fromUtf8(caption)), name);
    b->setAutoDefault(false);
    return b;
}

// A colour swatch: a framed label showing one colour, kept in its "colour" property.
QLabel *swatch(const char *name, const QString &tip)
{
    auto *l = named(new QLabel, name);
    l->setFixedSize(36, 20);
    l->setFrameShape(QFrame::Box);
    l->setCursor(Qt::PointingHandCursor);
    l->setToolTip(tip);
    return l;
}

void setSwatch(QLabel *l, const QColor &c)
{
    l->setProperty("colour", c);
    l->setStyleSheet(QStringLiteral("background-color: %1; border: 1px solid #555;").arg(c.name()));
}

QColor swatchColour(const QLabel *l)
{
    return l->property("colour").value<QColor>();
}

QGroupBox *group(const char *name, const char *title)
{
    return named(new QGroupBox(QString::fromUtf8(title)), name);
}

// A swatch with its caption on one row of a grid.
void addSwatchRow(QGridLayout *grid, int row, QLabel *swatchLabel, QLabel *caption)
{
    grid->addWidget(swatchLabel, row, 0);
    grid->addWidget(caption, row, 1);
}

} // namespace

frm_Mappa::frm_Mappa(const ProgramPaths &paths, Services &services, const CommandContext &command,
                     const map::MapRequest &request, MainWindow *main)
    : QWidget(nullptr), m_paths(paths), m_services(services), m_main(main), m_request(request)
{
    setObjectName(QStringLiteral("frm_Mappa"));
    setWindowTitle(QStringLiteral("Modulo cartografico"));
    setAttribute(Qt::WA_DeleteOnClose);
    if (m_main)
        printOpener = [this](const MapPageRequest &r) { openPrintMappa(*m_main, r); };
    buildControls();
    connectControls();
    Form_Load(command);
}

frm_Mappa::~frm_Mappa()
{
    dropTable();
}

frm_Mappa *frm_Mappa::open(MainWindow &main, const map::MapRequest &request, const CommandContext &command,
                           TerritorySelection *selection)
{
    if (auto *old = main.area()->findChild<frm_Mappa *>(QStringLiteral("frm_Mappa")))
        frameOf(old)->close();
    AppContext &ctx = main.context();
    auto *w = new frm_Mappa(ctx.paths(), ctx.services(), command, request, &main);
    w->setTerritorySelection(selection);
    QMdiSubWindow *sub = main.showChild(w);
    // The map takes the room of the main window's area.
    sub->setGeometry(QRect(QPoint(0, 0), main.area()->viewport()->size()));
    return w;
}

void frm_Mappa::buildControls()
{
    auto *root = new QVBoxLayout(this);
    root->setContentsMargins(6, 6, 6, 6);

    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Variabile:")));
    txtVariabile = named(new QLineEdit, "txtVariabile");
    txtVariabile->setReadOnly(true);
    top->addWidget(txtVariabile, 1);
    lbl_Ricfor = named(new QLabel, "lbl_Ricfor");
    lbl_Ricfor->hide(); // the value field of tMappa; the header is already in txtVariabile
    top->addWidget(lbl_Ricfor);
    root->addLayout(top);

    // First column: the method, its bounds and buttons, the statistics.
    auto *methods = new QVBoxLayout;
    methodFrame = group("Frame1", "Tipo rappresentazione");
    auto *f1 = new QGridLayout(methodFrame);
    // One option button per method of the registry, in its order; the note beside the first.
    cmdNota = button("cmdNota", "Nota");
    int optionRow = 0;
    for (const map::ClassificationMethod *m : map::classificationMethods()) {
        auto *option = new QRadioButton(m->label());
        option->setObjectName(m->optionName());
        methodOptions.append({option, m});
        if (optionRow == 0) {
            f1->addWidget(option, 0, 0);
            f1->addWidget(cmdNota, 0, 1, Qt::AlignRight);
        } else {
            f1->addWidget(option, optionRow, 0, 1, 2);
        }
        ++optionRow;
    }
    f1->addWidget(new QLabel(QStringLiteral("Colori:")), optionRow, 0);
    cmb_palette = named(new QComboBox, "cmb_palette");
    cmb_palette->addItem(kPaletteOwn);
    cmb_palette->addItems(map::sequentialPaletteNames());
    cmb_palette->setToolTip(QStringLiteral("I colori delle classi: quelli scelti o una sequenza ColorBrewer"));
    f1->addWidget(cmb_palette, optionRow, 1);
    methods->addWidget(methodFrame);

    auto *bounds = new QGridLayout;
    lblClassi = named(new QLabel(QStringLiteral("inserisci il numero delle classi")), "lblClassi");
    txtClassi = named(new QLineEdit, "txtClassi");
    txtClassi->setMaxLength(map::kClassCountLength);
    txtClassi->setFixedWidth(36);
    lblMaxClassi = named(new QLabel(QStringLiteral("(Max 9 classi)")), "lblMaxClassi");
    txt_min = named(new QLineEdit, "txt_min");
    txt_Max = named(new QLineEdit, "txt_Max");
    lbl_mincon = named(new QLabel, "lbl_mincon");
    lbl_maxcon = named(new QLabel, "lbl_maxcon");
    bounds->addWidget(lblClassi, 0, 0, 1, 3);
    bounds->addWidget(txtClassi, 1, 0);
    bounds->addWidget(lblMaxClassi, 1, 1, 1, 2);
    bounds->addWidget(new QLabel(QStringLiteral("Minimo :")), 2, 0);
    bounds->addWidget(txt_min, 2, 1);
    bounds->addWidget(lbl_mincon, 2, 2);
    bounds->addWidget(new QLabel(QStringLiteral("Massimo :")), 3, 0);
    bounds->addWidget(txt_Max, 3, 1);
    bounds->addWidget(lbl_maxcon, 3, 2);
    bounds->setColumnStretch(1, 1);
    methods->addLayout(bounds);

    quartileFrame = group("Frame5", "Quartili");
    auto *f5 = new QGridLayout(quartileFrame);
    lbl_mincolor = swatch("lbl_mincolor", QStringLiteral("scegli il colore iniziale"));
    lbl_maxcolor = swatch("lbl_maxcolor", QStringLiteral("scegli il colore finale"));
    addSwatchRow(f5, 0, lbl_mincolor, new QLabel(QStringLiteral("scegli il colore iniziale")));
    addSwatchRow(f5, 1, lbl_maxcolor, new QLabel(QStringLiteral("scegli il colore finale")));
    Cmd_cmdAutocolor = button("Cmd_cmdAutocolor", "Visualizza cartogramma");
    f5->addWidget(Cmd_cmdAutocolor, 2, 0, 1, 2);
    f5->setColumnStretch(1, 1);
    methods->addWidget(quartileFrame);

    madeClassesFrame = group("Frame3", "Classi di uguale ampiezza");
    auto *f3 = new QGridLayout(madeClassesFrame);
    cmdSelClassiUgualeAmp = button("cmdSelClassiUgualeAmp", "Seleziona");
    drawMadeClassesButton = button("Command2", "Visualizza mappa");
    wideFencesCheck = named(new QCheckBox(QStringLiteral("Anomali oltre 3 distanze interquartili (invece di 1,5)")),
                        "chkCardine3");
    f3->addWidget(wideFencesCheck, 0, 0, 1, 2);
    f3->addWidget(cmdSelClassiUgualeAmp, 1, 0);
    f3->addWidget(drawMadeClassesButton, 1, 1);
    methods->addWidget(madeClassesFrame);

    manualFrame = group("Frame2", "Manuale");
    auto *f2 = new QGridLayout(manualFrame);
    lbl_colore = swatch("lbl_colore", QStringLiteral("assegna il colore alla classe"));
    addSwatchRow(f2, 0, lbl_colore, new QLabel(QStringLiteral("assegna il colore alla classe")));
    cmd_Select = button("cmd_Select", "Seleziona");
    cmd_GoMap = button("cmd_GoMap", "Visualizza mappa");
    auto *manualButtons = new QHBoxLayout;
    manualButtons->addWidget(cmd_Select);
    manualButtons->addWidget(cmd_GoMap);
    f2->addLayout(manualButtons, 1, 0, 1, 2);
    f2->setColumnStretch(1, 1);
    methods->addWidget(manualFrame);

    FrameStat = group("FrameStat", "Statistiche");
    auto *fs = new QGridLayout(FrameStat);
    statMinLabel = named(new QLabel, "Label9");
    statMaxLabel = named(new QLabel, "Label11");
    statMeanLabel = named(new QLabel, "Label12");
    const std::pair<const char *, QLabel *> statRows[] = {
        {"Minimo", statMinLabel}, {"Massimo", statMaxLabel}, {"Media", statMeanLabel}};
    int r = 0;
    for (const auto &[caption, label] : statRows) {
        fs->addWidget(new QLabel(QString::fromLatin1(caption)), r, 0);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        fs->addWidget(label, r++, 1);
    }
    fs->setColumnStretch(1, 1);
    methods->addWidget(FrameStat);
    methods->addStretch(1);

    // Second column: the legend, identify and the layer settings.
    auto *info = new QVBoxLayout;
    fraCB = group("fraCB", "");
    auto *fcb = new QVBoxLayout(fraCB);
    GridIndici = named(new QTableWidget(0, 2), "GridIndici");
    GridIndici->horizontalHeader()->hide();
    GridIndici->verticalHeader()->hide();
    GridIndici->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Fixed);
    GridIndici->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    GridIndici->setColumnWidth(0, kSwatchColumnWidth);
    GridIndici->verticalHeader()->setDefaultSectionSize(22);
    GridIndici->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridIndici->setSelectionMode(QAbstractItemView::NoSelection);
    GridIndici->setFocusPolicy(Qt::NoFocus);
    lblClassiAnni = named(new QLabel, "lblClassiAnni");
    lblClassiAnni->hide();
    fcb->addWidget(lblClassiAnni);
    fcb->addWidget(GridIndici);
    // Shown while the legend's classes are not those the map is drawn with.
    lblLegendaDaApplicare = named(new QLabel(kLegendPending), "lblLegendaDaApplicare");
    lblLegendaDaApplicare->setWordWrap(true);
    lblLegendaDaApplicare->setStyleSheet(QStringLiteral("color: #a00000;"));
    lblLegendaDaApplicare->hide();
    fcb->addWidget(lblLegendaDaApplicare);
    info->addWidget(fraCB, 3);

    auto *mode = new QHBoxLayout;
    chk_inform = named(new QCheckBox(QStringLiteral("Informazioni sul poligono")), "chk_inform");
    chk_zoom = named(new QCheckBox(QStringLiteral("Zoom")), "chk_zoom");
    chk_inform->setChecked(true);
    mode->addWidget(chk_inform);
    mode->addWidget(chk_zoom);
    mode->addStretch(1);
    info->addLayout(mode);
    info->addWidget(named(new QLabel(QStringLiteral("Informazioni sul territorio")), "lblInfo"));
    territoryInfoList = named(new QTreeWidget, "ListView1");
    territoryInfoList->setRootIsDecorated(false);
    territoryInfoList->setColumnCount(2);
    territoryInfoList->setHeaderLabels({QStringLiteral("Campo"), QStringLiteral("Valore")});
    territoryInfoList->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    info->addWidget(territoryInfoList, 2);

    Avanz = button("Avanz", "Avanzate");
    Avanz->setCheckable(true);
    info->addWidget(Avanz);
    layerSettingsFrame = group("Frame4", "Impostazioni della Mappa");
    auto *f4 = new QGridLayout(layerSettingsFrame);
    cmb_namelayers = named(new QComboBox, "cmb_namelayers");
    f4->addWidget(new QLabel(QStringLiteral("Layer")), 0, 0);
    f4->addWidget(cmb_namelayers, 0, 1);
    pic_colorsfondo = swatch("pic_colorsfondo", QStringLiteral("Colore layer"));
    lbl_colors = named(new QLabel(QStringLiteral("Colore layer")), "lbl_colors");
    pic_colorSep = swatch("pic_colorSep", QStringLiteral("Colore dei confini"));
    lbl_colorsep = named(new QLabel(QStringLiteral("Colore dei confini")), "lbl_colorsep");
    chk_outline = named(new QCheckBox, "chk_outline");
    lbl_sep = named(new QLabel(QStringLiteral("Visualizza confini")), "lbl_sep");
    chk_Trasparent = named(new QCheckBox, "chk_Trasparent");
    lbl_trasps = named(new QLabel(QStringLiteral("Trasparenza layer")), "lbl_trasps");
    pic_mapbackcolor = swatch("pic_mapbackcolor", QStringLiteral("Colore di sfondo della mappa"));
    lbl_mapbackcolor = named(new QLabel(QStringLiteral("Colore di sfondo della mappa")), "lbl_mapbackcolor");
    addSwatchRow(f4, 1, pic_colorsfondo, lbl_colors);
    addSwatchRow(f4, 2, pic_colorSep, lbl_colorsep);
    f4->addWidget(chk_outline, 3, 0, Qt::AlignHCenter);
    f4->addWidget(lbl_sep, 3, 1);
    f4->addWidget(chk_Trasparent, 4, 0, Qt::AlignHCenter);
    f4->addWidget(lbl_trasps, 4, 1);
    addSwatchRow(f4, 5, pic_mapbackcolor, lbl_mapbackcolor);
    auto *settingsButtons = new QHBoxLayout;
    cmd_applica = button("cmd_applica", "Applica");
    cmd_salva = button("cmd_salva", "Salva Layer");
    settingsButtons->addWidget(cmd_applica);
    settingsButtons->addWidget(cmd_salva);
    f4->addLayout(settingsButtons, 6, 0, 1, 2);
    f4->setColumnStretch(1, 1);
    layerSettingsFrame->hide();
    info->addWidget(layerSettingsFrame);

    auto *panel = new QWidget;
    panel->setObjectName(QStringLiteral("panelControlli"));
    auto *columns = new QHBoxLayout(panel);
    columns->setContentsMargins(0, 0, 4, 0);
    auto *colA = new QWidget, *colB = new QWidget;
    colA->setLayout(methods);
    colB->setLayout(info);
    methods->setContentsMargins(0, 0, 0, 0);
    info->setContentsMargins(0, 0, 0, 0);
    colA->setFixedWidth(kLegendColumnWidth - 18);
    colB->setMinimumWidth(kLegendColumnWidth - 18);
    columns->addWidget(colA);
    columns->addWidget(colB, 1);
    auto *mapArea = new QWidget;
    auto *mapLayout = new QVBoxLayout(mapArea);
    mapLayout->setContentsMargins(4, 0, 0, 0);
    mapView = new MapWidget;
    mapView->setMinimumSize(320, 240);
    mapLayout->addWidget(mapView, 1);
    lblScalaKm = named(new QLabel, "lblScalaKm");
    lblStato = named(new ElidedLabel, "lblStato");
    lblStato->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    cmdEstensione = button("cmdEstensione", "Mappa intera");
    cmdEstensione->setToolTip(QStringLiteral(
        "Mostra tutta la mappa. Trascinare per spostarla, rotella o tasti + e − per ingrandire o ridurre"));
    cmdZoomSelezione = button("cmdZoomSelezione", "Zoom alla selezione");
    cmdZoomSelezione->setToolTip(QStringLiteral(
        "Mostra i territori selezionati. Clic su un territorio per selezionarlo, Ctrl+clic per aggiungerlo o "
        "toglierlo, Esc per annullare la selezione"));
    cmdZoomSelezione->setEnabled(false);
    cmdIstogramma = button("cmdIstogramma", "Istogramma");
    cmdIstogramma->setToolTip(QStringLiteral("Istogramma dei valori con i limiti delle classi"));
    auto *underMap = new QHBoxLayout;
    underMap->addWidget(cmdEstensione);
    underMap->addWidget(cmdZoomSelezione);
    underMap->addWidget(cmdIstogramma);
    underMap->addWidget(lblScalaKm);
    underMap->addWidget(lblStato, 1);
    mapLayout->addLayout(underMap);
    yearBar = new YearBar;
    yearBar->hide();
    mapLayout->addWidget(yearBar);

    // The controls scroll when the window is lower than they are, so the buttons under them stay
    // in sight on a small screen.
    scrollControlli = named(new QScrollArea, "scrollControlli");
    scrollControlli->setWidget(panel);
    scrollControlli->setWidgetResizable(true);
    scrollControlli->setFrameShape(QFrame::NoFrame);
    scrollControlli->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scrollControlli->setMinimumWidth(panel->sizeHint().width()
                                     + scrollControlli->verticalScrollBar()->sizeHint().width());
    picSplitter = named(new QSplitter(Qt::Horizontal), "picSplitter");
    picSplitter->addWidget(scrollControlli);
    picSplitter->addWidget(mapArea);
    picSplitter->setStretchFactor(0, 0);
    picSplitter->setStretchFactor(1, 1);
    picSplitter->setCollapsible(0, false);
    picSplitter->setCollapsible(1, false);
    picSplitter->setHandleWidth(6);
    root->addWidget(picSplitter, 1);

    auto *bottom = new QHBoxLayout;
    cmd_reset = button("cmd_reset", "Reset");
    cmd_export = button("cmd_export", "Salva...");
    cmd_Stampa = button("cmd_Stampa", "Salva e Stampa");
    cmdHelp = button("cmdHelp", "Help");
    cmd_close = button("cmd_close", "Chiudi");
    bottom->addWidget(cmd_reset);
    bottom->addStretch(1);
    for (QPushButton *b : {cmd_export, cmd_Stampa, cmdHelp, cmd_close})
        bottom->addWidget(b);
    root->addLayout(bottom);

    // "Esporta layer…": the join layer of the drawn map with its classes and style, out to a GIS
    // format (map::exportThematicLayer), beside "Salva...".
    auto *cmd_esportaLayer = button("cmd_esportaLayer", "Esporta layer…");
    bottom->insertWidget(bottom->indexOf(cmd_export), cmd_esportaLayer);
    connect(cmd_esportaLayer, &QPushButton::clicked, this, [this] {
        if (!m_services.prompt)
            return;
        if (!m_drawn) {
            m_services.prompt->message(QStringLiteral("Disegnare prima il cartogramma."), QStringLiteral("Attenzione"),
                                       Icon::Exclamation);
            return;
        }
        const QString file = m_services.prompt->saveFile(
            QStringLiteral("Esporta layer"), m_paths.ExcelFolder,
            QStringLiteral("GeoPackage (*.gpkg);;GeoJSON (*.geojson);;Shape file (*.shp)"));
        if (file.isEmpty())
            return;
        BusyPointer busy(m_services.prompt);
        if (const WriteResult r = map::exportThematicLayer(file, m_case, m_request, *m_drawn, m_services.numbers); !r)
            m_services.log.logError(this, QStringLiteral("cmd_esportaLayer_Click"), QString(), r.message, r.detail);
    });

    setSwatch(lbl_mincolor, kStartColour);
    setSwatch(lbl_maxcolor, kEndColour);
    setSwatch(lbl_colore, kClassColour);
    for (QLineEdit *box : {txtClassi, txt_min, txt_Max})
        box->installEventFilter(this);
    for (QLabel *l : {lbl_mincolor, lbl_maxcolor, lbl_colore, pic_colorsfondo, pic_colorSep, pic_mapbackcolor})
        l->installEventFilter(this);
    resize(1340, 690);
}

void frm_Mappa::connectControls()
{
    for (const auto &[option, method] : methodOptions)
        connect(option, &QRadioButton::clicked, this, [this, m = method->kind()] { selectMethod(m); });
    connect(cmdNota, &QPushButton::clicked, this, &frm_Mappa::cmdNota_Click);
    connect(cmb_palette, &QComboBox::currentIndexChanged, this, [this] { cmb_palette_Click(); });
    connect(Cmd_cmdAutocolor, &QPushButton::clicked, this, &frm_Mappa::Cmd_cmdAutocolor_Click);
    connect(cmdSelClassiUgualeAmp, &QPushButton::clicked, this, &frm_Mappa::cmdSelClassiUgualeAmp_Click);
    connect(drawMadeClassesButton, &QPushButton::clicked, this, &frm_Mappa::drawMadeClasses_Click);
    connect(cmd_Select, &QPushButton::clicked, this, &frm_Mappa::cmd_Select_Click);
    connect(cmd_GoMap, &QPushButton::clicked, this, &frm_Mappa::cmd_GoMap_Click);
    connect(cmd_reset, &QPushButton::clicked, this, &frm_Mappa::cmd_reset_Click);
    connect(cmd_applica, &QPushButton::clicked, this, &frm_Mappa::cmd_applica_Click);
    connect(cmd_salva, &QPushButton::clicked, this, &frm_Mappa::cmd_salva_Click);
    connect(cmd_export, &QPushButton::clicked, this, &frm_Mappa::cmd_export_Click);
    connect(cmd_Stampa, &QPushButton::clicked, this, &frm_Mappa::cmd_Stampa_Click);
    connect(cmd_close, &QPushButton::clicked, this, [this] { frameOf(this)->close(); });
    connect(cmdHelp, &QPushButton::clicked, this, [this] {
        if (m_main)
            m_main->ShowHelp(kHelpContext);
    });
    connect(GridIndici, &QTableWidget::cellClicked, this, &frm_Mappa::GridIndici_Click);
    // Exactly one of the two is ticked: a click on one sets the other to the opposite.
    connect(chk_inform, &QCheckBox::clicked, this, [this](bool on) { chk_zoom->setChecked(!on); });
    connect(chk_zoom, &QCheckBox::clicked, this, [this](bool on) { chk_inform->setChecked(!on); });
    connect(chk_zoom, &QCheckBox::toggled, this, [this](bool on) { mapView->setRectangleTracking(on); });
    connect(Avanz, &QPushButton::toggled, layerSettingsFrame, &QWidget::setVisible);
    connect(cmb_namelayers, &QComboBox::currentIndexChanged, this, &frm_Mappa::cmb_namelayers_Click);
    connect(chk_outline, &QCheckBox::toggled, this, [this](bool on) {
        pic_colorSep->setEnabled(on);
        lbl_colorsep->setEnabled(on);
    });
    connect(chk_Trasparent, &QCheckBox::toggled, this, [this](bool on) {
        pic_colorsfondo->setEnabled(!on);
        lbl_colors->setEnabled(!on);
    });
    connect(mapView, &MapWidget::mousePressed, this, &frm_Mappa::mapView_MouseDown);
    // Identify on a click (a press and release without a pan).
    connect(mapView, &MapWidget::clicked, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pixel) {
                if (button != Qt::LeftButton || chk_zoom->isChecked())
                    return;
                selectAt(pixel, modifiers & Qt::ControlModifier);
                DoIdentify(pixel);
            });
    connect(mapView, &MapWidget::bandSelected, this, &frm_Mappa::selectInBand);
    connect(cmdZoomSelezione, &QPushButton::clicked, this, &frm_Mappa::cmdZoomSelezione_Click);
    connect(cmdIstogramma, &QPushButton::clicked, this, &frm_Mappa::cmdIstogramma_Click);
    auto *clearSelection = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    clearSelection->setContext(Qt::WidgetWithChildrenShortcut);
    connect(clearSelection, &QShortcut::activated, this, [this] {
        if (m_territories)
            m_territories->clear();
    });
    connect(yearBar, &YearBar::yearChosen, this, [this](const QString &year) { showYear(year); });
    connect(yearBar, &YearBar::fixedClassesToggled, this, &frm_Mappa::chkClassiFisse_Click);
    connect(cmdEstensione, &QPushButton::clicked, this, [this] {
        mapView->zoomFull();
        mapView->setFocus();
    });
    mapView->tipAt = [this](QPointF pixel) { return territoryTipAt(pixel); };
    connect(mapView, &MapWidget::rectangleTracked, this, [this](QRectF r) {
        if (!r.isNull())
            mapView->view().setExtent(r);
        RefreshScale();
    });
    connect(mapView, &MapWidget::extentChanged, this, &frm_Mappa::RefreshScale);
}

void frm_Mappa::Form_Load(const CommandContext &command)
{
    showColumn();
    optionOf(map::Method::Quartiles)->setChecked(true);
    selectMethod(map::Method::Quartiles);
    GridIndici->hide();

    loadLayers(QStringLiteral("Form_Load"));
    RefreshScale();
    m_years = std::make_unique<map::MapYears>(m_services, command, m_request);
    if (const std::optional<Failure> &failed = m_years->yearsFailure())
        reportFailure(*failed, m_services.log, m_services.prompt, m_module);
    if (m_years->hasOtherYears()) {
        yearBar->setYears(m_years->years(), m_request.year);
        yearBar->show();
    }
    showYearCaption();
}

void frm_Mappa::showColumn()
{
    lbl_Ricfor->setText(m_request.header);
    txtVariabile->setText(m_request.variableText());
    txtVariabile->setCursorPosition(0);
    m_stats = map::columnStats(m_request.values(), m_services.numbers);
    lbl_mincon->setText(map::statText(m_stats.minValue, m_services.numbers));
    lbl_maxcon->setText(map::statText(m_stats.maxValue, m_services.numbers));
    statMinLabel->setText(map::roundedStatText(m_stats.minValue, m_services.numbers));
    statMaxLabel->setText(map::roundedStatText(m_stats.maxValue, m_services.numbers));
    statMeanLabel->setText(map::roundedStatText(m_stats.meanValue, m_services.numbers));
    txt_min->setText(map::numberText(m_stats.minValue, m_services.numbers));
    txt_Max->setText(map::numberText(m_stats.maxValue, m_services.numbers));
}

void frm_Mappa::loadLayers(const QString &procedure)
{
    mapView->view().clearLayers();
    try {
        m_case = map::LoadShapeConfig(m_paths.FilesFolder, m_paths.ShapeFolder, m_request.mapCase.name,
                                      mapView->view());
    } catch (const map::ShapeConfigError &e) {
        m_case = map::ShapeCase {};
        m_services.log.logError(this, procedure, QString(), e.text(), e.detail());
    }
    setSwatch(pic_mapbackcolor, map::colorFromWin(mapView->view().backColor));
    mapView->refresh();
    // The layer list follows the entries read, keeping the layer chosen when it is still there.
    const QString chosen = cmb_namelayers->currentText();
    {
        const QSignalBlocker block(cmb_namelayers);
        cmb_namelayers->clear();
        for (const map::LayerConfig &entry : m_case.layers)
            cmb_namelayers->addItem(entry.FileName);
        cmb_namelayers->setCurrentIndex(m_case.layers.empty() ? -1 : std::max(0, cmb_namelayers->findText(chosen)));
    }
    cmb_namelayers_Click(cmb_namelayers->currentIndex());
    m_join = map::checkJoin(m_case, m_request, m_services.numbers);
    showSelection();
}

void frm_Mappa::setTerritorySelection(TerritorySelection *selection)
{
    if (m_territories)
        disconnect(m_territories, nullptr, this, nullptr);
    m_territories = selection;
    if (selection)
        connect(selection, &TerritorySelection::changed, this, &frm_Mappa::showSelection);
    showSelection();
}

void frm_Mappa::showSelection()
{
    const map::ShapeLayer *layer = map::joinLayer(m_case);
    const QSet<QString> codes = m_territories ? m_territories->codes() : QSet<QString>();
    const QList<int> features = layer ? map::selectedFeatures(m_case, m_request, codes) : QList<int>();
    mapView->setSelectionOutline(layer ? layer->name() : QString(), features);
    cmdZoomSelezione->setEnabled(!features.isEmpty());
    if (!m_legend.classes.isEmpty())
        showLegend();
    showStatus();
}

void frm_Mappa::selectAt(QPointF pixel, bool toggle)
{
    const map::ShapeLayer *layer = map::joinLayer(m_case);
    if (!m_territories || !layer)
        return;
    const double distance =
        layer->kind() == map::ShapeKind::Polygon ? 0.0 : mapView->view().toMapDistance(kTipPointPixels);
    const std::vector<int> found = layer->search(mapView->view().toMapPoint(pixel), distance);
    const QString codTerr =
        found.empty() ? QString() : map::territoriesOfFeatures(m_case, m_request, {found.front()}).value(0);
    if (codTerr.isEmpty()) {
        // A territory without a row of the table cannot be selected; beside every one, a plain
        // click empties the selection.
        if (!toggle && found.empty())
            m_territories->clear();
        return;
    }
    if (toggle)
        m_territories->toggle(codTerr);
    else
        m_territories->set({codTerr});
}

void frm_Mappa::selectInBand(const QRectF &band, bool add)
{
    const map::ShapeLayer *layer = map::joinLayer(m_case);
    if (!m_territories || !layer)
        return;
    QStringList codes = map::territoriesOfFeatures(m_case, m_request, map::featuresTouching(*layer, band));
    // The band's territories come first, so the grid brings one of them into sight.
    if (add) {
        const QSet<QString> fromBand(codes.begin(), codes.end());
        for (const QString &code : m_territories->sortedCodes())
            if (!fromBand.contains(code))
                codes << code;
    }
    m_territories->set(codes);
}

void frm_Mappa::cmdZoomSelezione_Click()
{
    const map::ShapeLayer *layer = map::joinLayer(m_case);
    if (!layer)
        return;
    const QRectF r = map::selectionZoomExtent(*layer, mapView->selectionOutline());
    if (!r.isNull())
        mapView->view().setExtent(r);
    RefreshScale();
    mapView->setFocus();
}

void frm_Mappa::showStatus()
{
    QStringList parts;
    if (m_join.failure) {
        parts << m_join.failure->message;
    } else {
        if (m_drawn)
            parts << map::countsText(map::mapCounts(m_request, *m_drawn, m_services.numbers));
        parts << (m_join.coverage.complete() ? QStringLiteral("%1 territori sulla mappa").arg(m_join.coverage.rows)
                                             : map::coverageText(m_join.coverage));
        if (m_territories && !m_territories->isEmpty())
            parts << QStringLiteral("%1 territori selezionati")
                         .arg(map::selectedRowCount(m_request, m_territories->codes()));
    }
    lblStato->setFullText(parts.join(QStringLiteral("; ")));
}

void frm_Mappa::report(const map::MapFailure &f)
{
    if (m_services.prompt)
        m_services.prompt->message(f.message, QString(), f.icon);
    if (f.logged)
        m_services.log.writeError(objectName(), f.procedure, QString(), f.message, f.detail);
}

bool frm_Mappa::refusedMap()
{
    if (!m_join.failure)
        return false;
    report(*m_join.failure);
    return true;
}

void frm_Mappa::selectMethod(map::Method m)
{
    m_state.selectMethod(m);
    // The boxes start from the column's range after a reset, and whenever a method that reads
    // them is chosen with no manual classes under way (not from what another method left).
    const bool fresh = map::methodOf(m).takesBounds() && m_manual.classes().isEmpty();
    if (fresh || (txt_min->text().isEmpty() && txt_Max->text().isEmpty())) {
        txt_min->setText(map::numberText(m_stats.minValue, m_services.numbers));
        txt_Max->setText(map::numberText(m_stats.maxValue, m_services.numbers));
    }
    applyStates();
}

void frm_Mappa::applyStates()
{
    const map::ClassifyControls &s = m_state;
    Cmd_cmdAutocolor->setEnabled(s.canDrawQuartiles);
    cmdSelClassiUgualeAmp->setEnabled(s.canMakeClasses);
    cmd_Select->setEnabled(s.canAddManualClass);
    cmd_GoMap->setEnabled(s.canDrawManualClasses);
    drawMadeClassesButton->setEnabled(s.canDrawMadeClasses);
    txt_min->setEnabled(s.canEditMin);
    txt_Max->setEnabled(s.canEditMax);
    cmd_Stampa->setVisible(s.printShown);
    fraCB->setVisible(s.legendShown);
    fraCB->setTitle(s.legendCaption);
    cmdNota->setVisible(s.noteShown);
    const map::ClassificationMethod &method = map::methodOf(s.method);
    quartileFrame->setVisible(s.method == map::Method::Quartiles);
    madeClassesFrame->setVisible(s.method != map::Method::Quartiles && s.method != map::Method::Manual);
    madeClassesFrame->setTitle(method.label());
    wideFencesCheck->setVisible(method.takesHinge());
    manualFrame->setVisible(s.method == map::Method::Manual);
    // A method with a diverging palette of its own takes no other.
    cmb_palette->setEnabled(!method.ownPalette());
}

QRadioButton *frm_Mappa::optionOf(map::Method kind) const
{
    for (const auto &[option, method] : methodOptions)
        if (method->kind() == kind)
            return option;
    return nullptr;
}

map::ColourChoice frm_Mappa::colourChoice(map::Method kind) const
{
    const QString palette = cmb_palette->currentIndex() > 0 ? cmb_palette->currentText() : QString();
    if (kind == map::Method::Quartiles)
        return {palette, swatchColour(lbl_mincolor), swatchColour(lbl_maxcolor)};
    return {palette, map::fromWindowsColour(map::kAmplitudeStart), map::fromWindowsColour(map::kAmplitudeEnd)};
}

QList<QColor> frm_Mappa::choiceColours(map::Method kind, int count) const
{
    const map::ColourChoice c = colourChoice(kind);
    const QList<QColor> colours = map::classColours(c.palette, count, c.start, c.end);
    return colours.size() == count ? colours : map::colourRamp(c.start, c.end, count);
}

QList<QColor> frm_Mappa::outcomeColours(const map::MethodOutcome &out, map::Method kind) const
{
    const QList<QColor> colours = map::methodColours(out, colourChoice(kind));
    return colours.size() >= out.colourCount() ? colours : choiceColours(kind, out.colourCount());
}

map::ClassRequest frm_Mappa::classRequest() const
{
    map::ClassRequest r;
    r.values = m_request.values();
    r.stats = m_stats;
    r.classCount = txtClassi->text();
    r.txtMin = txt_min->text();
    r.txtMax = txt_Max->text();
    r.wideHinge = wideFencesCheck->isChecked();
    return r;
}

void frm_Mappa::showLegend()
{
    // The selection is counted by the classes the map is drawn with; a legend not applied yet
    // has no counts to show it beside.
    m_legend.countSelected(m_drawn && m_territories
                               ? map::classesOfSelection(m_request, *m_drawn, m_territories->codes())
                               : QList<int>());
    GridIndici->setRowCount(0);
    for (const map::LegendRow &row : m_legend.rows(true))
        appendLegendRow(row);
    lblLegendaDaApplicare->setVisible(legendPending());
    updateHistogram();
}

void frm_Mappa::cmdIstogramma_Click()
{
    if (!m_histogram) {
        m_histogram = new ChartWindow(m_paths, m_services, this);
        m_histogram->setObjectName(QStringLiteral("frmIstogramma"));
    }
    updateHistogram();
    m_histogram->show();
    m_histogram->raise();
}

ChartWindow *frm_Mappa::histogramWindow() const
{
    return m_histogram.data();
}

void frm_Mappa::updateHistogram()
{
    if (m_histogram)
        m_histogram->setData(chart::buildHistogram(m_request.values(), m_legend, m_request.header, m_services.numbers));
}

bool frm_Mappa::legendPending() const
{
    return !m_legend.classes.isEmpty() && (!m_drawn || !map::drawsAlike(m_legend, m_drawn->legend));
}

void frm_Mappa::recolour(map::Legend &legend, map::Method kind) const
{
    if (cmb_palette->currentIndex() <= 0 && kind == map::Method::Manual) {
        // The colours chosen class by class.
        if (m_manualColours.size() == legend.classes.size())
            legend.setColours(m_manualColours);
        return;
    }
    // A diverging palette stays as the method made it.
    if (map::methodOf(kind).ownPalette())
        return;
    const int count = kind == map::Method::Quartiles ? map::QuartileClassifier::kClasses : int(legend.classes.size());
    legend.setColours(choiceColours(kind, count));
}

void frm_Mappa::cmb_palette_Click()
{
    // The legend and the drawn map take the palette's colours together.
    recolour(m_legend, m_legendMethod);
    if (m_drawn) {
        recolour(m_drawn->legend, m_drawnMethod);
        map::applyClasses(m_case, *m_drawn, m_request.mapCase.kind);
        mapView->refresh();
    }
    if (!m_legend.classes.isEmpty())
        showLegend();
}

void frm_Mappa::appendLegendRow(const map::LegendRow &row)
{
    const int r = GridIndici->rowCount();
    GridIndici->insertRow(r);
    auto *sw = new QTableWidgetItem;
    // A bordered swatch, hatched for no data, as on the map, the page and the pictures.
    sw->setData(Qt::DecorationRole, QPixmap::fromImage(map::swatchImage(row, kSwatchColumnWidth - 6, 14)));
    sw->setData(Qt::UserRole, row.colour);
    GridIndici->setItem(r, 0, sw);
    GridIndici->setItem(r, 1, new QTableWidgetItem(row.label));
    GridIndici->show();
}

QList<map::LegendRow> frm_Mappa::legendRows() const
{
    return m_legend.rows(true);
}

void frm_Mappa::showDrawing(const map::Drawing &drawing)
{
    if (drawing.equalValuesWarning && m_services.prompt)
        m_services.prompt->message(map::kQuartileWarning, QString(), Icon::Exclamation);
    if (!drawing.stored)
        reportFailure(drawing.stored.failure(), m_services.log, m_services.prompt, m_module);
    m_drawn = drawing.classes;
    m_drawnMethod = m_legendMethod;
    m_legend = m_drawn->legend;
    map::applyClasses(m_case, *m_drawn, m_request.mapCase.kind);
    mapView->refresh();
    showLegend();
    showStatus();
    if (!m_yearDrawing) {
        // New classes of the frames: those fixed over the years follow them.
        m_fixedLegend.reset();
        if (yearBar->fixedClasses() && m_years && m_years->hasOtherYears())
            redrawYear();
    }
    showYearCaption();
}

bool frm_Mappa::showYear(const QString &year)
{
    const map::MapRequest *req = m_years ? m_years->request(year) : nullptr;
    if (!req) {
        if (m_years && m_years->failure())
            report(*m_years->failure());
        yearBar->setCurrentYear(m_request.year);
        return false;
    }
    BusyPointer busy(m_services.prompt);
    const bool otherCase = req->mapCase.name != m_request.mapCase.name;
    m_request = *req;
    showColumn();
    if (otherCase) {
        // The provinces of another year lie on another layer: the view keeps its extent.
        const QRectF extent = mapView->view().extent();
        loadLayers(QStringLiteral("showYear"));
        mapView->view().setExtent(extent);
        RefreshScale();
    } else {
        m_join = map::checkJoin(m_case, m_request, m_services.numbers);
        showSelection();
    }
    if (m_drawn)
        redrawYear();
    else
        mapView->refresh();
    showStatus();
    showYearCaption();
    return true;
}

void frm_Mappa::chkClassiFisse_Click(bool)
{
    if (m_drawn)
        redrawYear();
    showYearCaption();
}

void frm_Mappa::redrawYear()
{
    if (!m_drawn || m_join.failure)
        return;
    const QScopedValueRollback<bool> yearDrawing(m_yearDrawing, true);
    const map::Method kind = m_drawnMethod;
    const map::ClassificationMethod &method = map::methodOf(kind);
    std::optional<map::Legend> legend;
    if (kind == map::Method::Manual) {
        // The limits typed are the same numbers in every year.
        legend = m_drawn->legend;
        legend->rankedClassOf.clear();
    } else if (yearBar->fixedClasses() && m_years->hasOtherYears()) {
        if (!m_fixedLegend) {
            const map::MethodOutcome out = map::pooledClasses(
                method, classRequest(), m_years->pooledValues(m_services.numbers), m_services.numbers);
            if (out.refused()) {
                if (m_services.prompt)
                    m_services.prompt->message(out.message, out.title, Icon::Information);
                return;
            }
            m_fixedLegend = map::fixedLegend(out, outcomeColours(out, kind), m_services.numbers);
        }
        legend = m_fixedLegend;
    } else {
        const map::MethodOutcome out = method.classes(classRequest(), m_services.numbers);
        if (out.refused()) {
            if (m_services.prompt)
                m_services.prompt->message(out.message, out.title, Icon::Information);
            return;
        }
        legend = map::makeMethodLegend(out, outcomeColours(out, kind), m_services.numbers);
    }
    m_legendMethod = kind;
    showDrawing(map::legendDrawing(m_services, m_request, *legend));
}

void frm_Mappa::showYearCaption()
{
    const bool years = m_years && m_years->hasOtherYears();
    const bool fixed = years && yearBar->fixedClasses() && m_drawn && m_drawnMethod != map::Method::Manual;
    lblClassiAnni->setText(map::legendCaption(fixed, years ? m_years->years() : QStringList(), m_request.year));
    lblClassiAnni->setVisible(years && m_drawn.has_value());
}

void frm_Mappa::Cmd_cmdAutocolor_Click()
{
    cmd_reset_Click();
    if (refusedMap())
        return;
    BusyPointer busy(m_services.prompt);
    const map::MethodOutcome out = map::methodOf(map::Method::Quartiles).classes(classRequest(), m_services.numbers);
    m_legendMethod = map::Method::Quartiles;
    showDrawing(map::methodDrawing(m_services, m_request, out, outcomeColours(out, map::Method::Quartiles)));
    m_state.quartilesDrawn();
    applyStates();
}

void frm_Mappa::cmdSelClassiUgualeAmp_Click()
{
    const map::ClassificationMethod &method = map::methodOf(m_state.method);
    const map::MethodOutcome out = method.classes(classRequest(), m_services.numbers);
    if (out.refused()) {
        if (m_services.prompt)
            m_services.prompt->message(out.message, out.title, Icon::Information);
        if (out.focus == map::BoundsOutcome::Focus::Classes)
            txtClassi->setFocus();
        else if (out.focus == map::BoundsOutcome::Focus::Max)
            txt_Max->setFocus();
        return;
    }
    if (method.takesBounds()) {
        txt_min->setText(out.txtMin);
        txt_Max->setText(out.txtMax);
    }
    m_legend = map::makeMethodLegend(out, outcomeColours(out, method.kind()), m_services.numbers);
    m_legendMethod = method.kind();
    // White territories stay on the drawn map: the no-data row stays with them.
    m_legend.noDataRow = m_drawn.has_value();
    showLegend();
    m_state.amplitudeClassesMade(out.finished);
    applyStates();
}

void frm_Mappa::cmd_Select_Click()
{
    const map::BoundsOutcome out = m_manual.addClass(txt_min->text(), txt_Max->text(), m_stats, m_services.numbers);
    if (out.refused()) {
        if (m_services.prompt)
            m_services.prompt->message(out.message, out.title, Icon::Information);
        if (out.focus == map::BoundsOutcome::Focus::Max)
            txt_Max->setFocus();
        return;
    }
    // The legend of the manual classes made so far (a first click starts a new one), each in the
    // colour chosen for it, or in the palette's.
    if (m_manual.classes().size() == 1)
        m_manualColours.clear();
    m_manualColours.append(swatchColour(lbl_colore));
    m_legend = map::makeLegend(m_manual.classes(), m_manualColours, false, m_services.numbers);
    m_legendMethod = map::Method::Manual;
    m_legend.noDataRow = m_drawn.has_value();
    recolour(m_legend, map::Method::Manual);
    showLegend();
    txt_min->setText(out.txtMin);
    txt_Max->setText(out.txtMax);
    m_state.manualClassAdded(out.finished);
    applyStates();
}

void frm_Mappa::drawLegendClasses(bool madeAtOnce)
{
    if (refusedMap())
        return;
    BusyPointer busy(m_services.prompt);
    showDrawing(map::legendDrawing(m_services, m_request, m_legend));
    m_manual.clear();
    m_state.classesDrawn(madeAtOnce);
    applyStates();
}

void frm_Mappa::cmd_GoMap_Click()
{
    drawLegendClasses(false);
}

void frm_Mappa::drawMadeClasses_Click()
{
    drawLegendClasses(true);
}

void frm_Mappa::cmdNota_Click()
{
    if (m_services.prompt)
        m_services.prompt->message(kNoteText, QString(), Icon::Information);
}

void frm_Mappa::GridIndici_Click(int row, int column)
{
    // The no-data row of a drawn map stands for the white of the territories without a class.
    if (column != 0 || !m_services.prompt || row < 0 || row >= m_legend.classes.size())
        return;
    // A cancelled dialog leaves the class as it was.
    const std::optional<QColor> c = m_services.prompt->chooseColor(m_legend.classes[row].colour);
    if (!c)
        return;
    // On a drawn map the class takes its new colour at once, so the map and legend agree.
    const bool shownIsDrawn = !legendPending();
    m_legend.classes[row].colour = *c;
    if (m_legendMethod == map::Method::Manual && row < m_manualColours.size())
        m_manualColours[row] = *c;
    if (m_drawn && shownIsDrawn) {
        m_drawn->legend.classes[row].colour = *c;
        map::applyClasses(m_case, *m_drawn, m_request.mapCase.kind);
        mapView->refresh();
    }
    showLegend();
}

void frm_Mappa::cmd_reset_Click()
{
    txtClassi->clear();
    m_state.reset();
    // The chosen method can start again at once ("Visualizza cartogramma" included).
    m_state.selectMethod(m_state.method);
    txt_Max->clear();
    txt_min->clear();
    m_legend = {};
    m_manualColours.clear();
    GridIndici->setRowCount(0);
    lblLegendaDaApplicare->hide();
    GridIndici->hide();
    m_manual.clear();
    m_drawn.reset();
    updateHistogram();
    territoryInfoList->clear();
    mapView->clearHighlight();
    if (const Status dropped = map::dropMapTable(m_services); !dropped)
        reportFailure(dropped.failure(), m_services.log, m_services.prompt, m_module);
    loadLayers(QStringLiteral("cmd_reset_Click"));
    applyStates();
    RefreshScale();
}

map::LayerConfig *frm_Mappa::selectedEntry()
{
    const int i = cmb_namelayers->currentIndex();
    return i >= 0 && size_t(i) < m_case.layers.size() ? &m_case.layers[size_t(i)] : nullptr;
}

void frm_Mappa::cmb_namelayers_Click(int)
{
    const map::LayerConfig *entry = selectedEntry();
    for (QWidget *w :
         std::initializer_list<QWidget *> {pic_colorsfondo, lbl_colors, pic_colorSep, lbl_colorsep, chk_outline,
                                           lbl_sep, chk_Trasparent, lbl_trasps, cmd_applica, cmd_salva})
        w->setEnabled(entry != nullptr);
    if (!entry)
        return;
    setSwatch(pic_colorsfondo, map::colorFromWin(entry->BackColor));
    setSwatch(pic_colorSep, map::colorFromWin(entry->OutlineColor));
    chk_outline->setChecked(entry->Outline);
    chk_Trasparent->setChecked(entry->Trasparenza);
    pic_colorSep->setEnabled(entry->Outline);
    lbl_colorsep->setEnabled(entry->Outline);
    pic_colorsfondo->setEnabled(!entry->Trasparenza);
    lbl_colors->setEnabled(!entry->Trasparenza);
}

void frm_Mappa::cmd_applica_Click()
{
    if (map::LayerConfig *entry = selectedEntry()) {
        entry->BackColor = map::winFromColor(swatchColour(pic_colorsfondo));
        entry->Outline = chk_outline->isChecked();
        entry->OutlineColor = map::winFromColor(swatchColour(pic_colorSep));
        entry->Trasparenza = chk_Trasparent->isChecked();
        if (entry->layer && entry->layer->valid())
            entry->layer->symbol = map::symbolOf(*entry);
        // The classes keep the join layer's outline: colour them again with the new one.
        if (m_drawn)
            map::applyClasses(m_case, *m_drawn, m_request.mapCase.kind);
    }
    mapView->view().backColor = map::winFromColor(swatchColour(pic_mapbackcolor));
    m_case.mapBackColor = mapView->view().backColor;
    mapView->refresh();
}

void frm_Mappa::cmd_salva_Click()
{
    cmd_applica_Click();
    try {
        map::saveShapeConfig(map::shapeConfigPath(m_paths.FilesFolder), m_request.mapCase.name, m_case.mapBackColor,
                             cmb_namelayers->currentText(), selectedEntry());
    } catch (const map::ShapeConfigError &e) {
        m_services.log.logError(this, QStringLiteral("cmd_salva_Click"), QString(), e.text(), e.detail());
    }
}

void frm_Mappa::mapView_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF pixel)
{
    Q_UNUSED(pixel);
    if (!chk_zoom->isChecked())
        return; // identify waits for the click, as a press may start a pan
    BusyPointer busy(m_services.prompt);
    if (button == Qt::LeftButton)
        DoZoom(modifiers & Qt::ShiftModifier);
    else if (button == Qt::RightButton)
        mapView->view().setExtent(mapView->view().homeExtent());
    RefreshScale();
}

void frm_Mappa::DoZoom(bool shift)
{
    // Without Shift the map widget tracks the dragged rectangle and rectangleTracked zooms in.
    if (shift)
        mapView->view().setExtent(map::scaleRect(mapView->view().extent(), 1.5));
}

void frm_Mappa::DoIdentify(QPointF pixel)
{
    if (!m_drawn)
        return;
    const map::ShapeLayer *layer = map::joinLayer(m_case);
    if (!layer)
        return;
    const QPointF at = mapView->view().toMapPoint(pixel);
    const double distance = layer->kind() == map::ShapeKind::Polygon ? 0.0 : mapView->view().toMapDistance(100);
    const std::vector<int> found = layer->search(at, distance);
    territoryInfoList->clear();
    if (found.empty()) {
        mapView->clearHighlight();
        return;
    }
    const map::LayerConfig &entry = m_case.layers[size_t(m_case.matchIndex)];
    mapView->flash(*layer, found.front());
    // The territory stays outlined until the next identify.
    mapView->setHighlight(layer->name(), found.front());
    const QString code = map::tableCode(m_request, layer->value(found.front(), entry.FieldId));
    const map::Identification identified = map::identifyTerritory(m_services, entry.GeoName, code);
    if (identified.failure)
        reportFailure(*identified.failure, m_services.log, m_services.prompt, m_module);
    for (const map::IdentifyField &f : identified.fields)
        new QTreeWidgetItem(territoryInfoList, {f.field, f.value});
}

QString frm_Mappa::territoryTipAt(QPointF pixel) const
{
    const map::ShapeLayer *layer = map::joinLayer(m_case);
    if (!layer)
        return QString();
    const map::LayerConfig &entry = m_case.layers[size_t(m_case.matchIndex)];
    const double distance =
        layer->kind() == map::ShapeKind::Polygon ? 0.0 : mapView->view().toMapDistance(kTipPointPixels);
    const std::vector<int> found = layer->search(mapView->view().toMapPoint(pixel), distance);
    if (found.empty())
        return QString();
    return map::territoryTip(m_request, layer->value(found.front(), entry.FieldId));
}

void frm_Mappa::RefreshScale()
{
    lblScalaKm->setText(map::scaleKmText(mapView->scaleDenominator(), m_services.numbers));
}

void frm_Mappa::handOff(bool printAtOnce)
{
    if (!printOpener)
        return;
    // Classes fixed over the years are said on the page as `pagina --classi-fisse` says them.
    QString text = txtVariabile->text();
    if (m_years && m_years->hasOtherYears() && yearBar->fixedClasses() && m_drawn
        && m_drawnMethod != map::Method::Manual)
        text += QStringLiteral(" (") + lblClassiAnni->text() + QLatin1Char(')');
    printOpener(map::mapPageRequest(mapView->view(), text, m_legend, printAtOnce));
}

void frm_Mappa::cmd_export_Click()
{
    handOff(false);
}

void frm_Mappa::cmd_Stampa_Click()
{
    handOff(true);
}

void frm_Mappa::chooseColour(QLabel *l)
{
    if (!m_services.prompt || !l->isEnabled())
        return;
    if (const std::optional<QColor> c = m_services.prompt->chooseColor(swatchColour(l)))
        setSwatch(l, *c);
}

void frm_Mappa::dropTable()
{
    if (m_tableDropped)
        return;
    m_tableDropped = true;
    if (const Status dropped = map::dropMapTable(m_services); !dropped)
        reportFailure(dropped.failure(), m_services.log, m_services.prompt, m_module);
}

void frm_Mappa::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_shownOnce)
        return;
    m_shownOnce = true;
    // The legend column starts as wide as its two columns need; the map takes the rest.
    const int column = picSplitter->widget(0)->sizeHint().width();
    picSplitter->setSizes({column, std::max(picSplitter->width() - column, 1)});
}

void frm_Mappa::closeEvent(QCloseEvent *e)
{
    dropTable();
    QWidget::closeEvent(e);
}

bool frm_Mappa::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto *l = qobject_cast<QLabel *>(watched)) {
            chooseColour(l);
            return true;
        }
    }
    if (event->type() == QEvent::KeyPress) {
        auto *ke = static_cast<QKeyEvent *>(event);
        QChar key;
        if (ke->key() == Qt::Key_Backspace)
            key = QChar(0x08);
        else if (ke->text().size() == 1 && ke->text().at(0).isPrint())
            key = ke->text().at(0);
        else
            return false; // arrows, Delete, shortcuts: as the box handles them
        const bool accepted = watched == txtClassi ? map::classCountKeyAccepted(key)
                                                   : map::boundKeyAccepted(key, m_services.numbers.decimal);
        return !accepted;
    }
    return QWidget::eventFilter(watched, event);
}

} // namespace qrn::ui

// The layout editor's controls and handlers. m_page and m_items are the page being edited; every
// change that alters them goes through recordEdit, which pushes one undo step (changes from the
// same control in a row merge into one), and applyState is the only way back, with the controls'
// signals blocked so it records nothing. The map picture is never part of a step. The page goes to
// the main window's memory when the editor is destroyed, and comes back from it for the same map.

#include "layout/ui/printmappa.h"

#include "layout/pageoutput.h"
#include "layout/ui/pagepreview.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QEvent>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
#include <QUndoStack>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {

constexpr int kHelpContext = 510;
const QString kTitlePlaceholder = QStringLiteral("Inserire un Titolo");
const QString kDescPlaceholder = QStringLiteral("Inserire una decrizione della variabile");

QLabel *colourLabel(const QString &name, QWidget *parent)
{
    auto *l = new QLabel(parent);
    l->setObjectName(name);
    l->setAutoFillBackground(true);
    l->setFrameShape(QFrame::Box);
    l->setFixedSize(48, 22);
    l->setCursor(Qt::PointingHandCursor);
    l->setToolTip(QStringLiteral("Scegli il colore"));
    return l;
}

void setLabelColour(QLabel *l, const QColor &c)
{
    QPalette pal = l->palette();
    pal.setColor(QPalette::Window, c);
    l->setPalette(pal);
}

QColor labelColour(const QLabel *l)
{
    return l->palette().color(QPalette::Window);
}

QComboBox *combo(const QString &name, QWidget *parent)
{
    auto *c = new QComboBox(parent);
    c->setObjectName(name);
    return c;
}

QPushButton *button(const QString &name, const QString &text, QWidget *parent)
{
    auto *b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

// The tab of a text item: its text, font, size and colour.
QWidget *textTab(QLineEdit *&text, const QString &textName, QComboBox *&font, const QString &fontName, QComboBox *&size,
                 const QString &sizeName, QLabel *&colour, const QString &colourName)
{
    auto *tab = new QWidget;
    auto *grid = new QGridLayout(tab);
    text = new QLineEdit(tab);
    text->setObjectName(textName);
    font = combo(fontName, tab);
    size = combo(sizeName, tab);
    colour = colourLabel(colourName, tab);
    const std::pair<const char *, QWidget *> rows[] = {{"Testo", text},
                                                       {"Carattere", font},
                                                       {"Dimensione", size},
                                                       {"Colore", colour}};
    int r = 0;
    for (const auto &[caption, w] : rows) {
        grid->addWidget(new QLabel(QString::fromLatin1(caption), tab), r, 0);
        grid->addWidget(w, r++, 1, w == text || w == font ? Qt::Alignment() : Qt::AlignLeft);
    }
    grid->setRowStretch(r, 1);
    return tab;
}

// Fills a font list and a size list and selects the starting entries.
void fillFontLists(QComboBox *fonts, QComboBox *sizes, const QStringList &families, const QString &font,
                   const QString &size)
{
    fonts->addItems(families);
    const int f = fonts->findText(font);
    if (f >= 0)
        fonts->setCurrentIndex(f);
    else
        fonts->setEditText(font);
    for (int i = 1; i <= 50; ++i)
        sizes->addItem(QString::number(i));
    sizes->setCurrentIndex(sizes->findText(size));
}

bool sameText(const PageText &a, const PageText &b)
{
    return a.top == b.top && a.left == b.left && a.fontSize == b.fontSize && a.fontName == b.fontName
           && a.text == b.text && a.colour == b.colour;
}

// Whether anything the user can change differs between two states.
bool sameState(const KeptPage &x, const KeptPage &y)
{
    const LayoutPage &a = x.page, &b = y.page;
    if (!(a.mapLeft == b.mapLeft && a.mapTop == b.mapTop && a.zoom == b.zoom && a.boxSize == b.boxSize
          && a.pageSize == b.pageSize && sameText(a.title, b.title) && sameText(a.description, b.description)
          && a.frame.top == b.frame.top && a.frame.bottom == b.frame.bottom && a.frame.left == b.frame.left
          && a.frame.right == b.frame.right && a.frame.colour == b.frame.colour
          && a.legend.count() == b.legend.count() && a.scaleBarAt == b.scaleBarAt
          && a.northArrowAt == b.northArrowAt))
        return false;
    for (int i = 0; i < a.legend.count(); ++i) {
        const LegendRow &r = a.legend[i], &s = b.legend[i];
        if (!(r.fontName == s.fontName && r.fontSize == s.fontSize && r.text == s.text && r.left == s.left
              && r.top == s.top && r.textColour == s.textColour))
            return false;
    }
    const PageItems &i = x.items, &j = y.items;
    return i.map == j.map && i.frame == j.frame && i.title == j.title && i.legend == j.legend
           && i.description == j.description && i.scaleBar == j.scaleBar && i.northArrow == j.northArrow;
}

// One step of the editor's undo: the states before and after it.
class PageEdit : public QUndoCommand {
public:
    PageEdit(PrintMappa *editor, KeptPage before, KeptPage after, int id)
        : m_editor(editor), m_before(std::move(before)), m_after(std::move(after)), m_id(id)
    {
    }
    void undo() override { m_editor->applyState(m_before); }
    void redo() override
    {
        if (m_done) // pushed after the change was made
            m_editor->applyState(m_after);
        m_done = true;
    }
    int id() const override { return m_id; }
    bool mergeWith(const QUndoCommand *other) override
    {
        m_after = static_cast<const PageEdit *>(other)->m_after;
        return true;
    }

private:
    PrintMappa *m_editor;
    KeptPage m_before, m_after;
    int m_id;
    bool m_done = false;
};

// The editor's memory of pages, kept by the main window.
class KeptPages : public QObject {
public:
    explicit KeptPages(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("qrnKeptPages")); }
    PageMemory memory;
};

} // namespace

PrintMappa::PrintMappa(const ProgramPaths &paths, Services &services, const MapPageRequest &request, MainWindow *main,
                       PageMemory *memory)
    : QWidget(nullptr), m_paths(paths), m_services(services), m_main(main), m_memory(memory), m_request(request)
{
    setObjectName(QStringLiteral("PrintMappa"));
    setWindowTitle(QStringLiteral("Impaginazione della mappa"));
    setAttribute(Qt::WA_DeleteOnClose);
    m_request.map = QPicture(); // the page holds the picture
    m_undo = new QUndoStack(this);
    buildControls();
    Form_Load(request);
    connectControls();
    m_recorded = {m_page, m_items};
}

PrintMappa::~PrintMappa()
{
    if (m_memory)
        m_memory->keep(m_request, m_page, m_items);
}

void PrintMappa::buildControls()
{
    auto *root = new QHBoxLayout(this);
    m_preview = new PagePreview(m_page, m_items, this);
    root->addWidget(m_preview, 3);
    m_spareLabel = new QLabel(this);
    m_spareLabel->setObjectName(QStringLiteral("Picture2"));
    m_spareLabel->hide();

    auto *side = new QVBoxLayout;
    root->addLayout(side, 2);
    auto *switches = new QGridLayout;
    auto check = [this](const QString &name, const QString &text) {
        auto *c = new QCheckBox(text, this);
        c->setObjectName(name);
        return c;
    };
    Chk_Titolo = check(QStringLiteral("Chk_Titolo"), QStringLiteral("Titolo"));
    chk_Cartina = check(QStringLiteral("chk_Cartina"), QStringLiteral("Mappa"));
    chk_Bordo = check(QStringLiteral("chk_Bordo"), QStringLiteral("Bordo"));
    chk_Leggenda = check(QStringLiteral("chk_Leggenda"), QStringLiteral("Leggenda"));
    chkDesc = check(QStringLiteral("chkDesc"), QStringLiteral("Descrizione"));
    chkScala = check(QStringLiteral("chkScala"), QStringLiteral("Scala"));
    chkNord = check(QStringLiteral("chkNord"), QStringLiteral("Nord"));
    chkScala->setToolTip(QStringLiteral("La barra di scala: trascinarla nell'anteprima per spostarla"));
    chkNord->setToolTip(QStringLiteral("La freccia del nord: trascinarla nell'anteprima per spostarla"));
    switches->addWidget(Chk_Titolo, 0, 0);
    switches->addWidget(chk_Cartina, 0, 1);
    switches->addWidget(chk_Bordo, 0, 2);
    switches->addWidget(chk_Leggenda, 0, 3);
    switches->addWidget(chkDesc, 1, 0);
    switches->addWidget(chkScala, 1, 1);
    switches->addWidget(chkNord, 1, 2);
    side->addLayout(switches);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("SSTab1"));
    // All five tabs stay in sight: the panel widens to them rather than hiding one behind arrows.
    m_tabs->setUsesScrollButtons(false);
    side->addWidget(m_tabs, 1);

    // Tab 0: the title.
    m_tabs->addTab(textTab(txt_Titolo, QStringLiteral("txt_Titolo"), cmb_Font, QStringLiteral("cmb_Font"), cmb_Fontsize,
                           QStringLiteral("cmb_Fontsize"), lbl_colore, QStringLiteral("lbl_colore")),
                   QStringLiteral("Titolo"));

    // Tab 1: the map.
    auto *tMap = new QWidget;
    auto *gMap = new QVBoxLayout(tMap);
    gMap->addWidget(new QLabel(QStringLiteral("Dimensione della mappa"), tMap));
    m_zoomSlider = new QSlider(Qt::Horizontal, tMap);
    m_zoomSlider->setObjectName(QStringLiteral("Slider1"));
    m_zoomSlider->setRange(10, 200);
    m_zoomSlider->setTickPosition(QSlider::TicksBelow);
    m_zoomSlider->setTickInterval(10);
    gMap->addWidget(m_zoomSlider);
    gMap->addStretch(1);
    m_tabs->addTab(tMap, QStringLiteral("Mappa"));

    // Tab 2: the border and its margins.
    auto *tFrame = new QWidget;
    auto *gFrame = new QGridLayout(tFrame);
    lbl_colorBordo = colourLabel(QStringLiteral("lbl_colorBordo"), tFrame);
    gFrame->addWidget(new QLabel(QStringLiteral("Colore"), tFrame), 0, 0);
    gFrame->addWidget(lbl_colorBordo, 0, 1, Qt::AlignLeft);
    auto margin = [&](int row, const QString &text, QPushButton *&minus, const QString &minusName, QPushButton *&plus,
                      const QString &plusName) {
        gFrame->addWidget(new QLabel(text, tFrame), row, 0);
        minus = button(minusName, QStringLiteral("−"), tFrame);
        plus = button(plusName, QStringLiteral("+"), tFrame);
        gFrame->addWidget(minus, row, 1);
        gFrame->addWidget(plus, row, 2);
    };
    margin(1, QStringLiteral("Margine superiore"), cmd_margSupmen, QStringLiteral("cmd_margSupmen"), cmd_margSuppiu,
           QStringLiteral("cmd_margSuppiu"));
    margin(2, QStringLiteral("Margine inferiore"), cmd_marInfmen, QStringLiteral("cmd_marInfmen"), cmd_marInfpiu,
           QStringLiteral("cmd_marInfpiu"));
    margin(3, QStringLiteral("Margine sinistro"), cmd_marsinmen, QStringLiteral("cmd_marsinmen"), cmd_marsinpiu,
           QStringLiteral("cmd_marsinpiu"));
    margin(4, QStringLiteral("Margine destro"), cmd_mardesmen, QStringLiteral("cmd_mardesmen"), cmd_mardespiu,
           QStringLiteral("cmd_mardespiu"));
    gFrame->setRowStretch(5, 1);
    m_tabs->addTab(tFrame, QStringLiteral("Bordo"));

    // Tab 3: the legend.
    auto *tLegend = new QWidget;
    auto *gLegend = new QGridLayout(tLegend);
    lst_leggenda = new QListWidget(tLegend);
    lst_leggenda->setObjectName(QStringLiteral("lst_leggenda"));
    txtEditLegenda = new QLineEdit(tLegend);
    txtEditLegenda->setObjectName(QStringLiteral("txtEditLegenda"));
    cmdEditOk = button(QStringLiteral("cmdEditOk"), QStringLiteral("OK"), tLegend);
    txtEditLegenda->hide();
    cmdEditOk->hide();
    cmb_LFont = combo(QStringLiteral("cmb_LFont"), tLegend);
    cmb_LFontSize = combo(QStringLiteral("cmb_LFontSize"), tLegend);
    lbl_coloreleggenda = colourLabel(QStringLiteral("lbl_coloreleggenda"), tLegend);
    cmd_GrM = button(QStringLiteral("cmd_GrM"), QStringLiteral("Quadrati −"), tLegend);
    cmd_GrP = button(QStringLiteral("cmd_GrP"), QStringLiteral("Quadrati +"), tLegend);
    gLegend->addWidget(lst_leggenda, 0, 0, 1, 3);
    gLegend->addWidget(txtEditLegenda, 1, 0, 1, 2);
    gLegend->addWidget(cmdEditOk, 1, 2);
    gLegend->addWidget(new QLabel(QStringLiteral("Carattere"), tLegend), 2, 0);
    gLegend->addWidget(cmb_LFont, 2, 1, 1, 2);
    gLegend->addWidget(new QLabel(QStringLiteral("Dimensione"), tLegend), 3, 0);
    gLegend->addWidget(cmb_LFontSize, 3, 1, Qt::AlignLeft);
    gLegend->addWidget(new QLabel(QStringLiteral("Colore"), tLegend), 4, 0);
    gLegend->addWidget(lbl_coloreleggenda, 4, 1, Qt::AlignLeft);
    gLegend->addWidget(cmd_GrM, 5, 1);
    gLegend->addWidget(cmd_GrP, 5, 2);
    m_tabs->addTab(tLegend, QStringLiteral("Leggenda"));

    // Tab 4: the description.
    m_tabs->addTab(textTab(txtDesc, QStringLiteral("txtDesc"), cmbDesc_TipoFont, QStringLiteral("cmbDesc_TipoFont"),
                           cmbDesc_DimFont, QStringLiteral("cmbDesc_DimFont"), lblDesc_Colore,
                           QStringLiteral("lblDesc_Colore")),
                   QStringLiteral("Descrizione"));

    // Tab 5: the paper and the resolution of the image files.
    auto *tPage = new QWidget;
    auto *gPage = new QGridLayout(tPage);
    cmbCarta = combo(QStringLiteral("cmbCarta"), tPage);
    cmbCarta->addItems(paperNames());
    cmbOrientamento = combo(QStringLiteral("cmbOrientamento"), tPage);
    cmbOrientamento->addItems({QStringLiteral("Verticale"), QStringLiteral("Orizzontale")});
    spnRisoluzione = new QSpinBox(tPage);
    spnRisoluzione->setObjectName(QStringLiteral("spnRisoluzione"));
    spnRisoluzione->setRange(kMinRasterPixelsPerInch, kMaxRasterPixelsPerInch);
    spnRisoluzione->setSingleStep(50);
    spnRisoluzione->setSuffix(QStringLiteral(" dpi"));
    spnRisoluzione->setValue(int(kDefaultRasterPixelsPerInch));
    spnRisoluzione->setToolTip(QStringLiteral("Risoluzione dei file BMP, JPEG e PNG"));
    gPage->addWidget(new QLabel(QStringLiteral("Formato carta"), tPage), 0, 0);
    gPage->addWidget(cmbCarta, 0, 1, Qt::AlignLeft);
    gPage->addWidget(new QLabel(QStringLiteral("Orientamento"), tPage), 1, 0);
    gPage->addWidget(cmbOrientamento, 1, 1, Qt::AlignLeft);
    gPage->addWidget(new QLabel(QStringLiteral("Risoluzione immagini"), tPage), 2, 0);
    gPage->addWidget(spnRisoluzione, 2, 1, Qt::AlignLeft);
    gPage->setRowStretch(3, 1);
    m_tabs->addTab(tPage, QStringLiteral("Pagina"));

    mnu_sel = new QMenu(this);
    mnu_sel->setObjectName(QStringLiteral("mnu_sel"));

    auto *commands = new QHBoxLayout;
    cmdStampa = button(QStringLiteral("cmdStampa"), QStringLiteral("Stampa"), this);
    cmdSalva = button(QStringLiteral("cmdSalva"), QStringLiteral("Salva"), this);
    m_helpButton = button(QStringLiteral("cmdHelp"), QStringLiteral("Aiuto"), this);
    cmd_close = button(QStringLiteral("cmd_close"), QStringLiteral("Chiudi"), this);
    commands->addWidget(cmdStampa);
    commands->addWidget(cmdSalva);
    commands->addStretch(1);
    commands->addWidget(m_helpButton);
    commands->addWidget(cmd_close);
    side->addLayout(commands);
}

void PrintMappa::Form_Load(const MapPageRequest &request)
{
    if (m_main)
        FormatChildForm(m_paths, m_services, this, m_main);
    m_printAtOnce = request.printAtOnce;

    const QStringList families = QFontDatabase::families();
    PageDefaults defaults = editorDefaults(QPrinter().pageLayout().fullRect(QPageLayout::Inch).size());
    fillFontLists(cmb_Font, cmb_Fontsize, families, defaults.titleFont, defaults.titleSize);
    fillFontLists(cmb_LFont, cmb_LFontSize, families, defaults.legendFont, defaults.legendSize);
    fillFontLists(cmbDesc_TipoFont, cmbDesc_DimFont, families, defaults.descriptionFont, defaults.descriptionSize);

    m_page = makeLayoutPage(request, defaults);
    // The page as the user left it for this map, when there is one.
    if (const std::optional<KeptPage> kept = m_memory ? m_memory->recall(request) : std::nullopt) {
        m_page = kept->page;
        m_items = kept->items;
    }
    lst_leggenda->addItem(QStringLiteral("Tutte le righe"));
    for (int i = 0; i < m_page.legend.count(); ++i)
        lst_leggenda->addItem(m_page.legend[i].text);
    lst_leggenda->setCurrentRow(kAllLegendRows);
    showPage();
    resize(1000, 720);
    m_page.previewRatio = m_preview->setupPage();
    Redraw();
}

void PrintMappa::connectControls()
{
    connect(m_preview, &PagePreview::pressed, this, &PrintMappa::preview_MouseDown);
    connect(m_preview, &PagePreview::moved, this, &PrintMappa::preview_MouseMove);
    connect(m_preview, &PagePreview::released, this, [this](Qt::MouseButton b) {
        if (b != Qt::RightButton)
            Redraw();
        m_lastSource = nullptr; // a drag ends its step: the keys that follow make one of their own
    });
    connect(m_preview, &PagePreview::nudged, this, &PrintMappa::nudge);
    connect(cmbCarta, &QComboBox::currentIndexChanged, this, &PrintMappa::choosePaper);
    connect(cmbOrientamento, &QComboBox::currentIndexChanged, this, &PrintMappa::choosePaper);
    auto *undo = new QShortcut(QKeySequence::Undo, this, [this] { m_undo->undo(); });
    auto *redo = new QShortcut(QKeySequence::Redo, this, [this] { m_undo->redo(); });
    for (QShortcut *k : {undo, redo})
        k->setContext(Qt::WidgetWithChildrenShortcut);

    connect(txt_Titolo, &QLineEdit::textChanged, this, [this](const QString &t) {
        m_page.title.text = t;
        settle();
    });
    connect(txtDesc, &QLineEdit::textChanged, this, [this](const QString &t) {
        m_page.description.text = t;
        settle();
    });
    // Leaving a text box trims it; an empty one switches its item off.
    auto trimOnLeave = [this](QLineEdit *box, QCheckBox *check) {
        connect(box, &QLineEdit::editingFinished, this, [box, check] {
            box->setText(box->text().trimmed());
            if (box->text().isEmpty())
                check->setChecked(false);
        });
    };
    trimOnLeave(txt_Titolo, Chk_Titolo);
    trimOnLeave(txtDesc, chkDesc);

    auto onText = [this](QComboBox *c, QString *field) {
        connect(c, &QComboBox::currentTextChanged, this, [this, field](const QString &t) {
            *field = t;
            settle();
        });
    };
    onText(cmb_Font, &m_page.title.fontName);
    onText(cmb_Fontsize, &m_page.title.fontSize);
    onText(cmbDesc_TipoFont, &m_page.description.fontName);
    onText(cmbDesc_DimFont, &m_page.description.fontSize);
    connect(cmb_LFont, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        forLegendEntry(m_page, lst_leggenda->currentRow(), [&t](LegendRow &r) { r.fontName = t; });
        settle();
    });
    connect(cmb_LFontSize, &QComboBox::currentTextChanged, this, [this](const QString &t) {
        forLegendEntry(m_page, lst_leggenda->currentRow(), [&t](LegendRow &r) { r.fontSize = qint16(t.toInt()); });
        settle();
    });

    for (QLabel *l : {lbl_colore, lblDesc_Colore, lbl_colorBordo, lbl_coloreleggenda})
        l->installEventFilter(this);

    connect(Chk_Titolo, &QCheckBox::toggled, this, [this] {
        applyItemSwitch(Chk_Titolo, txt_Titolo, {txt_Titolo, cmb_Font, cmb_Fontsize, lbl_colore}, kTitlePlaceholder);
    });
    connect(chkDesc, &QCheckBox::toggled, this, [this] {
        applyItemSwitch(chkDesc, txtDesc, {txtDesc, cmbDesc_TipoFont, cmbDesc_DimFont, lblDesc_Colore},
                        kDescPlaceholder);
    });
    for (QCheckBox *c : {chk_Cartina, chk_Bordo, chk_Leggenda, chkScala, chkNord})
        connect(c, &QCheckBox::toggled, this, &PrintMappa::Redraw);
    // Choosing a tab makes its item the one the arrow keys and drags move again.
    connect(m_tabs, &QTabWidget::currentChanged, this, [this] { m_mark = -1; });

    connect(m_zoomSlider, &QSlider::valueChanged, this, [this](int v) {
        m_page.zoom = v / 100.0;
        Redraw();
    });
    auto step = [this](QPushButton *b, double *field, double delta) {
        connect(b, &QPushButton::clicked, this, [this, field, delta] {
            *field += delta;
            Redraw();
        });
    };
    step(cmd_GrM, &m_page.boxSize, -0.1);
    step(cmd_GrP, &m_page.boxSize, 0.1);
    step(cmd_margSupmen, &m_page.frame.top, -0.2);
    step(cmd_margSuppiu, &m_page.frame.top, 0.2);
    step(cmd_marInfmen, &m_page.frame.bottom, -0.2);
    step(cmd_marInfpiu, &m_page.frame.bottom, 0.2);
    step(cmd_marsinmen, &m_page.frame.left, -0.2);
    step(cmd_marsinpiu, &m_page.frame.left, 0.2);
    step(cmd_mardesmen, &m_page.frame.right, -0.2);
    step(cmd_mardespiu, &m_page.frame.right, 0.2);

    connect(lst_leggenda, &QListWidget::currentRowChanged, this, [this](int k) {
        if (k >= 1 && k <= m_page.legend.count())
            setLabelColour(lbl_coloreleggenda, m_page.legend[k - 1].textColour);
    });
    connect(lst_leggenda, &QListWidget::itemDoubleClicked, this, &PrintMappa::lst_leggenda_DblClick);
    connect(cmdEditOk, &QPushButton::clicked, this, &PrintMappa::cmdEditOk_Click);

    connect(cmdStampa, &QPushButton::clicked, this, &PrintMappa::cmdStampa_Click);
    connect(cmdSalva, &QPushButton::clicked, this, &PrintMappa::cmdSalva_Click);
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        if (m_main)
            m_main->ShowHelp(kHelpContext);
    });
    // Inside the main window the frame closes, and the editor with it; closing the editor alone
    // would leave an empty frame behind.
    connect(cmd_close, &QPushButton::clicked, this, [this] { frameOf(this)->close(); });
}

void PrintMappa::Redraw()
{
    m_items.title = Chk_Titolo->isChecked();
    m_items.map = chk_Cartina->isChecked();
    m_items.frame = chk_Bordo->isChecked();
    m_items.legend = chk_Leggenda->isChecked();
    m_items.description = chkDesc->isChecked();
    m_items.scaleBar = chkScala->isChecked();
    m_items.northArrow = chkNord->isChecked();
    m_preview->redraw();
    recordEdit();
}

void PrintMappa::recordEdit()
{
    if (m_applying || !m_undo)
        return;
    KeptPage now {m_page, m_items};
    if (sameState(now, m_recorded))
        return;
    const QObject *source = sender();
    if (!source || source != m_lastSource)
        ++m_stepId;
    m_lastSource = source;
    m_undo->push(new PageEdit(this, m_recorded, now, m_stepId));
    m_recorded = std::move(now);
}

void PrintMappa::applyState(const KeptPage &state)
{
    m_applying = true;
    m_page = state.page;
    m_items = state.items;
    m_page.map = m_recorded.page.map;
    showPage();
    Redraw();
    m_recorded = {m_page, m_items};
    m_lastSource = nullptr; // the next change starts a step of its own
    m_applying = false;
}

void PrintMappa::showPage()
{
    const QList<QObject *> controls = {txt_Titolo, cmb_Font, cmb_Fontsize, txtDesc, cmbDesc_TipoFont,
                                       cmbDesc_DimFont, m_zoomSlider, cmbCarta, cmbOrientamento, cmb_LFont,
                                       cmb_LFontSize, Chk_Titolo, chk_Cartina, chk_Bordo, chk_Leggenda,
                                       chkDesc, chkScala, chkNord, lst_leggenda};
    std::vector<std::unique_ptr<QSignalBlocker>> quiet;
    for (QObject *c : controls)
        quiet.push_back(std::make_unique<QSignalBlocker>(c));
    txt_Titolo->setText(m_page.title.text);
    txtDesc->setText(m_page.description.text);
    auto pick = [](QComboBox *box, const QString &text) {
        const int i = box->findText(text);
        if (i >= 0)
            box->setCurrentIndex(i);
    };
    pick(cmb_Font, m_page.title.fontName);
    pick(cmb_Fontsize, m_page.title.fontSize);
    pick(cmbDesc_TipoFont, m_page.description.fontName);
    pick(cmbDesc_DimFont, m_page.description.fontSize);
    if (m_page.legend.count() > 0) {
        pick(cmb_LFont, m_page.legend[0].fontName);
        pick(cmb_LFontSize, QString::number(m_page.legend[0].fontSize));
    }
    for (int i = 0; i < m_page.legend.count() && i + 1 < lst_leggenda->count(); ++i)
        lst_leggenda->item(i + 1)->setText(m_page.legend[i].text);
    setLabelColour(lbl_colore, m_page.title.colour);
    setLabelColour(lblDesc_Colore, m_page.description.colour);
    setLabelColour(lbl_colorBordo, m_page.frame.colour);
    const int row = lst_leggenda->currentRow();
    setLabelColour(lbl_coloreleggenda, row >= 1 && row <= m_page.legend.count() ? m_page.legend[row - 1].textColour
                                                                                 : QColor(Qt::black));
    Chk_Titolo->setChecked(m_items.title);
    chk_Cartina->setChecked(m_items.map);
    chk_Bordo->setChecked(m_items.frame);
    chk_Leggenda->setChecked(m_items.legend);
    chkDesc->setChecked(m_items.description);
    chkScala->setChecked(m_items.scaleBar);
    chkNord->setChecked(m_items.northArrow);
    for (QWidget *w : {static_cast<QWidget *>(txt_Titolo), static_cast<QWidget *>(cmb_Font),
                       static_cast<QWidget *>(cmb_Fontsize), static_cast<QWidget *>(lbl_colore)})
        w->setEnabled(m_items.title);
    for (QWidget *w : {static_cast<QWidget *>(txtDesc), static_cast<QWidget *>(cmbDesc_TipoFont),
                       static_cast<QWidget *>(cmbDesc_DimFont), static_cast<QWidget *>(lblDesc_Colore)})
        w->setEnabled(m_items.description);
    m_zoomSlider->setValue(qRound(m_page.zoom * 100));
    const bool landscape = m_page.pageSize.width() > m_page.pageSize.height();
    cmbOrientamento->setCurrentIndex(landscape ? 1 : 0);
    for (int p = 0; p < cmbCarta->count(); ++p) {
        const QSizeF size = paperInches(Paper(p), landscape);
        if (std::abs(size.width() - m_page.pageSize.width()) < 0.02
            && std::abs(size.height() - m_page.pageSize.height()) < 0.02)
            cmbCarta->setCurrentIndex(p);
    }
}

void PrintMappa::choosePaper()
{
    const QSizeF paper = paperInches(Paper(cmbCarta->currentIndex()), cmbOrientamento->currentIndex() == 1);
    m_preview->withMeasure([&](DrawingSurface &measure) { changePaper(m_page, paper, measure); });
    m_preview->setupPage();
    {
        const QSignalBlocker quiet(m_zoomSlider);
        m_zoomSlider->setValue(qRound(m_page.zoom * 100));
    }
    Redraw();
}

void PrintMappa::nudge(QPointF step)
{
    const int tab = m_mark >= 0 ? m_mark : m_tabs->currentIndex();
    m_preview->withMeasure(
        [&](DrawingSurface &measure) { moveItem(m_page, tab, lst_leggenda->currentRow(), step, measure); });
    Redraw();
}

void PrintMappa::settle()
{
    m_preview->withMeasure([this](DrawingSurface &measure) { settleTexts(m_page, measure); });
    {
        const QSignalBlocker quiet(m_zoomSlider); // the map may have been made smaller
        m_zoomSlider->setValue(qRound(m_page.zoom * 100));
    }
    Redraw();
}

void PrintMappa::applyItemSwitch(QCheckBox *check, QLineEdit *text, const QList<QWidget *> &controls,
                                 const QString &placeholder)
{
    const bool on = check->isChecked();
    for (QWidget *w : controls)
        w->setEnabled(on);
    if (on && text->text().trimmed().isEmpty())
        text->setText(placeholder);
    Redraw();
}

void PrintMappa::chooseColour(QLabel *label)
{
    const std::optional<QColor> chosen = m_services.prompt ? m_services.prompt->chooseColor(labelColour(label))
                                                           : std::nullopt;
    if (!chosen)
        return;
    const QColor c = *chosen;
    setLabelColour(label, c);
    if (label == lbl_colore)
        m_page.title.colour = c;
    else if (label == lblDesc_Colore)
        m_page.description.colour = c;
    else if (label == lbl_colorBordo)
        m_page.frame.colour = c;
    else
        forLegendEntry(m_page, lst_leggenda->currentRow(), [&c](LegendRow &r) { r.textColour = c; });
    Redraw();
}

bool PrintMappa::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonPress) {
        if (auto *label = qobject_cast<QLabel *>(watched)) {
            chooseColour(label);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void PrintMappa::clearPopup()
{
    // The entries of an earlier click go; the first stays, unticked.
    const QList<QAction *> old = mnu_sel->actions();
    for (int i = 1; i < old.size(); ++i) {
        mnu_sel->removeAction(old[i]);
        old[i]->deleteLater();
    }
    if (!old.isEmpty())
        old[0]->setChecked(false);
}

int PrintMappa::popupChoice(const QStringList &names)
{
    QList<QAction *> entries;
    for (int i = 0; i < names.size(); ++i) {
        QAction *a = i == 0 && !mnu_sel->actions().isEmpty() ? mnu_sel->actions().at(0) : mnu_sel->addAction(QString());
        a->setObjectName(QStringLiteral("mnu_sel1_%1").arg(i));
        a->setCheckable(true);
        a->setText(names[i]);
        entries << a;
    }
    if (m_chooser)
        return m_chooser(names);
    QAction *chosen = mnu_sel->exec(QCursor::pos());
    return chosen ? int(entries.indexOf(chosen)) : -1;
}

void PrintMappa::preview_MouseDown(Qt::MouseButton button, QPointF at)
{
    if (button == Qt::LeftButton) {
        // A press on the scale bar or the north arrow takes that mark; elsewhere the tab's item.
        m_preview->withMeasure([&](DrawingSurface &measure) { m_mark = markUnder(m_page, m_items, at, measure); });
        m_grip = gripItem(m_page, m_mark >= 0 ? m_mark : m_tabs->currentIndex(), lst_leggenda->currentRow(), at);
        m_lastSource = nullptr; // every drag is a step of its own
    }
    if (button != Qt::RightButton)
        return;
    clearPopup();
    const PageHit hit = m_preview->hit(at);
    m_selection = hit.names.join(QLatin1Char(','));
    if (hit.names.size() > 1) {
        const int chosen = popupChoice(hit.names);
        if (chosen >= 0 && chosen < hit.names.size()) {
            mnu_sel->actions().at(chosen)->setChecked(true);
            m_selection = hit.names.at(chosen);
        }
    }
    const int tab = tabForSelection(m_selection);
    if (tab < 0)
        return;
    m_tabs->setCurrentIndex(tab);
    if (tab == TabLegend)
        lst_leggenda->setCurrentRow(hit.legendRow + 1);
}

void PrintMappa::preview_MouseMove(Qt::MouseButtons buttons, QPointF at)
{
    if (!(buttons & Qt::LeftButton))
        return;
    m_preview->setCursor(Qt::CrossCursor);
    m_preview->withMeasure([&](DrawingSurface &measure) { dragItem(m_page, m_grip, at, measure); });
    m_preview->unsetCursor();
    Redraw();
}

void PrintMappa::lst_leggenda_DblClick()
{
    const int k = lst_leggenda->currentRow();
    if (k < 1)
        return; // the entry of all rows has no text of its own
    txtEditLegenda->setText(lst_leggenda->item(k)->text());
    m_editedEntry = k;
    txtEditLegenda->show();
    cmdEditOk->show();
    txtEditLegenda->setFocus();
}

void PrintMappa::cmdEditOk_Click()
{
    if (m_editedEntry >= 1 && m_editedEntry < lst_leggenda->count())
        lst_leggenda->item(m_editedEntry)->setText(txtEditLegenda->text());
    txtEditLegenda->hide();
    cmdEditOk->hide();
    for (int j = 1; j < lst_leggenda->count() && j <= m_page.legend.count(); ++j)
        m_page.legend[j - 1].text = lst_leggenda->item(j)->text();
    Redraw();
}

void PrintMappa::cmdStampa_Click()
{
    if (!m_services.prompt)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    const bool landscape = m_page.pageSize.width() > m_page.pageSize.height();
    printer.setPageSize(QPageSize(landscape ? m_page.pageSize.transposed() : m_page.pageSize, QPageSize::Inch));
    printer.setPageOrientation(landscape ? QPageLayout::Landscape : QPageLayout::Portrait);
    if (!m_services.prompt->choosePrinter(printer))
        return;
    BusyPointer busy(m_services.prompt);
    if (!PrintPage(m_page, m_items, printer))
        m_services.log.logError(this, QStringLiteral("cmdStampa_Click"), QStringLiteral("0"),
                                QStringLiteral("Stampa della pagina non riuscita"));
    Redraw();
}

void PrintMappa::cmdSalva_Click()
{
    if (!m_services.prompt)
        return;
    const QString name = m_services.prompt->saveFile(QStringLiteral("Salva"), QString(), pageSaveFilter());
    if (name.isEmpty())
        return;
    Redraw();
    bool stopped = false;
    const WriteResult saved = [&] {
        BusyPointer busy(m_services.prompt);
        // The progress of the painting and the encoding, which at 300 dpi and more take a while;
        // a stop leaves an earlier file of that name as it was, and needs no message.
        ProgressReport report(m_services.prompt,
                              QStringLiteral("Salvataggio della pagina in %1").arg(QFileInfo(name).fileName()), 2);
        const WriteResult result = SavePage(m_page, m_items, name, spnRisoluzione->value(), report.part(0, 2));
        stopped = report.cancelled() && !result;
        return result;
    }();
    if (stopped)
        return;
    m_services.prompt->message(saved.message, QString(), saved ? Icon::Information : Icon::Critical);
    if (!saved)
        m_services.log.writeError(objectName(), QStringLiteral("cmdSalva_Click"), QStringLiteral("0"), saved.message,
                                  saved.detail);
}

PrintMappa *openPrintMappa(MainWindow &main, const MapPageRequest &request)
{
    auto *kept = static_cast<KeptPages *>(main.findChild<QObject *>(QStringLiteral("qrnKeptPages"),
                                                                    Qt::FindDirectChildrenOnly));
    if (!kept)
        kept = new KeptPages(&main);
    BusyPointer busy(main.context().prompt);
    auto *w = new PrintMappa(main.context(), main.context(), request, &main, &kept->memory);
    main.showChild(w);
    return w;
}

void PrintMappa::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_printAtOnce && !m_shownOnce) {
        m_shownOnce = true;
        QTimer::singleShot(0, this, &PrintMappa::cmdStampa_Click);
    }
}

} // namespace qrn::ui

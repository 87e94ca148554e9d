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
#include <QSlider>
#include <QTabWidget>
#include <QTimer>
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

} // namespace

PrintMappa::PrintMappa(AppContext &ctx, const MapPageRequest &request, MainWindow *main)
    : QWidget(nullptr), m_ctx(ctx), m_main(main)
{
    setObjectName(QStringLiteral("PrintMappa"));
    setWindowTitle(QStringLiteral("Impaginazione della mappa"));
    setAttribute(Qt::WA_DeleteOnClose);
    buildControls();
    Form_Load(request);
    connectControls();
}

void PrintMappa::buildControls()
{
    auto *root = new QHBoxLayout(this);
    Picture1 = new PagePreview(m_page, m_items, this);
    root->addWidget(Picture1, 3);
    Picture2 = new QLabel(this);
    Picture2->setObjectName(QStringLiteral("Picture2"));
    Picture2->hide();

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
    switches->addWidget(Chk_Titolo, 0, 0);
    switches->addWidget(chk_Cartina, 0, 1);
    switches->addWidget(chk_Bordo, 0, 2);
    switches->addWidget(chk_Leggenda, 1, 0);
    switches->addWidget(chkDesc, 1, 1);
    side->addLayout(switches);

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    // All five tabs stay in sight: the panel widens to them rather than hiding one behind arrows.
    SSTab1->setUsesScrollButtons(false);
    side->addWidget(SSTab1, 1);

    // Tab 0: the title.
    SSTab1->addTab(textTab(txt_Titolo, QStringLiteral("txt_Titolo"), cmb_Font, QStringLiteral("cmb_Font"), cmb_Fontsize,
                           QStringLiteral("cmb_Fontsize"), lbl_colore, QStringLiteral("lbl_colore")),
                   QStringLiteral("Titolo"));

    // Tab 1: the map.
    auto *tMap = new QWidget;
    auto *gMap = new QVBoxLayout(tMap);
    gMap->addWidget(new QLabel(QStringLiteral("Dimensione della mappa"), tMap));
    Slider1 = new QSlider(Qt::Horizontal, tMap);
    Slider1->setObjectName(QStringLiteral("Slider1"));
    Slider1->setRange(10, 200);
    Slider1->setTickPosition(QSlider::TicksBelow);
    Slider1->setTickInterval(10);
    gMap->addWidget(Slider1);
    gMap->addStretch(1);
    SSTab1->addTab(tMap, QStringLiteral("Mappa"));

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
    SSTab1->addTab(tFrame, QStringLiteral("Bordo"));

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
    SSTab1->addTab(tLegend, QStringLiteral("Leggenda"));

    // Tab 4: the description.
    SSTab1->addTab(textTab(txtDesc, QStringLiteral("txtDesc"), cmbDesc_TipoFont, QStringLiteral("cmbDesc_TipoFont"),
                           cmbDesc_DimFont, QStringLiteral("cmbDesc_DimFont"), lblDesc_Colore,
                           QStringLiteral("lblDesc_Colore")),
                   QStringLiteral("Descrizione"));

    mnu_sel = new QMenu(this);
    mnu_sel->setObjectName(QStringLiteral("mnu_sel"));

    auto *commands = new QHBoxLayout;
    cmdStampa = button(QStringLiteral("cmdStampa"), QStringLiteral("Stampa"), this);
    cmdSalva = button(QStringLiteral("cmdSalva"), QStringLiteral("Salva"), this);
    cmdHelp = button(QStringLiteral("cmdHelp"), QStringLiteral("Aiuto"), this);
    cmd_close = button(QStringLiteral("cmd_close"), QStringLiteral("Chiudi"), this);
    commands->addWidget(cmdStampa);
    commands->addWidget(cmdSalva);
    commands->addStretch(1);
    commands->addWidget(cmdHelp);
    commands->addWidget(cmd_close);
    side->addLayout(commands);
}

void PrintMappa::Form_Load(const MapPageRequest &request)
{
    if (m_main)
        FormatChildForm(m_ctx, this, m_main);
    m_printAtOnce = request.printAtOnce;

    const QStringList families = QFontDatabase::families();
    PageDefaults defaults = editorDefaults(QPrinter().pageLayout().fullRect(QPageLayout::Inch).size());
    fillFontLists(cmb_Font, cmb_Fontsize, families, defaults.titleFont, defaults.titleSize);
    fillFontLists(cmb_LFont, cmb_LFontSize, families, defaults.legendFont, defaults.legendSize);
    fillFontLists(cmbDesc_TipoFont, cmbDesc_DimFont, families, defaults.descriptionFont, defaults.descriptionSize);

    m_page = makeLayoutPage(request, defaults);
    lst_leggenda->addItem(QStringLiteral("Tutte le righe"));
    for (int i = 0; i < m_page.legend.count(); ++i)
        lst_leggenda->addItem(m_page.legend[i].text);
    lst_leggenda->setCurrentRow(kAllLegendRows);

    txt_Titolo->setText(m_page.title.text);
    txtDesc->setText(m_page.description.text);
    for (QCheckBox *c : {Chk_Titolo, chk_Cartina, chk_Bordo, chk_Leggenda, chkDesc})
        c->setChecked(true);
    for (QLabel *l : {lbl_colore, lblDesc_Colore, lbl_colorBordo, lbl_coloreleggenda})
        setLabelColour(l, Qt::black);

    // The zoom at which the map fits the arranged page.
    Slider1->setValue(qRound(m_page.zoom * 100));
    resize(1000, 720);
    m_page.previewRatio = Picture1->setupPage();
    Redraw();
}

void PrintMappa::connectControls()
{
    connect(Picture1, &PagePreview::pressed, this, &PrintMappa::Picture1_MouseDown);
    connect(Picture1, &PagePreview::moved, this, &PrintMappa::Picture1_MouseMove);
    connect(Picture1, &PagePreview::released, this, [this](Qt::MouseButton b) {
        if (b != Qt::RightButton)
            Redraw();
    });

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
    for (QCheckBox *c : {chk_Cartina, chk_Bordo, chk_Leggenda})
        connect(c, &QCheckBox::toggled, this, &PrintMappa::Redraw);

    connect(Slider1, &QSlider::valueChanged, this, [this](int v) {
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
    connect(cmdHelp, &QPushButton::clicked, this, [this] {
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
    Picture1->redraw();
}

void PrintMappa::settle()
{
    Picture1->withMeasure([this](DrawingSurface &measure) { settleTexts(m_page, measure); });
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
    const std::optional<QColor> chosen = m_ctx.prompt ? m_ctx.prompt->chooseColor(labelColour(label)) : std::nullopt;
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

void PrintMappa::Picture1_MouseDown(Qt::MouseButton button, QPointF at)
{
    if (button == Qt::LeftButton)
        m_grip = gripItem(m_page, SSTab1->currentIndex(), lst_leggenda->currentRow(), at);
    if (button != Qt::RightButton)
        return;
    clearPopup();
    const PageHit hit = Picture1->hit(at);
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
    SSTab1->setCurrentIndex(tab);
    if (tab == TabLegend)
        lst_leggenda->setCurrentRow(hit.legendRow + 1);
}

void PrintMappa::Picture1_MouseMove(Qt::MouseButtons buttons, QPointF at)
{
    if (!(buttons & Qt::LeftButton))
        return;
    Picture1->setCursor(Qt::CrossCursor);
    Picture1->withMeasure([&](DrawingSurface &measure) { dragItem(m_page, m_grip, at, measure); });
    Picture1->unsetCursor();
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
    if (!m_ctx.prompt)
        return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setFullPage(true);
    printer.setPageSize(QPageSize(m_page.pageSize, QPageSize::Inch));
    if (!m_ctx.prompt->choosePrinter(printer))
        return;
    if (!PrintPage(m_page, m_items, printer))
        m_ctx.log.logError(this, QStringLiteral("cmdStampa_Click"), QStringLiteral("0"),
                           QStringLiteral("Stampa della pagina non riuscita"));
    Redraw();
}

void PrintMappa::cmdSalva_Click()
{
    if (!m_ctx.prompt)
        return;
    const QString name = m_ctx.prompt->saveFile(QStringLiteral("Salva"), QString(), pageSaveFilter());
    if (name.isEmpty())
        return;
    Redraw();
    const WriteResult saved = SavePage(m_page, m_items, name, Picture1->pixelsPerInch());
    m_ctx.prompt->message(saved.message, QString(), saved ? Icon::Information : Icon::Critical);
    if (!saved)
        m_ctx.log.writeError(objectName(), QStringLiteral("cmdSalva_Click"), QStringLiteral("0"), saved.message, saved.detail);
}

PrintMappa *openPrintMappa(MainWindow &main, const MapPageRequest &request)
{
    auto *w = new PrintMappa(main.context(), request, &main);
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

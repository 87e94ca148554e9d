// The two metadata sheets over one base, SheetWindow: the read-only boxes, the thirteen year
// boxes, the load from Metadati and the printed report. The sheets only read the metadata
// database; a code without a sheet is told, a database error logged under the sheet's name.
// There is one sheet of a type at a time: opening another deletes the open one and makes it anew,
// so a sheet never shows a mix of two codes.

#include "metadata/ui/sheets.h"

#include "metadata/report.h"
#include "metadata/sheet.h"
#include "metadata/sheetquery.h"
#include "metadata/ui/reportpreview.h"
#include "shell/context.h"
#include "shell/prompt.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QtMath>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {
constexpr int kHelpContext = 600;
}

SheetWindow::SheetWindow(const ProgramPaths &paths, Services &services, MainWindow *main, const QString &tipo)
    : QWidget(nullptr), m_paths(paths), m_services(services), m_main(main), m_tipo(tipo)
{
    setAttribute(Qt::WA_DeleteOnClose);
    auto *root = new QVBoxLayout(this);
    m_form = new QGridLayout;
    m_form->setColumnStretch(1, 1);
    root->addLayout(m_form);

    auto *bar = new QHBoxLayout;
    auto button = [&](QPushButton *&b, const char *name, const QString &text) {
        b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        bar->addWidget(b);
    };
    bar->addStretch(1);
    button(cmdStampa, "cmdStampa", QStringLiteral("Stampa"));
    button(cmdHelp, "cmdHelp", QStringLiteral("Help"));
    button(cmdChiudi, "cmdChiudi", QStringLiteral("Chiudi"));
    root->addLayout(bar);
    connect(cmdStampa, &QPushButton::clicked, this, &SheetWindow::cmdStampa_Click);
    connect(cmdChiudi, &QPushButton::clicked, this, &SheetWindow::cmdChiudi_Click);
    connect(cmdHelp, &QPushButton::clicked, this, [this] {
        if (m_main)
            m_main->ShowHelp(kHelpContext);
    });
    // The background picture once the main window has placed the sheet.
    QTimer::singleShot(0, this, [this] { CaricaSfondoForm(m_paths, m_services, this, nullptr); });
}

QLineEdit *SheetWindow::lineBox(const char *name, const QString &label)
{
    const int row = m_form->rowCount();
    auto *box = new QLineEdit(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setReadOnly(true);
    m_form->addWidget(new QLabel(label, this), row, 0);
    m_form->addWidget(box, row, 1);
    return box;
}

QPlainTextEdit *SheetWindow::textBox(const char *name, const QString &label, int lines)
{
    const int row = m_form->rowCount();
    auto *box = new QPlainTextEdit(this);
    box->setObjectName(QString::fromUtf8(name));
    box->setReadOnly(true);
    // Whole lines only (a line of the box is the font's height, without leading): the frame and
    // the document's margins added exactly, so no sliver of
    // a further line shows under the last one (the rest scrolls).
    box->setFixedHeight(box->fontMetrics().height() * lines + 2 * qCeil(box->document()->documentMargin())
                        + 2 * box->frameWidth());
    auto *l = new QLabel(label, this);
    l->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_form->addWidget(l, row, 0);
    m_form->addWidget(box, row, 1);
    return box;
}

QGridLayout *makeYearBoxes(QWidget *owner, std::array<QLineEdit *, 13> &boxes)
{
    auto *years = new QGridLayout;
    years->setHorizontalSpacing(2);
    for (int i = 0; i < kSheetYearCount; ++i) {
        auto *y = new QLabel(QString::number(kFirstSheetYear + i), owner);
        y->setAlignment(Qt::AlignCenter);
        years->addWidget(y, 0, i);
        QLineEdit *box = boxes[size_t(i)] = new QLineEdit(owner);
        box->setObjectName(QStringLiteral("txtAnniDisp_%1").arg(i));
        box->setReadOnly(true);
        box->setAlignment(Qt::AlignCenter);
        box->setFixedWidth(42);
        years->addWidget(box, 1, i);
    }
    return years;
}

void SheetWindow::addYearBoxes()
{
    const int row = m_form->rowCount();
    QGridLayout *years = makeYearBoxes(this, txtAnniDisp);
    auto *legend = new QLabel(
        QStringLiteral("P: livello territoriale provinciale    R: livello territoriale regionale    "
                       "N.A.: dato non aggiornabile"),
        this);
    legend->setObjectName(QStringLiteral("lblLegenda"));
    years->addWidget(legend, 2, 0, 1, kSheetYearCount);
    m_form->addWidget(new QLabel(QStringLiteral("Anni disponibili"), this), row, 0, Qt::AlignTop);
    m_form->addLayout(years, row, 1, Qt::AlignLeft);
}

void SheetWindow::load(const QString &code)
{
    try {
        auto cn = m_services.openDatabase(QStringLiteral("Metadati.mdb"));
        if (!fill(*cn, code))
            m_services.prompt->message(sheetMissingMessage(m_tipo), QString(), Icon::Information);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("Form_Load"), QString::number(e.number()), e.description());
    }
}

void SheetWindow::setYears(const std::array<QString, 13> &marks)
{
    for (size_t i = 0; i < marks.size(); ++i)
        txtAnniDisp[i]->setText(marks[i]);
}

void SheetWindow::cmdStampa_Click()
{
    const QString code = sheetPrintCode(m_tipo, firstBoxText());
    showReport(m_paths, m_services,
               m_tipo == QLatin1String("Variabili") ? ReportKind::Variabili : ReportKind::Indicatori, code, this);
}

void SheetWindow::cmdChiudi_Click()
{
    frameOf(this)->close();
}

frmSchedaVariabili::frmSchedaVariabili(const ProgramPaths &paths, Services &services, MainWindow *main)
    : SheetWindow(paths, services, main, QStringLiteral("Variabili"))
{
    setObjectName(QStringLiteral("frmSchedaVariabili"));
    setWindowTitle(QStringLiteral("Scheda metadati variabili"));
    txtVariabili = lineBox("txtVariabili", QStringLiteral("Variabile"));
    txtSettore = lineBox("txtSettore", QStringLiteral("Area"));
    txtArgomento = lineBox("txtArgomento", QStringLiteral("Sottoarea"));
    txtFonti = textBox("txtFonti", QStringLiteral("Fonte"));
    txtPubblicazioni = textBox("txtPubblicazioni", QStringLiteral("Pubblicazione"));
    txtEnti = textBox("txtEnti", QStringLiteral("Ente che pubblica"));
    txtNoteAnni = textBox("txtNoteAnni", QStringLiteral("Note sui singoli anni"));
    txtLivelloTerr = lineBox("txtLivelloTerr", QStringLiteral("Livello territoriale"));
    txtNumProv = lineBox("txtNumProv", QStringLiteral("Numero province"));
    txtUnita_mis = lineBox("txtUnità_mis", QStringLiteral("Unità di misura"));
    txtPeriodo_rif = lineBox("txtPeriodo_rif", QStringLiteral("Periodo di riferimento"));
    txtNoteSerie = textBox("txtNoteSerie", QStringLiteral("Note sull' intera serie"), 2);
    addYearBoxes();
    resize(760, 720);
}

bool frmSchedaVariabili::fill(Connection &cn, const QString &code)
{
    const std::optional<VariableSheet> s = loadVariableSheet(cn, code);
    if (!s)
        return false;
    txtVariabili->setText(s->variabile);
    txtSettore->setText(s->settore);
    txtArgomento->setText(s->argomento);
    txtFonti->setPlainText(s->fonti);
    txtPubblicazioni->setPlainText(s->pubblicazioni);
    txtEnti->setPlainText(s->enti);
    txtNoteAnni->setPlainText(s->noteAnni);
    if (!s->livello.isEmpty())
        txtLivelloTerr->setText(s->livello);
    txtNumProv->setText(s->numProvince);
    txtUnita_mis->setText(s->unita);
    txtPeriodo_rif->setText(s->periodo);
    txtNoteSerie->setPlainText(s->noteSerie);
    setYears(s->anni);
    return true;
}

QString frmSchedaVariabili::firstBoxText() const
{
    return txtVariabili->text();
}

frmSchedaIndicatori::frmSchedaIndicatori(const ProgramPaths &paths, Services &services, MainWindow *main)
    : SheetWindow(paths, services, main, QStringLiteral("Indicatori"))
{
    setObjectName(QStringLiteral("frmSchedaIndicatori"));
    setWindowTitle(QStringLiteral("Scheda metadati indicatori"));
    txtIndicatore = lineBox("txtIndicatore", QStringLiteral("Indicatore"));
    txtSettore = lineBox("txtSettore", QStringLiteral("Area"));
    txtArgomento = lineBox("txtArgomento", QStringLiteral("Sottoarea"));
    txtValutazione = lineBox("txtValutazione", QStringLiteral("Aspetto valutato"));
    txtModalitaCalcolo = textBox("txtModalitaCalcolo", QStringLiteral("Modalità di calcolo"));
    txtVariabiliAssociate = lineBox("txtVariabiliAssociate", QStringLiteral("Variabili associate"));
    txtNoteTecniche = textBox("txtNoteTecniche", QStringLiteral("Note tecniche"));
    txtDestinazione = lineBox("txtDestinazione", QStringLiteral("Destinazione"));
    txtPsm = lineBox("txtPsm", QStringLiteral("PSM"));
    txtBdquid = lineBox("txtBdquid", QStringLiteral("BdQuid"));

    const int row = m_form->rowCount();
    auto *checks = new QHBoxLayout;
    auto check = [&](QCheckBox *&c, const char *name, const QString &text) {
        c = new QCheckBox(text, this);
        c->setObjectName(QString::fromLatin1(name));
        // Read-only: the boxes show the catalogue and take no clicks.
        c->setAttribute(Qt::WA_TransparentForMouseEvents);
        c->setFocusPolicy(Qt::NoFocus);
        checks->addWidget(c);
    };
    check(chkProv, "chkProv", QStringLiteral("Provinciale"));
    check(chkSll, "chkSll", QStringLiteral("Sistema locale del lavoro"));
    check(chkComune, "chkComune", QStringLiteral("Comunale"));
    check(chkDatoP, "chkDatoP", QStringLiteral("Dato puntuale"));
    check(chkSintesi, "chkSintesi", QStringLiteral("Utilizzabile per la sintesi"));
    checks->addStretch(1);
    m_form->addWidget(new QLabel(QStringLiteral("Disponibilità"), this), row, 0);
    m_form->addLayout(checks, row, 1);
    addYearBoxes();
    resize(760, 640);
}

bool frmSchedaIndicatori::fill(Connection &cn, const QString &code)
{
    const std::optional<IndicatorSheet> s = loadIndicatorSheet(cn, code);
    if (!s)
        return false;
    txtIndicatore->setText(s->indicatore);
    txtSettore->setText(s->settore);
    txtArgomento->setText(s->argomento);
    txtPsm->setText(s->psm);
    txtBdquid->setText(s->bdquid);
    txtValutazione->setText(s->valutazione);
    txtModalitaCalcolo->setPlainText(s->modalitaCalcolo);
    txtVariabiliAssociate->setText(s->variabiliAssociate);
    txtNoteTecniche->setPlainText(s->noteTecniche);
    txtDestinazione->setText(s->destinazione);
    chkProv->setChecked(s->prov);
    chkSll->setChecked(s->sll);
    chkComune->setChecked(s->comune);
    chkDatoP->setChecked(s->datoPuntuale);
    chkSintesi->setChecked(s->sintesi);
    setYears(s->anni);
    return true;
}

QString frmSchedaIndicatori::firstBoxText() const
{
    return txtIndicatore->text();
}

SheetWindow *openMetadataSheet(MainWindow &main, const QString &tipo, const QString &code)
{
    const QString keyword = metadataSheetWindow(tipo);
    // The open sheet of the same type gives way to a fresh one.
    if (QWidget *open = main.registry().existing(keyword))
        delete frameOf(open);
    auto *sheet = qobject_cast<SheetWindow *>(main.registry().instance(keyword));
    if (!sheet)
        return nullptr;
    sheet->load(code);
    main.showChild(sheet);
    return sheet;
}

} // namespace qrn::ui

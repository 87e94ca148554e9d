#include "metadata/ui/frm_glossario.h"

#include "metadata/glossary.h"
#include "metadata/ui/reportpreview.h"
#include "shell/context.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {
constexpr int kHelpContext = 600;
}

frm_Glossario::frm_Glossario(AppContext &ctx, MainWindow *main) : QWidget(nullptr), m_ctx(ctx), m_main(main)
{
    setObjectName(QStringLiteral("frm_Glossario"));
    setWindowTitle(QStringLiteral("Glossario"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *root = new QVBoxLayout(this);
    auto *search = new QGroupBox(QStringLiteral("Ricerca"), this);
    auto *grid = new QGridLayout(search);
    for (int i = 0; i < 4; ++i) {
        Option1[i] = new QRadioButton(glossaryModeCaption(GlossaryMode(i)), search);
        Option1[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        connect(Option1[i], &QRadioButton::clicked, this, [this, i] { Option1_Click(i); });
    }
    cmb_alfabeto = new QComboBox(search);
    cmb_alfabeto->setObjectName(QStringLiteral("cmb_alfabeto"));
    cmb_alfabeto->addItems(glossaryLetters());
    for (int i = 0; i < 2; ++i) {
        txt_ricerca[i] = new QLineEdit(search);
        txt_ricerca[i]->setObjectName(QStringLiteral("txt_ricerca_%1").arg(i));
    }
    cmd_ricerca = new QPushButton(QStringLiteral("Ricerca"), search);
    cmd_ricerca->setObjectName(QStringLiteral("cmd_ricerca"));
    cmbSettore = new QComboBox(search);
    cmbSettore->setObjectName(QStringLiteral("cmbSettore"));
    grid->addWidget(Option1[1], 0, 0);
    grid->addWidget(cmb_alfabeto, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Ricerca per settore"), search), 1, 0);
    grid->addWidget(cmbSettore, 1, 1, 1, 2);
    grid->addWidget(Option1[0], 2, 0);
    grid->addWidget(txt_ricerca[0], 2, 1);
    grid->addWidget(Option1[2], 3, 0);
    grid->addWidget(txt_ricerca[1], 3, 1);
    grid->addWidget(cmd_ricerca, 2, 2, 2, 1);
    grid->addWidget(Option1[3], 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    root->addWidget(search);

    auto *body = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Denominazione"), this));
    lst_NameVar = new QListWidget(this);
    lst_NameVar->setObjectName(QStringLiteral("lst_NameVar"));
    left->addWidget(lst_NameVar, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Definizione"), this));
    txt_desc = new QPlainTextEdit(this);
    txt_desc->setObjectName(QStringLiteral("txt_desc"));
    txt_desc->setReadOnly(true);
    right->addWidget(txt_desc, 1);
    body->addLayout(left, 2);
    body->addLayout(right, 3);
    root->addLayout(body, 1);

    auto *bar = new QHBoxLayout;
    Cmd_print = new QPushButton(QStringLiteral("Stampa"), this);
    Cmd_print->setObjectName(QStringLiteral("Cmd_print"));
    cmdHelp = new QPushButton(QStringLiteral("Help"), this);
    cmdHelp->setObjectName(QStringLiteral("cmdHelp"));
    cmdChiudi = new QPushButton(QStringLiteral("Chiudi"), this);
    cmdChiudi->setObjectName(QStringLiteral("cmdChiudi"));
    bar->addStretch(1);
    bar->addWidget(Cmd_print);
    bar->addWidget(cmdHelp);
    bar->addWidget(cmdChiudi);
    root->addLayout(bar);
    resize(720, 560);

    connect(cmb_alfabeto, &QComboBox::activated, this, &frm_Glossario::cmb_alfabeto_Click);
    connect(cmbSettore, &QComboBox::activated, this, &frm_Glossario::cmbSettore_Click);
    connect(cmd_ricerca, &QPushButton::clicked, this, &frm_Glossario::cmd_ricerca_Click);
    connect(txt_ricerca[0], &QLineEdit::returnPressed, this, &frm_Glossario::cmd_ricerca_Click);
    connect(txt_ricerca[1], &QLineEdit::returnPressed, this, &frm_Glossario::cmd_ricerca_Click);
    connect(lst_NameVar, &QListWidget::itemClicked, this, [this] { lst_NameVar_Click(); });
    connect(Cmd_print, &QPushButton::clicked, this, &frm_Glossario::Cmd_print_Click);
    connect(cmdHelp, &QPushButton::clicked, this, [this] {
        if (m_main)
            m_main->ShowHelp(kHelpContext);
    });
    connect(cmdChiudi, &QPushButton::clicked, this, [this] { frameOf(this)->close(); });

    // The sectors, without the general one.
    m_cn = m_ctx.GetDbConnection(QStringLiteral("Metadati.mdb"));
    try {
        Recordset rs = m_cn->query(QStringLiteral("Select * from settore where idsettore <> 'A'"));
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            cmbSettore->addItem(rs.text(QStringLiteral("Descrizione Settore")));
            cmbIdSettore << rs.text(QStringLiteral("idSettore"));
        }
    } catch (const DbError &e) {
        m_ctx.log.logError(this, QStringLiteral("Form_Load"), QString::number(e.number()), e.description());
    }
    cmbSettore->setCurrentIndex(-1);
    cmb_alfabeto->setCurrentIndex(0);
    Option1[1]->setChecked(true);
    Option1_Click(1);
}

frm_Glossario::~frm_Glossario() = default;

void frm_Glossario::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_main)
        m_main->closeSplash();
}

void frm_Glossario::Option1_Click(int index)
{
    const GlossaryMode mode = GlossaryMode(index);
    Option1[index]->setChecked(true);
    const GlossaryControls c = glossaryControls(mode);
    cmb_alfabeto->setEnabled(c.letters);
    txt_ricerca[0]->setEnabled(c.contains);
    txt_ricerca[1]->setEnabled(c.starts);
    cmd_ricerca->setEnabled(c.search);
    if (mode == GlossaryMode::Letter)
        cmb_alfabeto_Click(cmb_alfabeto->currentIndex());
    else if (mode == GlossaryMode::All)
        list(glossaryAllQuery(), QStringLiteral("Option1_Click"));
}

void frm_Glossario::list(const QString &statement, const QString &procedure)
{
    lst_NameVar->clear();
    txt_desc->clear();
    try {
        lst_NameVar->addItems(glossaryTerms(*m_cn, statement));
    } catch (const DbError &e) {
        m_ctx.log.logError(this, procedure, QString::number(e.number()), e.description());
    }
}

void frm_Glossario::cmb_alfabeto_Click(int index)
{
    if (index < 0)
        return;
    cmb_alfabeto->setCurrentIndex(index);
    list(glossaryLetterQuery(cmb_alfabeto->currentText()), QStringLiteral("cmb_alfabeto_Click"));
}

void frm_Glossario::cmbSettore_Click(int index)
{
    if (index < 0 || index >= cmbIdSettore.size())
        return;
    cmbSettore->setCurrentIndex(index);
    list(glossarySectorQuery(cmbIdSettore.at(index)), QStringLiteral("cmbSettore_Click"));
}

void frm_Glossario::cmd_ricerca_Click()
{
    if (txt_ricerca[0]->isEnabled() && !txt_ricerca[0]->text().isEmpty())
        list(glossaryContainsQuery(txt_ricerca[0]->text()), QStringLiteral("cmd_ricerca_Click"));
    else if (txt_ricerca[1]->isEnabled() && !txt_ricerca[1]->text().isEmpty())
        list(glossaryStartsQuery(txt_ricerca[1]->text()), QStringLiteral("cmd_ricerca_Click"));
}

void frm_Glossario::lst_NameVar_Click()
{
    QListWidgetItem *item = lst_NameVar->currentItem();
    if (lst_NameVar->count() == 0 || !item)
        return;
    try {
        if (const auto definition = glossaryDefinition(*m_cn, item->text()))
            txt_desc->setPlainText(*definition);
    } catch (const DbError &e) {
        m_ctx.log.logError(this, QStringLiteral("lst_NameVar_Click"), QString::number(e.number()), e.description());
    }
}

void frm_Glossario::Cmd_print_Click()
{
    QListWidgetItem *item = lst_NameVar->currentItem();
    showReport(m_ctx, ReportKind::Glossario, item ? item->text().trimmed() : QString(), this);
}

} // namespace qrn::ui

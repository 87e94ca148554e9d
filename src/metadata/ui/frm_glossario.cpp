// The glossary window. It keeps one connection to Metadati for its life and only reads it; every
// search (by letter, sector, or a text the term contains or starts with) empties the term list and
// the definition before filling the list again, so the two never show the results of two
// searches. The search mode enables only the boxes that mode reads (glossaryControls).

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

frm_Glossario::frm_Glossario(const ProgramPaths &paths, Services &services, MainWindow *main)
    : QWidget(nullptr), m_paths(paths), m_services(services), m_main(main)
{
    setObjectName(QStringLiteral("frm_Glossario"));
    setWindowTitle(QStringLiteral("Glossario"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *root = new QVBoxLayout(this);
    auto *search = new QGroupBox(QStringLiteral("Ricerca"), this);
    auto *grid = new QGridLayout(search);
    for (int i = 0; i < 4; ++i) {
        m_modeOptions[i] = new QRadioButton(glossaryModeCaption(GlossaryMode(i)), search);
        m_modeOptions[i]->setObjectName(QStringLiteral("Option1_%1").arg(i));
        connect(m_modeOptions[i], &QRadioButton::clicked, this, [this, i] { searchMode_Click(i); });
    }
    m_letterBox = new QComboBox(search);
    m_letterBox->setObjectName(QStringLiteral("cmb_alfabeto"));
    m_letterBox->addItems(glossaryLetters());
    for (int i = 0; i < 2; ++i) {
        m_searchTexts[i] = new QLineEdit(search);
        m_searchTexts[i]->setObjectName(QStringLiteral("txt_ricerca_%1").arg(i));
    }
    m_searchButton = new QPushButton(QStringLiteral("Ricerca"), search);
    m_searchButton->setObjectName(QStringLiteral("cmd_ricerca"));
    m_sectorBox = new QComboBox(search);
    m_sectorBox->setObjectName(QStringLiteral("cmbSettore"));
    grid->addWidget(m_modeOptions[1], 0, 0);
    grid->addWidget(m_letterBox, 0, 1);
    grid->addWidget(new QLabel(QStringLiteral("Ricerca per settore"), search), 1, 0);
    grid->addWidget(m_sectorBox, 1, 1, 1, 2);
    grid->addWidget(m_modeOptions[0], 2, 0);
    grid->addWidget(m_searchTexts[0], 2, 1);
    grid->addWidget(m_modeOptions[2], 3, 0);
    grid->addWidget(m_searchTexts[1], 3, 1);
    grid->addWidget(m_searchButton, 2, 2, 2, 1);
    grid->addWidget(m_modeOptions[3], 4, 0, 1, 2);
    grid->setColumnStretch(1, 1);
    root->addWidget(search);

    auto *body = new QHBoxLayout;
    auto *left = new QVBoxLayout;
    left->addWidget(new QLabel(QStringLiteral("Denominazione"), this));
    m_termList = new QListWidget(this);
    m_termList->setObjectName(QStringLiteral("lst_NameVar"));
    left->addWidget(m_termList, 1);
    auto *right = new QVBoxLayout;
    right->addWidget(new QLabel(QStringLiteral("Definizione"), this));
    m_descriptionText = new QPlainTextEdit(this);
    m_descriptionText->setObjectName(QStringLiteral("txt_desc"));
    m_descriptionText->setReadOnly(true);
    right->addWidget(m_descriptionText, 1);
    body->addLayout(left, 2);
    body->addLayout(right, 3);
    root->addLayout(body, 1);

    auto *bar = new QHBoxLayout;
    m_printButton = new QPushButton(QStringLiteral("Stampa"), this);
    m_printButton->setObjectName(QStringLiteral("Cmd_print"));
    m_helpButton = new QPushButton(QStringLiteral("Help"), this);
    m_helpButton->setObjectName(QStringLiteral("cmdHelp"));
    m_closeButton = new QPushButton(QStringLiteral("Chiudi"), this);
    m_closeButton->setObjectName(QStringLiteral("cmdChiudi"));
    bar->addStretch(1);
    bar->addWidget(m_printButton);
    bar->addWidget(m_helpButton);
    bar->addWidget(m_closeButton);
    root->addLayout(bar);
    resize(720, 560);

    connect(m_letterBox, &QComboBox::activated, this, &frm_Glossario::cmb_alfabeto_Click);
    connect(m_sectorBox, &QComboBox::activated, this, &frm_Glossario::cmbSettore_Click);
    connect(m_searchButton, &QPushButton::clicked, this, &frm_Glossario::cmd_ricerca_Click);
    connect(m_searchTexts[0], &QLineEdit::returnPressed, this, &frm_Glossario::cmd_ricerca_Click);
    connect(m_searchTexts[1], &QLineEdit::returnPressed, this, &frm_Glossario::cmd_ricerca_Click);
    connect(m_termList, &QListWidget::itemClicked, this, [this] { lst_NameVar_Click(); });
    connect(m_printButton, &QPushButton::clicked, this, &frm_Glossario::Cmd_print_Click);
    connect(m_helpButton, &QPushButton::clicked, this, [this] {
        if (m_main)
            m_main->ShowHelp(kHelpContext);
    });
    connect(m_closeButton, &QPushButton::clicked, this, [this] { frameOf(this)->close(); });

    // The sectors, without the general one.
    m_cn = m_services.GetDbConnection(QStringLiteral("Metadati.mdb"));
    try {
        Recordset rs = m_cn->query(QStringLiteral("Select * from settore where idsettore <> 'A'"));
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            m_sectorBox->addItem(rs.text(QStringLiteral("Descrizione Settore")));
            m_sectorIds << rs.text(QStringLiteral("idSettore"));
        }
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("Form_Load"), QString::number(e.number()), e.description());
    }
    m_sectorBox->setCurrentIndex(-1);
    m_letterBox->setCurrentIndex(0);
    m_modeOptions[1]->setChecked(true);
    searchMode_Click(1);
}

frm_Glossario::~frm_Glossario() = default;

void frm_Glossario::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_main)
        m_main->closeSplash();
}

void frm_Glossario::searchMode_Click(int index)
{
    const GlossaryMode mode = GlossaryMode(index);
    m_modeOptions[index]->setChecked(true);
    const GlossaryControls c = glossaryControls(mode);
    m_letterBox->setEnabled(c.letters);
    m_searchTexts[0]->setEnabled(c.contains);
    m_searchTexts[1]->setEnabled(c.starts);
    m_searchButton->setEnabled(c.search);
    if (mode == GlossaryMode::Letter)
        cmb_alfabeto_Click(m_letterBox->currentIndex());
    else if (mode == GlossaryMode::All)
        list(glossaryAllQuery(), QStringLiteral("Option1_Click"));
}

void frm_Glossario::list(const QString &statement, const QString &procedure)
{
    m_termList->clear();
    m_descriptionText->clear();
    try {
        m_termList->addItems(glossaryTerms(*m_cn, statement));
    } catch (const DbError &e) {
        m_services.log.logError(this, procedure, QString::number(e.number()), e.description());
    }
}

void frm_Glossario::cmb_alfabeto_Click(int index)
{
    if (index < 0)
        return;
    m_letterBox->setCurrentIndex(index);
    list(glossaryLetterQuery(m_letterBox->currentText()), QStringLiteral("cmb_alfabeto_Click"));
}

void frm_Glossario::cmbSettore_Click(int index)
{
    if (index < 0 || index >= m_sectorIds.size())
        return;
    m_sectorBox->setCurrentIndex(index);
    list(glossarySectorQuery(m_sectorIds.at(index)), QStringLiteral("cmbSettore_Click"));
}

void frm_Glossario::cmd_ricerca_Click()
{
    if (m_searchTexts[0]->isEnabled() && !m_searchTexts[0]->text().isEmpty())
        list(glossaryContainsQuery(m_searchTexts[0]->text()), QStringLiteral("cmd_ricerca_Click"));
    else if (m_searchTexts[1]->isEnabled() && !m_searchTexts[1]->text().isEmpty())
        list(glossaryStartsQuery(m_searchTexts[1]->text()), QStringLiteral("cmd_ricerca_Click"));
}

void frm_Glossario::lst_NameVar_Click()
{
    QListWidgetItem *item = m_termList->currentItem();
    if (m_termList->count() == 0 || !item)
        return;
    try {
        if (const auto definition = glossaryDefinition(*m_cn, item->text()))
            m_descriptionText->setPlainText(*definition);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("lst_NameVar_Click"), QString::number(e.number()),
                                e.description());
    }
}

void frm_Glossario::Cmd_print_Click()
{
    QListWidgetItem *item = m_termList->currentItem();
    showReport(m_paths, m_services, ReportKind::Glossario, item ? item->text().trimmed() : QString(), this);
}

} // namespace qrn::ui

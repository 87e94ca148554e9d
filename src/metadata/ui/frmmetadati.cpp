// The metadata browser and the metadata list. Both only read Metadati: the browser fills its tree
// afresh from the catalogue of the database chosen in cmb_Databases, and a leaf opens the sheet
// of its code (the sheet of a type is one at a time); the list keeps one connection for its life
// and reads the codes of a type, then the details of the code clicked.

#include "metadata/ui/frmmetadati.h"

#include "catalogue/catalogue.h"
#include "metadata/metalist.h"
#include "metadata/ui/sheets.h"
#include "shell/context.h"
#include "shell/ui/formutils.h"
#include "shell/ui/mainwindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {
constexpr int kHelpContext = 600;
constexpr int kKeyRole = Qt::UserRole + 1;

QHBoxLayout *closeBar(QWidget *w, QPushButton *&help, QPushButton *&close, MainWindow *main)
{
    auto *bar = new QHBoxLayout;
    bar->addStretch(1);
    help = new QPushButton(QStringLiteral("Help"), w);
    help->setObjectName(QStringLiteral("cmdHelp"));
    close = new QPushButton(QStringLiteral("Chiudi"), w);
    close->setObjectName(QStringLiteral("cmdChiudi"));
    bar->addWidget(help);
    bar->addWidget(close);
    QObject::connect(help, &QPushButton::clicked, w, [main] {
        if (main)
            main->ShowHelp(kHelpContext);
    });
    QObject::connect(close, &QPushButton::clicked, w, [w] { frameOf(w)->close(); });
    return bar;
}
} // namespace

frmMetadati::frmMetadati(Services &services, const CommandContext &command, MainWindow *main)
    : QWidget(nullptr), m_services(services), m_command(command), m_main(main)
{
    setObjectName(QStringLiteral("frmMetadati"));
    setWindowTitle(QStringLiteral("Consultazione metadati"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *root = new QVBoxLayout(this);
    root->addWidget(new QLabel(QStringLiteral("Banca dati"), this));
    cmb_Databases = new QComboBox(this);
    cmb_Databases->setObjectName(QStringLiteral("cmb_Databases"));
    root->addWidget(cmb_Databases);
    objtree = new QTreeWidget(this);
    objtree->setObjectName(QStringLiteral("objtree"));
    objtree->setHeaderHidden(true);
    root->addWidget(objtree, 1);
    root->addLayout(closeBar(this, cmdHelp, cmdChiudi, main));
    setMinimumSize(520, 600);

    try {
        auto cn = m_services.openDatabase(QStringLiteral("Metadati.mdb"));
        for (const auto &[desc, file] : loadConfiguredDatabases(*cn)) {
            cmb_Databases->addItem(desc);
            cmb_DatabasesN << file;
        }
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("Form_Load"), QString::number(e.number()), e.description());
    }
    connect(cmb_Databases, &QComboBox::activated, this, &frmMetadati::cmb_Databases_Click);
    connect(objtree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *node) { objtree_NodeClick(node); });
    if (cmb_Databases->count() > 0)
        cmb_Databases_Click(0);
}

void frmMetadati::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_main)
        m_main->closeSplash();
}

void frmMetadati::cmb_Databases_Click(int index)
{
    if (index < 0 || index >= cmb_DatabasesN.size())
        return;
    cmb_Databases->setCurrentIndex(index);
    m_tipo = browserTipo(index);
    objtree->clear();
    MemoryTree tree;
    auto cn = m_services.GetDbConnection(QStringLiteral("Metadati.mdb"));
    if (const std::optional<Failure> f = fillsons(m_tipo, m_command.CurrentLevel, *cn, tree, false))
        reportFailure(*f, m_services.log, m_services.prompt, QStringLiteral("Utility"));

    QHash<QString, QTreeWidgetItem *> items;
    for (const MemoryTree::Node &n : tree.nodes()) {
        QTreeWidgetItem *parent = items.value(n.parentKey);
        auto *item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(objtree);
        item->setText(0, n.text);
        item->setToolTip(0, n.text);
        item->setData(0, kKeyRole, n.key);
        items.insert(n.key, item);
    }
}

QTreeWidgetItem *frmMetadati::nodeByKey(const QString &key) const
{
    for (QTreeWidgetItemIterator it(objtree); *it; ++it)
        if ((*it)->data(0, kKeyRole).toString() == key)
            return *it;
    return nullptr;
}

void frmMetadati::objtree_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    if (node->childCount() > 0) {
        node->setExpanded(true);
        return;
    }
    if (m_main)
        openMetadataSheet(*m_main, m_tipo, node->data(0, kKeyRole).toString());
}

frmListaMetadati::frmListaMetadati(Services &services, MainWindow *main)
    : QWidget(nullptr), m_services(services), m_main(main)
{
    setObjectName(QStringLiteral("frmListaMetadati"));
    setWindowTitle(QStringLiteral("Elenco metadati"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto *root = new QHBoxLayout(this);
    auto *left = new QVBoxLayout;
    cmbVarInd = new QComboBox(this);
    cmbVarInd->setObjectName(QStringLiteral("cmbVarInd"));
    cmbVarInd->addItems({QStringLiteral("Variabili"), QStringLiteral("Indicatori")});
    lst_CodVar = new QListWidget(this);
    lst_CodVar->setObjectName(QStringLiteral("lst_CodVar"));
    lst_CodVar->setFixedWidth(120);
    left->addWidget(cmbVarInd);
    left->addWidget(lst_CodVar, 1);
    root->addLayout(left);

    auto *right = new QVBoxLayout;
    auto *form = new QGridLayout;
    auto line = [&](QLineEdit *&box, const char *name, const QString &label) {
        const int row = form->rowCount();
        box = new QLineEdit(this);
        box->setObjectName(QString::fromLatin1(name));
        box->setReadOnly(true);
        form->addWidget(new QLabel(label, this), row, 0);
        form->addWidget(box, row, 1);
    };
    line(txtDescrizione, "txtDescrizione", QStringLiteral("Descrizione"));
    line(txtArgomento, "txtArgomento", QStringLiteral("Argomento"));
    line(txtSettore, "txtSettore", QStringLiteral("Settore"));
    right->addLayout(form);
    QGridLayout *years = makeYearBoxes(this, txtAnniDisp);
    right->addWidget(new QLabel(QStringLiteral("Anni disponibili"), this));
    right->addLayout(years);
    right->addStretch(1);
    right->addLayout(closeBar(this, cmdHelp, cmdChiudi, main));
    root->addLayout(right, 1);
    resize(760, 420);

    connect(cmbVarInd, &QComboBox::activated, this, &frmListaMetadati::cmbVarInd_Click);
    connect(lst_CodVar, &QListWidget::currentRowChanged, this, &frmListaMetadati::lst_CodVar_Click);
    cmbVarInd_Click(0);
}

frmListaMetadati::~frmListaMetadati() = default;

void frmListaMetadati::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (m_main)
        m_main->closeSplash();
}

Connection *frmListaMetadati::connection()
{
    if (!m_cn)
        m_cn = m_services.GetDbConnection(QStringLiteral("Metadati.mdb"));
    return m_cn.get();
}

void frmListaMetadati::cmbVarInd_Click(int index)
{
    cmbVarInd->setCurrentIndex(index);
    {
        const QSignalBlocker block(lst_CodVar);
        lst_CodVar->clear();
    }
    for (QLineEdit *b : {txtDescrizione, txtArgomento, txtSettore})
        b->clear();
    for (QLineEdit *b : txtAnniDisp)
        b->clear();
    try {
        const QStringList codes = loadMetadataCodes(*connection(), cmbVarInd->currentText());
        const QSignalBlocker block(lst_CodVar);
        lst_CodVar->addItems(codes);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("cmbVarInd_Click"), QString::number(e.number()), e.description());
    }
}

void frmListaMetadati::lst_CodVar_Click(int row)
{
    for (QLineEdit *b : {txtDescrizione, txtArgomento, txtSettore})
        b->clear();
    for (QLineEdit *b : txtAnniDisp)
        b->clear();
    QListWidgetItem *item = lst_CodVar->item(row);
    if (!item)
        return;
    try {
        const auto d = loadMetadataDetails(*connection(), cmbVarInd->currentText(), item->text());
        if (!d)
            return;
        txtDescrizione->setText(d->descrizione);
        txtArgomento->setText(d->argomento);
        txtSettore->setText(d->settore);
        for (size_t i = 0; i < d->anni.size(); ++i)
            txtAnniDisp[i]->setText(d->anni[i]);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("lst_CodVar_Click"), QString::number(e.number()), e.description());
    }
}

} // namespace qrn::ui

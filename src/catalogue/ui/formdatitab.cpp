// The selection window's controls and handlers. The level of the selection (m_levelCode) follows
// the ticked territory groups and the list shown and is the window's own; it travels to the
// grid with the query "Visualizza" builds. The only shared state the window writes is the
// command's CurrentTipo and CurrentLevel, restored from the values the window opened with
// before a branch's years are read: the grid it opens loads its rows with them. The saved area
// queries are deleted on close. The years of an item are read on its first click and kept. An
// open data grid runs the new query again when it differs from the one it shows.

#include "catalogue/ui/formdatitab.h"

#include "catalogue/querybuilder.h"
#include "metadata/ui/sheets.h"
#include "shell/context.h"
#include "shell/itemkind.h"
#include "shell/links.h"
#include "shell/prompt.h"
#include "shell/ui/mainwindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace qrn::ui {

namespace {

constexpr int kKeyRole = Qt::UserRole + 1;
constexpr int kImageRole = Qt::UserRole + 2;
constexpr int kExpandedImageRole = Qt::UserRole + 3;
constexpr int kHelpContext = 200;

// The four images of the tree: closed and open folders, in red for a year with a note.
QIcon treeIcon(const QString &key)
{
    static QHash<QString, QIcon> cache;
    if (cache.contains(key))
        return cache.value(key);
    const bool open = key.startsWith(QLatin1String("open"));
    QIcon base = QApplication::style()->standardIcon(open ? QStyle::SP_DirOpenIcon : QStyle::SP_DirClosedIcon);
    QIcon icon = base;
    if (key.endsWith(QLatin1Char('R'))) {
        QPixmap pm = base.pixmap(16, 16);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(QColor(200, 30, 30));
        p.setPen(Qt::NoPen);
        p.drawEllipse(QRectF(8, 8, 8, 8));
        p.end();
        icon = QIcon(pm);
    }
    cache.insert(key, icon);
    return icon;
}

bool isNumeric(const QString &text)
{
    bool ok = false;
    text.toInt(&ok);
    return ok;
}

// The territory list: typing jumps to the next name that begins with the letters typed and
// makes it the current row, without selecting or deselecting anything (in a list of several
// choices the jump would otherwise toggle the row it lands on).
class TerritoryList : public QListWidget {
public:
    using QListWidget::QListWidget;
    void keyboardSearch(const QString &search) override
    {
        const QItemSelection before = selectionModel()->selection();
        QListWidget::keyboardSearch(search);
        if (selectionModel()->selection() != before)
            selectionModel()->select(before, QItemSelectionModel::ClearAndSelect);
    }
};

} // namespace

class FormdatiTab::TreeAdapter : public TreeSink {
public:
    explicit TreeAdapter(FormdatiTab &w) : m_w(w) { }
    void addNode(const QString &parentKey, const QString &key, const QString &text, const QString &image,
                 const QString &expandedImage) override
    {
        if (m_w.m_nodes.contains(key))
            throw DbError(DbError::Kind::Generic, QStringLiteral("La chiave non è univoca nell'insieme (%1).").arg(key),
                          35602);
        QTreeWidgetItem *item = nullptr;
        if (parentKey.isEmpty()) {
            item = new QTreeWidgetItem(m_w.objtree);
        } else {
            QTreeWidgetItem *parent = m_w.m_nodes.value(parentKey);
            if (!parent)
                throw DbError(DbError::Kind::Generic, QStringLiteral("Elemento non trovato (%1).").arg(parentKey),
                              35601);
            item = new QTreeWidgetItem(parent);
        }
        item->setText(0, text);
        item->setData(0, kKeyRole, key);
        item->setData(0, kImageRole, image);
        item->setData(0, kExpandedImageRole, expandedImage);
        item->setIcon(0, treeIcon(image));
        item->setToolTip(0, text);
        m_w.m_nodes.insert(key, item);
    }

private:
    FormdatiTab &m_w;
};

FormdatiTab::FormdatiTab(const ProgramPaths &paths, Services &services, CommandContext &command, MainWindow *main)
    : QWidget(nullptr), m_paths(paths), m_services(services), m_command(command), m_main(main)
{
    setObjectName(QStringLiteral("FormdatiTab"));
    setWindowTitle(QStringLiteral("Interrogazione dei dati"));
    setAttribute(Qt::WA_DeleteOnClose);

    auto *root = new QVBoxLayout(this);
    m_heading = new QLabel(this);
    m_heading->setObjectName(QStringLiteral("lblTitolo"));
    QFont hf = m_heading->font();
    hf.setBold(true);
    hf.setPointSize(hf.pointSize() + 2);
    m_heading->setFont(hf);
    root->addWidget(m_heading);

    pageTabs = new QTabWidget(this);
    pageTabs->setObjectName(QStringLiteral("SSTab1"));
    root->addWidget(pageTabs, 1);

    // Tab 0: the territories.
    auto *terrPage = new QWidget;
    auto *terrLay = new QHBoxLayout(terrPage);
    lstDescTerr = new TerritoryList(terrPage);
    lstDescTerr->setObjectName(QStringLiteral("lstDescTerr"));
    lstDescTerr->setSelectionMode(QAbstractItemView::MultiSelection);
    lstDescTerr->setMinimumWidth(300);
    lstCodTerr = new QListWidget(terrPage);
    lstCodTerr->setObjectName(QStringLiteral("lstCodTerr"));
    lstCodTerr->hide();
    terrLay->addWidget(lstDescTerr, 1);
    auto *side = new QVBoxLayout;
    auto *frame = new QGroupBox(QStringLiteral("Visualizza"), terrPage);
    frame->setObjectName(QStringLiteral("fraVisualizza"));
    auto *frameLay = new QVBoxLayout(frame);
    const char *optCaptions[4] = {"Solo regioni", "Solo province - nuts3", "Tutto", "Solo nuts2"};
    for (int i = 0; i < 4; ++i) {
        OptVisualizza[i] = new QRadioButton(QString::fromUtf8(optCaptions[i]), frame);
        OptVisualizza[i]->setObjectName(QStringLiteral("OptVisualizza_%1").arg(i));
        frameLay->addWidget(OptVisualizza[i]);
        connect(OptVisualizza[i], &QRadioButton::clicked, this, [this, i] { OptVisualizza_Click(i); });
    }
    side->addWidget(frame);
    auto *groupsLabel = new QLabel(QStringLiteral("Partizioni territoriali predefinite"), terrPage);
    groupsLabel->setObjectName(QStringLiteral("lblPartizioni"));
    side->addWidget(groupsLabel);
    territoryGroupBoxes[0] = nullptr;
    for (const TerritoryGroup &g : territoryGroups()) {
        auto *box = new QCheckBox(g.caption, terrPage);
        box->setObjectName(QStringLiteral("Check1_%1").arg(g.index));
        territoryGroupBoxes[g.index] = box;
        side->addWidget(box);
        const int index = g.index;
        connect(box, &QCheckBox::clicked, this, [this, index] { territoryGroup_Click(index); });
    }
    side->addStretch(1);
    terrLay->addLayout(side);

    // Tab 1: the catalogue and the chosen rows.
    auto *itemPage = new QWidget;
    auto *itemLay = new QGridLayout(itemPage);
    objtree = new QTreeWidget(itemPage);
    objtree->setObjectName(QStringLiteral("objtree"));
    objtree->setHeaderHidden(true);
    objtree->setMinimumSize(380, 300);
    objtree->setContextMenuPolicy(Qt::CustomContextMenu);
    itemLay->addWidget(objtree, 0, 0, 3, 1);
    lblSelezionati = new QLabel(itemPage);
    lblSelezionati->setObjectName(QStringLiteral("lblSelezionati"));
    itemLay->addWidget(lblSelezionati, 0, 1);
    lst_allVar = new QListWidget(itemPage);
    lst_allVar->setObjectName(QStringLiteral("lst_allVar"));
    lst_allVar->setMinimumWidth(360);
    itemLay->addWidget(lst_allVar, 1, 1);
    auto *countRow = new QHBoxLayout;
    countRow->addWidget(new QLabel(QStringLiteral("Righe selezionate:"), itemPage));
    txtCount = new QLineEdit(itemPage);
    txtCount->setObjectName(QStringLiteral("txtCount"));
    txtCount->setReadOnly(true);
    txtCount->setMaximumWidth(60);
    countRow->addWidget(txtCount);
    countRow->addStretch(1);
    itemLay->addLayout(countRow, 2, 1);
    auto *noteRow = new QHBoxLayout;
    noteFolderIcon = new QLabel(itemPage);
    noteFolderIcon->setObjectName(QStringLiteral("Image1"));
    noteFolderIcon->setPixmap(treeIcon(QStringLiteral("closeR")).pixmap(16, 16));
    noteLead = new QLabel(QStringLiteral("Nota: In corrispondenza della"), itemPage);
    noteLead->setObjectName(QStringLiteral("Label2"));
    noteTail = new QLabel(QStringLiteral("cartella rossa si consiglia di consultare i metadati."), itemPage);
    noteTail->setObjectName(QStringLiteral("Label5"));
    noteRow->addWidget(noteLead);
    noteRow->addWidget(noteFolderIcon);
    noteRow->addWidget(noteTail);
    noteRow->addStretch(1);
    itemLay->addLayout(noteRow, 3, 0, 1, 2);

    pageTabs->addTab(terrPage, QStringLiteral("Territori"));
    pageTabs->addTab(itemPage, QString());

    auto *buttons = new QHBoxLayout;
    auto button = [&](QPushButton *&b, const char *name, const char *caption) {
        b = new QPushButton(QString::fromUtf8(caption), this);
        b->setObjectName(QString::fromLatin1(name));
        buttons->addWidget(b);
    };
    button(serie, "serie", "Visualizza Dati");
    button(CmdNewric, "CmdNewric", "Reset");
    button(cmdmetadati, "cmdmetadati", "Visualizza scheda metadati");
    buttons->addStretch(1);
    button(cmdHelp, "cmdHelp", "Help");
    button(cmdChiudi, "cmdChiudi", "Chiudi");
    root->addLayout(buttons);

    m_noteMenu = new QMenu(this);
    QAction *note = m_noteMenu->addAction(QStringLiteral("Note"));
    note->setObjectName(QStringLiteral("mnu_note"));
    connect(note, &QAction::triggered, this, [this] { showYearNote(m_noteNode); });

    connect(objtree, &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem *it, int) { objtree_NodeClick(it); });
    connect(objtree, &QTreeWidget::itemExpanded, this,
            [](QTreeWidgetItem *it) { it->setIcon(0, treeIcon(it->data(0, kExpandedImageRole).toString())); });
    connect(objtree, &QTreeWidget::itemCollapsed, this,
            [](QTreeWidgetItem *it) { it->setIcon(0, treeIcon(it->data(0, kImageRole).toString())); });
    connect(objtree, &QTreeWidget::customContextMenuRequested, this, [this](const QPoint &pos) {
        QTreeWidgetItem *it = objtree->itemAt(pos);
        if (!it || !isNumeric(it->text(0)))
            return;
        const QString image = it->data(0, kImageRole).toString();
        if (image != QLatin1String("closeR") && image != QLatin1String("openR"))
            return;
        m_noteNode = it;
        m_noteMenu->popup(objtree->viewport()->mapToGlobal(pos));
    });
    connect(lst_allVar, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *it) { lst_allVar->setToolTip(it->text()); });
    connect(lst_allVar, &QListWidget::itemDoubleClicked, this,
            [this](QListWidgetItem *it) { lst_allVar_DblClick(lst_allVar->row(it)); });
    connect(serie, &QPushButton::clicked, this, &FormdatiTab::serie_Click);
    connect(CmdNewric, &QPushButton::clicked, this, &FormdatiTab::CmdNewric_Click);
    connect(cmdmetadati, &QPushButton::clicked, this, &FormdatiTab::cmdmetadati_Click);
    connect(cmdChiudi, &QPushButton::clicked, this, [this] {
        if (QWidget *frame = qobject_cast<QMdiSubWindow *>(parentWidget()))
            frame->close();
        else
            close();
    });
    connect(cmdHelp, &QPushButton::clicked, this, [this] { m_main->ShowHelp(kHelpContext); });
    connect(pageTabs, &QTabWidget::currentChanged, this, [this](int index) {
        if (index != 1)
            CmdNewric->setEnabled(false);
        else
            CmdNewric->setEnabled(m_rows.counter() > 0);
    });

    load();
}

FormdatiTab::~FormdatiTab() = default;

void FormdatiTab::load()
{
    try {
        m_rows.clear();
        pageTabs->setTabText(1, m_command.CurrentTipo);
        const bool variables = itemKind(m_command.CurrentTipo) == ItemKind::Variables;
        lblSelezionati->setText(variables ? QStringLiteral("Variabili selezionate")
                                          : QStringLiteral("Indicatori selezionati"));
        noteLead->setVisible(variables);
        noteTail->setVisible(variables);
        noteFolderIcon->setVisible(variables);
        m_savedTipo = m_command.CurrentTipo;
        m_savedLevel = m_command.CurrentLevel;
        m_heading->setText(QStringLiteral(" Selezione ") + m_command.DbCaption.toLower()
                           + QStringLiteral(" e territorio "));
        CmdNewric->setEnabled(false);
        updateCount();
        {
            auto cn = m_services.GetDbConnection(m_command.CurrentDb);
            TreeAdapter adapter(*this);
            if (const std::optional<Failure> f =
                    fillsons(m_command.CurrentTipo, m_command.CurrentLevel, *cn, adapter, true))
                reportFailure(*f, m_services.log, m_services.prompt, QStringLiteral("Utility"));
        }
        serie->setEnabled(false);
        cmdmetadati->setEnabled(false);
        if (m_command.CurrentLevel == QLatin1String("R")) {
            OptVisualizza[1]->setEnabled(false);
            territoryGroupBoxes[1]->setEnabled(false);
            fillTerritori(2, 1);
            m_listLevel = 2;
        } else {
            OptVisualizza[2]->setChecked(true);
            fillTerritori(2, 0);
            m_listLevel = 3;
        }
        updateLevel();
        pageTabs->setCurrentIndex(1);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("Form_Load"), QString::number(e.number()), e.description());
    }
}

void FormdatiTab::fillTerritori(int set, int excluded)
{
    lstDescTerr->clear();
    lstCodTerr->clear();
    m_territories = FillTerritori(m_services, set, excluded);
    lstDescTerr->setUpdatesEnabled(false);
    for (const TerritoryEntry &t : m_territories) {
        lstDescTerr->addItem(t.name);
        lstCodTerr->addItem(t.code);
    }
    lstDescTerr->setUpdatesEnabled(true);
}

void FormdatiTab::showEvent(QShowEvent *e)
{
    QWidget::showEvent(e);
    if (QWidget *frame = parentWidget())
        frame->installEventFilter(this);
    m_main->closeSplash();
    lstDescTerr->setFocus();
}

bool FormdatiTab::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == parentWidget() && event->type() == QEvent::WindowActivate) {
        m_main->closeSplash();
        lstDescTerr->setFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void FormdatiTab::updateCount()
{
    txtCount->setText(QString::number(m_rows.counter()));
}

void FormdatiTab::collapseOthers(QTreeWidgetItem *clicked)
{
    const QString key = clicked->data(0, kKeyRole).toString();
    const int len = int(key.size());
    if (len < 7) {
        for (auto it = m_nodes.cbegin(); it != m_nodes.cend(); ++it) {
            if (it.key() != key && collapsesOnClick(len, int(it.key().size())))
                it.value()->setExpanded(false);
        }
    }
    if (clicked->childCount() > 0)
        clicked->setExpanded(true);
}

void FormdatiTab::objtree_NodeClick(QTreeWidgetItem *node)
{
    if (!node)
        return;
    try {
        collapseOthers(node);
        const QString key = node->data(0, kKeyRole).toString();
        if (isNumeric(node->text(0))) {
            const QString description = node->parent() ? node->parent()->text(0) : QString();
            switch (m_rows.add(key, description)) {
            case ChosenRows::AddResult::AlreadyThere:
                break;
            case ChosenRows::AddResult::LimitReached:
                m_services.prompt->message(ChosenRows::limitMessage(m_command.CurrentTipo), QString(),
                                           Icon::Exclamation);
                break;
            case ChosenRows::AddResult::Added:
                lst_allVar->addItem(m_rows.rows().constLast());
                lst_allVar->setCurrentRow(lst_allVar->count() - 1);
                CmdNewric->setEnabled(true);
                serie->setEnabled(true);
                updateCount();
                break;
            }
            return;
        }
        const bool item = node->parent() && node->parent()->parent() && !node->parent()->parent()->parent();
        if (item && !m_yearsLoaded.value(key)) {
            m_command.CurrentTipo = m_savedTipo;
            m_command.CurrentLevel = m_savedLevel;
            auto cn = m_services.GetDbConnection(m_command.CurrentDb);
            const auto years = loadYears(*cn, m_command.CurrentTipo, key, m_command.CurrentLevel);
            TreeAdapter adapter(*this);
            for (const YearNode &y : years) {
                const bool red = y.hasNote;
                adapter.addNode(key, y.key, y.year, red ? QStringLiteral("closeR") : QStringLiteral("close"),
                                red ? QStringLiteral("openR") : QStringLiteral("open"));
            }
            m_yearsLoaded.insert(key, true);
            if (node->childCount() > 0)
                node->setExpanded(true);
        }
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("objtree_NodeClick"), QString::number(e.number()),
                                e.description());
    }
}

void FormdatiTab::showYearNote(QTreeWidgetItem *yearNode)
{
    if (!yearNode || !yearNode->parent())
        return;
    try {
        const QString code = yearNode->parent()->data(0, kKeyRole).toString();
        auto cn = m_services.GetDbConnection(m_command.CurrentDb);
        Recordset rs = cn->query(yearNoteQuery(m_savedTipo, yearNode->text(0), code));
        if (!rs.eof())
            m_services.prompt->message(rs.text(0), QStringLiteral("Note Anno"), Icon::None);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("mnu_note_Click"), QString::number(e.number()), e.description());
    }
}

void FormdatiTab::lst_allVar_DblClick(int row)
{
    if (row < 0 || row >= lst_allVar->count())
        return;
    delete lst_allVar->takeItem(row);
    m_rows.removeAt(row);
    updateCount();
    if (lst_allVar->count() == 0)
        serie->setEnabled(false);
}

void FormdatiTab::OptVisualizza_Click(int index)
{
    try {
        for (int i = 1; i <= 6; ++i) {
            if (territoryGroupBoxes[i]->isChecked()) {
                territoryGroupBoxes[i]->setChecked(false);
                territoryGroup_Click(i);
            }
        }
        const bool atR = m_command.CurrentLevel == QLatin1String("R");
        switch (index) {
        case 0:
            for (int i = 1; i <= 5; ++i)
                territoryGroupBoxes[i]->setEnabled(false);
            break;
        case 1:
            territoryGroupBoxes[1]->setEnabled(true);
            for (int i = 2; i <= 6; ++i)
                territoryGroupBoxes[i]->setEnabled(false);
            m_listLevel = 1;
            break;
        case 2:
            for (int i = atR ? 2 : 1; i <= 5; ++i)
                territoryGroupBoxes[i]->setEnabled(true);
            if (atR)
                territoryGroupBoxes[1]->setEnabled(false);
            m_listLevel = 3;
            break;
        case 3:
            territoryGroupBoxes[2]->setEnabled(true);
            for (int i : {1, 3, 4, 5})
                territoryGroupBoxes[i]->setEnabled(false);
            break;
        default:
            return;
        }
        OptVisualizza[index]->setChecked(true);
        updateLevel();
        // At the regional level the provinces (type 1) have no data: the list never shows them.
        fillTerritori(index, atR ? 1 : 0);
    } catch (const DbError &e) {
        m_services.log.logError(this, QStringLiteral("OptVisualizza_Click"), QString::number(e.number()),
                                e.description());
    }
}

void FormdatiTab::updateLevel()
{
    QSet<int> ticked;
    for (int i = 1; i <= 6; ++i)
        if (territoryGroupBoxes[i]->isChecked())
            ticked.insert(i);
    m_levelCode = levelOfGroups(ticked, m_listLevel);
}

void FormdatiTab::territoryGroup_Click(int index)
{
    const TerritoryGroup &g = territoryGroup(index);
    updateLevel();
    const bool ticked = territoryGroupBoxes[index]->isChecked();
    const QList<int> &types = m_command.CurrentLevel == QLatin1String("R") ? g.typesAtR : g.types;
    lstDescTerr->setUpdatesEnabled(false);
    for (int t : types) {
        m_pTerr = QString::number(t);
        for (size_t i = 0; i < m_territories.size(); ++i)
            if (m_territories[i].type == m_pTerr)
                lstDescTerr->item(int(i))->setSelected(ticked);
    }
    lstDescTerr->setUpdatesEnabled(true);
}

QStringList FormdatiTab::selectedTerritories() const
{
    QStringList names;
    for (int i = 0; i < lstDescTerr->count(); ++i)
        if (lstDescTerr->item(i)->isSelected())
            names << lstDescTerr->item(i)->text();
    return names;
}

void FormdatiTab::selectTerritories(const QStringList &names)
{
    for (int i = 0; i < lstDescTerr->count(); ++i)
        if (names.contains(lstDescTerr->item(i)->text()))
            lstDescTerr->item(i)->setSelected(true);
}

void FormdatiTab::serie_Click()
{
    const QString filter = BuildTerritoryFilter(selectedTerritories());
    if (filter.isEmpty()) {
        m_services.prompt->message(QStringLiteral("Selezionare un territorio!"), QString(), Icon::Exclamation);
        return;
    }
    Result<QString> built = [&] {
        BusyPointer busy(m_services.prompt);
        return CreaQuery(m_services, m_command.CurrentDb, m_command.CurrentTipo, m_rows.rows(), filter);
    }();
    if (!built) {
        reportFailure(built.failure(), m_services.log, m_services.prompt, objectName());
        return;
    }
    // The query is built on the tree of CurrentDb, so that is the database the grid must
    // reopen, even when a menu asked it to restore the database of an earlier query: that one
    // may be another database, without the tables of this query.
    const SelectionQuery query {built.value(), m_command.CurrentDb, m_levelCode};
    if (QWidget *grid = m_main->registry().instance(QString::fromLatin1(kDataWindow))) {
        // A new grid runs the query; an open one runs it unless it shows its rows already.
        if (auto *result = dynamic_cast<SelectionResultWindow *>(grid))
            result->showSelection(query);
        m_main->showChild(grid);
    }
    cmdmetadati->setEnabled(true);
}

void FormdatiTab::reset()
{
    m_rows.clear();
    serie->setEnabled(false);
    lst_allVar->clear();
    for (QTreeWidgetItem *n : std::as_const(m_nodes))
        n->setExpanded(false);
    cmdmetadati->setEnabled(false);
    updateCount();
}

void FormdatiTab::CmdNewric_Click()
{
    reset();
}

void FormdatiTab::cmdmetadati_Click()
{
    QListWidgetItem *row = lst_allVar->currentItem();
    if (!row)
        return;
    const QString code = ChosenRows::codeOf(row->text());
    openMetadataSheet(*m_main, m_command.CurrentTipo, code);
}

void FormdatiTab::closeEvent(QCloseEvent *e)
{
    reset();
    if (const std::optional<Failure> f = DeleteAreaQuery(m_services, m_paths, m_command))
        reportFailure(*f, m_services.log, m_services.prompt, QStringLiteral("Utility"));
    QWidget::closeEvent(e);
}

} // namespace qrn::ui

// The frozen-column view. The main view is the one that owns the state: the frozen view shares
// its model and selection model, takes no focus and has no scroll bars of its own; the main
// view's widths of the frozen columns, its row heights and its vertical position are copied to it
// as they change, and after a model reset (queued, once the main header has re-read the model) the
// hidden columns and widths are copied again. Nothing is copied the other way but the scroll.

#include "table/ui/gridview.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QScrollBar>

namespace qrn::ui {

FrozenColumnsView::FrozenColumnsView(QWidget *parent) : QTableView(parent), m_frozen(new QTableView(this))
{
    m_frozen->setObjectName(QStringLiteral("datagrid_frozen"));
    m_frozen->setFocusPolicy(Qt::NoFocus);
    m_frozen->verticalHeader()->hide();
    m_frozen->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_frozen->setVerticalScrollMode(ScrollPerPixel);
    m_frozen->setFrameShape(QFrame::NoFrame);
    m_frozen->setCornerButtonEnabled(false);
    m_frozen->setWordWrap(false);
    m_frozen->setEditTriggers(NoEditTriggers);
    m_frozen->horizontalHeader()->setHighlightSections(false);
    m_frozen->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setVerticalScrollMode(ScrollPerPixel);
    // A line between the frozen columns and the rest, as a spreadsheet draws it.
    m_frozen->setStyleSheet(QStringLiteral("QTableView { border-right: 1px solid palette(mid); }"));

    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column, int, int size) {
        if (column < m_frozenCount) {
            m_frozen->setColumnWidth(column, size);
            placeFrozen();
        }
    });
    connect(verticalHeader(), &QHeaderView::sectionResized, this,
            [this](int row, int, int size) { m_frozen->setRowHeight(row, size); });
    connect(m_frozen->verticalScrollBar(), &QAbstractSlider::valueChanged, verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(verticalScrollBar(), &QAbstractSlider::valueChanged, m_frozen->verticalScrollBar(),
            &QAbstractSlider::setValue);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, &FrozenColumnsView::headerClicked);
    connect(m_frozen->horizontalHeader(), &QHeaderView::sectionClicked, this, &FrozenColumnsView::headerClicked);
}

void FrozenColumnsView::setModel(QAbstractItemModel *model)
{
    QTableView::setModel(model);
    m_frozen->setModel(model);
    m_frozen->setSelectionModel(selectionModel());
    if (model) {
        // The headers forget hidden columns and widths on a reset; the frozen view follows the
        // main one once it has re-read the model.
        connect(model, &QAbstractItemModel::modelReset, this, &FrozenColumnsView::syncColumns, Qt::QueuedConnection);
        connect(model, &QAbstractItemModel::columnsInserted, this, &FrozenColumnsView::syncColumns,
                Qt::QueuedConnection);
    }
    syncColumns();
}

void FrozenColumnsView::setFrozenCount(int count)
{
    m_frozenCount = count;
    syncColumns();
}

void FrozenColumnsView::hideColumnEverywhere(int column, bool hide)
{
    setColumnHidden(column, hide);
    syncColumns();
}

void FrozenColumnsView::showSortIndicator(int column, Qt::SortOrder order)
{
    for (QHeaderView *h : {horizontalHeader(), m_frozen->horizontalHeader()}) {
        h->setSortIndicatorShown(column >= 0);
        h->setSortIndicator(column, order);
    }
}

void FrozenColumnsView::syncColumns()
{
    QAbstractItemModel *m = model();
    const int columns = m ? m->columnCount() : 0;
    m_frozen->setSelectionMode(selectionMode());
    m_frozen->setSelectionBehavior(selectionBehavior());
    m_frozen->horizontalHeader()->setSectionsClickable(horizontalHeader()->sectionsClickable());
    m_frozen->horizontalHeader()->setFixedHeight(horizontalHeader()->height());
    m_frozen->verticalHeader()->setDefaultSectionSize(verticalHeader()->defaultSectionSize());
    for (int c = 0; c < columns; ++c) {
        const bool frozen = c < m_frozenCount;
        m_frozen->setColumnHidden(c, !frozen || isColumnHidden(c));
        if (frozen)
            m_frozen->setColumnWidth(c, columnWidth(c));
    }
    m_frozen->setVisible(m_frozenCount > 0 && columns > 0 && frozenWidth() > 0);
    placeFrozen();
}

int FrozenColumnsView::frozenWidth() const
{
    int w = 0;
    const int columns = model() ? std::min(m_frozenCount, model()->columnCount()) : 0;
    for (int c = 0; c < columns; ++c)
        if (!isColumnHidden(c))
            w += columnWidth(c);
    return w;
}

void FrozenColumnsView::placeFrozen()
{
    const int left = verticalHeader()->isVisible() ? verticalHeader()->width() : 0;
    m_frozen->setGeometry(left + frameWidth(), frameWidth(), frozenWidth(),
                          viewport()->height() + horizontalHeader()->height());
    m_frozen->verticalScrollBar()->setValue(verticalScrollBar()->value());
}

void FrozenColumnsView::resizeEvent(QResizeEvent *event)
{
    QTableView::resizeEvent(event);
    placeFrozen();
}

void FrozenColumnsView::keyPressEvent(QKeyEvent *event)
{
    if (event == QKeySequence::Copy) {
        emit copyRequested();
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

QModelIndex FrozenColumnsView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    // Moving left onto a column hidden under the frozen ones scrolls it out from under them.
    const QModelIndex current = QTableView::moveCursor(cursorAction, modifiers);
    if (cursorAction == MoveLeft && current.column() >= m_frozenCount
        && visualRect(current).topLeft().x() < frozenWidth()) {
        const int newValue = horizontalScrollBar()->value() + visualRect(current).topLeft().x() - frozenWidth();
        horizontalScrollBar()->setValue(newValue);
    }
    return current;
}

void FrozenColumnsView::scrollTo(const QModelIndex &index, ScrollHint hint)
{
    // A frozen cell is always in sight: only the rows scroll for it.
    if (index.column() >= m_frozenCount) {
        QTableView::scrollTo(index, hint);
        return;
    }
    const int x = horizontalScrollBar()->value();
    QTableView::scrollTo(index, hint);
    horizontalScrollBar()->setValue(x);
}

} // namespace qrn::ui

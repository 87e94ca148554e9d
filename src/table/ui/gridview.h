#pragma once
// The table view of the data grid, with its first columns frozen as a spreadsheet freezes them:
// a second view over the same model and selection lies on top of the left edge and shows only
// those columns, so they stay in sight while the rest scrolls right. The two views keep one
// row height, one vertical position and the same widths of the frozen columns; the columns the
// main view hides stay hidden in both. Ctrl+C in either view asks for a copy (copyRequested)
// instead of Qt's one-cell copy; a click on a header of either view reports the column.

#include <QTableView>

namespace qrn::ui {

class FrozenColumnsView : public QTableView {
    Q_OBJECT
public:
    explicit FrozenColumnsView(QWidget *parent = nullptr);

    void setModel(QAbstractItemModel *model) override;
    // Columns 0 to count - 1 stay in sight.
    void setFrozenCount(int count);
    int frozenCount() const { return m_frozenCount; }
    // The view on top that shows the frozen columns.
    QTableView *frozenView() const { return m_frozen; }
    // Hides a column in both views.
    void hideColumnEverywhere(int column, bool hide);
    // The sort indicator on both headers; column -1 removes it.
    void showSortIndicator(int column, Qt::SortOrder order);

signals:
    void copyRequested();
    void headerClicked(int column);

protected:
    void resizeEvent(QResizeEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void scrollTo(const QModelIndex &index, ScrollHint hint = EnsureVisible) override;

private:
    void syncColumns();
    void placeFrozen();
    int frozenWidth() const;

    QTableView *m_frozen;
    int m_frozenCount = 0;
};

} // namespace qrn::ui

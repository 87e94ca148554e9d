#pragma once
// The territories selected across the views of one table: a set of territory codes (COD_TERR,
// column 1 of the table) that the grid window and the map window both read and change, and that
// tells its observers when it changes. The views never talk to each other; each one shows this
// set and writes its own user's choices into it.
// Invariants: the codes are trimmed and never empty; `changed` is emitted exactly when the set
// (or the current code) has actually changed, so two views echoing each other stop at once.

#include "table/datatable.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

namespace qrn {

class TerritorySelection : public QObject {
    Q_OBJECT
public:
    explicit TerritorySelection(QObject *parent = nullptr);

    bool contains(const QString &code) const { return m_codes.contains(code.trimmed()); }
    int count() const { return int(m_codes.size()); }
    bool isEmpty() const { return m_codes.isEmpty(); }
    const QSet<QString> &codes() const { return m_codes; }
    // The codes in ascending order (for showing and for tests).
    QStringList sortedCodes() const;
    // The code last added by a view (the one it should bring into sight); empty when it is no
    // longer selected or nothing was added.
    const QString &current() const { return m_current; }

    // The selection becomes exactly these codes (blanks and repeats dropped); current is the
    // first of them.
    void set(const QStringList &codes);
    // Adds one code (current becomes it) or takes it away; toggle does whichever applies.
    void add(const QString &code);
    void remove(const QString &code);
    void toggle(const QString &code);
    void clear();

signals:
    void changed();

private:
    void replace(QSet<QString> codes, const QString &current);

    QSet<QString> m_codes;
    QString m_current;
};

// The territory codes of data rows of a table (column 1), each once, in the order of the rows;
// rows outside the table and blank codes are skipped.
QStringList territoryCodesOfRows(const DataTable &table, const QList<int> &rows);
// The data rows of a table whose territory is selected, in table order.
QList<int> rowsOfTerritories(const DataTable &table, const QSet<QString> &codes);

} // namespace qrn

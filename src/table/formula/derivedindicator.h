#pragma once
// "Crea indicatore": the table snapshot the formula window works from, the naming of the new
// indicator and the execution ("Esegui") that computes the new column row by row.
//
// The window (frmFunzione) wires its keypad to a FormulaBuilder, lists snapshot.dataHeaders()
// in lstColonne, and on Esegui calls execute(); the outcome tells it what to do with the grid:
//  - Nothing / Cancelled: nothing changes, the window stays open;
//  - SyntaxError: the message has been shown, the table stays as the snapshot (the new column,
//    widened for the computation, is taken away again), the window stays open with its
//    expression; no item is added to cmb_Ordina, as there is no column to sort by;
//  - Added: widen the table by one column at outcome.column, write outcome.header in row 0 and
//    outcome.cells in rows 1.., add outcome.header at the end of cmb_Ordina, turn ColorGridLines
//    on and close the window.

#include "shell/numberformat.h"
#include "shell/prompt.h"
#include "table/datatable.h"
#include "table/formula/expression.h"
#include "table/formula/formulabuilder.h"

#include <QLatin1String>
#include <QList>
#include <QString>
#include <QStringList>

namespace qrn::formula {

inline constexpr QLatin1String windowCaption {"Crea nuovo indicatore"};
inline constexpr QLatin1String helpLabel {"Premere F1 per l'aiuto."};
inline constexpr QLatin1String namePrompt {"Inserire un nome per l'indicatore."};
inline constexpr QLatin1String nameTitle {"Nome indicatore"};
inline constexpr QLatin1String nameWarning {"Il nome non deve contenere spazi o caratteri speciali."};
inline constexpr QLatin1String nameWarningTitle {"Attenzione!"};
inline constexpr QLatin1String syntaxMessage {"L'espressione contiene errori di sintassi."};
inline constexpr QLatin1String syntaxTitle {"ATTENZIONE!"};

// First column of the data: columns 0 to 5 are the territory columns.
inline constexpr int firstDataColumn = DataTable::kFirstDataColumn;

// A copy of the visible table taken when "Crea indicatore" is pressed: row 0 holds the headers.
class TableSnapshot {
public:
    TableSnapshot() = default;
    explicit TableSnapshot(QList<QStringList> cells);

    int rowCount() const { return int(m_cells.size()); }
    int columnCount() const { return m_columns; }
    // The text of a cell; empty outside the table or past the end of a short row.
    const QString &cell(int row, int column) const;
    // Headers indexed by column: empty for the territory columns 0 to 5.
    const QStringList &headers() const { return m_headers; }
    // The items of lstColonne: the headers of columns 6 to the last, in column order.
    QStringList dataHeaders() const;

private:
    QList<QStringList> m_cells;
    QStringList m_headers;
    int m_columns = 0;
};

// A name is accepted when every character is an ASCII letter or digit; the empty name stands
// for a cancelled input box and is accepted too.
bool isValidIndicatorName(const QString &name);

// Counts one more derived indicator, keeps of memory.lastColumnPicked what follows its first
// "_" (all of it without one) and returns "Funz" + counter + that text: Funz12005 for the first
// indicator after the column AS013_2005. The counter stops at 32767 rather than overflow.
QString nextDefaultName(DerivedMemory &memory);

struct ExecuteOutcome {
    enum class Kind { Nothing, SyntaxError, Added };
    Kind kind = Kind::Nothing;
    QString header; // the name given (SyntaxError, Added)
    int column = -1; // Added: index of the new column, the snapshot's column count
    QStringList cells; // Added: the text of rows 1 to the last (cells[r - 1] for row r)
};

// Evaluates an expression (its tokens separated by blanks, as the keypad writes them) over the
// snapshot, as the column name (asked and checked by the caller). An empty expression gives
// Nothing; one that cannot be evaluated gives SyntaxError (the caller shows syntaxMessage). The
// syntax is checked once for the whole expression, so it is reported even when every row lacks a
// number in one of its columns.
ExecuteOutcome executeText(const QString &expressionText, const QString &name, const TableSnapshot &snapshot,
                           const NumberFormat &fmt);

} // namespace qrn::formula

#pragma once
// The operations of the data grid window without its controls: loading the result of the current
// selection into a DataTable, sorting, the range and text search, the column widths, and the
// description and metadata code of a data column. The window and the command-line tool both
// run these, so the two always agree on the table they show.

#include "shell/result.h"
#include "table/datatable.h"

#include <QList>
#include <QString>
#include <functional>
#include <optional>

class QFontMetrics;

namespace qrn {

struct CommandContext;
struct Services;
class Recordset;

namespace grid {

// Columns 0 to 5 are the territory columns; the data columns start at 6. Columns from 5 (the
// territory name) on are shown centred.
inline constexpr int kFirstDataColumn = DataTable::kFirstDataColumn;
inline constexpr int kFirstCentredColumn = 5;

// The title of every warning of the window.
inline constexpr QLatin1String kWarningTitle {"Attenzione"};
// mnu_metadati on a column that has no metadata sheet.
inline constexpr QLatin1String kNoMetadataMessage {"Informazioni per la variabile non disponibili!"};
// The range search with bounds that are not both numbers.
inline constexpr QLatin1String kNotNumbersMessage {"Per fare una ricerca da --- a inserire due numeri interi!"};
// The range search with a lower bound above the upper one.
inline constexpr QLatin1String kReversedBoundsMessage {"Il valore 'Da' non deve essere maggiore del valore 'a'!"};

// The statement the grid runs: the selection ordered by territory code.
QString gridStatement(const QString &selectQuery);

// "Numero di <tipo> selezionate troppo elevato. Eliminarle alcune."
QString tooManyMessage(const QString &tipo);

// The table of a record set: the field names in row 0, then one row per record, every value as
// the statement produced it (a number that was not formatted by the statement is written with
// the program's decimal mark, a null as empty text).
DataTable tableFromRecordset(const Recordset &rs, const NumberFormat &numbers);

// A statement whose fixed-point formatting is left to the table: each item of its select list
// of the form "Format(expr, '0.00') as name" (any number of zeros after the point, or none)
// becomes "expr as name", and decimals[i] of that item's column the number of zeros; any other
// item is kept as it is, with DataTable::kPlain. A statement whose select list cannot be read
// item by item (a "*", no FROM) comes back unchanged, every column plain.
struct DeferredFormats {
    QString statement;
    QList<int> decimals;
};
DeferredFormats deferFormats(const QString &statement);

enum class LoadOutcome {
    Loaded, // the table holds the result, striped
    TooLarge, // the store refused the statement for its size: the table is empty
    Failed, // any other failure: the table is unchanged
    Cancelled, // the user stopped the loading: nothing to report, the table is unchanged
};

// What a loading ended in. TooLarge carries the warning to show, Failed the failure for the
// error log (procedure DoQuery), for the caller to report under its own name.
struct Loading {
    LoadOutcome outcome = LoadOutcome::Failed;
    std::optional<Failure> failure;
    bool operator==(LoadOutcome o) const { return outcome == o; }
};

// DoQuery: runs the statement sql of items of type tipo + " order by land_Ind.COD_TERR" on database db and fills table with the result,
// striped (ColorGridLines). The rows are read straight into the table as values; the columns the
// statement formats with Format(..., '0.00') get their texts from the table when shown, the
// same texts the store would have written (deferFormats). The busy pointer is shown meanwhile; pending runs once the
// connection is open so that waiting window messages are handled. A long loading reports the
// rows read through the prompt's progress, which may stop it. ranQuery, when given, receives
// the sql that was run.
Loading DoQuery(Services &services, const QString &db, const QString &tipo, const QString &sql, DataTable &table,
                QString *ranQuery = nullptr, const std::function<void()> &pending = {});
// The database a grid runs the selection's query on: the query's own when the menu command
// asked to restore it (and there is one), else the current one.
QString queryDatabase(const QString &currentDb, bool restoreQueryDb, const QString &queryDb);

// Sorts the data rows on column c (ascending or descending, generic order in the program's
// number format), restripes them and leaves the current column at c.
void sortColumn(DataTable &table, int column, bool ascending, const NumberFormat &numbers);
// The sort buttons: the first column whose header equals name exactly becomes the current
// column and the selection end column and is sorted on. False, with nothing changed, when no
// header matches.
bool sortByName(DataTable &table, const QString &name, bool ascending, const NumberFormat &numbers);

struct SearchOutcome {
    enum class Kind {
        Nothing, // no column chosen or nothing typed: nothing done
        ReversedBounds, // table unchanged; the warning to show
        NotNumbers, // table unchanged; the warning to show
        Text, // rows whose text equals the word moved to the top
        Range, // rows whose whole part is within the bounds moved to the top
    };
    Kind kind = Kind::Nothing;
    QString upper; // the text the upper-bound box holds afterwards
    int matches = 0; // rows moved to the top
    std::optional<Failure> warning; // ReversedBounds, NotNumbers: for the caller to show
};

// Search (cmd_ric): ricIndex is the item of the column box (0 the blank item, k the column
// k - 1); lower and upper the texts of the two bounds. Sorts on the column, then moves the
// matching rows to the top and selects them (see DataTable::current and selEnd). With an upper
// bound left empty a number searches that one whole value and any other text the rows whose
// cell, trimmed, equals it without regard to case. Bounds are read by readBound and compared by their whole part
// (the largest whole number not above them). The warnings, titled "Attenzione", come back in
// the outcome for the caller to show.
SearchOutcome searchTable(Services &services, DataTable &table, int ricIndex, const QString &lower, const QString &upper);

// The text a cell shows in the grid: its text, with the group marks of the table's format in
// the whole part of a number of a data column ("1.333.806,76" as a spreadsheet shows it). The
// texts copied and exported stay without them.
QString shownText(const DataTable &table, int row, int column);
// A number written plainly (sign, digits, decimal mark, digits) with group marks in its whole
// part; any other text comes back as it is.
QString withGroupMarks(const QString &text, const NumberFormat &numbers);

// AutosizeCols: one width per column from the widest trimmed shown text of the column, header row
// included, plus the width of the letter "Q"; a column that would not fit in tableWidth gets
// two thirds of it.
// A bound typed into the search boxes: read with the program's decimal mark, its group mark
// taken as such only where it groups whole-part digits by three ("1.333,5" in the comma
// format). Otherwise, when the text holds that other mark once and no decimal mark, the mark
// is the decimal one, so "14.5" and "14,5" both read as 14.5 whichever mark the program uses.
std::optional<double> readBound(const QString &text, const NumberFormat &numbers);

int fittedWidth(int textWidth, int qWidth, int tableWidth);
QList<int> AutosizeCols(const DataTable &table, const QFontMetrics &metrics, int tableWidth);

// The item code of a column: its header cut before the first "_" (the whole header without one).
QString columnCode(const DataTable &table, int column);

// The statement that reads the description of an item of a type ("Variabili" or
// "Indicatori") from the metadata database; empty for any other type.
QString descriptionStatement(const QString &tipo, const QString &code);

// The description of the data column for lblDescVar (items of command's type): empty for the
// territory columns and for a code without a metadata row; a database failure (procedure
// "datagrid_RowColChange") for the caller to report, the description then being blank.
Result<QString> variableDescription(Services &services, const CommandContext &command, const DataTable &table,
                                    int column);

// The code whose metadata sheet mnu_metadati opens for a column: empty when the column is a
// territory column or its header has no "_" (then the sheet is not available).
QString metadataCode(const DataTable &table, int column);

} // namespace grid
} // namespace qrn

// The grid operations shared by the data window and the command-line tool. DoQuery loads into a
// table of its own and moves it into the caller's only when the last row has come: a stop (checked
// every 256 rows) or a failure leaves the caller's table as it was, except that a result too large
// empties it. Format(...) items of the statement are read as plain values with their decimals kept
// aside. Sorting and searching work on the DataTable alone; nothing here writes a database.

#include "table/gridops.h"

#include "shell/context.h"
#include "shell/itemkind.h"
#include "shell/prompt.h"
#include "shell/sqltext.h"
#include "shell/store.h"

#include <QFontMetrics>
#include <QRegularExpression>
#include <QSet>
#include <array>
#include <cmath>
#include <optional>

namespace qrn::grid {

namespace {

// Int: the largest whole number not above the value.
double wholePart(double v)
{
    return std::floor(v);
}

Failure searchWarning(QLatin1String text)
{
    return Failure::shown(QString(text), QString(kWarningTitle), Icon::Information);
}

} // namespace

QString gridStatement(const QString &selectQuery)
{
    return selectQuery + QStringLiteral(" order by land_Ind.COD_TERR");
}

QString tooManyMessage(const QString &tipo)
{
    return QStringLiteral("Numero di ") + tipo + QStringLiteral(" selezionate troppo elevato. Eliminarle alcune.");
}

DataTable tableFromRecordset(const Recordset &rs, const NumberFormat &numbers)
{
    DataTable table(rs.fieldNames(), {}, numbers);
    table.reserveRows(rs.recordCount());
    for (int r = 0; r < rs.recordCount(); ++r) {
        const std::vector<QVariant> &src = rs.row(r);
        for (int c = 0; c < int(src.size()); ++c) {
            const QVariant &v = src[size_t(c)];
            if (v.isNull())
                continue;
            switch (v.typeId()) {
            case QMetaType::Double:
                table.setReal(c, v.toDouble());
                break;
            case QMetaType::LongLong:
            case QMetaType::Int:
                table.setInteger(c, v.toLongLong());
                break;
            default:
                table.setTextValue(c, v.toString());
            }
        }
        table.endRow();
    }
    return table;
}

namespace {

// Reads SQL text from a position, keeping track of nesting and quoting, so that commas and
// keywords are only seen where they separate items of the select list.
class SqlScanner {
public:
    explicit SqlScanner(const QString &sql) : m_sql(sql) { }
    // The position of the next comma at depth 0 at or after `from`, or of the keyword FROM at
    // depth 0, whichever comes first (-1: neither). *isFrom tells which.
    qsizetype nextSeparator(qsizetype from, bool *isFrom) const
    {
        int depth = 0;
        for (qsizetype i = from; i < m_sql.size(); ++i) {
            const QChar ch = m_sql[i];
            if (ch == QLatin1Char('\'') || ch == QLatin1Char('"')) {
                i = closing(i, ch);
                if (i < 0)
                    return -1;
            } else if (ch == QLatin1Char('[')) {
                i = closing(i, QLatin1Char(']'));
                if (i < 0)
                    return -1;
            } else if (ch == QLatin1Char('(')) {
                ++depth;
            } else if (ch == QLatin1Char(')')) {
                if (--depth < 0)
                    return -1;
            } else if (depth == 0 && ch == QLatin1Char(',')) {
                *isFrom = false;
                return i;
            } else if (depth == 0 && isWordAt(i, QLatin1String("from"))) {
                *isFrom = true;
                return i;
            }
        }
        return -1;
    }

private:
    // The end of a quoted text or name opened at `open` (a doubled quote stays inside).
    qsizetype closing(qsizetype open, QChar quote) const
    {
        for (qsizetype i = open + 1; i < m_sql.size(); ++i) {
            if (m_sql[i] != quote)
                continue;
            if (quote != QLatin1Char(']') && i + 1 < m_sql.size() && m_sql[i + 1] == quote) {
                ++i;
                continue;
            }
            return i;
        }
        return -1;
    }
    bool isWordAt(qsizetype i, QLatin1String word) const
    {
        auto isName = [&](qsizetype k) {
            return k >= 0 && k < m_sql.size() && (m_sql[k].isLetterOrNumber() || m_sql[k] == QLatin1Char('_'));
        };
        return !isName(i - 1) && !isName(i + word.size())
            && QStringView(m_sql).mid(i, word.size()).compare(word, Qt::CaseInsensitive) == 0;
    }

    const QString &m_sql;
};

// "Format(expr, '0.00') as name" -> "expr as name" and the decimals; nullopt for anything else.
std::optional<std::pair<QString, int>> unformatted(const QString &item)
{
    static const QRegularExpression shape(
        QStringLiteral(R"(^\s*Format\s*\((.*),\s*'0(?:\.(0+))?'\s*\)\s+(as\s+\S+)\s*$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch m = shape.match(item);
    if (!m.hasMatch())
        return std::nullopt;
    // The expression must be one argument: no comma or unbalanced parenthesis of its own.
    const QString expr = m.captured(1);
    bool isFrom = false;
    const QString probe = expr + QStringLiteral(" FROM");
    if (SqlScanner(probe).nextSeparator(0, &isFrom) != expr.size() + 1 || !isFrom)
        return std::nullopt;
    return std::make_pair(expr.trimmed() + QLatin1Char(' ') + m.captured(3), int(m.captured(2).size()));
}

} // namespace

DeferredFormats deferFormats(const QString &statement)
{
    DeferredFormats plain {statement, {}};
    static const QRegularExpression select(QStringLiteral(R"(^\s*select\s)"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch m = select.match(statement);
    if (!m.hasMatch())
        return plain;
    const SqlScanner scanner(statement);
    struct Item {
        qsizetype from, to;
    };
    std::vector<Item> items;
    qsizetype from = m.capturedEnd();
    for (;;) {
        bool isFrom = false;
        const qsizetype end = scanner.nextSeparator(from, &isFrom);
        if (end < 0)
            return plain;
        items.push_back({from, end});
        if (isFrom)
            break;
        from = end + 1;
    }
    DeferredFormats out {statement, {}};
    QList<std::optional<std::pair<QString, int>>> rewrites;
    for (const Item &it : items) {
        const QString item = statement.mid(it.from, it.to - it.from);
        if (item.contains(QLatin1Char('*')) && !item.contains(QLatin1Char('(')))
            return plain; // a star stands for columns the list does not show
        rewrites.append(unformatted(item));
        out.decimals.append(rewrites.last() ? rewrites.last()->second : DataTable::kPlain);
    }
    // From the last item back, so the positions of the earlier ones hold.
    for (qsizetype i = qsizetype(items.size()) - 1; i >= 0; --i)
        if (rewrites[i]) {
            const Item &it = items[size_t(i)];
            const bool spaceAfter = statement[it.to - 1].isSpace();
            out.statement.replace(it.from, it.to - it.from,
                                  QLatin1Char(' ') + rewrites[i]->first + (spaceAfter ? QStringLiteral(" ") : QString()));
        }
    return out;
}

QString queryDatabase(const QString &currentDb, bool restoreQueryDb, const QString &queryDb)
{
    return restoreQueryDb && !queryDb.isEmpty() ? queryDb : currentDb;
}

Loading DoQuery(Services &services, const QString &db, const QString &tipo, const QString &sql, DataTable &table, QString *ranQuery,
                const std::function<void()> &pending)
{
    BusyPointer busy(services.prompt);
    // How many rows come is not known before the last one: the progress counts them.
    ProgressReport report(services.prompt, QStringLiteral("Caricamento della tabella"), 0);
    struct Stopped { };
    try {
        const DeferredFormats statement = deferFormats(gridStatement(sql));
        DataTable loaded;
        {
            auto cn = services.GetDbConnection(db);
            if (pending)
                pending();
            const NumberFormat numbers = cn->numbers();
            std::vector<int> fixed; // by column: the formatted columns read text as Format reads it
            int rowsRead = 0;
            cn->scan(
                statement.statement,
                [&](const QStringList &names) {
                    loaded = DataTable(names, statement.decimals, numbers);
                    for (int c = 0; c < names.size(); ++c)
                        fixed.push_back(loaded.decimals(c) >= 0);
                },
                [&](const RowView &row) {
                    for (int c = 0; c < row.columnCount(); ++c) {
                        switch (row.type(c)) {
                        case RowView::Type::Null:
                            break;
                        case RowView::Type::Integer:
                            loaded.setInteger(c, row.integer(c));
                            break;
                        case RowView::Type::Real:
                            loaded.setReal(c, row.real(c));
                            break;
                        case RowView::Type::Text:
                            if (fixed[size_t(c)]) {
                                const QString t = row.text(c);
                                if (const std::optional<double> n = jetNumber(t, numbers))
                                    loaded.setReal(c, *n);
                                else
                                    loaded.setTextValue(c, t);
                                break;
                            }
                            loaded.setTextValue(c, row.text(c));
                            break;
                        case RowView::Type::Blob:
                            loaded.setTextValue(c, row.text(c));
                            break;
                        }
                    }
                    loaded.endRow();
                    // Every 256 rows the user may stop; the table is then left as it was.
                    if ((++rowsRead & 0xFF) == 0 && !report.step(rowsRead))
                        throw Stopped {};
                });
        }
        if (ranQuery)
            *ranQuery = sql;
        table = std::move(loaded);
        table.colorStripes();
        table.current = {1, 0};
        table.selEnd = table.current;
        table.topRow = 1;
        return {LoadOutcome::Loaded, std::nullopt};
    } catch (const Stopped &) {
        return {LoadOutcome::Cancelled, std::nullopt};
    } catch (const DbError &e) {
        if (e.kind() == DbError::Kind::TooLarge) {
            table.clear();
            return {LoadOutcome::TooLarge, Failure::shown(tooManyMessage(tipo), QString(kWarningTitle), Icon::Exclamation)};
        }
        return {LoadOutcome::Failed,
                Failure::toLog(QStringLiteral("DoQuery"), QString::number(e.number()), e.description())};
    }
}

void sortColumn(DataTable &table, int column, bool ascending, const NumberFormat &numbers)
{
    table.current.column = column;
    table.sortGeneric(column, ascending, numbers);
    table.colorStripes();
    table.current.column = column;
}

bool sortByName(DataTable &table, const QString &name, bool ascending, const NumberFormat &numbers)
{
    const int c = table.columnOf(name);
    if (c < 0)
        return false;
    table.current.column = c;
    table.selEnd.column = c;
    sortColumn(table, c, ascending, numbers);
    return true;
}

std::optional<double> readBound(const QString &text, const NumberFormat &numbers)
{
    const QString t = text.trimmed();
    const QChar other = numbers.group;
    const qsizetype marks = t.count(other);
    if (marks == 0)
        return numbers.toNumber(t);
    // The group marks are such only when every one of them is followed by three digits and
    // then by another group mark, the decimal mark, an exponent or the end.
    const qsizetype decimalAt = t.indexOf(numbers.decimal);
    const QString whole = decimalAt < 0 ? t : t.left(decimalAt);
    bool grouped = t.count(other) == whole.count(other);
    for (qsizetype i = whole.indexOf(other); grouped && i >= 0; i = whole.indexOf(other, i + 1)) {
        const QString next = whole.mid(i + 1, 4);
        grouped = next.size() >= 3 && next[0].isDigit() && next[1].isDigit() && next[2].isDigit()
            && (next.size() == 3 || next[3] == other || next[3] == QLatin1Char('e') || next[3] == QLatin1Char('E'));
    }
    if (grouped)
        return numbers.toNumber(t);
    if (marks == 1 && decimalAt < 0) {
        const NumberFormat swapped {other, numbers.decimal};
        return swapped.toNumber(t);
    }
    return std::nullopt;
}

SearchOutcome searchTable(Services &services, DataTable &table, int ricIndex, const QString &lowerText,
                          const QString &upperText)
{
    SearchOutcome out;
    out.upper = upperText;
    const QString da = lowerText.trimmed();
    QString a = upperText.trimmed();
    const int c = ricIndex - 1;
    if (da.isEmpty() || ricIndex <= 0 || c >= table.columnCount())
        return out;

    const NumberFormat &fmt = services.numbers;
    std::optional<double> low = readBound(da, fmt);
    if (a.isEmpty() && low) {
        // One value: the upper bound becomes the lower one.
        out.upper = lowerText;
        a = da;
    }
    const std::optional<double> high = readBound(a, fmt);
    if (low && high) {
        if (wholePart(*high) < wholePart(*low)) {
            out.warning = searchWarning(kReversedBoundsMessage);
            out.kind = SearchOutcome::Kind::ReversedBounds;
            return out;
        }
    } else if (!a.isEmpty()) {
        out.warning = searchWarning(kNotNumbersMessage);
        out.kind = SearchOutcome::Kind::NotNumbers;
        return out;
    }

    BusyPointer busy(services.prompt);
    table.current.column = c;
    table.sortGeneric(c, true, fmt);

    QList<int> matching;
    if (a.isEmpty()) {
        // Word search: the data rows whose cell is the word; the last one met ends at the top.
        // The header row is never compared, so a word that happens to be a column name cannot
        // move the headers into the data.
        const QString word = da.toLower();
        for (int i = 1; i < table.rowCount(); ++i)
            if (table.text(i, c).trimmed().toLower() == word)
                matching.prepend(i);
        table.moveRowsToTop(matching);
        if (!matching.isEmpty()) {
            table.current = {1, c};
            table.selEnd = {1, c};
        }
        out.kind = SearchOutcome::Kind::Text;
    } else {
        const double from = wholePart(*low);
        const double to = wholePart(*high);
        for (int i = 1; i < table.rowCount(); ++i) {
            const std::optional<double> v = table.number(i, c, fmt);
            if (!v)
                continue;
            const double w = wholePart(*v);
            if (w >= from && w <= to)
                matching.append(i);
        }
        table.moveRowsToTop(matching);
        const int first = matching.isEmpty() ? 0 : 1;
        const int k = matching.isEmpty() ? 1 : int(matching.size()) + 1;
        table.topRow = 1;
        table.current = {first, c};
        table.selEnd = {k - 1, c};
        out.kind = SearchOutcome::Kind::Range;
    }
    out.matches = int(matching.size());
    table.colorStripes();
    return out;
}

QString withGroupMarks(const QString &text, const NumberFormat &numbers)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    if (i < n && (text[i] == QLatin1Char('-') || text[i] == QLatin1Char('+')))
        ++i;
    const qsizetype digitsFrom = i;
    while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9')
        ++i;
    const qsizetype digitsTo = i;
    if (digitsTo - digitsFrom <= 3)
        return text;
    if (i < n) {
        if (text[i] != numbers.decimal)
            return text;
        for (++i; i < n; ++i)
            if (text[i].unicode() < '0' || text[i].unicode() > '9')
                return text;
    }
    QString out;
    out.reserve(n + (digitsTo - digitsFrom) / 3);
    out += text.left(digitsFrom);
    for (qsizetype k = digitsFrom; k < digitsTo; ++k) {
        if (k > digitsFrom && (digitsTo - k) % 3 == 0)
            out += numbers.group;
        out += text[k];
    }
    out += text.mid(digitsTo);
    return out;
}

QString shownText(const DataTable &table, int row, int column)
{
    const QString t = table.text(row, column);
    if (row < 1 || column < kFirstDataColumn)
        return t;
    return withGroupMarks(t, table.numbers());
}

int fittedWidth(int textWidth, int qWidth, int tableWidth)
{
    if (tableWidth < qWidth + textWidth)
        return int(tableWidth / 1.5);
    return qWidth + textWidth;
}

QList<int> AutosizeCols(const DataTable &table, const QFontMetrics &metrics, int tableWidth)
{
    const int q = metrics.horizontalAdvance(QLatin1Char('Q'));
    // Measuring every cell of a municipal table (two million texts) with the text layout takes
    // seconds. The width of a text differs from the sum of the advances of its characters only
    // by kerning, a fraction of a letter; so every text is first estimated by that sum, and
    // only the texts whose estimate comes near the column's largest are measured. When the
    // digits all have one advance (tabular digits, which are never kerned among themselves),
    // numbers of the same shape ("00000,00") have one width and are measured once.
    const QFontMetricsF exact(metrics);
    std::array<qreal, 256> advance {};
    for (int ch = 0; ch < 256; ++ch)
        advance[size_t(ch)] = exact.horizontalAdvance(QChar(ch));
    bool tabularDigits = true;
    for (char d = '1'; d <= '9'; ++d)
        tabularDigits = tabularDigits && advance[size_t(d)] == advance['0'];
    const qreal slack = q / 2.0;

    auto shapeOf = [&](const QString &t) {
        if (!tabularDigits)
            return t;
        QString shape = t;
        for (QChar &ch : shape) {
            if (ch.isDigit() && ch.unicode() < 128)
                ch = QLatin1Char('0');
            else if (!ch.isPunct() && !ch.isSpace() && ch != QLatin1Char('-') && ch != QLatin1Char('+'))
                return t; // not a number: its own shape
        }
        return shape;
    };

    QList<int> widths;
    widths.reserve(table.columnCount());
    std::vector<std::pair<qreal, int>> estimates;
    estimates.reserve(size_t(table.rowCount()));
    QSet<QString> measured;
    for (int c = 0; c < table.columnCount(); ++c) {
        int w = 0;
        qreal top = 0;
        estimates.clear();
        // With tabular digits the widest text of the stored numbers of a column written with
        // fixed decimals, or as whole numbers, is that of its largest or of its smallest
        // number (the most digits, with or without the sign): those two are measured and the
        // other numbers are not written at all. Whole numbers of a plain column below 10^15
        // are written with all their digits, so the same holds for them.
        const bool byValue = tabularDigits && table.decimals(c) >= 0;
        int lowRow = -1, highRow = -1;
        double low = 0, high = 0;
        for (int r = 0; r < table.rowCount(); ++r) {
            if (r > 0 && (byValue || table.decimals(c) == DataTable::kPlain) && tabularDigits) {
                if (const std::optional<double> v = table.value(r, c);
                    v && std::isfinite(*v) && (byValue || (std::trunc(*v) == *v && std::fabs(*v) < 1e15))) {
                    if (lowRow < 0 || *v < low)
                        low = *v, lowRow = r;
                    if (highRow < 0 || *v > high)
                        high = *v, highRow = r;
                    continue;
                }
            }
            const QString t = shownText(table, r, c).trimmed();
            if (t.isEmpty())
                continue;
            qreal e = 0;
            bool latin = true;
            for (QChar ch : t) {
                if (ch.unicode() >= 256) {
                    latin = false;
                    break;
                }
                e += advance[ch.unicode()];
            }
            if (!latin) {
                w = std::max(w, metrics.horizontalAdvance(t)); // other scripts: always measured
                continue;
            }
            estimates.emplace_back(e, r);
            top = std::max(top, e);
        }
        for (int r : {lowRow, highRow})
            if (r > 0)
                w = std::max(w, metrics.horizontalAdvance(shownText(table, r, c).trimmed()));
        measured.clear();
        for (const auto &[e, r] : estimates) {
            if (e < top - slack)
                continue;
            const QString t = shownText(table, r, c).trimmed();
            const QString shape = shapeOf(t);
            if (measured.contains(shape))
                continue;
            measured.insert(shape);
            w = std::max(w, metrics.horizontalAdvance(t));
        }
        widths.append(fittedWidth(w, q, tableWidth));
    }
    return widths;
}

QString columnCode(const DataTable &table, int column)
{
    const QString h = table.header(column);
    const int us = h.indexOf(QLatin1Char('_'));
    return us < 0 ? h : h.left(us);
}

QString descriptionStatement(const QString &tipo, const QString &code)
{
    if (!isItemKindName(tipo))
        return QString();
    const MetadataNames names = metadataNames(itemKind(tipo));
    return QStringLiteral("Select ") + names.description + QStringLiteral(" from ") + names.table
        + QStringLiteral(" where ") + names.key + QStringLiteral(" ='") + sqlEscape(code) + QLatin1Char('\'');
}

Result<QString> variableDescription(Services &services, const CommandContext &command, const DataTable &table,
                                    int column)
{
    if (column < kFirstDataColumn || column >= table.columnCount())
        return QString();
    const QString statement = descriptionStatement(command.CurrentTipo, columnCode(table, column));
    if (statement.isEmpty())
        return QString();
    try {
        auto cn = services.GetDbConnection(QStringLiteral("Metadati.mdb"));
        Recordset rs = cn->query(statement);
        return rs.eof() ? QString() : rs.text(0);
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("datagrid_RowColChange"), QString::number(e.number()), e.description());
    }
}

QString metadataCode(const DataTable &table, int column)
{
    // The territory headers COD_TERR and COD_NUTS hold a "_" too, but name no item.
    if (column < kFirstDataColumn || column >= table.columnCount())
        return QString();
    const QString h = table.header(column);
    const int us = h.indexOf(QLatin1Char('_'));
    return us <= 0 ? QString() : h.left(us);
}

} // namespace qrn::grid

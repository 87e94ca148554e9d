#include "table/gridops.h"

#include "shell/context.h"
#include "shell/itemkind.h"
#include "shell/prompt.h"
#include "shell/sqltext.h"
#include "shell/store.h"

#include <QFontMetrics>
#include <QSet>
#include <array>
#include <cmath>
#include <optional>

namespace qrn::grid {

namespace {

QString cellText(const QVariant &v, const NumberFormat &numbers)
{
    if (v.isNull())
        return QString();
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15).replace(QLatin1Char('.'), numbers.decimal);
    return v.toString();
}

// Int: the largest whole number not above the value.
double wholePart(double v)
{
    return std::floor(v);
}

void warn(AppContext &ctx, QLatin1String text)
{
    if (ctx.prompt)
        ctx.prompt->message(QString(text), QString(kWarningTitle), Icon::Information);
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
    QList<QStringList> rows;
    rows.reserve(rs.recordCount() + 1);
    rows.append(rs.fieldNames());
    const int fields = rs.fieldCount();
    for (int r = 0; r < rs.recordCount(); ++r) {
        const std::vector<QVariant> &src = rs.row(r);
        QStringList row;
        row.reserve(fields);
        for (const QVariant &v : src)
            row.append(cellText(v, numbers));
        rows.append(std::move(row));
    }
    return DataTable(std::move(rows));
}

LoadOutcome DoQuery(AppContext &ctx, DataTable &table, QString *ranQuery, const std::function<void()> &pending)
{
    BusyPointer busy(ctx.prompt);
    try {
        if (ctx.RestoreQueryDb.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0 && !ctx.QueryDb.isEmpty())
            ctx.CurrentDb = ctx.QueryDb;
        Recordset rs;
        {
            auto cn = ctx.GetDbConnection(ctx.CurrentDb);
            if (pending)
                pending();
            rs = cn->query(gridStatement(ctx.SelectQuery));
        }
        if (ranQuery)
            *ranQuery = ctx.SelectQuery;
        table = tableFromRecordset(rs, ctx.numbers);
        table.colorStripes();
        table.current = {1, 0};
        table.selEnd = table.current;
        table.topRow = 1;
        return LoadOutcome::Loaded;
    } catch (const DbError &e) {
        if (e.kind() == DbError::Kind::TooLarge) {
            table.clear();
            if (ctx.prompt)
                ctx.prompt->message(tooManyMessage(ctx.CurrentTipo), QString(kWarningTitle), Icon::Exclamation);
            return LoadOutcome::TooLarge;
        }
        ctx.log.logError(QStringLiteral("frm_dispData"), QStringLiteral("DoQuery"), e.number(), e.description());
        return LoadOutcome::Failed;
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

SearchOutcome searchTable(AppContext &ctx, DataTable &table, int ricIndex, const QString &lowerText,
                          const QString &upperText)
{
    SearchOutcome out;
    out.upper = upperText;
    const QString da = lowerText.trimmed();
    QString a = upperText.trimmed();
    const int c = ricIndex - 1;
    if (da.isEmpty() || ricIndex <= 0 || c >= table.columnCount())
        return out;

    const NumberFormat &fmt = ctx.numbers;
    std::optional<double> low = fmt.toNumber(da);
    if (a.isEmpty() && low) {
        // One value: the upper bound becomes the lower one.
        out.upper = lowerText;
        a = da;
    }
    const std::optional<double> high = fmt.toNumber(a);
    if (low && high) {
        if (wholePart(*high) < wholePart(*low)) {
            warn(ctx, kReversedBoundsMessage);
            out.kind = SearchOutcome::Kind::ReversedBounds;
            return out;
        }
    } else if (!a.isEmpty()) {
        warn(ctx, kNotNumbersMessage);
        out.kind = SearchOutcome::Kind::NotNumbers;
        return out;
    }

    BusyPointer busy(ctx.prompt);
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
            const std::optional<double> v = fmt.toNumber(table.text(i, c).trimmed());
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
        for (int r = 0; r < table.rowCount(); ++r) {
            const QString t = table.text(r, c).trimmed();
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
        measured.clear();
        for (const auto &[e, r] : estimates) {
            if (e < top - slack)
                continue;
            const QString t = table.text(r, c).trimmed();
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

QString variableDescription(AppContext &ctx, const DataTable &table, int column, const QString &module)
{
    if (column < kFirstDataColumn || column >= table.columnCount())
        return QString();
    const QString statement = descriptionStatement(ctx.CurrentTipo, columnCode(table, column));
    if (statement.isEmpty())
        return QString();
    try {
        auto cn = ctx.GetDbConnection(QStringLiteral("Metadati.mdb"));
        Recordset rs = cn->query(statement);
        return rs.eof() ? QString() : rs.text(0);
    } catch (const DbError &e) {
        ctx.log.logError(module, QStringLiteral("datagrid_RowColChange"), e.number(), e.description());
        return QString();
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

// The other years of a mapped item. The database and type are taken when the map opens, so a
// later change of the context's current database does not move the map's years. Each year is read
// on the side (its own statement through CreaQuery, its own table through grid::DoQuery), never
// through the grid the map came from, and kept once read; a failed read is kept as the failure of
// that call and not cached, so a later call tries again. The first year is the map's own request.

#include "map/mapyears.h"

#include "catalogue/querybuilder.h"
#include "catalogue/selection.h"
#include "shell/context.h"
#include "shell/sqltext.h"
#include "table/datatable.h"
#include "table/gridops.h"

#include <algorithm>

namespace qrn::map {

namespace {

MapFailure yearFailure(const QString &message, const QString &detail, bool logged)
{
    return MapFailure {QStringLiteral("leggiAnno"), message, detail, Icon::Exclamation, logged};
}

} // namespace

Result<QStringList> itemYears(Services &services, const CommandContext &command, const QString &code)
{
    QStringList years;
    try {
        auto cn = services.GetDbConnection(command.CurrentDb);
        Recordset rs = cn->query(QStringLiteral("SELECT DISTINCT Anno FROM IndVarAnno WHERE Variabile = '")
                                 + sqlEscape(code) + QStringLiteral("' ORDER BY Anno"));
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            const QString year = rs.text(0).trimmed();
            if (!year.isEmpty() && !years.contains(year))
                years << year;
        }
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("anniVoce"), QString::number(e.number()), e.description());
    }
    std::sort(years.begin(), years.end());
    return years;
}

QString territoryFilterOf(const QString &selectQuery)
{
    // The statement's columns and joins hold no WHERE: the first one starts the filter.
    const qsizetype at = selectQuery.indexOf(QLatin1String(" WHERE "), 0, Qt::CaseInsensitive);
    return at < 0 ? QString() : selectQuery.mid(at + 7).trimmed();
}

YearRead readYear(Services &services, const MapRequest &base, const QString &year, const QString &db,
                  const QString &tipo)
{
    // The selection's own territories; without them, those of the rows by name, as the
    // selection window hands them to the query builder.
    QString filter = base.territoryFilter;
    if (filter.isEmpty()) {
        QStringList names;
        for (const MapRow &row : base.rows)
            names << row.name;
        names.removeDuplicates();
        filter = BuildTerritoryFilter(names);
    }
    // The statement is built and run on the side: the grid the map came from keeps its own
    // query and item. A year without a table is said once, in the read's own failure.
    const Result<QString> built = CreaQuery(services, db, tipo, {base.lastCode + QLatin1Char('-') + year}, filter);
    if (!built)
        return {std::nullopt, yearFailure(missingTableMessage(base.lastCode, year),
                                          QStringLiteral("voce %1, anno %2").arg(base.lastCode, year), false)};
    DataTable table;
    if (const grid::Loading loading = grid::DoQuery(services, db, tipo, built.value(), table);
        loading != grid::LoadOutcome::Loaded) {
        const QString why = loading.failure ? loading.failure->message + QLatin1Char(' ') : QString();
        return {std::nullopt, yearFailure(QStringLiteral("Impossibile leggere i dati di %1 per l'anno %2.")
                                              .arg(base.lastCode, year),
                                          why + QStringLiteral("SELECT non riuscita: %1").arg(built.value()), false)};
    }
    MapRequest req;
    req.lastCode = base.lastCode;
    req.year = year;
    req.header = base.lastCode + QLatin1Char('_') + year;
    req.description = base.description;
    req.territoryFilter = base.territoryFilter;
    req.mapCase = base.mapCase.kind == MapKind::Provinces ? provincesCase(base.lastCode, year.toInt()) : base.mapCase;
    const int column = table.columnOf(req.header);
    if (column < 0)
        return {std::nullopt, yearFailure(QStringLiteral("La colonna %1 non è tra i dati letti.").arg(req.header),
                                          table.headers().join(QLatin1Char(',')), true)};
    grid::sortColumn(table, column, true, services.numbers);
    req.rows = mapRows(table, column, req.mapCase.firstType, req.mapCase.secondType);
    return {std::move(req), std::nullopt};
}

QStringList pooledValues(const QList<const MapRequest *> &requests, const NumberFormat &fmt)
{
    std::vector<std::pair<double, QString>> numbers;
    for (const MapRequest *req : requests)
        for (const MapRow &row : req->rows)
            if (const std::optional<double> v = fmt.toNumber(row.value))
                numbers.emplace_back(*v, row.value);
    std::stable_sort(numbers.begin(), numbers.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList out;
    out.reserve(qsizetype(numbers.size()));
    for (const auto &n : numbers)
        out << n.second;
    return out;
}

MethodOutcome pooledClasses(const ClassificationMethod &method, ClassRequest request, const QStringList &pooled,
                            const NumberFormat &fmt)
{
    request.values = pooled;
    request.stats = columnStats(pooled, fmt);
    if (request.stats.valid) {
        request.txtMin = numberText(request.stats.minValue, fmt);
        request.txtMax = numberText(request.stats.maxValue, fmt);
    }
    return method.classes(request, fmt);
}

Legend fixedLegend(const MethodOutcome &outcome, const QList<QColor> &colours, const NumberFormat &fmt)
{
    Legend legend = makeMethodLegend(outcome, colours, fmt);
    // The ranks are those of the pooled values: a year's value is classified by the limits.
    legend.rankedClassOf.clear();
    return legend;
}

QString legendCaption(bool fixed, const QStringList &years, const QString &year)
{
    if (fixed && !years.isEmpty())
        return QStringLiteral("Classi fisse %1–%2").arg(years.first(), years.last());
    return QStringLiteral("Classi dell'anno %1").arg(year);
}

MapYears::MapYears(Services &services, const CommandContext &command, MapRequest base)
    : m_services(services), m_base(std::move(base)), m_db(command.CurrentDb), m_tipo(command.CurrentTipo)
{
    if (Result<QStringList> years = itemYears(services, command, m_base.lastCode))
        m_years = std::move(years.value());
    else
        m_yearsFailure = years.failure();
    if (!m_years.contains(m_base.year)) {
        m_years << m_base.year;
        std::sort(m_years.begin(), m_years.end());
    }
    m_read.insert_or_assign(m_base.year, m_base);
}

const MapRequest *MapYears::request(const QString &year)
{
    if (const auto it = m_read.find(year); it != m_read.end())
        return &it->second;
    if (!m_years.contains(year)) {
        m_failure = yearFailure(QStringLiteral("La voce %1 non ha dati per l'anno %2.").arg(m_base.lastCode, year),
                                QStringLiteral("anni presenti: %1").arg(m_years.join(QStringLiteral(", "))), false);
        return nullptr;
    }
    YearRead read = readYear(m_services, m_base, year, m_db, m_tipo);
    if (!read.request) {
        m_failure = read.failure;
        return nullptr;
    }
    return &m_read.insert_or_assign(year, std::move(*read.request)).first->second;
}

QStringList MapYears::pooledValues(const NumberFormat &fmt)
{
    QList<const MapRequest *> all;
    for (const QString &year : std::as_const(m_years))
        if (const MapRequest *req = request(year))
            all << req;
    return map::pooledValues(all, fmt);
}

} // namespace qrn::map

// The command "grafico": a chart of the table of a selection (the options of "tabella") in a
// PNG, SVG or PDF file: the histogram of a column with its classes, the time series of the
// item of a column over its years, or the bars of a column in the table's order.
#include "app/cli_table.h"
#include "app/cli_thematic.h"

#include "chart/chartrender.h"
#include "chart/itemyears.h"
#include "map/classifymethod.h"
#include "table/datatable.h"

#include <QFileInfo>
#include <algorithm>

namespace qrn::cli {

namespace {

const QStringList kChartTypes {QStringLiteral("istogramma"), QStringLiteral("serie"), QStringLiteral("barre")};

// The chart type among the values of --tipo (which also carries Variabili or Indicatori).
QString chartType(const QCommandLineParser &p)
{
    QString type;
    for (const QString &t : p.values(QStringLiteral("tipo")))
        if (kChartTypes.contains(t))
            type = t;
    return type;
}

// The texts of a column's numbers in ascending order, as a classification method takes them.
QStringList sortedTexts(const DataTable &grid, int column)
{
    QList<std::pair<double, QString>> numbers;
    for (int r = 1; r < grid.rowCount(); ++r)
        if (const std::optional<double> v = grid.number(r, column))
            numbers.append({*v, grid.text(r, column)});
    std::stable_sort(numbers.begin(), numbers.end(), [](const auto &a, const auto &b) { return a.first < b.first; });
    QStringList texts;
    for (const auto &n : numbers)
        texts << n.second;
    return texts;
}

// The classes of --metodo (quartiles by default) over the values, coloured as the map colours
// them by default; nullopt with the reason on err.
std::optional<map::Legend> histogramClasses(const QCommandLineParser &p, const QStringList &values,
                                            const NumberFormat &fmt, QString &err, int &exitCode)
{
    exitCode = 2;
    const map::ClassificationMethod *method = &map::methodOf(map::Method::Quartiles);
    if (p.isSet(QStringLiteral("metodo"))) {
        method = map::methodById(p.value(QStringLiteral("metodo")));
        if (!method) {
            err += QStringLiteral("--metodo vuole %1.\n").arg(map::methodIdList());
            return std::nullopt;
        }
    }
    map::ClassRequest r;
    r.values = values;
    r.stats = map::columnStats(values, fmt);
    r.classCount = p.value(QStringLiteral("classi")).trimmed();
    r.txtMin = map::numberText(r.stats.minValue, fmt);
    r.txtMax = map::numberText(r.stats.maxValue, fmt);
    for (const QString &l : p.value(QStringLiteral("limiti")).split(QLatin1Char(';'), Qt::SkipEmptyParts))
        if (!l.trimmed().isEmpty())
            r.limits << l.trimmed();
    const QString hinge = p.value(QStringLiteral("cardine")).trimmed();
    r.wideHinge = hinge == QLatin1String("3") || hinge == QLatin1String("3,0") || hinge == QLatin1String("3.0");
    exitCode = 1;
    const map::MethodOutcome outcome = method->classes(r, fmt);
    if (outcome.refused()) {
        err += outcome.message + QLatin1Char('\n');
        return std::nullopt;
    }
    const map::ColourChoice choice {QString(), map::fromWindowsColour(map::kAmplitudeStart),
                                    map::fromWindowsColour(map::kAmplitudeEnd)};
    return map::makeMethodLegend(outcome, map::methodColours(outcome, choice), fmt);
}

int runChart(Session &s, const QCommandLineParser &p, const QStringList &args)
{
    TableRequest req;
    if (!parseTableRequest(p, args, req, s.err, kChartTypes))
        return 2;
    const QString type = chartType(p);
    if (type.isEmpty())
        return s.usage(QStringLiteral("Indicare il tipo di grafico con --tipo istogramma, serie oppure barre."));
    const QString columnName = p.value(QStringLiteral("colonna")).trimmed();
    if (columnName.isEmpty())
        return s.usage(QStringLiteral("Indicare la colonna del grafico con --colonna (es. AS013_2005)."));
    const QString file = p.value(QStringLiteral("out"));
    if (file.isEmpty())
        return s.usage(QStringLiteral("Indicare il file del grafico con --out FILE.png, .svg oppure .pdf."));
    if (!chart::formatOfFile(file))
        return s.usage(QStringLiteral("--out vuole un file .png, .svg oppure .pdf."));
    QSize size = chart::kDefaultChartSize;
    if (p.isSet(QStringLiteral("larghezza")) || p.isSet(QStringLiteral("altezza"))) {
        const std::optional<QSize> given = pictureSize(p, s.err);
        if (!given)
            return 2;
        size = *given;
    }

    if (const int rc = selectTable(s, req))
        return rc;
    DataTable grid;
    if (const int rc = loadTable(s, req, grid))
        return rc;
    const int column = grid.columnOf(columnName);
    if (column < 0)
        return s.fail(QStringLiteral("Nessuna colonna si chiama '%1'.").arg(columnName));

    const NumberFormat &fmt = s.ctx.numbers;
    chart::ChartData data;
    if (type == QLatin1String("istogramma")) {
        const QStringList values = sortedTexts(grid, column);
        if (values.isEmpty())
            return s.fail(QStringLiteral("La colonna %1 non ha valori numerici.").arg(columnName));
        int rc = 0;
        const std::optional<map::Legend> legend = histogramClasses(p, values, fmt, s.err, rc);
        if (!legend)
            return rc;
        data = chart::buildHistogram(values, *legend, columnName, fmt);
    } else if (type == QLatin1String("serie")) {
        const QString item = chart::itemOfHeader(columnName);
        if (item.isEmpty())
            return s.fail(QStringLiteral("La colonna %1 non è una voce di un anno.").arg(columnName));
        // The territories named, or every one of the table.
        QStringList chosen;
        for (int r = 1; r < grid.rowCount(); ++r)
            if (req.names.isEmpty() || req.names.contains(grid.text(r, 5).trimmed()))
                chosen << grid.text(r, 1).trimmed();
        const chart::ItemYearsOutcome years =
            chart::loadItemYears(s.ctx, s.ctx, item, chart::territoriesWithReferences(grid, chosen));
        if (years.yearsFailure)
            reportFailure(*years.yearsFailure, s.ctx.log, s.ctx.prompt, QStringLiteral("quarnaro-cli"));
        if (!years.ok()) {
            s.ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("grafico"), QString(), years.message,
                                 years.detail);
            return s.fail(years.message);
        }
        data = chart::buildTimeSeries(years.table, chosen, fmt);
    } else {
        data = chart::buildBarChart(grid, column, fmt);
    }

    const chart::SaveOutcome saved = chart::saveChart(data, QFileInfo(file).absoluteFilePath(), size);
    if (!saved.ok()) {
        s.ctx.log.writeError(QStringLiteral("quarnaro-cli"), QStringLiteral("grafico"), QString(), saved.message,
                             saved.detail);
        return s.fail(saved.message);
    }
    s.out += QStringLiteral("%1: %2\n").arg(chart::titleOf(data), file);
    return 0;
}

} // namespace

std::vector<Command> chartCommands()
{
    return {{QStringLiteral("grafico"),
             [](QCommandLineParser &p) {
                 p.addOptions(tableOptions());
                 for (const char *name : {"colonna", "metodo", "classi", "limiti", "cardine", "out", "larghezza",
                                          "altezza"})
                     p.addOption(valueOption(QLatin1String(name), QStringLiteral("VALORE")));
             },
             runChart}};
}

} // namespace qrn::cli

// The reading of an item over its years for a time series.
#include "chart/itemyears.h"

#include "catalogue/querybuilder.h"
#include "map/mapyears.h"
#include "shell/context.h"
#include "shell/sqltext.h"
#include "table/datatable.h"
#include "table/gridops.h"

#include <QRegularExpression>
#include <utility>

namespace qrn::chart {

QString itemOfHeader(const QString &header)
{
    static const QRegularExpression itemYear(QStringLiteral("^(.+)_(\\d{4})$"));
    const QRegularExpressionMatch m = itemYear.match(header.trimmed());
    return m.hasMatch() ? m.captured(1) : QString();
}

QStringList territoriesWithReferences(const DataTable &grid, const QStringList &chosenCodes)
{
    QStringList codes;
    auto add = [&codes](const QString &code) {
        if (!code.isEmpty() && !codes.contains(code))
            codes << code;
    };
    for (const QString &code : chosenCodes)
        add(code.trimmed());
    for (int r = 1; r < grid.rowCount(); ++r) {
        const QString code = grid.text(r, 1).trimmed(), region = grid.text(r, 3).trimmed();
        if (chosenCodes.contains(code) && region.compare(QLatin1String("TOTALE"), Qt::CaseInsensitive) != 0)
            add(region);
    }
    add(kItalyCode);
    return codes;
}

ItemYearsOutcome loadItemYears(Services &services, const CommandContext &command, const QString &item,
                               const QStringList &territoryCodes)
{
    ItemYearsOutcome out;
    out.table.item = item;
    // The years the map's year bar offers too; a failed lookup gives none.
    const Result<QStringList> years = map::itemYears(services, command, item);
    if (!years)
        out.yearsFailure = years.failure();
    QStringList rows;
    for (const QString &year : years ? years.value() : QStringList())
        rows << item + QLatin1Char('-') + year;
    if (rows.isEmpty()) {
        out.message = QStringLiteral("Nessun anno disponibile per %1.").arg(item);
        return out;
    }
    QStringList quoted;
    for (const QString &code : territoryCodes)
        quoted << QLatin1Char('\'') + sqlEscape(code) + QLatin1Char('\'');
    const QString filter = QStringLiteral("land_Ind.COD_TERR IN( %1)").arg(quoted.join(QStringLiteral(", ")));

    // Built and run on the side: the grid keeps its own query and item.
    DataTable table;
    const Result<QString> built = CreaQuery(services, command.CurrentDb, command.CurrentTipo, rows, filter);
    const grid::Loading loading = built
        ? grid::DoQuery(services, command.CurrentDb, command.CurrentTipo, built.value(), table)
        : grid::Loading {grid::LoadOutcome::Failed, built.failure()};
    if (loading != grid::LoadOutcome::Loaded) {
        out.message = QStringLiteral("Impossibile leggere i valori di %1 negli anni.").arg(item);
        if (loading.failure)
            out.detail = loading.failure->message;
        return out;
    }
    out.table = yearTableOf(table, item);
    return out;
}

} // namespace qrn::chart

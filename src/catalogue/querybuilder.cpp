#include "catalogue/querybuilder.h"

#include "shell/context.h"
#include "shell/itemkind.h"
#include "shell/prompt.h"
#include "shell/sqltext.h"

#include <QRegularExpression>

namespace qrn {

QueryPlan planQuery(const QStringList &rows, int prefixLength)
{
    QueryPlan plan;
    std::vector<QueryItem> read;
    for (const QString &row : rows) {
        const QString first = row.section(QStringLiteral(" - "), 0, 0);
        const int dash = first.indexOf(QLatin1Char('-'));
        QueryItem it;
        it.code = dash < 0 ? first : first.left(dash);
        it.year = dash < 0 ? QString() : first.mid(dash + 1);
        read.push_back(it);
        plan.lastCode = it.code;
    }
    // Repeated minimum search over the keys code + year, each greater than the one placed last.
    QString lastKey;
    for (size_t pos = 0; pos < read.size(); ++pos) {
        int best = -1;
        QString bestKey;
        for (size_t i = 0; i < read.size(); ++i) {
            const QString key = read[i].code + read[i].year;
            if ((pos == 0 || key > lastKey) && (best < 0 || key < bestKey)) {
                best = int(i);
                bestKey = key;
            }
        }
        if (best < 0)
            break; // only equal keys remain: the list never holds the same row twice
        const QueryItem &it = read[size_t(best)];
        plan.items.push_back(it);
        lastKey = bestKey;
        const QString groupKey = it.code.left(prefixLength) + it.year;
        bool found = false;
        for (const QueryItem &g : plan.groups)
            found = found || g.code.left(prefixLength) + g.year == groupKey;
        if (!found)
            plan.groups.push_back({it.code, it.year, QString()});
    }
    return plan;
}

QString buildSelect(const QueryPlan &plan, const QString &territoryFilter)
{
    QString select = QStringLiteral(
        "SELECT land_Ind.COD_TIPO_TERR as TipoTerritorio, land_Ind.COD_TERR, land_Ind.PROV, "
        "land_Ind.REG, land_Ind.COD_NUTS, land_Ind.DES_TERR as Territorio, ");
    for (const QueryItem &it : plan.items)
        select += QStringLiteral("Format(") + it.table + QLatin1Char('.') + it.code + QStringLiteral(", '0.00') as ")
            + it.code + QLatin1Char('_') + it.year + QStringLiteral(", ");
    select.chop(2);
    QString chain;
    for (size_t k = 0; k < plan.groups.size(); ++k) {
        const QueryItem &g = plan.groups[k];
        if (g.code.isEmpty())
            break;
        if (k == 0)
            chain = g.table + QStringLiteral(" INNER JOIN land_Ind  ON ") + g.table
                + QStringLiteral(".COD_TERR = land_Ind.COD_TERR");
        else
            chain = QLatin1Char('(') + chain + QStringLiteral(") INNER JOIN ") + g.table + QStringLiteral(" ON ")
                + g.table + QStringLiteral(".COD_TERR = ") + plan.groups[k - 1].table + QStringLiteral(".COD_TERR");
    }
    QString where = QStringLiteral(" WHERE ") + territoryFilter;
    if (where.size() == 7)
        where.clear();
    return select + QStringLiteral(" FROM ") + chain + where;
}

QString missingTableMessage(const QString &code, const QString &year)
{
    return QStringLiteral("Nessuna tabella di dati trovata per %1 nell'anno %2. Controllare il catalogo (IndVarAnno) "
                          "del database.")
        .arg(code, year);
}

Result<QString> CreaQuery(Services &services, const QString &db, const QString &tipo, const QStringList &rows,
                          const QString &territoryFilter)
{
    try {
        const int prefix = itemKind(tipo) == ItemKind::Indicators ? 3 : 2;
        QueryPlan plan = planQuery(rows, prefix);
        const auto noTable = [](const QueryItem &g) {
            return Failure::shown(missingTableMessage(g.code, g.year), QStringLiteral("Attenzione"), Icon::Exclamation);
        };
        {
            auto cn = services.GetDbConnection(db);
            for (QueryItem &g : plan.groups) {
                // The year goes into the statement as a bare number: anything but four digits
                // (a typo, an empty year, a piece of SQL) names no data table and stops here.
                static const QRegularExpression fourDigits(QStringLiteral("^[0-9]{4}$"));
                if (!fourDigits.match(g.year).hasMatch())
                    return noTable(g);
                Recordset rs = cn->query(QStringLiteral("SELECT Tabella, Settore From IndVarAnno WHERE Variabile = '")
                                         + sqlEscape(g.code) + QStringLiteral("' and anno = ") + g.year);
                if (!rs.eof())
                    g.table = rs.text(0);
                if (g.table.isEmpty())
                    return noTable(g);
            }
        }
        for (QueryItem &it : plan.items)
            for (const QueryItem &g : plan.groups)
                if (g.code.left(prefix) == it.code.left(prefix) && g.year == it.year)
                    it.table = g.table;
        return buildSelect(plan, territoryFilter);
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("CreaQuery"), QString::number(e.number()), e.description());
    }
}

} // namespace qrn

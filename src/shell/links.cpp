#include "shell/links.h"

#include "shell/context.h"
#include "shell/prompt.h"

#include <array>
#include <vector>

namespace qrn {

QString linkConnectString(const AppContext &ctx, const QString &sourceFile)
{
    return QStringLiteral("ms access;pwd=") + ctx.DbPassword + QStringLiteral(";DATABASE=") + ctx.DbFolder
        + sourceFile;
}

void RecreateRelatedTables(const AppContext &ctx, Connection &db, const QString &sourceFile, const QString &table)
{
    const QString expected = linkConnectString(ctx, sourceFile);
    const auto defs = db.tableDefs();
    for (const auto &d : defs) {
        if (d.name.toLower() != table.toLower())
            continue;
        if (d.connect.toLower() == expected.toLower())
            return;
        db.deleteTableDef(d.name);
        break;
    }
    db.appendLink(table, expected, table);
}

bool RefreshLinkOnDB_2(AppContext &ctx)
{
    try {
        std::vector<std::array<QString, 3>> rows;
        {
            auto cn = ctx.GetDbConnection(QStringLiteral("Metadati.mdb"));
            Recordset rs = cn->query(QStringLiteral("select * from tablelink"));
            if (rs.fieldCount() < 3)
                throw DbError(DbError::Kind::Generic, QStringLiteral("La tabella tablelink non ha tre colonne."));
            for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                rows.push_back({rs.text(0), rs.text(1), rs.text(2)});
        }
        for (const auto &r : rows) {
            auto db = ctx.openDatabase(r[2], ctx.DbFolder);
            RecreateRelatedTables(ctx, *db, r[1], r[0]);
        }
        return true;
    } catch (const DbError &e) {
        if (ctx.prompt)
            ctx.prompt->message(QStringLiteral("Sono mancanti alcuni Database!\r\nControllare l'esistenza dei "
                                               "Database nella cartella : \r\n")
                                    + ctx.DbFolder + QStringLiteral(" \r\n\r\nL'applicazione sarà chiusa."),
                                QStringLiteral("Attenzione"), Icon::Critical);
        ctx.log.logError(QStringLiteral("Utility"), QStringLiteral("RefreshLinkOnDB_2"), e.number(), e.description());
        return false;
    }
}

void DeleteAreaQuery(AppContext &ctx)
{
    if (ctx.CurrentDb.isEmpty())
        return;
    try {
        auto db = ctx.openDatabase(ctx.CurrentDb, ctx.DbFolder);
        const auto &pairs = ctx.areaQuery.list();
        for (const auto &p : pairs) {
            if (p.first.isEmpty() && p.second.isEmpty())
                continue;
            const QString name = p.first + p.second;
            for (const QString &q : db->queryDefs())
                if (q == name)
                    db->deleteQueryDef(q);
        }
    } catch (const DbError &e) {
        ctx.log.logError(QStringLiteral("Utility"), QStringLiteral("DeleteAreaQuery"), e.number(), e.description());
    }
}

} // namespace qrn

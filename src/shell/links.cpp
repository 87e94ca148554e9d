#include "shell/links.h"

#include "shell/context.h"

#include <array>
#include <vector>

namespace qrn {

namespace {
// The password the links' connect strings carry; stored links written with it compare equal.
constexpr auto kLinkPassword = "girasoleb2718";
} // namespace

QString linkConnectString(const ProgramPaths &paths, const QString &sourceFile)
{
    return QStringLiteral("ms access;pwd=") + QLatin1String(kLinkPassword) + QStringLiteral(";DATABASE=") + paths.DbFolder
        + sourceFile;
}

void RecreateRelatedTables(Services &services, const ProgramPaths &paths, const QString &targetFile,
                           const QString &sourceFile, const QString &table)
{
    const QString expected = linkConnectString(paths, sourceFile);
    std::vector<LinkDef> &links = services.links.of(services.databasePath(targetFile, paths.DbFolder));
    for (auto it = links.begin(); it != links.end(); ++it) {
        if (it->name.toLower() != table.toLower())
            continue;
        if (it->connect.toLower() == expected.toLower())
            return;
        links.erase(it);
        break;
    }
    // The source must exist when the link is made, as the Access engine checks on append.
    if (!StoreLocator::exists(paths.DbFolder, sourceFile))
        throw DbError(DbError::Kind::NotFound,
                      QStringLiteral("Impossibile trovare il file '%1'.").arg(paths.DbFolder + sourceFile), 3024);
    links.push_back({table, expected, table});
}

LinkRefresh refreshLinkedTables(Services &services, const ProgramPaths &paths)
{
    try {
        std::vector<std::array<QString, 3>> rows;
        {
            auto cn = services.GetDbConnection(QStringLiteral("Metadati.mdb"));
            Recordset rs = cn->query(QStringLiteral("select * from tablelink"));
            if (rs.fieldCount() < 3)
                throw DbError(DbError::Kind::Generic, QStringLiteral("La tabella tablelink non ha tre colonne."));
            for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                rows.push_back({rs.text(0), rs.text(1), rs.text(2)});
        }
        for (const auto &r : rows)
            RecreateRelatedTables(services, paths, r[2], r[1], r[0]);
        return {};
    } catch (const DbError &e) {
        return {Failure::shown(QStringLiteral("Sono mancanti alcuni Database!\r\nControllare l'esistenza dei "
                                              "Database nella cartella : \r\n")
                                   + paths.DbFolder + QStringLiteral(" \r\n\r\nL'applicazione sarà chiusa."),
                               QStringLiteral("Attenzione"), Icon::Critical),
                Failure::toLog(QStringLiteral("RefreshLinkOnDB_2"), QString::number(e.number()), e.description())};
    }
}

std::optional<Failure> DeleteAreaQuery(Services &services, const ProgramPaths &paths, const CommandContext &command)
{
    if (command.CurrentDb.isEmpty())
        return std::nullopt;
    try {
        auto db = services.openDatabase(command.CurrentDb, paths.DbFolder);
        const auto &pairs = services.areaQuery.list();
        for (const auto &p : pairs) {
            if (p.first.isEmpty() && p.second.isEmpty())
                continue;
            const QString name = p.first + p.second;
            for (const QString &q : db->queryDefs())
                if (q == name)
                    db->deleteQueryDef(q);
        }
    } catch (const DbError &e) {
        return Failure::toLog(QStringLiteral("DeleteAreaQuery"), QString::number(e.number()), e.description());
    }
    return std::nullopt;
}

} // namespace qrn

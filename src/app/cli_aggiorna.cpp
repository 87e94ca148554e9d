// The command "aggiorna": installs a database or map update as the information window does.
#include "app/clicommand.h"

#include "metadata/update.h"

#include <QFileInfo>

namespace qrn::cli {

std::vector<Command> updateCommands()
{
    return {{QStringLiteral("aggiorna"),
             [](QCommandLineParser &p) {
                 p.addOption(valueOption(QStringLiteral("banca-dati"), QStringLiteral("FILE.zip")));
                 p.addOption(valueOption(QStringLiteral("mappe"), QStringLiteral("FILE.zip")));
                 p.addOption(valueOption(QStringLiteral("password"), QStringLiteral("PASSWORD")));
             },
             [](Session &s, const QCommandLineParser &p, const QStringList &args) {
                 const bool databases = p.isSet(QStringLiteral("banca-dati"));
                 if (!args.isEmpty() || databases == p.isSet(QStringLiteral("mappe")))
                     return s.usage(QStringLiteral("uso: aggiorna --banca-dati FILE.zip | --mappe FILE.zip "
                                                   "[--password PASSWORD]"));
                 const QString option = databases ? QStringLiteral("banca-dati") : QStringLiteral("mappe");
                 const UpdateResult r = installUpdate(s.ctx, s.ctx, databases ? UpdateKind::Databases : UpdateKind::Maps,
                                                      QFileInfo(p.value(option)).absoluteFilePath(),
                                                      p.value(QStringLiteral("password")));
                 QString text = r.message;
                 text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
                 if (r.outcome != UpdateResult::Outcome::Done) {
                     // Refusals are logged under the command, as the window logs them under its name.
                     s.ctx.log.writeError(QStringLiteral("aggiorna"), QStringLiteral("--") + option,
                                          QString::number(r.code), r.logText());
                     if (r.outcome == UpdateResult::Outcome::NeedsPassword)
                         text += QStringLiteral("\nIndicare la password dell'archivio con --password.");
                     return s.fail(text);
                 }
                 s.out += text + QLatin1Char('\n');
                 return 0;
             }}};
}

} // namespace qrn::cli

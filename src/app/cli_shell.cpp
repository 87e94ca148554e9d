// The commands on the program's menus and databases: menu, databases, query.
#include "app/clicommand.h"

#include "shell/menus.h"
#include "shell/store.h"

namespace qrn::cli {

namespace {

void printMenuNode(const MenuNode &n, const AppContext &ctx, int depth, QString &out)
{
    const QString indent(depth * 2, QLatin1Char(' '));
    switch (n.kind) {
    case MenuNode::Kind::Separator:
        out += indent + QStringLiteral("----\n");
        break;
    case MenuNode::Kind::DisabledText:
        out += indent + n.caption + QStringLiteral(" (disattivata)\n");
        break;
    case MenuNode::Kind::Command: {
        const size_t i = size_t(n.command);
        out += indent
            + QStringLiteral("[%1] %2%3 -> %4 %5 %6 %7\n")
                  .arg(n.command)
                  .arg(n.caption, n.checked ? QStringLiteral(" (spuntata)") : QString(), ctx.menu.form[i],
                       ctx.menu.db[i], ctx.menu.tipo[i],
                       ctx.menu.level[i].isEmpty() ? QStringLiteral("T") : ctx.menu.level[i]);
        break;
    }
    case MenuNode::Kind::DropDown:
        out += indent + n.caption + QStringLiteral(" >\n");
        for (const auto &c : n.children)
            printMenuNode(*c, ctx, depth + 1, out);
        break;
    }
}

} // namespace

std::vector<Command> shellCommands()
{
    return {
        {QStringLiteral("menu"), nullptr,
         [](Session &s, const QCommandLineParser &, const QStringList &) {
             for (const auto &n : s.menus.top)
                 printMenuNode(*n, s.ctx, 0, s.out);
             return 0;
         }},
        {QStringLiteral("databases"), nullptr,
         [](Session &s, const QCommandLineParser &, const QStringList &) {
             auto cn = s.ctx.openDatabase(QStringLiteral("Metadati.mdb"));
             s.printCsv(cn->query(QStringLiteral("Select dbnames, dbdesc from DbConfigs")));
             return 0;
         }},
        {QStringLiteral("query"), nullptr,
         [](Session &s, const QCommandLineParser &, const QStringList &args) {
             if (args.size() != 2)
                 return s.usage(QStringLiteral("uso: query DATABASE \"SELECT ...\""));
             // The command reads: its connection is read-only and refuses any statement that
             // would write.
             auto cn = s.ctx.openDatabase(args[0], QString(), Connection::Access::ReadOnly);
             s.printCsv(cn->query(args[1]));
             return 0;
         }},
    };
}

} // namespace qrn::cli

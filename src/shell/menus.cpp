#include "shell/menus.h"

#include "shell/context.h"

#include <functional>

namespace qrn {

int MenuBar::countNodes() const
{
    std::function<int(const MenuNode &)> count = [&](const MenuNode &n) {
        int c = 1;
        for (const auto &ch : n.children)
            c += count(*ch);
        return c;
    };
    int total = 0;
    for (const auto &t : top)
        total += count(*t);
    return total;
}

namespace {

bool truthy(const QVariant &v)
{
    if (v.isNull())
        return false;
    bool ok = false;
    const double d = v.toDouble(&ok);
    if (ok)
        return d != 0;
    const QString s = v.toString().trimmed().toLower();
    return s == QLatin1String("true") || s == QLatin1String("vero") || s == QLatin1String("sì")
        || s == QLatin1String("si") || s == QLatin1String("yes");
}

// Appends to parent (the bar when parent is null) and answers the new drop-down or null.
MenuNode *addTopMenu(MenuBar &bar, MenuNode *parent, const QString &caption, bool separator, bool disabled)
{
    auto node = std::make_unique<MenuNode>();
    node->caption = caption;
    MenuNode *raw = node.get();
    if (separator) {
        node->kind = MenuNode::Kind::Separator;
        raw = nullptr;
    } else if (disabled) {
        node->kind = MenuNode::Kind::DisabledText;
        node->disabled = true;
        raw = nullptr;
    } else {
        node->kind = MenuNode::Kind::DropDown;
        node->dropDown = int(bar.dropDowns.size());
        bar.dropDowns.push_back(raw);
    }
    if (parent)
        parent->children.push_back(std::move(node));
    else
        bar.top.push_back(std::move(node));
    return raw;
}

MenuNode *dropDownNumber(MenuBar &bar, int n)
{
    if (n < 0 || n >= int(bar.dropDowns.size()))
        throw DbError(DbError::Kind::Generic, QStringLiteral("Indice non compreso nell'intervallo (menu %1).").arg(n),
                      9);
    return bar.dropDowns[size_t(n)];
}

} // namespace

void BuildMenus(Services &services, CommandContext &command, MenuBar &bar)
{
    auto cn = services.GetDbConnection(QStringLiteral("Metadati.mdb"));
    Recordset rs = cn->query(QStringLiteral("select * from DBMainMenu order by IdMenuParent, Orderb"));
    command.menu = MenuCommands {};
    int counter = 1;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
        const int id = rs.value(QStringLiteral("IdMenu")).toInt();
        const int parent = rs.value(QStringLiteral("IdMenuParent")).toInt();
        const QString caption = rs.text(QStringLiteral("DescName"));
        const bool separator = truthy(rs.value(QStringLiteral("isSeparator")));
        const bool disabled = truthy(rs.value(QStringLiteral("isDisable")));
        if (parent < 0) {
            addTopMenu(bar, nullptr, caption, separator, disabled);
        } else if (id > 0) {
            addTopMenu(bar, dropDownNumber(bar, parent), caption, separator, disabled);
        } else {
            MenuNode *dd = dropDownNumber(bar, parent);
            if (counter > MenuCommands::kMax)
                throw DbError(DbError::Kind::Generic,
                              QStringLiteral("Indice non compreso nell'intervallo (voce di menu %1).").arg(counter), 9);
            auto item = std::make_unique<MenuNode>();
            item->caption = caption;
            item->command = counter;
            item->disabled = disabled;
            item->kind = disabled ? MenuNode::Kind::DisabledText : MenuNode::Kind::Command;
            item->checked = !disabled && truthy(rs.value(QStringLiteral("isChecked")));
            dd->children.push_back(std::move(item));
            command.menu.form[size_t(counter)] = rs.text(QStringLiteral("FormToOpen"));
            command.menu.db[size_t(counter)] = rs.text(QStringLiteral("DBname"));
            command.menu.tipo[size_t(counter)] = rs.text(QStringLiteral("TipoDb"));
            command.menu.level[size_t(counter)] = rs.text(QStringLiteral("LivTerritoriale"));
            bar.commandCount = counter;
            ++counter;
        }
    }
}

QString applyMenuCommand(const Services &services, CommandContext &command, int index)
{
    if (index < 1 || index > MenuCommands::kMax)
        return QString();
    const size_t i = size_t(index);
    command.restoresQueryDb = index == 2 || index == 3;
    if (index >= 2 && command.menu.db[i].contains(QLatin1String(".mdb"))) {
        command.CurrentDb = command.menu.db[i];
        command.CurrentTipo = command.menu.tipo[i];
    }
    try {
        auto cn = services.openDatabase(QStringLiteral("Metadati.mdb"));
        Recordset rs = cn->query(QStringLiteral("Select * from DbConfigs"));
        for (rs.moveFirst(); !rs.eof(); rs.moveNext()) {
            if (rs.text(0) == command.CurrentDb) {
                command.DbCaption = rs.text(10);
                break;
            }
        }
    } catch (const DbError &) {
    }
    command.CurrentLevel = command.menu.level[i].isEmpty() ? QStringLiteral("T") : command.menu.level[i];
    return command.menu.form[i].toUpper();
}

} // namespace qrn

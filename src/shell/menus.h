#pragma once
// The menu bar built from the table DBMainMenu, and the dispatcher of its command items.

#include <QString>
#include <memory>
#include <vector>

namespace qrn {

struct CommandContext;
struct Services;

struct MenuNode {
    enum class Kind { DropDown, Separator, DisabledText, Command };
    Kind kind = Kind::DropDown;
    QString caption;
    bool checked = false;
    bool disabled = false;
    int command = 0; // command item number (1..30) for Kind::Command, also for a disabled item
    int dropDown = -1; // drop-down number for Kind::DropDown
    std::vector<std::unique_ptr<MenuNode>> children;
};

struct MenuBar {
    std::vector<std::unique_ptr<MenuNode>> top; // the menu bar's entries
    std::vector<MenuNode *> dropDowns; // by drop-down number, in creation order
    int commandCount = 0;
    int countNodes() const;
};

// Reads DBMainMenu ordered by IdMenuParent and Orderb and builds the bar, filling the command
// arrays of command.menu. Throws DbError on a database failure, on a row naming a drop-down that
// does not exist, or on a 31st command item; bar then holds what was built before.
void BuildMenus(Services &services, CommandContext &command, MenuBar &bar);

// A click on command item index: sets the menu context as the program does and answers the
// window keyword in upper case ("" when none). Errors are ignored, every step is tried.
QString applyMenuCommand(const Services &services, CommandContext &command, int index);

} // namespace qrn
